// SPDX-License-Identifier: MIT
#include "fleet/check/StationList.h"

#include <QTest>

using namespace korva5;
using namespace korva5::fleet;

class TestFleetStationList : public QObject
{
    Q_OBJECT

private slots:
    void parsesListsAndRanges_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("stations");
        QTest::newRow("range and one more") << u"1-5,45"_qs << QStringList{u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs, u"5"_qs, u"45"_qs};
        QTest::newRow("blanks around everything") << u" 3 , 1 - 2 "_qs << QStringList{u"1"_qs, u"2"_qs, u"3"_qs};
        // "07" and "7" are different file names on the server.
        QTest::newRow("zeros are kept") << u"08-11"_qs << QStringList{u"08"_qs, u"09"_qs, u"10"_qs, u"11"_qs};
        QTest::newRow("by value, not as text") << u"10,9,010,100"_qs << QStringList{u"9"_qs, u"10"_qs, u"010"_qs, u"100"_qs};
        QTest::newRow("names after numbers") << u"b,A1,12"_qs << QStringList{u"12"_qs, u"A1"_qs, u"b"_qs};
        QTest::newRow("overlaps merge") << u"1-3,2-4,3"_qs << QStringList{u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs};
        QTest::newRow("one station") << u"12"_qs << QStringList{u"12"_qs};
    }
    void parsesListsAndRanges()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, stations);
        QString error;
        const std::optional<QStringList> parsed = StationList::parse(text, &error);
        QVERIFY2(parsed, qPrintable(error));
        QCOMPARE(*parsed, stations);
    }

    // Every refusal names the part that cannot be read, so the office finds it in a long list.
    void namesTheBadPart_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");
        QTest::newRow("nothing") << u"  "_qs << u"no stations"_qs;
        QTest::newRow("two commas") << u"1,,2"_qs << u"empty entry"_qs;
        QTest::newRow("comma at the end") << u"1-40,"_qs << u"empty entry"_qs;
        QTest::newRow("not a number in a range") << u"1-40,4x-50"_qs << u"\"4x-50\""_qs;
        QTest::newRow("backwards") << u"1-3,40-1"_qs << u"\"40-1\" runs backwards"_qs;
        QTest::newRow("two dashes") << u"1-2-3"_qs << u"\"1-2-3\""_qs;
        QTest::newRow("a slash would leave the folder") << u"1,a/b"_qs << u"\"a/b\""_qs;
        QTest::newRow("a dot") << u"1,1.5"_qs << u"\"1.5\""_qs;
        QTest::newRow("a control character shown escaped") << u"1,2\u0001"_qs << u"\"2\\x01\""_qs;
        QTest::newRow("far too many") << u"1-2000000"_qs << u"more than 100000"_qs;
        QTest::newRow("a number too long for any range") << u"1-99999999999"_qs << u"more than"_qs;
    }
    void namesTheBadPart()
    {
        QFETCH(QString, text);
        QFETCH(QString, named);
        QString error;
        QVERIFY(!StationList::parse(text, &error));
        QVERIFY2(error.contains(named), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestFleetStationList)
#include "tst_fleet_stationlist.moc"
