// SPDX-License-Identifier: MIT
#pragma once

#include <array>

class QAction;
class QDateEdit;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QWidget;

namespace korva5 {

// Every control of the main window; each carries the objectName users' documentation gives it.
// The controls are children of the window (the menu is owned by it); this only points at them.
struct MainControls
{
    // The buttons by what they do; their objectNames (cmbMin, cmbExit, cmbParameter, cmbHistory,
    // cmbEnglish, cmbChina, cmbTaiwan) are how people, scripts and tests find them.
    QPushButton *minimizeButton = nullptr;
    QPushButton *exitButton = nullptr;
    QPushButton *settingsButton = nullptr;
    QPushButton *historyButton = nullptr;
    QPushButton *englishButton = nullptr;
    QPushButton *chinaButton = nullptr;
    QPushButton *taiwanButton = nullptr;
    QLabel *picDisable = nullptr; // the tray image of the stopped state, never shown itself
    QListWidget *lstList = nullptr;
    QLabel *lblStatus = nullptr; // how delivery stands, under the log
    QProgressBar *prgUpload = nullptr; // under the log, shown only while a long upload runs

    QGroupBox *frmUp = nullptr;
    QLabel *lblUpServer = nullptr;
    QLabel *lblServer = nullptr;
    QLabel *lblUpPath = nullptr;
    QLabel *lblPath = nullptr;
    QLabel *lblLocalPath = nullptr;
    QLabel *lblLocal = nullptr;
    QLabel *lblLocalNo = nullptr;
    QLabel *lblNo = nullptr;
    QLabel *lblUpTime = nullptr;
    std::array<QLabel *, 10> lblTime{}; // lblTime[0] is lblTime1
    QLabel *lblUpDate = nullptr;
    QLabel *lblLocalFileName = nullptr;
    QLabel *lblLocalFile = nullptr;
    QLabel *lblUpFileName = nullptr;
    QLabel *lblUpFile = nullptr;
    QLabel *lblCountSec = nullptr;
    QLabel *lblSec = nullptr;
    QLabel *lblCount = nullptr;

    QGroupBox *frmUpLoad = nullptr;
    QGroupBox *frmDate = nullptr;
    QDateEdit *dtUp = nullptr;
    QPushButton *cmdUpLoad = nullptr;
    QPushButton *cmdUpLoad2 = nullptr;

    QMenu *mnuMain = nullptr; // the tray icon's pop-up menu
    QAction *mnuState = nullptr;
    QAction *mnuLine = nullptr;
    QAction *mnuShow = nullptr;
    QAction *mnuExit = nullptr;
};

// Creates the controls on form with their design-time texts, colours, fonts and tab order.
MainControls buildMainControls(QWidget *form);

} // namespace korva5
