// SPDX-License-Identifier: MIT
#include "core/platform/Posix.h"

#ifdef Q_OS_UNIX
#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#else
#include <QFileInfo>
#endif

namespace korva5 {

namespace Posix {

#ifdef Q_OS_UNIX

namespace {

int signalWriteEnd = -1;

void onTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // Non-blocking: a full socket already holds a byte that will end the program.
    [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
    errno = savedErrno;
}

} // namespace

bool copyOwnerAndGroup(const QString &path, int fd)
{
    struct stat original;
    struct stat replacement;
    if (::stat(QFile::encodeName(path).constData(), &original) != 0 || ::fstat(fd, &replacement) != 0)
        return false;
    if (original.st_uid == replacement.st_uid && original.st_gid == replacement.st_gid)
        return true;
    return ::fchown(fd, original.st_uid, original.st_gid) == 0;
}

void ignoreBrokenPipe()
{
    struct sigaction action = {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGPIPE, &action, nullptr);
}

int redirectTerminationSignals()
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return -1;
    ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) | O_NONBLOCK);
    signalWriteEnd = ends[1];

    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    return ends[0];
}

void drainSignalBytes(int fd)
{
    char bytes[16];
    while (::read(fd, bytes, sizeof bytes) > 0) {
    }
}

bool isPrivateFolder(const QString &path)
{
    struct stat info{};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

QString fileIdentity(const QString &path)
{
    struct stat info{};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return QString::number(qulonglong(info.st_dev)) + u':' + QString::number(qulonglong(info.st_ino));
}

QString realUserId()
{
    return QString::number(::getuid());
}

QString homeFromPasswordDatabase()
{
    // The reentrant form: the font database is being read on a thread of its own at start.
    const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    QByteArray buffer(size > 0 ? int(size) : 16384, Qt::Uninitialized);
    passwd entry{};
    passwd *found = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), size_t(buffer.size()), &found) == ERANGE
           && buffer.size() < (1 << 20))
        buffer.resize(buffer.size() * 2);
    if (!found || !found->pw_dir || found->pw_dir[0] != '/')
        return {};
    return QFile::decodeName(found->pw_dir);
}

bool isOnReadOnlyMount(const QString &path)
{
    struct statvfs status{};
    return ::statvfs(QFile::encodeName(path).constData(), &status) == 0 && (status.f_flag & ST_RDONLY);
}

bool mayBeWrittenByUsers(const QString &folder)
{
    struct stat status{};
    if (::stat(QFile::encodeName(folder).constData(), &status) != 0 || !S_ISDIR(status.st_mode)
        || isOnReadOnlyMount(folder))
        return false;
    return (status.st_uid != 0 && (status.st_mode & S_IWUSR)) || (status.st_mode & (S_IWGRP | S_IWOTH));
}

QStringList userHomes(bool withRoot)
{
    // The first and last ids useradd gives people on Debian (login.defs), without "nobody".
    constexpr uid_t FirstPerson = 1000, LastPerson = 60000;
    QStringList homes;
    ::setpwent();
    while (const passwd *entry = ::getpwent()) {
        const bool person = entry->pw_uid >= FirstPerson && entry->pw_uid <= LastPerson;
        if ((person || (withRoot && entry->pw_uid == 0)) && entry->pw_dir && entry->pw_dir[0] == '/')
            homes.append(QFile::decodeName(entry->pw_dir));
    }
    ::endpwent();
    homes.removeDuplicates();
    return homes;
}

#else

QString fileIdentity(const QString &path) { return QFileInfo::exists(path) ? QStringLiteral("present") : QString(); }
bool isPrivateFolder(const QString &) { return true; } // the temporary folder is the user's own there
QString realUserId() { return {}; }
QString homeFromPasswordDatabase() { return {}; }
bool isOnReadOnlyMount(const QString &) { return false; }
bool mayBeWrittenByUsers(const QString &folder) { return QFileInfo(folder).isWritable(); }
QStringList userHomes(bool) { return {}; }
bool copyOwnerAndGroup(const QString &, int) { return true; }
void ignoreBrokenPipe() {}
int redirectTerminationSignals() { return -1; }
void drainSignalBytes(int) {}

#endif

} // namespace Posix

} // namespace korva5
