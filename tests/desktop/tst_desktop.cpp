// SPDX-License-Identifier: MIT
// The program on a real X desktop: Xvfb as the screen, trayer as the notification area and
// xdotool as the user's hand.
#include "TestSupport.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>

using namespace korva5;

using namespace TestSupport;

namespace {

QByteArray runTool(const QString &program, const QStringList &arguments, const QString &display)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(10000);
    return process.readAllStandardOutput();
}

struct XWindow
{
    QString id;
    QString name;
    QRect geometry; // on the screen
};

// A screen of its own, with or without a notification area.
class Desktop
{
public:
    explicit Desktop(bool notificationArea)
    {
        // Xvfb takes the first free display and says which once it listens: tests of another
        // build running at the same time never end up on the same screen as this one.
        m_xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                             QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                                             QStringLiteral("tcp")});
        if (!m_xvfb.waitForStarted(5000))
            return;
        QByteArray number;
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && m_xvfb.state() == QProcess::Running && !number.endsWith('\n')) {
            m_xvfb.waitForReadyRead(100);
            number += m_xvfb.readAllStandardOutput();
        }
        if (!number.endsWith('\n'))
            return;
        m_display = u':' + QString::fromLatin1(number.trimmed());
        if (!notificationArea)
            return;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_display);
        m_trayer.setProcessEnvironment(environment);
        m_trayer.start(QStringLiteral("trayer"),
                       {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"), QStringLiteral("right"),
                        QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"),
                        QStringLiteral("24"), QStringLiteral("--SetDockType"), QStringLiteral("false"),
                        QStringLiteral("--transparent"), QStringLiteral("false")});
        QDeadlineTimer panel(5000);
        while (!panel.hasExpired() && !tree().contains("\"panel\""))
            QTest::qWait(100);
    }
    ~Desktop()
    {
        for (QProcess *process : {&m_trayer, &m_xvfb}) {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(3000))
                    process->kill();
                process->waitForFinished(3000);
            }
        }
    }
    bool isUp() const { return !m_display.isEmpty(); }
    QString display() const { return m_display; }
    QByteArray tree() const { return runTool(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")}, m_display); }
    QByteArray xdotool(const QStringList &arguments) const { return runTool(QStringLiteral("xdotool"), arguments, m_display); }

    // Windows of the program, from the window tree, with their place on the screen.
    QList<XWindow> programWindows() const
    {
        QList<XWindow> windows;
        static const char *pattern =
            R"re(^\s*(0x[0-9a-f]+) "([^"]*)": \("korva5-upload" "korva5-upload"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))re";
        static const QRegularExpression line(QString::fromLatin1(pattern));
        for (const QByteArray &text : tree().split('\n')) {
            const QRegularExpressionMatch match = line.match(QString::fromUtf8(text));
            if (match.hasMatch())
                windows << XWindow{match.captured(1), match.captured(2),
                                   QRect(match.captured(5).toInt(), match.captured(6).toInt(), match.captured(3).toInt(),
                                         match.captured(4).toInt())};
        }
        return windows;
    }
    // The program's icon, docked in trayer's panel at the top right.
    std::optional<XWindow> trayIcon() const
    {
        for (const XWindow &w : programWindows())
            if (w.geometry.x() > 600 && w.geometry.y() < 24 && w.geometry.width() > 8 && w.geometry.width() <= 64)
                return w;
        return std::nullopt;
    }
    bool isMapped(const QString &id) const
    {
        return runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}, m_display).contains("IsViewable");
    }
    void click(QPoint at, int button) const
    {
        xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
                 QString::number(button)});
    }

private:
    QProcess m_xvfb;
    QProcess m_trayer;
    QString m_display;
};

// The program started from a program folder of its own on the desktop.
class Program
{
public:
    Program(const Desktop &desktop, const QString &language, QMap<QString, QString> settings = {},
            const QMap<QString, QString> &variables = {})
    {
        settings.insert(QStringLiteral("Language"), language);
        if (!settings.contains(QStringLiteral("FtpNo")))
            settings.insert(QStringLiteral("FtpNo"), QStringLiteral("12"));
        // A station set up: one that is not stays in sight instead of hiding itself.
        if (!settings.contains(QStringLiteral("FtpServer")))
            settings.insert(QStringLiteral("FtpServer"), QStringLiteral("127.0.0.1"));
        if (settings.contains(QStringLiteral("LocalPath")))
            settings[QStringLiteral("LocalPath")] = m_dir.path() + u'/';
        writeFile(m_dir.iniFile(), iniText(settings));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (auto it = variables.cbegin(); it != variables.cend(); ++it)
            environment.insert(it.key(), it.value());
        environment.insert(QStringLiteral("DISPLAY"), desktop.display());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("korva5.*.debug=true"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_binary = m_dir.installBinary();
        m_process.start(m_binary, {});
    }
    ~Program()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
    bool waitFor(const QString &text, int timeoutMs = 10000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            m_process.waitForReadyRead(100);
            m_err += m_process.readAllStandardError();
            if (QString::fromUtf8(m_err).contains(text))
                return true;
            if (m_process.state() == QProcess::NotRunning)
                break;
        }
        qWarning("waited for \"%s\"; the program wrote: %s", qPrintable(text), m_err.constData());
        return false;
    }
    QProcess &process() { return m_process; }
    QString file(const QString &name) const { return m_dir.file(name); }
    // Starts the program a second time from the same folder, as the desktop's menu does.
    void startAgain(QProcess &second) const
    {
        second.setProcessEnvironment(m_process.processEnvironment());
        second.setProcessChannelMode(QProcess::SeparateChannels);
        second.start(m_binary, {});
    }
    QString mainWindow(const Desktop &desktop) const
    {
        for (const XWindow &w : desktop.programWindows())
            if (w.name.contains(u"Ver 1.00"))
                return w.id;
        return {};
    }

private:
    ProgramDir m_dir;
    QString m_binary;
    QProcess m_process;
    QByteArray m_err;
};

bool toolsPresent()
{
    for (const char *tool : {"Xvfb", "trayer", "xdotool", "xwininfo", "xdpyinfo", "import"})
        if (QStandardPaths::findExecutable(QLatin1StringView(tool)).isEmpty())
            return false;
    return true;
}


// Pixels of the warning mark's red in a part of the screen.
int redPixels(const Desktop &desktop, const QRect &area, const QString &saveAs = {})
{
    const QString file = QDir::temp().filePath(QStringLiteral("korva5-tray-%1.png").arg(QCoreApplication::applicationPid()));
    runTool(QStringLiteral("import"),
            {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
             QStringLiteral("%1x%2+%3+%4").arg(area.width()).arg(area.height()).arg(area.x()).arg(area.y()), file},
            desktop.display());
    const QImage image(file);
    if (!saveAs.isEmpty())
        image.scaled(area.size() * 4).save(saveAs);
    QFile::remove(file);
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 180 && c.green() < 80 && c.blue() < 80;
        }
    return red;
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void trayMenuRunStopAndExit_data();
    void trayMenuRunStopAndExit();
    void fifthTickHidesOrMinimises_data();
    void fifthTickHidesOrMinimises();
    void secondStartMapsTheHiddenWindow();
    void failedTimeMarksTheTrayIcon();
    void startProblemIsShownInABox_data();
    void startProblemIsShownInABox();
    void screenshots_data();
    void screenshots();
};

void TestDesktop::initTestCase()
{
    if (!toolsPresent())
        QSKIP("needs Xvfb, trayer, xdotool, x11-utils and imagemagick (./run test installs them)");
}

void TestDesktop::trayMenuRunStopAndExit_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("menuAfterToggle");
    QTest::newRow("English") << "English" << "&Run | &Parameter | E&xit" << "&Stop | &Parameter | E&xit";
    QTest::newRow("China") << "China" << "运行(&R) | 参数设置(&P) | 退出(&X)" << "停止(&S) | 参数设置(&P) | 退出(&X)";
    QTest::newRow("Taiwan") << "Taiwan" << "執行(&R) | 參數設定(&P) | 結束(&X)" << "停止(&S) | 參數設定(&P) | 結束(&X)";
}

void TestDesktop::trayMenuRunStopAndExit()
{
    QFETCH(QString, language);
    QFETCH(QString, menu);
    QFETCH(QString, menuAfterToggle);
    Desktop desktop(true);
    QVERIFY(desktop.isUp());
    Program program(desktop, language);
    QVERIFY(program.waitFor(QStringLiteral("started in")));

    std::optional<XWindow> icon;
    QTRY_VERIFY_WITH_TIMEOUT((icon = desktop.trayIcon()).has_value(), 10000);
    const QPoint iconCentre = icon->geometry.center();

    // A left press pops up the menu in the current language.
    desktop.click(iconCentre, 1);
    QVERIFY(program.waitFor(u"tray menu: " + menu));
    desktop.xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    // A right press switches the run state and opens no menu.
    desktop.click(iconCentre, 3);
    QVERIFY(program.waitFor(QStringLiteral("run state: running")));
    desktop.click(iconCentre, 1);
    QVERIFY(program.waitFor(u"tray menu: " + menuAfterToggle));

    // The last item of the menu is Exit.
    QRect menuRect;
    QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                 for (const XWindow &w : desktop.programWindows())
                                     if (w.geometry.height() > 40 && w.geometry.width() > 40 && w.geometry.y() < 400
                                         && !w.name.contains(u"Ver 1.00") && desktop.isMapped(w.id)) {
                                         menuRect = w.geometry;
                                         return true;
                                     }
                                 return false;
                             })(),
                             5000);
    desktop.click(QPoint(menuRect.center().x(), menuRect.bottom() - 8), 1);
    QVERIFY(program.process().waitForFinished(10000));
    QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process().exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.trayIcon().has_value(), 5000);
}

void TestDesktop::fifthTickHidesOrMinimises_data()
{
    QTest::addColumn<bool>("notificationArea");
    QTest::addColumn<bool>("configured");
    QTest::newRow("with a notification area: hidden") << true << true;
    QTest::newRow("without one: minimised, still reachable") << false << true;
    QTest::newRow("not configured: stays in sight") << true << false;
}

void TestDesktop::fifthTickHidesOrMinimises()
{
    QFETCH(bool, notificationArea);
    QFETCH(bool, configured);
    Desktop desktop(notificationArea);
    QVERIFY(desktop.isUp());
    QMap<QString, QString> settings;
    if (!configured)
        settings.insert(QStringLiteral("FtpServer"), QString());
    Program program(desktop, QStringLiteral("English"), settings);
    QVERIFY(program.waitFor(QStringLiteral("started in")));
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = program.mainWindow(desktop)).isEmpty(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(window), 5000);
    if (!configured) {
        QTest::qWait(6500); // past the moment a configured one goes
        QVERIFY(desktop.isMapped(window));
    } else if (notificationArea) {
        // About five seconds after start; later on a loaded machine.
        QTRY_VERIFY_WITH_TIMEOUT(!desktop.isMapped(window), 30000);
    } else {
        QVERIFY(program.waitFor(QStringLiteral("minimising the window instead of hiding it"), 30000));
        QVERIFY(desktop.isMapped(window));
    }
    QCOMPARE(program.process().state(), QProcess::Running);
}

void TestDesktop::secondStartMapsTheHiddenWindow()
{
    Desktop desktop(true);
    QVERIFY(desktop.isUp());
    Program program(desktop, QStringLiteral("English"));
    QVERIFY(program.waitFor(QStringLiteral("started in")));
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = program.mainWindow(desktop)).isEmpty() && desktop.isMapped(window), 5000);
    // On its fifth second the window goes into the notification area.
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.isMapped(window), 10000);

    QProcess second;
    program.startAgain(second);
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 3);
    QVERIFY(program.waitFor(QStringLiteral("a second start asked to show the window")));
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(window), 5000);
    QCOMPARE(program.process().state(), QProcess::Running);
}

void TestDesktop::failedTimeMarksTheTrayIcon()
{
    const QString fakeTime = fakeTimeLibrary();
    if (fakeTime.isEmpty())
        QSKIP("needs libfaketime (Debian package faketime) to reach a scheduled time quickly");
    FtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    Desktop desktop(true);
    QVERIFY(desktop.isUp());
    // A wrong password at 08:30, with the program's clock running ten times as fast.
    Program program(desktop, QStringLiteral("English"),
                    {{QStringLiteral("FtpServer"), server.address()}, {QStringLiteral("FtpPath"), QStringLiteral("/upload/")},
                     {QStringLiteral("FtpUserName"), FtpServer::User}, {QStringLiteral("FtpPassword"), QStringLiteral("wrong")},
                     {QStringLiteral("FtpTime1"), QStringLiteral("08:30")}, {QStringLiteral("LocalPath"), QString()}},
                    {{QStringLiteral("LD_PRELOAD"), fakeTime},
                     {QStringLiteral("FAKETIME"), QStringLiteral("@2024-03-01 08:29:50 x10")},
                     {QStringLiteral("ASAN_OPTIONS"), qEnvironmentVariable("ASAN_OPTIONS") + QStringLiteral(":verify_asan_link_order=0")}});
    writeFile(program.file(QStringLiteral("20240301.txt")), "records of 1 March\n");
    QVERIFY(program.waitFor(QStringLiteral("started in")));
    std::optional<XWindow> icon;
    QTRY_VERIFY_WITH_TIMEOUT((icon = desktop.trayIcon()).has_value(), 5000);
    QTest::qWait(300);
    const int before = redPixels(desktop, icon->geometry);

    QVERIFY(program.waitFor(QStringLiteral("notification: 20240301.12 not sent: login refused: 530"), 30000));
    const QString folder = qEnvironmentVariable("KORVA5_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    // The icon is painted anew a moment after the notice, later on a loaded machine.
    int after = 0;
    QTRY_VERIFY2_WITH_TIMEOUT((after = redPixels(desktop, icon->geometry, folder + QStringLiteral("/alarm-tray-on-the-desktop.png")))
                                  > before + 10,
                              qPrintable(QStringLiteral("red pixels in the icon: %1 before, %2 after").arg(before).arg(after)), 10000);

    // Stopped (a right click switches to running, a second one to stopped), the mark stays, and
    // the image still tells the state.
    desktop.click(icon->geometry.center(), 3);
    QVERIFY(program.waitFor(QStringLiteral("run state: running")));
    QTest::qWait(1000); // not a double click
    desktop.click(icon->geometry.center(), 3);
    QVERIFY(program.waitFor(QStringLiteral("run state: stopped")));
    desktop.xdotool({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("767")});
    const QString stoppedShot = folder + QStringLiteral("/alarm-tray-stopped-on-the-desktop.png");
    const QImage runningImage(folder + QStringLiteral("/alarm-tray-on-the-desktop.png"));
    // Waited for until the stopped image is painted: the mark on it is no sign of that, the
    // running image has it too.
    int stopped = 0;
    int differ = 0;
    const auto stoppedImageShown = [&] {
        stopped = redPixels(desktop, icon->geometry, stoppedShot);
        const QImage stoppedImage(stoppedShot);
        differ = 0;
        for (int y = 0; y < std::min(runningImage.height(), stoppedImage.height()); ++y)
            for (int x = 0; x < std::min(runningImage.width(), stoppedImage.width()); ++x)
                differ += runningImage.pixel(x, y) != stoppedImage.pixel(x, y);
        return stoppedImage.size() == runningImage.size() && differ * 8 > runningImage.width() * runningImage.height();
    };
    QTRY_VERIFY2_WITH_TIMEOUT(stoppedImageShown(), qPrintable(QStringLiteral("%1 pixels differ").arg(differ)), 10000);
    QVERIFY2(stopped > before + 10, qPrintable(QStringLiteral("red pixels in the stopped icon: %1").arg(stopped)));
}

void TestDesktop::startProblemIsShownInABox_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QString>("language"); // of TALLYPORT.ini, when it is there
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("ended"); // by SIGTERM, as a session's end does, instead of a person's Enter
    QTest::newRow("TALLYPORT.ini missing") << "TALLYPORT.ini" << "" << "KORVA5 Records Upload System cannot start" << 4 << false;
    QTest::newRow("Language.txt missing, China") << "Language.txt" << "China" << "KORVA5 记录上传系统无法启动" << 5 << false;
    QTest::newRow("Language.txt missing, Taiwan, session ends")
        << "Language.txt" << "Taiwan" << "KORVA5 記錄上傳系統無法啟動" << 5 << true;
}

// Started from the menu or at log-in, a program that cannot start says why where a person looks;
// standard error and the exit status stay what scripts know.
void TestDesktop::startProblemIsShownInABox()
{
    QFETCH(QString, missing);
    QFETCH(QString, language);
    QFETCH(QString, title);
    QFETCH(int, status);
    QFETCH(bool, ended);
    Desktop desktop(true);
    QVERIFY(desktop.isUp());
    ProgramDir dir({{QStringLiteral("Language"), language}});
    QVERIFY(QFile::remove(dir.file(missing)));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), desktop.display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setProcessEnvironment(environment);
    program.start(dir.installBinary(), {});

    QString box;
    QTRY_VERIFY_WITH_TIMEOUT(!(box = QString::fromUtf8(desktop.xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                                           QStringLiteral("--name"), title}))
                                          .trimmed())
                                  .isEmpty(),
                             10000);
    // Waiting for the click: the program has not ended on its own.
    QTest::qWait(500);
    QCOMPARE(program.state(), QProcess::Running);
    const QString folder = qEnvironmentVariable("KORVA5_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    const QString file = folder
        + QStringLiteral("/start-problem-%1-%2.png").arg(missing, language.isEmpty() ? QStringLiteral("English") : language);
    box = box.section(u'\n', 0, 0);
    runTool(QStringLiteral("import"), {QStringLiteral("-window"), box, file}, desktop.display());
    qInfo("screenshot: %s", qPrintable(file));

    // The box holds nothing of the folder: once the file is back, a new start runs beside it.
    ProgramDir shipped({{QStringLiteral("Language"), QStringLiteral("English")}});
    QVERIFY(QFile::copy(shipped.file(missing), dir.file(missing)));
    QProcess fixed;
    fixed.setProcessEnvironment(environment);
    fixed.start(dir.file(QStringLiteral("korva5-upload")), {});
    QVERIFY(fixed.waitForStarted(5000));
    QByteArray err;
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && fixed.state() == QProcess::Running && !err.contains("started in")) {
        fixed.waitForReadyRead(200);
        err += fixed.readAllStandardError();
    }
    QVERIFY2(err.contains("started in"), err.constData());
    fixed.terminate();
    QVERIFY(fixed.waitForFinished(10000));

    if (ended)
        program.terminate();
    else
        desktop.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), box, QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    QByteArrayList lines;
    for (const QByteArray &line : program.readAllStandardError().split('\n'))
        if (line.contains(" korva5.") && !line.contains("asked to end"))
            lines << line;
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().endsWith(QByteArray("korva5.shell: cannot find " + QFile::encodeName(dir.file(missing)))),
             lines.first().constData());
}

void TestDesktop::screenshots_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "English";
    QTest::newRow("China") << "China";
    QTest::newRow("Taiwan") << "Taiwan";
}

void TestDesktop::screenshots()
{
    // Saved for a person to look at: glyphs render, nothing is cut off.
    QFETCH(QString, language);
    const QString folder = qEnvironmentVariable("KORVA5_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    Desktop desktop(false);
    QVERIFY(desktop.isUp());
    Program program(desktop, language);
    QVERIFY(program.waitFor(QStringLiteral("started in")));
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = program.mainWindow(desktop)).isEmpty() && desktop.isMapped(window), 5000);
    QTest::qWait(500);
    const QString file = folder + QStringLiteral("/main-%1.png").arg(language);
    QFile::remove(file);
    runTool(QStringLiteral("import"), {QStringLiteral("-window"), window, file}, desktop.display());
    QVERIFY2(QFileInfo(file).size() > 5000, qPrintable(file));
    qInfo("screenshot: %s", qPrintable(file));
}

QTEST_GUILESS_MAIN(TestDesktop)
#include "tst_desktop.moc"
