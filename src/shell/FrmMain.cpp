// SPDX-License-Identifier: MIT
#include "FrmMain.h"

#include "Clock.h"
#include "InetFtp.h"
#include "Logging.h"
#include "SecondTimer.h"
#include "UploadHandlers.h"
#include "UploadNames.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace {

// The name of the ordinary file at path, or the empty text when there is none: a directory,
// a hidden file or a dangling link of that name does not count.
QString ordinaryFileName(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden() ? info.fileName() : QString();
}

} // namespace

FrmMain::FrmMain(Environment environment, QWidget *parent)
    : QWidget(parent)
    , m_env(std::move(environment))
    , m_c(buildMainControls(this))
    , m_log(m_c.lstList, *m_env.clock)
    , m_uploads(new UploadHandlers({m_c.dtUp, m_c.lblLocal, m_c.lblLocalFile, m_c.lblUpFile}, m_sys.settings, m_log,
                                   *m_c.inetFtp, *m_env.clock, this))
    , m_timer(new SecondTimer({m_c.lblSec, m_c.lblCount, m_c.dtUp}, m_sys, m_schedule, *m_uploads, *m_env.clock,
                              [this] { cmbMin_Click(); }, this))
{
    Q_ASSERT(m_env.clock);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("KORVA5 Records Upload System"));
    setWindowIcon(QIcon(QStringLiteral(":/images/korva5.png")));
    resize(696, 467);

    connect(m_c.cmdUpLoad, &QPushButton::clicked, m_uploads, &UploadHandlers::cmdUpLoad_Click);
    connect(m_c.cmdUpLoad2, &QPushButton::clicked, m_uploads, &UploadHandlers::cmdUpLoad2_Click);
    connect(m_c.inetFtp, &InetFtp::StateChanged, m_uploads, &UploadHandlers::inetFtp_StateChanged);
    connect(m_c.tmrSec, &QTimer::timeout, m_timer, &SecondTimer::tmrSec_Timer);
    connect(m_c.cmbMin, &QPushButton::clicked, this, &FrmMain::cmbMin_Click);
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

    m_sys.CurrentLanguage = SysMain::Trim(SysMain::GetIniString(m_sys.IniFile, Settings::Section, Settings::LanguageKey));
    ReadParameter();

    m_c.dtUp->setDate(m_env.clock->today());
    QCoreApplication::processEvents();
    m_c.lblLocalFile->setText(UploadNames::localFileName(m_c.dtUp->date()));
    m_c.lblUpFile->setText(UploadNames::remoteFileName(m_c.dtUp->date(), m_sys.settings.FtpNo));
    m_log.clear();

    m_sys.StartCount = 0;
    m_schedule.start(m_env.clock->now());
    qCInfo(lcShell).noquote() << "started in" << m_sys.AppPath;
    return LoadResult::Loaded;
}

void FrmMain::ReadParameter()
{
    const Settings &s = m_sys.settings = Settings::load(m_sys.IniFile);

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
    hide();
}
