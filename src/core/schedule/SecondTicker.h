// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

namespace korva5 {

// What happens on each tick of the one-second timer: every tick is a second of the minute; every
// sixtieth tick, counted from start-up, is a minute, at which the schedule looks at the clock.
class SecondTicker : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    void tick();

signals:
    // The sixtieth tick since the last one: before the second it ends.
    void minutePassed();
    // second: the seconds of the minute so far, 0 on the sixtieth tick.
    void secondPassed(int second);

private:
    int m_second = 0;
};

} // namespace korva5
