// SPDX-License-Identifier: MIT
#include "fleet/check/FleetReport.h"

#include "core/delivery/StatusReport.h"
#include "core/diagnostics/ShownText.h"
#include "fleet/check/VerdictWords.h"

#include <algorithm>

namespace korva5::fleet {

FleetReport FleetReport::unknown(const QString &why, QDate day, const QDateTime &now)
{
    FleetReport report;
    report.status = Unknown;
    report.error = why;
    report.day = day;
    report.checkedAt = now;
    return report;
}

QString FleetReport::summary() const
{
    return VerdictWords::english().summary(*this);
}

QString FleetReport::perfData() const
{
    if (status == Unknown)
        return {};
    QStringList values;
    for (const auto &[label, value] :
         {std::pair{"expected", counts.expected}, std::pair{"arrived", counts.arrived}, std::pair{"on_time", counts.onTime},
          std::pair{"late", counts.late}, std::pair{"empty", counts.empty}, std::pair{"missing", counts.missing},
          std::pair{"partial", counts.partial}, std::pair{"not_due", counts.notDue},
          std::pair{"stale_heartbeats", counts.staleHeartbeats}, std::pair{"bad_heartbeats", counts.badHeartbeats},
          std::pair{"clock_ahead", counts.clockAhead}, std::pair{"no_zone", counts.noZone},
          std::pair{"no_heartbeat", counts.noHeartbeat}, std::pair{"owing", counts.owing}}) {
        values << QStringLiteral("%1=%2;;;0").arg(QLatin1StringView(label)).arg(value);
    }
    return values.join(u' ');
}

QString FleetReport::firstLine() const
{
    const QString perf = perfData();
    // The program's own words hold neither "|" nor ";": any there came from outside.
    return StatusReport::statusName(status) + u": " + pluginText(summary(), PluginLine::First)
        + (perf.isEmpty() ? QString() : u" | " + perf);
}

FleetReport judgeFleet(const FleetSettings &settings, const ServerFiles &files, const QList<HeartbeatFile> &heartbeats,
                       QDate day, const QDateTime &now)
{
    FleetReport report;
    report.day = day;
    report.checkedAt = now;
    report.heartbeatsChecked = !heartbeats.isEmpty();
    report.window = deliveryWindow(day, settings.times, settings.graceMinutes, settings.zones.all);
    if (!report.window)
        return FleetReport::unknown(QStringLiteral("no upload times are set (FtpTime1 to FtpTime10)"), day, now);
    FleetReport::Counts &counts = report.counts;
    counts.expected = files.stationCount();
    const QTimeZone office = QTimeZone::systemTimeZone();
    report.stations.reserve(files.stationCount());
    for (int s = 0; s < files.stationCount(); ++s) {
        FleetReport::Station station;
        station.station = files.station(s);
        // The station's own clock decides its day and times: the zone the settings name for it,
        // else the one its heartbeat says, else the office's. The settings come first: every
        // station may write to the status folder, another's heartbeat too, and a zone that moves
        // a station's times would move when its file is missing.
        const StationZones::Found configured = settings.zones.of(station.station);
        station.heartbeat = report.heartbeatsChecked
            ? judgeHeartbeat(station.station, heartbeats.at(s), settings.staleMinutes, now,
                             configured.named ? configured.zone : QTimeZone())
            : HeartbeatVerdict{};
        const bool told = !configured.named && station.heartbeat.heartbeat.reading == HeartbeatReading::Reading::Read
            && station.heartbeat.heartbeat.station == station.station && station.heartbeat.heartbeat.zone().isValid();
        station.zone = told ? station.heartbeat.heartbeat.zone() : configured.zone;
        station.zoneSource = configured.named ? QStringLiteral("settings") : told ? QStringLiteral("heartbeat") : QStringLiteral("office");
        station.officeZone = station.zone == office || station.zone.id() == office.id();
        for (int d = 0; d < files.days(); ++d) {
            const QDate date = files.day(d);
            const DeliveryWindow window = *deliveryWindow(date, settings.times, settings.graceMinutes, station.zone);
            station.days.append(judgeDay(station.station, date, files.files(s, d), window, settings.graceMinutes, now));
            station.dueBy = window.dueBy;
        }
        const DayVerdict &asked = station.asked();
        station.severity = std::max(asked.severity, station.heartbeat.severity);
        counts.arrived += asked.files.records.present ? 1 : 0;
        switch (asked.state) {
        case FileState::Arrived:
            ++counts.onTime;
            break;
        case FileState::Late:
            ++counts.late;
            break;
        case FileState::Empty:
            ++counts.empty;
            break;
        case FileState::Missing:
            ++counts.missing;
            break;
        case FileState::NotYetDue:
            ++counts.notDue;
            break;
        }
        counts.partial += asked.partial ? 1 : 0;
        counts.leftovers += asked.leftover ? 1 : 0;
        switch (station.heartbeat.state) {
        case HeartbeatState::Stale:
            ++counts.staleHeartbeats;
            break;
        case HeartbeatState::Unreadable:
        case HeartbeatState::Newer:
            ++counts.badHeartbeats;
            break;
        case HeartbeatState::ClockAhead:
            ++counts.clockAhead;
            break;
        case HeartbeatState::NoZone:
            ++counts.noZone;
            break;
        case HeartbeatState::None:
            ++counts.noHeartbeat;
            break;
        default:
            break;
        }
        counts.owing += station.heartbeat.owing ? 1 : 0;
        report.status = std::max(report.status, station.severity);
        report.stations.append(station);
    }
    report.listing.notRecords = files.notRecords();
    report.listing.notRecordsExamples = files.notRecordsExamples();
    report.listing.unsafeNames = files.unsafeNames();
    report.listing.unsafeExamples = files.unsafeExamples();
    report.listing.notConfirmed = files.notConfirmed();
    report.listing.otherDays = files.otherDays();
    report.listing.unlisted = files.unlistedStations();
    return report;
}

} // namespace korva5::fleet
