// SPDX-License-Identifier: MIT
// The program started as a process from temporary program folders.
#include "gui/shell/ExitStatus.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

using TestSupport::ProgramDir;

namespace {

// Starts the program copied into dir and waits until it reports that it has loaded.
bool startAndWaitLoaded(QProcess &process, const ProgramDir &dir, const QString &binary)
{
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setWorkingDirectory(dir.path());
    process.start(binary, {});
    if (!process.waitForStarted(5000))
        return false;
    QByteArray err;
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && process.state() == QProcess::Running) {
        process.waitForReadyRead(200);
        err += process.readAllStandardError();
        if (err.contains("started in"))
            return true;
    }
    qWarning("program did not report loading; stderr: %s", err.constData());
    return false;
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace

class TestStartUp : public QObject
{
    Q_OBJECT

private slots:
    void missingFilesEndWithTheirStatus_data();
    void missingFilesEndWithTheirStatus();
    void secondCopyEndsAtOnce();
    void staleLockDoesNotBlock();
};

void TestStartUp::missingFilesEndWithTheirStatus_data()
{
    QTest::addColumn<bool>("settings");
    QTest::addColumn<bool>("language");
    QTest::addColumn<int>("status");
    QTest::newRow("TALLYPORT.ini missing") << false << true << int(ExitSettingsMissing);
    QTest::newRow("Language.txt missing") << true << false << int(ExitLanguageMissing);
    QTest::newRow("both missing") << false << false << int(ExitSettingsMissing);
}

void TestStartUp::missingFilesEndWithTheirStatus()
{
    QFETCH(bool, settings);
    QFETCH(bool, language);
    QFETCH(int, status);
    ProgramDir dir({}, language);
    if (!settings)
        QVERIFY(QFile::remove(dir.iniFile()));
    const QString binary = dir.installBinary();

    QProcess process;
    process.start(binary, {});
    QVERIFY(process.waitForFinished(15000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    QCOMPARE(QFile::exists(dir.iniFile()), settings); // nothing written, nothing created
}

void TestStartUp::secondCopyEndsAtOnce()
{
    ProgramDir dir({{QStringLiteral("FtpNo"), QStringLiteral("1")}});
    const QString binary = dir.installBinary();
    const QByteArray before = TestSupport::readFile(dir.iniFile());

    QProcess first;
    QVERIFY(startAndWaitLoaded(first, dir, binary));
    QProcess second;
    second.start(binary, {});
    QVERIFY(second.waitForFinished(15000));
    QCOMPARE(second.exitCode(), int(ExitAlreadyRunning));
    QCOMPARE(first.state(), QProcess::Running);
    stop(first);
    QCOMPARE(TestSupport::readFile(dir.iniFile()), before);

    // With the first copy gone, the program starts again.
    QProcess third;
    QVERIFY(startAndWaitLoaded(third, dir, binary));
    stop(third);
}

void TestStartUp::staleLockDoesNotBlock()
{
#ifdef Q_OS_UNIX
    ProgramDir dir;
    const QString binary = dir.installBinary();
    QProcess crashed;
    QVERIFY(startAndWaitLoaded(crashed, dir, binary));
    crashed.kill(); // SIGKILL: no chance to remove its lock
    QVERIFY(crashed.waitForFinished(5000));

    QProcess next;
    QVERIFY(startAndWaitLoaded(next, dir, binary));
    stop(next);
#else
    QSKIP("kills the process with SIGKILL");
#endif
}

QTEST_GUILESS_MAIN(TestStartUp)
#include "tst_startup.moc"
