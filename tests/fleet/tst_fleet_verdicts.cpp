// SPDX-License-Identifier: MIT
#include "FleetSamples.h"

#include "fleet/check/FleetReport.h"
#include "fleet/check/Verdicts.h"

#include <QTest>

using namespace FleetSamples;

Q_DECLARE_METATYPE(ListedFile)
Q_DECLARE_METATYPE(FileState)
Q_DECLARE_METATYPE(HeartbeatState)

namespace {

ListedFile file(qint64 size, const QDateTime &modified)
{
    return {true, size, modified};
}

const ListedFile None;

} // namespace

class TestFleetVerdicts : public QObject
{
    Q_OBJECT

private slots:
    void deliveryWindow_data()
    {
        QTest::addColumn<QList<int>>("slotNumbers"); // 1-based slots set, each at the time below
        QTest::addColumn<QList<QTime>>("times");
        QTest::addColumn<QDateTime>("dueBy");
        QTest::addColumn<QDateTime>("lateAfter");
        QTest::newRow("two times of the day") << QList<int>{1, 2} << QList<QTime>{{8, 30}, {12, 0}} << at(8, 45) << at(12, 15);
        QTest::newRow("the order of the slots does not matter")
            << QList<int>{3, 1} << QList<QTime>{{8, 30}, {16, 0}} << at(8, 45) << at(16, 15);
        // Times 9 and 10 send the day before's file: the day's file is last sent on the day after.
        QTest::newRow("time 9 sends it the day after") << QList<int>{1, 9} << QList<QTime>{{8, 30}, {0, 30}} << at(8, 45)
                                                       << at(0, 45, Day.addDays(1));
        QTest::newRow("time 10 alone") << QList<int>{10} << QList<QTime>{{6, 0}} << at(6, 15, Day.addDays(1))
                                       << at(6, 15, Day.addDays(1));
        QTest::newRow("grace over midnight") << QList<int>{1} << QList<QTime>{{23, 50}} << at(0, 5, Day.addDays(1))
                                             << at(0, 5, Day.addDays(1));
    }
    void deliveryWindow()
    {
        QFETCH(QList<int>, slotNumbers);
        QFETCH(QList<QTime>, times);
        QFETCH(QDateTime, dueBy);
        QFETCH(QDateTime, lateAfter);
        std::array<std::optional<QTime>, 10> set;
        for (qsizetype i = 0; i < slotNumbers.size(); ++i)
            set[size_t(slotNumbers[i] - 1)] = times[i];
        const std::optional<DeliveryWindow> window = ::deliveryWindow(Day, set, 15);
        QVERIFY(window);
        QCOMPARE(window->dueBy, dueBy);
        QCOMPARE(window->lateAfter, lateAfter);
        QVERIFY(!::deliveryWindow(Day, {}, 15));
    }

    void fileOfADay_data()
    {
        QTest::addColumn<ListedFile>("records");
        QTest::addColumn<ListedFile>("temporary");
        QTest::addColumn<ListedFile>("aside");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<FileState>("state");
        QTest::addColumn<int>("severity");
        QTest::addColumn<bool>("partial");
        QTest::addColumn<bool>("leftover");
        QTest::addColumn<QString>("words");
        QTest::newRow("arrived") << file(4096, at(8, 31)) << None << None << at(13, 0) << FileState::Arrived << 0 << false << false
                                 << u"arrived 08:31, 4096 bytes"_qs;
        QTest::newRow("not there before its time and grace") << None << None << None << at(8, 44) << FileState::NotYetDue << 0
                                                             << false << false << u"not yet due (due by 08:45)"_qs;
        QTest::newRow("missing once due") << None << None << None << at(8, 45) << FileState::Missing << 2 << false << false
                                          << u"missing (due by 08:45)"_qs;
        QTest::newRow("empty") << file(0, at(8, 31)) << None << None << at(13, 0) << FileState::Empty << 1 << false << false
                               << u"empty (0 bytes)"_qs;
        QTest::newRow("late") << file(10, at(12, 16)) << None << None << at(13, 0) << FileState::Late << 1 << false << false
                              << u"late: 12:16, after 12:15"_qs;
        QTest::newRow("just in time") << file(10, at(12, 15)) << None << None << at(13, 0) << FileState::Arrived << 0 << false
                                      << false << u"arrived 12:15"_qs;
        QTest::newRow("late on the day after") << file(10, at(9, 0, Day.addDays(1))) << None << None << at(10, 0, Day.addDays(1))
                                               << FileState::Late << 1 << false << false << u"late: 2026-12-08 09:00"_qs;
        QTest::newRow("a listing without times") << file(10, QDateTime()) << None << None << at(13, 0) << FileState::Arrived << 0
                                                 << false << false << u"arrived, 10 bytes"_qs;
        QTest::newRow("only a temporary file no longer written")
            << None << file(900, at(8, 31)) << None << at(10, 0) << FileState::Missing << 2 << true << false
            << u"only a temporary file that is no longer written, .20261207.12.part (900 bytes, 08:31)"_qs;
        QTest::newRow("a temporary file still written after its time")
            << None << file(900, at(9, 55)) << None << at(10, 0) << FileState::Missing << 1 << true << false
            << u"missing, on its way: .20261207.12.part"_qs;
        QTest::newRow("only the copy set aside") << None << None << file(800, at(8, 31)) << at(10, 0) << FileState::Missing << 2
                                                 << true << false << u"only a copy set aside, .20261207.12.old"_qs;
        QTest::newRow("there, and a later try broke off") << file(10, at(8, 31)) << file(5, at(12, 1)) << None << at(13, 0)
                                                          << FileState::Arrived << 1 << false << true
                                                          << u"left behind: .20261207.12.part (5 bytes, 12:01)"_qs;
        QTest::newRow("there, and a new copy on its way") << file(10, at(8, 31)) << file(5, at(12, 55)) << None << at(13, 0)
                                                          << FileState::Arrived << 0 << false << false
                                                          << u"a new copy is on its way"_qs;
        QTest::newRow("on its way before its time") << None << file(5, at(8, 30)) << None << at(8, 31) << FileState::NotYetDue
                                                    << 0 << false << false << u"on its way: .20261207.12.part"_qs;
    }
    void fileOfADay()
    {
        QFETCH(ListedFile, records);
        QFETCH(ListedFile, temporary);
        QFETCH(ListedFile, aside);
        QFETCH(QDateTime, now);
        const FleetSettings fleet = settings();
        const DayVerdict verdict = judgeDay(u"12"_qs, Day, {records, temporary, aside},
                                            *::deliveryWindow(Day, fleet.times, fleet.graceMinutes), fleet.graceMinutes, now);
        QCOMPARE(verdict.name, u"20261207.12"_qs);
        QTEST(verdict.state, "state");
        QTEST(verdict.severity, "severity");
        QTEST(verdict.partial, "partial");
        QTEST(verdict.leftover, "leftover");
        QFETCH(QString, words);
        QVERIFY2(verdict.text.contains(words), qPrintable(verdict.text));
    }

    void heartbeats_data()
    {
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("fetchError");
        QTest::addColumn<HeartbeatState>("state");
        QTest::addColumn<int>("severity");
        QTest::addColumn<bool>("owing");
        QTest::addColumn<qint64>("age");
        QTest::addColumn<QString>("words");
        const QDateTime now = at(10, 0);
        QTest::newRow("none left") << false << QByteArray() << QString() << HeartbeatState::None << 0 << false << qint64(-1)
                                   << u"no heartbeat"_qs;
        QTest::newRow("fresh") << true << heartbeat(u"12"_qs, now.addSecs(-300)) << QString() << HeartbeatState::Fresh << 0 << false
                               << qint64(300) << u"5 min ago, version 1.00"_qs;
        QTest::newRow("written at an offset of its own")
            << true << heartbeat(u"12"_qs, now.addSecs(-120).toOffsetFromUtc(5 * 3600)) << QString() << HeartbeatState::Fresh << 0
            << false << qint64(120) << u"2 min ago"_qs;
        QTest::newRow("stale") << true << heartbeat(u"12"_qs, now.addSecs(-3 * 3600 - 300)) << QString() << HeartbeatState::Stale
                               << 1 << false << qint64(3 * 3600 + 300) << u"stale: written 3 h 5 min ago"_qs;
        QTest::newRow("owes, and says why")
            << true << heartbeat(u"12"_qs, now.addSecs(-60), u"WARNING"_qs, {owedTime(u"/upload/20261207.12"_qs, u"login-refused"_qs)})
            << QString() << HeartbeatState::Fresh << 1 << true << qint64(60)
            << u"the station says WARNING, owes FtpTime1 20261207.12 owed (login-refused)"_qs;
        QTest::newRow("ahead of our clock") << true << heartbeat(u"12"_qs, now.addSecs(900)) << QString() << HeartbeatState::Fresh
                                            << 0 << false << qint64(0) << u"written 15 min ahead of this computer's clock"_qs;
        QTest::newRow("not JSON") << true << QByteArray("{\"format\":1, broken") << QString() << HeartbeatState::Unreadable << 1
                                  << false << qint64(-1) << u"heartbeat unreadable: not JSON"_qs;
        QTest::newRow("empty file") << true << QByteArray("\n") << QString() << HeartbeatState::Unreadable << 1 << false
                                    << qint64(-1) << u"heartbeat unreadable: empty"_qs;
        QTest::newRow("a list") << true << QByteArray("[1,2]") << QString() << HeartbeatState::Unreadable << 1 << false
                                << qint64(-1) << u"not a JSON object"_qs;
        QTest::newRow("no format") << true << QByteArray("{\"station\":\"12\"}") << QString() << HeartbeatState::Unreadable << 1
                                   << false << qint64(-1) << u"no format number"_qs;
        QTest::newRow("a newer layout") << true << heartbeat(u"12"_qs, now, u"OK"_qs, {}, 2) << QString() << HeartbeatState::Newer
                                        << 1 << false << qint64(-1) << u"heartbeat from a newer version (format 2"_qs;
        QTest::newRow("another station's") << true << heartbeat(u"13"_qs, now) << QString() << HeartbeatState::Unreadable << 1
                                           << false << qint64(-1) << u"it names station \"13\""_qs;
        QTest::newRow("no time written") << true << QByteArray("{\"format\":1,\"station\":\"12\",\"state\":\"OK\",\"version\":\"1\"}")
                                         << QString() << HeartbeatState::Unreadable << 1 << false << qint64(-1) << u"writtenAt"_qs;
        QTest::newRow("counts missing") << true
                                        << QByteArray("{\"format\":1,\"station\":\"12\",\"state\":\"OK\",\"version\":\"1\","
                                                      "\"writtenAt\":\"2026-12-07T09:59:00+00:00\"}")
                                        << QString() << HeartbeatState::Unreadable << 1 << false << qint64(-1) << u"no count"_qs;
        // A station without its settings file reports UNKNOWN and has no counts to give.
        QTest::newRow("the station cannot tell")
            << true
            << QByteArray("{\"format\":1,\"station\":\"12\",\"state\":\"UNKNOWN\",\"version\":\"1\",\"summary\":\"cannot read TALLYPORT.ini\","
                          "\"writtenAt\":\"" + now.addSecs(-60).toString(Qt::ISODate).toLatin1() + "\"}")
            << QString() << HeartbeatState::Fresh << 1 << true << qint64(60) << u"the station says UNKNOWN: cannot read TALLYPORT.ini"_qs;
        QTest::newRow("larger than any heartbeat") << true << QByteArray(Heartbeat::MostBytes + 1, ' ') << QString()
                                                   << HeartbeatState::Unreadable << 1 << false << qint64(-1) << u"larger than"_qs;
        QTest::newRow("could not be fetched") << true << QByteArray() << u"550 Permission denied."_qs << HeartbeatState::Unreadable
                                              << 1 << false << qint64(-1) << u"could not be fetched: 550 Permission denied."_qs;
    }
    void heartbeats()
    {
        QFETCH(bool, listed);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, fetchError);
        const HeartbeatVerdict verdict = judgeHeartbeat(u"12"_qs, {listed, bytes, fetchError}, 60, at(10, 0));
        QTEST(verdict.state, "state");
        QTEST(verdict.severity, "severity");
        QTEST(verdict.owing, "owing");
        QTEST(verdict.ageSeconds, "age");
        QFETCH(QString, words);
        QVERIFY2(verdict.text.contains(words), qPrintable(verdict.text));
    }

    // Which names of a listing are kept, and how the others are counted.
    void namesOfAListing()
    {
        ServerFiles files({u"3"_qs, u"12"_qs}, Day, HistoryDays);
        const QDateTime time = at(8, 31);
        for (const QByteArray name :
             {"20261207.12", ".20261207.3.part", ".20261207.3.old", "20261201.12", "20261130.12", "20261207.99", "20261206.99",
              "notes.txt", ".korva5-test-1234.part", "korva5-status.12.json", "korva5-status.99.json", "20261307.12",
              "20261207.12.bak", "2026120.12", ".hidden"})
            add(files, mlsdLine(name, 7, time), ServerFiles::Folder::Records);
        add(files, "type=dir;modify=20261207083004; 20261207.3", ServerFiles::Folder::Records);

        QVERIFY(files.files(1, HistoryDays - 1).records.present);
        QCOMPARE(files.files(1, HistoryDays - 1).records.size, 7);
        QCOMPARE(files.files(1, HistoryDays - 1).records.modified, time);
        QVERIFY(files.files(0, HistoryDays - 1).temporary.present);
        QVERIFY(files.files(0, HistoryDays - 1).aside.present);
        QVERIFY2(!files.files(0, HistoryDays - 1).records.present, "a folder is no records file");
        QVERIFY(files.files(1, 0).records.present); // 2026-12-01, the first day looked at
        QCOMPARE(files.otherDays(), 1);            // 2026-11-30
        QCOMPARE(files.unlistedStations(), (QMap<QString, int>{{u"99"_qs, 2}}));
        // A heartbeat in the records folder belongs to the status folder's listing, not here.
        QVERIFY(!files.heartbeat(1).present);
        QCOMPARE(files.notRecords(), 5);
        QCOMPARE(files.notRecordsExamples(),
                 (QStringList{u"notes.txt"_qs, u"20261307.12"_qs, u"20261207.12.bak"_qs, u"2026120.12"_qs, u".hidden"_qs}));

        // The same folder for both: the heartbeats there are kept too.
        ServerFiles both({u"12"_qs}, Day, HistoryDays);
        add(both, mlsdLine("korva5-status.12.json", 300, time));
        QVERIFY(both.heartbeat(0).present);
        // A status folder of its own may hold anything else without a word.
        ServerFiles status({u"12"_qs}, Day, HistoryDays);
        add(status, mlsdLine("readme.txt", 3, time), ServerFiles::Folder::Status);
        add(status, mlsdLine("20261207.12", 3, time), ServerFiles::Folder::Status);
        QCOMPARE(status.notRecords(), 0);
        QVERIFY(!status.files(0, HistoryDays - 1).records.present);
    }

    // NLST gives names only; the size and time asked afterwards reach the files kept.
    void namesAlone()
    {
        ServerFiles files({u"12"_qs}, Day, HistoryDays);
        QVERIFY(files.addName(ServerFiles::Folder::Records, "/upload/20261207.12"));
        QVERIFY(!files.addName(ServerFiles::Folder::Records, "notes.txt"));
        QVERIFY(!files.files(0, HistoryDays - 1).records.modified.isValid());
        files.setFacts("20261207.12", 99, at(8, 31));
        QCOMPARE(files.files(0, HistoryDays - 1).records.size, 99);
        QCOMPARE(files.files(0, HistoryDays - 1).records.modified, at(8, 31));
        QCOMPARE(files.notRecords(), 1);
    }

    // The fleet's state is the worst station's for the day asked; the counts and names of the
    // summary match the stations' lines.
    void fleetOfADay()
    {
        const QStringList stations{u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs, u"5"_qs, u"6"_qs};
        ServerFiles files(stations, Day, HistoryDays);
        add(files, mlsdLine("20261207.1", 100, at(8, 31)));
        add(files, mlsdLine(".20261207.3.part", 50, at(8, 31)));
        add(files, mlsdLine("20261207.4", 100, at(13, 0)));
        add(files, mlsdLine("20261207.5", 0, at(8, 31)));
        add(files, mlsdLine("20261207.6", 100, at(8, 32)));
        // A missing file of an earlier day is shown, not judged.
        add(files, mlsdLine("20261206.1", 100, at(8, 31, Day.addDays(-1))));
        const QDateTime now = at(14, 0);
        QList<HeartbeatFile> heartbeats(stations.size());
        heartbeats[0] = {true, heartbeat(u"1"_qs, now.addSecs(-60)), {}};
        heartbeats[1] = {true, heartbeat(u"2"_qs, now.addSecs(-7200)), {}};
        heartbeats[2] = {true, QByteArray("nonsense"), {}};
        heartbeats[5] = {true, heartbeat(u"6"_qs, now.addSecs(-60), u"WARNING"_qs, {owedTime(u"/upload/20261207.6"_qs, u"connection-refused"_qs)}), {}};

        const FleetReport report = judgeFleet(settings(stations), files, heartbeats, Day, now);
        QCOMPARE(report.status, int(FleetReport::Critical));
        QCOMPARE(report.stations.size(), stations.size());
        QCOMPARE(report.stations.at(0).severity, 0);
        QCOMPARE(report.stations.at(0).days.first().state, FileState::Missing); // 2026-12-01
        QCOMPARE(report.stations.at(0).days.at(HistoryDays - 2).state, FileState::Arrived);
        QCOMPARE(report.summary(),
                 u"2026-12-07: 2 of 6 arrived; missing: 2, 3; empty: 5; late: 4; heartbeat unreadable: 3; heartbeat stale: 2; "
                 "station reports uploads owed: 6"_qs);
        QCOMPARE(report.perfData(),
                 u"expected=6;;;0 arrived=2;;;0 missing=2;;;0 late=1;;;0 empty=1;;;0 partial=1;;;0 not_due=0;;;0 "
                 "stale_heartbeats=1;;;0 bad_heartbeats=1;;;0 no_heartbeat=2;;;0 owing=1;;;0"_qs);
        QVERIFY(report.firstLine().startsWith(u"CRITICAL: 2026-12-07: 2 of 6 arrived;"));

        // Before the first time everything is still to come, and a station without heartbeat is
        // no fault.
        const FleetReport early = judgeFleet(settings(stations), ServerFiles(stations, Day, HistoryDays), {}, Day, at(8, 0));
        QCOMPARE(early.status, int(FleetReport::Ok));
        QCOMPARE(early.summary(), u"2026-12-07: 0 of 6 arrived, 6 not yet due"_qs);
        QVERIFY(!early.heartbeatsChecked);
    }

    void unknownSaysWhyAndNoPerformanceData()
    {
        const FleetReport report = FleetReport::unknown(u"cannot list the records folder /upload/: 550 Permission denied."_qs, Day, at(9, 0));
        QCOMPARE(report.firstLine(), u"UNKNOWN: cannot list the records folder /upload/: 550 Permission denied."_qs);
        QCOMPARE(judgeFleet(FleetSettings(), ServerFiles({u"1"_qs}, Day, 1), {}, Day, at(9, 0)).status, int(FleetReport::Unknown));
    }
};

QTEST_GUILESS_MAIN(TestFleetVerdicts)
#include "tst_fleet_verdicts.moc"
