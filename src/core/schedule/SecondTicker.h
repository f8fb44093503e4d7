// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QObject>

class AppState;
class Clock;
class ScheduleCheck;

// What happens on each tick of the one-second timer: a few seconds after start-up the window is
// asked once to hide; the seconds of the minute are counted; every sixtieth tick, counted from
// start-up, the minutes are counted and the schedule is checked, and a configured time that has
// come asks for its upload. The counters live in the program's state, where the window shows them.
class SecondTicker : public QObject
{
    Q_OBJECT

public:
    static constexpr int HideOnTick = 5;
    static constexpr int MaxMinuteCount = 10000;

    SecondTicker(AppState &state, ScheduleCheck &schedule, const Clock &clock, QObject *parent = nullptr);

    void tick();
    // The check of every sixtieth tick: counts the minute and starts a due upload.
    void checkUploadTime();

signals:
    void hideRequested();
    // slot 0 (FtpTime1) to 9 (FtpTime10) has come: the file of day is due.
    void uploadDue(QDate day, int slot);

private:
    AppState &m_state;
    ScheduleCheck &m_schedule;
    const Clock &m_clock;
    int m_startCount = 0; // ticks since start-up, until the window has been hidden
};
