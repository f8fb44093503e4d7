// SPDX-License-Identifier: MIT
// One copy a program folder, whoever starts it: the program as processes of several users, with
// the folder's files replaced and locked by others meanwhile.
#include "gui/shell/ExitStatus.h"
#include "gui/shell/SingleInstance.h"
#include "OtherUser.h"
#include "ProgramProcess.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#ifdef Q_OS_UNIX
#include <cstdio>
#include <unistd.h>
#endif

using namespace korva5;

using namespace TestSupport;

namespace {

const auto EveryoneReads = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
const auto EveryoneEnters = EveryoneReads | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;

#ifdef Q_OS_UNIX
// Replaces the settings file as the dialog's save, an editor or "sed -i" does: a new file
// renamed over the old one.
bool replaceByRename(const QString &file)
{
    const QString next = file + QStringLiteral(".new");
    return QFile::copy(file, next) && QFile::setPermissions(next, EveryoneReads)
        && std::rename(QFile::encodeName(next).constData(), QFile::encodeName(file).constData()) == 0;
}
#endif

} // namespace

class TestInstanceGuard : public QObject
{
    Q_OBJECT

private slots:
    void readersDoNotKeepTheStationFromStarting_data();
    void readersDoNotKeepTheStationFromStarting();
    void noSecondCopyBesideTheFirst_data();
    void noSecondCopyBesideTheFirst();
};

void TestInstanceGuard::readersDoNotKeepTheStationFromStarting_data()
{
    QTest::addColumn<QString>("locked");
    QTest::addColumn<bool>("held"); // whether the reader could take its lock at all
    QTest::newRow("the settings file") << "TALLYPORT.ini" << true;
    QTest::newRow("the guard file") << QString::fromLatin1(SingleInstance::GuardFileName) << false;
}

// A user who may read the program folder, but not write in it, locks a file there for as long as
// it likes: the station starts all the same.
void TestInstanceGuard::readersDoNotKeepTheStationFromStarting()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, locked);
    QFETCH(bool, held);
    if (::geteuid() != 0)
        QSKIP("running a reader as another user takes root");
    ProgramDir dir({{QStringLiteral("FtpNo"), QStringLiteral("1")}});
    const QString binary = dir.installBinary();
    QVERIFY(QFile::setPermissions(dir.path(), EveryoneEnters));
    QVERIFY(QFile::setPermissions(dir.iniFile(), EveryoneReads));
    // A start before leaves the guard file there, as a station's folder has it.
    QProcess earlier;
    QVERIFY(startAndWaitLoaded(earlier, dir, binary));
    stop(earlier);

    UnusedUser reader;
    QProcess flock;
    reader.runs(flock);
    flock.setWorkingDirectory(dir.path());
    flock.start(QStringLiteral("flock"), {QStringLiteral("--exclusive"), QStringLiteral("--nonblock"), locked,
                                          QStringLiteral("--command"), QStringLiteral("echo held; exec sleep 60")});
    const auto endFlock = qScopeGuard([&] { stop(flock); });
    if (held) {
        QVERIFY(flock.waitForReadyRead(10000));
        QCOMPARE(flock.readAllStandardOutput(), QByteArray("held\n"));
    } else {
        QVERIFY(flock.waitForFinished(10000));
        QVERIFY2(flock.exitCode() != 0 && flock.readAllStandardError().contains("Permission denied"),
                 flock.readAllStandardOutput().constData());
    }

    QProcess station;
    QByteArray err;
    QVERIFY2(startAndWaitLoaded(station, dir, binary, err), err.constData());
    stop(station);
#else
    QSKIP("users and advisory locks of POSIX systems");
#endif
}

void TestInstanceGuard::noSecondCopyBesideTheFirst_data()
{
    QTest::addColumn<QString>("second");  // who starts it: "same", "writer" (owns the folder), "reader"
    QTest::addColumn<bool>("renamed");    // the settings file replaced by a rename meanwhile
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");    // in its lines; %p is the first copy's process
    QTest::newRow("the same user") << "same" << false << int(ExitAlreadyRunning) << "it was asked to show its window";
    QTest::newRow("the same user, settings renamed") << "same" << true << int(ExitAlreadyRunning)
                                                     << "it was asked to show its window";
    QTest::newRow("another user") << "writer" << false << int(ExitAlreadyRunning) << "another copy runs from %d (process %p of user root";
    QTest::newRow("another user, settings renamed") << "writer" << true << int(ExitAlreadyRunning)
                                                    << "another copy runs from %d (process %p of user root";
    QTest::newRow("a user who may only read the folder") << "reader" << true << int(ExitLockUnavailable)
                                                         << "cannot take the single-instance guard %d/korva5-upload.lock: "
                                                            "Permission denied (the file is root's, mode 0600)";
}

void TestInstanceGuard::noSecondCopyBesideTheFirst()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, second);
    QFETCH(bool, renamed);
    QFETCH(int, status);
    QFETCH(QString, said);
    if (second != u"same" && ::geteuid() != 0)
        QSKIP("starting a copy as another user takes root");
    ProgramDir dir({{QStringLiteral("FtpNo"), QStringLiteral("1")}});
    const QString binary = dir.installBinary();
    UnusedUser other;
    // A folder of the other user's, as a station's is, where an administrator starts the
    // program first; or root's, which the other user may only read.
    if (second == u"writer")
        QVERIFY(other.take(dir));
    QVERIFY(QFile::setPermissions(dir.path(), EveryoneEnters));
    QVERIFY(QFile::setPermissions(dir.iniFile(), EveryoneReads));

    QProcess first;
    QByteArray firstErr;
    QVERIFY(startAndWaitLoaded(first, dir, binary, firstErr));
    const auto stopFirst = qScopeGuard([&] { stop(first); });
    if (renamed)
        QVERIFY(replaceByRename(dir.iniFile()));

    QProcess next;
    if (second != u"same")
        other.runs(next);
    QByteArray err;
    QCOMPARE(runToEnd(next, binary, err), status);
    said.replace(QStringLiteral("%d"), dir.path()).replace(QStringLiteral("%p"), QString::number(first.processId()));
    QVERIFY2(err.contains(said.toUtf8()), err.constData());
    // Another user's copy cannot be asked to show its window, and is not kept waiting for it.
    if (second != u"same")
        QCOMPARE(programLines(err).size(), 1);
    QCOMPARE(first.state(), QProcess::Running);
#else
    QSKIP("users and advisory locks of POSIX systems");
#endif
}

QTEST_GUILESS_MAIN(TestInstanceGuard)
#include "tst_instanceguard.moc"
