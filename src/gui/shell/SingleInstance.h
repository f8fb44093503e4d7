// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <memory>

class QLockFile;

namespace korva5 {

// Keeps a second copy of the program from running from the same program folder. The user's own
// lock is a file named after the program folder in a folder of the user's alone (it is also where
// a second start asks the running copy to show itself); a lock left behind by a copy that crashed
// or was killed is recognised as stale and taken over. Beside it the copy holds the program
// folder's guard file (GuardFile), whichever user it runs as. Where either cannot be taken the
// program does not run: two copies would send the same file at the same time.
class SingleInstance
{
public:
    enum class Result {
        Locked,            // this process holds the lock now
        HeldByAnotherCopy, // another copy runs from the same program folder
        Unavailable,       // no lock can be taken (said on standard error)
    };

    // A folder the lock may be kept in, and whether it is made when it is not there (the
    // system's runtime folder is the system's to make).
    struct Place
    {
        QString folder;
        bool made = true;
    };

    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // Takes the lock for programDir in the first of places that is this user's alone (this
    // user's places() when not given). A place passed over is named on standard error.
    Result acquire(const QString &programDir);
    Result acquire(const QString &programDir, const QList<Place> &places);

    // The folder the lock was taken in, or found held in; empty before acquire().
    QString folder() const { return m_folder; }
    // After HeldByAnotherCopy: whether it was this user's own lock that was held (not the
    // folder's guard, which another user's copy, or one started under another name of the
    // folder, holds): only such a copy watches for this user's requests to show its window.
    bool heldByThisUser() const { return m_heldByThisUser; }

    // Where this user's locks may be kept, best first. They follow from the real user id and
    // the password database alone, so that every copy of the user's, whatever the environment
    // it was started with, looks in the same places in the same order.
    static QList<Place> places();

    // The first of places that is there (or made now) and this user's alone; empty when none
    // is. Each place passed over goes to passedOver with the reason.
    struct PassedOver
    {
        QString folder;
        QString why;
    };
    static QString lockFolder(const QList<Place> &places, QList<PassedOver> *passedOver = nullptr);
    // The lock folder of this user's places().
    static QString lockFolder();

    // The lock file for programDir in folder; in this user's lock folder when not given, and
    // empty when the user has none.
    static QString lockFilePath(const QString &programDir);
    static QString lockFilePath(const QString &programDir, const QString &folder);

    // Whether folder is there, made now for this user alone if it was not, and is this user's
    // alone; why not otherwise. Another user may have made it first in a shared folder, to take
    // the lock's place or to read what is left there.
    static bool ensurePrivateFolder(const QString &folder, QString *why);

    // The program folder's guard file: korva5-upload.lock in it.
    static constexpr char GuardFileName[] = "korva5-upload.lock";
    static QString guardFilePath(const QString &programDir);

private:
    Result takeGuard(const QString &programDir, const QString &notRunning, std::unique_ptr<QLockFile> lock);

    std::unique_ptr<QLockFile> m_lock;
    int m_guard = -1; // the program folder's guard file, held by whichever user runs the program
    QString m_folder;
    bool m_heldByThisUser = false;
};

} // namespace korva5
