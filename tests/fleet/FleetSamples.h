// SPDX-License-Identifier: MIT
#pragma once
// What the fleet's decision tests share: settings of two upload times, lines of a records
// folder's listing, and heartbeats as a station's program writes them.

#include "core/clock/IsoTime.h"
#include "fleet/check/FleetSettings.h"
#include "fleet/check/ListingLines.h"
#include "fleet/check/ServerFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

} // namespace FleetSamples
