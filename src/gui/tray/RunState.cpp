// SPDX-License-Identifier: MIT
#include "gui/tray/RunState.h"

#include "core/state/AppState.h"
#include "gui/tray/TrayLogging.h"
#include "gui/tray/TrayIcon.h"
#include "gui/tray/TrayTooltip.h"
#include "gui/tray/WarningIcon.h"

#include <QAction>

namespace korva5 {

RunState::RunState(const AppState &state, std::function<void(bool running)> setRunning, QAction *mnuState,
                   NotifyArea &tray, QIcon runningIcon, QIcon stoppedIcon, LanguageText text, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_setRunning(std::move(setRunning))
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
    m_setRunning(!m_state.isRunning());
}

QString RunState::menuText() const
{
    return m_text(m_state.isRunning() ? QStringLiteral("Stop") : QStringLiteral("Run"));
}

void RunState::setOwed(const QStringList &files)
{
    // A switch of language leaves the tooltip as it is until the next change, as it does the
    // run state's text: the icon changes only with what is owed.
    if (files == m_owed)
        return;
    m_owed = files;
    m_alarm = !files.isEmpty();
    if (!m_started)
        return;
    // The image the icon shows now gets (or keeps, or loses) its mark, the tooltip its list.
    m_tooltip = tooltip();
    m_tray.modify(image(m_showsRunningImage), m_tooltip);
}

QString RunState::tooltip() const
{
    const QString status = m_text(m_showsRunningImage ? QStringLiteral("RunStatus") : QStringLiteral("StopStatus"));
    return trayTooltip(status, m_owed, m_text(QStringLiteral("TrayOwed")));
}

const QIcon &RunState::image(bool running)
{
    if (!m_alarm)
        return running ? m_running : m_stopped;
    QIcon &marked = running ? m_runningAlarm : m_stoppedAlarm;
    if (marked.isNull())
        marked = withWarningMark(running ? m_running : m_stopped);
    return marked;
}

void RunState::showStarted(const QString &tooltip)
{
    // The tray starts with the window's image, whatever the state.
    m_showsRunningImage = true;
    m_tooltip = tooltip;
    m_started = true;
}

void RunState::show(bool running)
{
    m_mnuState->setText(menuText());
    m_showsRunningImage = running;
    m_tooltip = tooltip();
    m_tray.modify(image(running), m_tooltip);
    qCDebug(lcTray) << "run state:" << (running ? "running" : "stopped");
}

} // namespace korva5
