// SPDX-License-Identifier: MIT
// The one-second timer's work on the program's state, without a window.
#include "core/schedule/SecondTicker.h"
#include "core/state/AppState.h"
#include "CoreTestSupport.h"

#include <QSignalSpy>
#include <QTest>

using namespace TestSupport;

namespace {

struct Ticking
{
    explicit Ticking(const QDateTime &start)
        : clock(start)
        , ticker(state)
    {
    }
    // One tick a second, the clock moving with it.
    void tick(int count)
    {
        for (int i = 0; i < count; ++i) {
            clock.advanceSecs(1);
            ticker.tick();
        }
    }

    FakeClock clock;
    AppState state;
    SecondTicker ticker;
};

} // namespace

class TestSecondTicker : public QObject
{
    Q_OBJECT

private slots:
    void hideIsAskedForOnceOnTheFifthTick();
    void countersRollOver_data();
    void countersRollOver();
    void everySixtiethTickAsksForTheCheck();
};

void TestSecondTicker::hideIsAskedForOnceOnTheFifthTick()
{
    Ticking t(QDateTime(QDate(2021, 3, 5), QTime(8, 0, 30)));
    QSignalSpy hide(&t.ticker, &SecondTicker::hideRequested);
    t.tick(4);
    QCOMPARE(hide.count(), 0);
    t.tick(1);
    QCOMPARE(hide.count(), 1);
    t.tick(600);
    QCOMPARE(hide.count(), 1);
}

void TestSecondTicker::countersRollOver_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("secondsAfter");
    QTest::addColumn<int>("minutesAfter");
    QTest::newRow("first tick") << 0 << 0 << 1 << 1 << 0;
    QTest::newRow("59th second") << 58 << 3 << 1 << 59 << 3;
    QTest::newRow("sixtieth tick checks the minute") << 59 << 3 << 1 << 0 << 4;
    QTest::newRow("ten minutes") << 0 << 0 << 600 << 0 << 10;
    QTest::newRow("minute count reaches its top") << 59 << 9999 << 1 << 0 << 10000;
    QTest::newRow("minute count rolls over") << 59 << 10000 << 1 << 0 << 0;
}

void TestSecondTicker::countersRollOver()
{
    QFETCH(int, seconds);
    QFETCH(int, minutes);
    QFETCH(int, ticks);
    QFETCH(int, secondsAfter);
    QFETCH(int, minutesAfter);
    Ticking t(QDateTime(QDate(2021, 3, 5), QTime(8, 0, 30)));
    t.state.setCounters(seconds, minutes);
    t.tick(ticks);
    QCOMPARE(t.state.seconds(), secondsAfter);
    QCOMPARE(t.state.minutes(), minutesAfter);
}

void TestSecondTicker::everySixtiethTickAsksForTheCheck()
{
    Ticking t(QDateTime(QDate(2021, 3, 1), QTime(8, 29, 30)));
    QSignalSpy minutes(&t.ticker, &SecondTicker::minutePassed);
    QSignalSpy seconds(&t.ticker, &SecondTicker::secondPassed);
    t.tick(59);
    QCOMPARE(minutes.count(), 0);
    t.tick(1);
    QCOMPARE(minutes.count(), 1);
    t.tick(120);
    QCOMPARE(minutes.count(), 3);
    QCOMPARE(seconds.count(), 180);
}

QTEST_GUILESS_MAIN(TestSecondTicker)
#include "tst_secondticker.moc"
