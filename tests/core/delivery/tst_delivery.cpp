// SPDX-License-Identifier: MIT
// Retries, catch-up and the journal of the program without its windows, against a real FTP
// server, with a clock the test moves.
#include "core/app/ProgramPaths.h"
#include "core/delivery/Delivery.h"
#include "core/delivery/DeliveryLog.h"
#include "core/delivery/StatusReport.h"
#include "core/delivery/TransferLog.h"
#include "core/delivery/Uploader.h"
#include "core/journal/Journal.h"
#include "core/language/LanguageText.h"
#include "core/settings/ProfileFile.h"
#include "core/state/AppState.h"
#include "core/transfer/TransferQueue.h"
#include "CoreTestSupport.h"
#include "MessageCapture.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

using namespace korva5;

using namespace TestSupport;

namespace {

QDateTime at(int h, int m, int s = 0, QDate day = QDate(2021, 3, 5))
{
    return QDateTime(day, QTime(h, m, s));
}

// A program folder with its records and journal, and the parts of the program the deliveries go
// through, put together as the station puts them. Desks made one after another on the same
// folder stand for restarts.
struct Desk
{
    Desk(const QString &folder, const FtpServer &server, const QDateTime &start, const QMap<int, QString> &times,
         const QString &serverAddress = {})
        : clock(start)
        , paths(ProgramPaths::in(folder))
        , uploader(state, log, ftp, clock, [this](const QString &key) { return text(key); })
        , delivery(state, uploader, journal, clock)
        , deliveryLog(log, [this](const QString &key) { return text(key); })
    {
        deliveryLog.follow(delivery);
        // The transfer control connects with the settings in force, and its states are logged.
        QObject::connect(&state, &AppState::settingsChanged, [this] {
            ftp.setServerAddress(ProfileFile::trimmedBlanks(state.settings().FtpServer));
            ftp.setUserName(ProfileFile::trimmedBlanks(state.settings().FtpUserName));
            ftp.setPassword(ProfileFile::trimmedBlanks(state.settings().FtpPassword));
        });
        QObject::connect(&ftp, &TransferQueue::stateChanged, &uploader, &Uploader::logState);
        QObject::connect(&journal, &Journal::notice, &log, &TransferLog::insertTop);
        Settings settings;
        settings.FtpNo = QStringLiteral("12");
        settings.FtpPath = QStringLiteral("/upload/");
        settings.LocalPath = folder + QStringLiteral("/records/");
        for (auto it = times.cbegin(); it != times.cend(); ++it)
            settings.time(it.key() - 1) = it.value();
        state.setSettings(settings);
        useServer(serverAddress.isEmpty() ? server.address() : serverAddress, FtpServer::Password);
        ftp.setTimeouts({std::chrono::seconds(3), std::chrono::seconds(3), std::chrono::seconds(3)});
        QObject::connect(&log, &TransferLog::inserted, [this](const QString &line) { lines.append(line); });
        journal.open(paths.programDir, clock.now());
        delivery.start();
        settle();
    }

    void useServer(const QString &address, const QString &password)
    {
        Settings settings = state.settings();
        settings.FtpServer = address;
        settings.FtpUserName = FtpServer::User;
        settings.FtpPassword = password;
        state.setSettings(settings);
    }
    // Waits until every upload asked for has ended and its outcome is in.
    void settle()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!ftp.isBusy(), 30000);
        QCoreApplication::processEvents();
    }
    // Moves the clock to when and does what the timer does there: a minute check when asked,
    // the retries always.
    void runAt(const QDateTime &when, bool minuteCheck = true)
    {
        clock.set(when);
        if (minuteCheck)
            delivery.checkMinute();
        delivery.checkRetries();
        settle();
    }
    // Every minute from the clock's time up to until, as a running program would.
    void runUntil(const QDateTime &until)
    {
        while (clock.now() < until)
            runAt(clock.now().addSecs(60));
    }
    int sends() const { return lines.filter(QStringLiteral("SEND ")).size(); }
    QList<UploadRecord> rows() { return journal.rowsSince(QDateTime(QDate(2000, 1, 1), QTime(0, 0))); }

    QString text(const QString &key) const { return languageText(paths.languageFile, state.language(), key); }

    FakeClock clock;
    const ProgramPaths paths;
    AppState state;
    TransferLog log;
    TransferQueue ftp;
    Journal journal;
    Uploader uploader;
    Delivery delivery;
    DeliveryLog deliveryLog;
    QStringList lines; // oldest first
};

} // namespace

class TestDelivery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void backOff_data();
    void backOff();
    void serverDownThenBack();
    void wrongPasswordUntilCorrected();
    void missingFileThatAppearsLater();
    void laterSlotSettlesAnEarlierRetry();
    void manualFailuresAreNotRetried();
    void givesUpAfterADay();
    void retriesSurviveARestart();
    void catchUp_data();
    void catchUp();
    void timesSetLaterAreNotCaughtUp();
    void clockJumpWhileRunning();
    void lostJournalStillDelivers_data();
    void lostJournalStillDelivers();

private:
    std::unique_ptr<FtpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString records(const QString &day) const { return m_folder->filePath(QStringLiteral("records/%1.txt").arg(day)); }
    bool arrived(const QString &day) const { return m_server->holds(QStringLiteral("upload/%1.12").arg(day)); }
};

void TestDelivery::initTestCase()
{
    m_server = std::make_unique<FtpServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
}

void TestDelivery::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    // Journals that cannot stay in the program folder go here, never to the real home.
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_folder->filePath(QStringLiteral("state"))));
    QDir().mkpath(m_folder->filePath(QStringLiteral("records")));
    for (const char *day : {"20210304", "20210305", "20210306"}) {
        writeFile(records(QLatin1StringView(day)), QByteArray("records of ") + day);
        QFile::remove(m_server->root() + QStringLiteral("/upload/%1.12").arg(QLatin1StringView(day)));
    }
}

void TestDelivery::backOff_data()
{
    QTest::addColumn<int>("failures");
    QTest::addColumn<int>("minutes");
    const int expected[] = {1, 2, 4, 8, 15, 30, 30, 30};
    for (int i = 0; i < int(std::size(expected)); ++i)
        QTest::addRow("after failure %d", i + 1) << i + 1 << expected[i];
}

void TestDelivery::backOff()
{
    QFETCH(int, failures);
    QFETCH(int, minutes);
    QCOMPARE(Ledger::retryDelayMinutes(failures), minutes);
    // The same through the ledger: a failure at 08:30 plus that many failures before it.
    Ledger ledger;
    UploadRecord record;
    record.trigger = Trigger::Slot;
    record.slot = 0;
    record.remotePath = QStringLiteral("/upload/20210305.12");
    record.outcome = Outcome::Failed;
    for (int i = 0; i < failures; ++i) {
        record.endedAt = at(8, 30).addSecs(i);
        ledger.ended(record, at(8, 30));
    }
    QCOMPARE(ledger.pending().value(record.remotePath).nextAttempt, at(8, 30).addSecs(failures - 1 + 60LL * minutes));
    // The clock set back an hour after the last failure: the retry waits as long, from now.
    const QDateTime setBack = at(7, 30, 0);
    QVERIFY(ledger.dueRetries(setBack).isEmpty()); // the first look after the clock went back
    QVERIFY(ledger.dueRetries(setBack.addSecs(60LL * minutes - 1)).isEmpty());
    QCOMPARE(ledger.dueRetries(setBack.addSecs(60LL * minutes)).size(), 1);
}

void TestDelivery::serverDownThenBack()
{
    const QString down = QStringLiteral("127.0.0.1:%1").arg(closedPort());
    Desk s(m_folder->path(), *m_server, at(8, 29, 30), {{1, QStringLiteral("08:30")}}, down);
    s.runAt(at(8, 30, 30));
    QCOMPARE(s.sends(), 1);
    QVERIFY(!arrived(QStringLiteral("20210305")));
    QVERIFY(s.delivery.ledger().isOwed(QStringLiteral("/upload/20210305.12")));
    // Down for five minutes: tries at 08:31:30 and 08:33:30 fail, the next comes at 08:37:30.
    s.runUntil(at(8, 35, 30));
    QVERIFY2(s.sends() == 3, qPrintable(s.lines.join(u'\n')));
    s.useServer(m_server->address(), FtpServer::Password);
    s.runUntil(at(8, 36, 30));
    QCOMPARE(s.sends(), 3);
    QVERIFY(!arrived(QStringLiteral("20210305")));
    s.runAt(at(8, 37, 30));
    QCOMPARE(s.sends(), 4);
    QVERIFY(arrived(QStringLiteral("20210305")));
    QVERIFY(s.delivery.ledger().pending().isEmpty());
    s.runUntil(at(9, 30, 0));
    QCOMPARE(s.sends(), 4); // nothing more once it is there
    const QList<UploadRecord> rows = s.rows();
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.first().trigger, Trigger::Retry); // newest first
    QCOMPARE(rows.first().outcome, Outcome::Succeeded);
    QCOMPARE(rows.last().trigger, Trigger::Slot);
    QCOMPARE(rows.last().outcome, Outcome::Failed);
}

void TestDelivery::wrongPasswordUntilCorrected()
{
    Desk s(m_folder->path(), *m_server, at(8, 29, 30), {{1, QStringLiteral("08:30")}});
    s.useServer(m_server->address(), QStringLiteral("wrong"));
    s.runAt(at(8, 30, 30));
    s.runUntil(at(9, 30, 30)); // an hour of failed tries
    QVERIFY(!arrived(QStringLiteral("20210305")));
    const int triedInTheHour = s.sends();
    QCOMPARE(triedInTheHour, 7); // 08:30, then after 1, 2, 4, 8, 15 and 30 minutes
    s.useServer(m_server->address(), FtpServer::Password);
    s.runUntil(at(10, 30, 30));
    QVERIFY(arrived(QStringLiteral("20210305")));
    QCOMPARE(s.sends(), triedInTheHour + 1);
}

void TestDelivery::missingFileThatAppearsLater()
{
    QFile::remove(records(QStringLiteral("20210305")));
    Desk s(m_folder->path(), *m_server, at(8, 29, 30), {{1, QStringLiteral("08:30")}});
    s.runAt(at(8, 30, 30));
    s.runUntil(at(8, 40, 0));
    QVERIFY(!arrived(QStringLiteral("20210305")));
    writeFile(records(QStringLiteral("20210305")), "late records");
    s.runUntil(at(9, 10, 0));
    QCOMPARE(m_server->stored(QStringLiteral("upload/20210305.12")), QByteArray("late records"));
}

void TestDelivery::laterSlotSettlesAnEarlierRetry()
{
    Desk s(m_folder->path(), *m_server, at(8, 29, 30), {{1, QStringLiteral("08:30")}, {2, QStringLiteral("08:32")}});
    s.useServer(m_server->address(), QStringLiteral("wrong"));
    s.runAt(at(8, 30, 30));
    QVERIFY(s.delivery.ledger().isOwed(QStringLiteral("/upload/20210305.12")));
    // The retry at 08:31:30 fails too; the next would be at 08:33:30.
    s.runAt(at(8, 31, 30));
    s.useServer(m_server->address(), FtpServer::Password);
    s.runAt(at(8, 32, 10)); // time 2 sends the same remote file
    QVERIFY(arrived(QStringLiteral("20210305")));
    QVERIFY(s.delivery.ledger().pending().isEmpty());
    const int sends = s.sends();
    s.runUntil(at(9, 0, 0));
    QCOMPARE(s.sends(), sends);
}

void TestDelivery::manualFailuresAreNotRetried()
{
    Desk s(m_folder->path(), *m_server, at(8, 29, 30), {});
    s.useServer(m_server->address(), QStringLiteral("wrong"));
    s.delivery.sendManual(QDate(2021, 3, 5));
    s.delivery.sendYesterday(QDate(2021, 3, 4));
    s.settle();
    QVERIFY(s.delivery.ledger().pending().isEmpty());
    s.runUntil(at(9, 30, 0));
    QCOMPARE(s.sends(), 2);
    const QList<UploadRecord> rows = s.rows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(1).trigger, Trigger::Manual);
    QCOMPARE(rows.at(0).trigger, Trigger::Yesterday);
    QVERIFY(rows.at(0).reason.contains(QStringLiteral("530")) || rows.at(0).reason.contains(QStringLiteral("ogin")));
    // Not retried, but kept in sight: the last one until its file goes through or is looked at.
    QCOMPARE(s.delivery.failedByHand()->trigger, Trigger::Yesterday);
    QCOMPARE(s.delivery.owedCount(), 0);
    s.useServer(m_server->address(), FtpServer::Password);
    s.delivery.sendManual(QDate(2021, 3, 5)); // another file: the failure stays
    s.settle();
    QVERIFY(s.delivery.failedByHand());
    s.delivery.sendYesterday(QDate(2021, 3, 4));
    s.settle();
    QVERIFY(!s.delivery.failedByHand());
    s.useServer(m_server->address(), QStringLiteral("wrong"));
    s.delivery.sendManual(QDate(2021, 3, 5));
    s.settle();
    QVERIFY(s.delivery.failedByHand());
    s.delivery.acknowledgeFailedByHand();
    QVERIFY(!s.delivery.failedByHand());
}

void TestDelivery::givesUpAfterADay()
{
    Desk s(m_folder->path(), *m_server, at(8, 29, 30), {{1, QStringLiteral("08:30")}});
    s.useServer(m_server->address(), QStringLiteral("wrong"));
    s.runAt(at(8, 30, 30));
    // Half-hourly tries through the day; the minute checks do not matter here.
    for (QDateTime t = at(8, 31, 30); t < at(9, 0, 0, QDate(2021, 3, 6)); t = t.addSecs(60))
        s.runAt(t, false);
    QVERIFY(s.delivery.ledger().pending().isEmpty());
    QCOMPARE(s.delivery.ledger().givenUp().size(), 1);
    // With the failure in a few words, as the alarm says it.
    QCOMPARE(s.lines.filter(QStringLiteral("/upload/20210305.12 not sent: given up 24 hours after its time (login refused: 530 ")).size(), 1);
    // 08:30:30, then 08:31:30, 08:33:30, 08:37:30, 08:45:30, 09:00:30, and half-hourly from
    // 09:30:30 to 08:00:30 the next day (46): the next would come after its 24 hours.
    QCOMPARE(s.sends(), 52);
}

void TestDelivery::retriesSurviveARestart()
{
    {
        Desk s(m_folder->path(), *m_server, at(8, 29, 30), {{1, QStringLiteral("08:30")}});
        s.useServer(m_server->address(), QStringLiteral("wrong"));
        s.runAt(at(8, 30, 30));
        QVERIFY(s.delivery.ledger().isOwed(QStringLiteral("/upload/20210305.12")));
    } // the program ends
    {
        Desk again(m_folder->path(), *m_server, at(8, 45, 0), {{1, QStringLiteral("08:30")}});
        QVERIFY(again.delivery.ledger().isOwed(QStringLiteral("/upload/20210305.12")));
        QCOMPARE(again.sends(), 0); // not a catch-up: its time was examined before
        // A retry whose time passed while no program ran is due now, and said so.
        QCOMPARE(again.delivery.ledger().pending().first().nextAttempt, at(8, 45, 0));
        again.runAt(at(8, 45, 1), false);
        QVERIFY(arrived(QStringLiteral("20210305")));
        QCOMPARE(again.rows().first().trigger, Trigger::Retry);
    }

    // Its 24 hours run out while no program runs: the next start says so, as a running one would.
    {
        Desk failing(m_folder->path(), *m_server, at(8, 29, 30, QDate(2021, 3, 6)), {{1, QStringLiteral("08:30")}});
        failing.useServer(m_server->address(), QStringLiteral("wrong"));
        failing.runAt(at(8, 30, 30, QDate(2021, 3, 6)));
    }
    Desk nextDay(m_folder->path(), *m_server, at(9, 35, 0, QDate(2021, 3, 7)), {{1, QStringLiteral("08:30")}});
    QCOMPARE(nextDay.lines.filter(QStringLiteral("/upload/20210306.12 not sent: given up 24 hours")).size(), 1);
    QVERIFY(nextDay.delivery.isAlarming());
}

void TestDelivery::catchUp_data()
{
    QTest::addColumn<QDateTime>("firstRunEnds");
    QTest::addColumn<QDateTime>("secondStart");
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("day");   // the file caught up, empty: none
    QTest::newRow("not running at 08:30, started at 09:10")
        << at(8, 0) << at(9, 10) << "08:30" << 1 << "20210305";
    QTest::newRow("off from 22:00 to 07:00, time 9 at 00:30")
        << at(22, 0, 0, QDate(2021, 3, 5)) << at(7, 0, 0, QDate(2021, 3, 6)) << "00:30" << 9 << "20210305";
    QTest::newRow("clock set back before the start") << at(12, 0) << at(9, 10) << "08:30" << 1 << "";
    QTest::newRow("restarted within the minute") << at(9, 9, 30) << at(9, 10) << "08:30" << 1 << "";
}

void TestDelivery::catchUp()
{
    QFETCH(QDateTime, firstRunEnds);
    QFETCH(QDateTime, secondStart);
    QFETCH(QString, time);
    QFETCH(int, slot);
    QFETCH(QString, day);
    {
        Desk first(m_folder->path(), *m_server, firstRunEnds.addSecs(-120), {{slot, time}});
        first.runAt(firstRunEnds);
        QCOMPARE(first.sends(), 0);
    }
    {
        Desk second(m_folder->path(), *m_server, secondStart, {{slot, time}});
        QCOMPARE(second.sends(), day.isEmpty() ? 0 : 1);
        if (!day.isEmpty()) {
            QVERIFY(arrived(day));
            QCOMPARE(second.rows().first().trigger, Trigger::CatchUp);
            QCOMPARE(second.lines.first(), secondStart.toString(u"yyyy/MM/dd-HH:mm")); // the time it runs
        }
        second.runUntil(secondStart.addSecs(600));
        QCOMPARE(second.sends(), day.isEmpty() ? 0 : 1);
    }
    // Started once more: nothing is sent twice.
    Desk third(m_folder->path(), *m_server, secondStart.addSecs(900), {{slot, time}});
    QCOMPARE(third.sends(), 0);
}

void TestDelivery::timesSetLaterAreNotCaughtUp()
{
    {
        Desk first(m_folder->path(), *m_server, at(7, 0), {});
        first.runUntil(at(9, 0));
        // 08:30 is set at 09:00, after it passed: it was never due.
        Settings settings = first.state.settings();
        settings.FtpTime1 = QStringLiteral("08:30");
        first.state.setSettings(settings);
        first.runUntil(at(9, 5));
    }
    Desk again(m_folder->path(), *m_server, at(9, 10), {{1, QStringLiteral("08:30")}});
    QCOMPARE(again.sends(), 0);
}

void TestDelivery::clockJumpWhileRunning()
{
    Desk s(m_folder->path(), *m_server, at(8, 59, 30),
              {{1, QStringLiteral("10:00")}, {9, QStringLiteral("11:15")}, {2, QStringLiteral("10:30")}});
    s.runAt(at(9, 0, 30));
    s.runAt(at(12, 0, 30)); // three hours later: a resume from sleep
    // Times 1 and 2 send today's file: once; time 9 yesterday's.
    QCOMPARE(s.sends(), 2);
    QVERIFY(arrived(QStringLiteral("20210305")));
    QVERIFY(arrived(QStringLiteral("20210304")));
    for (const UploadRecord &row : s.rows())
        QCOMPARE(row.trigger, Trigger::CatchUp);
    // Set back an hour: nothing replays.
    s.runAt(at(11, 0, 30));
    s.runUntil(at(12, 0, 0));
    QCOMPARE(s.sends(), 2);
}



void TestDelivery::lostJournalStillDelivers_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("whileRunning"); // done to the journal while the program runs

    QTest::newRow("damaged while stopped") << "damaged" << false;
    QTest::newRow("set aside with no fresh one (full disk)") << "set-aside" << false;
    QTest::newRow("cannot be opened (a folder under its name)") << "folder" << false;
    QTest::newRow("removed while stopped") << "removed" << false;
    QTest::newRow("cut to nothing while stopped") << "empty" << false;
    QTest::newRow("removed while running") << "removed" << true;
    QTest::newRow("replaced while running") << "replaced" << true;
}

// 08:30 fails with the server down, something happens to the journal, and the program is
// started again at 08:40 with the server back: the file arrives all the same, and what
// --status reads agrees.
void TestDelivery::lostJournalStillDelivers()
{
    QFETCH(QString, fault);
    QFETCH(bool, whileRunning);

    const QString path = m_folder->filePath(Journal::FileName);
    const auto harm = [&] {
        for (const char *suffix : {"-wal", "-shm"})
            QFile::remove(path + QLatin1StringView(suffix));
        if (fault == QLatin1String("damaged")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(100);
            file.write(QByteArray(100, '\xa5'));
        } else if (fault == QLatin1String("set-aside")) {
            QVERIFY(QFile::rename(path, path + QStringLiteral(".20210305-083100.broken")));
        } else if (fault == QLatin1String("folder")) {
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkdir(path));
        } else if (fault == QLatin1String("removed")) {
            QVERIFY(QFile::remove(path));
        } else if (fault == QLatin1String("empty")) {
            writeFile(path, "");
        } else if (fault == QLatin1String("replaced")) {
            QVERIFY(QFile::remove(path));
            writeFile(path, "not a journal");
        }
    };
    const QString down = QStringLiteral("127.0.0.1:%1").arg(closedPort());
    {
        Desk first(m_folder->path(), *m_server, at(8, 29, 30), {{1, QStringLiteral("08:30")}}, down);
        first.runAt(at(8, 30, 30));
        QVERIFY(first.delivery.ledger().isOwed(QStringLiteral("/upload/20210305.12")));
        if (whileRunning) {
            QSignalSpy switched(&first.journal, &Journal::switched);
            harm();
            first.runAt(at(8, 31, 30)); // the retry fails too, and is recorded in a journal made again
            first.journal.flush(); // its writes, and what they found, are done on the journal's thread
            QCOMPARE(switched.size(), 1);
            QVERIFY(QFileInfo(path).isFile());
        }
    }
    if (!whileRunning)
        harm();

    Desk again(m_folder->path(), *m_server, at(8, 40, 0), {{1, QStringLiteral("08:30")}});
    again.runAt(at(8, 40, 1), false);
    QVERIFY2(arrived(QStringLiteral("20210305")), qPrintable(again.lines.join(u'\n')));
    QVERIFY(!again.delivery.isAlarming());
    QString why;
    StatusReport::JournalFacts facts;
    facts.rows = Journal::readRows(m_folder->path(), at(8, 40, 1).addDays(-2), &why, nullptr, &facts.lastExamined);
    QVERIFY2(facts.rows, qPrintable(why));
    const StatusReport::Report report = StatusReport::status(again.state.settings(), facts, at(8, 41, 0));
    const QString said = report.lines().join(u'\n');
    QVERIFY2(report.status == StatusReport::Ok, qPrintable(said));
    QVERIFY2(report.lines().filter(QStringLiteral("FtpTime1  08:30  /upload/20210305.12  sent")).size() == 1, qPrintable(said));
}

QTEST_GUILESS_MAIN(TestDelivery)
#include "tst_delivery.moc"
