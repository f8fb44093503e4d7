// SPDX-License-Identifier: MIT
#include "JournalFile.h"

#include <QFile>

#include <sqlite3.h>

namespace korva5 {

namespace TestSupport {

QStringList query(const QString &path, const char *sql)
{
    QStringList values;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
        sqlite3_exec(db, sql, [](void *out, int, char **row, char **) {
            static_cast<QStringList *>(out)->append(QString::fromUtf8(row[0] ? row[0] : "NULL"));
            return 0;
        }, &values, nullptr);
    sqlite3_close(db);
    return values;
}

bool execute(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    bool done = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK
                && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    return sqlite3_close(db) == SQLITE_OK && done;
}

} // namespace TestSupport

} // namespace korva5
