// SPDX-License-Identifier: MIT
#pragma once

#include "core/delivery/StatusReport.h"
#include "core/settings/Settings.h"
#include "core/transfer/TransferQueue.h"

#include <QJsonObject>
#include <QObject>
#include <QTemporaryDir>
#include <QTimer>

namespace korva5 {

class AppState;
class Clock;
class Journal;

// Tells the office how this station stands: after every upload attempt, and at least every half
// hour while the program runs, the station's status (what --status --json says) goes to the
// server's status folder as korva5-status.<station number>.json, under a temporary name first.
//
// It asks nothing of the records uploads: it has a transfer queue of its own, so a status folder
// that is slow, missing or refuses files never holds one back. It is not an upload the journal
// owes, and it raises no alarm: a failure is one line on standard error and is tried again with
// the next status. Nothing is written unless FtpStatusPath is set.
class HeartbeatWriter : public QObject
{
    Q_OBJECT

public:
    static constexpr int IntervalMinutes = 30;
    // What the office reads it by; a later program that changes its meaning counts this up.
    static constexpr int Format = 1;

    HeartbeatWriter(const AppState &state, Journal &journal, const Clock &clock, QObject *parent = nullptr);

    // The status file on the server; empty when none is written (why says so when a folder is
    // set but cannot be used).
    static QString remotePath(const Settings &settings, QString *why = nullptr);
    // What is written: the report with the format, the program's version, when it was written
    // and the zone of this computer's clock.
    static QJsonObject document(const StatusReport::Report &report, const QDateTime &writtenAt);

    // Writes the status now, or right after the one under way; and every half hour from now on.
    void send();

signals:
    // A status went out (or failed to).
    void written(bool succeeded);

private:
    void onEnded(const FtpResult &result);
    void sayOnce(const QString &line);

    const AppState &m_state;
    Journal &m_journal;
    const Clock &m_clock;
    TransferQueue m_ftp;
    QTemporaryDir m_dir;
    QTimer m_timer;
    bool m_again = false;
    QString m_lastSaid;
};

} // namespace korva5
