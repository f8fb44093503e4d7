// SPDX-License-Identifier: MIT
#include "core/schedule/DueTime.h"

#include <optional>

namespace korva5 {

namespace DueTime {

namespace {

// Longer than any shift of the clocks: a time shown twice is shown again within this of the
// first, and a skip ends within it.
constexpr qint64 LongestShiftSeconds = 3 * 3600;
// A skip of a whole day (a zone moving across the date line) is the longest there has been.
constexpr int LongestSkipMinutes = 2 * 24 * 60;

// (day, minute) as a moment, when the clock shows it that day at all. Qt either marks a time the
// clocks skip invalid or moves it by the skip; neither is a time shown on that day.
std::optional<QDateTime> shown(QDate day, QTime minute, const std::optional<QTimeZone> &zone)
{
    const QDateTime at = zone ? QDateTime(day, minute, *zone) : QDateTime(day, minute);
    if (!at.isValid() || at.date() != day || at.time() != minute)
        return std::nullopt;
    return at;
}

// zone: empty for the workstation's own clock, which Qt follows as local time.
QDateTime dueOn(QDate day, QTime time, const std::optional<QTimeZone> &zone)
{
    if (!day.isValid() || !time.isValid())
        return {};
    const QTime minute(time.hour(), time.minute());
    if (const std::optional<QDateTime> at = shown(day, minute, zone)) {
        // Shown twice, Qt may give either pass. The first comes the shift earlier, when the
        // clock ran that much ahead.
        const int before = at->addSecs(-LongestShiftSeconds).offsetFromUtc();
        if (before > at->offsetFromUtc()) {
            const QDateTime first = at->addSecs(at->offsetFromUtc() - before);
            if (first.date() == day && first.time() == minute)
                return first;
        }
        return *at;
    }
    // Skipped: the first minute after the skip is the one after the last minute shown before it.
    QDate shownDay = day;
    QTime shownMinute = minute;
    for (int back = 0; back < LongestSkipMinutes; ++back) {
        if (shownMinute == QTime(0, 0))
            shownDay = shownDay.addDays(-1);
        shownMinute = shownMinute.addSecs(-60);
        if (const std::optional<QDateTime> last = shown(shownDay, shownMinute, zone))
            return last->addSecs(60);
    }
    return {};
}

} // namespace

QDateTime on(QDate day, QTime time)
{
    return dueOn(day, time, std::nullopt);
}

QDateTime on(QDate day, QTime time, const QTimeZone &zone)
{
    return dueOn(day, time, zone);
}

QDateTime minuteOf(const QDateTime &at)
{
    // Taken off the moment, not rebuilt from the date and time of day: in an hour the clocks show
    // twice, that would land in either pass.
    return at.isValid() ? at.addMSecs(-(at.time().second() * 1000LL + at.time().msec())) : at;
}

} // namespace DueTime

} // namespace korva5
