// SPDX-License-Identifier: MIT
#include "core/delivery/Delivery.h"

#include "core/clock/Clock.h"
#include "core/delivery/TransferLog.h"
#include "core/delivery/Uploader.h"
#include "core/diagnostics/ShownText.h"
#include "core/journal/Journal.h"
#include "core/schedule/DueTime.h"
#include "core/settings/ProfileFile.h"
#include "core/state/AppState.h"
#include "core/transfer/FailureReason.h"
#include "core/transfer/TransferQueue.h"
#include "core/transfer/UploadLogging.h"
#include "core/transfer/UploadNames.h"

#include <QFileInfo>
#include <QSet>

namespace {

// How far back the journal is read at start-up: a day's retries plus the day before.
constexpr qint64 ReadBackSeconds = 48LL * 3600;


} // namespace

Delivery::Delivery(AppState &state, Uploader &uploader, TransferQueue &ftp, TransferLog &log, Journal &journal,
                   const Clock &clock, Text text, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_uploader(uploader)
    , m_ftp(ftp)
    , m_log(log)
    , m_journal(journal)
    , m_clock(clock)
    , m_text(std::move(text))
{
    connect(&m_ftp, &TransferQueue::transferStarted, this, &Delivery::onStarted);
    // A journal lost while the program runs may take with it what the next start must know.
    connect(&m_journal, &Journal::switched, this, [this](const QString &why) { catchUpInDoubt(why); });
    connect(&m_ftp, &TransferQueue::transferEnded, this, &Delivery::onEnded);
    // New times apply from now on: a later catch-up must not examine the minutes before the
    // change under the new times.
    connect(&m_state, &AppState::settingsChanged, this, [this] {
        if (m_schedule.lastExamined().isValid())
            m_journal.setLastExaminedMinute(m_schedule.lastExamined());
    });
}

QString Delivery::remotePathOf(QDate day) const
{
    const Settings &settings = m_state.settings();
    return ProfileFile::trimmedBlanks(settings.FtpPath) + UploadNames::remoteFileName(day, settings.FtpNo);
}

int Delivery::waitingCount() const
{
    QSet<QString> files;
    for (const InFlight &upload : m_inFlight)
        files.insert(upload.owedKey.isEmpty() ? upload.record.remotePath : upload.owedKey);
    return int(files.size());
}

int Delivery::owedCount() const
{
    QSet<QString> files(m_ledger.pending().keyBegin(), m_ledger.pending().keyEnd());
    for (const Ledger::Owed &owed : m_ledger.givenUp())
        files.insert(owed.remotePath);
    return int(files.size());
}

QDateTime Delivery::nextRetry() const
{
    // A retry whose time has come (or that the clock went back behind) is due now.
    const QDateTime now = m_clock.now();
    QDateTime first;
    for (const Ledger::Owed &owed : m_ledger.pending()) {
        const QDateTime at = std::max(owed.nextAttempt, now);
        if (!first.isValid() || at < first)
            first = at;
    }
    return first;
}

void Delivery::acknowledgeFailedByHand()
{
    if (m_failedByHand) {
        m_failedByHand.reset();
        emit progressed();
    }
}

void Delivery::start()
{
    const QDateTime now = m_clock.now();
    const Settings settings = m_state.settings();
    const QList<UploadRecord> rows = m_journal.rowsSince(now.addSecs(-ReadBackSeconds));
    for (const UploadRecord &row : rows) {
        if (row.outcome == Outcome::Succeeded && (!m_lastDelivered || row.id > m_lastDelivered->id))
            m_lastDelivered = row;
    }
    m_ledger = Ledger::fromRows(rows, settings);
    // Given up while no program ran: said as when it happens in a running one.
    for (const Ledger::Owed &owed : m_ledger.giveUpExpired(now))
        giveUp(owed);
    m_ledger.followClock(now);
    m_ledger.notBefore(now);
    for (const Ledger::Owed &owed : std::as_const(m_ledger.pending()))
        emit deliveryFailed(owed);
    if (!m_ledger.pending().isEmpty())
        qCInfo(lcUpload).noquote() << m_ledger.pending().size() << "upload(s) owed from before this start will be retried";

    const QString doubt = m_journal.doubt();
    const QList<ScheduleCheck::Match> missed =
        m_schedule.start(now, doubt.isEmpty() ? m_journal.lastExaminedMinute() : std::nullopt, settings.times());
    if (doubt.isEmpty())
        sendMatches(missed);
    else
        catchUpInDoubt(doubt);
    m_journal.setLastExaminedMinute(m_schedule.lastExamined());
    emit owedChanged();
}

QList<ScheduleCheck::Match> Delivery::timesPassed(const QDateTime &now) const
{
    const QDate yesterday = now.date().addDays(-1);
    // The minute under way is the schedule's own to examine.
    return ScheduleCheck::timesBetween(DueTime::on(yesterday, QTime(0, 0)).addMSecs(-1), DueTime::minuteOf(now).addMSecs(-1),
                                       true, m_state.settings().times());
}

void Delivery::catchUpInDoubt(const QString &why)
{
    const QDateTime now = m_clock.now();
    // A records file that is not there cannot be sent again, nor can it have been sent since it
    // went: owing it would only raise an alarm nobody can answer.
    const Settings &settings = m_state.settings();
    QList<ScheduleCheck::Match> matches = timesPassed(now);
    matches.removeIf([&](const ScheduleCheck::Match &match) {
        return !QFileInfo::exists(ProfileFile::trimmedBlanks(settings.LocalPath) + UploadNames::localFileName(match.day()));
    });
    if (matches.isEmpty())
        return;
    qCWarning(lcUpload).noquote() << QStringLiteral("the journal cannot tell what was delivered (%1): the files of "
                                                    "the times of today and yesterday that have passed are sent "
                                                    "again unless known to be on the server")
                                         .arg(why);
    // Owed from now: a file sent again for yesterday's time gets its 24 hours of retries too.
    const QSet<QString> sent = sendMatches(matches, DueTime::minuteOf(now));
    m_unsure.unite(sent);
    if (!sent.isEmpty())
        emit owedChanged();
}

void Delivery::checkMinute()
{
    const QList<ScheduleCheck::Match> matches = m_schedule.examine(m_clock.now(), m_state.settings().times());
    sendMatches(matches);
    // Only a minute that matched needs remembering (and the minute the times changed, above): a
    // catch-up from an older minute examines again minutes in which nothing matched, and finds
    // nothing there. So the journal is written when something is sent, not every minute of a
    // program that runs for months.
    if (!matches.isEmpty())
        m_journal.setLastExaminedMinute(m_schedule.lastExamined());
}

QSet<QString> Delivery::sendMatches(const QList<ScheduleCheck::Match> &matches, const QDateTime &catchUpDue)
{
    QSet<QString> caughtUp;
    for (const ScheduleCheck::Match &match : matches) {
        const QDate day = match.day();
        if (!match.catchUp) {
            emit timeFired(match.slot, day);
            send(day, Trigger::Slot, match.slot, true, match.minute);
            continue;
        }
        // Each remote file at most once, and not when it went out after that minute anyway or
        // is already waiting for its retry.
        const QString remotePath = remotePathOf(day);
        if (caughtUp.contains(remotePath) || m_ledger.isOwed(remotePath) || isUnderWay(remotePath)
            || deliveredSince(remotePath, match.minute))
            continue;
        caughtUp.insert(remotePath);
        send(day, Trigger::CatchUp, match.slot, true, catchUpDue.isValid() ? catchUpDue : match.minute);
    }
    return caughtUp;
}

bool Delivery::isUnderWay(const QString &remotePath) const
{
    return std::any_of(m_inFlight.cbegin(), m_inFlight.cend(),
                       [&](const InFlight &upload) { return upload.record.remotePath == remotePath; });
}

bool Delivery::deliveredSince(const QString &remotePath, const QDateTime &minute)
{
    const QList<UploadRecord> rows = m_journal.rowsSince(minute.addSecs(-ReadBackSeconds));
    return std::any_of(rows.cbegin(), rows.cend(), [&](const UploadRecord &row) {
        return row.remotePath == remotePath && row.outcome == Outcome::Succeeded && row.startedAt >= minute;
    });
}

QStringList Delivery::owedFiles() const
{
    QSet<QString> files = m_unsure;
    for (auto it = m_ledger.pending().cbegin(); it != m_ledger.pending().cend(); ++it)
        files.insert(it.key());
    for (const Ledger::Owed &owed : m_ledger.givenUp())
        files.insert(owed.remotePath);
    QStringList sorted(files.cbegin(), files.cend());
    sorted.sort();
    return sorted;
}

QString Delivery::shortReason(const QString &remotePath, const QString &reason) const
{
    auto owed = m_ledger.pending().constFind(remotePath);
    const Ledger::Owed *found = owed != m_ledger.pending().cend() ? &*owed : nullptr;
    for (const Ledger::Owed &given : m_ledger.givenUp()) {
        if (!found && given.remotePath == remotePath)
            found = &given;
    }
    if (!found || found->failureKind == FailureKind::None)
        return reason;
    return ::shortReason(found->failureKind, found->failureDetail, m_text);
}

void Delivery::checkRetries()
{
    const QDateTime now = m_clock.now();
    const QList<Ledger::Owed> expired = m_ledger.giveUpExpired(now);
    for (const Ledger::Owed &owed : expired)
        giveUp(owed);
    const QList<Ledger::Owed> due = m_ledger.dueRetries(now);
    for (const Ledger::Owed &owed : due) {
        m_ledger.retryStarted(owed.remotePath);
        send(owed.day, Trigger::Retry, owed.slot, true, owed.due, owed.remotePath);
    }
    if (!expired.isEmpty() || !due.isEmpty())
        emit owedChanged();
}

void Delivery::giveUp(const Ledger::Owed &owed)
{
    emit gaveUp(owed);
    // The short reason, as the alarm says it; the whole one went to standard error when it failed.
    const QString why = owed.failureKind != FailureKind::None ? ::shortReason(owed.failureKind, owed.failureDetail, m_text)
                                                               : owed.reason;
    // One call for all three: a "%2" in a folder's name or in what the server said stays as it is.
    m_log.insertTop(m_text(QStringLiteral("LogGivenUp")).arg(owed.remotePath, QString::number(Ledger::GiveUpAfterHours), why));
}

void Delivery::sendManual(QDate day)
{
    send(day, Trigger::Manual, -1, true, {});
}

void Delivery::sendYesterday(QDate day)
{
    send(day, Trigger::Yesterday, -1, false, {});
}

void Delivery::send(QDate day, Trigger trigger, int slot, bool timeStamp, const QDateTime &due, const QString &owedKey)
{
    const Uploader::Sent sent =
        m_uploader.send(day, timeStamp ? Uploader::Opening::TimeStamp : Uploader::Opening::CommandOnly);
    UploadRecord record;
    record.askedAt = m_clock.now();
    record.trigger = trigger;
    record.slot = slot;
    record.day = day;
    record.localPath = sent.localPath;
    record.remotePath = sent.remotePath;
    record.server = shownServer(ProfileFile::trimmedBlanks(m_state.settings().FtpServer));
    record.due = due;
    const qint64 id = m_journal.recordAsked(record);
    m_inFlight.insert(sent.tag, {id, record, due, owedKey});
    emit progressed();
}

void Delivery::onStarted(quint64 tag)
{
    const auto it = m_inFlight.find(tag);
    if (it == m_inFlight.end())
        return;
    it->record.startedAt = m_clock.now();
    it->record.outcome = Outcome::Running;
    m_journal.recordStarted(it->journalId, it->record.startedAt);
}

void Delivery::onEnded(const FtpResult &result)
{
    const auto it = m_inFlight.find(result.tag);
    if (it == m_inFlight.end())
        return;
    InFlight done = *it;
    m_inFlight.erase(it);
    done.record.endedAt = m_clock.now();
    if (!done.record.startedAt.isValid())
        done.record.startedAt = done.record.endedAt;
    done.record.outcome = result.succeeded ? Outcome::Succeeded : Outcome::Failed;
    done.record.bytes = result.bytes;
    done.record.reason = result.reason;
    done.record.failureKind = result.failure.kind;
    done.record.failureDetail = result.failure.detail;
    m_journal.recordEnded(done.journalId, done.record.endedAt, result.succeeded, result.bytes, result.reason,
                          result.failure.kind, result.failure.detail);
    if (result.succeeded)
        m_lastDelivered = done.record;
    // Nothing retries an upload asked for by hand: its failure stays in sight until the file
    // goes through after all or the operator has seen it.
    if (!result.succeeded && !isScheduled(done.record.trigger))
        m_failedByHand = done.record;
    else if (result.succeeded && m_failedByHand && m_failedByHand->remotePath == done.record.remotePath)
        m_failedByHand.reset();
    const bool wasUnsure = m_unsure.remove(done.record.remotePath);

    UploadRecord forLedger = done.record;
    if (!done.owedKey.isEmpty())
        forLedger.remotePath = done.owedKey; // the settings may have changed since it was owed
    const QString key = forLedger.remotePath;
    const auto givenUpOf = [&] {
        return std::any_of(m_ledger.givenUp().cbegin(), m_ledger.givenUp().cend(),
                           [&](const Ledger::Owed &owed) { return owed.remotePath == key; });
    };
    const bool wasOwed = m_ledger.isOwed(key) || givenUpOf();
    m_ledger.ended(forLedger, done.due);
    const bool isOwed = m_ledger.isOwed(key);
    if (isOwed && (!wasOwed || (wasUnsure && !result.succeeded)))
        emit deliveryFailed(m_ledger.pending().value(key));
    else if (wasOwed && result.succeeded)
        emit deliveredAfterAll(key);
    if (wasOwed || isOwed || wasUnsure)
        emit owedChanged();
    emit progressed();
    emit recorded(done.record);
}
