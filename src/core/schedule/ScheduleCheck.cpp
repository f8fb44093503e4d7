// SPDX-License-Identifier: MIT
#include "core/schedule/ScheduleCheck.h"

#include "core/settings/TimeOfDay.h"

namespace {

QDateTime minuteOf(const QDateTime &time)
{
    return QDateTime(time.date(), QTime(time.time().hour(), time.time().minute()));
}

} // namespace

std::optional<int> ScheduleCheck::slotFor(QTime timeOfDay, const std::array<QString, Settings::TimeSlots> &times)
{
    const QTime minute(timeOfDay.hour(), timeOfDay.minute());
    for (int slot = 0; slot < Settings::TimeSlots; ++slot) {
        if (TimeOfDay::parse(times[size_t(slot)]) == minute)
            return slot;
    }
    return std::nullopt;
}

void ScheduleCheck::examineRange(const QDateTime &after, const QDateTime &upTo, bool catchUp,
                                 const std::array<QString, Settings::TimeSlots> &times, QList<Match> &matches) const
{
    // Wall-clock minutes, walked by date and time of day: a day with a daylight-saving change
    // still has each "HH:MM" once.
    QDateTime minute = after;
    while (true) {
        const QTime next = minute.time().addSecs(60);
        minute = QDateTime(next == QTime(0, 0) ? minute.date().addDays(1) : minute.date(), next);
        if (minute > upTo)
            break;
        if (const std::optional<int> slot = slotFor(minute.time(), times))
            matches.append({*slot, minute, catchUp});
    }
}

QList<ScheduleCheck::Match> ScheduleCheck::start(const QDateTime &startTime, const std::optional<QDateTime> &lastExamined,
                                                 const std::array<QString, Settings::TimeSlots> &times)
{
    const QDateTime startMinute = minuteOf(startTime);
    // Everything before the start minute counts as examined from now on.
    m_lastExamined = startMinute.addSecs(-60);
    QList<Match> matches;
    if (!lastExamined || minuteOf(*lastExamined) >= m_lastExamined)
        return matches;
    const QDateTime earliest = startMinute.addSecs(-3600LL * CatchUpHours);
    examineRange(std::max(minuteOf(*lastExamined), earliest.addSecs(-60)), m_lastExamined, true, times, matches);
    return matches;
}

QList<ScheduleCheck::Match> ScheduleCheck::examine(const QDateTime &now, const std::array<QString, Settings::TimeSlots> &times)
{
    const QDateTime current = minuteOf(now);
    QList<Match> matches;
    if (!m_lastExamined.isValid())
        m_lastExamined = current.addSecs(-60);
    if (current <= m_lastExamined)
        return matches; // an early tick, or a clock set back: nothing is examined twice
    const qint64 gapMinutes = m_lastExamined.secsTo(current) / 60;
    if (gapMinutes > LookBackMinutes) {
        // The clock jumped: the minutes before this one were not there to be examined.
        const QDateTime earliest = current.addSecs(-3600LL * CatchUpHours);
        examineRange(std::max(m_lastExamined, earliest.addSecs(-60)), current.addSecs(-60), true, times, matches);
        examineRange(current.addSecs(-60), current, false, times, matches);
    } else {
        examineRange(m_lastExamined, current, false, times, matches);
    }
    m_lastExamined = current;
    return matches;
}
