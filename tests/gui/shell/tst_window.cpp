// SPDX-License-Identifier: MIT
// The tray icon, the run state and the window's behaviour, through a recording notification area.
#include "gui/shell/ExitStatus.h"
#include "gui/shell/Application.h"
#include "gui/tray/RunState.h"
#include "TestSupport.h"
#include "gui/tray/TrayIcon.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace korva5;

using namespace TestSupport;

namespace {

struct Window : LoadedWindow
{
    explicit Window(const QString &language = QStringLiteral("English"))
        : LoadedWindow(iniText({{QStringLiteral("Language"), language}}))
    {
    }
    QAction *state() const { return window->findChild<QAction *>(QStringLiteral("mnuState")); }
    QImage image(const QIcon &icon) const { return icon.pixmap(32).toImage(); }
    bool isWindowIcon(const QIcon &icon) const { return image(icon) == image(window->windowIcon()); }
    bool isStoppedIcon(const QIcon &icon) const
    {
        return image(icon) == image(QIcon(window->findChild<QLabel *>(QStringLiteral("picDisable"))->pixmap()));
    }
};

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void tooltipText_data();
    void tooltipText();
    void startUpAddsTheIconOnce();
    void runStopOverThreeToggles();
    void rightPressToggles();
    void leftPressPopsUpTheMenu();
    void mouseOnTheIconMeansIntents_data();
    void mouseOnTheIconMeansIntents();
    void emptyStopStatusStillChangesTheImage();
    void windowBackgroundPressDoesNothing();
    void closeIsRefused();
    void exitRemovesTheIconFirst();
    void hideAndShowKeepTheGeometry();
    void withoutNotificationAreaTheWindowIsMinimised();
    void escapeHides();
    void secondStartShowsTheWindow_data();
    void secondStartShowsTheWindow();
};

void TestWindow::tooltipText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("blanks around") << "  Upload running  " << "Upload running";
    QTest::newRow("inner blanks stay") << "a  b" << "a  b";
    QTest::newRow("63 characters") << QString(63, u'x') << QString(63, u'x');
    QTest::newRow("64 characters") << QString(64, u'x') << QString(63, u'x');
    QTest::newRow("200 characters") << QString(200, u'y') << QString(63, u'y');
    QTest::newRow("empty") << "" << "";
    QTest::newRow("blanks only") << "    " << "";
}

void TestWindow::tooltipText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(NotifyArea::tooltipText(text), shown);
}

void TestWindow::startUpAddsTheIconOnce()
{
    Window w(QStringLiteral("China"));
    QCOMPARE(w.tray.calls.size(), 1);
    QCOMPARE(w.tray.calls.first().operation, QStringLiteral("add"));
    QVERIFY(w.isWindowIcon(w.tray.calls.first().icon));
    QCOMPARE(w.tray.calls.first().tooltip, QStringLiteral("KORVA5 记录上传系统 - 运行中"));
}

void TestWindow::runStopOverThreeToggles()
{
    Window w;
    const QString running = QStringLiteral("KORVA5 Records Upload System - running");
    const QString stopped = QStringLiteral("KORVA5 Records Upload System - stopped");
    // After start-up: stopped by the state and the menu, running by the look of the tray.
    QVERIFY(!w.station().state().isRunning());
    QCOMPARE(w.state()->text(), QStringLiteral("&Run"));

    struct Step { bool running; QString caption; bool windowIcon; QString tooltip; };
    const QList<Step> steps{{true, QStringLiteral("&Stop"), true, running},
                            {false, QStringLiteral("&Run"), false, stopped},
                            {true, QStringLiteral("&Stop"), true, running}};
    for (const Step &step : steps) {
        w.window->findChild<QAction *>(QStringLiteral("mnuState"))->trigger();
        QCOMPARE(w.station().state().isRunning(), step.running);
        QCOMPARE(w.state()->text(), step.caption);
        const RecordingNotifyArea::Call &call = w.tray.calls.last();
        QCOMPARE(call.operation, QStringLiteral("modify"));
        QCOMPARE(call.tooltip, step.tooltip);
        QVERIFY(step.windowIcon ? w.isWindowIcon(call.icon) : w.isStoppedIcon(call.icon));
    }
    QCOMPARE(w.tray.calls.size(), 4);
}

void TestWindow::rightPressToggles()
{
    Window w;
    w.tray.clickRight();
    QVERIFY(w.station().state().isRunning());
    QVERIFY(!w.window->findChild<QMenu *>(QStringLiteral("mnuMain"))->isVisible());
    // The same as choosing the menu item.
    w.state()->trigger();
    QVERIFY(!w.station().state().isRunning());
    QCOMPARE(w.tray.calls.size(), 3);
}

void TestWindow::leftPressPopsUpTheMenu()
{
    Window w;
    QMenu *menu = w.window->findChild<QMenu *>(QStringLiteral("mnuMain"));
    w.tray.clickLeft();
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->actions().size(), 4);
    QCOMPARE(menu->actions().at(2)->text(), QStringLiteral("&Parameter"));
    QVERIFY(!w.station().state().isRunning());
    menu->hide();
}

void TestWindow::mouseOnTheIconMeansIntents_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<int>("menu");
    QTest::addColumn<int>("toggle");
    QTest::newRow("left click") << QSystemTrayIcon::Trigger << 1 << 0;
    QTest::newRow("right click") << QSystemTrayIcon::Context << 0 << 1;
    QTest::newRow("double click") << QSystemTrayIcon::DoubleClick << 0 << 0;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << 0 << 0;
    QTest::newRow("unknown") << QSystemTrayIcon::Unknown << 0 << 0;
}

void TestWindow::mouseOnTheIconMeansIntents()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(int, menu);
    QFETCH(int, toggle);
    SystemNotifyArea area;
    QSignalSpy menuRequested(&area, &NotifyArea::menuRequested);
    QSignalSpy runToggleRequested(&area, &NotifyArea::runToggleRequested);
    area.activate(reason);
    QCOMPARE(menuRequested.count(), menu);
    QCOMPARE(runToggleRequested.count(), toggle);
}

void TestWindow::emptyStopStatusStillChangesTheImage()
{
    Window w;
    // Texts left empty on purpose (a missing one would show the built-in text).
    writeFile(w.dir.languageFile(), "[English]\nRunStatus=up\nStopStatus=\nRun=\n");
    w.window->findChild<QAction *>(QStringLiteral("mnuState"))->trigger();
    w.window->findChild<QAction *>(QStringLiteral("mnuState"))->trigger();
    QCOMPARE(w.tray.calls.last().tooltip, QString());
    QVERIFY(w.isStoppedIcon(w.tray.calls.last().icon));
    QCOMPARE(w.state()->text(), QString()); // an empty Run text in the file too
}

void TestWindow::windowBackgroundPressDoesNothing()
{
    // Presses on the window itself are not tray notifications, wherever they land.
    Window w;
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window));
    for (int x : {513, 516}) {
        QTest::mousePress(w.window, Qt::LeftButton, {}, QPoint(x, 3));
        QTest::mouseRelease(w.window, Qt::LeftButton, {}, QPoint(x, 3));
    }
    QVERIFY(!w.window->findChild<QMenu *>(QStringLiteral("mnuMain"))->isVisible());
    QVERIFY(!w.station().state().isRunning());
}

void TestWindow::closeIsRefused()
{
    Window w;
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window));
    const QRect geometry = w.window->geometry();
    QVERIFY(!w.window->close());
    QVERIFY(w.window->isVisible());
    QCOMPARE(w.window->geometry(), geometry);
    QVERIFY(!w.window->isMinimized());
    QCOMPARE(w.tray.calls.size(), 1);
}

void TestWindow::exitRemovesTheIconFirst()
{
    Window w;
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window));
    w.tray.calls.clear();
    // Watch the window close: the icon must already be gone by then.
    bool removedBeforeClose = false;
    class CloseWatch : public QObject
    {
    public:
        explicit CloseWatch(std::function<void()> seen) : m_seen(std::move(seen)) {}
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Close)
                m_seen();
            return false;
        }

    private:
        std::function<void()> m_seen;
    } watch([&] { removedBeforeClose = !w.tray.calls.isEmpty() && w.tray.calls.last().operation == u"remove"; });
    w.window->installEventFilter(&watch);

    QTest::mouseClick(w.window->findChild<QPushButton *>(QStringLiteral("cmbExit")), Qt::LeftButton);
    QVERIFY(removedBeforeClose);
    QVERIFY(!w.window->isVisible());
    QCOMPARE(w.tray.calls.size(), 1);
    QCOMPARE(w.tray.calls.first().operation, QStringLiteral("remove"));
}

void TestWindow::hideAndShowKeepTheGeometry()
{
    Window w;
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window));
    w.window->setGeometry(120, 90, 720, 480);
    const QRect geometry = w.window->geometry();
    QTest::mouseClick(w.window->findChild<QPushButton *>(QStringLiteral("cmbMin")), Qt::LeftButton);
    QVERIFY(!w.window->isVisible());
    w.window->findChild<QAction *>(QStringLiteral("mnuShow"))->trigger();
    QVERIFY(w.window->isVisible());
    QCOMPARE(w.window->geometry(), geometry);
}

void TestWindow::withoutNotificationAreaTheWindowIsMinimised()
{
    Window w;
    w.tray.available = false;
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window));
    w.window->hideToTray();
    QVERIFY(w.window->isVisible());
    QVERIFY(w.window->isMinimized());
    w.window->showWindow();
    QVERIFY(!w.window->isMinimized());
    // A notification area that appears later takes the window as usual.
    w.tray.available = true;
    w.window->hideToTray();
    QVERIFY(!w.window->isVisible());
}

void TestWindow::escapeHides()
{
    Window w;
    w.window->show();
    QVERIFY(QTest::qWaitForWindowActive(w.window));
    QTest::keyClick(w.window, Qt::Key_Escape);
    QVERIFY(!w.window->isVisible());
}

void TestWindow::secondStartShowsTheWindow_data()
{
    QTest::addColumn<bool>("notificationArea");
    QTest::newRow("hidden into the notification area") << true;
    QTest::newRow("minimised, no notification area") << false;
}

void TestWindow::secondStartShowsTheWindow()
{
    // This window is the running copy; the second is the program itself, started from the
    // same folder as a user would from the menu.
    QFETCH(bool, notificationArea);
    Window w;
    w.tray.available = notificationArea;
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window));
    w.window->hideToTray();
    QVERIFY(!w.window->isVisible() || w.window->isMinimized());

    QProcess second;
    second.start(w.dir.installBinary(), {});
    QTRY_VERIFY_WITH_TIMEOUT(w.window->isVisible() && !w.window->isMinimized(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 10000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), int(ExitAlreadyRunning));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
