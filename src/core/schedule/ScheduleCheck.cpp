// SPDX-License-Identifier: MIT
#include "core/schedule/ScheduleCheck.h"

#include "core/schedule/DueTime.h"
#include "core/settings/TimeOfDay.h"

#include <algorithm>

namespace korva5 {

std::optional<int> ScheduleCheck::slotFor(QTime timeOfDay, const std::array<QString, Settings::TimeSlots> &times)
{
    const QTime minute(timeOfDay.hour(), timeOfDay.minute());
    for (int slot = 0; slot < Settings::TimeSlots; ++slot) {
        if (TimeOfDay::parse(times[size_t(slot)]) == minute)
            return slot;
    }
    return std::nullopt;
}

QList<ScheduleCheck::Match> ScheduleCheck::timesBetween(const QDateTime &after, const QDateTime &upTo, bool catchUp,
                                                        const std::array<QString, Settings::TimeSlots> &times)
{
    QList<Match> matches;
    if (!after.isValid() || !upTo.isValid() || upTo <= after)
        return matches;
    // A time comes on its own day, or just after it when the clocks skip past midnight.
    for (QDate date = after.date().addDays(-1); date <= upTo.date(); date = date.addDays(1)) {
        for (int slot = 0; slot < Settings::TimeSlots; ++slot) {
            const std::optional<QTime> time = TimeOfDay::parse(times[size_t(slot)]);
            if (!time || slotFor(*time, times) != slot)
                continue;
            const QDateTime due = DueTime::on(date, *time);
            if (due > after && due <= upTo)
                matches.append({slot, due, catchUp, date});
        }
    }
    std::sort(matches.begin(), matches.end(), [](const Match &a, const Match &b) {
        return a.minute != b.minute ? a.minute < b.minute : a.slot < b.slot;
    });
    for (qsizetype i = 1; i < matches.size();) {
        const auto same = [&](const Match &kept) { return kept.minute == matches[i].minute && kept.day() == matches[i].day(); };
        if (std::any_of(matches.cbegin(), matches.cbegin() + i, same))
            matches.removeAt(i);
        else
            ++i;
    }
    return matches;
}

QList<ScheduleCheck::Match> ScheduleCheck::start(const QDateTime &startTime, const std::optional<QDateTime> &lastExamined,
                                                 const std::array<QString, Settings::TimeSlots> &times)
{
    const QDateTime startMinute = DueTime::minuteOf(startTime);
    // Everything before the start minute counts as examined from now on.
    m_lastExamined = startMinute.addSecs(-60);
    if (!lastExamined || DueTime::minuteOf(*lastExamined) >= m_lastExamined)
        return {};
    const QDateTime earliest = startMinute.addSecs(-3600LL * CatchUpHours);
    return timesBetween(std::max(DueTime::minuteOf(*lastExamined), earliest.addSecs(-60)), m_lastExamined, true, times);
}

QList<ScheduleCheck::Match> ScheduleCheck::examine(const QDateTime &now, const std::array<QString, Settings::TimeSlots> &times)
{
    const QDateTime current = DueTime::minuteOf(now);
    QList<Match> matches;
    if (!m_lastExamined.isValid())
        m_lastExamined = current.addSecs(-60);
    if (current <= m_lastExamined)
        return matches; // an early tick, or a clock set back: nothing is examined twice
    const qint64 gapMinutes = m_lastExamined.secsTo(current) / 60;
    if (gapMinutes > LookBackMinutes) {
        // The clock jumped: the minutes before this one were not there to be examined.
        const QDateTime earliest = current.addSecs(-3600LL * CatchUpHours);
        matches = timesBetween(std::max(m_lastExamined, earliest.addSecs(-60)), current.addSecs(-60), true, times);
        matches += timesBetween(current.addSecs(-60), current, false, times);
    } else {
        matches = timesBetween(m_lastExamined, current, false, times);
    }
    m_lastExamined = current;
    return matches;
}

} // namespace korva5
