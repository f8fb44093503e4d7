// SPDX-License-Identifier: MIT
#include "core/upload/UploadNames.h"

#include "core/upload/FtpTarget.h"
#include "core/settings/Settings.h"
#include "core/diagnostics/ShownText.h"
#include "core/settings/SysMain.h"

namespace UploadNames {

QString localFileName(QDate date)
{
    return date.toString(u"yyyyMMdd") + u".txt";
}

QString remoteFileName(QDate date, const QString &stationNo)
{
    return date.toString(u"yyyyMMdd") + u'.' + SysMain::Trim(stationNo);
}

QString timeStampLine(const QDateTime &now)
{
    return now.toString(u"yyyy/MM/dd-HH:mm");
}

QString sendCommand(const QString &localPath, const QString &remotePath)
{
    return SysMain::Trim(u"SEND " + localPath + u' ' + remotePath);
}

QString settingsProblem(const Settings &settings)
{
    const QString stationNo = SysMain::Trim(settings.FtpNo);
    if (stationNo.contains(u'/') || stationNo.contains(u'\\') || FtpTarget::hasControlCharacter(stationNo)
        || stationNo == u"." || stationNo == u"..") {
        return QStringLiteral("the station number (FtpNo) \"%1\" would put the file outside the remote folder; "
                              "nothing was sent")
            .arg(shownText(stationNo));
    }
    const std::pair<const char *, const QString *> others[] = {
        {"FtpServer", &settings.FtpServer},     {"FtpPath", &settings.FtpPath},
        {"FtpUserName", &settings.FtpUserName}, {"FtpPassword", &settings.FtpPassword},
        {"LocalPath", &settings.LocalPath}};
    for (const auto &[key, value] : others) {
        if (FtpTarget::hasControlCharacter(*value))
            return QStringLiteral("the setting %1 holds a control character; nothing was sent").arg(QLatin1StringView(key));
    }
    return {};
}

} // namespace UploadNames
