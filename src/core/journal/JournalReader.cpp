// SPDX-License-Identifier: MIT
#include "core/journal/Journal.h"
#include "core/journal/JournalStore.h"
#include "core/journal/JournalWorker.h"
#include "core/platform/Posix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace korva5 {

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
        // Opened first, for the system's own reason (QFile::copy says only that it could not).
        QFile source(path);
        if (!source.open(QIODevice::ReadOnly) || !source.copy(copy)) {
            error = source.errorString();
            break;
        }
        QFile walFile(wal);
        if (walFile.exists() && (!walFile.open(QIODevice::ReadOnly) || !walFile.copy(copy + QStringLiteral("-wal")))) {
            error = QStringLiteral("its -wal file cannot be read (%1)").arg(walFile.errorString());
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

namespace {

// Of the files in places, the one written last; empty when none is a file. Until a checkpoint
// the last writes are in the -wal file alone.
QString lastWritten(const QStringList &places)
{
    const auto writtenAt = [](const QString &file) {
        return std::max(QFileInfo(file).lastModified(), QFileInfo(file + QStringLiteral("-wal")).lastModified());
    };
    QString path;
    for (const QString &place : places) {
        if (QFileInfo(place).isFile() && (path.isEmpty() || writtenAt(place) > writtenAt(path)))
            path = place;
    }
    return path;
}

// Whether this process could see a file at path if there were one: the nearest folder above it
// that is there can be looked into. A home folder of another user's usually cannot.
bool couldSee(const QString &path)
{
    QFileInfo folder(QFileInfo(path).absolutePath());
    while (!folder.exists() && !folder.isRoot())
        folder.setFile(folder.absolutePath());
    return folder.isDir() && folder.isExecutable();
}

} // namespace

std::optional<QList<UploadRecord>> Journal::readRows(const QString &programDir, const QDateTime &since, QString *why,
                                                     bool *missing, std::optional<QDateTime> *lastExamined)
{
    return readRows(programDir, fallbackFor(programDir), since, why, missing, lastExamined);
}

std::optional<QList<UploadRecord>> Journal::readRows(const QString &programDir, Fallback fallback, const QDateTime &since,
                                                     QString *why, bool *missing, std::optional<QDateTime> *lastExamined)
{
    if (missing)
        *missing = false;
    const auto fail = [why](const QString &reason) -> std::optional<QList<UploadRecord>> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    const QString folder = QDir::toNativeSeparators(programDir);
    // This program folder's journal, where the program would have put it; of two, the one
    // written last.
    QStringList places{QDir(programDir).filePath(FileName)};
    if (fallback == Fallback::StateFolder)
        places << QDir(stateDir()).filePath(stateFileName(programDir));
    QString path = lastWritten(places);
    // A folder its users cannot write: the program, run by any of them, keeps its journal in its
    // user's state folder, which is looked for in every person's home (root's too where nobody
    // can write the folder's disk). A journal in $XDG_STATE_HOME elsewhere is found by its user.
    const bool elsewhere = fallback == Fallback::StateFolder && !Posix::mayBeWrittenByUsers(programDir);
    if (path.isEmpty() && elsewhere) {
        QStringList found;
        for (const QString &home : Posix::userHomes(Posix::isOnReadOnlyMount(programDir))) {
            const QString place = home + QStringLiteral("/.local/state/korva5-upload/") + stateFileName(programDir);
            if (!places.contains(place))
                places << place;
            if (QFileInfo(place).isFile() && !found.contains(place))
                found << QDir::toNativeSeparators(place);
        }
        // Each user who ran the program there kept a journal of their own: none of them tells
        // what was sent, and the newest may be anybody's.
        if (found.size() > 1)
            return fail(QStringLiteral("no journal in %1, which the users who run the program cannot write: each of "
                                       "them keeps one of their own (%2)")
                            .arg(folder, found.join(QStringLiteral(", "))));
        path = found.value(0);
    }
    if (!path.isEmpty())
        return JournalDetail::readCopy(path, since, why, nullptr, lastExamined);

    // None found. That means "never uploaded" only where nothing says otherwise: a monitor that
    // cannot see the journal must answer that it cannot tell, not that nothing was sent.
    for (const QString &place : places) {
        // Something of the journal's name that is not a file is no journal that can be read.
        if (QFileInfo::exists(place))
            return fail(QStringLiteral("journal %1: not a file").arg(QDir::toNativeSeparators(place)));
    }
    if (!couldSee(places.first()))
        return fail(QStringLiteral("the folder %1 cannot be looked into by this user").arg(folder));
    for (const QString &place : places) {
        const QString mark = runMark(programDir, place);
        if (QFileInfo::exists(mark))
            return fail(QStringLiteral("no journal %1, though the program ran there (%2)")
                            .arg(QDir::toNativeSeparators(place), QDir::toNativeSeparators(mark)));
    }
    if (fallback == Fallback::None && !Posix::mayBeWrittenByUsers(programDir))
        return fail(QStringLiteral("no journal in %1, which the users who run the program cannot write: they keep none")
                        .arg(folder));
    if (elsewhere) {
        for (const QString &place : places.mid(1)) {
            if (!couldSee(place))
                return fail(QStringLiteral("no journal in %1, which the users who run the program cannot write: it is "
                                           "kept in the state folder of the user who runs it (%2), which this user "
                                           "cannot look into")
                                .arg(folder, QDir::toNativeSeparators(place)));
        }
    }
    if (missing)
        *missing = true;
    return fail(fallback == Fallback::StateFolder
                    ? QStringLiteral("no journal in %1 or %2").arg(folder, QDir::toNativeSeparators(stateDir()))
                    : QStringLiteral("no journal in %1").arg(folder));
}

} // namespace korva5
