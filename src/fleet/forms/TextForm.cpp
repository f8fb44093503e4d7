// SPDX-License-Identifier: MIT
#include "fleet/forms/FleetForms.h"

#include "core/delivery/StatusReport.h"
#include "core/diagnostics/ShownText.h"

#include <algorithm>

namespace korva5::fleet {

namespace FleetForms {

namespace {

// Columns are padded to the longest entry up to this; a longer one just runs on.
constexpr qsizetype WidestColumn = 64;

QString padded(const QString &text, qsizetype width)
{
    return text.leftJustified(std::min(width, WidestColumn));
}

// The day's words, with the zone they are told in where it is not this computer's.
QString fileText(const FleetReport::Station &station)
{
    const QString &text = station.asked().text;
    if (station.officeZone)
        return text;
    return text + QStringLiteral(" (%1)").arg(QString::fromUtf8(station.zone.id()));
}

} // namespace

QStringList text(const FleetReport &report)
{
    QStringList lines{report.firstLine()};
    if (report.status == FleetReport::Unknown)
        return lines;
    const QString dayHeading = report.day.toString(Qt::ISODate);
    qsizetype stationWidth = 7;
    qsizetype fileWidth = dayHeading.size();
    for (const FleetReport::Station &station : report.stations) {
        stationWidth = std::max(stationWidth, station.station.size());
        fileWidth = std::max(fileWidth, fileText(station).size());
    }
    const bool heartbeats = report.heartbeatsChecked;
    auto row = [&](const QString &station, const QString &state, const QString &file, const QString &heartbeat) {
        QString line = padded(station, stationWidth) + QStringLiteral("  ") + padded(state, 8) + QStringLiteral("  ");
        line += heartbeats ? padded(file, fileWidth) + QStringLiteral("  ") + heartbeat : file;
        return line.trimmed();
    };
    lines << row(QStringLiteral("station"), QStringLiteral("state"), dayHeading, QStringLiteral("heartbeat"));
    for (const FleetReport::Station &station : report.stations)
        lines << row(station.station, StatusReport::statusName(station.severity), fileText(station), shortText(station.heartbeat.text));

    const FleetReport::Listing &listing = report.listing;
    if (listing.notRecords > 0) {
        lines << QStringLiteral("%1 name(s) in the records folder are not records files and were passed over: %2%3")
                     .arg(listing.notRecords)
                     .arg(listing.notRecordsExamples.join(QStringLiteral(", ")),
                          listing.notRecords > listing.notRecordsExamples.size() ? QStringLiteral(", ...") : QString());
    }
    if (listing.unsafeNames > 0) {
        lines << QStringLiteral("%1 name(s) hold control characters and were never taken for a file: %2%3")
                     .arg(listing.unsafeNames)
                     .arg(listing.unsafeExamples.join(QStringLiteral(", ")),
                          listing.unsafeNames > listing.unsafeExamples.size() ? QStringLiteral(", ...") : QString());
    }
    if (listing.notConfirmed > 0) {
        lines << QStringLiteral("%1 listed name(s) are not on the server under that name and were passed over")
                     .arg(listing.notConfirmed);
    }
    if (listing.unreadableLines > 0) {
        lines << QStringLiteral("%1 line(s) of the listing are in no form known and were passed over (the first: \"%2\")")
                     .arg(listing.unreadableLines)
                     .arg(listing.unreadableExample);
    }
    if (!listing.unlisted.isEmpty()) {
        QStringList unlisted;
        for (auto it = listing.unlisted.cbegin(); it != listing.unlisted.cend(); ++it)
            unlisted << QStringLiteral("%1 (%2 file(s))").arg(it.key()).arg(it.value());
        lines << QStringLiteral("files of stations not in the list: ") + unlisted.join(QStringLiteral(", "));
    }
    if (!listing.statusProblem.isEmpty())
        lines << QStringLiteral("heartbeats not read: ") + listing.statusProblem;
    QString how = listing.method;
    if (listing.confirmed > 0)
        how += QStringLiteral(" (%1 name(s) confirmed one by one)").arg(listing.confirmed);
    lines << QStringLiteral("listed with %1: %2 bytes read over %3 connection(s) in %4 s")
                 .arg(how)
                 .arg(listing.bytes)
                 .arg(listing.connections)
                 .arg(listing.seconds, 0, 'f', 2);
    // Below the first line a "|" still starts performance data: none may come from outside.
    for (qsizetype i = 1; i < lines.size(); ++i)
        lines[i] = pluginText(lines[i], PluginLine::Other);
    return lines;
}

} // namespace FleetForms

} // namespace korva5::fleet
