// SPDX-License-Identifier: MIT
// What the ledger answers of the files it holds, and what the table of uploads under way counts,
// worked out from given outcomes without a server.
#include "core/delivery/Ledger.h"
#include "core/delivery/UploadsUnderWay.h"

#include <QTest>

using namespace korva5;

namespace {

// Minutes from the start of a day: the tables below read as a timeline.
QDateTime minute(int m)
{
    return m < 0 ? QDateTime() : QDateTime(QDate(2021, 3, 5), QTime(0, 0)).addSecs(60LL * m);
}

// One thing that happens to the ledger: "fail A 480" (a scheduled upload of A due and failed at
// 08:00), "hand A 480" (one asked for by hand failed), "ok A 480" (A went through), "expire 1441"
// (what ran out of time by then is given up).
void apply(Ledger &ledger, const QString &step)
{
    const QStringList words = step.split(u' ');
    if (words[0] == u"expire") {
        ledger.giveUpExpired(minute(words[1].toInt()));
        return;
    }
    UploadRecord record;
    record.remotePath = words[1];
    record.endedAt = minute(words[2].toInt());
    record.trigger = words[0] == u"hand" ? Trigger::Manual : Trigger::Slot;
    record.slot = 0;
    record.outcome = words[0] == u"ok" ? Outcome::Succeeded : Outcome::Failed;
    record.reason = step;
    ledger.ended(record, record.endedAt);
}

} // namespace

class TestLedger : public QObject
{
    Q_OBJECT

private slots:
    void outstanding_data();
    void outstanding();
    void underWay_data();
    void underWay();
};

void TestLedger::outstanding_data()
{
    QTest::addColumn<QByteArray>("steps"); // apart by "; "
    QTest::addColumn<int>("now");
    QTest::addColumn<QByteArray>("files");         // the outstanding ones, apart by blanks
    QTest::addColumn<QByteArray>("reasonOfFirst"); // what outstanding() holds of the first file
    QTest::addColumn<int>("nextRetry");            // -1: none

    QTest::newRow("nothing owed") << QByteArray() << 480 << QByteArray() << QByteArray() << -1;
    QTest::newRow("a failure waits a minute") << QByteArray("fail A 480") << 480 << QByteArray("A") << QByteArray("fail A 480") << 481;
    QTest::newRow("a retry whose time passed is due now")
        << QByteArray("fail A 480") << 600 << QByteArray("A") << QByteArray("fail A 480") << 600;
    QTest::newRow("the first of two retries")
        << QByteArray("fail B 470; fail A 480") << 470 << QByteArray("A B") << QByteArray("fail A 480") << 471;
    QTest::newRow("one asked for by hand is not owed") << QByteArray("hand A 480") << 480 << QByteArray() << QByteArray() << -1;
    QTest::newRow("given up: outstanding, never retried")
        << QByteArray("fail A 0; expire 1441") << 1441 << QByteArray("A") << QByteArray("fail A 0") << -1;
    QTest::newRow("given up and owed again: once, the owed one first")
        << QByteArray("fail A 0; expire 1441; fail A 1500") << 1500 << QByteArray("A") << QByteArray("fail A 1500") << 1501;
    QTest::newRow("a success settles owed and given up alike")
        << QByteArray("fail A 0; expire 1441; fail B 1450; ok A 1460; ok B 1470") << 1470 << QByteArray() << QByteArray() << -1;
}

void TestLedger::outstanding()
{
    QFETCH(QByteArray, steps);
    QFETCH(int, now);
    QFETCH(QByteArray, files);
    QFETCH(QByteArray, reasonOfFirst);
    QFETCH(int, nextRetry);
    Ledger ledger;
    for (const QString &step : QString::fromLatin1(steps).split(QStringLiteral("; "), Qt::SkipEmptyParts))
        apply(ledger, step);

    QStringList held = ledger.outstandingFiles().values();
    held.sort();
    QCOMPARE(held, QString::fromLatin1(files).split(u' ', Qt::SkipEmptyParts));
    QCOMPARE(ledger.hasOutstanding(), !files.isEmpty());
    QCOMPARE(ledger.nextRetry(minute(now)), minute(nextRetry));
    QVERIFY(!ledger.isOutstanding(QStringLiteral("C")));
    QCOMPARE(ledger.outstanding(QStringLiteral("C")), nullptr);
    if (!held.isEmpty()) {
        QVERIFY(ledger.isOutstanding(held.first()));
        QCOMPARE(ledger.outstanding(held.first())->reason, QString::fromLatin1(reasonOfFirst));
    }
}

void TestLedger::underWay_data()
{
    // Each upload as "remote path", or "remote path>file it settles" for a retry; apart by blanks.
    QTest::addColumn<QByteArray>("uploads");
    QTest::addColumn<int>("files");
    QTest::addColumn<bool>("sendsA");

    QTest::newRow("nothing") << QByteArray() << 0 << false;
    QTest::newRow("one file twice") << QByteArray("A A") << 1 << true;
    QTest::newRow("two files") << QByteArray("A B") << 2 << true;
    // The remote folder changed since A was owed: its retry goes out as B and still counts as A.
    QTest::newRow("a retry counts as the file it settles") << QByteArray("B>A A") << 1 << true;
    QTest::newRow("a retry beside the file it goes out as") << QByteArray("B>A B") << 2 << false;
}

void TestLedger::underWay()
{
    QFETCH(QByteArray, uploads);
    QFETCH(int, files);
    QFETCH(bool, sendsA);
    const QStringList asked = QString::fromLatin1(uploads).split(u' ', Qt::SkipEmptyParts);
    UploadsUnderWay table;
    quint64 tag = 0;
    for (const QString &upload : asked) {
        UnderWay &added = table.add(++tag, upload.section(u'>', 0, 0));
        if (upload.contains(u'>'))
            added.record = UnderWay::Record{0, {}, {}, upload.section(u'>', 1)};
    }
    QCOMPARE(table.fileCount(), files);
    QCOMPARE(table.sends(QStringLiteral("A")), sendsA);
    QCOMPARE(table.find(tag + 1), nullptr);
    // Each leaves once, with what was kept of it.
    for (quint64 each = tag; each > 0; --each) {
        const std::optional<UnderWay> taken = table.take(each);
        QVERIFY(taken);
        QCOMPARE(taken->remotePath, asked[int(each - 1)].section(u'>', 0, 0));
        QVERIFY(!table.take(each));
    }
    QVERIFY(table.isEmpty());
}

QTEST_GUILESS_MAIN(TestLedger)
#include "tst_ledger.moc"
