// SPDX-License-Identifier: MIT
// The office's page as a browser gets it: one file of its own, every station's row with what is
// wrong in words, no-data days told from missing ones, and the page's own words in its language.
#include "FleetSamples.h"

#include "core/language/BuiltInTexts.h"
#include "fleet/forms/FleetForms.h"

#include <QRegularExpression>
#include <QTest>

using namespace korva5;
using namespace korva5::fleet;

using namespace FleetSamples;

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
        QVERIFY(page.contains(u"missing: only a temporary file"_qs));
    }
};

QTEST_GUILESS_MAIN(TestFleetPage)
#include "tst_fleet_page.moc"
