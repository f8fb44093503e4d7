// SPDX-License-Identifier: MIT
#include "core/transfer/TransferVerdict.h"

#include "core/diagnostics/ShownText.h"

#include <chrono>

namespace korva5 {

namespace {

using Command = FtpReplies::Command;

QString seconds(std::chrono::milliseconds timeout)
{
    return QString::number(std::chrono::ceil<std::chrono::seconds>(timeout).count());
}

bool fromServer(FailureKind kind)
{
    switch (kind) {
    case FailureKind::LoginRefused:
    case FailureKind::RemoteFolderMissing:
    case FailureKind::RemoteWriteRefused:
    case FailureKind::ServerDiskFull:
    case FailureKind::NotConfirmed:
    case FailureKind::Other:
        return true;
    default:
        return false;
    }
}

} // namespace

FailureKind refusalKind(Command command, int code)
{
    if (code == 530 || command == Command::Login)
        return FailureKind::LoginRefused;
    if (code == 452 || code == 552)
        return FailureKind::ServerDiskFull;
    switch (command) {
    case Command::Folder:
        return FailureKind::RemoteFolderMissing;
    case Command::StoreStart:
        return code == 425 || code == 426 ? FailureKind::TransferCut : FailureKind::RemoteWriteRefused;
    case Command::StoreEnd:
        return code == 425 || code == 426 ? FailureKind::TransferCut : FailureKind::NotConfirmed;
    case Command::Size:
        return FailureKind::NotConfirmed;
    case Command::RenameFrom:
    case Command::RenameTo:
        return FailureKind::RenameRefused;
    case Command::Delete:
        return FailureKind::DeleteRefused;
    case Command::Login: // taken above
    case Command::Quit:
    case Command::Other:
        break;
    }
    return FailureKind::Other;
}

FailureKind curlResultKind(const TransferFacts &facts)
{
    const FtpReplies &replies = facts.replies;
    const bool refused = !facts.sftp && replies.refusedCode() >= 400;
    switch (facts.code) {
    case CURLE_OK:
        return FailureKind::None;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return FailureKind::CannotResolve;
    case CURLE_COULDNT_CONNECT:
        return FailureKind::ConnectionRefused;
    case CURLE_OPERATION_TIMEDOUT:
        if (!facts.connected)
            return FailureKind::ConnectTimedOut;
        // While the data goes out the stall limit is what ends it; otherwise a command's answer.
        if (facts.requestSent && facts.sent < facts.size && (facts.sftp || replies.awaitingStoreEnd()))
            return FailureKind::Stalled;
        return FailureKind::ServerSilent;
    case CURLE_LOGIN_DENIED:
        return FailureKind::LoginRefused;
    case CURLE_PEER_FAILED_VERIFICATION:
        // libcurl's ssh backends report a known_hosts mismatch or absence with this code.
        return facts.sftp ? FailureKind::HostKeyUnknown : FailureKind::CertificateUntrusted;
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return FailureKind::CertificateUntrusted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
        return FailureKind::TlsRefused;
    case CURLE_REMOTE_DISK_FULL:
        return FailureKind::ServerDiskFull;
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return FailureKind::RemoteFolderMissing;
    case CURLE_REMOTE_ACCESS_DENIED:
        if (refused)
            return refusalKind(replies.refusedCommand(), replies.refusedCode());
        return facts.sftp ? FailureKind::RemoteWriteRefused : FailureKind::RemoteFolderMissing;
    case CURLE_UPLOAD_FAILED:
        return refused ? refusalKind(replies.refusedCommand(), replies.refusedCode()) : FailureKind::RemoteWriteRefused;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_CANT_GET_HOST:
        return FailureKind::TransferCut;
    case CURLE_UNKNOWN_OPTION:
    case CURLE_NOT_BUILT_IN:
        return FailureKind::CurlOptionRefused;
    default:
        break;
    }
    return refused ? refusalKind(replies.refusedCommand(), replies.refusedCode()) : FailureKind::Other;
}

TransferFailure transferVerdict(const TransferFacts &facts)
{
    if (facts.noted.failed())
        return facts.noted;
    const FtpReplies &replies = facts.replies;
    const QString lastReply = shownText(QString::fromUtf8(replies.lastReply()));
    TransferFailure verdict;
    FtpFailure &failure = verdict.failure;
    if (facts.code != CURLE_OK) {
        failure.kind = curlResultKind(facts);
        failure.curlMessage = facts.curlMessage;
        QString detail = facts.curlMessage;
        // curl names how long it waited for a connection, not for an answer: say it here.
        if (facts.code == CURLE_OPERATION_TIMEDOUT && !detail.contains(QStringLiteral("after")) && !detail.contains(QStringLiteral("seconds")))
            detail += QStringLiteral(" after %1 seconds").arg(seconds(facts.timeouts.response));
        verdict.why = detail + u" (" + facts.where + u')';
        if (!replies.lastReply().isEmpty())
            verdict.why += u", last reply: " + lastReply;
        if (!facts.sftp && replies.refusedCode() >= 400) {
            failure.replyCode = replies.refusedCode();
            failure.replyText = shownText(QString::fromUtf8(replies.refusal()));
        }
        switch (failure.kind) {
        case FailureKind::ConnectTimedOut:
            failure.detail = seconds(facts.timeouts.connect);
            break;
        case FailureKind::ServerSilent:
            failure.detail = seconds(facts.timeouts.response);
            break;
        case FailureKind::Stalled:
            failure.detail = seconds(facts.timeouts.stall);
            break;
        default:
            // The server's own words where it refused; libcurl's where nothing better is known.
            if (fromServer(failure.kind) && !failure.replyText.isEmpty())
                failure.detail = failure.replyText;
            else if (failure.kind == FailureKind::Other)
                failure.detail = facts.curlMessage;
            break;
        }
        return verdict;
    }
    if (facts.sent != facts.size) {
        verdict.why = QStringLiteral("only %1 of %2 bytes were sent (%3)").arg(facts.sent).arg(facts.size).arg(facts.where);
        failure.kind = FailureKind::TransferCut;
        return verdict;
    }
    if (facts.sftp)
        return verdict;
    auto serverSaid = [&](FailureKind kind, int code) {
        failure.kind = kind;
        failure.replyCode = code;
        if (code >= 400) {
            failure.replyText = lastReply;
            failure.detail = lastReply;
        }
    };
    const int store = replies.storeReply();
    if (store != 226 && store != 250) {
        verdict.why = QStringLiteral("the server did not confirm %1 (%2)").arg(facts.where, lastReply);
        serverSaid(store >= 400 ? refusalKind(Command::StoreEnd, store) : FailureKind::NotConfirmed, store);
        return verdict;
    }
    // 500/502: a server without SIZE, which is no failure; 550 means the file is not there.
    const int size = replies.sizeReply();
    const std::optional<qint64> held = replies.serverSize();
    if (size == 213 && held && *held != facts.size) {
        verdict.why = QStringLiteral("the server holds %1 bytes of %2, not %3").arg(*held).arg(facts.where).arg(facts.size);
        failure.kind = FailureKind::SizeDiffers;
        failure.replyCode = size;
    } else if (size != 213 && size != 500 && size != 502) {
        verdict.why = QStringLiteral("the server does not show %1 after the upload (SIZE: %2)")
                          .arg(facts.where, size ? QString::number(size) : QStringLiteral("no reply"));
        serverSaid(FailureKind::NotConfirmed, size);
    } else if (size == 213 && !held) {
        verdict.why = QStringLiteral("the server's size of %1 is unreadable (%2)").arg(facts.where, lastReply);
        serverSaid(FailureKind::NotConfirmed, size);
    }
    return verdict;
}

} // namespace korva5
