// SPDX-License-Identifier: MIT
// The words a failure is shown in, made from its kind: under "Error!", in the alarm and History,
// and on the settings dialog's test line; and the names the journal keeps kinds under.
#include "core/upload/FailureReason.h"

#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(FailureKind)

class TestFailureReason : public QObject
{
    Q_OBJECT

private slots:
    void shortReason_data();
    void shortReason();
    void connectionTestLine_data();
    void connectionTestLine();
    void everyKindHasAStableName();
};

void TestFailureReason::shortReason_data()
{
    QTest::addColumn<FailureKind>("kind");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("expected");

    QTest::newRow("the server's refusal follows the words")
        << FailureKind::LoginRefused << "530 Login incorrect." << "login refused: 530 Login incorrect.";
    QTest::newRow("nothing said, the words alone") << FailureKind::LoginRefused << "" << "login refused";
    QTest::newRow("missing file names it") << FailureKind::LocalMissing << "/srv/records/20261207.txt"
                                           << "no such file /srv/records/20261207.txt";
    QTest::newRow("connection refused") << FailureKind::ConnectionRefused << "" << "connection refused";
    QTest::newRow("timed out, connecting") << FailureKind::ConnectTimedOut << "30" << "timed out after 30 s";
    QTest::newRow("timed out, answering") << FailureKind::ServerSilent << "60" << "timed out after 60 s";
    QTest::newRow("stalled") << FailureKind::Stalled << "60" << "stalled: no data moved for 60 s";
    QTest::newRow("disk full with the reply") << FailureKind::ServerDiskFull << "552 Storage allocation exceeded."
                                              << "the server's disk is full: 552 Storage allocation exceeded.";
    QTest::newRow("no server") << FailureKind::NoServer << "" << "no server is set";
    QTest::newRow("libcurl too old") << FailureKind::CurlTooOld << "" << "libcurl is too old";
    // Brackets or percent signs in what the server said are its words, never a place to fill in.
    QTest::newRow("a reply with %1 in it") << FailureKind::RemoteWriteRefused << "550 No (%1) here"
                                           << "the server refused the file: 550 No (%1) here";
    QTest::newRow("other, with libcurl's words") << FailureKind::Other << "Weird server reply" << "failed: Weird server reply";
    QTest::newRow("no failure") << FailureKind::None << "" << "";
}

void TestFailureReason::shortReason()
{
    QFETCH(FailureKind, kind);
    QFETCH(QString, detail);
    QFETCH(QString, expected);
    QCOMPARE(::shortReason(kind, detail), expected);
}

void TestFailureReason::connectionTestLine_data()
{
    QTest::addColumn<FailureKind>("kind");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");

    QTest::newRow("success") << FailureKind::None << "" << "/upload/" << "Connected, logged in, /upload/ accepts files";
    QTest::newRow("success, login folder") << FailureKind::None << "" << "" << "Connected, logged in, the login folder accepts files";
    QTest::newRow("login") << FailureKind::LoginRefused << "530 Login incorrect." << "/upload/"
                           << "Login refused: check the user name and password";
    QTest::newRow("folder") << FailureKind::RemoteFolderMissing << "550 No." << "/nowhere/"
                            << "The folder /nowhere/ does not exist on the server";
    QTest::newRow("untrusted") << FailureKind::CertificateUntrusted << "" << "/upload/" << "The server's certificate is not trusted";
    QTest::newRow("no line of its own: the short words")
        << FailureKind::SizeDiffers << "" << "/upload/" << "Failed: the server holds another size than was sent";
}

void TestFailureReason::connectionTestLine()
{
    QFETCH(FailureKind, kind);
    QFETCH(QString, detail);
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(::connectionTestLine(kind, detail, folder), expected);
}

void TestFailureReason::everyKindHasAStableName()
{
    // The journal keeps names: each kind has one of its own that reads back as the same kind,
    // and each has short words of its own.
    QSet<QString> names;
    for (int k = int(FailureKind::Other); k <= int(FailureKind::TooManyWaiting); ++k) {
        const auto kind = FailureKind(k);
        const QString name = failureKindName(kind);
        QVERIFY2(!name.isEmpty(), qPrintable(QString::number(k)));
        QVERIFY2(!names.contains(name), qPrintable(name));
        names.insert(name);
        QCOMPARE(failureKindFromName(name), std::optional<FailureKind>(kind));
        if (kind != FailureKind::Other)
            QVERIFY2(::shortReason(kind) != ::shortReason(FailureKind::Other), qPrintable(name));
    }
    QCOMPARE(failureKindFromName(QStringLiteral("login-refused")), std::optional(FailureKind::LoginRefused));
    QCOMPARE(failureKindFromName(QStringLiteral("no-such-kind")), std::nullopt);
    QVERIFY(failureKindName(FailureKind::None).isEmpty());
}

QTEST_GUILESS_MAIN(TestFailureReason)
#include "tst_failurereason.moc"
