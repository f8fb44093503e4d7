// SPDX-License-Identifier: MIT
#include "fleet/forms/FleetForms.h"

#include "core/language/BuiltInTexts.h"
#include "fleet/check/VerdictWords.h"

#include <QLocale>

#include <algorithm>

namespace korva5::fleet {

namespace FleetForms {

namespace {

// The page reloads itself this often: it is written anew every 10 minutes or so, and an office
// leaves it open on a screen.
constexpr int RefreshSeconds = 300;

// Everything the page needs is in it: it is read from a web server's folder, a mail or a phone
// offline, and nothing is fetched from elsewhere. On a narrow screen each station's heartbeat and
// what is wrong move under its row of days: a grid of the station's number and one column per day.
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
td.hb{text-align:left;min-width:12rem;overflow-wrap:anywhere;background:#fff}
td.why{text-align:left;min-width:16rem;max-width:32rem;overflow-wrap:anywhere;background:#fff}
td.why.fine{color:#666}
td.why div,td.why details{margin:.1rem 0}
summary{cursor:pointer}
.whole{white-space:pre-wrap;background:#f3f3f3;padding:.2rem .3rem;border-radius:.2rem}
td.st small{display:block;font-weight:400;font-size:.7rem;color:#555;overflow-wrap:anywhere}
.ok{background:#a5d6a7}.warn{background:#ffcc80}.bad{background:#ef9a9a}.due{background:#e0e0e0;color:#555}
.nodata{background:#fff;color:#999;outline:1px dashed #ccc;outline-offset:-1px}
td.hb.warn{background:#fff3e0}td.hb.none{color:#666}
tr.never td.st{background:#c62828;color:#fff}
tr.never td.why{background:#ffebee;font-weight:600}
.legend{list-style:none;padding:0;margin:.4rem 0;font-size:.85rem}
.legend li{display:inline-block;margin:.1rem .8rem .1rem 0}
.legend span{display:inline-block;padding:.05rem .4rem;border-radius:.25rem;font-weight:600}
.notes{font-size:.85rem;color:#444}
@media (max-width:40rem){
 body{margin:.5rem}
 tr{display:grid;grid-template-columns:3.6rem repeat(7,minmax(2rem,1fr));gap:3px;margin-bottom:6px}
 table{border-spacing:0}
 th.hb,th.why{display:none}
 th{font-size:.7rem;padding:.1rem 0}
 td.hb,td.why{grid-column:1/-1;min-width:0;max-width:none}
 td.d{min-width:0}
 .legend li{display:block}
}
)";

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// A day with a file of the station's under any of its names.
bool hasFile(const DayVerdict &day)
{
    return day.state == FileState::Arrived || day.state == FileState::Late || day.state == FileState::Empty || day.partial;
}

bool heardFrom(const HeartbeatVerdict &heartbeat)
{
    return heartbeat.state != HeartbeatState::None && heartbeat.state != HeartbeatState::NotChecked;
}

// The first day the station is known to have been at work: its first file of the days shown, or
// the day its heartbeat was written (the day asked, where that is not known). Before it, an
// empty day says nothing of the station: it was not set up yet, or not sending to this server.
QDate firstKnownDay(const FleetReport::Station &station, QDate asked)
{
    QDate first;
    for (const DayVerdict &day : station.days) {
        if (hasFile(day)) {
            first = day.day;
            break;
        }
    }
    if (heardFrom(station.heartbeat)) {
        const QDate written = station.heartbeat.writtenAt.isValid() ? station.heartbeat.writtenAt.toTimeZone(station.zone).date() : asked;
        if (!first.isValid() || written < first)
            first = std::min(written, asked);
    }
    return first;
}

// Only the days before the day asked: the day asked is judged as the check judges it.
bool noData(const DayVerdict &day, QDate firstKnown, QDate asked)
{
    return day.day < asked && (!firstKnown.isValid() || day.day < firstKnown) && !hasFile(day);
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

// A mark of a few characters in no language: the legend and the row's words say the rest.
QString cellMark(const DayVerdict &day)
{
    switch (day.state) {
    case FileState::Arrived:
        return day.leftover ? QStringLiteral("&#10003;!") : QStringLiteral("&#10003;");
    case FileState::Late:
        return QStringLiteral("&#10003;!");
    case FileState::Empty:
        return QStringLiteral("0");
    case FileState::Missing:
        return day.partial ? QStringLiteral("&#10007;!") : QStringLiteral("&#10007;");
    case FileState::NotYetDue:
        return QStringLiteral("&hellip;");
    }
    return {};
}

// Words of a row: their first line, cut short, and the whole a click away (no script, nothing
// shown on hover only, which a phone has not).
QString words(const QString &text)
{
    const QString whole = shortText(text.trimmed());
    QString line = text.trimmed().section(u'\n', 0, 0).trimmed();
    constexpr qsizetype MostShown = 90;
    if (line.size() > MostShown)
        line = line.left(MostShown).trimmed() + QStringLiteral("\u2026");
    line = shortText(line);
    if (line == whole)
        return QStringLiteral("<div>%1</div>").arg(escaped(whole));
    return QStringLiteral("<details><summary>%1</summary><div class=\"whole\">%2</div></details>").arg(escaped(line), escaped(whole));
}

// What is wrong with a station, in words: never heard from, its file of the day asked, and what
// it says itself when it is not OK (its summary, and why it owes what it owes).
QStringList problems(const FleetReport::Station &station, bool neverHeard, const VerdictWords &wording)
{
    QStringList found;
    if (neverHeard)
        found << wording.text("PageNeverHeard");
    if (station.asked().severity > 0)
        found << wording.day(station.asked());
    // What is wrong with the heartbeat itself (stale, unreadable ...), unless the station says
    // why in its own words, its first few reasons (a report may hold hundreds).
    const HeartbeatReading &said = station.heartbeat.heartbeat;
    if (station.heartbeat.severity > 0 && !station.heartbeat.owing)
        found << wording.heartbeat(station.heartbeat);
    if (!said.state.isEmpty() && said.state != u"OK" && !said.summary.trimmed().isEmpty())
        found << wording.text("PageStationSays").arg(said.summary.trimmed());
    constexpr qsizetype MostReasons = 5;
    for (const HeartbeatReading::Owing &owing : said.owing.first(std::min(MostReasons, said.owing.size()))) {
        if (!owing.text.trimmed().isEmpty())
            found << wording.text("PageStationSays").arg(owing.text.trimmed());
    }
    if (said.owing.size() > MostReasons)
        found << wording.text("PageMore").arg(said.owing.size() - MostReasons);
    return found;
}

} // namespace

QString html(const FleetReport &report, const QString &language)
{
    const VerdictWords wording(language);
    const auto text = [&](const char *key) { return wording.text(key); };
    // The badge names the state in the page's language; its colour is the same in every one.
    const char *stateKeys[] = {"PageStateOk", "PageStateWarning", "PageStateCritical", "PageStateUnknown"};
    const QString state = text(stateKeys[std::clamp(report.status, 0, 3)]);
    const QString languageTag = language == QLatin1StringView(BuiltInTexts::China)    ? QStringLiteral("zh-Hans")
        : language == QLatin1StringView(BuiltInTexts::Taiwan) ? QStringLiteral("zh-Hant")
                                                             : QStringLiteral("en");
    const QLocale locale = language == QLatin1StringView(BuiltInTexts::China)    ? QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China)
        : language == QLatin1StringView(BuiltInTexts::Taiwan) ? QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Taiwan)
                                                             : QLocale::c();
    const QString title = text("PageTitle").arg(report.day.toString(Qt::ISODate));
    QString page;
    page += QStringLiteral("<!DOCTYPE html>\n<html lang=\"%1\">\n<head>\n<meta charset=\"utf-8\">\n"
                           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                           "<meta http-equiv=\"refresh\" content=\"%2\">\n")
                .arg(languageTag)
                .arg(RefreshSeconds);
    page += QStringLiteral("<title>%1</title>\n").arg(escaped(text("PageTitleState").arg(title, state)));
    page += QStringLiteral("<style>") + QLatin1StringView(Style) + QStringLiteral("</style>\n</head>\n<body>\n");
    page += QStringLiteral("<h1>%1 <span class=\"badge s%2\">%3</span></h1>\n").arg(escaped(title)).arg(report.status).arg(escaped(state));
    const QString summary = report.status == FleetReport::Unknown ? text("PageUnknown").arg(report.error) : wording.summary(report);
    page += QStringLiteral("<p>%1</p>\n").arg(escaped(summary));
    page += QStringLiteral("<p class=\"notes\">%1</p>\n")
                .arg(escaped(text("PageChecked").arg(report.checkedAt.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss t"))));
    if (report.status == FleetReport::Unknown)
        return page + QStringLiteral("</body>\n</html>\n");

    page += QStringLiteral("<ul class=\"legend\"><li><span class=\"ok\">&#10003;</span> %1</li>"
                           "<li><span class=\"warn\">&#10003;! 0 &#10007;!</span> %2</li><li><span class=\"bad\">&#10007;</span> %3</li>"
                           "<li><span class=\"due\">&hellip;</span> %4</li><li><span class=\"nodata\">&ndash;</span> %5</li></ul>\n"
                           "<p class=\"notes\">%6</p>\n")
                .arg(escaped(text("PageLegendArrived")), escaped(text("PageLegendWarning")), escaped(text("PageLegendMissing")),
                     escaped(text("PageLegendNotDue")), escaped(text("PageLegendNoData")), escaped(text("PageLegendClick")));
    page += QStringLiteral("<div class=\"wrap\"><table>\n<thead><tr><th class=\"st\">%1</th>").arg(escaped(text("PageStation")));
    if (!report.stations.isEmpty()) {
        for (const DayVerdict &day : report.stations.first().days)
            page += QStringLiteral("<th>%1<br>%2</th>").arg(escaped(locale.toString(day.day, u"ddd")), day.day.toString(u"MM-dd"));
    }
    if (report.heartbeatsChecked)
        page += QStringLiteral("<th class=\"hb\">%1</th>").arg(escaped(text("PageHeartbeat")));
    page += QStringLiteral("<th class=\"why\">%1</th></tr></thead>\n<tbody>\n").arg(escaped(text("PageProblem")));
    // A station never heard from stands out at the top: whatever else is wrong, someone has to
    // find out whether it exists at all.
    QList<std::pair<const FleetReport::Station *, bool>> rows;
    for (const FleetReport::Station &station : report.stations) {
        const bool neverHeard = !firstKnownDay(station, report.day).isValid();
        rows.insert(neverHeard ? std::count_if(rows.cbegin(), rows.cend(), [](const auto &row) { return row.second; }) : rows.size(),
                    {&station, neverHeard});
    }
    for (const auto &[station, neverHeard] : std::as_const(rows)) {
        const QDate firstKnown = firstKnownDay(*station, report.day);
        page += neverHeard ? QStringLiteral("<tr class=\"never\">") : QStringLiteral("<tr>");
        // The days are judged by the station's own clock: where that is not the office's, its
        // zone is said under its number.
        page += station->officeZone ? QStringLiteral("<td class=\"st\">%1</td>").arg(escaped(station->station))
                                    : QStringLiteral("<td class=\"st\">%1<small>%2</small></td>")
                                          .arg(escaped(station->station),
                                               escaped(text("PageTimesOf").arg(QString::fromUtf8(station->zone.id()))));
        for (const DayVerdict &day : station->days) {
            if (noData(day, firstKnown, report.day))
                page += QStringLiteral("<td class=\"d nodata\">&ndash;</td>");
            else
                page += QStringLiteral("<td class=\"d %1\">%2</td>").arg(cellClass(day), cellMark(day));
        }
        if (report.heartbeatsChecked) {
            const HeartbeatVerdict &heartbeat = station->heartbeat;
            const QString kind = heartbeat.severity > 0 ? QStringLiteral("warn")
                : heartbeat.state == HeartbeatState::None ? QStringLiteral("none")
                                                          : QString();
            page += QStringLiteral("<td class=\"hb %1\">%2</td>").arg(kind, escaped(shortText(wording.heartbeat(heartbeat))));
        }
        const QStringList wrong = problems(*station, neverHeard, wording);
        page += QStringLiteral("<td class=\"why%1\">").arg(wrong.isEmpty() ? QStringLiteral(" fine") : QString());
        if (wrong.isEmpty())
            page += escaped(text("PageNothingWrong"));
        for (const QString &one : wrong)
            page += words(one);
        page += QStringLiteral("</td></tr>\n");
    }
    page += QStringLiteral("</tbody>\n</table></div>\n");
    QStringList notes;
    const FleetReport::Listing &listing = report.listing;
    if (listing.unsafeNames > 0)
        notes << text("PageNoteUnsafe").arg(QString::number(listing.unsafeNames), wording.list(listing.unsafeExamples));
    if (listing.notRecords > 0)
        notes << text("PageNoteNotRecords").arg(QString::number(listing.notRecords), wording.list(listing.notRecordsExamples));
    if (!listing.unlisted.isEmpty())
        notes << text("PageNoteUnlisted").arg(wording.list(listing.unlisted.keys()));
    if (!listing.statusProblem.isEmpty())
        notes << text("PageNoteNotRead").arg(listing.statusProblem);
    notes << text("PageNoteListed")
                 .arg(listing.method, QString::number(listing.bytes), QString::number(listing.connections),
                      QString::number(listing.seconds, 'f', 2));
    for (const QString &note : std::as_const(notes))
        page += QStringLiteral("<p class=\"notes\">%1</p>\n").arg(escaped(note));
    return page + QStringLiteral("</body>\n</html>\n");
}

} // namespace FleetForms

} // namespace korva5::fleet
