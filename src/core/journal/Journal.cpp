// SPDX-License-Identifier: MIT
#include "core/journal/Journal.h"

#include "core/journal/JournalStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMetaObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

Q_LOGGING_CATEGORY(lcJournal, "korva5.journal", QtInfoMsg)

namespace {

struct Name
{
    Trigger trigger;
    const char *text;
};
constexpr Name TriggerNames[] = {{Trigger::Manual, "manual"},
                                 {Trigger::Yesterday, "yesterday"},
                                 {Trigger::Slot, "slot"},
                                 {Trigger::Retry, "retry"},
                                 {Trigger::CatchUp, "catch-up"}};

struct OutcomeText
{
    Outcome outcome;
    const char *text;
};
constexpr OutcomeText OutcomeNames[] = {{Outcome::Asked, "asked"},
                                        {Outcome::Running, "running"},
                                        {Outcome::Succeeded, "succeeded"},
                                        {Outcome::Failed, "failed"}};

bool hasSlot(Trigger trigger)
{
    return trigger == Trigger::Slot || trigger == Trigger::Retry || trigger == Trigger::CatchUp;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QString triggerName(Trigger trigger)
{
    for (const Name &name : TriggerNames)
        if (name.trigger == trigger)
            return QString::fromLatin1(name.text);
    return {};
}

std::optional<Trigger> triggerFromName(const QString &text)
{
    for (const Name &name : TriggerNames)
        if (text == QLatin1String(name.text))
            return name.trigger;
    return std::nullopt;
}

QString outcomeName(Outcome outcome)
{
    for (const OutcomeText &name : OutcomeNames)
        if (name.outcome == outcome)
            return QString::fromLatin1(name.text);
    return {};
}

std::optional<Outcome> outcomeFromName(const QString &text)
{
    for (const OutcomeText &name : OutcomeNames)
        if (text == QLatin1String(name.text))
            return name.outcome;
    return std::nullopt;
}

namespace JournalDetail {

// The journal's own thread and everything it touches. Members below "worker thread only" are
// used by queued operations alone, one at a time, so they need no lock.
class Worker
{
public:
    explicit Worker(Journal *owner) : m_owner(owner), m_thread([this] { run(); }) {}

    ~Worker()
    {
        {
            std::lock_guard lock(m_queueMutex);
            m_stopping = true;
        }
        m_wake.notify_one();
        m_thread.join();
        m_store.close();
    }

    Worker(const Worker &) = delete;
    Worker &operator=(const Worker &) = delete;

    // barrier: the operation needs everything before it committed (a read, a flush).
    void post(std::function<void()> operation, bool barrier = false)
    {
        {
            std::lock_guard lock(m_queueMutex);
            m_queue.push_back({std::move(operation), barrier});
        }
        m_wake.notify_one();
    }

    // Runs operation after everything queued before it, and waits for its result.
    template<typename T>
    T call(const std::function<T()> &operation)
    {
        std::promise<T> promise;
        std::future<T> result = promise.get_future();
        post([&] { promise.set_value(operation()); }, true);
        return result.get();
    }

    // From any thread. The signal is emitted on the journal's own thread: queued from here, or
    // at once by a caller that waited for the worker (open, flush, the reads).
    void report(const QString &line)
    {
        qCWarning(lcJournal).noquote() << line;
        {
            std::lock_guard lock(m_noticeMutex);
            m_notices << line;
        }
        QMetaObject::invokeMethod(m_owner, [owner = m_owner] { owner->deliverNotices(); }, Qt::QueuedConnection);
    }

    QStringList takeNotices()
    {
        std::lock_guard lock(m_noticeMutex);
        return std::exchange(m_notices, {});
    }

    bool isOn() const { return m_on.load(); }

    // Worker thread only, from here on.

    bool openAt(const QString &path, const QDateTime &now)
    {
        m_path = path;
        m_lastPruned = now.date();
        switch (m_store.open(path, Store::Mode::Write, now)) {
        case Store::OpenResult::Opened:
            m_on = true;
            return true;
        case Store::OpenResult::Newer:
            // Its rows belong to the newer program; setting them aside would hide them from it.
            report(QStringLiteral("Journal %1 was written by a newer version of the program and is left as it "
                                  "is; uploads go on without a journal.")
                       .arg(shown(path)));
            return false;
        case Store::OpenResult::Failed:
        case Store::OpenResult::NotJournal:
            break;
        }
        m_on = true;
        return startAfresh(now);
    }

    qint64 maxId() { return m_store.isOpen() ? std::max<qint64>(m_store.maxId(), 0) : 0; }

    // Runs a write; one that fails sets the file aside and is tried once more on a fresh one.
    void write(const std::function<bool(Store &)> &operation)
    {
        if (!m_on || !m_store.isOpen())
            return;
        if (operation(m_store))
            return;
        if (startAfresh(QDateTime::currentDateTime()) && !operation(m_store))
            switchOff(m_store.error());
    }

    // Every row written in a batch is kept until the batch is committed, so a commit that fails
    // loses none of them.
    void putRecord(const UploadRecord &record)
    {
        if (m_inBatch)
            m_batchRecords.append(record);
        write([&](Store &store) { return store.put(record); });
    }

    void asked(const UploadRecord &record)
    {
        m_inFlight.insert(record.id, record);
        putRecord(record);
        // A program that runs for months still keeps 400 days and no more.
        if (record.askedAt.date() != m_lastPruned) {
            m_lastPruned = record.askedAt.date();
            write([&](Store &store) { return store.prune(record.askedAt); });
        }
    }

    void started(qint64 id, const QDateTime &at)
    {
        const auto found = m_inFlight.find(id);
        if (found == m_inFlight.end())
            return;
        found->startedAt = at;
        found->outcome = Outcome::Running;
        const UploadRecord record = *found;
        putRecord(record);
    }

    void ended(qint64 id, const QDateTime &at, bool succeeded, qint64 bytes, const QString &reason)
    {
        const auto found = m_inFlight.find(id);
        if (found == m_inFlight.end())
            return;
        found->endedAt = at;
        found->outcome = succeeded ? Outcome::Succeeded : Outcome::Failed;
        if (bytes >= 0)
            found->bytes = bytes;
        found->reason = reason;
        const UploadRecord record = *found;
        m_inFlight.erase(found);
        putRecord(record);
    }

    void lastExamined(const QDateTime &minute)
    {
        m_lastMinute = minute;
        write([&](Store &store) { return store.putLastExaminedMinute(minute); });
    }

    Store &store() { return m_store; }

private:
    struct Queued
    {
        std::function<void()> operation;
        bool barrier = false;
    };

    // Writes that come in a burst (an upload asked for, started and ended, a day of retries)
    // share one commit: each commit costs far more than the row it writes. A batch waits at most
    // BatchWindow for more, so a row is on disk that long after it was asked for at most.
    static constexpr std::chrono::milliseconds BatchWindow{25};
    static constexpr int BatchLimit = 500;

    void run()
    {
        for (;;) {
            Queued next;
            {
                std::unique_lock lock(m_queueMutex);
                m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
                if (m_queue.empty())
                    return; // stopping, and everything asked for is written
                next = std::move(m_queue.front());
                m_queue.pop_front();
            }
            if (next.barrier || !beginBatch()) {
                next.operation();
                continue;
            }
            next.operation();
            const auto deadline = std::chrono::steady_clock::now() + BatchWindow;
            for (int count = 1; count < BatchLimit; ++count) {
                std::unique_lock lock(m_queueMutex);
                m_wake.wait_until(lock, deadline, [this] { return m_stopping || !m_queue.empty(); });
                if (m_queue.empty() || m_queue.front().barrier)
                    break; // a read or flush must see the batch committed first
                next = std::move(m_queue.front());
                m_queue.pop_front();
                lock.unlock();
                next.operation();
            }
            endBatch();
        }
    }

    bool beginBatch()
    {
        if (!m_on || !m_store.isOpen() || !m_store.exec("BEGIN"))
            return false;
        m_inBatch = true;
        m_batchRecords.clear();
        return true;
    }

    void endBatch()
    {
        if (!m_inBatch)
            return; // the batch's file was set aside on the way: its rows went to the fresh one
        m_inBatch = false;
        if (m_store.isOpen() && !m_store.exec("COMMIT")) {
            // A commit that fails (a full disk, a lock) is handled like a failed write: the
            // rows of the batch go to a fresh file.
            if (startAfresh(QDateTime::currentDateTime()))
                putBatchAgain();
        }
        m_batchRecords.clear();
    }

    void putBatchAgain()
    {
        for (const UploadRecord &record : std::as_const(m_batchRecords)) {
            if (!m_store.put(record)) {
                switchOff(m_store.error());
                return;
            }
        }
    }

    // The file in the way is renamed, never deleted: what it holds may still be read by hand.
    bool startAfresh(const QDateTime &now)
    {
        const QString reason = m_store.error();
        const bool inBatch = std::exchange(m_inBatch, false); // its transaction goes with the file
        m_store.close();
        const QString asideName = setAside(now);
        if (asideName.isEmpty()) {
            switchOff(QStringLiteral("%1 could not be used (%2) nor set aside").arg(shown(m_path), reason));
            return false;
        }
        report(QStringLiteral("Journal %1 could not be used (%2); it is set aside as %3 and a fresh one is started.")
                   .arg(shown(m_path), reason, QFileInfo(asideName).fileName()));
        if (m_store.open(m_path, Store::Mode::Write, now) != Store::OpenResult::Opened) {
            switchOff(m_store.error());
            return false;
        }
        // Uploads under way, and the schedule's place, carry on in the fresh file.
        for (const UploadRecord &record : std::as_const(m_inFlight)) {
            if (!m_store.put(record)) {
                switchOff(m_store.error());
                return false;
            }
        }
        if (m_lastMinute.isValid() && !m_store.putLastExaminedMinute(m_lastMinute)) {
            switchOff(m_store.error());
            return false;
        }
        if (inBatch)
            putBatchAgain();
        return m_on.load();
    }

    // The new name of the file, or empty when it could not be moved out of the way. Its -wal
    // goes with it: left behind, SQLite would replay it into the fresh file.
    QString setAside(const QDateTime &now)
    {
        const QString stamp = (now.isValid() ? now : QDateTime::currentDateTime()).toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString aside = m_path + u'.' + stamp + QStringLiteral(".broken");
        for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-wal")); ++n)
            aside = m_path + u'.' + stamp + u'-' + QString::number(n) + QStringLiteral(".broken");
        if (QFileInfo::exists(m_path) && !QFile::rename(m_path, aside))
            return {};
        for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            if (!QFileInfo::exists(m_path + suffix))
                continue;
            if (!QFile::rename(m_path + suffix, aside + suffix) && suffix == QLatin1String("-wal")
                && !QFile::remove(m_path + suffix))
                return {};
        }
        return aside;
    }

    void switchOff(const QString &reason)
    {
        m_store.close();
        m_on = false;
        report(QStringLiteral("Journal switched off (%1); uploads go on without it.").arg(reason));
    }

    Journal *const m_owner;

    std::mutex m_queueMutex;
    std::condition_variable m_wake;
    std::deque<Queued> m_queue;
    bool m_stopping = false;

    std::mutex m_noticeMutex;
    QStringList m_notices;

    std::atomic<bool> m_on{false};

    // Worker thread only.
    Store m_store;
    bool m_inBatch = false;
    QList<UploadRecord> m_batchRecords;
    QString m_path;
    QHash<qint64, UploadRecord> m_inFlight;
    QDateTime m_lastMinute;
    QDate m_lastPruned;

    std::thread m_thread; // last: it starts once everything above exists
};

} // namespace JournalDetail

using JournalDetail::Worker;

Journal::Journal(QObject *parent) : QObject(parent) {}

Journal::~Journal() = default;

bool Journal::open(const QString &programDir, const QDateTime &now)
{
    if (m_worker)
        flush();
    m_worker.reset();
    m_path.clear();
    m_nextId = 1;
    m_worker = std::make_unique<Worker>(this);

    QString why;
    const QString path = locate(programDir, &why);
    if (path.isEmpty()) {
        m_worker->report(QStringLiteral("No journal: %1; uploads go on without it.").arg(why));
        deliverNotices();
        return false;
    }
    m_path = path;
    Worker *worker = m_worker.get();
    const qint64 maxId = worker->call<qint64>([&] { return worker->openAt(path, now) ? worker->maxId() : -1; });
    if (maxId >= 0)
        m_nextId = maxId + 1;
    deliverNotices();
    return isOpen();
}

bool Journal::isOpen() const
{
    return m_worker && m_worker->isOn();
}

QString Journal::path() const
{
    return m_path;
}

qint64 Journal::recordAsked(UploadRecord record)
{
    if (!isOpen())
        return 0;
    record.id = m_nextId++;
    if (!record.askedAt.isValid())
        record.askedAt = QDateTime::currentDateTime();
    if (!hasSlot(record.trigger) || record.slot < 0 || record.slot > 9)
        record.slot = -1;
    record.startedAt = {};
    record.endedAt = {};
    record.outcome = Outcome::Asked;
    record.reason.clear();
    m_worker->post([worker = m_worker.get(), record] { worker->asked(record); });
    return record.id;
}

void Journal::recordStarted(qint64 id, const QDateTime &at)
{
    if (isOpen() && id > 0)
        m_worker->post([worker = m_worker.get(), id, at] { worker->started(id, at); });
}

void Journal::recordEnded(qint64 id, const QDateTime &at, bool succeeded, qint64 bytes, const QString &reason)
{
    if (isOpen() && id > 0)
        m_worker->post([=, worker = m_worker.get()] { worker->ended(id, at, succeeded, bytes, reason); });
}

void Journal::setLastExaminedMinute(const QDateTime &minute)
{
    if (isOpen() && minute.isValid())
        m_worker->post([worker = m_worker.get(), minute] { worker->lastExamined(minute); });
}

std::optional<QDateTime> Journal::lastExaminedMinute()
{
    if (!isOpen())
        return std::nullopt;
    Worker *worker = m_worker.get();
    const auto found = worker->call<std::optional<QDateTime>>([worker]() -> std::optional<QDateTime> {
        if (!worker->isOn())
            return std::nullopt;
        return worker->store().lastExaminedMinute().value_or(std::nullopt);
    });
    deliverNotices();
    return found;
}

QList<UploadRecord> Journal::rowsSince(const QDateTime &since)
{
    if (!isOpen())
        return {};
    Worker *worker = m_worker.get();
    const auto rows = worker->call<QList<UploadRecord>>([worker, &since] {
        if (!worker->isOn())
            return QList<UploadRecord>();
        return worker->store().rowsSince(since).value_or(QList<UploadRecord>());
    });
    deliverNotices();
    return rows;
}

void Journal::flush()
{
    if (!m_worker)
        return;
    m_worker->call<bool>([] { return true; });
    deliverNotices();
}

void Journal::deliverNotices()
{
    if (!m_worker)
        return;
    for (const QString &line : m_worker->takeNotices())
        emit notice(line);
}

std::optional<QList<UploadRecord>> Journal::readRows(const QString &programDir, const QDateTime &since, QString *why,
                                                     bool *missing)
{
    if (missing)
        *missing = false;
    // Where the program would have put it; of two, the one written last. Until a checkpoint
    // the last writes are in the -wal file alone.
    const auto lastWritten = [](const QString &file) {
        return std::max(QFileInfo(file).lastModified(), QFileInfo(file + QStringLiteral("-wal")).lastModified());
    };
    QString path;
    for (const QString &dir : {programDir, stateDir()}) {
        if (dir.isEmpty())
            continue;
        const QString candidate = QDir(dir).filePath(FileName);
        if (QFileInfo(candidate).isFile() && (path.isEmpty() || lastWritten(candidate) > lastWritten(path)))
            path = candidate;
    }
    if (path.isEmpty()) {
        if (missing)
            *missing = true;
        if (why)
            *why = QStringLiteral("no journal in %1 or %2").arg(shown(programDir), shown(stateDir()));
        return std::nullopt;
    }
    JournalDetail::Store store;
    std::optional<QList<UploadRecord>> rows;
    if (store.open(path, JournalDetail::Store::Mode::ReadOnly, QDateTime()) == JournalDetail::Store::OpenResult::Opened)
        rows = store.rowsSince(since);
    if (!rows && why)
        *why = QStringLiteral("journal %1: %2").arg(shown(path), store.error());
    return rows;
}
