// SPDX-License-Identifier: MIT
// The status line under the transfer log: what it says of the last upload, the next one, and
// what is wrong.
#include "core/delivery/StatusLine.h"
#include "core/language/BuiltInTexts.h"
#include "CoreTestSupport.h"

#include <QTest>

using namespace korva5;

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
    void nextOnTheDaysTheClocksChange_data();
    void nextOnTheDaysTheClocksChange();
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

// "Next" names the moment the schedule will send at: a time the clocks skip comes after the
// skip, one they show twice comes in the first pass only.
void TestStatusLine::nextOnTheDaysTheClocksChange_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("next");
    const QByteArray helsinki("Europe/Helsinki");
    QTest::newRow("skipped: after the skip") << helsinki << "2026-03-29T02:59:30+02:00" << "03:30" << "2026-03-29 04:00+03:00";
    QTest::newRow("shown twice, before the first pass") << helsinki << "2026-10-25T03:10:00+03:00" << "03:30" << "2026-10-25 03:30+03:00";
    QTest::newRow("shown twice, in the second pass: tomorrow") << helsinki << "2026-10-25T03:10:00+02:00" << "03:30" << "2026-10-26 03:30+02:00";
    QTest::newRow("half an hour skipped") << QByteArray("Australia/Lord_Howe") << "2026-10-04T01:59:00+10:30" << "02:15" << "2026-10-04 02:30+11:00";
}

void TestStatusLine::nextOnTheDaysTheClocksChange()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, now);
    QFETCH(QString, time);
    QFETCH(QString, next);
    const TestSupport::LocalZone local(zone);
    std::array<QString, Settings::TimeSlots> times;
    times[3] = time;
    QCOMPARE(TestSupport::minuteText(StatusLine::nextScheduled(QDateTime::fromString(now, Qt::ISODate).toLocalTime(), times)), next);
}

QTEST_GUILESS_MAIN(TestStatusLine)
#include "tst_statusline.moc"
