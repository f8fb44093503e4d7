// SPDX-License-Identifier: MIT
// Uploads through the main window and the real transfer control, against a real FTP server.
#include "gui/shell/Application.h"
#include "core/transfer/TransferQueue.h"
#include "core/delivery/Uploader.h"
#include "MessageCapture.h"
#include "TestSupport.h"
#include "core/settings/ProfileFile.h"
#include "core/delivery/TransferLog.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace korva5;

using namespace TestSupport;

namespace {


// A workstation: a program folder whose settings point at the server, a records folder, and the
// loaded main window.
class Desk : public LoadedWindow
{
public:
    Desk(const FtpServer &server, const QMap<QString, QString> &settings = {},
            const QDateTime &now = DefaultStart, const QString &recordsFolder = QStringLiteral("records"))
        : LoadedWindow(settingsFile(server, settings, recordsFolder), now)
        , records(dir.file(recordsFolder) + u'/')
    {
        QDir().mkpath(records);
        ftp()->setTimeouts({std::chrono::seconds(5), std::chrono::seconds(3), std::chrono::seconds(3)});
        if (server.port() > 0 && settings.value(QStringLiteral("FtpServer")).startsWith(u"ftpes"))
            ftp()->setTrustedCertificates(server.certificate());
    }

    static QByteArray settingsFile(const FtpServer &server, const QMap<QString, QString> &settings,
                                   const QString &recordsFolder)
    {
        QMap<QString, QString> all{{QStringLiteral("FtpNo"), QStringLiteral("12")},
                                   {QStringLiteral("FtpServer"), server.address()},
                                   {QStringLiteral("FtpPath"), QStringLiteral("/upload/")},
                                   {QStringLiteral("FtpUserName"), FtpServer::User},
                                   {QStringLiteral("FtpPassword"), FtpServer::Password},
                                   {QStringLiteral("LocalPath"), QStringLiteral("{dir}/") + recordsFolder + u'/'}};
        all.insert(settings);
        return iniText(all);
    }

    TransferQueue *ftp() const { return &transfers(); }
    QString recordsFile(const QString &day) const { return records + day + QStringLiteral(".txt"); }
    QByteArray putRecords(const QString &day, int size = 4096) const
    {
        const QByteArray bytes = recordsOf(day, size);
        writeFile(recordsFile(day), bytes);
        return bytes;
    }
    // Clicks a button and waits until the transfers it started have ended.
    bool click(QPushButton *button, int transfers = 1, int timeoutMs = 30000)
    {
        QSignalSpy finished(ftp(), &TransferQueue::transferEnded);
        QTest::mouseClick(button, Qt::LeftButton);
        return waitFor(finished, transfers, timeoutMs);
    }
    static bool waitFor(QSignalSpy &finished, int transfers, int timeoutMs = 30000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (finished.count() < transfers && !deadline.hasExpired())
            finished.wait(200);
        QCoreApplication::processEvents(); // the stateChanged events queued before the end
        return finished.count() == transfers;
    }
    QString label(const char *name) const { return caption(QLatin1StringView(name)); }

    QString records;
};

QStringList statusLines(const QString &server, bool succeeded)
{
    if (!succeeded)
        return {QStringLiteral("Disconnected ") + server, QStringLiteral("Disconnecting ") + server,
                QStringLiteral("Error!")};
    return {QStringLiteral("Disconnected ") + server, QStringLiteral("Disconnecting ") + server,
            QStringLiteral("ResponseCompleted."), QStringLiteral("Connected ") + server,
            QStringLiteral("Connecting ") + server};
}

} // namespace

class TestUpload : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void manualUploadArrivesWhole();
    void yesterdayUpload_data();
    void yesterdayUpload();
    void accessKeySendsAtOnce_data();
    void accessKeySendsAtOnce();
    void folderForms_data();
    void folderForms();
    void failureIsLoggedAndNextUploadWorks_data();
    void failureIsLoggedAndNextUploadWorks();
    void scriptedServerFaults_data();
    void scriptedServerFaults();
    void backToBackUploadsBothArrive();
    void windowStaysResponsiveDuringLargeUpload();
    void explicitTls();
    void controlCharactersNeverReachTheServer_data();
    void controlCharactersNeverReachTheServer();
    void passwordNeverInDiagnostics();
    void stateLinesUseTheServerSetNow();
    void logKeepsTheNewestLines();
    void stationNumberStaysInTheFolder_data();
    void stationNumberStaysInTheFolder();
    void remotePathGoesAsWritten();
    void diagnosticsHideLoginsAndShowControls();

private:
    std::unique_ptr<FtpServer> m_server;
};

void TestUpload::initTestCase()
{
    m_server = std::make_unique<FtpServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
}

void TestUpload::manualUploadArrivesWhole()
{
    Desk station(*m_server);
    const QByteArray records = station.putRecords(QStringLiteral("20210305"), 300 * 1024 + 17);
    QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad"))));

    QCOMPARE(m_server->stored(QStringLiteral("upload/20210305.12")), records);
    const QString command = QStringLiteral("SEND %1 /upload/20210305.12").arg(station.recordsFile(QStringLiteral("20210305")));
    const QStringList expected = statusLines(m_server->address(), true) + QStringList{command, QStringLiteral("2021/03/05-08:00")};
    QCOMPARE(station.log(), expected);
    QCOMPARE(station.label("lblLocalFile"), QStringLiteral("20210305.txt"));
    QCOMPARE(station.label("lblUpFile"), QStringLiteral("20210305.12"));
    QVERIFY(m_server->commandLog().contains("TYPE I\n")); // binary mode
}

void TestUpload::yesterdayUpload_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("day");
    QTest::newRow("1 March 2004, leap year") << QDate(2004, 3, 1) << "20040229";
    QTest::newRow("1 January") << QDate(2021, 1, 1) << "20201231";
}

void TestUpload::yesterdayUpload()
{
    QFETCH(QDate, today);
    QFETCH(QString, day);
    Desk station(*m_server, {}, QDateTime(today, QTime(9, 15)));
    const QByteArray records = station.putRecords(day);
    QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad2"))));

    QCOMPARE(m_server->stored(QStringLiteral("upload/%1.12").arg(day)), records);
    QCOMPARE(station.window->findChild<QDateEdit *>(QStringLiteral("dtUp"))->date(), today);
    QCOMPARE(station.label("lblUpFile"), day + QStringLiteral(".12"));
    // No time stamp: the command line is the first line of the upload.
    const QStringList log = station.log();
    QCOMPARE(log.last(), QStringLiteral("SEND %1 /upload/%2.12").arg(station.recordsFile(day), day));
    QCOMPARE(log.mid(0, log.size() - 1), statusLines(m_server->address(), true));
}

void TestUpload::accessKeySendsAtOnce_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("day");
    QTest::newRow("Manual Upload") << "English" << int(Qt::Key_M) << "20210305";
    QTest::newRow("Yesterday Upload") << "English" << int(Qt::Key_Y) << "20210304";
    QTest::newRow("Manual Upload in Taiwan's words") << "Taiwan" << int(Qt::Key_M) << "20210305";
}

void TestUpload::accessKeySendsAtOnce()
{
    QFETCH(QString, language);
    QFETCH(int, key);
    QFETCH(QString, day);
    Desk station(*m_server, {{QStringLiteral("Language"), language}});
    const QByteArray records = station.putRecords(day);
    station.window->show();
    QApplication::setActiveWindow(station.window);
    QVERIFY(QTest::qWaitForWindowActive(station.window));
    QSignalSpy finished(station.ftp(), &TransferQueue::transferEnded);
    QTest::keyClick(station.window, Qt::Key(key), Qt::AltModifier);
    // Asked for while the key was taken, not a timer's tick later.
    const QString command = QStringLiteral("SEND %1 /upload/%2.12").arg(station.recordsFile(day), day);
    QVERIFY2(station.log().contains(command), qPrintable(station.log().join(u'\n')));
    QVERIFY(Desk::waitFor(finished, 1));
    QCOMPARE(m_server->stored(QStringLiteral("upload/%1.12").arg(day)), records);
}

void TestUpload::folderForms_data()
{
    QTest::addColumn<QString>("ftpPath");
    QTest::addColumn<QString>("stationNo");
    QTest::addColumn<QString>("recordsFolder");
    QTest::addColumn<QString>("arrivesAs");

    QTest::newRow("absolute remote folder") << "/upload/" << "12" << "records" << "upload/20210305.12";
    QTest::newRow("relative remote folder") << "upload/" << "12" << "records" << "upload/20210305.12";
    QTest::newRow("empty remote folder: login folder") << "" << "12" << "records" << "20210305.12";
    QTest::newRow("blank in the local folder's name") << "/upload/" << "7" << "my records" << "upload/20210305.7";
    QTest::newRow("blank in the remote folder's name") << "/upload/day files/" << "7" << "records"
                                                       << "upload/day files/20210305.7";
    QTest::newRow("empty station number") << "/upload/" << "" << "records" << "upload/20210305.";
}

void TestUpload::folderForms()
{
    QFETCH(QString, ftpPath);
    QFETCH(QString, stationNo);
    QFETCH(QString, recordsFolder);
    QFETCH(QString, arrivesAs);
    QDir().mkpath(m_server->root() + QStringLiteral("/upload/day files"));
    QFile::remove(m_server->root() + u'/' + arrivesAs);

    Desk station(*m_server, {{QStringLiteral("FtpPath"), ftpPath}, {QStringLiteral("FtpNo"), stationNo}},
                    QDateTime(QDate(2021, 3, 5), QTime(8, 0)), recordsFolder);
    const QByteArray records = station.putRecords(QStringLiteral("20210305"));
    QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad"))));
    QCOMPARE(station.log().first(), QStringLiteral("Disconnected ") + m_server->address());
    QVERIFY2(station.log().contains(QStringLiteral("ResponseCompleted.")), qPrintable(station.log().join(u'\n')));
    QCOMPARE(m_server->stored(arrivesAs), records);
}

void TestUpload::failureIsLoggedAndNextUploadWorks_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reasonLine"); // the start of the line under "Error!"
    QTest::newRow("wrong password") << "password" << "login refused: 530 ";
    QTest::newRow("missing local file") << "local file" << "no such file /";
    QTest::newRow("missing remote folder") << "remote folder" << "no such remote folder: 550 ";
    QTest::newRow("connection refused") << "refused" << "connection refused";
    QTest::newRow("no server set") << "no server" << "no server is set";
}

void TestUpload::failureIsLoggedAndNextUploadWorks()
{
    QFETCH(QString, fault);
    QMap<QString, QString> settings;
    if (fault == u"password")
        settings.insert(QStringLiteral("FtpPassword"), QStringLiteral("wrong"));
    if (fault == u"remote folder")
        settings.insert(QStringLiteral("FtpPath"), QStringLiteral("/no/such/folder/"));
    if (fault == u"refused")
        settings.insert(QStringLiteral("FtpServer"), QStringLiteral("127.0.0.1:%1").arg(closedPort()));
    if (fault == u"no server")
        settings.insert(QStringLiteral("FtpServer"), QString());
    Desk station(*m_server, settings);
    if (fault != u"local file")
        station.putRecords(QStringLiteral("20210305"));
    QFile::remove(m_server->root() + QStringLiteral("/upload/20210305.12"));

    QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad"))));
    QVERIFY2(station.log().contains(QStringLiteral("Error!")), qPrintable(station.log().join(u'\n')));
    QVERIFY(!station.log().contains(QStringLiteral("ResponseCompleted.")));
    // The reason in a few words, right under the error.
    QFETCH(QString, reasonLine);
    const QString under = station.log().value(station.log().indexOf(QStringLiteral("Error!")) + 1);
    QVERIFY2(under.startsWith(reasonLine), qPrintable(station.log().join(u'\n')));
    QVERIFY(!m_server->holds(QStringLiteral("no/such/folder")));
    // Connected or not, the error stands above the upload's own lines.
    QVERIFY(station.log().indexOf(QStringLiteral("Error!")) < station.log().indexOf(QRegularExpression(QStringLiteral("^SEND .*"))));
    const bool connected = fault == u"password" || fault == u"remote folder";
    QCOMPARE(station.log().first() == QStringLiteral("Disconnected ") + ProfileFile::trimmedBlanks(station.ftp()->serverAddress()), connected);

    // The cause mended, the next upload goes through.
    writeFile(station.dir.iniFile(), iniText({{QStringLiteral("FtpNo"), QStringLiteral("12")},
                                              {QStringLiteral("FtpServer"), m_server->address()},
                                              {QStringLiteral("FtpPath"), QStringLiteral("/upload/")},
                                              {QStringLiteral("FtpUserName"), FtpServer::User},
                                              {QStringLiteral("FtpPassword"), FtpServer::Password},
                                              {QStringLiteral("LocalPath"), station.records}}));
    station.station().reloadSettings();
    const QByteArray records = station.putRecords(QStringLiteral("20210305"));
    QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad"))));
    QCOMPARE(station.log().mid(0, 5), statusLines(m_server->address(), true));
    QCOMPARE(m_server->stored(QStringLiteral("upload/20210305.12")), records);
}

void TestUpload::scriptedServerFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("connection dropped during STOR") << "drop-stor" << false;
    QTest::newRow("server never answers") << "silent" << false;
    QTest::newRow("4xx reply to STOR") << "stor-4xx" << false;
    QTest::newRow("5xx reply to STOR") << "stor-5xx" << false;
    QTest::newRow("226 for a file it did not keep") << "truncate" << false;
    QTest::newRow("upload stalls") << "stall" << false;
    QTest::newRow("server without SIZE") << "no-size" << true;
    QTest::newRow("continuation lines that look like success, then 451") << "stor-multiline-451" << false;
    QTest::newRow("file gone before SIZE (550)") << "vanish" << false;
}

void TestUpload::scriptedServerFaults()
{
    QFETCH(QString, fault);
    QFETCH(bool, succeeds);
    FtpServer server({fault});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    Desk station(server);
    station.ftp()->setTimeouts({std::chrono::seconds(2), std::chrono::seconds(2), std::chrono::seconds(2)});
    const QByteArray records = station.putRecords(QStringLiteral("20210305"), 1024 * 1024);

    QElapsedTimer timer;
    timer.start();
    QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad")), 1, 20000));
    QVERIFY2(timer.elapsed() < 15000, "a dead server held the control too long");
    QCOMPARE(station.log().contains(QStringLiteral("Error!")), !succeeds);
    QCOMPARE(station.log().contains(QStringLiteral("ResponseCompleted.")), succeeds);
    if (fault == u"silent")
        QCOMPARE(station.log().value(station.log().indexOf(QStringLiteral("Error!")) + 1), QStringLiteral("timed out after 2 s"));
    if (succeeds)
        QCOMPARE(server.stored(QStringLiteral("upload/20210305.12")), records);
    QVERIFY(!station.ftp()->isBusy());
}

void TestUpload::backToBackUploadsBothArrive()
{
    Desk station(*m_server);
    const QByteArray today = station.putRecords(QStringLiteral("20210305"), 2 * 1024 * 1024);
    const QByteArray yesterday = station.putRecords(QStringLiteral("20210304"), 1024);
    QSignalSpy finished(station.ftp(), &TransferQueue::transferEnded);
    station.window->uploadPickedDay();
    station.window->uploadYesterday();
    QVERIFY(Desk::waitFor(finished, 2));

    QCOMPARE(finished.at(0).at(0).value<FtpResult>().remotePath, QStringLiteral("/upload/20210305.12"));
    QCOMPARE(finished.at(1).at(0).value<FtpResult>().remotePath, QStringLiteral("/upload/20210304.12"));
    QVERIFY(finished.at(0).at(0).value<FtpResult>().succeeded && finished.at(1).at(0).value<FtpResult>().succeeded);
    QCOMPARE(m_server->stored(QStringLiteral("upload/20210305.12")), today);
    QCOMPARE(m_server->stored(QStringLiteral("upload/20210304.12")), yesterday);
    const QByteArray commands = m_server->commandLog();
    // One after the other: today's file has its final name before yesterday's goes out.
    QVERIFY(commands.lastIndexOf("STOR .20210305.12.part") >= 0);
    QVERIFY(commands.lastIndexOf("STOR .20210305.12.part") < commands.lastIndexOf("RNTO 20210305.12\n"));
    QVERIFY(commands.lastIndexOf("RNTO 20210305.12\n") < commands.lastIndexOf("STOR .20210304.12.part"));
    QCOMPARE(station.log().count(QStringLiteral("ResponseCompleted.")), 2);
}

void TestUpload::windowStaysResponsiveDuringLargeUpload()
{
    Desk station(*m_server);
    {
        QFile big(station.recordsFile(QStringLiteral("20210305")));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(200LL * 1024 * 1024));
    }
    QSignalSpy finished(station.ftp(), &TransferQueue::transferEnded);
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    int ticks = 0;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        if (ticks++ > 0)
            longestGap = std::max(longestGap, sinceTick.elapsed());
        sinceTick.start();
    });
    heartbeat.start();
    station.window->uploadPickedDay();
    QVERIFY(Desk::waitFor(finished, 1, 120000));
    heartbeat.stop();

    QVERIFY(finished.first().at(0).value<FtpResult>().succeeded);
    QCOMPARE(QFileInfo(m_server->root() + QStringLiteral("/upload/20210305.12")).size(), 200LL * 1024 * 1024);
    QVERIFY(ticks > 5);
    QVERIFY2(longestGap < 100, qPrintable(QStringLiteral("the window's thread was held for %1 ms").arg(longestGap)));
}

void TestUpload::explicitTls()
{
    FtpServer server({QString(), true});
    if (!server.isRunning())
        QSKIP(qPrintable(QStringLiteral("no TLS test server: ") + server.error()));
    {
        Desk station(server, {{QStringLiteral("FtpServer"), server.address()}});
        const QByteArray records = station.putRecords(QStringLiteral("20210305"), 100 * 1024);
        QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad"))));
        QVERIFY2(station.log().contains(QStringLiteral("ResponseCompleted.")), qPrintable(station.log().join(u'\n')));
        QCOMPARE(server.stored(QStringLiteral("upload/20210305.12")), records);
        QVERIFY(server.commandLog().contains("AUTH TLS"));
        QVERIFY(server.commandLog().contains("PROT P"));
    }
    {
        // An untrusted certificate is refused: nothing is sent in plain text instead.
        Desk station(server, {{QStringLiteral("FtpServer"), server.address()}});
        station.ftp()->setTrustedCertificates(QString());
        station.putRecords(QStringLiteral("20210304"));
        const qsizetype before = server.commandLog().size();
        station.window->findChild<QDateEdit *>(QStringLiteral("dtUp"))->setDate(QDate(2021, 3, 4));
        QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad"))));
        QVERIFY(station.log().contains(QStringLiteral("Error!")));
        QVERIFY(!server.holds(QStringLiteral("upload/20210304.12")));
        QVERIFY(!server.commandLog().mid(before).contains("USER"));
    }
}

void TestUpload::controlCharactersNeverReachTheServer_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("station number") << "FtpNo" << "1\rDELE 20210305.12";
    QTest::newRow("remote folder") << "FtpPath" << "/upload/\rDELE x\r/";
    QTest::newRow("user name") << "FtpUserName" << "station\rDELE x";
}

void TestUpload::controlCharactersNeverReachTheServer()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    // A lone CR survives a hand-edited settings file: it is not a line end there.
    Desk station(*m_server, {{key, value}});
    QCOMPARE(station.station().state().settings()[key], value);
    station.putRecords(QStringLiteral("20210305"));
    const qsizetype before = m_server->commandLog().size();
    QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad"))));
    QVERIFY(station.log().contains(QStringLiteral("Error!")));
    const QByteArray commands = m_server->commandLog().mid(before);
    QVERIFY2(!commands.contains("DELE") && !commands.contains("STOR"), commands.constData());
}

void TestUpload::passwordNeverInDiagnostics()
{
    static QStringList messages;
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &context, const QString &text) {
        messages << QString::fromLatin1(context.category) + u' ' + text;
    });
    const QString password = QStringLiteral("Pw-7f3c1b9e");
    {
        Desk station(*m_server, {{QStringLiteral("FtpPassword"), password}});
        station.putRecords(QStringLiteral("20210305"));
        QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad"))));
        QVERIFY(station.log().contains(QStringLiteral("Error!")));
        QVERIFY(!station.log().join(u'\n').contains(password));
    }
    qInstallMessageHandler(previous);
    QVERIFY(!messages.isEmpty()); // the failure itself is reported
    QVERIFY2(messages.filter(QStringLiteral("530")).size() + messages.filter(QStringLiteral("denied"), Qt::CaseInsensitive).size() > 0,
             qPrintable(messages.join(u'\n')));
    QVERIFY(messages.filter(password).isEmpty());
}




void TestUpload::stateLinesUseTheServerSetNow()
{
    // The status lines name the server the control holds when the state comes in.
    AppState state;
    TransferLog log;
    TransferQueue ftp;
    FakeClock clock(LoadedWindow::DefaultStart);
    Uploader uploader(state, log, ftp, clock, [](const QString &key) { return key; });
    ftp.setServerAddress(QStringLiteral("  192.168.0.10 "));
    QStringList lines;
    QObject::connect(&log, &TransferLog::inserted, [&](const QString &line, int row) { lines.insert(row, line); });
    uploader.logState(Ftp::State::Connecting);
    ftp.setServerAddress(QString());
    uploader.logState(Ftp::State::Connected);
    for (int ignored : {0, 1, 2, 5, 6, 7, 8, 13, -1})
        uploader.logState(Ftp::State(ignored));
    QCOMPARE(lines, (QStringList{QStringLiteral("Connected "), QStringLiteral("Connecting 192.168.0.10")}));
}


void TestUpload::logKeepsTheNewestLines()
{
    LoadedWindow w(iniText({}));
    MessageCapture quiet; // ten thousand lines on standard error would drown the test's output
    // As the station tells the window of each line.
    for (int i = 0; i < TransferLog::MaxLines + 5; ++i)
        emit w.station().logLineInserted(QString::number(i), 0);
    const QListWidget *list = w.window->findChild<QListWidget *>(QStringLiteral("lstList"));
    QCOMPARE(list->count(), TransferLog::MaxLines);
    QCOMPARE(list->item(0)->text(), QString::number(TransferLog::MaxLines + 4));
    QCOMPARE(list->item(list->count() - 1)->text(), QStringLiteral("5"));
}



void TestUpload::stationNumberStaysInTheFolder_data()
{
    QTest::addColumn<QString>("stationNo");
    QTest::addColumn<QString>("arrivesAs"); // empty: refused
    QTest::newRow("climbs out of the folder") << "1/../../x" << "";
    QTest::newRow("parent folder") << ".." << "";
    QTest::newRow("this folder") << "." << "";
    QTest::newRow("backslash") << "a\\b" << "";
    QTest::newRow("CR inside") << "1\r2" << "";
    QTest::newRow("TAB inside") << "1\t2" << "";
    QTest::newRow("TAB around it is removed") << "\t12\t" << "upload/20210305.12";
    QTest::newRow("ordinary") << "7a" << "upload/20210305.7a";
}

void TestUpload::stationNumberStaysInTheFolder()
{
    QFETCH(QString, stationNo);
    QFETCH(QString, arrivesAs);
    Desk station(*m_server, {{QStringLiteral("FtpNo"), stationNo}});
    const QByteArray records = station.putRecords(QStringLiteral("20210305"));
    const qsizetype before = m_server->commandLog().size();
    MessageCapture messages;
    QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad"))));

    const QByteArray commands = m_server->commandLog().mid(before);
    if (arrivesAs.isEmpty()) {
        QVERIFY2(!commands.contains("STOR") && !commands.contains("USER"), commands.constData());
        QCOMPARE(station.log().first(), QStringLiteral("Error!"));
        QVERIFY2(messages.text().contains(QStringLiteral("(FtpNo)")), qPrintable(messages.text()));
        QVERIFY(!station.log().join(u'\n').contains(u'\r'));
    } else {
        QVERIFY2(station.log().contains(QStringLiteral("ResponseCompleted.")), qPrintable(station.log().join(u'\n')));
        QCOMPARE(m_server->stored(arrivesAs), records);
    }
}

void TestUpload::remotePathGoesAsWritten()
{
    // A ".." typed into the remote folder reaches the server as typed, not folded by the client.
    Desk station(*m_server, {{QStringLiteral("FtpPath"), QStringLiteral("/upload/../upload/")}});
    const QByteArray records = station.putRecords(QStringLiteral("20210305"));
    QFile::remove(m_server->root() + QStringLiteral("/upload/20210305.12"));
    const qsizetype before = m_server->commandLog().size();
    QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad"))));
    QVERIFY2(m_server->commandLog().mid(before).contains("CWD ..\n"), m_server->commandLog().mid(before).constData());
    QCOMPARE(m_server->stored(QStringLiteral("upload/20210305.12")), records);
}



void TestUpload::diagnosticsHideLoginsAndShowControls()
{
    MessageCapture messages;
    {
        Desk station(*m_server, {{QStringLiteral("FtpServer"), QStringLiteral("station:Secret-9@127.0.0.1:99999")}});
        station.putRecords(QStringLiteral("20210305"));
        QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad"))));
        QVERIFY(station.log().contains(QStringLiteral("Error!")));
    }
    QVERIFY(!messages.text().contains(QStringLiteral("Secret-9")));
    QVERIFY2(messages.text().contains(QStringLiteral("***@127.0.0.1:99999")), qPrintable(messages.text()));
    {
        Desk station(*m_server, {{QStringLiteral("FtpPath"), QStringLiteral("/up\rload/")}});
        station.putRecords(QStringLiteral("20210305"));
        QVERIFY(station.click(station.window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad"))));
        const QString send = station.log().filter(QStringLiteral("SEND ")).value(0);
        QVERIFY2(send.endsWith(QStringLiteral(" /up\\rload/20210305.12")), qPrintable(send));
    }
}

QTEST_MAIN(TestUpload)
#include "tst_upload.moc"
