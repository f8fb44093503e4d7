// SPDX-License-Identifier: MIT
#include "core/settings/SettingsCheck.h"

#include "core/diagnostics/ShownText.h"
#include "core/settings/SysMain.h"
#include "core/settings/ServerAddress.h"
#include "core/settings/TimeOfDay.h"

#include <QFileInfo>

namespace SettingsCheck {

QString timeProblem(const QString &time, const Text &text)
{
    const QString typed = SysMain::Trim(time);
    if (typed.isEmpty())
        return {};
    if (TimeOfDay::parse(typed))
        return {};
    return text(QStringLiteral("CheckTime")).arg(shownText(typed));
}

QString localFolderProblem(const QString &folder, const Text &text)
{
    const QString typed = SysMain::Trim(folder);
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

QString serverProblem(const QString &server, const Text &text)
{
    const QString typed = SysMain::Trim(server);
    if (typed.isEmpty())
        return {};
    QString why;
    if (ServerAddress::parse(typed, &why, text))
        return {};
    return text(QStringLiteral("CheckServer")).arg(why);
}

} // namespace SettingsCheck
