// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

// Where a transfer goes: the server setting taken apart, and the URL of one remote path on it.
//
// The server setting is a host ("ftp.example.com", "192.168.0.10"), "host:port", or a URL whose
// scheme chooses the protocol: ftp:// (plain FTP, the default, port 21), ftps:// (FTP over
// implicit TLS, port 990), ftpes:// (FTP with AUTH TLS on the control port, port 21), sftp://
// (SSH file transfer, port 22).
struct FtpTarget
{
    enum class Protocol { Ftp, Ftps, Ftpes, Sftp };

    Protocol protocol = Protocol::Ftp;
    QString host; // as in a URL: an IPv6 address keeps its brackets
    int port = 21;

    // Takes a server setting apart; nothing when it is empty or not one of the forms above.
    static std::optional<FtpTarget> parse(const QString &server, QString *error = nullptr);

    // The URL that names remotePath on this server. A path starting with "/" is absolute on the
    // server; any other path is relative to the folder the login starts in.
    QByteArray url(const QString &remotePath) const;

    // True when text holds a character that must never reach a protocol line (CR, LF and the
    // other control characters).
    static bool hasControlCharacter(const QString &text);

    static QString protocolName(Protocol protocol);
};
