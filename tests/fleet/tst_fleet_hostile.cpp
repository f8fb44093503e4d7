// SPDX-License-Identifier: MIT
// The built korva5-fleet against what a station or a server may send to mislead it: names that
// pass for other lines, listings of garbage, without an end, cut off or stalled, and stations in
// zones of their own.
#include "core/clock/IsoTime.h"

#include "CoreTestSupport.h"
#include "FleetProcess.h"
#include "Sshd.h"
#include "Vsftpd.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <sys/stat.h>

using namespace korva5;
using namespace korva5::fleet;

using namespace TestSupport;
using namespace FleetProcess;

namespace {

// The day checked, on a clock set to its evening: every time of it has passed, and the servers
// list its files with their times.
QDate checkedDay()
{
    return QDate::currentDate().addDays(-1);
}

QString dayName(QDate day = checkedDay())
{
    return day.toString(u"yyyyMMdd");
}

// A server holding a records folder, of whichever kind a row asks for.
struct Server
{
    std::unique_ptr<FtpServer> pyftpdlib;
    std::unique_ptr<Vsftpd> vsftpd;
    std::unique_ptr<Sshd> sshd;
    QString records; // the records folder on this disk
    QStringList login; // --server, --user, --password, --records-folder
    QMap<QString, QString> environment;

    QString start(const QString &kind)
    {
        if (kind == u"vsftpd") {
            if (QString why = Vsftpd::unavailable(); !why.isEmpty())
                return why;
            vsftpd = std::make_unique<Vsftpd>();
            records = vsftpd->root() + u"/upload"_qs;
            login = {u"--server"_qs, vsftpd->address(), u"--user"_qs, Vsftpd::User, u"--password"_qs, Vsftpd::Password};
            return vsftpd->isRunning() ? QString() : vsftpd->error();
        }
        if (kind == u"sshd") {
            if (QString why = Sshd::unavailable(); !why.isEmpty())
                return why;
            sshd = std::make_unique<Sshd>();
            records = sshd->remoteFolder().chopped(1);
            login = {u"--server"_qs, sshd->address(), u"--user"_qs, Sshd::User, u"--password"_qs, Sshd::Password,
                     u"--records-folder"_qs, records + u'/'};
            environment.insert(u"HOME"_qs, sshd->homeWithKnownHosts(sshd->knownHostsLine()));
            return sshd->isRunning() ? QString() : sshd->error();
        }
        pyftpdlib = std::make_unique<FtpServer>(FtpServer::Options{kind, false, 0});
        records = pyftpdlib->root() + u"/upload"_qs;
        login = {u"--server"_qs, pyftpdlib->address(), u"--user"_qs, FtpServer::User, u"--password"_qs, FtpServer::Password};
        return pyftpdlib->isRunning() ? QString() : pyftpdlib->error();
    }

    QStringList arguments(const QString &stations) const
    {
        QStringList all = login;
        if (!all.contains(u"--records-folder"_qs))
            all << u"--records-folder"_qs << u"/upload/"_qs;
        return all + QStringList{u"--stations"_qs, stations, u"--time"_qs, u"1=08:30"_qs, u"--time"_qs, u"2=12:00"_qs};
    }

    Answer check(const QStringList &arguments, const QDateTime &now, bool measureMemory = false) const
    {
        QMap<QString, QString> env = clockAt(now);
        env.insert(environment);
        return runFleet(arguments, env, measureMemory);
    }
};

} // namespace

class TestFleetHostile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (fakeTimeLibrary().isEmpty())
            QSKIP("needs libfaketime (Debian package faketime) to run the check on a clock of the test's");
    }

    // A station that may write to the records folder names a file so that the listing seems to
    // hold another station's file (a line end and a whole listing line in the name), or its own
    // name without the CR at its end. Whatever the server and the way it lists, no such file is
    // taken for there, and the names are said escaped.
    void namesPassingForOthers_data()
    {
        QTest::addColumn<QString>("server"); // vsftpd, sshd, or a pyftpdlib fault mode ("" for MLSD)
        QTest::addColumn<QString>("method");
        QTest::newRow("vsftpd, LIST") << u"vsftpd"_qs << u"LIST"_qs;
        QTest::newRow("pyftpdlib, MLSD") << QString() << u"MLSD"_qs;
        QTest::newRow("pyftpdlib, LIST") << u"no-mlsd"_qs << u"LIST"_qs;
        QTest::newRow("pyftpdlib, NLST") << u"garbage-list"_qs << u"NLST"_qs;
        // SIZE in its features, and refused: MDTM tells instead.
        QTest::newRow("pyftpdlib refusing SIZE, MLSD") << u"no-size"_qs << u"MLSD"_qs;
        QTest::newRow("OpenSSH, sftp") << u"sshd"_qs << u"LIST"_qs;
    }
    void namesPassingForOthers()
    {
        QFETCH(QString, server);
        QFETCH(QString, method);
        Server serving;
        if (const QString why = serving.start(server); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QDate day = checkedDay();
        const QDateTime sent(day, QTime(8, 31));
        const QString name = dayName();
        write(serving.records + u'/' + name + u".1"_qs, recordsOf(name + u".1"_qs, 300), sent);
        write(serving.records + u'/' + name + u".8"_qs, recordsOf(name + u".8"_qs, 300), sent);
        // One name, a line of each listing form in it, the last a bare name as NLST gives one.
        const QString other = name + u".22"_qs;
        write(serving.records + u'/' + name + u".21\n-rw-r--r--    1 1000  1000  999 "_qs
                  + QLocale::c().toString(day, u"MMM dd") + u" 08:31 "_qs + other + u"\ntype=file;size=999;modify="_qs + name
                  + u"083100; "_qs + other + u'\n' + other,
              "x", sent);
        write(serving.records + u'/' + name + u".29\r"_qs, "x", sent);

        const Answer text = serving.check(serving.arguments(u"1,8,21,22,29"_qs), QDateTime(day, QTime(20, 0)));
        QVERIFY2(text.exitStatus == 2, qPrintable(text.out));
        QCOMPARE(text.summary(), u"CRITICAL: %1: 2 of 5 arrived - missing: 21, 22, 29"_qs.arg(day.toString(Qt::ISODate)));
        QVERIFY2(text.out.contains(u"listed with "_qs + method), qPrintable(text.out));
        QVERIFY2(!text.out.contains(u"999 bytes"_qs), qPrintable(text.out));
        // Said escaped where the name could reach this side whole.
        if (server == u"sshd")
            QVERIFY2(text.out.contains(u"hold control characters"_qs) && text.out.contains(name + u".29\\r"_qs), qPrintable(text.out));
        for (const QString &line : text.out.split(u'\n').mid(1))
            QVERIFY2(!line.startsWith(u"22 "_qs) || line.contains(u"missing"_qs), qPrintable(line));
    }

    // Whatever the server sends in place of a listing, the check ends in bounded time and memory
    // and says it could not be made; never that files are missing.
    void listingsThatAreNone_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("more");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::addColumn<qint64>("mostKiB"); // the peak resident memory allowed; 0: not measured
        QTest::newRow("garbage for LIST and NLST alike")
            << u"garbage-everything"_qs << QStringList() << 3
            << u"cannot read the listing: the answer to LIST could not be read (first line: \"<html><body>\"), and NLST failed: "
               "none of the names NLST gives is there when asked for"_qs
            << qint64(0);
        // 256 MiB without a line end: cut off, and the names taken from NLST.
        QTest::newRow("a line without end") << u"endless-line"_qs << QStringList() << 0 << u"listed with NLST"_qs << qint64(200 * 1024);
        QTest::newRow("cut off in the middle") << u"list-drop"_qs << QStringList() << 3 << u"cannot list the records folder"_qs
                                               << qint64(0);
        QTest::newRow("a listing that stalls") << u"list-stall"_qs << QStringList{u"--timeout"_qs, u"5"_qs} << 3
                                               << u"the check took longer than 5 s"_qs << qint64(0);
        QTest::newRow("a heartbeat that stalls") << u"retr-stall"_qs
                                                 << QStringList{u"--timeout"_qs, u"5"_qs, u"--status-folder"_qs, u"/upload/status/"_qs}
                                                 << 3 << u"cannot fetch the heartbeats"_qs << qint64(0);
    }
    void listingsThatAreNone()
    {
        QFETCH(QString, fault);
        QFETCH(QStringList, more);
        QFETCH(QString, said);
        QFETCH(qint64, mostKiB);
        Server serving;
        if (const QString why = serving.start(fault); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(QDir().mkpath(serving.records + u"/status"_qs));
        write(serving.records + u'/' + dayName() + u".1"_qs, "records", QDateTime(checkedDay(), QTime(8, 31)));
        write(serving.records + u"/status/korva5-status.1.json"_qs, "{}", QDateTime(checkedDay(), QTime(19, 55)));
        QElapsedTimer took;
        took.start();
        const Answer answer = serving.check(serving.arguments(u"1"_qs) + more, QDateTime(checkedDay(), QTime(20, 0)), mostKiB > 0);
        QTEST(answer.exitStatus, "status");
        QVERIFY2(answer.out.contains(said), qPrintable(answer.out.left(2000)));
        // Less than the server's own timeouts: the check's limit ended it.
        QVERIFY2(took.elapsed() < 50'000, qPrintable(QString::number(took.elapsed())));
        if (mostKiB > 0)
            QVERIFY2(answer.peakKiB > 0 && answer.peakKiB < mostKiB, qPrintable(u"%1 KiB at its peak"_qs.arg(answer.peakKiB)));
    }

    // Stations in Shanghai, Helsinki and São Paulo, the office on UTC: each is judged by its own
    // clock, as its heartbeat or the settings say. A heartbeat dated far ahead is no fresh one.
    void stationsInThreeZones()
    {
        Server serving;
        if (const QString why = serving.start(QString()); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QDate day = checkedDay();
        const QTimeZone utc = QTimeZone::utc();
        const QDateTime now(day, QTime(11, 0), utc);
        const QString name = dayName();
        const QString status = serving.records + u"/status"_qs;
        QVERIFY(QDir().mkpath(status));
        write(serving.records + u'/' + name + u".1"_qs, "records", QDateTime(day, QTime(4, 20), utc));  // 12:20 in Shanghai
        write(serving.records + u'/' + name + u".2"_qs, "records", QDateTime(day, QTime(10, 10), utc)); // 12:10 in Helsinki
        write(serving.records + u'/' + name + u".4"_qs, "records", QDateTime(day, QTime(8, 31), utc));
        const auto beat = [&](int station, const QByteArray &writtenAt, const QByteArray &more = {}) {
            write(status + u"/korva5-status.%1.json"_qs.arg(station),
                  "{\"format\":1,\"version\":\"1.00\",\"station\":\"" + QByteArray::number(station)
                      + "\",\"state\":\"OK\",\"owed\":0,\"givenUp\":0,\"underWay\":0,\"times\":[],\"writtenAt\":\"" + writtenAt + '"'
                      + more + '}',
                  now);
        };
        beat(1, IsoTime::text(now.addSecs(-60).toTimeZone(QTimeZone("Asia/Shanghai"))).toLatin1(), ",\"timeZone\":\"Asia/Shanghai\"");
        // As an older program wrote it: the figures of São Paulo's clock, without an offset.
        beat(3, now.toTimeZone(QTimeZone("America/Sao_Paulo")).addSecs(-120).toString(u"yyyy-MM-ddTHH:mm:ss").toLatin1());
        beat(4, "9999-12-31T23:59:59+14:00");
        const QStringList arguments = serving.arguments(u"1-4"_qs)
            + QStringList{u"--status-folder"_qs, u"/upload/status/"_qs, u"--zone"_qs, u"Europe/Helsinki 2"_qs, u"--zone"_qs,
                          u"America/Sao_Paulo 3"_qs};
        serving.environment.insert(u"TZ"_qs, u"UTC"_qs);
        const Answer text = serving.check(arguments, now);
        QCOMPARE(text.exitStatus, 1);
        QCOMPARE(text.summary(), u"WARNING: %1: 3 of 4 arrived (2 on time, 1 late), 1 not yet due - late: 1 - heartbeat clock ahead: 4"_qs
                                     .arg(day.toString(Qt::ISODate)));

        const Answer json = serving.check(arguments + QStringList{u"--json"_qs}, now);
        const QJsonArray stations = QJsonDocument::fromJson(json.out.toUtf8()).object().value(u"stations").toArray();
        QCOMPARE(stations.size(), 4);
        const auto station = [&](int i) { return stations.at(i).toObject(); };
        QCOMPARE(station(0).value(u"file").toObject().value(u"modified").toString(), name.left(4) + u'-' + name.mid(4, 2) + u'-'
                                                                                        + name.mid(6) + u"T12:20:00+08:00"_qs);
        QCOMPARE(station(0).value(u"timeZoneFrom").toString(), u"heartbeat"_qs);
        QCOMPARE(station(1).value(u"file").toObject().value(u"state").toString(), u"arrived"_qs);
        QCOMPARE(station(2).value(u"file").toObject().value(u"state").toString(), u"not-yet-due"_qs);
        QCOMPARE(station(2).value(u"heartbeat").toObject().value(u"state").toString(), u"fresh"_qs);
        QVERIFY(std::abs(station(2).value(u"heartbeat").toObject().value(u"ageSeconds").toInt() - 120) < 30);
        QCOMPARE(station(3).value(u"heartbeat").toObject().value(u"state").toString(), u"clock-ahead"_qs);
        QVERIFY(station(3).value(u"heartbeat").toObject().value(u"ageSeconds").isNull());
        const Answer prometheus = serving.check(arguments + QStringList{u"--prometheus"_qs}, now);
        // A time ahead of this clock is no time of writing an alert on staleness could use.
        QVERIFY(!prometheus.out.contains(u"heartbeat_written_timestamp_seconds{station=\"4\"}"_qs));
        QVERIFY(prometheus.out.contains(u"heartbeat_written_timestamp_seconds{station=\"1\"}"_qs));
        QVERIFY(prometheus.out.contains(u"heartbeat_state{station=\"4\",state=\"clock_ahead\"} 1\n"_qs));
    }
    // The Prometheus file before is some other kind of file, as another program or a mistake
    // left it. The check still ends within its time and says the outage; a FIFO (which would
    // wait for a writer) is replaced by the text, a folder is not replaced and is reported.
    void aPrometheusFileBeforeThatIsNoFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("written");
        QTest::newRow("FIFO") << u"fifo"_qs << true;
        QTest::newRow("folder") << u"folder"_qs << false;
    }
    void aPrometheusFileBeforeThatIsNoFile()
    {
        QFETCH(QString, kind);
        QFETCH(bool, written);
        QTemporaryDir folder;
        const QString prom = folder.filePath(u"korva5-fleet.prom"_qs);
        QVERIFY(kind == u"fifo" ? ::mkfifo(QFile::encodeName(prom).constData(), 0600) == 0 : QDir().mkdir(prom));
        // Nothing listens on port 1: the server cannot be read at once.
        const Answer answer = runFleet({u"--server"_qs, u"127.0.0.1:1"_qs, u"--stations"_qs, u"1-3"_qs, u"--time"_qs, u"1=08:30"_qs,
                                        u"--timeout"_qs, u"10"_qs, u"--prometheus-file"_qs, prom});
        QCOMPARE(answer.exitStatus, 3);
        QCOMPARE(QFileInfo(prom).isFile(), written);
        if (written)
            QVERIFY(readFile(prom).contains("\nkorva5_fleet_up 0\n"));
        else
            QVERIFY2(answer.out.contains(u"cannot write the Prometheus text"_qs), qPrintable(answer.out));
    }

    // A file before larger than what is read of it: the line the limit cuts is left out, never
    // said again as a shorter number.
    void aPrometheusFileBeforeCutByTheLimit()
    {
        QTemporaryDir folder;
        const QString prom = folder.filePath(u"korva5-fleet.prom"_qs);
        QFile before(prom);
        QVERIFY(before.open(QIODevice::WriteOnly));
        const QByteArray sample = "korva5_fleet_station_file_modified_timestamp_seconds{station=\"1\"} 1796788274\n";
        constexpr qint64 Limit = 64 * 1024 * 1024; // what the check reads of it
        const QByteArray padding = "# padding\n";
        // The sample begins so that the limit falls after the first five digits of its number.
        const qint64 start = Limit - (sample.indexOf("} ") + 2) - 5;
        for (qint64 line = 0; line < start / padding.size() - 1; ++line)
            before.write(padding);
        before.write(QByteArray(start - 1 - before.pos(), '#'));
        before.write("\n");
        before.write(sample); // the limit falls inside its number
        before.close();
        const Answer answer = runFleet({u"--server"_qs, u"127.0.0.1:1"_qs, u"--stations"_qs, u"1"_qs, u"--time"_qs, u"1=08:30"_qs,
                                        u"--timeout"_qs, u"10"_qs, u"--prometheus-file"_qs, prom});
        QCOMPARE(answer.exitStatus, 3);
        const QByteArray after = readFile(prom);
        QVERIFY2(!after.contains("korva5_fleet_station_file_modified_timestamp_seconds{station=\"1\"}"), after.right(600).constData());
        QVERIFY(after.contains("korva5_fleet_station_file_state{station=\"1\",state=\"unknown\"} 1\n"));
    }
};

QTEST_GUILESS_MAIN(TestFleetHostile)
#include "tst_fleet_hostile.moc"
