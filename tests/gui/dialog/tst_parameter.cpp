// SPDX-License-Identifier: MIT
// The settings dialog, opened from the main window and driven by its controls' names.
#include "gui/shell/FrmMain.h"
#include "gui/dialog/FrmParameter.h"
#include "core/upload/TransferQueue.h"
#include "gui/tray/RunState.h"
#include "core/schedule/SecondTicker.h"
#include "TestSupport.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace TestSupport;

namespace {

const QByteArray StartingFile = "; settings of station 12\n"
                                "[TALLY]\n"
                                "Language=English\n"
                                "FtpNo =  12 \n"
                                "FtpServer=  127.0.0.1:9  \n"
                                "FtpPath=/upload/\n"
                                "FtpUserName=station\n"
                                "FtpPassword= pass word \n"
                                "FtpTime1=08:30\n"
                                "FtpTime9=00:30\n"
                                "LocalPath=/data/\n"
                                "\n"
                                "[Other]\n"
                                "Kept=yes\n";

struct Window : LoadedWindow
{
    Window()
        : LoadedWindow(StartingFile, QDateTime(QDate(2021, 3, 5), QTime(8, 29, 10)))
    {
        window->show();
    }
    FrmParameter *open()
    {
        QTest::mouseClick(window->controls().cmbParameter, Qt::LeftButton);
        auto *dialog = window->findChild<FrmParameter *>();
        if (dialog && !QTest::qWaitForWindowExposed(dialog))
            qWarning("the settings dialog was not shown");
        return dialog;
    }
    bool closed() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window->findChild<FrmParameter *>() == nullptr;
    }
    static QLineEdit *box(FrmParameter *dialog, const QString &name) { return dialog->findChild<QLineEdit *>(name); }
    static void type(FrmParameter *dialog, const QString &name, const QString &text)
    {
        QLineEdit *edit = box(dialog, name);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    QString label(const char *name) const { return caption(QLatin1StringView(name)); }
};

} // namespace

class TestParameter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loadShowsTheSettingsInUse();
    void handEditsShowAndSurviveOk();
    void enterInABoxNeverSaves_data();
    void enterInABoxNeverSaves();
    void okAnswersItsAccessKey();
    void captionsFollowALanguageSwitch_data();
    void captionsFollowALanguageSwitch();
    void layoutProperties();
    void typingIsLimited();
    void enterRightAfterOpeningCancels();
    void closingWithoutOkWritesNothing_data();
    void closingWithoutOkWritesNothing();
    void okStoresTheSixteenValues();
    void okWithTheFileGoneCreatesIt();
    void failedSaveKeepsTheDialogOpen_data();
    void failedSaveKeepsTheDialogOpen();
    void scheduledUploadDuringEditingUsesTheSettingsInForce();
    void valuesThatCannotWorkAreMarked_data();
    void valuesThatCannotWorkAreMarked();
    void testTriesTheTypedServer_data();
    void testTriesTheTypedServer();
    void cancelledTestLeavesTheDialogResponsive();
};

void TestParameter::initTestCase()
{
    // The offscreen platform has no font database of its own: give it the fonts a desktop
    // would use, so that the saved pictures look as users see the dialog.
    for (const char *file : {"/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf",
                             "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"})
        QFontDatabase::addApplicationFont(QString::fromLatin1(file));
    QFont::insertSubstitutions(QStringLiteral("Courier New"), {QStringLiteral("Liberation Mono"), QStringLiteral("WenQuanYi Micro Hei")});
}

void TestParameter::loadShowsTheSettingsInUse()
{
    Window w;
    FrmParameter *dialog = w.open();
    QVERIFY(dialog);
    QCOMPARE(Window::box(dialog, QStringLiteral("txtNo"))->text(), QStringLiteral("12"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtServer"))->text(), QStringLiteral("127.0.0.1:9"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtUpload"))->text(), QStringLiteral("/upload/"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtLocal"))->text(), QStringLiteral("/data/"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtName"))->text(), QStringLiteral("station"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtPassword"))->text(), QStringLiteral("pass word"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtPassword"))->echoMode(), QLineEdit::Normal);
    QCOMPARE(Window::box(dialog, QStringLiteral("txtTime0"))->text(), QStringLiteral("08:30"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtTime8"))->text(), QStringLiteral("00:30"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtTime9"))->text(), QString());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
}

void TestParameter::captionsFollowALanguageSwitch_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("ok");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("timeFormat");
    QTest::addColumn<QString>("testing");      // the test's line while it runs, before the address
    QTest::addColumn<QString>("nobodyAnswers"); // its outcome at a port nothing listens on
    QTest::addColumn<QString>("timeProblem");  // the mark's tooltip on 25:99
    QTest::newRow("English") << "cmbEnglish" << "Parameter" << "&Ok" << "User Name:" << "HH:MM" << "Testing "
                             << "Cannot connect: nothing answers at that address and port"
                             << "\"25:99\" is not a time: use HH:MM from 00:00 to 23:59 (08:30), or leave it empty";
    QTest::newRow("China") << "cmbChina" << "参数设置" << "确定(&O)" << "用户名：" << "时:分" << "正在测试 "
                           << "无法连接：该地址和端口没有响应"
                           << "“25:99”不是有效的时间：请按“时:分”填写 00:00 至 23:59 之间的时间（如 08:30），或留空";
    QTest::newRow("Taiwan") << "cmbTaiwan" << "參數設定" << "確定(&O)" << "使用者名稱：" << "時:分" << "正在測試 "
                            << "無法連線：該位址和連接埠沒有回應"
                            << "「25:99」不是有效的時間：請按「時:分」填寫 00:00 至 23:59 之間的時間（如 08:30），或留空";
}

void TestParameter::captionsFollowALanguageSwitch()
{
    QFETCH(QString, button);
    QFETCH(QString, title);
    QFETCH(QString, ok);
    QFETCH(QString, userName);
    QFETCH(QString, timeFormat);
    QFETCH(QString, testing);
    QFETCH(QString, nobodyAnswers);
    QFETCH(QString, timeProblem);
    Window w;
    QTest::mouseClick(w.window->findChild<QPushButton *>(button), Qt::LeftButton);
    FrmParameter *dialog = w.open();
    QCOMPARE(dialog->windowTitle(), title);
    QCOMPARE(dialog->findChild<QPushButton *>(QStringLiteral("cmbOk"))->text(), ok);
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lblUserName"))->text(), userName);
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lblHHMM"))->text(), timeFormat);

    QCOMPARE(Window::box(dialog, QStringLiteral("txtNo"))->font().family(), QStringLiteral("Courier New"));
    // Saved for a person to look at: every row legible in every language.
    const QString folder = qEnvironmentVariable("KORVA5_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    QVERIFY(dialog->grab().save(folder + QStringLiteral("/dialog-%1.png").arg(QString::fromLatin1(QTest::currentDataTag()))));

    // Every button of the dialog answers a key of its own.
    QStringList keys;
    for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
        const QKeySequence key = QKeySequence::mnemonic(button->text());
        QVERIFY2(!key.isEmpty(), qPrintable(button->objectName() + u' ' + button->text()));
        keys << key.toString();
    }
    QCOMPARE(keys.size(), 3);
    QCOMPARE(QSet<QString>(keys.cbegin(), keys.cend()).size(), 3);

    // The marks and a test's outcome, for a person to look at in each language.
    Window::type(dialog, QStringLiteral("txtServer"), QStringLiteral("127.0.0.1:%1").arg(closedPort()));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbTest")), Qt::LeftButton);
    auto *result = dialog->findChild<QLabel *>(QStringLiteral("lblTestResult"));
    QVERIFY2(result->text().startsWith(testing), qPrintable(result->text()));
    QTRY_COMPARE_WITH_TIMEOUT(result->text(), nobodyAnswers, 20000);
    Window::type(dialog, QStringLiteral("txtServer"), QStringLiteral("http://ftp.example.com"));
    Window::type(dialog, QStringLiteral("txtTime2"), QStringLiteral("25:99"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtTime2"))->toolTip(), timeProblem);
    Window::type(dialog, QStringLiteral("txtTime9"), QStringLiteral("7:00"));
    Window::type(dialog, QStringLiteral("txtLocal"), QStringLiteral("/srv/records"));
    QVERIFY(dialog->grab().save(folder + QStringLiteral("/dialog-marks-%1.png").arg(QString::fromLatin1(QTest::currentDataTag()))));
}

void TestParameter::layoutProperties()
{
    Window w;
    FrmParameter *dialog = w.open();
    const QColor lightYellow(255, 255, 128);
    for (int i = 0; i < FrmParameter::TimeBoxes; ++i) {
        QLineEdit *time = Window::box(dialog, QStringLiteral("txtTime%1").arg(i));
        QCOMPARE(time->palette().color(QPalette::Base) == lightYellow, i >= 8);
    }
    const int okWidth = dialog->findChild<QPushButton *>(QStringLiteral("cmbOk"))->width();
    QVERIFY(qAbs(okWidth - dialog->findChild<QPushButton *>(QStringLiteral("cmbCancel"))->width()) <= 2);
    QVERIFY(okWidth >= dialog->width() / 2 - 20);
    QCOMPARE(dialog->font().family(), QStringLiteral("Courier New"));
}

void TestParameter::typingIsLimited()
{
    Window w;
    FrmParameter *dialog = w.open();
    Window::type(dialog, QStringLiteral("txtNo"), QStringLiteral("1234"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtNo"))->text(), QStringLiteral("123"));
    Window::type(dialog, QStringLiteral("txtTime3"), QStringLiteral("08:300"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtTime3"))->text(), QStringLiteral("08:30"));
    Window::type(dialog, QStringLiteral("txtServer"), QString(80, u's'));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtServer"))->text().size(), 80);
}

void TestParameter::handEditsShowAndSurviveOk()
{
    Window w;
    // Edited by hand while the program runs: the dialog shows the file, and Ok keeps the edit.
    QByteArray edited = StartingFile;
    edited.replace("FtpPassword= pass word ", "FtpPassword=new-secret").replace("FtpTime1=08:30", "FtpTime1=09:45");
    writeFile(w.dir.iniFile(), edited);
    FrmParameter *dialog = w.open();
    QCOMPARE(Window::box(dialog, QStringLiteral("txtPassword"))->text(), QStringLiteral("new-secret"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtTime0"))->text(), QStringLiteral("09:45"));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbOk")), Qt::LeftButton);
    QVERIFY(w.closed());
    const QByteArray after = readFile(w.dir.iniFile());
    QVERIFY2(after.contains("FtpPassword=new-secret\n") && after.contains("FtpTime1=09:45\n"), after.constData());
    QCOMPARE(w.label("lblTime1"), QStringLiteral("09:45"));
}

void TestParameter::enterInABoxNeverSaves_data()
{
    QTest::addColumn<QString>("box");
    QTest::newRow("server") << "txtServer";
    QTest::newRow("password") << "txtPassword";
    QTest::newRow("a time") << "txtTime3";
}

void TestParameter::enterInABoxNeverSaves()
{
    QFETCH(QString, box);
    Window w;
    FrmParameter *dialog = w.open();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QLineEdit *edit = Window::box(dialog, box);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("half"));
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(w.closed());
    QCOMPARE(readFile(w.dir.iniFile()), StartingFile);
}

void TestParameter::okAnswersItsAccessKey()
{
    Window w;
    FrmParameter *dialog = w.open();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    Window::type(dialog, QStringLiteral("txtNo"), QStringLiteral("34"));
    // Through the window, as the desktop delivers keys, so the shortcut map sees it.
    QTest::keyClick(dialog->windowHandle(), Qt::Key_O, Qt::AltModifier);
    QTRY_VERIFY(w.closed()); // a shortcut presses the button visibly, for a moment
    QVERIFY(readFile(w.dir.iniFile()).contains("FtpNo=34\n"));
}

void TestParameter::enterRightAfterOpeningCancels()
{
    Window w;
    FrmParameter *dialog = w.open();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QCOMPARE(QApplication::focusWidget(), dialog->findChild<QPushButton *>(QStringLiteral("cmbCancel")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(w.closed());
    QCOMPARE(readFile(w.dir.iniFile()), StartingFile);
}

void TestParameter::closingWithoutOkWritesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << "cancel";
    QTest::newRow("close box") << "close";
    QTest::newRow("Esc") << "escape";
}

void TestParameter::closingWithoutOkWritesNothing()
{
    QFETCH(QString, how);
    Window w;
    FrmParameter *dialog = w.open();
    Window::type(dialog, QStringLiteral("txtNo"), QStringLiteral("77"));
    // Edited by hand while the dialog is open: the main window takes it after closing.
    const QByteArray handEdited = QByteArray(StartingFile).replace("/upload/", "/incoming/");
    writeFile(w.dir.iniFile(), handEdited);

    if (how == u"cancel")
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbCancel")), Qt::LeftButton);
    else if (how == u"close")
        dialog->close();
    else
        QTest::keyClick(Window::box(dialog, QStringLiteral("txtNo")), Qt::Key_Escape);
    QVERIFY(w.closed());
    QCOMPARE(readFile(w.dir.iniFile()), handEdited);
    QCOMPARE(w.label("lblPath"), QStringLiteral("/incoming/"));
    QCOMPARE(w.label("lblNo"), QStringLiteral("12"));
}

void TestParameter::okStoresTheSixteenValues()
{
    Window w;
    w.window->runState().toggle(); // running
    const int trayCalls = w.tray.calls.size();
    FrmParameter *dialog = w.open();
    Window::type(dialog, QStringLiteral("txtServer"), QStringLiteral("  ftp.example.com  "));
    Window::type(dialog, QStringLiteral("txtUpload"), QStringLiteral("/incoming/"));
    Window::type(dialog, QStringLiteral("txtName"), QStringLiteral("operator"));
    Window::type(dialog, QStringLiteral("txtPassword"), QStringLiteral("  s3cret  "));
    Window::type(dialog, QStringLiteral("txtTime1"), QStringLiteral("12:00"));
    Window::type(dialog, QStringLiteral("txtTime2"), QStringLiteral("12:00"));
    Window::type(dialog, QStringLiteral("txtTime0"), QStringLiteral("   "));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbOk")), Qt::LeftButton);
    QVERIFY(w.closed());

    const QByteArray expected = "; settings of station 12\n"
                                "[TALLY]\n"
                                "Language=English\n"
                                "FtpNo=12\n"
                                "FtpServer=ftp.example.com\n"
                                "FtpPath=/incoming/\n"
                                "FtpUserName=operator\n"
                                "FtpPassword=s3cret\n"
                                "FtpTime1=\n"
                                "FtpTime9=00:30\n"
                                "LocalPath=/data/\n"
                                "FtpTime2=12:00\n"
                                "FtpTime3=12:00\n"
                                "FtpTime4=\n"
                                "FtpTime5=\n"
                                "FtpTime6=\n"
                                "FtpTime7=\n"
                                "FtpTime8=\n"
                                "FtpTime10=\n"
                                "\n"
                                "[Other]\n"
                                "Kept=yes\n";
    QCOMPARE(readFile(w.dir.iniFile()), expected);
    // In memory, in the window and in the transfer control.
    QCOMPARE(w.window->state().settings().FtpPassword, QStringLiteral("s3cret"));
    QCOMPARE(w.label("lblServer"), QStringLiteral("ftp.example.com"));
    QCOMPARE(w.label("lblPath"), QStringLiteral("/incoming/"));
    QCOMPARE(w.label("lblTime1"), QString());
    QCOMPARE(w.label("lblTime3"), QStringLiteral("12:00"));
    QCOMPARE(w.label("lblNo"), QStringLiteral("12"));
    auto *ftp = w.window->findChild<TransferQueue *>(QStringLiteral("inetFtp"));
    QCOMPARE(ftp->serverAddress(), QStringLiteral("ftp.example.com"));
    QCOMPARE(ftp->userName(), QStringLiteral("operator"));
    QCOMPARE(ftp->password(), QStringLiteral("s3cret"));
    // Language, run state and tray untouched.
    QCOMPARE(w.window->state().language(), QStringLiteral("English"));
    QVERIFY(w.window->state().isRunning());
    QCOMPARE(w.tray.calls.size(), trayCalls);
    QVERIFY(w.log().isEmpty());
}

void TestParameter::okWithTheFileGoneCreatesIt()
{
    Window w;
    FrmParameter *dialog = w.open();
    QVERIFY(QFile::remove(w.dir.iniFile()));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbOk")), Qt::LeftButton);
    QVERIFY(w.closed());
    const QByteArray file = readFile(w.dir.iniFile());
    QVERIFY(file.startsWith("[TALLY]\nFtpNo=12\nFtpServer=127.0.0.1:9\n"));
    QCOMPARE(file.count('\n'), 17);
    QVERIFY(!file.contains("Language"));
}

void TestParameter::failedSaveKeepsTheDialogOpen_data()
{
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("read-only file") << false;
    QTest::newRow("read-only folder") << true;
}

void TestParameter::failedSaveKeepsTheDialogOpen()
{
    QFETCH(bool, readOnlyFolder);
    Window w;
    FrmParameter *dialog = w.open();
    Window::type(dialog, QStringLiteral("txtServer"), QStringLiteral("new.example"));
    const QString target = readOnlyFolder ? w.dir.path() : w.dir.iniFile();
    const auto permissions = QFile::permissions(target);
    QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbOk")), Qt::LeftButton);
    QFile::setPermissions(target, permissions);

    QVERIFY(!w.closed());
    QVERIFY(dialog->isVisible());
    QCOMPARE(Window::box(dialog, QStringLiteral("txtServer"))->text(), QStringLiteral("new.example"));
    QCOMPARE(readFile(w.dir.iniFile()), StartingFile);
    QCOMPARE(w.window->state().settings().FtpServer, QStringLiteral("127.0.0.1:9"));
    QCOMPARE(w.log().size(), 1);
    QVERIFY2(w.log().first().startsWith(QStringLiteral("Settings not saved: ")), qPrintable(w.log().first()));
    QVERIFY(w.log().first().contains(u"read-only"));

    // The cause mended, Ok again stores it.
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbOk")), Qt::LeftButton);
    QVERIFY(w.closed());
    QCOMPARE(w.label("lblServer"), QStringLiteral("new.example"));
}

void TestParameter::scheduledUploadDuringEditingUsesTheSettingsInForce()
{
    Window w;
    FrmParameter *dialog = w.open();
    Window::type(dialog, QStringLiteral("txtUpload"), QStringLiteral("/elsewhere/"));
    for (int i = 0; i < 60; ++i) { // 08:30:10 at the sixtieth tick: FtpTime1
        w.clock.advanceSecs(1);
        w.window->ticker().tick();
    }
    const QStringList commands = w.log().filter(QRegularExpression(QStringLiteral("^SEND .*")));
    QCOMPARE(commands.size(), 1);
    QCOMPARE(commands.first(), QStringLiteral("SEND /data/20210305.txt /upload/20210305.12"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(Window::box(dialog, QStringLiteral("txtUpload"))->text(), QStringLiteral("/elsewhere/"));
}

void TestParameter::valuesThatCannotWorkAreMarked_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed"); // "{dir}" stands for an existing folder, without its "/"
    QTest::addColumn<bool>("marked");
    QTest::addColumn<bool>("okEnabled");
    QTest::newRow("time one-digit") << "txtTime0" << "9:5" << true << false;
    QTest::newRow("time out of range") << "txtTime4" << "25:99" << true << false;
    QTest::newRow("time of yesterday") << "txtTime9" << "7:00" << true << false;
    QTest::newRow("time good") << "txtTime1" << "23:59" << false << true;
    QTest::newRow("time emptied") << "txtTime0" << "" << false << true;
    QTest::newRow("server not set") << "txtServer" << "" << false << true;
    QTest::newRow("server host:port") << "txtServer" << "ftp.example.com:2121" << false << true;
    QTest::newRow("server http URL") << "txtServer" << "http://ftp.example.com" << true << false;
    QTest::newRow("server with folder") << "txtServer" << "ftp.example.com/upload/" << true << false;
    QTest::newRow("folder good") << "txtLocal" << "{dir}/" << false << true;
    QTest::newRow("folder without separator") << "txtLocal" << "{dir}" << true << true;
    QTest::newRow("folder missing") << "txtLocal" << "{dir}/gone/" << true << true;
    QTest::newRow("folder empty") << "txtLocal" << "" << true << true;
}

void TestParameter::valuesThatCannotWorkAreMarked()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(bool, marked);
    QFETCH(bool, okEnabled);
    Window w;
    FrmParameter *dialog = w.open();
    auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("cmbOk"));
    QLineEdit *edit = Window::box(dialog, box);
    auto isMarked = [edit] { return !edit->toolTip().isEmpty() && edit->styleSheet().contains(u"border"); };
    QVERIFY(ok->isEnabled());
    QVERIFY(!isMarked() || box == u"txtLocal"); // the settings in use have no fault but a missing /data/

    const QString text = typed.replace(QStringLiteral("{dir}"), w.dir.path());
    Window::type(dialog, box, text);
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(edit->text(), text);
    QVERIFY2(isMarked() == marked, qPrintable(edit->toolTip()));
    QCOMPARE(ok->isEnabled(), okEnabled);
    // A yesterday's box stays yellow under its mark.
    if (box == u"txtTime9")
        QVERIFY(edit->styleSheet().contains(QColor(255, 255, 128).name()));

    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(w.closed(), okEnabled);
    if (okEnabled) {
        // A warning does not stand in the way: the value is stored as typed.
        const QString key = box == u"txtLocal" ? QStringLiteral("LocalPath=") : box == u"txtServer" ? QStringLiteral("FtpServer=")
                            : QStringLiteral("FtpTime%1=").arg(box.mid(7).toInt() + 1);
        QVERIFY(QString::fromUtf8(readFile(w.dir.iniFile())).contains(key + text + u'\n'));
        return;
    }
    QCOMPARE(readFile(w.dir.iniFile()), StartingFile);
    // Mended, the mark goes as it is typed and Ok stores it.
    Window::type(dialog, box, box == u"txtServer" ? QStringLiteral("ftp.example.com") : QStringLiteral("07:00"));
    QVERIFY(!isMarked());
    QVERIFY(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(w.closed());
}

void TestParameter::testTriesTheTypedServer_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("accepted") << "" << FtpServer::Password << "/upload/" << "Connected, logged in, /upload/ accepts files";
    QTest::newRow("accepted, relative") << "" << FtpServer::Password << "upload/" << "Connected, logged in, upload/ accepts files";
    QTest::newRow("accepted, login folder") << "" << FtpServer::Password << "" << "Connected, logged in, the login folder accepts files";
    QTest::newRow("wrong password") << "" << "wrong" << "/upload/" << "Login refused: check the user name and password";
    QTest::newRow("missing folder") << "" << FtpServer::Password << "/nowhere/" << "The folder /nowhere/ does not exist on the server";
    QTest::newRow("read-only folder") << "read-only" << FtpServer::Password << "/upload/" << "Logged in, but /upload/ does not accept files";
    QTest::newRow("cannot rename") << "no-rename" << FtpServer::Password << "/upload/" << "Logged in and sent a file to /upload/, but the server cannot rename it";
    // ftpes:// chooses TLS as for uploads, and a certificate nothing vouches for is refused.
    QTest::newRow("untrusted certificate") << "tls" << FtpServer::Password << "/upload/" << "The server's certificate is not trusted";
}

void TestParameter::testTriesTheTypedServer()
{
    QFETCH(QString, fault);
    QFETCH(QString, password);
    QFETCH(QString, folder);
    QFETCH(QString, outcome);
    FtpServer::Options options;
    options.fault = fault == u"tls" ? QString() : fault;
    options.tls = fault == u"tls";
    FtpServer server(options);
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    Window w;
    FrmParameter *dialog = w.open();
    Window::type(dialog, QStringLiteral("txtServer"), server.address());
    Window::type(dialog, QStringLiteral("txtName"), FtpServer::User);
    Window::type(dialog, QStringLiteral("txtPassword"), password);
    Window::type(dialog, QStringLiteral("txtUpload"), folder);
    if (folder.isEmpty())
        QTest::keyClick(Window::box(dialog, QStringLiteral("txtUpload")), Qt::Key_Delete);
    auto *test = dialog->findChild<QPushButton *>(QStringLiteral("cmbTest"));
    auto *result = dialog->findChild<QLabel *>(QStringLiteral("lblTestResult"));
    QVERIFY(test->isEnabled());
    QTest::mouseClick(test, Qt::LeftButton);
    QCOMPARE(test->text(), QStringLiteral("Cancel"));
    QTRY_VERIFY_WITH_TIMEOUT(!result->text().startsWith(u"Testing"), 20000);
    QCOMPARE(result->text(), outcome);
    QCOMPARE(test->text(), QStringLiteral("&Test"));

    // Nothing left on the server, nothing stored, and the dialog still open with what was typed.
    const QStringList left = QDir(server.root()).entryList(QDir::Files | QDir::Hidden) + QDir(server.root() + QStringLiteral("/upload"))
                                                                                          .entryList(QDir::Files | QDir::Hidden);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
    if (outcome.startsWith(u"Connected"))
        QVERIFY(server.commandLog().contains("DELE .korva5-test-"));
    QCOMPARE(readFile(w.dir.iniFile()), StartingFile);
    QCOMPARE(w.window->state().settings().FtpServer, QStringLiteral("127.0.0.1:9"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(Window::box(dialog, QStringLiteral("txtPassword"))->text(), password);
}

void TestParameter::cancelledTestLeavesTheDialogResponsive()
{
    FtpServer server({QStringLiteral("silent")});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    Window w;
    FrmParameter *dialog = w.open();
    Window::type(dialog, QStringLiteral("txtServer"), server.address());
    auto *test = dialog->findChild<QPushButton *>(QStringLiteral("cmbTest"));
    auto *result = dialog->findChild<QLabel *>(QStringLiteral("lblTestResult"));

    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
    });
    sinceTick.start();
    ticker.start(10);

    QTest::mouseClick(test, Qt::LeftButton);
    QVERIFY(result->text().startsWith(u"Testing"));
    QTest::qWait(500);
    QTest::mouseClick(test, Qt::LeftButton); // now Cancel
    QCOMPARE(result->text(), QStringLiteral("Test cancelled"));
    QCOMPARE(test->text(), QStringLiteral("&Test"));
    QTest::qWait(1500); // the cancelled send gives up meanwhile; its outcome must not show
    QCOMPARE(result->text(), QStringLiteral("Test cancelled"));

    // Closed while a test runs: the dialog goes at once.
    QTest::mouseClick(test, Qt::LeftButton);
    QTest::qWait(300);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbCancel")), Qt::LeftButton);
    QVERIFY(w.closed());
    QTest::qWait(300);
    QVERIFY2(longestGap < 200, qPrintable(QString::number(longestGap)));
    // Both controls let go end once their sends have given up.
    QTRY_VERIFY_WITH_TIMEOUT(qApp->findChildren<TransferQueue *>(QStringLiteral("testFtp")).isEmpty(), 5000);
    QVERIFY(longestGap < 200);
}

QTEST_MAIN(TestParameter)
#include "tst_parameter.moc"
