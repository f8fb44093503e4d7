// SPDX-License-Identifier: MIT
// The forms of the server setting, as the settings dialog checks them and the transfer uses them.
#include "core/language/BuiltInTexts.h"
#include "core/settings/ServerAddress.h"

#include <QTest>

using namespace korva5;

class TestServerAddress : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void TestServerAddress::parse_data()
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
    QTest::newRow("tabs around") << "\tftp.example.com\t" << true << "ftp" << "ftp.example.com" << 21;
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
    QTest::newRow("port zero") << "host:0" << false << "" << "" << 0;
    QTest::newRow("port one") << "host:1" << true << "ftp" << "host" << 1;
    QTest::newRow("IPv6, port out of range") << "[::1]:65536" << false << "" << "" << 0;
    // A URL with its ":" missing is not a host "ftp" with a folder.
    QTest::newRow("scheme without its colon") << "ftp//host" << false << "" << "" << 0;
    QTest::newRow("scheme with one slash") << "sftp:/host" << false << "" << "" << 0;
    QTest::newRow("inner blank") << "ftp example.com" << false << "" << "" << 0;
    QTest::newRow("line break") << "host\r\nUSER x" << false << "" << "" << 0;
    // Only spaces and tabs are trimmed, as from every setting: a line end is refused, not dropped.
    QTest::newRow("line end after") << "host\n" << false << "" << "" << 0;
}

void TestServerAddress::parse()
{
    QFETCH(QString, server);
    QFETCH(bool, valid);
    QFETCH(QString, protocol);
    QFETCH(QString, host);
    QFETCH(int, port);

    QString error;
    const std::optional<ServerAddress> target = ServerAddress::parse(server, &error, BuiltInTexts::english);
    QCOMPARE(target.has_value(), valid);
    QCOMPARE(error.isEmpty(), valid);
    if (!target)
        return;
    QCOMPARE(ServerAddress::protocolName(target->protocol), protocol);
    QCOMPARE(target->host, host);
    QCOMPARE(target->port, port);
}

QTEST_APPLESS_MAIN(TestServerAddress)
#include "tst_serveraddress.moc"
