// SPDX-License-Identifier: MIT
#include "core/app/HeartbeatWriter.h"

#include "core/state/ProgramBuild.h"
#include "core/clock/Clock.h"
#include "core/clock/IsoTime.h"
#include "core/diagnostics/ShownText.h"
#include "core/journal/Journal.h"
#include "core/settings/SettingsCheck.h"
#include "core/settings/ProfileFile.h"
#include "core/state/AppState.h"
#include "core/transfer/UploadNames.h"

#include <QDir>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSaveFile>

namespace korva5 {

namespace {

Q_LOGGING_CATEGORY(lcHeartbeat, "korva5.heartbeat", QtInfoMsg)

} // namespace

HeartbeatWriter::HeartbeatWriter(const AppState &state, Journal &journal, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_journal(journal)
    , m_clock(clock)
{
    m_ftp.setObjectName(QStringLiteral("statusFtp"));
    m_ftp.setParent(this);
    m_timer.setInterval(IntervalMinutes * 60 * 1000);
    connect(&m_timer, &QTimer::timeout, this, &HeartbeatWriter::send);
    connect(&m_ftp, &TransferQueue::transferEnded, this, &HeartbeatWriter::onEnded);
}

QString HeartbeatWriter::remotePath(const Settings &settings, QString *why)
{
    QString folder = ProfileFile::trimmedBlanks(settings.FtpStatusPath);
    const QString station = ProfileFile::trimmedBlanks(settings.FtpNo);
    const auto refuse = [&](const QString &reason) {
        if (why)
            *why = reason;
        return QString();
    };
    if (folder.isEmpty())
        return refuse({});
    if (station.isEmpty())
        return refuse(QStringLiteral("no station number names a status file"));
    // The records uploads' own rule for settings that would leave the folder or forge a command.
    if (const QString problem = UploadNames::settingsProblem(settings); !problem.isEmpty())
        return refuse(problem);
    if (hasControlCharacter(folder))
        return refuse(QStringLiteral("FtpStatusPath holds a control character"));
    // The office's collectors read the records folder and must find records files alone there.
    // The same rule as the settings dialog's, which says so before the setting is stored.
    if (SettingsCheck::sameRemoteFolder(folder, settings.FtpPath))
        return refuse(QStringLiteral("FtpStatusPath is the records folder; the status file goes elsewhere"));
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + QStringLiteral("korva5-status.") + station + QStringLiteral(".json");
}

QJsonObject HeartbeatWriter::document(const StatusReport::Report &report, const QDateTime &writtenAt)
{
    QJsonObject object = report.json();
    object.insert(QStringLiteral("format"), Format);
    object.insert(QStringLiteral("version"), QString::fromLatin1(ProgramVersion));
    object.insert(QStringLiteral("writtenAt"), IsoTime::text(writtenAt));
    // The station's day, its upload times and what is late are its own clock's: the office judges
    // them in this zone, and the offset alone where it does not know the name.
    const QString zone = IsoTime::systemZoneName();
    object.insert(QStringLiteral("timeZone"), zone.isEmpty() ? QJsonValue() : QJsonValue(zone));
    object.insert(QStringLiteral("utcOffsetSeconds"), writtenAt.offsetFromUtc());
    return object;
}

void HeartbeatWriter::send()
{
    const Settings &settings = m_state.settings();
    QString why;
    const QString remote = remotePath(settings, &why);
    if (remote.isEmpty()) {
        m_timer.stop();
        if (!why.isEmpty())
            sayOnce(QStringLiteral("no status file is written: %1").arg(why));
        return;
    }
    m_timer.start(); // the next one half an hour from the last at most
    if (m_ftp.isBusy()) {
        m_again = true; // the file is being read: the newer status follows it
        return;
    }
    if (!m_dir.isValid()) {
        sayOnce(QStringLiteral("no status file is written: no temporary folder (%1)").arg(m_dir.errorString()));
        return;
    }
    const QDateTime now = m_clock.now();
    StatusReport::JournalFacts facts;
    facts.rows = m_journal.rowsSince(now.addSecs(3600LL * -Journal::MemoryHours));
    facts.lastExamined = m_journal.lastExaminedMinute();
    const QByteArray text =
        QJsonDocument(document(StatusReport::status(settings, facts, now), now)).toJson(QJsonDocument::Indented);
    const QString local = m_dir.filePath(QStringLiteral("korva5-status.json"));
    QSaveFile file(local);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        sayOnce(QStringLiteral("the status file cannot be made in %1: %2").arg(m_dir.path(), file.errorString()));
        return;
    }
    m_ftp.setServerAddress(ProfileFile::trimmedBlanks(settings.FtpServer));
    m_ftp.setUserName(ProfileFile::trimmedBlanks(settings.FtpUserName));
    m_ftp.setPassword(ProfileFile::trimmedBlanks(settings.FtpPassword));
    m_ftp.setTemporaryName(ProfileFile::trimmedBlanks(settings.FtpTempName) != u"0");
    // Two spellings the names alone cannot tell apart ("/home/station/" for the login folder, a
    // link on the server) are told apart by the server: the status file must not show up among
    // the records, where the office's collectors would take it.
    m_ftp.setDistinctFolder(ProfileFile::trimmedBlanks(settings.FtpPath));
    m_ftp.enqueue(local, remote);
}

void HeartbeatWriter::onEnded(const FtpResult &result)
{
    if (result.succeeded) {
        if (!m_lastSaid.isEmpty())
            qCInfo(lcHeartbeat).noquote() << "status file written again:" << result.remotePath;
        m_lastSaid.clear();
    } else {
        sayOnce(QStringLiteral("status file %1 not written: %2; tried again with the next status")
                    .arg(shownText(result.remotePath), shownText(result.reason)));
    }
    emit written(result.succeeded);
    if (std::exchange(m_again, false))
        send();
}

void HeartbeatWriter::sayOnce(const QString &line)
{
    // Every half hour for months, the same failure would bury everything else said.
    if (line == m_lastSaid)
        return;
    m_lastSaid = line;
    qCWarning(lcHeartbeat).noquote() << line;
}

} // namespace korva5
