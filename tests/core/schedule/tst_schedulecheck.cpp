// SPDX-License-Identifier: MIT
// Which configured times a check finds, with late, early and jumping clocks.
#include "core/schedule/ScheduleCheck.h"
#include "CoreTestSupport.h"

#include <QTest>

using namespace korva5;

using namespace Qt::StringLiterals;

namespace {

using Times = std::array<QString, Settings::TimeSlots>;

Times times(const QMap<int, QString> &timeSlots)
{
    Times result;
    for (auto it = timeSlots.cbegin(); it != timeSlots.cend(); ++it)
        result[size_t(it.key() - 1)] = it.value();
    return result;
}

QDateTime at(int h, int m, int s, int ms = 0, QDate day = QDate(2021, 3, 5))
{
    return QDateTime(day, QTime(h, m, s, ms));
}

// A match as the tests write it: "slot@yyyy-MM-dd HH:mm" plus " catch-up" where it is one.
QString describe(const ScheduleCheck::Match &match)
{
    return QStringLiteral("%1@%2%3")
        .arg(match.slot + 1)
        .arg(match.minute.toString(u"yyyy-MM-dd HH:mm"), match.catchUp ? QStringLiteral(" catch-up") : QString());
}

QByteArrayList describe(const QList<ScheduleCheck::Match> &matches)
{
    QByteArrayList result;
    for (const ScheduleCheck::Match &match : matches)
        result << describe(match).toUtf8();
    return result;
}

// One check: when it runs and what it must find.
struct Check
{
    QDateTime at;
    QByteArrayList found;
};

} // namespace

Q_DECLARE_METATYPE(Times)
Q_DECLARE_METATYPE(QList<Check>)

class TestScheduleCheck : public QObject
{
    Q_OBJECT

private slots:
    void slotMatching_data();
    void slotMatching();
    void checkSequences_data();
    void checkSequences();
    void startCatchesUpFromTheLastRun_data();
    void startCatchesUpFromTheLastRun();
    void matchDayOfTheFile_data();
    void matchDayOfTheFile();
    void daysTheClocksChange_data();
    void daysTheClocksChange();
};

void TestScheduleCheck::slotMatching_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("clock");
    QTest::addColumn<bool>("fires");
    QTest::newRow("08:30") << "08:30" << "08:30" << true;
    QTest::newRow("blanks around") << " 08:30 " << "08:30" << true;
    QTest::newRow("other minute") << "08:31" << "08:30" << false;
    QTest::newRow("no leading zero") << "8:30" << "08:30" << false;
    QTest::newRow("other separator") << "08.30" << "08:30" << false;
    QTest::newRow("24:00") << "24:00" << "00:00" << false;
    QTest::newRow("empty") << "" << "00:00" << false;
}

void TestScheduleCheck::slotMatching()
{
    QFETCH(QString, value);
    QFETCH(QString, clock);
    QFETCH(bool, fires);
    QCOMPARE(ScheduleCheck::slotFor(QTime::fromString(clock, u"HH:mm"), times({{4, value}})).has_value(), fires);
}

void TestScheduleCheck::checkSequences_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<Times>("upload");
    QTest::addColumn<QList<Check>>("checks");
    const QDate next = QDate(2021, 3, 6);

    // One check lands just before 08:30, the next (late) just after it: 08:30 is never the
    // check's own minute, yet it is sent, once.
    QTest::newRow("late ticks step over the minute")
        << at(8, 28, 58, 500) << times({{1, QStringLiteral("08:30")}})
        << QList<Check>{{at(8, 29, 59, 900), {}}, {at(8, 31, 0, 400), {"1@2021-03-05 08:30"}}, {at(8, 32, 0, 900), {}}};
    QTest::newRow("early ticks: two checks in one minute")
        << at(8, 29, 0, 300) << times({{1, QStringLiteral("08:30")}})
        << QList<Check>{{at(8, 30, 0, 200), {"1@2021-03-05 08:30"}}, {at(8, 30, 59, 800), {}}, {at(8, 31, 59, 500), {}}};
    // Set back three minutes, then running on: no replay, but new minutes still count.
    QTest::newRow("clock set back")
        << at(8, 29, 30) << times({{1, QStringLiteral("08:30")}, {2, QStringLiteral("08:33")}})
        << QList<Check>{{at(8, 30, 30), {"1@2021-03-05 08:30"}}, {at(8, 28, 30), {}}, {at(8, 29, 30), {}},
                        {at(8, 30, 30), {}}, {at(8, 31, 30), {}}, {at(8, 33, 30), {"2@2021-03-05 08:33"}}};
    QTest::newRow("clock set back across midnight")
        << at(23, 57, 10) << times({{10, QStringLiteral("23:59")}})
        << QList<Check>{{at(0, 0, 10, 0, next), {"10@2021-03-05 23:59"}}, {at(23, 59, 40), {}}};
    // Twenty minutes later: the minutes jumped over are caught up, the check's own is as usual.
    QTest::newRow("clock jumped forward")
        << at(8, 19, 30) << times({{1, QStringLiteral("08:30")}, {2, QStringLiteral("08:37")}, {3, QStringLiteral("08:40")}})
        << QList<Check>{{at(8, 20, 30), {}},
                        {at(8, 40, 30), {"1@2021-03-05 08:30 catch-up", "2@2021-03-05 08:37 catch-up", "3@2021-03-05 08:40"}},
                        {at(8, 41, 30), {}}};
    QTest::newRow("jump of three hours with two times inside")
        << at(9, 0, 0) << times({{1, QStringLiteral("10:00")}, {9, QStringLiteral("11:15")}})
        << QList<Check>{{at(9, 1, 0), {}}, {at(12, 1, 0), {"1@2021-03-05 10:00 catch-up", "9@2021-03-05 11:15 catch-up"}}};
    QTest::newRow("five late minutes are no jump")
        << at(8, 24, 30) << times({{1, QStringLiteral("08:30")}})
        << QList<Check>{{at(8, 25, 30), {}}, {at(8, 30, 30), {"1@2021-03-05 08:30"}}};
    QTest::newRow("a jump of days catches up one day")
        << at(8, 0, 0) << times({{1, QStringLiteral("08:30")}})
        << QList<Check>{{at(8, 1, 0), {}}, {at(9, 0, 0, 0, QDate(2021, 3, 8)), {"1@2021-03-08 08:30 catch-up"}}};
    // One late check covers 08:29 to 08:31: both times, oldest first.
    QTest::newRow("two times in one check are both sent")
        << at(8, 29, 0) << times({{1, QStringLiteral("08:31")}, {2, QStringLiteral("08:30")}})
        << QList<Check>{{at(8, 31, 40), {"2@2021-03-05 08:30", "1@2021-03-05 08:31"}}, {at(8, 32, 40), {}}};
    QTest::newRow("two slots with one time: the lower-numbered")
        << at(8, 29, 0) << times({{4, QStringLiteral("08:30")}, {2, QStringLiteral("08:30")}})
        << QList<Check>{{at(8, 30, 5), {"2@2021-03-05 08:30"}}};
    // Without an earlier run's record, what came before the start is not owed.
    QTest::newRow("minutes before the start are not sent")
        << at(8, 31, 10) << times({{1, QStringLiteral("08:30")}, {2, QStringLiteral("08:31")}})
        << QList<Check>{{at(8, 32, 10), {"2@2021-03-05 08:31"}}, {at(8, 33, 10), {}}};
    // The day of the minute, not of the late check.
    QTest::newRow("last minute of the day")
        << at(23, 58, 50, 0, QDate(2004, 3, 1)) << times({{1, QStringLiteral("23:59")}})
        << QList<Check>{{at(0, 0, 0, 300, QDate(2004, 3, 2)), {"1@2004-03-01 23:59"}}};
}

void TestScheduleCheck::checkSequences()
{
    QFETCH(QDateTime, start);
    QFETCH(Times, upload);
    QFETCH(QList<Check>, checks);
    ScheduleCheck check;
    QVERIFY(check.start(start, std::nullopt, upload).isEmpty());
    for (const Check &expected : checks)
        QCOMPARE(describe(check.examine(expected.at, upload)), expected.found);
}

void TestScheduleCheck::startCatchesUpFromTheLastRun_data()
{
    QTest::addColumn<QDateTime>("lastExamined");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<Times>("upload");
    QTest::addColumn<QByteArrayList>("found");
    const Times morning = times({{1, QStringLiteral("08:30")}, {9, QStringLiteral("00:30")}});
    QTest::newRow("not running at 08:30, started at 09:10")
        << at(8, 0, 0) << at(9, 10, 0) << morning << QByteArrayList{"1@2021-03-05 08:30 catch-up"};
    QTest::newRow("off from 22:00 to 07:00, time 9 at 00:30")
        << at(22, 0, 0, 0, QDate(2021, 3, 4)) << at(7, 0, 0) << morning << QByteArrayList{"9@2021-03-05 00:30 catch-up"};
    QTest::newRow("the start minute is the first check's")
        << at(8, 0, 0) << at(8, 30, 40) << morning << QByteArrayList{};
    QTest::newRow("started twice in a row") << at(9, 9, 0) << at(9, 10, 0) << morning << QByteArrayList{};
    QTest::newRow("clock set back since the last run") << at(12, 0, 0) << at(9, 10, 0) << morning << QByteArrayList{};
    QTest::newRow("off for three days: the last 24 hours")
        << at(8, 0, 0, 0, QDate(2021, 3, 2)) << at(9, 0, 0) << morning
        << QByteArrayList{"9@2021-03-05 00:30 catch-up", "1@2021-03-05 08:30 catch-up"};
}

void TestScheduleCheck::startCatchesUpFromTheLastRun()
{
    QFETCH(QDateTime, lastExamined);
    QFETCH(QDateTime, start);
    QFETCH(Times, upload);
    QFETCH(QByteArrayList, found);
    ScheduleCheck check;
    QCOMPARE(describe(check.start(start, lastExamined, upload)), found);
    QCOMPARE(check.lastExamined(), QDateTime(start.date(), QTime(start.time().hour(), start.time().minute())).addSecs(-60));
    // Nothing found at the start comes back at the first check.
    const QByteArrayList first = describe(check.examine(start.addSecs(60), upload));
    for (const QByteArray &match : found)
        QVERIFY(!first.contains(match.left(match.indexOf(" catch-up"))));
}

void TestScheduleCheck::matchDayOfTheFile_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QDateTime>("minute");
    QTest::addColumn<QDate>("day");
    QTest::newRow("time 1: the minute's day") << 0 << at(8, 30, 0) << QDate(2021, 3, 5);
    QTest::newRow("time 8: the minute's day") << 7 << at(23, 59, 0) << QDate(2021, 3, 5);
    QTest::newRow("time 9: the day before") << 8 << at(0, 30, 0, 0, QDate(2004, 3, 1)) << QDate(2004, 2, 29);
    QTest::newRow("time 10: the day before, across a year") << 9 << at(6, 0, 0, 0, QDate(2021, 1, 1)) << QDate(2020, 12, 31);
}

void TestScheduleCheck::matchDayOfTheFile()
{
    QFETCH(int, slot);
    QFETCH(QDateTime, minute);
    QFETCH(QDate, day);
    QCOMPARE((ScheduleCheck::Match{slot, minute, false, minute.date()}.day()), day);
}

// A whole day checked once a minute in a zone whose clocks change that day, with the program off
// for a while when asleep is given (from, to; ISO with offsets): every time comes once, in its
// own minute (or in the catch-up when the program was off), never before it.
void TestScheduleCheck::daysTheClocksChange_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<Times>("upload");
    QTest::addColumn<QStringList>("asleep");
    QTest::addColumn<QStringList>("found");

    const QDate spring(2026, 3, 29), autumn(2026, 10, 25);
    const QByteArray helsinki("Europe/Helsinki"), lordHowe("Australia/Lord_Howe");
    // 03:00 becomes 04:00. Time 2 comes in FtpTime1's minute with the same file: sent once; time 9
    // sends yesterday's.
    QTest::newRow("Helsinki spring")
        << helsinki << spring << times({{1, u"03:30"_s}, {2, u"04:00"_s}, {3, u"02:59"_s}, {9, u"03:15"_s}}) << QStringList()
        << QStringList{u"3@2026-03-29 02:59+02:00"_s, u"1@2026-03-29 04:00+03:00"_s, u"9@2026-03-29 04:00+03:00"_s};
    QTest::newRow("Helsinki spring, off across the skip")
        << helsinki << spring << times({{1, u"03:30"_s}}) << QStringList{u"2026-03-29T02:50:30+02:00"_s, u"2026-03-29T04:30:30+03:00"_s}
        << QStringList{u"1@2026-03-29 04:00+03:00 catch-up"_s};
    // 04:00 becomes 03:00.
    QTest::newRow("Helsinki autumn")
        << helsinki << autumn << times({{1, u"03:30"_s}, {2, u"03:00"_s}, {3, u"04:00"_s}}) << QStringList()
        << QStringList{u"2@2026-10-25 03:00+03:00"_s, u"1@2026-10-25 03:30+03:00"_s, u"3@2026-10-25 04:00+02:00"_s};
    QTest::newRow("Helsinki autumn, off across both passes")
        << helsinki << autumn << times({{1, u"03:30"_s}}) << QStringList{u"2026-10-25T03:20:30+03:00"_s, u"2026-10-25T03:40:30+02:00"_s}
        << QStringList{u"1@2026-10-25 03:30+03:00 catch-up"_s};
    QTest::newRow("Helsinki autumn, restarted in the second pass")
        << helsinki << autumn << times({{1, u"03:30"_s}}) << QStringList{u"2026-10-25T03:40:30+03:00"_s, u"2026-10-25T03:20:30+02:00"_s}
        << QStringList{u"1@2026-10-25 03:30+03:00"_s};
    // Half an hour: 02:00 becomes 02:30 in spring, 01:30 in autumn.
    QTest::newRow("Lord Howe spring")
        << lordHowe << QDate(2026, 10, 4) << times({{1, u"02:15"_s}, {2, u"02:30"_s}, {3, u"01:59"_s}}) << QStringList()
        << QStringList{u"3@2026-10-04 01:59+10:30"_s, u"1@2026-10-04 02:30+11:00"_s};
    QTest::newRow("Lord Howe autumn")
        << lordHowe << QDate(2026, 4, 5) << times({{1, u"01:45"_s}, {9, u"01:30"_s}}) << QStringList()
        << QStringList{u"9@2026-04-05 01:30+11:00"_s, u"1@2026-04-05 01:45+11:00"_s};
    QTest::newRow("New York autumn")
        << QByteArray("America/New_York") << QDate(2026, 11, 1) << times({{1, u"01:30"_s}}) << QStringList()
        << QStringList{u"1@2026-11-01 01:30-04:00"_s};
    // The hour repeated closes the day.
    QTest::newRow("Santiago autumn")
        << QByteArray("America/Santiago") << QDate(2026, 4, 4) << times({{1, u"23:30"_s}}) << QStringList()
        << QStringList{u"1@2026-04-04 23:30-03:00"_s};
}

void TestScheduleCheck::daysTheClocksChange()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDate, day);
    QFETCH(Times, upload);
    QFETCH(QStringList, asleep);
    QFETCH(QStringList, found);
    const TestSupport::LocalZone local(zone);
    const auto moment = [&](int i) { return QDateTime::fromString(asleep.value(i), Qt::ISODate).toLocalTime(); };
    QStringList matched;
    const auto take = [&](const QList<ScheduleCheck::Match> &matches, const QDateTime &now) {
        for (const ScheduleCheck::Match &match : matches) {
            matched << QStringLiteral("%1@%2%3").arg(match.slot + 1).arg(TestSupport::minuteText(match.minute),
                                                   match.catchUp ? QStringLiteral(" catch-up") : QString());
            // Never before its time, and in its own minute unless the program was off then.
            QVERIFY(match.minute <= now);
            QVERIFY(match.catchUp || now < match.minute.addSecs(60));
        }
    };
    ScheduleCheck check;
    QDateTime now = QDateTime(day.addDays(-1), QTime(23, 50, 7));
    check.start(now, std::nullopt, upload);
    const QDateTime end = QDateTime(day.addDays(1), QTime(0, 10));
    bool off = false;
    while (now < end) {
        now = now.addSecs(60);
        if (!asleep.isEmpty() && !off && now >= moment(0) && now < moment(1)) {
            off = true;
        } else if (off && now >= moment(1)) {
            off = false;
            const QDateTime before = check.lastExamined();
            check = ScheduleCheck();
            take(check.start(now, before, upload), now);
        } else if (!off) {
            take(check.examine(now, upload), now);
        }
    }
    QCOMPARE(matched, found);
}

QTEST_GUILESS_MAIN(TestScheduleCheck)
#include "tst_schedulecheck.moc"
