// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QObject>

#include <functional>

class NotifyArea;
class QAction;

// The run state, running or stopped, switched from the tray menu item mnuState or by a right
// press on the tray icon. It is an indication only: the schedule and the uploads run the same in
// both states. It lives in the item's tag: "1" stopped, "0" running; every start is stopped.
//
// The item names the other state (the text of key Run while stopped, of Stop while running), and
// the tray shows the state: the window's icon and the text of RunStatus while running, the
// picture of picDisable and the text of StopStatus while stopped.
class RunState : public QObject
{
    Q_OBJECT

public:
    using LanguageText = std::function<QString(const QString &key)>;

    RunState(QAction *mnuState, NotifyArea &tray, QIcon runningIcon, QIcon stoppedIcon, LanguageText text,
             QObject *parent = nullptr);

    void mnuState_Click();

    static bool isStopped(const QAction *mnuState);

private:
    QAction *m_mnuState;
    NotifyArea &m_tray;
    QIcon m_running;
    QIcon m_stopped;
    LanguageText m_text;
};
