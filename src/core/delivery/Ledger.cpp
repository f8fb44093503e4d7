// SPDX-License-Identifier: MIT
#include "core/delivery/Ledger.h"

#include "core/schedule/DueTime.h"
#include "core/settings/TimeOfDay.h"

#include <algorithm>

namespace korva5 {

int Ledger::retryDelayMinutes(int failures)
{
    static constexpr int Steps[] = {1, 2, 4, 8, 15};
    if (failures < 1)
        return Steps[0];
    if (failures <= int(std::size(Steps)))
        return Steps[failures - 1];
    return 30;
}

QDateTime Ledger::dueMinute(QDate day, int slot, const QString &time)
{
    const std::optional<QTime> at = TimeOfDay::parse(time);
    if (!at || slot < 0)
        return {};
    return DueTime::on(Settings::sendsYesterday(slot) ? day.addDays(1) : day, *at);
}

void Ledger::ended(const UploadRecord &record, const QDateTime &due)
{
    m_underWay.remove(record.remotePath);
    if (record.outcome == Outcome::Succeeded) {
        m_pending.remove(record.remotePath);
        m_givenUp.removeIf([&](const Owed &owed) { return owed.remotePath == record.remotePath; });
        return;
    }
    if (!isScheduled(record.trigger))
        return; // the operator asked for it and saw it fail
    const QDateTime failedAt = record.endedAt.isValid() ? record.endedAt : record.askedAt;
    Owed &owed = m_pending[record.remotePath];
    if (owed.remotePath.isEmpty()) {
        owed.remotePath = record.remotePath;
        owed.due = due.isValid() ? due : record.askedAt;
    } else if (due.isValid() && due > owed.due) {
        owed.due = due; // a later time failed too: its own 24 hours count
    }
    owed.localPath = record.localPath;
    owed.day = record.day;
    if (record.slot >= 0)
        owed.slot = record.slot;
    ++owed.failures;
    owed.lastFailure = failedAt;
    owed.reason = record.reason;
    owed.failureKind = record.failureKind;
    owed.failureDetail = record.failureDetail;
    owed.nextAttempt = failedAt.addSecs(60LL * retryDelayMinutes(owed.failures));
}

void Ledger::retryStarted(const QString &remotePath)
{
    m_underWay[remotePath] = true;
}

QList<Ledger::Owed> Ledger::giveUpExpired(const QDateTime &now)
{
    QList<Owed> moved;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        const QDateTime deadline = it->due.addSecs(3600LL * GiveUpAfterHours);
        // Given up once the deadline has passed, or when the next try would come after it.
        if (!m_underWay.value(it.key()) && (now >= deadline || it->nextAttempt > deadline)) {
            moved << *it;
            m_givenUp << *it;
            it = m_pending.erase(it);
        } else {
            ++it;
        }
    }
    return moved;
}

QList<Ledger::Owed> Ledger::dueRetries(const QDateTime &now)
{
    followClock(now);
    giveUpExpired(now);
    QList<Owed> due;
    for (const Owed &owed : std::as_const(m_pending)) {
        if (!m_underWay.value(owed.remotePath) && owed.nextAttempt <= now)
            due << owed;
    }
    std::sort(due.begin(), due.end(), [](const Owed &a, const Owed &b) { return a.nextAttempt < b.nextAttempt; });
    return due;
}

Ledger Ledger::fromRows(QList<UploadRecord> rows, const Settings &settings)
{
    const auto dueOf = [&](const UploadRecord &row) {
        if (row.due.isValid())
            return isScheduled(row.trigger) ? row.due : QDateTime();
        // Written before the journal kept the minute: the time set says it.
        return isScheduled(row.trigger) && row.slot >= 0 && row.slot < Settings::TimeSlots
            ? dueMinute(row.day, row.slot, settings.time(row.slot))
            : QDateTime();
    };
    // In the journal's own sequence: the order the uploads were asked for, which is the order
    // they ran and ended in (one at a time). Not by the clock: one set back between a failure
    // and its retry would put the retry first.
    std::sort(rows.begin(), rows.end(), [](const UploadRecord &a, const UploadRecord &b) { return a.id < b.id; });
    Ledger ledger;
    for (UploadRecord row : rows) {
        if (row.outcome == Outcome::Asked || row.outcome == Outcome::Running) {
            row.outcome = Outcome::Failed;
            row.endedAt = row.askedAt;
            if (row.reason.isEmpty())
                row.reason = QString::fromLatin1(Journal::CutOffReason);
            if (row.failureKind == FailureKind::None)
                row.failureKind = FailureKind::Ended;
        }
        ledger.ended(row, dueOf(row));
    }
    return ledger;
}

void Ledger::followClock(const QDateTime &now)
{
    for (Owed &owed : m_pending) {
        if (owed.lastFailure.isValid() && owed.lastFailure > now) {
            const qint64 wait = owed.lastFailure.secsTo(owed.nextAttempt);
            owed.lastFailure = now;
            owed.nextAttempt = now.addSecs(wait);
        }
    }
}

void Ledger::notBefore(const QDateTime &now)
{
    for (Owed &owed : m_pending)
        owed.nextAttempt = std::max(owed.nextAttempt, now);
}

const Ledger::Owed *Ledger::outstanding(const QString &remotePath) const
{
    if (const auto owed = m_pending.constFind(remotePath); owed != m_pending.cend())
        return &*owed;
    const auto given = std::find_if(m_givenUp.cbegin(), m_givenUp.cend(),
                                    [&](const Owed &owed) { return owed.remotePath == remotePath; });
    return given != m_givenUp.cend() ? &*given : nullptr;
}

QSet<QString> Ledger::outstandingFiles() const
{
    QSet<QString> files(m_pending.keyBegin(), m_pending.keyEnd());
    for (const Owed &owed : m_givenUp)
        files.insert(owed.remotePath);
    return files;
}

QDateTime Ledger::nextRetry(const QDateTime &now) const
{
    QDateTime first;
    for (const Owed &owed : m_pending) {
        const QDateTime at = std::max(owed.nextAttempt, now);
        if (!first.isValid() || at < first)
            first = at;
    }
    return first;
}

} // namespace korva5
