// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/ServerAddress.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <optional>

namespace korva5 {

// A look at the server before the settings dialog's test logs in: whether its name resolves,
// whether anything takes a connection at its port, and whether what answers there speaks the
// protocol the setting chose, told from its first words (an FTP greeting, an SSH banner) and, for
// ftpes://, its answer to AUTH TLS. A transfer cannot tell these apart: an sftp client waits for
// a banner that an FTP server never sends, and libcurl's sentence for a refused AUTH TLS does not
// say whose side is at fault.
//
// Each phase has a limit of its own, so a server that says nothing costs seconds. It blocks:
// it runs on the test's worker thread, and ends soon after abort is set.
namespace ServerProbe {

struct Limits
{
    std::chrono::milliseconds resolve{5000};
    std::chrono::milliseconds connect{5000};
    std::chrono::milliseconds greeting{5000};
    // ftps://: a TLS server waits for the client, so silence is the good answer; a plain FTP
    // server greets at once. This is how long a greeting is waited for.
    std::chrono::milliseconds plainGreeting{1000};
    std::chrono::milliseconds reply{10000};
};

enum class Verdict {
    Answers,         // the protocol chosen answers at the port
    Aborted,         // abort was set
    CurlUnusable,    // libcurl could not try (detail says why)
    NameUnknown,     // the host name is not known
    NameTimedOut,    // no answer from the name service within the limit
    Refused,         // nothing takes connections at the address and port
    ConnectTimedOut, // no connection within the limit
    Closed,          // the connection was closed without a word
    NoGreeting,      // connected, but nothing was said within the limit
    AnswersSsh,      // an FTP setting at an SSH server's port
    AnswersFtp,      // an sftp setting at an FTP server's port
    TurnedAway,      // an FTP server that refuses the session now ("421 Too many connections")
    NotFtp,          // something answers, but not as an FTP server
    NotSsh,          // something answers, but not as an SSH server
    NoTls,           // ftpes/ftps: the server does not take AUTH TLS
    ExplicitTlsOnly, // ftps: the port greets in plain text and takes AUTH TLS, as ftpes:// wants
    NoReply,         // greeted, but AUTH TLS had no answer within the limit
};

struct Result
{
    Verdict verdict = Verdict::Aborted;
    bool resolved = false; // the host name was found
    QString address;       // the address connected to or tried, when the name was found
    QString said;          // the server's line that decided it (greeting, banner, reply), shown safely
    QString detail;        // libcurl's message, when libcurl decided
};

Result probe(const ServerAddress &server, const std::atomic<bool> &abort, const Limits &limits = {});

// What the server's first lines say about it, for the protocol chosen: complete lines, without
// their line ends, as far as they came before the greeting's limit (ended says they stopped
// there, or the connection closed). Answers for an FTP greeting of 2xx to an ftp, ftpes or ftps
// setting (which then still has AUTH TLS to answer); none while more lines are needed.
std::optional<Verdict> greetingVerdict(ServerAddress::Protocol protocol, const QList<QByteArray> &lines, bool ended);

} // namespace ServerProbe

} // namespace korva5
