// SPDX-License-Identifier: MIT
#pragma once
// What the fleet's decision tests share: settings of two upload times, lines of a records
// folder's listing, and heartbeats as a station's program writes them.

#include "core/clock/IsoTime.h"
#include "fleet/check/FleetReport.h"
#include "fleet/check/FleetSettings.h"
#include "fleet/check/ListingLines.h"
#include "fleet/check/ServerFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korva5::fleet {

namespace FleetSamples {

// The day judged; its stations send it at 08:30 and 12:00 with 15 minutes of grace: due by
// 08:45, late after 12:15.
inline const QDate Day{2026, 12, 7};

inline QDateTime at(int hour, int minute, QDate day = Day)
{
    return QDateTime(day, QTime(hour, minute));
}

inline FleetSettings settings(const QStringList &stations = {})
{
    FleetSettings settings;
    settings.stations = stations;
    settings.times[0] = QTime(8, 30);
    settings.times[1] = QTime(12, 0);
    settings.graceMinutes = 15;
    settings.staleMinutes = 60;
    return settings;
}

// One line of an MLSD listing.
inline QByteArray mlsdLine(const QByteArray &name, qint64 size, const QDateTime &modified)
{
    return "type=file;size=" + QByteArray::number(size) + ";modify="
        + modified.toUTC().toString(u"yyyyMMddHHmmss").toLatin1() + "; " + name;
}

inline void add(ServerFiles &files, const QByteArray &line, ServerFiles::Folder folder = ServerFiles::Folder::Both)
{
    files.add(folder, ListingLines::parseMlsd(line), QTimeZone::utc(), at(23, 0));
}

// A heartbeat as the station writes it (its time with the offset); times holds its report's times
// that are not OK.
inline QByteArray heartbeat(const QString &station, const QDateTime &writtenAt, const QString &state = u"OK"_qs,
                            const QJsonArray &times = {}, int format = 1)
{
    int owed = 0;
    for (const QJsonValue &time : times)
        owed += time.toObject().value(u"state").toString() == u"owed" ? 1 : 0;
    return QJsonDocument(QJsonObject{{u"format"_qs, format},
                                     {u"version"_qs, u"1.00"_qs},
                                     {u"writtenAt"_qs, IsoTime::text(writtenAt)},
                                     {u"station"_qs, station},
                                     {u"state"_qs, state},
                                     {u"exitStatus"_qs, state == u"OK" ? 0 : 1},
                                     {u"summary"_qs, state == u"OK" ? u"nothing owed"_qs : u"1 owed"_qs},
                                     {u"owed"_qs, owed},
                                     {u"givenUp"_qs, 0},
                                     {u"underWay"_qs, 0},
                                     {u"times"_qs, times}})
        .toJson(QJsonDocument::Compact);
}

inline QJsonObject owedTime(const QString &file, const QString &reasonKind)
{
    return QJsonObject{{u"day"_qs, u"today"_qs},      {u"slot"_qs, u"FtpTime1"_qs},   {u"file"_qs, file},
                       {u"state"_qs, u"owed"_qs},     {u"severity"_qs, u"WARNING"_qs}, {u"reasonKind"_qs, reasonKind},
                       {u"text"_qs, u"failed: 530 Login incorrect.; next try 09:38"_qs}};
}

// A fleet with one station of each kind: 1 arrived, 2 missing, 3 only a temporary file, 4 late,
// 5 whose heartbeat summary holds markup, 6 with a newer heartbeat.
inline FleetReport sampleReport()
{
    const QStringList stations{u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs, u"5"_qs, u"6"_qs};
    ServerFiles files(stations, Day, HistoryDays);
    add(files, mlsdLine("20261207.1", 100, at(8, 31)));
    add(files, mlsdLine(".20261207.3.part", 50, at(8, 31)));
    add(files, mlsdLine("20261207.4", 200, at(13, 0)));
    add(files, mlsdLine("20261207.5", 300, at(8, 40)));
    add(files, mlsdLine("20261207.6", 400, at(8, 40)));
    add(files, mlsdLine("notes<1>.txt", 1, at(8, 0)), ServerFiles::Folder::Records);
    const QDateTime now = at(14, 0);
    QList<HeartbeatFile> heartbeats(stations.size());
    heartbeats[0] = {true, heartbeat(u"1"_qs, now.addSecs(-60)), {}};
    heartbeats[4] = {true,
                     QByteArray("{\"format\":1,\"station\":\"5\",\"state\":\"UNKNOWN\",\"version\":\"1\",\"summary\":"
                                "\"<script>alert(1)</script> & \\\"quoted\\\"\",\"writtenAt\":\"")
                         + now.toString(Qt::ISODate).toLatin1() + "\"}",
                     {}};
    heartbeats[5] = {true, heartbeat(u"6"_qs, now, u"OK"_qs, {}, 2), {}};
    FleetReport report = judgeFleet(settings(stations), files, heartbeats, Day, now);
    report.listing.method = u"MLSD"_qs;
    report.listing.bytes = 1234;
    report.listing.connections = 1;
    return report;
}

} // namespace FleetSamples

} // namespace korva5::fleet
