// SPDX-License-Identifier: MIT
// A journal written by an earlier version is brought forward in place: its rows stay, and the
// columns added since read as unknown.
#include "core/journal/Journal.h"
#include "CoreTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "JournalFile.h"

using namespace korva5;

using TestSupport::execute;
using TestSupport::query;

namespace {

const QDateTime Now(QDate(2026, 12, 7), QTime(8, 30));

// The version-2 schema as the program wrote it, with one failed upload and one cut off.
const char *const VersionTwo = R"sql(
CREATE TABLE uploads (id INTEGER PRIMARY KEY, asked_ms INTEGER NOT NULL, asked TEXT NOT NULL, asked_by TEXT NOT NULL,
    slot INTEGER, day TEXT, local_path TEXT NOT NULL, remote_path TEXT NOT NULL, server TEXT NOT NULL,
    started_ms INTEGER, started TEXT, ended_ms INTEGER, ended TEXT, bytes INTEGER, outcome TEXT NOT NULL,
    reason TEXT NOT NULL, due_ms INTEGER, due TEXT);
CREATE INDEX uploads_by_asked ON uploads (asked_ms);
CREATE TABLE state (name TEXT PRIMARY KEY, value_ms INTEGER NOT NULL, value TEXT NOT NULL);
INSERT INTO uploads (asked_ms, asked, asked_by, local_path, remote_path, server, outcome, reason)
    VALUES (1796632200000, 'a', 'manual', '/r/1.txt', '/u/1.12', 'h', 'failed', 'Access denied: 530');
INSERT INTO uploads (asked_ms, asked, asked_by, local_path, remote_path, server, outcome, reason)
    VALUES (1796632201000, 'a', 'manual', '/r/2.txt', '/u/2.12', 'h', 'running', '');
PRAGMA user_version = 2;
)sql";

} // namespace

class TestJournalSchema : public QObject
{
    Q_OBJECT

private slots:
    void versionTwoIsBroughtForward();
};

void TestJournalSchema::versionTwoIsBroughtForward()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(Journal::FileName);
    TestSupport::writeFile(dir.filePath(QStringLiteral("TALLYPORT.ini")), "[Setup]\n");
    QVERIFY(execute(path, VersionTwo));
    {
        Journal journal;
        QVERIFY(journal.open(dir.path(), Now));
        const QList<UploadRecord> rows = journal.rowsSince(QDateTime());
        QCOMPARE(rows.size(), 2);
        // The cut-off row is marked so at open, with its kind; the old failure has none.
        QCOMPARE(rows.at(0).failureKind, FailureKind::Ended);
        QCOMPARE(rows.at(1).failureKind, FailureKind::None);
        QCOMPARE(rows.at(1).reason, QStringLiteral("Access denied: 530"));
        const qint64 id = journal.recordAsked(rows.at(1));
        journal.recordEnded(id, Now, false, 0, QStringLiteral("whole"), FailureKind::LoginRefused,
                            QStringLiteral("530 Login incorrect."));
        journal.flush();
    }
    QCOMPARE(query(path, "PRAGMA user_version"), QStringList{QStringLiteral("3")});
    // Stored by name, never by number, so a later order of the kinds reads the same.
    QCOMPARE(query(path, "SELECT IFNULL(failure_kind, 'NULL') || ' ' || IFNULL(failure_detail, '') FROM uploads ORDER BY id"),
             (QStringList{QStringLiteral("NULL "), QStringLiteral("ended "), QStringLiteral("login-refused 530 Login incorrect.")}));
}

QTEST_GUILESS_MAIN(TestJournalSchema)
#include "tst_journalschema.moc"
