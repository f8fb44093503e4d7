// SPDX-License-Identifier: MIT
#include "core/settings/FullWidth.h"

#include <algorithm>

namespace korva5 {

namespace FullWidth {

namespace {

constexpr char16_t IdeographicSpace = 0x3000;
constexpr char16_t IdeographicFullStop = 0x3002;
// The full-width block mirrors printable ASCII from "!" to "~" at this distance.
constexpr char16_t FirstForm = 0xFF01;
constexpr char16_t LastForm = 0xFF5E;
constexpr char16_t Distance = 0xFEE0;

} // namespace

bool isFullWidth(QChar c)
{
    const char16_t code = c.unicode();
    return (code >= FirstForm && code <= LastForm) || code == IdeographicSpace || code == IdeographicFullStop;
}

QString toAscii(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        const char16_t code = c.unicode();
        if (code >= FirstForm && code <= LastForm)
            c = QChar(char16_t(code - Distance));
        else if (code == IdeographicSpace)
            c = u' ';
        else if (code == IdeographicFullStop)
            c = u'.';
    }
    return result;
}

qsizetype firstIn(const QString &text)
{
    const auto found = std::find_if(text.cbegin(), text.cend(), isFullWidth);
    return found == text.cend() ? -1 : found - text.cbegin();
}

qsizetype countIn(const QString &text)
{
    return std::count_if(text.cbegin(), text.cend(), isFullWidth);
}

} // namespace FullWidth

} // namespace korva5
