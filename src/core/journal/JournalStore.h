// SPDX-License-Identifier: MIT
#pragma once

#include "core/journal/Journal.h"

struct sqlite3;

namespace JournalDetail {

// One connection to a journal file. Not thread-safe: the journal's worker owns the writing one,
// a command-line look owns a read-only one.
class Store
{
public:
    // The schema this program writes; a file with a higher one comes from a newer program.
    static constexpr int SchemaVersion = 1;

    enum class Mode { Write, ReadOnly };
    enum class OpenResult { Opened, Failed, Newer, NotJournal };

    Store() = default;
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    // Write: makes the file (owner-only) where there is none, turns on WAL, checks the file,
    // brings the schema up to date and drops rows older than KeepDays before now. ReadOnly: opens
    // an existing journal without changing anything.
    OpenResult open(const QString &path, Mode mode, const QDateTime &now);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    qint64 maxId();
    bool put(const UploadRecord &record);
    bool putLastExaminedMinute(const QDateTime &minute);
    bool prune(const QDateTime &now);
    std::optional<QList<UploadRecord>> rowsSince(const QDateTime &since);
    // The outer optional: whether the read worked.
    std::optional<std::optional<QDateTime>> lastExaminedMinute();

    // Of the last failure.
    QString error() const { return m_error; }

    // A statement without results ("BEGIN", "COMMIT"); false (and error()) when it failed.
    bool exec(const char *sql);

private:
    bool fail(int code);
    bool prepareSchema(const QDateTime &now);

    sqlite3 *m_db = nullptr;
    QString m_error;
};

} // namespace JournalDetail
