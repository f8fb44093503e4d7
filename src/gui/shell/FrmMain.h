// SPDX-License-Identifier: MIT
#pragma once

#include "gui/shell/MainControls.h"
#include "core/schedule/ScheduleCheck.h"
#include "gui/shell/SingleInstance.h"
#include "core/settings/SysMain.h"
#include "gui/upload/TransferLog.h"

#include <QWidget>

class Captions;
class Clock;
class NotifyArea;
class RunState;
class SecondTimer;
class UploadHandlers;

// The main window: the settings in use, the second counter, the manual upload controls and the
// transfer log. It is the program's start-up object: Form_Load runs the whole start-up.
class FrmMain : public QWidget
{
    Q_OBJECT

public:
    // What the window needs from its surroundings.
    struct Environment
    {
        QString programDir;   // the folder holding the executable
        const Clock *clock = nullptr;
        NotifyArea *tray = nullptr; // the desktop's notification area; made here when not given
    };

    // How start-up ended. A result other than Loaded ends the program; a file that is there but
    // cannot be read is named on standard error with the reason, a missing one is not.
    enum class LoadResult { Loaded, AlreadyRunning, SettingsMissing, LanguageMissing, SettingsUnreadable,
                            LanguageUnreadable };
    Q_ENUM(LoadResult)

    explicit FrmMain(Environment environment, QWidget *parent = nullptr);
    ~FrmMain() override;

    LoadResult Form_Load();

    // Loads the settings file into memory, into the value labels and into the transfer control.
    void ReadParameter();

    SysMain &sysMain() { return m_sys; }
    const MainControls &controls() const { return m_c; }
    UploadHandlers &uploads() { return *m_uploads; }
    SecondTimer &secondTimer() { return *m_timer; }
    Captions &captions() { return *m_captions; }
    RunState &runState() { return *m_runState; }

    // Hides the window to the notification area (minimises it while the desktop has none).
    void cmbMin_Click();
    // Shows the window again where it was.
    void mnuShow_Click();
    // Removes the tray icon and ends the program.
    void mnuExit_Click();
    void cmbExit_Click() { mnuExit_Click(); }
    // Opens the settings dialog (the window takes no input meanwhile) and loads the settings
    // again when it closes, however it closes.
    void cmbParameter_Click();
    // A press on the tray icon: a left press pops up the tray menu, a right press switches the
    // run state; other activity does nothing.
    void trayIcon_MouseDown(int code);

protected:
    // The window's own close (close box, Alt+F4, the window menu) is refused; the program ends
    // through Exit, or when the desktop session ends.
    void closeEvent(QCloseEvent *event) override;

private:
    Environment m_env;
    MainControls m_c;
    SysMain m_sys;
    SingleInstance m_instance;
    TransferLog m_log;
    NotifyArea *m_tray;
    UploadHandlers *m_uploads;
    ScheduleCheck m_schedule;
    SecondTimer *m_timer;
    Captions *m_captions;
    RunState *m_runState = nullptr;
    bool m_unloading = false;
};
