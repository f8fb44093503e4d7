// SPDX-License-Identifier: MIT
#include "gui/shell/Captions.h"

#include "core/app/Station.h"
#include "gui/shell/MainControls.h"
#include "gui/tray/RunState.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace korva5 {

Captions::Captions(QWidget *window, const MainControls &controls, Station &station, const RunState &runState,
                   QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_c(controls)
    , m_station(station)
    , m_runState(runState)
{
}

void Captions::showLanguage()
{
    auto text = [this](const char *key) { return m_station.text(QLatin1StringView(key)); };

    m_c.mnuState->setText(m_runState.menuText());
    m_c.mnuShow->setText(text("Parameter"));
    m_c.mnuExit->setText(text("Exit"));
    m_window->setWindowTitle(titleText(text("Title")) + VersionSuffix);
    m_c.exitButton->setText(text("Exit"));
    m_c.minimizeButton->setText(text("Minimized"));
    m_c.settingsButton->setText(text("Parameter"));
    m_c.historyButton->setText(text("History"));
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
    emit shown();
}

void Captions::switchTo(const QString &language)
{
    m_station.chooseLanguage(language);
    showLanguage();
}

} // namespace korva5
