// SPDX-License-Identifier: MIT
#pragma once

#include "core/app/Station.h"
#include "gui/shell/MainControls.h"
#include "gui/shell/SingleInstance.h"
#include "gui/shell/WindowModel.h"

#include <QWidget>

class Captions;
class Clock;
class InstanceChannel;
class NotifyArea;
class RunState;

// The main window: the settings in use, the second counter, the manual upload controls and the
// transfer log. It displays what the station (the program without its windows) tells it and
// passes on what the user asks for; it holds the single-instance lock, the tray icon and the
// captions. load() is the whole start-up, in two parts the program runs on either side of the
// window's first showing.
class FrmMain : public QWidget
{
    Q_OBJECT

public:
    // What the window needs from its surroundings.
    struct Environment
    {
        QString programDir;   // the station folder: beside the executable, or the one an installed program has
        const Clock *clock = nullptr;
        NotifyArea *tray = nullptr; // the desktop's notification area; made here when not given
    };

    // How start-up ended. A result other than Loaded ends the program. A file that is missing or
    // cannot be read is named on standard error (with the reason), and so is why the
    // single-instance lock cannot be taken; for AlreadyRunning the caller asks the running copy
    // to show its window and says so.
    enum class LoadResult { Loaded, AlreadyRunning, SettingsMissing, LanguageMissing, SettingsUnreadable,
                            LanguageUnreadable, LockUnavailable };
    Q_ENUM(LoadResult)

    explicit FrmMain(Environment environment, QWidget *parent = nullptr);
    ~FrmMain() override;

    // prepare() and then, when it gives Loaded, startServices().
    LoadResult load();
    // What the window shows first: the single-instance lock, the settings, the names, the
    // captions. A result other than Loaded ends the program.
    LoadResult prepare();
    // What the window need not wait for: the tray icon, the channel a second start asks through,
    // the journal, and the uploads owed from an earlier run (with catch-up of the times missed
    // meanwhile). Once, after prepare().
    void startServices();

    // Loads the settings file into the state (the labels and the transfer control follow).
    void reloadSettings();

    Station &station() { return *m_station; }
    // After AlreadyRunning: whether the running copy is this user's from the same folder, and
    // so can be asked to show its window.
    bool runningCopyCanBeAsked() const { return m_instance.heldByThisUser(); }
    AppState &state() { return m_station->state(); }
    const MainControls &controls() const { return m_c; }
    TransferQueue &transferControl() { return m_station->transferQueue(); }
    TransferLog &transferLog() { return m_station->log(); }
    Uploader &uploader() { return m_station->uploader(); }
    Delivery &delivery() { return m_station->delivery(); }
    Journal &journal() { return m_station->journal(); }
    SecondTicker &ticker() { return m_station->ticker(); }
    Captions &captions() { return *m_captions; }
    RunState &runState() { return *m_runState; }

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
    // The start-up check of the two files, as a start-up result; Loaded when both can be read.
    LoadResult checkFiles() const;
    void connectControls();
    void showSettings();
    void showCounters();
    void showFileNames();
    void showLogLine(const QString &line, int row);
    void showStatusLine();
    void showAlarm();

    Environment m_env;
    MainControls m_c;
    // Released with the members, after ~FrmMain() has ended the request channel and the station
    // (its transfers stopped, its journal closed): a copy started the moment the lock is free
    // meets nothing of this one.
    SingleInstance m_instance;
    Station *m_station; // a child, so that its transfer control is found as "inetFtp"
    WindowModel m_model;
    NotifyArea *m_tray;
    RunState *m_runState;
    Captions *m_captions;
    InstanceChannel *m_channel = nullptr;
    QString m_notified; // the file of the last notification
    bool m_unloading = false;
    bool m_servicesStarted = false;
};
