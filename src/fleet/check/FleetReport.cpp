// SPDX-License-Identifier: MIT
#include "fleet/check/FleetReport.h"

#include "core/delivery/StatusReport.h"

#include <algorithm>

namespace {

// More names than this in one part of the summary are cut short: the first line must stay a line.
constexpr int NamesShown = 10;

QString names(const QStringList &stations)
{
    if (stations.size() <= NamesShown)
        return stations.join(QStringLiteral(", "));
    return stations.first(NamesShown).join(QStringLiteral(", ")) + QStringLiteral(" and %1 more").arg(stations.size() - NamesShown);
}

} // namespace

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
    if (status == Unknown)
        return error;
    QStringList parts;
    QStringList missing, empty, late, leftover, unreadable, stale, owing;
    for (const Station &station : stations) {
        const DayVerdict &day = station.asked();
        switch (day.state) {
        case FileState::Missing:
            missing << station.station;
            break;
        case FileState::Empty:
            empty << station.station;
            break;
        case FileState::Late:
            late << station.station;
            break;
        default:
            break;
        }
        if (day.leftover)
            leftover << station.station;
        switch (station.heartbeat.state) {
        case HeartbeatState::Unreadable:
        case HeartbeatState::Newer:
            unreadable << station.station;
            break;
        case HeartbeatState::Stale:
            stale << station.station;
            break;
        default:
            break;
        }
        if (station.heartbeat.owing)
            owing << station.station;
    }
    QString head = QStringLiteral("%1: %2 of %3 arrived").arg(day.toString(Qt::ISODate)).arg(counts.arrived).arg(counts.expected);
    if (counts.notDue)
        head += QStringLiteral(", %1 not yet due").arg(counts.notDue);
    parts << head;
    for (const auto &[label, list] : {std::pair{"missing", &missing}, std::pair{"empty", &empty}, std::pair{"late", &late},
                                      std::pair{"temporary file left behind", &leftover},
                                      std::pair{"heartbeat unreadable", &unreadable}, std::pair{"heartbeat stale", &stale},
                                      std::pair{"station reports uploads owed", &owing}}) {
        if (!list->isEmpty())
            parts << QStringLiteral("%1: %2").arg(QLatin1StringView(label), names(*list));
    }
    if (!listing.statusProblem.isEmpty())
        parts << QStringLiteral("heartbeats not read: ") + listing.statusProblem;
    return parts.join(QStringLiteral("; "));
}

QString FleetReport::perfData() const
{
    if (status == Unknown)
        return {};
    QStringList values;
    for (const auto &[label, value] :
         {std::pair{"expected", counts.expected}, std::pair{"arrived", counts.arrived}, std::pair{"missing", counts.missing},
          std::pair{"late", counts.late}, std::pair{"empty", counts.empty}, std::pair{"partial", counts.partial},
          std::pair{"not_due", counts.notDue}, std::pair{"stale_heartbeats", counts.staleHeartbeats},
          std::pair{"bad_heartbeats", counts.badHeartbeats}, std::pair{"no_heartbeat", counts.noHeartbeat},
          std::pair{"owing", counts.owing}}) {
        values << QStringLiteral("%1=%2;;;0").arg(QLatin1StringView(label)).arg(value);
    }
    return values.join(u' ');
}

QString FleetReport::firstLine() const
{
    const QString perf = perfData();
    return StatusReport::statusName(status) + u": " + summary() + (perf.isEmpty() ? QString() : u" | " + perf);
}

FleetReport judgeFleet(const FleetSettings &settings, const ServerFiles &files, const QList<HeartbeatFile> &heartbeats,
                       QDate day, const QDateTime &now)
{
    FleetReport report;
    report.day = day;
    report.checkedAt = now;
    report.heartbeatsChecked = !heartbeats.isEmpty();
    report.window = deliveryWindow(day, settings.times, settings.graceMinutes);
    if (!report.window)
        return FleetReport::unknown(QStringLiteral("no upload times are set (FtpTime1 to FtpTime10)"), day, now);
    FleetReport::Counts &counts = report.counts;
    counts.expected = files.stationCount();
    report.stations.reserve(files.stationCount());
    for (int s = 0; s < files.stationCount(); ++s) {
        FleetReport::Station station;
        station.station = files.station(s);
        for (int d = 0; d < files.days(); ++d) {
            const QDate date = files.day(d);
            station.days.append(judgeDay(station.station, date, files.files(s, d),
                                         *deliveryWindow(date, settings.times, settings.graceMinutes), settings.graceMinutes, now));
        }
        station.heartbeat = report.heartbeatsChecked ? judgeHeartbeat(station.station, heartbeats.at(s), settings.staleMinutes, now)
                                                     : HeartbeatVerdict{};
        const DayVerdict &asked = station.asked();
        station.severity = std::max(asked.severity, station.heartbeat.severity);
        switch (asked.state) {
        case FileState::Arrived:
            ++counts.arrived;
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
    report.listing.otherDays = files.otherDays();
    report.listing.unlisted = files.unlistedStations();
    return report;
}
