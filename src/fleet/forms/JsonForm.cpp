// SPDX-License-Identifier: MIT
#include "fleet/forms/FleetForms.h"

#include "core/clock/IsoTime.h"
#include "core/delivery/StatusReport.h"

#include <QJsonArray>

namespace korva5::fleet {

namespace FleetForms {

namespace {

// A time with its offset: the office's own for the check, the station's for what concerns it,
// as the stations' own reports give times.
QJsonValue isoTime(const QDateTime &at, const QTimeZone &zone = QTimeZone::systemTimeZone())
{
    return at.isValid() ? QJsonValue(IsoTime::text(at.toTimeZone(zone))) : QJsonValue();
}

QJsonValue copy(const ListedFile &file, const QTimeZone &zone)
{
    if (!file.present)
        return QJsonValue();
    return QJsonObject{{QStringLiteral("bytes"), file.size < 0 ? QJsonValue() : QJsonValue(file.size)},
                       {QStringLiteral("modified"), isoTime(file.modified, zone)}};
}

QJsonObject dayObject(const DayVerdict &day, const QTimeZone &zone)
{
    return QJsonObject{
        {QStringLiteral("day"), day.day.toString(Qt::ISODate)},
        {QStringLiteral("file"), day.name},
        {QStringLiteral("state"), fileStateName(day.state)},
        {QStringLiteral("severity"), StatusReport::statusName(day.severity)},
        {QStringLiteral("bytes"), day.files.records.present && day.files.records.size >= 0 ? QJsonValue(day.files.records.size) : QJsonValue()},
        {QStringLiteral("modified"), day.files.records.present ? isoTime(day.files.records.modified, zone) : QJsonValue()},
        // Asked for by its name, which no other name can pass for; else as the listing gave it.
        {QStringLiteral("confirmed"), day.files.records.present ? QJsonValue(day.files.records.confirmed) : QJsonValue()},
        {QStringLiteral("temporary"), copy(day.files.temporary, zone)},
        {QStringLiteral("setAside"), copy(day.files.aside, zone)},
        {QStringLiteral("text"), day.text},
    };
}

QJsonObject heartbeatObject(const HeartbeatVerdict &verdict)
{
    QJsonObject object{
        {QStringLiteral("state"), heartbeatStateName(verdict.state)},
        {QStringLiteral("severity"), StatusReport::statusName(verdict.severity)},
        {QStringLiteral("text"), verdict.text},
    };
    const bool read = verdict.state == HeartbeatState::Fresh || verdict.state == HeartbeatState::Stale
        || verdict.state == HeartbeatState::ClockAhead || verdict.state == HeartbeatState::NoZone;
    if (!read)
        return object;
    const HeartbeatReading &heartbeat = verdict.heartbeat;
    QJsonArray owing;
    for (const HeartbeatReading::Owing &time : heartbeat.owing) {
        owing.append(QJsonObject{{QStringLiteral("day"), time.day},
                                 {QStringLiteral("slot"), time.slot},
                                 {QStringLiteral("file"), time.file},
                                 {QStringLiteral("state"), time.state},
                                 {QStringLiteral("severity"), time.severity},
                                 {QStringLiteral("reasonKind"), time.reasonKind.isEmpty() ? QJsonValue() : QJsonValue(time.reasonKind)},
                                 {QStringLiteral("text"), time.text}});
    }
    // An age that cannot be trusted is no number at all.
    object.insert(QStringLiteral("ageSeconds"), verdict.ageSeconds < 0 ? QJsonValue() : QJsonValue(verdict.ageSeconds));
    // A time written without its zone is given as it was written.
    object.insert(QStringLiteral("writtenAt"), verdict.writtenAt.isValid()
                                                   ? QJsonValue(IsoTime::text(verdict.writtenAt))
                                                   : QJsonValue(heartbeat.writtenAt.toString(Qt::ISODate)));
    object.insert(QStringLiteral("timeZone"), heartbeat.timeZone.isEmpty() ? QJsonValue() : QJsonValue(heartbeat.timeZone));
    object.insert(QStringLiteral("version"), heartbeat.version);
    object.insert(QStringLiteral("stationState"), heartbeat.state);
    object.insert(QStringLiteral("summary"), heartbeat.summary);
    object.insert(QStringLiteral("owed"), heartbeat.owed);
    object.insert(QStringLiteral("givenUp"), heartbeat.givenUp);
    object.insert(QStringLiteral("underWay"), heartbeat.underWay);
    object.insert(QStringLiteral("owing"), owing);
    return object;
}

} // namespace

QJsonObject json(const FleetReport &report)
{
    QJsonObject object{
        {QStringLiteral("day"), report.day.toString(Qt::ISODate)},
        {QStringLiteral("checkedAt"), isoTime(report.checkedAt)},
        {QStringLiteral("state"), StatusReport::statusName(report.status)},
        {QStringLiteral("exitStatus"), report.status},
        {QStringLiteral("summary"), report.summary()},
    };
    if (report.status == FleetReport::Unknown) {
        object.insert(QStringLiteral("error"), report.error);
        return object;
    }
    const FleetReport::Counts &counts = report.counts;
    object.insert(QStringLiteral("counts"), QJsonObject{
        {QStringLiteral("expected"), counts.expected}, {QStringLiteral("arrived"), counts.arrived},
        {QStringLiteral("onTime"), counts.onTime}, {QStringLiteral("late"), counts.late}, {QStringLiteral("empty"), counts.empty},
        {QStringLiteral("missing"), counts.missing}, {QStringLiteral("partial"), counts.partial},
        {QStringLiteral("notDue"), counts.notDue}, {QStringLiteral("leftovers"), counts.leftovers},
        {QStringLiteral("staleHeartbeats"), counts.staleHeartbeats}, {QStringLiteral("badHeartbeats"), counts.badHeartbeats},
        {QStringLiteral("clockAhead"), counts.clockAhead}, {QStringLiteral("noZone"), counts.noZone},
        {QStringLiteral("noHeartbeat"), counts.noHeartbeat}, {QStringLiteral("owing"), counts.owing},
    });
    if (report.window) {
        object.insert(QStringLiteral("dueBy"), isoTime(report.window->dueBy));
        object.insert(QStringLiteral("lateAfter"), isoTime(report.window->lateAfter));
    }
    const FleetReport::Listing &listing = report.listing;
    QJsonObject unlisted;
    for (auto it = listing.unlisted.cbegin(); it != listing.unlisted.cend(); ++it)
        unlisted.insert(it.key(), it.value());
    object.insert(QStringLiteral("listing"), QJsonObject{
        {QStringLiteral("method"), listing.method},
        {QStringLiteral("bytes"), listing.bytes},
        {QStringLiteral("connections"), listing.connections},
        {QStringLiteral("seconds"), listing.seconds},
        {QStringLiteral("notRecords"), listing.notRecords},
        {QStringLiteral("notRecordsExamples"), QJsonArray::fromStringList(listing.notRecordsExamples)},
        {QStringLiteral("unreadableLines"), listing.unreadableLines},
        {QStringLiteral("unsafeNames"), listing.unsafeNames},
        {QStringLiteral("unsafeExamples"), QJsonArray::fromStringList(listing.unsafeExamples)},
        {QStringLiteral("confirmedByName"), listing.confirmed},
        {QStringLiteral("notConfirmed"), listing.notConfirmed},
        {QStringLiteral("otherDays"), listing.otherDays},
        {QStringLiteral("unlistedStations"), unlisted},
        {QStringLiteral("statusProblem"), listing.statusProblem.isEmpty() ? QJsonValue() : QJsonValue(listing.statusProblem)},
    });
    QJsonArray stations;
    for (const FleetReport::Station &station : report.stations) {
        QJsonArray history;
        for (const DayVerdict &day : station.days)
            history.append(dayObject(day, station.zone));
        QJsonObject entry{
            {QStringLiteral("station"), station.station},
            {QStringLiteral("state"), StatusReport::statusName(station.severity)},
            {QStringLiteral("timeZone"), QString::fromUtf8(station.zone.id())},
            {QStringLiteral("timeZoneFrom"), station.zoneSource},
            {QStringLiteral("dueBy"), isoTime(station.dueBy, station.zone)},
            {QStringLiteral("file"), dayObject(station.asked(), station.zone)},
            {QStringLiteral("history"), history},
        };
        if (report.heartbeatsChecked)
            entry.insert(QStringLiteral("heartbeat"), heartbeatObject(station.heartbeat));
        stations.append(entry);
    }
    object.insert(QStringLiteral("stations"), stations);
    return object;
}

} // namespace FleetForms

} // namespace korva5::fleet
