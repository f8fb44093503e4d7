// SPDX-License-Identifier: MIT
#include "core/settings/SettingsCheck.h"

#include "core/diagnostics/ShownText.h"
#include "core/settings/SysMain.h"
#include "core/settings/ServerAddress.h"
#include "core/settings/TimeOfDay.h"

#include <QFileInfo>

namespace SettingsCheck {

QString timeProblem(const QString &time)
{
    const QString text = SysMain::Trim(time);
    if (text.isEmpty())
        return {};
    if (TimeOfDay::parse(text))
        return {};
    return QStringLiteral("\"%1\" is not a time: use HH:MM from 00:00 to 23:59 (08:30), or leave it empty")
        .arg(shownText(text));
}

QString localFolderProblem(const QString &folder)
{
    const QString text = SysMain::Trim(folder);
    if (text.isEmpty())
        return QStringLiteral("No local folder is set: the records files (yyyymmdd.txt) would be looked for in "
                              "the program's working folder");
#ifdef Q_OS_WIN
    const bool endsWithSeparator = text.endsWith(u'/') || text.endsWith(u'\\');
    const QString separator = QStringLiteral("\\");
#else
    const bool endsWithSeparator = text.endsWith(u'/');
    const QString separator = QStringLiteral("/");
#endif
    if (!endsWithSeparator)
        return QStringLiteral("End the folder with \"%1\": the file name is put directly after it (%2%3yyyymmdd.txt)")
            .arg(separator, shownText(text), separator);
    const QFileInfo info(text);
    if (!info.exists())
        return QStringLiteral("The folder %1 does not exist (now); uploads fail until it does").arg(shownText(text));
    if (!info.isDir())
        return QStringLiteral("%1 is not a folder").arg(shownText(text));
    return {};
}

QString serverProblem(const QString &server)
{
    const QString text = SysMain::Trim(server);
    if (text.isEmpty())
        return {};
    QString why;
    if (ServerAddress::parse(text, &why))
        return {};
    return QStringLiteral("Not usable: %1. Use a host (ftp.example.com), host:port, or an ftp://, ftps://, ftpes:// "
                          "or sftp:// URL")
        .arg(why);
}

} // namespace SettingsCheck
