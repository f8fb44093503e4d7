// SPDX-License-Identifier: MIT
#include "core/journal/Journal.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

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

// The journal file of dir, when the folder takes files and the file, if there is one, can be written.
QString usableFileIn(const QString &dir, QString *why)
{
    if (!acceptsFiles(dir, why))
        return {};
    const QString file = QDir(dir).filePath(Journal::FileName);
    const QFileInfo info(file);
    if (info.exists() && (!info.isFile() || !info.isWritable())) {
        *why = QStringLiteral("holds a journal that cannot be written");
        return {};
    }
    return QDir::cleanPath(file);
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

QString Journal::locate(const QString &programDir, QString *why)
{
    QString programWhy = QStringLiteral("is not known");
    if (!programDir.isEmpty()) {
        const QString file = usableFileIn(programDir, &programWhy);
        if (!file.isEmpty())
            return file;
    }

    const QString state = stateDir();
    QString stateWhy;
    QString file;
    if (state.isEmpty()) {
        stateWhy = QStringLiteral("is not known");
    } else {
        if (!QFileInfo::exists(state) && QDir().mkpath(state))
            QFile::setPermissions(state, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        file = usableFileIn(state, &stateWhy);
    }
    if (file.isEmpty() && why)
        *why = QStringLiteral("the program folder %1 %2, and the state folder %3 %4")
                   .arg(QDir::toNativeSeparators(programDir), programWhy, QDir::toNativeSeparators(state), stateWhy);
    return file;
}
