// SPDX-License-Identifier: MIT
#include "core/transfer/FtpTarget.h"

#include "core/language/BuiltInTexts.h"

#include <QStringList>
#include <QUrl>

namespace korva5 {

namespace {

QByteArray encodedPath(const QString &path)
{
    QByteArray result;
    const QStringList segments = path.split(u'/');
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (i > 0)
            result += '/';
        result += QUrl::toPercentEncoding(segments.at(i));
    }
    return result;
}

} // namespace

std::optional<FtpTarget> FtpTarget::parse(const QString &server, QString *error)
{
    // Why it fails goes to standard error and the journal: in English, whatever the windows show.
    if (const std::optional<ServerAddress> address = ServerAddress::parse(server, error, BuiltInTexts::english))
        return FtpTarget{*address};
    return std::nullopt;
}

QByteArray FtpTarget::url(const QString &remotePath) const
{
    const char *scheme = protocol == Protocol::Ftps ? "ftps" : protocol == Protocol::Sftp ? "sftp" : "ftp";
    QByteArray result = QByteArray(scheme) + "://" + host.toLatin1() + ':' + QByteArray::number(port) + '/';
    const bool absolute = remotePath.startsWith(u'/');
    if (protocol == Protocol::Sftp) {
        // sftp URLs are absolute; "~/" starts at the login's home folder.
        result += absolute ? encodedPath(remotePath.mid(1)) : "~/" + encodedPath(remotePath);
    } else {
        // In an ftp URL the path is relative to the login folder; "%2F" makes it absolute.
        result += absolute ? "%2F" + encodedPath(remotePath.mid(1)) : encodedPath(remotePath);
    }
    return result;
}

} // namespace korva5
