// SPDX-License-Identifier: MIT
#include "gui/shell/SingleInstance.h"

#include "core/platform/GuardFile.h"
#include "core/platform/Posix.h"
#include "core/state/ProgramFolder.h"
#include "gui/shell/Logging.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace korva5 {

SingleInstance::SingleInstance() = default;
SingleInstance::~SingleInstance()
{
    // Before the user's own lock goes: a copy that finds that one free finds the guard free too.
    GuardFile::release(m_guard);
}

QList<SingleInstance::Place> SingleInstance::places()
{
#ifdef Q_OS_UNIX
    // Not XDG_RUNTIME_DIR, TMPDIR or HOME: a copy started from another shell, a service or cron
    // may have other values or none, and would then run beside the first.
    const QString uid = Posix::realUserId();
    QList<Place> places{
        // What the login manager makes for the user's sessions, readable by the user alone.
        {QStringLiteral("/run/user/") + uid, false},
        // Without a session; the user id in the name, so that users do not lock each other out.
        {QStringLiteral("/tmp/korva5-upload-") + uid, true},
    };
    // When another user took the name above first.
    const QString home = Posix::homeFromPasswordDatabase();
    if (!home.isEmpty())
        places.append({home + QStringLiteral("/.korva5-upload"), true});
    return places;
#else
    return {{QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), true}};
#endif
}

bool SingleInstance::ensurePrivateFolder(const QString &folder, QString *why)
{
    const QFileInfo there(folder);
    // Another copy starting at the same moment may make it first: what is there is judged below.
    if (!there.exists() && !there.isSymLink())
        QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!QFileInfo::exists(folder) && !QFileInfo(folder).isSymLink()) {
        *why = QStringLiteral("it cannot be made");
        return false;
    }
    if (!Posix::isPrivateFolder(folder)) {
        *why = QStringLiteral("it is not a folder of this user's alone");
        return false;
    }
    return true;
}

QString SingleInstance::lockFolder(const QList<Place> &places, QList<PassedOver> *passedOver)
{
    for (const Place &place : places) {
        if (place.folder.isEmpty())
            continue;
        const QFileInfo there(place.folder);
        if (!place.made && !there.exists() && !there.isSymLink())
            continue; // no session made one: nothing to report
        QString why;
        if (ensurePrivateFolder(place.folder, &why))
            return place.folder;
        if (passedOver)
            passedOver->append({place.folder, why});
    }
    return {};
}

QString SingleInstance::lockFolder()
{
    return lockFolder(places());
}

QString SingleInstance::lockFilePath(const QString &programDir)
{
    return lockFilePath(programDir, lockFolder());
}

QString SingleInstance::lockFilePath(const QString &programDir, const QString &folder)
{
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("/korva5-upload-") + ProgramFolder::key(programDir) + QStringLiteral(".lock");
}

SingleInstance::Result SingleInstance::acquire(const QString &programDir)
{
    return acquire(programDir, places());
}

SingleInstance::Result SingleInstance::acquire(const QString &programDir, const QList<Place> &places)
{
    if (m_lock)
        return Result::Locked;
    const QString notRunning = QStringLiteral("not running, so that no second copy can upload beside another");
    QList<PassedOver> passedOver;
    const QString folder = lockFolder(places, &passedOver);
    if (folder.isEmpty()) {
        QStringList reasons;
        for (const PassedOver &place : passedOver)
            reasons << QDir::toNativeSeparators(place.folder) + QStringLiteral(": ") + place.why;
        const QString why = reasons.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reasons.join(QStringLiteral("; ")));
        qCCritical(lcShell).noquote()
            << QStringLiteral("cannot take the single-instance lock: no folder of this user's alone can hold it%1; %2").arg(why, notRunning);
        return Result::Unavailable;
    }
    for (const PassedOver &place : passedOver) {
        qCWarning(lcShell).noquote() << "the single-instance lock is not kept in" << QDir::toNativeSeparators(place.folder) + u':'
                                     << place.why;
    }

    m_folder = folder;
    const QString path = lockFilePath(programDir, folder);
    auto lock = std::make_unique<QLockFile>(path);
    // The lock is held for the whole run, so age says nothing: only a holder that no longer
    // runs makes a lock stale.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return takeGuard(programDir, notRunning, std::move(lock));
    if (lock->error() == QLockFile::LockFailedError) {
        m_heldByThisUser = true;
        return Result::HeldByAnotherCopy;
    }
    // Not the next place instead: a copy that took the lock here before the folder became
    // read-only is found only here, and one started once it can be written again looks only here.
    const QString why = lock->error() == QLockFile::PermissionError ? QStringLiteral("the folder cannot be written to")
                                                                    : QStringLiteral("it cannot be written (the disk may be full)");
    qCCritical(lcShell).noquote()
        << QStringLiteral("cannot take the single-instance lock %1: %2; %3").arg(QDir::toNativeSeparators(path), why, notRunning);
    return Result::Unavailable;
}

QString SingleInstance::guardFilePath(const QString &programDir)
{
    return QDir(programDir).filePath(QLatin1StringView(GuardFileName));
}

// The user's own lock says nothing of another user running the same folder, or of this user
// reaching it under another name (a bind mount): the folder's guard file is one for all of them.
SingleInstance::Result SingleInstance::takeGuard(const QString &programDir, const QString &notRunning,
                                                 std::unique_ptr<QLockFile> lock)
{
    const QString path = guardFilePath(programDir);
    const GuardFile::Result guard = GuardFile::take(path);
    switch (guard.outcome) {
    case GuardFile::Outcome::Taken:
        m_guard = guard.descriptor;
        m_lock = std::move(lock);
        return Result::Locked;
    case GuardFile::Outcome::Held:
        qCWarning(lcShell).noquote() << "another copy runs from" << QDir::toNativeSeparators(programDir)
                                     << (guard.holder.isEmpty() ? QStringLiteral("(another user's, or under another name of the folder)")
                                                                : u'(' + guard.holder + u')');
        return Result::HeldByAnotherCopy;
    case GuardFile::Outcome::NoAccess:
        qCCritical(lcShell).noquote() << QStringLiteral("cannot take the single-instance guard %1: %2; the program runs only for a user "
                                                        "who may write in %3; %4")
                                             .arg(QDir::toNativeSeparators(path), guard.why, QDir::toNativeSeparators(programDir), notRunning);
        return Result::Unavailable;
    case GuardFile::Outcome::Failed:
        break;
    }
    qCCritical(lcShell).noquote() << QStringLiteral("cannot take the single-instance guard %1: %2; %3")
                                         .arg(QDir::toNativeSeparators(path), guard.why, notRunning);
    return Result::Unavailable;
}

} // namespace korva5
