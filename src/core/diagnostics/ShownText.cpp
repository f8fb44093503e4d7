// SPDX-License-Identifier: MIT
#include "core/diagnostics/ShownText.h"

#include <algorithm>

namespace korva5 {

bool isControlCharacter(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f;
}

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), isControlCharacter);
}

QString shownText(const QString &text)
{
    if (!hasControlCharacter(text))
        return text;
    QString shown;
    shown.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (!isControlCharacter(c)) {
            shown += c;
            continue;
        }
        switch (c.unicode()) {
        case u'\r':
            shown += u"\\r";
            break;
        case u'\n':
            shown += u"\\n";
            break;
        case u'\t':
            shown += u"\\t";
            break;
        default:
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            break;
        }
    }
    return shown;
}

QString pluginText(const QString &text, PluginLine line)
{
    QString shown = shownText(text).replace(u'|', QStringLiteral("\\x7c"));
    if (line == PluginLine::First)
        shown.replace(u';', QStringLiteral("\\x3b"));
    return shown;
}

QString shownServer(const QString &server)
{
    // The login part ends at the last "@" before the host: a password may hold "@" itself.
    const qsizetype schemeEnd = server.indexOf(u"://");
    const qsizetype hostStart = schemeEnd < 0 ? 0 : schemeEnd + 3;
    const qsizetype pathStart = server.indexOf(u'/', hostStart);
    const qsizetype at = server.lastIndexOf(u'@', pathStart < 0 ? -1 : pathStart - 1);
    if (at < hostStart)
        return shownText(server);
    return shownText(server.left(hostStart) + u"***" + server.mid(at));
}

} // namespace korva5
