// SPDX-License-Identifier: MIT
#include "FtpServer.h"

#include "FakeTime.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTcpServer>

namespace korva5 {

namespace TestSupport {

bool makeCertificate(const QString &certificate, const QString &key)
{
    // Valid from two days ago (openssl on a clock set back, where libfaketime is there), so that
    // a program checked on a clock set to yesterday still trusts it.
    QProcess openssl;
    const QString fakeTime = fakeTimeLibrary();
    if (!fakeTime.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_PRELOAD"), fakeTime);
        environment.insert(QStringLiteral("FAKETIME"), QStringLiteral("-2d"));
        openssl.setProcessEnvironment(environment);
    }
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                   QStringLiteral("-nodes"), QStringLiteral("-days"), QString::fromLatin1(fakeTime.isEmpty() ? "2" : "4"),
                   QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"), QStringLiteral("-keyout"), key,
                   QStringLiteral("-out"), certificate});
    return openssl.waitForFinished(60'000) && openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0;
}

FtpServer::FtpServer()
    : FtpServer(Options())
{
}

FtpServer::FtpServer(const Options &options)
    : m_process(std::make_unique<QProcess>())
    , m_options(options)
{
    QDir().mkpath(root() + QStringLiteral("/upload"));
    QStringList arguments{sourceDir() + QStringLiteral("/scripts/ftp-server.py"), QStringLiteral("--root"), root(),
                          QStringLiteral("--user"), User, QStringLiteral("--password"), Password,
                          QStringLiteral("--command-log"), m_dir.filePath(QStringLiteral("commands.log"))};
    if (!options.fault.isEmpty())
        arguments << QStringLiteral("--fault") << options.fault;
    if (options.readLimit > 0)
        arguments << QStringLiteral("--read-limit") << QString::number(options.readLimit);
    if (options.tls) {
        const QString key = m_dir.filePath(QStringLiteral("key.pem"));
        if (!makeCertificate(certificate(), key)) {
            m_error = QStringLiteral("openssl could not make a test certificate");
            return;
        }
        arguments << QStringLiteral("--tls") << certificate() << key;
    }
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->start(QStringLiteral("/usr/bin/python3"), arguments);
    QByteArray out;
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_process->state() != QProcess::NotRunning) {
        m_process->waitForReadyRead(100);
        out += m_process->readAllStandardOutput();
        const qsizetype at = out.indexOf("PORT ");
        if (at >= 0 && out.indexOf('\n', at) > at) {
            m_port = out.mid(at + 5, out.indexOf('\n', at) - at - 5).trimmed().toInt();
            return;
        }
    }
    m_error = QStringLiteral("the FTP server did not start: ") + QString::fromUtf8(m_process->readAllStandardError());
}

FtpServer::~FtpServer()
{
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

QString FtpServer::address() const
{
    const QString hostPort = QStringLiteral("127.0.0.1:%1").arg(m_port);
    return m_options.tls ? QStringLiteral("ftpes://") + hostPort : hostPort;
}

bool FtpServer::holds(const QString &relativePath) const
{
    return QFileInfo::exists(root() + u'/' + relativePath);
}

int closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace TestSupport

} // namespace korva5
