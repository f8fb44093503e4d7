// SPDX-License-Identifier: MIT
#include "gui/shell/MainWindow.h"

#include "core/clock/Clock.h"
#include "core/language/LanguageText.h"
#include "core/settings/ProfileFile.h"
#include "core/transfer/UploadNames.h"
#include "gui/dialog/HistoryWindow.h"
#include "gui/dialog/SettingsDialog.h"
#include "gui/shell/Captions.h"
#include "gui/shell/Logging.h"
#include "gui/shell/ProgressView.h"
#include "gui/tray/RunState.h"
#include "gui/tray/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDateEdit>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <utility>

namespace korva5 {

namespace {

// A counter as the window shows it: "0" after each roll-over, " 1", " 2", ... in between.
QString countText(int count)
{
    return count == 0 ? QStringLiteral("0") : u' ' + QString::number(count);
}

} // namespace

MainWindow::MainWindow(Station &station, Environment environment, QWidget *parent)
    : QWidget(parent)
    , m_station(station)
    , m_env(std::move(environment))
    , m_c(buildMainControls(this))
    , m_tray(m_env.tray ? m_env.tray : new SystemNotifyArea(this))
{
    Q_ASSERT(m_env.clock);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("KORVA5 Records Upload System"));
    setWindowIcon(QIcon(QStringLiteral(":/images/korva5.png")));
    m_runState = new RunState(m_station.state(), [this](bool running) { m_station.setRunning(running); }, m_c.mnuState, *m_tray, windowIcon(),
                              QIcon(QStringLiteral(":/images/disabled.png")),
                              [this](const QString &key) { return m_station.text(key); }, this);
    m_captions = new Captions(this, m_c, m_station, *m_runState, this);
    resize(696, 467);
    connectControls();
}

void MainWindow::connectControls()
{
    // What the station and the window's own model hold, the window shows.
    const AppState &state = m_station.state();
    connect(&state, &AppState::settingsChanged, this, &MainWindow::showSettings);
    connect(&m_model, &WindowModel::countersChanged, this, &MainWindow::showCounters);
    connect(&m_model, &WindowModel::fileNamesChanged, this, &MainWindow::showFileNames);
    connect(&m_model, &WindowModel::pickedDayChanged, m_c.dtUp, &QDateEdit::setDate);
    connect(m_c.dtUp, &QDateEdit::dateChanged, &m_model, &WindowModel::setPickedDay);
    connect(&m_station, &Station::logLineInserted, this, &MainWindow::showLogLine);
    connect(&m_station, &Station::logCleared, m_c.lstList, &QListWidget::clear);
    connect(&m_station, &Station::fileNamesChosen, &m_model, &WindowModel::setFileNames);
    connect(&m_station, &Station::timeFired, &m_model, [this](int, QDate day) { m_model.timeFired(day); });
    connect(&m_station, &Station::minutePassed, &m_model, &WindowModel::minutePassed);
    connect(&m_station, &Station::secondPassed, &m_model, &WindowModel::secondPassed);
    new ProgressView(m_station, m_c.prgUpload, [this](const QString &key) { return m_station.text(key); },
                     this);

    connect(m_c.cmdUpLoad, &QPushButton::clicked, this, &MainWindow::uploadPickedDay);
    connect(m_c.cmdUpLoad2, &QPushButton::clicked, this, &MainWindow::uploadYesterday);
    connect(m_c.minimizeButton, &QPushButton::clicked, this, &MainWindow::hideToTray);
    connect(m_c.exitButton, &QPushButton::clicked, this, &MainWindow::exitProgram);
    connect(m_c.settingsButton, &QPushButton::clicked, this, &MainWindow::openSettings);
    connect(m_c.historyButton, &QPushButton::clicked, this, [this] { openHistory(); });

    // How delivery stands: the status line, and the alarm in the tray while something is owed.
    connect(&m_station, &Station::statusChanged, this, &MainWindow::showStatusLine);
    connect(&m_station, &Station::alarmChanged, this, &MainWindow::showAlarm);
    connect(m_captions, &Captions::shown, this, &MainWindow::showStatusLine);
    connect(m_captions, &Captions::shown, this, &MainWindow::showAlarm);
    connect(&m_station, &Station::notification, this,
            [this](const QString &title, const QString &text, bool good, const QString &remotePath) {
                m_notified = remotePath;
                m_tray->showMessage(title, text, good ? NotifyArea::Tone::Good : NotifyArea::Tone::Problem);
            });
    // A click on a notification asks what became of that file.
    connect(m_tray, &NotifyArea::messageClicked, this, [this] {
        showWindow();
        openHistory(m_notified.section(u'/', -1));
    });
    connect(m_c.englishButton, &QPushButton::clicked, this, [this] { m_captions->switchTo(QStringLiteral("English")); });
    connect(m_c.chinaButton, &QPushButton::clicked, this, [this] { m_captions->switchTo(QStringLiteral("China")); });
    connect(m_c.taiwanButton, &QPushButton::clicked, this, [this] { m_captions->switchTo(QStringLiteral("Taiwan")); });
    connect(m_c.mnuState, &QAction::triggered, m_runState, &RunState::toggle);
    connect(m_c.mnuShow, &QAction::triggered, this, &MainWindow::showWindow);
    connect(m_c.mnuExit, &QAction::triggered, this, &MainWindow::exitProgram);
    connect(m_tray, &NotifyArea::menuRequested, this, &MainWindow::popUpTrayMenu);
    connect(m_tray, &NotifyArea::runToggleRequested, m_runState, &RunState::toggle);
    // Esc answers like the Minimized button.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &MainWindow::hideToTray);
    // When the desktop session ends, the window lets itself be closed.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_unloading = true; });
}

void MainWindow::prepare()
{
    const QDate today = m_env.clock->today();
    m_model.setPickedDay(today);
    // Without a station number there is no name on the server yet ("20261207." is none).
    const QString stationNo = ProfileFile::trimmedBlanks(m_station.state().settings().FtpNo);
    m_model.setFileNames(UploadNames::localFileName(today),
                         stationNo.isEmpty() ? QString() : UploadNames::remoteFileName(today, stationNo));
    m_station.clearLog();
    m_captions->showLanguage();
}

void MainWindow::startServices()
{
    const QString tooltip = NotifyArea::tooltipText(m_station.text(QStringLiteral("RunStatus")));
    m_tray->add(windowIcon(), tooltip);
    m_runState->showStarted(tooltip);
    // A station set up from the template has nothing to do yet: its window stays in sight,
    // with the status line saying what is missing, until the settings are complete.
    if (m_env.hideAfter > std::chrono::milliseconds::zero()) {
        QTimer::singleShot(m_env.hideAfter, this, [this] {
            if (m_station.state().settings().isConfigured())
                hideToTray();
        });
    }
}

void MainWindow::reloadSettings()
{
    m_station.reloadSettings();
}

void MainWindow::showSettings()
{
    const Settings &settings = m_station.state().settings();
    for (const SettingField &row : SettingsTable) {
        if (row.windowLabel)
            findChild<QLabel *>(QLatin1StringView(row.windowLabel))->setText(ProfileFile::trimmedBlanks(settings.*row.field));
    }
}

void MainWindow::showCounters()
{
    m_c.lblSec->setText(countText(m_model.seconds()));
    m_c.lblCount->setText(countText(m_model.minutes()));
}

void MainWindow::showFileNames()
{
    m_c.lblLocalFile->setText(m_model.localFileName());
    m_c.lblUpFile->setText(m_model.remoteFileName());
}

void MainWindow::showLogLine(const QString &line, int row)
{
    m_c.lstList->insertItem(std::min(row, m_c.lstList->count()), line);
    while (m_c.lstList->count() > TransferLog::MaxLines)
        delete m_c.lstList->takeItem(m_c.lstList->count() - 1);
}

void MainWindow::uploadPickedDay()
{
    m_station.sendManual(m_model.pickedDay());
}

void MainWindow::uploadYesterday()
{
    m_station.sendYesterday();
    m_model.setPickedDay(m_env.clock->today());
}

void MainWindow::hideToTray()
{
    if (m_tray->isAvailable()) {
        hide();
        return;
    }
    // Without a notification area a hidden window could not be reached again.
    qCInfo(lcShell) << "no notification area: minimising the window instead of hiding it";
    showMinimized();
}

void MainWindow::openSettings()
{
    // The dialog shows the settings in use; when the file was edited by hand since they were
    // read, those are the file's values, or Ok would write the old ones back over the edit.
    if (m_station.settingsChangedSinceLoad())
        reloadSettings();
    auto *dialog = new SettingsDialog(m_station, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, &MainWindow::reloadSettings);
    dialog->load();
    dialog->open(); // window-modal: the timer, the transfers and the tray icon go on
}

void MainWindow::showWindow()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MainWindow::exitProgram()
{
    m_tray->remove();
    m_unloading = true;
    close();
    QCoreApplication::quit();
}

void MainWindow::showStatusLine()
{
    const QString line = m_station.statusLine();
    m_c.lblStatus->setText(line);
    m_c.lblStatus->setToolTip(line);
}

void MainWindow::showAlarm()
{
    const bool alarm = m_station.isAlarming();
    m_runState->setOwed(m_station.owedFiles());
    // Without a notification area the minimised window's title carries the same sign.
    QString title = titleText(m_station.text(QStringLiteral("Title"))) + Captions::VersionSuffix;
    if (alarm && !m_tray->isAvailable())
        title += u" - " + titleText(m_station.text(QStringLiteral("AlarmTitle")));
    setWindowTitle(title);
}

void MainWindow::openHistory(const QString &fileName)
{
    const QDateTime now = m_env.clock->now();
    auto *history = new HistoryWindow(m_station.history(now.addDays(-HistoryWindow::Days)),
                                   [this](const QString &key) { return m_station.text(key); }, this);
    history->setAttribute(Qt::WA_DeleteOnClose);
    history->open();
    if (!fileName.isEmpty())
        history->showFile(fileName);
    // The operator has the failure in front of them now: the status line need not keep it.
    m_station.acknowledgeFailedByHand();
}

void MainWindow::popUpTrayMenu()
{
    qCDebug(lcShell).noquote() << "tray menu:" << m_c.mnuState->text() << '|' << m_c.mnuShow->text() << '|'
                               << m_c.mnuExit->text();
    m_c.mnuMain->popup(QCursor::pos());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_unloading) {
        event->accept();
        QCoreApplication::quit();
        return;
    }
    event->ignore();
}

} // namespace korva5
