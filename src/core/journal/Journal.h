// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// Lines about the journal itself: where it is, what was set aside, when it switched off.
Q_DECLARE_LOGGING_CATEGORY(lcJournal)

// What asked for an upload. Stored as text: "manual", "yesterday", "slot", "retry", "catch-up".
enum class Trigger { Manual, Yesterday, Slot, Retry, CatchUp };
// Stored as text: "asked", "running", "succeeded", "failed".
enum class Outcome { Asked, Running, Succeeded, Failed };

struct UploadRecord
{
    qint64 id = 0;
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

    bool operator==(const UploadRecord &) const = default;
};

QString triggerName(Trigger trigger);
std::optional<Trigger> triggerFromName(const QString &name);
QString outcomeName(Outcome outcome);
std::optional<Outcome> outcomeFromName(const QString &name);

namespace JournalDetail { class Worker; }

// Every upload the program asks for, and how it ended, kept for 400 days in an SQLite file.
//
// The window calls this from its own thread and is never held by the disk: writes go into a
// queue that a thread of the journal's own writes out, and an id is handed back at once. Reads
// (at start-up, for the history) wait for the queue first, so they see every write asked for
// before them. A journal that cannot be used is set aside and started afresh; where even that
// fails it switches off and every call does nothing, so an upload never depends on it.
class Journal : public QObject
{
    Q_OBJECT

public:
    static inline const QString FileName = QStringLiteral("korva5-journal.sqlite");
    // How long a write waits for another program's lock before the file counts as locked.
    static constexpr int BusyTimeoutMs = 2000;
    static constexpr int KeepDays = 400;

    // Where the journal belongs: beside the settings file in the program folder, else in the
    // user's state folder (made here). Empty when neither takes a file; why then says so.
    static QString locate(const QString &programDir, QString *why = nullptr);
    // The state folder that locate falls back to (not made here).
    static QString stateDir();

    explicit Journal(QObject *parent = nullptr);
    ~Journal() override; // writes out what is queued, then closes

    // Finds the place, opens or makes the journal there, drops rows older than 400 days before
    // now. False: the program runs without a journal (a notice said why).
    bool open(const QString &programDir, const QDateTime &now);
    bool isOpen() const;
    QString path() const;

    // Returns the id the upload got (record.id is ignored); 0 when there is no journal.
    qint64 recordAsked(UploadRecord record);
    void recordStarted(qint64 id, const QDateTime &at);
    void recordEnded(qint64 id, const QDateTime &at, bool succeeded, qint64 bytes, const QString &reason);
    void setLastExaminedMinute(const QDateTime &minute);

    // Nothing on a first start or without a journal.
    std::optional<QDateTime> lastExaminedMinute();
    // Uploads asked for at or after since, newest first.
    QList<UploadRecord> rowsSince(const QDateTime &since);
    // Waits until every write asked for so far has been written (or given up on).
    void flush();

    // A look from outside the running program (--status, --history): opens the journal where it
    // is, read-only; never makes, repairs or sets aside a file. Nothing when there is no journal
    // or it cannot be read, why then says so; missing tells the two apart (true: there is none),
    // since a monitor must not take a damaged journal for a folder that never uploaded.
    static std::optional<QList<UploadRecord>> readRows(const QString &programDir, const QDateTime &since,
                                                       QString *why = nullptr, bool *missing = nullptr);

signals:
    // One line for the transfer log, each time the journal changes state.
    void notice(const QString &line);

private:
    void deliverNotices();
    friend class JournalDetail::Worker;

    std::unique_ptr<JournalDetail::Worker> m_worker;
    QString m_path;
    qint64 m_nextId = 1;
};
