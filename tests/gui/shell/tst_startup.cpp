// SPDX-License-Identifier: MIT
// The program started as a process from temporary program folders.
#include "core/state/ProgramFolder.h"
#include "gui/shell/ExitStatus.h"
#include "gui/shell/InstanceChannel.h"
#include "gui/shell/SingleInstance.h"
#include "OtherUser.h"
#include "ProgramProcess.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace korva5;

using namespace TestSupport;

class TestStartUp : public QObject
{
    Q_OBJECT

private slots:
    void missingFilesEndWithTheirStatus_data();
    void missingFilesEndWithTheirStatus();
    void unreadableFilesEndWithTheirStatusAndReason_data();
    void unreadableFilesEndWithTheirStatusAndReason();
    void secondCopyShowsTheRunningWindowAndEnds();
    void secondCopyEndsWhenTheRunningOneDoesNotAnswer_data();
    void secondCopyEndsWhenTheRunningOneDoesNotAnswer();
    void staleLockDoesNotBlock();
    void secondStartFromAnotherEnvironmentDoesNotRun_data();
    void secondStartFromAnotherEnvironmentDoesNotRun();
    void preparedLockFolders_data();
    void preparedLockFolders();
};

void TestStartUp::missingFilesEndWithTheirStatus_data()
{
    QTest::addColumn<bool>("settings");
    QTest::addColumn<bool>("language");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("named");
    QTest::newRow("TALLYPORT.ini missing") << false << true << int(ExitSettingsMissing) << "TALLYPORT.ini";
    QTest::newRow("Language.txt missing") << true << false << int(ExitLanguageMissing) << "Language.txt";
    QTest::newRow("both missing") << false << false << int(ExitSettingsMissing) << "TALLYPORT.ini";
}

void TestStartUp::missingFilesEndWithTheirStatus()
{
    QFETCH(bool, settings);
    QFETCH(bool, language);
    QFETCH(int, status);
    QFETCH(QString, named);
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

    const QByteArrayList lines = programLines(process.readAllStandardError());
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().contains(QByteArray("cannot find " + QFile::encodeName(dir.file(named)))), lines.first().constData());
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

void TestStartUp::secondCopyShowsTheRunningWindowAndEnds()
{
    ProgramDir dir({{QStringLiteral("FtpNo"), QStringLiteral("1")}, {QStringLiteral("FtpServer"), QStringLiteral("127.0.0.1")}});
    const QString binary = dir.installBinary();
    const QByteArray before = TestSupport::readFile(dir.iniFile());

    QProcess first;
    QByteArray firstErr;
    QVERIFY(startAndWaitLoaded(first, dir, binary, firstErr));
    // The offscreen platform has no notification area: on its fifth second the window gets out
    // of the way by minimising, and a second start is how a user gets it back.
    QVERIFY(waitForText(first, firstErr, "minimising the window instead of hiding it", 15000));

    QProcess second;
    second.setProcessChannelMode(QProcess::SeparateChannels);
    second.start(binary, {});
    QVERIFY(second.waitForFinished(15000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), int(ExitAlreadyRunning));
    const QByteArrayList lines = programLines(second.readAllStandardError());
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().contains(QByteArray("another copy runs from " + QFile::encodeName(QDir(dir.path()).canonicalPath()))),
             lines.first().constData());
    QVERIFY2(lines.first().contains("it was asked to show its window"), lines.first().constData());
    QVERIFY(waitForText(first, firstErr, "a second start asked to show the window", 5000));

    QCOMPARE(first.state(), QProcess::Running);
    stop(first);
    QCOMPARE(TestSupport::readFile(dir.iniFile()), before);

    // With the first copy gone, the program starts again.
    QProcess third;
    QVERIFY(startAndWaitLoaded(third, dir, binary));
    stop(third);
}

void TestStartUp::secondCopyEndsWhenTheRunningOneDoesNotAnswer_data()
{
    QTest::addColumn<bool>("listening");
    QTest::newRow("the lock is held, nothing listens") << false;
    QTest::newRow("a request folder nobody answers") << true;
}

void TestStartUp::secondCopyEndsWhenTheRunningOneDoesNotAnswer()
{
    // This test stands in for a copy that hangs, or one of a release before the channel: it
    // holds the lock, and either has no request folder or never answers what lands there.
    QFETCH(bool, listening);
    ProgramDir dir;
    const QString binary = dir.installBinary();
    SingleInstance lock;
    QCOMPARE(lock.acquire(dir.path()), SingleInstance::Result::Locked);
    const QString folder = InstanceChannel::requestFolder(dir.path());
    const auto removeFolder = qScopeGuard([&] { QDir(folder).removeRecursively(); });
    if (listening)
        QVERIFY(QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QProcess second;
    second.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer elapsed;
    elapsed.start();
    second.start(binary, {});
    QVERIFY(second.waitForFinished(15000));
    QVERIFY2(elapsed.elapsed() < 8000, QByteArray::number(elapsed.elapsed()).constData());
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), int(ExitAlreadyRunning));
    const QByteArrayList lines = programLines(second.readAllStandardError());
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().contains("another copy runs from"), lines.first().constData());
    QVERIFY2(lines.first().contains("it did not answer the request to show its window"), lines.first().constData());
    // The request it gave up on went with it.
    if (listening)
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
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

void TestStartUp::secondStartFromAnotherEnvironmentDoesNotRun_data()
{
    QTest::addColumn<QStringList>("unset");
    QTest::addColumn<QStringList>("elsewhere"); // set to a private folder of its own
    QTest::newRow("another XDG_RUNTIME_DIR") << QStringList() << QStringList{QStringLiteral("XDG_RUNTIME_DIR")};
    QTest::newRow("no XDG_RUNTIME_DIR") << QStringList{QStringLiteral("XDG_RUNTIME_DIR")} << QStringList();
    QTest::newRow("another TMPDIR and HOME, no USER")
        << QStringList{QStringLiteral("USER"), QStringLiteral("LOGNAME")} << QStringList{QStringLiteral("TMPDIR"), QStringLiteral("HOME")};
}

void TestStartUp::secondStartFromAnotherEnvironmentDoesNotRun()
{
    // A second start from a terminal, a service or cron has other variables than the desktop's.
    QFETCH(QStringList, unset);
    QFETCH(QStringList, elsewhere);
    ProgramDir dir({{QStringLiteral("FtpNo"), QStringLiteral("1")}});
    const QString binary = dir.installBinary();
    QProcess first;
    QByteArray firstErr;
    QVERIFY(startAndWaitLoaded(first, dir, binary, firstErr));
    const auto stopFirst = qScopeGuard([&] { stop(first); });

    QTemporaryDir other;
    QVERIFY(QFile::setPermissions(other.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : unset)
        environment.remove(name);
    for (const QString &name : elsewhere)
        environment.insert(name, other.path());
    QProcess second;
    second.setProcessEnvironment(environment);
    QByteArray err;
    QCOMPARE(runToEnd(second, binary, err), int(ExitAlreadyRunning));
    // And it finds the running copy's request folder too.
    QVERIFY2(err.contains("it was asked to show its window"), err.constData());
    QVERIFY(waitForText(first, firstErr, "a second start asked to show the window", 5000));
    QCOMPARE(QDir(other.path()).entryList({QStringLiteral("korva5-upload*")}, QDir::AllEntries | QDir::Hidden), QStringList());
}

void TestStartUp::preparedLockFolders_data()
{
    // What the two places of a user without a home in the password database hold before the
    // program starts: nothing (""), a folder of another user's ("other"), a folder of the
    // user's open to everyone ("open") or one it cannot write to ("read-only"). "runs" is what
    // the temporary one becomes while the first copy runs.
    QTest::addColumn<QString>("runtimeFolder");
    QTest::addColumn<QString>("tempFolder");
    QTest::addColumn<QString>("whileRunning");
    QTest::addColumn<QString>("said"); // by the first copy; %r and %t name the two places
    QTest::addColumn<int>("status");   // of a second start
    QTest::newRow("runtime folder another user's: the temporary one is used")
        << "other" << "" << "" << "the single-instance lock is not kept in %r: it is not a folder of this user's alone"
        << int(ExitAlreadyRunning);
    QTest::newRow("temporary folder another user's: no place left")
        << "" << "other" << "" << "cannot take the single-instance lock: no folder of this user's alone can hold it "
                                  "(%t: it is not a folder of this user's alone); not running" << int(ExitLockUnavailable);
    QTest::newRow("temporary folder open to everyone: no place left")
        << "" << "open" << "" << "(%t: it is not a folder of this user's alone); not running" << int(ExitLockUnavailable);
    QTest::newRow("temporary folder read-only") << "" << "read-only" << ""
                                                << "cannot take the single-instance lock %t/korva5-upload-"
                                                   "%k.lock: the folder cannot be written to; not running"
                                                << int(ExitLockUnavailable);
    QTest::newRow("made read-only while the first copy runs") << "" << "" << "read-only" << "started in" << int(ExitAlreadyRunning);
}

void TestStartUp::preparedLockFolders()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, runtimeFolder);
    QFETCH(QString, tempFolder);
    QFETCH(QString, whileRunning);
    QFETCH(QString, said);
    QFETCH(int, status);
    // Root writes into a read-only folder all the same, and only root makes folders of other users.
    if (::geteuid() != 0)
        QSKIP("running the program as a user of its own takes root");
    if (!runtimeFolder.isEmpty() && !QFileInfo(QStringLiteral("/run/user")).isDir())
        QSKIP("the system has no /run/user");
    UnusedUser user;
    ProgramDir dir({{QStringLiteral("FtpNo"), QStringLiteral("1")}});
    const QString binary = dir.installBinary();
    QVERIFY(user.take(dir));
    const QMap<QString, std::pair<uid_t, QFileDevice::Permissions>> kinds{
        {QStringLiteral("other"), {Nobody, OwnerOnly}},
        {QStringLiteral("open"), {user.user.uid, QFileDevice::Permissions(0x7777)}},
        {QStringLiteral("read-only"), {user.user.uid, QFileDevice::ReadOwner | QFileDevice::ExeOwner}},
    };
    if (kinds.contains(runtimeFolder))
        QVERIFY(makeFolder(user.runtimeFolder, kinds[runtimeFolder].first, kinds[runtimeFolder].second));
    if (kinds.contains(tempFolder))
        QVERIFY(makeFolder(user.tempFolder, kinds[tempFolder].first, kinds[tempFolder].second));
    said.replace(QStringLiteral("%r"), user.runtimeFolder).replace(QStringLiteral("%t"), user.tempFolder);
    said.replace(QStringLiteral("%k"), ProgramFolder::key(dir.path()));

    QProcess first;
    user.runs(first);
    QByteArray err;
    if (status == ExitLockUnavailable) {
        QCOMPARE(runToEnd(first, binary, err), int(ExitLockUnavailable));
        const QByteArrayList lines = programLines(err);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains(said.toUtf8()), lines.first().constData());
    } else {
        QVERIFY(startAndWaitLoaded(first, dir, binary, err));
        QVERIFY2(err.contains(said.toUtf8()), err.constData());
        QVERIFY(QFileInfo::exists(SingleInstance::lockFilePath(dir.path(), user.tempFolder)));
        if (kinds.contains(whileRunning))
            QVERIFY(QFile::setPermissions(user.tempFolder, kinds[whileRunning].second));
    }
    const auto stopFirst = qScopeGuard([&] { stop(first); });
    // However the first start went, a second one does not run beside it.
    QProcess second;
    user.runs(second);
    QCOMPARE(runToEnd(second, binary, err), status);
    if (status == ExitAlreadyRunning)
        QVERIFY2(err.contains("it was asked to show its window"), err.constData());
    // Nothing was left in another user's folder.
    for (const QString &folder : {user.runtimeFolder, user.tempFolder}) {
        if (QFileInfo(folder).ownerId() == Nobody)
            QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }
#else
    QSKIP("file owners and modes are POSIX");
#endif
}

QTEST_GUILESS_MAIN(TestStartUp)
#include "tst_startup.moc"
