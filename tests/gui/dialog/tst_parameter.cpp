// SPDX-License-Identifier: MIT
// The settings dialog, opened from the main window and driven by its controls' names.
#include "gui/shell/Application.h"
#include "gui/dialog/SettingsDialog.h"
#include "core/servertest/ConnectionTest.h"
#include "core/transfer/TransferQueue.h"
#include "gui/tray/RunState.h"
#include "core/schedule/SecondTicker.h"
#include "TestSupport.h"
#include "Sshd.h"
#include "Vsftpd.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QTemporaryDir>

using namespace korva5;

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
    SettingsDialog *open()
    {
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmbParameter")), Qt::LeftButton);
        auto *dialog = window->findChild<SettingsDialog *>();
        if (dialog && !QTest::qWaitForWindowExposed(dialog))
            qWarning("the settings dialog was not shown");
        return dialog;
    }
    bool closed() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window->findChild<SettingsDialog *>() == nullptr;
    }
    static QLineEdit *box(SettingsDialog *dialog, const QString &name) { return dialog->findChild<QLineEdit *>(name); }
    static void type(SettingsDialog *dialog, const QString &name, const QString &text)
    {
        QLineEdit *edit = box(dialog, name);
        edit->selectAll();
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClicks(edit, QString(c));
                continue;
            }
            // What a Chinese input method hands over: committed text, not a key.
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(edit, &commit);
        }
    }
    QString label(const char *name) const { return caption(QLatin1StringView(name)); }
};

// A label's text as it reads on screen: rich text without its markup, a line a line.
QString shown(const QLabel *label)
{
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText().replace(QChar::LineSeparator, u'\n').replace(QChar::ParagraphSeparator, u'\n');
}

// The test's lines with its random file name written as {id}.
QStringList testLines(const QLabel *label)
{
    static const QRegularExpression testName(QStringLiteral("korva5-test-[0-9a-f]{8}"));
    return shown(label).replace(testName, QStringLiteral("korva5-test-{id}")).split(u'\n');
}

} // namespace

class TestParameter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loadShowsTheSettingsInUse();
    void handEditsShowAndSurviveOk();
    void enterMovesBetweenTheBoxes_data();
    void enterMovesBetweenTheBoxes();
    void okIsPressedOnlyByItself();
    void okAnswersItsAccessKey();
    void captionsFollowALanguageSwitch_data();
    void captionsFollowALanguageSwitch();
    void layoutProperties();
    void typingIsLimited();
    void enterRightAfterOpeningStaysOpen();
    void closingWithoutOkWritesNothing_data();
    void closingWithoutOkWritesNothing();
    void okStoresEveryValue();
    void okWithTheFileGoneCreatesIt();
    void failedSaveKeepsTheDialogOpen_data();
    void failedSaveKeepsTheDialogOpen();
    void scheduledUploadDuringEditingUsesTheSettingsInForce();
    void valuesThatCannotWorkAreMarked_data();
    void valuesThatCannotWorkAreMarked();
    void lineUnderTheBoxesNamesTheFirstMistake_data();
    void lineUnderTheBoxesNamesTheFirstMistake();
    void testTriesTheTypedServer_data();
    void testTriesTheTypedServer();
    void testFileIsNamedOnce();
    void editClearsTheTestResult();
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
    SettingsDialog *dialog = w.open();
    QVERIFY(dialog);
    QCOMPARE(Window::box(dialog, QStringLiteral("txtNo"))->text(), QStringLiteral("12"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtServer"))->text(), QStringLiteral("127.0.0.1:9"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtUpload"))->text(), QStringLiteral("/upload/"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtLocal"))->text(), QStringLiteral("/data/"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtName"))->text(), QStringLiteral("station"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtPassword"))->text(), QStringLiteral("pass word"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtPassword"))->echoMode(), QLineEdit::Password);
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
    QTest::addColumn<QString>("timeFormat"); // the same in every language: what is typed
    QTest::addColumn<QString>("testing");      // the test's heading, before the address
    QTest::addColumn<QString>("nobodyAnswers"); // its connection step at a port nothing listens on (%1)
    QTest::addColumn<QString>("timeProblem");  // the mark's tooltip on 25:99
    QTest::newRow("English") << "cmbEnglish" << "Parameter" << "&Ok" << "User Name:" << "HH:MM" << "Test of "
                             << "✗ Nothing answers at 127.0.0.1 port %1: connection refused"
                             << "\"25:99\" is not a time: use HH:MM from 00:00 to 23:59 (08:30), or leave it empty";
    QTest::newRow("China") << "cmbChina" << "参数设置" << "确定(&O)" << "用户名：" << "HH:MM" << "测试 "
                           << "✗ 127.0.0.1 的端口 %1 没有响应：连接被拒绝"
                           << "“25:99”不是有效的时间：请按“时:分”填写 00:00 至 23:59 之间的时间（如 08:30），或留空";
    QTest::newRow("Taiwan") << "cmbTaiwan" << "參數設定" << "確定(&O)" << "使用者名稱：" << "HH:MM" << "測試 "
                            << "✗ 127.0.0.1 的連接埠 %1 沒有回應：連線被拒絕"
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
    SettingsDialog *dialog = w.open();
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
    for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
        const QKeySequence key = QKeySequence::mnemonic(button->text());
        QVERIFY2(!key.isEmpty(), qPrintable(button->objectName() + u' ' + button->text()));
        keys << key.toString();
    }
    QCOMPARE(keys.size(), 4);
    QCOMPARE(QSet<QString>(keys.cbegin(), keys.cend()).size(), 4);

    // The marks and a test's outcome, for a person to look at in each language.
    const int port = closedPort();
    Window::type(dialog, QStringLiteral("txtLocal"), w.dir.path() + u'/');
    Window::type(dialog, QStringLiteral("txtServer"), QStringLiteral("127.0.0.1:%1").arg(port));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbTest")), Qt::LeftButton);
    auto *result = dialog->findChild<QLabel *>(QStringLiteral("lblTestResult"));
    QVERIFY2(shown(result).startsWith(testing), qPrintable(shown(result)));
    QTRY_COMPARE_WITH_TIMEOUT(testLines(result).value(4), nobodyAnswers.arg(port), 20000);
    QVERIFY(dialog->grab().save(folder + QStringLiteral("/dialog-test-%1.png").arg(QString::fromLatin1(QTest::currentDataTag()))));
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
    SettingsDialog *dialog = w.open();
    const QColor lightYellow(255, 255, 128);
    for (int i = 0; i < SettingsDialog::TimeBoxes; ++i) {
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
    SettingsDialog *dialog = w.open();
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
    SettingsDialog *dialog = w.open();
    QCOMPARE(Window::box(dialog, QStringLiteral("txtPassword"))->text(), QStringLiteral("new-secret"));
    QCOMPARE(Window::box(dialog, QStringLiteral("txtTime0"))->text(), QStringLiteral("09:45"));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbOk")), Qt::LeftButton);
    QVERIFY(w.closed());
    const QByteArray after = readFile(w.dir.iniFile());
    QVERIFY2(after.contains("FtpPassword=new-secret\n") && after.contains("FtpTime1=09:45\n"), after.constData());
    QCOMPARE(w.label("lblTime1"), QStringLiteral("09:45"));
}

void TestParameter::enterMovesBetweenTheBoxes_data()
{
    // Reading order, round from the last box to the first.
    const QStringList order{QStringLiteral("txtNo"),       QStringLiteral("txtServer"),   QStringLiteral("txtLocal"),
                            QStringLiteral("txtUpload"),   QStringLiteral("txtName"),     QStringLiteral("txtPassword"),
                            QStringLiteral("txtStatusPath"), QStringLiteral("txtTime0"),  QStringLiteral("txtTime1"),
                            QStringLiteral("txtTime2"),    QStringLiteral("txtTime3"),    QStringLiteral("txtTime4"),
                            QStringLiteral("txtTime5"),    QStringLiteral("txtTime6"),    QStringLiteral("txtTime7"),
                            QStringLiteral("txtTime8"),    QStringLiteral("txtTime9")};
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("previous");
    for (qsizetype i = 0; i < order.size(); ++i)
        QTest::newRow(qPrintable(order.at(i))) << order.at(i) << order.at((i + 1) % order.size())
                                               << order.at((i + order.size() - 1) % order.size());
}

// Enter in a box neither stores a half-typed value nor throws away what was typed: it moves on,
// Shift+Enter back; the keypad's Enter alike.
void TestParameter::enterMovesBetweenTheBoxes()
{
    QFETCH(QString, box);
    QFETCH(QString, next);
    QFETCH(QString, previous);
    Window w;
    SettingsDialog *dialog = w.open();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QLineEdit *edit = Window::box(dialog, box);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("7"));
    const QString typed = edit->text();
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), Window::box(dialog, next));
    QVERIFY(Window::box(dialog, next)->hasSelectedText() || Window::box(dialog, next)->text().isEmpty());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), edit);
    QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier | Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), Window::box(dialog, previous));
    QVERIFY(!w.closed());
    QCOMPARE(edit->text(), typed);
    QCOMPARE(readFile(w.dir.iniFile()), StartingFile);
}

void TestParameter::okIsPressedOnlyByItself()
{
    Window w;
    SettingsDialog *dialog = w.open();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    // No button is one that Enter would press.
    for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
        QVERIFY2(!button->autoDefault() && !button->isDefault(), qPrintable(button->objectName()));
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Return);
        QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY2(!w.closed(), qPrintable(button->objectName()));
    }
    QCOMPARE(readFile(w.dir.iniFile()), StartingFile);
    Window::type(dialog, QStringLiteral("txtNo"), QStringLiteral("34"));
    auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("cmbOk"));
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Space);
    QVERIFY(w.closed());
    QVERIFY(readFile(w.dir.iniFile()).contains("FtpNo=34\n"));
}

void TestParameter::okAnswersItsAccessKey()
{
    Window w;
    SettingsDialog *dialog = w.open();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    Window::type(dialog, QStringLiteral("txtNo"), QStringLiteral("34"));
    // Through the window, as the desktop delivers keys, so the shortcut map sees it.
    QTest::keyClick(dialog->windowHandle(), Qt::Key_O, Qt::AltModifier);
    QTRY_VERIFY(w.closed()); // a shortcut presses the button visibly, for a moment
    QVERIFY(readFile(w.dir.iniFile()).contains("FtpNo=34\n"));
}

void TestParameter::enterRightAfterOpeningStaysOpen()
{
    Window w;
    SettingsDialog *dialog = w.open();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    // On Cancel, which Enter does not press either.
    QCOMPARE(QApplication::focusWidget(), dialog->findChild<QPushButton *>(QStringLiteral("cmbCancel")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!w.closed());
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
    SettingsDialog *dialog = w.open();
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

void TestParameter::okStoresEveryValue()
{
    Window w;
    w.window->findChild<QAction *>(QStringLiteral("mnuState"))->trigger(); // running
    const int trayCalls = w.tray.calls.size();
    SettingsDialog *dialog = w.open();
    Window::type(dialog, QStringLiteral("txtServer"), QStringLiteral("  ftp.example.com  "));
    Window::type(dialog, QStringLiteral("txtUpload"), QStringLiteral("/incoming/"));
    Window::type(dialog, QStringLiteral("txtName"), QStringLiteral("operator"));
    Window::type(dialog, QStringLiteral("txtPassword"), QStringLiteral("  s3cret  "));
    Window::type(dialog, QStringLiteral("txtTime1"), QStringLiteral("12:00"));
    Window::type(dialog, QStringLiteral("txtTime2"), QStringLiteral("12:00"));
    Window::type(dialog, QStringLiteral("txtTime0"), QStringLiteral("   "));
    Window::type(dialog, QStringLiteral("txtStatusPath"), QStringLiteral("/status/"));
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
                                "FtpStatusPath=/status/\n"
                                "\n"
                                "[Other]\n"
                                "Kept=yes\n";
    QCOMPARE(readFile(w.dir.iniFile()), expected);
    QCOMPARE(w.station().state().settings().FtpStatusPath, QStringLiteral("/status/"));
    // In memory, in the window and in the transfer control.
    QCOMPARE(w.station().state().settings().FtpPassword, QStringLiteral("s3cret"));
    QCOMPARE(w.label("lblServer"), QStringLiteral("ftp.example.com"));
    QCOMPARE(w.label("lblPath"), QStringLiteral("/incoming/"));
    QCOMPARE(w.label("lblTime1"), QString());
    QCOMPARE(w.label("lblTime3"), QStringLiteral("12:00"));
    QCOMPARE(w.label("lblNo"), QStringLiteral("12"));
    auto *ftp = w.app->station().findChild<TransferQueue *>(QStringLiteral("inetFtp"));
    QCOMPARE(ftp->serverAddress(), QStringLiteral("ftp.example.com"));
    QCOMPARE(ftp->userName(), QStringLiteral("operator"));
    QCOMPARE(ftp->password(), QStringLiteral("s3cret"));
    // Language, run state and tray untouched.
    QCOMPARE(w.station().state().language(), QStringLiteral("English"));
    QVERIFY(w.station().state().isRunning());
    QCOMPARE(w.tray.calls.size(), trayCalls);
    QVERIFY(w.log().isEmpty());
}

void TestParameter::okWithTheFileGoneCreatesIt()
{
    Window w;
    SettingsDialog *dialog = w.open();
    QVERIFY(QFile::remove(w.dir.iniFile()));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbOk")), Qt::LeftButton);
    QVERIFY(w.closed());
    const QByteArray file = readFile(w.dir.iniFile());
    QVERIFY(file.startsWith("[TALLY]\nFtpNo=12\nFtpServer=127.0.0.1:9\n"));
    QCOMPARE(file.count('\n'), 18);
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
    SettingsDialog *dialog = w.open();
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
    QCOMPARE(w.station().state().settings().FtpServer, QStringLiteral("127.0.0.1:9"));
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
    SettingsDialog *dialog = w.open();
    Window::type(dialog, QStringLiteral("txtUpload"), QStringLiteral("/elsewhere/"));
    for (int i = 0; i < 60; ++i) { // 08:30:10 at the sixtieth tick: FtpTime1
        w.clock.advanceSecs(1);
        w.ticks->tick();
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
    QTest::newRow("time of yesterday") << "txtTime9" << "7:0" << true << false;
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
    SettingsDialog *dialog = w.open();
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

void TestParameter::lineUnderTheBoxesNamesTheFirstMistake_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("line");   // under the boxes
    QTest::addColumn<QString>("stored"); // the line Ok writes; empty: Ok is disabled
    const QString fullWidthColon = QStringLiteral("127.0.0.1\uFF1A3701");
    QTest::newRow("colon missing") << "English" << "txtServer" << "ftp//127.0.0.1:3701"
                                   << "Upload IP: Not usable: the \":\" after \"ftp\" is missing. Did you mean ftp://127.0.0.1:3701?" << "";
    QTest::newRow("China colon missing") << "China" << "txtServer" << "ftp//127.0.0.1:3701"
                                         << "上传服务器：无法使用：“ftp”后面缺少“:”。是否应为 ftp://127.0.0.1:3701？" << "";
    QTest::newRow("full-width colon") << "English" << "txtServer" << fullWidthColon
                                      << "Upload IP: Character 10, \"\uFF1A\", is full-width; Ok stores 127.0.0.1:3701"
                                      << "FtpServer=127.0.0.1:3701";
    QTest::newRow("Taiwan full-width colon") << "Taiwan" << "txtServer" << fullWidthColon
                                             << "上傳伺服器：第 10 個字元「：」是全形字元；按確定後儲存為 127.0.0.1:3701"
                                             << "FtpServer=127.0.0.1:3701";
    QTest::newRow("port out of range") << "English" << "txtServer" << "127.0.0.1:65536"
                                       << "Upload IP: Not usable: the port 65536 is out of range: use 1 to 65535. Use a host "
                                          "(ftp.example.com), host:port, or an ftp://, ftps://, ftpes:// or sftp:// URL"
                                       << "";
    QTest::newRow("full-width station number") << "English" << "txtNo" << QStringLiteral("\uFF13\uFF14")
                                               << "Station No: Character 1, \"\uFF13\", and 1 more are full-width; Ok stores 34"
                                               << "FtpNo=34";
    QTest::newRow("time with a one-digit hour") << "English" << "txtTime3" << "8:30"
                                                << "Upload Time: \"8:30\" is read as 08:30; Ok stores it so" << "FtpTime4=08:30";
    QTest::newRow("status path is the upload path")
        << "English" << "txtStatusPath" << "/upload"
        << "Status Path: The status path must not be the upload path (/upload/): only records files go there" << "";
    QTest::newRow("China status path is the upload path")
        << "China" << "txtStatusPath" << "/upload/" << "状态路径：状态路径不能与上传路径（/upload/）相同：该文件夹只放记录文件" << "";
    // Nothing else to say: the warning about the local folder stays.
    QTest::newRow("status path of its own") << "English" << "txtStatusPath" << "/status/"
                                            << "Local Path: The folder /data/ does not exist (now); uploads fail until it does"
                                            << "FtpStatusPath=/status/";
}

// The reason Ok is disabled is on screen, not only in a tooltip a touch screen never shows; a
// fix Ok makes is said before it is made; a click on the line goes to the box.
void TestParameter::lineUnderTheBoxesNamesTheFirstMistake()
{
    QFETCH(QString, language);
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, line);
    QFETCH(QString, stored);
    Window w;
    if (language != u"English")
        QTest::mouseClick(w.window->findChild<QPushButton *>(u"cmb" + language), Qt::LeftButton);
    const QByteArray before = readFile(w.dir.iniFile());
    SettingsDialog *dialog = w.open();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    auto *problem = dialog->findChild<QLabel *>(QStringLiteral("lblProblem"));
    auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("cmbOk"));
    QVERIFY(problem->isVisible());
    Window::type(dialog, box, typed);
    QCOMPARE(problem->text(), line);
    QCOMPARE(ok->isEnabled(), !stored.isEmpty());

    ok->setFocus();
    QTest::mouseClick(problem, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), Window::box(dialog, line.startsWith(u"Local") ? QStringLiteral("txtLocal") : box));
    if (stored.isEmpty()) {
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!w.closed());
        QCOMPARE(readFile(w.dir.iniFile()), before);
        return;
    }
    // A time is shown as it is stored once the box is left.
    QTest::keyClick(Window::box(dialog, box), Qt::Key_Return);
    if (box.startsWith(u"txtTime"))
        QCOMPARE(Window::box(dialog, box)->text(), QStringLiteral("08:30"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(w.closed());
    const QByteArray file = readFile(w.dir.iniFile());
    QVERIFY2(file.contains(QByteArray(stored.toUtf8() + '\n')), file.constData());
}

void TestParameter::testTriesTheTypedServer_data()
{
    QTest::addColumn<QString>("server");   // pyftpdlib, with a fault of its script, vsftpd, or sshd (with a known key)
    QTest::addColumn<QString>("scheme");   // put before the server's host:port
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("records");  // file, no file, no folder
    QTest::addColumn<QStringList>("steps"); // {dir}: the records folder; {port}: the server's
    QTest::addColumn<int>("seconds");       // at most, for the whole test

    const QString folderOk = QStringLiteral("✓ Records folder {dir}/ can be read");
    const QString fileOk = QStringLiteral("✓ Today's file 20210305.txt can be read (8 bytes)");
    const QString serverOk = QStringLiteral("✓ Server 127.0.0.1, port {port}");
    const QString connected = QStringLiteral("✓ Connected: the server answers at port {port}");
    const QString loggedIn = QStringLiteral("✓ Logged in as station");
    const QString uploadOk = QStringLiteral("✓ Folder /upload/ found on the server");
    const QString written = QStringLiteral("✓ Test file .korva5-test-{id}.part written");
    const QString renamed = QStringLiteral("✓ Renamed to korva5-test-{id}");
    const QString removed = QStringLiteral("✓ Test file korva5-test-{id} removed");
    const QString noLogin = QStringLiteral("– Login: not tried");
    const QString noFolder = QStringLiteral("– Folder on the server: not tried");
    const QString noWrite = QStringLiteral("– Writing a test file: not tried");
    const QString noRename = QStringLiteral("– Renaming the test file: not tried");
    const QString noRemove = QStringLiteral("– Removing the test file: not tried");
    const QString secret = FtpServer::Password;

    QTest::newRow("every step passes") << "" << "" << secret << "/upload/" << "file"
                                       << QStringList{folderOk, fileOk, serverOk, connected, loggedIn, uploadOk, written, renamed, removed} << 10;
    QTest::newRow("the login folder") << "" << "" << secret << "" << "file"
                                      << QStringList{folderOk, fileOk, serverOk, connected, loggedIn, QStringLiteral("✓ Files go to the login folder"),
                                                     written, renamed, removed} << 10;
    QTest::newRow("today's file not there yet")
        << "" << "" << secret << "/upload/" << "no file"
        << QStringList{folderOk, QStringLiteral("! Today's file 20210305.txt is not there yet"), serverOk, connected, loggedIn, uploadOk,
                       written, renamed, removed} << 10;
    QTest::newRow("no records folder")
        << "" << "" << secret << "/upload/" << "no folder"
        << QStringList{QStringLiteral("✗ Records folder {dir}/gone/ does not exist"), QStringLiteral("– Today's file: not tried"),
                       QStringLiteral("– Server name: not tried"), QStringLiteral("– Connection: not tried"), noLogin, noFolder, noWrite,
                       noRename, noRemove} << 3;
    QTest::newRow("wrong password")
        << "" << "" << "wrong" << "/upload/" << "file"
        << QStringList{folderOk, fileOk, serverOk, connected, QStringLiteral("✗ Login refused: check the user name and password"),
                       noFolder, noWrite, noRename, noRemove} << 10;
    QTest::newRow("no such remote folder")
        << "" << "" << secret << "/nowhere/" << "file"
        << QStringList{folderOk, fileOk, serverOk, connected, loggedIn, QStringLiteral("✗ The folder /nowhere/ does not exist on the server"),
                       noWrite, noRename, noRemove} << 10;
    QTest::newRow("read-only folder")
        << "read-only" << "" << secret << "/upload/" << "file"
        << QStringList{folderOk, fileOk, serverOk, connected, loggedIn, uploadOk,
                       QStringLiteral("✗ Logged in, but /upload/ does not accept files"), noRename, noRemove} << 10;
    QTest::newRow("cannot rename")
        << "no-rename" << "" << secret << "/upload/" << "file"
        << QStringList{folderOk, fileOk, serverOk, connected, loggedIn, uploadOk, written,
                       QStringLiteral("✗ Logged in and sent a file to /upload/, but the server cannot rename it"), noRemove} << 10;
    // ftpes:// chooses TLS as for uploads, and a certificate nothing vouches for is refused.
    QTest::newRow("untrusted certificate")
        << "tls" << "" << secret << "/upload/" << "file"
        << QStringList{folderOk, fileOk, serverOk, QStringLiteral("✗ The server's certificate is not trusted"), noLogin, noFolder, noWrite,
                       noRename, noRemove} << 10;
    const QStringList noTls{folderOk, fileOk, serverOk,
                            QStringLiteral("✗ This server does not speak TLS: use ftp://, or turn TLS on at the server"),
                            noLogin, noFolder, noWrite, noRename, noRemove};
    QTest::newRow("ftpes at a plain server") << "" << "ftpes://" << secret << "/upload/" << "file" << noTls << 3;
    QTest::newRow("ftpes at a plain vsftpd") << "vsftpd" << "ftpes://" << secret << "upload/" << "file" << noTls << 3;
    QTest::newRow("sftp at an FTP port")
        << "" << "sftp://" << secret << "/upload/" << "file"
        << QStringList{folderOk, fileOk, serverOk, QStringLiteral("✗ This port answers FTP, not SSH: use ftp://, or the server's SSH port"),
                       noLogin, noFolder, noWrite, noRename, noRemove} << 3;
    QTest::newRow("silent server")
        << "silent" << "" << secret << "/upload/" << "file"
        << QStringList{folderOk, fileOk, serverOk, QStringLiteral("✗ Connected, but the server said nothing within 5 s"), noLogin,
                       noFolder, noWrite, noRename, noRemove} << 8;
    QTest::newRow("nothing at the port")
        << "closed" << "" << secret << "/upload/" << "file"
        << QStringList{folderOk, fileOk, serverOk, QStringLiteral("✗ Nothing answers at 127.0.0.1 port {port}: connection refused"),
                       noLogin, noFolder, noWrite, noRename, noRemove} << 3;
    // sftp at OpenSSH's sshd; {sftp} is the server's folder above its upload folder.
    const QString sftpLogin = QStringLiteral("✓ Logged in as ") + Sshd::User;
    const QString sftpFolder = QStringLiteral("✓ Folder {sftp}upload/ found on the server");
    QTest::newRow("sftp: every step passes") << "sshd own" << "sftp://" << Sshd::Password << "{sftp}upload/" << "file"
                                             << QStringList{folderOk, fileOk, serverOk, connected, sftpLogin, sftpFolder,
                                                            written, renamed, removed} << 10;
    QTest::newRow("sftp: wrong password")
        << "sshd own" << "sftp://" << "wrong" << "{sftp}upload/" << "file"
        << QStringList{folderOk, fileOk, serverOk, connected, QStringLiteral("✗ Login refused: check the user name and password"),
                       noFolder, noWrite, noRename, noRemove} << 10;
    const QStringList keyRefused{folderOk, fileOk, serverOk, QStringLiteral("✗ The server's key is not in known_hosts, or has changed"),
                                 noLogin, noFolder, noWrite, noRename, noRemove};
    QTest::newRow("sftp: unknown host key") << "sshd none" << "sftp://" << Sshd::Password << "{sftp}upload/" << "file" << keyRefused << 10;
    QTest::newRow("sftp: changed host key") << "sshd other" << "sftp://" << Sshd::Password << "{sftp}upload/" << "file" << keyRefused << 10;
    QTest::newRow("sftp: no such remote folder")
        << "sshd own" << "sftp://" << Sshd::Password << "{sftp}missing/" << "file"
        << QStringList{folderOk, fileOk, serverOk, connected, sftpLogin,
                       QStringLiteral("✗ The folder {sftp}missing/ does not exist on the server"), noWrite, noRename, noRemove} << 10;
}

void TestParameter::testTriesTheTypedServer()
{
    QFETCH(QString, server);
    QFETCH(QString, scheme);
    QFETCH(QString, password);
    QFETCH(QString, folder);
    QFETCH(QString, records);
    QFETCH(QStringList, steps);
    QFETCH(int, seconds);
    std::unique_ptr<FtpServer> ftp;
    std::unique_ptr<Vsftpd> vsftpd;
    std::unique_ptr<Sshd> sshd;
    std::unique_ptr<UseHome> home;
    int port = 0;
    QString user = FtpServer::User;
    if (server.startsWith(u"sshd")) {
        if (!Sshd::unavailable().isEmpty())
            QSKIP(qPrintable(Sshd::unavailable()));
        sshd = std::make_unique<Sshd>();
        QVERIFY2(sshd->isRunning(), qPrintable(sshd->error()));
        port = sshd->port();
        user = Sshd::User;
        const QString above = sshd->remoteFolder().chopped(QStringLiteral("upload/").size());
        folder.replace(QStringLiteral("{sftp}"), above);
        steps.replaceInStrings(QStringLiteral("{sftp}"), above);
        home = std::make_unique<UseHome>(sshd->homeWithKnownHosts(sshd->knownHosts(server.section(u' ', 1))));
    } else if (server == u"vsftpd") {
        if (!Vsftpd::unavailable().isEmpty())
            QSKIP(qPrintable(Vsftpd::unavailable()));
        vsftpd = std::make_unique<Vsftpd>();
        QVERIFY2(vsftpd->isRunning(), qPrintable(vsftpd->error()));
        port = vsftpd->port();
        user = Vsftpd::User;
        steps.replaceInStrings(QStringLiteral("as station"), QStringLiteral("as anonymous"));
    } else if (server == u"closed") {
        port = closedPort();
    } else {
        FtpServer::Options options;
        options.fault = server == u"tls" ? QString() : server;
        options.tls = server == u"tls";
        ftp = std::make_unique<FtpServer>(options);
        QVERIFY2(ftp->isRunning(), qPrintable(ftp->error()));
        port = ftp->port();
        if (options.tls)
            scheme = QStringLiteral("ftpes://");
    }
    const QString address = scheme + QStringLiteral("127.0.0.1:%1").arg(port);
    QTemporaryDir dir;
    if (records == u"file")
        writeFile(dir.filePath(QStringLiteral("20210305.txt")), "records\n");
    const QString local = dir.path() + (records == u"no folder" ? QStringLiteral("/gone/") : QStringLiteral("/"));

    Window w;
    SettingsDialog *dialog = w.open();
    Window::type(dialog, QStringLiteral("txtServer"), address);
    Window::type(dialog, QStringLiteral("txtName"), user);
    Window::type(dialog, QStringLiteral("txtPassword"), password);
    Window::type(dialog, QStringLiteral("txtUpload"), folder);
    Window::type(dialog, QStringLiteral("txtLocal"), local);
    if (folder.isEmpty())
        QTest::keyClick(Window::box(dialog, QStringLiteral("txtUpload")), Qt::Key_Delete);
    auto *test = dialog->findChild<QPushButton *>(QStringLiteral("cmbTest"));
    auto *result = dialog->findChild<QLabel *>(QStringLiteral("lblTestResult"));
    QVERIFY(test->isEnabled());
    QElapsedTimer took;
    took.start();
    QTest::mouseClick(test, Qt::LeftButton);
    QCOMPARE(test->text(), QStringLiteral("Cancel"));
    QTRY_COMPARE_WITH_TIMEOUT(test->text(), QStringLiteral("&Test"), 30000);
    QVERIFY2(took.elapsed() < seconds * 1000, qPrintable(QString::number(took.elapsed())));

    // Which settings were tried, then a line a step.
    const QString heading = QStringLiteral("Test of %1 as %2, into %3:")
                                .arg(address, user, folder.isEmpty() ? QStringLiteral("the login folder") : folder);
    const QStringList expected = QStringList{heading} + steps.replaceInStrings(QStringLiteral("{dir}"), dir.path())
                                                            .replaceInStrings(QStringLiteral("{port}"), QString::number(port));
    QCOMPARE(testLines(result), expected);
    // Where the transfer failed, its whole reason is at hand for whoever is asked to help.
    const auto cross = std::find_if(steps.cbegin(), steps.cend(), [](const QString &line) { return line.startsWith(u"✗"); });
    const qsizetype failed = cross == steps.cend() ? -1 : cross - steps.cbegin();
    if (failed >= int(TestStep::Login))
        QVERIFY2(!result->toolTip().isEmpty(), qPrintable(steps.at(failed)));
    if (failed < 0)
        QCOMPARE(result->toolTip(), QString());

    // Nothing left on the server, nothing stored, and the dialog still open with what was typed.
    if (ftp) {
        const QStringList left = QDir(ftp->root()).entryList(QDir::Files | QDir::Hidden)
            + QDir(ftp->root() + QStringLiteral("/upload")).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
    }
    if (sshd)
        QVERIFY2(sshd->uploadFolderFiles().isEmpty(), qPrintable(sshd->uploadFolderFiles().join(u' ')));
    QCOMPARE(readFile(w.dir.iniFile()), StartingFile);
    QCOMPARE(w.station().state().settings().FtpServer, QStringLiteral("127.0.0.1:9"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(Window::box(dialog, QStringLiteral("txtPassword"))->text(), password);
}

// The test file goes out under a temporary name made once: one leading dot, one ".part" (and
// straight under it, with FtpTempName=0).
void TestParameter::testFileIsNamedOnce()
{
    for (const bool temporaryName : {true, false}) {
        FtpServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        Window w;
        if (!temporaryName)
            writeFile(w.dir.iniFile(), QByteArray(StartingFile).replace("[Other]", "FtpTempName=0\n[Other]"));
        SettingsDialog *dialog = w.open();
        Window::type(dialog, QStringLiteral("txtLocal"), w.dir.path() + u'/');
        Window::type(dialog, QStringLiteral("txtServer"), server.address());
        Window::type(dialog, QStringLiteral("txtPassword"), FtpServer::Password);
        auto *test = dialog->findChild<QPushButton *>(QStringLiteral("cmbTest"));
        QTest::mouseClick(test, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(test->text(), QStringLiteral("&Test"), 20000);
        QStringList named;
        for (const QByteArray &line : server.commandLog().split('\n')) {
            // The commands that name a file into being, out of it, or away (SIZE only asks).
            if (line.contains("korva5-test") && !line.startsWith("SIZE "))
                named << QString::fromUtf8(line).replace(QRegularExpression(QStringLiteral("[0-9a-f]{8}")), QStringLiteral("{id}"));
        }
        if (temporaryName) {
            QCOMPARE(named.join(u" | "), QStringLiteral("STOR .korva5-test-{id}.part | RNFR .korva5-test-{id}.part | "
                                                         "RNTO korva5-test-{id} | DELE korva5-test-{id}"));
        } else {
            QCOMPARE(named.join(u" | "), QStringLiteral("STOR .korva5-test-{id}.part | DELE .korva5-test-{id}.part"));
            const QStringList lines = testLines(dialog->findChild<QLabel *>(QStringLiteral("lblTestResult")));
            QCOMPARE(lines.at(8), QStringLiteral("– No rename: this station sends straight to the final name"));
            QCOMPARE(lines.at(9), QStringLiteral("✓ Test file .korva5-test-{id}.part removed"));
        }
    }
}

// A result stands for the values it was tried with: an edit takes it away, and one during a
// test ends that test.
void TestParameter::editClearsTheTestResult()
{
    FtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    Window w;
    SettingsDialog *dialog = w.open();
    Window::type(dialog, QStringLiteral("txtLocal"), w.dir.path() + u'/');
    Window::type(dialog, QStringLiteral("txtServer"), server.address());
    Window::type(dialog, QStringLiteral("txtPassword"), FtpServer::Password);
    auto *test = dialog->findChild<QPushButton *>(QStringLiteral("cmbTest"));
    auto *result = dialog->findChild<QLabel *>(QStringLiteral("lblTestResult"));
    QTest::mouseClick(test, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(test->text(), QStringLiteral("&Test"), 20000);
    QVERIFY2(shown(result).contains(u"✓ Test file korva5-test-"), qPrintable(shown(result)));
    QTest::keyClicks(Window::box(dialog, QStringLiteral("txtServer")), QStringLiteral("1"));
    QCOMPARE(shown(result), QString());

    FtpServer silent({QStringLiteral("silent")});
    Window::type(dialog, QStringLiteral("txtServer"), silent.address());
    QTest::mouseClick(test, Qt::LeftButton);
    QTest::qWait(300);
    QTest::keyClicks(Window::box(dialog, QStringLiteral("txtName")), QStringLiteral("x"));
    QCOMPARE(shown(result), QString());
    QCOMPARE(test->text(), QStringLiteral("&Test"));
    QTest::qWait(6000); // past the silent server's time limit: nothing of that test shows
    QCOMPARE(shown(result), QString());
    QTRY_VERIFY_WITH_TIMEOUT(qApp->findChildren<ConnectionTest *>().isEmpty(), 5000);
}

void TestParameter::cancelledTestLeavesTheDialogResponsive()
{
    FtpServer server({QStringLiteral("silent")});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    Window w;
    SettingsDialog *dialog = w.open();
    Window::type(dialog, QStringLiteral("txtLocal"), w.dir.path() + u'/');
    Window::type(dialog, QStringLiteral("txtServer"), server.address());
    auto *test = dialog->findChild<QPushButton *>(QStringLiteral("cmbTest"));
    auto *result = dialog->findChild<QLabel *>(QStringLiteral("lblTestResult"));

    // The longest the event loop may be held. An AddressSanitizer build paints the dialog's
    // text several times slower (a repaint after the steps come: 100 to 240 ms there, under
    // 60 ms in a plain build); what it must still show is that no wait for the server holds it.
#if defined(__SANITIZE_ADDRESS__)
    constexpr qint64 MostGap = 1000;
#else
    constexpr qint64 MostGap = 200;
#endif
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
    });
    sinceTick.start();
    ticker.start(10);

    QTest::mouseClick(test, Qt::LeftButton);
    QVERIFY(result->text().startsWith(u"Test of "));
    QTest::qWait(500);
    QTest::mouseClick(test, Qt::LeftButton); // now Cancel
    QCOMPARE(result->text(), QStringLiteral("Test cancelled"));
    QCOMPARE(test->text(), QStringLiteral("&Test"));
    QTest::qWait(6000); // the cancelled test gives up meanwhile; its outcome must not show
    QCOMPARE(result->text(), QStringLiteral("Test cancelled"));

    // Closed while a test runs: the dialog goes at once.
    QTest::mouseClick(test, Qt::LeftButton);
    QTest::qWait(300);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmbCancel")), Qt::LeftButton);
    QVERIFY(w.closed());
    QTest::qWait(300);
    QVERIFY2(longestGap < MostGap, qPrintable(QString::number(longestGap)));
    // Both controls let go end once their sends have given up.
    QTRY_VERIFY_WITH_TIMEOUT(qApp->findChildren<ConnectionTest *>(QStringLiteral("testFtp")).isEmpty(), 5000);
    QVERIFY(longestGap < MostGap);
}

QTEST_MAIN(TestParameter)
#include "tst_parameter.moc"
