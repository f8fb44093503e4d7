// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include <chrono>

class QLocalServer;
class QLocalSocket;

// Lets a copy started from a program folder where another already runs ask that one to show
// its window, instead of ending unseen while the running one sits hidden in the tray. The
// running copy listens on a local socket named after the program folder and the user; a
// request is the line "show", answered with the line "shown" once the window was told.
class InstanceChannel : public QObject
{
    Q_OBJECT

public:
    explicit InstanceChannel(QObject *parent = nullptr);
    ~InstanceChannel() override;

    // The socket's name for programDir: beside the single-instance lock when the path fits a
    // local socket's address, otherwise a plain name Qt places in the temporary folder.
    static QString serverName(const QString &programDir);

    // Starts listening for programDir. Only the holder of the single-instance lock may call
    // this: the lock proves that a socket file left there belongs to no running copy.
    bool listen(const QString &programDir);

    // Asks the copy running from programDir to show its window; true when it answered within
    // timeout. Blocks the caller, which is a copy about to end anyway.
    static bool askToShow(const QString &programDir, std::chrono::milliseconds timeout);

    // The longest line a peer may send; more without a line end drops the connection.
    static constexpr qint64 MaxRequest = 64;
    // How long a peer may stay connected: one that connects and says nothing is dropped.
    static constexpr std::chrono::milliseconds PeerTimeLimit{5000};

signals:
    void showRequested();

private:
    void acceptConnections();
    void serve(QLocalSocket *peer);

    QLocalServer *m_server;
};
