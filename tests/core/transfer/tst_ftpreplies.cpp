// SPDX-License-Identifier: MIT
// The server's replies matched to the commands they answer, from the lines alone.
#include "core/transfer/FtpReplies.h"

#include <QTest>

using namespace korva5;

Q_DECLARE_METATYPE(FtpReplies::Command)

class TestFtpReplies : public QObject
{
    Q_OBJECT

private slots:
    void dialogue_data();
    void dialogue();
};

void TestFtpReplies::dialogue_data()
{
    using C = FtpReplies::Command;
    // ">" lines are commands sent, the others the server's reply lines, as libcurl hands them over.
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("store");     // the reply that ended or refused STOR
    QTest::addColumn<int>("size");      // to the SIZE after the upload
    QTest::addColumn<qint64>("held");   // the size it gave; -1: none
    QTest::addColumn<C>("refused");     // the command the last refusal answered
    QTest::addColumn<int>("refusedCode");

    QTest::newRow("confirmed, then SIZE")
        << QStringList{QStringLiteral("220 hi"), QStringLiteral(">STOR f"), QStringLiteral("150 go"), QStringLiteral("226 done"), QStringLiteral(">SIZE f"), QStringLiteral("213 4096"), QStringLiteral(">SIZE f"), QStringLiteral("213 1")} << 226 << 213
        << qint64(4096) << C::Other << 0;
    QTest::newRow("login refused, QUIT's answer does not hide it")
        << QStringList{QStringLiteral("220 hi"), QStringLiteral(">USER u"), QStringLiteral("331 pass?"), QStringLiteral(">PASS p"), QStringLiteral("530 Login incorrect."), QStringLiteral(">QUIT"), QStringLiteral("221 bye")} << 0 << 0
        << qint64(-1) << C::Login << 530;
    QTest::newRow("folder missing") << QStringList{QStringLiteral(">CWD /no"), QStringLiteral("550 No such file or directory.")} << 0 << 0 << qint64(-1)
                                    << C::Folder << 550;
    QTest::newRow("STOR refused at once") << QStringList{QStringLiteral(">STOR f"), QStringLiteral("550 Permission denied.")} << 550 << 0 << qint64(-1)
                                          << C::StoreStart << 550;
    QTest::newRow("disk full at the end") << QStringList{QStringLiteral(">STOR f"), QStringLiteral("150 go"), QStringLiteral("552 Storage allocation exceeded.")} << 552 << 0
                                          << qint64(-1) << C::StoreEnd << 552;
    // Continuation lines carry no verdict, whatever code they start with.
    QTest::newRow("continuation lines that look like success")
        << QStringList{QStringLiteral(">STOR f"), QStringLiteral("150 go"), QStringLiteral("451-226 looks fine"), QStringLiteral("226-also"), QStringLiteral("451 but it is not")} << 451 << 0 << qint64(-1)
        << C::StoreEnd << 451;
    QTest::newRow("a reply without a code") << QStringList{QStringLiteral(">STOR f"), QStringLiteral("150 go"), QStringLiteral("garbage"), QStringLiteral("226 ok")} << 226 << 0 << qint64(-1)
                                            << C::Other << 0;
    QTest::newRow("SIZE unreadable") << QStringList{QStringLiteral(">SIZE f"), QStringLiteral("213 lots")} << 0 << 213 << qint64(-1) << C::Other << 0;
    QTest::newRow("RNTO refused") << QStringList{QStringLiteral(">RNFR a"), QStringLiteral("350 ok"), QStringLiteral(">RNTO b"), QStringLiteral("553 Rename refused by policy.")} << 0 << 0
                                  << qint64(-1) << C::RenameTo << 553;
}

void TestFtpReplies::dialogue()
{
    QFETCH(QStringList, lines);
    FtpReplies replies;
    for (const QString &line : std::as_const(lines)) {
        const QByteArray bytes = line.toUtf8() + "\r\n";
        if (bytes.startsWith('>'))
            replies.commandSent(QByteArrayView(bytes).sliced(1));
        else
            replies.replyReceived(bytes);
    }
    QTEST(replies.storeReply(), "store");
    QTEST(replies.sizeReply(), "size");
    QTEST(replies.serverSize().value_or(-1), "held");
    QTEST(replies.refusedCommand(), "refused");
    QTEST(replies.refusedCode(), "refusedCode");
}

QTEST_GUILESS_MAIN(TestFtpReplies)
#include "tst_ftpreplies.moc"
