// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QProcess;

namespace korva5 {

namespace TestSupport {

// A real OpenSSH server (Debian's /usr/sbin/sshd) on a free port of 127.0.0.1, in the foreground,
// with a configuration and a host key of its own in a temporary folder: password logins of one
// local user, who gets sftp (OpenSSH's internal-sftp) and nothing else. The user and its password
// are made by "./run test" when it runs as root; unavailable() says when no server can run here.
//
// No chroot: sshd insists that every folder above a chroot be root's and closed to others, which
// /tmp is not. Paths on this server are the machine's own, so remoteFolder() is what a station's
// FtpPath names.
class Sshd
{
public:
    static inline const QString User = QStringLiteral("korva5-sftp");
    static inline const QString Password = QStringLiteral("sftp-test-password");

    // Why no sshd can be started by this process, or empty when one can.
    static QString unavailable();

    // startIn: a folder beside the upload folder ("upload") in which each session starts, as
    // its login folder; empty: the user's home folder (none here, so "/").
    explicit Sshd(const QString &startIn = {});
    ~Sshd();
    Sshd(const Sshd &) = delete;
    Sshd &operator=(const Sshd &) = delete;

    bool isRunning() const { return m_port > 0; }
    QString error() const { return m_error; }
    int port() const { return m_port; }
    // The server setting that reaches this server: sftp://127.0.0.1:<port>.
    QString address() const;
    // A folder the user may write to, as an absolute path ending in '/': what FtpPath names.
    QString remoteFolder() const;
    // Makes a folder `name` beside the upload folder, owned by the user, and returns it as
    // remoteFolder() does; empty when it cannot.
    QString makeRemoteFolder(const QString &name) const;

    // Writes bytes to relativePath (below the folder remoteFolder() is in), owned by the user as
    // a file it uploaded would be; false when it cannot.
    bool placeAsUser(const QString &relativePath, const QByteArray &bytes) const;

    // known_hosts lines: this server's own key, and a key of the same type that is not its.
    QByteArray knownHostsLine() const;
    QByteArray otherKnownHostsLine() const;
    // What a station's known_hosts holds for this server: "own" its key, "other" another key,
    // anything else nothing.
    QByteArray knownHosts(const QString &which) const;
    // A home folder whose .ssh/known_hosts holds `lines`; point HOME at it so that libcurl reads
    // that file as the station's known_hosts.
    QString homeWithKnownHosts(const QByteArray &lines) const;

    // sshd's own log: connections, logins accepted and refused.
    QByteArray log() const;
    QByteArray stored(const QString &relativePath) const;
    // The files in the upload folder, hidden ones too, in name order.
    QStringList uploadFolderFiles() const;

private:
    QString start(const QString &startIn);

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
    QString m_error;
    QByteArray m_publicKey;
    QByteArray m_otherPublicKey;
};

// Points HOME, where libcurl finds the station's known_hosts, at home while it lives.
class UseHome
{
public:
    explicit UseHome(const QString &home);
    ~UseHome();
    UseHome(const UseHome &) = delete;
    UseHome &operator=(const UseHome &) = delete;

private:
    QByteArray m_before;
};

} // namespace TestSupport

} // namespace korva5
