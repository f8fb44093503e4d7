// SPDX-License-Identifier: MIT
// The status line under the transfer log: what it says of the last upload, the next one, and
// what is wrong.
#include "core/delivery/StatusLine.h"
#include "core/language/BuiltInTexts.h"

#include <QTest>

Q_DECLARE_METATYPE(StatusLine::Facts)

namespace {

const QDateTime Now(QDate(2026, 12, 7), QTime(17, 14));

StatusLine::Facts facts(int waiting, int owed, const QDateTime &next, const QDateTime &nextTry = {})
{
    StatusLine::Facts f;
    f.lastFile = QStringLiteral("20261207.12");
    f.lastTime = QDateTime(Now.date(), QTime(17, 13, 5));
    f.lastBytes = 1234;
    f.waiting = waiting;
    f.owed = owed;
    f.next = next;
    f.nextTry = nextTry;
    return f;
}

} // namespace

class TestStatusLine : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void everyKeyHasATextInEachLanguage();
};

void TestStatusLine::text_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<StatusLine::Facts>("facts");
    QTest::addColumn<QString>("expected");
    const QDateTime tomorrow(Now.date().addDays(1), QTime(8, 30));
    const QDateTime retry(Now.date(), QTime(17, 16));
    QTest::newRow("all well, next time tomorrow")
        << "English" << facts(0, 0, tomorrow) << "Last: 20261207.12 17:13:05 (1.2 KB) · Next: 08:30 tomorrow · Waiting: 0";
    QTest::newRow("owed with its next try")
        << "English" << facts(1, 2, retry, retry)
        << "Last: 20261207.12 17:13:05 (1.2 KB) · Next: 17:16 · Waiting: 1 · Owed: 2 (next try 17:16)";
    QTest::newRow("given up: no more tries")
        << "English" << facts(0, 1, tomorrow) << "Last: 20261207.12 17:13:05 (1.2 KB) · Next: 08:30 tomorrow · Waiting: 0 · Owed: 1 (no more tries)";
    StatusLine::Facts byHand = facts(0, 0, tomorrow);
    byHand.failedByHand = QStringLiteral("20261206.12");
    byHand.failedByHandReason = QStringLiteral("no such file /srv/records/20261206.txt");
    QTest::newRow("a manual upload failed")
        << "English" << byHand
        << "Last: 20261207.12 17:13:05 (1.2 KB) · Next: 08:30 tomorrow · Waiting: 0 · Manual upload of 20261206.12 failed: no such "
           "file /srv/records/20261206.txt";
    QTest::newRow("a manual upload failed, in Taiwan's words")
        << "Taiwan" << byHand
        << "上次： 20261207.12 17:13:05 (1.2 KB) · 下次： 明天 08:30 · 等待： 0 · 手動上傳 20261206.12 失敗：no such file "
           "/srv/records/20261206.txt";
    StatusLine::Facts unset = facts(0, 0, tomorrow);
    unset.notConfigured = true;
    QTest::newRow("not configured") << "China" << unset << "尚未设置：请打开参数设置";
}

void TestStatusLine::text()
{
    QFETCH(QString, language);
    QFETCH(StatusLine::Facts, facts);
    QFETCH(QString, expected);
    const QString shown =
        StatusLine::text(facts, Now, [&](const QString &key) { return BuiltInTexts::text(language, key).value_or(QString()); });
    QCOMPARE(shown, expected);
}

void TestStatusLine::everyKeyHasATextInEachLanguage()
{
    for (const char *language : {BuiltInTexts::English, BuiltInTexts::China, BuiltInTexts::Taiwan}) {
        for (const QString &key : StatusLine::keys())
            QVERIFY2(!BuiltInTexts::text(QLatin1StringView(language), key).value_or(QString()).isEmpty(), qPrintable(key));
    }
}

QTEST_GUILESS_MAIN(TestStatusLine)
#include "tst_statusline.moc"
