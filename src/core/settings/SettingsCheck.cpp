// SPDX-License-Identifier: MIT
#include "core/settings/SettingsCheck.h"

#include "core/diagnostics/ShownText.h"
#include "core/settings/SysMain.h"
#include "core/upload/FtpTarget.h"

#include <QFileInfo>

namespace SettingsCheck {

QString timeProblem(const QString &time)
{
    const QString text = SysMain::TrimBlanks(time);
    if (text.isEmpty())
        return {};
    // The schedule compares the stored text with the clock's "HH:MM": "9:05" or "09:5" would
    // never be equal to it.
    auto digit = [&text](int i) { return text[i] >= u'0' && text[i] <= u'9' ? text[i].unicode() - u'0' : -1; };
    if (text.size() == 5 && text[2] == u':' && digit(0) >= 0 && digit(1) >= 0 && digit(3) >= 0 && digit(4) >= 0
        && digit(0) * 10 + digit(1) < 24 && digit(3) < 6)
        return {};
    return QStringLiteral("\"%1\" is not a time: use HH:MM from 00:00 to 23:59 (08:30), or leave it empty")
        .arg(shownText(text));
}

QString localFolderProblem(const QString &folder)
{
    const QString text = SysMain::TrimBlanks(folder);
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
    const QString text = SysMain::TrimBlanks(server);
    if (text.isEmpty())
        return {};
    QString why;
    if (FtpTarget::parse(text, &why))
        return {};
    return QStringLiteral("Not usable: %1. Use a host (ftp.example.com), host:port, or an ftp://, ftps://, ftpes:// "
                          "or sftp:// URL")
        .arg(why);
}

} // namespace SettingsCheck
