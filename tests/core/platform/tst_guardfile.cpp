// SPDX-License-Identifier: MIT
// The program folder's guard file: who may open it, what it says of its holder, what is never
// taken for it.
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

using namespace korva5;

using namespace TestSupport;

class TestGuardFile : public QObject
{
    Q_OBJECT

private slots:
    void openOnlyToThoseWhoMayWriteTheFolder_data();
    void openOnlyToThoseWhoMayWriteTheFolder();
    void holderAsWrittenByAnyone_data();
    void holderAsWrittenByAnyone();
    void notAPlainFileIsNeverTaken_data();
    void notAPlainFileIsNeverTaken();
};

#ifdef Q_OS_UNIX
namespace {

const QString Name = QStringLiteral("korva5-upload.lock");

struct stat statOf(const QString &path)
{
    struct stat info{};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info;
}

} // namespace

void TestGuardFile::openOnlyToThoseWhoMayWriteTheFolder_data()
{
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<bool>("nobodysFolder"); // made by root in a folder of another user's
    QTest::addColumn<int>("fileMode");
    QTest::newRow("others may read the folder") << 0755 << false << 0600;
    QTest::newRow("the group may write the folder") << 02775 << false << 0660;
    QTest::newRow("everyone may write the folder") << 01777 << false << 0666;
    QTest::newRow("an administrator's start in the station's folder") << 0700 << true << 0600;
}

void TestGuardFile::openOnlyToThoseWhoMayWriteTheFolder()
{
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
    QCOMPARE(int(statOf(path).st_mode & 07777), fileMode);
    // The station's user can open what an administrator's start made.
    QCOMPARE(statOf(path).st_uid, nobodysFolder ? Nobody : ::geteuid());
    QCOMPARE(statOf(path).st_gid, statOf(dir.path()).st_gid);
    GuardFile::release(taken.descriptor);
    // Left in place, and free again.
    const GuardFile::Result again = GuardFile::take(path);
    QCOMPARE(again.outcome, GuardFile::Outcome::Taken);
    GuardFile::release(again.descriptor);
}

void TestGuardFile::holderAsWrittenByAnyone_data()
{
    // Anyone who may write in the folder may write into the file: what a copy that finds it held
    // says of its holder is short and printable. Null: as the holder wrote it.
    const passwd *user = ::getpwuid(::geteuid());
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("said");
    QTest::newRow("as the holder writes it") << QByteArray() << QStringLiteral("process %1 of user %2 on host %3")
                                                     .arg(QString::number(::getpid()), QString::fromLocal8Bit(user->pw_name),
                                                          QSysInfo::machineHostName());
    QTest::newRow("no user, no host") << QByteArray("pid=42\n") << "process 42";
    QTest::newRow("no process: nothing to tell") << QByteArray("user=station\nhost=ws-01\n") << "";
    QTest::newRow("escape sequences, blanks") << QByteArray("pid=42\nuser=\x1b[2Jroot\nhost=a b\n") << "process 42";
    QTest::newRow("a very long name") << QByteArray("pid=42\nuser=" + QByteArray(10000, 'x') + '\n')
                                      << QStringLiteral("process 42 of user ") + QString(64, u'x');
}

void TestGuardFile::holderAsWrittenByAnyone()
{
    QFETCH(QByteArray, written);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString path = dir.filePath(Name);
    const GuardFile::Result first = GuardFile::take(path);
    QCOMPARE(first.outcome, GuardFile::Outcome::Taken);
    if (!written.isNull())
        writeFile(path, written);
    // Another open of the same file, as another copy has.
    const GuardFile::Result second = GuardFile::take(path);
    QCOMPARE(second.outcome, GuardFile::Outcome::Held);
    QCOMPARE(second.holder, said);
    QCOMPARE(second.descriptor, -1);
    GuardFile::release(first.descriptor);
}

void TestGuardFile::notAPlainFileIsNeverTaken_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("why");
    QTest::newRow("a link to the settings file") << "link" << "it is a symbolic link";
    QTest::newRow("a FIFO") << "fifo" << "it is not a plain file";
    QTest::newRow("a folder") << "folder" << "Is a directory";
    QTest::newRow("in no folder") << "missing folder" << "No such file or directory";
}

void TestGuardFile::notAPlainFileIsNeverTaken()
{
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
    // What a link points at is neither written nor given other rights.
    QCOMPARE(readFile(target), QByteArray("[TALLY]\n"));
    QCOMPARE(statOf(target).st_mode, targetMode);
}

#else
void TestGuardFile::openOnlyToThoseWhoMayWriteTheFolder_data() {}
void TestGuardFile::openOnlyToThoseWhoMayWriteTheFolder() { QSKIP("file modes and advisory locks of POSIX systems"); }
void TestGuardFile::holderAsWrittenByAnyone_data() {}
void TestGuardFile::holderAsWrittenByAnyone() { QSKIP("advisory locks of POSIX systems"); }
void TestGuardFile::notAPlainFileIsNeverTaken_data() {}
void TestGuardFile::notAPlainFileIsNeverTaken() { QSKIP("links and FIFOs of POSIX systems"); }
#endif

QTEST_GUILESS_MAIN(TestGuardFile)
#include "tst_guardfile.moc"
