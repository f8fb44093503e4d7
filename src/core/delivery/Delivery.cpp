// SPDX-License-Identifier: MIT
#include "core/delivery/Delivery.h"

#include "core/clock/Clock.h"
#include "core/delivery/Uploader.h"
#include "core/diagnostics/ShownText.h"
#include "core/journal/Journal.h"
#include "core/schedule/DueTime.h"
#include "core/settings/ProfileFile.h"
#include "core/state/AppState.h"

#include <QSet>

namespace korva5 {

namespace {

// How far back the journal is read at start-up: a day's retries plus the day before.
constexpr qint64 ReadBackSeconds = 48LL * 3600;

} // namespace

Delivery::Delivery(AppState &state, Uploader &uploader, Journal &journal, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_uploader(uploader)
    , m_journal(journal)
    , m_clock(clock)
{
    connect(&m_uploader, &Uploader::uploadStarted, this, &Delivery::onStarted);
    // A journal lost while the program runs may take with it what the next start must know.
    connect(&m_journal, &Journal::switched, this, [this](const QString &why) { catchUpInDoubt(why); });
    connect(&m_uploader, &Uploader::uploadEnded, this, &Delivery::onEnded);
    // New times apply from now on: a later catch-up must not examine the minutes before the
    // change under the new times.
    connect(&m_state, &AppState::settingsChanged, this, [this] {
        if (m_schedule.lastExamined().isValid())
            m_journal.setLastExaminedMinute(m_schedule.lastExamined());
    });
}

int Delivery::waitingCount() const
{
    return m_uploader.underWay().fileCount();
}

int Delivery::owedCount() const
{
    return int(m_ledger.outstandingFiles().size());
}

QDateTime Delivery::nextRetry() const
{
    return m_ledger.nextRetry(m_clock.now());
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
        emit gaveUp(owed);
    m_ledger.followClock(now);
    m_ledger.notBefore(now);
    for (const Ledger::Owed &owed : std::as_const(m_ledger.pending()))
        emit deliveryFailed(owed);
    if (!m_ledger.pending().isEmpty())
        emit owedFromBefore(int(m_ledger.pending().size()));

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
    QList<ScheduleCheck::Match> matches = timesPassed(now);
    matches.removeIf([&](const ScheduleCheck::Match &match) { return !m_uploader.hasRecordsOf(match.day()); });
    if (matches.isEmpty())
        return;
    emit sendingAgainInDoubt(why);
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
        const QString remotePath = m_uploader.remotePathOf(day);
        if (caughtUp.contains(remotePath) || m_ledger.isOwed(remotePath) || m_uploader.underWay().sends(remotePath)
            || deliveredSince(remotePath, match.minute))
            continue;
        caughtUp.insert(remotePath);
        send(day, Trigger::CatchUp, match.slot, true, catchUpDue.isValid() ? catchUpDue : match.minute);
    }
    return caughtUp;
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
    const QSet<QString> files = m_ledger.outstandingFiles() | m_unsure;
    QStringList sorted(files.cbegin(), files.cend());
    sorted.sort();
    return sorted;
}

void Delivery::checkRetries()
{
    const QDateTime now = m_clock.now();
    const QList<Ledger::Owed> expired = m_ledger.giveUpExpired(now);
    for (const Ledger::Owed &owed : expired)
        emit gaveUp(owed);
    const QList<Ledger::Owed> due = m_ledger.dueRetries(now);
    for (const Ledger::Owed &owed : due) {
        m_ledger.retryStarted(owed.remotePath);
        send(owed.day, Trigger::Retry, owed.slot, true, owed.due, owed.remotePath);
    }
    if (!expired.isEmpty() || !due.isEmpty())
        emit owedChanged();
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
    if (UnderWay *upload = m_uploader.underWay().find(sent.tag))
        upload->record = UnderWay::Record{id, record, due, owedKey};
    emit progressed();
}

void Delivery::onStarted(quint64 tag)
{
    UnderWay *upload = m_uploader.underWay().find(tag);
    if (!upload || !upload->record)
        return;
    UnderWay::Record &started = *upload->record;
    started.row.startedAt = m_clock.now();
    started.row.outcome = Outcome::Running;
    m_journal.recordStarted(started.journalId, started.row.startedAt);
}

void Delivery::onEnded(const FtpResult &result, const UnderWay &upload)
{
    if (!upload.record)
        return;
    UnderWay::Record done = *upload.record;
    done.row.endedAt = m_clock.now();
    if (!done.row.startedAt.isValid())
        done.row.startedAt = done.row.endedAt;
    done.row.outcome = result.succeeded ? Outcome::Succeeded : Outcome::Failed;
    done.row.bytes = result.bytes;
    done.row.reason = result.reason;
    done.row.failureKind = result.failure.kind;
    done.row.failureDetail = result.failure.detail;
    m_journal.recordEnded(done.journalId, done.row.endedAt, result.succeeded, result.bytes, result.reason,
                          result.failure.kind, result.failure.detail);
    if (result.succeeded)
        m_lastDelivered = done.row;
    // Nothing retries an upload asked for by hand: its failure stays in sight until the file
    // goes through after all or the operator has seen it.
    if (!result.succeeded && !isScheduled(done.row.trigger))
        m_failedByHand = done.row;
    else if (result.succeeded && m_failedByHand && m_failedByHand->remotePath == done.row.remotePath)
        m_failedByHand.reset();
    const bool wasUnsure = m_unsure.remove(done.row.remotePath);

    UploadRecord forLedger = done.row;
    if (!done.owedKey.isEmpty())
        forLedger.remotePath = done.owedKey; // the settings may have changed since it was owed
    const QString key = forLedger.remotePath;
    const bool wasOwed = m_ledger.isOutstanding(key);
    m_ledger.ended(forLedger, done.due);
    const bool isOwed = m_ledger.isOwed(key);
    if (isOwed && (!wasOwed || (wasUnsure && !result.succeeded)))
        emit deliveryFailed(m_ledger.pending().value(key));
    else if (wasOwed && result.succeeded)
        emit deliveredAfterAll(key);
    if (wasOwed || isOwed || wasUnsure)
        emit owedChanged();
    emit progressed();
    emit recorded(done.row);
}

} // namespace korva5
