// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/Settings.h"

#include <QDate>
#include <QDateTime>
#include <QList>

#include <array>
#include <optional>

namespace korva5 {

// Decides, once a minute, which configured upload times have come.
//
// The once-a-minute check rides on timer ticks, and ticks are not exact: a late tick can push a
// check past a whole clock minute, an early one can put two checks into the same minute. So a
// check examines every minute after the last one examined up to its own, oldest first, and no
// minute is ever examined twice: a clock set back (by hand, a time zone or daylight saving)
// replays nothing. A time comes at the moment DueTime gives for it: on the days the clocks
// change, a time they skip comes after the skip and one they show twice comes once. When more
// than LookBackMinutes went by since the last examined minute (the workstation slept, was off,
// or its clock was put forward), the minutes the program did not see are examined as a
// catch-up: their matches are marked as such, at most 24 hours back.
class ScheduleCheck
{
public:
    static constexpr int LookBackMinutes = 5;
    static constexpr int CatchUpHours = 24;

    struct Match
    {
        int slot;         // 0 for FtpTime1 ... 9 for FtpTime10
        QDateTime minute; // the minute the time came (DueTime::on)
        bool catchUp = false; // a minute the program did not examine when it came
        // The day whose time it is: the minute's own, unless a skip of the clocks crossed midnight.
        QDate date;
        // The day whose file this time sends: the time's day for times 1 to 8, the day before
        // for times 9 and 10.
        QDate day() const { return Settings::sendsYesterday(slot) ? date.addDays(-1) : date; }
    };

    // The program starts at startTime. lastExamined is the last minute an earlier run examined
    // (from the journal), if any: the minutes after it and before the start minute come back as
    // catch-up matches. Without it nothing is owed: the first start sends nothing of the past.
    QList<Match> start(const QDateTime &startTime, const std::optional<QDateTime> &lastExamined,
                       const std::array<QString, Settings::TimeSlots> &times);

    // The matches of every minute not yet examined up to now, oldest first; afterwards those
    // minutes count as examined.
    QList<Match> examine(const QDateTime &now, const std::array<QString, Settings::TimeSlots> &times);

    // The last minute examined, to be remembered across a restart.
    const QDateTime &lastExamined() const { return m_lastExamined; }

    // The slot whose time (a TimeOfDay) is the minute of timeOfDay, if any; of two equal times the
    // lower-numbered one.
    static std::optional<int> slotFor(QTime timeOfDay, const std::array<QString, Settings::TimeSlots> &times);

    // The times that come after `after` and by upTo, as matches (catchUp as given), in the order
    // they come, then by slot. Of equal times the lower-numbered one alone, and so of two that
    // come in one minute because the clocks skipped one onto the other and send the same file.
    static QList<Match> timesBetween(const QDateTime &after, const QDateTime &upTo, bool catchUp,
                                     const std::array<QString, Settings::TimeSlots> &times);

private:
    QDateTime m_lastExamined;
};

} // namespace korva5
