// SPDX-License-Identifier: MIT
// The office's page as a browser gets it: one file of its own, every station's row with what is
// wrong in words, no-data days told from missing ones, and the page's own words in its language.
#include "ChineseText.h"
#include "FleetSamples.h"

#include "core/language/BuiltInTexts.h"
#include "fleet/forms/FleetForms.h"

#include <QRegularExpression>
#include <QTest>

using namespace korva5;
using namespace korva5::fleet;

using namespace FleetSamples;

namespace {

// A station of each kind the page words: 1 missing, 2 late, 3 empty, 4 on its way; heartbeats
// 5 stale, 6 none, 7 unreadable, 8 not fetched, 9 owing.
FleetReport rowsReport()
{
    QStringList stations;
    for (int s = 1; s <= 9; ++s)
        stations << QString::number(s);
    ServerFiles files(stations, Day, HistoryDays);
    add(files, mlsdLine("20261207.2", 200, at(13, 0)));
    add(files, mlsdLine("20261207.3", 0, at(8, 31)));
    add(files, mlsdLine(".20261207.4.part", 50, at(13, 55)));
    for (const char *name : {"20261207.5", "20261207.6", "20261207.7", "20261207.8", "20261207.9"})
        add(files, mlsdLine(name, 100, at(8, 31)));
    const QDateTime now = at(14, 0);
    QList<HeartbeatFile> heartbeats;
    for (const QString &station : stations)
        heartbeats.append({true, heartbeat(station, now.addSecs(-60)), {}});
    heartbeats[4].bytes = heartbeat(u"5"_qs, now.addSecs(-(3 * 3600 + 5 * 60)));
    heartbeats[5] = {};
    heartbeats[6].bytes = "{\"format\":1,\"version\":\"1\",\"station\":\"7\",\"state\":\"OK\",\"writtenAt\":\""
        + IsoTime::text(now).toLatin1() + "\"}";
    heartbeats[7] = {true, {}, u"550 Permission denied"_qs};
    heartbeats[8].bytes = heartbeat(u"9"_qs, now.addSecs(-60), u"WARNING"_qs, {owedTime(u"/up/20261207.9"_qs, u"login-refused"_qs)});
    FleetReport report = judgeFleet(settings(stations), files, heartbeats, Day, now);
    report.listing.method = u"MLSD"_qs;
    return report;
}

} // namespace

class TestFleetPage : public QObject
{
    Q_OBJECT

private slots:
    void htmlStandsAlone()
    {
        const FleetReport report = sampleReport();
        const QString page = FleetForms::html(report);
        QVERIFY(page.startsWith(u"<!DOCTYPE html>"));
        QVERIFY(page.contains(u"<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"));
        // Nothing fetched from elsewhere, nothing run.
        for (const QString &outside : {u"http:"_qs, u"https:"_qs, u"//"_qs, u"src="_qs, u"<link"_qs, u"@import"_qs, u"url("_qs,
                                       u"<script"_qs})
            QVERIFY2(!page.contains(outside, Qt::CaseInsensitive), qPrintable(outside));
        // What a station reports is shown as text, never as markup.
        QVERIFY(page.contains(u"&lt;script&gt;alert(1)&lt;/script&gt; &amp; &quot;quoted&quot;"_qs));
        QVERIFY(page.contains(u"notes&lt;1&gt;.txt"_qs));
        // Elements open and close in order (the void ones excepted).
        static const QRegularExpression tag(u"<(/?)([a-zA-Z][a-zA-Z0-9]*)[^>]*>"_qs);
        QStringList open;
        for (auto it = tag.globalMatch(page); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            const QString name = match.captured(2).toLower();
            if (name == u"meta" || name == u"br")
                continue;
            if (match.captured(1).isEmpty()) {
                open << name;
            } else {
                QVERIFY2(!open.isEmpty() && open.last() == name, qPrintable(u"</"_qs + name + u"> closes "_qs + open.join(u' ')));
                open.removeLast();
            }
        }
        QVERIFY2(open.isEmpty(), qPrintable(open.join(u' ')));
        // A cell for every station and day, coloured by what it is, and nothing said on hover
        // alone. Station 2, never heard from, comes first; the days before the day asked hold
        // no file of anyone, and are no data.
        static const QRegularExpression row(u"<tr[^>]*><td class=\"st\">(\\w+)</td>((?:<td class=\"d \\w+\">[^<]*</td>)+)"_qs);
        static const QRegularExpression cell(u"<td class=\"d (\\w+)\">"_qs);
        QStringList order, asked;
        for (auto it = row.globalMatch(page); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            order << match.captured(1);
            QStringList kinds;
            for (auto c = cell.globalMatch(match.captured(2)); c.hasNext();)
                kinds << c.next().captured(1);
            QCOMPARE(kinds.size(), HistoryDays);
            QCOMPARE(kinds.mid(0, HistoryDays - 1), QStringList(HistoryDays - 1, u"nodata"_qs));
            asked << kinds.last();
        }
        QCOMPARE(order, (QStringList{u"2"_qs, u"1"_qs, u"3"_qs, u"4"_qs, u"5"_qs, u"6"_qs}));
        QCOMPARE(asked, (QStringList{u"bad"_qs, u"ok"_qs, u"bad"_qs, u"warn"_qs, u"ok"_qs, u"ok"_qs}));
        QVERIFY(page.contains(u"<tr class=\"never\"><td class=\"st\">2</td>"_qs));
        QVERIFY(page.contains(u"missing: only a temporary file"_qs));
        QVERIFY(!page.contains(u"title="_qs));
        QVERIFY(page.contains(u"<meta http-equiv=\"refresh\" content=\"300\">"_qs));

        const QString unknown = FleetForms::html(FleetReport::unknown(u"cannot reach <server>"_qs, Day, at(9, 0)));
        QVERIFY(unknown.contains(u"UNKNOWN"_qs));
        QVERIFY(unknown.contains(u"cannot reach &lt;server&gt;"_qs));
    }

    // A day before the station's first file or heartbeat says nothing of it; a day without a
    // file after that is missing. Marks of the station's row, oldest first ('-' no data).
    void daysBeforeTheFirstKnown_data()
    {
        QTest::addColumn<QList<int>>("filesBack"); // days back with the station's file
        QTest::addColumn<int>("heartbeatBack");    // days back its heartbeat was written; -1 none
        QTest::addColumn<QString>("marks");
        QTest::newRow("files all week") << QList<int>{0, 1, 2, 3, 4, 5, 6} << -1 << u"ok ok ok ok ok ok ok"_qs;
        QTest::newRow("new three days ago") << QList<int>{0, 1, 2} << -1 << u"- - - - ok ok ok"_qs;
        QTest::newRow("a gap after the first") << QList<int>{0, 2, 4} << -1 << u"- - ok bad ok bad ok"_qs;
        QTest::newRow("heard from before its first file") << QList<int>{1} << 4 << u"- - bad bad bad ok bad"_qs;
        QTest::newRow("heard from today alone") << QList<int>{} << 0 << u"- - - - - - bad"_qs;
        QTest::newRow("never heard from") << QList<int>{} << -1 << u"- - - - - - bad"_qs;
    }

    void daysBeforeTheFirstKnown()
    {
        QFETCH(QList<int>, filesBack);
        QFETCH(int, heartbeatBack);
        QFETCH(QString, marks);
        const QDateTime now = at(20, 0);
        ServerFiles files({u"1"_qs, u"2"_qs}, Day, HistoryDays);
        for (int back : filesBack) {
            const QByteArray name = Day.addDays(-back).toString(u"yyyyMMdd").toLatin1() + ".1";
            add(files, mlsdLine(name, 100, at(8, 31, Day.addDays(-back))));
        }
        add(files, mlsdLine("20261207.2", 100, at(8, 31)));
        QList<HeartbeatFile> heartbeats(2);
        if (heartbeatBack >= 0)
            heartbeats[0] = {true, heartbeat(u"1"_qs, now.addDays(-heartbeatBack)), {}};
        const QString page = FleetForms::html(judgeFleet(settings({u"1"_qs, u"2"_qs}), files, heartbeats, Day, now));
        const qsizetype start = page.indexOf(u"\">1</td>"_qs);
        QVERIFY(start > 0);
        static const QRegularExpression cell(u"<td class=\"d (\\w+)\">"_qs);
        QStringList found;
        for (auto it = cell.globalMatch(page.mid(start, page.indexOf(u"</tr>"_qs, start) - start)); it.hasNext();) {
            const QString kind = it.next().captured(1);
            found << (kind == u"nodata" ? u"-"_qs : kind);
        }
        QCOMPARE(found.join(u' '), marks);
        // A stale heartbeat is what is wrong with a station whose files are all there.
        const QString row = page.mid(start, page.indexOf(u"</tr>"_qs, start) - start);
        const QString why = row.mid(row.indexOf(u"<td class=\"why"_qs));
        QCOMPARE(why.contains(u"stale: written"_qs), heartbeatBack > 0);
        QCOMPARE(why.contains(u"nothing wrong"_qs), marks.endsWith(u"ok"_qs) && heartbeatBack <= 0);
        // Only a station with neither file nor heartbeat is never heard from, and it leads.
        const bool never = filesBack.isEmpty() && heartbeatBack < 0;
        QCOMPARE(page.contains(u"<tr class=\"never\"><td class=\"st\">1</td>"_qs), never);
        QCOMPARE(page.contains(u"never heard from"_qs), never);
    }

    // The page's own words in each language, from the program's built-in texts; what the check
    // and the stations say stays as it is.
    void pageInEachLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("monday"); // the header of 2026-12-07
        QTest::newRow("English") << u"English"_qs << u"en"_qs << u"Mon"_qs;
        QTest::newRow("China") << u"China"_qs << u"zh-Hans"_qs << u"周一"_qs;
        QTest::newRow("Taiwan") << u"Taiwan"_qs << u"zh-Hant"_qs << u"週一"_qs;
    }

    void pageInEachLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, tag);
        QFETCH(QString, monday);
        const QString page = FleetForms::html(sampleReport(), language);
        QVERIFY(page.contains(u"<html lang=\""_qs + tag + u"\">"_qs));
        QVERIFY2(page.contains(u"<th>"_qs + monday + u"<br>12-07</th>"_qs), qPrintable(page));
        for (const char *key : {"PageStation", "PageHeartbeat", "PageProblem", "PageNeverHeard", "PageLegendArrived",
                                "PageLegendWarning", "PageLegendMissing", "PageLegendNotDue", "PageLegendNoData",
                                "PageLegendClick", "PageNothingWrong"}) {
            const QString text = BuiltInTexts::text(language, QLatin1StringView(key)).value_or(QString());
            QVERIFY2(!text.isEmpty() && page.contains(text.toHtmlEscaped()), key);
        }
        QVERIFY(page.contains(BuiltInTexts::text(language, u"PageTitle"_qs)->arg(u"2026-12-07"_qs)));
        const QString onlyTemporary = BuiltInTexts::text(language, u"PageDayMissingTemporary"_qs)->section(u"%1"_qs, 0, 0);
        QVERIFY2(page.contains(onlyTemporary + u".20261207.3.part"_qs), qPrintable(onlyTemporary));
    }

    // Each row's words in the page's language: the file's verdict, the heartbeat, the summary;
    // what a station or the server wrote inside them as it came. The English page says what the
    // plain lines say.
    void rowsInEachLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("words"); // in the station's row
        const QString on = u".20261207.4.part"_qs;
        const struct
        {
            const char *kind;
            const char *station;
            QString english, china, taiwan;
        } rows[] = {
            {"missing", "1", u"missing (due by 08:45)"_qs, u"未到达（应于 08:45 前到达）"_qs, u"未到達（應於 08:45 前到達）"_qs},
            {"late", "2", u"late: 13:00, after 12:15 (last time 12:00 + 15 min), 200 bytes"_qs,
             u"迟到：13:00 到达，晚于 12:15（最后上传时间 12:00 + 15 分钟），200 字节"_qs,
             u"遲到：13:00 到達，晚於 12:15（最後上傳時間 12:00 + 15 分鐘），200 位元組"_qs},
            {"empty", "3", u"empty (0 bytes), 08:31"_qs, u"空文件（0 字节），08:31"_qs, u"空檔案（0 位元組），08:31"_qs},
            {"on its way", "4", u"missing, on its way: "_qs + on + u" (50 bytes, 13:55) (due by 08:45)"_qs,
             u"未到达，正在上传："_qs + on + u"（50 字节，13:55）（应于 08:45 前到达）"_qs,
             u"未到達，正在上傳："_qs + on + u"（50 位元組，13:55）（應於 08:45 前到達）"_qs},
            {"stale", "5", u"stale: written 3 h 5 min ago, version 1.00"_qs, u"已过时：3 小时 5 分钟前写入，版本 1.00"_qs,
             u"已過時：3 小時 5 分鐘前寫入，版本 1.00"_qs},
            {"no heartbeat", "6", u"no heartbeat"_qs, u"没有站点报告"_qs, u"沒有站點報告"_qs},
            {"unreadable", "7", u"heartbeat unreadable: no count \"owed\""_qs, u"站点报告无法读取：缺少计数“owed”"_qs,
             u"站點報告無法讀取：缺少計數「owed」"_qs},
            {"not fetched", "8", u"heartbeat could not be fetched: 550 Permission denied"_qs, u"无法取得站点报告：550 Permission denied"_qs,
             u"無法取得站點報告：550 Permission denied"_qs},
            {"owing", "9", u"1 min ago, version 1.00, the station says WARNING, owes FtpTime1 20261207.9 owed (login-refused)"_qs,
             u"1 分钟前，版本 1.00，站点自报状态 WARNING，待补发：FtpTime1 20261207.9 owed（login-refused）"_qs,
             u"1 分鐘前，版本 1.00，站點自報狀態 WARNING，待補傳：FtpTime1 20261207.9 owed（login-refused）"_qs},
            {"summary", "",
             u"2026-12-07: 7 of 9 arrived (5 on time, 1 late, 1 empty) - missing: 1, 4 - empty: 3 - late: 2 - heartbeat unreadable: 7, 8"
             " - heartbeat stale: 5 - station reports uploads owed: 9"_qs,
             u"2026-12-07：应到 9 个，已到 7 个（准时 5 个、迟到 1 个、空文件 1 个）；未到达：1、4；空文件：3；迟到：2；"
             "站点报告无法读取：7、8；站点报告已过时：5；站点报告有待补发的上传：9"_qs,
             u"2026-12-07：應到 9 個，已到 7 個（準時 5 個、遲到 1 個、空檔案 1 個）；未到達：1、4；空檔案：3；遲到：2；"
             "站點報告無法讀取：7、8；站點報告已過時：5；站點報告有待補傳的上傳：9"_qs},
        };
        for (const auto &row : rows) {
            QTest::addRow("English, %s", row.kind) << u"English"_qs << QString::fromLatin1(row.station) << row.english;
            QTest::addRow("China, %s", row.kind) << u"China"_qs << QString::fromLatin1(row.station) << row.china;
            QTest::addRow("Taiwan, %s", row.kind) << u"Taiwan"_qs << QString::fromLatin1(row.station) << row.taiwan;
        }
    }

    void rowsInEachLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, station);
        QFETCH(QString, words);
        const FleetReport report = rowsReport();
        const QString page = FleetForms::html(report, language);
        const qsizetype start = station.isEmpty() ? page.indexOf(u"<body>"_qs) : page.indexOf(u"<td class=\"st\">"_qs + station + u"</td>"_qs);
        QVERIFY(start > 0);
        const QString part = page.mid(start, page.indexOf(station.isEmpty() ? u"<table>"_qs : u"</tr>"_qs, start) - start);
        QVERIFY2(part.contains(words.toHtmlEscaped()), qPrintable(part));
        if (language == u"English") {
            QVERIFY2(FleetForms::text(report).join(u'\n').contains(words), qPrintable(words));
            return;
        }
        // Outside what came from the stations and the server, no English word or punctuation.
        QString shown = page;
        shown.remove(QRegularExpression(u"<style>.*</style>"_qs, QRegularExpression::DotMatchesEverythingOption));
        // The cells' marks are in no language (a tick or a cross, "!" beside a warning).
        shown.remove(QRegularExpression(u"<[^>]*>|&[#a-z0-9]+;!?"_qs));
        const QStringList quoted{u"failed: 530 Login incorrect.; next try 09:38"_qs, u"FtpTime1 20261207.9 owed"_qs, u"login-refused"_qs, u"550 Permission denied"_qs, u"owed"_qs,
                                 u"WARNING"_qs, u".20261207.4.part"_qs, u"MLSD"_qs,
                                 report.checkedAt.toLocalTime().toString(u"t")};
        const QStringList english = TestSupport::notChinese(shown, quoted);
        QVERIFY2(english.isEmpty(), qPrintable(english.join(u" | "_qs)));
    }
};

QTEST_GUILESS_MAIN(TestFleetPage)
#include "tst_fleet_page.moc"
