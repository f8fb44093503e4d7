// SPDX-License-Identifier: MIT
#include "core/state/AppState.h"

void AppState::setSettings(const Settings &settings)
{
    m_settings = settings;
    emit settingsChanged();
}

void AppState::setLanguage(const QString &language)
{
    m_language = language;
}

void AppState::setRunning(bool running)
{
    if (m_running == running)
        return;
    m_running = running;
    emit runningChanged(running);
}

void AppState::setCounters(int seconds, int minutes)
{
    if (m_seconds == seconds && m_minutes == minutes)
        return;
    m_seconds = seconds;
    m_minutes = minutes;
    emit countersChanged();
}

void AppState::setPickedDay(QDate day)
{
    if (m_pickedDay == day)
        return;
    m_pickedDay = day;
    emit pickedDayChanged(day);
}

void AppState::setFileNames(const QString &local, const QString &remote)
{
    m_localFileName = local;
    m_remoteFileName = remote;
    emit fileNamesChanged();
}
