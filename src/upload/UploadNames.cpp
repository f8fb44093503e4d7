// SPDX-License-Identifier: MIT
#include "UploadNames.h"

#include "SysMain.h"

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

} // namespace UploadNames
