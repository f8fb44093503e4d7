// SPDX-License-Identifier: MIT
#include "fleet/forms/FleetForms.h"

#include "core/delivery/StatusReport.h"

#include <QJsonArray>

namespace FleetForms {

namespace {

QJsonValue isoTime(const QDateTime &at)
{
    // This computer's time with its offset, as the stations' own reports give times.
    return at.isValid() ? QJsonValue(at.toLocalTime().toString(Qt::ISODate)) : QJsonValue();
}

QJsonValue copy(const ListedFile &file)
{
    if (!file.present)
        return QJsonValue();
    return QJsonObject{{QStringLiteral("bytes"), file.size < 0 ? QJsonValue() : QJsonValue(file.size)},
                       {QStringLiteral("modified"), isoTime(file.modified)}};
}

QJsonObject dayObject(const DayVerdict &day)
{
    return QJsonObject{
        {QStringLiteral("day"), day.day.toString(Qt::ISODate)},
        {QStringLiteral("file"), day.name},
        {QStringLiteral("state"), fileStateName(day.state)},
        {QStringLiteral("severity"), StatusReport::statusName(day.severity)},
        {QStringLiteral("bytes"), day.files.records.present && day.files.records.size >= 0 ? QJsonValue(day.files.records.size) : QJsonValue()},
        {QStringLiteral("modified"), day.files.records.present ? isoTime(day.files.records.modified) : QJsonValue()},
        {QStringLiteral("temporary"), copy(day.files.temporary)},
        {QStringLiteral("setAside"), copy(day.files.aside)},
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
    if (verdict.state != HeartbeatState::Fresh && verdict.state != HeartbeatState::Stale)
        return object;
    const Heartbeat &heartbeat = verdict.heartbeat;
    QJsonArray owing;
    for (const Heartbeat::Owing &time : heartbeat.owing) {
        owing.append(QJsonObject{{QStringLiteral("day"), time.day},
                                 {QStringLiteral("slot"), time.slot},
                                 {QStringLiteral("file"), time.file},
                                 {QStringLiteral("state"), time.state},
                                 {QStringLiteral("severity"), time.severity},
                                 {QStringLiteral("reasonKind"), time.reasonKind.isEmpty() ? QJsonValue() : QJsonValue(time.reasonKind)},
                                 {QStringLiteral("text"), time.text}});
    }
    object.insert(QStringLiteral("ageSeconds"), verdict.ageSeconds);
    object.insert(QStringLiteral("writtenAt"), isoTime(heartbeat.writtenAt));
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
        {QStringLiteral("late"), counts.late}, {QStringLiteral("empty"), counts.empty},
        {QStringLiteral("missing"), counts.missing}, {QStringLiteral("partial"), counts.partial},
        {QStringLiteral("notDue"), counts.notDue}, {QStringLiteral("leftovers"), counts.leftovers},
        {QStringLiteral("staleHeartbeats"), counts.staleHeartbeats}, {QStringLiteral("badHeartbeats"), counts.badHeartbeats},
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
        {QStringLiteral("otherDays"), listing.otherDays},
        {QStringLiteral("unlistedStations"), unlisted},
        {QStringLiteral("statusProblem"), listing.statusProblem.isEmpty() ? QJsonValue() : QJsonValue(listing.statusProblem)},
    });
    QJsonArray stations;
    for (const FleetReport::Station &station : report.stations) {
        QJsonArray history;
        for (const DayVerdict &day : station.days)
            history.append(dayObject(day));
        QJsonObject entry{
            {QStringLiteral("station"), station.station},
            {QStringLiteral("state"), StatusReport::statusName(station.severity)},
            {QStringLiteral("file"), dayObject(station.asked())},
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
