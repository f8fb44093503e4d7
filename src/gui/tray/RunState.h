// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QObject>
#include <QStringList>

#include <functional>

class QAction;

namespace korva5 {

class AppState;
class NotifyArea;

// Shows the run state of the program's state, running or stopped: the tray menu item mnuState
// names the other state (the text of key Run while stopped, of Stop while running), and the tray
// shows the state (the window's icon and the text of RunStatus while running, the stopped picture
// and the text of StopStatus while stopped). The state is an indication only: the schedule and
// the uploads run the same in both.
class RunState : public QObject
{
    Q_OBJECT

public:
    using LanguageText = std::function<QString(const QString &key)>;

    // setRunning asks for the other state; the state shown is what state says.
    RunState(const AppState &state, std::function<void(bool running)> setRunning, QAction *mnuState, NotifyArea &tray, QIcon runningIcon, QIcon stoppedIcon,
             LanguageText text, QObject *parent = nullptr);

    // Switches to the other state (the menu item, a right click on the icon).
    void toggle();
    // The menu item's text for the state in force.
    QString menuText() const;
    // What is owed, by file name on the server: while anything is, the icon of either state
    // carries a red mark and the tooltip names the files.
    void setOwed(const QStringList &files);
    // The icon was just added, with the window's image and this tooltip.
    void showStarted(const QString &tooltip);

private:
    void show(bool running);
    // The image for the state shown, with the alarm's mark while there is one.
    const QIcon &image(bool running);
    // The tooltip for the state shown and what is owed.
    QString tooltip() const;

    const AppState &m_state;
    std::function<void(bool running)> m_setRunning;
    QAction *m_mnuState;
    NotifyArea &m_tray;
    QIcon m_running;
    QIcon m_stopped;
    QIcon m_runningAlarm; // painted when first needed: most runs never show it
    QIcon m_stoppedAlarm;
    LanguageText m_text;
    bool m_alarm = false;
    bool m_showsRunningImage = true;
    bool m_started = false; // the icon is there to change
    QStringList m_owed;
    QString m_tooltip; // as the icon shows it
};

} // namespace korva5
