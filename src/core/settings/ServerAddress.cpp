// SPDX-License-Identifier: MIT
#include "core/settings/ServerAddress.h"

#include "core/diagnostics/ShownText.h"
#include "core/settings/SysMain.h"

#include <QUrl>

namespace {

int defaultPort(ServerAddress::Protocol protocol)
{
    switch (protocol) {
    case ServerAddress::Protocol::Ftps:
        return 990;
    case ServerAddress::Protocol::Sftp:
        return 22;
    case ServerAddress::Protocol::Ftp:
    case ServerAddress::Protocol::Ftpes:
        break;
    }
    return 21;
}

std::optional<ServerAddress> fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return std::nullopt;
}

} // namespace

QString ServerAddress::protocolName(Protocol protocol)
{
    switch (protocol) {
    case Protocol::Ftps:
        return QStringLiteral("ftps");
    case Protocol::Ftpes:
        return QStringLiteral("ftpes");
    case Protocol::Sftp:
        return QStringLiteral("sftp");
    case Protocol::Ftp:
        break;
    }
    return QStringLiteral("ftp");
}

std::optional<ServerAddress> ServerAddress::parse(const QString &server, QString *error)
{
    const QString text = SysMain::Trim(server);
    if (text.isEmpty())
        return fail(error, QStringLiteral("no server is set"));
    if (hasControlCharacter(text) || text.contains(u' '))
        return fail(error, QStringLiteral("the server setting holds a blank or a control character"));

    ServerAddress target;
    QString rest = text;
    const qsizetype schemeEnd = text.indexOf(u"://");
    if (schemeEnd >= 0) {
        const QString scheme = text.left(schemeEnd).toLower();
        if (scheme == u"ftp")
            target.protocol = Protocol::Ftp;
        else if (scheme == u"ftps")
            target.protocol = Protocol::Ftps;
        else if (scheme == u"ftpes")
            target.protocol = Protocol::Ftpes;
        else if (scheme == u"sftp")
            target.protocol = Protocol::Sftp;
        else
            return fail(error, QStringLiteral("unknown scheme \"%1\" (use ftp, ftps, ftpes or sftp)").arg(shownText(scheme)));
        rest = text.mid(schemeEnd + 3);
    }

    const QUrl url(QStringLiteral("scheme://") + rest, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return fail(error, QStringLiteral("\"%1\" is not a host name, address or URL").arg(shownServer(text)));
    if (!url.userInfo().isEmpty())
        return fail(error, QStringLiteral("the server setting must not hold a login; use the user name and password settings"));
    if (!(url.path().isEmpty() || url.path() == u"/") || url.hasQuery() || url.hasFragment())
        return fail(error, QStringLiteral("the server setting must not hold a folder; use the upload path setting"));

    const QString host = url.host(QUrl::FullyEncoded);
    target.host = host.contains(u':') ? u'[' + host + u']' : host;
    target.port = url.port(defaultPort(target.protocol));
    if (target.port <= 0 || target.port > 65535)
        return fail(error, QStringLiteral("the port of \"%1\" is out of range").arg(shownServer(text)));
    return target;
}
