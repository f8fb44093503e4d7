// SPDX-License-Identifier: MIT
#pragma once

#include "ProgramDir.h"

#include <QFileDevice>
#include <QProcess>
#include <QTemporaryDir>

#include <optional>

#ifdef Q_OS_UNIX
#include <sys/types.h>

namespace korva5 {

namespace TestSupport {

// A user other than root, for what a start looks like to someone without root's rights.
struct OtherUser
{
    uid_t uid;
    gid_t gid;
};

// A user for whom a file of root's with mode 0600 is unreadable: the test's own user when that
// is not root, otherwise a system user made for the tests.
std::optional<OtherUser> userWithoutRootsRights();

// Makes process start as user (when the test runs as root), with a home and a runtime folder
// (Qt's; the program's lock does not go by it) in runtimeDir.
void runAs(QProcess &process, const OtherUser &user, const QString &runtimeDir);

// A user id nobody has, this test process's alone: no entry in the password database (so no
// home for a lock either), and per-user folders that are the test's to make and to remove.
struct UnusedUser
{
    OtherUser user;
    QString runtimeFolder; // the login manager's place for the user's lock
    QString tempFolder;    // the place in /tmp
    QTemporaryDir home;    // the user's own, for HOME and XDG_RUNTIME_DIR

    UnusedUser();
    ~UnusedUser();
    UnusedUser(const UnusedUser &) = delete;
    UnusedUser &operator=(const UnusedUser &) = delete;

    // The program folder, the user's now, as an installation of the user's own is.
    bool take(const ProgramDir &dir) const;
    void runs(QProcess &process) const { runAs(process, user, home.path()); }

private:
    void removeFolders();
};

// Makes folder as owner (user and group of the same number) with mode.
bool makeFolder(const QString &folder, uid_t owner, QFileDevice::Permissions mode);

inline constexpr QFileDevice::Permissions OwnerOnly{QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner};
inline constexpr uid_t Nobody = 65534;

} // namespace TestSupport
#endif

} // namespace korva5
