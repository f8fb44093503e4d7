// SPDX-License-Identifier: MIT
#include "core/journal/Journal.h"

#include "core/state/ProgramFolder.h"
#include "core/state/StationFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace korva5 {

namespace {

// Whether a new file can be made in dir: only trying tells, as permission bits say nothing on a
// read-only mount, under /proc, or for an administrator. The journal needs this even when its
// file exists, for the -wal and -shm files beside it.
bool acceptsFiles(const QString &dir, QString *why)
{
    const QFileInfo info(dir);
    if (!info.exists()) {
        *why = QStringLiteral("does not exist");
        return false;
    }
    if (!info.isDir()) {
        *why = QStringLiteral("is not a folder");
        return false;
    }
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".korva5-journal-probe-XXXXXX")));
    if (!probe.open()) {
        *why = QStringLiteral("cannot be written (") + probe.errorString() + u')';
        return false;
    }
    return true;
}

// The journal file of dir under name, when the folder takes files and the file, if there is
// one, can be read and written. note tells of a file that is there but cannot.
QString usableFile(const QString &dir, const QString &name, QString *why, QString *note)
{
    if (!acceptsFiles(dir, why))
        return {};
    const QString file = QDir::cleanPath(QDir(dir).filePath(name));
    const QFileInfo info(file);
    if (info.exists() && (!info.isFile() || !info.isWritable() || !info.isReadable())) {
        *why = QStringLiteral("holds a journal that cannot be read or written");
        if (note->isEmpty())
            *note = QStringLiteral("Journal %1 cannot be read or written;").arg(QDir::toNativeSeparators(file));
        return {};
    }
    return file;
}

} // namespace

QString Journal::stateDir()
{
#ifdef Q_OS_WIN
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#else
    // The XDG base directory rules: a relative XDG_STATE_HOME is to be ignored.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/korva5-upload"));
#endif
}

QString Journal::stateFileName(const QString &programDir)
{
    return QStringLiteral("korva5-journal-") + ProgramFolder::key(programDir) + QStringLiteral(".sqlite");
}

Journal::Fallback Journal::fallbackFor(const QString &programDir)
{
    return StationFolder::isInstalled(programDir) ? Fallback::None : Fallback::StateFolder;
}

Journal::Location Journal::locate(const QString &programDir, Fallback fallback)
{
    Location found;
    QString programWhy = QStringLiteral("is not known");
    const bool toState = fallback == Fallback::StateFolder;
    const QString state = toState ? stateDir() : QString();
    const QString stateName = stateFileName(programDir);
    const QString native = QDir::toNativeSeparators(programDir);
    // Said on every start where the journal is not beside the settings, as readers run by other
    // users do not find it there.
    const auto moved = [&](const QString &file) {
        if (programWhy == u"is not known")
            acceptsFiles(programDir, &programWhy);
        const QString where = QDir::toNativeSeparators(file);
        return programWhy == u"is not known"
            ? QStringLiteral("This program folder's journal is %1, in the state folder of this user, where it was made "
                             "when the program folder %2 could not be written.").arg(where, native)
            : QStringLiteral("This program folder's journal is %1, in the state folder of this user: the program "
                             "folder %2 %3.").arg(where, native, programWhy);
    };
    // A journal that is there goes on being used; a new one goes where the settings are.
    if (!programDir.isEmpty() && QFileInfo::exists(QDir(programDir).filePath(FileName))) {
        found.file = usableFile(programDir, FileName, &programWhy, &found.unusable);
        if (!found.file.isEmpty())
            return found;
    }
    QString stateWhy = QStringLiteral("is not known");
    if (!state.isEmpty() && QFileInfo::exists(QDir(state).filePath(stateName))) {
        found.file = usableFile(state, stateName, &stateWhy, &found.unusable);
        if (!found.file.isEmpty()) {
            if (!found.unusable.isEmpty())
                found.unusable += QStringLiteral(" this program folder's journal is %1.").arg(QDir::toNativeSeparators(found.file));
            else
                found.moved = moved(found.file);
            return found;
        }
    }
    QString &file = found.file;
    if (!programDir.isEmpty() && !QFileInfo::exists(QDir(programDir).filePath(FileName)))
        file = usableFile(programDir, FileName, &programWhy, &found.unusable);
    if (file.isEmpty() && !state.isEmpty() && !QFileInfo::exists(QDir(state).filePath(stateName))) {
        if (!QFileInfo::exists(state) && QDir().mkpath(state))
            QFile::setPermissions(state, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        file = usableFile(state, stateName, &stateWhy, &found.unusable);
        if (!file.isEmpty() && found.unusable.isEmpty())
            found.moved = moved(file);
    }
    if (!found.unusable.isEmpty())
        found.unusable += file.isEmpty() ? QStringLiteral(" no other place takes one.")
                                         : QStringLiteral(" this program folder's journal is %1.").arg(QDir::toNativeSeparators(file));
    if (file.isEmpty() && toState)
        found.why = QStringLiteral("the program folder %1 %2, and the state folder %3 %4")
                        .arg(native, programWhy, QDir::toNativeSeparators(state.isEmpty() ? stateDir() : state),
                             state.isEmpty() ? QStringLiteral("is not known") : stateWhy);
    else if (file.isEmpty())
        found.why = QStringLiteral("the station folder %1 %2").arg(native, programWhy);
    return found;
}

QFileDevice::Permissions Journal::filePermissions(const QString &path)
{
    const QFileInfo journal(path);
    const QFileInfo settings(journal.dir().filePath(QStringLiteral("TALLYPORT.ini")));
    const QFileDevice::Permissions owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QFileDevice::Permissions group = QFileDevice::ReadGroup | QFileDevice::WriteGroup;
    if (settings.isFile() && (settings.permissions() & group) == group && settings.groupId() == journal.groupId())
        return owner | group;
    return owner;
}

QString Journal::earlierJournal(const QString &programDir, const QString &path)
{
    const QFileInfo target(path);
    const QString programFile = QDir(programDir).filePath(FileName);
    const QString stateFile = QDir(stateDir()).filePath(stateFileName(programDir));
    for (const QString &other : {programFile, stateFile}) {
        if (QFileInfo(other) != target && QFileInfo::exists(other))
            return QStringLiteral("journal %1 of this program folder is not the one in use").arg(QDir::toNativeSeparators(other));
    }
    // An older version kept the state folder's journal under the plain name, for any folder.
    const QString legacy = QDir(stateDir()).filePath(FileName);
    if (target.absolutePath() == QFileInfo(legacy).absolutePath() && QFileInfo::exists(legacy))
        return QStringLiteral("an earlier version's journal %1 may hold this program folder's uploads").arg(QDir::toNativeSeparators(legacy));
    const QString mark = runMark(programDir, path);
    if (QFileInfo::exists(mark))
        return QStringLiteral("this program folder ran before (%1), and its journal is gone").arg(QDir::toNativeSeparators(mark));
    const QStringList aside = target.dir().entryList({target.fileName() + QStringLiteral(".*.broken"),
                                                      target.fileName() + QStringLiteral(".*.replaced")},
                                                     QDir::Files, QDir::Time);
    if (!aside.isEmpty())
        return QStringLiteral("an earlier journal was set aside as %1").arg(aside.first());
    return {};
}

QString Journal::runMark(const QString &programDir, const QString &path)
{
    return QFileInfo(path).dir().filePath(QStringLiteral(".korva5-ran-") + ProgramFolder::key(programDir));
}

} // namespace korva5
