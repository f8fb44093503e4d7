// SPDX-License-Identifier: MIT
#include "core/transfer/FtpTransfer.h"

#include "core/diagnostics/ShownText.h"
#include "core/transfer/Transfer.h"
#include "core/transfer/UploadLogging.h"

namespace korva5 {

namespace FtpDetail {

QString Transfer::where() const
{
    return FtpTarget::protocolName(m_target.protocol) + u"://" + m_target.host + u':' + QString::number(m_target.port)
        + u" as " + shownText(m_request.remotePath);
}

void Transfer::fail(const TransferFailure &failure)
{
    const QString &why = failure.why;
    m_reason = why;
    m_failureKind = failure.failure;
    if (m_failureKind.kind == FailureKind::None)
        m_failureKind.kind = FailureKind::Other; // a failure always has a kind
    if (m_failed)
        m_failed(m_failureKind);
    // An abort is the control ending: it names the upload itself, with the reason that matters.
    if (!m_abort.load())
        qCWarning(lcUpload).noquote() << "upload of" << shownText(m_request.localPath) << "failed:" << why;
    report(State::Error);
}

void Transfer::markConnected()
{
    if (m_connected)
        return;
    m_connected = true;
    report(State::Connected);
}

TransferFailure Transfer::transferFault(CURLcode result, const char *errorBuffer) const
{
    TransferFacts facts;
    facts.sftp = m_target.protocol == FtpTarget::Protocol::Sftp;
    facts.code = result;
    if (result != CURLE_OK)
        facts.curlMessage = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(result));
    facts.noted = m_failure;
    facts.connected = m_connected;
    facts.requestSent = m_requestSent;
    facts.sent = m_sent;
    facts.size = m_size;
    facts.replies = m_replies;
    facts.where = where();
    facts.timeouts = m_request.timeouts;
    return transferVerdict(facts);
}

FtpResult Transfer::run()
{
    if (!checkRequest())
        return result(false);

    if (const CurlProblem problem = curlProblem(); !problem.ok()) {
        fail(problem.kind, problem.why + QStringLiteral("; nothing was sent"));
        return result(false);
    }
    std::unique_ptr<CURL, void (*)(CURL *)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        fail(FailureKind::Other, QStringLiteral("cannot start a transfer (out of memory)"));
        return result(false);
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    set<CURLOPT_ERRORBUFFER>(curl.get(), errorBuffer);
    setOptions(curl.get());
    if (m_refusedOption.failed()) {
        m_refusedOption.why += QStringLiteral("; nothing was sent");
        fail(m_refusedOption);
        return result(false);
    }
    const CURLcode code = curl_easy_perform(curl.get());
    m_dataDone = true;
    if (m_requestSent) {
        curl_off_t uploaded = 0;
        if (curl_easy_getinfo(curl.get(), CURLINFO_SIZE_UPLOAD_T, &uploaded) != CURLE_OK)
            uploaded = 0;
        reportProgress(qint64(uploaded), true);
    }

    TransferFailure verdict = transferFault(code, errorBuffer);
    QString &why = verdict.why;
    if (why.isEmpty())
        verdict = checkDistinctFolder(curl.get(), errorBuffer);
    if (m_request.temporaryName) {
        if (why.isEmpty()) {
            verdict = rename(curl.get(), errorBuffer);
            if (!why.isEmpty()) {
                // A try of the server leaves nothing behind, not even a file that could not take
                // its name.
                bool removed = false;
                if (m_request.deleteAfter && !m_abort.load()) {
                    removeTemporary(curl.get(), errorBuffer);
                    removed = m_replies.deleteReply() >= 200 && m_replies.deleteReply() < 300;
                }
                why += removed ? QStringLiteral("; the file sent was deleted again")
                               : QStringLiteral("; the file stays under its temporary name");
            }
        } else if (code == CURLE_OK && !m_abort.load())
            removeTemporary(curl.get(), errorBuffer);
    }
    if (why.isEmpty() && m_request.deleteAfter)
        verdict = removeSent(curl.get(), errorBuffer);
    // The file counts as sent only under its final name.
    const bool succeeded = why.isEmpty();
    if (succeeded)
        report(State::ResponseCompleted);
    else
        fail(verdict);
    if (m_connected) {
        report(State::Disconnecting);
        report(State::Disconnected);
    }
    if (succeeded)
        qCInfo(lcUpload).noquote() << "sent" << shownText(m_request.localPath) << "to" << where() << u'(' + QString::number(m_size)
                                   << "bytes)";
    return result(succeeded);
}

} // namespace FtpDetail

FtpResult runFtpTransfer(const FtpRequest &request, const FtpReport &report, const std::atomic<bool> &abort,
                         const FtpProgress &progress, const FtpFailed &failed)
{
    FtpDetail::Transfer transfer(request, report, abort, progress, failed);
    return transfer.run();
}

} // namespace korva5
