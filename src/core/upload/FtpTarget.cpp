// SPDX-License-Identifier: MIT
#include "core/upload/FtpTarget.h"

#include "core/diagnostics/ShownText.h"

#include <QStringList>
#include <QUrl>

namespace {

int defaultPort(FtpTarget::Protocol protocol)
{
    switch (protocol) {
    case FtpTarget::Protocol::Ftps:
        return 990;
    case FtpTarget::Protocol::Sftp:
        return 22;
    case FtpTarget::Protocol::Ftp:
    case FtpTarget::Protocol::Ftpes:
        break;
    }
    return 21;
}

std::optional<FtpTarget> fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return std::nullopt;
}

QByteArray encodedPath(const QString &path)
{
    QByteArray result;
    const QStringList segments = path.split(u'/');
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (i > 0)
            result += '/';
        result += QUrl::toPercentEncoding(segments.at(i));
    }
    return result;
}

} // namespace

QString FtpTarget::protocolName(Protocol protocol)
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

bool FtpTarget::hasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

std::optional<FtpTarget> FtpTarget::parse(const QString &server, QString *error)
{
    const QString text = server.trimmed();
    if (text.isEmpty())
        return fail(error, QStringLiteral("no server is set"));
    if (hasControlCharacter(text) || text.contains(u' '))
        return fail(error, QStringLiteral("the server setting holds a blank or a control character"));

    FtpTarget target;
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

QByteArray FtpTarget::url(const QString &remotePath) const
{
    const char *scheme = protocol == Protocol::Ftps ? "ftps" : protocol == Protocol::Sftp ? "sftp" : "ftp";
    QByteArray result = QByteArray(scheme) + "://" + host.toLatin1() + ':' + QByteArray::number(port) + '/';
    const bool absolute = remotePath.startsWith(u'/');
    if (protocol == Protocol::Sftp) {
        // sftp URLs are absolute; "~/" starts at the login's home folder.
        result += absolute ? encodedPath(remotePath.mid(1)) : "~/" + encodedPath(remotePath);
    } else {
        // In an ftp URL the path is relative to the login folder; "%2F" makes it absolute.
        result += absolute ? "%2F" + encodedPath(remotePath.mid(1)) : encodedPath(remotePath);
    }
    return result;
}
