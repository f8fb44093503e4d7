// SPDX-License-Identifier: MIT
// What libcurl tells while it runs: replies, commands, sockets, reads and progress, turned into
// the control's moments as they happen.
#include "core/diagnostics/ShownText.h"
#include "core/transfer/Transfer.h"

#include <algorithm>

namespace korva5 {

namespace FtpDetail {

void Transfer::onReply(QByteArrayView line)
{
    markConnected(); // the greeting is the first reply: the connection stands
    const FtpReplies::Seen seen = m_replies.replyReceived(line);
    if (m_requestSent && !m_receiving) {
        m_receiving = true;
        report(State::ReceivingResponse);
    }
    if (seen.storeConfirmed)
        report(State::ResponseReceived);
}

void Transfer::onCommand(QByteArrayView line)
{
    m_replies.commandSent(line);
    if ((line.startsWith("STOR ") || line.startsWith("APPE ")) && !m_requestSent) {
        m_requestSent = true;
        report(State::RequestSent);
    }
}

int Transfer::onSocket(void *self, curl_socket_t, curlsocktype)
{
    auto *t = static_cast<Transfer *>(self);
    if (!t->m_connecting) {
        // The first socket is made once the name is resolved, right before it connects.
        t->m_connecting = true;
        t->report(State::HostResolved);
        t->report(State::Connecting);
    }
    return CURL_SOCKOPT_OK;
}

size_t Transfer::onHeader(char *data, size_t size, size_t count, void *self)
{
    // For FTP the "headers" are the server's reply lines, every line of every reply.
    static_cast<Transfer *>(self)->onReply(QByteArrayView(data, qsizetype(size * count)));
    return size * count;
}

int Transfer::onDebug(CURL *, curl_infotype type, char *data, size_t size, void *self)
{
    // Commands sent; PASS is among them and is never logged.
    if (type == CURLINFO_HEADER_OUT)
        static_cast<Transfer *>(self)->onCommand(QByteArrayView(data, qsizetype(size)));
    return 0;
}

int Transfer::onPrerequest(void *self, char *, char *, int, int)
{
    auto *t = static_cast<Transfer *>(self);
    t->markConnected(); // sftp has no greeting to mark it
    if (!t->m_requesting) {
        t->m_requesting = true;
        t->report(State::Requesting);
    }
    return CURL_PREREQFUNC_OK;
}

size_t Transfer::onRead(char *buffer, size_t size, size_t count, void *self)
{
    auto *t = static_cast<Transfer *>(self);
    if (t->m_abort.load()) {
        t->noteFailure(FailureKind::Ended, QStringLiteral("the upload was ended before it was done"));
        return CURL_READFUNC_ABORT;
    }
    if (!t->m_requestSent) { // protocols without an FTP command dialogue (sftp)
        t->m_requestSent = true;
        t->report(State::RequestSent);
    }
    // Never more than the size announced at the start: the station may still be appending to
    // today's file, and what is sent is the file as it was when the transfer began.
    const qint64 wanted = std::min<qint64>(qint64(size * count), t->m_size - t->m_sent);
    if (wanted == 0)
        return 0;
    const qint64 got = t->m_file.read(buffer, wanted);
    if (got < 0) {
        t->noteFailure(FailureKind::LocalUnreadable,
                       QStringLiteral("reading the local file failed: %1").arg(t->m_file.errorString()),
                       shownText(t->m_request.localPath));
        return CURL_READFUNC_ABORT;
    }
    if (got == 0) {
        // The station rewrote the file in place while it went out: what the server would get is
        // not the file announced, so end the transfer rather than let a piece pass for it.
        t->noteFailure(FailureKind::LocalChanged,
                       QStringLiteral("the local file shrank during the upload (%1 of %2 bytes read)").arg(t->m_sent).arg(t->m_size),
                       shownText(t->m_request.localPath));
        return CURL_READFUNC_ABORT;
    }
    t->m_sent += got;
    return size_t(got);
}

void Transfer::reportProgress(qint64 sent, bool last)
{
    if (!m_progress)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!last && m_lastProgress != std::chrono::steady_clock::time_point() && now - m_lastProgress < ProgressInterval)
        return;
    m_lastProgress = now;
    m_progress(sent, m_size);
}

int Transfer::onProgress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded)
{
    auto *t = static_cast<Transfer *>(self);
    // From the upload command on: before it nothing can move, and the rename afterwards moves
    // none of the file. What the system has taken counts, not what curl still holds itself.
    if (t->m_requestSent && !t->m_dataDone)
        t->reportProgress(qint64(uploaded), false);
    if (!t->m_abort.load() || t->m_mustFinish)
        return 0;
    t->noteFailure(FailureKind::Ended, QStringLiteral("the upload was ended before it was done"));
    return 1;
}

} // namespace FtpDetail

} // namespace korva5
