// SPDX-License-Identifier: MIT
#include "core/journal/Journal.h"

#include "core/journal/JournalWorker.h"

#include <QFile>

namespace korva5 {

Q_LOGGING_CATEGORY(lcJournal, "korva5.journal", QtInfoMsg)

namespace {

// How often writes that a lock held back are tried again, and the file is looked for.
constexpr int RetryIntervalMs = 5000;

} // namespace

using JournalDetail::Worker;

Journal::Journal(QObject *parent) : QObject(parent), m_worker(std::make_unique<Worker>(this))
{
    m_retry.setInterval(RetryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, [this] { m_worker->post([worker = m_worker.get()] { worker->verify(); }); });
}

Journal::~Journal() = default;

bool Journal::open(const QString &programDir, const QDateTime &now, Fallback fallback)
{
    m_retry.stop();
    m_worker.reset();
    m_worker = std::make_unique<Worker>(this);
    m_path.clear();
    m_doubt.clear();
    m_nextHandle = 1;
    m_openedAt = now;
    m_opened = false;

    const Location location = locate(programDir, fallback);
    if (!location.unusable.isEmpty())
        m_worker->report(location.unusable);
    else if (!location.moved.isEmpty())
        m_worker->report(location.moved);
    if (location.file.isEmpty()) {
        m_worker->report(QStringLiteral("No journal: %1; uploads go on without it.").arg(location.why));
        m_doubt = QStringLiteral("no journal can be kept");
        deliverNotices();
        m_opened = true;
        return false;
    }
    const QString path = location.file;
    m_path = path;
    // A journal of this folder that is there but cannot be used puts the past in doubt; one kept
    // in the state folder because the program folder cannot be written does not.
    const QString evidence = location.unusable.isEmpty() ? earlierJournal(programDir, path) : location.unusable;
    Worker *worker = m_worker.get();
    const JournalDetail::Opened opened =
        worker->call<JournalDetail::Opened>([&] { return worker->openAt(path, evidence, now); });
    m_doubt = opened.doubt;
    // Left beside the journal for the next start; where it cannot be made, nothing is lost but
    // that start's knowing of this one.
    QFile mark(runMark(programDir, path));
    if (!mark.exists() && mark.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                                    QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        mark.close();
    deliverNotices();
    m_opened = true;
    m_retry.start();
    return opened.file;
}

bool Journal::isOpen() const
{
    return m_worker->hasFile();
}

QString Journal::path() const
{
    return m_path;
}

qint64 Journal::recordAsked(UploadRecord record)
{
    const qint64 handle = m_nextHandle++;
    if (!record.askedAt.isValid())
        record.askedAt = m_openedAt;
    if (!isScheduled(record.trigger) || record.slot < 0 || record.slot > 9)
        record.slot = -1;
    record.id = 0;
    record.startedAt = {};
    record.endedAt = {};
    record.outcome = Outcome::Asked;
    record.reason.clear();
    m_worker->post([worker = m_worker.get(), handle, record] { worker->asked(handle, record); });
    return handle;
}

void Journal::recordStarted(qint64 handle, const QDateTime &at)
{
    if (handle > 0)
        m_worker->post([worker = m_worker.get(), handle, at] { worker->started(handle, at); });
}

void Journal::recordEnded(qint64 handle, const QDateTime &at, bool succeeded, qint64 bytes, const QString &reason,
                          FailureKind kind, const QString &detail)
{
    if (handle > 0)
        m_worker->post([=, worker = m_worker.get()] { worker->ended(handle, at, succeeded, bytes, reason, kind, detail); });
}

void Journal::setLastExaminedMinute(const QDateTime &minute)
{
    if (minute.isValid())
        m_worker->post([worker = m_worker.get(), minute] { worker->lastExamined(minute); });
}

std::optional<QDateTime> Journal::lastExaminedMinute()
{
    Worker *worker = m_worker.get();
    const auto found = worker->call<std::optional<QDateTime>>([worker] { return worker->lastExaminedMinute(); });
    deliverNotices();
    return found;
}

QList<UploadRecord> Journal::rowsSince(const QDateTime &since)
{
    Worker *worker = m_worker.get();
    const auto rows = worker->call<QList<UploadRecord>>([worker, &since] { return worker->rowsSince(since); });
    deliverNotices();
    return rows;
}

void Journal::flush()
{
    m_worker->call<bool>([] { return true; });
    deliverNotices();
}

void Journal::deliverNotices()
{
    for (const Worker::Notice &notice : m_worker->takeNotices()) {
        emit this->notice(notice.line);
        // Before open() returns, the same is said by doubt().
        if (notice.switched && m_opened)
            emit switched(notice.line);
    }
}

} // namespace korva5
