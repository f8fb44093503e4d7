// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

namespace korva5 {

// What made an upload fail, decided where the fact is known: the local file's checks, the
// request's names, libcurl's result code, the server's reply code to the command that failed.
// Everything a person reads about a failure in a few words is made from this (FailureReason.h),
// never from the wording of a message. Stored in the journal by name (failureKindName), so the
// order here may change but a name, once written, may not.
enum class FailureKind {
    None,               // no failure
    Other,              // nothing better is known
    LocalMissing,       // the records file (or a link's target) does not exist
    LocalUnreadable,    // it is there but cannot be read as a file
    LocalNotAllowed,    // a link that leads out of the records folder
    LocalChanged,       // the file shrank while it went out
    NameRefused,        // a name that would leave the folder or holds control characters
    NoServer,           // no server is set
    ServerUnusable,     // the server setting is not one the transfer accepts
    CannotResolve,      // the host name is unknown
    ConnectionRefused,  // nothing answers at that address and port
    ConnectTimedOut,    // no connection within the connect timeout
    ServerSilent,       // connected, but the server did not answer a command in time
    Stalled,            // no data moved for the stall timeout
    TlsRefused,         // TLS could not be agreed on
    CertificateUntrusted, // the server's certificate is not one the trusted ones vouch for
    HostKeyUnknown,     // the sftp server's key is not in known_hosts, or has changed
    LoginRefused,       // user name or password refused
    RemoteFolderMissing, // the remote folder cannot be entered
    RemoteWriteRefused, // the server refused to store the file
    ServerDiskFull,     // the server has no room for it
    TransferCut,        // the connection broke while the file went out
    NotConfirmed,       // the server did not confirm the file whole, or does not show it after
    SizeDiffers,        // the server holds another size than was sent
    RenameRefused,      // the file could not take its final name
    DeleteRefused,      // a test file could not be deleted again
    Ended,              // the upload was ended (the program closing, the operator) before it was done
    CurlMissing,        // libcurl cannot be set up
    CurlTooOld,         // libcurl is older than the options the transfer uses
    CurlOptionRefused,  // libcurl refused an option the transfer relies on
    TooManyWaiting,     // turned away: too many uploads already wait
};

// The stable name stored in the journal ("login-refused"); empty for None.
QString failureKindName(FailureKind kind);
// The kind of a stored name; nothing for a name this program does not know.
std::optional<FailureKind> failureKindFromName(const QString &name);

} // namespace korva5
