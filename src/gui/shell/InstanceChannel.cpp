// SPDX-License-Identifier: MIT
#include "gui/shell/InstanceChannel.h"

#include "core/platform/Posix.h"
#include "gui/shell/Logging.h"
#include "gui/shell/SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace korva5 {

namespace {

int remainingMs(const QDeadlineTimer &deadline)
{
    return int(qMax<qint64>(deadline.remainingTime(), 0));
}

} // namespace

InstanceChannel::InstanceChannel(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &InstanceChannel::serveRequests);
    m_poll.setInterval(PollInterval);
    connect(&m_poll, &QTimer::timeout, this, &InstanceChannel::serveRequests);
}

InstanceChannel::~InstanceChannel()
{
    if (m_folder.isEmpty())
        return;
    // A copy asking from now on finds no folder and gives up in its own time; one asking right
    // now is left its request, which it removes itself when no answer comes.
    m_watcher.removePath(m_folder);
    QDir().rmdir(m_folder);
}

QString InstanceChannel::requestFolder(const QString &programDir)
{
    return requestFolder(programDir, SingleInstance::lockFolder());
}

QString InstanceChannel::requestFolder(const QString &programDir, const QString &lockFolder)
{
    QString lock = SingleInstance::lockFilePath(programDir, lockFolder);
    if (lock.isEmpty())
        return {};
    lock.chop(QStringLiteral(".lock").size());
    return lock + QStringLiteral(".requests");
}

bool InstanceChannel::listen(const QString &programDir)
{
    return listen(programDir, SingleInstance::lockFolder());
}

bool InstanceChannel::listen(const QString &programDir, const QString &lockFolder)
{
    const QString folder = requestFolder(programDir, lockFolder);
    if (folder.isEmpty()) {
        qCWarning(lcShell) << "cannot wait for a second start: there is no folder of this user's alone for it";
        return false;
    }
    QString why;
    if (!SingleInstance::ensurePrivateFolder(folder, &why)) {
        // Without the channel the program still uploads; only a second start goes unanswered.
        qCWarning(lcShell).noquote() << "cannot wait for a second start in" << QDir::toNativeSeparators(folder) + u':' << why;
        return false;
    }
    m_folder = folder;
    if (!m_watcher.addPath(folder))
        m_poll.start();
    // A copy that asked while this one was starting, or a request left by a copy killed while it
    // waited (the window is about to show anyway).
    serveRequests();
    return true;
}

void InstanceChannel::serveRequests()
{
    QDir folder(m_folder);
    bool asked = false;
    const QStringList names = folder.entryList(QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        // Removing it is the answer; only this user can put anything here.
        if (folder.remove(name) && name.startsWith(QLatin1StringView(RequestPrefix)))
            asked = true;
    }
    if (asked) {
        qCInfo(lcShell) << "a second start asked to show the window";
        emit showRequested();
    }
}

bool InstanceChannel::askToShow(const QString &programDir, std::chrono::milliseconds timeout)
{
    return askToShow(programDir, SingleInstance::lockFolder(), timeout);
}

bool InstanceChannel::askToShow(const QString &programDir, const QString &lockFolder, std::chrono::milliseconds timeout)
{
    const QString folder = requestFolder(programDir, lockFolder);
    if (folder.isEmpty())
        return false;
    const QDeadlineTimer deadline(timeout);
    // A copy that has just taken the lock may not have made its folder yet.
    while (!QFileInfo(folder).isDir()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(qMin(50, remainingMs(deadline)));
    }
    if (!Posix::isPrivateFolder(folder))
        return false;
    const QString request = folder + u'/' + QLatin1StringView(RequestPrefix) + QString::number(QCoreApplication::applicationPid());
    QFile file(request);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    file.close();
    while (QFileInfo::exists(request)) {
        if (deadline.hasExpired()) {
            // Not answered: take the request back. Gone meanwhile means it was answered just now.
            return !QFile::remove(request);
        }
        QThread::msleep(qMin(20, remainingMs(deadline)));
    }
    return true;
}

} // namespace korva5
