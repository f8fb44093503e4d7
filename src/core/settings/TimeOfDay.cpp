// SPDX-License-Identifier: MIT
#include "core/settings/TimeOfDay.h"

#include "core/settings/FullWidth.h"
#include "core/settings/ProfileFile.h"

namespace korva5 {

namespace TimeOfDay {

std::optional<QTime> parse(const QString &text)
{
    const QString time = ProfileFile::trimmedBlanks(text);
    // Exactly five characters: QTime::fromString would also take "8:30", which earlier versions
    // never fired at, and full-width or other script digits, which QChar::isDigit accepts.
    if (time.size() != 5 || time[2] != u':')
        return std::nullopt;
    int digits[4];
    const int at[4] = {0, 1, 3, 4};
    for (int i = 0; i < 4; ++i) {
        const char16_t c = time[at[i]].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        digits[i] = c - u'0';
    }
    const int hour = digits[0] * 10 + digits[1];
    const int minute = digits[2] * 10 + digits[3];
    if (hour > 23 || minute > 59)
        return std::nullopt;
    return QTime(hour, minute);
}

QString format(QTime time)
{
    return time.toString(u"HH:mm");
}

std::optional<QString> normalised(const QString &text)
{
    QString time = ProfileFile::trimmedBlanks(FullWidth::toAscii(text));
    // A one-digit hour only: "8:5" could be 08:05 or 08:50.
    if (time.size() == 4 && time[1] == u':')
        time.prepend(u'0');
    if (const std::optional<QTime> read = parse(time))
        return format(*read);
    return std::nullopt;
}

} // namespace TimeOfDay

} // namespace korva5
