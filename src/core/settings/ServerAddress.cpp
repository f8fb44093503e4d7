// SPDX-License-Identifier: MIT
#include "core/settings/ServerAddress.h"

#include "core/diagnostics/ShownText.h"
#include "core/settings/FullWidth.h"
#include "core/settings/ProfileFile.h"

#include <QUrl>

#include <algorithm>

namespace korva5 {

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

// The schemes the transfer knows, longest first where one starts another.
const char *const Schemes[] = {"ftpes", "ftps", "sftp", "ftp"};

// A scheme typed without its ":" ("ftp//host") or with too few or the wrong slashes ("ftp:/host",
// "ftp:\\host"): the scheme as the setting starts with it, and where its host begins; nothing
// when the setting does not start so.
struct MisspeltScheme
{
    QString scheme;
    qsizetype hostStart = 0;
};

std::optional<MisspeltScheme> misspeltScheme(const QString &setting, bool *colonMissing = nullptr)
{
    for (const char *name : Schemes) {
        const QLatin1StringView scheme(name);
        if (!setting.startsWith(scheme, Qt::CaseInsensitive))
            continue;
        const QStringView after = QStringView(setting).mid(scheme.size());
        const bool noColon = after.startsWith(u"//");
        const bool badSlashes = (after.startsWith(u":/") && !after.startsWith(u"://")) || after.startsWith(u":\\");
        if (!noColon && !badSlashes)
            return std::nullopt;
        if (colonMissing)
            *colonMissing = noColon;
        qsizetype start = scheme.size() + (noColon ? 0 : 1);
        while (start < setting.size() && (setting[start] == u'/' || setting[start] == u'\\'))
            ++start;
        return MisspeltScheme{QString(scheme), start};
    }
    return std::nullopt;
}

// The port as typed after the host, when it is all digits: so that one out of range is named as
// such, not as a host that is none. -1 when there is no such port.
qint64 typedPort(const QString &rest, QString *typed)
{
    const QString authority = rest.section(u'/', 0, 0);
    const qsizetype colon = authority.lastIndexOf(u':');
    const bool bracketed = authority.startsWith(u'[');
    if (colon < 0 || (bracketed ? colon < authority.indexOf(u']') : authority.indexOf(u':') != colon))
        return -1;
    const QString port = authority.mid(colon + 1);
    if (port.isEmpty() || port.size() > 9 || !std::all_of(port.cbegin(), port.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return -1;
    *typed = port;
    return port.toLongLong();
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
    const QString setting = ProfileFile::trimmedBlanks(server);
    if (setting.isEmpty())
        return fail(error, text, "ReasonNoServer");
    if (hasControlCharacter(setting) || setting.contains(u' '))
        return fail(error, text, "ServerBlank");
    bool colonMissing = false;
    if (const std::optional<MisspeltScheme> misspelt = misspeltScheme(setting, &colonMissing))
        return fail(error, text, colonMissing ? "ServerNoColon" : "ServerSlashes", misspelt->scheme);

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

    QString portText;
    if (const qint64 port = typedPort(rest, &portText); port == 0 || port > 65535)
        return fail(error, text, "ServerPort", portText);

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
        return fail(error, text, "ServerPort", QString::number(target.port));
    return target;
}

QString ServerAddress::suggestion(const QString &server)
{
    const QString typed = ProfileFile::trimmedBlanks(server);
    QString meant = FullWidth::toAscii(typed);
    if (const std::optional<MisspeltScheme> misspelt = misspeltScheme(meant))
        meant = misspelt->scheme + QStringLiteral("://") + meant.mid(misspelt->hostStart);
    return meant == typed ? QString() : meant;
}

} // namespace korva5
