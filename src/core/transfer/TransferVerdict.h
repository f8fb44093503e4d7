// SPDX-License-Identifier: MIT
#pragma once

#include "core/transfer/FtpReplies.h"
#include "core/transfer/FtpRequest.h"

#include <QString>

#include <curl/curl.h>

namespace korva5 {

// A failure as the transfer decided it: the whole reason and its kind.
struct TransferFailure
{
    QString why; // empty: no failure
    FtpFailure failure;

    bool failed() const { return !why.isEmpty(); }
};

// What is known of one transfer once libcurl has returned. Plain facts: no handle, no file.
struct TransferFacts
{
    bool sftp = false;
    CURLcode code = CURLE_OK;
    QString curlMessage;      // libcurl's words for code: its error buffer, else curl_easy_strerror
    TransferFailure noted;    // the first cause of failure a callback saw
    bool connected = false;   // the server greeted (sftp: the request was about to go out)
    bool requestSent = false; // the upload's own request went out
    qint64 sent = 0;          // handed to libcurl
    qint64 size = 0;          // announced to the server
    FtpReplies replies;
    QString where;            // "ftp://host:21 as /path", for the reason
    FtpTimeouts timeouts;
};

// The file counts as on the server only when everything agrees: curl finished without an
// error, the whole announced size went out, the server's final reply to the data transfer was
// 226/250, and where the server answers SIZE, it holds exactly that many bytes. Otherwise the
// first of these that failed, with its kind.
TransferFailure transferVerdict(const TransferFacts &facts);

// The kind of a refusal from the command it answered and the reply code (530 to anything is a
// login refused; 452/552 no room).
FailureKind refusalKind(FtpReplies::Command command, int code);

// The kind of a libcurl result other than CURLE_OK, from the code and the facts beside it.
FailureKind curlResultKind(const TransferFacts &facts);

} // namespace korva5
