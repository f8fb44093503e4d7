// SPDX-License-Identifier: MIT
// The one-second timer's work, without a window.
#include "core/schedule/SecondTicker.h"
#include "CoreTestSupport.h"

#include <QSignalSpy>
#include <QTest>

using namespace korva5;

using namespace TestSupport;

namespace {

struct Ticking
{
    explicit Ticking(const QDateTime &start)
        : clock(start)
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
    SecondTicker ticker;
};

} // namespace

class TestSecondTicker : public QObject
{
    Q_OBJECT

private slots:
    void everySixtiethTickAsksForTheCheck();
};

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
    QCOMPARE(seconds.last().first().toInt(), 0); // the sixtieth tick ends a minute
}

QTEST_GUILESS_MAIN(TestSecondTicker)
#include "tst_secondticker.moc"
