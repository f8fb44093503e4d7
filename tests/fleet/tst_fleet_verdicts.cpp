// SPDX-License-Identifier: MIT
#include "FleetSamples.h"

#include "fleet/check/FleetReport.h"
#include "fleet/check/Verdicts.h"

#include "core/diagnostics/ShownText.h"

#include <QJsonDocument>

#include <QTest>

using namespace korva5;
using namespace korva5::fleet;

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
        QTest::addColumn<QString>("zone"); // the zone the settings name for the station; empty: none
        QTest::addColumn<HeartbeatState>("state");
        QTest::addColumn<int>("severity");
        QTest::addColumn<bool>("owing");
        QTest::addColumn<qint64>("age");
        QTest::addColumn<QString>("words");
        const QDateTime now = at(10, 0);
        // As an older program wrote it: the figures of its own clock, without an offset.
        const auto figures = [](const QDateTime &at, const QByteArray &more = {}) -> QByteArray {
            return QByteArray("{\"format\":1,\"version\":\"1.00\",\"station\":\"12\",\"state\":\"OK\",\"owed\":0,\"givenUp\":0,"
                              "\"underWay\":0,\"writtenAt\":\"") + at.toString(u"yyyy-MM-ddTHH:mm:ss").toLatin1() + '"' + more + '}';
        };
        const QDateTime inHelsinki = now.toTimeZone(QTimeZone("Europe/Helsinki")).addSecs(-120);
        QTest::newRow("none left") << false << QByteArray() << QString() << QString() << HeartbeatState::None << 0 << false
                                   << qint64(-1) << u"no heartbeat"_qs;
        QTest::newRow("fresh") << true << heartbeat(u"12"_qs, now.addSecs(-300)) << QString() << QString() << HeartbeatState::Fresh
                               << 0 << false << qint64(300) << u"5 min ago, version 1.00"_qs;
        QTest::newRow("written at an offset of its own")
            << true << heartbeat(u"12"_qs, now.addSecs(-120).toOffsetFromUtc(5 * 3600)) << QString() << QString()
            << HeartbeatState::Fresh << 0 << false << qint64(120) << u"2 min ago"_qs;
        QTest::newRow("stale") << true << heartbeat(u"12"_qs, now.addSecs(-3 * 3600 - 300)) << QString() << QString()
                               << HeartbeatState::Stale << 1 << false << qint64(3 * 3600 + 300) << u"stale: written 3 h 5 min ago"_qs;
        QTest::newRow("owes, and says why")
            << true << heartbeat(u"12"_qs, now.addSecs(-60), u"WARNING"_qs, {owedTime(u"/upload/20261207.12"_qs, u"login-refused"_qs)})
            << QString() << QString() << HeartbeatState::Fresh << 1 << true << qint64(60)
            << u"the station says WARNING, owes FtpTime1 20261207.12 owed (login-refused)"_qs;
        // A clock a little ahead is usual; one further ahead is no heartbeat that can be fresh.
        QTest::newRow("a clock a minute ahead") << true << heartbeat(u"12"_qs, now.addSecs(60)) << QString() << QString()
                                                << HeartbeatState::Fresh << 0 << false << qint64(0) << u"0 s ago"_qs;
        QTest::newRow("ahead of our clock") << true << heartbeat(u"12"_qs, now.addSecs(900)) << QString() << QString()
                                            << HeartbeatState::ClockAhead << 1 << false << qint64(-1)
                                            << u"clock ahead: written 15 min ahead of this computer's clock"_qs;
        QTest::newRow("far ahead")
            << true << heartbeat(u"12"_qs, QDateTime({9999, 12, 31}, {23, 59, 59}, QTimeZone(14 * 3600))) << QString() << QString()
            << HeartbeatState::ClockAhead << 1 << false << qint64(-1) << u"clock ahead: written "_qs;
        // Without an offset: whose clock it was decides which moment it is.
        QTest::newRow("no offset, no zone known") << true << figures(now.addSecs(-60)) << QString() << QString()
                                                  << HeartbeatState::NoZone << 1 << false << qint64(-1) << u"time without zone"_qs;
        QTest::newRow("no offset, the zone in the settings")
            << true << figures(inHelsinki) << QString() << u"Europe/Helsinki"_qs << HeartbeatState::Fresh << 0 << false
            << qint64(120) << u"2 min ago"_qs;
        QTest::newRow("no offset, the zone in the heartbeat")
            << true << figures(now.toTimeZone(QTimeZone("America/New_York")).addSecs(-5), ",\"timeZone\":\"America/New_York\"")
            << QString() << QString() << HeartbeatState::Fresh << 0 << false << qint64(5) << u"5 s ago"_qs;
        QTest::newRow("not JSON") << true << QByteArray("{\"format\":1, broken") << QString() << QString()
                                  << HeartbeatState::Unreadable << 1 << false << qint64(-1) << u"heartbeat unreadable: not JSON"_qs;
        QTest::newRow("empty file") << true << QByteArray("\n") << QString() << QString() << HeartbeatState::Unreadable << 1
                                    << false << qint64(-1) << u"heartbeat unreadable: empty"_qs;
        QTest::newRow("a list") << true << QByteArray("[1,2]") << QString() << QString() << HeartbeatState::Unreadable << 1
                                << false << qint64(-1) << u"not a JSON object"_qs;
        QTest::newRow("no format") << true << QByteArray("{\"station\":\"12\"}") << QString() << QString()
                                   << HeartbeatState::Unreadable << 1 << false << qint64(-1) << u"no format number"_qs;
        QTest::newRow("a newer layout") << true << heartbeat(u"12"_qs, now, u"OK"_qs, {}, 2) << QString() << QString()
                                        << HeartbeatState::Newer << 1 << false << qint64(-1)
                                        << u"heartbeat from a newer version (format 2"_qs;
        QTest::newRow("another station's") << true << heartbeat(u"13"_qs, now) << QString() << QString()
                                           << HeartbeatState::Unreadable << 1 << false << qint64(-1) << u"it names station \"13\""_qs;
        QTest::newRow("no time written") << true << QByteArray("{\"format\":1,\"station\":\"12\",\"state\":\"OK\",\"version\":\"1\"}")
                                         << QString() << QString() << HeartbeatState::Unreadable << 1 << false << qint64(-1)
                                         << u"writtenAt"_qs;
        QTest::newRow("counts missing") << true
                                        << QByteArray("{\"format\":1,\"station\":\"12\",\"state\":\"OK\",\"version\":\"1\","
                                                      "\"writtenAt\":\"2026-12-07T09:59:00+00:00\"}")
                                        << QString() << QString() << HeartbeatState::Unreadable << 1 << false << qint64(-1)
                                        << u"no count"_qs;
        // A station without its settings file reports UNKNOWN and has no counts to give.
        QTest::newRow("the station cannot tell")
            << true
            << QByteArray("{\"format\":1,\"station\":\"12\",\"state\":\"UNKNOWN\",\"version\":\"1\",\"summary\":\"cannot read TALLYPORT.ini\","
                          "\"writtenAt\":\"" + IsoTime::text(now.addSecs(-60)).toLatin1() + "\"}")
            << QString() << QString() << HeartbeatState::Fresh << 1 << true << qint64(60)
            << u"the station says UNKNOWN: cannot read TALLYPORT.ini"_qs;
        QTest::newRow("larger than any heartbeat") << true << QByteArray(HeartbeatReading::MostBytes + 1, ' ') << QString() << QString()
                                                   << HeartbeatState::Unreadable << 1 << false << qint64(-1) << u"larger than"_qs;
        QTest::newRow("could not be fetched") << true << QByteArray() << u"550 Permission denied."_qs << QString()
                                              << HeartbeatState::Unreadable << 1 << false << qint64(-1)
                                              << u"could not be fetched: 550 Permission denied."_qs;
    }
    void heartbeats()
    {
        QFETCH(bool, listed);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, fetchError);
        QFETCH(QString, zone);
        const HeartbeatVerdict verdict = judgeHeartbeat(u"12"_qs, {listed, bytes, fetchError}, 60, at(10, 0),
                                                        zone.isEmpty() ? QTimeZone() : QTimeZone(zone.toLatin1()));
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

    // A name that could pass for another in a listing is never taken for a file, from MLSD and
    // LIST lines and from NLST's names alike.
    void namesThatCannotBeTakenWhole_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("unsafe");
        QTest::addColumn<bool>("kept");
        QTest::newRow("a records name") << QByteArray("20261207.12") << false << true;
        QTest::newRow("a line end and a line that names another station")
            << QByteArray("20261207.3\n-rw-r--r--    1 1000  1000  999 Dec 07 08:31 20261207.12") << true << false;
        QTest::newRow("a CR at its end") << QByteArray("20261207.12\r") << true << false;
        QTest::newRow("NUL") << QByteArray("20261207.12\0", 12) << true << false;
        QTest::newRow("an escape sequence") << QByteArray("\x1b[2K20261207.12") << true << false;
        QTest::newRow("a blank in front") << QByteArray(" 20261207.12") << false << false;
    }
    void namesThatCannotBeTakenWhole()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, unsafe);
        QFETCH(bool, kept);
        for (const bool namesOnly : {false, true}) {
            ServerFiles files({u"12"_qs}, Day, HistoryDays);
            if (namesOnly)
                files.addName(ServerFiles::Folder::Records, name);
            else
                add(files, mlsdLine(name, 999, at(8, 31)), ServerFiles::Folder::Records);
            QCOMPARE(files.files(0, HistoryDays - 1).records.present, kept);
            QCOMPARE(files.unsafeNames(), unsafe ? 1 : 0);
            QCOMPARE(files.keptNames().size(), kept ? 1 : 0);
            if (unsafe) // shown escaped: it makes no line of its own
                QVERIFY2(!hasControlCharacter(files.unsafeExamples().first()), qPrintable(files.unsafeExamples().first()));
        }
    }

    // What the server says of a name asked for by itself outweighs what a listing said.
    void confirmedOneByOne()
    {
        ServerFiles files({u"1"_qs, u"2"_qs, u"3"_qs}, Day, HistoryDays);
        for (const QByteArray name : {"20261207.1", "20261207.2", "20261207.3"})
            add(files, mlsdLine(name, 999, at(8, 31)), ServerFiles::Folder::Records);
        files.confirm("20261207.1", false, -1, {});           // not there: the listing only seemed to say so
        files.confirm("20261207.2", true, 40211, at(8, 40));  // there, with its own size and time
        files.confirm("20261207.3", std::nullopt, -1, {});    // the server would not say
        const int day = HistoryDays - 1;
        QVERIFY(!files.files(0, day).records.present);
        QCOMPARE(files.files(1, day).records.size, 40211);
        QCOMPARE(files.files(1, day).records.modified, at(8, 40));
        QCOMPARE(files.files(2, day).records.size, 999);
        QCOMPARE(files.notConfirmed(), 1);
        QCOMPARE(files.keptNames().size(), 2);
    }

    // NLST gives names only; the size and time asked afterwards reach the files kept.
    void namesAlone()
    {
        ServerFiles files({u"12"_qs}, Day, HistoryDays);
        QVERIFY(files.addName(ServerFiles::Folder::Records, "/upload/20261207.12"));
        QVERIFY(!files.addName(ServerFiles::Folder::Records, "notes.txt"));
        QVERIFY(!files.files(0, HistoryDays - 1).records.modified.isValid());
        files.confirm("20261207.12", true, 99, at(8, 31));
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
        // Every file under its name has arrived, the late and the empty one too.
        QCOMPARE(report.summary(),
                 u"2026-12-07: 4 of 6 arrived (2 on time, 1 late, 1 empty) - missing: 2, 3 - empty: 5 - late: 4 - "
                 "heartbeat unreadable: 3 - heartbeat stale: 2 - station reports uploads owed: 6"_qs);
        QCOMPARE(report.perfData(),
                 u"expected=6;;;0 arrived=4;;;0 on_time=2;;;0 late=1;;;0 empty=1;;;0 missing=2;;;0 partial=1;;;0 not_due=0;;;0 "
                 "stale_heartbeats=1;;;0 bad_heartbeats=1;;;0 clock_ahead=0;;;0 no_zone=0;;;0 no_heartbeat=2;;;0 owing=1;;;0"_qs);
        QVERIFY(report.firstLine().startsWith(u"CRITICAL: 2026-12-07: 4 of 6 arrived (2 on time, 1 late, 1 empty) - missing"));

        // Before the first time everything is still to come, and a station without heartbeat is
        // no fault.
        const FleetReport early = judgeFleet(settings(stations), ServerFiles(stations, Day, HistoryDays), {}, Day, at(8, 0));
        QCOMPARE(early.status, int(FleetReport::Ok));
        QCOMPARE(early.summary(), u"2026-12-07: 0 of 6 arrived, 6 not yet due"_qs);
        QVERIFY(!early.heartbeatsChecked);
    }

    // Each station's day, times and lateness are its own clock's; the office here runs on UTC.
    void stationsInTheirOwnZones_data()
    {
        QTest::addColumn<QString>("configured"); // the zone fleet.ini names for the station; empty: none
        QTest::addColumn<QString>("told");       // the zone its heartbeat names; empty: no heartbeat
        QTest::addColumn<QDateTime>("modified"); // its file of the day; invalid: none
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<FileState>("state");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("from");
        const QTimeZone utc = QTimeZone::utc();
        const QDateTime afternoon(Day, {16, 0}, utc);
        QTest::newRow("Shanghai: 12:20 there is late") << u"Asia/Shanghai"_qs << QString() << QDateTime(Day, {4, 20}, utc)
                                                       << afternoon << FileState::Late << u"late: 12:20, after 12:15"_qs
                                                       << u"settings"_qs;
        QTest::newRow("Sao Paulo: 12:10 there is on time") << u"America/Sao_Paulo"_qs << QString() << QDateTime(Day, {15, 10}, utc)
                                                           << afternoon << FileState::Arrived << u"arrived 12:10"_qs
                                                           << u"settings"_qs;
        QTest::newRow("Sao Paulo: 08:00 there, not yet due") << u"America/Sao_Paulo"_qs << QString() << QDateTime()
                                                             << QDateTime(Day, {11, 0}, utc) << FileState::NotYetDue
                                                             << u"not yet due (due by 08:45)"_qs << u"settings"_qs;
        QTest::newRow("Helsinki, as its heartbeat says") << QString() << u"Europe/Helsinki"_qs << QDateTime(Day, {10, 20}, utc)
                                                         << afternoon << FileState::Late << u"late: 12:20"_qs << u"heartbeat"_qs;
        // Every station may write to the status folder, and so name another's zone: the
        // settings' word is the office's own.
        QTest::newRow("the settings over a heartbeat") << u"Asia/Shanghai"_qs << u"Pacific/Kiritimati"_qs
                                                       << QDateTime(Day, {4, 20}, utc) << afternoon << FileState::Late
                                                       << u"late: 12:20"_qs << u"settings"_qs;
        QTest::newRow("a zone nobody names: the office's") << QString() << QString() << QDateTime(Day, {12, 10}, utc) << afternoon
                                                           << FileState::Arrived << u"arrived 12:10"_qs << u"office"_qs;
    }
    void stationsInTheirOwnZones()
    {
        QFETCH(QString, configured);
        QFETCH(QString, told);
        QFETCH(QDateTime, modified);
        QFETCH(QDateTime, now);
        FleetSettings fleet = settings({u"12"_qs});
        fleet.zones.all = QTimeZone::utc();
        if (!configured.isEmpty())
            fleet.zones.byStation.insert(u"12"_qs, QTimeZone(configured.toLatin1()));
        ServerFiles files(fleet.stations, Day, HistoryDays);
        if (modified.isValid())
            add(files, mlsdLine("20261207.12", 100, modified));
        QList<HeartbeatFile> heartbeats;
        if (!told.isEmpty()) {
            QJsonObject beat = QJsonDocument::fromJson(heartbeat(u"12"_qs, now.addSecs(-60))).object();
            beat.insert(u"timeZone"_qs, told);
            heartbeats = {{true, QJsonDocument(beat).toJson(), {}}};
        }
        const FleetReport report = judgeFleet(fleet, files, heartbeats, Day, now);
        const FleetReport::Station &station = report.stations.first();
        QTEST(station.asked().state, "state");
        QFETCH(QString, words);
        QVERIFY2(station.asked().text.contains(words), qPrintable(station.asked().text));
        QTEST(station.zoneSource, "from");
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
