// SPDX-License-Identifier: MIT
#pragma once

#include "core/clock/Clock.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace TestSupport {

// The source tree (for data/Language.txt) and the built program, as CTest passes them.
QString sourceDir();
QString appBinary();

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

// A clock the test sets and moves on.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDateTime now = QDateTime(QDate(2021, 3, 5), QTime(8, 0, 0)))
        : m_now(std::move(now)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &now) { m_now = now; }
    void advanceSecs(qint64 seconds) { m_now = m_now.addSecs(seconds); }
    void advanceMSecs(qint64 msecs) { m_now = m_now.addMSecs(msecs); }

private:
    QDateTime m_now;
};

// A program folder in a temporary directory: TALLYPORT.ini with the given keys of section
// TALLY, the shipped Language.txt, and optionally a copy of the program itself.
class ProgramDir
{
public:
    explicit ProgramDir(const QMap<QString, QString> &settings = {}, bool withLanguage = true);
    QString path() const { return m_dir.path(); }
    QString iniFile() const { return m_dir.filePath(QStringLiteral("TALLYPORT.ini")); }
    QString languageFile() const { return m_dir.filePath(QStringLiteral("Language.txt")); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    // Copies the built program into the folder (the program looks for its files beside itself).
    QString installBinary() const;

private:
    QTemporaryDir m_dir;
};

QByteArray iniText(const QMap<QString, QString> &settings);

} // namespace TestSupport

class QProcess;

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

#include "gui/tray/TrayIcon.h"

namespace TestSupport {

// A notification area that records what the program does with its icon, for tests without a
// desktop; press() stands for the user's mouse on the icon.
class RecordingNotifyArea final : public NotifyArea
{
    Q_OBJECT

public:
    struct Call
    {
        QString operation; // "add", "modify" or "remove"
        QIcon icon;
        QString tooltip;
    };

    using NotifyArea::NotifyArea;

    bool add(const QIcon &icon, const QString &tooltip) override { return record({QStringLiteral("add"), icon, tooltip}); }
    bool modify(const QIcon &icon, const QString &tooltip) override { return record({QStringLiteral("modify"), icon, tooltip}); }
    bool remove() override { return record({QStringLiteral("remove"), {}, {}}); }
    bool isAvailable() const override { return available; }
    void press(int code) { emit pressed(code); }

    QList<Call> calls;
    bool available = true;

private:
    bool record(const Call &call)
    {
        calls << call;
        return available;
    }
};

} // namespace TestSupport

class FrmMain;

namespace TestSupport {

// A main window loaded from a program folder of its own, with a clock and a notification area
// the test controls. Its one-second timer is stopped: tests that want ticks give them.
class LoadedWindow
{
public:
    static inline const QDateTime DefaultStart = QDateTime(QDate(2021, 3, 5), QTime(8, 0));

    // settingsFile is the text of TALLYPORT.ini; "{dir}" in it stands for the program folder.
    explicit LoadedWindow(const QByteArray &settingsFile, const QDateTime &now = DefaultStart);
    virtual ~LoadedWindow();

    // Starts the program (again, after a reset of window: a restart) on the same folder.
    void load();
    // The transfer log, newest line first.
    QStringList log() const;
    // The text of a label or button of the main window.
    QString caption(const QString &name) const;

    ProgramDir dir;
    FakeClock clock;
    RecordingNotifyArea tray;
    std::unique_ptr<FrmMain> window;
};

} // namespace TestSupport
