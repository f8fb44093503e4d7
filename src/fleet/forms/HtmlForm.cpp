// SPDX-License-Identifier: MIT
#include "fleet/forms/FleetForms.h"

#include "core/delivery/StatusReport.h"

#include <QLocale>

namespace FleetForms {

namespace {

// Everything the page needs is in it: it is read from a web server's folder, a mail or a phone
// offline, and nothing is fetched from elsewhere. On a narrow screen each station's heartbeat
// moves under its row of days: a grid of the station's number and one column per day.
static_assert(HistoryDays == 7, "the narrow layout's grid has a column for each of the 7 days");
const char Style[] = R"(
body{font-family:system-ui,-apple-system,"Segoe UI",Roboto,"Helvetica Neue",Arial,sans-serif;margin:1rem;color:#1b1b1b;background:#fafafa}
h1{font-size:1.25rem;margin:0 0 .4rem}
p{margin:.3rem 0;overflow-wrap:anywhere}
.badge{display:inline-block;padding:.1rem .5rem;border-radius:.3rem;color:#fff;font-weight:700}
.s0{background:#2e7d32}.s1{background:#a05a00}.s2{background:#c62828}.s3{background:#555}
.wrap{overflow-x:auto;margin:.8rem 0}
table{border-collapse:separate;border-spacing:3px}
th{font-size:.8rem;font-weight:600;text-align:center;padding:.2rem;white-space:nowrap}
th.st,td.st{text-align:right;font-weight:700;padding-right:.4rem}
td{font-size:.85rem;padding:.25rem .3rem;border-radius:.25rem}
td.d{min-width:2.4rem;text-align:center;font-weight:600}
td.hb{text-align:left;min-width:14rem;overflow-wrap:anywhere;background:#fff}
.ok{background:#a5d6a7}.warn{background:#ffcc80}.bad{background:#ef9a9a}.due{background:#e0e0e0;color:#555}
td.hb.warn{background:#fff3e0}td.hb.none{color:#666}
.legend span{display:inline-block;padding:.1rem .45rem;margin:.1rem .15rem;border-radius:.25rem;font-size:.85rem}
.notes{font-size:.85rem;color:#444}
@media (max-width:40rem){
 body{margin:.5rem}
 tr{display:grid;grid-template-columns:3.6rem repeat(7,minmax(2rem,1fr));gap:3px;margin-bottom:4px}
 table{border-spacing:0}
 th.hb{display:none}
 th{font-size:.7rem;padding:.1rem 0}
 td.hb{grid-column:1/-1;min-width:0}
 td.d{min-width:0}
}
)";

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString cellClass(const DayVerdict &day)
{
    switch (day.state) {
    case FileState::Arrived:
        return day.severity > 0 ? QStringLiteral("warn") : QStringLiteral("ok");
    case FileState::Late:
    case FileState::Empty:
        return QStringLiteral("warn");
    case FileState::Missing:
        return day.severity >= 2 ? QStringLiteral("bad") : QStringLiteral("warn");
    case FileState::NotYetDue:
        return QStringLiteral("due");
    }
    return {};
}

QString cellMark(const DayVerdict &day)
{
    switch (day.state) {
    case FileState::Arrived:
        return day.leftover ? QStringLiteral("&#10003;*") : QStringLiteral("&#10003;");
    case FileState::Late:
        return QStringLiteral("late");
    case FileState::Empty:
        return QStringLiteral("0&nbsp;B");
    case FileState::Missing:
        return day.partial ? QStringLiteral("part") : QStringLiteral("&#10007;");
    case FileState::NotYetDue:
        return QStringLiteral("&hellip;");
    }
    return {};
}

} // namespace

QString html(const FleetReport &report)
{
    const QString state = StatusReport::statusName(report.status);
    QString page;
    page += QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n");
    page += QStringLiteral("<title>KORVA5 fleet %1: %2</title>\n").arg(escaped(report.day.toString(Qt::ISODate)), state);
    page += QStringLiteral("<style>") + QLatin1StringView(Style) + QStringLiteral("</style>\n</head>\n<body>\n");
    page += QStringLiteral("<h1>KORVA5 fleet, %1 <span class=\"badge s%2\">%3</span></h1>\n")
                .arg(escaped(report.day.toString(Qt::ISODate)))
                .arg(report.status)
                .arg(state);
    page += QStringLiteral("<p>%1</p>\n").arg(escaped(report.summary()));
    page += QStringLiteral("<p class=\"notes\">Checked %1.</p>\n")
                .arg(escaped(report.checkedAt.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss t")));
    if (report.status == FleetReport::Unknown)
        return page + QStringLiteral("</body>\n</html>\n");

    page += QStringLiteral(
        "<p class=\"legend\"><span class=\"ok\">&#10003; arrived</span><span class=\"warn\">late, 0&nbsp;B empty, "
        "&#10003;* temporary file left</span><span class=\"bad\">&#10007; missing, part: only a temporary copy</span>"
        "<span class=\"due\">&hellip; not yet due</span> Hover over a cell for its words.</p>\n");
    page += QStringLiteral("<div class=\"wrap\"><table>\n<thead><tr><th class=\"st\">Station</th>");
    const QLocale english = QLocale::c();
    if (!report.stations.isEmpty()) {
        for (const DayVerdict &day : report.stations.first().days)
            page += QStringLiteral("<th title=\"%1\">%2<br>%3</th>")
                        .arg(day.day.toString(Qt::ISODate), english.toString(day.day, u"ddd"), day.day.toString(u"MM-dd"));
    }
    if (report.heartbeatsChecked)
        page += QStringLiteral("<th class=\"hb\">Heartbeat</th>");
    page += QStringLiteral("</tr></thead>\n<tbody>\n");
    for (const FleetReport::Station &station : report.stations) {
        // The days are judged by the station's own clock: where that is not the office's, its
        // zone is said on hover.
        page += station.officeZone ? QStringLiteral("<tr><td class=\"st\">%1</td>").arg(escaped(station.station))
                        : QStringLiteral("<tr><td class=\"st\" title=\"times of %1\">%2</td>")
                              .arg(escaped(QString::fromUtf8(station.zone.id())), escaped(station.station));
        for (const DayVerdict &day : station.days) {
            page += QStringLiteral("<td class=\"d %1\" title=\"%2: %3\">%4</td>")
                        .arg(cellClass(day), escaped(day.name), escaped(day.text), cellMark(day));
        }
        if (report.heartbeatsChecked) {
            const HeartbeatVerdict &heartbeat = station.heartbeat;
            const QString kind = heartbeat.severity > 0 ? QStringLiteral("warn")
                : heartbeat.state == HeartbeatState::None ? QStringLiteral("none")
                                                          : QString();
            // What a station says is shown as text: escaped, and cut where it runs long.
            page += QStringLiteral("<td class=\"hb %1\" title=\"%2\">%3</td>")
                        .arg(kind,
                             escaped(shortText(heartbeat.heartbeat.summary.isEmpty() ? heartbeat.text : heartbeat.heartbeat.summary)),
                             escaped(shortText(heartbeat.text)));
        }
        page += QStringLiteral("</tr>\n");
    }
    page += QStringLiteral("</tbody>\n</table></div>\n");
    QStringList notes;
    const FleetReport::Listing &listing = report.listing;
    if (listing.unsafeNames > 0)
        notes << QStringLiteral("%1 name(s) hold control characters and were never taken for a file (%2).")
                     .arg(listing.unsafeNames)
                     .arg(listing.unsafeExamples.join(QStringLiteral(", ")));
    if (listing.notRecords > 0)
        notes << QStringLiteral("%1 name(s) in the records folder are not records files (%2).")
                     .arg(listing.notRecords)
                     .arg(listing.notRecordsExamples.join(QStringLiteral(", ")));
    if (!listing.unlisted.isEmpty())
        notes << QStringLiteral("Files of stations not in the list: %1.").arg(listing.unlisted.keys().join(QStringLiteral(", ")));
    if (!listing.statusProblem.isEmpty())
        notes << QStringLiteral("Heartbeats not read: %1.").arg(listing.statusProblem);
    notes << QStringLiteral("Listed with %1: %2 bytes over %3 connection(s) in %4 s.")
                 .arg(listing.method)
                 .arg(listing.bytes)
                 .arg(listing.connections)
                 .arg(listing.seconds, 0, 'f', 2);
    for (const QString &note : std::as_const(notes))
        page += QStringLiteral("<p class=\"notes\">%1</p>\n").arg(escaped(note));
    return page + QStringLiteral("</body>\n</html>\n");
}

} // namespace FleetForms
