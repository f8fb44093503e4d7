// SPDX-License-Identifier: MIT
#include "core/journal/JournalStore.h"

#include "core/transfer/FailureKind.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace korva5 {

namespace JournalDetail {

namespace {

// Version 1. A later version adds its steps after this one, keyed on user_version, so a file
// written by this program is brought forward rather than started again.
const char *const SchemaV1 = R"sql(
CREATE TABLE IF NOT EXISTS uploads (
    id          INTEGER PRIMARY KEY,
    asked_ms    INTEGER NOT NULL,
    asked       TEXT NOT NULL,
    asked_by    TEXT NOT NULL,
    slot        INTEGER,
    day         TEXT,
    local_path  TEXT NOT NULL,
    remote_path TEXT NOT NULL,
    server      TEXT NOT NULL,
    started_ms  INTEGER,
    started     TEXT,
    ended_ms    INTEGER,
    ended       TEXT,
    bytes       INTEGER,
    outcome     TEXT NOT NULL,
    reason      TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS uploads_by_asked ON uploads (asked_ms);
CREATE TABLE IF NOT EXISTS state (
    name     TEXT PRIMARY KEY,
    value_ms INTEGER NOT NULL,
    value    TEXT NOT NULL
);
PRAGMA user_version = 1;
)sql";

// Version 2: the minute a scheduled upload was due, which its 24 hours of retries count from.
// Without it that minute is worked out from the time set, which is wrong for a file sent again
// later (a journal that was lost) and for a time changed since.
const char *const SchemaV2 = R"sql(
ALTER TABLE uploads ADD COLUMN due_ms INTEGER;
ALTER TABLE uploads ADD COLUMN due TEXT;
PRAGMA user_version = 2;
)sql";

// Version 3: what kind of failure it was, by name (core/transfer/FailureKind.h), and the one fact
// its short words name, so History shows a failure as the program did when it happened. Rows
// from before have neither: their short words are the general ones.
const char *const SchemaV3 = R"sql(
ALTER TABLE uploads ADD COLUMN failure_kind TEXT;
ALTER TABLE uploads ADD COLUMN failure_detail TEXT;
PRAGMA user_version = 3;
)sql";

const char *const LastExaminedMinuteKey = "last_examined_minute";

// The *_ms columns are what is read back; the text beside each is for a person with the sqlite3
// tool.
QString humanTime(const QDateTime &time)
{
    return time.toString(Qt::ISODateWithMs);
}

class Statement
{
public:
    Statement(sqlite3 *db, const char *sql) { m_code = sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr); }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool prepared() const { return m_code == SQLITE_OK; }
    int code() const { return m_code; }

    void bind(int index, qint64 value) { sqlite3_bind_int64(m_statement, index, value); }
    void bind(int index, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bindNull(int index) { sqlite3_bind_null(m_statement, index); }
    void bindTime(int msIndex, int textIndex, const QDateTime &time)
    {
        if (time.isValid()) {
            bind(msIndex, time.toMSecsSinceEpoch());
            bind(textIndex, humanTime(time));
        } else {
            bindNull(msIndex);
            bindNull(textIndex);
        }
    }

    // SQLITE_ROW, SQLITE_DONE or an error.
    int step()
    {
        m_code = sqlite3_step(m_statement);
        return m_code;
    }

    bool isNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    QString text(int column) const
    {
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        return QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column));
    }
    QDateTime time(int column) const
    {
        return isNull(column) ? QDateTime() : QDateTime::fromMSecsSinceEpoch(integer(column));
    }

private:
    sqlite3_stmt *m_statement = nullptr;
    int m_code = SQLITE_OK;
};

} // namespace

Store::~Store()
{
    close();
}

void Store::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool Store::busy() const
{
    const int code = m_code & 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED || code == SQLITE_FULL;
}

bool Store::fail(int code)
{
    m_code = code;
    m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code));
    if (m_error.isEmpty())
        m_error = QString::fromUtf8(sqlite3_errstr(code));
    return false;
}

bool Store::exec(const char *sql)
{
    const int code = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return code == SQLITE_OK || fail(code);
}

void Store::rollback()
{
    if (m_db)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

Store::OpenResult Store::open(const QString &path, Mode mode, const QDateTime &now)
{
    close();
    m_error.clear();
    m_code = SQLITE_OK;
    m_created = false;
    m_foundEmpty = false;

    if (mode == Mode::Write) {
        // Server names and paths are nobody else's business: the file is the owner's alone from
        // the moment it exists, and so are the -wal and -shm files SQLite gives its mode.
        QFile file(path);
        if (!file.exists()) {
            if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
                m_error = file.errorString();
                return OpenResult::Failed;
            }
            file.close();
            m_created = true;
        }
        // Only the owner may change them; another member of a station's group uses them as they
        // are. SQLite gives a new -wal and -shm the journal's mode, but leaves those a run that
        // was cut off left behind as they were.
        const QFileDevice::Permissions wanted = Journal::filePermissions(path);
        for (const QString &name : QStringList{path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")}) {
            if (QFileInfo(name).isFile() && (QFile::permissions(name) & Journal::ModeBits) != wanted)
                QFile::setPermissions(name, wanted);
        }
    }

    // SQLite takes UTF-8 file names on every system. A read-only look works on a private copy,
    // which must be writable for SQLite to take its -wal in.
    const QByteArray name = path.toUtf8();
    const int code = sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    if (code != SQLITE_OK) {
        fail(code);
        close();
        return OpenResult::Failed;
    }
    sqlite3_busy_timeout(m_db, Journal::BusyTimeoutMs);

    if (mode == Mode::ReadOnly) {
        Statement version(m_db, "PRAGMA user_version");
        if (!version.prepared() || version.step() != SQLITE_ROW) {
            fail(version.code());
            close();
            return busy() ? OpenResult::Busy : OpenResult::Failed;
        }
        const qint64 found = version.integer(0);
        if (found == 0 || found > SchemaVersion) {
            m_error = found == 0 ? QStringLiteral("not a journal") : QStringLiteral("written by a newer version");
            close();
            return found == 0 ? OpenResult::NotJournal : OpenResult::Newer;
        }
        return OpenResult::Opened;
    }

    {
        // Damage in the middle of the file would otherwise only show in the read that meets it.
        Statement check(m_db, "PRAGMA quick_check");
        if (!check.prepared() || check.step() != SQLITE_ROW) {
            fail(check.code());
            close();
            return busy() ? OpenResult::Busy : OpenResult::Failed;
        }
        const QString verdict = check.text(0);
        if (verdict != QLatin1String("ok")) {
            m_error = QStringLiteral("damaged: ") + verdict;
            close();
            return OpenResult::Failed;
        }
    }
    // Before anything is written to it: a file that is not this program's to change stays as it was.
    qint64 version = 0;
    {
        Statement read(m_db, "PRAGMA user_version");
        Statement tables(m_db, "SELECT count(*) FROM sqlite_master");
        if (!read.prepared() || read.step() != SQLITE_ROW || !tables.prepared() || tables.step() != SQLITE_ROW) {
            fail(read.code() != SQLITE_ROW ? read.code() : tables.code());
            close();
            return busy() ? OpenResult::Busy : OpenResult::Failed;
        }
        version = read.integer(0);
        if (version == 0 && tables.integer(0) == 0 && !m_created) {
            m_foundEmpty = true;
            m_created = true;
        }
        if (version > SchemaVersion || (version == 0 && tables.integer(0) > 0)) {
            m_error = version ? QStringLiteral("written by a newer version of the program") : QStringLiteral("not a journal");
            close();
            return version ? OpenResult::Newer : OpenResult::NotJournal;
        }
    }

    // A slow or failing disk costs one fsync per checkpoint instead of one per upload; a power
    // cut may lose the last records, never the file.
    if (!exec("PRAGMA journal_mode = WAL") || !exec("PRAGMA synchronous = NORMAL") || !exec("BEGIN IMMEDIATE")) {
        close();
        return busy() ? OpenResult::Busy : OpenResult::Failed;
    }
    if ((version < 1 && !exec(SchemaV1)) || (version < 2 && !exec(SchemaV2))
        || (version < 3 && !exec(SchemaV3)) || !markCutOff() || !prune(now)
        || !exec("COMMIT")) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        close();
        return busy() ? OpenResult::Busy : OpenResult::Failed;
    }
    return OpenResult::Opened;
}

// The writer of a journal holds the program folder's single-instance lock, so a row it finds
// unended at open was cut off when an earlier run ended (a kill, a crash, a power cut).
bool Store::markCutOff()
{
    Statement mark(m_db, "UPDATE uploads SET outcome = 'failed', reason = ?1, failure_kind = ?2, failure_detail = NULL"
                         " WHERE outcome IN ('asked', 'running')");
    if (!mark.prepared())
        return fail(mark.code());
    mark.bind(1, QString::fromLatin1(Journal::CutOffReason));
    mark.bind(2, failureKindName(FailureKind::Ended));
    return mark.step() == SQLITE_DONE || fail(mark.code());
}

namespace {

const char *const RecordColumns = "asked_ms, asked, asked_by, slot, day, local_path, remote_path, server, started_ms,"
                                  " started, ended_ms, ended, bytes, outcome, reason, due_ms, due, failure_kind, failure_detail";

void bindRecord(Statement &put, const UploadRecord &record)
{
    put.bindTime(1, 2, record.askedAt);
    put.bind(3, triggerName(record.trigger));
    if (record.slot >= 0)
        put.bind(4, qint64(record.slot));
    else
        put.bindNull(4);
    if (record.day.isValid())
        put.bind(5, record.day.toString(Qt::ISODate));
    else
        put.bindNull(5);
    put.bind(6, record.localPath);
    put.bind(7, record.remotePath);
    put.bind(8, record.server);
    put.bindTime(9, 10, record.startedAt);
    put.bindTime(11, 12, record.endedAt);
    if (record.bytes >= 0)
        put.bind(13, record.bytes);
    else
        put.bindNull(13);
    put.bind(14, outcomeName(record.outcome));
    put.bind(15, record.reason);
    put.bindTime(16, 17, record.due);
    if (record.failureKind != FailureKind::None)
        put.bind(18, failureKindName(record.failureKind));
    else
        put.bindNull(18);
    put.bind(19, record.failureDetail);
}

} // namespace

qint64 Store::insert(const UploadRecord &record)
{
    const QByteArray sql = QByteArray("INSERT INTO uploads (") + RecordColumns
        + ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19)";
    Statement put(m_db, sql.constData());
    if (!put.prepared())
        return fail(put.code());
    bindRecord(put, record);
    if (put.step() != SQLITE_DONE)
        return fail(put.code());
    return sqlite3_last_insert_rowid(m_db);
}

int Store::update(qint64 id, const UploadRecord &record)
{
    const QByteArray sql = QByteArray("UPDATE uploads SET (") + RecordColumns
        + ") = (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19) WHERE id = ?20";
    Statement put(m_db, sql.constData());
    if (!put.prepared())
        return fail(put.code()) ? 0 : -1;
    bindRecord(put, record);
    put.bind(20, id);
    if (put.step() != SQLITE_DONE)
        return fail(put.code()) ? 0 : -1;
    return sqlite3_changes(m_db) > 0 ? 1 : 0;
}

bool Store::putLastExaminedMinute(const QDateTime &minute)
{
    Statement put(m_db, "INSERT OR REPLACE INTO state (name, value_ms, value) VALUES (?1, ?2, ?3)");
    if (!put.prepared())
        return fail(put.code());
    put.bind(1, QString::fromLatin1(LastExaminedMinuteKey));
    put.bind(2, minute.toMSecsSinceEpoch());
    put.bind(3, humanTime(minute));
    return put.step() == SQLITE_DONE || fail(put.code());
}

bool Store::prune(const QDateTime &now)
{
    if (!now.isValid())
        return true;
    Statement prune(m_db, "DELETE FROM uploads WHERE asked_ms < ?1");
    if (!prune.prepared())
        return fail(prune.code());
    prune.bind(1, now.addDays(-Journal::KeepDays).toMSecsSinceEpoch());
    return prune.step() == SQLITE_DONE || fail(prune.code());
}

std::optional<QList<UploadRecord>> Store::rowsSince(const QDateTime &since, QList<UploadRecord> *partial)
{
    Statement rows(m_db, "SELECT id, asked_ms, asked_by, slot, day, local_path, remote_path, server, started_ms,"
                         " ended_ms, bytes, outcome, reason, due_ms, failure_kind, failure_detail FROM uploads WHERE asked_ms >= ?1 ORDER BY id DESC");
    if (!rows.prepared()) {
        fail(rows.code());
        return std::nullopt;
    }
    rows.bind(1, since.isValid() ? since.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min());
    QList<UploadRecord> found;
    int code;
    while ((code = rows.step()) == SQLITE_ROW) {
        const std::optional<Trigger> trigger = triggerFromName(rows.text(2));
        const std::optional<Outcome> outcome = outcomeFromName(rows.text(11));
        // A row this program cannot name is left out rather than shown as something it is not.
        if (!trigger || !outcome)
            continue;
        UploadRecord record;
        record.id = rows.integer(0);
        record.askedAt = rows.time(1);
        record.trigger = *trigger;
        record.slot = rows.isNull(3) ? -1 : int(rows.integer(3));
        record.day = rows.isNull(4) ? QDate() : QDate::fromString(rows.text(4), Qt::ISODate);
        record.localPath = rows.text(5);
        record.remotePath = rows.text(6);
        record.server = rows.text(7);
        record.startedAt = rows.time(8);
        record.endedAt = rows.time(9);
        record.bytes = rows.isNull(10) ? -1 : rows.integer(10);
        record.outcome = *outcome;
        record.reason = rows.text(12);
        record.due = rows.time(13);
        // A name a newer program wrote is still a failure, of a kind this one cannot name; rows
        // from before kinds were kept have none.
        if (!rows.isNull(14))
            record.failureKind = failureKindFromName(rows.text(14)).value_or(FailureKind::Other);
        record.failureDetail = rows.text(15);
        found << record;
    }
    if (code != SQLITE_DONE) {
        fail(code);
        if (partial)
            *partial = found;
        return std::nullopt;
    }
    return found;
}

std::optional<std::optional<QDateTime>> Store::lastExaminedMinute()
{
    Statement read(m_db, "SELECT value_ms FROM state WHERE name = ?1");
    if (!read.prepared()) {
        fail(read.code());
        return std::nullopt;
    }
    read.bind(1, QString::fromLatin1(LastExaminedMinuteKey));
    const int code = read.step();
    if (code == SQLITE_DONE)
        return std::optional<QDateTime>();
    if (code != SQLITE_ROW) {
        fail(code);
        return std::nullopt;
    }
    return std::optional<QDateTime>(read.time(0));
}

} // namespace JournalDetail

} // namespace korva5
