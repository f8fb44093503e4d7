// SPDX-License-Identifier: MIT
// The history table in each language: its headers, what asked for each upload, how it ended,
// the size and the reason, from the journal's own names and kinds.
#include "ChineseText.h"
#include "Files.h"
#include "core/language/LanguageText.h"
#include "gui/dialog/HistoryWindow.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTest>

using namespace korva5;

using namespace TestSupport;

namespace {

UploadRecord row(qint64 id, Trigger trigger, int slot, Outcome outcome, qint64 bytes = -1, FailureKind kind = FailureKind::None,
                 const QString &detail = {})
{
    UploadRecord r;
    r.id = id;
    // The newest first: the rows below come out in the order they are made.
    r.askedAt = QDateTime(QDate(2021, 3, 5), QTime(9, 0)).addSecs(-60 * id);
    r.trigger = trigger;
    r.slot = slot;
    r.day = QDate(2021, 3, 5);
    r.remotePath = QStringLiteral("/upload/20210305.%1").arg(id);
    r.outcome = outcome;
    r.bytes = bytes;
    r.failureKind = kind;
    r.failureDetail = detail;
    if (kind != FailureKind::None)
        r.reason = QStringLiteral("the whole reason, as the journal keeps it");
    return r;
}

const QList<UploadRecord> Rows{
    row(1, Trigger::Manual, -1, Outcome::Succeeded, 18),
    row(2, Trigger::Slot, 0, Outcome::Failed, -1, FailureKind::LoginRefused, QStringLiteral("530 Login incorrect.")),
    row(3, Trigger::Retry, 9, Outcome::Running),
    row(4, Trigger::CatchUp, 2, Outcome::Asked),
    row(5, Trigger::Yesterday, -1, Outcome::Failed, -1, FailureKind::ConnectTimedOut, QStringLiteral("30")),
    row(6, Trigger::Manual, -1, Outcome::Succeeded, 2500000),
};

QStringList texts(std::initializer_list<const char *> list)
{
    QStringList result;
    for (const char *text : list)
        result << QString::fromUtf8(text);
    return result;
}

QStringList column(const QTableWidget *table, int at)
{
    QStringList cells;
    for (int r = 0; r < table->rowCount(); ++r)
        cells << table->item(r, at)->text();
    return cells;
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void inEveryLanguage_data();
    void inEveryLanguage();
};

void TestHistory::inEveryLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QStringList>("triggers");
    QTest::addColumn<QStringList>("sizes");
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<QStringList>("reasons");

    // English as it always was: the journal's own words.
    QTest::newRow("English") << "English" << texts({"Time", "File", "Trigger", "Bytes", "Result", "Reason"})
                             << texts({"manual", "slot FtpTime1", "retry FtpTime10", "catch-up FtpTime3", "yesterday", "manual"})
                             << texts({"18 bytes", "", "", "", "", "2.5 MB"})
                             << texts({"succeeded", "failed", "running", "asked", "failed", "succeeded"})
                             << texts({"", "login refused: 530 Login incorrect.", "", "", "timed out after 30 s", ""});
    QTest::newRow("China") << "China" << texts({"时间", "文件", "上传方式", "大小", "结果", "原因"})
                           << texts({"手动", "定时（上传时间1）", "重试（上传时间10）", "补传（上传时间3）", "昨日", "手动"})
                           << texts({"18 字节", "", "", "", "", "2.5 MB"})
                           << texts({"成功", "失败", "进行中", "已请求", "失败", "成功"})
                           << texts({"", "登录被拒绝：530 Login incorrect.", "", "", "连接 30 秒后超时", ""});
    QTest::newRow("Taiwan") << "Taiwan" << texts({"時間", "檔案", "上傳方式", "大小", "結果", "原因"})
                            << texts({"手動", "定時（上傳時間1）", "重試（上傳時間10）", "補傳（上傳時間3）", "昨日", "手動"})
                            << texts({"18 位元組", "", "", "", "", "2.5 MB"})
                            << texts({"成功", "失敗", "進行中", "已要求", "失敗", "成功"})
                            << texts({"", "登入被拒絕：530 Login incorrect.", "", "", "連線 30 秒後逾時", ""});
}

// With the language file of the first version, which has none of the table's keys.
void TestHistory::inEveryLanguage()
{
    QFETCH(QString, language);
    QFETCH(QStringList, headers);
    QFETCH(QStringList, triggers);
    QFETCH(QStringList, sizes);
    QFETCH(QStringList, results);
    QFETCH(QStringList, reasons);
    const QString file = sourceDir() + QStringLiteral("/tests/data/Language-26.txt");
    QVERIFY(QFile::exists(file));
    HistoryWindow history(Rows, [&](const QString &key) { return languageText(file, language, key); });
    auto *table = history.findChild<QTableWidget *>(QStringLiteral("tblHistory"));
    QVERIFY(table);
    QCOMPARE(table->rowCount(), int(Rows.size()));

    QStringList shownHeaders;
    for (int c = 0; c < table->columnCount(); ++c)
        shownHeaders << table->horizontalHeaderItem(c)->text();
    QCOMPARE(shownHeaders, headers);
    QCOMPARE(column(table, 2), triggers);
    QCOMPARE(column(table, 3), sizes);
    QCOMPARE(column(table, 4), results);
    QCOMPARE(column(table, 5), reasons);
    // The whole reason stays at hand, in the words the journal keeps.
    QCOMPARE(table->item(1, 5)->toolTip(), QStringLiteral("the whole reason, as the journal keeps it"));
    QVERIFY(!history.windowTitle().isEmpty());
    if (language != u"English") {
        for (const QString &text : headers + triggers + results + reasons + QStringList{history.windowTitle()})
            QVERIFY2(notChinese(text, {QStringLiteral("530 Login incorrect.")}).isEmpty(), qPrintable(text));
    }
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
