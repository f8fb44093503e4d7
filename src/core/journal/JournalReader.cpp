// SPDX-License-Identifier: MIT
#include "core/journal/Journal.h"
#include "core/journal/JournalStore.h"
#include "core/journal/JournalWorker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// What tells whether a file changed while it was copied.
QString versionOf(const QString &file)
{
    const QFileInfo info(file);
    return info.exists() ? QString::number(info.size()) + u'@' + QString::number(info.lastModified().toMSecsSinceEpoch())
                         : QString();
}

} // namespace

namespace JournalDetail {

std::optional<QList<UploadRecord>> readCopy(const QString &path, const QDateTime &since, QString *why,
                                            QList<UploadRecord> *partial, std::optional<QDateTime> *lastExamined)
{
    QString error;
    // A running program may write (and checkpoint) while the copy is made; a copy of a file that
    // changed meanwhile is made again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QTemporaryDir copyDir;
        if (!copyDir.isValid()) {
            error = QStringLiteral("no temporary folder for a copy (%1)").arg(copyDir.errorString());
            break;
        }
        const QString copy = copyDir.filePath(QStringLiteral("journal.sqlite"));
        const QString wal = path + QStringLiteral("-wal");
        const QString before = versionOf(path) + u'/' + versionOf(wal);
        QFile source(path);
        if (!source.copy(copy)) {
            error = source.errorString();
            break;
        }
        if (QFileInfo::exists(wal) && !QFile::copy(wal, copy + QStringLiteral("-wal"))) {
            error = QStringLiteral("its -wal file cannot be read");
            break;
        }
        if (before != versionOf(path) + u'/' + versionOf(wal) && attempt < 2)
            continue;
        if (QFileInfo(copy).size() == 0) {
            error = QStringLiteral("the file is empty");
            break;
        }
        Store store;
        std::optional<QList<UploadRecord>> rows;
        if (store.open(copy, Store::Mode::ReadOnly, QDateTime()) == Store::OpenResult::Opened)
            rows = store.rowsSince(since, partial);
        if (rows && lastExamined) {
            const std::optional<std::optional<QDateTime>> minute = store.lastExaminedMinute();
            if (!minute)
                rows.reset();
            else
                *lastExamined = *minute;
        }
        if (rows)
            return rows;
        error = store.error();
        break;
    }
    if (why)
        *why = QStringLiteral("journal %1: %2").arg(QDir::toNativeSeparators(path), error);
    return std::nullopt;
}

} // namespace JournalDetail

std::optional<QList<UploadRecord>> Journal::readRows(const QString &programDir, const QDateTime &since, QString *why,
                                                     bool *missing, std::optional<QDateTime> *lastExamined)
{
    if (missing)
        *missing = false;
    // This program folder's journal, where the program would have put it; of two, the one
    // written last. Until a checkpoint the last writes are in the -wal file alone.
    const auto lastWritten = [](const QString &file) {
        return std::max(QFileInfo(file).lastModified(), QFileInfo(file + QStringLiteral("-wal")).lastModified());
    };
    QString path;
    const QString candidates[] = {programDir.isEmpty() ? QString() : QDir(programDir).filePath(FileName),
                                  QDir(stateDir()).filePath(stateFileName(programDir))};
    for (const QString &candidate : candidates) {
        if (!candidate.isEmpty() && QFileInfo(candidate).isFile()
            && (path.isEmpty() || lastWritten(candidate) > lastWritten(path)))
            path = candidate;
    }
    if (path.isEmpty()) {
        // Something of the journal's name that is not a file is no journal that can be read,
        // not the sign of a folder that never uploaded.
        for (const QString &candidate : candidates) {
            if (!candidate.isEmpty() && QFileInfo::exists(candidate)) {
                if (why)
                    *why = QStringLiteral("journal %1: not a file").arg(QDir::toNativeSeparators(candidate));
                return std::nullopt;
            }
        }
        if (missing)
            *missing = true;
        if (why)
            *why = QStringLiteral("no journal in %1 or %2").arg(QDir::toNativeSeparators(programDir), QDir::toNativeSeparators(stateDir()));
        return std::nullopt;
    }
    return JournalDetail::readCopy(path, since, why, nullptr, lastExamined);
}
