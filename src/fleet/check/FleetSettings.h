// SPDX-License-Identifier: MIT
#pragma once

#include "core/transfer/FtpRequest.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QTimeZone>

#include <array>
#include <optional>

namespace korva5::fleet {

// The zones the stations' clocks run in, as fleet.ini names them for stations whose heartbeat
// does not ("Zone" for all, "Zone1" ... for groups). A station's day, its upload times and what
// is late are its own clock's.
struct StationZones
{
    QTimeZone all = QTimeZone::systemTimeZone(); // "Zone"; else the office's own
    bool allNamed = false;                       // "Zone" is set: not merely the office's zone
    QHash<QString, QTimeZone> byStation;         // "Zone1" ...: a group's own

    struct Found
    {
        QTimeZone zone;
        bool named = false; // the settings name it, rather than the office's zone standing in
    };
    Found of(const QString &station) const
    {
        const auto found = byStation.constFind(station);
        return found != byStation.constEnd() ? Found{*found, true} : Found{all, allNamed};
    }
};

// What one check of the fleet needs to know, from fleet.ini and the command line together.
struct FleetSettings
{
    QString server;        // as a station's FtpServer: host, host:port, ftp://, ftps://, ftpes://, sftp://
    QString user;
    QString password;
    QString recordsFolder; // where the stations' files arrive ("/upload/"); empty: the login folder
    QString statusFolder;  // where their heartbeats arrive; empty: heartbeats are not read
    QStringList stations;  // the expected station numbers, as StationList gives them
    // The times the stations upload at, as their FtpTime1 ... FtpTime10: times 1 to 8 send the
    // day's file on the day, times 9 and 10 on the day after. Unset slots are empty.
    std::array<std::optional<QTime>, 10> times;
    int graceMinutes = 15; // how long after a time its file may take to arrive
    int staleMinutes = 60; // a heartbeat older than this is stale: twice the stations' 30 minutes
    QTimeZone listTimeZone = QTimeZone::utc(); // the zone of the times in LIST lines
    StationZones zones;
    QString caBundle;      // extra trusted certificates for ftps/ftpes; empty: the system's store
    FtpTimeouts timeouts;
    int totalTimeoutSeconds = 120; // the whole check gives up after this long
    // The most connections the check holds at once. The heartbeats and the names confirmed one
    // by one are many small requests, shared out over a few connections; a server that allows
    // fewer per address is given fewer.
    // 16: what 500 stations over a link of 20 ms need to be read within 5 s (bench/fleet slow).
    static constexpr int MostConnections = 16;
    int connections = MostConnections;
};

// The number of days of history a check looks at: the day asked and the six before it.
constexpr int HistoryDays = 7;

} // namespace korva5::fleet
