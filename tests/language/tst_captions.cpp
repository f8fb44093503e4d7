// SPDX-License-Identifier: MIT
// Captions from the language file, and the three language buttons.
#include "Captions.h"
#include "FrmMain.h"
#include "RunState.h"
#include "TestSupport.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace TestSupport;

namespace {

// The 21 captions that follow the language, by control name ("title" is the window caption).
const QStringList CaptionControls{
    QStringLiteral("mnuState"), QStringLiteral("mnuShow"), QStringLiteral("mnuExit"), QStringLiteral("title"),
    QStringLiteral("cmbExit"), QStringLiteral("cmbMin"), QStringLiteral("cmbParameter"), QStringLiteral("cmdUpLoad"),
    QStringLiteral("cmdUpLoad2"), QStringLiteral("frmDate"), QStringLiteral("frmUpLoad"), QStringLiteral("lblUpFileName"),
    QStringLiteral("lblLocalFileName"), QStringLiteral("lblLocalPath"), QStringLiteral("lblUpPath"),
    QStringLiteral("lblUpServer"), QStringLiteral("lblUpDate"), QStringLiteral("lblCountSec"), QStringLiteral("lblLocalNo"),
    QStringLiteral("lblUpTime"), QStringLiteral("frmUp")};

QMap<QString, QString> captionsOf(FrmMain &window)
{
    QMap<QString, QString> captions;
    for (const QString &name : CaptionControls) {
        if (name == u"title") {
            captions[name] = window.windowTitle();
        } else if (auto *action = window.findChild<QAction *>(name)) {
            captions[name] = action->text();
        } else if (auto *box = window.findChild<QGroupBox *>(name)) {
            captions[name] = box->title();
        } else if (auto *button = window.findChild<QPushButton *>(name)) {
            captions[name] = button->text();
        } else if (auto *label = window.findChild<QLabel *>(name)) {
            captions[name] = label->text();
        }
    }
    return captions;
}

struct Window : LoadedWindow
{
    explicit Window(const QMap<QString, QString> &settings = {}, const QByteArray &languageFile = {})
        : LoadedWindow(iniText(settings))
    {
        if (!languageFile.isNull()) {
            writeFile(dir.languageFile(), languageFile);
            load();
        }
    }
    QString caption(const QString &name) { return captionsOf(*window).value(name); }
    void click(const char *name) { QTest::mouseClick(window->findChild<QPushButton *>(QLatin1StringView(name)), Qt::LeftButton); }
};

QByteArray languageFileWithout(const QByteArray &key, const QByteArray &titleLine = {})
{
    QByteArray text = readFile(sourceDir() + QStringLiteral("/data/Language.txt"));
    QList<QByteArray> lines = text.split('\n');
    QByteArray result;
    bool inEnglish = false;
    for (const QByteArray &line : lines) {
        if (line.startsWith('['))
            inEnglish = line == "[English]";
        if (inEnglish && line.startsWith(QByteArray(key + '=')))
            continue;
        if (inEnglish && !titleLine.isEmpty() && line.startsWith("Title="))
            result += titleLine + '\n';
        else
            result += line + '\n';
    }
    return result;
}

} // namespace

class TestCaptions : public QObject
{
    Q_OBJECT

private slots:
    void captions_data();
    void captions();
    void missingSectionEmptiesEveryCaption();
    void missingKeyEmptiesItsCaptionOnly();
    void titleIsTrimmedBeforeTheVersion();
    void runStateChoosesTheMenuCaption();
    void secondShowLanguageChangesNothing();
    void editOfTheFileShowsAtTheNextApplication();
    void switchIsStoredAndSurvivesARestart();
    void switchKeepsTheTooltipUntilTheNextToggle();
    void switchThatCannotBeStoredIsLogged();
};

void TestCaptions::captions_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");

    QTest::newRow("English title") << "English" << "title" << "KORVA5 Records Upload System  Ver 1.00";
    QTest::newRow("English run") << "English" << "mnuState" << "&Run";
    QTest::newRow("English menu setting") << "English" << "mnuShow" << "Parameter";
    QTest::newRow("English upload") << "English" << "cmdUpLoad" << "&Manual Upload";
    QTest::newRow("English frame") << "English" << "frmUp" << "Auto Upload Information";
    QTest::newRow("China title") << "China" << "title" << "KORVA5 记录上传系统  Ver 1.00";
    QTest::newRow("China run") << "China" << "mnuState" << "运行(&R)";
    QTest::newRow("China yesterday") << "China" << "cmdUpLoad2" << "上传昨日(&Y)";
    QTest::newRow("China station") << "China" << "lblLocalNo" << "站号：";
    QTest::newRow("Taiwan title") << "Taiwan" << "title" << "KORVA5 記錄上傳系統  Ver 1.00";
    QTest::newRow("Taiwan exit") << "Taiwan" << "mnuExit" << "結束(&E)";
    QTest::newRow("Taiwan upload file") << "Taiwan" << "lblUpFileName" << "上傳檔案：";
}

void TestCaptions::captions()
{
    QFETCH(QString, language);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    Window w({{QStringLiteral("Language"), language}});
    QCOMPARE(w.caption(name), caption);
    // Fixed in every language.
    QCOMPARE(w.window->findChild<QPushButton *>(QStringLiteral("cmbEnglish"))->text(), QStringLiteral("&English"));
    QCOMPARE(w.window->findChild<QLabel *>(QStringLiteral("lblSec"))->text(), QStringLiteral("0"));
}

void TestCaptions::missingSectionEmptiesEveryCaption()
{
    for (const QString &language : {QStringLiteral("Korean"), QString()}) {
        QMap<QString, QString> settings;
        if (!language.isEmpty())
            settings.insert(QStringLiteral("Language"), language);
        Window w(settings);
        const QMap<QString, QString> captions = captionsOf(*w.window);
        QCOMPARE(captions.size(), 21);
        for (auto it = captions.cbegin(); it != captions.cend(); ++it)
            QCOMPARE(it.value(), it.key() == u"title" ? QStringLiteral("  Ver 1.00") : QString());
        // No tooltip either.
        QCOMPARE(w.tray.calls.first().tooltip, QString());
    }
}

void TestCaptions::missingKeyEmptiesItsCaptionOnly()
{
    Window w({{QStringLiteral("Language"), QStringLiteral("English")}}, languageFileWithout("Count"));
    QCOMPARE(w.caption(QStringLiteral("lblCountSec")), QString());
    QCOMPARE(w.caption(QStringLiteral("lblUpTime")), QStringLiteral("Upload Time:"));
    QCOMPARE(w.caption(QStringLiteral("frmUp")), QStringLiteral("Auto Upload Information"));
}

void TestCaptions::titleIsTrimmedBeforeTheVersion()
{
    Window w({{QStringLiteral("Language"), QStringLiteral("English")}},
             languageFileWithout("NoSuchKey", "Title=   Records Upload   "));
    QCOMPARE(w.window->windowTitle(), QStringLiteral("Records Upload  Ver 1.00"));
}

void TestCaptions::runStateChoosesTheMenuCaption()
{
    Window w({{QStringLiteral("Language"), QStringLiteral("English")}});
    auto *state = w.window->findChild<QAction *>(QStringLiteral("mnuState"));
    QCOMPARE(state->text(), QStringLiteral("&Run"));
    state->setData(QStringLiteral("0"));
    w.window->captions().ShowLanguage();
    QCOMPARE(state->text(), QStringLiteral("&Stop"));
    state->setData(QStringLiteral("1"));
    w.window->captions().ShowLanguage();
    QCOMPARE(state->text(), QStringLiteral("&Run"));
}

void TestCaptions::secondShowLanguageChangesNothing()
{
    Window w({{QStringLiteral("Language"), QStringLiteral("Taiwan")}});
    const QMap<QString, QString> once = captionsOf(*w.window);
    w.window->captions().ShowLanguage();
    QCOMPARE(captionsOf(*w.window), once);
}

void TestCaptions::editOfTheFileShowsAtTheNextApplication()
{
    Window w({{QStringLiteral("Language"), QStringLiteral("English")}});
    writeFile(w.dir.languageFile(), "[English]\nMinimized=&Hide\n");
    QCOMPARE(w.caption(QStringLiteral("cmbMin")), QStringLiteral("&Minimized"));
    w.click("cmbEnglish"); // the button of the language in use applies the texts again
    QCOMPARE(w.caption(QStringLiteral("cmbMin")), QStringLiteral("&Hide"));
    QCOMPARE(w.caption(QStringLiteral("cmbExit")), QString());
}

void TestCaptions::switchIsStoredAndSurvivesARestart()
{
    Window w({{QStringLiteral("Language"), QStringLiteral("English")}, {QStringLiteral("FtpNo"), QStringLiteral("12")}});
    w.click("cmbChina");
    QCOMPARE(w.window->sysMain().CurrentLanguage, QStringLiteral("China"));
    QCOMPARE(w.caption(QStringLiteral("cmbMin")), QStringLiteral("最小化(&M)"));
    QCOMPARE(SysMain::GetIniString(w.dir.iniFile(), QStringLiteral("TALLY"), QStringLiteral("Language")), QStringLiteral("China"));
    QCOMPARE(SysMain::GetIniString(w.dir.iniFile(), QStringLiteral("TALLY"), QStringLiteral("FtpNo")), QStringLiteral("12"));

    w.window.reset(); // the program ends ...
    w.load();         // ... and starts again
    QCOMPARE(w.caption(QStringLiteral("title")), QStringLiteral("KORVA5 记录上传系统  Ver 1.00"));
    w.click("cmbTaiwan");
    QCOMPARE(w.caption(QStringLiteral("cmdUpLoad")), QStringLiteral("手動上傳(&M)"));
    w.click("cmbEnglish");
    QCOMPARE(w.caption(QStringLiteral("cmdUpLoad")), QStringLiteral("&Manual Upload"));
}

void TestCaptions::switchKeepsTheTooltipUntilTheNextToggle()
{
    Window w({{QStringLiteral("Language"), QStringLiteral("English")}});
    QCOMPARE(w.tray.calls.size(), 1);
    w.click("cmbChina");
    QCOMPARE(w.tray.calls.size(), 1); // the tooltip is not touched by a switch
    QCOMPARE(w.window->findChild<QAction *>(QStringLiteral("mnuState"))->text(), QStringLiteral("运行(&R)"));
    w.window->runState().mnuState_Click();
    QCOMPARE(w.tray.calls.last().tooltip, QStringLiteral("KORVA5 记录上传系统 - 运行中"));
}

void TestCaptions::switchThatCannotBeStoredIsLogged()
{
    Window w({{QStringLiteral("Language"), QStringLiteral("English")}});
    const QByteArray before = readFile(w.dir.iniFile());
    QVERIFY(QFile::setPermissions(w.dir.iniFile(), QFileDevice::ReadOwner));
    w.click("cmbTaiwan");
    QFile::setPermissions(w.dir.iniFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    QCOMPARE(w.caption(QStringLiteral("cmbMin")), QStringLiteral("最小化(&M)")); // switched all the same
    QCOMPARE(readFile(w.dir.iniFile()), before);
    auto *log = w.window->findChild<QListWidget *>(QStringLiteral("lstList"));
    QCOMPARE(log->count(), 1);
    QVERIFY2(log->item(0)->text().startsWith(QStringLiteral("Language Taiwan not stored: ")), qPrintable(log->item(0)->text()));
}

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
