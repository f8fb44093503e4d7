// SPDX-License-Identifier: MIT
// What the operator sees of delivery: the alarm in the tray, its notifications, the status line
// under the log and the history view.
#include "core/delivery/Delivery.h"
#include "core/transfer/TransferQueue.h"
#include "gui/shell/Application.h"
#include "MessageCapture.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QWidget>

using namespace korva5;

using namespace TestSupport;

namespace {

QDateTime at(int h, int m, int s = 0)
{
    return QDateTime(QDate(2021, 3, 5), QTime(h, m, s));
}

QByteArray settingsFile(const FtpServer &server, const QString &password, const QString &language)
{
    return iniText({{QStringLiteral("Language"), language},
                    {QStringLiteral("FtpNo"), QStringLiteral("12")},
                    {QStringLiteral("FtpServer"), server.address()},
                    {QStringLiteral("FtpPath"), QStringLiteral("/upload/")},
                    {QStringLiteral("FtpUserName"), FtpServer::User},
                    {QStringLiteral("FtpPassword"), password},
                    {QStringLiteral("FtpTime1"), QStringLiteral("08:30")},
                    {QStringLiteral("LocalPath"), QStringLiteral("{dir}/")}});
}

// A station whose window the test drives minute by minute.
struct Desk : LoadedWindow
{
    Desk(const FtpServer &server, const QString &password, const QString &language = QStringLiteral("English"))
        : LoadedWindow(settingsFile(server, password, language), at(8, 29, 30))
    {
        writeFile(dir.file(QStringLiteral("20210305.txt")), "records of 5 March");
    }
    void runAt(const QDateTime &when)
    {
        minuteAt(when);
        QTRY_VERIFY_WITH_TIMEOUT(!transfers().isBusy(), 30000);
        QCoreApplication::processEvents();
    }
    void setPassword(const FtpServer &server, const QString &password)
    {
        const QString language = station().state().language();
        writeFile(dir.iniFile(), QByteArray(settingsFile(server, password, language)).replace("{dir}", dir.path().toUtf8()));
        station().reloadSettings();
    }
    QStringList messages() const
    {
        QStringList texts;
        for (const RecordingNotifyArea::Call &call : tray.calls) {
            if (call.operation == u"message")
                texts << call.tooltip.section(u'|', 1);
        }
        return texts;
    }
    QImage trayImage() const
    {
        for (auto it = tray.calls.crbegin(); it != tray.calls.crend(); ++it) {
            if (it->operation == u"modify" || it->operation == u"add")
                return it->icon.pixmap(32, 32).toImage();
        }
        return {};
    }
    QString trayTooltip() const
    {
        for (auto it = tray.calls.crbegin(); it != tray.calls.crend(); ++it) {
            if (it->operation == u"modify" || it->operation == u"add")
                return it->tooltip;
        }
        return {};
    }
    QString statusLine() const { return window->findChild<QLabel *>(QStringLiteral("lblStatus"))->text(); }
};

// The warning mark is red in the icon's lower right corner; the plain icons have no red there.
// Saves what the operator would see, for a person to look at (the folder CTest names).
void saveScreenshot(QWidget *widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("KORVA5_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    widget->resize(widget->size().expandedTo(QSize(700, 470)));
    widget->grab().save(folder + u'/' + name);
}

bool hasWarningMark(const QImage &image)
{
    // Beside the mark's white bar, inside its red disc.
    const QColor corner = image.pixelColor(image.width() * 27 / 32, image.height() * 3 / 4);
    return corner.red() > 180 && corner.green() < 80 && corner.blue() < 80;
}

} // namespace

class TestAlarm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void alarmUntilDeliveredAfterAll_data();
    void alarmUntilDeliveredAfterAll();
    void aReplyIsShownAsItCame_data();
    void aReplyIsShownAsItCame();
    void withoutNotificationAreaTheTitleCarriesIt();
    void statusLineSurvivesARestart();
    void historyShowsTheJournalWithAFilter();

private:
    std::unique_ptr<FtpServer> m_server;
};

void TestAlarm::initTestCase()
{
    m_server = std::make_unique<FtpServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
}

void TestAlarm::alarmUntilDeliveredAfterAll_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("failed");
    QTest::addColumn<QString>("delivered");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("underError"); // the log's line under "Error!"
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("English") << "English" << "20210305.12 not sent: login refused: 530 Authentication failed. Next try 08:31."
                             << "20210305.12 has been delivered after all."
                             << "Last: none · Next: 08:31 · Waiting: 0 · Owed: 1 (next try 08:31)"
                             << "login refused: 530 Authentication failed."
                             << "KORVA5 Records Upload System - running\nOwed: 20210305.12";
    QTest::newRow("China") << "China" << "20210305.12 未发送：登录被拒绝：530 Authentication failed。下次尝试 08:31。"
                           << "20210305.12 已补发成功。" << "上次： 无 · 下次： 08:31 · 等待： 0 · 待补发： 1 （下次尝试 08:31）"
                           << "登录被拒绝：530 Authentication failed."
                           << "KORVA5 记录上传系统 - 运行中\n待上传：20210305.12";
    QTest::newRow("Taiwan") << "Taiwan" << "20210305.12 未傳送：登入被拒絕：530 Authentication failed。下次嘗試 08:31。"
                            << "20210305.12 已補傳成功。" << "上次： 無 · 下次： 08:31 · 等待： 0 · 待補傳： 1 （下次嘗試 08:31）"
                            << "登入被拒絕：530 Authentication failed."
                            << "KORVA5 記錄上傳系統 - 執行中\n待上傳：20210305.12";
}

void TestAlarm::alarmUntilDeliveredAfterAll()
{
    QFETCH(QString, language);
    QFETCH(QString, failed);
    QFETCH(QString, delivered);
    QFETCH(QString, status);
    QFETCH(QString, underError);
    QFETCH(QString, tooltip);
    QFile::remove(m_server->root() + QStringLiteral("/upload/20210305.12"));
    Desk s(*m_server, QStringLiteral("wrong"), language);
    QVERIFY(!hasWarningMark(s.trayImage()));
    s.runAt(at(8, 30, 30));
    QCOMPARE(s.messages(), QStringList{failed});
    const QStringList log = s.log();
    QVERIFY2(log.indexOf(QStringLiteral("Error!")) >= 0, qPrintable(log.join(u'\n')));
    QCOMPARE(log.value(log.indexOf(QStringLiteral("Error!")) + 1), underError);
    QVERIFY(hasWarningMark(s.trayImage()));
    QCOMPARE(s.trayTooltip(), tooltip);
    QCOMPARE(s.statusLine(), status.replace(u'·', QChar(0xb7)));
    saveScreenshot(s.window, QStringLiteral("alarm-window-%1.png").arg(language));
    if (const QString folder = qEnvironmentVariable("KORVA5_SCREENSHOT_DIR"); !folder.isEmpty())
        s.trayImage().scaled(64, 64).save(folder + QStringLiteral("/alarm-tray-icon-%1.png").arg(language));

    // Still failing: the alarm stays, and nothing is said twice.
    s.runAt(at(8, 31, 30));
    QCOMPARE(s.messages().size(), 1);
    QVERIFY(hasWarningMark(s.trayImage()));

    s.setPassword(*m_server, FtpServer::Password);
    s.runAt(at(8, 33, 30));
    QVERIFY(m_server->holds(QStringLiteral("upload/20210305.12")));
    QCOMPARE(s.messages(), (QStringList{failed, delivered}));
    QVERIFY(!hasWarningMark(s.trayImage()));
    QCOMPARE(s.trayTooltip(), tooltip.section(u'\n', 0, 0));
    QVERIFY2(s.statusLine().contains(QStringLiteral("20210305.12 08:33:30 (18 ")), qPrintable(s.statusLine())); // bytes, 字节, 位元組
    // Told as a problem, then as good news; a click on the last one asks what became of the file.
    QList<NotifyArea::Tone> tones;
    for (const RecordingNotifyArea::Call &call : s.tray.calls)
        if (call.operation == u"message")
            tones << call.tone;
    QCOMPARE(tones, (QList<NotifyArea::Tone>{NotifyArea::Tone::Problem, NotifyArea::Tone::Good}));
    s.window->hideToTray();
    s.tray.clickMessage();
    QVERIFY(s.window->isVisible());
    auto *history = s.window->findChild<QTableWidget *>(QStringLiteral("tblHistory"));
    QVERIFY(history);
    QCOMPARE(history->selectedItems().value(0) ? history->item(history->currentRow(), 1)->text() : QString(),
             QStringLiteral("20210305.12"));
}

void TestAlarm::aReplyIsShownAsItCame_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("failed");
    QTest::newRow("English") << "English"
                             << "20210305.12 not sent: login refused: 530 Quota %3 of %2 used (scripted fault). Next try 08:31.";
    QTest::newRow("China") << "China" << "20210305.12 未发送：登录被拒绝：530 Quota %3 of %2 used (scripted fault)。下次尝试 08:31。";
}

// Places of the sentence are filled in one step: a "%3" the server said is not where the time goes.
void TestAlarm::aReplyIsShownAsItCame()
{
    QFETCH(QString, language);
    QFETCH(QString, failed);
    FtpServer server({QStringLiteral("bad-login-percent")});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    Desk s(server, FtpServer::Password, language);
    s.runAt(at(8, 30, 30));
    QCOMPARE(s.messages(), QStringList{failed});
}

void TestAlarm::withoutNotificationAreaTheTitleCarriesIt()
{
    Desk s(*m_server, QStringLiteral("wrong"));
    s.tray.available = false;
    s.runAt(at(8, 30, 30));
    QCOMPARE(s.window->windowTitle(), QStringLiteral("KORVA5 Records Upload System  Ver 1.00 - uploads owed"));
    s.setPassword(*m_server, FtpServer::Password);
    s.runAt(at(8, 31, 30));
    QCOMPARE(s.window->windowTitle(), QStringLiteral("KORVA5 Records Upload System  Ver 1.00"));
}

void TestAlarm::statusLineSurvivesARestart()
{
    Desk s(*m_server, FtpServer::Password);
    s.runAt(at(8, 30, 30));
    QVERIFY(s.statusLine().contains(QStringLiteral("Last: 20210305.12 08:30:30")));
    s.clock.set(at(9, 0, 0));
    s.load(); // the program ends and starts again
    QVERIFY2(s.statusLine().startsWith(QStringLiteral("Last: 20210305.12 08:30:30 (18 bytes)")), qPrintable(s.statusLine()));
    // The next time is tomorrow's, and says so.
    QVERIFY2(s.statusLine().endsWith(QStringLiteral("Next: 08:30 tomorrow \u00b7 Waiting: 0")), qPrintable(s.statusLine()));
}

void TestAlarm::historyShowsTheJournalWithAFilter()
{
    Desk s(*m_server, QStringLiteral("wrong"));
    s.runAt(at(8, 30, 30));
    s.setPassword(*m_server, FtpServer::Password);
    s.runAt(at(8, 31, 30));
    s.window->uploadPickedDay();
    QTRY_VERIFY_WITH_TIMEOUT(!s.transfers().isBusy(), 30000);
    QCoreApplication::processEvents();

    QTest::mouseClick(s.window->findChild<QPushButton *>(QStringLiteral("cmbHistory")), Qt::LeftButton);
    auto *table = s.window->findChild<QTableWidget *>(QStringLiteral("tblHistory"));
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("manual"));
    QCOMPARE(table->item(2, 2)->text(), QStringLiteral("slot FtpTime1"));
    QCOMPARE(table->item(2, 4)->text(), QStringLiteral("failed"));
    QVERIFY(table->item(2, 5)->text().contains(QStringLiteral("530")));
    saveScreenshot(table->window(), QStringLiteral("history.png"));
    s.window->findChild<QCheckBox *>(QStringLiteral("chkFailures"))->setChecked(true);
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("20210305.12"));
}

QTEST_MAIN(TestAlarm)
#include "tst_alarm.moc"
