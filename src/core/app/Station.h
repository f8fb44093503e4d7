// SPDX-License-Identifier: MIT
#pragma once

#include "core/app/Heartbeat.h"
#include "core/app/ProgramPaths.h"
#include "core/delivery/Delivery.h"
#include "core/journal/Journal.h"
#include "core/schedule/SecondTicker.h"
#include "core/settings/SettingsStore.h"
#include "core/state/AppState.h"
#include "core/upload/TransferQueue.h"
#include "core/upload/TransferLog.h"
#include "core/upload/Uploader.h"

#include <QObject>
#include <QTimer>

#include <memory>

class Clock;

// The program without its windows: the settings in force, the transfer queue, the uploads, the
// journal, what is owed and the schedule's one-second timer ("tmrSec"), put together once. The
// windows display what it tells them through its signals and pass on what the user asks for;
// tests drive it with a clock and ticks of their own.
class Station : public QObject
{
    Q_OBJECT

public:
    // ticks, when given, drives the schedule in place of the station's own timer, which then
    // stays stopped: whoever gives it ticks it (the station does not own it).
    Station(const ProgramPaths &paths, const Clock &clock, SecondTicker *ticks = nullptr, QObject *parent = nullptr);

    const ProgramPaths &paths() const { return m_paths; }
    const Clock &clock() const { return m_clock; }
    AppState &state() { return m_state; }
    const AppState &state() const { return m_state; }
    SettingsStore &settingsStore() { return m_store; }
    TransferLog &log() { return m_log; }
    TransferQueue &transferQueue() { return m_ftp; }
    Uploader &uploader() { return m_uploader; }
    Journal &journal() { return m_journal; }
    Delivery &delivery() { return m_delivery; }
    SecondTicker &ticker() { return *m_ticks; }
    Heartbeat &heartbeat() { return m_heartbeat; }

    // Reads the language and the settings from TALLYPORT.ini (the program files were checked).
    void loadSettings();
    // Loads the settings file into the state again; the transfer queue takes them for the next
    // upload.
    void reloadSettings();
    // The journal, and the uploads owed from an earlier run (with the catch-up of the times
    // missed meanwhile). Once.
    void startServices();

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
    void applySettings();
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
    SecondTicker m_ownTicks;
    SecondTicker *m_ticks; // m_ownTicks, or the ticks given
    Heartbeat m_heartbeat;
    QTimer m_secondTimer;
    bool m_servicesStarted = false;
};
