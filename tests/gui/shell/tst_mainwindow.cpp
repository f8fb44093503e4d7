// SPDX-License-Identifier: MIT
#include "gui/shell/Application.h"
#include "core/journal/Journal.h"
#include "core/schedule/SecondTicker.h"
#include "core/transfer/TransferQueue.h"
#include "TestSupport.h"

#include <QAction>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace korva5;

using TestSupport::FakeClock;
using TestSupport::ProgramDir;

namespace {

QString textOf(QObject *object)
{
    if (auto *label = qobject_cast<QLabel *>(object))
        return label->text();
    if (auto *button = qobject_cast<QPushButton *>(object))
        return button->text();
    if (auto *box = qobject_cast<QGroupBox *>(object))
        return box->title();
    if (auto *action = qobject_cast<QAction *>(object))
        return action->text();
    if (auto *menu = qobject_cast<QMenu *>(object))
        return menu->title();
    return QStringLiteral("<no text>");
}

// The colour of a label's pixel in the middle of the given row (0: its frame; 2: inside it).
QColor pixelOf(QLabel *label, int row = 2)
{
    label->ensurePolished();
    label->resize(label->sizeHint());
    const QImage image = label->grab().toImage();
    return image.pixelColor(image.width() / 2, row);
}

QColor backgroundOf(QLabel *label)
{
    return pixelOf(label, 2);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void designTimeTexts_data();
    void designTimeTexts();
    void valueLabelColours();
    void tabOrder();
    void windowProperties();

    void startUpState_data();
    void startUpState();
    void startUpEndsWhenAFileIsMissing_data();
    void startUpEndsWhenAFileIsMissing();
    void secondWindowOnTheSameFolderDoesNotLoad();
    void servicesStartOnceAndNeverAfterTheEnd_data();
    void servicesStartOnceAndNeverAfterTheEnd();
    void windowHidesItselfOnceAfterStartUp_data();
    void windowHidesItselfOnceAfterStartUp();
    void currentLanguage_data();
    void currentLanguage();

    void readParameter();
    void readParameterTakesAHandEdit();
};

void TestMainWindow::designTimeTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const QList<QPair<const char *, const char *>> rows = {
        {"cmbMin", "Mi&nimized"}, {"cmbExit", "E&xit"}, {"cmbParameter", "&Parameter"}, {"cmbEnglish", "&English"},
        {"cmbChina", ""}, {"cmbTaiwan", ""},
        {"frmUp", "Auto Upload Information"}, {"frmUpLoad", "Manual Upload Set"}, {"frmDate", "Upload Date"},
        {"lblUpServer", "Upload IP:"}, {"lblUpPath", "Upload Path:"}, {"lblLocalPath", "Local Path:"},
        {"lblLocalNo", "Station No:"}, {"lblUpTime", "Upload Time:"}, {"lblUpDate", "(Yesterday)"},
        {"lblLocalFileName", "Local File:"}, {"lblUpFileName", "Upload File:"}, {"lblCountSec", "Count:"},
        {"lblSec", "0"}, {"lblCount", "0"}, {"lblServer", ""}, {"lblTime10", ""},
        {"cmdUpLoad", "&Manual Upload"}, {"cmdUpLoad2", "&Yesterday Upload"},
        {"mnuMain", "&Menu"}, {"mnuState", "&Run"}, {"mnuShow", "&Setting..."}, {"mnuExit", "&Exit"},
    };
    for (const auto &[name, text] : rows)
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(text);
}

void TestMainWindow::designTimeTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    ProgramDir dir;
    FakeClock clock;
    Application app({dir.path(), &clock});
    MainWindow &window = app.window();
    QObject *control = window.findChild<QObject *>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(textOf(control), text);
}

void TestMainWindow::valueLabelColours()
{
    ProgramDir dir;
    FakeClock clock;
    Application app({dir.path(), &clock});
    MainWindow &window = app.window();
    for (const char *name : {"lblServer", "lblNo", "lblTime1", "lblTime8", "lblLocalFile", "lblSec"}) {
        auto *label = window.findChild<QLabel *>(QLatin1StringView(name));
        QVERIFY2(label, name);
        QCOMPARE(backgroundOf(label), QColor(0x00, 0x00, 0xc0));
        QCOMPARE(pixelOf(label, 0), QColor(0x40, 0x40, 0x40));
        label->setText(QStringLiteral("8"));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::yellow));
    }
    for (const char *name : {"lblTime9", "lblTime10"})
        QCOMPARE(backgroundOf(window.findChild<QLabel *>(QLatin1StringView(name))), QColor(0x00, 0x80, 0x00));
    // The language buttons carry their pictures instead of a caption.
    for (const char *name : {"cmbChina", "cmbTaiwan"}) {
        auto *button = window.findChild<QPushButton *>(QLatin1StringView(name));
        QCOMPARE(button->iconSize(), QSize(34, 16));
        QVERIFY(!button->icon().isNull());
    }
    QVERIFY(!window.findChild<QLabel *>(QStringLiteral("picDisable"))->pixmap().isNull());
}

void TestMainWindow::tabOrder()
{
    ProgramDir dir;
    FakeClock clock;
    Application app({dir.path(), &clock});
    MainWindow &window = app.window();
    QStringList order;
    QWidget *widget = window.findChild<QWidget *>(QStringLiteral("cmbMin"));
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget && widget->objectName() != u"cmbMin" && order.size() < 30);
    QCOMPARE(order.mid(0, 6), QStringLiteral("cmbMin,cmbExit,cmbParameter,cmbEnglish,cmbChina,cmbTaiwan").split(u','));
    const qsizetype picker = order.indexOf(QStringLiteral("dtUp")) >= 0 ? order.indexOf(QStringLiteral("dtUp"))
                                                                        : order.indexOf(QStringLiteral("qt_spinbox_lineedit"));
    QVERIFY(picker >= 6);
    QVERIFY(order.indexOf(QStringLiteral("cmdUpLoad")) > picker);
    QVERIFY(order.indexOf(QStringLiteral("cmdUpLoad2")) > order.indexOf(QStringLiteral("cmdUpLoad")));
    QVERIFY(order.indexOf(QStringLiteral("lstList")) > order.indexOf(QStringLiteral("cmdUpLoad2")));
}

void TestMainWindow::windowProperties()
{
    ProgramDir dir;
    FakeClock clock;
    Application app({dir.path(), &clock});
    MainWindow &window = app.window();
    QCOMPARE(window.windowTitle(), QStringLiteral("KORVA5 Records Upload System"));
    QCOMPARE(window.font().family(), QStringLiteral("Courier New"));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblSec"))->font().family(), QStringLiteral("Courier New"));
    QVERIFY(qAbs(window.width() - 696) <= 40);
    QVERIFY(qAbs(window.height() - 467) <= 40);
    auto *timer = app.station().findChild<QTimer *>(QStringLiteral("tmrSec"));
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(!app.station().state().isRunning()); // every start is stopped
    QVERIFY(window.findChild<QAction *>(QStringLiteral("mnuLine"))->isSeparator());
    QVERIFY(app.station().findChild<TransferQueue *>(QStringLiteral("inetFtp")));
}

void TestMainWindow::startUpState_data()
{
    QTest::addColumn<QString>("stationNo");
    QTest::addColumn<QString>("upFile");
    QTest::newRow("station 12") << "12" << "20210305.12";
    QTest::newRow("blank-padded station") << "  12  " << "20210305.12";
    QTest::newRow("empty station: no name on the server yet") << "" << "";
}

void TestMainWindow::startUpState()
{
    QFETCH(QString, stationNo);
    QFETCH(QString, upFile);
    ProgramDir dir({{QStringLiteral("FtpNo"), stationNo}});
    FakeClock clock(QDateTime(QDate(2021, 3, 5), QTime(23, 59, 30)));
    Application app({dir.path(), &clock});
    MainWindow &window = app.window();
    auto *log = window.findChild<QListWidget *>(QStringLiteral("lstList"));
    log->addItem(QStringLiteral("left over"));

    QCOMPARE(app.load(), Application::LoadResult::Loaded);
    QCOMPARE(window.findChild<QDateEdit *>(QStringLiteral("dtUp"))->date(), QDate(2021, 3, 5));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblLocalFile"))->text(), QStringLiteral("20210305.txt"));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblUpFile"))->text(), upFile);
    QCOMPARE(log->count(), 0);
    QCOMPARE(app.station().paths().programDir, dir.path() + QDir::separator());
    QCOMPARE(app.station().paths().iniFile, dir.path() + QDir::separator() + QStringLiteral("TALLYPORT.ini"));
    QCOMPARE(app.station().paths().languageFile, dir.path() + QDir::separator() + QStringLiteral("Language.txt"));
}

void TestMainWindow::servicesStartOnceAndNeverAfterTheEnd_data()
{
    QTest::addColumn<bool>("endedFirst");
    QTest::addColumn<int>("starts");
    QTest::newRow("started once") << false << 1;
    QTest::newRow("asked twice") << false << 2;
    QTest::newRow("ended before they started") << true << 1;
}

void TestMainWindow::servicesStartOnceAndNeverAfterTheEnd()
{
    // The program shows its window between prepare() and startServices(); an ending that comes
    // in between (a signal at start) leaves no tray icon and no journal behind.
    QFETCH(bool, endedFirst);
    QFETCH(int, starts);
    ProgramDir dir;
    FakeClock clock;
    TestSupport::RecordingNotifyArea tray;
    Application app({dir.path(), &clock, &tray});
    MainWindow &window = app.window();
    QCOMPARE(app.prepare(), Application::LoadResult::Loaded);
    QVERIFY(tray.calls.isEmpty());
    QVERIFY(!QFile::exists(dir.file(Journal::FileName)));
    if (endedFirst)
        window.exitProgram();
    for (int i = 0; i < starts; ++i)
        app.startServices();
    const qsizetype adds = std::count_if(tray.calls.begin(), tray.calls.end(), [](const auto &call) { return call.operation == u"add"; });
    QCOMPARE(adds, endedFirst ? 0 : 1);
    QCOMPARE(QFile::exists(dir.file(Journal::FileName)), !endedFirst);
}

void TestMainWindow::windowHidesItselfOnceAfterStartUp_data()
{
    QTest::addColumn<QString>("stationNo");
    QTest::addColumn<bool>("hides");
    QTest::newRow("configured") << "12" << true;
    // A station set up from the template keeps its window in sight, saying what is missing.
    QTest::newRow("no station number yet") << "" << false;
}

void TestMainWindow::windowHidesItselfOnceAfterStartUp()
{
    QFETCH(QString, stationNo);
    QFETCH(bool, hides);
    ProgramDir dir({{QStringLiteral("FtpNo"), stationNo}, {QStringLiteral("FtpServer"), QStringLiteral("192.0.2.1")}});
    FakeClock clock;
    TestSupport::RecordingNotifyArea tray;
    SecondTicker ticks; // the schedule plays no part in it
    const std::chrono::milliseconds hideAfter(200);
    Application app({dir.path(), &clock, &tray, &ticks, hideAfter});
    MainWindow &window = app.window();
    QCOMPARE(app.prepare(), Application::LoadResult::Loaded);
    window.show();
    app.startServices();
    QVERIFY(window.isVisible());
    // A timer due right after the window's own: once it has fired, the window has had its turn.
    bool passed = false;
    QTimer::singleShot(hideAfter, &app, [&] { passed = true; });
    QTRY_VERIFY(passed);
    QCOMPARE(window.isVisible(), !hides);
    // Shown again by hand, it stays: the hiding is a start-up's alone.
    window.show();
    passed = false;
    QTimer::singleShot(2 * hideAfter, &app, [&] { passed = true; });
    QTRY_VERIFY(passed);
    QVERIFY(window.isVisible());
}

void TestMainWindow::startUpEndsWhenAFileIsMissing_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("language");
    QTest::addColumn<Application::LoadResult>("result");
    QTest::newRow("settings missing") << "absent" << "file" << Application::LoadResult::SettingsMissing;
    QTest::newRow("language missing") << "file" << "absent" << Application::LoadResult::LanguageMissing;
    QTest::newRow("both missing") << "absent" << "absent" << Application::LoadResult::SettingsMissing;
    QTest::newRow("settings is a folder") << "folder" << "file" << Application::LoadResult::SettingsMissing;
    QTest::newRow("language is a dangling link") << "file" << "link" << Application::LoadResult::LanguageMissing;
}

void TestMainWindow::startUpEndsWhenAFileIsMissing()
{
    QFETCH(QString, settings);
    QFETCH(QString, language);
    QFETCH(Application::LoadResult, result);
    ProgramDir dir;
    auto shape = [&](const QString &path, const QString &kind) {
        if (kind == u"file")
            return;
        QFile::remove(path);
        if (kind == u"folder")
            QDir().mkpath(path);
        else if (kind == u"link")
            QFile::link(dir.file(QStringLiteral("nowhere")), path);
    };
    shape(dir.iniFile(), settings);
    shape(dir.languageFile(), language);
    const QByteArray before = TestSupport::readFile(dir.iniFile());

    FakeClock clock;
    Application app({dir.path(), &clock});
    MainWindow &window = app.window();
    QCOMPARE(app.load(), result);
    QCOMPARE(TestSupport::readFile(dir.iniFile()), before);
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblLocalFile"))->text(), QString());
}

void TestMainWindow::secondWindowOnTheSameFolderDoesNotLoad()
{
    ProgramDir dir;
    FakeClock clock;
    Application firstApp({dir.path(), &clock});
    QCOMPARE(firstApp.load(), Application::LoadResult::Loaded);
    Application secondApp({dir.path(), &clock});
    QCOMPARE(secondApp.load(), Application::LoadResult::AlreadyRunning);
    ProgramDir other;
    Application elsewhereApp({other.path(), &clock});
    QCOMPARE(elsewhereApp.load(), Application::LoadResult::Loaded);
}

void TestMainWindow::currentLanguage_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("China") << "China" << "China";
    QTest::newRow("blank-padded") << "  Taiwan " << "Taiwan";
    QTest::newRow("absent") << QString() << "";
}

void TestMainWindow::currentLanguage()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    QMap<QString, QString> settings;
    if (!stored.isNull())
        settings.insert(QStringLiteral("Language"), stored);
    ProgramDir dir(settings);
    FakeClock clock;
    Application app({dir.path(), &clock});
    QCOMPARE(app.load(), Application::LoadResult::Loaded);
    QCOMPARE(app.station().state().language(), expected);
}

void TestMainWindow::readParameter()
{
    ProgramDir dir({{QStringLiteral("FtpNo"), QStringLiteral(" 12 ")},
                    {QStringLiteral("FtpServer"), QStringLiteral("  192.168.0.10")},
                    {QStringLiteral("FtpPath"), QStringLiteral("/upload/")},
                    {QStringLiteral("FtpUserName"), QStringLiteral("station ")},
                    {QStringLiteral("FtpPassword"), QStringLiteral(" pass word ")},
                    {QStringLiteral("FtpTime1"), QStringLiteral("08:30")},
                    {QStringLiteral("FtpTime10"), QStringLiteral(" 8:30 ")},
                    {QStringLiteral("LocalPath"), QStringLiteral("/data/")}});
    FakeClock clock;
    Application app({dir.path(), &clock});
    MainWindow &window = app.window();
    QCOMPARE(app.load(), Application::LoadResult::Loaded);

    auto label = [&](const char *name) { return window.findChild<QLabel *>(QLatin1StringView(name))->text(); };
    QCOMPARE(label("lblNo"), QStringLiteral("12"));
    QCOMPARE(label("lblServer"), QStringLiteral("192.168.0.10"));
    QCOMPARE(label("lblPath"), QStringLiteral("/upload/"));
    QCOMPARE(label("lblTime1"), QStringLiteral("08:30"));
    QCOMPARE(label("lblTime2"), QString());
    QCOMPARE(label("lblTime10"), QStringLiteral("8:30"));
    QCOMPARE(label("lblLocal"), QStringLiteral("/data/"));

    auto *ftp = app.station().findChild<TransferQueue *>(QStringLiteral("inetFtp"));
    QCOMPARE(ftp->serverAddress(), QStringLiteral("192.168.0.10"));
    QCOMPARE(ftp->userName(), QStringLiteral("station"));
    QCOMPARE(ftp->password(), QStringLiteral("pass word"));

    const Settings &s = app.station().state().settings();
    QCOMPARE(s.FtpNo, QStringLiteral("12"));
    QCOMPARE(s.FtpUserName, QStringLiteral("station"));
    QCOMPARE(s.time(9), QStringLiteral("8:30"));
}

void TestMainWindow::readParameterTakesAHandEdit()
{
    ProgramDir dir({{QStringLiteral("FtpNo"), QStringLiteral("12")}, {QStringLiteral("FtpServer"), QStringLiteral("old")}});
    FakeClock clock;
    Application app({dir.path(), &clock});
    MainWindow &window = app.window();
    QCOMPARE(app.load(), Application::LoadResult::Loaded);
    TestSupport::writeFile(dir.iniFile(), "[TALLY]\nFtpServer=new.example\n");
    app.station().reloadSettings();
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblServer"))->text(), QStringLiteral("new.example"));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblNo"))->text(), QString());
    QCOMPARE(app.station().findChild<TransferQueue *>(QStringLiteral("inetFtp"))->serverAddress(), QStringLiteral("new.example"));
    QCOMPARE(app.station().state().settings().FtpNo, QString());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
