// SPDX-License-Identifier: MIT
// The window's counters, fed by the one-second timer's ticks as the main window feeds them.
#include "core/schedule/SecondTicker.h"
#include "gui/shell/WindowModel.h"

#include <QTest>

using namespace korva5;

class TestWindowModel : public QObject
{
    Q_OBJECT

private slots:
    void countersRollOver_data();
    void countersRollOver();
};

void TestWindowModel::countersRollOver_data()
{
    QTest::addColumn<int>("ticksBefore");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("secondsAfter");
    QTest::addColumn<int>("minutesAfter");
    QTest::newRow("first tick") << 0 << 1 << 1 << 0;
    QTest::newRow("59th second") << 3 * 60 + 58 << 1 << 59 << 3;
    QTest::newRow("sixtieth tick counts the minute") << 3 * 60 + 59 << 1 << 0 << 4;
    QTest::newRow("ten minutes") << 0 << 600 << 0 << 10;
    QTest::newRow("minute count reaches its top") << 9999 * 60 + 59 << 1 << 0 << 10000;
    QTest::newRow("minute count rolls over") << 10000 * 60 + 59 << 1 << 0 << 0;
}

void TestWindowModel::countersRollOver()
{
    QFETCH(int, ticksBefore);
    QFETCH(int, ticks);
    QFETCH(int, secondsAfter);
    QFETCH(int, minutesAfter);
    SecondTicker ticker;
    WindowModel model;
    connect(&ticker, &SecondTicker::minutePassed, &model, &WindowModel::minutePassed);
    connect(&ticker, &SecondTicker::secondPassed, &model, &WindowModel::secondPassed);
    for (int i = 0; i < ticksBefore + ticks; ++i)
        ticker.tick();
    QCOMPARE(model.seconds(), secondsAfter);
    QCOMPARE(model.minutes(), minutesAfter);
    // A time that fires sets the minutes back, and shows its day.
    model.timeFired(QDate(2021, 3, 4));
    QCOMPARE(model.minutes(), 0);
    QCOMPARE(model.seconds(), secondsAfter);
    QCOMPARE(model.pickedDay(), QDate(2021, 3, 4));
}

QTEST_GUILESS_MAIN(TestWindowModel)
#include "tst_windowmodel.moc"
