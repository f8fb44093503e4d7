// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class QProcess;

namespace korva5 {

namespace TestSupport {

// A real vsftpd (Debian's /usr/sbin/vsftpd) on a free port of 127.0.0.1, in the foreground, with
// a configuration of its own in a temporary folder: anonymous logins that may upload into the
// folder "upload", and nothing else of the machine's vsftpd set-up. vsftpd insists on starting as
// root; unavailable() says when it cannot run here.
class Vsftpd
{
public:
    // Any password does; vsftpd only logs it.
    static inline const QString User = QStringLiteral("anonymous");
    static inline const QString Password = QStringLiteral("station@example.org");

    enum class Tls {
        None,
        Explicit, // AUTH TLS on the ordinary port, then required for the login and every transfer
        Implicit, // TLS from the first byte
    };

    struct Options
    {
        Tls tls = Tls::None;
        int maxRate = 0; // bytes per second an anonymous session moves at most; 0: no limit
    };

    // Why no vsftpd can be started by this process, or empty when one can.
    static QString unavailable();

    Vsftpd();
    explicit Vsftpd(const Options &options);
    ~Vsftpd();
    Vsftpd(const Vsftpd &) = delete;
    Vsftpd &operator=(const Vsftpd &) = delete;

    bool isRunning() const { return m_port > 0; }
    QString error() const { return m_error; }
    int port() const { return m_port; }
    // The server setting that reaches this server: ftp, ftpes:// or ftps:// with the port.
    QString address() const;
    QString root() const { return m_dir.filePath(QStringLiteral("root")); }
    // The server's certificate, to be trusted as a CA bundle.
    QString certificate() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    // vsftpd's own log: logins, each upload's outcome and, with TLS, each session's TLS version.
    QByteArray log() const;
    QByteArray stored(const QString &relativePath) const;

private:
    QString start();

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    Options m_options;
    int m_port = 0;
    QString m_error;
};

} // namespace TestSupport

} // namespace korva5
