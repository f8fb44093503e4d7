// SPDX-License-Identifier: MIT
#include "core/app/ProgramPaths.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsStore.h"
#include "core/settings/ProfileFile.h"
#include "CoreTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace korva5;

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void trim_data();
    void trim();
    void trailingSeparator_data();
    void trailingSeparator();
    void missingFileSectionOrKeyReadsEmpty_data();
    void missingFileSectionOrKeyReadsEmpty();
    void writeCreatesFileSectionAndKey();
    void settingsLoad_data();
    void settingsLoad();
    void settingsTableNamesEachFieldOnce();
    void storeSavesAllOrNothingAndSeesHandEdits();
};

void TestSettings::trim_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blanks around") << "  12 " << "12";
    QTest::newRow("inner blanks stay") << " a b " << "a b";
    QTest::newRow("tabs around") << "\t a \t" << "a";
    QTest::newRow("inner tab stays") << "a\tb" << "a\tb";
    QTest::newRow("line end stays, for the checks to refuse") << " a\n" << "a\n";
    QTest::newRow("blanks only") << "   " << "";
    QTest::newRow("empty") << "" << "";
}

void TestSettings::trim()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ProfileFile::trimmedBlanks(text), expected);
}

void TestSettings::trailingSeparator_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("expected");

    const QChar back(u'\\');
    const QChar slash(u'/');
    QTest::newRow("\\ folder") << "C:\\Prog" << back << "C:\\Prog\\";
    QTest::newRow("\\ drive root") << "C:\\" << back << "C:\\";
    QTest::newRow("\\ empty") << "" << back << "\\";
    QTest::newRow("\\ blanks only") << "   " << back << "\\";
    QTest::newRow("\\ blanks around, no separator") << "  C:\\Prog  " << back << "C:\\Prog\\";
    QTest::newRow("\\ blanks around, separator") << "  C:\\Prog\\  " << back << "  C:\\Prog\\  ";
    QTest::newRow("\\ two separators kept") << "C:\\Prog\\\\" << back << "C:\\Prog\\\\";
    QTest::newRow("/ folder") << "/opt/korva5" << slash << "/opt/korva5/";
    QTest::newRow("/ root") << "/" << slash << "/";
    QTest::newRow("/ empty") << "" << slash << "/";
    QTest::newRow("/ blanks around, separator") << " /opt/ " << slash << " /opt/ ";
    QTest::newRow("/ other separator is not ours") << "/opt\\" << slash << "/opt\\/";
}

void TestSettings::trailingSeparator()
{
    QFETCH(QString, path);
    QFETCH(QChar, separator);
    QFETCH(QString, expected);
    QCOMPARE(withTrailingSeparator(path, separator), expected);
}

void TestSettings::missingFileSectionOrKeyReadsEmpty_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::newRow("file") << "absent.ini" << "TALLY" << "FtpNo";
    QTest::newRow("section") << "TALLYPORT.ini" << "OTHER" << "FtpNo";
    QTest::newRow("key") << "TALLYPORT.ini" << "TALLY" << "FtpPath";
    QTest::newRow("empty section") << "TALLYPORT.ini" << "" << "FtpNo";
    QTest::newRow("empty file name") << "" << "TALLY" << "FtpNo";
}

void TestSettings::missingFileSectionOrKeyReadsEmpty()
{
    QFETCH(QString, fileName);
    QFETCH(QString, section);
    QFETCH(QString, key);
    TestSupport::ProgramDir dir({{QStringLiteral("FtpNo"), QStringLiteral("12")}});
    const QString file = fileName.isEmpty() ? QString() : dir.file(fileName);
    QCOMPARE(TestSupport::storedValue(file, section, key), QString());
}

void TestSettings::writeCreatesFileSectionAndKey()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    QVERIFY(ProfileFile::writeValues(path, Settings::Section, {{Settings::LanguageKey, QStringLiteral("China")}}) != 0);
    QCOMPARE(TestSupport::readFile(path), QByteArray("[TALLY]\nLanguage=China\n"));
    QVERIFY(ProfileFile::writeValues(path, Settings::Section, {{QStringLiteral("FtpNo"), QStringLiteral("12")}}) != 0);
    QVERIFY(ProfileFile::writeValues(path, Settings::Section, {{Settings::LanguageKey, QStringLiteral("Taiwan")}}) != 0);
    QCOMPARE(TestSupport::readFile(path), QByteArray("[TALLY]\nLanguage=Taiwan\nFtpNo=12\n"));
}

void TestSettings::settingsLoad_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray partial("[TALLY]\nFtpNo=12\nFtpTime3=08:30\n");
    QTest::newRow("partial: present") << partial << "FtpTime3" << "08:30";
    QTest::newRow("partial: absent") << partial << "FtpServer" << "";
    QTest::newRow("partial: absent time") << partial << "FtpTime10" << "";
    QTest::newRow("blank-padded") << QByteArray("[TALLY]\nFtpNo=  12  \n") << "FtpNo" << "12";
    QTest::newRow("password with inner blank") << QByteArray("[TALLY]\nFtpPassword= a b \n") << "FtpPassword" << "a b";
    QTest::newRow("short time kept as written") << QByteArray("[TALLY]\nFtpTime1=8:30\n") << "FtpTime1" << "8:30";
    QTest::newRow("trailing tab on a time") << QByteArray("[TALLY]\nFtpTime1=08:31\t\n") << "FtpTime1" << "08:31";
    QTest::newRow("tabs and blanks around a password") << QByteArray("[TALLY]\nFtpPassword=\t s\te \t\n") << "FtpPassword" << "s\te";
    QTest::newRow("trailing tab on a folder, CRLF") << QByteArray("[TALLY]\r\nLocalPath=/data/\t\r\n") << "LocalPath" << "/data/";
    QTest::newRow("lone CR kept inside a value") << QByteArray("[TALLY]\nFtpUserName=a\rb\n") << "FtpUserName" << "a\rb";
}

void TestSettings::settingsLoad()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    TestSupport::writeFile(path, content);
    QCOMPARE(SettingsStore(path).load()[key], expected);
}

void TestSettings::settingsTableNamesEachFieldOnce()
{
    QSet<QString> keys, boxes, labels;
    Settings s;
    for (size_t i = 0; i < SettingsTable.size(); ++i) {
        const SettingField &row = SettingsTable[i];
        keys << QLatin1StringView(row.key);
        boxes << QLatin1StringView(row.dialogBox);
        if (row.windowLabel)
            labels << QLatin1StringView(row.windowLabel);
        s.*row.field = QString::number(i);
    }
    QCOMPARE(keys.size(), 17);
    QCOMPARE(boxes.size(), 17);
    QCOMPARE(labels.size(), 14); // the login and the status folder are not shown in the window
    // Every row's field is a field of its own, and the key reads it back by name.
    for (size_t i = 0; i < SettingsTable.size(); ++i)
        QCOMPARE(s[QLatin1StringView(SettingsTable[i].key)], QString::number(i));
    QCOMPARE(s.FtpNo, s[QStringLiteral("FtpNo")]);
    QCOMPARE(s.time(0), s.FtpTime1);
    QCOMPARE(s.time(8), s.FtpTime9);
    QCOMPARE(s.times()[9], s.FtpTime10);
    QCOMPARE(Settings::keyOf(&Settings::FtpPassword), QStringLiteral("FtpPassword"));
    QCOMPARE(Settings::timeKey(9), QStringLiteral("FtpTime10"));
    QCOMPARE(Settings::keyOf(&Settings::FtpStatusPath), QStringLiteral("FtpStatusPath"));
    // The dialog stores the local folder sixth, right after the login.
    QCOMPARE(QLatin1StringView(SettingsTable[5].key), QStringLiteral("LocalPath"));
}

void TestSettings::storeSavesAllOrNothingAndSeesHandEdits()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    TestSupport::writeFile(path, "; kept\n[TALLY]\nLanguage=China\nFtpNo=1\n");
    SettingsStore store(path);
    Settings s = store.load();
    QVERIFY(!store.changedSinceLoad());
    s.FtpNo = QStringLiteral(" 12\t");
    s.FtpTime9 = QStringLiteral("00:30");
    QVERIFY(store.save(s));
    const QByteArray saved = TestSupport::readFile(path);
    QVERIFY2(saved.startsWith("; kept\n[TALLY]\nLanguage=China\nFtpNo=12\n"), saved.constData());
    QVERIFY(saved.contains("FtpTime9=00:30\n"));
    QVERIFY(store.changedSinceLoad()); // what was saved is not what was loaded
    QCOMPARE(store.load().FtpTime9, QStringLiteral("00:30"));
    QVERIFY(!store.changedSinceLoad());
    QCOMPARE(store.language(), QStringLiteral("China"));

    // A value that would break the file's lines stores nothing at all.
    s.FtpPassword = QStringLiteral("a\nFtpNo=99");
    s.FtpNo = QStringLiteral("13");
    QString error;
    QVERIFY(!store.save(s, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(store.load().FtpNo, QStringLiteral("12"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
