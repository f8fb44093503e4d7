// SPDX-License-Identifier: MIT
#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace TestSupport {

QString sourceDir()
{
    const QString dir = qEnvironmentVariable("KORVA5_SOURCE_DIR");
    if (dir.isEmpty())
        qFatal("KORVA5_SOURCE_DIR is not set; run the tests through ctest");
    return dir;
}

QString appBinary()
{
    const QString binary = qEnvironmentVariable("KORVA5_APP");
    if (binary.isEmpty())
        qFatal("KORVA5_APP is not set; run the tests through ctest");
    return binary;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray iniText(const QMap<QString, QString> &settings)
{
    QByteArray text = "[TALLY]\n";
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        text += it.key().toUtf8() + '=' + it.value().toUtf8() + '\n';
    return text;
}

ProgramDir::ProgramDir(const QMap<QString, QString> &settings, bool withLanguage)
{
    if (!m_dir.isValid())
        qFatal("cannot create a temporary directory");
    writeFile(iniFile(), iniText(settings));
    if (withLanguage)
        writeFile(languageFile(), readFile(sourceDir() + QStringLiteral("/data/Language.txt")));
}

QString ProgramDir::installBinary() const
{
    const QString target = m_dir.filePath(QFileInfo(appBinary()).fileName());
    QFile::remove(target);
    if (!QFile::copy(appBinary(), target))
        qFatal("cannot copy the program into %s", qPrintable(m_dir.path()));
    return target;
}

} // namespace TestSupport

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTcpServer>

namespace TestSupport {

bool makeCertificate(const QString &certificate, const QString &key)
{
    return QProcess::execute(
               QStringLiteral("openssl"),
               {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"), QStringLiteral("-keyout"), key,
                QStringLiteral("-out"), certificate})
        == 0;
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

#include "gui/shell/FrmMain.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QTimer>

namespace TestSupport {

LoadedWindow::LoadedWindow(const QByteArray &settingsFile, const QDateTime &now)
    : clock(now)
{
    writeFile(dir.iniFile(), QByteArray(settingsFile).replace("{dir}", dir.path().toUtf8()));
    load();
}

LoadedWindow::~LoadedWindow() = default;

void LoadedWindow::load()
{
    window.reset(); // the running copy ends first: one copy at a time
    window = std::make_unique<FrmMain>(FrmMain::Environment{dir.path(), &clock, &tray});
    if (window->Form_Load() != FrmMain::LoadResult::Loaded)
        qFatal("the main window did not load from %s", qPrintable(dir.path()));
    window->controls().tmrSec->stop();
}

QStringList LoadedWindow::log() const
{
    QStringList lines;
    for (int row = 0; row < window->controls().lstList->count(); ++row)
        lines << window->controls().lstList->item(row)->text();
    return lines;
}

QString LoadedWindow::caption(const QString &name) const
{
    if (auto *label = window->findChild<QLabel *>(name))
        return label->text();
    if (auto *button = window->findChild<QAbstractButton *>(name))
        return button->text();
    qFatal("no label or button %s", qPrintable(name));
}

} // namespace TestSupport
