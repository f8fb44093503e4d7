// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/check/ListingLines.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QStringList>

// What the server holds of the fleet, taken from the listings of its records folder and status
// folder line by line. Only the files a check judges are kept (each station's records files of
// the days looked at, their temporary and set-aside copies, its heartbeat); everything else is
// counted, so a folder of hundreds of thousands of old files costs little memory.
//
// The names, as the station program writes them:
//   yyyymmdd.<station>              a records file
//   .yyyymmdd.<station>.part        the same on its way, before it is renamed
//   .yyyymmdd.<station>.old         an earlier copy set aside while a new one takes the name
//   korva5-status.<station>.json    the station's heartbeat
// The settings dialog's test file (".korva5-test-....part") is the station program's own and is
// passed over.
struct ListedFile
{
    bool present = false;
    qint64 size = -1; // -1: the listing did not say
    QDateTime modified; // invalid: the listing did not say
};

struct StationDayFiles
{
    ListedFile records;
    ListedFile temporary; // .name.part
    ListedFile aside;     // .name.old
};

class ServerFiles
{
public:
    // stations as StationList gives them; the days looked at are lastDay and the days before it.
    ServerFiles(const QStringList &stations, QDate lastDay, int days);

    enum class Folder { Records, Status, Both };

    // One line of a listing of folder. serverZone and now turn the line's time into a time
    // (ListingLines::timeOf); it is only done for the files kept.
    void add(Folder folder, const ListingLines::Line &line, const QTimeZone &serverZone, const QDateTime &now);
    // One name of a listing that gives names only (NLST): kept, or counted, as add() would.
    // Returns true for a name whose size and time the check needs (see setFacts).
    bool addName(Folder folder, QByteArrayView name);
    // The size and time of a name addName kept, as the server tells them one by one.
    void setFacts(QByteArrayView name, qint64 size, const QDateTime &modified);

    int stationCount() const { return int(m_stations.size()); }
    const QString &station(int index) const { return m_stations.at(index); }
    int days() const { return m_days; }
    // day 0 is the first day looked at, days() - 1 the last (the day asked).
    QDate day(int index) const { return m_lastDay.addDays(index - m_days + 1); }
    const StationDayFiles &files(int station, int day) const { return m_files.at(station * m_days + day); }
    const ListedFile &heartbeat(int station) const { return m_heartbeats.at(station); }

    // What was counted rather than kept.
    qint64 otherDays() const { return m_otherDays; }     // records files of days not looked at
    qint64 notRecords() const { return m_notRecords; }   // files named otherwise
    const QStringList &notRecordsExamples() const { return m_notRecordsExamples; } // the first few
    // Stations not in the list that have records files of the days looked at, or a heartbeat,
    // with how many files each.
    const QMap<QString, int> &unlistedStations() const { return m_unlisted; }

private:
    enum class Kind { Records, Temporary, Aside, Heartbeat, OtherDay, Unlisted, UnlistedHeartbeat, NotRecords, Own };
    struct Place
    {
        Kind kind = Kind::NotRecords;
        int station = -1;
        int day = -1;
        QByteArrayView unlisted; // the station of an Unlisted name
    };
    static Place placeOf(Kind kind, int station = -1, int day = -1, QByteArrayView unlisted = {});
    Place place(QByteArrayView name) const;
    Place recordsPlace(QByteArrayView name) const;
    ListedFile *fileAt(const Place &place);
    // Counts the name when it is not kept; the file to fill in when it is.
    ListedFile *take(Folder folder, const Place &place, QByteArrayView name);

    QStringList m_stations;
    QHash<QByteArray, int> m_index;
    QDate m_lastDay;
    int m_days;
    QList<QByteArray> m_dayNames; // "yyyymmdd" of each day looked at
    QList<StationDayFiles> m_files;
    QList<ListedFile> m_heartbeats;
    QHash<QByteArray, ListedFile *> m_awaitingFacts; // names from NLST, until setFacts
    qint64 m_otherDays = 0;
    qint64 m_notRecords = 0;
    QStringList m_notRecordsExamples;
    QMap<QString, int> m_unlisted;
};
