// SPDX-License-Identifier: MIT
#include "fleet/cli/FleetCommand.h"

#include "fleet/cli/FleetOptions.h"

#include "core/language/BuiltInTexts.h"

#include "core/diagnostics/ShownText.h"
#include "core/settings/ProfileFile.h"
#include "core/settings/TimeOfDay.h"
#include "core/transfer/FtpTarget.h"
#include "fleet/check/FleetReport.h"
#include "fleet/check/StationList.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korva5::fleet {

namespace {

const QString Section = QStringLiteral("Fleet");
const QString ConfigName = QStringLiteral("fleet.ini");
const QString PasswordVariable = QStringLiteral("KORVA5_FLEET_PASSWORD");
// The packaged program's settings file, where the office's configuration lives; empty for a
// program folder, which keeps fleet.ini beside the program.
#ifdef KORVA5_FLEET_CONFIG
const QString InstalledConfig = QStringLiteral(KORVA5_FLEET_CONFIG);
#else
const QString InstalledConfig;
#endif

// What --help says is read when --config is not given.
QString configDefault()
{
    return InstalledConfig.isEmpty() ? QStringLiteral("fleet.ini beside the program, else in the working folder")
                                     : InstalledConfig + QStringLiteral(", else fleet.ini in the working folder");
}

struct Limits
{
    int least;
    int most;
};
constexpr Limits GraceLimits{0, 24 * 60};
constexpr Limits StaleLimits{1, 7 * 24 * 60};
constexpr Limits TimeoutLimits{5, 3600};
constexpr Limits ConnectionLimits{1, FleetSettings::MostConnections};
// Zone1 to Zone99: groups of stations with a time zone each.
constexpr int MaxZoneGroups = 100;

// One value of the settings: from the command line when given there, else from fleet.ini.
struct Source
{
    QString value;
    QString where; // "--stations" or "fleet.ini: Stations", for the message about a bad value
    bool fromCommandLine = false;
    bool given = false;
};

class Values
{
public:
    Values(const QCommandLineParser &parser, const std::optional<ProfileDocument> &file, const QString &fileName)
        : m_parser(parser), m_file(file), m_fileName(fileName)
    {
    }

    Source get(const QCommandLineOption &option, const QString &key) const
    {
        if (m_parser.isSet(option))
            return {m_parser.value(option).trimmed(), u"--" + option.names().constLast(), true, true};
        if (m_file) {
            if (const std::optional<QString> value = m_file->value(Section, key))
                return {ProfileFile::trimmedBlanks(*value), m_fileName + u": " + key, false, true};
        }
        return {};
    }

private:
    const QCommandLineParser &m_parser;
    const std::optional<ProfileDocument> &m_file;
    QString m_fileName;
};

FleetCommandOutcome usage(const QString &why)
{
    return {{}, UsageError, why};
}

// A zone as fleet.ini and the options name one: "UTC", an IANA name this computer knows
// ("Europe/Helsinki"), or an offset ("UTC+08:00"). Qt would also take any word for a POSIX rule
// ("Nowhere", a zone of offset 0): a typo must not pass for UTC.
QTimeZone zoneNamed(const QString &text)
{
    if (text.compare(u"UTC", Qt::CaseInsensitive) == 0)
        return QTimeZone::utc();
    const QByteArray id = text.toUtf8();
    const bool known = QTimeZone::isTimeZoneIdAvailable(id) || id.startsWith("UTC") || id.startsWith("Etc/");
    return known ? QTimeZone(id) : QTimeZone();
}

QString notAZone(const QString &text)
{
    return QStringLiteral("\"%1\" is not a time zone this computer knows (such as UTC or Europe/Helsinki)").arg(shownText(text));
}

// One zone entry: "ZONE" for every station, or "ZONE STATIONS" for a group of them.
QString addZone(const QString &entry, StationZones &zones)
{
    const qsizetype blank = entry.indexOf(u' ');
    const QString name = blank < 0 ? entry : entry.left(blank);
    const QTimeZone zone = zoneNamed(name);
    if (!zone.isValid())
        return notAZone(name);
    if (blank < 0) {
        zones.all = zone;
        zones.allNamed = true;
        return {};
    }
    QString why;
    const std::optional<QStringList> group = StationList::parse(entry.mid(blank + 1).trimmed(), &why);
    if (!group)
        return why;
    for (const QString &station : *group)
        zones.byStation.insert(station, zone);
    return {};
}

std::optional<int> wholeNumber(const QString &text, Limits limits)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < limits.least || value > limits.most)
        return std::nullopt;
    return value;
}

} // namespace

QString FleetCommand::helpText()
{
    return QStringLiteral(
               "Usage: korva5-fleet [options]\n"
               "Checks that every station's records file of a day is on the FTP server, and reads the\n"
               "stations' heartbeats. Answers as a monitoring plugin: exit status\n"
               "0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN (the check could not be made), 64 a command line\n"
               "that cannot be understood.\n"
               "\n")
        + fleetOptionsHelp(fleetOptionGroups(configDefault()));
}

FleetCommandOutcome readFleetCommand(const QStringList &arguments, const QProcessEnvironment &environment,
                                     const QString &programDir, const QString &workingDir)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QList<FleetOptionGroup> groups = fleetOptionGroups(configDefault());
    for (const FleetOptionGroup &group : groups)
        parser.addOptions(group.options);
    auto option = [&groups](const char *name) { return fleetOption(groups, QString::fromLatin1(name)); };
    const QCommandLineOption help = option("help");
    const QCommandLineOption version = option("version");
    const QCommandLineOption config = option("config");
    const QCommandLineOption server = option("server");
    const QCommandLineOption user = option("user");
    const QCommandLineOption password = option("password");
    const QCommandLineOption passwordFile = option("password-file");
    const QCommandLineOption recordsFolder = option("records-folder");
    const QCommandLineOption statusFolder = option("status-folder");
    const QCommandLineOption stations = option("stations");
    const QCommandLineOption time = option("time");
    const QCommandLineOption grace = option("grace");
    const QCommandLineOption stale = option("stale");
    const QCommandLineOption listTimeZone = option("list-time-zone");
    const QCommandLineOption zoneOption = option("zone");
    const QCommandLineOption caBundle = option("ca-bundle");
    const QCommandLineOption timeout = option("timeout");
    const QCommandLineOption connections = option("connections");
    const QCommandLineOption language = option("language");
    const QCommandLineOption day = option("day");
    const QCommandLineOption json = option("json");
    const QCommandLineOption prometheus = option("prometheus");
    const QCommandLineOption html = option("html");
    const QCommandLineOption prometheusFile = option("prometheus-file");
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("no arguments are taken besides options: \"%1\"").arg(shownText(parser.positionalArguments().first())));

    FleetCommand command;
    auto unknown = [&command](const QString &why) { return FleetCommandOutcome{command, FleetReport::Unknown, why}; };
    // A bad value is the command line's fault (a usage error) or the settings file's (UNKNOWN:
    // the check cannot be made as set up).
    auto badValue = [&](const Source &source, const QString &why) {
        const QString message = source.where + u": " + why;
        return source.fromCommandLine ? usage(message) : unknown(message);
    };
    command.help = parser.isSet(help);
    command.version = parser.isSet(version);
    if (command.help || command.version)
        return {command, 0, {}};
    if (parser.isSet(json) && parser.isSet(prometheus))
        return usage(QStringLiteral("give one of --json and --prometheus"));
    command.form = parser.isSet(json) ? FleetCommand::Form::Json
        : parser.isSet(prometheus)    ? FleetCommand::Form::Prometheus
                                      : FleetCommand::Form::Text;
    if (parser.isSet(html)) {
        command.htmlFile = parser.value(html);
        if (command.htmlFile.isEmpty())
            return usage(QStringLiteral("--html needs a file name"));
    }
    if (parser.isSet(prometheusFile)) {
        command.prometheusFile = QDir(workingDir).absoluteFilePath(parser.value(prometheusFile));
        if (parser.value(prometheusFile).isEmpty())
            return usage(QStringLiteral("--prometheus-file needs a file name"));
    }
    if (parser.isSet(day)) {
        command.day = QDate::fromString(parser.value(day), u"yyyyMMdd");
        if (!command.day.isValid() || parser.value(day).size() != 8)
            return usage(QStringLiteral("--day: \"%1\" is not a day YYYYMMDD").arg(shownText(parser.value(day))));
    }

    // The settings file.
    std::optional<ProfileDocument> file;
    if (parser.isSet(config)) {
        command.configFile = QDir(workingDir).absoluteFilePath(parser.value(config));
        const QFileInfo info(command.configFile);
        if (!info.exists())
            return unknown(QStringLiteral("the settings file %1 does not exist").arg(shownText(command.configFile)));
        // A folder, /dev/null or a pipe holds no settings: reading one would pass for an empty file.
        if (!info.isFile())
            return unknown(QStringLiteral("the settings file %1 is not a regular file").arg(shownText(command.configFile)));
    } else {
        const QString besideProgram = QDir(programDir).absoluteFilePath(ConfigName);
        for (const QString &candidate :
             {InstalledConfig.isEmpty() ? besideProgram : InstalledConfig, QDir(workingDir).absoluteFilePath(ConfigName)}) {
            if (QFileInfo(candidate).isFile()) {
                command.configFile = candidate;
                break;
            }
        }
    }
    if (!command.configFile.isEmpty()) {
        file = ProfileFile::load(command.configFile);
        if (!file) {
            QFile probe(command.configFile);
            probe.open(QIODevice::ReadOnly);
            return unknown(QStringLiteral("cannot read the settings file %1: %2").arg(shownText(command.configFile), probe.errorString()));
        }
    }
    const QString fileName = command.configFile.isEmpty() ? ConfigName : QFileInfo(command.configFile).fileName();
    const Values values(parser, file, fileName);
    FleetSettings &settings = command.settings;

    const Source serverValue = values.get(server, QStringLiteral("Server"));
    if (serverValue.value.isEmpty())
        return unknown(QStringLiteral("no server is set (Server in fleet.ini, or --server)"));
    QString why;
    if (!FtpTarget::parse(serverValue.value, &why))
        return badValue(serverValue, why);
    settings.server = serverValue.value;
    settings.user = values.get(user, QStringLiteral("User")).value;
    settings.recordsFolder = values.get(recordsFolder, QStringLiteral("RecordsFolder")).value;
    settings.statusFolder = values.get(statusFolder, QStringLiteral("StatusFolder")).value;
    settings.caBundle = values.get(caBundle, QStringLiteral("CaBundle")).value;

    // The password, from the first place that has one.
    if (parser.isSet(password)) {
        settings.password = parser.value(password);
    } else if (parser.isSet(passwordFile)) {
        QFile secret(QDir(workingDir).absoluteFilePath(parser.value(passwordFile)));
        if (!secret.open(QIODevice::ReadOnly))
            return unknown(QStringLiteral("cannot read the password file %1: %2").arg(shownText(secret.fileName()), secret.errorString()));
        // The first line, without its line end: an editor's newline is no part of the password.
        QByteArray first = secret.readLine(4096);
        while (first.endsWith('\n') || first.endsWith('\r'))
            first.chop(1);
        settings.password = QString::fromUtf8(first);
    } else if (environment.contains(PasswordVariable)) {
        settings.password = environment.value(PasswordVariable);
    } else if (file) {
        settings.password = file->value(Section, QStringLiteral("Password")).value_or(QString());
    }
    // Everything here reaches a protocol line: a control character could add commands of its own.
    for (const auto &[text, what] : {std::pair{&settings.user, "the user name"}, std::pair{&settings.password, "the password"},
                                     std::pair{&settings.recordsFolder, "the records folder"},
                                     std::pair{&settings.statusFolder, "the status folder"}}) {
        if (hasControlCharacter(*text))
            return unknown(QStringLiteral("%1 holds a control character").arg(QLatin1StringView(what)));
    }

    const Source stationsValue = values.get(stations, QStringLiteral("Stations"));
    if (!stationsValue.given || stationsValue.value.isEmpty())
        return unknown(QStringLiteral("no stations are listed (Stations in fleet.ini, or --stations)"));
    const std::optional<QStringList> stationList = StationList::parse(stationsValue.value, &why);
    if (!stationList)
        return badValue(stationsValue, why);
    settings.stations = *stationList;

    // The times: fleet.ini's FtpTime keys, then each --time over its slot.
    for (int slot = 0; slot < 10; ++slot) {
        const QString key = QStringLiteral("FtpTime%1").arg(slot + 1);
        const QString text = file ? ProfileFile::trimmedBlanks(file->value(Section, key).value_or(QString())) : QString();
        if (text.isEmpty())
            continue;
        settings.times[size_t(slot)] = TimeOfDay::parse(text);
        if (!settings.times[size_t(slot)])
            return unknown(QStringLiteral("%1: %2: \"%3\" is not a time HH:MM").arg(fileName, key, shownText(text)));
    }
    for (const QString &entry : parser.values(time)) {
        const qsizetype equals = entry.indexOf(u'=');
        bool ok = false;
        const int slot = equals > 0 ? entry.left(equals).trimmed().toInt(&ok) : 0;
        if (!ok || slot < 1 || slot > 10)
            return usage(QStringLiteral("--time: \"%1\" is not N=HH:MM with N from 1 to 10").arg(shownText(entry)));
        const QString text = entry.mid(equals + 1).trimmed();
        if (text.isEmpty()) {
            settings.times[size_t(slot - 1)].reset();
            continue;
        }
        settings.times[size_t(slot - 1)] = TimeOfDay::parse(text);
        if (!settings.times[size_t(slot - 1)])
            return usage(QStringLiteral("--time: \"%1\" is not a time HH:MM").arg(shownText(text)));
    }
    if (std::none_of(settings.times.begin(), settings.times.end(), [](const auto &t) { return t.has_value(); }))
        return unknown(QStringLiteral("no upload times are set (FtpTime1 to FtpTime10 in fleet.ini, or --time)"));

    for (const auto &[option, key, limits, field] :
         {std::tuple{&grace, "GraceMinutes", GraceLimits, &settings.graceMinutes},
          std::tuple{&stale, "StaleMinutes", StaleLimits, &settings.staleMinutes},
          std::tuple{&timeout, "TimeoutSeconds", TimeoutLimits, &settings.totalTimeoutSeconds},
          std::tuple{&connections, "Connections", ConnectionLimits, &settings.connections}}) {
        const Source source = values.get(*option, QLatin1StringView(key));
        if (!source.given || source.value.isEmpty())
            continue;
        const std::optional<int> number = wholeNumber(source.value, limits);
        if (!number)
            return badValue(source, QStringLiteral("\"%1\" is not a whole number from %2 to %3")
                                        .arg(shownText(source.value))
                                        .arg(limits.least)
                                        .arg(limits.most));
        *field = *number;
    }
    // The page's language, by the names a station's Language setting takes.
    if (const Source source = values.get(language, QStringLiteral("Language")); !source.value.isEmpty()) {
        QString named;
        for (const char *known : {BuiltInTexts::English, BuiltInTexts::China, BuiltInTexts::Taiwan}) {
            if (source.value.compare(QLatin1StringView(known), Qt::CaseInsensitive) == 0)
                named = QLatin1StringView(known);
        }
        if (named.isEmpty())
            return badValue(source, QStringLiteral("\"%1\" is not a language of the page: English, China or Taiwan")
                                        .arg(shownText(source.value)));
        command.language = named;
    }
    const Source zone = values.get(listTimeZone, QStringLiteral("ListTimeZone"));
    if (!zone.value.isEmpty()) {
        settings.listTimeZone = zoneNamed(zone.value);
        if (!settings.listTimeZone.isValid())
            return badValue(zone, notAZone(zone.value));
    }
    // The stations' zones: fleet.ini's Zone and Zone1 ..., then each --zone over them.
    for (int group = 0; group < MaxZoneGroups && file; ++group) {
        const QString key = group == 0 ? QStringLiteral("Zone") : QStringLiteral("Zone%1").arg(group);
        const QString text = ProfileFile::trimmedBlanks(file->value(Section, key).value_or(QString())).simplified();
        if (text.isEmpty())
            continue;
        if (group > 0 && !text.contains(u' '))
            return unknown(QStringLiteral("%1: %2: \"%3\" names no stations (ZONE STATIONS, such as Asia/Shanghai 1-20)")
                               .arg(fileName, key, shownText(text)));
        if (const QString why = addZone(text, settings.zones); !why.isEmpty())
            return unknown(QStringLiteral("%1: %2: %3").arg(fileName, key, why));
    }
    for (const QString &entry : parser.values(zoneOption)) {
        if (const QString why = addZone(entry.simplified(), settings.zones); !why.isEmpty())
            return usage(QStringLiteral("--zone: ") + why);
    }
    if (!settings.caBundle.isEmpty() && !QFileInfo(settings.caBundle).isReadable())
        return unknown(QStringLiteral("the certificate file %1 cannot be read").arg(shownText(settings.caBundle)));
    return {command, 0, {}};
}

} // namespace korva5::fleet
