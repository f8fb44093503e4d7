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

// why is worded only when someone reads it; subject fills its %1.
std::optional<ServerAddress> fail(QString *error, const ServerAddress::Text &text, const char *key,
                                  const QString &subject = {})
{
    if (error) {
        const QString why = text(QLatin1StringView(key));
        *error = why.contains(QStringLiteral("%1")) ? why.arg(subject) : why;
    }
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

std::optional<ServerAddress> ServerAddress::parse(const QString &server)
{
    return parse(server, nullptr, {});
}

std::optional<ServerAddress> ServerAddress::parse(const QString &server, QString *error, const Text &text)
{
    const QString setting = SysMain::Trim(server);
    if (setting.isEmpty())
        return fail(error, text, "ReasonNoServer");
    if (hasControlCharacter(setting) || setting.contains(u' '))
        return fail(error, text, "ServerBlank");

    ServerAddress target;
    QString rest = setting;
    const qsizetype schemeEnd = setting.indexOf(u"://");
    if (schemeEnd >= 0) {
        const QString scheme = setting.left(schemeEnd).toLower();
        if (scheme == u"ftp")
            target.protocol = Protocol::Ftp;
        else if (scheme == u"ftps")
            target.protocol = Protocol::Ftps;
        else if (scheme == u"ftpes")
            target.protocol = Protocol::Ftpes;
        else if (scheme == u"sftp")
            target.protocol = Protocol::Sftp;
        else
            return fail(error, text, "ServerScheme", shownText(scheme));
        rest = setting.mid(schemeEnd + 3);
    }

    const QUrl url(QStringLiteral("scheme://") + rest, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return fail(error, text, "ServerNotHost", shownServer(setting));
    if (!url.userInfo().isEmpty())
        return fail(error, text, "ServerLogin");
    if (!(url.path().isEmpty() || url.path() == u"/") || url.hasQuery() || url.hasFragment())
        return fail(error, text, "ServerFolder");

    const QString host = url.host(QUrl::FullyEncoded);
    target.host = host.contains(u':') ? u'[' + host + u']' : host;
    target.port = url.port(defaultPort(target.protocol));
    if (target.port <= 0 || target.port > 65535)
        return fail(error, text, "ServerPort", shownServer(setting));
    return target;
}
