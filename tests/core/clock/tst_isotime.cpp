// SPDX-License-Identifier: MIT
// Times as the JSON of the station and the office give them, and as they are read back.
#include "core/clock/IsoTime.h"

#include <QTest>

using namespace korva5;

class TestIsoTime : public QObject
{
    Q_OBJECT

private slots:
    // Written with its offset, and read back anywhere as the same moment.
    void writtenWithTheOffset_data()
    {
        QTest::addColumn<QDateTime>("at");
        QTest::addColumn<QString>("text"); // empty: whatever this computer's zone makes of it
        const QDate day(2026, 12, 7);
        QTest::newRow("UTC") << QDateTime(day, {9, 13}, QTimeZone::utc()) << u"2026-12-07T09:13:00Z"_qs;
        QTest::newRow("Shanghai") << QDateTime(day, {9, 13}, QTimeZone("Asia/Shanghai")) << u"2026-12-07T09:13:00+08:00"_qs;
        QTest::newRow("Helsinki in summer") << QDateTime({2026, 7, 1}, {9, 13}, QTimeZone("Europe/Helsinki"))
                                            << u"2026-07-01T09:13:00+03:00"_qs;
        QTest::newRow("Sao Paulo") << QDateTime(day, {9, 13}, QTimeZone("America/Sao_Paulo")) << u"2026-12-07T09:13:00-03:00"_qs;
        QTest::newRow("an offset") << QDateTime(day, {9, 13}, QTimeZone(-9 * 3600 - 1800)) << u"2026-12-07T09:13:00-09:30"_qs;
        QTest::newRow("this computer's clock") << QDateTime::currentDateTime() << QString();
    }
    void writtenWithTheOffset()
    {
        QFETCH(QDateTime, at);
        QFETCH(QString, text);
        const QString written = IsoTime::text(at);
        if (!text.isEmpty())
            QCOMPARE(written, text);
        const IsoTime::Reading read = IsoTime::read(written);
        QVERIFY(read.hasOffset);
        QCOMPARE(read.at.toSecsSinceEpoch(), at.toSecsSinceEpoch());
    }

    // Older programs wrote the figures alone: they are taken in the zone of whoever wrote them.
    void figuresWithoutOffset_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("utc"); // empty: no time at all
        QTest::newRow("New York") << u"2026-12-07T09:13:00"_qs << u"America/New_York"_qs << u"2026-12-07T14:13:00Z"_qs;
        QTest::newRow("Helsinki") << u"2026-12-07T09:13:00"_qs << u"Europe/Helsinki"_qs << u"2026-12-07T07:13:00Z"_qs;
        // The hour skipped when summer time begins: written by a clock that had not moved on yet.
        QTest::newRow("in the hour summer time skips") << u"2026-03-29T03:30:00"_qs << u"Europe/Helsinki"_qs
                                                       << u"2026-03-29T01:30:00Z"_qs;
        QTest::newRow("no time") << u"yesterday"_qs << u"UTC"_qs << QString();
        QTest::newRow("a month 13") << u"2026-13-07T09:13:00"_qs << u"UTC"_qs << QString();
    }
    void figuresWithoutOffset()
    {
        QFETCH(QString, text);
        QFETCH(QString, zone);
        QFETCH(QString, utc);
        const IsoTime::Reading read = IsoTime::read(text);
        QCOMPARE(read.at.isValid(), !utc.isEmpty());
        QVERIFY(!read.hasOffset);
        if (!utc.isEmpty())
            QCOMPARE(IsoTime::text(IsoTime::inZone(read.at, QTimeZone(zone.toLatin1())).toUTC()), utc);
    }
};

QTEST_GUILESS_MAIN(TestIsoTime)
#include "tst_isotime.moc"
