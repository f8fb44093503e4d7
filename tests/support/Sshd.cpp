// SPDX-License-Identifier: MIT
#include "Sshd.h"

#include "Files.h"
#include "FtpServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korva5 {

namespace TestSupport {

namespace {

const QString Program = QStringLiteral("/usr/sbin/sshd");
const QString KeyGen = QStringLiteral("/usr/bin/ssh-keygen");
// sshd checks that its privilege separation folder exists before it listens.
const QString PrivilegeSeparation = QStringLiteral("/run/sshd");

QString chmodPath(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0 ? QString() : QStringLiteral("cannot chmod ") + path;
}

// Makes an ed25519 key pair at `file` and returns the public half as "type base64".
QByteArray makeKey(const QString &file)
{
    QProcess keygen;
    keygen.start(KeyGen, {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"), QStringLiteral("-N"),
                          QString(), QStringLiteral("-f"), file});
    if (!keygen.waitForFinished(10000) || keygen.exitCode() != 0)
        return {};
    const QList<QByteArray> parts = readFile(file + QStringLiteral(".pub")).split(' ');
    return parts.size() >= 2 ? parts[0] + ' ' + parts[1] : QByteArray();
}

} // namespace

QString Sshd::unavailable()
{
    if (!QFileInfo(Program).isExecutable() || !QFileInfo(KeyGen).isExecutable())
        return Program + QStringLiteral(" is not installed (apt-get install openssh-server)");
    if (geteuid() != 0)
        return QStringLiteral("sshd must be started as root to check passwords; run this test as root");
    if (!getpwnam(User.toLocal8Bit().constData()))
        return QStringLiteral("there is no local user \"%1\" for the sftp logins; \"./run test\" as root makes it").arg(User);
    return {};
}

Sshd::Sshd(const QString &startIn)
    : m_process(std::make_unique<QProcess>())
{
    m_error = unavailable();
    if (m_error.isEmpty())
        m_error = start(startIn);
    if (!m_error.isEmpty())
        m_port = 0;
}

QString Sshd::start(const QString &startIn)
{
    if (!m_dir.isValid())
        return QStringLiteral("cannot create a temporary directory");
    // The user reaches its folder through the temporary folder, which QTemporaryDir makes 0700.
    if (QString problem = chmodPath(m_dir.path(), 0755); !problem.isEmpty())
        return problem;
    if (!QDir().mkpath(PrivilegeSeparation))
        return QStringLiteral("cannot create ") + PrivilegeSeparation;
    if (makeRemoteFolder(QStringLiteral("upload")).isEmpty())
        return QStringLiteral("cannot give the upload folder to the user ") + User;

    const QString hostKey = m_dir.filePath(QStringLiteral("host_ed25519"));
    m_publicKey = makeKey(hostKey);
    m_otherPublicKey = makeKey(m_dir.filePath(QStringLiteral("other_ed25519")));
    if (m_publicKey.isEmpty() || m_otherPublicKey.isEmpty())
        return QStringLiteral("ssh-keygen could not make the host keys");

    const QByteArray sftp = startIn.isEmpty() ? QByteArray("internal-sftp")
                                              : "internal-sftp -d " + QFile::encodeName(m_dir.filePath(startIn));
    m_port = closedPort();
    const QByteArray config = "Port " + QByteArray::number(m_port) + "\n"
                              "ListenAddress 127.0.0.1\n"
                              "HostKey " + QFile::encodeName(hostKey) + "\n"
                              "PidFile none\n"
                              "UsePAM no\n"
                              "PasswordAuthentication yes\n"
                              "KbdInteractiveAuthentication no\n"
                              "PubkeyAuthentication no\n"
                              "AuthorizedKeysFile none\n"
                              "PermitRootLogin no\n"
                              "AllowUsers " + User.toLocal8Bit() + "\n"
                              "StrictModes no\n"
                              "MaxAuthTries 3\n"
                              "Subsystem sftp " + sftp + "\n"
                              "ForceCommand " + sftp + "\n"
                              "LogLevel VERBOSE\n";
    const QString configFile = m_dir.filePath(QStringLiteral("sshd_config"));
    writeFile(configFile, config);

    // -e: the log to standard error, which is the file log() reads.
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setStandardOutputFile(m_dir.filePath(QStringLiteral("sshd.log")));
    m_process->start(Program, {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), configFile});
    if (!m_process->waitForStarted(5000))
        return QStringLiteral("sshd did not start: ") + m_process->errorString();
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_process->state() == QProcess::Running) {
        if (log().contains("Server listening on"))
            return {};
        QThread::msleep(20);
    }
    m_process->waitForFinished(100);
    return QStringLiteral("sshd did not start listening: ") + QString::fromLocal8Bit(log());
}

Sshd::~Sshd()
{
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
}

QString Sshd::address() const
{
    return QStringLiteral("sftp://127.0.0.1:%1").arg(m_port);
}

QString Sshd::remoteFolder() const
{
    return m_dir.filePath(QStringLiteral("upload")) + u'/';
}

QString Sshd::makeRemoteFolder(const QString &name) const
{
    const QString folder = m_dir.filePath(name);
    const passwd *user = getpwnam(User.toLocal8Bit().constData());
    if (!user || !QDir().mkpath(folder)
        || ::chown(QFile::encodeName(folder).constData(), user->pw_uid, user->pw_gid) != 0)
        return {};
    return folder + u'/';
}

bool Sshd::placeAsUser(const QString &relativePath, const QByteArray &bytes) const
{
    const QString path = m_dir.filePath(relativePath);
    writeFile(path, bytes);
    const passwd *user = getpwnam(User.toLocal8Bit().constData());
    return user && readFile(path) == bytes && ::chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) == 0;
}

QStringList Sshd::uploadFolderFiles() const
{
    return QDir(remoteFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray Sshd::knownHostsLine() const
{
    return "[127.0.0.1]:" + QByteArray::number(m_port) + ' ' + m_publicKey + '\n';
}

QByteArray Sshd::otherKnownHostsLine() const
{
    return "[127.0.0.1]:" + QByteArray::number(m_port) + ' ' + m_otherPublicKey + '\n';
}

QByteArray Sshd::knownHosts(const QString &which) const
{
    return which == u"own" ? knownHostsLine() : which == u"other" ? otherKnownHostsLine() : QByteArray();
}

QString Sshd::homeWithKnownHosts(const QByteArray &lines) const
{
    static int homes = 0;
    const QString home = m_dir.filePath(QStringLiteral("home-%1").arg(++homes));
    QDir().mkpath(home + QStringLiteral("/.ssh"));
    writeFile(home + QStringLiteral("/.ssh/known_hosts"), lines);
    return home;
}

UseHome::UseHome(const QString &home)
    : m_before(qgetenv("HOME"))
{
    qputenv("HOME", QFile::encodeName(home));
}

UseHome::~UseHome()
{
    qputenv("HOME", m_before);
}

QByteArray Sshd::log() const
{
    return readFile(m_dir.filePath(QStringLiteral("sshd.log")));
}

QByteArray Sshd::stored(const QString &relativePath) const
{
    return readFile(m_dir.filePath(relativePath));
}

} // namespace TestSupport

} // namespace korva5
