// SPDX-License-Identifier: MIT
#include "fleet/check/FleetReport.h"
#include "fleet/cli/FleetCommand.h"
#include "fleet/cli/FleetOptions.h"

#include "Files.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace korva5;
using namespace korva5::fleet;

using TestSupport::writeFile;

namespace {

const QByteArray GoodIni = "[Fleet]\n"
                           "Server=ftpes://ftp.example.com\n"
                           "User=central\n"
                           "Password=from-file\n"
                           "RecordsFolder=/upload/\n"
                           "StatusFolder=/upload/status/\n"
                           "Stations=1-3,45\n"
                           "FtpTime1=08:30\n"
                           "FtpTime9=00:30\n"
                           "GraceMinutes=20\n";

// A program folder and a working folder of their own.
struct Folders
{
    QTemporaryDir program;
    QTemporaryDir working;

    FleetCommandOutcome read(const QStringList &arguments, const QProcessEnvironment &environment = {}) const
    {
        return readFleetCommand(QStringList{u"korva5-fleet"_qs} + arguments, environment, program.path(), working.path());
    }
};

} // namespace

class TestFleetCommand : public QObject
{
    Q_OBJECT

private slots:
    void settingsFromTheFileAndTheCommandLine()
    {
        Folders folders;
        writeFile(folders.program.filePath(u"fleet.ini"_qs), GoodIni);
        const FleetCommandOutcome plain = folders.read({});
        QVERIFY2(plain.ready(), qPrintable(plain.message));
        const FleetSettings &settings = plain.command.settings;
        QCOMPARE(settings.server, u"ftpes://ftp.example.com"_qs);
        QCOMPARE(settings.password, u"from-file"_qs);
        QCOMPARE(settings.stations, (QStringList{u"1"_qs, u"2"_qs, u"3"_qs, u"45"_qs}));
        QCOMPARE(settings.times[0], QTime(8, 30));
        QCOMPARE(settings.times[8], QTime(0, 30));
        QVERIFY(!settings.times[1]);
        QCOMPARE(settings.graceMinutes, 20);
        QCOMPARE(settings.staleMinutes, 60);
        QCOMPARE(plain.command.configFile, folders.program.filePath(u"fleet.ini"_qs));

        // The command line wins, value by value; an empty status folder turns heartbeats off.
        const FleetCommandOutcome over = folders.read({u"--server"_qs, u"sftp://other"_qs, u"--stations"_qs, u"7"_qs,
                                                       u"--time"_qs, u"1=09:00"_qs, u"--time"_qs, u"9="_qs,
                                                       u"--status-folder"_qs, QString(), u"--json"_qs});
        QVERIFY2(over.ready(), qPrintable(over.message));
        QCOMPARE(over.command.settings.server, u"sftp://other"_qs);
        QCOMPARE(over.command.settings.stations, QStringList{u"7"_qs});
        QCOMPARE(over.command.settings.times[0], QTime(9, 0));
        QVERIFY(!over.command.settings.times[8]);
        QVERIFY(over.command.settings.statusFolder.isEmpty());
        QCOMPARE(over.command.settings.recordsFolder, u"/upload/"_qs);
        QCOMPARE(over.command.form, FleetCommand::Form::Json);

        // The page's language and the connections, from either place, named in any case.
        QCOMPARE(plain.command.language, u"English"_qs);
        QCOMPARE(plain.command.settings.connections, FleetSettings::MostConnections);
        writeFile(folders.program.filePath(u"fleet.ini"_qs), GoodIni + "Language=taiwan\nConnections=2\n");
        QCOMPARE(folders.read({}).command.language, u"Taiwan"_qs);
        QCOMPARE(folders.read({}).command.settings.connections, 2);
        const FleetCommandOutcome typed = folders.read({u"--language"_qs, u"China"_qs, u"--connections"_qs, u"1"_qs});
        QCOMPARE(typed.command.language, u"China"_qs);
        QCOMPARE(typed.command.settings.connections, 1);
    }

    // The program's folder first, then the working folder; --config names one outright.
    void whichSettingsFile()
    {
        Folders folders;
        writeFile(folders.working.filePath(u"fleet.ini"_qs), QByteArray(GoodIni).replace("Stations=1-3,45", "Stations=9"));
        QCOMPARE(folders.read({}).command.settings.stations, QStringList{u"9"_qs});
        writeFile(folders.program.filePath(u"fleet.ini"_qs), GoodIni);
        QCOMPARE(folders.read({}).command.settings.stations.size(), 4);
        writeFile(folders.working.filePath(u"other.ini"_qs), QByteArray(GoodIni).replace("Stations=1-3,45", "Stations=5"));
        QCOMPARE(folders.read({u"--config"_qs, u"other.ini"_qs}).command.settings.stations, QStringList{u"5"_qs});
    }

    void passwordFromTheFirstPlaceThatHasOne_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("password");
        QTest::newRow("fleet.ini") << QStringList() << QString() << u"from-file"_qs;
        QTest::newRow("the environment over fleet.ini") << QStringList() << u"from-env"_qs << u"from-env"_qs;
        QTest::newRow("a password file over the environment") << QStringList{u"--password-file"_qs, u"secret.txt"_qs}
                                                             << u"from-env"_qs << u"first line"_qs;
        QTest::newRow("the command line over all") << QStringList{u"--password"_qs, u"typed"_qs, u"--password-file"_qs, u"secret.txt"_qs}
                                                   << u"from-env"_qs << u"typed"_qs;
    }
    void passwordFromTheFirstPlaceThatHasOne()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, environment);
        Folders folders;
        writeFile(folders.program.filePath(u"fleet.ini"_qs), GoodIni);
        // Only the first line counts: an editor's line end is no part of the password.
        writeFile(folders.working.filePath(u"secret.txt"_qs), "first line\r\nsecond line\n");
        QProcessEnvironment env;
        if (!environment.isEmpty())
            env.insert(u"KORVA5_FLEET_PASSWORD"_qs, environment);
        const FleetCommandOutcome outcome = folders.read(arguments, env);
        QVERIFY2(outcome.ready(), qPrintable(outcome.message));
        QTEST(outcome.command.settings.password, "password");
    }

    // A command line that cannot be understood is a usage error; settings that cannot make a
    // check are UNKNOWN, and every message names what is wrong.
    void refusals_data()
    {
        QTest::addColumn<QByteArray>("ini"); // empty: no fleet.ini
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const int usage = UsageError;
        const int unknown = FleetReport::Unknown;
        QTest::newRow("an option not known") << GoodIni << QStringList{u"--frobnicate"_qs} << usage << u"frobnicate"_qs;
        QTest::newRow("an argument") << GoodIni << QStringList{u"today"_qs} << usage << u"\"today\""_qs;
        QTest::newRow("two forms") << GoodIni << QStringList{u"--json"_qs, u"--prometheus"_qs} << usage << u"one of --json"_qs;
        QTest::newRow("a day that is none") << GoodIni << QStringList{u"--day"_qs, u"20261345"_qs} << usage << u"\"20261345\""_qs;
        QTest::newRow("a bad station list typed") << GoodIni << QStringList{u"--stations"_qs, u"1-40,4-x"_qs} << usage
                                                  << u"--stations: \"4-x\""_qs;
        QTest::newRow("a bad station list in the file") << QByteArray(GoodIni).replace("1-3,45", "1-3,,45") << QStringList()
                                                        << unknown << u"fleet.ini: Stations: an empty entry"_qs;
        QTest::newRow("a slot that is none") << GoodIni << QStringList{u"--time"_qs, u"11=08:00"_qs} << usage << u"\"11=08:00\""_qs;
        QTest::newRow("a time that is none") << GoodIni << QStringList{u"--time"_qs, u"1=8:00"_qs} << usage << u"\"8:00\""_qs;
        QTest::newRow("a time in the file that is none") << QByteArray(GoodIni).replace("FtpTime9=00:30", "FtpTime9=24:00")
                                                         << QStringList() << unknown << u"fleet.ini: FtpTime9: \"24:00\""_qs;
        QTest::newRow("no time at all") << QByteArray(GoodIni).replace("FtpTime1=08:30\n", "").replace("FtpTime9=00:30\n", "")
                                        << QStringList() << unknown << u"no upload times"_qs;
        QTest::newRow("no settings anywhere") << QByteArray() << QStringList() << unknown << u"no server is set"_qs;
        QTest::newRow("no stations") << QByteArray(GoodIni).replace("Stations=1-3,45\n", "") << QStringList() << unknown
                                     << u"no stations are listed"_qs;
        QTest::newRow("a server that is none") << GoodIni << QStringList{u"--server"_qs, u"http://x"_qs} << usage << u"--server"_qs;
        QTest::newRow("grace too long") << QByteArray(GoodIni).replace("GraceMinutes=20", "GraceMinutes=2000") << QStringList()
                                        << unknown << u"fleet.ini: GraceMinutes: \"2000\""_qs;
        QTest::newRow("stale not a number") << GoodIni << QStringList{u"--stale"_qs, u"soon"_qs} << usage << u"--stale: \"soon\""_qs;
        QTest::newRow("a zone not known") << GoodIni << QStringList{u"--list-time-zone"_qs, u"Mars/Olympus"_qs} << usage
                                          << u"\"Mars/Olympus\""_qs;
        QTest::newRow("a settings file not there") << GoodIni << QStringList{u"--config"_qs, u"nowhere.ini"_qs} << unknown
                                                   << u"nowhere.ini does not exist"_qs;
        QTest::newRow("/dev/null as the settings file") << GoodIni << QStringList{u"--config"_qs, u"/dev/null"_qs} << unknown
                                                        << u"/dev/null is not a regular file"_qs;
        QTest::newRow("a folder as the settings file") << GoodIni << QStringList{u"--config"_qs, u"."_qs} << unknown
                                                       << u"is not a regular file"_qs;
        QTest::newRow("a group's zone not known") << QByteArray(GoodIni + "Zone1=Mars/Olympus 1-3\n") << QStringList() << unknown
                                                  << u"fleet.ini: Zone1: \"Mars/Olympus\" is not a time zone"_qs;
        QTest::newRow("a group's zone without stations") << QByteArray(GoodIni + "Zone2=Asia/Shanghai\n") << QStringList() << unknown
                                                         << u"fleet.ini: Zone2: \"Asia/Shanghai\" names no stations"_qs;
        QTest::newRow("a group's stations unreadable") << QByteArray(GoodIni + "Zone1=Asia/Shanghai 1-x\n") << QStringList()
                                                       << unknown << u"fleet.ini: Zone1: \"1-x\""_qs;
        QTest::newRow("a zone typed that is none") << GoodIni << QStringList{u"--zone"_qs, u"Nowhere 1"_qs} << usage
                                                   << u"--zone: \"Nowhere\""_qs;
        QTest::newRow("a password file not there") << GoodIni << QStringList{u"--password-file"_qs, u"nowhere"_qs} << unknown
                                                   << u"cannot read the password file"_qs;
        QTest::newRow("a language typed that is none") << GoodIni << QStringList{u"--language"_qs, u"Klingon"_qs} << usage
                                                       << u"--language: \"Klingon\" is not a language of the page"_qs;
        QTest::newRow("a language in the file that is none") << QByteArray(GoodIni + "Language=zh<script>\n") << QStringList()
                                                             << unknown << u"Language: \"zh<script>\""_qs;
        QTest::newRow("no connection at all") << GoodIni << QStringList{u"--connections"_qs, u"0"_qs} << usage
                                              << u"--connections: \"0\" is not a whole number from 1 to 16"_qs;
        QTest::newRow("too many connections in the file") << QByteArray(GoodIni + "Connections=64\n") << QStringList() << unknown
                                                          << u"Connections: \"64\""_qs;
        QTest::newRow("a line end in the user name") << QByteArray(GoodIni).replace("User=central", "User=central\rDELE x")
                                                     << QStringList() << unknown << u"control character"_qs;
    }
    void refusals()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, arguments);
        Folders folders;
        if (!ini.isEmpty())
            writeFile(folders.program.filePath(u"fleet.ini"_qs), ini);
        const FleetCommandOutcome outcome = folders.read(arguments);
        QVERIFY2(!outcome.ready(), qPrintable(QString::fromLatin1(QTest::currentDataTag())));
        QTEST(outcome.exitStatus, "status");
        QFETCH(QString, message);
        QVERIFY2(outcome.message.contains(message), qPrintable(outcome.message));
    }

    // Each station's zone: its group's, else the one named for all, else (not named) the office's.
    void zonesOfStations()
    {
        Folders folders;
        writeFile(folders.program.filePath(u"fleet.ini"_qs),
                  GoodIni + "Zone=UTC\nZone1=Asia/Shanghai 1-2\nZone3 = America/Sao_Paulo  3 \n");
        const FleetCommandOutcome outcome = folders.read({u"--zone"_qs, u"Europe/Helsinki 2"_qs});
        QVERIFY2(outcome.ready(), qPrintable(outcome.message));
        const StationZones &zones = outcome.command.settings.zones;
        for (const auto &[station, zone] : {std::pair{"1", "Asia/Shanghai"}, std::pair{"2", "Europe/Helsinki"},
                                            std::pair{"3", "America/Sao_Paulo"}, std::pair{"45", "UTC"}}) {
            const StationZones::Found found = zones.of(QString::fromLatin1(station));
            QVERIFY(found.named);
            QCOMPARE(found.zone, zone == QByteArrayView("UTC") ? QTimeZone::utc() : QTimeZone(zone));
        }
        // Named for none: the office's own zone stands in, and says it was not named.
        const StationZones::Found office = folders.read({u"--config"_qs, folders.program.filePath(u"fleet.ini"_qs), u"--stations"_qs,
                                                         u"7"_qs})
                                               .command.settings.zones.of(u"7"_qs);
        QVERIFY(office.named);
        Folders plain;
        writeFile(plain.program.filePath(u"fleet.ini"_qs), GoodIni);
        const StationZones::Found unnamed = plain.read({}).command.settings.zones.of(u"1"_qs);
        QVERIFY(!unnamed.named);
        QCOMPARE(unnamed.zone, QTimeZone::systemTimeZone());
    }

    // A check that cannot be made still answers in the form asked for, its page included.
    // --help is made from the options the parser takes: each is named there with words of its
    // own, every option the help names is taken, and no line runs past a terminal's width.
    void helpExplainsEveryOption()
    {
        const QString help = FleetCommand::helpText();
        for (const QString &line : help.split(u'\n'))
            QVERIFY2(line.size() <= 92, qPrintable(line));
        for (const FleetOptionGroup &group : fleetOptionGroups(QStringLiteral("fleet.ini"))) {
            for (const QCommandLineOption &option : group.options) {
                QVERIFY2(help.contains(u"--" + option.names().constLast()), qPrintable(option.names().constLast()));
                QVERIFY(!option.description().isEmpty());
            }
        }
        static const QRegularExpression named(QStringLiteral("^  (?:-h, )?--([a-z-]+)"), QRegularExpression::MultilineOption);
        for (auto match = named.globalMatch(help); match.hasNext();) {
            const QString name = match.next().captured(1);
            const FleetCommandOutcome outcome = readFleetCommand({QStringLiteral("korva5-fleet"), u"--" + name},
                                                                 {}, QDir::tempPath(), QDir::tempPath());
            QVERIFY2(!outcome.message.contains(QStringLiteral("Unknown option")), qPrintable(name + u": " + outcome.message));
        }
    }

    void unknownKeepsTheForm()
    {
        Folders folders;
        const FleetCommandOutcome outcome = folders.read({u"--prometheus"_qs, u"--html"_qs, u"page.html"_qs});
        QCOMPARE(outcome.exitStatus, int(FleetReport::Unknown));
        QCOMPARE(outcome.command.form, FleetCommand::Form::Prometheus);
        QCOMPARE(outcome.command.htmlFile, u"page.html"_qs);
    }
};

QTEST_GUILESS_MAIN(TestFleetCommand)
#include "tst_fleet_command.moc"
