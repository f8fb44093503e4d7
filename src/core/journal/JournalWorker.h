// SPDX-License-Identifier: MIT
#pragma once

#include "core/journal/Journal.h"
#include "core/journal/JournalStore.h"

#include <QMap>
#include <QSet>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace korva5 {

namespace JournalDetail {

// How opening a journal went, for the program's start.
struct Opened
{
    bool file = false; // a file is in use (or waits for a lock)
    QString doubt;     // why earlier deliveries cannot be known from it; empty when they can
};

// The journal's own thread, what the program holds of the journal in memory, and the file.
//
// Operations come in a queue and change the memory at once; whatever they changed is then
// written in one transaction for everything that came in together (a burst of uploads asked,
// started and ended shares one commit), without waiting for more to come. Members below
// "worker thread only" are used by queued operations alone, one at a time.
class Worker
{
public:
    explicit Worker(Journal *owner);
    ~Worker(); // writes out what is queued and held, then closes
    Worker(const Worker &) = delete;
    Worker &operator=(const Worker &) = delete;

    // barrier: the operation needs everything before it written (a read, a flush).
    void post(std::function<void()> operation, bool barrier = false);

    // Runs operation after everything queued before it, and waits for its result.
    template<typename T>
    T call(const std::function<T()> &operation)
    {
        std::promise<T> promise;
        std::future<T> result = promise.get_future();
        post([&] { promise.set_value(operation()); }, true);
        return result.get();
    }

    struct Notice
    {
        QString line;
        bool switched = false; // the file in use changed: what it held may be gone
    };
    // From any thread; delivered on the journal's own thread.
    void report(const QString &line, bool switched = false);
    QList<Notice> takeNotices();

    bool hasFile() const { return m_on.load(); }

    // Worker thread only, from here on.

    // evidence: why an earlier journal of this program folder is known to have been, if it is;
    // a journal made new despite it cannot tell what was delivered.
    Opened openAt(const QString &path, const QString &evidence, const QDateTime &now);
    void asked(qint64 handle, const UploadRecord &record);
    void started(qint64 handle, const QDateTime &at);
    void ended(qint64 handle, const QDateTime &at, bool succeeded, qint64 bytes, const QString &reason, FailureKind kind,
               const QString &detail);
    void lastExamined(const QDateTime &minute);
    QList<UploadRecord> rowsSince(const QDateTime &since);
    std::optional<QDateTime> lastExaminedMinute() const;
    // Writes what changed since the last time.
    void persist();
    // Also with nothing to write: a journal removed or replaced is made again at once, so a look
    // from outside finds what the program holds.
    void verify();

private:
    struct Queued
    {
        std::function<void()> operation;
        bool barrier = false;
    };
    struct Entry
    {
        UploadRecord record;
        qint64 rowId = 0; // 0: not in the file yet
    };

    void run();
    void load(const QList<UploadRecord> &rows, qint64 firstHandle);
    void touch(qint64 handle);
    void forgetOld(const QDateTime &now);
    QList<UploadRecord> memoryRows(const QDateTime &since) const;
    bool writeOut();
    bool startAfresh(const QString &reason);
    bool startFile(const QString &line);
    void recreate(bool replaced);
    bool reopen();
    QString setAside(const QString &kind);
    void switchOff(const QString &reason);
    void updateUnsaved();

    Journal *const m_owner;

    std::mutex m_queueMutex;
    std::condition_variable m_wake;
    std::deque<Queued> m_queue;
    bool m_stopping = false;

    std::mutex m_noticeMutex;
    QList<Notice> m_notices;

    std::atomic<bool> m_on{false};
    std::atomic<bool> m_unsaved{false};

    // Worker thread only.
    Store m_store;
    QString m_path;
    QString m_identity;              // of the file opened, to notice one removed or replaced
    QMap<qint64, Entry> m_rows;      // by handle: the order the uploads were asked in
    QSet<qint64> m_dirty;            // handles changed since they were last written
    QList<UploadRecord> m_carried;   // older rows saved from a file set aside, for the fresh one
    QDateTime m_horizon;             // memory holds every upload asked at or after this
    QDateTime m_lastMinute;
    bool m_minuteDirty = false;
    bool m_pruneDue = false;
    bool m_waiting = false;          // the file is locked by another program: writes wait
    QDateTime m_now;                 // the latest time a caller gave

    std::thread m_thread; // last: it starts once everything above exists
};

// A journal's rows as a private copy of its file gives them, so that looking never touches the
// file, its -wal or the program writing them. partial: what was read before a failure;
// lastExamined: the last minute the program examined, when the journal holds one.
std::optional<QList<UploadRecord>> readCopy(const QString &path, const QDateTime &since, QString *why,
                                            QList<UploadRecord> *partial = nullptr,
                                            std::optional<QDateTime> *lastExamined = nullptr);

} // namespace JournalDetail

} // namespace korva5
