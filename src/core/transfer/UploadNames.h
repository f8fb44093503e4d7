// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace korva5 {

struct Settings;

// How a day becomes file names and how an upload is written in the transfer log.
namespace UploadNames {

// "yyyymmdd.txt": the records file of date in the local folder.
QString localFileName(QDate date);

// "yyyymmdd" + "." + the trimmed station number: the file's name on the server.
QString remoteFileName(QDate date, const QString &stationNo);

// "yyyy/mm/dd-hh:mm", the line that opens a manual or scheduled upload in the log.
QString timeStampLine(const QDateTime &now);

// "SEND " + local path + " " + remote path, trimmed: the command line written to the log.
QString sendCommand(const QString &localPath, const QString &remotePath);

// Why the settings cannot make a safe upload, naming the setting at fault; empty when they can.
// A station number must stay the extension of a file name in the remote folder: "/", "\\", a
// control character, "." or ".." would send the file somewhere else. A control character in any
// other setting would reach a protocol line.
QString settingsProblem(const Settings &settings);

} // namespace UploadNames

} // namespace korva5
