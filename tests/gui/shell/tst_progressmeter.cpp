// SPDX-License-Identifier: MIT
// What the window says about an upload under way, worked out from given reports and times.
#include "gui/shell/ProgressMeter.h"

#include <QRegularExpression>
#include <QTest>

using namespace korva5;

using namespace std::chrono_literals;

namespace {

constexpr qint64 MiB = 1024 * 1024;

// Reports written "at:sent/total", one after the other; at in milliseconds.
struct Report
{
    qint64 at;
    qint64 sent;
    qint64 total;
};

QList<Report> reports(std::initializer_list<Report> list)
{
    return list;
}

} // namespace

Q_DECLARE_METATYPE(QList<Report>)

class TestProgressMeter : public QObject
{
    Q_OBJECT

private slots:
    void readings_data();
    void readings();
    void showsOnlyALongUpload_data();
    void showsOnlyALongUpload();
    void aNewTurnForgetsTheLastUpload();
    void durations_data();
    void durations();
};

void TestProgressMeter::readings_data()
{
    QTest::addColumn<QList<Report>>("seen");
    QTest::addColumn<int>("percent");
    QTest::addColumn<double>("rate");  // bytes per second; -1: unknown
    QTest::addColumn<int>("timeLeft"); // seconds; -1: unknown
    QTest::addColumn<QString>("text");

    QTest::newRow("nothing reported yet") << reports({}) << 0 << -1.0 << -1 << "0%";
    QTest::newRow("one report: no rate yet") << reports({{0, 300, 1000}}) << 30 << -1.0 << -1 << "30%";
    QTest::newRow("two reports at the same moment: no rate")
        << reports({{500, 0, 1000}, {500, 400, 1000}}) << 40 << -1.0 << -1 << "40%";
    QTest::newRow("steady 1 MB/s")
        << reports({{0, 0, 10 * MiB}, {1000, 1 * MiB, 10 * MiB}, {2000, 2 * MiB, 10 * MiB}}) << 20 << double(MiB) << 8
        << "20% · 1.0 MB/s · 0:08 left";
    // A fast start, then five slow seconds: the rate is that of the last five seconds only.
    QTest::newRow("a burst older than the window is forgotten")
        << reports({{0, 0, 100 * MiB},
                    {1000, 10 * MiB, 100 * MiB},
                    {2000, 10 * MiB + 102400, 100 * MiB},
                    {3000, 10 * MiB + 204800, 100 * MiB},
                    {4000, 10 * MiB + 307200, 100 * MiB},
                    {5000, 10 * MiB + 409600, 100 * MiB},
                    {6000, 10 * MiB + 512000, 100 * MiB},
                    {7000, 10 * MiB + 614400, 100 * MiB},
                    {8000, 10 * MiB + 716800, 100 * MiB}})
        << 10 << 102400.0 << 915 << "10% · 102 KB/s · 15:15 left";
    QTest::newRow("stalled: zero rate, time left unknown")
        << reports({{0, 500, 1000}, {1000, 500, 1000}, {2000, 500, 1000}}) << 50 << 0.0 << -1 << "50% · 0 bytes/s";
    QTest::newRow("an empty file is done") << reports({{0, 0, 0}}) << 100 << -1.0 << 0 << "100% · 0:00 left";
    QTest::newRow("more sent than announced is done, not over 100%")
        << reports({{0, 0, 1000}, {1000, 1500, 1000}}) << 100 << 1500.0 << 0 << "100% · 1.5 KB/s · 0:00 left";
    QTest::newRow("one byte short is not done")
        << reports({{0, 0, 1000}, {1000, 999, 1000}}) << 99 << 999.0 << 1 << "99% · 999 bytes/s · 0:01 left";
    QTest::newRow("hours left")
        << reports({{0, 0, 10240 * MiB}, {1000, MiB, 10240 * MiB}}) << 0 << double(MiB) << 10239
        << "0% · 1.0 MB/s · 2:50:39 left";
    QTest::newRow("gigabytes a second")
        << reports({{0, 0, 10240 * MiB}, {1000, 2048 * MiB, 10240 * MiB}}) << 20 << double(2048 * MiB) << 4
        << "20% · 2.1 GB/s · 0:04 left";
    QTest::newRow("a count that goes back starts the rate afresh")
        << reports({{0, 0, 1000}, {1000, 800, 1000}, {2000, 100, 1000}}) << 10 << -1.0 << -1 << "10%";
    QTest::newRow("a clock that goes back starts the rate afresh")
        << reports({{5000, 0, 1000}, {6000, 200, 1000}, {1000, 300, 1000}}) << 30 << -1.0 << -1 << "30%";
}

void TestProgressMeter::readings()
{
    QFETCH(QList<Report>, seen);
    QFETCH(int, percent);
    QFETCH(double, rate);
    QFETCH(int, timeLeft);
    QFETCH(QString, text);

    ProgressMeter meter;
    meter.start(0ms);
    for (const Report &r : seen)
        meter.add(ProgressMeter::Time(r.at), r.sent, r.total);
    const ProgressMeter::Reading reading = meter.reading();
    QCOMPARE(reading.percent, percent);
    QCOMPARE(reading.bytesPerSecond.has_value(), rate >= 0);
    if (rate >= 0)
        QCOMPARE(*reading.bytesPerSecond, rate);
    QCOMPARE(reading.timeLeft.has_value(), timeLeft >= 0);
    if (timeLeft >= 0)
        QCOMPARE(reading.timeLeft->count(), qint64(timeLeft));
    QCOMPARE(ProgressMeter::text(reading), text);
    // In Taiwan's words, bytes are 位元組 and the time left is 剩餘.
    QCOMPARE(ProgressMeter::text(reading, QStringLiteral("剩餘 %1"), QStringLiteral("%1 位元組")),
             QString(text).replace(QStringLiteral(" bytes/s"), QStringLiteral(" 位元組/s"))
                 .replace(QRegularExpression(QStringLiteral("(\\S+) left")), QStringLiteral("剩餘 \\1")));
}

void TestProgressMeter::showsOnlyALongUpload_data()
{
    QTest::addColumn<int>("startedAt"); // -1: no turn came, reports only
    QTest::addColumn<int>("firstReportAt"); // -1: none
    QTest::addColumn<int>("now");
    QTest::addColumn<bool>("shown");
    QTest::newRow("nothing started") << -1 << -1 << 10000 << false;
    QTest::newRow("two seconds exactly") << 1000 << -1 << 3000 << false;
    QTest::newRow("just past two seconds") << 1000 << -1 << 3001 << true;
    // The login took most of the time; the upload has run since its turn came, not its first byte.
    QTest::newRow("counted from the turn, not the first report") << 0 << 1900 << 2100 << true;
    QTest::newRow("reports alone count from the first") << -1 << 1000 << 2500 << false;
    QTest::newRow("reports alone, long enough") << -1 << 1000 << 3500 << true;
}

void TestProgressMeter::showsOnlyALongUpload()
{
    QFETCH(int, startedAt);
    QFETCH(int, firstReportAt);
    QFETCH(int, now);
    QFETCH(bool, shown);
    ProgressMeter meter;
    if (startedAt >= 0)
        meter.start(ProgressMeter::Time(startedAt));
    if (firstReportAt >= 0)
        meter.add(ProgressMeter::Time(firstReportAt), 0, 100);
    QCOMPARE(meter.worthShowing(ProgressMeter::Time(now)), shown);
}

void TestProgressMeter::aNewTurnForgetsTheLastUpload()
{
    ProgressMeter meter;
    meter.start(0ms);
    meter.add(1000ms, 0, 1000);
    meter.add(2000ms, 900, 1000);
    meter.start(3000ms);
    meter.add(4000ms, 100, 5000);
    const ProgressMeter::Reading reading = meter.reading();
    QCOMPARE(reading.total, 5000);
    QCOMPARE(reading.percent, 2);
    QVERIFY(!reading.bytesPerSecond);
    QVERIFY(!meter.worthShowing(4000ms));
}

void TestProgressMeter::durations_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0 << "0:00";
    QTest::newRow("under a minute") << 25 << "0:25";
    QTest::newRow("a minute") << 60 << "1:00";
    QTest::newRow("just under an hour") << 3599 << "59:59";
    QTest::newRow("an hour") << 3600 << "1:00:00";
    QTest::newRow("over a day") << 90061 << "25:01:01";
}

void TestProgressMeter::durations()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(ProgressMeter::durationText(std::chrono::seconds(seconds)), text);
}

QTEST_GUILESS_MAIN(TestProgressMeter)
#include "tst_progressmeter.moc"
