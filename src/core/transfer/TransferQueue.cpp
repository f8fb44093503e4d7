// SPDX-License-Identifier: MIT
#include "core/transfer/TransferQueue.h"

#include "core/diagnostics/ShownText.h"
#include "core/transfer/FtpTransfer.h"
#include "core/transfer/UploadLogging.h"

#include <QMetaObject>

namespace korva5 {

TransferQueue::TransferQueue(QObject *parent)
    : QObject(parent)
{
    // libcurl is set up by the first transfer, not here (see core/transfer/CurlLibrary.h).
    m_worker = std::thread([this] { work(); });
}

TransferQueue::~TransferQueue()
{
    std::deque<FtpRequest> notStarted;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        notStarted.swap(m_waiting);
    }
    m_abort = true;
    m_wake.notify_all();
    m_worker.join();

    // After the join: a transfer that finished as the abort came is not reported as lost.
    if (m_aborted) {
        qCWarning(lcUpload).noquote() << "upload of" << m_aborted->localPath << "->" << m_aborted->remotePath
                                      << "aborted: the program is ending";
    }
    for (const FtpRequest &request : notStarted) {
        qCWarning(lcUpload).noquote() << "upload of" << request.localPath << "->" << request.remotePath
                                      << "not started: the program is ending";
    }
}

void TransferQueue::post(Ftp::State state, const FtpFailure &failure)
{
    QMetaObject::invokeMethod(this, [this, state, failure] { emit stateChanged(state, failure); }, Qt::QueuedConnection);
}

quint64 TransferQueue::enqueue(const QString &localPath, const QString &remotePath)
{
    return enqueue({m_serverAddress, m_userName, m_password, localPath, remotePath, m_timeouts, m_caBundle, {},
                    FailureKind::Other, 0, m_temporaryName, false, m_distinctFolder});
}

quint64 TransferQueue::refuse(const QString &localPath, const QString &remotePath, const QString &why, FailureKind kind)
{
    return enqueue({{}, {}, {}, localPath, remotePath, {}, {}, why, kind, 0, true, false, std::nullopt});
}

quint64 TransferQueue::enqueue(FtpRequest request)
{
    request.tag = ++m_lastTag;
    const quint64 tag = request.tag;
    const QString localPath = request.localPath;
    const QString remotePath = request.remotePath;
    {
        std::lock_guard lock(m_mutex);
        if (m_waiting.size() < size_t(MaxWaiting)) {
            m_waiting.push_back(std::move(request));
            m_wake.notify_one();
            return tag;
        }
    }
    m_lastRefused = tag;
    const QString why = QStringLiteral("%1 uploads are already waiting").arg(MaxWaiting);
    qCWarning(lcUpload).noquote() << "upload of" << shownText(localPath) << "refused:" << why;
    const FtpFailure failure{FailureKind::TooManyWaiting, QString::number(MaxWaiting), 0, {}, {}};
    post(Ftp::State::Error, failure);
    finish({tag, localPath, remotePath, false, 0, why, failure});
    return tag;
}

void TransferQueue::finish(const FtpResult &result)
{
    QMetaObject::invokeMethod(this, [this, result] { emit transferEnded(result); }, Qt::QueuedConnection);
}

void TransferQueue::abort()
{
    std::deque<FtpRequest> dropped;
    {
        std::lock_guard lock(m_mutex);
        dropped.swap(m_waiting);
        // Under the lock: the worker clears the flag when it takes the next send, so it can only
        // hit the send running now.
        if (m_running)
            m_abort = true;
    }
    const QString why = QStringLiteral("the upload was ended before it was started");
    const FtpFailure failure{FailureKind::Ended, {}, 0, {}, {}};
    for (const FtpRequest &request : dropped) {
        post(Ftp::State::Error, failure);
        finish({request.tag, request.localPath, request.remotePath, false, 0, why, failure});
    }
}

bool TransferQueue::isBusy() const
{
    std::lock_guard lock(m_mutex);
    return m_running || !m_waiting.empty();
}

void TransferQueue::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
        if (m_stopping)
            return;
        const FtpRequest request = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_running = true;
        m_abort = false; // an abort was meant for an earlier send

        lock.unlock();

        const quint64 tag = request.tag;
        QMetaObject::invokeMethod(this, [this, tag] { emit transferStarted(tag); }, Qt::QueuedConnection);
        // The kind is heard right before the Error state it belongs to, on this same thread.
        FtpFailure failure;
        const FtpResult result = runFtpTransfer(
            request, [this, &failure](Ftp::State state, const QString &) { post(state, failure); }, m_abort,
            [this, tag](qint64 sent, qint64 total) {
                QMetaObject::invokeMethod(this, [this, tag, sent, total] { emit progress(tag, sent, total); },
                                          Qt::QueuedConnection);
            },
            [&failure](const FtpFailure &failed) { failure = failed; });
        lock.lock();
        m_running = false;
        if (!result.succeeded && m_stopping)
            m_aborted = request;
        // Idle and the result on its way in one step: whoever sees the control idle only has to
        // let queued events run to have every outcome, and whoever gets the outcome sees it idle.
        finish(result);
    }
}

} // namespace korva5
