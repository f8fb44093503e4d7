// SPDX-License-Identifier: MIT
#pragma once

#include "core/delivery/Ledger.h"
#include "core/schedule/ScheduleCheck.h"
#include "core/transfer/FtpRequest.h"

#include <QDate>
#include <QObject>
#include <QSet>

namespace korva5 {

class AppState;
class Clock;
class Journal;
struct UnderWay;
class Uploader;

// Sees that every day's file reaches the server: it asks for the uploads (manual, yesterday,
// scheduled, catch-up and retries), records each in the journal when it is asked for, when it
// starts and when it ends, tries failed scheduled uploads again, and after a restart or a jump
// of the clock sends what was due while the program was not there to see it. It decides; what
// it decides is worded by whoever listens (DeliveryLog, the station's notifications).
class Delivery : public QObject
{
    Q_OBJECT

public:
    // The uploads go through uploader, and are heard of from it as they start and end.
    Delivery(AppState &state, Uploader &uploader, Journal &journal, const Clock &clock, QObject *parent = nullptr);

    // At start-up: the retries still owed and the times missed since the last run, from the
    // journal; the missed ones are sent at once, oldest first.
    void start();
    // The once-a-minute check: sends the times that have come (and, after a jump of the clock,
    // those it jumped over).
    void checkMinute();
    // Every second: starts the retries whose time has come, gives up what ran out of time.
    void checkRetries();

    // Manual Upload: the file of day, opened by a time-stamp line.
    void sendManual(QDate day);
    // Yesterday Upload: the file of day, without a time-stamp line.
    void sendYesterday(QDate day);

    const Ledger &ledger() const { return m_ledger; }

    // The last upload that went through (from the journal after a restart), if any.
    const std::optional<UploadRecord> &lastDelivered() const { return m_lastDelivered; }
    // Files under way or waiting their turn.
    int waitingCount() const;
    // Files that failed and have not reached the server since: waiting for a retry or given up.
    int owedCount() const;
    // The first retry to come; null when nothing is tried again.
    QDateTime nextRetry() const;
    // The last upload asked for by hand (Manual or Yesterday Upload) that failed, until a later
    // upload of its file goes through or the operator has looked (acknowledgeFailedByHand).
    const std::optional<UploadRecord> &failedByHand() const { return m_failedByHand; }
    void acknowledgeFailedByHand();

    // True while a scheduled upload waits for its retry or was given up, or a file is sent again
    // because the journal could not tell whether it was delivered.
    bool isAlarming() const { return m_ledger.hasOutstanding() || !m_unsure.isEmpty(); }
    // What isAlarming() is about: the files owed, by their paths on the server, in order.
    QStringList owedFiles() const;

signals:
    // A configured time came: slot sends the file of day (before its upload is asked for).
    void timeFired(int slot, QDate day);
    // Something the status line shows changed: an upload was asked for, ended, or is owed.
    void progressed();
    // What is owed changed: a retry was armed, settled, or given up.
    void owedChanged();
    // A scheduled upload failed and its file was not owed before.
    void deliveryFailed(const Ledger::Owed &owed);
    // A file that was owed has reached the server after all.
    void deliveredAfterAll(const QString &remotePath);
    // A file's 24 hours ran out.
    void gaveUp(const Ledger::Owed &owed);
    // At start: count uploads owed from before it will be tried again.
    void owedFromBefore(int count);
    // The journal cannot tell what was delivered (why): the files of the times of today and
    // yesterday that have passed are about to go out again, unless known to be on the server.
    void sendingAgainInDoubt(const QString &why);
    // An upload's end is in the journal and the ledger: what is reported of the station now says
    // how it ended.
    void recorded(const UploadRecord &record);

private:
    void send(QDate day, Trigger trigger, int slot, bool timeStamp, const QDateTime &due, const QString &owedKey = {});
    // Sends what the matches call for; returns the remote files caught up. A catch-up is owed
    // from its time's minute, or from catchUpDue when given.
    QSet<QString> sendMatches(const QList<ScheduleCheck::Match> &matches, const QDateTime &catchUpDue = {});
    // Every configured time of yesterday and today that has passed, as catch-up matches, oldest first.
    QList<ScheduleCheck::Match> timesPassed(const QDateTime &now) const;
    // When the journal cannot tell what was delivered: every time of today and yesterday that
    // has passed is sent again, unless its file is known to have gone out since. A repeat is
    // harmless; a miss is not.
    void catchUpInDoubt(const QString &why);
    bool deliveredSince(const QString &remotePath, const QDateTime &minute);
    void onStarted(quint64 tag);
    void onEnded(const FtpResult &result, const UnderWay &upload);

    AppState &m_state;
    Uploader &m_uploader;
    Journal &m_journal;
    const Clock &m_clock;
    ScheduleCheck m_schedule;
    Ledger m_ledger;
    std::optional<UploadRecord> m_lastDelivered;
    std::optional<UploadRecord> m_failedByHand;
    QSet<QString> m_unsure; // files sent again in doubt, not yet known to be delivered
};

} // namespace korva5
