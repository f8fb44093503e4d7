// SPDX-License-Identifier: MIT
#pragma once

#include "core/transfer/FailureKind.h"

#include <QDate>
#include <QDateTime>
#include <QFileDevice>
#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

namespace korva5 {

// Lines about the journal itself: where it is, what was set aside, when it switched off.
Q_DECLARE_LOGGING_CATEGORY(lcJournal)

// What asked for an upload. Stored as text: "manual", "yesterday", "slot", "retry", "catch-up".
enum class Trigger { Manual, Yesterday, Slot, Retry, CatchUp };

// Uploads asked for by the schedule (a time, its retry, its catch-up): the ones that belong to a
// time, and the ones retried when they fail.
inline bool isScheduled(Trigger trigger)
{
    return trigger == Trigger::Slot || trigger == Trigger::CatchUp || trigger == Trigger::Retry;
}
// Stored as text: "asked", "running", "succeeded", "failed".
enum class Outcome { Asked, Running, Succeeded, Failed };

struct UploadRecord
{
    qint64 id = 0;                // the journal's sequence: a later upload has a larger id
    QDateTime askedAt;
    Trigger trigger = Trigger::Manual;
    int slot = -1;                // 0..9 (FtpTime1..FtpTime10) for Slot, Retry and CatchUp, else -1
    QDate day;                    // the day whose file it is
    QString localPath, remotePath;
    QString server;               // as shown to the user: never with a password in it
    QDateTime startedAt, endedAt; // null until known
    qint64 bytes = -1;            // -1: not known
    Outcome outcome = Outcome::Asked;
    QString reason;               // why it failed
    QDateTime due;                // a scheduled upload's minute, its 24 hours of retries count from it
    FailureKind failureKind = FailureKind::None; // what kind of failure (None unless it failed)
    QString failureDetail;        // what the failure's short words name beside its kind

    bool operator==(const UploadRecord &) const = default;
};

QString triggerName(Trigger trigger);
std::optional<Trigger> triggerFromName(const QString &name);
QString outcomeName(Outcome outcome);
std::optional<Outcome> outcomeFromName(const QString &name);

namespace JournalDetail { class Worker; }

// Every upload the program asks for, and how it ended, kept for 400 days in an SQLite file.
//
// The window calls this from its own thread and is never held by the disk: what is recorded is
// kept in memory at once (the last two days of it, and everything not yet on disk) and written
// out by a thread of the journal's own. Reads wait for the writes asked for before them.
//
// The journal is what the program knows of earlier runs, so losing it must never lose an
// upload that is owed. A file that cannot be used is set aside (what can be read of it is
// carried over) and a fresh one started; one removed or replaced while the program runs is made
// again from what the program holds; one only locked by another program is waited for. Where no
// file can be kept, the program goes on with what it holds in memory. Each such change is one
// notice; and whenever the program cannot tell from its journal what was delivered before, it
// says so (doubt(), switched()), so that the uploads of today and yesterday are sent again.
class Journal : public QObject
{
    Q_OBJECT

public:
    // The journal's name in the program folder. In the state folder its name also carries the
    // program folder's key (stateFileName), as each program folder has a journal of its own.
    static inline const QString FileName = QStringLiteral("korva5-journal.sqlite");
    // How long a write waits for another program's lock before trying again later.
    static constexpr int BusyTimeoutMs = 2000;
    static constexpr int KeepDays = 400;
    // What the journal keeps in memory: a day's retries and the day before, as the program reads.
    static constexpr int MemoryHours = 48;
    // The reason an upload that an earlier run left unended gets at the next start.
    static constexpr char CutOffReason[] = "cut off: the program ended before the upload did";

    // Where a journal may go when the folder of the settings cannot take one: to the user's own
    // state folder (a program folder copied by hand, which may be read-only for its user), or
    // nowhere (an installed station, whose one journal every user and monitor reads).
    enum class Fallback { StateFolder, None };
    static Fallback fallbackFor(const QString &programDir);

    struct Location
    {
        QString file;     // empty when no place takes a journal
        QString why;      // why not, when file is empty
        QString unusable; // a journal of this folder is there but cannot be used: a sentence
        QString moved;    // file is not beside the settings: a sentence saying where and why
    };
    // Where the journal belongs: beside the settings file in the program folder, else (with
    // Fallback::StateFolder) in the user's state folder (made here) under stateFileName.
    static Location locate(const QString &programDir, Fallback fallback);
    // The state folder that locate falls back to (not made here).
    static QString stateDir();
    static QString stateFileName(const QString &programDir);
    // The mode of the journal file at path, and of the -wal and -shm files SQLite gives its mode:
    // the owner's alone, and its group's as well where the settings beside it are shared with
    // that group (read and written by it, as in an installed station's folder, whose files all
    // belong to the station's group). Every member who runs the program then keeps the one
    // journal, and a monitor in the group reads it: whoever may read the settings, with the
    // password in them, may read the journal.
    static QFileDevice::Permissions filePermissions(const QString &path);
    static constexpr QFileDevice::Permissions ModeBits = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

    explicit Journal(QObject *parent = nullptr);
    ~Journal() override; // writes out what is queued, then closes

    // Finds the place, opens or makes the journal there, drops rows older than 400 days before
    // now. False: the program runs without a journal file (a notice said why).
    bool open(const QString &programDir, const QDateTime &now, Fallback fallback);
    bool open(const QString &programDir, const QDateTime &now) { return open(programDir, now, fallbackFor(programDir)); }
    // A file is in use, or waits for another program's lock to pass.
    bool isOpen() const;
    QString path() const;
    // Why what was delivered before this start cannot be known from the journal (it is new
    // where an earlier one was, was set aside, cannot be read or kept); empty when it can. A
    // first start, with no journal of this program folder anywhere, has no doubt: nothing of
    // the past is owed.
    QString doubt() const { return m_doubt; }

    // Returns the handle of the upload for the two calls below (record.id is ignored).
    qint64 recordAsked(UploadRecord record);
    void recordStarted(qint64 handle, const QDateTime &at);
    void recordEnded(qint64 handle, const QDateTime &at, bool succeeded, qint64 bytes, const QString &reason,
                     FailureKind kind = FailureKind::None, const QString &detail = {});
    void setLastExaminedMinute(const QDateTime &minute);

    // Nothing on a first start or without a journal.
    std::optional<QDateTime> lastExaminedMinute();
    // Uploads asked for at or after since, newest first (in the journal's sequence). Without a
    // file, those the program holds in memory.
    QList<UploadRecord> rowsSince(const QDateTime &since);
    // Waits until every write asked for so far has been written (or is left waiting for a lock).
    void flush();

    // A look from outside the running program (--status, --history): reads a private copy of
    // this program folder's journal, so it never makes, repairs, sets aside or removes a file.
    // Nothing when there is no journal or it cannot be read, why then says so; missing tells
    // the two apart (true: there is none, and nothing says there ever was), since a monitor must
    // not take a journal it cannot see for a folder that never uploaded. lastExamined: the last
    // minute the program examined (by the running program's schedule, written when a time
    // matched or the times changed).
    static std::optional<QList<UploadRecord>> readRows(const QString &programDir, const QDateTime &since,
                                                       QString *why = nullptr, bool *missing = nullptr,
                                                       std::optional<QDateTime> *lastExamined = nullptr);
    static std::optional<QList<UploadRecord>> readRows(const QString &programDir, Fallback fallback,
                                                       const QDateTime &since, QString *why = nullptr,
                                                       bool *missing = nullptr,
                                                       std::optional<QDateTime> *lastExamined = nullptr);

signals:
    // One line for the transfer log, each time the journal changes state.
    void notice(const QString &line);
    // After open: the journal was set aside, made again or switched off, so what it held may
    // be gone. why is the notice that said so.
    void switched(const QString &why);

private:
    // Why a journal of programDir is known to have been kept before, where path is not there yet:
    // another file of it, one set aside, or the mark an earlier run left beside it. Empty for a
    // program folder that never had one.
    static QString earlierJournal(const QString &programDir, const QString &path);
    // The mark a run leaves beside its journal, under a name of its own, so that a journal removed
    // between runs is not taken for a first start.
    static QString runMark(const QString &programDir, const QString &path);
    void deliverNotices();
    friend class JournalDetail::Worker;

    std::unique_ptr<JournalDetail::Worker> m_worker;
    QString m_path;
    QString m_doubt;
    qint64 m_nextHandle = 1;
    QDateTime m_openedAt;
    bool m_opened = false;
    QTimer m_retry; // writes left waiting for a lock are tried again
};

} // namespace korva5
