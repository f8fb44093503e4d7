// SPDX-License-Identifier: MIT
#pragma once
// One upload as it is asked for and as it ended, and how a transfer reports on it as it runs.
// The public face of a transfer (FtpTransfer.h) and its private steps (Transfer.h) both stand on
// these, so neither has to include the other.

#include "core/transfer/FailureKind.h"
#include "core/transfer/TransferState.h"

#include <QMetaType>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

namespace korva5 {

// Limits that keep a dead server or connection from holding the transfer control forever.
struct FtpTimeouts
{
    std::chrono::milliseconds connect{30'000};  // resolving, connecting and logging in
    std::chrono::milliseconds stall{60'000};    // no data moved at all for this long
    std::chrono::milliseconds response{60'000}; // the server does not answer a command
};

// One upload: everything a transfer needs, fixed when it is requested.
struct FtpRequest
{
    QString server;
    QString userName;
    QString password;
    QString localPath;
    QString remotePath;
    FtpTimeouts timeouts;
    QString caBundle; // extra trusted certificates for TLS; empty: the system's store only
    // Set when the request was refused before it was queued (a setting that cannot make a safe
    // request): the transfer then ends with an error at once, saying this, and connects to nothing.
    QString refusal;
    FailureKind refusalKind = FailureKind::Other;
    quint64 tag = 0; // the caller's number for this request, handed back with the result
    // Send under a temporary name in the same folder (".name.part") and rename it to the final
    // name only once the server has confirmed it whole, so a broken transfer never replaces a
    // complete file sent earlier. False sends straight to the final name.
    bool temporaryName = true;
    // Delete the file again once it is confirmed under its final name: a try of the server that
    // must leave nothing behind. The transfer then succeeds only when the delete does too.
    bool deleteAfter = false;
    // A folder the file must not land in (the records folder, for the station's status file),
    // however the two are spelt: once the server has the file under the name it was sent as, that
    // name is fetched from this folder too, and when the server gives back the very bytes sent,
    // the two paths lead to one folder (one written two ways, a link on the server). The file is
    // then deleted again and the transfer fails. Nothing: no such folder ("" is the login folder).
    std::optional<QString> distinctFolder;
};

// What kind of failure ended an upload, with the facts it was decided from.
struct FtpFailure
{
    FailureKind kind = FailureKind::None;
    // The one fact the short texts name beside the kind: the server's refusal ("530 Login
    // incorrect."), the local file, the seconds waited. Empty when there is none.
    QString detail;
    int replyCode = 0;   // the server's final reply to the command that failed; 0: none
    QString replyText;   // that reply's line, as the server sent it
    QString curlMessage; // libcurl's own message, when libcurl failed
};

// How one upload ended.
struct FtpResult
{
    quint64 tag = 0;
    QString localPath;
    QString remotePath;
    bool succeeded = false;
    qint64 bytes = 0;  // the size sent (the whole file when it succeeded)
    QString reason;    // why it failed, as standard error shows it; empty when it succeeded
    FtpFailure failure; // kind None when it succeeded
};

// How a transfer reports each moment as it happens; reason is set with State::Error only.
using FtpReport = std::function<void(Ftp::State state, const QString &reason)>;
// Hears the kind of a failure right before its State::Error is reported.
using FtpFailed = std::function<void(const FtpFailure &failure)>;

// How far the file's data has gone out: the bytes of total the system has taken to send. The
// network's buffers hold some of them yet, so the count runs ahead of what the server has read
// by up to a few MiB, and only the server's confirmation says the file arrived.
using FtpProgress = std::function<void(qint64 sent, qint64 total)>;
// How often at most a transfer tells its FtpProgress while the data goes out (see runFtpTransfer).
inline constexpr std::chrono::milliseconds ProgressInterval{250};

} // namespace korva5

Q_DECLARE_METATYPE(korva5::FtpResult)
