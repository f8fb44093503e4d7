// SPDX-License-Identifier: MIT
#include "ExpositionParser.h"
#include "FleetSamples.h"

#include "core/clock/IsoTime.h"
#include "fleet/forms/FleetForms.h"

#include "Nagios.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTest>

using namespace korva5;
using namespace korva5::fleet;

using namespace FleetSamples;
using namespace ExpositionParser;

class TestFleetForms : public QObject
{
    Q_OBJECT

private slots:
    void textHasTheFirstLineAndOneLinePerStation()
    {
        const FleetReport report = sampleReport();
        const QStringList lines = FleetForms::text(report);
        QCOMPARE(lines.first(), report.firstLine());
        QVERIFY(lines.at(1).startsWith(u"station  state     2026-12-07"));
        for (qsizetype i = 0; i < report.stations.size(); ++i) {
            const QString &line = lines.at(i + 2);
            QVERIFY2(line.startsWith(report.stations.at(i).station + u' '), qPrintable(line));
            QVERIFY2(line.contains(report.stations.at(i).asked().text), qPrintable(line));
        }
        QVERIFY(lines.contains(u"1 name(s) in the records folder are not records files and were passed over: notes<1>.txt"_qs));
        QCOMPARE(lines.last(), u"listed with MLSD: 1234 bytes read over 1 connection(s) in 0.00 s"_qs);
        QCOMPARE(FleetForms::text(FleetReport::unknown(u"why"_qs, Day, at(9, 0))), QStringList{u"UNKNOWN: why"_qs});
    }

    void jsonReadsBack()
    {
        const FleetReport report = sampleReport();
        const QByteArray bytes = QJsonDocument(FleetForms::json(report)).toJson();
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(bytes, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(object.value(u"state").toString(), u"CRITICAL"_qs);
        QCOMPARE(object.value(u"exitStatus").toInt(), 2);
        QCOMPARE(object.value(u"day").toString(), u"2026-12-07"_qs);
        QCOMPARE(object.value(u"summary").toString(), report.summary());
        const QJsonObject counts = object.value(u"counts").toObject();
        QCOMPARE(counts.value(u"expected").toInt(), 6);
        QCOMPARE(counts.value(u"missing").toInt(), 2);
        QCOMPARE(counts.value(u"partial").toInt(), 1);
        QCOMPARE(object.value(u"listing").toObject().value(u"connections").toInt(), 1);
        const QJsonArray stations = object.value(u"stations").toArray();
        QCOMPARE(stations.size(), 6);
        QStringList states;
        for (const QJsonValue &station : stations)
            states << station.toObject().value(u"file").toObject().value(u"state").toString();
        QCOMPARE(states, (QStringList{u"arrived"_qs, u"missing"_qs, u"missing"_qs, u"late"_qs, u"arrived"_qs, u"arrived"_qs}));
        const QJsonObject third = stations.at(2).toObject().value(u"file").toObject();
        QCOMPARE(third.value(u"temporary").toObject().value(u"bytes").toInt(), 50);
        QVERIFY(third.value(u"bytes").isNull());
        const QJsonObject first = stations.at(0).toObject();
        QCOMPARE(first.value(u"file").toObject().value(u"bytes").toInt(), 100);
        // Every time with its offset: a reader in another zone takes it for the same moment.
        for (const QString &time : {first.value(u"file").toObject().value(u"modified").toString(), object.value(u"checkedAt").toString(),
                                    first.value(u"heartbeat").toObject().value(u"writtenAt").toString(),
                                    first.value(u"dueBy").toString()})
            QVERIFY2(IsoTime::read(time).hasOffset, qPrintable(time));
        QCOMPARE(IsoTime::read(first.value(u"file").toObject().value(u"modified").toString()).at, at(8, 31));
        QCOMPARE(counts.value(u"arrived").toInt(), 4);
        QCOMPARE(counts.value(u"onTime").toInt(), 3);
        QCOMPARE(first.value(u"history").toArray().size(), HistoryDays);
        QCOMPARE(first.value(u"heartbeat").toObject().value(u"ageSeconds").toInt(), 60);
        QCOMPARE(stations.at(1).toObject().value(u"heartbeat").toObject().value(u"state").toString(), u"none"_qs);
        QCOMPARE(stations.at(5).toObject().value(u"heartbeat").toObject().value(u"state").toString(), u"newer"_qs);

        const QJsonObject unknown = FleetForms::json(FleetReport::unknown(u"no server"_qs, Day, at(9, 0)));
        QCOMPARE(unknown.value(u"exitStatus").toInt(), 3);
        QCOMPARE(unknown.value(u"error").toString(), u"no server"_qs);
    }

    void prometheusIsStrictlyValid()
    {
        const FleetReport report = sampleReport();
        QList<Sample> samples;
        const QString text = FleetForms::prometheus(report);
        const QString error = parseExposition(text, &samples);
        QVERIFY2(error.isEmpty(), qPrintable(error + u'\n' + text));
        QCOMPARE(valueOf(samples, u"korva5_fleet_up"_qs), 1);
        QCOMPARE(valueOf(samples, u"korva5_fleet_status"_qs), 2);
        const QString files = u"korva5_fleet_station_file_state"_qs;
        const QString heartbeats = u"korva5_fleet_station_heartbeat_state"_qs;
        const QList<std::pair<QString, QString>> states{{u"arrived"_qs, u"fresh"_qs}, {u"missing"_qs, u"none"_qs},
                                                        {u"missing"_qs, u"none"_qs},   {u"late"_qs, u"none"_qs},
                                                        {u"arrived"_qs, u"no_zone"_qs}, {u"arrived"_qs, u"newer"_qs}};
        for (int i = 0; i < states.size(); ++i) {
            const QString station = QString::number(i + 1);
            QCOMPARE(stateOf(samples, files, station), states.at(i).first);
            QCOMPARE(stateOf(samples, heartbeats, station), states.at(i).second);
        }
        QCOMPARE(valueOf(samples, u"korva5_fleet_station_file_size_bytes"_qs, u"4"_qs), 200);
        QVERIFY2(!hasSample(samples, u"korva5_fleet_station_file_size_bytes"_qs, u"2"_qs), "a file not there has no size");
        QCOMPARE(valueOf(samples, u"korva5_fleet_station_heartbeat_written_timestamp_seconds"_qs, u"1"_qs),
                 double(at(14, 0).addSecs(-60).toSecsSinceEpoch()));
        QVERIFY(!hasSample(samples, u"korva5_fleet_station_heartbeat_written_timestamp_seconds"_qs, u"2"_qs));
        QCOMPARE(valueOf(samples, u"korva5_fleet_station_owed_uploads"_qs, u"1"_qs), 0);
        QVERIFY2(!hasSample(samples, u"korva5_fleet_station_owed_uploads"_qs, u"6"_qs), "a layout not known says nothing owed");
        QCOMPARE(valueOf(samples, u"korva5_fleet_station_file_modified_timestamp_seconds"_qs, u"1"_qs),
                 double(at(8, 31).toSecsSinceEpoch()));
        // One family per kind of fact: no family mixes counts of different things.
        QVERIFY(!text.contains(u"korva5_fleet_stations"_qs));

        // Unreachable, with nothing written before: the check's own gauges, and every station
        // of unknown state.
        samples.clear();
        const QString unknown = FleetForms::prometheus(FleetReport::unknown(u"down"_qs, Day, at(9, 0)), {u"1"_qs, u"2"_qs});
        QVERIFY2(parseExposition(unknown, &samples).isEmpty(), qPrintable(unknown));
        QCOMPARE(valueOf(samples, u"korva5_fleet_up"_qs), 0);
        QCOMPARE(valueOf(samples, u"korva5_fleet_status"_qs), 3);
        QCOMPARE(stateOf(samples, files, u"1"_qs), u"unknown"_qs);
        QCOMPARE(stateOf(samples, files, u"2"_qs), u"unknown"_qs);
    }

    // The server cannot be read: each station's series are those the text before held, so that
    // alerts on them keep their state; what is not a station's series of this program stays behind.
    void anOutageKeepsTheStationsLastSeries_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("station"); // the station to look at, of stations 1, 2 and a"b
        QTest::addColumn<QString>("fileState");
        QTest::addColumn<double>("owed"); // -1: none
        const QString good = FleetForms::prometheus(sampleReport());
        QTest::newRow("missing stays missing") << good << u"2"_qs << u"missing"_qs << -1.0;
        QTest::newRow("arrived stays arrived") << good << u"1"_qs << u"arrived"_qs << 0.0;
        QTest::newRow("nothing before") << QString() << u"1"_qs << u"unknown"_qs << -1.0;
        QTest::newRow("not this program's text") << u"garbage\n\x01{}\n"_qs << u"1"_qs << u"unknown"_qs << -1.0;
        QTest::newRow("a station dropped from the list is not said")
            << u"korva5_fleet_station_file_state{station=\"9\",state=\"missing\"} 1\n"_qs << u"9"_qs << QString() << -1.0;
        QTest::newRow("an escaped station name")
            << u"korva5_fleet_station_file_state{station=\"a\\\"b\",state=\"late\"} 1\n"
               "korva5_fleet_station_owed_uploads{station=\"a\\\"b\"} 3\n"_qs
            << u"a\"b"_qs << u"late"_qs << 3.0;
        // A line of the check's own gauges, or one with a label more, would speak for this check.
        QTest::newRow("the check's own gauges are not carried")
            << u"korva5_fleet_up 1\nkorva5_fleet_station_file_state{station=\"1\",state=\"arrived\",x=\"y\"} 1\n"_qs
            << u"1"_qs << u"unknown"_qs << -1.0;
        QTest::newRow("a value that is not a number")
            << u"korva5_fleet_station_owed_uploads{station=\"1\"} 1 x\n"_qs << u"1"_qs << u"unknown"_qs << -1.0;
        QTest::newRow("a number past a double's")
            << u"korva5_fleet_station_owed_uploads{station=\"1\"} 1e999\n"_qs << u"1"_qs << u"unknown"_qs << -1.0;
        // A state no check writes, or a state on a family that has none, would speak of a state
        // no alert knows.
        QTest::newRow("a state the program does not write")
            << u"korva5_fleet_station_file_state{station=\"1\",state=\"bogus\"} 1\n"
               "korva5_fleet_station_owed_uploads{station=\"1\",state=\"late\"} 3\n"_qs
            << u"1"_qs << u"unknown"_qs << -1.0;
        QTest::newRow("a series said twice keeps its first value")
            << u"korva5_fleet_station_file_state{station=\"1\",state=\"late\"} 1\n"
               "korva5_fleet_station_file_state{station=\"1\",state=\"late\"} 0\n"
               "korva5_fleet_station_owed_uploads{station=\"1\"} 3\nkorva5_fleet_station_owed_uploads{station=\"1\"} 5\n"_qs
            << u"1"_qs << u"late"_qs << 3.0;
    }
    void anOutageKeepsTheStationsLastSeries()
    {
        QFETCH(QString, before);
        QFETCH(QString, station);
        QFETCH(QString, fileState);
        QFETCH(double, owed);
        const QString text = FleetForms::prometheus(FleetReport::unknown(u"down"_qs, Day, at(9, 0)),
                                                    {u"1"_qs, u"2"_qs, u"a\"b"_qs}, before);
        QList<Sample> samples;
        const QString error = parseExposition(text, &samples);
        QVERIFY2(error.isEmpty(), qPrintable(error + u'\n' + text));
        QCOMPARE(valueOf(samples, u"korva5_fleet_up"_qs), 0);
        QCOMPARE(stateOf(samples, u"korva5_fleet_station_file_state"_qs, station), fileState);
        QCOMPARE(valueOf(samples, u"korva5_fleet_station_owed_uploads"_qs, station), owed < 0 ? -12345 : owed);
        // Said again, the text is the same: an outage of many checks neither grows nor loses it.
        QCOMPARE(FleetForms::prometheus(FleetReport::unknown(u"down"_qs, Day, at(9, 5)), {u"1"_qs, u"2"_qs, u"a\"b"_qs}, text)
                     .section(u"korva5_fleet_check_duration"_qs, 1),
                 text.section(u"korva5_fleet_check_duration"_qs, 1));
    }

    // The parser above is what the form is held to: it must refuse what the format refuses.
    void theStrictParserRefuses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("no line end") << u"# TYPE a gauge\na 1"_qs;
        QTest::newRow("sample before TYPE") << u"a 1\n# TYPE a gauge\n"_qs;
        QTest::newRow("a family split") << u"# TYPE a gauge\n# TYPE b gauge\na 1\nb 1\na{x=\"1\"} 2\n"_qs;
        QTest::newRow("bad escape") << u"# TYPE a gauge\na{x=\"\\t\"} 1\n"_qs;
        QTest::newRow("unquoted label") << u"# TYPE a gauge\na{x=1} 1\n"_qs;
        QTest::newRow("not a number") << u"# TYPE a gauge\na one\n"_qs;
        QTest::newRow("twice") << u"# TYPE a gauge\na{x=\"1\"} 1\na{x=\"1\"} 2\n"_qs;
        QTest::newRow("bad name") << u"# TYPE 1a gauge\n1a 1\n"_qs;
    }
    void theStrictParserRefuses()
    {
        QFETCH(QString, text);
        QList<Sample> samples;
        QVERIFY(!parseExposition(text, &samples).isEmpty());
    }

    // What a station reports reaches a line or the page cut short and escaped; JSON has it whole.
    void stationWordsKeptInBounds()
    {
        QJsonArray owing;
        for (int i = 0; i < 1000; ++i)
            owing.append(owedTime(u"/upload/20261207.12-%1"_qs.arg(i), u"login-refused"_qs));
        QJsonObject beat = QJsonDocument::fromJson(heartbeat(u"12"_qs, at(13, 59), u"WARNING"_qs, owing)).object();
        beat.insert(u"summary"_qs, u"owed\x1b[2J\r\nforged line"_qs);
        QJsonObject first = owing.first().toObject();
        first.insert(u"text"_qs, u"reason\x1b]0;title\x07 <b>"_qs);
        owing.replace(0, first);
        beat.insert(u"times"_qs, owing);
        ServerFiles files({u"12"_qs}, Day, HistoryDays);
        add(files, mlsdLine("20261207.12", 100, at(8, 31)));
        const FleetReport report = judgeFleet(settings({u"12"_qs}), files, {{true, QJsonDocument(beat).toJson(QJsonDocument::Compact), {}}}, Day, at(14, 0));
        const QString line = FleetForms::text(report).at(2);
        QVERIFY2(line.size() < 1000, qPrintable(line.left(2000)));
        QVERIFY2(line.contains(u"characters more)"_qs), qPrintable(line.left(2000)));
        const QString page = FleetForms::html(report);
        QVERIFY(!page.contains(u'\x1b') && !page.contains(u"\r\nforged"_qs));
        QVERIFY(page.contains(u"owed\\x1b[2J\\r\\nforged line"_qs));
        QVERIFY(!page.contains(u'\x07') && page.contains(u"reason\\x1b]0;title\\x07 &lt;b&gt;"_qs));
        QVERIFY2(page.size() < 20'000, qPrintable(QString::number(page.size())));
        const QJsonObject json = FleetForms::json(report).value(u"stations"_qs).toArray().first().toObject();
        QCOMPARE(json.value(u"heartbeat"_qs).toObject().value(u"owing"_qs).toArray().size(), 1000);
    }

    // What Nagios keeps of the first line is what was written: replies and names from outside
    // neither cut it short nor turn into performance data, on any line.
    void nagiosStoresWhatWasMeant()
    {
        if (const QString why = TestSupport::Nagios::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        FleetReport sample = sampleReport();
        sample.listing.statusProblem = u"550 no; such | folder=1;;;0"_qs;
        FleetReport named = sampleReport();
        named.listing.notRecords = 1;
        named.listing.notRecordsExamples = {u"notes | extra=1;;;0.txt"_qs};
        const QList<FleetReport> reports{
            sample, named,
            FleetReport::unknown(u"cannot open the records folder /upload/ on ftp.example.com: 530 Login incorrect | missing=0;;;0 "
                                 "arrived=40;;;0"_qs, Day, at(9, 0))};
        QList<TestSupport::Nagios::Answer> answers;
        for (const FleetReport &report : reports)
            answers.append({FleetForms::text(report).join(u'\n').toUtf8() + '\n', report.status});
        QString why;
        const QList<TestSupport::Nagios::Stored> stored = TestSupport::Nagios::check(answers, &why);
        QVERIFY2(stored.size() == reports.size(), qPrintable(why));
        for (qsizetype i = 0; i < reports.size(); ++i) {
            const QString first = reports[i].firstLine();
            QCOMPARE(stored[i].state, reports[i].status);
            QCOMPARE(stored[i].output, first.section(u" | "_qs, 0, 0));
            QCOMPARE(stored[i].perfData, reports[i].perfData());
        }
        QVERIFY(stored[2].output.endsWith(u"530 Login incorrect \\x7c missing=0\\x3b\\x3b\\x3b0 arrived=40\\x3b\\x3b\\x3b0"_qs));
    }
};

QTEST_GUILESS_MAIN(TestFleetForms)
#include "tst_fleet_forms.moc"
