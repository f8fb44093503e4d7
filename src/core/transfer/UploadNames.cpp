// SPDX-License-Identifier: MIT
#include "core/transfer/UploadNames.h"

#include "core/settings/Settings.h"
#include "core/diagnostics/ShownText.h"
#include "core/settings/ProfileFile.h"

namespace korva5 {

namespace UploadNames {

QString localFileName(QDate date)
{
    return date.toString(u"yyyyMMdd") + u".txt";
}

QString remoteFileName(QDate date, const QString &stationNo)
{
    return date.toString(u"yyyyMMdd") + u'.' + ProfileFile::trimmedBlanks(stationNo);
}

QString timeStampLine(const QDateTime &now)
{
    return now.toString(u"yyyy/MM/dd-HH:mm");
}

QString sendCommand(const QString &localPath, const QString &remotePath)
{
    return ProfileFile::trimmedBlanks(u"SEND " + localPath + u' ' + remotePath);
}

QString settingsProblem(const Settings &settings)
{
    const QString stationNo = ProfileFile::trimmedBlanks(settings.FtpNo);
    if (stationNo.contains(u'/') || stationNo.contains(u'\\') || hasControlCharacter(stationNo) || stationNo == u"."
        || stationNo == u"..") {
        return QStringLiteral("the station number (%1) \"%2\" would put the file outside the remote folder; "
                              "nothing was sent")
            .arg(Settings::keyOf(&Settings::FtpNo), shownText(stationNo));
    }
    // The times never reach a protocol line: one that is not a time is only never due.
    for (QString Settings::*field : {&Settings::FtpServer, &Settings::FtpPath, &Settings::FtpUserName,
                                     &Settings::FtpPassword, &Settings::LocalPath}) {
        if (hasControlCharacter(settings.*field))
            return QStringLiteral("the setting %1 holds a control character; nothing was sent").arg(Settings::keyOf(field));
    }
    return {};
}

} // namespace UploadNames

} // namespace korva5
