// SPDX-License-Identifier: MIT
#include "gui/shell/SingleInstance.h"

#include "core/state/ProgramFolder.h"
#include "gui/shell/Logging.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

SingleInstance::SingleInstance() = default;
SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockFilePath(const QString &programDir)
{
    // The user's runtime folder where the session has one; otherwise the temporary folder, with
    // the user's name in the lock's name so that users do not lock each other out.
    QString folder;
    QString user;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    const bool sessionHasRuntimeFolder = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
#else
    const bool sessionHasRuntimeFolder = true;
#endif
    if (sessionHasRuntimeFolder)
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
        user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME")) + u'-';
    }
    return folder + u"/korva5-upload-" + user + ProgramFolder::key(programDir) + u".lock";
}

bool SingleInstance::acquire(const QString &programDir)
{
    if (m_lock)
        return true;
    auto lock = std::make_unique<QLockFile>(lockFilePath(programDir));
    // The lock is held for the whole run, so age says nothing: only a holder that no longer
    // runs makes a lock stale.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return true;
    }
    if (lock->error() == QLockFile::LockFailedError)
        return false;
    // The lock cannot be made at all (no writable runtime folder): running unguarded is better
    // than not uploading.
    qCWarning(lcShell) << "cannot create the single-instance lock" << lockFilePath(programDir);
    return true;
}
