// SPDX-License-Identifier: MIT
#include "gui/tray/RunState.h"

#include "gui/tray/TrayIcon.h"
#include "core/upload/UploadLogging.h"

#include <QAction>

namespace {

const QString Stopped = QStringLiteral("1");
const QString Running = QStringLiteral("0");

} // namespace

RunState::RunState(QAction *mnuState, NotifyArea &tray, QIcon runningIcon, QIcon stoppedIcon, LanguageText text,
                   QObject *parent)
    : QObject(parent)
    , m_mnuState(mnuState)
    , m_tray(tray)
    , m_running(std::move(runningIcon))
    , m_stopped(std::move(stoppedIcon))
    , m_text(std::move(text))
{
}

bool RunState::isStopped(const QAction *mnuState)
{
    return mnuState->data().toString().trimmed().toInt() == 1;
}

void RunState::mnuState_Click()
{
    const bool running = m_mnuState->data().toString().trimmed().toInt() == 0;
    if (running) {
        m_mnuState->setData(Stopped);
        m_mnuState->setText(m_text(QStringLiteral("Run")));
        TrayIcon::TrayModify(m_tray, m_stopped, m_text(QStringLiteral("StopStatus")));
    } else {
        m_mnuState->setData(Running);
        m_mnuState->setText(m_text(QStringLiteral("Stop")));
        TrayIcon::TrayModify(m_tray, m_running, m_text(QStringLiteral("RunStatus")));
    }
    qCDebug(lcUpload) << "run state:" << (running ? "stopped" : "running");
}
