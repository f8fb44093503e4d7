// SPDX-License-Identifier: MIT
// What --status and --history make of the settings and the journal's rows.
#include "core/delivery/StatusReport.h"

#include "Nagios.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include <optional>

using namespace korva5;

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
    settings.FtpServer = QStringLiteral("ftp.example.net");
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

using State = StatusReport::TimeState;

} // namespace

class TestStatusReport : public QObject
{
    Q_OBJECT

private slots:
    void status_data();
    void status();
    void summaryCountsTheLines_data();
    void summaryCountsTheLines();
    void jsonHoldsTheSameFacts();
    void historyNewestFirstWithReasons();
    void stillOwedFailures();
    void nothingAMonitorCouldMisread();
    void firstLineCutsALongStationNumber_data();
    void firstLineCutsALongStationNumber();
    void nagiosStoresWhatWasMeant();
};

void TestStatusReport::status_data()
{
    using Rows = QList<UploadRecord>;
    QTest::addColumn<Times>("times");
    QTest::addColumn<bool>("journal");      // false: there is none (the program never ran here)
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QDateTime>("examined"); // the last minute the program examined; null: none kept
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("day");  // the line looked at: "today" or "yesterday" ...
    QTest::addColumn<QString>("slot"); // ... and the time's name
    QTest::addColumn<int>("state");    // that line's; -1: there is no such line
    QTest::addColumn<QString>("words"); // a text that line holds

    const Times at8{{0, QStringLiteral("08:00")}};
    const UploadRecord sentYesterday8 = sent(Trigger::Slot, 0, Yesterday, at(Yesterday, "08:00:00"));
    const UploadRecord sentToday8 = sent(Trigger::Slot, 0, Today, at(Today, "08:00:00"));
    const QDateTime ranYesterday = at(Yesterday, "08:00:00");
    const QDateTime ranToday = at(Today, "08:00:00");
    const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };

    row("both days sent") << at8 << true << Rows{sentYesterday8, sentToday8} << ranToday << 0 << "today" << "FtpTime1"
                          << int(State::Sent) << "/upload/20261207.12  sent 08:00:05, 100 bytes";
    row("a later time not yet due") << Times{{0, QStringLiteral("08:00")}, {1, QStringLiteral("12:00")}} << true
                                    << Rows{sentYesterday8, sent(Trigger::Slot, 1, Yesterday, at(Yesterday, "12:00:00")), sentToday8}
                                    << ranToday << 0 << "today" << "FtpTime2" << int(State::NotYetDue) << "not yet due";
    row("due this minute") << Times{{0, QStringLiteral("09:59")}} << true << Rows{sent(Trigger::Slot, 0, Yesterday, at(Yesterday, "09:59:00"))}
                           << at(Yesterday, "09:59:00") << 0 << "today" << "FtpTime1" << int(State::DueNow) << "due now";
    row("retry pending with its next try")
        << at8 << true
        << Rows{sentYesterday8, failed(Trigger::Slot, 0, Today, ranToday, at(Today, "08:00:30")),
                failed(Trigger::Retry, 0, Today, at(Today, "09:58:00"), at(Today, "09:59:00"), QStringLiteral("timed out"))}
        << ranToday << 1 << "today" << "FtpTime1" << int(State::Owed) << "failed: timed out; next try 10:01";
    row("retry overdue: is the program running?")
        << at8 << true << Rows{sentYesterday8, failed(Trigger::Slot, 0, Today, ranToday, at(Today, "08:00:30"))} << ranToday << 1
        << "today" << "FtpTime1" << int(State::Owed) << "next try 08:01 (overdue: is the program running?)";
    row("given up 24 hours after its time")
        << at8 << true
        << Rows{failed(Trigger::Slot, 0, Yesterday, ranYesterday, at(Yesterday, "08:00:30")),
                failed(Trigger::Retry, 0, Yesterday, at(Yesterday, "20:00:00"), at(Yesterday, "20:00:40"),
                       QStringLiteral("530 Login incorrect.")),
                sentToday8}
        << ranToday << 2 << "yesterday" << "FtpTime1" << int(State::GivenUp) << "failed for good: 530 Login incorrect.";
    row("still retried within its 24 hours")
        << Times{{0, QStringLiteral("10:30")}} << true
        << Rows{failed(Trigger::Slot, 0, Yesterday, at(Yesterday, "10:30:00"), at(Yesterday, "10:30:30")),
                failed(Trigger::Retry, 0, Yesterday, at(Today, "09:50:00"), at(Today, "09:50:10"))}
        << at(Yesterday, "10:30:00") << 1 << "yesterday" << "FtpTime1" << int(State::Owed) << "next try 09:52";
    row("FtpTime9 sends yesterday's file")
        << Times{{8, QStringLiteral("06:00")}} << true
        << Rows{sent(Trigger::Slot, 8, Yesterday.addDays(-1), at(Yesterday, "06:00:00")), sent(Trigger::Slot, 8, Yesterday, at(Today, "06:00:00"))}
        << at(Today, "06:00:00") << 0 << "today" << "FtpTime9" << int(State::Sent) << "/upload/20261206.12  sent 06:00:05";
    row("a manual upload settles a failed time")
        << at8 << true
        << Rows{sentYesterday8, failed(Trigger::Slot, 0, Today, ranToday, at(Today, "08:00:30")), sent(Trigger::Manual, -1, Today, at(Today, "08:10:00"))}
        << ranToday << 0 << "today" << "FtpTime1" << int(State::Sent) << "sent 08:10:05";
    row("a catch-up settles the time it caught up")
        << at8 << true << Rows{sentYesterday8, sent(Trigger::CatchUp, 0, Today, at(Today, "09:00:00"))} << ranYesterday << 0
        << "today" << "FtpTime1" << int(State::Sent) << "sent 09:00:05";
    row("delivered, then a manual upload of it failed: still on the server")
        << at8 << true << Rows{sentYesterday8, sentToday8, failed(Trigger::Manual, -1, Today, at(Today, "09:00:00"), at(Today, "09:00:30"))}
        << ranToday << 0 << "today" << "FtpTime1" << int(State::Sent) << "sent 08:00:05";
    row("only a manual upload tried it, and failed")
        << at8 << true << Rows{sentYesterday8, failed(Trigger::Manual, -1, Today, at(Today, "09:00:00"), at(Today, "09:00:30"))}
        << ranYesterday << 2 << "today" << "FtpTime1" << int(State::Failed) << "not retried (a manual upload)";
    row("never run: no journal") << at8 << false << Rows{} << QDateTime() << 2 << "today" << "FtpTime1" << int(State::NotRecorded)
                                 << "not sent: no upload recorded since 08:00: is the program running?";
    row("never run: more than a day ago") << at8 << false << Rows{} << QDateTime() << 2 << "yesterday" << "FtpTime1"
                                          << int(State::Missed) << "more than 24 hours ago";
    row("not recorded: its catch-up sends it") << at8 << true << Rows{sentYesterday8} << ranYesterday << 1 << "today" << "FtpTime1"
                                               << int(State::NotRecorded) << "(its catch-up sends it when it starts)";
    row("not recorded and too late for a catch-up")
        << at8 << true << Rows{sent(Trigger::Slot, 0, Yesterday.addDays(-1), at(Yesterday.addDays(-1), "08:00:00")), sentToday8}
        << ranToday.addDays(-2) << 2 << "yesterday" << "FtpTime1" << int(State::Missed) << "nothing sends it now";
    // Installed at 09:30: the program examined 08:00 of neither day with the time set.
    // The program ran on a clock two days ahead: the minutes it "examined" have not come yet.
    row("last examined under a clock that was ahead") << at8 << true << Rows{} << at(Today.addDays(2), "07:00:00") << 2 << "today"
                                                      << "FtpTime1" << int(State::NotRecorded) << "is the program running?";
    row("configured after its time") << at8 << true << Rows{} << at(Today, "09:30:00") << 0 << "today" << "FtpTime1"
                                     << int(State::NotOwed) << "not owed (configured after its time)";
    row("an upload before a time does not count for it")
        << Times{{0, QStringLiteral("08:00")}, {1, QStringLiteral("09:00")}} << true
        << Rows{sentYesterday8, sent(Trigger::Slot, 1, Yesterday, at(Yesterday, "09:00:00")), sentToday8} << ranToday << 1
        << "today" << "FtpTime2" << int(State::NotRecorded) << "no upload recorded since 09:00";
    // The clock set back 30 minutes between the failure and the retry: the journal's sequence
    // says the retry came later, whatever the clock said.
    row("a retry after the clock was set back settles the time")
        << at8 << true
        << Rows{sentYesterday8, failed(Trigger::Slot, 0, Today, ranToday, at(Today, "08:00:30")), sent(Trigger::Retry, 0, Today, at(Today, "07:31:00"))}
        << ranToday << 0 << "today" << "FtpTime1" << int(State::Sent) << "sent 07:31:05";
    row("the clock set back behind a failed time") << Times{{0, QStringLiteral("10:30")}} << true
                                                   << Rows{sent(Trigger::Slot, 0, Yesterday, at(Yesterday, "10:30:00")),
                                                           failed(Trigger::Slot, 0, Today, at(Today, "10:30:00"), at(Today, "10:30:30"))}
                                                   << at(Today, "10:30:00") << 1 << "today" << "FtpTime1" << int(State::Owed)
                                                   << "failed: Connection refused";
    row("under way") << Times{{0, QStringLiteral("09:55")}} << true
                     << Rows{sent(Trigger::Slot, 0, Yesterday, at(Yesterday, "09:55:00")),
                             upload(Trigger::Slot, 0, Today, at(Today, "09:55:00"), Outcome::Running)}
                     << at(Today, "09:55:00") << 0 << "today" << "FtpTime1" << int(State::UnderWay) << "under way: asked 09:55:00";
    row("not ended for two hours: cut off, sent again")
        << at8 << true << Rows{sentYesterday8, upload(Trigger::Slot, 0, Today, ranToday, Outcome::Running)} << ranToday << 1 << "today"
        << "FtpTime1" << int(State::Owed) << "failed: cut off";
    row("cut off a day ago: given up")
        << at8 << true << Rows{upload(Trigger::Slot, 0, Yesterday, ranYesterday, Outcome::Running), sentToday8} << ranToday << 2
        << "yesterday" << "FtpTime1" << int(State::GivenUp) << "failed for good: cut off: the program ended before the upload did";
    row("another station's file does not count")
        << at8 << true << Rows{sentYesterday8, [] {
               UploadRecord other = sent(Trigger::Slot, 0, Today, at(Today, "08:00:00"));
               other.remotePath = QStringLiteral("/upload/20261207.13");
               return other;
           }()}
        << ranYesterday << 1 << "today" << "FtpTime1" << int(State::NotRecorded) << "not sent";
    row("no time set in HH:MM: nothing is sent on its own") << Times{{0, QStringLiteral("8:00")}} << true << Rows{} << ranToday << 1
                                                            << "today" << "FtpTime1" << -1 << "";
}

void TestStatusReport::status()
{
    QFETCH(Times, times);
    QFETCH(bool, journal);
    QFETCH(QList<UploadRecord>, rows);
    QFETCH(QDateTime, examined);
    QFETCH(int, status);
    QFETCH(QString, day);
    QFETCH(QString, slot);
    QFETCH(int, state);
    QFETCH(QString, words);

    StatusReport::JournalFacts facts;
    if (journal)
        facts.rows = rows;
    if (examined.isValid())
        facts.lastExamined = examined;
    const StatusReport::Report report = StatusReport::status(settingsWith(times), facts, Now);
    const QString said = report.lines().join(u'\n');
    QVERIFY2(report.status == status, qPrintable(said));
    QVERIFY2(report.lines().first().startsWith(StatusReport::statusName(status) + QStringLiteral(": station 12: ")), qPrintable(said));
    const auto found = std::find_if(report.times.cbegin(), report.times.cend(), [&](const StatusReport::TimeLine &line) {
        return line.today == (day == u"today") && Settings::timeKey(line.slot) == slot;
    });
    if (state < 0) {
        QVERIFY2(found == report.times.cend(), qPrintable(said));
        return;
    }
    QVERIFY2(found != report.times.cend(), qPrintable(said));
    QCOMPARE(int(found->state), state);
    QVERIFY2(lineOf(report.lines(), day, slot).contains(words), qPrintable(said));
}

void TestStatusReport::summaryCountsTheLines_data()
{
    using Rows = QList<UploadRecord>;
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("firstLine");
    const auto sentAt = [](int slot, QDate day, const char *time) { return sent(Trigger::Slot, slot, day, at(day, time)); };
    const auto failedAt = [](int slot, QDate day, const char *time) {
        const QDateTime asked = at(day, time);
        return failed(Trigger::Slot, slot, day, asked, asked.addSecs(30));
    };
    QTest::newRow("nothing owed") << Rows{sentAt(0, Yesterday, "08:00:00"), sentAt(1, Yesterday, "09:00:00"),
                                          sentAt(2, Yesterday, "12:00:00"), sentAt(0, Today, "08:00:00"), sentAt(1, Today, "09:00:00")}
                                  << "OK: station 12: nothing owed (5 sent, 1 not yet due) | last_delivery_age=3595s;;;0 owed=0;;;0 "
                                     "given_up=0;;;0 under_way=0;;;0";
    QTest::newRow("owed and given up")
        << Rows{failedAt(0, Yesterday, "08:00:00"), sentAt(0, Today, "08:00:00"), failedAt(1, Today, "09:00:00")}
        << "CRITICAL: station 12: 3 not on the server, and not sent again (1 sent, 1 owed, 3 given up, 1 not yet due) | "
           "last_delivery_age=7195s;;;0 owed=1;;;0 given_up=3;;;0 under_way=0;;;0";
    QTest::newRow("nothing recorded") << Rows{}
                                      << "WARNING: station 12: no upload recorded since 08:00: is the program running? (2 not "
                                         "recorded, 3 not owed, 1 not yet due) | last_delivery_age=U owed=2;;;0 given_up=0;;;0 "
                                         "under_way=0;;;0";
}

void TestStatusReport::summaryCountsTheLines()
{
    QFETCH(QList<UploadRecord>, rows);
    QFETCH(QString, firstLine);
    const StatusReport::JournalFacts facts{rows, at(Yesterday, "12:00:00")};
    const Times times{{0, QStringLiteral("08:00")}, {1, QStringLiteral("09:00")}, {2, QStringLiteral("12:00")}};
    const StatusReport::Report report = StatusReport::status(settingsWith(times), facts, Now);
    QCOMPARE(report.lines().first(), firstLine);
    QCOMPARE(report.lines().size(), 1 + report.times.size());
}

void TestStatusReport::jsonHoldsTheSameFacts()
{
    const QList<UploadRecord> rows{sent(Trigger::Slot, 0, Yesterday, at(Yesterday, "09:59:00")),
                                   [] {
                                       UploadRecord r = failed(Trigger::Slot, 0, Today, at(Today, "09:59:00"), at(Today, "09:59:30"),
                                                               QStringLiteral("530 Login incorrect."));
                                       r.failureKind = FailureKind::LoginRefused;
                                       return r;
                                   }()};
    const StatusReport::Report report =
        StatusReport::status(settingsWith({{0, QStringLiteral("09:59")}}), {rows, at(Today, "09:59:00")}, Now);
    const QJsonObject json = report.json();
    QCOMPARE(json[u"station"].toString(), QStringLiteral("12"));
    QCOMPARE(json[u"state"].toString(), QStringLiteral("WARNING"));
    QCOMPARE(json[u"exitStatus"].toInt(), 1);
    QCOMPARE(json[u"owed"].toInt(), 1);
    QCOMPARE(json[u"lastDelivery"][u"file"].toString(), remoteOf(Yesterday));
    const QJsonArray times = json[u"times"].toArray();
    QCOMPARE(times.size(), 2);
    const QJsonObject today = times.first().toObject();
    QCOMPARE(today[u"state"].toString(), QStringLiteral("owed"));
    QCOMPARE(today[u"reasonKind"].toString(), failureKindName(FailureKind::LoginRefused));
    QCOMPARE(QDateTime::fromString(today[u"nextTry"].toString(), Qt::ISODate), at(Today, "10:00:30"));
    QCOMPARE(times.last()[u"state"].toString(), QStringLiteral("sent"));
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


void TestStatusReport::nothingAMonitorCouldMisread()
{
    // A "|" anywhere but before the performance data would cut the line where a monitor reads it.
    Settings settings = settingsWith({{0, QStringLiteral("08:00")}});
    settings.FtpNo = QStringLiteral("1|2");
    UploadRecord row = failed(Trigger::Slot, 0, Today, at(Today, "08:00:00"), at(Today, "08:00:30"), QStringLiteral("550 a|b"));
    row.remotePath = QStringLiteral("/upload/20261207.1|2");
    const QStringList lines = StatusReport::status(settings, {QList<UploadRecord>{row}, at(Today, "08:00:00")}, Now).lines();
    QCOMPARE(lines.first().count(u'|'), 1);
    for (const QString &line : lines.mid(1))
        QVERIFY2(!line.contains(u'|'), qPrintable(line));
    // Without a station number or a server nothing can be named or sent: not OK, and no lines.
    settings.FtpNo.clear();
    const StatusReport::Report unset = StatusReport::status(settings, {QList<UploadRecord>{}, {}}, Now);
    QCOMPARE(unset.status, int(StatusReport::Warning));
    QVERIFY2(unset.lines().first().startsWith(QStringLiteral("WARNING: station (no number set): not configured")),
             qPrintable(unset.lines().first()));
    QCOMPARE(unset.lines().size(), 1);
}

void TestStatusReport::firstLineCutsALongStationNumber_data()
{
    QTest::addColumn<QString>("stationNo");
    QTest::addColumn<QString>("shown"); // after the state, up to the ":" that ends the station
    QTest::newRow("three characters") << "123" << "station 123";
    QTest::newRow("four, edited by hand") << "1234" << "station 123...";
    // What a settings file gives of a value of any length.
    QTest::newRow("the longest a settings value reads") << QString(1022, u'7') << "station 777...";
    QTest::newRow("not half a character") << QStringLiteral("12\U0001F600") << "station 12...";
}

void TestStatusReport::firstLineCutsALongStationNumber()
{
    QFETCH(QString, stationNo);
    QFETCH(QString, shown);
    Settings settings = settingsWith({{0, QStringLiteral("08:00")}});
    settings.FtpNo = stationNo;
    const StatusReport::Report report = StatusReport::status(settings, {QList<UploadRecord>{}, {}}, Now);
    QVERIFY2(report.lines().first().startsWith(QStringLiteral("CRITICAL: ") + shown + QStringLiteral(": ")), qPrintable(report.lines().first()));
    // The lines below name the file as it is sent, and JSON the number as it is.
    QVERIFY2(lineOf(report.lines(), QStringLiteral("today"), QStringLiteral("FtpTime1")).contains(u'.' + stationNo), "");
    QCOMPARE(report.json().value(u"station").toString(), stationNo);
    // The same where the journal could not be read.
    StatusReport::Report unknown;
    unknown.status = StatusReport::Unknown;
    unknown.station = stationNo;
    unknown.summary = QStringLiteral("the journal cannot be read");
    QCOMPARE(unknown.lines().first(), QStringLiteral("UNKNOWN: ") + shown + QStringLiteral(": the journal cannot be read"));
}

// What Nagios keeps is what was written: text from outside (a station number, a server's reply)
// neither cuts the first line short nor turns into performance data, on any line.
void TestStatusReport::nagiosStoresWhatWasMeant()
{
    if (const QString why = TestSupport::Nagios::unavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));
    Settings settings = settingsWith({{0, QStringLiteral("08:00")}});
    settings.FtpNo = QStringLiteral("1;|");
    UploadRecord row = failed(Trigger::Slot, 0, Today, at(Today, "08:00:00"), at(Today, "08:00:30"),
                              QStringLiteral("530 Login incorrect | missing=0;;;0 arrived=40;;;0; try later"));
    row.remotePath = QStringLiteral("/upload/20261207.1;|");
    StatusReport::Report unknown;
    unknown.status = StatusReport::Unknown;
    unknown.station = settings.FtpNo;
    unknown.summary = QStringLiteral("the journal cannot be read (database disk image is malformed; code 11 | x=1)");
    const QList<StatusReport::Report> reports{StatusReport::status(settings, {QList<UploadRecord>{row}, at(Today, "08:00:00")}, Now),
                                              unknown};
    QList<TestSupport::Nagios::Answer> answers;
    for (const StatusReport::Report &report : reports)
        answers.append({report.lines().join(u'\n').toUtf8() + '\n', report.status});
    QString why;
    const QList<TestSupport::Nagios::Stored> stored = TestSupport::Nagios::check(answers, &why);
    QVERIFY2(stored.size() == reports.size(), qPrintable(why));
    for (qsizetype i = 0; i < reports.size(); ++i) {
        const QString first = reports[i].lines().first();
        QCOMPARE(stored[i].state, reports[i].status);
        QCOMPARE(stored[i].output, first.section(u" | "_qs, 0, 0));
        QCOMPARE(stored[i].perfData, first.section(u" | "_qs, 1));
        QVERIFY2(!stored[i].output.contains(u';'), qPrintable(stored[i].output));
    }
    QVERIFY(stored[0].output.contains(u"station 1\\x3b\\x7c:"_qs));
    QVERIFY2(stored[0].longOutput.contains(u"530 Login incorrect \\x7c missing=0;;;0"_qs), qPrintable(stored[0].longOutput));
}

void TestStatusReport::stillOwedFailures()
{
    const Settings settings = settingsWith({{0, QStringLiteral("08:00")}});
    const UploadRecord failedToday = failed(Trigger::Slot, 0, Today, at(Today, "08:00:00"), at(Today, "08:00:30"));
    const UploadRecord failedYesterday = failed(Trigger::Slot, 0, Yesterday, at(Yesterday, "08:00:00"), at(Yesterday, "08:00:30"));
    const UploadRecord sentYesterday = sent(Trigger::Retry, 0, Yesterday, at(Yesterday, "08:01:00"));
    QCOMPARE(StatusReport::stillOwedFailures({failedYesterday, sentYesterday}, settings, Now).size(), 0);
    QCOMPARE(StatusReport::stillOwedFailures({failedYesterday, sentYesterday, failedToday}, settings, Now).size(), 1);
    QCOMPARE(StatusReport::stillOwedFailures({failedYesterday}, settings, Now).size(), 1); // given up, not delivered
}

QTEST_GUILESS_MAIN(TestStatusReport)
#include "tst_statusreport.moc"
