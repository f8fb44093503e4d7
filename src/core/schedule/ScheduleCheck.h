// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/Settings.h"

#include <QDate>
#include <QDateTime>
#include <QMap>

#include <array>
#include <optional>

// Decides, once a minute, whether a configured upload time has come.
//
// The once-a-minute check rides on timer ticks, and ticks are not exact: a late tick can push a
// check past a whole clock minute, an early one can put two checks into the same minute. So a
// check does not look at its own minute alone: it examines every clock minute it has not
// examined yet, oldest first, looking back at most LookBackMinutes, and no minute is ever
// examined twice. Minutes are wall-clock minutes of a calendar day (date and "HH:MM"), so a
// clock set back, by hand or by a change of time zone or daylight saving, does not replay the
// minutes of that day that were already examined. Minutes before the program started count as
// examined: starting the program does not send what an earlier run already sent.
class ScheduleCheck
{
public:
    static constexpr int LookBackMinutes = 5;

    struct Match
    {
        int slot;        // 0 for FtpTime1 ... 9 for FtpTime10
        QDateTime minute; // the wall-clock minute that matched
        // The day whose file this time sends: the minute's day for times 1 to 8, the day before
        // for times 9 and 10.
        QDate day() const { return slot < 8 ? minute.date() : minute.date().addDays(-1); }
    };

    // The program started at startTime: nothing up to the minute before it is examined.
    void start(const QDateTime &startTime);

    // The first slot that matches the oldest not yet examined minute up to now, if any. Minutes
    // up to the matching one count as examined afterwards; later ones wait for the next check,
    // so one check starts at most one upload and none is lost.
    std::optional<Match> examine(const QDateTime &now, const std::array<QString, Settings::TimeSlots> &times);

    // The slot a time of day "HH:MM" matches, if any: a slot matches when its value, trimmed,
    // is five characters long and equal to it.
    static std::optional<int> slotFor(const QString &timeOfDay, const std::array<QString, Settings::TimeSlots> &times);

private:
    void markExamined(QDate day, int minuteOfDay);
    bool isExamined(QDate day, int minuteOfDay) const;

    QMap<QDate, int> m_examinedUpTo; // for each recent day, the last minute of it examined
};
