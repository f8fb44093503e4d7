// SPDX-License-Identifier: MIT
// Upload times on the days the clocks change, in the running program: its clock sped up by
// libfaketime in a zone of its own (TZ), what it sent read from its journal, and --status asked
// before and after as a monitor would.
#include "core/journal/Journal.h"
#include "core/schedule/ScheduleCheck.h"
#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace korva5;

using namespace TestSupport;
using namespace Qt::StringLiterals;

namespace {

// The environment that runs the program (or --status) in zone with its clock starting at `at`
// (ISO, with its offset from UTC: an hour the clocks show twice is no riddle then), speed times
// as fast as the real one.
QProcessEnvironment fakeClock(const QString &library, const QByteArray &zone, const QString &at, int speed = 1)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), library);
    // A sanitizer build wants its runtime loaded first; libfaketime before it does no harm.
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       qEnvironmentVariable("ASAN_OPTIONS") + QStringLiteral(":verify_asan_link_order=0"));
    // As seconds from now, the start is one moment, whatever the zone makes of its wall time.
    const qint64 offset = QDateTime::currentDateTime().secsTo(QDateTime::fromString(at, Qt::ISODate));
    environment.insert(QStringLiteral("FAKETIME"), QStringLiteral("%1%2 x%3").arg(offset < 0 ? QString() : QStringLiteral("+")).arg(offset).arg(speed));
    environment.insert(QStringLiteral("TZ"), QString::fromLatin1(zone));
    return environment;
}

// The lines of --status for today's times, from the time of day on ("04:00 /upload/...").
QStringList todaysStatus(const QString &binary, const QProcessEnvironment &environment)
{
    QProcess status;
    status.setProcessEnvironment(environment);
    status.start(binary, {QStringLiteral("--status")});
    if (!status.waitForFinished(30000))
        return {QStringLiteral("--status did not end")};
    QStringList today;
    for (const QString &line : QString::fromUtf8(status.readAllStandardOutput()).split(u'\n')) {
        if (line.startsWith(u"today "))
            today << line.mid(QStringLiteral("today     ").size()).simplified();
    }
    return today;
}

// Runs the program from `start` until the upload its log stamps with `stamp` has ended.
QByteArray runUntilSent(const QString &binary, const QProcessEnvironment &environment, const QByteArray &stamp)
{
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(binary, {});
    if (!program.waitForStarted(5000))
        return "the program did not start";
    QByteArray err;
    const QByteArray stamped = "korva5.log: " + stamp;
    while (!(err.contains(stamped) && err.mid(err.indexOf(stamped)).contains("korva5.upload: sent "))
           && program.state() == QProcess::Running) {
        program.waitForReadyRead(1000);
        err += program.readAllStandardError();
    }
    program.terminate();
    program.waitForFinished(10000);
    return err;
}

} // namespace

class TestClockChange : public QObject
{
    Q_OBJECT

private slots:
    void timesComeOnceNeverEarly_data();
    void timesComeOnceNeverEarly();
};

void TestClockChange::timesComeOnceNeverEarly_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QStringList>("runs");  // each run of the program: "start|stamp", until that upload ended
    QTest::addColumn<int>("speed");
    QTest::addColumn<QStringList>("times"); // FtpTime1, FtpTime2, ...
    QTest::addColumn<QStringList>("sent");  // the scheduled uploads: time, and when it was due
    QTest::addColumn<QStringList>("before"); // --status at the first start, today's lines
    QTest::addColumn<QString>("statusAt");
    QTest::addColumn<QStringList>("after"); // --status at statusAt, today's lines (up to the size)

    // 03:00 becomes 04:00: 03:30 is due at 04:00, sent once then and never at 02:59.
    QTest::newRow("Helsinki spring")
        << QByteArray("Europe/Helsinki") << QStringList{u"2026-03-29T02:58:30+02:00|2026/03/29-04:01"_s} << 20
        << QStringList{u"03:30"_s, u"04:01"_s}
        << QStringList{u"FtpTime1 due 2026-03-29 04:00+03:00"_s, u"FtpTime2 due 2026-03-29 04:01+03:00"_s}
        << QStringList{u"FtpTime1 04:00 /upload/20260329.1 not yet due"_s, u"FtpTime2 04:01 /upload/20260329.1 not yet due"_s}
        << "2026-03-29T04:05:00+03:00"
        << QStringList{u"FtpTime1 04:00 /upload/20260329.1 sent 04:01:"_s, u"FtpTime2 04:01 /upload/20260329.1 sent 04:01:"_s};
    // Half an hour: 02:00 becomes 02:30.
    QTest::newRow("Lord Howe spring")
        << QByteArray("Australia/Lord_Howe") << QStringList{u"2026-10-04T01:58:30+10:30|2026/10/04-02:31"_s} << 20
        << QStringList{u"02:15"_s, u"02:31"_s}
        << QStringList{u"FtpTime1 due 2026-10-04 02:30+11:00"_s, u"FtpTime2 due 2026-10-04 02:31+11:00"_s}
        << QStringList{u"FtpTime1 02:30 /upload/20261004.1 not yet due"_s, u"FtpTime2 02:31 /upload/20261004.1 not yet due"_s}
        << "2026-10-04T02:35:00+11:00"
        << QStringList{u"FtpTime1 02:30 /upload/20261004.1 sent 02:31:"_s, u"FtpTime2 02:31 /upload/20261004.1 sent 02:31:"_s};
    // 02:00 becomes 01:30: the first and the last minute of the half hour shown twice, each once,
    // in its first pass, the program running through both.
    QTest::newRow("Lord Howe autumn")
        << QByteArray("Australia/Lord_Howe") << QStringList{u"2026-04-05T01:29:00+11:00|2026/04/05-02:00"_s} << 60
        << QStringList{u"01:30"_s, u"02:00"_s, u"01:59"_s}
        << QStringList{u"FtpTime1 due 2026-04-05 01:30+11:00"_s, u"FtpTime3 due 2026-04-05 01:59+11:00"_s,
                       u"FtpTime2 due 2026-04-05 02:00+10:30"_s}
        << QStringList{u"FtpTime1 01:30 /upload/20260405.1 not yet due"_s, u"FtpTime2 02:00 /upload/20260405.1 not yet due"_s,
                       u"FtpTime3 01:59 /upload/20260405.1 not yet due"_s}
        << "2026-04-05T02:05:00+10:30"
        << QStringList{u"FtpTime1 01:30 /upload/20260405.1 sent 02:00:"_s, u"FtpTime2 02:00 /upload/20260405.1 sent 02:00:"_s,
                       u"FtpTime3 01:59 /upload/20260405.1 sent 02:00:"_s};
    // 04:00 becomes 03:00, and the workstation starts again in the hour's second pass: 03:58 came
    // in the first, and does not come again.
    QTest::newRow("Helsinki autumn, started again in the second pass")
        << QByteArray("Europe/Helsinki")
        << QStringList{u"2026-10-25T03:57:30+03:00|2026/10/25-03:58"_s, u"2026-10-25T03:57:30+02:00|2026/10/25-04:00"_s} << 20
        << QStringList{u"03:58"_s, u"04:00"_s}
        << QStringList{u"FtpTime1 due 2026-10-25 03:58+03:00"_s, u"FtpTime2 due 2026-10-25 04:00+02:00"_s}
        << QStringList{u"FtpTime1 03:58 /upload/20261025.1 not yet due"_s, u"FtpTime2 04:00 /upload/20261025.1 not yet due"_s}
        << "2026-10-25T04:05:00+02:00"
        << QStringList{u"FtpTime1 03:58 /upload/20261025.1 sent 04:00:"_s, u"FtpTime2 04:00 /upload/20261025.1 sent 04:00:"_s};
}

void TestClockChange::timesComeOnceNeverEarly()
{
#ifdef Q_OS_UNIX
    QFETCH(QByteArray, zone);
    QFETCH(QStringList, runs);
    QFETCH(int, speed);
    QFETCH(QStringList, times);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, before);
    QFETCH(QString, statusAt);
    QFETCH(QStringList, after);
    const QString library = fakeTimeLibrary();
    if (library.isEmpty())
        QSKIP("needs libfaketime (Debian package faketime) to run the program's clock");
    FtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    ProgramDir dir;
    const QString records = dir.file(QStringLiteral("records/"));
    QVERIFY(QDir().mkpath(records));
    const QString firstStart = runs.first().section(u'|', 0, 0);
    const QDate day = QDate::fromString(firstStart.left(10), Qt::ISODate);
    writeFile(records + day.toString(u"yyyyMMdd") + QStringLiteral(".txt"), recordsOf(firstStart, 2000));
    QMap<QString, QString> settings{{QStringLiteral("FtpNo"), QStringLiteral("1")},
                                    {QStringLiteral("FtpServer"), server.address()},
                                    {QStringLiteral("FtpPath"), QStringLiteral("/upload/")},
                                    {QStringLiteral("FtpUserName"), FtpServer::User},
                                    {QStringLiteral("FtpPassword"), FtpServer::Password},
                                    {QStringLiteral("LocalPath"), records}};
    for (qsizetype i = 0; i < times.size(); ++i)
        settings.insert(QStringLiteral("FtpTime%1").arg(i + 1), times[i]);
    writeFile(dir.iniFile(), iniText(settings));
    const QString binary = dir.installBinary();

    QCOMPARE(todaysStatus(binary, fakeClock(library, zone, firstStart)), before);
    for (const QString &run : std::as_const(runs)) {
        const QByteArray stamp = run.section(u'|', 1).toUtf8();
        const QByteArray err = runUntilSent(binary, fakeClock(library, zone, run.section(u'|', 0, 0), speed), stamp);
        QVERIFY2(err.mid(err.indexOf(stamp)).contains("korva5.upload: sent "), err.constData());
    }

    // Each time once, never before it, and not so late that it counts as missed: the minute's
    // check rides on the program's ticks, which a loaded machine makes late on a fast clock.
    {
        const LocalZone local(zone);
        QString why;
        const std::optional<QList<UploadRecord>> rows = Journal::readRows(dir.path(), QDateTime(), &why);
        QVERIFY2(rows, qPrintable(why));
        QStringList scheduled;
        for (const UploadRecord &row : *rows) {
            if (row.trigger != Trigger::Slot)
                continue;
            scheduled.prepend(QStringLiteral("FtpTime%1 due %2").arg(row.slot + 1).arg(minuteText(row.due)));
            QVERIFY2(row.askedAt >= row.due && row.askedAt < row.due.addSecs(60 * ScheduleCheck::LookBackMinutes),
                     qPrintable(minuteText(row.askedAt)));
        }
        QCOMPARE(scheduled, sent);
    }
    QStringList reported = todaysStatus(binary, fakeClock(library, zone, statusAt));
    for (QString &line : reported)
        line.truncate(after.value(0).size());
    QCOMPARE(reported, after);
#else
    QSKIP("libfaketime is for POSIX systems");
#endif
}

QTEST_GUILESS_MAIN(TestClockChange)
#include "tst_clockchange.moc"
