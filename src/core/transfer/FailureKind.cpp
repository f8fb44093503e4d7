// SPDX-License-Identifier: MIT
#include "core/transfer/FailureKind.h"

#include <iterator>
#include <utility>

namespace korva5 {

namespace {

// The names the journal holds. Never renumber or rename: old rows are read by them.
const std::pair<FailureKind, const char *> Names[] = {
    {FailureKind::Other, "other"},
    {FailureKind::LocalMissing, "local-missing"},
    {FailureKind::LocalUnreadable, "local-unreadable"},
    {FailureKind::LocalNotAllowed, "local-not-allowed"},
    {FailureKind::LocalChanged, "local-changed"},
    {FailureKind::NameRefused, "name-refused"},
    {FailureKind::NoServer, "no-server"},
    {FailureKind::ServerUnusable, "server-unusable"},
    {FailureKind::CannotResolve, "cannot-resolve"},
    {FailureKind::ConnectionRefused, "connection-refused"},
    {FailureKind::ConnectTimedOut, "connect-timed-out"},
    {FailureKind::ServerSilent, "server-silent"},
    {FailureKind::Stalled, "stalled"},
    {FailureKind::TlsRefused, "tls-refused"},
    {FailureKind::CertificateUntrusted, "certificate-untrusted"},
    {FailureKind::HostKeyUnknown, "host-key-unknown"},
    {FailureKind::LoginRefused, "login-refused"},
    {FailureKind::RemoteFolderMissing, "remote-folder-missing"},
    {FailureKind::RemoteWriteRefused, "remote-write-refused"},
    {FailureKind::ServerDiskFull, "server-disk-full"},
    {FailureKind::TransferCut, "transfer-cut"},
    {FailureKind::NotConfirmed, "not-confirmed"},
    {FailureKind::SizeDiffers, "size-differs"},
    {FailureKind::RenameRefused, "rename-refused"},
    {FailureKind::DeleteRefused, "delete-refused"},
    {FailureKind::Ended, "ended"},
    {FailureKind::CurlMissing, "libcurl-missing"},
    {FailureKind::CurlTooOld, "libcurl-too-old"},
    {FailureKind::CurlOptionRefused, "libcurl-option-refused"},
    {FailureKind::TooManyWaiting, "too-many-waiting"},
};

} // namespace

QString failureKindName(FailureKind kind)
{
    for (const auto &[known, name] : Names) {
        if (known == kind)
            return QLatin1StringView(name);
    }
    return {};
}

std::optional<FailureKind> failureKindFromName(const QString &name)
{
    for (const auto &[kind, known] : Names) {
        if (name == QLatin1StringView(known))
            return kind;
    }
    return std::nullopt;
}

} // namespace korva5
