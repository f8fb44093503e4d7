// SPDX-License-Identifier: MIT
#pragma once

#include "MainControls.h"
#include "ScheduleCheck.h"
#include "SingleInstance.h"
#include "SysMain.h"
#include "TransferLog.h"

#include <QWidget>

class Clock;
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
    };

    // How start-up ended. A result other than Loaded ends the program silently.
    enum class LoadResult { Loaded, AlreadyRunning, SettingsMissing, LanguageMissing };
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

    // Hides the window to the notification area.
    void cmbMin_Click();

private:
    Environment m_env;
    MainControls m_c;
    SysMain m_sys;
    SingleInstance m_instance;
    TransferLog m_log;
    UploadHandlers *m_uploads;
    ScheduleCheck m_schedule;
    SecondTimer *m_timer;
};
