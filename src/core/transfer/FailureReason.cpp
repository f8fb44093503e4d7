// SPDX-License-Identifier: MIT
#include "core/transfer/FailureReason.h"

#include <utility>

namespace korva5 {

namespace {

using Key = std::pair<FailureKind, const char *>;

// The texts' %1 is the detail; a text without it takes the detail after it (ReasonDetail), when
// there is one.
const Key ShortKeys[] = {
    {FailureKind::Other, "ReasonOther"},
    {FailureKind::LocalMissing, "ReasonLocalMissing"},
    {FailureKind::LocalUnreadable, "ReasonLocalUnreadable"},
    {FailureKind::LocalNotAllowed, "ReasonLocalNotAllowed"},
    {FailureKind::LocalChanged, "ReasonLocalChanged"},
    {FailureKind::NameRefused, "ReasonNameRefused"},
    {FailureKind::NoServer, "ReasonNoServer"},
    {FailureKind::ServerUnusable, "ReasonServerUnusable"},
    {FailureKind::CannotResolve, "ReasonCannotResolve"},
    {FailureKind::ConnectionRefused, "ReasonConnectionRefused"},
    {FailureKind::ConnectTimedOut, "ReasonConnectTimedOut"},
    {FailureKind::ServerSilent, "ReasonServerSilent"},
    {FailureKind::Stalled, "ReasonStalled"},
    {FailureKind::TlsRefused, "ReasonTlsRefused"},
    {FailureKind::CertificateUntrusted, "ReasonCertificateUntrusted"},
    {FailureKind::HostKeyUnknown, "ReasonHostKeyUnknown"},
    {FailureKind::LoginRefused, "ReasonLoginRefused"},
    {FailureKind::RemoteFolderMissing, "ReasonRemoteFolderMissing"},
    {FailureKind::RemoteWriteRefused, "ReasonRemoteWriteRefused"},
    {FailureKind::ServerDiskFull, "ReasonServerDiskFull"},
    {FailureKind::TransferCut, "ReasonTransferCut"},
    {FailureKind::NotConfirmed, "ReasonNotConfirmed"},
    {FailureKind::SizeDiffers, "ReasonSizeDiffers"},
    {FailureKind::RenameRefused, "ReasonRenameRefused"},
    {FailureKind::DeleteRefused, "ReasonDeleteRefused"},
    {FailureKind::Ended, "ReasonEnded"},
    {FailureKind::CurlMissing, "ReasonCurlMissing"},
    {FailureKind::CurlTooOld, "ReasonCurlTooOld"},
    {FailureKind::CurlOptionRefused, "ReasonCurlOptionRefused"},
    {FailureKind::TooManyWaiting, "ReasonTooManyWaiting"},
};

// The texts' %1 is the folder the test file went to. A kind without a line of its own is said
// in its short words (TestFailed).
const Key TestKeys[] = {
    {FailureKind::None, "TestPassed"},
    {FailureKind::LoginRefused, "TestLoginRefused"},
    {FailureKind::RemoteFolderMissing, "TestRemoteFolderMissing"},
    {FailureKind::RemoteWriteRefused, "TestRemoteWriteRefused"},
    {FailureKind::ServerDiskFull, "TestServerDiskFull"},
    {FailureKind::CannotResolve, "TestCannotResolve"},
    {FailureKind::ConnectionRefused, "TestConnectionRefused"},
    {FailureKind::ConnectTimedOut, "TestConnectTimedOut"},
    {FailureKind::ServerSilent, "TestServerSilent"},
    {FailureKind::Stalled, "TestStalled"},
    {FailureKind::TlsRefused, "TestTlsRefused"},
    {FailureKind::CertificateUntrusted, "TestCertificateUntrusted"},
    {FailureKind::HostKeyUnknown, "TestHostKeyUnknown"},
    {FailureKind::RenameRefused, "TestRenameRefused"},
    {FailureKind::DeleteRefused, "TestDeleteRefused"},
};

template <size_t N>
const char *keyOf(const Key (&table)[N], FailureKind kind)
{
    for (const auto &[known, key] : table) {
        if (known == kind)
            return key;
    }
    return nullptr;
}

bool isIdeographic(QChar c)
{
    return c.unicode() >= 0x2E80;
}

} // namespace

QString withoutBlanksBetweenIdeographs(const QString &line)
{
    QString result;
    result.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u' ' && i > 0 && i + 1 < line.size() && isIdeographic(line[i - 1]) && isIdeographic(line[i + 1]))
            continue;
        result += line[i];
    }
    return result;
}

QString shortReason(FailureKind kind, const QString &detail, const std::function<QString(const QString &key)> &text)
{
    if (kind == FailureKind::None)
        return {};
    const char *key = keyOf(ShortKeys, kind);
    const QString words = text(QLatin1StringView(key ? key : keyOf(ShortKeys, FailureKind::Other)));
    if (words.contains(QStringLiteral("%1")))
        return words.arg(detail);
    // One call for both: a "%1" in what the server said stays as it came.
    return detail.isEmpty() ? words : text(QStringLiteral("ReasonDetail")).arg(words, detail);
}

QString connectionTestLine(FailureKind kind, const QString &detail, const QString &folder,
                           const std::function<QString(const QString &key)> &text)
{
    if (const char *key = keyOf(TestKeys, kind)) {
        const QString words = text(QLatin1StringView(key));
        if (!words.contains(QStringLiteral("%1")))
            return words;
        if (!folder.isEmpty())
            return words.arg(folder);
        return withoutBlanksBetweenIdeographs(words.arg(text(QStringLiteral("TestLoginFolder"))));
    }
    return text(QStringLiteral("TestFailed")).arg(shortReason(kind, detail, text));
}

} // namespace korva5
