// SPDX-License-Identifier: MIT
#include "FtpTransfer.h"

#include "FtpTarget.h"
#include "InetFtp.h"
#include "UploadLogging.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <curl/curl.h>

#include <memory>
#include <optional>

namespace {

using State = InetFtp::State;

// What one transfer has seen so far. The curl callbacks below feed it; it turns what they see
// into the control's state values, each reported once, in the order the moments happen.
class Transfer
{
public:
    Transfer(const FtpRequest &request, const std::function<void(qint16)> &report, const std::atomic<bool> &abort)
        : m_request(request), m_report(report), m_abort(abort)
    {
    }

    bool run();

    // curl callbacks
    static int onSocket(void *self, curl_socket_t, curlsocktype);
    static int onDebug(CURL *, curl_infotype type, char *data, size_t size, void *self);
    static int onPrerequest(void *self, char *, char *, int, int);
    static size_t onRead(char *buffer, size_t size, size_t count, void *self);
    static int onProgress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

private:
    void report(State state) { m_report(qint16(state)); }
    void fail(const QString &why);
    void markConnected();
    void onReply(QByteArrayView line);
    void onCommand(QByteArrayView line);
    void decide();
    bool sizeMatches() const { return !m_serverSize || *m_serverSize == m_size; }
    QString where() const;

    const FtpRequest &m_request;
    const std::function<void(qint16)> &m_report;
    const std::atomic<bool> &m_abort;
    FtpTarget m_target;
    QFile m_file;
    qint64 m_size = 0;
    qint64 m_remaining = 0;

    bool m_connecting = false;
    bool m_connected = false;
    bool m_requesting = false;
    bool m_requestSent = false;
    bool m_receiving = false;
    bool m_finalReply = false;   // 226 or 250 after the file went out
    bool m_disconnecting = false;
    bool m_decided = false;
    bool m_succeeded = false;
    std::optional<qint64> m_serverSize;
    QByteArray m_lastReply;
};

QString Transfer::where() const
{
    return FtpTarget::protocolName(m_target.protocol) + u"://" + m_target.host + u':' + QString::number(m_target.port)
        + u" as " + m_request.remotePath;
}

void Transfer::fail(const QString &why)
{
    // An abort is the control ending: it names the upload itself, with the reason that matters.
    if (!m_abort.load())
        qCWarning(lcUpload).noquote() << "upload of" << m_request.localPath << "failed:" << why;
    report(State::icError);
}

void Transfer::markConnected()
{
    if (m_connected)
        return;
    m_connected = true;
    report(State::icConnected);
}

void Transfer::onReply(QByteArrayView line)
{
    m_lastReply = line.trimmed().toByteArray();
    if (m_requestSent && !m_receiving) {
        m_receiving = true;
        report(State::icReceivingResponse);
    }
    if (m_requestSent && !m_finalReply && (line.startsWith("226") || line.startsWith("250"))) {
        m_finalReply = true;
        report(State::icResponseReceived);
    } else if (m_finalReply && line.startsWith("213 ")) {
        bool ok = false;
        const qint64 size = line.sliced(4).trimmed().toLongLong(&ok);
        if (ok)
            m_serverSize = size;
    }
}

void Transfer::onCommand(QByteArrayView line)
{
    if (!m_requestSent && (line.startsWith("STOR ") || line.startsWith("APPE "))) {
        m_requestSent = true;
        report(State::icRequestSent);
    } else if (line.startsWith("QUIT")) {
        // The file went out and the server's answers are all in: the outcome is known now,
        // before the connection closes.
        decide();
        m_disconnecting = true;
        report(State::icDisconnecting);
    }
}

void Transfer::decide()
{
    if (m_decided)
        return;
    m_decided = true;
    m_succeeded = m_finalReply && sizeMatches();
    if (m_succeeded) {
        report(State::icResponseCompleted);
    } else if (m_finalReply) {
        fail(QStringLiteral("the server holds %1 bytes of %2, not %3").arg(*m_serverSize).arg(where()).arg(m_size));
    } else {
        fail(QStringLiteral("the server did not confirm %1 (%2)").arg(where(), QString::fromUtf8(m_lastReply)));
    }
}

int Transfer::onSocket(void *self, curl_socket_t, curlsocktype)
{
    auto *t = static_cast<Transfer *>(self);
    if (!t->m_connecting) {
        // The first socket is made once the name is resolved, right before it connects.
        t->m_connecting = true;
        t->report(State::icHostResolved);
        t->report(State::icConnecting);
    }
    return CURL_SOCKOPT_OK;
}

int Transfer::onDebug(CURL *, curl_infotype type, char *data, size_t size, void *self)
{
    auto *t = static_cast<Transfer *>(self);
    const QByteArrayView text(data, qsizetype(size));
    switch (type) {
    case CURLINFO_TEXT:
        if (text.startsWith("Connected to "))
            t->markConnected();
        break;
    case CURLINFO_HEADER_IN:
        t->markConnected();
        t->onReply(text);
        break;
    case CURLINFO_HEADER_OUT: // commands sent; PASS is among them and is never logged
        t->onCommand(text);
        break;
    default:
        break;
    }
    return 0;
}

int Transfer::onPrerequest(void *self, char *, char *, int, int)
{
    auto *t = static_cast<Transfer *>(self);
    t->markConnected();
    if (!t->m_requesting) {
        t->m_requesting = true;
        t->report(State::icRequesting);
    }
    return CURL_PREREQFUNC_OK;
}

size_t Transfer::onRead(char *buffer, size_t size, size_t count, void *self)
{
    auto *t = static_cast<Transfer *>(self);
    if (t->m_abort.load())
        return CURL_READFUNC_ABORT;
    if (!t->m_requestSent) { // protocols without an FTP command dialogue (sftp)
        t->m_requestSent = true;
        t->report(State::icRequestSent);
    }
    // Never more than the size announced at the start: the station may still be appending to
    // today's file, and what is sent is the file as it was when the transfer began.
    const qint64 wanted = std::min<qint64>(qint64(size * count), t->m_remaining);
    if (wanted == 0)
        return 0;
    const qint64 got = t->m_file.read(buffer, wanted);
    if (got < 0)
        return CURL_READFUNC_ABORT;
    t->m_remaining -= got;
    return size_t(got);
}

int Transfer::onProgress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<Transfer *>(self)->m_abort.load() ? 1 : 0;
}

struct CurlDeleter
{
    void operator()(CURL *curl) const { curl_easy_cleanup(curl); }
};
struct SlistDeleter
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};

bool Transfer::run()
{
    report(State::icResolvingHost);

    QString why;
    const std::optional<FtpTarget> target = FtpTarget::parse(m_request.server, &why);
    if (!target) {
        fail(why);
        return false;
    }
    m_target = *target;
    for (const QString *text : {&m_request.userName, &m_request.password, &m_request.localPath, &m_request.remotePath}) {
        if (FtpTarget::hasControlCharacter(*text)) {
            // Would let a name smuggle its own commands onto the control connection.
            fail(QStringLiteral("a name or path holds a control character; nothing was sent"));
            return false;
        }
    }
    const QString fileName = m_request.remotePath.section(u'/', -1);
    if (fileName.isEmpty()) {
        fail(QStringLiteral("the remote path \"%1\" names no file").arg(m_request.remotePath));
        return false;
    }
    m_file.setFileName(m_request.localPath);
    if (!QFileInfo(m_request.localPath).isFile() || !m_file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read the local file: %1").arg(m_file.exists() ? m_file.errorString() : QStringLiteral("it does not exist")));
        return false;
    }
    m_size = m_remaining = m_file.size();

    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        fail(QStringLiteral("cannot start a transfer (out of memory)"));
        return false;
    }
    CURL *c = curl.get();
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const QByteArray url = m_target.url(m_request.remotePath);
    const QByteArray user = m_request.userName.toUtf8();
    const QByteArray password = m_request.password.toUtf8();
    const QByteArray caBundle = QFile::encodeName(m_request.caBundle);
    std::unique_ptr<curl_slist, SlistDeleter> postQuote;

    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(m_size));
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &Transfer::onRead);
    curl_easy_setopt(c, CURLOPT_READDATA, this);
    if (!m_request.userName.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
    }
    // Each upload has a connection of its own, closed when it is done.
    curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(m_request.timeouts.connect.count()));
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     long(std::max<qint64>(1, std::chrono::ceil<std::chrono::seconds>(m_request.timeouts.response).count())));
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME,
                     long(std::max<qint64>(1, std::chrono::ceil<std::chrono::seconds>(m_request.timeouts.stall).count())));
    // The control connection idles while a large file goes out; keep routers from dropping it.
    curl_easy_setopt(c, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(c, CURLOPT_TCP_KEEPIDLE, 30L);
    curl_easy_setopt(c, CURLOPT_TCP_KEEPINTVL, 15L);
    curl_easy_setopt(c, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024L);

    if (m_target.protocol != FtpTarget::Protocol::Sftp) {
        // Binary, passive (EPSV first, then PASV), no folders created: libcurl's defaults,
        // spelled out because the servers rely on them.
        curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);
        curl_easy_setopt(c, CURLOPT_FTPPORT, nullptr);
        curl_easy_setopt(c, CURLOPT_FTP_USE_EPSV, 1L);
        curl_easy_setopt(c, CURLOPT_FTP_CREATE_MISSING_DIRS, long(CURLFTP_CREATE_DIR_NONE));
        // Ask for the stored size afterwards; a server that does not know SIZE is no failure.
        postQuote.reset(curl_slist_append(nullptr, QByteArray("*SIZE " + fileName.toUtf8()).constData()));
        curl_easy_setopt(c, CURLOPT_POSTQUOTE, postQuote.get());
    } else {
        const QByteArray knownHosts = QFile::encodeName(QDir::homePath() + QStringLiteral("/.ssh/known_hosts"));
        curl_easy_setopt(c, CURLOPT_SSH_KNOWNHOSTS, knownHosts.constData());
    }
    if (m_target.protocol == FtpTarget::Protocol::Ftps || m_target.protocol == FtpTarget::Protocol::Ftpes) {
        // All or nothing: never fall back to plain text when TLS is asked for.
        curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        curl_easy_setopt(c, CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS));
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!caBundle.isEmpty())
            curl_easy_setopt(c, CURLOPT_CAINFO, caBundle.constData());
    }

    curl_easy_setopt(c, CURLOPT_SOCKOPTFUNCTION, &Transfer::onSocket);
    curl_easy_setopt(c, CURLOPT_SOCKOPTDATA, this);
    curl_easy_setopt(c, CURLOPT_PREREQFUNCTION, &Transfer::onPrerequest);
    curl_easy_setopt(c, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L); // feeds onDebug; nothing is printed
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &Transfer::onDebug);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);

    const CURLcode result = curl_easy_perform(c);

    if (!m_decided) {
        if (result != CURLE_OK) {
            m_decided = true;
            const QString detail = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(result));
            fail(QStringLiteral("%1 (%2)%3")
                     .arg(detail, where(),
                          m_lastReply.isEmpty() ? QString() : u", last reply: " + QString::fromUtf8(m_lastReply)));
        } else if (m_target.protocol == FtpTarget::Protocol::Sftp) {
            m_decided = m_succeeded = true;
            report(State::icResponseCompleted);
        } else {
            decide();
        }
    } else if (result != CURLE_OK && m_succeeded) {
        qCWarning(lcUpload).noquote() << "after a confirmed upload of" << m_request.localPath << ":"
                                      << curl_easy_strerror(result);
    }
    if (m_connected) {
        if (!m_disconnecting)
            report(State::icDisconnecting);
        report(State::icDisconnected);
    }
    if (m_succeeded)
        qCInfo(lcUpload).noquote() << "sent" << m_request.localPath << "to" << where() << u'(' + QString::number(m_size) << "bytes)";
    return m_succeeded;
}

} // namespace

bool runFtpTransfer(const FtpRequest &request, const std::function<void(qint16)> &report,
                    const std::atomic<bool> &abort)
{
    Transfer transfer(request, report, abort);
    return transfer.run();
}
