// SPDX-License-Identifier: MIT
// The words a failure is shown in, made from its kind: under "Error!", in the alarm and History,
// and on the settings dialog's test line; and the names the journal keeps kinds under.
#include "ChineseText.h"
#include "Files.h"
#include "core/language/BuiltInTexts.h"
#include "core/language/LanguageText.h"
#include "core/transfer/FailureReason.h"

#include <QSet>
#include <QTest>

using namespace korva5;

Q_DECLARE_METATYPE(FailureKind)

using namespace TestSupport;

namespace {

// The built-in texts of language.
std::function<QString(const QString &)> builtIn(const QString &language)
{
    return [language](const QString &key) { return BuiltInTexts::text(language, key).value_or(QString()); };
}

} // namespace

class TestFailureReason : public QObject
{
    Q_OBJECT

private slots:
    void shortReason_data();
    void shortReason();
    void connectionTestLine_data();
    void connectionTestLine();
    void everyKindHasAStableName();
    void inChinese_data();
    void inChinese();
    void everyKindIsSaidInEveryLanguage_data();
    void everyKindIsSaidInEveryLanguage();
};

void TestFailureReason::shortReason_data()
{
    QTest::addColumn<FailureKind>("kind");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("expected");

    QTest::newRow("the server's refusal follows the words")
        << FailureKind::LoginRefused << "530 Login incorrect." << "login refused: 530 Login incorrect.";
    QTest::newRow("nothing said, the words alone") << FailureKind::LoginRefused << "" << "login refused";
    QTest::newRow("missing file names it") << FailureKind::LocalMissing << "/srv/records/20261207.txt"
                                           << "no such file /srv/records/20261207.txt";
    QTest::newRow("connection refused") << FailureKind::ConnectionRefused << "" << "connection refused";
    QTest::newRow("timed out, connecting") << FailureKind::ConnectTimedOut << "30" << "timed out after 30 s";
    QTest::newRow("timed out, answering") << FailureKind::ServerSilent << "60" << "timed out after 60 s";
    QTest::newRow("stalled") << FailureKind::Stalled << "60" << "stalled: no data moved for 60 s";
    QTest::newRow("disk full with the reply") << FailureKind::ServerDiskFull << "552 Storage allocation exceeded."
                                              << "the server's disk is full: 552 Storage allocation exceeded.";
    QTest::newRow("no server") << FailureKind::NoServer << "" << "no server is set";
    QTest::newRow("libcurl too old") << FailureKind::CurlTooOld << "" << "libcurl is too old";
    // Brackets or percent signs in what the server said are its words, never a place to fill in.
    QTest::newRow("a reply with %1 in it") << FailureKind::RemoteWriteRefused << "550 No (%1) here"
                                           << "the server refused the file: 550 No (%1) here";
    QTest::newRow("other, with libcurl's words") << FailureKind::Other << "Weird server reply" << "failed: Weird server reply";
    QTest::newRow("no failure") << FailureKind::None << "" << "";
}

void TestFailureReason::shortReason()
{
    QFETCH(FailureKind, kind);
    QFETCH(QString, detail);
    QFETCH(QString, expected);
    QCOMPARE(::shortReason(kind, detail, BuiltInTexts::english), expected);
}

void TestFailureReason::connectionTestLine_data()
{
    QTest::addColumn<FailureKind>("kind");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");

    QTest::newRow("success") << FailureKind::None << "" << "/upload/" << "Connected, logged in, /upload/ accepts files";
    QTest::newRow("success, login folder") << FailureKind::None << "" << "" << "Connected, logged in, the login folder accepts files";
    QTest::newRow("login") << FailureKind::LoginRefused << "530 Login incorrect." << "/upload/"
                           << "Login refused: check the user name and password";
    QTest::newRow("folder") << FailureKind::RemoteFolderMissing << "550 No." << "/nowhere/"
                            << "The folder /nowhere/ does not exist on the server";
    QTest::newRow("untrusted") << FailureKind::CertificateUntrusted << "" << "/upload/" << "The server's certificate is not trusted";
    QTest::newRow("no line of its own: the short words")
        << FailureKind::SizeDiffers << "" << "/upload/" << "Failed: the server holds another size than was sent";
}

void TestFailureReason::connectionTestLine()
{
    QFETCH(FailureKind, kind);
    QFETCH(QString, detail);
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(::connectionTestLine(kind, detail, folder, BuiltInTexts::english), expected);
}

void TestFailureReason::everyKindHasAStableName()
{
    // The journal keeps names: each kind has one of its own that reads back as the same kind,
    // and each has short words of its own.
    QSet<QString> names;
    for (int k = int(FailureKind::Other); k <= int(FailureKind::TooManyWaiting); ++k) {
        const auto kind = FailureKind(k);
        const QString name = failureKindName(kind);
        QVERIFY2(!name.isEmpty(), qPrintable(QString::number(k)));
        QVERIFY2(!names.contains(name), qPrintable(name));
        names.insert(name);
        QCOMPARE(failureKindFromName(name), std::optional<FailureKind>(kind));
        if (kind != FailureKind::Other)
            QVERIFY2(::shortReason(kind, {}, BuiltInTexts::english) != ::shortReason(FailureKind::Other, {}, BuiltInTexts::english),
                     qPrintable(name));
    }
    QCOMPARE(failureKindFromName(QStringLiteral("login-refused")), std::optional(FailureKind::LoginRefused));
    QCOMPARE(failureKindFromName(QStringLiteral("no-such-kind")), std::nullopt);
    QVERIFY(failureKindName(FailureKind::None).isEmpty());
}

void TestFailureReason::inChinese_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<FailureKind>("kind");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<bool>("testLine"); // the settings dialog's line, to the login folder
    QTest::addColumn<QString>("expected");

    QTest::newRow("China, the reply after a full-width colon")
        << "China" << FailureKind::LoginRefused << "530 Login incorrect." << false << "登录被拒绝：530 Login incorrect.";
    QTest::newRow("Taiwan, the reply after a full-width colon")
        << "Taiwan" << FailureKind::LoginRefused << "530 Login incorrect." << false << "登入被拒絕：530 Login incorrect.";
    QTest::newRow("China, nothing said") << "China" << FailureKind::ConnectionRefused << "" << false << "连接被拒绝";
    QTest::newRow("China, the file inside the sentence")
        << "China" << FailureKind::LocalMissing << "/srv/records/20261207.txt" << false << "文件 /srv/records/20261207.txt 不存在";
    QTest::newRow("Taiwan, seconds") << "Taiwan" << FailureKind::ConnectTimedOut << "30" << false << "連線 30 秒後逾時";
    QTest::newRow("Taiwan, a reply with %1 in it") << "Taiwan" << FailureKind::RemoteWriteRefused << "550 No (%1) here" << false
                                                  << "伺服器拒絕接收檔案：550 No (%1) here";
    QTest::newRow("China, libcurl's words") << "China" << FailureKind::Other << "Weird server reply" << false << "失败：Weird server reply";
    // The login folder's words take the place of a path without the blanks that set a path apart.
    QTest::newRow("China, test to the login folder") << "China" << FailureKind::None << "" << true << "已连接并登录，登录后的默认文件夹可以接收文件";
    QTest::newRow("Taiwan, test refused the file") << "Taiwan" << FailureKind::RemoteWriteRefused << "553 No." << true
                                                   << "已登入，但登入後的預設資料夾不接收檔案";
    QTest::newRow("Taiwan, test without a line of its own")
        << "Taiwan" << FailureKind::SizeDiffers << "" << true << "失敗：伺服器上的檔案大小與上傳的不同";
}

void TestFailureReason::inChinese()
{
    QFETCH(QString, language);
    QFETCH(FailureKind, kind);
    QFETCH(QString, detail);
    QFETCH(bool, testLine);
    QFETCH(QString, expected);
    const auto text = builtIn(language);
    QCOMPARE(testLine ? ::connectionTestLine(kind, detail, QString(), text) : ::shortReason(kind, detail, text), expected);
}

void TestFailureReason::everyKindIsSaidInEveryLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "English";
    QTest::newRow("China") << "China";
    QTest::newRow("Taiwan") << "Taiwan";
}

// A station that kept the language file of the first version, which has none of these keys,
// sees every failure in its language all the same.
void TestFailureReason::everyKindIsSaidInEveryLanguage()
{
    QFETCH(QString, language);
    const QString file = sourceDir() + QStringLiteral("/tests/data/Language-26.txt");
    QVERIFY(QFile::exists(file));
    const auto text = [&](const QString &key) { return languageText(file, language, key); };
    const bool chinese = language != u"English";
    const QString reply = QStringLiteral("550 No.");
    for (int k = int(FailureKind::None); k <= int(FailureKind::TooManyWaiting); ++k) {
        const auto kind = FailureKind(k);
        const QString name = failureKindName(kind);
        const QStringList lines{::shortReason(kind, QString(), text), ::shortReason(kind, reply, text),
                                ::connectionTestLine(kind, reply, QStringLiteral("/upload/"), text),
                                ::connectionTestLine(kind, QString(), QString(), text)};
        for (const QString &line : lines) {
            if (kind == FailureKind::None && line == lines.first())
                continue; // no failure, no words
            QVERIFY2(!line.isEmpty() && !line.contains(u'%'), qPrintable(name + u' ' + line));
            if (chinese)
                QVERIFY2(notChinese(line, {reply, QStringLiteral("/upload/")}).isEmpty(), qPrintable(name + u' ' + line));
        }
        if (kind != FailureKind::None)
            QVERIFY2(lines.at(1).contains(reply), qPrintable(lines.at(1)));
        if (!chinese)
            QCOMPARE(lines.at(1), ::shortReason(kind, reply, BuiltInTexts::english));
    }
}

QTEST_GUILESS_MAIN(TestFailureReason)
#include "tst_failurereason.moc"
