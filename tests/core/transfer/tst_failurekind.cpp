// SPDX-License-Identifier: MIT
// The kind of a failure, decided from what the server answered, what libcurl returned and what
// the local checks found, against a real server with scripted faults.
#include "core/transfer/FtpTransfer.h"
#include "CoreTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korva5;

using namespace TestSupport;

Q_DECLARE_METATYPE(FailureKind)

class TestFailureKind : public QObject
{
    Q_OBJECT

private slots:
    void kindFromTheServer_data();
    void kindFromTheServer();
};

void TestFailureKind::kindFromTheServer_data()
{
    QTest::addColumn<QString>("fault");    // the server's scripted fault; "refused": no server at all
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("remotePath");
    QTest::addColumn<bool>("localFile");   // whether the local file is there
    QTest::addColumn<FailureKind>("kind");
    QTest::addColumn<int>("replyCode");    // the server's reply to the command that failed; 0: none
    QTest::addColumn<QString>("detail");   // how the short words' detail starts

    const QString secret = FtpServer::Password;
    QTest::newRow("wrong password") << "" << "wrong" << "/upload/f.12" << true << FailureKind::LoginRefused << 530 << "530 ";
    QTest::newRow("missing remote folder")
        << "" << secret << "/no/such/f.12" << true << FailureKind::RemoteFolderMissing << 550 << "550 ";
    QTest::newRow("STOR refused, read-only") << "read-only" << secret << "/upload/f.12" << true << FailureKind::RemoteWriteRefused
                                             << 550 << "550 Permission denied";
    QTest::newRow("disk full") << "stor-5xx" << secret << "/upload/f.12" << true << FailureKind::ServerDiskFull << 552 << "552 ";
    QTest::newRow("drop mid-transfer") << "drop-stor" << secret << "/upload/f.12" << true << FailureKind::TransferCut << 0 << "";
    QTest::newRow("connection refused") << "refused" << secret << "/upload/f.12" << true << FailureKind::ConnectionRefused << 0 << "";
    QTest::newRow("silent server") << "silent" << secret << "/upload/f.12" << true << FailureKind::ConnectTimedOut << 0 << "2";
    QTest::newRow("missing local file") << "" << secret << "/upload/f.12" << false << FailureKind::LocalMissing << 0 << "/";
    QTest::newRow("size differs") << "truncate" << secret << "/upload/f.12" << true << FailureKind::SizeDiffers << 213 << "";
    QTest::newRow("rename refused") << "rename-policy" << secret << "/upload/f.12" << true << FailureKind::RenameRefused << 553
                                    << "553 Rename refused by policy";
    QTest::newRow("path leaves the folder") << "" << secret << "/upload/.." << true << FailureKind::NameRefused << 0 << "";
}

void TestFailureKind::kindFromTheServer()
{
    QFETCH(QString, fault);
    QFETCH(QString, password);
    QFETCH(QString, remotePath);
    QFETCH(bool, localFile);
    QFETCH(FailureKind, kind);
    QFETCH(int, replyCode);
    QFETCH(QString, detail);

    FtpServer::Options options;
    options.fault = fault == u"refused" ? QString() : fault;
    FtpServer server(options);
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    QTemporaryDir local;
    const QString file = local.filePath(QStringLiteral("f.txt"));
    if (localFile)
        writeFile(file, QByteArray(256 * 1024, 'x'));

    FtpRequest request;
    request.server = fault == u"refused" ? QStringLiteral("127.0.0.1:%1").arg(closedPort()) : server.address();
    request.userName = FtpServer::User;
    request.password = password;
    request.localPath = file;
    request.remotePath = remotePath;
    request.timeouts = {std::chrono::seconds(2), std::chrono::seconds(2), std::chrono::seconds(2)};
    const std::atomic<bool> abort{false};
    FtpFailure heard;
    const FtpResult result = runFtpTransfer(
        request, [](Ftp::State, const QString &) {}, abort, {}, [&](const FtpFailure &failure) { heard = failure; });

    QVERIFY(!result.succeeded);
    QVERIFY2(result.failure.kind == kind,
             qPrintable(failureKindName(result.failure.kind) + u" for: " + result.reason));
    QCOMPARE(heard.kind, kind); // heard before the error state, as the result has it
    QCOMPARE(result.failure.replyCode, replyCode);
    QVERIFY2(detail.isEmpty() ? result.failure.detail.isEmpty() : result.failure.detail.startsWith(detail),
             qPrintable(result.failure.detail));
    // The whole reason stays as rich as ever: where it went and what was said.
    QVERIFY(!result.reason.isEmpty());
    if (replyCode >= 400)
        QVERIFY2(result.reason.contains(QString::number(replyCode)), qPrintable(result.reason));
}

QTEST_GUILESS_MAIN(TestFailureKind)
#include "tst_failurekind.moc"
