// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

// What happens on each tick of the one-second timer: a few seconds after start-up the window is
// asked once to hide; every tick is a second of the minute; every sixtieth tick, counted from
// start-up, is a minute, at which the schedule looks at the clock.
class SecondTicker : public QObject
{
    Q_OBJECT

public:
    static constexpr int HideOnTick = 5;

    using QObject::QObject;

    void tick();

signals:
    void hideRequested();
    // The sixtieth tick since the last one: before the second it ends.
    void minutePassed();
    // second: the seconds of the minute so far, 0 on the sixtieth tick.
    void secondPassed(int second);

private:
    int m_startCount = 0; // ticks since start-up, until the window has been hidden
    int m_second = 0;
};
