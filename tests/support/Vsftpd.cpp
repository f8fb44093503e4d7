// SPDX-License-Identifier: MIT
#include "Vsftpd.h"

#include "FtpServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korva5 {

namespace TestSupport {

namespace {

const QString Program = QStringLiteral("/usr/sbin/vsftpd");
// vsftpd chroots each session's helper process here; it must exist and be empty.
const QString SecureChroot = QStringLiteral("/var/run/vsftpd/empty");

} // namespace

QString Vsftpd::unavailable()
{
    if (!QFileInfo(Program).isExecutable())
        return Program + QStringLiteral(" is not installed (apt-get install vsftpd)");
    if (geteuid() != 0)
        return QStringLiteral("vsftpd must be started as root; run this test as root");
    if (!getpwnam("ftp"))
        return QStringLiteral("there is no user \"ftp\" for vsftpd's anonymous sessions");
    return {};
}

Vsftpd::Vsftpd()
    : Vsftpd(Options())
{
}

Vsftpd::Vsftpd(const Options &options)
    : m_process(std::make_unique<QProcess>())
    , m_options(options)
{
    m_error = unavailable();
    if (m_error.isEmpty())
        m_error = start();
    if (!m_error.isEmpty())
        m_port = 0;
}

QString Vsftpd::start()
{
    if (!m_dir.isValid())
        return QStringLiteral("cannot create a temporary directory");
    // vsftpd refuses an anonymous root the session may write to, so the root stays root's and
    // only the folder below it belongs to the anonymous user.
    const QString upload = root() + QStringLiteral("/upload");
    if (!QDir().mkpath(upload) || !QDir().mkpath(SecureChroot))
        return QStringLiteral("cannot create the server's folders");
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    ::chmod(QFile::encodeName(root()).constData(), 0755);
    const passwd *ftp = getpwnam("ftp");
    if (::chown(QFile::encodeName(upload).constData(), ftp->pw_uid, ftp->pw_gid) != 0)
        return QStringLiteral("cannot give the upload folder to the user ftp");

    m_port = closedPort();
    QByteArray config = "listen=YES\n"
                        "listen_ipv6=NO\n"
                        "listen_address=127.0.0.1\n"
                        "listen_port=" + QByteArray::number(m_port) + "\n"
                        "background=NO\n"
                        "anonymous_enable=YES\n"
                        "local_enable=NO\n"
                        "write_enable=YES\n"
                        "anon_upload_enable=YES\n"
                        "anon_other_write_enable=YES\n"
                        "anon_umask=022\n"
                        "anon_root=" + QFile::encodeName(root()) + "\n"
                        "pasv_enable=YES\n"
                        "seccomp_sandbox=NO\n"
                        "secure_chroot_dir=" + QFile::encodeName(SecureChroot) + "\n"
                        "xferlog_enable=YES\n"
                        "xferlog_std_format=NO\n"
                        "vsftpd_log_file=" + QFile::encodeName(m_dir.filePath(QStringLiteral("vsftpd.log"))) + "\n";
    if (m_options.maxRate > 0)
        config += "anon_max_rate=" + QByteArray::number(m_options.maxRate) + "\n";
    if (m_options.tls != Tls::None) {
        const QString key = m_dir.filePath(QStringLiteral("key.pem"));
        if (!makeCertificate(certificate(), key))
            return QStringLiteral("openssl could not make a test certificate");
        // Session reuse on the data connection stays required, as on a server set up by the book:
        // a client has to cope with it.
        config += "ssl_enable=YES\n"
                  "rsa_cert_file=" + QFile::encodeName(certificate()) + "\n"
                  "rsa_private_key_file=" + QFile::encodeName(key) + "\n"
                  "allow_anon_ssl=YES\n"
                  "force_anon_logins_ssl=YES\n"
                  "force_anon_data_ssl=YES\n"
                  "ssl_sslv2=NO\n"
                  "ssl_sslv3=NO\n"
                  "ssl_tlsv1=YES\n"
                  // vsftpd 3.0.3's own default (DES-CBC3-SHA) is refused by OpenSSL 3.
                  "ssl_ciphers=HIGH\n"
                  "debug_ssl=YES\n";
        if (m_options.tls == Tls::Implicit)
            config += "implicit_ssl=YES\n";
    }
    const QString configFile = m_dir.filePath(QStringLiteral("vsftpd.conf"));
    writeFile(configFile, config);

    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->start(Program, {configFile});
    if (!m_process->waitForStarted(5000))
        return QStringLiteral("vsftpd did not start: ") + m_process->errorString();
    // vsftpd says nothing when it is ready; it is once it accepts a connection.
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_process->state() == QProcess::Running) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, quint16(m_port));
        if (probe.waitForConnected(500)) {
            probe.abort();
            return {};
        }
        QThread::msleep(50);
    }
    m_process->waitForFinished(100);
    return QStringLiteral("vsftpd did not start listening: ") + QString::fromLocal8Bit(m_process->readAll());
}

Vsftpd::~Vsftpd()
{
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
}

QString Vsftpd::address() const
{
    const QString hostPort = QStringLiteral("127.0.0.1:%1").arg(m_port);
    switch (m_options.tls) {
    case Tls::Explicit:
        return QStringLiteral("ftpes://") + hostPort;
    case Tls::Implicit:
        return QStringLiteral("ftps://") + hostPort;
    case Tls::None:
        break;
    }
    return hostPort;
}

QByteArray Vsftpd::log() const
{
    return readFile(m_dir.filePath(QStringLiteral("vsftpd.log")));
}

QByteArray Vsftpd::stored(const QString &relativePath) const
{
    return readFile(root() + u'/' + relativePath);
}

} // namespace TestSupport

} // namespace korva5
