// SPDX-License-Identifier: MIT
#include "core/journal/Journal.h"

#include "MessageCapture.h"
#include "CoreTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "JournalFile.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace korva5;

using TestSupport::readFile;
using TestSupport::writeFile;

Q_DECLARE_METATYPE(Trigger)

using TestSupport::execute;
using TestSupport::query;

namespace {

const QDateTime Now(QDate(2026, 12, 7), QTime(8, 30));

UploadRecord upload(Trigger trigger, int slot, const QDateTime &askedAt = Now)
{
    UploadRecord record;
    record.askedAt = askedAt;
    record.trigger = trigger;
    record.slot = slot;
    record.day = askedAt.date();
    record.localPath = QStringLiteral("/records/") + askedAt.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".txt");
    record.remotePath = QStringLiteral("/upload/") + askedAt.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".12");
    record.server = QStringLiteral("ftp.example.com:2121");
    record.bytes = 1234;
    return record;
}

QStringList setAside(const QString &dir)
{
    return QDir(dir).entryList({QStringLiteral("*.broken")}, QDir::Files);
}

// Another program holding the journal's write lock, until it is destroyed.
class Locker
{
public:
    explicit Locker(const QString &path, bool rollbackMode)
    {
        const QString script = QStringLiteral(
            "import sqlite3, sys\n"
            "c = sqlite3.connect(sys.argv[1], isolation_level=None, timeout=0)\n"
            "if sys.argv[2] == 'rollback': c.execute('PRAGMA journal_mode=DELETE')\n"
            "c.execute('BEGIN EXCLUSIVE')\n"
            "print('locked', flush=True)\n"
            "sys.stdin.read()\n");
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral("-c"), script, path,
                         rollbackMode ? QStringLiteral("rollback") : QStringLiteral("wal")});
        m_locked = m_process.waitForReadyRead(10000) && m_process.readAll().startsWith("locked");
    }
    ~Locker()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished();
    }
    bool locked() const { return m_locked; }
    QString error() const { return m_process.errorString() + QString::fromUtf8(m_process.readAllStandardError()); }

private:
    mutable QProcess m_process;
    bool m_locked = false;
};

// Writes to files fail past limit bytes, as on a full disk; restored when it goes.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_previous;
        lowered.rlim_cur = limit;
        m_set = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    bool isSet() const { return m_set; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
    bool m_set = false;
};

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void locate_data();
    void locate();
    void roundTrip_data();
    void roundTrip();
    void continuesAfterRestart_data();
    void continuesAfterRestart();
    void prune_data();
    void prune();
    void faults_data();
    void faults();
    void lockedWhileRunningDoesNotHoldTheCaller();
    void fullDisk_data();
    void fullDisk();
    void ownerOnly();
    void readRowsNeverChangesAnything_data();
    void readRowsNeverChangesAnything();
    void madeAgainWhileRunning_data();
    void madeAgainWhileRunning();
    void doubtAtOpen_data();
    void doubtAtOpen();
    void eachProgramFolderItsOwn();

private:
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestJournal::init()
{
    // Never the real home: every test gets its own, with no state folder yet.
    m_home = std::make_unique<QTemporaryDir>();
    qputenv("HOME", QFile::encodeName(m_home->path()));
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("state"))));
}

void TestJournal::locate_data()
{
    QTest::addColumn<QString>("programDir"); // "{tmp}": a writable temporary folder
    QTest::addColumn<QByteArray>("stateHome"); // "{home}": the test's home
    QTest::addColumn<QString>("expected");     // "program", "state" or "" for nowhere
    QTest::addColumn<QString>("stateFolder");  // expected state folder, "{home}" relative
    QTest::addColumn<bool>("installed");

    QTest::newRow("program folder") << "{tmp}" << QByteArray("{home}/state") << "program" << "" << false;
    QTest::newRow("program folder missing") << "{tmp}/gone" << QByteArray("{home}/state") << "state"
                                            << "{home}/state/korva5-upload" << false;
    QTest::newRow("a file where the program folder is") << "{tmp}/file" << QByteArray("{home}/state") << "state"
                                                        << "{home}/state/korva5-upload" << false;
    // Refuses new files even to root, unlike permission bits.
    QTest::newRow("program folder refuses files") << "/proc/self" << QByteArray("{home}/state") << "state"
                                                  << "{home}/state/korva5-upload" << false;
    QTest::newRow("read-only program folder") << "{tmp}/readonly" << QByteArray("{home}/state") << "state"
                                              << "{home}/state/korva5-upload" << false;
    QTest::newRow("no XDG_STATE_HOME") << "/proc/self" << QByteArray() << "state"
                                       << "{home}/.local/state/korva5-upload" << false;
    QTest::newRow("relative XDG_STATE_HOME ignored") << "/proc/self" << QByteArray("state") << "state"
                                                     << "{home}/.local/state/korva5-upload" << false;
    QTest::newRow("nowhere") << "/proc/self" << QByteArray("{tmp}/file/state") << "" << "" << false;
    // An installed station's one journal never moves to the state folder of whoever runs it.
    QTest::newRow("station folder") << "{tmp}" << QByteArray("{home}/state") << "program" << "" << true;
    QTest::newRow("station folder refuses files") << "/proc/self" << QByteArray("{home}/state") << "" << "" << true;
    QTest::newRow("read-only station folder") << "{tmp}/readonly" << QByteArray("{home}/state") << "" << "" << true;
}

void TestJournal::locate()
{
    QFETCH(QString, programDir);
    QFETCH(QByteArray, stateHome);
    QFETCH(QString, expected);
    QFETCH(QString, stateFolder);
    QFETCH(bool, installed);

    QTemporaryDir tmp;
    writeFile(tmp.filePath(QStringLiteral("file")), "not a folder");
    QDir(tmp.path()).mkdir(QStringLiteral("readonly"));
    QFile::setPermissions(tmp.filePath(QStringLiteral("readonly")), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QByteArray(QTest::currentDataTag()).startsWith("read-only") && geteuid() == 0)
        QSKIP("permission bits do not stop root; the /proc and file rows cover it");
    programDir.replace(QStringLiteral("{tmp}"), tmp.path());
    stateHome.replace("{home}", QFile::encodeName(m_home->path())).replace("{tmp}", QFile::encodeName(tmp.path()));
    stateFolder.replace(QStringLiteral("{home}"), m_home->path());
    if (stateHome.isNull())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", stateHome);

    const Journal::Location found =
        Journal::locate(programDir, installed ? Journal::Fallback::None : Journal::Fallback::StateFolder);
    if (expected == QLatin1String("program")) {
        QCOMPARE(found.file, QDir(programDir).filePath(Journal::FileName));
        QVERIFY(found.moved.isEmpty());
    } else if (expected == QLatin1String("state")) {
        QCOMPARE(found.file, stateFolder + u'/' + Journal::stateFileName(programDir));
        QFileInfo folder(stateFolder);
        QVERIFY(folder.isDir());
        QCOMPARE(int(folder.permissions() & 0x0077), 0); // nobody else's
        // Said, since a reader run by another user does not look there.
        QVERIFY2(found.moved.contains(found.file) && found.moved.contains(QDir::cleanPath(programDir)), qPrintable(found.moved));
    } else {
        QVERIFY(found.file.isEmpty());
        QVERIFY2(found.why.contains(QDir::cleanPath(programDir)), qPrintable(found.why));
        QCOMPARE(found.why.contains(QStringLiteral("korva5-upload")), !installed);
    }
    if (installed)
        QVERIFY(!QFileInfo::exists(m_home->filePath(QStringLiteral("state/korva5-upload"))));
    QVERIFY(QDir(tmp.path()).entryList({QStringLiteral(".korva5*")}, QDir::Hidden | QDir::Files).isEmpty());
}

void TestJournal::roundTrip_data()
{
    QTest::addColumn<Trigger>("trigger");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("storedSlot");
    QTest::addColumn<QString>("end"); // "", "succeeded" or "failed"
    QTest::addColumn<QString>("storedText"); // asked_by and outcome as the file has them

    QTest::newRow("manual, sent") << Trigger::Manual << -1 << -1 << "succeeded" << "manual succeeded";
    QTest::newRow("yesterday, failed") << Trigger::Yesterday << -1 << -1 << "failed" << "yesterday failed";
    QTest::newRow("first slot") << Trigger::Slot << 0 << 0 << "succeeded" << "slot succeeded";
    QTest::newRow("retry of the last slot") << Trigger::Retry << 9 << 9 << "failed" << "retry failed";
    QTest::newRow("catch-up cut off by the end") << Trigger::CatchUp << 4 << 4 << "" << "catch-up failed";
    QTest::newRow("slot given to a manual upload") << Trigger::Manual << 3 << -1 << "succeeded" << "manual succeeded";
    QTest::newRow("slot out of range") << Trigger::Slot << 10 << -1 << "succeeded" << "slot succeeded";
}

void TestJournal::roundTrip()
{
    QFETCH(Trigger, trigger);
    QFETCH(int, slot);
    QFETCH(int, storedSlot);
    QFETCH(QString, end);
    QFETCH(QString, storedText);

    TestSupport::ProgramDir dir;
    UploadRecord expected = upload(trigger, slot);
    expected.reason = QStringLiteral("must not survive the asking");
    {
        Journal journal;
        QVERIFY(journal.open(dir.path(), Now));
        QCOMPARE(journal.path(), dir.file(Journal::FileName));
        const qint64 other = journal.recordAsked(upload(Trigger::Manual, -1, Now.addSecs(-60)));
        expected.id = journal.recordAsked(expected);
        QVERIFY(expected.id > other);
        expected.slot = storedSlot;
        expected.reason.clear();
        expected.startedAt = Now.addSecs(1);
        expected.outcome = Outcome::Running;
        journal.recordStarted(expected.id, expected.startedAt);
        if (!end.isEmpty()) {
            expected.endedAt = Now.addSecs(5);
            expected.outcome = end == QLatin1String("failed") ? Outcome::Failed : Outcome::Succeeded;
            expected.reason = end == QLatin1String("failed") ? QStringLiteral("550 Permission denied; 'quoted'") : QString();
            expected.bytes = 4321;
            if (end == QLatin1String("failed")) {
                expected.failureKind = FailureKind::RemoteWriteRefused;
                expected.failureDetail = QStringLiteral("550 Permission denied; 'quoted'");
            }
            journal.recordEnded(expected.id, expected.endedAt, end != QLatin1String("failed"), 4321, expected.reason,
                                expected.failureKind, expected.failureDetail);
        }
        const QList<UploadRecord> rows = journal.rowsSince(Now.addSecs(-60));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.first(), expected);
        QCOMPARE(rows.last().id, other);
        QCOMPARE(journal.rowsSince(Now.addSecs(-59)).size(), 1);
    }
    // After the program ended: a restart and a look from the command line read the same. An
    // upload still under way when the program ended was cut off.
    if (end.isEmpty()) {
        expected.outcome = Outcome::Failed;
        expected.reason = QString::fromLatin1(Journal::CutOffReason);
        expected.failureKind = FailureKind::Ended; // cut off: the kind is known, the detail is none
    }
    Journal again;
    QVERIFY(again.open(dir.path(), Now));
    QCOMPARE(again.rowsSince(Now).value(0), expected);
    QString why;
    const auto outside = Journal::readRows(dir.path(), Now, &why);
    QVERIFY2(outside, qPrintable(why));
    QCOMPARE(outside->value(0), expected);
    const QString path = dir.file(Journal::FileName);
    QCOMPARE(query(path, "SELECT asked_by || ' ' || outcome FROM uploads ORDER BY id DESC LIMIT 1"), QStringList{storedText});
}

void TestJournal::continuesAfterRestart_data()
{
    QTest::addColumn<int>("uploads");
    QTest::addColumn<int>("minutes"); // how often the schedule's place is set

    QTest::newRow("first start") << 0 << 0;
    QTest::newRow("one of each") << 1 << 1;
    QTest::newRow("several") << 5 << 3;
}

void TestJournal::continuesAfterRestart()
{
    QFETCH(int, uploads);
    QFETCH(int, minutes);

    TestSupport::ProgramDir dir;
    qint64 lastId = 0;
    {
        Journal journal;
        QVERIFY(journal.open(dir.path(), Now));
        QCOMPARE(journal.lastExaminedMinute(), std::nullopt);
        for (int i = 0; i < uploads; ++i)
            journal.recordAsked(upload(Trigger::Slot, i));
        journal.flush();
        for (const UploadRecord &row : journal.rowsSince({}))
            lastId = std::max(lastId, row.id);
        for (int i = 1; i <= minutes; ++i)
            journal.setLastExaminedMinute(Now.addSecs(60 * i));
    }
    Journal journal;
    QVERIFY(journal.open(dir.path(), Now));
    QCOMPARE(journal.lastExaminedMinute(),
             minutes ? std::optional<QDateTime>(Now.addSecs(60 * minutes)) : std::nullopt);
    journal.recordAsked(upload(Trigger::Manual, -1));
    journal.flush();
    // The row written after the restart follows every earlier one in the file's sequence.
    const QStringList manualIds = query(dir.file(Journal::FileName), "SELECT id FROM uploads WHERE asked_by = 'manual'");
    QCOMPARE(manualIds.size(), 1);
    QVERIFY(manualIds.first().toLongLong() > lastId);
    QCOMPARE(journal.rowsSince(Now).size(), uploads + 1);
}

void TestJournal::prune_data()
{
    QTest::addColumn<int>("ageDays");
    QTest::addColumn<int>("ageMinutes");
    QTest::addColumn<bool>("kept");

    QTest::newRow("yesterday") << 1 << 0 << true;
    QTest::newRow("399 days") << 399 << 0 << true;
    QTest::newRow("exactly 400 days") << 400 << 0 << true;
    QTest::newRow("400 days and a minute") << 400 << 1 << false;
    QTest::newRow("three years") << 1095 << 0 << false;
}

void TestJournal::prune()
{
    QFETCH(int, ageDays);
    QFETCH(int, ageMinutes);
    QFETCH(bool, kept);

    const QDateTime old = Now.addDays(-ageDays).addSecs(-60 * ageMinutes);
    const QDateTime later = Now.addDays(3);
    TestSupport::ProgramDir dir;
    {
        // Written by a program whose clock said then.
        Journal journal;
        QVERIFY(journal.open(dir.path(), old));
        journal.recordAsked(upload(Trigger::Slot, 1, old));
    }
    Journal journal;
    QVERIFY(journal.open(dir.path(), Now));
    QCOMPARE(journal.rowsSince({}).size(), kept ? 1 : 0);

    // A program left running prunes as the days go by, too.
    journal.recordAsked(upload(Trigger::Manual, -1, Now));
    journal.recordAsked(upload(Trigger::Manual, -1, later));
    const QList<UploadRecord> rows = journal.rowsSince({});
    QCOMPARE(rows.size(), (kept && ageDays + 3 <= 400 ? 1 : 0) + 2);
}

void TestJournal::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<int>("notices");
    QTest::addColumn<bool>("setsAside");
    QTest::addColumn<bool>("doubt"); // what was delivered before cannot be known from it

    QTest::newRow("random bytes over it") << "random" << true << 1 << true << true;
    QTest::newRow("pages damaged behind a good header") << "pages" << true << 1 << true << true;
    QTest::newRow("some other file under its name") << "text" << true << 1 << true << true;
    QTest::newRow("another database under its name") << "foreign" << true << 1 << true << true;
    // Only busy: waited for, never set aside.
    QTest::newRow("locked by another program") << "lock-wal" << true << 1 << false << true;
    QTest::newRow("locked in rollback mode") << "lock-rollback" << true << 1 << false << true;
    QTest::newRow("written by a newer version") << "newer" << false << 1 << false << true;
    // Said where the journal went instead, without doubt of what it holds.
    QTest::newRow("program folder refuses files") << "unwritable" << true << 1 << false << false;
    QTest::newRow("nowhere to keep it") << "nowhere" << false << 1 << false << true;
}

void TestJournal::faults()
{
    QFETCH(QString, fault);
    QFETCH(bool, opens);
    QFETCH(int, notices);
    QFETCH(bool, setsAside);
    QFETCH(bool, doubt);

    TestSupport::ProgramDir dir;
    QString programDir = dir.path();
    const QString path = dir.file(Journal::FileName);
    {
        Journal earlier;
        QVERIFY(earlier.open(programDir, Now.addDays(-1)));
        for (int i = 0; i < 40; ++i)
            earlier.recordAsked(upload(Trigger::Slot, i % 10, Now.addDays(-1)));
    }
    QRandomGenerator random(7);
    QByteArray bytes = readFile(path);
    std::unique_ptr<Locker> locker;
    if (fault == QLatin1String("random")) {
        for (char &byte : bytes)
            byte = char(random.generate());
    } else if (fault == QLatin1String("pages")) {
        for (qsizetype i = 100; i < bytes.size(); ++i)
            bytes[i] = char(random.generate());
    } else if (fault == QLatin1String("text")) {
        bytes = "[TALLY]\nFtpServer=somewhere\n";
    } else if (fault == QLatin1String("foreign")) {
        QFile::remove(path);
        QVERIFY(execute(path, "CREATE TABLE t (x); INSERT INTO t VALUES (1)"));
        bytes = readFile(path);
    } else if (fault.startsWith(QLatin1String("lock"))) {
        if (!QFileInfo::exists(QStringLiteral("/usr/bin/python3")))
            QSKIP("no /usr/bin/python3 to hold the lock");
        locker = std::make_unique<Locker>(path, fault.endsWith(QLatin1String("rollback")));
        QVERIFY2(locker->locked(), qPrintable(locker->error()));
        bytes = readFile(path);
    } else if (fault == QLatin1String("newer")) {
        QVERIFY(execute(path, "PRAGMA user_version = 99"));
        bytes = readFile(path);
    } else if (fault == QLatin1String("unwritable")) {
        programDir = QStringLiteral("/proc/self");
    } else if (fault == QLatin1String("nowhere")) {
        programDir = QStringLiteral("/proc/self");
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir.file(QStringLiteral("TALLYPORT.ini/state"))));
    }
    writeFile(path, bytes);

    TestSupport::MessageCapture messages;
    Journal journal;
    QSignalSpy said(&journal, &Journal::notice);
    QSignalSpy switched(&journal, &Journal::switched);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(journal.open(programDir, Now), opens);
    QVERIFY2(timer.elapsed() < 3 * Journal::BusyTimeoutMs, QByteArray::number(timer.elapsed()));
    QCOMPARE(!journal.doubt().isEmpty(), doubt);

    // Every call made for an upload goes through, with or without a file: the program holds
    // what it recorded.
    const qint64 id = journal.recordAsked(upload(Trigger::Manual, -1));
    QVERIFY(id > 0);
    journal.recordStarted(id, Now);
    journal.recordEnded(id, Now.addSecs(2), true, 10, {});
    journal.setLastExaminedMinute(Now);
    journal.flush();
    QCOMPARE(journal.rowsSince(Now).size(), 1);
    QCOMPARE(journal.rowsSince(Now).value(0).outcome, Outcome::Succeeded);
    QCOMPARE(journal.lastExaminedMinute(), std::optional<QDateTime>(Now));
    QCOMPARE(journal.isOpen(), opens);

    QCOMPARE(said.size(), notices);
    QCOMPARE(switched.size(), 0); // said at open by doubt()
    QStringList logged;
    for (const QString &line : messages.lines())
        if (line.startsWith(QLatin1String("korva5.journal ")))
            logged << line.mid(15);
    QCOMPARE(logged.size(), notices);
    if (notices)
        QCOMPARE(logged.first(), said.first().first().toString());
    const QString stateFile = Journal::stateDir() + u'/' + Journal::stateFileName(programDir);
    QCOMPARE(journal.path(), fault == QLatin1String("nowhere")      ? QString()
                             : fault == QLatin1String("unwritable") ? stateFile
                                                                    : path);

    const QStringList aside = setAside(dir.path());
    QCOMPARE(aside.size(), setsAside ? 1 : 0);
    if (setsAside) {
        QVERIFY2(aside.first().startsWith(Journal::FileName + QStringLiteral(".20261207-083000")), qPrintable(aside.first()));
        QVERIFY(said.first().first().toString().contains(aside.first()));
        // Kept as it was, in case its rows are wanted.
        QCOMPARE(readFile(dir.file(aside.first())), bytes);
    } else if (locker) {
        // Once the other program lets go, what waited is written to the same file.
        locker.reset();
        QTRY_COMPARE_WITH_TIMEOUT(query(path, "SELECT outcome FROM uploads WHERE asked_by = 'manual'"),
                                  QStringList{QStringLiteral("succeeded")}, 15000);
        QCOMPARE(query(path, "SELECT count(*) FROM uploads"), QStringList{QStringLiteral("41")});
    } else {
        QCOMPARE(readFile(path), bytes);
        QCOMPARE(QFileInfo::exists(stateFile), fault == QLatin1String("unwritable"));
    }
}

void TestJournal::lockedWhileRunningDoesNotHoldTheCaller()
{
    if (!QFileInfo::exists(QStringLiteral("/usr/bin/python3")))
        QSKIP("no /usr/bin/python3 to hold the lock");
    TestSupport::ProgramDir dir;
    Journal journal;
    QSignalSpy said(&journal, &Journal::notice);
    QVERIFY(journal.open(dir.path(), Now));
    journal.recordAsked(upload(Trigger::Slot, 1, Now.addSecs(-1)));
    const qint64 first = journal.recordAsked(upload(Trigger::Slot, 0));
    journal.recordStarted(first, Now);
    journal.flush();

    Locker locker(dir.file(Journal::FileName), false);
    QVERIFY2(locker.locked(), qPrintable(locker.error()));
    QElapsedTimer timer;
    timer.start();
    journal.recordAsked(upload(Trigger::Manual, -1));
    journal.recordEnded(first, Now.addSecs(3), false, -1, QStringLiteral("timed out"));
    for (int i = 0; i < 20; ++i)
        journal.setLastExaminedMinute(Now.addSecs(60 * i));
    QVERIFY2(timer.elapsed() < 200, QByteArray::number(timer.elapsed()));

    // A lock only makes the writes wait: nothing is set aside, and what the program holds is
    // answered meanwhile.
    const QList<UploadRecord> rows = journal.rowsSince(Now.addSecs(-1));
    QCOMPARE(said.size(), 1);
    QVERIFY(said.first().first().toString().contains(QStringLiteral("locked")));
    QVERIFY(journal.isOpen());
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.value(0).trigger, Trigger::Manual);
    QCOMPARE(rows.value(1).outcome, Outcome::Failed);
    QCOMPARE(rows.value(1).reason, QStringLiteral("timed out"));
    QCOMPARE(rows.value(2).outcome, Outcome::Asked);
    QCOMPARE(journal.lastExaminedMinute(), Now.addSecs(60 * 19));
    QVERIFY(setAside(dir.path()).isEmpty());
}

void TestJournal::fullDisk_data()
{
    QTest::addColumn<bool>("existing");

    QTest::newRow("while running") << true;
    QTest::newRow("making a new file") << false;
}

void TestJournal::fullDisk()
{
    QFETCH(bool, existing);

    TestSupport::ProgramDir dir;
    Journal journal;
    QSignalSpy said(&journal, &Journal::notice);
    if (existing) {
        QVERIFY(journal.open(dir.path(), Now));
        journal.recordAsked(upload(Trigger::Slot, 2));
        journal.flush();
    }
    {
        FileSizeLimit full(0);
        if (!full.isSet())
            QSKIP("cannot limit the file size here");
        QCOMPARE(journal.open(dir.path(), Now) || existing, existing);
        const qint64 id = journal.recordAsked(upload(Trigger::Manual, -1));
        journal.recordEnded(id, Now, true, 1, {});
        journal.flush();
        QVERIFY(!journal.isOpen());
        QVERIFY(!journal.doubt().isEmpty());
        // The program goes on with what it holds.
        QCOMPARE(journal.rowsSince({}).size(), 1);
        QVERIFY(journal.recordAsked(upload(Trigger::Manual, -1)) > 0);
    }
    QCOMPARE(said.size(), 2); // set aside, then switched off
    QVERIFY(said.last().first().toString().contains(QStringLiteral("switched off")));

    if (existing) {
        // What was written before the disk filled is all in the file set aside.
        const QString aside = dir.file(setAside(dir.path()).value(0));
        QCOMPARE(query(aside, "SELECT slot FROM uploads"), QStringList{QStringLiteral("2")});
    }
}

void TestJournal::ownerOnly()
{
    TestSupport::ProgramDir dir;
    const QString path = dir.file(Journal::FileName);
    for (const bool existing : {false, true}) {
        if (existing)
            QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ReadOther | QFileDevice::ReadGroup);
        Journal journal;
        QVERIFY(journal.open(dir.path(), Now));
        journal.recordAsked(upload(Trigger::Manual, -1));
        journal.flush();
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            struct stat status{};
            QVERIFY2(stat(QFile::encodeName(path + suffix).constData(), &status) == 0, qPrintable(suffix));
            QCOMPARE(status.st_mode & 0777, mode_t(0600));
        }
    }
}

void TestJournal::readRowsNeverChangesAnything_data()
{
    QTest::addColumn<QString>("folder");

    QTest::newRow("plain folder") << "station";
    QTest::newRow("characters a URL reads") << "day files #1?a=%41&b";
}

void TestJournal::readRowsNeverChangesAnything()
{
    QFETCH(QString, folder);

    TestSupport::ProgramDir program;
    QVERIFY(QDir().mkpath(program.file(folder)));
    const QDir dir(program.file(folder));
    QString why;
    bool missing = false;
    QVERIFY(!Journal::readRows(dir.path(), {}, &why, &missing));
    QVERIFY(why.contains(dir.path()));
    QVERIFY(missing);
    QVERIFY(!QFileInfo::exists(dir.filePath(Journal::FileName)));
    QVERIFY(!QFileInfo::exists(Journal::stateDir()));

    {
        // Beside a running program, it sees what that program has written.
        Journal journal;
        QVERIFY(journal.open(dir.path(), Now));
        journal.recordAsked(upload(Trigger::Yesterday, -1));
        journal.flush();
        QCOMPARE(Journal::readRows(dir.path(), {}, &why).value_or(QList<UploadRecord>()).size(), 1);
        journal.recordAsked(upload(Trigger::Yesterday, -1));
    }
    // After it ended, the look leaves the folder as it found it.
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
    QVERIFY(!before.contains(Journal::FileName + QStringLiteral("-wal")));
    QCOMPARE(Journal::readRows(dir.path(), {}, &why).value_or(QList<UploadRecord>()).size(), 2);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);

    // A main file cut to nothing beside a running program's -wal: the look fails, and the -wal
    // stays as it was.
    {
        Journal running;
        QVERIFY(running.open(dir.path(), Now));
        running.recordAsked(upload(Trigger::Manual, -1));
        running.flush();
        const QString main = dir.filePath(Journal::FileName);
        const QByteArray wal = readFile(main + QStringLiteral("-wal"));
        QVERIFY(!wal.isEmpty());
        QVERIFY(QFile::resize(main, 0));
        QVERIFY(!Journal::readRows(dir.path(), {}, &why, &missing));
        QVERIFY(!missing);
        QCOMPARE(readFile(main + QStringLiteral("-wal")), wal);
    }

    // A damaged file is reported, not set aside or repaired.
    const QString other = program.file(QStringLiteral("other"));
    QDir().mkpath(other);
    writeFile(other + u'/' + Journal::FileName, QByteArray(8192, 'x'));
    QVERIFY(!Journal::readRows(other, {}, &why, &missing));
    QVERIFY(!why.isEmpty());
    QVERIFY(!missing); // there is one, it cannot be read: not the same as none
    QCOMPARE(readFile(other + u'/' + Journal::FileName), QByteArray(8192, 'x'));
    QVERIFY(setAside(other).isEmpty());
}

void TestJournal::madeAgainWhileRunning_data()
{
    QTest::addColumn<QString>("fault");

    QTest::newRow("removed") << "removed";
    QTest::newRow("removed with its -wal") << "removed-all";
    QTest::newRow("replaced by another file") << "junk";
    QTest::newRow("replaced by another journal") << "journal";
}

// Found out before the next write, made again with all the program holds, and said once.
void TestJournal::madeAgainWhileRunning()
{
    QFETCH(QString, fault);

    TestSupport::ProgramDir dir;
    const QString path = dir.file(Journal::FileName);
    Journal journal;
    QSignalSpy switched(&journal, &Journal::switched);
    QVERIFY(journal.open(dir.path(), Now));
    const qint64 first = journal.recordAsked(upload(Trigger::Slot, 0));
    journal.recordEnded(first, Now.addSecs(5), false, -1, QStringLiteral("Connection refused"));
    journal.setLastExaminedMinute(Now);
    journal.flush();

    QVERIFY(QFile::remove(path));
    if (fault == QLatin1String("removed-all")) {
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
    } else if (fault == QLatin1String("junk")) {
        writeFile(path, "someone else's file");
    } else if (fault == QLatin1String("journal")) {
        QVERIFY(execute(path, "PRAGMA user_version = 1; CREATE TABLE uploads (id INTEGER PRIMARY KEY)"));
    }
    journal.recordAsked(upload(Trigger::Manual, -1, Now.addSecs(60)));
    journal.flush();

    QCOMPARE(switched.size(), 1);
    QCOMPARE(query(path, "SELECT asked_by || ' ' || outcome FROM uploads ORDER BY id"),
             (QStringList{QStringLiteral("slot failed"), QStringLiteral("manual asked")}));
    QCOMPARE(query(path, "SELECT value FROM state"), QStringList{Now.toString(Qt::ISODateWithMs)});
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("*.replaced")}, QDir::Files);
    QCOMPARE(aside.size(), fault == QLatin1String("junk") || fault == QLatin1String("journal") ? 1 : 0);
    if (fault == QLatin1String("junk"))
        QCOMPARE(readFile(dir.file(aside.first())), QByteArray("someone else's file"));
}

void TestJournal::doubtAtOpen_data()
{
    QTest::addColumn<QString>("before"); // what the folder holds when the program starts
    QTest::addColumn<bool>("doubt");

    QTest::newRow("first start") << "" << false;
    QTest::newRow("its journal") << "journal" << false;
    QTest::newRow("no journal, one set aside before") << "set-aside" << true;
    QTest::newRow("removed after an earlier run") << "removed" << true;
    QTest::newRow("cut to nothing") << "empty" << true;
    QTest::newRow("a journal that cannot be opened") << "folder" << true;
    QTest::newRow("in the state folder, an earlier version's shared one") << "legacy" << true;
    QTest::newRow("in the state folder, another folder's") << "other" << false;
}

// A journal made new where one of this program folder was before cannot tell what was
// delivered; a first start owes nothing of the past.
void TestJournal::doubtAtOpen()
{
    QFETCH(QString, before);
    QFETCH(bool, doubt);

    TestSupport::ProgramDir dir;
    const bool inState = before == QLatin1String("legacy") || before == QLatin1String("other");
    // A program folder that takes no files keeps its journal in the state folder.
    const QString programDir = inState ? QStringLiteral("/proc/self/station") : dir.path();
    const QString path = dir.file(Journal::FileName);
    if (before == QLatin1String("journal")) {
        Journal earlier;
        QVERIFY(earlier.open(programDir, Now.addDays(-1)));
    } else if (before == QLatin1String("set-aside")) {
        writeFile(path + QStringLiteral(".20261206-083000.broken"), "");
    } else if (before == QLatin1String("removed") || before == QLatin1String("empty")) {
        {
            Journal earlier;
            QVERIFY(earlier.open(programDir, Now.addDays(-1)));
        }
        for (const QString &file : QDir(dir.path()).entryList({Journal::FileName + u'*'}, QDir::Files))
            QVERIFY(QFile::remove(dir.file(file)));
        if (before == QLatin1String("empty"))
            writeFile(path, "");
    } else if (before == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    } else if (inState) {
        QVERIFY(QDir().mkpath(Journal::stateDir()));
        const QString name = before == QLatin1String("legacy") ? Journal::FileName
                                                                : Journal::stateFileName(QStringLiteral("/proc/self/other"));
        Journal other;
        QVERIFY(other.open(QStringLiteral("/proc/self/other"), Now));
        other.flush();
        if (name == Journal::FileName)
            QVERIFY(QFile::rename(other.path(), Journal::stateDir() + u'/' + name));
    }
    Journal journal;
    QVERIFY(journal.open(programDir, Now));
    QVERIFY2(journal.doubt().isEmpty() != doubt, qPrintable(journal.doubt()));
}

// Two program folders whose journals both land in the state folder each keep their own; and
// two writers that somehow share one file never take each other's rows.
void TestJournal::eachProgramFolderItsOwn()
{
    const QString one = QStringLiteral("/proc/self/one"), two = QStringLiteral("/proc/self/two");
    {
        Journal first, second;
        QVERIFY(first.open(one, Now));
        QVERIFY(second.open(two, Now));
        QVERIFY(first.path() != second.path());
        first.recordAsked(upload(Trigger::Slot, 0));
        second.recordAsked(upload(Trigger::Manual, -1));
        second.setLastExaminedMinute(Now.addSecs(600));
    }
    const auto rowsOf = [](const QString &programDir) {
        QString why;
        const auto rows = Journal::readRows(programDir, {}, &why);
        return rows ? *rows : QList<UploadRecord>();
    };
    QCOMPARE(rowsOf(one).size(), 1);
    QCOMPARE(rowsOf(one).first().trigger, Trigger::Slot);
    QCOMPARE(rowsOf(two).size(), 1);
    Journal again;
    QVERIFY(again.open(one, Now));
    QCOMPARE(again.lastExaminedMinute(), std::nullopt); // the other folder's place is not this one's

    TestSupport::ProgramDir dir;
    Journal a, b;
    QVERIFY(a.open(dir.path(), Now));
    QVERIFY(b.open(dir.path(), Now));
    for (int i = 0; i < 10; ++i) {
        const qint64 fromA = a.recordAsked(upload(Trigger::Slot, i));
        const qint64 fromB = b.recordAsked(upload(Trigger::Manual, -1));
        a.recordEnded(fromA, Now.addSecs(i), true, i, {});
        b.recordEnded(fromB, Now.addSecs(i), false, -1, QStringLiteral("refused"));
        a.flush();
        b.flush();
    }
    const QString path = dir.file(Journal::FileName);
    QCOMPARE(query(path, "SELECT count(DISTINCT id) FROM uploads"), QStringList{QStringLiteral("20")});
    QCOMPARE(query(path, "SELECT count(*) FROM uploads WHERE asked_by = 'slot' AND outcome = 'succeeded'"),
             QStringList{QStringLiteral("10")});
    QCOMPARE(query(path, "SELECT count(*) FROM uploads WHERE asked_by = 'manual' AND outcome = 'failed'"),
             QStringList{QStringLiteral("10")});
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
