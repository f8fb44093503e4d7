// SPDX-License-Identifier: MIT
// The running program as a process: its standard error going away, and the signals that end it.
#include "gui/shell/ExitStatus.h"
#include "gui/shell/InstanceChannel.h"
#include "gui/shell/SingleInstance.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

using namespace korva5;

using TestSupport::fakeTimeLibrary;
using TestSupport::ProgramDir;

namespace {

// Reads the standard error of a running process into err until it holds text.
bool waitForText(QProcess &process, QByteArray &err, const char *text, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        err += process.readAllStandardError();
        if (err.contains(text))
            return true;
    }
    err += process.readAllStandardError();
    return err.contains(text);
}

// Fills dir with a large file for 2024-03-01 and settings that send it to server at 08:30 and at
// the times given, and returns the environment that runs the program's clock from 08:29:30 at
// twenty seconds a second: a scheduled time every three seconds, yet a second of the program's
// timeouts still lasts 50 ms, plenty for a local server.
QProcessEnvironment slowUploads(const ProgramDir &dir, const TestSupport::FtpServer &server, const QString &fakeTime,
                                const QMap<QString, QString> &times = {})
{
    const QString records = dir.file(QStringLiteral("records/"));
    QDir().mkpath(records);
    QFile today(records + QStringLiteral("20240301.txt"));
    if (today.open(QIODevice::WriteOnly))
        today.resize(qint64(256) << 20); // sparse: no disk space taken
    today.close();
    QMap<QString, QString> settings{
        {QStringLiteral("FtpNo"), QStringLiteral("1")},
        {QStringLiteral("FtpServer"), server.address()},
        {QStringLiteral("FtpPath"), QStringLiteral("/upload/")},
        {QStringLiteral("FtpUserName"), TestSupport::FtpServer::User},
        {QStringLiteral("FtpPassword"), TestSupport::FtpServer::Password},
        {QStringLiteral("FtpTime1"), QStringLiteral("08:30")},
        {QStringLiteral("LocalPath"), records},
    };
    settings.insert(times);
    TestSupport::writeFile(dir.iniFile(), TestSupport::iniText(settings));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), fakeTime);
    // A sanitizer build wants its runtime loaded first; libfaketime before it does no harm.
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       qEnvironmentVariable("ASAN_OPTIONS") + QStringLiteral(":verify_asan_link_order=0"));
    environment.insert(QStringLiteral("FAKETIME"), QStringLiteral("@2024-03-01 08:29:30 x20"));
    return environment;
}

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
    void copyEndingDuringUploadLeavesTheNextOnesRequestFolder();
    void journalIsWrittenOnAFastClock();
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
    // Today's file at 08:30, yesterday's at 08:31, today's again at 08:32.
    const QProcessEnvironment environment = slowUploads(
        dir, server, fakeTime, {{QStringLiteral("FtpTime9"), QStringLiteral("08:31")}, {QStringLiteral("FtpTime2"), QStringLiteral("08:32")}});
    const QString binary = dir.installBinary();

    QProcess process;
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

void TestProcess::copyEndingDuringUploadLeavesTheNextOnesRequestFolder()
{
#ifdef Q_OS_UNIX
    const QString fakeTime = fakeTimeLibrary();
    if (fakeTime.isEmpty())
        QSKIP("needs libfaketime (Debian package faketime) to reach a scheduled time quickly");
    TestSupport::FtpServer server({QStringLiteral("slow")});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    ProgramDir dir;
    const QProcessEnvironment environment = slowUploads(dir, server, fakeTime);
    const QString binary = dir.installBinary();
    const QString lockFile = SingleInstance::lockFilePath(dir.path());
    QVERIFY(!lockFile.isEmpty());

    QProcess ending;
    ending.setProcessEnvironment(environment);
    ending.start(binary, {});
    QVERIFY(ending.waitForStarted(5000));
    const auto endEnding = qScopeGuard([&] {
        ::kill(pid_t(ending.processId()), SIGCONT);
        ending.kill();
        ending.waitForFinished(5000);
    });
    QByteArray endingErr;
    QVERIFY2(waitForText(ending, endingErr, "SEND ", 30000), endingErr.constData());
    QVERIFY(QFile::exists(lockFile));

    // The ending copy is stopped the moment its lock goes, and the next copy starts then:
    // whatever the ending copy still does after letting go meets the next copy for certain, not
    // only on a slow or busy machine.
    QCOMPARE(::kill(pid_t(ending.processId()), SIGTERM), 0);
    QDeadlineTimer released(10000);
    while (QFile::exists(lockFile) && !released.hasExpired())
        ::usleep(200);
    QCOMPARE(::kill(pid_t(ending.processId()), SIGSTOP), 0);
    QVERIFY(!QFile::exists(lockFile));

    QProcess next;
    const auto stopNext = qScopeGuard([&] {
        next.terminate();
        next.waitForFinished(5000);
    });
    next.start(binary, {});
    QVERIFY(next.waitForStarted(5000));
    QByteArray nextErr;
    QVERIFY2(waitForText(next, nextErr, "started in", 15000), nextErr.constData());
    const QString requests = InstanceChannel::requestFolder(dir.path());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(requests).isDir(), 5000);
    QCOMPARE(::kill(pid_t(ending.processId()), SIGCONT), 0);
    QVERIFY(ending.waitForFinished(30000));
    QCOMPARE(ending.exitStatus(), QProcess::NormalExit);
    QCOMPARE(ending.exitCode(), 0);

    // A third start is answered by the copy that runs now.
    QVERIFY(QFileInfo(requests).isDir());
    QProcess third;
    third.start(binary, {});
    QVERIFY(third.waitForFinished(15000));
    QCOMPARE(third.exitCode(), int(ExitAlreadyRunning));
    const QByteArray thirdErr = third.readAllStandardError();
    QVERIFY2(thirdErr.contains("it was asked to show its window"), thirdErr.constData());
#else
    QSKIP("SIGTERM and SIGSTOP are POSIX signals");
#endif
}

// The journal's writes never wait on a timed condition, which a sped-up fake clock never lets
// end: what the running program records is in the file for a look from outside at once.
void TestProcess::journalIsWrittenOnAFastClock()
{
#ifdef Q_OS_UNIX
    const QString fakeTime = fakeTimeLibrary();
    if (fakeTime.isEmpty())
        QSKIP("needs libfaketime (Debian package faketime) for a fast clock");
    TestSupport::FtpServer server({QStringLiteral("slow")});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    ProgramDir dir;
    const QProcessEnvironment environment = slowUploads(dir, server, fakeTime);
    const QString binary = dir.installBinary();
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(binary, {});
    QVERIFY(program.waitForStarted(5000));
    const auto stop = qScopeGuard([&] {
        program.terminate();
        program.waitForFinished(5000);
    });
    QByteArray err;
    QVERIFY2(waitForText(program, err, "SEND ", 30000), err.constData());

    QByteArray history;
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && !history.contains("slot FtpTime1")) {
        QProcess look;
        look.setProcessEnvironment(environment);
        look.start(binary, {QStringLiteral("--history")});
        QVERIFY(look.waitForFinished(10000));
        history = look.readAllStandardOutput();
    }
    QVERIFY2(history.contains("slot FtpTime1") && history.contains("running, not ended"), history.constData());
    QCOMPARE(program.state(), QProcess::Running);
#else
    QSKIP("libfaketime is for POSIX systems");
#endif
}

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
