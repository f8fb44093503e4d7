// SPDX-License-Identifier: MIT
// When a set time comes on the days the clocks change, in zones with different rules.
#include "core/schedule/DueTime.h"
#include "CoreTestSupport.h"

#include <QTest>

using namespace korva5;

using TestSupport::LocalZone;
using TestSupport::minuteText;

class TestDueTime : public QObject
{
    Q_OBJECT

private slots:
    void timeOnADay_data();
    void timeOnADay();
    void minuteKeepsThePassOfTheClock_data();
    void minuteKeepsThePassOfTheClock();
};

void TestDueTime::timeOnADay_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("due");

    const QDate helsinkiSpring(2026, 3, 29), helsinkiAutumn(2026, 10, 25); // 03:00 -> 04:00, 04:00 -> 03:00
    QTest::newRow("Helsinki, before the skip") << QByteArray("Europe/Helsinki") << helsinkiSpring << "02:59" << "2026-03-29 02:59+02:00";
    QTest::newRow("Helsinki, first minute skipped") << QByteArray("Europe/Helsinki") << helsinkiSpring << "03:00" << "2026-03-29 04:00+03:00";
    QTest::newRow("Helsinki, inside the skip") << QByteArray("Europe/Helsinki") << helsinkiSpring << "03:30" << "2026-03-29 04:00+03:00";
    QTest::newRow("Helsinki, after the skip") << QByteArray("Europe/Helsinki") << helsinkiSpring << "04:00" << "2026-03-29 04:00+03:00";
    QTest::newRow("Helsinki, shown twice: the first") << QByteArray("Europe/Helsinki") << helsinkiAutumn << "03:30" << "2026-10-25 03:30+03:00";
    QTest::newRow("Helsinki, after the hour repeated") << QByteArray("Europe/Helsinki") << helsinkiAutumn << "04:00" << "2026-10-25 04:00+02:00";
    // Qt gives the second pass of this one by itself.
    QTest::newRow("New York, inside the skip") << QByteArray("America/New_York") << QDate(2026, 3, 8) << "02:15" << "2026-03-08 03:00-04:00";
    QTest::newRow("New York, shown twice: the first") << QByteArray("America/New_York") << QDate(2026, 11, 1) << "01:30" << "2026-11-01 01:30-04:00";
    // Half-hour shifts.
    QTest::newRow("Lord Howe, inside the skip") << QByteArray("Australia/Lord_Howe") << QDate(2026, 10, 4) << "02:15" << "2026-10-04 02:30+11:00";
    QTest::newRow("Lord Howe, shown twice: the first") << QByteArray("Australia/Lord_Howe") << QDate(2026, 4, 5) << "01:45" << "2026-04-05 01:45+11:00";
    QTest::newRow("Lord Howe, just before the half hour repeated") << QByteArray("Australia/Lord_Howe") << QDate(2026, 4, 5) << "01:29" << "2026-04-05 01:29+11:00";
    // The clocks change at midnight: the skip opens the day, the repeated hour closes it.
    QTest::newRow("Santiago, midnight skipped") << QByteArray("America/Santiago") << QDate(2026, 9, 6) << "00:00" << "2026-09-06 01:00-03:00";
    QTest::newRow("Santiago, shown twice before midnight") << QByteArray("America/Santiago") << QDate(2026, 4, 4) << "23:59" << "2026-04-04 23:59-03:00";
    // A whole day skipped: its times come when the next day begins.
    QTest::newRow("Apia, a day that never was") << QByteArray("Pacific/Apia") << QDate(2011, 12, 30) << "08:00" << "2011-12-31 00:00+14:00";
    QTest::newRow("UTC, seconds ignored") << QByteArray("UTC") << QDate(2026, 3, 29) << "03:30:45" << "2026-03-29 03:30+00:00";
}

void TestDueTime::timeOnADay()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDate, day);
    QFETCH(QString, time);
    QFETCH(QString, due);
    const QTime at = QTime::fromString(time, time.size() == 5 ? u"HH:mm" : u"HH:mm:ss");
    {
        const LocalZone local(zone);
        QCOMPARE(minuteText(DueTime::on(day, at)), due);
    }
    // The same station read by an office whose own clock runs in another zone.
    const LocalZone office(zone == "Pacific/Apia" ? "UTC" : "Pacific/Apia");
    QCOMPARE(minuteText(DueTime::on(day, at, QTimeZone(zone))), due);
}

void TestDueTime::minuteKeepsThePassOfTheClock_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("moment");
    QTest::addColumn<QString>("minute");
    QTest::newRow("Helsinki, first pass") << QByteArray("Europe/Helsinki") << "2026-10-25T03:30:59.900+03:00" << "2026-10-25 03:30+03:00";
    QTest::newRow("Helsinki, second pass") << QByteArray("Europe/Helsinki") << "2026-10-25T03:30:00.100+02:00" << "2026-10-25 03:30+02:00";
    QTest::newRow("Lord Howe, second pass") << QByteArray("Australia/Lord_Howe") << "2026-04-05T01:45:30+10:30" << "2026-04-05 01:45+10:30";
    QTest::newRow("New York, first pass") << QByteArray("America/New_York") << "2026-11-01T01:00:01-04:00" << "2026-11-01 01:00-04:00";
}

void TestDueTime::minuteKeepsThePassOfTheClock()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, moment);
    QFETCH(QString, minute);
    const LocalZone local(zone);
    QCOMPARE(minuteText(DueTime::minuteOf(QDateTime::fromString(moment, Qt::ISODateWithMs).toLocalTime())), minute);
}

QTEST_GUILESS_MAIN(TestDueTime)
#include "tst_duetime.moc"
