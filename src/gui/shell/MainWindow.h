// SPDX-License-Identifier: MIT
#pragma once

#include "core/app/Station.h"
#include "gui/shell/MainControls.h"
#include "gui/shell/WindowModel.h"

#include <QWidget>

#include <chrono>

namespace korva5 {

class Captions;
class Clock;
class NotifyArea;
class RunState;

// The main window: the settings in use, the second counter, the manual upload controls and the
// transfer log. It displays what the station (the program without its windows) tells it and
// passes on what the user asks for; it holds the tray icon and the captions. A few seconds after
// its services start it hides itself into the notification area.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    // How long the window stays in sight after start-up.
    static constexpr std::chrono::milliseconds HideAfter{5000};

    // What the window needs from its surroundings.
    struct Environment
    {
        const Clock *clock = nullptr;
        NotifyArea *tray = nullptr; // the desktop's notification area; made here when not given
        // How long after startServices() the window hides itself; zero or less: it never does.
        std::chrono::milliseconds hideAfter = HideAfter;
    };

    MainWindow(Station &station, Environment environment, QWidget *parent = nullptr);

    // What the window shows first, once the settings are loaded: today's names and the captions.
    void prepare();
    // The tray icon and the run state it shows; the hiding a few seconds later. Once, after prepare().
    void startServices();
    // Whether the program is ending (Exit, or the desktop session): nothing more is started.
    bool isEnding() const { return m_unloading; }

    // Loads the settings file into the state (the labels and the transfer control follow).
    void reloadSettings();


    // Sends the file of the picked day (Manual Upload).
    void uploadPickedDay();
    // Sends yesterday's file (Yesterday Upload); the picker shows today again afterwards.
    void uploadYesterday();
    // Hides the window to the notification area (minimises it while the desktop has none).
    void hideToTray();
    // Shows the window again where it was.
    void showWindow();
    // Removes the tray icon and ends the program.
    void exitProgram();
    // Opens the settings dialog (the window takes no input meanwhile) and loads the settings
    // again when it closes, however it closes.
    void openSettings();
    // Pops up the tray menu where the mouse is.
    void popUpTrayMenu();
    // Opens the journal's last 30 days, read-only; on the newest row of fileName (the name on the
    // server) when given.
    void openHistory(const QString &fileName = {});

protected:
    // The window's own close (close box, Alt+F4, the window menu) is refused; the program ends
    // through Exit, or when the desktop session ends.
    void closeEvent(QCloseEvent *event) override;

private:
    void connectControls();
    void showSettings();
    void showCounters();
    void showFileNames();
    void showLogLine(const QString &line, int row);
    void showStatusLine();
    void showAlarm();

    Station &m_station;
    Environment m_env;
    MainControls m_c;
    WindowModel m_model;
    NotifyArea *m_tray;
    RunState *m_runState;
    Captions *m_captions;
    QString m_notified; // the file of the last notification
    bool m_unloading = false;
};

} // namespace korva5
