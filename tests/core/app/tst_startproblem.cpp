// SPDX-License-Identifier: MIT
// What a person is told when the program cannot start: which file, where, why, and in which
// language.
#include "core/app/StartProblem.h"
#include "CoreTestSupport.h"

#include <QTest>

using namespace korva5;

using namespace TestSupport;
using Problem = ProgramFiles::Problem;

Q_DECLARE_METATYPE(ProgramFiles::Problem)

class TestStartProblem : public QObject
{
    Q_OBJECT

private slots:
    void language_data();
    void language();
    void message_data();
    void message();
    void folderNameIsShownAsItIs();
};

void TestStartProblem::language_data()
{
    QTest::addColumn<Problem>("problem");
    QTest::addColumn<QString>("settingsLanguage"); // empty: TALLYPORT.ini is not there
    QTest::addColumn<QString>("told");
    QTest::newRow("settings missing") << Problem::SettingsMissing << "" << "English";
    // The file could be read a moment ago, but the check said it cannot: it is not read again.
    QTest::newRow("settings unreadable, naming China") << Problem::SettingsUnreadable << "China" << "English";
    QTest::newRow("language missing, China") << Problem::LanguageMissing << "China" << "China";
    QTest::newRow("language missing, Taiwan with blanks") << Problem::LanguageMissing << " Taiwan\t" << "Taiwan";
    QTest::newRow("language unreadable, Taiwan") << Problem::LanguageUnreadable << "Taiwan" << "Taiwan";
    QTest::newRow("language missing, English") << Problem::LanguageMissing << "English" << "English";
}

void TestStartProblem::language()
{
    QFETCH(Problem, problem);
    QFETCH(QString, settingsLanguage);
    QFETCH(QString, told);
    ProgramDir dir({{QStringLiteral("Language"), settingsLanguage}}, false);
    if (settingsLanguage.isEmpty())
        QVERIFY(QFile::remove(dir.iniFile()));
    const ProgramPaths paths = ProgramPaths::in(dir.path());
    const QString language = StartProblem::language(paths, problem);
    // A language the program has no texts for is told in English, as the captions are.
    QCOMPARE(StartProblem::message(paths, problem, language, {}).title,
             StartProblem::message(paths, problem, told, {}).title);
    QCOMPARE(StartProblem::message(paths, problem, language, {}).text,
             StartProblem::message(paths, problem, told, {}).text);
}

void TestStartProblem::message_data()
{
    QTest::addColumn<Problem>("problem");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("named"); // what the sentence must name besides the folder
    const QString reason = QStringLiteral("Permission denied");
    QTest::newRow("settings missing") << Problem::SettingsMissing << "English" << "KORVA5 Records Upload System cannot start"
                                      << QStringList{QStringLiteral("TALLYPORT.ini"), QStringLiteral("not in")};
    QTest::newRow("language missing, China") << Problem::LanguageMissing << "China" << "KORVA5 记录上传系统无法启动"
                                             << QStringList{QStringLiteral("Language.txt"), QStringLiteral("语言文件")};
    QTest::newRow("language missing, Taiwan") << Problem::LanguageMissing << "Taiwan" << "KORVA5 記錄上傳系統無法啟動"
                                              << QStringList{QStringLiteral("Language.txt"), QStringLiteral("語言檔案")};
    QTest::newRow("settings unreadable") << Problem::SettingsUnreadable << "English"
                                         << "KORVA5 Records Upload System cannot start"
                                         << QStringList{QStringLiteral("TALLYPORT.ini"), reason};
    QTest::newRow("language unreadable, China") << Problem::LanguageUnreadable << "China" << "KORVA5 记录上传系统无法启动"
                                                << QStringList{QStringLiteral("Language.txt"), reason};
    QTest::newRow("unknown language: English") << Problem::SettingsMissing << "Klingon"
                                               << "KORVA5 Records Upload System cannot start"
                                               << QStringList{QStringLiteral("TALLYPORT.ini")};
}

void TestStartProblem::message()
{
    QFETCH(Problem, problem);
    QFETCH(QString, language);
    QFETCH(QString, title);
    QFETCH(QStringList, named);
    const ProgramPaths paths = ProgramPaths::in(QStringLiteral("/opt/korva5-upload"));
    const StartProblem::Message message =
        StartProblem::message(paths, problem, language, QStringLiteral("Permission denied"));
    QCOMPARE(message.title, title);
    // The folder looked in, as a person types it: no separator after it.
    QVERIFY2(message.text.contains(QStringLiteral(" /opt/korva5-upload")), qPrintable(message.text));
    QVERIFY2(!message.text.contains(QStringLiteral("/opt/korva5-upload/")), qPrintable(message.text));
    for (const QString &part : named)
        QVERIFY2(message.text.contains(part), qPrintable(message.text));
    QVERIFY2(!message.text.contains(u'%'), qPrintable(message.text));
}

void TestStartProblem::folderNameIsShownAsItIs()
{
    // A folder whose name looks like a placeholder keeps it, and the reason is said once.
    const ProgramPaths paths = ProgramPaths::in(QStringLiteral("/home/station/100%2 korva5"));
    const StartProblem::Message message =
        StartProblem::message(paths, Problem::SettingsUnreadable, QStringLiteral("English"), QStringLiteral("Input/output error"));
    QVERIFY2(message.text.contains(QStringLiteral("/home/station/100%2 korva5 cannot be read: Input/output error.")),
             qPrintable(message.text));
    QCOMPARE(message.text.count(QStringLiteral("Input/output error")), 1);
    QVERIFY(StartProblem::message(paths, Problem::None, QStringLiteral("English"), {}).text.isEmpty());
}

QTEST_GUILESS_MAIN(TestStartProblem)
#include "tst_startproblem.moc"
