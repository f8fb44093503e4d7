// SPDX-License-Identifier: MIT
#include "fleet/check/StationList.h"

#include "core/diagnostics/ShownText.h"

#include <QSet>

#include <algorithm>

namespace korva5::fleet {

namespace StationList {

namespace {

bool isNumber(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool isName(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
    });
}

bool hasLeadingZero(QStringView number)
{
    return number.size() > 1 && number.front() == u'0';
}

// Numbers by value (a number written with more zeros after the same one with fewer), then
// names as text.
bool before(const QString &a, const QString &b)
{
    const bool aNumber = isNumber(a);
    const bool bNumber = isNumber(b);
    if (aNumber != bNumber)
        return aNumber;
    if (!aNumber)
        return a < b;
    auto digits = [](const QString &number) {
        qsizetype zeros = 0;
        while (zeros < number.size() - 1 && number[zeros] == u'0')
            ++zeros;
        return QStringView(number).sliced(zeros);
    };
    const QStringView aDigits = digits(a);
    const QStringView bDigits = digits(b);
    if (aDigits.size() != bDigits.size())
        return aDigits.size() < bDigits.size();
    if (aDigits != bDigits)
        return aDigits < bDigits;
    return a.size() < b.size();
}

} // namespace

std::optional<QStringList> parse(const QString &text, QString *error)
{
    auto fail = [error](const QString &why) -> std::optional<QStringList> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QStringList stations;
    QSet<QString> seen;
    auto add = [&](const QString &station) {
        if (!seen.contains(station)) {
            seen.insert(station);
            stations << station;
        }
    };
    if (text.trimmed().isEmpty())
        return fail(QStringLiteral("no stations are listed"));
    const QStringList items = text.split(u',');
    for (const QString &raw : items) {
        const QString item = raw.trimmed();
        if (item.isEmpty())
            return fail(QStringLiteral("an empty entry in \"%1\" (two commas in a row, or one at an end)").arg(shownText(text)));
        const qsizetype dash = item.indexOf(u'-');
        if (dash < 0) {
            if (!isName(item))
                return fail(QStringLiteral("\"%1\" is not a station number or a range such as 1-40").arg(shownText(item)));
            add(item);
        } else {
            const QString first = item.left(dash).trimmed();
            const QString last = item.mid(dash + 1).trimmed();
            if (!isNumber(first) || !isNumber(last))
                return fail(QStringLiteral("\"%1\" is not a range of station numbers such as 1-40").arg(shownText(item)));
            // Beyond nine digits a number no longer fits; such a range is far too large anyway.
            if (first.size() > 9 || last.size() > 9)
                return fail(QStringLiteral("the range \"%1\" names more than %2 stations").arg(shownText(item)).arg(MaxStations));
            const qint64 from = first.toLongLong();
            const qint64 to = last.toLongLong();
            if (from > to)
                return fail(QStringLiteral("the range \"%1\" runs backwards").arg(shownText(item)));
            if (to - from + 1 > MaxStations)
                return fail(QStringLiteral("the range \"%1\" names more than %2 stations").arg(shownText(item)).arg(MaxStations));
            const int width = hasLeadingZero(first) || hasLeadingZero(last) ? int(std::max(first.size(), last.size())) : 0;
            for (qint64 n = from; n <= to; ++n)
                add(QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0')));
        }
        if (stations.size() > MaxStations)
            return fail(QStringLiteral("more than %1 stations are listed").arg(MaxStations));
    }
    std::sort(stations.begin(), stations.end(), before);
    return stations;
}

} // namespace StationList

} // namespace korva5::fleet
