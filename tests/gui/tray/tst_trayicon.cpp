// SPDX-License-Identifier: MIT
// What the tray shows while something is owed: a mark seen from across the room on either image,
// and a tooltip that names the files within the notification area's 63 characters.
#include "gui/tray/TrayIcon.h"
#include "gui/tray/TrayTooltip.h"
#include "gui/tray/WarningIcon.h"

#include <QIcon>
#include <QImage>
#include <QTest>

using namespace korva5;

namespace {

QImage imageOf(const QIcon &icon, int size)
{
    return icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Pixels that differ by more than a shade between two images of one size, in area.
int differing(const QImage &a, const QImage &b, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            count += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue())
                    + std::abs(p.alpha() - q.alpha()) > 48;
        }
    return count;
}

} // namespace

class TestTrayIcon : public QObject
{
    Q_OBJECT

private slots:
    void warningMark_data();
    void warningMark();
    void tooltip_data();
    void tooltip();
};

void TestTrayIcon::warningMark_data()
{
    QTest::addColumn<int>("size");
    // The sizes notification areas draw at, and the image's own.
    for (const int size : {16, 22, 24, 32, 48, 64})
        QTest::newRow(qPrintable(QStringLiteral("%1 px").arg(size))) << size;
}

void TestTrayIcon::warningMark()
{
    QFETCH(int, size);
    const QIcon running(QStringLiteral(":/images/korva5.png"));
    const QIcon stopped(QStringLiteral(":/images/disabled.png"));
    QVERIFY(!running.isNull() && !stopped.isNull());
    const int pixels = size * size;

    // The mark alone, on an image with nothing in it: at least a third of the icon.
    QPixmap empty(size, size);
    empty.fill(Qt::transparent);
    const QImage mark = imageOf(withWarningMark(QIcon(empty)), size);
    int covered = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            covered += mark.pixelColor(x, y).alpha() >= 128;
    QVERIFY2(covered * 3 >= pixels, qPrintable(QStringLiteral("the mark covers %1 of %2 pixels").arg(covered).arg(pixels)));

    for (const QIcon *icon : {&running, &stopped}) {
        const QImage plain = imageOf(*icon, size);
        const QImage marked = imageOf(withWarningMark(*icon), size);
        // Red for the most part, and red on both images.
        int red = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QColor c = marked.pixelColor(x, y);
                red += c.red() > 180 && c.green() < 80 && c.blue() < 80 && plain.pixelColor(x, y) != c;
            }
        QVERIFY2(red * 5 >= pixels, qPrintable(QStringLiteral("%1 red pixels of %2").arg(red).arg(pixels)));
        QVERIFY(differing(plain, marked, plain.rect()) * 3 >= pixels);
        // The top and the left edge are the image's own.
        const int band = size / 4;
        QCOMPARE(differing(plain, marked, QRect(0, 0, size, band)), 0);
        QCOMPARE(differing(plain, marked, QRect(0, 0, band, size)), 0);
    }
    // Marked, running and stopped still differ where a person looks: in the part left free.
    const QImage runningMarked = imageOf(withWarningMark(running), size);
    const QImage stoppedMarked = imageOf(withWarningMark(stopped), size);
    QVERIFY2(differing(runningMarked, stoppedMarked, runningMarked.rect()) * 4 >= pixels,
             qPrintable(QStringLiteral("%1 pixels differ").arg(differing(runningMarked, stoppedMarked, runningMarked.rect()))));
}

void TestTrayIcon::tooltip_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("owed");
    QTest::addColumn<QString>("owedText");
    QTest::addColumn<QString>("tooltip");
    const QString running = QStringLiteral("KORVA5 Records Upload System - running");
    const QString english = QStringLiteral("Owed: %1");
    const QStringList three{QStringLiteral("20210303.12"), QStringLiteral("20210304.12"), QStringLiteral("20210305.12")};
    QTest::newRow("nothing owed") << running << QStringList() << english << running;
    QTest::newRow("one file") << running << QStringList{QStringLiteral("20210305.12")} << english
                              << running + QStringLiteral("\nOwed: 20210305.12");
    QTest::newRow("three files, one fits") << running << three << english << running + QStringLiteral("\nOwed: 20210303.12 +2");
    QTest::newRow("stopped, Chinese: all fit")
        << QStringLiteral("KORVA5 记录上传系统 - 已停止") << three << QStringLiteral("待上传：%1")
        << QStringLiteral("KORVA5 记录上传系统 - 已停止\n待上传：20210303.12, 20210304.12, 20210305.12");
    // A station's own long status text gives way to the one file the tooltip must name.
    QTest::newRow("long status gives way")
        << QString(60, u'x') << three << english << QString(42, u'x') + QStringLiteral("\nOwed: 20210303.12 +2");
    QTest::newRow("owed text without a placeholder")
        << running << QStringList{QStringLiteral("20210305.12")} << QStringLiteral("Owed:")
        << running + QStringLiteral("\nOwed: 20210305.12");
    QTest::newRow("owed text with %2 in it")
        << running << QStringList{QStringLiteral("20210305.12")} << QStringLiteral("%1 (100%2)")
        << running + QStringLiteral("\n20210305.12 (100%2)");
}

void TestTrayIcon::tooltip()
{
    QFETCH(QString, status);
    QFETCH(QStringList, owed);
    QFETCH(QString, owedText);
    QFETCH(QString, tooltip);
    const QString shown = trayTooltip(status, owed, owedText);
    QCOMPARE(shown, tooltip);
    QVERIFY(shown.size() <= NotifyArea::TooltipCharacters);
}

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
