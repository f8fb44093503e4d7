// SPDX-License-Identifier: MIT
#include "core/platform/GuardFile.h"

#ifdef Q_OS_UNIX
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace korva5 {

namespace GuardFile {

#ifdef Q_OS_UNIX

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString userName(uid_t uid)
{
    const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    QByteArray buffer(size > 0 ? int(size) : 16384, Qt::Uninitialized);
    passwd entry{};
    passwd *found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), size_t(buffer.size()), &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    return QStringLiteral("uid %1").arg(uid);
}

// Rights for those who may write in the folder, and no one else: the group's when the folder
// lets its group write and the file is of that group, everyone's when the folder lets everyone
// write. Never the others' read alone, which would let a reader hold the lock.
mode_t modeFor(const struct stat &folder, const struct stat &file)
{
    mode_t mode = S_IRUSR | S_IWUSR;
    if ((folder.st_mode & S_IWGRP) && file.st_gid == folder.st_gid)
        mode |= S_IRGRP | S_IWGRP;
    if (folder.st_mode & S_IWOTH)
        mode |= S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
    return mode;
}

// A file this process made, or one of its user's: a file made belongs to the folder's owner
// where the system lets this process give it away (an administrator's start must not leave a file
// the station's user cannot open), and to the folder's group where this user is a member of it;
// its rights follow the folder's as they are now.
void fitToFolder(int fd, const QString &path, bool made)
{
    struct stat folder{};
    struct stat file{};
    const QByteArray folderPath = QFile::encodeName(QFileInfo(path).absolutePath());
    if (::stat(folderPath.constData(), &folder) != 0 || ::fstat(fd, &file) != 0)
        return;
    if (file.st_uid != ::geteuid() && ::geteuid() != 0)
        return;
    // Either change may be refused; the rights below then follow what the file is.
    if (made && file.st_uid != folder.st_uid && ::fchown(fd, folder.st_uid, folder.st_gid) == 0)
        ::fstat(fd, &file);
    if (file.st_gid != folder.st_gid && ::fchown(fd, uid_t(-1), folder.st_gid) == 0)
        ::fstat(fd, &file);
    const mode_t mode = modeFor(folder, file);
    if ((file.st_mode & 07777) != mode)
        ::fchmod(fd, mode);
}

// What the holder writes in: a line a field, read back by a copy that finds the file held.
QByteArray holderText()
{
    return "pid=" + QByteArray::number(qint64(::getpid())) + "\nuser=" + userName(::geteuid()).toUtf8()
        + "\nhost=" + QSysInfo::machineHostName().toUtf8() + '\n';
}

// The holder as a copy that finds the file held says it; anyone who may write in the folder may
// have written the file, so only short printable values are taken.
QString holderOf(int fd)
{
    char buffer[512];
    const ssize_t got = ::pread(fd, buffer, sizeof buffer, 0);
    if (got <= 0)
        return {};
    QString pid;
    QString user;
    QString host;
    for (const QByteArray &line : QByteArray(buffer, int(got)).split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QString value = QString::fromUtf8(line.mid(equals + 1)).left(64);
        if (value.isEmpty() || std::any_of(value.cbegin(), value.cend(), [](QChar c) { return !c.isPrint() || c.isSpace(); }))
            continue;
        const QByteArray key = line.left(equals);
        if (key == "pid")
            pid = value;
        else if (key == "user")
            user = value;
        else if (key == "host")
            host = value;
    }
    if (pid.isEmpty())
        return {};
    QString holder = QStringLiteral("process ") + pid;
    if (!user.isEmpty())
        holder += QStringLiteral(" of user ") + user;
    if (!host.isEmpty())
        holder += QStringLiteral(" on host ") + host;
    return holder;
}

Result refused(Outcome outcome, const QString &why)
{
    Result result;
    result.outcome = outcome;
    result.why = why;
    return result;
}

} // namespace

Result take(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    // Not through a link, and never blocking on a FIFO or a device put there in its place.
    const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    bool made = false;
    int fd = ::open(name.constData(), flags);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(name.constData(), flags | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR);
        made = fd >= 0;
        if (fd < 0 && errno == EEXIST) // another copy made it this moment
            fd = ::open(name.constData(), flags);
    }
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM || error == EROFS) {
            struct stat file{};
            const QString owner = ::lstat(name.constData(), &file) == 0
                ? QStringLiteral(" (the file is %1's, mode %2)").arg(userName(file.st_uid)).arg(file.st_mode & 07777, 4, 8, QLatin1Char('0'))
                : QString();
            return refused(Outcome::NoAccess, systemError(error) + owner);
        }
        return refused(Outcome::Failed, error == ELOOP ? QStringLiteral("it is a symbolic link") : systemError(error));
    }
    struct stat file{};
    if (::fstat(fd, &file) != 0 || !S_ISREG(file.st_mode)) {
        ::close(fd);
        return refused(Outcome::Failed, QStringLiteral("it is not a plain file"));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        Result result;
        if (error == EWOULDBLOCK) {
            result.outcome = Outcome::Held;
            result.holder = holderOf(fd);
        } else {
            result.why = systemError(error);
        }
        ::close(fd);
        return result;
    }
    fitToFolder(fd, path, made);
    // What an earlier holder wrote goes: a longer old text must not trail the new one.
    const QByteArray holder = holderText();
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, holder.constData(), size_t(holder.size()), 0);
    }
    Result result;
    result.outcome = Outcome::Taken;
    result.descriptor = fd;
    return result;
}

void release(int descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
}

#else

Result take(const QString &)
{
    Result result;
    result.outcome = Outcome::Taken;
    return result;
}

void release(int) {}

#endif

} // namespace GuardFile

} // namespace korva5
