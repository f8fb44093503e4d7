// SPDX-License-Identifier: MIT
#include "gui/shell/CommandLine.h"

#include "core/app/ProgramFiles.h"
#include "core/clock/Clock.h"
#include "core/delivery/StatusReport.h"
#include "core/journal/Journal.h"
#include "core/settings/SettingsStore.h"
#include "core/settings/ProfileFile.h"
#include "core/state/StationFolder.h"
#include "gui/shell/ExitStatus.h"
#include "gui/shell/Logging.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSet>

#include <cstdio>

namespace korva5 {

namespace CommandLine {

namespace {

constexpr int DefaultHistoryDays = 30;
// How far back --status reads: the retries of a day and the day before, as the program does.
constexpr qint64 StatusReadBackSeconds = 48LL * 3600;

void print(const QStringList &lines)
{
    for (const QString &line : lines) {
        std::fputs(line.toLocal8Bit().constData(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
}

int usageError(const QCommandLineParser &parser, const QString &problem)
{
    std::fprintf(stderr, "korva5-upload: %s\n\n%s", problem.toLocal8Bit().constData(),
                 parser.helpText().toLocal8Bit().constData());
    return ExitUsage;
}

// Writes the report in the form asked for and gives its exit status.
int answer(const StatusReport::Report &report, bool json)
{
    if (json) {
        std::fputs(QJsonDocument(report.json()).toJson(QJsonDocument::Indented).constData(), stdout);
        std::fflush(stdout);
    } else {
        print(report.lines());
    }
    return report.status;
}

int cannotTell(const QString &station, const QString &why, bool json)
{
    StatusReport::Report report;
    report.status = StatusReport::Unknown;
    report.station = station;
    report.summary = why;
    report.checkedAt = SystemClock().now();
    return answer(report, json);
}

int status(const QString &programDir, const QDateTime &now, bool json)
{
    // Checked as the program checks it at start, with the same words on standard error. Without
    // the times there is nothing to judge by; a monitor takes any status above 3 for a fault of
    // the check itself, so this is UNKNOWN, with the reason where the monitor reads it.
    const ProgramPaths paths = ProgramPaths::in(programDir);
    switch (ProgramFiles::check(paths, false)) {
    case ProgramFiles::Problem::None:
    case ProgramFiles::Problem::LanguageMissing:
    case ProgramFiles::Problem::LanguageUnreadable:
        break;
    case ProgramFiles::Problem::SettingsMissing:
        return cannotTell({}, QStringLiteral("no settings file %1").arg(QDir::toNativeSeparators(paths.iniFile)), json);
    case ProgramFiles::Problem::SettingsUnreadable: {
        QFile file(paths.iniFile);
        const QString reason = file.open(QIODevice::ReadOnly) ? QStringLiteral("not at first") : file.errorString();
        return cannotTell({}, QStringLiteral("the settings file %1 cannot be read (%2)")
                                  .arg(QDir::toNativeSeparators(paths.iniFile), reason),
                          json);
    }
    }
    const Settings settings = SettingsStore(paths.iniFile).load();

    QString why;
    bool missing = false;
    StatusReport::JournalFacts facts;
    facts.rows = Journal::readRows(programDir, now.addSecs(-StatusReadBackSeconds), &why, &missing, &facts.lastExamined);
    if (!facts.rows && !missing) {
        // Reporting from the settings alone would call every upload unsent: a monitor would then
        // alarm (or calm down) on a guess.
        qCCritical(lcShell).noquote() << "cannot read the journal:" << why;
        return cannotTell(ProfileFile::trimmedBlanks(settings.FtpNo), QStringLiteral("the journal cannot be read (%1)").arg(why), json);
    }
    return answer(StatusReport::status(settings, facts, now), json);
}

int history(const QString &programDir, const QDateTime &now, int days)
{
    QString why;
    bool missing = false;
    const std::optional<QList<UploadRecord>> rows = Journal::readRows(programDir, now.addDays(-days), &why, &missing);
    if (!rows && missing) {
        print({QStringLiteral("no journal yet: nothing has been uploaded from this program folder")});
        return 0;
    }
    if (!rows) {
        qCCritical(lcShell).noquote() << "cannot read the journal:" << why;
        return StatusReport::Unknown;
    }
    if (rows->isEmpty()) {
        print({QStringLiteral("no uploads in the last %1 days").arg(days)});
        return 0;
    }
    print(StatusReport::history(*rows));
    // A script that lists the period learns from the status whether a failure in it still
    // waits for its file to reach the server.
    const Settings settings = SettingsStore(ProgramPaths::in(programDir).iniFile).load();
    QSet<QString> owedFiles;
    for (const UploadRecord &row : StatusReport::stillOwedFailures(*rows, settings, now))
        owedFiles.insert(row.remotePath);
    if (owedFiles.isEmpty())
        return 0;
    QStringList files = owedFiles.values();
    files.sort();
    print({QStringLiteral("still owed: %1").arg(files.join(QStringLiteral(", ")))});
    return 1;
}

} // namespace

int run(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korva5-upload"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version));

    QCommandLineParser parser;
    const QString programDir = StationFolder::of(QCoreApplication::applicationDirPath());
    parser.setApplicationDescription(
        QStringLiteral("Uploads each day's records file to the FTP server at the times set in TALLYPORT.ini.\n"
                       "Without options it starts in the notification area.\n"
                       "Its settings (TALLYPORT.ini), captions (Language.txt) and journal are in %1.")
            .arg(QDir::toNativeSeparators(QDir::cleanPath(programDir))));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help and end."));
    const QCommandLineOption versionOption(QStringLiteral("version"), QStringLiteral("Show the version and end."));
    const QCommandLineOption statusOption(
        QStringLiteral("status"),
        QStringLiteral("Show what every upload time of today and yesterday owes, as a monitoring plugin does: "
                       "OK, WARNING, CRITICAL or UNKNOWN with performance data. Exit status 0: nothing owed; "
                       "1: a retry or catch-up is pending, or no upload is recorded since a time that passed; "
                       "2: a file is not on the server and nothing sends it again; 3: it cannot tell (the "
                       "settings file or the journal cannot be read)."));
    const QCommandLineOption historyOption(
        QStringLiteral("history"),
        QStringLiteral("Show the uploads of the last DAYS days (%1 when not given), newest first. Exit status 1 "
                       "when a failure among them is still owed.")
            .arg(DefaultHistoryDays));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("With --status: answer in JSON."));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("With --status: text (as monitoring plugins print) or json."),
                                          QStringLiteral("FORM"), QStringLiteral("text"));
    parser.addOptions({helpOption, versionOption, statusOption, historyOption, jsonOption, formatOption});
    parser.addPositionalArgument(QStringLiteral("DAYS"), QStringLiteral("Days of --history."), QStringLiteral("[DAYS]"));

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser, parser.errorText());
    if (parser.isSet(helpOption)) {
        print({parser.helpText().trimmed()});
        return 0;
    }
    if (parser.isSet(versionOption)) {
        print({QStringLiteral("korva5-upload %1").arg(QString::fromLatin1(Version))});
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(statusOption) == parser.isSet(historyOption))
        return usageError(parser, QStringLiteral("give one of --status and --history"));
    const QDateTime now = SystemClock().now();
    if (parser.isSet(statusOption)) {
        if (!positional.isEmpty())
            return usageError(parser, QStringLiteral("--status takes no argument"));
        const QString form = parser.value(formatOption);
        if (form != QLatin1StringView("text") && form != QLatin1StringView("json"))
            return usageError(parser, QStringLiteral("--format is text or json"));
        return status(programDir, now, parser.isSet(jsonOption) || form == QLatin1StringView("json"));
    }
    if (parser.isSet(jsonOption) || parser.isSet(formatOption))
        return usageError(parser, QStringLiteral("--json and --format go with --status"));
    if (positional.size() > 1)
        return usageError(parser, QStringLiteral("--history takes at most one number of days"));
    int days = DefaultHistoryDays;
    if (!positional.isEmpty()) {
        bool ok = false;
        days = positional.first().toInt(&ok);
        if (!ok || days < 1 || days > Journal::KeepDays)
            return usageError(parser, QStringLiteral("DAYS must be a whole number from 1 to %1").arg(Journal::KeepDays));
    }
    return history(programDir, now, days);
}

} // namespace CommandLine

} // namespace korva5
