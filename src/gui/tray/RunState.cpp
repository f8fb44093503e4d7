// SPDX-License-Identifier: MIT
#include "gui/tray/RunState.h"

#include "core/state/AppState.h"
#include "gui/shell/Logging.h"
#include "gui/tray/TrayIcon.h"

#include <QAction>

RunState::RunState(AppState &state, QAction *mnuState, NotifyArea &tray, QIcon runningIcon, QIcon stoppedIcon,
                   LanguageText text, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_mnuState(mnuState)
    , m_tray(tray)
    , m_running(std::move(runningIcon))
    , m_stopped(std::move(stoppedIcon))
    , m_text(std::move(text))
{
    connect(&m_state, &AppState::runningChanged, this, &RunState::show);
}

void RunState::toggle()
{
    m_state.setRunning(!m_state.isRunning());
}

QString RunState::menuText() const
{
    return m_text(m_state.isRunning() ? QStringLiteral("Stop") : QStringLiteral("Run"));
}

void RunState::show(bool running)
{
    m_mnuState->setText(menuText());
    if (running)
        m_tray.modify(m_running, NotifyArea::tooltipText(m_text(QStringLiteral("RunStatus"))));
    else
        m_tray.modify(m_stopped, NotifyArea::tooltipText(m_text(QStringLiteral("StopStatus"))));
    qCDebug(lcShell) << "run state:" << (running ? "running" : "stopped");
}
