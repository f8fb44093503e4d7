// SPDX-License-Identifier: MIT
#include "Captions.h"

#include "MainControls.h"
#include "RunState.h"
#include "Settings.h"
#include "SysMain.h"
#include "TransferLog.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

QString languageText(const SysMain &sys, const QString &key)
{
    return SysMain::Trim(SysMain::GetIniString(sys.LanguageFile, SysMain::Trim(sys.CurrentLanguage), key));
}

Captions::Captions(QWidget *window, const MainControls &controls, SysMain &sys, TransferLog &log, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_c(controls)
    , m_sys(sys)
    , m_log(log)
{
}

void Captions::ShowLanguage()
{
    auto text = [this](const char *key) { return languageText(m_sys, QLatin1StringView(key)); };

    m_c.mnuState->setText(text(RunState::isStopped(m_c.mnuState) ? "Run" : "Stop"));
    m_c.mnuShow->setText(text("Parameter"));
    m_c.mnuExit->setText(text("Exit"));
    m_window->setWindowTitle(text("Title") + VersionSuffix);
    m_c.cmbExit->setText(text("Exit"));
    m_c.cmbMin->setText(text("Minimized"));
    m_c.cmbParameter->setText(text("Parameter"));
    m_c.cmdUpLoad->setText(text("ManualUpload"));
    m_c.cmdUpLoad2->setText(text("YesterdayUpload"));
    m_c.frmDate->setTitle(text("UploadDate"));
    m_c.frmUpLoad->setTitle(text("ManualUploadSet"));
    m_c.lblUpFileName->setText(text("UploadFile"));
    m_c.lblLocalFileName->setText(text("LocalFile"));
    m_c.lblLocalPath->setText(text("LocalPath"));
    m_c.lblUpPath->setText(text("UploadPath"));
    m_c.lblUpServer->setText(text("UploadIP"));
    m_c.lblUpDate->setText(text("Yesterday"));
    m_c.lblCountSec->setText(text("Count"));
    m_c.lblLocalNo->setText(text("StationNo"));
    m_c.lblUpTime->setText(text("UploadTime"));
    m_c.frmUp->setTitle(text("AutoUploadInfo"));
}

void Captions::switchTo(const QString &language)
{
    m_sys.CurrentLanguage = language;
    QString error;
    if (SysMain::WriteIniString(m_sys.IniFile, Settings::Section, Settings::LanguageKey, m_sys.CurrentLanguage, &error) == 0) {
        // The captions change all the same; the next start comes up in the stored language.
        m_log.insertTop(QStringLiteral("Language %1 not stored: %2").arg(language, error));
    }
    ShowLanguage();
}
