// SPDX-License-Identifier: MIT
#include "core/upload/InetFtp.h"

#include "core/diagnostics/ShownText.h"
#include "core/upload/UploadLogging.h"

#include <QMetaObject>

#include <curl/curl.h>

namespace {

void initialiseCurlOnce()
{
    // libcurl's global set-up is not thread-safe: do it once, from the thread that makes the
    // first control, before any worker starts.
    static const bool initialised = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    Q_UNUSED(initialised);
}

} // namespace

InetFtp::InetFtp(QObject *parent)
    : QObject(parent)
{
    initialiseCurlOnce();
    m_worker = std::thread([this] { work(); });
}

InetFtp::~InetFtp()
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

void InetFtp::post(Ftp::State state)
{
    QMetaObject::invokeMethod(this, [this, state] { emit StateChanged(state); }, Qt::QueuedConnection);
}

void InetFtp::Execute(const QString &localPath, const QString &remotePath)
{
    enqueue({m_serverAddress, m_userName, m_password, localPath, remotePath, m_timeouts, m_caBundle, {}});
}

void InetFtp::refuse(const QString &localPath, const QString &remotePath, const QString &why)
{
    enqueue({{}, {}, {}, localPath, remotePath, {}, {}, why});
}

void InetFtp::enqueue(FtpRequest request)
{
    const QString localPath = request.localPath;
    const QString remotePath = request.remotePath;
    {
        std::lock_guard lock(m_mutex);
        if (m_waiting.size() < size_t(MaxWaiting)) {
            m_waiting.push_back(std::move(request));
            m_wake.notify_one();
            return;
        }
    }
    qCWarning(lcUpload).noquote() << "upload of" << shownText(localPath) << "refused:" << MaxWaiting
                                  << "uploads are already waiting";
    post(Ftp::State::Error);
    QMetaObject::invokeMethod(
        this, [this, localPath, remotePath] { emit transferFinished(localPath, remotePath, false); },
        Qt::QueuedConnection);
}

bool InetFtp::StillExecuting() const
{
    std::lock_guard lock(m_mutex);
    return m_running || !m_waiting.empty();
}

void InetFtp::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
        if (m_stopping)
            return;
        const FtpRequest request = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_running = true;
        lock.unlock();

        const bool succeeded = runFtpTransfer(request, [this](Ftp::State state) { post(state); }, m_abort);
        lock.lock();
        m_running = false;
        if (!succeeded && m_stopping)
            m_aborted = request;
        lock.unlock();
        QMetaObject::invokeMethod(
            this,
            [this, local = request.localPath, remote = request.remotePath, succeeded] {
                emit transferFinished(local, remote, succeeded);
            },
            Qt::QueuedConnection);
        lock.lock();
    }
}
