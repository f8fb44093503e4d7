// SPDX-License-Identifier: MIT
#include "fleet/forms/FleetForms.h"

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
    void family(const char *name, const char *help)
    {
        m_name = QLatin1StringView(name);
        m_text += QStringLiteral("# HELP %1 %2\n# TYPE %1 gauge\n").arg(m_name, QLatin1StringView(help));
    }
    void sample(double value) { m_text += m_name + u' ' + number(value) + u'\n'; }
    void sample(const char *label, const QString &labelText, double value)
    {
        m_text += QStringLiteral("%1{%2=\"%3\"} %4\n").arg(m_name, QLatin1StringView(label), labelValue(labelText), number(value));
    }
    QString text() const { return m_text; }

private:
    static QString number(double value) { return QString::number(value, 'g', 15); }

    QString m_name;
    QString m_text;
};

} // namespace

QString prometheus(const FleetReport &report)
{
    Exposition out;
    const bool up = report.status != FleetReport::Unknown;
    out.family("korva5_fleet_up", "Whether the check reached the server and listed its records folder (1) or not (0).");
    out.sample(up ? 1 : 0);
    out.family("korva5_fleet_status", "The check's state: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.");
    out.sample(report.status);
    out.family("korva5_fleet_check_timestamp_seconds", "When the check was made, in seconds since 1970.");
    out.sample(double(report.checkedAt.toSecsSinceEpoch()));
    if (!up)
        return out.text();
    const FleetReport::Counts &counts = report.counts;
    out.family("korva5_fleet_stations", "Stations by what their file of the day checked is: expected, arrived (on time, late "
                                        "or empty), on_time, late, empty, missing (partial ones included), partial, not_due; "
                                        "and by their heartbeat.");
    for (const auto &[state, value] :
         {std::pair{"expected", counts.expected}, std::pair{"arrived", counts.arrived}, std::pair{"on_time", counts.onTime},
          std::pair{"late", counts.late}, std::pair{"empty", counts.empty}, std::pair{"missing", counts.missing},
          std::pair{"partial", counts.partial}, std::pair{"not_due", counts.notDue},
          std::pair{"stale_heartbeat", counts.staleHeartbeats}, std::pair{"bad_heartbeat", counts.badHeartbeats},
          std::pair{"clock_ahead", counts.clockAhead}, std::pair{"no_zone", counts.noZone},
          std::pair{"no_heartbeat", counts.noHeartbeat}, std::pair{"owing", counts.owing}})
        out.sample("state", QLatin1StringView(state), value);
    out.family("korva5_fleet_listing_seconds", "How long reading the server took.");
    out.sample(report.listing.seconds);
    out.family("korva5_fleet_listing_bytes", "Bytes of listings and heartbeats read from the server.");
    out.sample(double(report.listing.bytes));
    out.family("korva5_fleet_not_records_files", "Names in the records folder that are not records files.");
    out.sample(double(report.listing.notRecords));

    out.family("korva5_fleet_station_arrived", "Whether the station's file of the day is on the server under its name.");
    for (const FleetReport::Station &station : report.stations)
        out.sample("station", station.station, station.asked().files.records.present ? 1 : 0);
    out.family("korva5_fleet_station_late", "Whether the station's file of the day came after its last time plus grace.");
    for (const FleetReport::Station &station : report.stations)
        out.sample("station", station.station, station.asked().state == FileState::Late ? 1 : 0);
    out.family("korva5_fleet_station_status", "The station's state: 0 OK, 1 WARNING, 2 CRITICAL.");
    for (const FleetReport::Station &station : report.stations)
        out.sample("station", station.station, station.severity);
    out.family("korva5_fleet_station_bytes", "The size of the station's file of the day (stations whose file is there).");
    for (const FleetReport::Station &station : report.stations) {
        const ListedFile &file = station.asked().files.records;
        if (file.present && file.size >= 0)
            out.sample("station", station.station, double(file.size));
    }
    out.family("korva5_fleet_station_modified_timestamp_seconds",
               "When the station's file of the day was last modified, in seconds since 1970 (where the listing says).");
    for (const FleetReport::Station &station : report.stations) {
        const ListedFile &file = station.asked().files.records;
        if (file.present && file.modified.isValid())
            out.sample("station", station.station, double(file.modified.toSecsSinceEpoch()));
    }
    if (report.heartbeatsChecked) {
        out.family("korva5_fleet_station_heartbeat_age_seconds",
                   "The age of the station's heartbeat (stations whose heartbeat was read and whose age can be told: "
                   "none for one written ahead of this clock or without its zone).");
        for (const FleetReport::Station &station : report.stations) {
            if (station.heartbeat.ageSeconds >= 0)
                out.sample("station", station.station, double(station.heartbeat.ageSeconds));
        }
        out.family("korva5_fleet_station_owed", "Uploads the station's heartbeat reports owed or given up.");
        for (const FleetReport::Station &station : report.stations) {
            if (station.heartbeat.heartbeat.reading == Heartbeat::Reading::Read && station.heartbeat.state != HeartbeatState::Unreadable)
                out.sample("station", station.station, station.heartbeat.heartbeat.owed + station.heartbeat.heartbeat.givenUp);
        }
    }
    return out.text();
}

} // namespace FleetForms
