// SPDX-License-Identifier: MIT
#include "core/settings/SettingsCheck.h"

#include "core/diagnostics/ShownText.h"
#include "core/settings/FullWidth.h"
#include "core/settings/ServerAddress.h"
#include "core/settings/ProfileFile.h"
#include "core/settings/TimeOfDay.h"

#include <QDir>
#include <QFileInfo>

namespace korva5 {

namespace SettingsCheck {

namespace {

using Severity = Finding::Severity;

Finding found(Severity severity, const QString &text, const QString &fixed = {})
{
    return {severity, text, fixed};
}

// Names the first full-width character of typed (counted from 1, as people count, in the box as
// it reads, blanks before it included) and what Ok stores instead.
QString fullWidthText(const QString &typed, const QString &fixed, const Text &text)
{
    const qsizetype first = FullWidth::firstIn(typed);
    const qsizetype more = FullWidth::countIn(typed) - 1;
    const QString character = typed.at(first);
    const QString position = QString::number(first + 1);
    if (more == 0)
        return text(QStringLiteral("CheckFullWidth")).arg(character, position, fixed);
    return text(QStringLiteral("CheckFullWidthMore")).arg(character, position, QString::number(more), fixed);
}

// A server folder with "." and ".." and doubled slashes taken out; empty for the login folder.
QString cleanFolder(const QString &folder)
{
    const QString trimmed = ProfileFile::trimmedBlanks(folder);
    const QString cleaned = QDir::cleanPath(trimmed.isEmpty() ? QStringLiteral(".") : trimmed);
    return cleaned == u"." ? QString() : cleaned;
}

} // namespace

Finding checkTime(const QString &time, const Text &text)
{
    const QString typed = ProfileFile::trimmedBlanks(time);
    if (typed.isEmpty() || TimeOfDay::parse(typed))
        return {};
    if (const std::optional<QString> stored = TimeOfDay::normalised(typed))
        return found(Severity::Fix, text(QStringLiteral("CheckTimeRead")).arg(shownText(typed), *stored), *stored);
    return found(Severity::Error, text(QStringLiteral("CheckTime")).arg(shownText(typed)));
}

QString timeProblem(const QString &time, const Text &text)
{
    const Finding finding = checkTime(time, text);
    return finding.blocksOk() ? finding.text : QString();
}

QString localFolderProblem(const QString &folder, const Text &text)
{
    const QString typed = ProfileFile::trimmedBlanks(folder);
    if (typed.isEmpty())
        return text(QStringLiteral("CheckNoLocalFolder"));
#ifdef Q_OS_WIN
    const bool endsWithSeparator = typed.endsWith(u'/') || typed.endsWith(u'\\');
    const QString separator = QStringLiteral("\\");
#else
    const bool endsWithSeparator = typed.endsWith(u'/');
    const QString separator = QStringLiteral("/");
#endif
    if (!endsWithSeparator)
        return text(QStringLiteral("CheckFolderEnd")).arg(separator, shownText(typed), separator);
    const QFileInfo info(typed);
    if (!info.exists())
        return text(QStringLiteral("CheckFolderMissing")).arg(shownText(typed));
    if (!info.isDir())
        return text(QStringLiteral("CheckNotAFolder")).arg(shownText(typed));
    return {};
}

Finding checkLocalFolder(const QString &folder, const Text &text)
{
    const QString problem = localFolderProblem(folder, text);
    return problem.isEmpty() ? Finding() : found(Severity::Warning, problem);
}

Finding checkServer(const QString &server, const Text &text)
{
    const QString typed = ProfileFile::trimmedBlanks(server);
    if (typed.isEmpty())
        return {};
    // Full-width characters alone: nothing else to mend, and no doubt what was meant. Taken
    // before the parse, which would read some of them (full-width letters of a host name) and
    // leave others in a name no one can look up.
    if (FullWidth::firstIn(typed) >= 0) {
        const QString ascii = FullWidth::toAscii(typed);
        if (ServerAddress::parse(ascii))
            return found(Severity::Fix, fullWidthText(server, ascii, text), ascii);
    }
    QString why;
    if (ServerAddress::parse(typed, &why, text))
        return {};
    const QString meant = ServerAddress::suggestion(typed);
    if (!meant.isEmpty() && ServerAddress::parse(meant))
        return found(Severity::Error, text(QStringLiteral("CheckServerMeant")).arg(why, shownServer(meant)));
    return found(Severity::Error, text(QStringLiteral("CheckServer")).arg(why));
}

QString serverProblem(const QString &server, const Text &text)
{
    const Finding finding = checkServer(server, text);
    return finding.blocksOk() ? finding.text : QString();
}

Finding checkStationNo(const QString &stationNo, const Text &text)
{
    const QString typed = ProfileFile::trimmedBlanks(stationNo);
    if (FullWidth::firstIn(typed) < 0)
        return {};
    const QString fixed = ProfileFile::trimmedBlanks(FullWidth::toAscii(typed));
    return found(Severity::Fix, fullWidthText(stationNo, fixed, text), fixed);
}

Finding checkStatusFolder(const QString &statusFolder, const QString &recordsFolder, const Text &text)
{
    if (ProfileFile::trimmedBlanks(statusFolder).isEmpty() || !sameRemoteFolder(statusFolder, recordsFolder))
        return {};
    const QString records = ProfileFile::trimmedBlanks(recordsFolder);
    return found(Severity::Error, text(QStringLiteral("CheckStatusIsRecords"))
                                      .arg(records.isEmpty() ? text(QStringLiteral("TestLoginFolder")) : shownText(records)));
}

bool sameRemoteFolder(const QString &one, const QString &other)
{
    const QString a = cleanFolder(one), b = cleanFolder(other);
    if (a == b)
        return true;
    // Where one is relative to the login folder, whose place is not known here, the same last
    // folder name may well be the same folder.
    const bool relative = !a.startsWith(u'/') || !b.startsWith(u'/');
    return relative && !a.isEmpty() && !b.isEmpty() && a.section(u'/', -1) == b.section(u'/', -1);
}

} // namespace SettingsCheck

} // namespace korva5
