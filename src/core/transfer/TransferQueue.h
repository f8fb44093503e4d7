// SPDX-License-Identifier: MIT
#pragma once

#include "core/transfer/FtpRequest.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace korva5 {

// The FTP transfer control of the main window. It holds the server address and the login that
// later transfers use, sends files on request and reports each step of a transfer through
// stateChanged (the moments of core/transfer/TransferState.h), always on the thread that owns it.
//
// Transfers run one after another on a worker thread of the control's own, so nothing a server
// or the network does (a slow name lookup, a connect that gets no answer, a server that never
// replies, a gigabyte to send) can hold up the window. A send requested while another runs
// waits its turn; at most MaxWaiting sends wait, and one more is refused with an error state.
class TransferQueue : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxWaiting = 100;

    explicit TransferQueue(QObject *parent = nullptr);
    // Aborts a running transfer and drops waiting ones, naming each of them on standard error:
    // whoever ends the program must be able to tell which files did not reach the server.
    ~TransferQueue() override;

    QString serverAddress() const { return m_serverAddress; }
    void setServerAddress(const QString &address) { m_serverAddress = address; }
    QString userName() const { return m_userName; }
    void setUserName(const QString &name) { m_userName = name; }
    QString password() const { return m_password; }
    void setPassword(const QString &password) { m_password = password; }

    // Whether later sends go under a temporary name first and are renamed once confirmed (the
    // default), or straight to the final name for a server that cannot rename.
    bool temporaryName() const { return m_temporaryName; }
    void setTemporaryName(bool on) { m_temporaryName = on; }

    // A folder later sends must not land in however it is spelt (FtpRequest::distinctFolder);
    // nothing: none.
    void setDistinctFolder(const std::optional<QString> &folder) { m_distinctFolder = folder; }

    void setTimeouts(const FtpTimeouts &timeouts) { m_timeouts = timeouts; }
    // A file of certificates to trust for ftps/ftpes instead of the system's store.
    void setTrustedCertificates(const QString &path) { m_caBundle = path; }

    // Sends the local file to the remote path on the server set now, with the login set now.
    // Returns at once with the send's number; the transfer reports through stateChanged.
    quint64 enqueue(const QString &localPath, const QString &remotePath);
    // Takes a send that must not be attempted (why says which setting is at fault): in its turn it
    // ends with an error state and the reason on standard error, without connecting.
    quint64 refuse(const QString &localPath, const QString &remotePath, const QString &why, FailureKind kind);

    // Ends the running send soon and drops the waiting ones, each with an error; returns at once,
    // without waiting for the running one to give up. Sends requested afterwards run as usual.
    void abort();

    // True while a send runs or waits.
    bool isBusy() const;
    // Whether the send of this number, the last one asked for, was turned away at once because
    // MaxWaiting sends already wait: it never has a turn, and its error state is on its way.
    bool refusedAtOnce(quint64 tag) const { return tag != 0 && tag == m_lastRefused; }

signals:
    // A moment of a transfer; with State::Error, what kind of failure it was and the fact the
    // short texts name (the whole reason comes with transferEnded).
    void stateChanged(Ftp::State state, const FtpFailure &failure);
    // A send's turn has come (it is not emitted for a send refused because too many wait).
    void transferStarted(quint64 tag);
    // How much of the send's file has gone out (see runFtpTransfer: a few times a second at most,
    // and once when its data transfer ends), between its transferStarted and its transferEnded.
    void progress(quint64 tag, qint64 sent, qint64 total);
    // Each requested send ends with exactly one of these, after its last stateChanged: the whole
    // of how it went (outcome, failure kind and detail, the reason, bytes, its number).
    void transferEnded(const FtpResult &result);

private:
    void work();
    void post(Ftp::State state, const FtpFailure &failure = {});
    quint64 enqueue(FtpRequest request);
    void finish(const FtpResult &result);

    QString m_serverAddress;
    QString m_userName;
    QString m_password;
    FtpTimeouts m_timeouts;
    QString m_caBundle;
    bool m_temporaryName = true;
    std::optional<QString> m_distinctFolder;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<FtpRequest> m_waiting;
    bool m_running = false;
    bool m_stopping = false;
    std::atomic<bool> m_abort{false};
    quint64 m_lastTag = 0;
    quint64 m_lastRefused = 0; // only touched on the owning thread, as the tags are
    std::optional<FtpRequest> m_aborted; // the transfer that failed because the control was ending
    std::thread m_worker;
};

} // namespace korva5
