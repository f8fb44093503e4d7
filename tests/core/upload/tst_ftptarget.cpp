// SPDX-License-Identifier: MIT
#include "core/upload/FtpTarget.h"

#include <QTest>

class TestFtpTarget : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void url_data();
    void url();
};

void TestFtpTarget::parse_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");

    QTest::newRow("host name") << "ftp.example.com" << true << "ftp" << "ftp.example.com" << 21;
    QTest::newRow("address") << "192.168.0.10" << true << "ftp" << "192.168.0.10" << 21;
    QTest::newRow("address:port") << "192.168.0.10:2121" << true << "ftp" << "192.168.0.10" << 2121;
    QTest::newRow("blanks around") << "  ftp.example.com " << true << "ftp" << "ftp.example.com" << 21;
    QTest::newRow("ftp URL with slash") << "ftp://host:2121/" << true << "ftp" << "host" << 2121;
    QTest::newRow("scheme in capitals") << "FTP://Host" << true << "ftp" << "host" << 21;
    QTest::newRow("implicit TLS") << "ftps://host" << true << "ftps" << "host" << 990;
    QTest::newRow("explicit TLS") << "ftpes://host" << true << "ftpes" << "host" << 21;
    QTest::newRow("ssh") << "sftp://host:2222" << true << "sftp" << "host" << 2222;
    QTest::newRow("IPv6") << "[::1]:2121" << true << "ftp" << "[::1]" << 2121;

    QTest::newRow("empty") << "" << false << "" << "" << 0;
    QTest::newRow("blanks only") << "   " << false << "" << "" << 0;
    QTest::newRow("other scheme") << "http://host" << false << "" << "" << 0;
    QTest::newRow("login in the URL") << "ftp://user:pw@host" << false << "" << "" << 0;
    QTest::newRow("folder in the URL") << "ftp://host/dir" << false << "" << "" << 0;
    QTest::newRow("port out of range") << "host:99999" << false << "" << "" << 0;
    QTest::newRow("port not a number") << "host:abc" << false << "" << "" << 0;
    QTest::newRow("inner blank") << "ftp example.com" << false << "" << "" << 0;
    QTest::newRow("line break") << "host\r\nUSER x" << false << "" << "" << 0;
}

void TestFtpTarget::parse()
{
    QFETCH(QString, server);
    QFETCH(bool, valid);
    QFETCH(QString, protocol);
    QFETCH(QString, host);
    QFETCH(int, port);

    QString error;
    const std::optional<FtpTarget> target = FtpTarget::parse(server, &error);
    QCOMPARE(target.has_value(), valid);
    QCOMPARE(error.isEmpty(), valid);
    if (!target)
        return;
    QCOMPARE(FtpTarget::protocolName(target->protocol), protocol);
    QCOMPARE(target->host, host);
    QCOMPARE(target->port, port);
}

void TestFtpTarget::url_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("remotePath");
    QTest::addColumn<QByteArray>("url");

    QTest::newRow("absolute") << "h" << "/upload/20040119.12" << QByteArray("ftp://h:21/%2Fupload/20040119.12");
    QTest::newRow("relative") << "h" << "upload/20040119.12" << QByteArray("ftp://h:21/upload/20040119.12");
    QTest::newRow("login folder") << "h" << "20040119.12" << QByteArray("ftp://h:21/20040119.12");
    QTest::newRow("characters a URL would read") << "h" << "/day files/a#b?c%.12"
                                                  << QByteArray("ftp://h:21/%2Fday%20files/a%23b%3Fc%25.12");
    QTest::newRow("implicit TLS") << "ftps://h" << "x.1" << QByteArray("ftps://h:990/x.1");
    QTest::newRow("explicit TLS is an ftp URL") << "ftpes://h" << "x.1" << QByteArray("ftp://h:21/x.1");
    QTest::newRow("sftp absolute") << "sftp://h" << "/upload/x.1" << QByteArray("sftp://h:22/upload/x.1");
    QTest::newRow("sftp relative") << "sftp://h" << "upload/x.1" << QByteArray("sftp://h:22/~/upload/x.1");
    QTest::newRow("IPv6") << "[::1]:2121" << "x.1" << QByteArray("ftp://[::1]:2121/x.1");
}

void TestFtpTarget::url()
{
    QFETCH(QString, server);
    QFETCH(QString, remotePath);
    QFETCH(QByteArray, url);
    const std::optional<FtpTarget> target = FtpTarget::parse(server);
    QVERIFY(target);
    QCOMPARE(target->url(remotePath), url);
}

QTEST_APPLESS_MAIN(TestFtpTarget)
#include "tst_ftptarget.moc"
