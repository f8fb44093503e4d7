// SPDX-License-Identifier: MIT
#include "fleet/cli/FleetOptions.h"

#include <QStringList>

namespace korva5::fleet {

namespace {

constexpr qsizetype DescriptionColumn = 26;
constexpr qsizetype LineWidth = 92;

QCommandLineOption flag(const char *name, const char *description)
{
    return QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(description));
}

QCommandLineOption valued(const char *name, const char *valueName, const QString &description)
{
    return QCommandLineOption(QString::fromLatin1(name), description, QString::fromLatin1(valueName));
}

QCommandLineOption valued(const char *name, const char *valueName, const char *description)
{
    return valued(name, valueName, QString::fromUtf8(description));
}

// "  -h, --help" or "  --time N=HH:MM".
QString namesOf(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &name : option.names())
        names << (name.size() == 1 ? u"-" : u"--") + name;
    QString shown = QStringLiteral("  ") + names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        shown += u' ' + option.valueName();
    return shown;
}

// The description in lines that end before LineWidth, each after DescriptionColumn.
QStringList wrapped(const QString &description)
{
    QStringList lines;
    QString line;
    for (const QString &word : description.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && DescriptionColumn + line.size() + 1 + word.size() > LineWidth) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

} // namespace

QList<FleetOptionGroup> fleetOptionGroups(const QString &configDefault)
{
    return {
        {QStringLiteral("Settings (each also a key of the [Fleet] section of fleet.ini; the command line wins):"),
         {
             valued("config", "FILE", QStringLiteral("the settings file (default: %1)").arg(configDefault)),
             valued("server", "SERVER", "Server: host, host:port, ftp://, ftps://, ftpes:// or sftp://"),
             valued("user", "NAME", "User"),
             valued("password", "TEXT",
                    "Password (seen by other users in the process list: prefer --password-file FILE or "
                    "KORVA5_FLEET_PASSWORD)"),
             valued("password-file", "FILE", "the password, on the file's first line"),
             valued("records-folder", "PATH", "RecordsFolder: where the stations' files arrive"),
             valued("status-folder", "PATH", "StatusFolder: where their heartbeats arrive (empty: none read)"),
             valued("stations", "LIST", "Stations: numbers and ranges, such as 1-40,45"),
             valued("time", "N=HH:MM",
                    "FtpTime1 ... FtpTime10: the stations' upload times (times 9 and 10 send the day "
                    "before's file); repeat for each time"),
             valued("grace", "MINUTES", "GraceMinutes: how long after a time its file may take (15)"),
             valued("stale", "MINUTES", "StaleMinutes: a heartbeat older than this is stale (60)"),
             valued("list-time-zone", "ZONE", "ListTimeZone: the zone of the server's LIST times (UTC)"),
             valued("zone", "ZONE",
                    "Zone: the stations' time zone where their heartbeat does not say (default: this "
                    "computer's); as 'ZONE STATIONS', Zone1 ...: the time zone of a group, such as "
                    "'Asia/Shanghai 1-20,45'; repeat for each group"),
             valued("ca-bundle", "FILE", "CaBundle: extra trusted certificates for ftps and ftpes"),
             valued("timeout", "SECONDS", "TimeoutSeconds: the whole check gives up after this (120)"),
             valued("connections", "N", "Connections: the most connections at once, 1 to 16 (16)"),
             valued("language", "LANGUAGE", "Language: of the page, English, China or Taiwan (English)"),
         }},
        {QStringLiteral("What to check and how to answer:"),
         {
             valued("day", "YYYYMMDD", "the day whose files are checked (default: today)"),
             flag("json", "answer in JSON"),
             flag("prometheus", "answer in Prometheus' text format (node_exporter textfile)"),
             valued("html", "FILE", "also write a page of the last 7 days to FILE"),
             valued("prometheus-file", "FILE",
                    "also write Prometheus' text to FILE, replaced in one step; when the server cannot be "
                    "read, the stations' series are those FILE held"),
             QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("show this text")),
             flag("version", "show the program's version"),
         }},
    };
}

QCommandLineOption fleetOption(const QList<FleetOptionGroup> &groups, QStringView name)
{
    for (const FleetOptionGroup &group : groups) {
        for (const QCommandLineOption &option : group.options) {
            if (option.names().contains(name))
                return option;
        }
    }
    Q_ASSERT_X(false, "fleetOption", "an option the table does not have");
    return QCommandLineOption(name.toString());
}

QString fleetOptionsHelp(const QList<FleetOptionGroup> &groups)
{
    QStringList lines;
    for (const FleetOptionGroup &group : groups) {
        if (!lines.isEmpty())
            lines << QString();
        lines << group.heading;
        for (const QCommandLineOption &option : group.options) {
            const QString names = namesOf(option);
            const QStringList description = wrapped(option.description());
            const QString indent(DescriptionColumn, u' ');
            qsizetype first = 0;
            if (names.size() + 2 <= DescriptionColumn && !description.isEmpty()) {
                lines << names.leftJustified(DescriptionColumn) + description.first();
                first = 1;
            } else {
                lines << names;
            }
            for (qsizetype i = first; i < description.size(); ++i)
                lines << indent + description.at(i);
        }
    }
    return lines.join(u'\n') + u'\n';
}

} // namespace korva5::fleet
