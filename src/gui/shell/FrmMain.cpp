// SPDX-License-Identifier: MIT
#include "gui/shell/FrmMain.h"

#include "core/clock/Clock.h"
#include "core/delivery/Delivery.h"
#include "core/delivery/StatusLine.h"
#include "core/upload/CurlLibrary.h"
#include "core/upload/FailureReason.h"
#include "gui/dialog/FrmHistory.h"
#include "core/schedule/SecondTicker.h"
#include "core/settings/SysMain.h"
#include "core/upload/InetFtp.h"
#include "core/upload/UploadNames.h"
#include "core/upload/Uploader.h"
#include "gui/dialog/FrmParameter.h"
#include "gui/language/Captions.h"
#include "gui/shell/InstanceChannel.h"
#include "gui/shell/Logging.h"
#include "gui/shell/ProgressView.h"
#include "gui/tray/RunState.h"
#include "gui/tray/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <utility>

namespace {

// The name of the ordinary file at path, or the empty text when there is none: a directory,
// a hidden file or a dangling link of that name does not count.
QString ordinaryFileName(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden() ? info.fileName() : QString();
}

// A counter as the window shows it: "0" after each roll-over, " 1", " 2", ... in between.
QString countText(int count)
{
    return count == 0 ? QStringLiteral("0") : u' ' + QString::number(count);
}

// Whether there is a file to read at path, and if not, says so on standard error: the program
// ends at once and shows nothing, so this line is all a user or a service manager gets.
bool isPresent(const QString &path)
{
    if (!ordinaryFileName(path).isEmpty())
        return true;
    qCCritical(lcShell).noquote() << "cannot find" << QDir::toNativeSeparators(path);
    return false;
}

// Whether the file at path can be read, and if not, says why on standard error. Without this
// check an unreadable file reads as an empty one: a program with no settings and no captions
// that never uploads and never says so.
bool isReadable(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return true;
    qCCritical(lcShell).noquote() << "cannot read" << QDir::toNativeSeparators(path) + u':' << file.errorString();
    return false;
}

} // namespace

FrmMain::FrmMain(Environment environment, QWidget *parent)
    : QWidget(parent)
    , m_env(std::move(environment))
    , m_c(buildMainControls(this))
    , m_tray(m_env.tray ? m_env.tray : new SystemNotifyArea(this))
    , m_ftp(new InetFtp(this))
    , m_uploader(new Uploader(m_state, m_log, *m_ftp, *m_env.clock, this))
    , m_delivery(new Delivery(m_state, *m_uploader, *m_ftp, m_log, m_journal, *m_env.clock, this))
    , m_ticker(new SecondTicker(m_state, this))
{
    Q_ASSERT(m_env.clock);
    setObjectName(QStringLiteral("frmMain"));
    m_ftp->setObjectName(QStringLiteral("inetFtp"));
    setWindowTitle(QStringLiteral("KORVA5 Records Upload System"));
    setWindowIcon(QIcon(QStringLiteral(":/images/korva5.png")));
    m_runState = new RunState(m_state, m_c.mnuState, *m_tray, windowIcon(), QIcon(QStringLiteral(":/images/disabled.png")),
                              [this](const QString &key) { return languageText(m_state, key); }, this);
    m_captions = new Captions(this, m_c, m_state, m_store, m_log, *m_runState, this);
    resize(696, 467);
    connectControls();
    m_c.tmrSec->start();
}

FrmMain::~FrmMain()
{
    // The lock goes with the members, and QWidget deletes the children only after them. A copy
    // started the moment the lock is free makes its request folder where this copy's is and may
    // send the same file: this copy's channel (which removes that folder) and its transfer control
    // (which waits for the transfer under way) have to be gone by then.
    delete m_channel;
    delete std::exchange(m_ftp, nullptr);
}

void FrmMain::connectControls()
{
    // What the state holds, the window shows.
    connect(&m_state, &AppState::settingsChanged, this, &FrmMain::showSettings);
    connect(&m_state, &AppState::countersChanged, this, &FrmMain::showCounters);
    connect(&m_state, &AppState::fileNamesChanged, this, &FrmMain::showFileNames);
    connect(&m_state, &AppState::pickedDayChanged, m_c.dtUp, &QDateEdit::setDate);
    connect(m_c.dtUp, &QDateEdit::dateChanged, &m_state, &AppState::setPickedDay);
    connect(&m_log, &TransferLog::inserted, this, &FrmMain::showLogLine);
    connect(&m_log, &TransferLog::cleared, m_c.lstList, &QListWidget::clear);

    connect(m_ftp, &InetFtp::StateChanged, m_uploader, &Uploader::logState);
    new ProgressView(*m_ftp, m_c.prgUpload, [this] { return languageText(m_state, QStringLiteral("TimeLeft")); }, this);
    connect(m_ticker, &SecondTicker::hideRequested, this, &FrmMain::hideToTray);
    connect(m_ticker, &SecondTicker::minutePassed, m_delivery, &Delivery::checkMinute);
    connect(m_ticker, &SecondTicker::secondPassed, m_delivery, &Delivery::checkRetries);
    connect(&m_journal, &Journal::notice, &m_log, &TransferLog::insertTop);
    connect(m_c.tmrSec, &QTimer::timeout, m_ticker, &SecondTicker::tick);

    connect(m_c.cmdUpLoad, &QPushButton::clicked, this, &FrmMain::uploadPickedDay);
    connect(m_c.cmdUpLoad2, &QPushButton::clicked, this, &FrmMain::uploadYesterday);
    connect(m_c.cmbMin, &QPushButton::clicked, this, &FrmMain::hideToTray);
    connect(m_c.cmbExit, &QPushButton::clicked, this, &FrmMain::exitProgram);
    connect(m_c.cmbParameter, &QPushButton::clicked, this, &FrmMain::openSettings);
    connect(m_c.cmbHistory, &QPushButton::clicked, this, &FrmMain::openHistory);

    // How delivery stands: the status line, and the alarm in the tray while something is owed.
    connect(m_delivery, &Delivery::progressed, this, &FrmMain::showStatusLine);
    connect(m_delivery, &Delivery::owedChanged, this, &FrmMain::showStatusLine);
    connect(m_delivery, &Delivery::owedChanged, this, &FrmMain::showAlarm);
    connect(m_ticker, &SecondTicker::minutePassed, this, &FrmMain::showStatusLine);
    connect(&m_state, &AppState::settingsChanged, this, &FrmMain::showStatusLine);
    connect(m_captions, &Captions::shown, this, &FrmMain::showStatusLine);
    connect(m_captions, &Captions::shown, this, &FrmMain::showAlarm);
    connect(m_delivery, &Delivery::deliveryFailed, this, [this](const Ledger::Owed &owed) {
        notify(QStringLiteral("AlarmFailed"), owed.remotePath, owed.reason, owed.nextAttempt);
    });
    connect(m_delivery, &Delivery::gaveUp, this, [this](const Ledger::Owed &owed) {
        notify(QStringLiteral("AlarmGivenUp"), owed.remotePath, owed.reason);
    });
    connect(m_delivery, &Delivery::deliveredAfterAll, this, [this](const QString &remotePath) {
        notify(QStringLiteral("AlarmDelivered"), remotePath);
    });
    connect(m_c.cmbEnglish, &QPushButton::clicked, this, [this] { m_captions->switchTo(QStringLiteral("English")); });
    connect(m_c.cmbChina, &QPushButton::clicked, this, [this] { m_captions->switchTo(QStringLiteral("China")); });
    connect(m_c.cmbTaiwan, &QPushButton::clicked, this, [this] { m_captions->switchTo(QStringLiteral("Taiwan")); });
    connect(m_c.mnuState, &QAction::triggered, m_runState, &RunState::toggle);
    connect(m_c.mnuShow, &QAction::triggered, this, &FrmMain::showWindow);
    connect(m_c.mnuExit, &QAction::triggered, this, &FrmMain::exitProgram);
    connect(m_tray, &NotifyArea::menuRequested, this, &FrmMain::popUpTrayMenu);
    connect(m_tray, &NotifyArea::runToggleRequested, m_runState, &RunState::toggle);
    // Esc answers like the Minimized button.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &FrmMain::hideToTray);
    // When the desktop session ends, the window lets itself be closed.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_unloading = true; });
}

FrmMain::LoadResult FrmMain::load()
{
    const LoadResult result = prepare();
    if (result == LoadResult::Loaded)
        startServices();
    return result;
}

FrmMain::LoadResult FrmMain::prepare()
{
    switch (m_instance.acquire(m_env.programDir)) {
    case SingleInstance::Result::Locked:
        break;
    case SingleInstance::Result::HeldByAnotherCopy:
        return LoadResult::AlreadyRunning;
    case SingleInstance::Result::Unavailable:
        return LoadResult::LockUnavailable;
    }
    m_state.programDir = SysMain::AddBackslash(m_env.programDir);
    m_state.iniFile = SysMain::Trim(m_state.programDir) + u"TALLYPORT.ini";
    if (!isPresent(m_state.iniFile))
        return LoadResult::SettingsMissing;
    m_state.languageFile = SysMain::Trim(m_state.programDir) + u"Language.txt";
    if (!isPresent(m_state.languageFile))
        return LoadResult::LanguageMissing;
    if (!isReadable(m_state.iniFile))
        return LoadResult::SettingsUnreadable;
    if (!isReadable(m_state.languageFile))
        return LoadResult::LanguageUnreadable;

    m_store.setFile(m_state.iniFile);
    m_state.setLanguage(m_store.language());
    reloadSettings();

    const QDate today = m_env.clock->today();
    m_state.setPickedDay(today);
    m_state.setFileNames(UploadNames::localFileName(today), UploadNames::remoteFileName(today, m_state.settings().FtpNo));
    m_log.clear();

    m_captions->showLanguage();
    qCInfo(lcShell).noquote() << "started in" << m_state.programDir;
    return LoadResult::Loaded;
}

void FrmMain::startServices()
{
    // Not after an ending that came first (a signal right at start), and not twice.
    if (m_unloading || m_servicesStarted)
        return;
    m_servicesStarted = true;
    reportCurlProblem();
    // Only the lock's holder watches the request folder, so whatever lies there is its to answer.
    // A second start waits for the folder to be there.
    m_channel = new InstanceChannel(this);
    connect(m_channel, &InstanceChannel::showRequested, this, &FrmMain::showWindow);
    m_channel->listen(m_env.programDir, m_instance.folder());
    const QString tooltip = NotifyArea::tooltipText(languageText(m_state, QStringLiteral("RunStatus")));
    m_tray->add(windowIcon(), tooltip);
    m_runState->showStarted(tooltip);
    // What an earlier run left owed, and what came due while no copy ran, goes out now.
    m_journal.open(m_env.programDir, m_env.clock->now());
    m_delivery->start();
}

void FrmMain::reloadSettings()
{
    m_state.setSettings(m_store.load());
}

void FrmMain::showSettings()
{
    const Settings &settings = m_state.settings();
    for (const SettingField &row : SettingsTable) {
        if (row.windowLabel)
            findChild<QLabel *>(QLatin1StringView(row.windowLabel))->setText(SysMain::Trim(settings.*row.field));
    }
    m_ftp->setServerAddress(SysMain::Trim(settings.FtpServer));
    m_ftp->setUserName(SysMain::Trim(settings.FtpUserName));
    m_ftp->setPassword(SysMain::Trim(settings.FtpPassword));
    m_ftp->setTemporaryName(SysMain::Trim(settings.FtpTempName) != u"0");
}

void FrmMain::showCounters()
{
    m_c.lblSec->setText(countText(m_state.seconds()));
    m_c.lblCount->setText(countText(m_state.minutes()));
}

void FrmMain::showFileNames()
{
    m_c.lblLocalFile->setText(m_state.localFileName());
    m_c.lblUpFile->setText(m_state.remoteFileName());
}

void FrmMain::showLogLine(const QString &line, int row)
{
    m_c.lstList->insertItem(std::min(row, m_c.lstList->count()), line);
    while (m_c.lstList->count() > TransferLog::MaxLines)
        delete m_c.lstList->takeItem(m_c.lstList->count() - 1);
}

void FrmMain::uploadPickedDay()
{
    m_delivery->sendManual(m_state.pickedDay());
}

void FrmMain::uploadYesterday()
{
    const QDate today = m_env.clock->today();
    m_delivery->sendYesterday(today.addDays(-1));
    m_state.setPickedDay(today);
}

void FrmMain::hideToTray()
{
    if (m_tray->isAvailable()) {
        hide();
        return;
    }
    // Without a notification area a hidden window could not be reached again.
    qCInfo(lcShell) << "no notification area: minimising the window instead of hiding it";
    showMinimized();
}

void FrmMain::openSettings()
{
    // The dialog shows the settings in use; when the file was edited by hand since they were
    // read, those are the file's values, or Ok would write the old ones back over the edit.
    if (m_store.changedSinceLoad())
        reloadSettings();
    auto *dialog = new FrmParameter(m_state, m_store, m_log, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, &FrmMain::reloadSettings);
    dialog->load();
    dialog->open(); // window-modal: the timer, the transfers and the tray icon go on
}

void FrmMain::showWindow()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void FrmMain::exitProgram()
{
    m_tray->remove();
    m_unloading = true;
    close();
    QCoreApplication::quit();
}

void FrmMain::showStatusLine()
{
    StatusLine::Facts facts;
    if (const std::optional<UploadRecord> &last = m_delivery->lastDelivered()) {
        facts.lastFile = last->remotePath.section(u'/', -1);
        facts.lastTime = last->startedAt.isValid() ? last->startedAt : last->askedAt;
        facts.lastBytes = last->bytes;
    }
    const QDateTime now = m_env.clock->now();
    facts.next = StatusLine::nextScheduled(now, m_state.settings().times());
    facts.waiting = m_delivery->waitingCount();
    m_c.lblStatus->setText(StatusLine::text(facts, now, [this](const QString &key) { return languageText(m_state, key); }));
}

void FrmMain::showAlarm()
{
    const bool alarm = m_delivery->isAlarming();
    m_runState->setAlarm(alarm);
    // Without a notification area the minimised window's title carries the same sign.
    QString title = titleText(languageText(m_state, QStringLiteral("Title"))) + Captions::VersionSuffix;
    if (alarm && !m_tray->isAvailable())
        title += u" - " + titleText(languageText(m_state, QStringLiteral("AlarmTitle")));
    setWindowTitle(title);
}

void FrmMain::notify(const QString &key, const QString &remotePath, const QString &reason, const QDateTime &next)
{
    QString text = languageText(m_state, key).arg(remotePath.section(u'/', -1));
    if (text.contains(QStringLiteral("%2"))) {
        QString why = m_delivery->shortReason(remotePath, reason);
        while (why.endsWith(u'.'))
            why.chop(1); // the sentence around it ends itself
        text = text.arg(why);
    }
    if (text.contains(QStringLiteral("%3")))
        text = text.arg(next.toString(QStringLiteral("HH:mm")));
    m_tray->showMessage(titleText(languageText(m_state, QStringLiteral("Title"))), text);
    // Also where a journal or a log reader sees it: the desktop may have no one to show it to.
    qCInfo(lcShell).noquote() << "notification:" << text;
}

void FrmMain::openHistory()
{
    const QDateTime now = m_env.clock->now();
    auto *history = new FrmHistory(m_journal.rowsSince(now.addDays(-FrmHistory::Days)),
                                   [this](const QString &key) { return languageText(m_state, key); }, this);
    history->setAttribute(Qt::WA_DeleteOnClose);
    history->open();
}

void FrmMain::popUpTrayMenu()
{
    qCDebug(lcShell).noquote() << "tray menu:" << m_c.mnuState->text() << '|' << m_c.mnuShow->text() << '|'
                               << m_c.mnuExit->text();
    m_c.mnuMain->popup(QCursor::pos());
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    if (m_unloading) {
        event->accept();
        QCoreApplication::quit();
        return;
    }
    event->ignore();
}
