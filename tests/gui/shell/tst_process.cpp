// SPDX-License-Identifier: MIT
// The running program as a process: its standard error going away, and the signals that end it.
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

using TestSupport::fakeTimeLibrary;
using TestSupport::ProgramDir;

namespace {


// The lines in which the program names an upload it leaves behind, from "upload of" on.
QByteArrayList uploadsLeftBehind(const QByteArray &err)
{
    QByteArrayList named;
    for (const QByteArray &line : err.split('\n')) {
        if (line.contains(" -> ") && line.contains("upload of"))
            named << line.mid(line.indexOf("upload of"));
    }
    return named;
}

} // namespace

class TestProcess : public QObject
{
    Q_OBJECT

private slots:
    void keepsRunningWhenStandardErrorGoesAway();
    void signalEndsLikeExitNamingLostUploads_data();
    void signalEndsLikeExitNamingLostUploads();
};

void TestProcess::keepsRunningWhenStandardErrorGoesAway()
{
#ifdef Q_OS_UNIX
    ProgramDir dir({{QStringLiteral("FtpNo"), QStringLiteral("1")}});
    const QString binary = dir.installBinary();
    // Standard error is a pipe of the test's own, as "korva5-upload 2>&1 | tee log" makes one;
    // QProcess would keep reading its own pipe even after closeReadChannel().
    int ends[2];
    QCOMPARE(::pipe2(ends, O_CLOEXEC), 0);
    const int writeEnd = ends[1];
    QProcess process;
    process.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, STDERR_FILENO); });
    process.start(binary, {});
    ::close(writeEnd);
    QVERIFY(process.waitForStarted(5000));

    QByteArray err;
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && !err.contains("started in")) {
        pollfd readable{ends[0], POLLIN, 0};
        if (::poll(&readable, 1, 200) > 0) {
            char buffer[4096];
            const ssize_t got = ::read(ends[0], buffer, sizeof buffer);
            if (got <= 0)
                break;
            err.append(buffer, got);
        }
    }
    QVERIFY2(err.contains("started in"), err.constData());
    ::close(ends[0]); // the reader goes away

    // At its fifth second the program hides its window and, with no notification area on the
    // offscreen platform, says so on standard error: a write into a pipe without a reader.
    QVERIFY(!process.waitForFinished(7000));
    QCOMPARE(process.state(), QProcess::Running);
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
#else
    QSKIP("pipes without a reader and SIGPIPE are POSIX");
#endif
}

void TestProcess::signalEndsLikeExitNamingLostUploads_data()
{
    QTest::addColumn<int>("signalNumber");
#ifdef Q_OS_UNIX
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
#endif
}

void TestProcess::signalEndsLikeExitNamingLostUploads()
{
#ifdef Q_OS_UNIX
    QFETCH(int, signalNumber);
    const QString fakeTime = fakeTimeLibrary();
    if (fakeTime.isEmpty())
        QSKIP("needs libfaketime (Debian package faketime) to reach scheduled times quickly");
    // A server that takes minutes over a large file keeps the first upload running while the
    // next two wait their turn.
    TestSupport::FtpServer server({QStringLiteral("slow")});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));

    ProgramDir dir;
    const QString records = dir.file(QStringLiteral("records/"));
    QVERIFY(QDir().mkpath(records));
    QFile today(records + QStringLiteral("20240301.txt"));
    QVERIFY(today.open(QIODevice::WriteOnly));
    QVERIFY(today.resize(qint64(256) << 20)); // sparse: no disk space taken
    today.close();
    TestSupport::writeFile(dir.iniFile(), TestSupport::iniText({
        {QStringLiteral("FtpNo"), QStringLiteral("1")},
        {QStringLiteral("FtpServer"), server.address()},
        {QStringLiteral("FtpPath"), QStringLiteral("/upload/")},
        {QStringLiteral("FtpUserName"), TestSupport::FtpServer::User},
        {QStringLiteral("FtpPassword"), TestSupport::FtpServer::Password},
        {QStringLiteral("FtpTime1"), QStringLiteral("08:30")}, // today's file
        {QStringLiteral("FtpTime9"), QStringLiteral("08:31")}, // yesterday's
        {QStringLiteral("FtpTime2"), QStringLiteral("08:32")}, // today's again
        {QStringLiteral("LocalPath"), records},
    }));
    const QString binary = dir.installBinary();

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), fakeTime);
    // A sanitizer build wants its runtime loaded first; libfaketime before it does no harm.
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       qEnvironmentVariable("ASAN_OPTIONS") + QStringLiteral(":verify_asan_link_order=0"));
    // Twenty seconds a second: a scheduled time every three seconds, yet a second of the
    // program's timeouts still lasts 50 ms, plenty for a local server.
    environment.insert(QStringLiteral("FAKETIME"), QStringLiteral("@2024-03-01 08:29:30 x20"));
    process.setProcessEnvironment(environment);
    process.start(binary, {});
    QVERIFY(process.waitForStarted(5000));

    QByteArray err;
    QDeadlineTimer deadline(40000);
    // The two behind the first say they wait; their SEND lines would come in their turn.
    while (!deadline.hasExpired() && err.count("korva5.log: waiting: ") < 2 && process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        err += process.readAllStandardError();
    }
    QVERIFY2(err.count("korva5.log: waiting: ") == 2 && err.count("SEND ") == 1, err.constData());
    QVERIFY2(!err.contains("Error!") && !err.contains("failed"), err.constData()); // the first still runs

    const qsizetype before = err.size();
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(::kill(pid_t(process.processId()), signalNumber), 0);
    QVERIFY(process.waitForFinished(10000));
    QVERIFY2(elapsed.elapsed() < 2000, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    err += process.readAllStandardError();
    const QByteArray todays = (records + QStringLiteral("20240301.txt -> /upload/20240301.1")).toUtf8();
    const QByteArray yesterdays = (records + QStringLiteral("20240229.txt -> /upload/20240229.1")).toUtf8();
    const QByteArrayList expected{"upload of " + todays + " aborted: the program is ending",
                                  "upload of " + yesterdays + " not started: the program is ending",
                                  "upload of " + todays + " not started: the program is ending"};
    QCOMPARE(uploadsLeftBehind(err.mid(before)), expected);
#else
    QSKIP("SIGTERM and SIGINT are POSIX signals");
#endif
}

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
