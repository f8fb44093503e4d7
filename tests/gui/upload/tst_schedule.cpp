// SPDX-License-Identifier: MIT
// The second timer and a scheduled upload as the window shows them (what the uploads do is
// tested against the station, without a window).
#include "gui/shell/Application.h"
#include "core/transfer/TransferQueue.h"
#include "core/schedule/SecondTicker.h"
#include "TestSupport.h"

#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace korva5;

using namespace TestSupport;

namespace {

QDateTime at(int h, int m, int s, int ms = 0, QDate day = QDate(2021, 3, 5))
{
    return QDateTime(day, QTime(h, m, s, ms));
}

// A loaded main window with the given upload times; the server is one the test chooses.
struct Window : LoadedWindow
{
    Window(const QDateTime &start, const QMap<int, QString> &timeSlots, const QString &server)
        : LoadedWindow(settingsFile(timeSlots, server), start)
    {
    }

    static QByteArray settingsFile(const QMap<int, QString> &timeSlots, const QString &server)
    {
        QMap<QString, QString> settings{{QStringLiteral("FtpNo"), QStringLiteral("12")},
                                        {QStringLiteral("FtpServer"), server},
                                        {QStringLiteral("FtpPath"), QStringLiteral("/upload/")},
                                        {QStringLiteral("FtpUserName"), FtpServer::User},
                                        {QStringLiteral("FtpPassword"), FtpServer::Password},
                                        {QStringLiteral("LocalPath"), QStringLiteral("{dir}/")}};
        for (auto it = timeSlots.cbegin(); it != timeSlots.cend(); ++it)
            settings.insert(QStringLiteral("FtpTime%1").arg(it.key()), it.value());
        return iniText(settings);
    }

    // n ticks, the clock moving msPerTick (plus jitter(i), when given) before each.
    void tick(int n, int msPerTick = 1000, const std::function<int(int)> &jitter = {})
    {
        for (int i = 0; i < n; ++i) {
            clock.advanceMSecs(msPerTick + (jitter ? jitter(i) : 0));
            ticks->tick();
        }
    }
    QString caption(const char *name) const { return LoadedWindow::caption(QLatin1StringView(name)); }
    QStringList commands() const { return log().filter(QRegularExpression(QStringLiteral("^SEND .*"))); }
};

QString nowhere() { return QStringLiteral("127.0.0.1:%1").arg(closedPort()); }

} // namespace


class TestSchedule : public QObject
{
    Q_OBJECT

private slots:

    void secondCaptions();
    void sixHundredTicksRunTenChecks();
    void scheduledUpload_data();
    void scheduledUpload();

};





void TestSchedule::secondCaptions()
{
    Window w(at(8, 0, 30), {}, nowhere());
    QCOMPARE(w.caption("lblSec"), QStringLiteral("0"));
    w.tick(1);
    QCOMPARE(w.caption("lblSec"), QStringLiteral(" 1"));
    w.tick(58);
    QCOMPARE(w.caption("lblSec"), QStringLiteral(" 59"));
    QCOMPARE(w.caption("lblCount"), QStringLiteral("0"));
    w.tick(1);
    QCOMPARE(w.caption("lblSec"), QStringLiteral("0"));
    QCOMPARE(w.caption("lblCount"), QStringLiteral(" 1"));
}

void TestSchedule::sixHundredTicksRunTenChecks()
{
    Window w(at(8, 0, 30), {}, nowhere());
    w.tick(600);
    QCOMPARE(w.caption("lblCount"), QStringLiteral(" 10"));
    QCOMPARE(w.caption("lblSec"), QStringLiteral("0"));
}


void TestSchedule::scheduledUpload_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QDateTime>("checkAt");
    QTest::addColumn<QString>("localFile");

    QTest::newRow("time 1 at 08:30: today") << 1 << "08:30" << at(8, 30, 20) << "20210305.txt";
    QTest::newRow("blank-padded time") << 3 << " 08:30 " << at(8, 30, 20) << "20210305.txt";
    QTest::newRow("time 8: today") << 8 << "17:00" << at(17, 0, 20) << "20210305.txt";
    QTest::newRow("time 9 at 00:30 on 20 January 2004") << 9 << "00:30" << at(0, 30, 20, 0, QDate(2004, 1, 20))
                                                        << "20040119.txt";
    QTest::newRow("time 10 on 1 March 2004") << 10 << "06:00" << at(6, 0, 20, 0, QDate(2004, 3, 1)) << "20040229.txt";
    QTest::newRow("time 10 on 1 January") << 10 << "06:00" << at(6, 0, 20, 0, QDate(2021, 1, 1)) << "20201231.txt";
    QTest::newRow("8:30 never") << 1 << "8:30" << at(8, 30, 20) << "";
    QTest::newRow("08.30 never") << 1 << "08.30" << at(8, 30, 20) << "";
    QTest::newRow("24:00 never") << 1 << "24:00" << at(0, 0, 20, 0, QDate(2021, 3, 6)) << "";
}

void TestSchedule::scheduledUpload()
{
    QFETCH(int, slot);
    QFETCH(QString, value);
    QFETCH(QDateTime, checkAt);
    QFETCH(QString, localFile);

    Window w(checkAt.addSecs(-60), {{slot, value}}, nowhere());
    w.window->findChild<QDateEdit *>(QStringLiteral("dtUp"))->setDate(QDate(1999, 1, 1));
    w.tick(60);
    QCOMPARE(w.clock.now(), checkAt);
    if (localFile.isEmpty()) {
        QVERIFY(w.commands().isEmpty());
        QCOMPARE(w.caption("lblCount"), QStringLiteral(" 1"));
        return;
    }
    QCOMPARE(w.commands().size(), 1);
    QCOMPARE(w.caption("lblCount"), QStringLiteral("0"));
    QCOMPARE(w.caption("lblLocalFile"), localFile);
    // The picker is left on the day sent, yesterday for times 9 and 10.
    QCOMPARE(w.window->findChild<QDateEdit *>(QStringLiteral("dtUp"))->date(), QDate::fromString(localFile.left(8), u"yyyyMMdd"));
    const QStringList log = w.log();
    const qsizetype command = log.indexOf(w.commands().first());
    QCOMPARE(log.at(command + 1), checkAt.toString(u"yyyy/MM/dd-HH:mm"));
}

QTEST_MAIN(TestSchedule)
#include "tst_schedule.moc"
