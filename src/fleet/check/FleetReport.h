// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/check/FleetSettings.h"
#include "fleet/check/ServerFiles.h"
#include "fleet/check/Verdicts.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTimeZone>

namespace korva5::fleet {

// One check of the whole fleet for one day, in the form of a monitoring plugin: a state and exit
// status, a summary whose names and counts match the stations' lines, and performance data.
//
// The state is the worst of the stations' for the day asked (earlier days are shown, not judged):
//   CRITICAL  a file is not on the server under its name after its first time plus grace
//   WARNING   a file came late or empty, a temporary copy was left behind, a file is still on
//             its way after its time, a heartbeat is stale, unreadable or from a newer version,
//             a station's heartbeat reports something owed, or the status folder cannot be listed
//   OK        everything else (files not yet due, stations that leave no heartbeat)
//   UNKNOWN   the check could not be made (settings, server, login, records folder): it says why
struct FleetReport
{
    // The exit statuses of a monitoring plugin, named as a station's --status names them
    // (StatusReport::statusName).
    enum Status : int { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

    // arrived = onTime + late + empty; arrived + missing + notDue = expected.
    struct Counts
    {
        int expected = 0;
        int arrived = 0;  // on the server under its name: on time, late or empty
        int onTime = 0;   // by the last time plus grace, and not empty
        int late = 0;
        int empty = 0;
        int missing = 0;  // partial ones included
        int partial = 0;  // missing, with a temporary or set-aside copy there
        int notDue = 0;
        int leftovers = 0; // there, with a temporary copy left behind beside it
        int staleHeartbeats = 0;
        int badHeartbeats = 0; // unreadable or newer
        int clockAhead = 0;    // written ahead of this computer's clock
        int noZone = 0;        // written without an offset by a station of unknown zone
        int noHeartbeat = 0;
        int owing = 0;     // heartbeats that report something owed
    };

    // How the server was read.
    struct Listing
    {
        QString method;          // "MLSD", "LIST", "NLST"
        qint64 bytes = 0;        // bytes of listings and heartbeats read
        int connections = 0;     // connections made for the whole check
        double seconds = 0;      // the time the server took
        qint64 notRecords = 0;   // names in the records folder that are not records files
        QStringList notRecordsExamples;
        qint64 unreadableLines = 0; // listing lines in no known form, or too long for any
        QString unreadableExample;  // the first of them
        qint64 unsafeNames = 0;     // names holding control characters: never taken for a file
        QStringList unsafeExamples; // the first few, escaped
        qint64 confirmed = 0;       // names the server was asked for one by one
        qint64 notConfirmed = 0;    // listed, but not there under that name when asked
        qint64 otherDays = 0;    // records files of days not looked at
        QMap<QString, int> unlisted; // stations not in the list that sent files
        QString statusProblem;   // why the status folder could not be listed
    };

    struct Station
    {
        QString station;
        QTimeZone zone;     // the station's clock's, in which its day and times are judged
        QString zoneSource; // "heartbeat", "settings" or "office"
        QDateTime dueBy;    // its file of the day asked, by its own clock
        bool officeZone = true; // its zone is this computer's: its times need no zone beside them
        int severity = 0;
        QList<DayVerdict> days; // oldest first; the last is the day asked
        HeartbeatVerdict heartbeat;

        const DayVerdict &asked() const { return days.back(); }
    };

    int status = Ok;
    QString error; // UNKNOWN: why
    QDate day;
    QDateTime checkedAt;
    std::optional<DeliveryWindow> window; // of the day asked
    QList<Station> stations;
    Counts counts;
    Listing listing;
    bool heartbeatsChecked = false;

    // "CRITICAL: 2026-12-07: 39 of 40 arrived (38 on time, 1 late) - missing: 7 | expected=40;;;0 ..."
    // Whatever came from outside (a server's reply) is escaped for a monitor (pluginText).
    QString firstLine() const;
    QString summary() const; // the first line's words between the state and "|", as they are
    QString perfData() const;

    static FleetReport unknown(const QString &why, QDate day, const QDateTime &now);
};

// Judges every station for day and the days before it at now. heartbeats holds one entry per
// station of files (in its order) when the status folder was read, none when it was not.
FleetReport judgeFleet(const FleetSettings &settings, const ServerFiles &files, const QList<HeartbeatFile> &heartbeats,
                       QDate day, const QDateTime &now);

} // namespace korva5::fleet
