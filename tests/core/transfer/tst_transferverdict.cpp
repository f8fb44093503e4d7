// SPDX-License-Identifier: MIT
// The verdict on a transfer from plain facts: libcurl's result, the server's replies, the bytes.
#include "core/transfer/TransferVerdict.h"

#include <QTest>

using namespace korva5;

Q_DECLARE_METATYPE(FailureKind)
Q_DECLARE_METATYPE(CURLcode)

class TestTransferVerdict : public QObject
{
    Q_OBJECT

private slots:
    void verdict_data();
    void verdict();
};

void TestTransferVerdict::verdict_data()
{
    QTest::addColumn<CURLcode>("code");
    QTest::addColumn<bool>("sftp");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QStringList>("dialogue"); // as tst_ftpreplies: ">" lines are commands
    QTest::addColumn<qint64>("sent");          // of 100 bytes announced
    QTest::addColumn<FailureKind>("kind");
    QTest::addColumn<QString>("detail");

    const QStringList stored{QStringLiteral(">STOR f"), QStringLiteral("150 go"), QStringLiteral("226 done")};
    QTest::newRow("all agree") << CURLE_OK << false << true << (stored + QStringList{QStringLiteral(">SIZE f"), QStringLiteral("213 100")}) << qint64(100)
                               << FailureKind::None << "";
    QTest::newRow("server without SIZE") << CURLE_OK << false << true << (stored + QStringList{QStringLiteral(">SIZE f"), QStringLiteral("502 no")}) << qint64(100)
                                         << FailureKind::None << "";
    QTest::newRow("size differs") << CURLE_OK << false << true << (stored + QStringList{QStringLiteral(">SIZE f"), QStringLiteral("213 60")}) << qint64(100)
                                  << FailureKind::SizeDiffers << "";
    QTest::newRow("gone before SIZE") << CURLE_OK << false << true << (stored + QStringList{QStringLiteral(">SIZE f"), QStringLiteral("550 gone")}) << qint64(100)
                                      << FailureKind::NotConfirmed << "550 gone";
    QTest::newRow("fewer bytes than announced") << CURLE_OK << false << true << stored << qint64(40) << FailureKind::TransferCut << "";
    QTest::newRow("451 after the data") << CURLE_OK << false << true << QStringList{QStringLiteral(">STOR f"), QStringLiteral("150 go"), QStringLiteral("451 local error")}
                                        << qint64(100) << FailureKind::NotConfirmed << "451 local error";
    QTest::newRow("login denied") << CURLE_LOGIN_DENIED << false << true << QStringList{QStringLiteral(">PASS p"), QStringLiteral("530 Login incorrect.")}
                                  << qint64(0) << FailureKind::LoginRefused << "530 Login incorrect.";
    QTest::newRow("530 to STOR is a login refused") << CURLE_UPLOAD_FAILED << false << true
                                                    << QStringList{QStringLiteral(">STOR f"), QStringLiteral("530 Not logged in.")} << qint64(0)
                                                    << FailureKind::LoginRefused << "530 Not logged in.";
    QTest::newRow("CWD refused") << CURLE_REMOTE_ACCESS_DENIED << false << true << QStringList{QStringLiteral(">CWD x"), QStringLiteral("550 No such folder.")}
                                 << qint64(0) << FailureKind::RemoteFolderMissing << "550 No such folder.";
    QTest::newRow("452 to STOR") << CURLE_UPLOAD_FAILED << false << true << QStringList{QStringLiteral(">STOR f"), QStringLiteral("452 No room.")} << qint64(0)
                                 << FailureKind::ServerDiskFull << "452 No room.";
    QTest::newRow("refused connection") << CURLE_COULDNT_CONNECT << false << false << QStringList{} << qint64(0)
                                        << FailureKind::ConnectionRefused << "";
    QTest::newRow("unknown host") << CURLE_COULDNT_RESOLVE_HOST << false << false << QStringList{} << qint64(0)
                                  << FailureKind::CannotResolve << "";
    QTest::newRow("no greeting in time") << CURLE_OPERATION_TIMEDOUT << false << false << QStringList{} << qint64(0)
                                         << FailureKind::ConnectTimedOut << "3";
    QTest::newRow("data stopped moving") << CURLE_OPERATION_TIMEDOUT << false << true << QStringList{QStringLiteral(">STOR f"), QStringLiteral("150 go")}
                                         << qint64(40) << FailureKind::Stalled << "5";
    QTest::newRow("no answer to a command") << CURLE_OPERATION_TIMEDOUT << false << true << QStringList{QStringLiteral(">CWD x")} << qint64(0)
                                            << FailureKind::ServerSilent << "4";
    QTest::newRow("certificate") << CURLE_PEER_FAILED_VERIFICATION << false << true << QStringList{} << qint64(0)
                                 << FailureKind::CertificateUntrusted << "";
    QTest::newRow("sftp host key") << CURLE_PEER_FAILED_VERIFICATION << true << false << QStringList{} << qint64(0)
                                   << FailureKind::HostKeyUnknown << "";
    QTest::newRow("cut") << CURLE_SEND_ERROR << false << true << QStringList{QStringLiteral(">STOR f"), QStringLiteral("150 go")} << qint64(30)
                         << FailureKind::TransferCut << "";
    QTest::newRow("nothing better known") << CURLE_FTP_WEIRD_227_FORMAT << false << true << QStringList{} << qint64(0)
                                          << FailureKind::Other << "libcurl said so";
}

void TestTransferVerdict::verdict()
{
    QFETCH(CURLcode, code);
    QFETCH(QStringList, dialogue);
    QFETCH(FailureKind, kind);
    QFETCH(QString, detail);
    TransferFacts facts;
    facts.code = code;
    facts.curlMessage = code == CURLE_OK ? QString() : QStringLiteral("libcurl said so");
    QFETCH(bool, sftp);
    facts.sftp = sftp;
    QFETCH(bool, connected);
    facts.connected = connected;
    facts.requestSent = dialogue.contains(QStringLiteral(">STOR f"));
    QFETCH(qint64, sent);
    facts.sent = sent;
    facts.size = 100;
    facts.where = QStringLiteral("ftp://h:21 as /u/f");
    facts.timeouts = {std::chrono::seconds(3), std::chrono::seconds(5), std::chrono::seconds(4)};
    for (const QString &line : std::as_const(dialogue)) {
        const QByteArray bytes = line.toUtf8() + "\r\n";
        if (bytes.startsWith('>'))
            facts.replies.commandSent(QByteArrayView(bytes).sliced(1));
        else
            facts.replies.replyReceived(bytes);
    }
    const TransferFailure verdict = transferVerdict(facts);
    QVERIFY2(verdict.failure.kind == kind, qPrintable(failureKindName(verdict.failure.kind) + u": " + verdict.why));
    QCOMPARE(verdict.failed(), kind != FailureKind::None);
    QCOMPARE(verdict.failure.detail, detail);
    // The whole reason names where the file was going whenever it failed.
    if (verdict.failed())
        QVERIFY2(verdict.why.contains(facts.where), qPrintable(verdict.why));
}

QTEST_GUILESS_MAIN(TestTransferVerdict)
#include "tst_transferverdict.moc"
