// SPDX-License-Identifier: MIT
// FTPS uploads against a real vsftpd, and the libcurl versions that may not use TLS 1.3 for them.
#include "core/transfer/FtpTransfer.h"
#include "core/transfer/TransferQueue.h"
#include "CoreTestSupport.h"
#include "core/transfer/CurlLibrary.h"
#include "core/transfer/TlsPolicy.h"
#include "Vsftpd.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <curl/curl.h>

using namespace korva5;

using namespace TestSupport;

Q_DECLARE_METATYPE(Vsftpd::Tls)

class TestTls : public QObject
{
    Q_OBJECT

private slots:
    void tls12CapFollowsLibcurlVersion_data();
    void tls12CapFollowsLibcurlVersion();
    void repeatedUploadsAllArrive_data();
    void repeatedUploadsAllArrive();
};

void TestTls::tls12CapFollowsLibcurlVersion_data()
{
    QTest::addColumn<uint>("version");
    QTest::addColumn<bool>("capped");

    QTest::newRow("7.61.1, RHEL 8") << 0x073d01u << true;
    QTest::newRow("7.74.0, Debian 11") << 0x074a00u << true;
    QTest::newRow("7.88.1, Debian 12") << 0x075801u << true;
    QTest::newRow("8.8.0, the last without the fix") << 0x080800u << true;
    QTest::newRow("8.8.99, any later 8.8") << 0x080863u << true;
    QTest::newRow("8.9.0, the first with it") << 0x080900u << false;
    QTest::newRow("8.9.1") << 0x080901u << false;
    QTest::newRow("8.10.0, minor past 9") << 0x080a00u << false;
    QTest::newRow("8.14.1, Debian 13") << 0x080e01u << false;
    QTest::newRow("9.0.0") << 0x090000u << false;
}

void TestTls::tls12CapFollowsLibcurlVersion()
{
    QFETCH(uint, version);
    QFETCH(bool, capped);
    QCOMPARE(capFtpsAtTls12(version), capped);
}

void TestTls::repeatedUploadsAllArrive_data()
{
    QTest::addColumn<Vsftpd::Tls>("tls");
    QTest::newRow("plain FTP") << Vsftpd::Tls::None;
    QTest::newRow("explicit TLS (ftpes)") << Vsftpd::Tls::Explicit;
    QTest::newRow("implicit TLS (ftps)") << Vsftpd::Tls::Implicit;
}

// The fault this guards against loses an upload now and then, not every time: it takes a run of
// uploads, each checked byte for byte, to see it.
void TestTls::repeatedUploadsAllArrive()
{
    QFETCH(Vsftpd::Tls, tls);
    if (const QString why = Vsftpd::unavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));
    Vsftpd server({tls});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));

    constexpr int Uploads = 20;
    constexpr qsizetype Size = 600 * 1024;
    QTemporaryDir local;
    QVERIFY(local.isValid());
    const std::atomic<bool> abort = false;
    QStringList failures;
    for (int i = 1; i <= Uploads; ++i) {
        QByteArray records(Size, Qt::Uninitialized);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(records.data()), Size / 4);
        const QString name = QStringLiteral("records-%1.bin").arg(i);
        writeFile(local.filePath(name), records);

        FtpRequest request;
        request.server = server.address();
        request.userName = Vsftpd::User;
        request.password = Vsftpd::Password;
        request.localPath = local.filePath(name);
        request.remotePath = u"/upload/" + name;
        request.caBundle = server.certificate();
        // A lost upload may also hang until a timeout: keep those short so the run ends.
        request.timeouts = {std::chrono::seconds(10), std::chrono::seconds(10), std::chrono::seconds(10)};
        bool reportedError = false;
        const bool succeeded = runFtpTransfer(
            request, [&](Ftp::State state, const QString &) { reportedError |= state == Ftp::State::Error; }, abort).succeeded;

        const QByteArray stored = server.stored(u"upload/" + name);
        if (succeeded && (reportedError || stored != records))
            QFAIL(qPrintable(QStringLiteral("upload %1 was reported as a success but the server holds %2 of %3 bytes")
                                 .arg(i)
                                 .arg(stored == records ? Size : stored.size())
                                 .arg(Size)));
        if (!succeeded)
            failures << QStringLiteral("upload %1 (server holds %2 bytes)").arg(i).arg(stored.size());
    }

    const QByteArray log = server.log();
    QVERIFY2(failures.isEmpty(), qPrintable(QStringLiteral("%1 of %2 uploads failed: %3\nvsftpd's log:\n%4")
                                                .arg(failures.size())
                                                .arg(Uploads)
                                                .arg(failures.join(u", "), QString::fromUtf8(log))));
    // Every upload was a session of its own, and with TLS each went at the version the libcurl
    // here calls for: 1.2 for the control and data connection alike when capped.
    QCOMPARE(log.count("OK UPLOAD"), Uploads);
    if (tls != Vsftpd::Tls::None && capFtpsAtTls12(curl_version_info(CURLVERSION_NOW)->version_num)) {
        QCOMPARE(log.count("SSL version: TLSv1.3"), 0);
        QVERIFY2(log.count("SSL version: TLSv1.2") >= 2 * Uploads, log.constData());
    }
}

QTEST_GUILESS_MAIN(TestTls)
#include "tst_tls.moc"
