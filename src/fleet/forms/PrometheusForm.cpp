// SPDX-License-Identifier: MIT
#include "fleet/forms/FleetForms.h"
#include "fleet/forms/LastKnownSeries.h"

#include <QSet>

namespace korva5::fleet {

namespace FleetForms {

namespace {

// A label value as the exposition format needs it: backslash, double quote and line feed escaped.
QString labelValue(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (QChar c : value) {
        if (c == u'\\')
            escaped += QStringLiteral("\\\\");
        else if (c == u'"')
            escaped += QStringLiteral("\\\"");
        else if (c == u'\n')
            escaped += QStringLiteral("\\n");
        else
            escaped += c;
    }
    return escaped;
}

class Exposition
{
public:
    // Opens a metric family: its help and type lines come once, before its samples.
    void family(const QString &name, const QString &help)
    {
        m_name = name;
        m_text += QStringLiteral("# HELP %1 %2\n# TYPE %1 gauge\n").arg(m_name, help);
    }
    void family(const char *name, const char *help) { family(QLatin1StringView(name), QLatin1StringView(help)); }
    void sample(double value) { m_text += m_name + u' ' + number(value) + u'\n'; }
    void sample(const QString &station, double value)
    {
        m_text += QStringLiteral("%1{station=\"%2\"} %3\n").arg(m_name, labelValue(station), number(value));
    }
    void sample(const QString &station, const char *state, double value)
    {
        m_text += QStringLiteral("%1{station=\"%2\",state=\"%3\"} %4\n")
                      .arg(m_name, labelValue(station), QLatin1StringView(state), number(value));
    }
    // A sample line as an earlier check wrote it, read back whole.
    void line(const QString &text) { m_text += text + u'\n'; }
    QString text() const { return m_text; }

private:
    static QString number(double value) { return QString::number(value, 'g', 15); }

    QString m_name;
    QString m_text;
};

// The states of a station's file of the day checked: one of them is 1 for each station, so that
// `sum by (state)` counts the stations in each. "unknown": the server could not be read and no
// earlier check said.
constexpr const char *FileStates[] = {"arrived", "late", "empty", "missing", "not_due", "unknown"};
const char *fileState(FileState state)
{
    switch (state) {
    case FileState::Arrived: return "arrived";
    case FileState::Late: return "late";
    case FileState::Empty: return "empty";
    case FileState::Missing: return "missing";
    case FileState::NotYetDue: return "not_due";
    }
    return "unknown";
}

// The states of a station's heartbeat, likewise one of them 1.
constexpr const char *HeartbeatStates[] = {"fresh", "stale", "unreadable", "newer", "clock_ahead", "no_zone", "none"};
const char *heartbeatState(HeartbeatState state)
{
    switch (state) {
    case HeartbeatState::Fresh: return "fresh";
    case HeartbeatState::Stale: return "stale";
    case HeartbeatState::Unreadable: return "unreadable";
    case HeartbeatState::Newer: return "newer";
    case HeartbeatState::ClockAhead: return "clock_ahead";
    case HeartbeatState::NoZone: return "no_zone";
    case HeartbeatState::None:
    case HeartbeatState::NotChecked: break;
    }
    return "none";
}

struct StationFamily
{
    const char *name;
    const char *help;
};
// Every family of one series (or one state set) per station, in the order they are written.
constexpr StationFamily FileStateFamily{"korva5_fleet_station_file_state",
                                        "The state of the station's file of the day checked (1 for the state it is in)."};
constexpr StationFamily HeartbeatStateFamily{"korva5_fleet_station_heartbeat_state",
                                             "The state of the station's heartbeat (1 for the state it is in)."};
constexpr StationFamily StationFamilies[] = {
    FileStateFamily,
    {"korva5_fleet_station_file_size_bytes", "The size of the station's file of the day (stations whose file is there)."},
    {"korva5_fleet_station_file_modified_timestamp_seconds",
     "When the station's file of the day was last modified, in seconds since 1970 (where the listing says)."},
    {"korva5_fleet_station_status", "The station's state: 0 OK, 1 WARNING, 2 CRITICAL."},
    HeartbeatStateFamily,
    {"korva5_fleet_station_heartbeat_written_timestamp_seconds",
     "When the station wrote its heartbeat, in seconds since 1970 (where it says its zone)."},
    {"korva5_fleet_station_owed_uploads", "Uploads the station's heartbeat reports owed or given up."},
};

// The value of each family for one station, or nothing when the family has none for it.
void writeStations(Exposition &out, const FleetReport &report)
{
    out.family(StationFamilies[0].name, StationFamilies[0].help);
    for (const FleetReport::Station &station : report.stations) {
        const char *state = fileState(station.asked().state);
        for (const char *each : FileStates)
            out.sample(station.station, each, qstrcmp(each, state) == 0 ? 1 : 0);
    }
    out.family(StationFamilies[1].name, StationFamilies[1].help);
    for (const FleetReport::Station &station : report.stations) {
        const ListedFile &file = station.asked().files.records;
        if (file.present && file.size >= 0)
            out.sample(station.station, double(file.size));
    }
    out.family(StationFamilies[2].name, StationFamilies[2].help);
    for (const FleetReport::Station &station : report.stations) {
        const ListedFile &file = station.asked().files.records;
        if (file.present && file.modified.isValid())
            out.sample(station.station, double(file.modified.toSecsSinceEpoch()));
    }
    out.family(StationFamilies[3].name, StationFamilies[3].help);
    for (const FleetReport::Station &station : report.stations)
        out.sample(station.station, station.severity);
    if (!report.heartbeatsChecked)
        return;
    out.family(StationFamilies[4].name, StationFamilies[4].help);
    for (const FleetReport::Station &station : report.stations) {
        const char *state = heartbeatState(station.heartbeat.state);
        for (const char *each : HeartbeatStates)
            out.sample(station.station, each, qstrcmp(each, state) == 0 ? 1 : 0);
    }
    out.family(StationFamilies[5].name, StationFamilies[5].help);
    for (const FleetReport::Station &station : report.stations) {
        // A time written ahead of this clock is the station's clock's fault, not a heartbeat of
        // the future: it is left out, as its age is.
        if (station.heartbeat.writtenAt.isValid() && station.heartbeat.ageSeconds >= 0)
            out.sample(station.station, double(station.heartbeat.writtenAt.toSecsSinceEpoch()));
    }
    out.family(StationFamilies[6].name, StationFamilies[6].help);
    for (const FleetReport::Station &station : report.stations) {
        const HeartbeatVerdict &heartbeat = station.heartbeat;
        if (heartbeat.heartbeat.reading == HeartbeatReading::Reading::Read && heartbeat.state != HeartbeatState::Unreadable)
            out.sample(station.station, heartbeat.heartbeat.owed + heartbeat.heartbeat.givenUp);
    }
}

// The server could not be read: each station's series as the last check wrote them, so that
// an alert on them neither resolves nor fires for the outage (korva5_fleet_up says it). A station
// no earlier check spoke of is "unknown".
void writeLastKnown(Exposition &out, const QStringList &stations, const QString &previous)
{
    const auto stateSet = [](const auto &states) {
        QSet<QString> set;
        for (const char *state : states)
            set.insert(QLatin1StringView(state));
        return set;
    };
    const LastKnownSeries::StateSets stateSets{{QLatin1StringView(FileStateFamily.name), stateSet(FileStates)},
                                               {QLatin1StringView(HeartbeatStateFamily.name), stateSet(HeartbeatStates)}};
    const LastKnownSeries last(previous, QSet<QString>(stations.cbegin(), stations.cend()), stateSets);
    for (const StationFamily &family : StationFamilies) {
        const QString name = QLatin1StringView(family.name);
        const QStringList lines = last.lines(name);
        const bool fileStates = qstrcmp(family.name, FileStateFamily.name) == 0;
        if (lines.isEmpty() && !fileStates)
            continue;
        out.family(name, QLatin1StringView(family.help));
        for (const QString &line : lines)
            out.line(line);
        if (!fileStates)
            continue;
        for (const QString &station : stations) {
            if (last.knows(name, station))
                continue;
            for (const char *each : FileStates)
                out.sample(station, each, qstrcmp(each, "unknown") == 0 ? 1 : 0);
        }
    }
}

} // namespace

QString prometheus(const FleetReport &report, const QStringList &stations, const QString &previous)
{
    Exposition out;
    const bool up = report.status != FleetReport::Unknown;
    out.family("korva5_fleet_up", "Whether the check reached the server and listed its records folder (1) or not (0).");
    out.sample(up ? 1 : 0);
    out.family("korva5_fleet_status", "The check's state: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.");
    out.sample(report.status);
    out.family("korva5_fleet_check_timestamp_seconds", "When the check was made, in seconds since 1970.");
    out.sample(double(report.checkedAt.toSecsSinceEpoch()));
    out.family("korva5_fleet_check_duration_seconds", "How long reading the server took.");
    out.sample(report.listing.seconds);
    if (!up) {
        writeLastKnown(out, stations, previous);
        return out.text();
    }
    out.family("korva5_fleet_listing_bytes", "Bytes of listings and heartbeats read from the server.");
    out.sample(double(report.listing.bytes));
    out.family("korva5_fleet_not_records_files", "Names in the records folder that are not records files.");
    out.sample(double(report.listing.notRecords));
    writeStations(out, report);
    return out.text();
}

} // namespace FleetForms

} // namespace korva5::fleet
