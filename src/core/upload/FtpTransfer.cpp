// SPDX-License-Identifier: MIT
#include "core/upload/FtpTransfer.h"

#include "core/upload/CurlLibrary.h"
#include "core/upload/FtpTarget.h"
#include "core/diagnostics/ShownText.h"
#include "core/upload/TlsPolicy.h"
#include "core/upload/TransferVerdict.h"
#include "core/upload/UploadLogging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

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
        if (const CURLcode code = setCurlOption<Option>(c, value); code != CURLE_OK && !m_refusedOption.failed())
            m_refusedOption = {QStringLiteral("libcurl refused the option %1: %2")
                                   .arg(curlOptionName(Option), QString::fromUtf8(curl_easy_strerror(code))),
                               {FailureKind::CurlOptionRefused, curlOptionName(Option), 0, {}, QString::fromUtf8(curl_easy_strerror(code))}};
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
    QByteArray m_caBundle;
    QByteArray m_knownHosts;
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

// Everything that can be known to fail before a connection is made.
bool Transfer::checkRequest()
{
    if (!m_request.refusal.isEmpty()) {
        fail(m_request.refusalKind, m_request.refusal);
        return false;
    }
    report(State::ResolvingHost);
    QString why;
    const std::optional<FtpTarget> target = FtpTarget::parse(m_request.server, &why);
    if (!target) {
        fail(m_request.server.trimmed().isEmpty() ? FailureKind::NoServer : FailureKind::ServerUnusable, why);
        return false;
    }
    m_target = *target;
    const std::pair<const QString *, const char *> texts[] = {{&m_request.userName, "the user name"},
                                                              {&m_request.password, "the password"},
                                                              {&m_request.localPath, "the local path"},
                                                              {&m_request.remotePath, "the remote path"}};
    for (const auto &[text, what] : texts) {
        if (FtpTarget::hasControlCharacter(*text)) {
            // Would let a name smuggle its own commands onto the control connection.
            fail(FailureKind::NameRefused, QStringLiteral("%1 holds a control character; nothing was sent").arg(QLatin1StringView(what)));
            return false;
        }
    }
    m_fileName = m_request.remotePath.section(u'/', -1);
    if (m_fileName.isEmpty() || m_fileName == u"." || m_fileName == u"..") {
        fail(FailureKind::NameRefused, QStringLiteral("the remote path \"%1\" names no file").arg(shownText(m_request.remotePath)));
        return false;
    }
    if (m_request.temporaryName) {
        // A leading dot and an ending of its own: nothing that collects the final names picks
        // up a file still on its way.
        m_sentName = u'.' + m_fileName + QStringLiteral(".part");
        m_sentPath = m_request.remotePath.chopped(m_fileName.size()) + m_sentName;
        if (m_target.protocol == FtpTarget::Protocol::Sftp && !m_request.remotePath.startsWith(u'/')
            && m_request.remotePath.contains(u' ')) {
            // The rename could not name it (tabs are refused above as control characters): better
            // nothing sent than a file that never takes its name.
            fail(FailureKind::NameRefused, QStringLiteral("the remote path \"%1\" is relative to the home folder and holds a blank, which an sftp "
                                "rename cannot name; make FtpPath absolute or set FtpTempName=0; nothing was sent")
                     .arg(shownText(m_request.remotePath)));
            return false;
        }
    } else {
        m_sentName = m_fileName;
        m_sentPath = m_request.remotePath;
    }
    return openLocalFile();
}

bool Transfer::openLocalFile()
{
    const QString path = m_request.localPath;
    const QFileInfo info(path);
    QString readFrom = path;
    auto refuse = [this, &path](FailureKind kind, const QString &why) {
        fail(kind, QStringLiteral("%1 %2; nothing was sent").arg(shownText(path), why), shownText(path));
        return false;
    };
    if (info.isSymLink()) {
        // A link is followed only inside the records folder: the program may run with rights
        // the station's writer does not have, and a link must not carry other files off.
        const QString target = info.canonicalFilePath();
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        if (target.isEmpty())
            return refuse(FailureKind::LocalMissing, QStringLiteral("is a link to %1, which does not exist").arg(shownText(info.symLinkTarget())));
        if (folder.isEmpty() || !target.startsWith(folder + u'/'))
            return refuse(FailureKind::LocalNotAllowed, QStringLiteral("is a link to %1, outside the records folder").arg(shownText(target)));
        readFrom = target;
    }
    const QFileInfo file(readFrom);
    if (!file.exists())
        return refuse(FailureKind::LocalMissing, QStringLiteral("does not exist"));
    if (file.isDir())
        return refuse(FailureKind::LocalUnreadable, QStringLiteral("is a folder"));
    if (!file.isFile())
        return refuse(FailureKind::LocalUnreadable, QStringLiteral("is not a regular file"));
    m_file.setFileName(readFrom);
    // Unbuffered: curl asks for its whole upload buffer at a time, which goes straight from the
    // file into it; a buffer of QFile's own would only add a copy for the short reads.
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return refuse(FailureKind::LocalUnreadable, QStringLiteral("cannot be read: %1").arg(m_file.errorString()));
    m_size = m_file.size();
    return true;
}

void Transfer::setOptions(CURL *c)
{
    m_url = m_target.url(m_sentPath);
    m_user = m_request.userName.toUtf8();
    m_password = m_request.password.toUtf8();
    m_caBundle = QFile::encodeName(m_request.caBundle);

    set<CURLOPT_URL>(c, m_url.constData());
    // The remote path goes to the server as written: curl would otherwise fold "a/../b" into
    // "b" on its own, and drop the "%2F" that makes the path absolute with it.
    set<CURLOPT_PATH_AS_IS>(c, 1L);
    set<CURLOPT_NOSIGNAL>(c, 1L);
    set<CURLOPT_UPLOAD>(c, 1L);
    set<CURLOPT_INFILESIZE_LARGE>(c, curl_off_t(m_size));
    set<CURLOPT_READFUNCTION>(c, &Transfer::onRead);
    set<CURLOPT_READDATA>(c, this);
    // Nothing is ever fetched; should a server send data anyway, it goes nowhere.
    set<CURLOPT_WRITEFUNCTION>(c, +[](char *, size_t size, size_t count, void *) { return size * count; });
    if (!m_request.userName.isEmpty()) {
        set<CURLOPT_USERNAME>(c, m_user.constData());
        set<CURLOPT_PASSWORD>(c, m_password.constData());
    }
    // Each upload has a connection of its own, closed when it is done; with a temporary name it
    // is kept past the transfer for the rename.
    set<CURLOPT_FORBID_REUSE>(c, m_request.temporaryName || m_request.deleteAfter ? 0L : 1L);
    set<CURLOPT_FRESH_CONNECT>(c, 1L);
    set<CURLOPT_CONNECTTIMEOUT_MS>(c, long(m_request.timeouts.connect.count()));
    set<CURLOPT_SERVER_RESPONSE_TIMEOUT>(c, long(std::max<qint64>(1, std::chrono::ceil<std::chrono::seconds>(m_request.timeouts.response).count())));
    set<CURLOPT_LOW_SPEED_LIMIT>(c, 1L);
    set<CURLOPT_LOW_SPEED_TIME>(c, long(std::max<qint64>(1, std::chrono::ceil<std::chrono::seconds>(m_request.timeouts.stall).count())));
    // The control connection idles while a large file goes out; keep routers from dropping it.
    set<CURLOPT_TCP_KEEPALIVE>(c, 1L);
    set<CURLOPT_TCP_KEEPIDLE>(c, 30L);
    set<CURLOPT_TCP_KEEPINTVL>(c, 15L);
    set<CURLOPT_UPLOAD_BUFFERSIZE>(c, 512L * 1024L);

    if (m_target.protocol != FtpTarget::Protocol::Sftp) {
        // Binary, passive (EPSV first, then PASV), no folders created: libcurl's defaults,
        // spelled out because the servers rely on them.
        set<CURLOPT_TRANSFERTEXT>(c, 0L);
        set<CURLOPT_FTPPORT>(c, nullptr);
        set<CURLOPT_FTP_USE_EPSV>(c, 1L);
        set<CURLOPT_FTP_CREATE_MISSING_DIRS>(c, long(CURLFTP_CREATE_DIR_NONE));
        // Ask for the stored size afterwards. The "*" keeps curl from failing on its own; the
        // verdict reads the reply itself.
        m_postQuote.reset(curl_slist_append(nullptr, QByteArray("*SIZE " + m_sentName.toUtf8()).constData()));
        set<CURLOPT_POSTQUOTE>(c, m_postQuote.get());
        set<CURLOPT_HEADERFUNCTION>(c, &Transfer::onHeader);
        set<CURLOPT_HEADERDATA>(c, this);
    } else {
        m_knownHosts = QFile::encodeName(QDir::homePath() + QStringLiteral("/.ssh/known_hosts"));
        set<CURLOPT_SSH_KNOWNHOSTS>(c, m_knownHosts.constData());
    }
    if (m_target.protocol == FtpTarget::Protocol::Ftps || m_target.protocol == FtpTarget::Protocol::Ftpes) {
        // All or nothing: never fall back to plain text when TLS is asked for.
        set<CURLOPT_USE_SSL>(c, long(CURLUSESSL_ALL));
        set<CURLOPT_FTPSSLAUTH>(c, long(CURLFTPAUTH_TLS));
        set<CURLOPT_SSL_VERIFYPEER>(c, 1L);
        set<CURLOPT_SSL_VERIFYHOST>(c, 2L);
        if (!m_caBundle.isEmpty())
            set<CURLOPT_CAINFO>(c, m_caBundle.constData());
        // Only the ceiling moves: the floor stays what libcurl and the TLS library allow.
        if (capFtpsAtTls12(curl_version_info(CURLVERSION_NOW)->version_num))
            set<CURLOPT_SSLVERSION>(c, long(CURL_SSLVERSION_DEFAULT) | long(CURL_SSLVERSION_MAX_TLSv1_2));
    }

    set<CURLOPT_SOCKOPTFUNCTION>(c, &Transfer::onSocket);
    set<CURLOPT_SOCKOPTDATA>(c, this);
    set<CURLOPT_PREREQFUNCTION>(c, &Transfer::onPrerequest);
    set<CURLOPT_PREREQDATA>(c, this);
    set<CURLOPT_NOPROGRESS>(c, 0L);
    set<CURLOPT_XFERINFOFUNCTION>(c, &Transfer::onProgress);
    set<CURLOPT_XFERINFODATA>(c, this);
    // Only the commands sent are taken from the debug stream (their type is stable); nothing is
    // printed.
    set<CURLOPT_VERBOSE>(c, 1L);
    set<CURLOPT_DEBUGFUNCTION>(c, &Transfer::onDebug);
    set<CURLOPT_DEBUGDATA>(c, this);
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

// A path as libcurl's sftp commands take it. An absolute one goes in quotes, so blanks and
// quotes in names stay inside them; one relative to the login's home folder starts "/~/", which
// libcurl expands only outside quotes (checkRequest refuses such a path that holds blanks).
QByteArray Transfer::quotedPath(const QString &remotePath) const
{
    if (!remotePath.startsWith(u'/'))
        return "/~/" + remotePath.toUtf8();
    QByteArray path = remotePath.toUtf8();
    path.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + path + '"';
}

// Runs commands on the connection the upload used (a new one, logged in afresh, if the server or
// a refused command closed it). The request names the temporary file without fetching it, so
// curl goes to the file's folder as it did for the upload and the postquote commands run there.
bool Transfer::redo(CURL *c, curl_slist *commands, char *errorBuffer)
{
    m_afterQuote.reset(commands);
    m_replies.clearAfterUpload();
    errorBuffer[0] = '\0';
    set<CURLOPT_UPLOAD>(c, 0L);
    set<CURLOPT_NOBODY>(c, 1L);
    set<CURLOPT_FRESH_CONNECT>(c, 0L);
    set<CURLOPT_FORBID_REUSE>(c, 1L);
    set<CURLOPT_POSTQUOTE>(c, m_afterQuote.get());
    if (m_refusedOption.failed()) {
        noteFailure(m_refusedOption.failure.kind, m_refusedOption.why, m_refusedOption.failure.detail);
        return false;
    }
    return curl_easy_perform(c) == CURLE_OK;
}

curl_slist *Transfer::commandList(std::initializer_list<QByteArray> commands) const
{
    curl_slist *list = nullptr;
    for (const QByteArray &command : commands)
        list = curl_slist_append(list, command.constData());
    return list;
}

// The file is confirmed whole under its temporary name; it takes its final name now. No failure
// when it did, else why not.
TransferFailure Transfer::rename(CURL *c, char *errorBuffer)
{
    const bool ftp = m_target.protocol != FtpTarget::Protocol::Sftp;
    // Where the earlier copy waits while the new file takes its name: the same folder, so the
    // server moves it as it moves the file sent, and a leading dot, so collectors pass it by.
    const QString asideName = u'.' + m_fileName + QStringLiteral(".old");
    const QByteArray from = ftp ? m_sentName.toUtf8() : quotedPath(m_sentPath);
    const QByteArray to = ftp ? m_fileName.toUtf8() : quotedPath(m_request.remotePath);
    const QByteArray aside = ftp ? asideName.toUtf8() : quotedPath(m_request.remotePath.chopped(m_fileName.size()) + asideName);
    // Over FTP the RNTO reply is what counts: a connection lost right after it does not undo it.
    auto renamed = [&](const QByteArray &source, const QByteArray &target) {
        return redo(c, ftp ? commandList({"RNFR " + source, "RNTO " + target}) : commandList({"rename " + source + ' ' + target}),
                    errorBuffer)
            || (ftp && m_replies.renameToReply() >= 200 && m_replies.renameToReply() < 300);
    };
    // Ours alone, whether left by an earlier try or just set aside: its failure changes nothing.
    auto removeAside = [&] { redo(c, commandList({(ftp ? "*DELE " : "*rm ") + aside}), errorBuffer); };
    if (renamed(from, to))
        return {};
    auto replies = [this] {
        QStringList seen;
        for (const auto &[command, code] : {std::pair{"DELE", m_replies.deleteReply()},
                                            {"RNFR", m_replies.renameFromReply()},
                                            {"RNTO", m_replies.renameToReply()}}) {
            if (code)
                seen << QLatin1StringView(command) + u' ' + QString::number(code);
        }
        return seen.join(QStringLiteral(", "));
    };
    auto refusal = [&] {
        const QByteArray said = m_replies.renameRefusal();
        return ftp ? replies() + (said.isEmpty() ? QString() : u": " + shownText(QString::fromUtf8(said)))
                   : QString::fromUtf8(errorBuffer);
    };
    // The first refusal is the one that counts: later commands only try to work around it.
    FtpFailure refused{FailureKind::RenameRefused, {}, 0, {}, {}};
    if (ftp) {
        refused.replyCode = m_replies.renameToReply() >= 400 ? m_replies.renameToReply() : m_replies.renameFromReply();
        refused.replyText = shownText(QString::fromUtf8(m_replies.renameRefusal()));
        refused.detail = refused.replyText;
    } else {
        refused.curlMessage = QString::fromUtf8(errorBuffer);
    }
    auto failed = [&](const QString &detail) {
        const QString why = QStringLiteral("the server did not rename %1 to %2 (%3)")
                                .arg(shownText(m_sentName), where(), m_failure.failed() ? m_failure.why : detail);
        return TransferFailure{why, m_failure.failed() ? m_failure.failure : refused};
    };
    QString why = refusal();
    // Some servers (and sftp servers as a rule) will not rename onto an existing file: the earlier
    // copy steps aside then, and comes back if the new one still cannot take its name. It is never
    // deleted before the new file is in place. Over FTP only when the server took RNFR: one that
    // cannot rename at all keeps what it has.
    const bool overwriteRefused = !ftp || (m_replies.renameFromReply() == 350 && m_replies.renameToReply() >= 400);
    if (!overwriteRefused || m_failure.failed() || m_abort.load())
        return failed(why);
    // An ending program waits for these few commands: stopping between them could leave no file
    // under the final name.
    m_mustFinish = true;
    removeAside();
    // Refused when there is no earlier copy (the first refusal was then about something else) or
    // by the same rule that refused the first rename: the server stays as it was.
    if (!renamed(to, aside)) {
        m_mustFinish = false;
        return failed(why + QStringLiteral("; setting the earlier copy aside as %1: %2").arg(shownText(asideName), refusal()));
    }
    if (renamed(from, to)) {
        m_mustFinish = false;
        aimAtFolder(c); // the temporary name is gone; curl must not ask for it
        removeAside();
        return {};
    }
    why += QStringLiteral("; with the earlier copy aside: ") + refusal();
    if (renamed(aside, to))
        why += QStringLiteral("; the earlier copy was kept under the final name");
    else
        why += QStringLiteral("; putting the earlier copy back: %1; the earlier copy was kept as %2").arg(refusal(), shownText(asideName));
    m_mustFinish = false;
    return failed(why);
}

// Later commands' requests name the remote folder, not a file: curl then asks nothing about a
// file that may have been renamed away.
void Transfer::aimAtFolder(CURL *c)
{
    m_url = m_target.url(m_request.remotePath.chopped(m_fileName.size()));
    set<CURLOPT_URL>(c, m_url.constData());
}

// A transfer the server answered but did not confirm may have left its temporary file; take it
// away while the connection stands. A broken connection leaves it: the next upload of the same
// file replaces it.
void Transfer::removeTemporary(CURL *c, char *errorBuffer)
{
    const bool ftp = m_target.protocol != FtpTarget::Protocol::Sftp;
    const QByteArray command = ftp ? QByteArray("*DELE " + m_sentName.toUtf8()) : QByteArray("*rm " + quotedPath(m_sentPath));
    redo(c, commandList({command}), errorBuffer);
}

// The file is confirmed under its final name and was only sent to try the server: it goes again.
// No failure when it did, else why not.
TransferFailure Transfer::removeSent(CURL *c, char *errorBuffer)
{
    const bool ftp = m_target.protocol != FtpTarget::Protocol::Sftp;
    aimAtFolder(c);
    const QByteArray command = ftp ? QByteArray("DELE " + m_fileName.toUtf8()) : QByteArray("rm " + quotedPath(m_request.remotePath));
    if (redo(c, commandList({command}), errorBuffer))
        return {};
    FtpFailure failure{FailureKind::DeleteRefused, {}, 0, {}, {}};
    QString refusal = m_failure.why;
    if (m_failure.failed()) {
        failure = m_failure.failure;
    } else if (ftp && m_replies.deleteReply()) {
        const QByteArray said = m_replies.renameRefusal();
        failure.replyCode = m_replies.deleteReply();
        failure.replyText = failure.detail = shownText(QString::fromUtf8(said));
        refusal = QStringLiteral("DELE %1").arg(m_replies.deleteReply()) + (said.isEmpty() ? QString() : u": " + failure.replyText);
    }
    if (refusal.isEmpty())
        refusal = failure.curlMessage = QString::fromUtf8(errorBuffer);
    return {QStringLiteral("the server did not delete %1 after it was sent (%2)").arg(where(), refusal), failure};
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

} // namespace

FtpResult runFtpTransfer(const FtpRequest &request, const FtpReport &report, const std::atomic<bool> &abort,
                         const FtpProgress &progress, const FtpFailed &failed)
{
    Transfer transfer(request, report, abort, progress, failed);
    return transfer.run();
}
