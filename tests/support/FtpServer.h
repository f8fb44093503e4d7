// SPDX-License-Identifier: MIT
#pragma once

#include "Files.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class QProcess;

namespace korva5 {

namespace TestSupport {

// A real FTP server on 127.0.0.1 (scripts/ftp-server.py under Debian's /usr/bin/python3),
// serving a temporary folder that holds an "upload" folder.
class FtpServer
{
public:
    static inline const QString User = QStringLiteral("station");
    static inline const QString Password = QStringLiteral("secret");

    struct Options
    {
        QString fault;    // one of the script's fault modes, or empty
        bool tls = false; // explicit TLS (AUTH TLS) required, with a certificate made here
        int readLimit = 0; // bytes per second the server reads an upload at; 0: as fast as it can
    };

    FtpServer();
    explicit FtpServer(const Options &options);
    ~FtpServer();

    bool isRunning() const { return m_port > 0; }
    QString error() const { return m_error; }
    int port() const { return m_port; }
    // The server setting that reaches this server.
    QString address() const;
    QString root() const { return m_dir.filePath(QStringLiteral("root")); }
    QString certificate() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    QByteArray commandLog() const { return readFile(m_dir.filePath(QStringLiteral("commands.log"))); }
    QByteArray stored(const QString &relativePath) const { return readFile(root() + u'/' + relativePath); }
    bool holds(const QString &relativePath) const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    Options m_options;
    int m_port = 0;
    QString m_error;
};

// A port on 127.0.0.1 on which nothing listens.
int closedPort();

// A self-signed certificate for 127.0.0.1 and localhost and its key, made with openssl; a client
// trusts it by taking the certificate file as its CA bundle. False when openssl failed.
bool makeCertificate(const QString &certificate, const QString &key);

} // namespace TestSupport

} // namespace korva5
