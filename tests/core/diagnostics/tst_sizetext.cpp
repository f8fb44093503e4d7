// SPDX-License-Identifier: MIT
// Sizes and rates as the status line, the history and the progress bar write them.
#include "core/diagnostics/SizeText.h"

#include <QTest>

#include <limits>

using namespace korva5;

class TestSizeText : public QObject
{
    Q_OBJECT

private slots:
    void sizes_data();
    void sizes();
    void bytesInOtherWords_data();
    void bytesInOtherWords();
};

void TestSizeText::sizes_data()
{
    QTest::addColumn<double>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << 0.0 << "0 bytes";
    QTest::newRow("below a unit") << 532.0 << "532 bytes";
    QTest::newRow("a part of a byte is not shown") << 999.9 << "999 bytes";
    QTest::newRow("decimal kilobyte") << 1000.0 << "1.0 KB";
    QTest::newRow("binary kilobyte is not 1.0") << 1024.0 << "1.0 KB";
    QTest::newRow("one decimal below 100") << 12345.0 << "12.3 KB";
    QTest::newRow("rounds up to 100: no decimal") << 99960.0 << "100 KB";
    QTest::newRow("whole from 100") << 102400.0 << "102 KB";
    QTest::newRow("a million bytes") << 1e6 << "1.0 MB";
    QTest::newRow("a mebibyte") << 1048576.0 << "1.0 MB";
    QTest::newRow("never 1000 of a unit") << 999600.0 << "1.0 MB";
    QTest::newRow("just under the next unit") << 999400.0 << "999 KB";
    QTest::newRow("gigabytes") << 2147483648.0 << "2.1 GB";
    QTest::newRow("terabytes are the last unit") << 5e15 << "5000 TB";
    QTest::newRow("a negative count shows as nothing") << -5.0 << "0 bytes";
    QTest::newRow("not a number shows as nothing") << std::numeric_limits<double>::quiet_NaN() << "0 bytes";
}

void TestSizeText::sizes()
{
    QFETCH(double, bytes);
    QFETCH(QString, text);
    QCOMPARE(sizeText(bytes), text);
}

void TestSizeText::bytesInOtherWords_data()
{
    QTest::addColumn<double>("bytes");
    QTest::addColumn<QString>("bytesFormat");
    QTest::addColumn<QString>("text");
    QTest::newRow("simplified") << 532.0 << "%1 字节" << "532 字节";
    QTest::newRow("traditional") << 18.0 << "%1 位元組" << "18 位元組";
    QTest::newRow("nothing") << 0.0 << "%1 字节" << "0 字节";
    // The units above a byte are symbols read alike in every language.
    QTest::newRow("units stay") << 1e6 << "%1 字节" << "1.0 MB";
}

void TestSizeText::bytesInOtherWords()
{
    QFETCH(double, bytes);
    QFETCH(QString, bytesFormat);
    QFETCH(QString, text);
    QCOMPARE(sizeText(bytes, bytesFormat), text);
}

QTEST_APPLESS_MAIN(TestSizeText)
#include "tst_sizetext.moc"
