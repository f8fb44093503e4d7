// SPDX-License-Identifier: MIT
// Captions from the language file, and the three language buttons.
#include "ChineseText.h"
#include "core/language/BuiltInTexts.h"
#include "gui/shell/Captions.h"
#include "gui/shell/Application.h"
#include "MessageCapture.h"
#include "gui/tray/RunState.h"
#include "TestSupport.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace korva5;

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

QMap<QString, QString> captionsOf(MainWindow &window)
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

QByteArray languageFileWithout(const QByteArray &key, const QByteArray &titleLine = {},
                               const QByteArray &section = "[English]")
{
    QByteArray text = readFile(sourceDir() + QStringLiteral("/data/Language.txt"));
    QList<QByteArray> lines = text.split('\n');
    QByteArray result;
    bool inEnglish = false;
    for (const QByteArray &line : lines) {
        if (line.startsWith('['))
            inEnglish = line == section;
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
    void missingSectionFallsBackToEnglish();
    void missingKeyShowsTheBuiltInText_data();
    void missingKeyShowsTheBuiltInText();
    void builtInTextsInEveryLanguage_data();
    void builtInTextsInEveryLanguage();
    void originalLanguageFileLeavesNothingBlank_data();
    void originalLanguageFileLeavesNothingBlank();
    void textWithOtherPlaceholdersIsNotUsed_data();
    void textWithOtherPlaceholdersIsNotUsed();
    void accessKeysAreDistinct_data();
    void accessKeysAreDistinct();
    void titleTextHidesAccessKeys_data();
    void titleTextHidesAccessKeys();
    void titleIsTrimmedBeforeTheVersion();
    void runStateChoosesTheMenuCaption();
    void secondShowLanguageChangesNothing();
    void editOfTheFileShowsAtTheNextApplication();
    void switchIsStoredAndSurvivesARestart();
    void switchKeepsTheTooltipUntilTheNextToggle();
    void switchThatCannotBeStoredIsLogged_data();
    void switchThatCannotBeStoredIsLogged();
};

void TestCaptions::captions_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");

    QTest::newRow("English title") << "English" << "title" << "KORVA5 Records Upload System  Ver 1.00";
    QTest::newRow("English run") << "English" << "mnuState" << "&Run";
    QTest::newRow("English menu setting") << "English" << "mnuShow" << "&Parameter";
    QTest::newRow("English upload") << "English" << "cmdUpLoad" << "&Manual Upload";
    QTest::newRow("English frame") << "English" << "frmUp" << "Auto Upload Information";
    QTest::newRow("China title") << "China" << "title" << "KORVA5 记录上传系统  Ver 1.00";
    QTest::newRow("China run") << "China" << "mnuState" << "运行(&R)";
    QTest::newRow("China yesterday") << "China" << "cmdUpLoad2" << "上传昨日(&Y)";
    QTest::newRow("China station") << "China" << "lblLocalNo" << "站号：";
    QTest::newRow("Taiwan title") << "Taiwan" << "title" << "KORVA5 記錄上傳系統  Ver 1.00";
    QTest::newRow("Taiwan exit") << "Taiwan" << "mnuExit" << "結束(&X)";
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

void TestCaptions::missingSectionFallsBackToEnglish()
{
    Window english({{QStringLiteral("Language"), QStringLiteral("English")}});
    const QMap<QString, QString> inEnglish = captionsOf(*english.window);
    for (const QString &language : {QStringLiteral("Chinese"), QString()}) {
        QMap<QString, QString> settings;
        if (!language.isEmpty())
            settings.insert(QStringLiteral("Language"), language);
        MessageCapture messages;
        Window w(settings);
        const QMap<QString, QString> captions = captionsOf(*w.window);
        QCOMPARE(captions.size(), 21);
        QCOMPARE(captions, inEnglish);
        QCOMPARE(w.tray.calls.first().tooltip, QStringLiteral("KORVA5 Records Upload System - running"));
        const QStringList said = messages.lines().filter(QStringLiteral("has no section [%1]").arg(language));
        QVERIFY2(said.size() == 1, qPrintable(messages.text()));
    }
}

void TestCaptions::missingKeyShowsTheBuiltInText_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("said"); // on standard error, once however often the captions are applied
    QTest::newRow("Chinese without Exit") << "China" << QByteArray("[China]") << "Exit" << "cmbExit" << "退出(&X)" << true;
    QTest::newRow("Taiwan without Count") << "Taiwan" << QByteArray("[Taiwan]") << "Count" << "lblCountSec" << "計數：" << true;
    QTest::newRow("English without Count") << "English" << QByteArray("[English]") << "Count" << "lblCountSec" << "Count:" << true;
    // A station's file from before a text was added lacks it as a matter of course.
    QTest::newRow("Chinese without History, added since") << "China" << QByteArray("[China]") << "History" << "cmbHistory"
                                                         << "历史记录(&H)" << false;
}

void TestCaptions::missingKeyShowsTheBuiltInText()
{
    QFETCH(QString, language);
    QFETCH(QByteArray, section);
    QFETCH(QString, key);
    QFETCH(QString, control);
    QFETCH(QString, expected);
    QFETCH(bool, said);
    MessageCapture messages;
    Window w({{QStringLiteral("Language"), language}}, languageFileWithout(key.toUtf8(), {}, section));
    QCOMPARE(w.LoadedWindow::caption(control), expected);
    // The other captions stay in the language chosen.
    QCOMPARE(w.caption(QStringLiteral("cmdUpLoad2")),
             language == u"English" ? QStringLiteral("&Yesterday Upload") : language == u"China" ? QStringLiteral("上传昨日(&Y)") : QStringLiteral("上傳昨日(&Y)"));
    // Applied again, after a switch away and back.
    w.click(language == u"English" ? "cmbChina" : "cmbEnglish");
    w.click(language == u"English" ? "cmbEnglish" : language == u"China" ? "cmbChina" : "cmbTaiwan");
    QCOMPARE(w.LoadedWindow::caption(control), expected);
    const QStringList lines = messages.lines().filter(QStringLiteral("has no text for"));
    const QString line = QStringLiteral("korva5.shell %1 has no text for %2 in [%3]; the program's own text is shown")
                             .arg(w.dir.languageFile(), key, language);
    QCOMPARE(lines, said ? QStringList{line} : QStringList());
}

void TestCaptions::builtInTextsInEveryLanguage_data()
{
    QTest::addColumn<QString>("key");
    for (const QString &key : BuiltInTexts::keys())
        QTest::newRow(qPrintable(key)) << key;
}

// Characters of the one script that slip into a text of the other when a line is copied across.
const QString SimplifiedOnly = QStringLiteral("传录务连设败时间个为无发线试请该资议码户称读删认证钥满断过变开关载径统执参数动还并将协");
const QString TraditionalOnly = QStringLiteral("傳錄務連設敗時間個為無發線試請該資議碼戶稱讀刪認證鑰滿斷過變開關載徑統執參數動還並將協檔");

// Every key has its text in the three languages, the Chinese ones really Chinese, with the same
// placeholders as the English one.
void TestCaptions::builtInTextsInEveryLanguage()
{
    QFETCH(QString, key);
    const QString english = BuiltInTexts::text(QStringLiteral("English"), key).value_or(QString());
    QVERIFY(!english.isEmpty());
    for (const QString &language : {QStringLiteral("China"), QStringLiteral("Taiwan")}) {
        const QString text = BuiltInTexts::text(language, key).value_or(QString());
        QVERIFY2(!text.isEmpty(), qPrintable(language));
        QCOMPARE(BuiltInTexts::placeholders(text), BuiltInTexts::placeholders(english));
        if (key != u"Title" && key != u"RunStatus" && key != u"StopStatus")
            QVERIFY2(std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x3000; }), qPrintable(text));
        // The traditional texts write 記錄, as the title does.
        if (language == u"Taiwan")
            QVERIFY2(!text.contains(QStringLiteral("紀錄")), qPrintable(text));
        // No English word or English punctuation left in a Chinese sentence, and each language
        // in its own script.
        QVERIFY2(notChinese(text).isEmpty(), qPrintable(text + u" | " + notChinese(text).join(u' ')));
        const QString &otherScript = language == u"China" ? TraditionalOnly : SimplifiedOnly;
        QVERIFY2(std::none_of(text.cbegin(), text.cend(), [&](QChar c) { return otherScript.contains(c); }), qPrintable(text));
    }
    // The language file shipped says the same.
    for (const QString &language : {QStringLiteral("English"), QStringLiteral("China"), QStringLiteral("Taiwan")}) {
        QCOMPARE(languageText(sourceDir() + QStringLiteral("/data/Language.txt"), language, key),
                 BuiltInTexts::text(language, key).value_or(QString()));
    }
}

void TestCaptions::originalLanguageFileLeavesNothingBlank_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "English";
    QTest::newRow("China") << "China";
    QTest::newRow("Taiwan") << "Taiwan";
}

// A station upgraded with its own Language.txt of the first version's 26 keys.
void TestCaptions::originalLanguageFileLeavesNothingBlank()
{
    QFETCH(QString, language);
    const QByteArray original = readFile(sourceDir() + QStringLiteral("/tests/data/Language-26.txt"));
    QVERIFY(!original.isEmpty());
    MessageCapture messages;
    Window w({{QStringLiteral("Language"), language}}, original);
    const QMap<QString, QString> captions = captionsOf(*w.window);
    QCOMPARE(captions.size(), 21);
    for (auto it = captions.cbegin(); it != captions.cend(); ++it)
        QVERIFY2(!it->isEmpty(), qPrintable(it.key()));
    QVERIFY(!w.LoadedWindow::caption(QStringLiteral("cmbHistory")).isEmpty());
    const QString status = w.window->findChild<QLabel *>(QStringLiteral("lblStatus"))->text();
    QVERIFY2(!status.startsWith(u' ') && !status.contains(QStringLiteral("\u00b7 \u00b7")), qPrintable(status));
    for (const QString &key : BuiltInTexts::keys())
        QVERIFY2(!w.station().text(key).isEmpty(), qPrintable(key));
    // The texts added since come from the program without a word; the file's own captions are
    // the ones a missing key is said of.
    QVERIFY2(messages.lines().filter(QStringLiteral("has no text for")).isEmpty(), qPrintable(messages.text()));
    const QList<QByteArray> lines = original.split('\n');
    const QList<QByteArray> english = lines.mid(lines.indexOf("[English]") + 1, lines.indexOf("[China]") - lines.indexOf("[English]") - 1);
    QStringList fileKeys;
    for (const QByteArray &line : english) {
        if (line.contains('='))
            fileKeys << QString::fromLatin1(line.left(line.indexOf('=')));
    }
    QCOMPARE(fileKeys.size(), 26);
    for (const QString &key : BuiltInTexts::keys())
        QVERIFY2(BuiltInTexts::isFileCaption(key) == fileKeys.contains(key), qPrintable(key));
    // An alarm sentence is whole.
    const QString alarm = w.station().text(QStringLiteral("AlarmFailed"))
                              .arg(QStringLiteral("20210305.12"), QStringLiteral("530 Login incorrect"), QStringLiteral("08:31"));
    QVERIFY2(!alarm.contains(u'%') && alarm.contains(QStringLiteral("08:31")), qPrintable(alarm));
    QVERIFY2(!messages.text().contains(QStringLiteral("Argument missing")), qPrintable(messages.text()));
}

void TestCaptions::textWithOtherPlaceholdersIsNotUsed_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("line"); // the line the file has for key in language
    QTest::addColumn<QString>("shown");
    QTest::newRow("English, one place less") << "English" << "AlarmFailed" << "AlarmFailed=%1 not sent: %2. Next try %3."
                                             << "%1 not sent. Next try %2.";
    QTest::newRow("China, the detail left out") << "China" << "ReasonConnectTimedOut" << "" << "连接超时";
    QTest::newRow("China, a place too many") << "China" << "TestCancelled" << "" << "测试 %1 已取消";
    QTest::newRow("Taiwan, the reason left out") << "Taiwan" << "LogGivenUp" << "" << "%1 未傳送：超過預定時間 %2 小時，已放棄";
    QTest::newRow("Taiwan, other numbers") << "Taiwan" << "LanguageNotStored" << "" << "語言選擇「%2」未儲存：%3";
}

// A text whose places differ from the built-in one's is not shown: the built-in one is, in the
// same language, and standard error says so once.
void TestCaptions::textWithOtherPlaceholdersIsNotUsed()
{
    QFETCH(QString, language);
    QFETCH(QString, key);
    QFETCH(QString, line);
    QFETCH(QString, shown);
    QByteArray file = readFile(sourceDir() + QStringLiteral("/data/Language.txt"));
    if (line.isEmpty()) {
        // A key of its own in the section: the language file from before it knew the key, with
        // a line added by a hand that miscounted.
        file.replace(QByteArray('[' + language.toUtf8() + "]\n"),
                     QByteArray('[' + language.toUtf8() + "]\n" + key.toUtf8() + '=' + shown.toUtf8() + '\n'));
    } else {
        file.replace(line.toUtf8(), QByteArray(key.toUtf8() + '=' + shown.toUtf8()));
    }
    QVERIFY(QString::fromUtf8(file).contains(key + u'=' + shown));
    MessageCapture messages;
    Window w({{QStringLiteral("Language"), language}}, file);
    QCOMPARE(w.station().text(key), BuiltInTexts::text(language, key).value_or(QString()));
    QVERIFY2(messages.lines().filter(key).size() == 1, qPrintable(messages.text()));
}

void TestCaptions::accessKeysAreDistinct_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "English";
    QTest::newRow("China") << "China";
    QTest::newRow("Taiwan") << "Taiwan";
}

void TestCaptions::accessKeysAreDistinct()
{
    QFETCH(QString, language);
    Window w({{QStringLiteral("Language"), language}});
    const auto accessKey = [](const QString &text) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(text);
        return mnemonic.isEmpty() ? QString() : mnemonic.toString();
    };
    QStringList windowKeys;
    for (QPushButton *button : w.window->findChildren<QPushButton *>()) {
        if (button->text().isEmpty())
            continue; // the two flag buttons carry a picture, not a caption
        windowKeys << accessKey(button->text());
        QVERIFY2(!windowKeys.last().isEmpty(), qPrintable(button->objectName() + u' ' + button->text()));
    }
    QCOMPARE(windowKeys.size(), 7);
    QCOMPARE(QSet<QString>(windowKeys.cbegin(), windowKeys.cend()).size(), windowKeys.size());
    QStringList menuKeys;
    for (QAction *action : w.window->findChild<QMenu *>(QStringLiteral("mnuMain"))->actions()) {
        if (action->isSeparator())
            continue;
        menuKeys << accessKey(action->text());
        QVERIFY2(!menuKeys.last().isEmpty(), qPrintable(action->text()));
    }
    QCOMPARE(QSet<QString>(menuKeys.cbegin(), menuKeys.cend()).size(), 3);
    QVERIFY(!w.window->windowTitle().contains(u'&'));
}

void TestCaptions::titleTextHidesAccessKeys_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("title");
    QTest::newRow("English") << "&Parameter" << "Parameter";
    QTest::newRow("inside a word") << "E&xit" << "Exit";
    QTest::newRow("Chinese marker") << "参数设置(&P)" << "参数设置";
    QTest::newRow("full-width parentheses") << "参数设置（&P）" << "参数设置";
    QTest::newRow("literal ampersand") << "R&&D" << "R&D";
    QTest::newRow("ampersand in brackets stays") << "(&&)" << "(&)";
    QTest::newRow("marker inside the text") << "上传(&U)文件" << "上传文件";
    QTest::newRow("unclosed marker") << "上传(&U" << "上传(U";
    QTest::newRow("none") << "Parameter" << "Parameter";
}

void TestCaptions::titleTextHidesAccessKeys()
{
    QFETCH(QString, caption);
    QFETCH(QString, title);
    QCOMPARE(titleText(caption), title);
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
    // The captions shown again (the language chosen again) take the menu item's from the state.
    w.station().setRunning(true);
    w.click("cmbEnglish");
    QCOMPARE(state->text(), QStringLiteral("&Stop"));
    w.station().setRunning(false);
    w.click("cmbEnglish");
    QCOMPARE(state->text(), QStringLiteral("&Run"));
}

void TestCaptions::secondShowLanguageChangesNothing()
{
    Window w({{QStringLiteral("Language"), QStringLiteral("Taiwan")}});
    const QMap<QString, QString> once = captionsOf(*w.window);
    w.click("cmbTaiwan");
    QCOMPARE(captionsOf(*w.window), once);
}

void TestCaptions::editOfTheFileShowsAtTheNextApplication()
{
    Window w({{QStringLiteral("Language"), QStringLiteral("English")}});
    writeFile(w.dir.languageFile(), "[English]\nMinimized=&Hide\n");
    QCOMPARE(w.caption(QStringLiteral("cmbMin")), QStringLiteral("Mi&nimized"));
    w.click("cmbEnglish"); // the button of the language in use applies the texts again
    QCOMPARE(w.caption(QStringLiteral("cmbMin")), QStringLiteral("&Hide"));
    QCOMPARE(w.caption(QStringLiteral("cmbExit")), QStringLiteral("E&xit")); // not in the edited file: built in
}

void TestCaptions::switchIsStoredAndSurvivesARestart()
{
    Window w({{QStringLiteral("Language"), QStringLiteral("English")}, {QStringLiteral("FtpNo"), QStringLiteral("12")}});
    w.click("cmbChina");
    QCOMPARE(w.station().state().language(), QStringLiteral("China"));
    QCOMPARE(w.caption(QStringLiteral("cmbMin")), QStringLiteral("最小化(&N)"));
    QCOMPARE(TestSupport::storedValue(w.dir.iniFile(), QStringLiteral("TALLY"), QStringLiteral("Language")), QStringLiteral("China"));
    QCOMPARE(TestSupport::storedValue(w.dir.iniFile(), QStringLiteral("TALLY"), QStringLiteral("FtpNo")), QStringLiteral("12"));

    w.app.reset(); // the program ends ...
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
    w.window->findChild<QAction *>(QStringLiteral("mnuState"))->trigger();
    QCOMPARE(w.tray.calls.last().tooltip, QStringLiteral("KORVA5 记录上传系统 - 运行中"));
}

void TestCaptions::switchThatCannotBeStoredIsLogged_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("minimized");
    QTest::addColumn<QString>("said");
    QTest::newRow("to Taiwan") << "English" << QByteArray("cmbTaiwan") << "最小化(&N)" << "語言選擇「繁體中文」未儲存：";
    QTest::newRow("to China") << "Taiwan" << QByteArray("cmbChina") << "最小化(&N)" << "语言选择“简体中文”未保存：";
    QTest::newRow("to English") << "China" << QByteArray("cmbEnglish") << "Mi&nimized" << "Language English not stored: ";
}

void TestCaptions::switchThatCannotBeStoredIsLogged()
{
    QFETCH(QString, from);
    QFETCH(QByteArray, button);
    QFETCH(QString, minimized);
    QFETCH(QString, said);
    Window w({{QStringLiteral("Language"), from}});
    const QByteArray before = readFile(w.dir.iniFile());
    QVERIFY(QFile::setPermissions(w.dir.iniFile(), QFileDevice::ReadOwner));
    w.click(button.constData());
    QFile::setPermissions(w.dir.iniFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    QCOMPARE(w.caption(QStringLiteral("cmbMin")), minimized); // switched all the same
    QCOMPARE(readFile(w.dir.iniFile()), before);
    // Said in the language just chosen, which names itself.
    auto *log = w.window->findChild<QListWidget *>(QStringLiteral("lstList"));
    QCOMPARE(log->count(), 1);
    QVERIFY2(log->item(0)->text().startsWith(said), qPrintable(log->item(0)->text()));
}

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
