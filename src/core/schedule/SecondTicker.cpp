// SPDX-License-Identifier: MIT
#include "core/schedule/SecondTicker.h"

#include "core/clock/Clock.h"
#include "core/schedule/ScheduleCheck.h"
#include "core/state/AppState.h"

SecondTicker::SecondTicker(AppState &state, ScheduleCheck &schedule, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_schedule(schedule)
    , m_clock(clock)
{
}

void SecondTicker::tick()
{
    if (m_startCount < HideOnTick && ++m_startCount == HideOnTick)
        emit hideRequested();

    const int seconds = m_state.seconds() + 1;
    if (seconds <= 59) {
        m_state.setCounters(seconds, m_state.minutes());
        return;
    }
    m_state.setCounters(0, m_state.minutes());
    checkUploadTime();
}

void SecondTicker::checkUploadTime()
{
    int minutes = m_state.minutes() + 1;
    if (minutes > MaxMinuteCount)
        minutes = 0;
    m_state.setCounters(m_state.seconds(), minutes);

    const std::optional<ScheduleCheck::Match> match = m_schedule.examine(m_clock.now(), m_state.settings().times());
    if (!match)
        return;
    m_state.setCounters(m_state.seconds(), 0);
    emit uploadDue(match->day(), match->slot);
}
