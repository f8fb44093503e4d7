// SPDX-License-Identifier: MIT
#include "core/journal/Journal.h"

#include "CoreTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace korva5;

using TestSupport::writeFile;

namespace {

const QDateTime Now(QDate(2026, 12, 7), QTime(8, 30));

mode_t modeOf(const QString &path)
{
    struct stat status{};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

void recordOne(Journal &journal)
{
    UploadRecord record;
    record.askedAt = Now;
    record.day = Now.date();
    record.localPath = QStringLiteral("/records/20261207.txt");
    record.remotePath = QStringLiteral("/upload/20261207.12");
    record.server = QStringLiteral("ftp.example.com");
    journal.recordAsked(record);
    journal.flush();
}

} // namespace

// Who may read and keep the journal, and what a reader that finds none answers: the program of
// one user and the monitor of another must see the same journal, or say that they cannot.
class TestJournalAccess : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void sharedWithTheSettingsGroup_data();
    void sharedWithTheSettingsGroup();
    void readerThatFindsNone_data();
    void readerThatFindsNone();

private:
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestJournalAccess::init()
{
    // Never the real home: every test gets its own, with no state folder yet.
    m_home = std::make_unique<QTemporaryDir>();
    qputenv("HOME", QFile::encodeName(m_home->path()));
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("state"))));
}

void TestJournalAccess::sharedWithTheSettingsGroup_data()
{
    QTest::addColumn<int>("settingsMode");
    QTest::addColumn<bool>("otherGroup"); // the settings belong to another group than the journal
    QTest::addColumn<int>("before");      // the mode of a journal there before; 0: none
    QTest::addColumn<bool>("cutOff");     // the run before left its -wal and -shm behind
    QTest::addColumn<int>("expected");

    // An installed station: every member of its group runs the program on the one journal.
    QTest::newRow("settings of the group, new journal") << 0660 << false << 0 << false << 0660;
    QTest::newRow("settings of the group, journal of one user") << 0660 << false << 0600 << false << 0660;
    QTest::newRow("... left by a run cut off") << 0660 << false << 0600 << true << 0660;
    QTest::newRow("settings of the group, journal open to all") << 0660 << false << 0666 << true << 0660;
    // The settings hold the password: a journal is never open to more than they are.
    QTest::newRow("settings the group only reads") << 0640 << false << 0 << false << 0600;
    QTest::newRow("settings of the owner") << 0600 << false << 0660 << true << 0600;
    QTest::newRow("settings everyone reads") << 0644 << false << 0644 << false << 0600;
    QTest::newRow("settings of another group") << 0660 << true << 0 << false << 0600;
}

void TestJournalAccess::sharedWithTheSettingsGroup()
{
    QFETCH(int, settingsMode);
    QFETCH(bool, otherGroup);
    QFETCH(int, before);
    QFETCH(bool, cutOff);
    QFETCH(int, expected);

    TestSupport::ProgramDir dir;
    QVERIFY(::chmod(QFile::encodeName(dir.iniFile()).constData(), mode_t(settingsMode)) == 0);
    if (otherGroup) {
        // A group the test's user is not in can be given by root alone.
        if (::geteuid() != 0)
            QSKIP("only root gives a file to a group it is not in");
        QVERIFY(::chown(QFile::encodeName(dir.iniFile()).constData(), uid_t(-1), getegid() + 1) == 0);
    }
    const QString path = dir.file(Journal::FileName);
    const QStringList files{path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")};
    // Still open when the next one opens it, the earlier run's files stay as a kill leaves them.
    std::unique_ptr<Journal> earlier;
    if (before) {
        earlier = std::make_unique<Journal>();
        QVERIFY(earlier->open(dir.path(), Now, Journal::Fallback::None));
        recordOne(*earlier);
        for (const QString &file : files)
            QVERIFY(!QFileInfo::exists(file) || ::chmod(QFile::encodeName(file).constData(), mode_t(before)) == 0);
        if (!cutOff)
            earlier.reset();
    }
    Journal journal;
    QVERIFY(journal.open(dir.path(), Now, Journal::Fallback::None));
    recordOne(journal);
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QCOMPARE(modeOf(path + suffix), mode_t(expected));
}

void TestJournalAccess::readerThatFindsNone_data()
{
    QTest::addColumn<QString>("folder");  // what the folder holds
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("answer"); // "missing" (never uploaded), or what why names

    QTest::newRow("never ran") << "" << 0755 << false << "missing";
    QTest::newRow("station that never ran") << "" << 02775 << true << "missing";
    // A mark of the run stays beside a journal that was removed since.
    QTest::newRow("ran, journal gone") << "mark" << 0755 << false << ".korva5-ran-";
    QTest::newRow("station ran, journal gone") << "mark" << 02775 << true << ".korva5-ran-";
    QTest::newRow("something else under its name") << "folder" << 0755 << false << "not a file";
    // No user but root may write an installed station's folder: nobody who runs the program
    // keeps a journal there.
    QTest::newRow("station its users cannot write") << "" << 0755 << true << "cannot write";
}

void TestJournalAccess::readerThatFindsNone()
{
    QFETCH(QString, folder);
    QFETCH(int, folderMode);
    QFETCH(bool, installed);
    QFETCH(QString, answer);

    const bool root = ::geteuid() == 0;
    if (answer == u"cannot write" && !root)
        QSKIP("a folder of the test's own user may be written by a user");
    TestSupport::ProgramDir dir;
    const Journal::Fallback fallback = installed ? Journal::Fallback::None : Journal::Fallback::StateFolder;
    if (folder == u"mark") {
        {
            Journal earlier;
            QVERIFY(earlier.open(dir.path(), Now, fallback));
            recordOne(earlier);
        }
        for (const QString &file : QDir(dir.path()).entryList({Journal::FileName + u'*'}, QDir::Files))
            QVERIFY(QFile::remove(dir.file(file)));
    } else if (folder == u"folder") {
        QVERIFY(QDir(dir.path()).mkdir(Journal::FileName));
    }
    // The folder of root alone counts as one users cannot write only where root reads it.
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), mode_t(root ? folderMode : folderMode | 0200)) == 0);

    QString why;
    bool missing = false;
    QVERIFY(!Journal::readRows(dir.path(), fallback, Now.addDays(-1), &why, &missing));
    QCOMPARE(missing, answer == u"missing");
    if (!missing)
        QVERIFY2(why.contains(answer) && why.contains(dir.path()), qPrintable(why));
    // A look never makes anything.
    QVERIFY(!QFileInfo::exists(dir.file(Journal::FileName)) || folder == u"folder");
    QVERIFY(!QFileInfo::exists(m_home->filePath(QStringLiteral("state/korva5-upload"))) || !installed);
}

QTEST_GUILESS_MAIN(TestJournalAccess)
#include "tst_journalaccess.moc"
