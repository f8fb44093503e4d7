// SPDX-License-Identifier: MIT
#pragma once

#include "core/journal/Journal.h"

struct sqlite3;

namespace korva5 {

namespace JournalDetail {

// One connection to a journal file. Not thread-safe: the journal's worker owns the writing one,
// a command-line look owns a read-only one.
class Store
{
public:
    // The schema this program writes; a file with a higher one comes from a newer program.
    static constexpr int SchemaVersion = 3;

    // ReadOnly is for a private copy of a journal (see Journal::readRows): nothing in it is
    // changed, but SQLite may bring its -wal into it.
    enum class Mode { Write, ReadOnly };
    enum class OpenResult { Opened, Failed, Busy, Newer, NotJournal };

    Store() = default;
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    // Write: makes the file (owner-only) where there is none, turns on WAL, checks the file,
    // brings the schema up to date, marks the uploads an earlier run left unended as cut off
    // and drops rows older than KeepDays before now. ReadOnly: opens an existing journal
    // without changing anything.
    OpenResult open(const QString &path, Mode mode, const QDateTime &now);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    // Whether the last open made the journal: a new file, or one that was there but empty.
    bool created() const { return m_created; }
    // Whether the last open found a file there with no journal in it (cut to nothing, say).
    bool foundEmpty() const { return m_foundEmpty; }

    // A new row; its id comes from SQLite (0 when it failed), so that two writers of one file
    // never take each other's rows.
    qint64 insert(const UploadRecord &record);
    // The row id holds record now. 1: done, 0: there is no such row, -1: failed.
    int update(qint64 id, const UploadRecord &record);
    bool putLastExaminedMinute(const QDateTime &minute);
    bool prune(const QDateTime &now);
    // Newest first, in the journal's own sequence (not by the clock, which may have been set back). A read that
    // fails part-way still leaves what it read in partial, when given: what can be saved of a
    // damaged file.
    std::optional<QList<UploadRecord>> rowsSince(const QDateTime &since, QList<UploadRecord> *partial = nullptr);
    // The outer optional: whether the read worked.
    std::optional<std::optional<QDateTime>> lastExaminedMinute();

    // Of the last failure.
    QString error() const { return m_error; }
    // Whether the last failure passes by itself: another connection holding the file, or a full
    // disk. What was to be written waits for it; the file is not damaged.
    bool busy() const;

    // A statement without results ("BEGIN", "COMMIT"); false (and error()) when it failed.
    bool exec(const char *sql);
    // Undoes the open transaction, keeping the failure that made it necessary as error().
    void rollback();

private:
    bool fail(int code);

    bool markCutOff();

    sqlite3 *m_db = nullptr;
    QString m_error;
    int m_code = 0;
    bool m_created = false;
    bool m_foundEmpty = false;
};

} // namespace JournalDetail

} // namespace korva5
