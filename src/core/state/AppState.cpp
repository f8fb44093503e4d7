// SPDX-License-Identifier: MIT
#include "core/state/AppState.h"

namespace korva5 {

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

} // namespace korva5
