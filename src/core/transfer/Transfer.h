// SPDX-License-Identifier: MIT
#pragma once
// One transfer's state and steps, shared by the files that each do one job of it: the curl
// callbacks (TransferCallbacks), the checks before connecting (TransferChecks), the options
// (TransferOptions), the rename and delete after the upload (RemoteRename), the look for the file
// in a folder it must not land in (DistinctFolder), and the run and its verdict (FtpTransfer,
// TransferVerdict). Only those files include it.

#include "core/transfer/CurlLibrary.h"
#include "core/transfer/FtpReplies.h"
#include "core/transfer/FtpRequest.h"
#include "core/transfer/FtpTarget.h"
#include "core/transfer/TransferVerdict.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <curl/curl.h>

#include <chrono>
#include <memory>

namespace korva5 {

namespace FtpDetail {

using State = Ftp::State;

struct CurlListFree
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

// What one transfer has seen so far. The curl callbacks below feed it; it turns what they see
// into the control's state values, each reported once, in the order the moments happen. The
// verdict is taken only once curl_easy_perform has returned, from everything seen.
class Transfer
{
public:
    Transfer(const FtpRequest &request, const FtpReport &report, const std::atomic<bool> &abort,
             const FtpProgress &progress, const FtpFailed &failed)
        : m_request(request), m_report(report), m_abort(abort), m_progress(progress), m_failed(failed)
    {
    }

    FtpResult run();

    // curl callbacks
    static int onSocket(void *self, curl_socket_t, curlsocktype);
    static size_t onHeader(char *data, size_t size, size_t count, void *self);
    static int onDebug(CURL *, curl_infotype type, char *data, size_t size, void *self);
    static int onPrerequest(void *self, char *, char *, int, int);
    static size_t onRead(char *buffer, size_t size, size_t count, void *self);
    static int onProgress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

private:
    void report(State state) { m_report(state, state == State::Error ? m_reason : QString()); }
    void reportProgress(qint64 sent, bool last);
    void fail(const TransferFailure &failure);
    void fail(FailureKind kind, const QString &why, const QString &detail = {}) { fail({why, {kind, detail, 0, {}, {}}}); }
    FtpResult result(bool succeeded) const
    {
        return {m_request.tag, m_request.localPath, m_request.remotePath, succeeded, m_sent, m_reason,
                succeeded ? FtpFailure() : m_failureKind};
    }
    // Notes the first cause of a failure seen inside a callback; the verdict reports it.
    void noteFailure(FailureKind kind, const QString &why, const QString &detail = {})
    {
        if (!m_failure.failed())
            m_failure = {why, {kind, detail, 0, {}, {}}};
    }
    void markConnected();
    void onReply(QByteArrayView line);
    void onCommand(QByteArrayView line);

    bool checkRequest();
    bool openLocalFile();
    void setOptions(CURL *c);
    TransferFailure transferFault(CURLcode result, const char *errorBuffer) const;
    TransferFailure rename(CURL *c, char *errorBuffer);
    TransferFailure checkDistinctFolder(CURL *c, char *errorBuffer);
    void aimAtFolder(CURL *c);
    void removeTemporary(CURL *c, char *errorBuffer);
    TransferFailure removeSent(CURL *c, char *errorBuffer);
    bool redo(CURL *c, curl_slist *commands, char *errorBuffer);
    curl_slist *commandList(std::initializer_list<QByteArray> commands) const;
    // Every option is one the transfer relies on: the first that libcurl refuses is kept, and
    // the transfer fails with it rather than run without it.
    template <CURLoption Option, typename Value>
    void set(CURL *c, Value value)
    {
        if (const CURLcode code = setCurlOption<Option>(c, value); code != CURLE_OK)
            noteRefusedOption(Option, code);
    }
    void noteRefusedOption(CURLoption option, CURLcode code)
    {
        if (!m_refusedOption.failed())
            m_refusedOption = {QStringLiteral("libcurl refused the option %1: %2")
                                   .arg(curlOptionName(option), QString::fromUtf8(curl_easy_strerror(code))),
                               {FailureKind::CurlOptionRefused, curlOptionName(option), 0, {}, QString::fromUtf8(curl_easy_strerror(code))}};
    }
    QByteArray quotedPath(const QString &remotePath) const;
    QString where() const;

    const FtpRequest &m_request;
    const FtpReport &m_report;
    const std::atomic<bool> &m_abort;
    const FtpProgress &m_progress;
    const FtpFailed &m_failed;
    FtpTarget m_target;
    QString m_fileName; // the last part of the remote path
    QString m_sentName; // the name the file goes out under: m_fileName, or its temporary name
    QString m_sentPath; // the remote path of m_sentName
    QFile m_file;
    qint64 m_size = 0;      // announced to the server: the file's size when the upload began
    qint64 m_sent = 0;      // handed to curl so far
    TransferFailure m_failure; // the first cause of failure a callback saw
    TransferFailure m_refusedOption; // the first option libcurl refused
    QString m_reason;          // the failure reported
    FtpFailure m_failureKind;  // its kind

    // Kept alive for curl while it runs.
    QByteArray m_url;
    QByteArray m_user;
    QByteArray m_password;
    CurlList m_postQuote;
    CurlList m_afterQuote;

    bool m_connecting = false;
    bool m_connected = false;
    bool m_requesting = false;
    bool m_requestSent = false;
    bool m_receiving = false;
    bool m_dataDone = false; // the upload's own request is over; what follows moves no file data
    bool m_mustFinish = false; // the earlier copy may be off its final name: an abort waits
    std::chrono::steady_clock::time_point m_lastProgress;
    FtpReplies m_replies;
};

} // namespace FtpDetail

} // namespace korva5
