// SPDX-License-Identifier: MIT
#include "gui/upload/UploadHandlers.h"

#include "core/clock/Clock.h"
#include "core/upload/InetFtp.h"
#include "core/settings/Settings.h"
#include "core/diagnostics/ShownText.h"
#include "core/settings/SysMain.h"
#include "gui/upload/TransferLog.h"
#include "core/upload/UploadNames.h"

#include <QDateEdit>
#include <QLabel>

UploadHandlers::UploadHandlers(Controls controls, const Settings &settings, TransferLog &log, InetFtp &inetFtp,
                               const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_c(controls)
    , m_settings(settings)
    , m_log(log)
    , m_inetFtp(inetFtp)
    , m_clock(clock)
{
}

void UploadHandlers::cmdUpLoad_Click()
{
    m_log.insertTop(UploadNames::timeStampLine(m_clock.now()));
    sendPickedDay();
}

void UploadHandlers::cmdUpLoad2_Click()
{
    m_c.dtUp->setDate(m_clock.today().addDays(-1));
    sendPickedDay();
    m_c.dtUp->setDate(m_clock.today());
}

void UploadHandlers::sendPickedDay()
{
    m_c.lblLocalFile->setText(UploadNames::localFileName(m_c.dtUp->date()));
    m_c.lblUpFile->setText(UploadNames::remoteFileName(m_c.dtUp->date(), m_settings.FtpNo));

    // Folders and names are joined as they stand, with no separator added.
    const QString localPath = SysMain::Trim(m_c.lblLocal->text()) + SysMain::Trim(m_c.lblLocalFile->text());
    const QString remotePath = SysMain::Trim(m_settings.FtpPath) + SysMain::Trim(m_c.lblUpFile->text());
    m_log.insertTop(UploadNames::sendCommand(localPath, remotePath));
    if (const QString problem = UploadNames::settingsProblem(m_settings); !problem.isEmpty()) {
        m_inetFtp.refuse(localPath, remotePath, problem);
        return;
    }
    // The two paths go to the control as they are, not as one text split at a blank: a folder
    // with a blank in its name must still name the right file.
    m_inetFtp.Execute(localPath, remotePath);
}

void UploadHandlers::inetFtp_StateChanged(qint16 state)
{
    const QString server = shownServer(SysMain::Trim(m_inetFtp.serverAddress()));
    switch (state) {
    case InetFtp::icConnecting:
        m_log.insertTop(u"Connecting " + server);
        break;
    case InetFtp::icConnected:
        m_log.insertTop(u"Connected " + server);
        break;
    case InetFtp::icDisconnecting:
        m_log.insertTop(u"Disconnecting " + server);
        break;
    case InetFtp::icDisconnected:
        m_log.insertTop(u"Disconnected " + server);
        break;
    case InetFtp::icError:
        m_log.insertTop(QStringLiteral("Error!"));
        break;
    case InetFtp::icResponseCompleted:
        m_log.insertTop(QStringLiteral("ResponseCompleted."));
        break;
    default:
        break;
    }
}
