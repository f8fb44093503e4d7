// SPDX-License-Identifier: MIT
// The URLs a transfer asks libcurl for; the server setting's forms are tst_serveraddress's.
#include "core/transfer/FtpTarget.h"

#include <QTest>

using namespace korva5;

class TestFtpTarget : public QObject
{
    Q_OBJECT

private slots:
    void url_data();
    void url();
};

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
