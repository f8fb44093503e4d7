// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace korva5 {

// The server setting taken apart: read by the settings dialog to say what is wrong with a typed
// value, and by the transfer to know where to connect.
//
// The server setting is a host ("ftp.example.com", "192.168.0.10"), "host:port", or a URL whose
// scheme chooses the protocol: ftp:// (plain FTP, the default, port 21), ftps:// (FTP over
// implicit TLS, port 990), ftpes:// (FTP with AUTH TLS on the control port, port 21), sftp://
// (SSH file transfer, port 22).
struct ServerAddress
{
    enum class Protocol { Ftp, Ftps, Ftpes, Sftp };

    Protocol protocol = Protocol::Ftp;
    QString host; // as in a URL: an IPv6 address keeps its brackets
    int port = 21;

    // The text of a key of Language.txt in the language wanted.
    using Text = std::function<QString(const QString &key)>;

    // Takes a server setting apart; nothing when it is empty or not one of the forms above.
    static std::optional<ServerAddress> parse(const QString &server);
    // The same, and when it fails, error says why in the words text gives (the dialog's language,
    // or English for standard error and the journal).
    static std::optional<ServerAddress> parse(const QString &server, QString *error, const Text &text);

    // What a setting that parse refuses was most likely meant to be: the scheme with its "://"
    // ("ftp//host" -> "ftp://host"), full-width characters in their ASCII forms. Empty when
    // nothing of the sort is found; the result is not checked itself.
    static QString suggestion(const QString &server);

    static QString protocolName(Protocol protocol);
};

} // namespace korva5
