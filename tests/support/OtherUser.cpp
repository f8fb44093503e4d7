// SPDX-License-Identifier: MIT
#include "OtherUser.h"

#ifdef Q_OS_UNIX
#include <QDir>
#include <QFile>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace korva5 {

namespace TestSupport {

std::optional<OtherUser> userWithoutRootsRights()
{
    if (::geteuid() != 0)
        return OtherUser{::geteuid(), ::getegid()};
    const char name[] = "korva5-test";
    if (!::getpwnam(name))
        QProcess::execute(QStringLiteral("useradd"), {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                                                      QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"),
                                                      QString::fromLatin1(name)});
    if (const passwd *user = ::getpwnam(name))
        return OtherUser{user->pw_uid, user->pw_gid};
    return std::nullopt;
}

void runAs(QProcess &process, const OtherUser &user, const QString &runtimeDir)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    environment.insert(QStringLiteral("HOME"), runtimeDir);
    process.setProcessEnvironment(environment);
    if (::geteuid() != 0)
        return;
    process.setChildProcessModifier([user] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(user.gid) != 0 || ::setuid(user.uid) != 0)
            ::_exit(127);
    });
}

UnusedUser::UnusedUser()
{
    uid_t uid = 3000000000u + uid_t(::getpid());
    while (::getpwuid(uid))
        ++uid;
    user = {uid, gid_t(uid)};
    runtimeFolder = QStringLiteral("/run/user/%1").arg(uid);
    tempFolder = QStringLiteral("/tmp/korva5-upload-%1").arg(uid);
    [[maybe_unused]] const int owned = ::chown(QFile::encodeName(home.path()).constData(), uid, uid);
    removeFolders();
}

UnusedUser::~UnusedUser()
{
    removeFolders();
}

void UnusedUser::removeFolders()
{
    for (const QString &folder : {runtimeFolder, tempFolder}) {
        QFile::setPermissions(folder, OwnerOnly);
        QDir(folder).removeRecursively();
    }
}

bool UnusedUser::take(const ProgramDir &dir) const
{
    return QProcess::execute(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("%1:%1").arg(user.uid), dir.path()}) == 0;
}

bool makeFolder(const QString &folder, uid_t owner, QFileDevice::Permissions mode)
{
    return QDir().mkdir(folder) && QFile::setPermissions(folder, mode)
        && ::chown(QFile::encodeName(folder).constData(), owner, owner) == 0;
}

} // namespace TestSupport
#endif

} // namespace korva5
