// SPDX-License-Identifier: MIT
// The program without its windows: scheduled uploads from the one-second ticks to the server.
#include "core/app/Station.h"
#include "core/clock/IsoTime.h"
#include "CoreTestSupport.h"
#include "MessageCapture.h"
#include "Sshd.h"
#include "Vsftpd.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

using namespace korva5;

using namespace TestSupport;

namespace {

QDateTime at(int h, int m, int s, int ms = 0, QDate day = QDate(2021, 3, 5))
{
    return QDateTime(day, QTime(h, m, s, ms));
}

// A station started from a program folder of its own, with the given upload times, on a clock
// the test moves.
struct Desk
{
    Desk(const QDateTime &start, const QMap<int, QString> &timeSlots, const QString &server,
         const QMap<QString, QString> &more = {})
        : clock(start)
        , station(ProgramPaths::in(dir.path()), clock, &ticks)
    {
        QMap<QString, QString> values = settings(timeSlots, server);
        values.insert(more);
        values.insert(QStringLiteral("LocalPath"), dir.path() + u'/');
        writeFile(dir.iniFile(), iniText(values));
        QObject::connect(&station, &Station::logLineInserted, [this](const QString &line, int row) {
            lines.insert(std::min<qsizetype>(row, lines.size()), line);
        });
        station.loadSettings();
        station.startServices();
    }

    static QMap<QString, QString> settings(const QMap<int, QString> &timeSlots, const QString &server)
    {
        QMap<QString, QString> values{{QStringLiteral("FtpNo"), QStringLiteral("12")},
                                      {QStringLiteral("FtpServer"), server},
                                      {QStringLiteral("FtpPath"), QStringLiteral("/upload/")},
                                      {QStringLiteral("FtpUserName"), FtpServer::User},
                                      {QStringLiteral("FtpPassword"), FtpServer::Password}};
        for (auto it = timeSlots.cbegin(); it != timeSlots.cend(); ++it)
            values.insert(QStringLiteral("FtpTime%1").arg(it.key()), it.value());
        return values;
    }

    // n ticks, the clock moving msPerTick (plus jitter(i), when given) before each.
    void tick(int n, int msPerTick = 1000, const std::function<int(int)> &jitter = {})
    {
        for (int i = 0; i < n; ++i) {
            clock.advanceMSecs(msPerTick + (jitter ? jitter(i) : 0));
            ticks.tick();
        }
    }
    // The station's minute at when: the ticks up to the sixtieth with the clock where it was,
    // then the clock moved and the sixtieth tick.
    void minuteAt(const QDateTime &when)
    {
        for (int second = 1; second < 60; ++second)
            ticks.tick();
        clock.set(when);
        ticks.tick();
    }
    // A transfer control of the station's, found by its name.
    TransferQueue &transfers(const QString &name = QStringLiteral("inetFtp"))
    {
        return *station.findChild<TransferQueue *>(name);
    }
    QStringList log() const { return lines; }

    ProgramDir dir;
    FakeClock clock;
    SecondTicker ticks; // the station's timer stays stopped: the test ticks
    Station station;
    QStringList lines; // newest first, as the window shows them
};

} // namespace

class TestStation : public QObject
{
    Q_OBJECT

private slots:
    void scheduledFileArrives();
    void aDayOfTicksSendsEachTimeOnce();
    void statusFileName_data();
    void statusFileName();
    void statusFileNeverHoldsAnUploadBack_data();
    void statusFileNeverHoldsAnUploadBack();
    void statusFolderInDisguise_data();
    void statusFolderInDisguise();
    void eachNewlyOwedFileIsSaidOnce_data();
    void eachNewlyOwedFileIsSaidOnce();
};

void TestStation::scheduledFileArrives()
{
    FtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    Desk w(at(8, 29, 5), {{1, QStringLiteral("08:30")}}, server.address());
    const QByteArray records("station 12, 5 March 2021\n");
    writeFile(w.dir.file(QStringLiteral("20210305.txt")), records);
    QSignalSpy finished(&w.station, &Station::transferEnded);

    w.tick(59);
    QCOMPARE(finished.count(), 0);
    QVERIFY(w.log().isEmpty());
    w.tick(1); // 08:30:05, the sixtieth tick
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QCoreApplication::processEvents();

    QCOMPARE(server.stored(QStringLiteral("upload/20210305.12")), records);
    const QString host = server.address();
    const QStringList expected{u"Disconnected " + host, u"Disconnecting " + host, QStringLiteral("ResponseCompleted."),
                               u"Connected " + host, u"Connecting " + host,
                               u"SEND " + w.dir.path() + QStringLiteral("/20210305.txt /upload/20210305.12"),
                               QStringLiteral("2021/03/05-08:30")};
    QCOMPARE(w.log(), expected);
}

void TestStation::aDayOfTicksSendsEachTimeOnce()
{
    FtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    const QMap<int, QString> timeSlots{{1, QStringLiteral("01:00")}, {2, QStringLiteral("03:30")},
                                   {3, QStringLiteral("06:15")}, {4, QStringLiteral("08:30")},
                                   {5, QStringLiteral("11:45")}, {6, QStringLiteral("14:00")},
                                   {7, QStringLiteral("17:20")}, {8, QStringLiteral("20:59")},
                                   {9, QStringLiteral("00:30")}, {10, QStringLiteral("23:58")}};
    Desk w(at(0, 0, 7), timeSlots, server.address());
    const QByteArray today("records of 5 March\n");
    const QByteArray yesterday("records of 4 March\n");
    writeFile(w.dir.file(QStringLiteral("20210305.txt")), today);
    writeFile(w.dir.file(QStringLiteral("20210304.txt")), yesterday);
    QSignalSpy finished(&w.station, &Station::transferEnded);

    // Ticks that are neither exact nor steady: mostly a little late, now and then early, and
    // now and then held up for seconds, so that checks drift across minute boundaries all day.
    // (The seed is one whose ticks skip or double a configured minute; checked below.)
    quint32 seed = 3;
    const auto jitter = [&seed](int) {
        seed = seed * 1664525u + 1013904223u;
        const int r = int(seed >> 24);          // 0..255
        return r < 6 ? 2500 : r < 14 ? -400 : r % 40; // -400 ms .. +2500 ms
    };
    int ticks = 0;
    QMap<QString, int> checksInMinute; // "HH:MM" -> how many checks fell into that clock minute
    QObject::connect(&w.station, &Station::minutePassed,
                     [&] { ++checksInMinute[w.clock.now().toString(u"HH:mm")]; });
    while (w.clock.now() < at(23, 59, 30))
        w.tick(1, 1000, [&](int) { return jitter(ticks++); });
    QVERIFY(ticks > 80000);
    // The run must include what defeats a check of its own minute alone: a configured minute
    // no check fell into, or one that two checks fell into.
    int missedOrTwice = 0;
    for (const QString &time : timeSlots)
        missedOrTwice += checksInMinute.value(time) != 1 ? 1 : 0;
    QVERIFY2(missedOrTwice > 0, "these ticks did not exercise the catch-up; change the seed");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 10, 60000);

    const QList<QByteArray> stores = [&] {
        QList<QByteArray> result;
        for (const QByteArray &line : server.commandLog().split('\n'))
            if (line.startsWith("STOR "))
                result << line;
        return result;
    }();
    QCOMPARE(stores.size(), 10);
    QCOMPARE(stores.count("STOR .20210305.12.part"), 8);
    QCOMPARE(stores.count("STOR .20210304.12.part"), 2);
    QCOMPARE(server.stored(QStringLiteral("upload/20210305.12")), today);
    QCOMPARE(server.stored(QStringLiteral("upload/20210304.12")), yesterday);
    for (const auto &args : finished)
        QVERIFY(args.at(0).value<FtpResult>().succeeded);
}

void TestStation::statusFileName_data()
{
    QTest::addColumn<QString>("statusPath");
    QTest::addColumn<QString>("stationNo");
    QTest::addColumn<QString>("expected"); // empty: none is written
    QTest::newRow("not set") << "" << "12" << "";
    QTest::newRow("a folder of its own") << "/status" << "12" << "/status/korva5-status.12.json";
    QTest::newRow("relative, with its slash") << "status/" << "07" << "status/korva5-status.07.json";
    QTest::newRow("the records folder: never") << "/upload" << "12" << "";
    QTest::newRow("the records folder spelt otherwise") << "/upload//" << "12" << "";
    QTest::newRow("the records folder through . and ..") << "/upload/./x/../" << "12" << "";
    QTest::newRow("the records folder, relative to a login folder of /") << "upload" << "12" << "";
    QTest::newRow("a folder beside it") << "/upload-status/" << "12" << "/upload-status/korva5-status.12.json";
    QTest::newRow("no station number") << "/status" << "" << "";
    QTest::newRow("a station number that leaves the folder") << "/status" << "../12" << "";
}

void TestStation::statusFileName()
{
    QFETCH(QString, statusPath);
    QFETCH(QString, stationNo);
    QFETCH(QString, expected);
    Settings settings;
    settings.FtpPath = QStringLiteral("/upload/");
    settings.FtpNo = stationNo;
    settings.FtpStatusPath = statusPath;
    QString why;
    QCOMPARE(HeartbeatWriter::remotePath(settings, &why), expected);
    QCOMPARE(why.isEmpty(), !expected.isEmpty() || statusPath.isEmpty());
}

void TestStation::statusFileNeverHoldsAnUploadBack_data()
{
    QTest::addColumn<QString>("statusPath");
    QTest::addColumn<bool>("written");
    QTest::newRow("status folder") << "/status" << true;
    QTest::newRow("a status folder the server does not have") << "/nowhere/at/all" << false;
}

void TestStation::statusFileNeverHoldsAnUploadBack()
{
    QFETCH(QString, statusPath);
    QFETCH(bool, written);
    FtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    QVERIFY(QDir(server.root()).mkpath(QStringLiteral("status")));
    Desk w(at(8, 29, 5), {{1, QStringLiteral("08:30")}}, server.address(), {{QStringLiteral("FtpStatusPath"), statusPath}});
    writeFile(w.dir.file(QStringLiteral("20210305.txt")), "records\n");
    QSignalSpy status(&w.station, &Station::statusWritten);
    QSignalSpy finished(&w.station, &Station::transferEnded);
    QTRY_COMPARE_WITH_TIMEOUT(status.count(), 1, 30000); // at start
    w.tick(60);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(status.count(), 2, 30000); // after the upload
    QVERIFY(server.holds(QStringLiteral("upload/20210305.12")));
    QCOMPARE(status.last().first().toBool(), written);
    QVERIFY(!w.station.isAlarming());
    // Nothing but records files in the records folder, and no temporary name left anywhere.
    QCOMPARE(QDir(server.root() + QStringLiteral("/upload")).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("20210305.12")});
    if (!written) {
        QVERIFY(QDir(server.root() + QStringLiteral("/status")).isEmpty());
        return;
    }
    QCOMPARE(QDir(server.root() + QStringLiteral("/status")).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("korva5-status.12.json")});
    const QJsonObject json = QJsonDocument::fromJson(server.stored(QStringLiteral("status/korva5-status.12.json"))).object();
    QCOMPARE(json[u"format"].toInt(), HeartbeatWriter::Format);
    QCOMPARE(json[u"station"].toString(), QStringLiteral("12"));
    QCOMPARE(json[u"lastDelivery"][u"file"].toString(), QStringLiteral("/upload/20210305.12"));
    QVERIFY(!json[u"version"].toString().isEmpty());
    // Every time says its offset, and the station its zone: the office may be in another.
    for (const QJsonValue &time : {json[u"writtenAt"], json[u"checkedAt"], json[u"lastDelivery"][u"at"], json[u"times"][0][u"due"]}) {
        QVERIFY2(IsoTime::read(time.toString()).hasOffset, qPrintable(time.toString()));
        QCOMPARE(IsoTime::read(time.toString()).at.offsetFromUtc(), json[u"utcOffsetSeconds"].toInt());
    }
    QCOMPARE(json[u"timeZone"].toString(), IsoTime::systemZoneName());
}

void TestStation::statusFolderInDisguise_data()
{
    QTest::addColumn<bool>("sftp");        // OpenSSH's sftp, else vsftpd
    QTest::addColumn<QString>("spelling"); // how FtpStatusPath names a folder
    QTest::addColumn<QString>("said");     // on standard error; empty: the status file is written
    const QString sameBytes = u"is there too, with the same bytes"_qs;
    // The login folder (FtpPath empty) by its absolute name: no rule on names can know it. An
    // anonymous vsftpd logs in to "/", where nothing may be written, so its records folder by an
    // absolute name is one that the rule on names knows.
    QTest::newRow("vsftpd: the records folder by its absolute name") << false << u"absolute"_qs
                                                                     << u"FtpStatusPath is the records folder"_qs;
    QTest::newRow("sshd: the login folder by its absolute name") << true << u"absolute"_qs << sameBytes;
    for (const bool sftp : {false, true}) {
        const char *server = sftp ? "sshd" : "vsftpd";
        QTest::addRow("%s: a link on the server to the records folder", server) << sftp << u"link"_qs << sameBytes;
        QTest::addRow("%s: a folder of its own", server) << sftp << u"elsewhere"_qs << QString();
    }
}

// The status file never lands among the records, however the status folder is spelt: the server
// is asked whether the file sent shows up in the records folder too.
void TestStation::statusFolderInDisguise()
{
    QFETCH(bool, sftp);
    QFETCH(QString, spelling);
    QFETCH(QString, said);
    if (const QString why = sftp ? Sshd::unavailable() : Vsftpd::unavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));
    const bool absolute = spelling == u"absolute";
    std::unique_ptr<Sshd> sshd;
    std::unique_ptr<Vsftpd> vsftpd;
    QString records; // the records folder on this disk
    QMap<QString, QString> settings;
    if (sftp) {
        sshd = std::make_unique<Sshd>(absolute ? u"upload"_qs : QString());
        QVERIFY2(sshd->isRunning(), qPrintable(sshd->error()));
        records = sshd->remoteFolder();
        const QString beside = QFileInfo(records.chopped(1)).path();
        settings = {{u"FtpServer"_qs, sshd->address()}, {u"FtpUserName"_qs, Sshd::User}, {u"FtpPassword"_qs, Sshd::Password},
                    {u"FtpPath"_qs, absolute ? QString() : records},
                    {u"FtpStatusPath"_qs, absolute ? records : spelling == u"link" ? beside + u"/link/"_qs : sshd->makeRemoteFolder(u"status"_qs)}};
        if (spelling == u"link")
            QVERIFY(QFile::link(u"upload"_qs, beside + u"/link"_qs));
        qputenv("HOME", QFile::encodeName(sshd->homeWithKnownHosts(sshd->knownHostsLine())));
    } else {
        vsftpd = std::make_unique<Vsftpd>();
        QVERIFY2(vsftpd->isRunning(), qPrintable(vsftpd->error()));
        records = vsftpd->root() + u"/upload/"_qs;
        settings = {{u"FtpServer"_qs, vsftpd->address()}, {u"FtpUserName"_qs, Vsftpd::User}, {u"FtpPassword"_qs, Vsftpd::Password},
                    {u"FtpPath"_qs, u"upload/"_qs}, {u"FtpStatusPath"_qs, absolute ? u"/upload/"_qs : u"/status/"_qs}};
        const QString status = vsftpd->root() + u"/status"_qs;
        if (spelling == u"link")
            QVERIFY(QFile::link(u"upload"_qs, status));
        if (spelling == u"elsewhere")
            QVERIFY(QDir().mkpath(status) && QFile::setPermissions(status, QFile::Permissions(0x7777)));
    }
    MessageCapture capture;
    Desk w(at(8, 29, 5), {}, settings.value(u"FtpServer"_qs), settings);
    QSignalSpy status(&w.station, &Station::statusWritten);
    if (said.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(status.count(), 1, 30000); // the one at start
        QVERIFY2(status.first().first().toBool(), qPrintable(capture.text()));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(capture.text().contains(u"korva5.heartbeat"_qs), 30000);
        QVERIFY2(capture.text().contains(said), qPrintable(capture.text()));
        QTRY_VERIFY_WITH_TIMEOUT(!w.transfers(QStringLiteral("statusFtp")).isBusy(), 30000);
    }
    // Nothing of it among the records, not even under its temporary name.
    QCOMPARE(QDir(records).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestStation::eachNewlyOwedFileIsSaidOnce_data()
{
    QTest::addColumn<QStringList>("times");  // "1=08:30": FtpTime1 at 08:30
    QTest::addColumn<QStringList>("events"); // at a minute: a records file comes (+) or goes (-), or Manual Upload
    QTest::addColumn<QString>("until");
    QTest::addColumn<QStringList>("said");   // the notifications, in order
    // Today is 5 March: times 1 and 2 send 20210305.12, time 9 sends yesterday's 20210304.12. No
    // records file is there unless an event brings it, so every upload fails until then.
    QTest::newRow("the retries of one file") << QStringList{QStringLiteral("1=08:30")} << QStringList() << "08:45"
                                             << QStringList{QStringLiteral("failed 20210305.12")};
    QTest::newRow("a second file while the first is owed")
        << QStringList{QStringLiteral("1=08:30"), QStringLiteral("9=08:35")} << QStringList() << "08:45"
        << QStringList{QStringLiteral("failed 20210305.12"), QStringLiteral("failed 20210304.12")};
    QTest::newRow("another time of the file owed")
        << QStringList{QStringLiteral("1=08:30"), QStringLiteral("2=08:40")} << QStringList() << "08:45"
        << QStringList{QStringLiteral("failed 20210305.12")};
    QTest::newRow("owed again after it was delivered")
        << QStringList{QStringLiteral("1=08:30"), QStringLiteral("2=08:40")}
        << QStringList{QStringLiteral("08:32 +20210305"), QStringLiteral("08:38 -20210305")} << "08:45"
        << QStringList{QStringLiteral("failed 20210305.12"), QStringLiteral("delivered 20210305.12"),
                       QStringLiteral("failed 20210305.12")};
    // The operator saw it fail: nothing is owed, nothing said.
    QTest::newRow("a manual upload that fails") << QStringList() << QStringList{QStringLiteral("08:31 manual")} << "08:33"
                                                << QStringList();
}

// A notification says when a file becomes owed: at the first failed try of a file that was not
// owed, not at each retry of one that is, nor for another time of the same file.
void TestStation::eachNewlyOwedFileIsSaidOnce()
{
    QFETCH(QStringList, times);
    QFETCH(QStringList, events);
    QFETCH(QString, until);
    QFETCH(QStringList, said);
    FtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    QMap<int, QString> timeSlots;
    for (const QString &time : times)
        timeSlots.insert(time.section(u'=', 0, 0).toInt(), time.section(u'=', 1));
    Desk w(at(8, 29, 30), timeSlots, server.address());
    QStringList notified;
    QObject::connect(&w.station, &Station::notification,
                     [&](const QString &, const QString &, bool good, const QString &remotePath) {
                         notified << (good ? u"delivered " : u"failed ") + remotePath.section(u'/', -1);
                     });

    const QTime last = QTime::fromString(until, u"HH:mm");
    for (QTime minute(8, 30); minute <= last; minute = minute.addSecs(60)) {
        for (const QString &event : events) {
            if (event.section(u' ', 0, 0) != minute.toString(u"HH:mm"))
                continue;
            const QString what = event.section(u' ', 1);
            const QString file = w.dir.file(what.mid(1) + QStringLiteral(".txt"));
            if (what == u"manual")
                w.station.sendManual(w.clock.today());
            else if (what.startsWith(u'+'))
                writeFile(file, "records\n");
            else
                QVERIFY(QFile::remove(file));
        }
        w.minuteAt(QDateTime(w.clock.today(), minute.addSecs(30)));
        QTRY_VERIFY_WITH_TIMEOUT(!w.transfers().isBusy(), 30000);
        QCoreApplication::processEvents();
    }
    QCOMPARE(notified, said);
}

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
