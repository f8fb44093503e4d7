// SPDX-License-Identifier: MIT
#pragma once

#include "core/app/HeartbeatWriter.h"
#include "core/app/ProgramPaths.h"
#include "core/delivery/Delivery.h"
#include "core/delivery/DeliveryLog.h"
#include "core/delivery/TransferLog.h"
#include "core/delivery/Uploader.h"
#include "core/journal/Journal.h"
#include "core/schedule/SecondTicker.h"
#include "core/settings/SettingsStore.h"
#include "core/state/AppState.h"
#include "core/transfer/TransferQueue.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace korva5 {

class Clock;

// The program without its windows: the settings in force, the transfer queue ("inetFtp"), the
// uploads, the journal, what is owed, the status file and the schedule's one-second timer
// ("tmrSec"), put together once. Its parts are its own: the windows display what it tells them
// through its signals and pass on what the user asks for as the intents below; tests drive it
// the same way, with a clock and ticks of their own.
class Station : public QObject
{
    Q_OBJECT

public:
    // ticks, when given, drives the schedule in place of the station's own timer, which then
    // stays stopped: whoever gives it ticks it (the station does not own it).
    Station(const ProgramPaths &paths, const Clock &clock, SecondTicker *ticks = nullptr, QObject *parent = nullptr);

    const ProgramPaths &paths() const { return m_paths; }
    const Clock &clock() const { return m_clock; }
    // The settings, the language and the run state in force; changed only through the intents.
    const AppState &state() const { return m_state; }

    // Reads the language and the settings from TALLYPORT.ini (the program files were checked).
    void loadSettings();
    // Loads the settings file into the state again; the transfer queue takes them for the next
    // upload.
    void reloadSettings();
    // The journal, and the uploads owed from an earlier run (with the catch-up of the times
    // missed meanwhile). Once.
    void startServices();

    // What the user asks for.
    // Sends the file of day (Manual Upload).
    void sendManual(QDate day);
    // Sends yesterday's file (Yesterday Upload).
    void sendYesterday();
    // Runs the schedule, or stops it (the tray's Run/Stop).
    void setRunning(bool running);
    // Stores settings in TALLYPORT.ini (the settings dialog's Ok); they take effect with the next
    // reloadSettings(). False, with a line in the transfer log, when the file cannot be written.
    bool applySettings(const Settings &settings);
    // Shows everything in language from now on and stores it for the next start; a language that
    // cannot be stored is said in the transfer log.
    void chooseLanguage(const QString &language);
    // The operator has seen the failure of an upload asked for by hand: the status line lets it go.
    void acknowledgeFailedByHand();
    // Empties the transfer log.
    void clearLog();

    // Whether TALLYPORT.ini was changed (by hand) since the settings were read.
    bool settingsChangedSinceLoad() const { return m_store.changedSinceLoad(); }
    // The journal's uploads asked for since then, newest first.
    QList<UploadRecord> history(const QDateTime &since);
    // Waits until the journal holds everything told to it so far.
    void flushJournal();

    // The text of a key of Language.txt in the language in use.
    QString text(const QString &key) const;

    // While something is owed: a scheduled upload waits for its retry, was given up, or is sent
    // again because the journal could not tell.
    bool isAlarming() const { return m_delivery.isAlarming(); }
    // The files owed meanwhile, by their names on the server, in order.
    QStringList owedFiles() const;
    // The status line under the transfer log, as of now.
    QString statusLine() const;

signals:
    // A configured time came: slot (0 for FtpTime1) sends the file of day.
    void timeFired(int slot, QDate day);
    // A line came into the transfer log at row (0: the top), or the log was emptied.
    void logLineInserted(const QString &line, int row);
    void logCleared();
    // An upload's turn came, how much of its file has gone out, how it ended.
    void transferStarted(quint64 tag);
    void transferProgress(quint64 tag, qint64 sent, qint64 total);
    void transferEnded(const FtpResult &result);
    // The status file went out (or failed to).
    void statusWritten(bool succeeded);
    // A tick of the one-second timer: second is how far the minute has come (0 on the sixtieth).
    void secondPassed(int second);
    // A minute of the program's ticks passed (before the schedule looks at it).
    void minutePassed();
    // The names of the last day handed to an upload.
    void fileNamesChosen(const QString &localName, const QString &remoteName);
    // Something the status line shows changed.
    void statusChanged();
    // What is owed changed: the alarm may come or go.
    void alarmChanged();
    // A sentence for the notification area, in the language in use, and on standard error: of
    // remotePath, which good says came right after all (else something is wrong with it).
    void notification(const QString &title, const QString &text, bool good, const QString &remotePath);

private:
    void configureTransfers();
    void notify(const QString &key, const QString &remotePath, const QString &reason = {}, const QDateTime &next = {});

    const ProgramPaths m_paths;
    const Clock &m_clock;
    AppState m_state;
    SettingsStore m_store;
    TransferLog m_log;
    TransferQueue m_ftp;
    Uploader m_uploader;
    Journal m_journal;
    Delivery m_delivery;
    DeliveryLog m_deliveryLog;
    SecondTicker m_ownTicks;
    SecondTicker *m_ticks; // m_ownTicks, or the ticks given
    HeartbeatWriter m_heartbeat;
    QTimer m_secondTimer;
    bool m_servicesStarted = false;
};

} // namespace korva5
