// SPDX-License-Identifier: MIT
#pragma once

#include "core/journal/Journal.h"
#include "core/settings/Settings.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

namespace korva5 {

// What is owed: the scheduled uploads that failed and have not been delivered since, each with
// its next try, and those given up. A plain object fed with how each upload ended, live or from
// the journal's rows after a restart, so the window, the retries and --status agree.
//
// A scheduled (or catch-up, or retry) upload that fails is tried again after 1, 2, 4, 8 and 15
// minutes, then every 30 minutes, until it succeeds or 24 hours after its time. Any later
// successful upload of the same remote file (another time, a manual upload) settles it. Manual
// and yesterday uploads are not retried: the operator is there to see them.
class Ledger
{
public:
    static constexpr int GiveUpAfterHours = 24;

    struct Owed
    {
        QString remotePath;   // what identifies the file on the server
        QString localPath;
        QDate day;
        int slot = -1;        // the time whose upload failed (0 for FtpTime1)
        QDateTime due;        // that time's minute
        int failures = 0;     // tries that failed so far
        QDateTime lastFailure;
        QDateTime nextAttempt;
        QString reason;       // of the last failure
        FailureKind failureKind = FailureKind::None; // of the last failure
        QString failureDetail; // what its short words name beside the kind
    };

    // Minutes to wait after the given number of failed tries (1: the first failure).
    static int retryDelayMinutes(int failures);
    // The minute a time's upload was due: when the time of slot comes (DueTime) on the day it
    // fires (times 9 and 10 fire the day after the day whose file they send). Null when time is
    // not a TimeOfDay.
    static QDateTime dueMinute(QDate day, int slot, const QString &time);

    // One upload ended. due is the minute its time was due (scheduled uploads only).
    void ended(const UploadRecord &record, const QDateTime &due);
    // The upload of remotePath was handed over again (a retry): until it ends, no other retry
    // of it is started.
    void retryStarted(const QString &remotePath);

    // Retries whose time has come at now, oldest first, not counting those under way. Those
    // whose 24 hours have run out move to the given-up list instead.
    QList<Owed> dueRetries(const QDateTime &now);
    // Retries whose time passed while no program ran are due now, not at a time gone by.
    void notBefore(const QDateTime &now);
    // A clock set back behind a failure would hold its retry back by as much: the wait counts
    // from now instead.
    void followClock(const QDateTime &now);
    // Moves what ran out of time by now to the given-up list; returns what moved.
    QList<Owed> giveUpExpired(const QDateTime &now);

    const QMap<QString, Owed> &pending() const { return m_pending; }
    // Given up and not delivered since (a later success of the file takes it off).
    const QList<Owed> &givenUp() const { return m_givenUp; }
    bool isOwed(const QString &remotePath) const { return m_pending.contains(remotePath); }

    // Outstanding: owed, or given up and not delivered since.
    bool hasOutstanding() const { return !m_pending.isEmpty() || !m_givenUp.isEmpty(); }
    bool isOutstanding(const QString &remotePath) const { return outstanding(remotePath) != nullptr; }
    // The entry of an outstanding file, the owed one before a given-up one; null when none.
    const Owed *outstanding(const QString &remotePath) const;
    // The outstanding files by their paths on the server, each once.
    QSet<QString> outstandingFiles() const;
    // When the first retry comes, seen at now: one whose time has passed (or that the clock went
    // back behind) is due now. Null when nothing is owed.
    QDateTime nextRetry(const QDateTime &now) const;

    // The ledger as the journal's rows leave it (in any order: they are taken in the journal's
    // sequence), each scheduled row due at its
    // time in settings. Rows that never ended were cut off by the program ending: they count as
    // failed at the time they were asked. The running program and --status both rebuild it so,
    // and so agree on what is owed.
    static Ledger fromRows(QList<UploadRecord> rows, const Settings &settings);

private:
    QMap<QString, Owed> m_pending;
    QList<Owed> m_givenUp;
    QMap<QString, bool> m_underWay;
};

} // namespace korva5
