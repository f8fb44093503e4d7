// SPDX-License-Identifier: MIT
// The program started as a process from temporary program folders.
#include "gui/shell/ExitStatus.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#ifdef Q_OS_UNIX
#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>
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

#ifdef Q_OS_UNIX
// A user for whom a file of root's with mode 0600 is unreadable: the test's own user when that
// is not root, otherwise a system user made for the tests.
struct OtherUser
{
    uid_t uid;
    gid_t gid;
};

std::optional<OtherUser> userWithoutRootsRights()
{
    if (::geteuid() != 0)
        return OtherUser{::geteuid(), ::getegid()};
    const char name[] = "korva5-test";
    if (!::getpwnam(name))
        QProcess::execute(QStringLiteral("useradd"), {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                                                      QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"),
                                                      QString::fromLatin1(name)});
    if (const passwd *user = ::getpwnam(name))
        return OtherUser{user->pw_uid, user->pw_gid};
    return std::nullopt;
}

// Makes process start the program as user, with a runtime folder of that user's own.
void runAs(QProcess &process, const OtherUser &user, const QString &runtimeDir)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    environment.insert(QStringLiteral("HOME"), runtimeDir);
    process.setProcessEnvironment(environment);
    if (::geteuid() != 0)
        return;
    process.setChildProcessModifier([user] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(user.gid) != 0 || ::setuid(user.uid) != 0)
            ::_exit(127);
    });
}
#endif

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
    void unreadableFilesEndWithTheirStatusAndReason_data();
    void unreadableFilesEndWithTheirStatusAndReason();
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

void TestStartUp::unreadableFilesEndWithTheirStatusAndReason_data()
{
    QTest::addColumn<QString>("unreadable");
    QTest::addColumn<int>("status");
    QTest::newRow("TALLYPORT.ini unreadable") << QStringLiteral("TALLYPORT.ini") << int(ExitSettingsUnreadable);
    QTest::newRow("Language.txt unreadable") << QStringLiteral("Language.txt") << int(ExitLanguageUnreadable);
}

void TestStartUp::unreadableFilesEndWithTheirStatusAndReason()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, unreadable);
    QFETCH(int, status);
    const std::optional<OtherUser> user = userWithoutRootsRights();
    if (!user)
        QSKIP("no user without root's rights could be made to run the program as");

    ProgramDir dir({{QStringLiteral("FtpNo"), QStringLiteral("1")}});
    const QString binary = dir.installBinary();
    const auto everyoneReads = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
        | QFileDevice::ReadOther;
    QVERIFY(QFile::setPermissions(dir.path(), everyoneReads | QFileDevice::ExeOwner | QFileDevice::ExeGroup
                                                  | QFileDevice::ExeOther));
    QVERIFY(QFile::setPermissions(dir.iniFile(), everyoneReads));
    QVERIFY(QFile::setPermissions(dir.languageFile(), everyoneReads));
    // Root's file, mode 0600, as an administrator's edit leaves it; for a test that is not root,
    // a file without any read permission.
    const QString file = dir.file(unreadable);
    QVERIFY(QFile::setPermissions(file, ::geteuid() == 0 ? QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                         : QFileDevice::WriteOwner));
    const QByteArray settingsBefore = ::geteuid() == 0 || unreadable != QLatin1String("TALLYPORT.ini")
        ? TestSupport::readFile(dir.iniFile()) : QByteArray();

    QTemporaryDir runtimeDir;
    QVERIFY(runtimeDir.isValid());
    QCOMPARE(::chown(QFile::encodeName(runtimeDir.path()).constData(), user->uid, user->gid), 0);

    QProcess process;
    runAs(process, *user, runtimeDir.path());
    process.start(binary, {});
    QVERIFY(process.waitForFinished(15000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);

    const QList<QByteArray> lines = process.readAllStandardError().split('\n');
    QByteArrayList naming;
    for (const QByteArray &line : lines) {
        if (line.contains("TALLYPORT.ini") || line.contains("Language.txt"))
            naming << line;
    }
    QCOMPARE(naming.size(), 1);
    QVERIFY2(naming.first().contains(QFile::encodeName(file)), naming.first().constData());
    QVERIFY2(naming.first().contains("Permission denied"), naming.first().constData());
    QVERIFY(!lines.join('\n').contains("started in"));
    if (!settingsBefore.isEmpty())
        QCOMPARE(TestSupport::readFile(dir.iniFile()), settingsBefore); // nothing written
#else
    QSKIP("file owners and modes are POSIX");
#endif
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
