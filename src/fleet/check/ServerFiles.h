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

#include <optional>

namespace korva5::fleet {

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
    bool confirmed = false; // the server was asked for it by name and has it
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
    // Returns true for a name whose size and time the check needs (see confirm).
    bool addName(Folder folder, QByteArrayView name);

    // The names of the records files kept of a day (and their temporary and set-aside copies;
    // day -1: of every day): what a check asks the server for one by one, since a name holding a
    // line end passes for lines of its own in a listing.
    QList<QByteArray> keptNames(int day = -1) const;
    // Whether the listing gave a kept name more than once (one of them forged by another name),
    // or as a dot file, which a server may leave out of its listing: its time must be asked for.
    bool timeInDoubt(const QByteArray &name) const;
    // What the server said of a kept name asked for by itself. found: whether a file of that
    // name is there (nothing: the server would not say, and the listing's word stands); size and
    // modified, when valid, are its own. A name the server does not know is no longer kept.
    void confirm(QByteArrayView name, std::optional<bool> found, qint64 size, const QDateTime &modified);
    qint64 notConfirmed() const { return m_notConfirmed; }

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
    // Names holding a control character (a line end, NUL ...): never taken for any file, since
    // such a name can pass for another in a listing. With the first few, escaped.
    qint64 unsafeNames() const { return m_unsafe; }
    const QStringList &unsafeExamples() const { return m_unsafeExamples; }
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
    // Records files and their copies by name. The files live in m_files, which never grows
    // after it is made, so the pointers stay good.
    struct Kept
    {
        ListedFile *file = nullptr;
        int day = -1;
        int listed = 0; // lines that gave the name
    };
    QHash<QByteArray, Kept> m_kept;
    void keep(QByteArrayView name, const Place &place, ListedFile *file);
    bool unsafe(QByteArrayView name);
    qint64 m_otherDays = 0;
    qint64 m_unsafe = 0;
    QStringList m_unsafeExamples;
    qint64 m_notConfirmed = 0;
    qint64 m_notRecords = 0;
    QStringList m_notRecordsExamples;
    QMap<QString, int> m_unlisted;
};

} // namespace korva5::fleet
