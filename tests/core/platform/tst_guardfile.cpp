// SPDX-License-Identifier: MIT
// The program folder's guard file: who may open it, who holds it, what it says of its holder.
#include "core/platform/GuardFile.h"
#include "CoreTestSupport.h"
#include "OtherUser.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace TestSupport;

namespace {

const QString Name = QStringLiteral("korva5-upload.lock");

#ifdef Q_OS_UNIX
struct stat statOf(const QString &path)
{
    struct stat info{};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info;
}

QString thisUser()
{
    const passwd *user = ::getpwuid(::geteuid());
    return user ? QString::fromLocal8Bit(user->pw_name) : QStringLiteral("uid %1").arg(::geteuid());
}
#endif

// Takes the guard, lets a second take find it held, and gives back what that one said.
QString holderSeenBySecondTake(const QString &path)
{
    const GuardFile::Result second = GuardFile::take(path);
    GuardFile::release(second.descriptor);
    return second.outcome == GuardFile::Outcome::Held ? second.holder : QStringLiteral("not held: ") + second.why;
}

} // namespace

class TestGuardFile : public QObject
{
    Q_OBJECT

private slots:
    void openOnlyToThoseWhoMayWriteTheFolder_data();
    void openOnlyToThoseWhoMayWriteTheFolder();
    void heldUntilReleased();
    void holderAsWrittenByAnyone_data();
    void holderAsWrittenByAnyone();
    void notAPlainFileIsNeverTaken_data();
    void notAPlainFileIsNeverTaken();
};

void TestGuardFile::openOnlyToThoseWhoMayWriteTheFolder_data()
{
#ifdef Q_OS_UNIX
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<bool>("nobodysFolder"); // made by root in a folder of another user's
    QTest::addColumn<int>("fileMode");
    QTest::newRow("folder of its owner's alone") << 0700 << false << 0600;
    QTest::newRow("others may read the folder") << 0755 << false << 0600;
    QTest::newRow("the group may write the folder") << 02775 << false << 0660;
    QTest::newRow("everyone may write the folder") << 0777 << false << 0666;
    QTest::newRow("everyone may write, sticky") << 01777 << false << 0666;
    QTest::newRow("an administrator's start in the station's folder") << 0700 << true << 0600;
#endif
}

void TestGuardFile::openOnlyToThoseWhoMayWriteTheFolder()
{
#ifdef Q_OS_UNIX
    QFETCH(int, folderMode);
    QFETCH(bool, nobodysFolder);
    QFETCH(int, fileMode);
    if (nobodysFolder && ::geteuid() != 0)
        QSKIP("giving a folder to another user takes root");
    QTemporaryDir dir;
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), mode_t(folderMode)), 0);
    if (nobodysFolder)
        QCOMPARE(::chown(QFile::encodeName(dir.path()).constData(), Nobody, Nobody), 0);
    const QString path = dir.filePath(Name);
    // Whatever the umask: the rights are the folder's, not the process's.
    const mode_t umask = ::umask(0);
    const GuardFile::Result taken = GuardFile::take(path);
    ::umask(umask);
    QCOMPARE(taken.outcome, GuardFile::Outcome::Taken);
    const struct stat file = statOf(path);
    QCOMPARE(int(file.st_mode & 07777), fileMode);
    // The station's user can open what an administrator's start made.
    QCOMPARE(file.st_uid, nobodysFolder ? Nobody : ::geteuid());
    QCOMPARE(file.st_gid, statOf(dir.path()).st_gid);
    GuardFile::release(taken.descriptor);
#else
    QSKIP("file modes are POSIX");
#endif
}

void TestGuardFile::heldUntilReleased()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QString path = dir.filePath(Name);
    const GuardFile::Result first = GuardFile::take(path);
    QCOMPARE(first.outcome, GuardFile::Outcome::Taken);
    QCOMPARE(readFile(path), QStringLiteral("pid=%1\nuser=%2\nhost=%3\n")
                                 .arg(QString::number(::getpid()), thisUser(), QSysInfo::machineHostName())
                                 .toUtf8());
    // Another open of the same file, as another copy has.
    QCOMPARE(holderSeenBySecondTake(path),
             QStringLiteral("process %1 of user %2 on host %3").arg(QString::number(::getpid()), thisUser(), QSysInfo::machineHostName()));
    GuardFile::release(first.descriptor);
    // Never removed: a copy that opened it meanwhile must hold the one file every copy opens.
    QVERIFY(QFile::exists(path));
    const GuardFile::Result again = GuardFile::take(path);
    QCOMPARE(again.outcome, GuardFile::Outcome::Taken);
    GuardFile::release(again.descriptor);
#else
    QSKIP("advisory locks of POSIX systems");
#endif
}

void TestGuardFile::holderAsWrittenByAnyone_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("said");
    QTest::newRow("as the program writes it") << QByteArray("pid=42\nuser=station\nhost=ws-01\n") << "process 42 of user station on host ws-01";
    QTest::newRow("no user, no host") << QByteArray("pid=42\n") << "process 42";
    QTest::newRow("no process: nothing to tell") << QByteArray("user=station\nhost=ws-01\n") << "";
    QTest::newRow("escape sequences") << QByteArray("pid=42\nuser=\x1b[2Jroot\nhost=a b\n") << "process 42";
    QTest::newRow("a very long name") << QByteArray("pid=42\nuser=" + QByteArray(10000, 'x') + '\n') << QStringLiteral("process 42 of user ") + QString(64, u'x');
    QTest::newRow("empty") << QByteArray() << "";
}

// Anyone who may write in the folder may write into the file: what a copy that finds it held
// says of its holder is short and printable.
void TestGuardFile::holderAsWrittenByAnyone()
{
#ifdef Q_OS_UNIX
    QFETCH(QByteArray, written);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString path = dir.filePath(Name);
    const GuardFile::Result first = GuardFile::take(path);
    QCOMPARE(first.outcome, GuardFile::Outcome::Taken);
    writeFile(path, written);
    QCOMPARE(holderSeenBySecondTake(path), said);
    GuardFile::release(first.descriptor);
#else
    QSKIP("advisory locks of POSIX systems");
#endif
}

void TestGuardFile::notAPlainFileIsNeverTaken_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("why");
    QTest::newRow("a link to another file") << "link" << "it is a symbolic link";
    QTest::newRow("a FIFO") << "fifo" << "it is not a plain file";
    QTest::newRow("a folder") << "folder" << "Is a directory";
    QTest::newRow("in no folder") << "missing folder" << "No such file or directory";
}

void TestGuardFile::notAPlainFileIsNeverTaken()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, kind);
    QFETCH(QString, why);
    QTemporaryDir dir;
    QString path = dir.filePath(Name);
    const QString target = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    writeFile(target, "[TALLY]\n");
    const mode_t targetMode = statOf(target).st_mode;
    if (kind == u"link")
        QVERIFY(QFile::link(target, path));
    else if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == u"folder")
        QVERIFY(QDir().mkdir(path));
    else
        path = dir.filePath(QStringLiteral("gone/") + Name);
    const GuardFile::Result result = GuardFile::take(path);
    QCOMPARE(result.outcome, GuardFile::Outcome::Failed);
    QCOMPARE(result.why, why);
    QCOMPARE(result.descriptor, -1);
    // What a link points at is neither written nor given other rights.
    QCOMPARE(readFile(target), QByteArray("[TALLY]\n"));
    QCOMPARE(statOf(target).st_mode, targetMode);
#else
    QSKIP("links, FIFOs and advisory locks of POSIX systems");
#endif
}

QTEST_GUILESS_MAIN(TestGuardFile)
#include "tst_guardfile.moc"
