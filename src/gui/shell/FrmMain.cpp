// SPDX-License-Identifier: MIT
#include "gui/shell/FrmMain.h"

#include "gui/language/Captions.h"
#include "core/clock/Clock.h"
#include "gui/dialog/FrmParameter.h"
#include "core/upload/InetFtp.h"
#include "gui/shell/Logging.h"
#include "core/settings/ProfileFile.h"
#include "gui/tray/RunState.h"
#include "gui/shell/SecondTimer.h"
#include "gui/tray/TrayIcon.h"
#include "gui/upload/UploadHandlers.h"
#include "core/upload/UploadNames.h"

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

namespace {

// The name of the ordinary file at path, or the empty text when there is none: a directory,
// a hidden file or a dangling link of that name does not count.
QString ordinaryFileName(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden() ? info.fileName() : QString();
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
    , m_log(m_c.lstList)
    , m_tray(m_env.tray ? m_env.tray : new SystemNotifyArea(this))
    , m_uploads(new UploadHandlers({m_c.dtUp, m_c.lblLocal, m_c.lblLocalFile, m_c.lblUpFile}, m_sys.settings, m_log,
                                   *m_c.inetFtp, *m_env.clock, this))
    , m_timer(new SecondTimer({m_c.lblSec, m_c.lblCount, m_c.dtUp}, m_sys, m_schedule, *m_uploads, *m_env.clock,
                              [this] { cmbMin_Click(); }, this))
    , m_captions(new Captions(this, m_c, m_sys, m_log, this))
{
    Q_ASSERT(m_env.clock);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("KORVA5 Records Upload System"));
    setWindowIcon(QIcon(QStringLiteral(":/images/korva5.png")));
    m_runState = new RunState(m_c.mnuState, *m_tray, windowIcon(), QIcon(m_c.picDisable->pixmap()),
                              [this](const QString &key) { return languageText(m_sys, key); }, this);
    resize(696, 467);

    connect(m_c.cmdUpLoad, &QPushButton::clicked, m_uploads, &UploadHandlers::cmdUpLoad_Click);
    connect(m_c.cmdUpLoad2, &QPushButton::clicked, m_uploads, &UploadHandlers::cmdUpLoad2_Click);
    connect(m_c.inetFtp, &InetFtp::StateChanged, m_uploads, &UploadHandlers::inetFtp_StateChanged);
    connect(m_c.tmrSec, &QTimer::timeout, m_timer, &SecondTimer::tmrSec_Timer);
    connect(m_c.cmbMin, &QPushButton::clicked, this, &FrmMain::cmbMin_Click);
    connect(m_c.cmbExit, &QPushButton::clicked, this, &FrmMain::cmbExit_Click);
    connect(m_c.cmbParameter, &QPushButton::clicked, this, &FrmMain::cmbParameter_Click);
    connect(m_c.cmbEnglish, &QPushButton::clicked, m_captions, &Captions::cmbEnglish_Click);
    connect(m_c.cmbChina, &QPushButton::clicked, m_captions, &Captions::cmbChina_Click);
    connect(m_c.cmbTaiwan, &QPushButton::clicked, m_captions, &Captions::cmbTaiwan_Click);
    connect(m_c.mnuState, &QAction::triggered, m_runState, &RunState::mnuState_Click);
    connect(m_c.mnuShow, &QAction::triggered, this, &FrmMain::mnuShow_Click);
    connect(m_c.mnuExit, &QAction::triggered, this, &FrmMain::mnuExit_Click);
    connect(m_tray, &NotifyArea::pressed, this, &FrmMain::trayIcon_MouseDown);
    // Esc answers like the Minimized button.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &FrmMain::cmbMin_Click);
    // When the desktop session ends, the window lets itself be closed.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_unloading = true; });
    m_c.tmrSec->start();
}

FrmMain::~FrmMain() = default;

FrmMain::LoadResult FrmMain::Form_Load()
{
    if (!m_instance.acquire(m_env.programDir))
        return LoadResult::AlreadyRunning;

    m_sys.AppPath = SysMain::AddBackslash(m_env.programDir);
    m_sys.IniFile = SysMain::Trim(m_sys.AppPath) + u"TALLYPORT.ini";
    if (SysMain::Trim(ordinaryFileName(m_sys.IniFile)).isEmpty())
        return LoadResult::SettingsMissing;
    m_sys.LanguageFile = SysMain::Trim(m_sys.AppPath) + u"Language.txt";
    if (SysMain::Trim(ordinaryFileName(m_sys.LanguageFile)).isEmpty())
        return LoadResult::LanguageMissing;
    if (!isReadable(m_sys.IniFile))
        return LoadResult::SettingsUnreadable;
    if (!isReadable(m_sys.LanguageFile))
        return LoadResult::LanguageUnreadable;

    m_sys.CurrentLanguage = SysMain::TrimBlanks(SysMain::GetIniString(m_sys.IniFile, Settings::Section, Settings::LanguageKey));
    ReadParameter();

    m_c.dtUp->setDate(m_env.clock->today());
    QCoreApplication::processEvents();
    m_c.lblLocalFile->setText(UploadNames::localFileName(m_c.dtUp->date()));
    m_c.lblUpFile->setText(UploadNames::remoteFileName(m_c.dtUp->date(), m_sys.settings.FtpNo));
    m_log.clear();

    TrayIcon::TrayAdd(*m_tray, languageText(m_sys, QStringLiteral("RunStatus")), windowIcon());
    m_captions->ShowLanguage();
    m_sys.StartCount = 0;
    m_schedule.start(m_env.clock->now());
    qCInfo(lcShell).noquote() << "started in" << m_sys.AppPath;
    return LoadResult::Loaded;
}

void FrmMain::ReadParameter()
{
    const ProfileDocument file = ProfileFile::load(m_sys.IniFile).value_or(ProfileDocument());
    m_sys.settingsLoadedFrom = file.bytes();
    const Settings &s = m_sys.settings = Settings::fromDocument(file);

    m_c.lblNo->setText(SysMain::Trim(s.FtpNo));
    m_c.lblServer->setText(SysMain::Trim(s.FtpServer));
    m_c.lblPath->setText(SysMain::Trim(s.FtpPath));
    for (size_t slot = 0; slot < s.FtpTime.size(); ++slot)
        m_c.lblTime[slot]->setText(SysMain::Trim(s.FtpTime[slot]));
    m_c.lblLocal->setText(SysMain::Trim(s.LocalPath));

    m_c.inetFtp->setServerAddress(SysMain::Trim(s.FtpServer));
    m_c.inetFtp->setUserName(SysMain::Trim(s.FtpUserName));
    m_c.inetFtp->setPassword(SysMain::Trim(s.FtpPassword));
}

void FrmMain::cmbMin_Click()
{
    if (m_tray->isAvailable()) {
        hide();
        return;
    }
    // Without a notification area a hidden window could not be reached again.
    qCInfo(lcShell) << "no notification area: minimising the window instead of hiding it";
    showMinimized();
}

void FrmMain::cmbParameter_Click()
{
    // The dialog shows the settings in use; when the file was edited by hand since they were
    // read, those are the file's values, or Ok would write the old ones back over the edit.
    const std::optional<ProfileDocument> file = ProfileFile::load(m_sys.IniFile);
    if (file && file->bytes() != m_sys.settingsLoadedFrom)
        ReadParameter();
    auto *dialog = new FrmParameter(m_sys, m_log, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, &FrmMain::ReadParameter);
    dialog->Form_Load();
    dialog->open(); // window-modal: the timer, the transfers and the tray icon go on
}

void FrmMain::mnuShow_Click()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void FrmMain::mnuExit_Click()
{
    TrayIcon::TrayDelete(*m_tray);
    m_unloading = true;
    close();
    QCoreApplication::quit();
}

void FrmMain::trayIcon_MouseDown(int code)
{
    if (code == NotifyArea::LeftButtonDown) {
        qCDebug(lcShell).noquote() << "tray menu:" << m_c.mnuState->text() << '|' << m_c.mnuShow->text() << '|'
                                   << m_c.mnuExit->text();
        m_c.mnuMain->popup(QCursor::pos());
    } else if (code == NotifyArea::RightButtonDown) {
        m_runState->mnuState_Click();
    }
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
