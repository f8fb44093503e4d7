// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QTimeZone>

namespace korva5::fleet {

// One line of a folder listing as FTP servers send it, in the three forms met in practice:
// - MLSD (RFC 3659), facts then the name: "type=file;size=48211;modify=20261207083004; 20261207.12";
// - LIST in the Unix form of "ls -l", as vsftpd, ProFTPD, Pure-FTPd, pyftpdlib and libcurl's sftp
//   listings write it: "-rw-r--r--   1 ftp  ftp   48211 Dec  7 08:30 20261207.12" (a file older
//   than about half a year shows its year instead of its time);
// - LIST in the DOS form of IIS: "12-07-26  08:30AM   48211 20261207.12" or "... <DIR> name".
namespace ListingLines {

enum class Type {
    File,
    Folder,
    Other,      // a link, a device, the "total" line of ls: nothing a station uploads
    Unreadable, // none of the forms above
};

// A modification time as the line gives it, kept as its fields: most names in a records folder
// are of no interest to a check, and only those that are get turned into a time (which costs).
struct Stamp
{
    enum class Form {
        None,       // the line gives no time
        Utc,        // MLSD: to the second, in UTC
        ServerTime, // LIST: to the minute, in the time zone the server lists in
    };
    Form form = Form::None;
    int year = 0; // 0: not given (a recent file in the Unix form); the latest such date not ahead of now
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct Line
{
    Type type = Type::Unreadable;
    QByteArrayView name; // a view into the line
    qint64 size = -1;    // -1: not given
    Stamp modified;
};

Line parseMlsd(QByteArrayView line);
Line parseUnix(QByteArrayView line);
Line parseDos(QByteArrayView line);
// A LIST line in whichever of the Unix and DOS forms it is written.
Line parseList(QByteArrayView line);

// The time a stamp stands for. serverZone is the zone the server lists its LIST times in (UTC for
// vsftpd and pyftpdlib unless set up otherwise, the server's own zone for IIS); now places a
// time listed without its year. Invalid when the stamp holds no time or an impossible one.
QDateTime timeOf(const Stamp &stamp, const QTimeZone &serverZone, const QDateTime &now);

} // namespace ListingLines

} // namespace korva5::fleet
