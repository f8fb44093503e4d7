// SPDX-License-Identifier: MIT
// What --status and --history make of the settings and the journal's rows.
#include "core/delivery/StatusReport.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(UploadRecord)

// The upload times set: slot (0 for FtpTime1) -> "HH:MM".
using Times = QMap<int, QString>;

namespace {

const QDate Today(2026, 12, 7);
const QDate Yesterday = Today.addDays(-1);
const QDateTime Now(Today, QTime(10, 0));

QDateTime at(QDate day, const char *time)
{
    return QDateTime(day, QTime::fromString(QString::fromLatin1(time), QStringLiteral("HH:mm:ss")));
}

QString remoteOf(QDate day)
{
    return QStringLiteral("/upload/") + day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".12");
}

// An upload of day's file asked at asked; ended is null for one that never ended.
UploadRecord upload(Trigger trigger, int slot, QDate day, const QDateTime &asked, Outcome outcome,
                    const QDateTime &ended = {}, const QString &reason = {})
{
    static qint64 nextId = 1;
    UploadRecord r;
    r.id = nextId++;
    r.askedAt = asked;
    r.trigger = trigger;
    r.slot = slot;
    r.day = day;
    r.localPath = QStringLiteral("/srv/records/") + day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".txt");
    r.remotePath = remoteOf(day);
    r.server = QStringLiteral("ftp.example.net");
    r.outcome = outcome;
    if (outcome != Outcome::Asked)
        r.startedAt = asked.addSecs(1);
    r.endedAt = ended;
    if (outcome == Outcome::Succeeded)
        r.bytes = 100;
    r.reason = reason;
    return r;
}

UploadRecord sent(Trigger trigger, int slot, QDate day, const QDateTime &asked)
{
    return upload(trigger, slot, day, asked, Outcome::Succeeded, asked.addSecs(5));
}

UploadRecord failed(Trigger trigger, int slot, QDate day, const QDateTime &asked, const QDateTime &ended,
                    const QString &reason = QStringLiteral("Connection refused"))
{
    return upload(trigger, slot, day, asked, Outcome::Failed, ended, reason);
}

Settings settingsWith(const Times &times)
{
    Settings settings;
    settings.FtpNo = QStringLiteral("12");
    settings.FtpPath = QStringLiteral("/upload/");
    settings.LocalPath = QStringLiteral("/srv/records/");
    for (auto it = times.cbegin(); it != times.cend(); ++it)
        settings.time(it.key()) = it.value();
    return settings;
}

// The report's line of a time on "today" or "yesterday"; empty when there is none.
QString lineOf(const QStringList &lines, const QString &day, const QString &slot)
{
    for (const QString &line : lines) {
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        if (words.size() > 2 && words[0] == day && words[1] == slot)
            return line;
    }
    return {};
}

} // namespace

class TestStatusReport : public QObject
{
    Q_OBJECT

private slots:
    void status_data();
    void status();
    void withoutJournalNothingCatchesUp();
    void summaryLineComesFirst_data();
    void summaryLineComesFirst();
    void historyNewestFirstWithReasons();
};

void TestStatusReport::status_data()
{
    using Rows = QList<UploadRecord>;
    QTest::addColumn<Times>("times");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("day");  // the line looked at: "today" or "yesterday" ...
    QTest::addColumn<QString>("slot"); // ... and the time's name
    QTest::addColumn<QStringList>("expected"); // texts that line holds; none: no such line

    const Times at8{{0, QStringLiteral("08:00")}};
    const UploadRecord sentYesterday8 = sent(Trigger::Slot, 0, Yesterday, at(Yesterday, "08:00:00"));
    const UploadRecord sentToday8 = sent(Trigger::Slot, 0, Today, at(Today, "08:00:00"));

    QTest::newRow("both days sent")
        << at8 << Rows{sentYesterday8, sentToday8} << int(StatusReport::NothingOwed) << "today" << "FtpTime1"
        << QStringList{remoteOf(Today), QStringLiteral("sent 08:00:01, 100 bytes")};
    QTest::newRow("a later time not yet due")
        << Times{{0, QStringLiteral("08:00")}, {1, QStringLiteral("12:00")}}
        << Rows{sentYesterday8, sent(Trigger::Slot, 1, Yesterday, at(Yesterday, "12:00:00")), sentToday8}
        << int(StatusReport::NothingOwed) << "today" << "FtpTime2" << QStringList{QStringLiteral("not yet due")};
    QTest::newRow("retry pending with its next try")
        << at8
        << Rows{sentYesterday8, failed(Trigger::Slot, 0, Today, at(Today, "08:00:00"), at(Today, "08:00:30")),
                failed(Trigger::Retry, 0, Today, at(Today, "09:58:00"), at(Today, "09:59:00"), QStringLiteral("timed out"))}
        << int(StatusReport::Owed) << "today" << "FtpTime1"
        << QStringList{QStringLiteral("failed: timed out; next try 10:01")};
    QTest::newRow("retry overdue: the program is not running")
        << at8 << Rows{sentYesterday8, failed(Trigger::Slot, 0, Today, at(Today, "08:00:00"), at(Today, "08:00:30"))}
        << int(StatusReport::Owed) << "today" << "FtpTime1"
        << QStringList{QStringLiteral("next try 08:01"), QStringLiteral("overdue")};
    QTest::newRow("given up 24 hours after its time")
        << at8
        << Rows{failed(Trigger::Slot, 0, Yesterday, at(Yesterday, "08:00:00"), at(Yesterday, "08:00:30")),
                failed(Trigger::Retry, 0, Yesterday, at(Yesterday, "20:00:00"), at(Yesterday, "20:00:40"),
                       QStringLiteral("530 Login incorrect.")),
                sentToday8}
        << int(StatusReport::FailedForGood) << "yesterday" << "FtpTime1"
        << QStringList{QStringLiteral("failed for good: 530 Login incorrect.")};
    QTest::newRow("still retried within its 24 hours")
        << Times{{0, QStringLiteral("10:30")}}
        << Rows{failed(Trigger::Slot, 0, Yesterday, at(Yesterday, "10:30:00"), at(Yesterday, "10:30:30")),
                failed(Trigger::Retry, 0, Yesterday, at(Today, "09:50:00"), at(Today, "09:50:10"))}
        << int(StatusReport::Owed) << "yesterday" << "FtpTime1" << QStringList{QStringLiteral("next try 09:52")};
    QTest::newRow("FtpTime9 sends yesterday's file")
        << Times{{8, QStringLiteral("06:00")}}
        << Rows{sent(Trigger::Slot, 8, Yesterday.addDays(-1), at(Yesterday, "06:00:00")),
                sent(Trigger::Slot, 8, Yesterday, at(Today, "06:00:00"))}
        << int(StatusReport::NothingOwed) << "today" << "FtpTime9"
        << QStringList{remoteOf(Yesterday), QStringLiteral("sent 06:00:01")};
    QTest::newRow("FtpTime10 failed on yesterday's file")
        << Times{{9, QStringLiteral("06:00")}}
        << Rows{sent(Trigger::Slot, 9, Yesterday.addDays(-1), at(Yesterday, "06:00:00")),
                failed(Trigger::Slot, 9, Yesterday, at(Today, "06:00:00"), at(Today, "06:00:20"))}
        << int(StatusReport::Owed) << "today" << "FtpTime10"
        << QStringList{remoteOf(Yesterday), QStringLiteral("failed: Connection refused; next try 06:01")};
    QTest::newRow("a manual upload settles a failed time")
        << at8
        << Rows{sentYesterday8, failed(Trigger::Slot, 0, Today, at(Today, "08:00:00"), at(Today, "08:00:30")),
                sent(Trigger::Manual, -1, Today, at(Today, "08:10:00"))}
        << int(StatusReport::NothingOwed) << "today" << "FtpTime1" << QStringList{QStringLiteral("sent 08:10:01")};
    QTest::newRow("a failed manual upload after the time is not retried")
        << at8
        << Rows{sentYesterday8, sentToday8,
                failed(Trigger::Manual, -1, Today, at(Today, "09:00:00"), at(Today, "09:00:30"))}
        << int(StatusReport::FailedForGood) << "today" << "FtpTime1"
        << QStringList{QStringLiteral("failed: Connection refused; not retried (a manual upload)")};
    QTest::newRow("not sent: the catch-up sends it")
        << at8 << Rows{sentYesterday8} << int(StatusReport::Owed) << "today" << "FtpTime1"
        << QStringList{QStringLiteral("not sent; the program sends it at its next start")};
    QTest::newRow("not sent and too late for a catch-up")
        << at8 << Rows{sent(Trigger::Slot, 0, Yesterday.addDays(-1), at(Yesterday.addDays(-1), "08:00:00")), sentToday8}
        << int(StatusReport::FailedForGood) << "yesterday" << "FtpTime1"
        << QStringList{QStringLiteral("not sent; more than 24 hours late")};
    // A first start owes nothing of what came before it.
    QTest::newRow("not sent before the first upload recorded")
        << at8 << Rows{sentToday8} << int(StatusReport::NothingOwed) << "yesterday" << "FtpTime1"
        << QStringList{QStringLiteral("not sent; before the first upload recorded here")};
    QTest::newRow("an upload before a time does not count for it")
        << Times{{0, QStringLiteral("08:00")}, {1, QStringLiteral("09:00")}}
        << Rows{sentYesterday8, sent(Trigger::Slot, 1, Yesterday, at(Yesterday, "09:00:00")), sentToday8}
        << int(StatusReport::Owed) << "today" << "FtpTime2" << QStringList{QStringLiteral("not sent")};
    // The clock set back 30 minutes between the failure and the retry: the journal's sequence
    // says the retry came later, whatever the clock said.
    QTest::newRow("a retry after the clock was set back settles the time")
        << at8
        << Rows{sentYesterday8, failed(Trigger::Slot, 0, Today, at(Today, "08:00:00"), at(Today, "08:00:30")),
                sent(Trigger::Retry, 0, Today, at(Today, "07:31:00"))}
        << int(StatusReport::NothingOwed) << "today" << "FtpTime1" << QStringList{QStringLiteral("sent 07:31:01")};
    QTest::newRow("an upload under way is owed, not failed")
        << at8 << Rows{sentYesterday8, upload(Trigger::Slot, 0, Today, at(Today, "08:00:00"), Outcome::Running)}
        << int(StatusReport::Owed) << "today" << "FtpTime1" << QStringList{QStringLiteral("not ended: asked 08:00:00")};
    QTest::newRow("an upload cut off a day ago is given up")
        << at8 << Rows{upload(Trigger::Slot, 0, Yesterday, at(Yesterday, "08:00:00"), Outcome::Running), sentToday8}
        << int(StatusReport::FailedForGood) << "yesterday" << "FtpTime1"
        << QStringList{QStringLiteral("failed for good: cut off: the program ended before the upload did")};
    QTest::newRow("another station's file does not count")
        << at8 << Rows{sentYesterday8, [] {
               UploadRecord other = sent(Trigger::Slot, 0, Today, at(Today, "08:00:00"));
               other.remotePath = QStringLiteral("/upload/20261207.13");
               return other;
           }()}
        << int(StatusReport::Owed) << "today" << "FtpTime1" << QStringList{QStringLiteral("not sent")};
    QTest::newRow("a time that is not HH:MM is not listed")
        << Times{{0, QStringLiteral("8:00")}} << Rows{} << int(StatusReport::NothingOwed) << "today"
        << "FtpTime1" << QStringList{};
}

void TestStatusReport::status()
{
    QFETCH(Times, times);
    QFETCH(QList<UploadRecord>, rows);
    QFETCH(int, status);
    QFETCH(QString, day);
    QFETCH(QString, slot);
    QFETCH(QStringList, expected);

    const StatusReport::Report report = StatusReport::status(settingsWith(times), rows, Now);
    const QString line = lineOf(report.lines, day, slot);
    QVERIFY2(report.status == status, qPrintable(report.lines.join(u'\n')));
    if (expected.isEmpty())
        QVERIFY2(line.isEmpty(), qPrintable(line));
    else
        QVERIFY2(!line.isEmpty(), qPrintable(report.lines.join(u'\n')));
    for (const QString &text : std::as_const(expected))
        QVERIFY2(line.contains(text), qPrintable(line));
}

void TestStatusReport::withoutJournalNothingCatchesUp()
{
    // 11:00 yesterday is within the 24 hours of a catch-up, but without a journal the program
    // has no last run to catch up from.
    const Settings settings = settingsWith({{0, QStringLiteral("11:00")}});
    const StatusReport::Report report = StatusReport::status(settings, std::nullopt, Now);
    QVERIFY(report.lines.join(u'\n').contains(QStringLiteral("no journal yet")));
    QVERIFY(lineOf(report.lines, QStringLiteral("today"), QStringLiteral("FtpTime1")).contains(QStringLiteral("not yet due")));
    QVERIFY(lineOf(report.lines, QStringLiteral("yesterday"), QStringLiteral("FtpTime1"))
                .contains(QStringLiteral("not sent; no journal yet")));
    QCOMPARE(report.status, int(StatusReport::NothingOwed));
    // The same with an empty journal: the catch-up will send it.
    QCOMPARE(StatusReport::status(settings, QList<UploadRecord>{}, Now).status, int(StatusReport::Owed));
}

void TestStatusReport::summaryLineComesFirst_data()
{
    QTest::addColumn<QList<UploadRecord>>("rows");
    QTest::addColumn<QString>("summary");
    const UploadRecord yesterday = sent(Trigger::Slot, 0, Yesterday, at(Yesterday, "08:00:00"));
    QTest::newRow("ok") << QList<UploadRecord>{yesterday, sent(Trigger::Slot, 0, Today, at(Today, "08:00:00"))}
                        << QStringLiteral("OK: ");
    QTest::newRow("warning") << QList<UploadRecord>{yesterday} << QStringLiteral("WARNING: 1 owed");
    QTest::newRow("critical") << QList<UploadRecord>{failed(Trigger::Slot, 0, Yesterday.addDays(-1), at(Yesterday.addDays(-1), "08:00:00"), at(Yesterday.addDays(-1), "08:00:30"))}
                              << QStringLiteral("CRITICAL: 1 failed for good, 1 owed");
}

void TestStatusReport::summaryLineComesFirst()
{
    QFETCH(QList<UploadRecord>, rows);
    QFETCH(QString, summary);
    const StatusReport::Report report = StatusReport::status(settingsWith({{0, QStringLiteral("08:00")}}), rows, Now);
    QVERIFY(!report.lines.isEmpty());
    QVERIFY2(report.lines.first().startsWith(summary), qPrintable(report.lines.first()));
}

void TestStatusReport::historyNewestFirstWithReasons()
{
    const QList<UploadRecord> rows{
        sent(Trigger::Slot, 0, Yesterday, at(Yesterday, "08:00:00")),
        failed(Trigger::Retry, 0, Today, at(Today, "08:01:30"), at(Today, "08:01:40"),
               QStringLiteral("550 denied\r\nforged line")),
        upload(Trigger::Manual, -1, Today, at(Today, "09:00:00"), Outcome::Running),
    };
    const QStringList lines = StatusReport::history(rows);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0].startsWith(QStringLiteral("2026-12-07 09:00:00  manual")), qPrintable(lines[0]));
    QVERIFY2(lines[0].contains(QStringLiteral("not ended")), qPrintable(lines[0]));
    QVERIFY2(lines[1].startsWith(QStringLiteral("2026-12-07 08:01:30  retry FtpTime1")), qPrintable(lines[1]));
    // A reason from a server is shown escaped: it cannot make a line of its own.
    QVERIFY2(lines[1].contains(QStringLiteral("failed 08:01:40: 550 denied\\r\\nforged line")), qPrintable(lines[1]));
    QVERIFY2(lines[2].startsWith(QStringLiteral("2026-12-06 08:00:00  slot FtpTime1")), qPrintable(lines[2]));
    QVERIFY2(lines[2].contains(QStringLiteral("/srv/records/20261206.txt -> /upload/20261206.12")), qPrintable(lines[2]));
    QVERIFY2(lines[2].contains(QStringLiteral("succeeded 08:00:05, 100 bytes")), qPrintable(lines[2]));
}

QTEST_GUILESS_MAIN(TestStatusReport)
#include "tst_statusreport.moc"
