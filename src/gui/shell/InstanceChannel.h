// SPDX-License-Identifier: MIT
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

namespace korva5 {

// Lets a copy started from a program folder where another already runs ask that one to show
// its window, instead of ending unseen while the running one sits hidden in the tray. The
// running copy watches a folder of its own beside the single-instance lock (the user's alone);
// a request is a file made there, answered by the running copy taking it away once the window
// was told. Files rather than a local socket: the program needs nothing of Qt Network then,
// which with the Kerberos and proxy libraries it brings would add over a megabyte to an idle
// program's memory for the rare second start.
class InstanceChannel : public QObject
{
    Q_OBJECT

public:
    explicit InstanceChannel(QObject *parent = nullptr);
    ~InstanceChannel() override;

    // The folder requests for programDir go to: beside the lock, in lockFolder (this user's lock
    // folder when not given). Empty when there is no lock folder.
    static QString requestFolder(const QString &programDir);
    static QString requestFolder(const QString &programDir, const QString &lockFolder);

    // Starts watching for programDir, making the folder if need be, and answers the requests
    // already waiting there. Only the holder of the single-instance lock may call this, with the
    // folder it holds the lock in. False (with one warning line) when the folder cannot be made
    // or is not this user's alone.
    bool listen(const QString &programDir);
    bool listen(const QString &programDir, const QString &lockFolder);

    // Asks the copy running from programDir to show its window; true when it answered within
    // timeout. Blocks the caller, which is a copy about to end anyway; leaves nothing behind
    // when it gives up.
    static bool askToShow(const QString &programDir, std::chrono::milliseconds timeout);
    static bool askToShow(const QString &programDir, const QString &lockFolder, std::chrono::milliseconds timeout);

    // The prefix of a request file's name; any other file in the folder is removed unanswered.
    static constexpr char RequestPrefix[] = "show-";
    // How often the folder is looked at when the system cannot watch it (out of inotify
    // watches, for one).
    static constexpr std::chrono::milliseconds PollInterval{1000};

signals:
    void showRequested();

private:
    void serveRequests();

    QString m_folder;
    QFileSystemWatcher m_watcher;
    QTimer m_poll;
};

} // namespace korva5
