// SPDX-License-Identifier: MIT
// The few words under "Error!" and in the alarm, made from a failure's whole reason.
#include "core/upload/FailureReason.h"

#include <QTest>

class TestFailureReason : public QObject
{
    Q_OBJECT

private slots:
    void shortReason_data();
    void shortReason();
};

void TestFailureReason::shortReason_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("expected");

    QTest::newRow("refused connection")
        << "Failed to connect to 10.0.0.5 port 21 after 3 ms: Couldn't connect to server (ftp://10.0.0.5:21 as /u/1.12)"
        << "connection refused";
    QTest::newRow("the server's refusal")
        << "Access denied: 530 (ftp://h:21 as /u/1.12), last reply: 530 Login incorrect." << "530 Login incorrect.";
    QTest::newRow("details in brackets at the end")
        << "the server did not confirm ftp://h:21 as /u/1.12 (451 local error)" << "the server did not confirm ftp://h:21 as /u/1.12";
    // Brackets inside the sentence are part of it: cut there, it read "not sent: the station number."
    QTest::newRow("a bracket inside the sentence")
        << "the station number (FtpNo) \"..\" would put the file outside the remote folder; nothing was sent"
        << "the station number (FtpNo) \"..\" would put the file outside the remote folder; nothing was sent";
    QTest::newRow("a library that lacks a function")
        << "libcurl (/usr/lib/libcurl.so.4) lacks curl_easy_upkeep; nothing was sent"
        << "libcurl (/usr/lib/libcurl.so.4) lacks curl_easy_upkeep; nothing was sent";
    QTest::newRow("nested brackets at the end") << "rename refused (RNTO 553 (policy))" << "rename refused";
}

void TestFailureReason::shortReason()
{
    QFETCH(QString, reason);
    QFETCH(QString, expected);
    QCOMPARE(::shortReason(reason), expected);
}

QTEST_GUILESS_MAIN(TestFailureReason)
#include "tst_failurereason.moc"
