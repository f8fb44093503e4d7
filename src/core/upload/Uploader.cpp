// SPDX-License-Identifier: MIT
#include "core/upload/Uploader.h"

#include "core/clock/Clock.h"
#include "core/diagnostics/ShownText.h"
#include "core/settings/SysMain.h"
#include "core/state/AppState.h"
#include "core/upload/FailureReason.h"
#include "core/upload/InetFtp.h"
#include "core/upload/TransferLog.h"
#include "core/upload/UploadNames.h"

Uploader::Uploader(AppState &state, TransferLog &log, InetFtp &ftp, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_log(log)
    , m_ftp(ftp)
    , m_clock(clock)
{
    connect(&m_ftp, &InetFtp::errorReason, this, [this](const QString &reason) { m_reason = reason; });
}

Uploader::Sent Uploader::upload(QDate day)
{
    m_log.insertTop(UploadNames::timeStampLine(m_clock.now()));
    return send(day);
}

Uploader::Sent Uploader::send(QDate day)
{
    const Settings &settings = m_state.settings();
    const QString localName = UploadNames::localFileName(day);
    const QString remoteName = UploadNames::remoteFileName(day, settings.FtpNo);
    m_state.setFileNames(localName, remoteName);

    // Folders and names are joined as they stand, with no separator added.
    const QString localPath = SysMain::Trim(settings.LocalPath) + localName;
    const QString remotePath = SysMain::Trim(settings.FtpPath) + remoteName;
    m_log.insertTop(UploadNames::sendCommand(localPath, remotePath));
    if (const QString problem = UploadNames::settingsProblem(settings); !problem.isEmpty())
        return {m_ftp.refuse(localPath, remotePath, problem), localPath, remotePath};
    // The two paths go to the control as they are, not as one text split at a blank: a folder
    // with a blank in its name must still name the right file.
    return {m_ftp.Execute(localPath, remotePath), localPath, remotePath};
}

void Uploader::logState(Ftp::State state)
{
    const QString server = shownServer(SysMain::Trim(m_ftp.serverAddress()));
    switch (state) {
    case Ftp::State::Connecting:
        m_log.insertTop(u"Connecting " + server);
        break;
    case Ftp::State::Connected:
        m_log.insertTop(u"Connected " + server);
        break;
    case Ftp::State::Disconnecting:
        m_log.insertTop(u"Disconnecting " + server);
        break;
    case Ftp::State::Disconnected:
        m_log.insertTop(u"Disconnected " + server);
        break;
    case Ftp::State::Error:
        m_log.insertTop(QStringLiteral("Error!"));
        // The reason reads right under it, in a few words; the whole of it is on standard error.
        if (!m_reason.isEmpty())
            m_log.insertBelowTop(shortReason(std::exchange(m_reason, QString())));
        break;
    case Ftp::State::ResponseCompleted:
        m_log.insertTop(QStringLiteral("ResponseCompleted."));
        break;
    default:
        break;
    }
}
