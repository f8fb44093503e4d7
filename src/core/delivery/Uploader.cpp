// SPDX-License-Identifier: MIT
#include "core/delivery/Uploader.h"

#include "core/clock/Clock.h"
#include "core/delivery/TransferLog.h"
#include "core/diagnostics/ShownText.h"
#include "core/settings/ProfileFile.h"
#include "core/state/AppState.h"
#include "core/transfer/FailureReason.h"
#include "core/transfer/TransferQueue.h"
#include "core/transfer/UploadNames.h"

#include <QFileInfo>

#include <utility>

namespace korva5 {

Uploader::Uploader(AppState &state, TransferLog &log, TransferQueue &ftp, const Clock &clock, Text text,
                   QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_log(log)
    , m_ftp(ftp)
    , m_clock(clock)
    , m_text(std::move(text))
{
    connect(&m_ftp, &TransferQueue::transferStarted, this, &Uploader::onStarted);
    connect(&m_ftp, &TransferQueue::transferEnded, this, &Uploader::onEnded);
}

QString Uploader::waitingLine(const QString &remotePath) const
{
    return m_text(QStringLiteral("LogWaiting")).arg(remotePath);
}

Uploader::Sent Uploader::send(QDate day, Opening opening)
{
    const Settings &settings = m_state.settings();
    const QString localName = UploadNames::localFileName(day);
    const QString remoteName = UploadNames::remoteFileName(day, settings.FtpNo);
    emit fileNamesChosen(localName, remoteName);

    // Folders and names are joined as they stand, with no separator added.
    const QString localPath = ProfileFile::trimmedBlanks(settings.LocalPath) + localName;
    const QString remotePath = remotePathOf(day);
    QStringList lines;
    if (opening == Opening::TimeStamp)
        lines << UploadNames::timeStampLine(m_clock.now());
    lines << UploadNames::sendCommand(localPath, remotePath);

    // Busy also while the lines of an upload that just ended are still on their way here.
    const bool busy = m_ftp.isBusy() || !m_underWay.isEmpty();
    Sent sent{0, localPath, remotePath};
    if (const QString problem = UploadNames::settingsProblem(settings); !problem.isEmpty())
        sent.tag = m_ftp.refuse(localPath, remotePath, problem, FailureKind::NameRefused);
    else
        // The two paths go to the control as they are, not as one text split at a blank: a folder
        // with a blank in its name must still name the right file.
        sent.tag = m_ftp.enqueue(localPath, remotePath);
    UnderWay &upload = m_underWay.add(sent.tag, remotePath);

    // A send turned away because too many wait has no turn to wait for: its error comes now.
    if (busy && !m_ftp.refusedAtOnce(sent.tag)) {
        m_log.insertTop(waitingLine(remotePath));
        upload.opening = lines;
    } else {
        for (const QString &line : std::as_const(lines))
            m_log.insertTop(line);
    }
    return sent;
}

QString Uploader::remotePathOf(QDate day) const
{
    const Settings &settings = m_state.settings();
    return ProfileFile::trimmedBlanks(settings.FtpPath) + UploadNames::remoteFileName(day, settings.FtpNo);
}

bool Uploader::hasRecordsOf(QDate day) const
{
    return QFileInfo::exists(ProfileFile::trimmedBlanks(m_state.settings().LocalPath) + UploadNames::localFileName(day));
}

void Uploader::onStarted(quint64 tag)
{
    UnderWay *upload = m_underWay.find(tag);
    if (!upload)
        return;
    for (const QString &line : std::exchange(upload->opening, {}))
        m_log.insertTop(line);
    emit uploadStarted(tag);
}

void Uploader::onEnded(const FtpResult &result)
{
    const std::optional<UnderWay> upload = m_underWay.take(result.tag);
    if (!upload)
        return;
    // Only a send that never had its turn still holds its lines; its end must not leave a
    // status line without the command it belongs to.
    for (const QString &line : upload->opening)
        m_log.insertTop(line);
    emit uploadEnded(result, *upload);
}

void Uploader::logState(Ftp::State state, const FtpFailure &failure)
{
    const QString server = shownServer(ProfileFile::trimmedBlanks(m_ftp.serverAddress()));
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
        if (failure.kind != FailureKind::None)
            m_log.insertBelowTop(shortReason(failure.kind, failure.detail, m_text));
        break;
    case Ftp::State::ResponseCompleted:
        m_log.insertTop(QStringLiteral("ResponseCompleted."));
        break;
    default:
        break;
    }
}

} // namespace korva5
