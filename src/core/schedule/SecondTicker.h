// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class AppState;

// What happens on each tick of the one-second timer: a few seconds after start-up the window is
// asked once to hide; the seconds of the minute are counted; every sixtieth tick, counted from
// start-up, the minutes are counted and the schedule's check is asked for. The counters live in
// the program's state, where the window shows them.
class SecondTicker : public QObject
{
    Q_OBJECT

public:
    static constexpr int HideOnTick = 5;
    static constexpr int MaxMinuteCount = 10000;

    explicit SecondTicker(AppState &state, QObject *parent = nullptr);

    void tick();
    // The work of every sixtieth tick: counts the minute and asks for the schedule's check.
    void checkUploadTime();

signals:
    void hideRequested();
    void secondPassed();
    void minutePassed();

private:
    AppState &m_state;
    int m_startCount = 0; // ticks since start-up, until the window has been hidden
};
