// SPDX-License-Identifier: MIT
#include "gui/shell/InstanceChannel.h"

#include "gui/shell/Logging.h"
#include "gui/shell/SingleInstance.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <sys/un.h>
#endif

namespace {

constexpr char ShowRequest[] = "show";
constexpr char ShownAnswer[] = "shown";

bool isPath(const QString &name)
{
    return name.startsWith(u'/');
}

int remainingMs(const QDeadlineTimer &deadline)
{
    return int(qMax<qint64>(deadline.remainingTime(), 0));
}

} // namespace

InstanceChannel::InstanceChannel(QObject *parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    m_server->setMaxPendingConnections(8);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::acceptConnections);
}

InstanceChannel::~InstanceChannel() = default;

QString InstanceChannel::serverName(const QString &programDir)
{
#ifdef Q_OS_UNIX
    // The runtime folder is the user's alone, so no other user can listen or connect there.
    const QFileInfo lock(SingleInstance::lockFilePath(programDir));
    const QString beside = lock.absolutePath() + u'/' + lock.completeBaseName() + u".socket";
    if (qsizetype(QFile::encodeName(beside).size()) < qsizetype(sizeof(sockaddr_un::sun_path)))
        return beside;
#endif
    const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    return u"korva5-upload-" + user + u'-' + SingleInstance::folderKey(programDir);
}

bool InstanceChannel::listen(const QString &programDir)
{
    const QString name = serverName(programDir);
    // A plain name lands in the shared temporary folder: keep other users out.
    m_server->setSocketOptions(isPath(name) ? QLocalServer::NoOptions : QLocalServer::UserAccessOption);
    QLocalServer::removeServer(name);
    if (m_server->listen(name))
        return true;
    // Without the channel the program still uploads; only a second start goes unanswered.
    qCWarning(lcShell).noquote() << "cannot listen for a second start on" << name + u':' << m_server->errorString();
    return false;
}

void InstanceChannel::acceptConnections()
{
    while (QLocalSocket *peer = m_server->nextPendingConnection()) {
        // Only a line is ever read; a peer that floods cannot make the buffer grow.
        peer->setReadBufferSize(MaxRequest);
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { serve(peer); });
        QTimer::singleShot(PeerTimeLimit, peer, [peer] {
            peer->abort();
            peer->deleteLater();
        });
        if (peer->bytesAvailable() > 0)
            serve(peer);
    }
}

void InstanceChannel::serve(QLocalSocket *peer)
{
    if (peer->state() != QLocalSocket::ConnectedState)
        return;
    if (!peer->canReadLine()) {
        if (peer->bytesAvailable() >= MaxRequest) {
            peer->abort();
            peer->deleteLater();
        }
        return;
    }
    const QByteArray line = peer->readLine(MaxRequest + 1).trimmed();
    if (line != ShowRequest) {
        peer->abort();
        peer->deleteLater();
        return;
    }
    qCInfo(lcShell) << "a second start asked to show the window";
    emit showRequested();
    peer->write(QByteArray(ShownAnswer) + '\n');
    // Closes once the answer is out, without waiting for it here.
    peer->disconnectFromServer();
}

bool InstanceChannel::askToShow(const QString &programDir, std::chrono::milliseconds timeout)
{
    const QString name = serverName(programDir);
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(name);
        if (socket.waitForConnected(remainingMs(deadline)))
            break;
        socket.abort();
        if (deadline.hasExpired())
            return false;
        // A copy that has just taken the lock may not listen yet.
        QThread::msleep(qMin(50, remainingMs(deadline)));
    }
    socket.write(QByteArray(ShowRequest) + '\n');
    if (socket.bytesToWrite() > 0 && !socket.waitForBytesWritten(remainingMs(deadline)))
        return false;
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() > MaxRequest || !socket.waitForReadyRead(remainingMs(deadline)))
            return false;
    }
    return socket.readLine(MaxRequest + 1).trimmed() == ShownAnswer;
}
