// SPDX-License-Identifier: MIT
#include "core/schedule/SecondTicker.h"

#include "core/state/AppState.h"

SecondTicker::SecondTicker(AppState &state, QObject *parent)
    : QObject(parent)
    , m_state(state)
{
}

void SecondTicker::tick()
{
    if (m_startCount < HideOnTick && ++m_startCount == HideOnTick)
        emit hideRequested();

    const int seconds = m_state.seconds() + 1;
    if (seconds <= 59) {
        m_state.setCounters(seconds, m_state.minutes());
    } else {
        m_state.setCounters(0, m_state.minutes());
        checkUploadTime();
    }
    emit secondPassed();
}

void SecondTicker::checkUploadTime()
{
    int minutes = m_state.minutes() + 1;
    if (minutes > MaxMinuteCount)
        minutes = 0;
    m_state.setCounters(m_state.seconds(), minutes);
    // A scheduled upload that starts now sets the minute count back to 0.
    emit minutePassed();
}
