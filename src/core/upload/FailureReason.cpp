// SPDX-License-Identifier: MIT
#include "core/upload/FailureReason.h"

#include <utility>

namespace {

using Words = std::pair<FailureKind, const char *>;

// %1 is the detail; words without it take the detail after a colon, when there is one.
const Words ShortWords[] = {
    {FailureKind::Other, "failed"},
    {FailureKind::LocalMissing, "no such file %1"},
    {FailureKind::LocalUnreadable, "cannot read %1"},
    {FailureKind::LocalNotAllowed, "%1 links outside the records folder"},
    {FailureKind::LocalChanged, "%1 shrank while it was sent"},
    {FailureKind::NameRefused, "refused: a name would leave the remote folder or holds a control character"},
    {FailureKind::NoServer, "no server is set"},
    {FailureKind::ServerUnusable, "the server setting is not usable"},
    {FailureKind::CannotResolve, "server not found"},
    {FailureKind::ConnectionRefused, "connection refused"},
    {FailureKind::ConnectTimedOut, "timed out after %1 s"},
    {FailureKind::ServerSilent, "timed out after %1 s"},
    {FailureKind::Stalled, "stalled: no data moved for %1 s"},
    {FailureKind::TlsRefused, "secure connection refused"},
    {FailureKind::CertificateUntrusted, "the server's certificate is not trusted"},
    {FailureKind::HostKeyUnknown, "the server's key is unknown or changed"},
    {FailureKind::LoginRefused, "login refused"},
    {FailureKind::RemoteFolderMissing, "no such remote folder"},
    {FailureKind::RemoteWriteRefused, "the server refused the file"},
    {FailureKind::ServerDiskFull, "the server's disk is full"},
    {FailureKind::TransferCut, "the connection broke during the upload"},
    {FailureKind::NotConfirmed, "the server did not confirm the file"},
    {FailureKind::SizeDiffers, "the server holds another size than was sent"},
    {FailureKind::RenameRefused, "the server refused the rename"},
    {FailureKind::DeleteRefused, "the server did not delete the test file"},
    {FailureKind::Ended, "ended before it was done"},
    {FailureKind::CurlMissing, "libcurl cannot be used"},
    {FailureKind::CurlTooOld, "libcurl is too old"},
    {FailureKind::CurlOptionRefused, "libcurl refused a setting"},
    {FailureKind::TooManyWaiting, "%1 uploads are already waiting"},
};

// %1 is the folder the test file went to.
const Words TestWords[] = {
    {FailureKind::None, "Connected, logged in, %1 accepts files"},
    {FailureKind::LoginRefused, "Login refused: check the user name and password"},
    {FailureKind::RemoteFolderMissing, "The folder %1 does not exist on the server"},
    {FailureKind::RemoteWriteRefused, "Logged in, but %1 does not accept files"},
    {FailureKind::ServerDiskFull, "Logged in, but the server has no room for files in %1"},
    {FailureKind::CannotResolve, "Server not found: the host name is unknown"},
    {FailureKind::ConnectionRefused, "Cannot connect: nothing answers at that address and port"},
    {FailureKind::ConnectTimedOut, "Cannot connect: the server does not answer"},
    {FailureKind::ServerSilent, "The server stopped answering"},
    {FailureKind::Stalled, "The server stopped answering"},
    {FailureKind::TlsRefused, "Cannot agree on a secure connection with the server"},
    {FailureKind::CertificateUntrusted, "The server's certificate is not trusted"},
    {FailureKind::HostKeyUnknown, "The server's key is not in known_hosts, or has changed"},
    {FailureKind::RenameRefused, "Logged in and sent a file to %1, but the server cannot rename it"},
    {FailureKind::DeleteRefused, "%1 accepts files, but the test file could not be deleted"},
};

template <size_t N>
const char *wordsOf(const Words (&table)[N], FailureKind kind)
{
    for (const auto &[known, words] : table) {
        if (known == kind)
            return words;
    }
    return nullptr;
}

} // namespace

QString shortReason(FailureKind kind, const QString &detail)
{
    if (kind == FailureKind::None)
        return {};
    const char *words = wordsOf(ShortWords, kind);
    const QString text = QLatin1StringView(words ? words : wordsOf(ShortWords, FailureKind::Other));
    if (text.contains(QStringLiteral("%1")))
        return text.arg(detail);
    return detail.isEmpty() ? text : text + u": " + detail;
}

QString connectionTestLine(FailureKind kind, const QString &detail, const QString &folder)
{
    const QString where = folder.isEmpty() ? QStringLiteral("the login folder") : folder;
    if (const char *words = wordsOf(TestWords, kind))
        return QString(QLatin1StringView(words)).arg(where);
    return QStringLiteral("Failed: %1").arg(shortReason(kind, detail));
}
