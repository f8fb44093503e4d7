// SPDX-License-Identifier: MIT
#include "fleet/check/ServerFiles.h"

#include "core/diagnostics/ShownText.h"

#include <algorithm>

namespace korva5::fleet {

namespace {

constexpr int ExamplesKept = 5;

const QByteArrayView HeartbeatPrefix = "korva5-status.";
const QByteArrayView HeartbeatSuffix = ".json";
const QByteArrayView TestFilePrefix = ".korva5-test-";

bool isStationName(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'))
            return false;
    }
    return true;
}

bool isDate(QByteArrayView digits)
{
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
    }
    return QDate::isValid(digits.first(4).toInt(), digits.sliced(4, 2).toInt(), digits.sliced(6, 2).toInt());
}

} // namespace

ServerFiles::ServerFiles(const QStringList &stations, QDate lastDay, int days)
    : m_stations(stations)
    , m_lastDay(lastDay)
    , m_days(days)
{
    for (int i = 0; i < m_stations.size(); ++i)
        m_index.insert(m_stations.at(i).toUtf8(), i);
    for (int i = 0; i < m_days; ++i)
        m_dayNames.append(day(i).toString(u"yyyyMMdd").toLatin1());
    m_files.resize(m_stations.size() * m_days);
    m_heartbeats.resize(m_stations.size());
}

ServerFiles::Place ServerFiles::placeOf(Kind kind, int station, int day, QByteArrayView unlisted)
{
    Place place;
    place.kind = kind;
    place.station = station;
    place.day = day;
    place.unlisted = unlisted;
    return place;
}

ServerFiles::Place ServerFiles::recordsPlace(QByteArrayView name) const
{
    if (name.size() < 10 || name[8] != '.')
        return {};
    const QByteArrayView station = name.sliced(9);
    if (!isStationName(station))
        return {};
    const QByteArrayView date = name.first(8);
    int day = -1;
    for (int i = 0; i < m_dayNames.size(); ++i) {
        if (m_dayNames.at(i) == date) {
            day = i;
            break;
        }
    }
    if (day < 0)
        return placeOf(isDate(date) ? Kind::OtherDay : Kind::NotRecords);
    // A view of the name's own bytes: the look-up copies nothing.
    const auto found = m_index.constFind(QByteArray::fromRawData(station.data(), station.size()));
    if (found == m_index.constEnd())
        return placeOf(Kind::Unlisted, -1, -1, station);
    return placeOf(Kind::Records, *found, day);
}

ServerFiles::Place ServerFiles::place(QByteArrayView name) const
{
    if (name.startsWith(HeartbeatPrefix) && name.endsWith(HeartbeatSuffix)
        && name.size() > HeartbeatPrefix.size() + HeartbeatSuffix.size()) {
        const QByteArrayView station =
            name.sliced(HeartbeatPrefix.size(), name.size() - HeartbeatPrefix.size() - HeartbeatSuffix.size());
        if (!isStationName(station))
            return {};
        const auto found = m_index.constFind(QByteArray::fromRawData(station.data(), station.size()));
        if (found == m_index.constEnd())
            return placeOf(Kind::UnlistedHeartbeat, -1, -1, station);
        return placeOf(Kind::Heartbeat, *found);
    }
    if (name.startsWith(TestFilePrefix))
        return placeOf(Kind::Own);
    if (name.startsWith('.')) {
        for (const auto &[ending, kind] : {std::pair{QByteArrayView(".part"), Kind::Temporary}, std::pair{QByteArrayView(".old"), Kind::Aside}}) {
            if (!name.endsWith(ending))
                continue;
            Place inner = recordsPlace(name.sliced(1, name.size() - 1 - ending.size()));
            if (inner.kind == Kind::Records)
                inner.kind = kind;
            return inner;
        }
        return {};
    }
    return recordsPlace(name);
}

ListedFile *ServerFiles::fileAt(const Place &place)
{
    switch (place.kind) {
    case Kind::Records:
        return &m_files[place.station * m_days + place.day].records;
    case Kind::Temporary:
        return &m_files[place.station * m_days + place.day].temporary;
    case Kind::Aside:
        return &m_files[place.station * m_days + place.day].aside;
    case Kind::Heartbeat:
        return &m_heartbeats[place.station];
    default:
        return nullptr;
    }
}

ListedFile *ServerFiles::take(Folder folder, const Place &place, QByteArrayView name)
{
    const bool records = folder != Folder::Status;
    const bool status = folder != Folder::Records;
    switch (place.kind) {
    case Kind::Records:
    case Kind::Temporary:
    case Kind::Aside:
        return records ? fileAt(place) : nullptr;
    case Kind::Heartbeat:
        return status ? fileAt(place) : nullptr;
    case Kind::Unlisted:
    case Kind::UnlistedHeartbeat:
        if (place.kind == Kind::Unlisted ? records : status)
            ++m_unlisted[QString::fromUtf8(place.unlisted)];
        return nullptr;
    case Kind::OtherDay:
        if (records)
            ++m_otherDays;
        return nullptr;
    case Kind::NotRecords:
        // The status folder may hold other things; only the records folder is meant for records.
        if (records) {
            ++m_notRecords;
            if (m_notRecordsExamples.size() < ExamplesKept)
                m_notRecordsExamples << shownText(QString::fromUtf8(name));
        }
        return nullptr;
    case Kind::Own:
        return nullptr;
    }
    return nullptr;
}

bool ServerFiles::unsafe(QByteArrayView name)
{
    // A line end in a name lets it pass for more lines of the listing, a lone CR at its end for
    // the name without it: such a name is never a station's file, whatever it seems to say.
    if (std::none_of(name.begin(), name.end(), [](char c) { return uchar(c) < 0x20 || uchar(c) == 0x7f; }))
        return false;
    ++m_unsafe;
    if (m_unsafeExamples.size() < ExamplesKept)
        m_unsafeExamples << shownText(QString::fromUtf8(name.first(std::min<qsizetype>(name.size(), 200))));
    return true;
}

void ServerFiles::add(Folder folder, const ListingLines::Line &line, const QTimeZone &serverZone, const QDateTime &now)
{
    if (line.type == ListingLines::Type::Folder || line.type == ListingLines::Type::Unreadable || line.name.isEmpty()
        || unsafe(line.name))
        return;
    const Place where = line.type == ListingLines::Type::File ? place(line.name) : Place{};
    ListedFile *file = take(folder, where, line.name);
    if (!file)
        return;
    file->present = true;
    file->size = line.size;
    file->modified = ListingLines::timeOf(line.modified, serverZone, now);
    keep(line.name, where, file);
}

void ServerFiles::keep(QByteArrayView name, const Place &place, ListedFile *file)
{
    // A heartbeat is fetched by its name, which is confirmation enough.
    if (place.kind == Kind::Heartbeat)
        return;
    Kept &kept = m_kept[name.toByteArray()];
    kept.file = file;
    kept.day = place.day;
    ++kept.listed;
}

QList<QByteArray> ServerFiles::keptNames(int day) const
{
    QList<QByteArray> names;
    for (auto it = m_kept.cbegin(); it != m_kept.cend(); ++it) {
        if (day < 0 || it->day == day)
            names << it.key();
    }
    return names;
}

bool ServerFiles::timeInDoubt(const QByteArray &name) const
{
    return m_kept.value(name).listed > 1 || name.startsWith('.');
}

bool ServerFiles::addName(Folder folder, QByteArrayView name)
{
    // Some servers give NLST's names with the folder in front.
    if (const qsizetype slash = name.lastIndexOf('/'); slash >= 0)
        name = name.sliced(slash + 1);
    if (name.isEmpty() || name == "." || name == ".." || unsafe(name))
        return false;
    const Place where = place(name);
    ListedFile *file = take(folder, where, name);
    if (!file)
        return false;
    file->present = true;
    keep(name, where, file);
    return where.kind != Kind::Heartbeat;
}

void ServerFiles::confirm(QByteArrayView name, std::optional<bool> found, qint64 size, const QDateTime &modified)
{
    ListedFile *file = m_kept.value(name.toByteArray()).file;
    if (!file || !found)
        return;
    if (!*found) {
        *file = ListedFile();
        m_kept.remove(name.toByteArray());
        ++m_notConfirmed;
        return;
    }
    file->present = true;
    file->confirmed = true;
    if (size >= 0)
        file->size = size;
    if (modified.isValid())
        file->modified = modified;
}

} // namespace korva5::fleet
