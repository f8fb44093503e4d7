// SPDX-License-Identifier: MIT
#include "core/journal/JournalWorker.h"

#include "core/platform/Posix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include <algorithm>

namespace korva5 {

namespace JournalDetail {

namespace {

bool hasEnded(const UploadRecord &record)
{
    return record.outcome == Outcome::Succeeded || record.outcome == Outcome::Failed;
}

} // namespace

Worker::Worker(Journal *owner) : m_owner(owner), m_thread([this] { run(); }) {}

Worker::~Worker()
{
    {
        std::lock_guard lock(m_queueMutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
    if (m_waiting) {
        // A last try, as the program ends.
        m_waiting = false;
        persist();
    }
    if (m_unsaved.load())
        qCWarning(lcJournal).noquote() << "Journal" << QDir::toNativeSeparators(m_path) << "was locked by another program to the end;"
                                       << m_dirty.size() << "record(s) of this run are not in it.";
    m_store.close();
}

void Worker::post(std::function<void()> operation, bool barrier)
{
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_back({std::move(operation), barrier});
    }
    m_wake.notify_one();
}

void Worker::report(const QString &line, bool switched)
{
    qCWarning(lcJournal).noquote() << line;
    {
        std::lock_guard lock(m_noticeMutex);
        m_notices.append({line, switched});
    }
    QMetaObject::invokeMethod(m_owner, [owner = m_owner] { owner->deliverNotices(); }, Qt::QueuedConnection);
}

QList<Worker::Notice> Worker::takeNotices()
{
    std::lock_guard lock(m_noticeMutex);
    return std::exchange(m_notices, {});
}

// Everything queued is taken at once: operations change the memory, one write follows for all of
// them. A read or flush (a barrier) first has what came before it written. While another program
// holds the file, only verify() (every few seconds) tries it again: each try waits for the lock,
// and the program's calls must not wait with it.
void Worker::run()
{
    for (;;) {
        std::deque<Queued> batch;
        {
            std::unique_lock lock(m_queueMutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return; // stopping, and everything asked for is written
            batch.swap(m_queue);
        }
        for (Queued &next : batch) {
            if (next.barrier && !m_waiting)
                persist();
            next.operation();
        }
        if (!m_waiting)
            persist();
    }
}

Opened Worker::openAt(const QString &path, const QString &evidence, const QDateTime &now)
{
    m_path = path;
    m_now = now;
    m_horizon = now.addSecs(-3600LL * Journal::MemoryHours);
    Store::OpenResult result = m_store.open(path, Store::Mode::Write, now);
    if (result == Store::OpenResult::Busy)
        result = m_store.open(path, Store::Mode::Write, now); // a second wait, then on without it
    switch (result) {
    case Store::OpenResult::Opened: {
        const std::optional<QList<UploadRecord>> rows = m_store.rowsSince(m_horizon);
        const std::optional<std::optional<QDateTime>> minute = m_store.lastExaminedMinute();
        if (!rows || !minute)
            break; // unreadable past its header: set aside below
        QList<UploadRecord> oldestFirst = *rows;
        std::reverse(oldestFirst.begin(), oldestFirst.end());
        load(oldestFirst, -oldestFirst.size());
        m_lastMinute = minute->value_or(QDateTime());
        m_identity = Posix::fileIdentity(path);
        m_on = true;
        // A new file where one of this program folder was before knows nothing of what it held.
        if (m_store.foundEmpty())
            return {true, QStringLiteral("journal %1 was empty").arg(QDir::toNativeSeparators(path))};
        return {true, m_store.created() && !evidence.isEmpty() ? evidence : QString()};
    }
    case Store::OpenResult::Busy:
        // Locked by another program, or on a full disk: not damaged, so not set aside. What this
        // run records waits in memory and goes in once the file can be written.
        m_horizon = now;
        m_on = true;
        m_waiting = true;
        report(QStringLiteral("Journal %1 cannot be written now (%2); what this run records waits in memory and is "
                              "written once it can be.")
                   .arg(QDir::toNativeSeparators(path), m_store.error()));
        return {true, QStringLiteral("journal %1 could not be read at start (%2)").arg(QDir::toNativeSeparators(path), m_store.error())};
    case Store::OpenResult::Newer:
        // Its rows belong to the newer program; setting them aside would hide them from it.
        report(QStringLiteral("Journal %1 was written by a newer version of the program and is left as it is; "
                              "uploads go on without a journal.")
                   .arg(QDir::toNativeSeparators(path)));
        return {false, QStringLiteral("journal %1 was written by a newer version").arg(QDir::toNativeSeparators(path))};
    case Store::OpenResult::Failed:
    case Store::OpenResult::NotJournal:
        break;
    }
    const QString reason = m_store.error();
    m_on = true;
    if (!QFileInfo::exists(path)) {
        // Nothing there to set aside: the file could not be made. It is made once it can be.
        m_horizon = now;
        m_waiting = true;
        report(QStringLiteral("Journal %1 cannot be made now (%2); what this run records waits in memory and is "
                              "written once it can be.")
                   .arg(QDir::toNativeSeparators(path), reason));
        return {true, QStringLiteral("journal %1 could not be made (%2)").arg(QDir::toNativeSeparators(path), reason)};
    }
    const bool file = startAfresh(reason);
    return {file, QStringLiteral("journal %1 could not be used (%2)").arg(QDir::toNativeSeparators(path), reason)};
}

// Rows become memory in the order given (oldest first), with handles from firstHandle on: those
// of an earlier run come before the handles the journal gives out (from 1).
void Worker::load(const QList<UploadRecord> &rows, qint64 firstHandle)
{
    qint64 handle = firstHandle;
    for (const UploadRecord &row : rows)
        m_rows.insert(handle++, {row, row.id});
}

void Worker::touch(qint64 handle)
{
    m_dirty.insert(handle);
}

void Worker::asked(qint64 handle, const UploadRecord &record)
{
    m_now = std::max(m_now, record.askedAt);
    m_rows.insert(handle, {record, 0});
    touch(handle);
    // A program that runs for months still keeps 400 days in the file, and two in memory.
    const QDateTime previous = m_rows.size() > 1 ? std::prev(m_rows.cend(), 2)->record.askedAt : QDateTime();
    if (!previous.isValid() || previous.date() != record.askedAt.date()) {
        m_pruneDue = true;
        forgetOld(record.askedAt);
    }
}

void Worker::started(qint64 handle, const QDateTime &at)
{
    const auto found = m_rows.find(handle);
    if (found == m_rows.end())
        return;
    m_now = std::max(m_now, at);
    found->record.startedAt = at;
    found->record.outcome = Outcome::Running;
    touch(handle);
}

void Worker::ended(qint64 handle, const QDateTime &at, bool succeeded, qint64 bytes, const QString &reason, FailureKind kind,
                   const QString &detail)
{
    const auto found = m_rows.find(handle);
    if (found == m_rows.end())
        return;
    m_now = std::max(m_now, at);
    found->record.endedAt = at;
    found->record.outcome = succeeded ? Outcome::Succeeded : Outcome::Failed;
    if (bytes >= 0)
        found->record.bytes = bytes;
    found->record.reason = reason;
    found->record.failureKind = succeeded ? FailureKind::None : kind;
    found->record.failureDetail = detail;
    touch(handle);
}

void Worker::lastExamined(const QDateTime &minute)
{
    m_lastMinute = minute;
    m_minuteDirty = true;
}

std::optional<QDateTime> Worker::lastExaminedMinute() const
{
    return m_lastMinute.isValid() ? std::optional<QDateTime>(m_lastMinute) : std::nullopt;
}

void Worker::forgetOld(const QDateTime &now)
{
    const QDateTime cutoff = now.addSecs(-3600LL * Journal::MemoryHours);
    if (!m_horizon.isValid() || cutoff <= m_horizon)
        return;
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        // What is not yet in the file, or not yet ended, stays.
        if (it->record.askedAt < cutoff && it->rowId > 0 && !m_dirty.contains(it.key()) && hasEnded(it->record))
            it = m_rows.erase(it);
        else
            ++it;
    }
    m_horizon = cutoff;
}

QList<UploadRecord> Worker::memoryRows(const QDateTime &since) const
{
    QList<UploadRecord> rows;
    qint64 sequence = 0;
    for (const Entry &entry : m_rows) {
        ++sequence;
        if (since.isValid() && entry.record.askedAt < since)
            continue;
        UploadRecord row = entry.record;
        row.id = sequence;
        rows.prepend(row);
    }
    return rows;
}

QList<UploadRecord> Worker::rowsSince(const QDateTime &since)
{
    // Memory holds all of the last two days, and what the file has not taken yet.
    if (!m_store.isOpen() || (since.isValid() && since >= m_horizon) || m_unsaved.load())
        return memoryRows(since);
    if (const std::optional<QList<UploadRecord>> rows = m_store.rowsSince(since))
        return *rows;
    return memoryRows(since);
}

void Worker::persist()
{
    if (!m_on || (m_dirty.isEmpty() && !m_minuteDirty && m_carried.isEmpty()))
        return;
    if (!m_store.isOpen() && !reopen())
        return;
    const QString identity = Posix::fileIdentity(m_path);
    if (identity != m_identity) {
        recreate(!identity.isEmpty());
        return;
    }
    if (writeOut())
        return;
    if (m_store.busy()) {
        if (!m_waiting)
            report(QStringLiteral("Journal %1 cannot be written now (%2); what this run records waits in memory and "
                                  "is written once it can be.")
                       .arg(QDir::toNativeSeparators(m_path), m_store.error()));
        m_waiting = true;
        updateUnsaved();
        return;
    }
    startAfresh(m_store.error());
}

void Worker::verify()
{
    if (m_on && m_store.isOpen() && Posix::fileIdentity(m_path) != m_identity) {
        recreate(!Posix::fileIdentity(m_path).isEmpty());
        return;
    }
    persist();
}

// One transaction for all that changed. A failure leaves the memory as it was, so the same rows
// go to the file again later or to a fresh file.
bool Worker::writeOut()
{
    if (!m_store.exec("BEGIN IMMEDIATE"))
        return false;
    QMap<qint64, qint64> inserted;
    bool done = true;
    for (const UploadRecord &row : std::as_const(m_carried))
        done = done && m_store.insert(row) > 0;
    // In the order they were asked for: a new row's id is its place in the journal's sequence.
    QList<qint64> handles = m_dirty.values();
    std::sort(handles.begin(), handles.end());
    for (const qint64 handle : std::as_const(handles)) {
        const auto entry = m_rows.constFind(handle);
        if (!done || entry == m_rows.cend())
            continue;
        int updated = entry->rowId > 0 ? m_store.update(entry->rowId, entry->record) : 0;
        if (updated == 0) {
            const qint64 rowId = m_store.insert(entry->record);
            inserted.insert(handle, rowId);
            updated = rowId > 0 ? 1 : -1;
        }
        done = updated == 1;
    }
    if (done && m_minuteDirty && m_lastMinute.isValid())
        done = m_store.putLastExaminedMinute(m_lastMinute);
    if (done && m_pruneDue)
        done = m_store.prune(m_now);
    if (!done || !m_store.exec("COMMIT")) {
        m_store.rollback();
        return false;
    }
    for (auto it = inserted.cbegin(); it != inserted.cend(); ++it)
        m_rows[it.key()].rowId = it.value();
    m_dirty.clear();
    m_carried.clear();
    m_minuteDirty = false;
    m_pruneDue = false;
    if (m_waiting) {
        m_waiting = false;
        report(QStringLiteral("Journal %1 can be written again; what waited in memory is written.").arg(QDir::toNativeSeparators(m_path)));
    }
    updateUnsaved();
    return true;
}

void Worker::updateUnsaved()
{
    m_unsaved = m_on.load() && (!m_dirty.isEmpty() || m_minuteDirty || !m_carried.isEmpty()) && (m_waiting || !m_store.isOpen());
}

} // namespace JournalDetail

} // namespace korva5
