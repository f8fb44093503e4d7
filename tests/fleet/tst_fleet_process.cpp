// SPDX-License-Identifier: MIT
// The built korva5-fleet against real FTP servers on 127.0.0.1 holding a fleet of forty
// stations' files and heartbeats, made here with known faults among them.
#include "core/clock/IsoTime.h"

#include "CoreTestSupport.h"
#include "FleetProcess.h"
#include "Vsftpd.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QUrl>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace korva5;
using namespace korva5::fleet;

using namespace TestSupport;
using namespace FleetProcess;

namespace {

QByteArray heartbeat(int station, const QDateTime &writtenAt, const QByteArray &state = "OK", const QByteArray &times = "[]")
{
    return "{\"format\":1,\"version\":\"1.00\",\"writtenAt\":\"" + IsoTime::text(writtenAt).toLatin1() + "\",\"station\":\""
        + QByteArray::number(station) + "\",\"state\":\"" + state + "\",\"exitStatus\":0,\"summary\":\"\",\"checkedAt\":null,"
        "\"lastDelivery\":null,\"owed\":" + (state == "OK" ? "0" : "1") + ",\"givenUp\":0,\"underWay\":0,\"times\":" + times + "}";
}

// The day checked: yesterday, on a clock set to its evening, so that every time of it has passed
// whenever the test runs, the servers list its files with their times, and it is the check's
// today (heartbeats tell how a station stands on the day it is).
QDate checkedDay()
{
    return QDate::currentDate().addDays(-1);
}

QDateTime checkedAt()
{
    return QDateTime(checkedDay(), QTime(20, 0));
}

// korva5-fleet on that clock.
Answer runCheck(const QStringList &arguments)
{
    return FleetProcess::runFleet(arguments, clockAt(checkedAt()));
}

// Stations 1 to 40 send at 08:30 and 12:00, each file of sixty days, the last at 12:10; station
// 7's file of the day checked is missing, 13's is only a temporary file, 21's is empty, 33's came
// late (12:20). Station 5
// leaves no heartbeat, 9's is broken, 17's is stale, 25's is from a newer program, 29's owes an
// upload. Station 41 is not in the list; some names are no records files at all.
void layOutFleet(const QString &records, const QString &status)
{
    QVERIFY(QDir().mkpath(records) && QDir().mkpath(status));
    const QDate day = checkedDay();
    const QDateTime now = checkedAt();
    for (int station = 1; station <= 41; ++station) {
        for (int back = 0; back < 60; ++back) {
            const QDate date = day.addDays(-back);
            const QString name = date.toString(u"yyyyMMdd") + u'.' + QString::number(station);
            // Minutes from the edge of the late limit (12:15) on both sides: a listing read in the
            // wrong time zone moves them across it.
            const QDateTime sent(date, QTime(12, 10));
            if (back == 0 && station == 7)
                continue;
            if (back == 0 && station == 13) {
                write(records + u"/." + name + u".part", recordsOf(name, 900), sent);
                continue;
            }
            write(records + u'/' + name, back == 0 && station == 21 ? QByteArray() : recordsOf(name, 200),
                  back == 0 && station == 33 ? QDateTime(date, QTime(12, 20)) : sent);
        }
        const QString beat = status + QStringLiteral("/korva5-status.%1.json").arg(station);
        switch (station) {
        case 5:
            break;
        case 9:
            write(beat, "{\"format\":1,\"version\":", now);
            break;
        case 17:
            write(beat, heartbeat(station, now.addSecs(-3 * 3600)), now.addSecs(-3 * 3600));
            break;
        case 25:
            write(beat, "{\"format\":2,\"station\":\"25\",\"stations\":[]}", now);
            break;
        case 29:
            write(beat, heartbeat(station, now.addSecs(-300), "WARNING",
                                  "[{\"day\":\"today\",\"slot\":\"FtpTime1\",\"file\":\"/upload/x.29\",\"state\":\"owed\","
                                  "\"severity\":\"WARNING\",\"reasonKind\":\"login-refused\",\"text\":\"failed\"}]"),
                  now);
            break;
        default:
            write(beat, heartbeat(station, now.addSecs(-300)), now);
        }
    }
    for (int n = 0; n < 300; ++n)
        write(records + QStringLiteral("/notes-%1.txt").arg(n), "x", now);
}

const QString FleetSummary = u"%1: 38 of 40 arrived (36 on time, 1 late, 1 empty) - missing: 7, 13 - empty: 21 - late: 33 - "
                             "heartbeat unreadable: 9, 25 - heartbeat stale: 17 - station reports uploads owed: 29"_qs;
const QString FleetPerfData = u"expected=40;;;0 arrived=38;;;0 on_time=36;;;0 late=1;;;0 empty=1;;;0 missing=2;;;0 partial=1;;;0 "
                              "not_due=0;;;0 stale_heartbeats=1;;;0 bad_heartbeats=2;;;0 clock_ahead=0;;;0 no_zone=0;;;0 "
                              "no_heartbeat=1;;;0 owing=1;;;0"_qs;

QStringList fleetArguments(const QString &server, const QString &user, const QString &password)
{
    return {u"--server"_qs, server, u"--user"_qs, user, u"--password"_qs, password, u"--records-folder"_qs, u"/upload/"_qs,
            u"--status-folder"_qs, u"/upload/status/"_qs, u"--stations"_qs, u"1-40"_qs, u"--time"_qs, u"1=08:30"_qs,
            u"--time"_qs, u"2=12:00"_qs};
}

} // namespace

class TestFleetProcess : public QObject
{
    Q_OBJECT

private:
    // Checks the fleet on a server holding it: the same answer from every server and protocol.
    void checkFleet(const QStringList &arguments, const QString &method)
    {
        const Answer text = runCheck(arguments);
        QVERIFY2(text.exitStatus == 2, qPrintable(text.out + text.err));
        QCOMPARE(text.summary(), u"CRITICAL: "_qs + FleetSummary.arg(checkedDay().toString(Qt::ISODate)));
        QCOMPARE(text.firstLine().section(u" | "_qs, 1), FleetPerfData);
        // NLST gives no types: the status folder is one more name that is not a records file.
        const QString notRecords = method == u"NLST" ? u"301"_qs : u"300"_qs;
        QVERIFY2(text.out.contains(notRecords + u" name(s) in the records folder are not records files"_qs), qPrintable(text.out));
        // Station 41's files of the seven days looked at, and its heartbeat.
        QVERIFY2(text.out.contains(u"files of stations not in the list: 41 (8 file(s))"_qs), qPrintable(text.out));
        QVERIFY2(text.out.contains(u"listed with "_qs + method), qPrintable(text.out.right(400)));

        const Answer json = runCheck(arguments + QStringList{u"--json"_qs});
        QCOMPARE(json.exitStatus, 2);
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        // One connection more for every 32 heartbeats or names: at most two for the forty
        // heartbeats (on this machine the first may have read them all before the second has
        // logged in); the names of seven days asked for one by one after NLST are work enough for
        // more, within 16.
        const int connections = object.value(u"listing").toObject().value(u"connections").toInt();
        if (method == u"NLST")
            QVERIFY2(connections > 2 && connections <= 16, qPrintable(QString::number(connections)));
        else
            QVERIFY2(connections == 1 || connections == 2, qPrintable(QString::number(connections)));
        QMap<QString, QStringList> byFile, byHeartbeat;
        for (const QJsonValue &value : object.value(u"stations").toArray()) {
            const QJsonObject station = value.toObject();
            const QString number = station.value(u"station").toString();
            byFile[station.value(u"file").toObject().value(u"state").toString()] << number;
            byHeartbeat[station.value(u"heartbeat").toObject().value(u"state").toString()] << number;
        }
        QCOMPARE(byFile.value(u"missing"_qs), (QStringList{u"7"_qs, u"13"_qs}));
        QCOMPARE(byFile.value(u"empty"_qs), QStringList{u"21"_qs});
        QCOMPARE(byFile.value(u"late"_qs), QStringList{u"33"_qs});
        QCOMPARE(byFile.value(u"arrived"_qs).size(), 36);
        QCOMPARE(byHeartbeat.value(u"none"_qs), QStringList{u"5"_qs});
        QCOMPARE(byHeartbeat.value(u"unreadable"_qs), QStringList{u"9"_qs});
        QCOMPARE(byHeartbeat.value(u"newer"_qs), QStringList{u"25"_qs});
        QCOMPARE(byHeartbeat.value(u"stale"_qs), QStringList{u"17"_qs});
        QCOMPARE(byHeartbeat.value(u"fresh"_qs).size(), 36);
    }

private slots:
    void initTestCase()
    {
        if (fakeTimeLibrary().isEmpty())
            QSKIP("needs libfaketime (Debian package faketime) to run the check on a clock of the test's");
    }

    void vsftpd_data()
    {
        QTest::addColumn<int>("tls");
        QTest::newRow("plain FTP") << int(Vsftpd::Tls::None);
        QTest::newRow("explicit TLS") << int(Vsftpd::Tls::Explicit);
        QTest::newRow("implicit TLS") << int(Vsftpd::Tls::Implicit);
    }
    void vsftpd()
    {
        QFETCH(int, tls);
        if (const QString why = Vsftpd::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        Vsftpd server({Vsftpd::Tls(tls), 0});
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        layOutFleet(server.root() + u"/upload"_qs, server.root() + u"/upload/status"_qs);
        QStringList arguments = fleetArguments(server.address(), Vsftpd::User, Vsftpd::Password);
        if (tls != int(Vsftpd::Tls::None))
            arguments << u"--ca-bundle"_qs << server.certificate();
        // vsftpd leaves dot files out of a plain LIST: the temporary file is seen through LIST -a.
        checkFleet(arguments, u"LIST"_qs);
    }

    void pyftpdlib()
    {
        FtpServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        layOutFleet(server.root() + u"/upload"_qs, server.root() + u"/upload/status"_qs);
        const QStringList arguments = fleetArguments(server.address(), FtpServer::User, FtpServer::Password);
        checkFleet(arguments, u"MLSD"_qs);

        // The other forms from the same check: a page of the last seven days and the metrics.
        QTemporaryDir pages;
        const QString page = pages.filePath(u"fleet.html"_qs);
        const Answer prometheus = runCheck(arguments + QStringList{u"--prometheus"_qs, u"--html"_qs, page, u"--language"_qs, u"China"_qs});
        QCOMPARE(prometheus.exitStatus, 2);
        const QString missing7 = u"\nkorva5_fleet_station_file_state{station=\"7\",state=\"missing\"} 1\n"_qs;
        QVERIFY(prometheus.out.contains(missing7));
        QVERIFY(prometheus.out.contains(u"\nkorva5_fleet_station_file_size_bytes{station=\"21\"} 0\n"_qs));
        QVERIFY(prometheus.out.contains(u"\nkorva5_fleet_station_file_state{station=\"40\",state=\"arrived\"} 1\n"_qs));
        // As Prometheus' own linter reads the file the service writes; then the server goes
        // unreadable (a password changed), and the stations' states stay as they were.
        const QString prom = pages.filePath(u"korva5-fleet.prom"_qs);
        QCOMPARE(runCheck(arguments + QStringList{u"--prometheus-file"_qs, prom}).exitStatus, 2);
        QProcess promtool;
        promtool.setStandardInputFile(prom);
        promtool.setProcessChannelMode(QProcess::MergedChannels);
        promtool.start(u"promtool"_qs, {u"check"_qs, u"metrics"_qs});
        QVERIFY2(promtool.waitForFinished(60000), "promtool (Debian's prometheus package) is needed");
        QVERIFY2(promtool.exitCode() == 0, promtool.readAll().constData());
        QStringList outage = arguments;
        outage[outage.indexOf(u"--password"_qs) + 1] = u"changed"_qs;
        QCOMPARE(runCheck(outage + QStringList{u"--prometheus-file"_qs, prom}).exitStatus, 3);
        const QString kept = QString::fromUtf8(readFile(prom));
        QVERIFY2(kept.contains(u"\nkorva5_fleet_up 0\n"_qs) && kept.contains(missing7), qPrintable(kept));
        const QString html = QString::fromUtf8(readFile(page));
        QCOMPARE(html.count(u"<td class=\"d "_qs), 40 * 7);
        QCOMPARE(html.count(u"<td class=\"d bad\""_qs), 2);
        // As a browser reads it: the document it builds holds every cell and every row's words,
        // in the language asked, and nothing hangs on hover.
        if (QFileInfo(u"/usr/bin/chromium"_qs).isExecutable()) {
            QProcess browser;
            browser.start(u"/usr/bin/chromium"_qs, {u"--headless"_qs, u"--no-sandbox"_qs, u"--disable-gpu"_qs, u"--dump-dom"_qs,
                                                  QUrl::fromLocalFile(page).toString()});
            QVERIFY(browser.waitForFinished(90'000));
            const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
            QCOMPARE(dom.count(u"<td class=\"d "_qs), 40 * 7);
            QCOMPARE(dom.count(u"<td class=\"why"_qs), 40);
            QCOMPARE(dom.count(u"title=\""_qs), 0);
            QVERIFY(dom.contains(u"<html lang=\"zh-Hans\">"_qs));
            QVERIFY(dom.contains(u"<th class=\"st\">站号</th>"_qs));
            QVERIFY(dom.contains(u"<meta http-equiv=\"refresh\" content=\"300\">"_qs));
            QVERIFY(dom.contains(u"<meta name=\"viewport\""_qs));
            // Station 29's own reason on its row, the check's words in Chinese: station 7's file
            // missing, 21's empty, 17's heartbeat stale, and the summary.
            QVERIFY2(dom.contains(u"站点报告：failed"_qs), qPrintable(dom.right(3000)));
            for (const QString &words : {u"未到达（应于 "_qs, u"空文件（0 字节）"_qs, u"已过时：3 小时前写入"_qs, u"：应到 40 个，已到 "_qs})
                QVERIFY2(dom.contains(words), qPrintable(words));
            for (const QString &words : {u"due by"_qs, u" bytes"_qs, u" ago"_qs, u" arrived"_qs})
                QVERIFY2(!dom.contains(words), qPrintable(words));
        } else {
            qWarning("chromium is not installed: the page was not read by a browser");
        }
        // Another day is judged by what the listing shows of it alone: the heartbeats tell how the
        // stations stand today, and are not read (station 29 owes something today).
        const QDate before = checkedDay().addDays(-1);
        const Answer earlier = runCheck(arguments + QStringList{u"--day"_qs, before.toString(u"yyyyMMdd")});
        QCOMPARE(earlier.exitStatus, 0);
        QCOMPARE(earlier.summary(), u"OK: %1: 40 of 40 arrived"_qs.arg(before.toString(Qt::ISODate)));
        QVERIFY2(!earlier.out.section(u'\n', 1, 1).contains(u"heartbeat"_qs), qPrintable(earlier.out));
        QVERIFY2(!earlier.out.contains(u"the station says"_qs), qPrintable(earlier.out));
        // Each connection logs in once: at most two for each of five checks (forty heartbeats, or
        // the other day's forty names), one refused for the outage.
        const qsizetype logins = server.commandLog().count("USER ");
        QVERIFY2(logins >= 6 && logins <= 11, qPrintable(QString::number(logins)));
    }

    // A fleet large enough to share its heartbeats and names out among connections: never more
    // at once than allowed, and the same answer as over one.
    void manyStationsOverFewConnections_data()
    {
        QTest::addColumn<int>("connections");
        QTest::addColumn<QString>("fault");
        QTest::newRow("3") << 3 << QString();
        QTest::newRow("8") << 8 << QString();
        QTest::newRow("16, the most") << 16 << QString();
        // What the added connections cannot read, the first reads again.
        QTest::newRow("8, the added ones refused RETR") << 8 << u"retr-unlisted"_qs;
        QTest::newRow("8, the added ones stalled in RETR") << 8 << u"retr-stall-unlisted"_qs;
        QTest::newRow("8, the added ones find no file by SIZE") << 8 << u"size-unlisted"_qs;
        // Within its time all the same: the answer to QUIT is waited for a second, all the
        // connections together (not a minute each, one after another).
        QTest::newRow("16, QUIT never answered") << 16 << u"no-quit"_qs;
    }

    void manyStationsOverFewConnections()
    {
        QFETCH(int, connections);
        QFETCH(QString, fault);
        FtpServer server({fault});
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        const QString records = server.root() + u"/upload"_qs;
        QVERIFY(QDir().mkpath(records + u"/status"_qs));
        const QDateTime now = checkedAt();
        for (int station = 1; station <= 400; ++station) {
            const QString name = checkedDay().toString(u"yyyyMMdd") + u'.' + QString::number(station);
            if (station % 50 != 7)
                write(records + u'/' + name, recordsOf(name, 100 + station), QDateTime(checkedDay(), QTime(8, 40)));
            if (station % 60 != 5)
                write(records + QStringLiteral("/status/korva5-status.%1.json").arg(station),
                      station % 70 == 9 ? QByteArray("{broken") : heartbeat(station, now.addSecs(-300 - 3600 * (station % 2))), now);
        }
        QStringList arguments = fleetArguments(server.address(), FtpServer::User, FtpServer::Password);
        arguments[arguments.indexOf(u"1-40"_qs)] = u"1-400"_qs;
        // What each station is found to be, the ages left out (the clock runs on between checks).
        const auto verdicts = [&](int most, qsizetype *logins) {
            const qsizetype before = server.commandLog().count("USER ");
            const Answer answer = runCheck(arguments + QStringList{u"--json"_qs, u"--connections"_qs, QString::number(most)});
            *logins = server.commandLog().count("USER ") - before;
            const QJsonObject object = QJsonDocument::fromJson(answer.out.toUtf8()).object();
            QStringList found{object.value(u"summary").toString(), QString::number(answer.exitStatus)};
            for (const QJsonValue &value : object.value(u"stations").toArray()) {
                const QJsonObject file = value[u"file"].toObject(), beat = value[u"heartbeat"].toObject();
                found << value[u"station"].toString() + u' ' + file[u"text"].toString() + u' '
                             + QString::number(file[u"confirmed"].toBool()) + u' ' + beat[u"state"].toString();
            }
            return found;
        };
        qsizetype one = 0, many = 0;
        const QStringList alone = verdicts(1, &one);
        QElapsedTimer took;
        took.start();
        const QStringList shared = verdicts(connections, &many);
        if (fault == u"no-quit")
            QVERIFY2(took.elapsed() < 30'000, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(one, 1);
        // Closed before the first asks again what they could not tell, the added connections
        // log in once more for the heartbeats.
        const qsizetype logins = fault == u"size-unlisted" ? 2 * connections : connections;
        QVERIFY2(many > 1 && many <= logins, qPrintable(QString::number(many)));
        QCOMPARE(alone.size(), 402);
        QVERIFY2(alone.first().contains(u"missing: 7, 57,"_qs), qPrintable(alone.first()));
        QCOMPARE(shared, alone);
    }

    // A LIST answer in no known form: the names alone (NLST), then the size and time of those
    // the check needs, one by one. Without NLST either, the check cannot be made.
    void listingInNoKnownForm()
    {
        FtpServer server({u"garbage-list"_qs});
        QVERIFY2(server.isRunning(), qPrintable(server.error()));
        layOutFleet(server.root() + u"/upload"_qs, server.root() + u"/upload/status"_qs);
        checkFleet(fleetArguments(server.address(), FtpServer::User, FtpServer::Password), u"NLST"_qs);

        FtpServer without({u"garbage-list-no-nlst"_qs});
        QVERIFY2(without.isRunning(), qPrintable(without.error()));
        QDir().mkpath(without.root() + u"/upload/status"_qs);
        const Answer answer = runCheck(fleetArguments(without.address(), FtpServer::User, FtpServer::Password));
        QCOMPARE(answer.exitStatus, 3);
        QVERIFY2(answer.firstLine().startsWith(u"UNKNOWN: cannot list the records folder /upload/ on 127.0.0.1:"_qs), qPrintable(answer.out));
        QVERIFY2(answer.firstLine().contains(u"cannot read the listing: the answer to LIST could not be read (first line: "
                                             "\"<html><body>\"), and NLST failed: 502 Command not implemented (scripted fault)."_qs),
                 qPrintable(answer.out));
    }

    // The check cannot be made: UNKNOWN with why, whichever form was asked for.
    void cannotBeMade_data()
    {
        QTest::addColumn<QString>("folderMode"); // vsftpd: the records folder's mode; empty: pyftpdlib
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("why");
        QTest::newRow("a folder the login cannot enter") << u"0700"_qs << QString() << false
                                                         << u"cannot open the records folder /upload/ on 127.0.0.1:%1: 550 Failed to change directory."_qs;
        // vsftpd answers a folder it may enter but not read with "226 Transfer done (but failed
        // to open directory)" and nothing listed.
        QTest::newRow("a folder the login cannot list") << u"0711"_qs << QString() << false
                                                        << u"cannot list the records folder /upload/ on 127.0.0.1:%1: 226 Transfer done (but failed to open directory)."_qs;
        QTest::newRow("a password refused") << QString() << u"wrong"_qs << false
                                            << u"cannot open the records folder /upload/ on 127.0.0.1:%1: 530 Authentication failed."_qs;
        QTest::newRow("nothing listens") << QString() << QString() << true << u"cannot open the records folder /upload/ on 127.0.0.1:%1: "_qs;
    }
    void cannotBeMade()
    {
        QFETCH(QString, folderMode);
        QFETCH(QString, password);
        QFETCH(bool, closed);
        QFETCH(QString, why);
        std::unique_ptr<Vsftpd> vsftpd;
        std::unique_ptr<FtpServer> pyftpdlib;
        QString address;
        QStringList login;
        int port = 0;
        if (!folderMode.isEmpty()) {
            if (const QString missing = Vsftpd::unavailable(); !missing.isEmpty())
                QSKIP(qPrintable(missing));
            vsftpd = std::make_unique<Vsftpd>();
            QVERIFY2(vsftpd->isRunning(), qPrintable(vsftpd->error()));
            // The anonymous login runs as the user ftp; the folder is root's.
            const QString folder = vsftpd->root() + u"/upload"_qs;
            QVERIFY(::chown(QFile::encodeName(folder).constData(), 0, 0) == 0);
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), mode_t(folderMode.toUInt(nullptr, 8))) == 0);
            write(folder + u"/20261207.1"_qs, "x", QDateTime::currentDateTime());
            address = vsftpd->address();
            port = vsftpd->port();
            login = {Vsftpd::User, Vsftpd::Password};
        } else if (closed) {
            port = closedPort();
            address = u"127.0.0.1:%1"_qs.arg(port);
            login = {FtpServer::User, FtpServer::Password};
        } else {
            pyftpdlib = std::make_unique<FtpServer>();
            QVERIFY2(pyftpdlib->isRunning(), qPrintable(pyftpdlib->error()));
            address = pyftpdlib->address();
            port = pyftpdlib->port();
            login = {FtpServer::User, password};
        }
        const QStringList arguments = fleetArguments(address, login.first(), login.last());
        const Answer text = runCheck(arguments);
        QCOMPARE(text.exitStatus, 3);
        QVERIFY2(text.out.startsWith(u"UNKNOWN: "_qs + why.arg(port)), qPrintable(text.out));
        QCOMPARE(text.out.count(u'\n'), 1);

        const Answer prometheus = runCheck(arguments + QStringList{u"--prometheus"_qs});
        QCOMPARE(prometheus.exitStatus, 3);
        QVERIFY(prometheus.out.contains(u"\nkorva5_fleet_up 0\n"_qs));
        const Answer json = runCheck(arguments + QStringList{u"--json"_qs});
        QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8()).object().value(u"state").toString(), u"UNKNOWN"_qs);
    }

    void settingsThatCannotWork()
    {
        const Answer usage = runCheck({u"--stations"_qs, u"1-40,45-x"_qs, u"--server"_qs, u"localhost"_qs});
        QCOMPARE(usage.exitStatus, 64);
        QVERIFY2(usage.err.contains(u"--stations: \"45-x\" is not a range of station numbers"_qs), qPrintable(usage.err));
        const Answer nothing = runCheck({});
        QCOMPARE(nothing.exitStatus, 3);
        QCOMPARE(nothing.out, u"UNKNOWN: no server is set (Server in fleet.ini, or --server)\n"_qs);
    }
};

QTEST_GUILESS_MAIN(TestFleetProcess)
#include "tst_fleet_process.moc"
