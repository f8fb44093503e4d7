// SPDX-License-Identifier: MIT
// The settings dialog's test without its window: what answers at a port, told from its first
// words, and the steps against real servers where the dialog cannot reach (TLS with a trusted
// certificate).
#include "Files.h"
#include "FtpServer.h"
#include "Sshd.h"
#include "Vsftpd.h"
#include "core/language/BuiltInTexts.h"
#include "core/servertest/ConnectionTest.h"
#include "core/servertest/ServerProbe.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <optional>

using namespace korva5;

using namespace TestSupport;
using Protocol = ServerAddress::Protocol;
using Verdict = ServerProbe::Verdict;

Q_DECLARE_METATYPE(Protocol)
Q_DECLARE_METATYPE(Verdict)

namespace {

// A peer that says lines of its own choosing to whoever connects, on this thread's event loop.
class ScriptedPeer : public QTcpServer
{
public:
    explicit ScriptedPeer(QByteArray greeting) : m_greeting(std::move(greeting))
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                socket->setParent(this);
                socket->write(m_greeting);
            }
        });
        listen(QHostAddress::LocalHost);
    }

private:
    QByteArray m_greeting;
};

// Runs the probe on a thread of its own while this one serves the event loop.
ServerProbe::Result probeFrom(const ServerAddress &server, const ServerProbe::Limits &limits, std::atomic<bool> &abort,
                              int abortAfterMs = -1)
{
    auto done = std::async(std::launch::async, [&] { return ServerProbe::probe(server, abort, limits); });
    QElapsedTimer since;
    since.start();
    while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
        QCoreApplication::processEvents();
        if (abortAfterMs >= 0 && since.elapsed() >= abortAfterMs)
            abort = true;
    }
    return done.get();
}

ServerAddress at(Protocol protocol, const QString &host, int port)
{
    ServerAddress server;
    server.protocol = protocol;
    server.host = host;
    server.port = port;
    return server;
}

// Short limits, so that every silent case costs a fraction of a second.
ServerProbe::Limits quick()
{
    ServerProbe::Limits limits;
    limits.greeting = std::chrono::milliseconds(700);
    limits.plainGreeting = std::chrono::milliseconds(300);
    limits.reply = std::chrono::milliseconds(700);
    return limits;
}

// A whole test run: whether it passed, the reason it ended with, and each step's last report
// with its English line.
struct TestRun
{
    bool passed = false;
    QString reason;
    std::array<StepReport, TestStepCount> steps;
    QStringList lines;
    QString all() const { return lines.join(u'\n') + u'\n' + reason; }
};

// Runs the test to its end; nothing when it does not end within 30 s.
std::optional<TestRun> runToEnd(const ConnectionTestRequest &request)
{
    TestRun run;
    ConnectionTest test;
    QSignalSpy finished(&test, &ConnectionTest::finished);
    QObject::connect(&test, &ConnectionTest::stepReported, &test,
                     [&run](const StepReport &report) { run.steps[size_t(report.step)] = report; });
    test.start(request);
    if (!finished.wait(30000))
        return std::nullopt;
    run.passed = finished.first().at(0).toBool();
    run.reason = finished.first().at(1).toString();
    for (const StepReport &report : run.steps)
        run.lines << testStepText(report, BuiltInTexts::english);
    return run;
}

} // namespace

class TestConnectionTest : public QObject
{
    Q_OBJECT

private slots:
    void firstWords_data();
    void firstWords();
    void probeTellsWhatAnswers_data();
    void probeTellsWhatAnswers();
    void abortEndsASilentProbe();
    void tlsServerPassesEveryStep_data();
    void tlsServerPassesEveryStep();
    void statusFolderIsTriedWhenSet_data();
    void statusFolderIsTriedWhenSet();
};

void TestConnectionTest::firstWords_data()
{
    QTest::addColumn<Protocol>("protocol");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<bool>("ended");
    QTest::addColumn<int>("verdict"); // -1: more lines needed
    const QByteArrayList ftpGreeting{"220 korva5 test server ready"};
    const QByteArrayList sshBanner{"SSH-2.0-OpenSSH_9.2p1 Debian-2"};
    QTest::newRow("ftp greets") << Protocol::Ftp << ftpGreeting << false << int(Verdict::Answers);
    QTest::newRow("ftp greets in several lines")
        << Protocol::Ftp << QByteArrayList{"220-Welcome", "  to the office", "220 ready"} << false << int(Verdict::Answers);
    QTest::newRow("ftp greeting half there") << Protocol::Ftp << QByteArrayList{"220-Welcome"} << false << -1;
    QTest::newRow("ftp greeting cut off") << Protocol::Ftp << QByteArrayList{"220-Welcome"} << true << int(Verdict::NotFtp);
    QTest::newRow("ftp ready soon, then greets")
        << Protocol::Ftp << QByteArrayList{"120 ready in 1 minute", "220 ready"} << false << int(Verdict::Answers);
    QTest::newRow("ftp ready soon only") << Protocol::Ftp << QByteArrayList{"120 ready in 1 minute"} << false << -1;
    QTest::newRow("ftp turned away") << Protocol::Ftp << QByteArrayList{"421 Too many connections"} << false << int(Verdict::TurnedAway);
    QTest::newRow("ftp at an SSH port") << Protocol::Ftp << sshBanner << false << int(Verdict::AnswersSsh);
    QTest::newRow("ftpes at an SSH port") << Protocol::Ftpes << sshBanner << false << int(Verdict::AnswersSsh);
    QTest::newRow("ftp at a web server") << Protocol::Ftp << QByteArrayList{"HTTP/1.1 400 Bad Request"} << false << int(Verdict::NotFtp);
    QTest::newRow("ftps greeted in plain text") << Protocol::Ftps << ftpGreeting << false << int(Verdict::Answers);
    QTest::newRow("sftp answers") << Protocol::Sftp << sshBanner << false << int(Verdict::Answers);
    QTest::newRow("sftp with lines before its banner")
        << Protocol::Sftp << QByteArrayList{"Authorised users only", "SSH-2.0-x"} << false << int(Verdict::Answers);
    QTest::newRow("sftp at an FTP port") << Protocol::Sftp << ftpGreeting << false << int(Verdict::AnswersFtp);
    QTest::newRow("sftp at a busy FTP port") << Protocol::Sftp << QByteArrayList{"421-Busy", "421 later"} << false << int(Verdict::AnswersFtp);
    QTest::newRow("sftp at a TLS port") << Protocol::Sftp << QByteArrayList{QByteArray("\x15\x03\x01\x00\x02\x02", 6)} << true
                                        << int(Verdict::NotSsh);
    QTest::newRow("sftp, banner not yet") << Protocol::Sftp << QByteArrayList{"Authorised users only"} << false << -1;
    QTest::newRow("sftp, no banner at all") << Protocol::Sftp << QByteArrayList{"Authorised users only"} << true << int(Verdict::NotSsh);
}

void TestConnectionTest::firstWords()
{
    QFETCH(Protocol, protocol);
    QFETCH(QByteArrayList, lines);
    QFETCH(bool, ended);
    QFETCH(int, verdict);
    const std::optional<Verdict> found = ServerProbe::greetingVerdict(protocol, lines, ended);
    QCOMPARE(found ? int(*found) : -1, verdict);
}

void TestConnectionTest::probeTellsWhatAnswers_data()
{
    QTest::addColumn<QString>("server"); // pyftpdlib, pyftpdlib-tls, silent, closed, ssh, unknown, vsftpd-implicit
    QTest::addColumn<Protocol>("protocol");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("said"); // the start of the line that decided it
    QTest::newRow("ftp at an FTP server") << "pyftpdlib" << Protocol::Ftp << int(Verdict::Answers) << "220 korva5 test server ready";
    QTest::newRow("sftp at an FTP server") << "pyftpdlib" << Protocol::Sftp << int(Verdict::AnswersFtp) << "220 ";
    QTest::newRow("ftpes at a plain FTP server") << "pyftpdlib" << Protocol::Ftpes << int(Verdict::NoTls) << "500 ";
    QTest::newRow("ftps at a plain FTP server") << "pyftpdlib" << Protocol::Ftps << int(Verdict::NoTls) << "500 ";
    QTest::newRow("ftpes at an AUTH TLS server") << "pyftpdlib-tls" << Protocol::Ftpes << int(Verdict::Answers) << "220 ";
    QTest::newRow("ftps at an AUTH TLS server") << "pyftpdlib-tls" << Protocol::Ftps << int(Verdict::ExplicitTlsOnly) << "234 ";
    QTest::newRow("ftp at a silent server") << "silent" << Protocol::Ftp << int(Verdict::NoGreeting) << "";
    QTest::newRow("sftp at a silent server") << "silent" << Protocol::Sftp << int(Verdict::NoGreeting) << "";
    // Silence is the right answer of a TLS server to a client that has not begun.
    QTest::newRow("ftps at a silent server") << "silent" << Protocol::Ftps << int(Verdict::Answers) << "";
    QTest::newRow("ftp at a closed port") << "closed" << Protocol::Ftp << int(Verdict::Refused) << "";
    QTest::newRow("ftp at an SSH server") << "ssh" << Protocol::Ftp << int(Verdict::AnswersSsh) << "SSH-2.0-";
    QTest::newRow("sftp at an SSH server") << "ssh" << Protocol::Sftp << int(Verdict::Answers) << "SSH-2.0-";
    QTest::newRow("a name no one knows") << "unknown" << Protocol::Ftp << int(Verdict::NameUnknown) << "";
    QTest::newRow("ftps at an implicit TLS vsftpd") << "vsftpd-implicit" << Protocol::Ftps << int(Verdict::Answers) << "";
}

void TestConnectionTest::probeTellsWhatAnswers()
{
    QFETCH(QString, server);
    QFETCH(Protocol, protocol);
    QFETCH(int, verdict);
    QFETCH(QString, said);
    std::unique_ptr<FtpServer> ftp;
    std::unique_ptr<Vsftpd> vsftpd;
    std::unique_ptr<ScriptedPeer> peer;
    QString host = QStringLiteral("127.0.0.1");
    int port = 0;
    if (server.startsWith(u"pyftpdlib") || server == u"silent") {
        FtpServer::Options options;
        options.tls = server == u"pyftpdlib-tls";
        options.fault = server == u"silent" ? QStringLiteral("silent") : QString();
        ftp = std::make_unique<FtpServer>(options);
        QVERIFY2(ftp->isRunning(), qPrintable(ftp->error()));
        port = ftp->port();
    } else if (server == u"vsftpd-implicit") {
        if (!Vsftpd::unavailable().isEmpty())
            QSKIP(qPrintable(Vsftpd::unavailable()));
        vsftpd = std::make_unique<Vsftpd>(Vsftpd::Options{Vsftpd::Tls::Implicit, 0});
        QVERIFY2(vsftpd->isRunning(), qPrintable(vsftpd->error()));
        port = vsftpd->port();
    } else if (server == u"ssh") {
        peer = std::make_unique<ScriptedPeer>("SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n");
        port = peer->serverPort();
    } else if (server == u"closed") {
        port = closedPort();
    } else {
        host = QStringLiteral("korva5-no-such-host.invalid");
        port = 21;
    }
    std::atomic<bool> abort{false};
    QElapsedTimer took;
    took.start();
    const ServerProbe::Result result = probeFrom(at(protocol, host, port), quick(), abort);
    QCOMPARE(int(result.verdict), verdict);
    QVERIFY2(said.isEmpty() ? result.said.isEmpty() : result.said.startsWith(said), qPrintable(result.said));
    QCOMPARE(result.resolved, server != u"unknown");
    // Each phase within its own limit, never the transfer's tens of seconds.
    QVERIFY2(took.elapsed() < 3000, qPrintable(QString::number(took.elapsed())));
}

void TestConnectionTest::abortEndsASilentProbe()
{
    FtpServer server(FtpServer::Options{QStringLiteral("silent"), false, 0});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    std::atomic<bool> abort{false};
    QElapsedTimer took;
    took.start();
    const ServerProbe::Result result = probeFrom(at(Protocol::Ftp, QStringLiteral("127.0.0.1"), server.port()), {}, abort, 200);
    QCOMPARE(int(result.verdict), int(Verdict::Aborted));
    QVERIFY2(took.elapsed() < 1000, qPrintable(QString::number(took.elapsed())));
}

void TestConnectionTest::tlsServerPassesEveryStep_data()
{
    QTest::addColumn<bool>("implicit");
    QTest::newRow("ftpes") << false;
    QTest::newRow("ftps") << true;
}

// With the server's certificate trusted, as a station that was given it: every step passes, and
// the connection is reported once TLS stands.
void TestConnectionTest::tlsServerPassesEveryStep()
{
    QFETCH(bool, implicit);
    if (!Vsftpd::unavailable().isEmpty())
        QSKIP(qPrintable(Vsftpd::unavailable()));
    Vsftpd server(Vsftpd::Options{implicit ? Vsftpd::Tls::Implicit : Vsftpd::Tls::Explicit, 0});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    QTemporaryDir records;
    writeFile(records.filePath(QStringLiteral("20210305.txt")), "records\n");

    ConnectionTestRequest request;
    request.server = server.address();
    request.userName = Vsftpd::User;
    request.password = Vsftpd::Password;
    request.remoteFolder = QStringLiteral("upload/");
    request.localFolder = records.path() + u'/';
    request.now = QDateTime(QDate(2021, 3, 5), QTime(9, 0));
    request.times[0] = QStringLiteral("08:30");
    request.caBundle = server.certificate();
    request.testName = QStringLiteral("korva5-test-0000abcd");
    const std::optional<TestRun> run = runToEnd(request);
    QVERIFY(run);
    const QStringList &lines = run->lines;
    QVERIFY2(run->passed, qPrintable(run->all()));
    for (const StepReport &report : run->steps) {
        // No status folder is set: that step is not part of this station's uploads.
        const StepState expected = report.step == TestStep::StatusFolder ? StepState::Skipped : StepState::Passed;
        QVERIFY2(report.state == expected, qPrintable(lines.join(u'\n')));
    }
    QCOMPARE(lines.at(int(TestStep::Connection)), QStringLiteral("Connected with TLS at port %1").arg(server.port()));
    QCOMPARE(lines.at(int(TestStep::Login)), QStringLiteral("Logged in as anonymous"));
    QCOMPARE(lines.at(int(TestStep::Write)), QStringLiteral("Test file .korva5-test-0000abcd.part written"));
    QVERIFY(!QFile::exists(server.root() + QStringLiteral("/upload/korva5-test-0000abcd")));
}

void TestConnectionTest::statusFolderIsTriedWhenSet_data()
{
    QTest::addColumn<QString>("server"); // pyftpdlib or sshd
    QTest::addColumn<QString>("status"); // {above}: the folder the upload folder is in, as the server names it
    QTest::addColumn<bool>("passes");
    QTest::addColumn<QString>("words"); // the step's line; {id}: the test file's name
    const QString written = QStringLiteral("Test file korva5-test-{id} written and removed in status folder {above}status/");
    QTest::newRow("ftp: a folder of its own") << "pyftpdlib" << "{above}status/" << true << written;
    QTest::newRow("ftp: without the closing /") << "pyftpdlib" << "{above}status" << true << written;
    QTest::newRow("ftp: no such folder") << "pyftpdlib" << "{above}nowhere/" << false
                                         << "The folder {above}nowhere/ does not exist on the server";
    // The records folder named another way: the test file would land among the records.
    QTest::newRow("ftp: the records folder spelt otherwise") << "pyftpdlib" << "upload/" << false << "";
    QTest::newRow("sftp: a folder of its own") << "sshd" << "{above}status/" << true << written;
    QTest::newRow("sftp: no such folder") << "sshd" << "{above}nowhere/" << false
                                          << "The folder {above}nowhere/ does not exist on the server";
}

// With a status folder set, the Test writes and removes a file there as the status file goes,
// after every other step passed; what the server refuses is that step's failure alone.
void TestConnectionTest::statusFolderIsTriedWhenSet()
{
    QFETCH(QString, server);
    QFETCH(QString, status);
    QFETCH(bool, passes);
    QFETCH(QString, words);
    std::unique_ptr<FtpServer> ftp;
    std::unique_ptr<Sshd> sshd;
    std::unique_ptr<UseHome> home;
    ConnectionTestRequest request;
    QString above;     // as the server names it
    QString statusDir; // on this machine's disk
    if (server == u"sshd") {
        if (!Sshd::unavailable().isEmpty())
            QSKIP(qPrintable(Sshd::unavailable()));
        sshd = std::make_unique<Sshd>();
        QVERIFY2(sshd->isRunning(), qPrintable(sshd->error()));
        home = std::make_unique<UseHome>(sshd->homeWithKnownHosts(sshd->knownHostsLine()));
        request.server = sshd->address();
        request.userName = Sshd::User;
        request.password = Sshd::Password;
        request.remoteFolder = sshd->remoteFolder();
        above = request.remoteFolder.chopped(QStringLiteral("upload/").size());
        statusDir = sshd->makeRemoteFolder(QStringLiteral("status"));
        QVERIFY(!statusDir.isEmpty());
    } else {
        ftp = std::make_unique<FtpServer>();
        QVERIFY2(ftp->isRunning(), qPrintable(ftp->error()));
        request.server = ftp->address();
        request.userName = FtpServer::User;
        request.password = FtpServer::Password;
        request.remoteFolder = QStringLiteral("/upload/");
        above = QStringLiteral("/");
        statusDir = ftp->root() + QStringLiteral("/status/");
        QVERIFY(QDir().mkpath(statusDir));
    }
    QTemporaryDir records;
    writeFile(records.filePath(QStringLiteral("20210305.txt")), "records\n");
    request.localFolder = records.path() + u'/';
    request.now = QDateTime(QDate(2021, 3, 5), QTime(9, 0));
    request.testName = QStringLiteral("korva5-test-0000abcd");
    request.statusFolder = QString(status).replace(QStringLiteral("{above}"), above);

    const std::optional<TestRun> run = runToEnd(request);
    QVERIFY(run);
    const auto &last = run->steps;
    const QStringList &lines = run->lines;
    const QString all = run->all();
    QCOMPARE(run->passed, passes);
    // Every step of the records' uploads passed whatever the status folder holds.
    for (TestStep step = TestStep::RecordsFolder; step < TestStep::StatusFolder; step = nextStep(step))
        QVERIFY2(last[size_t(step)].state == StepState::Passed, qPrintable(all));
    QCOMPARE(last[size_t(TestStep::StatusFolder)].state, passes ? StepState::Passed : StepState::Failed);
    if (!words.isEmpty())
        QCOMPARE(lines.at(int(TestStep::StatusFolder)),
                 QString(words).replace(QStringLiteral("{above}"), above).replace(QStringLiteral("{id}"), QStringLiteral("0000abcd")));
    if (!passes)
        QVERIFY2(!run->reason.isEmpty(), "the server's reason is at hand");
    // Nothing is left behind: neither in the status folder nor among the records.
    QCOMPARE(QDir(statusDir).entryList(QDir::Files | QDir::Hidden), QStringList());
    if (ftp)
        QCOMPARE(QDir(ftp->root() + QStringLiteral("/upload")).entryList(QDir::Files | QDir::Hidden), QStringList());
    if (sshd)
        QCOMPARE(sshd->uploadFolderFiles(), QStringList());
}

QTEST_GUILESS_MAIN(TestConnectionTest)
#include "tst_connectiontest.moc"
