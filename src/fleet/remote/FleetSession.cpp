// SPDX-License-Identifier: MIT
#include "fleet/remote/FleetSession.h"

#include "core/diagnostics/ShownText.h"
#include "core/transfer/ConnectionOptions.h"
#include "core/transfer/CurlLibrary.h"
#include "core/transfer/FtpReplies.h"
#include "fleet/check/LineSplitter.h"

#include <QTimeZone>

#include <sys/select.h>

namespace korva5::fleet {

namespace {

struct CurlListFree
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

QByteArray withoutLineEnd(QByteArrayView line)
{
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    return line.toByteArray();
}

} // namespace

QString FleetSession::methodName(Method method)
{
    switch (method) {
    case Method::Mlsd:
        return QStringLiteral("MLSD");
    case Method::List:
        return QStringLiteral("LIST");
    case Method::Nlst:
        return QStringLiteral("NLST");
    }
    return {};
}

FleetSession::FleetSession(const FtpTarget &target, const FleetSettings &settings)
    : m_target(target)
    , m_settings(settings)
    , m_curl(nullptr, curl_easy_cleanup)
    , m_multi(nullptr, curl_multi_cleanup)
{
    m_elapsed.start();
    if (const CurlProblem problem = curlProblem(); !problem.ok()) {
        m_optionProblem = problem.why;
        return;
    }
    m_curl.reset(curl_easy_init());
    m_multi.reset(curl_multi_init());
    if (!m_curl || !m_multi) {
        m_optionProblem = QStringLiteral("libcurl could not make a connection handle");
        return;
    }
    CurlOptions options(m_curl.get());
    options.note(setConnectionOptions(m_curl.get(), m_target, m_settings.caBundle, m_settings.timeouts));
    options.set<CURLOPT_ERRORBUFFER>(m_errorBuffer);
    options.set<CURLOPT_NOSIGNAL>(1L);
    options.set<CURLOPT_PATH_AS_IS>(1L);
    if (!m_settings.user.isEmpty()) {
        // libcurl copies the strings it is given.
        options.set<CURLOPT_USERNAME>(m_settings.user.toUtf8().constData());
        options.set<CURLOPT_PASSWORD>(m_settings.password.toUtf8().constData());
    }
    // Passive, one CWD to a folder rather than one per part of its path, nothing created.
    options.set<CURLOPT_FTPPORT>(nullptr);
    options.set<CURLOPT_FTP_USE_EPSV>(1L);
    options.set<CURLOPT_FTP_FILEMETHOD>(long(CURLFTPMETHOD_SINGLECWD));
    options.set<CURLOPT_FTP_CREATE_MISSING_DIRS>(long(CURLFTP_CREATE_DIR_NONE));
    options.set<CURLOPT_HEADERFUNCTION>(&FleetSession::onHeader);
    options.set<CURLOPT_HEADERDATA>(this);
    options.set<CURLOPT_WRITEFUNCTION>(&FleetSession::onWrite);
    options.set<CURLOPT_WRITEDATA>(this);
    // Only the commands are taken from the debug stream; nothing is printed.
    options.set<CURLOPT_VERBOSE>(1L);
    options.set<CURLOPT_DEBUGFUNCTION>(&FleetSession::onDebug);
    options.set<CURLOPT_DEBUGDATA>(this);
    if (const std::optional<RefusedOption> refused = options.refused())
        m_optionProblem = QStringLiteral("libcurl refused the option %1: %2")
                              .arg(curlOptionName(refused->option), QString::fromUtf8(curl_easy_strerror(refused->code)));
    m_optionsSet = m_optionProblem.isEmpty();
}

FleetSession::~FleetSession()
{
    // The connection belongs to the multi handle: it goes (with its QUIT) before the easy handle.
    closeConnection(false);
}

void FleetSession::close()
{
    closeConnection(true);
}

void FleetSession::closeConnection(bool reopen)
{
    if (!m_multi)
        return;
    // libcurl closes its connections with the timeouts of the handle last added to the multi
    // handle, the QUIT's answer waited for as long as any reply: the short wait is set and the
    // handle added once more before the multi handle goes, then the settings' wait restored.
    if (m_curl) {
        setCurlOption<CURLOPT_SERVER_RESPONSE_TIMEOUT>(m_curl.get(), long(QuitWait.count()));
        if (curl_multi_add_handle(m_multi.get(), m_curl.get()) == CURLM_OK)
            curl_multi_remove_handle(m_multi.get(), m_curl.get());
        setCurlOption<CURLOPT_SERVER_RESPONSE_TIMEOUT>(m_curl.get(), wholeSeconds(m_settings.timeouts.response));
    }
    m_multi.reset(reopen ? curl_multi_init() : nullptr);
    if (reopen && !m_multi) {
        m_optionsSet = false;
        m_optionProblem = QStringLiteral("libcurl could not make a multi handle");
    }
}

qint64 FleetSession::millisecondsLeft() const
{
    return std::max<qint64>(0, qint64(m_settings.totalTimeoutSeconds) * 1000 - m_elapsed.elapsed());
}

size_t FleetSession::onHeader(char *data, size_t size, size_t count, void *self)
{
    auto *session = static_cast<FleetSession *>(self);
    // For FTP the "headers" are the server's reply lines, every line of every reply.
    const QByteArray line = withoutLineEnd(QByteArrayView(data, qsizetype(size * count)));
    const FtpReplies::Line reply = FtpReplies::Line::parse(line);
    // A line before any command is the greeting.
    if (session->m_exchanges.isEmpty() || session->m_exchanges.back().code != 0)
        session->m_exchanges.append(Exchange());
    Exchange &exchange = session->m_exchanges.back();
    exchange.lines.append(line);
    // A preliminary reply (150 before a listing) leaves the command waiting for its last one.
    if (reply.final && reply.code >= 200)
        exchange.code = reply.code;
    return size * count;
}

int FleetSession::onDebug(CURL *, curl_infotype type, char *data, size_t size, void *self)
{
    if (type != CURLINFO_HEADER_OUT)
        return 0;
    auto *session = static_cast<FleetSession *>(self);
    QByteArray command = withoutLineEnd(QByteArrayView(data, qsizetype(size)));
    if (command.startsWith("PASS "))
        command = "PASS";
    // A login opens each control connection; the data connections of listings and fetches
    // come and go beside it and are not counted.
    if (command.startsWith("USER "))
        ++session->m_connections;
    session->m_exchanges.append(Exchange{command, 0, {}});
    return 0;
}

size_t FleetSession::onWrite(char *data, size_t size, size_t count, void *self)
{
    auto *session = static_cast<FleetSession *>(self);
    const size_t bytes = size * count;
    session->m_bytesRead += qint64(bytes);
    if (!session->m_sink)
        return bytes;
    return session->m_sink(QByteArrayView(data, qsizetype(bytes))) ? bytes : 0;
}

void FleetSession::resetRequest()
{
    CURL *c = m_curl.get();
    setCurlOption<CURLOPT_NOBODY>(c, 0L);
    setCurlOption<CURLOPT_CUSTOMREQUEST>(c, nullptr);
    setCurlOption<CURLOPT_DIRLISTONLY>(c, 0L);
    setCurlOption<CURLOPT_QUOTE>(c, nullptr);
    setCurlOption<CURLOPT_MAXFILESIZE_LARGE>(c, curl_off_t(0));
    setCurlOption<CURLOPT_TRANSFERTEXT>(c, 0L);
    setCurlOption<CURLOPT_IGNORE_CONTENT_LENGTH>(c, 0L);
    m_exchanges.clear();
    m_sink = nullptr;
    m_errorBuffer[0] = '\0';
}

QString FleetSession::asFolderPath(const QString &folder)
{
    return folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
}

QByteArray FleetSession::folderUrl(const QString &folder) const
{
    return m_target.url(asFolderPath(folder));
}

const FleetSession::Exchange *FleetSession::lastExchange(QByteArrayView verb) const
{
    for (auto it = m_exchanges.crbegin(); it != m_exchanges.crend(); ++it) {
        if (it->command.startsWith(verb) && (it->command.size() == verb.size() || it->command[verb.size()] == ' '))
            return &*it;
    }
    return nullptr;
}

QString FleetSession::failure(CURLcode code) const
{
    // The server's own words when it refused something; libcurl's otherwise. A refusal of what
    // was only asked in passing (FEAT of a server without it, SIZE or MDTM of a file) or of QUIT
    // is not why a request failed.
    for (auto it = m_exchanges.crbegin(); it != m_exchanges.crend(); ++it) {
        const bool inPassing = it->command.startsWith("QUIT") || it->command.startsWith("FEAT")
            || it->command.startsWith("SIZE ") || it->command.startsWith("MDTM ");
        if (it->code >= 400 && !inPassing)
            return shownText(QString::fromUtf8(it->lines.back().trimmed()));
    }
    QString message = QString::fromUtf8(m_errorBuffer);
    if (message.isEmpty())
        message = QString::fromUtf8(curl_easy_strerror(code));
    if (code == CURLE_LOGIN_DENIED)
        return QStringLiteral("login refused: ") + message;
    return shownText(message);
}

// curl_easy_perform, without its idle waits. libcurl 7.88 starts a data connection only on the
// step after the server's answer to EPSV, yet has nothing to wait for in between (no socket, no
// timer), so its own loop sleeps a whole second there: a second for every listing and every
// heartbeat. Here a step with nothing to wait for is followed by the next at once. The multi
// handle keeps the connection between requests as the easy handle would.
CURLcode FleetSession::run()
{
    CURLM *multi = m_multi.get();
    CURL *c = m_curl.get();
    if (curl_multi_add_handle(multi, c) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode result = CURLE_OK;
    int running = 1;
    int idleSteps = 0;
    while (running) {
        if (m_cancel && m_cancel->load()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (!running)
            break;
        fd_set read, write, error;
        FD_ZERO(&read);
        FD_ZERO(&write);
        FD_ZERO(&error);
        int highest = -1;
        curl_multi_fdset(multi, &read, &write, &error, &highest);
        long timeout = -1;
        curl_multi_timeout(multi, &timeout);
        // Nothing to wait for and nothing due: the next step can be taken now. A few such
        // steps in a row, and the wait is a short one, so a loop can never spin.
        if (highest < 0 && timeout != 0 && ++idleSteps <= IdleStepsInARow)
            continue;
        idleSteps = 0;
        if (curl_multi_poll(multi, nullptr, 0, int(LongestWait.count()), nullptr) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
    }
    int left = 0;
    while (CURLMsg *message = curl_multi_info_read(multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == c)
            result = message->data.result;
    }
    curl_multi_remove_handle(multi, c);
    return result;
}

bool FleetSession::perform(QString *why)
{
    if (!m_optionsSet) {
        *why = m_optionProblem;
        return false;
    }
    // What is left of the check's whole time limit bounds each request.
    const qint64 left = qint64(m_settings.totalTimeoutSeconds) * 1000 - m_elapsed.elapsed();
    if (left <= 0) {
        m_timedOut = true;
        *why = QStringLiteral("the check took longer than %1 s").arg(m_settings.totalTimeoutSeconds);
        return false;
    }
    setCurlOption<CURLOPT_TIMEOUT_MS>(m_curl.get(), long(left));
    const CURLcode code = run();
    m_lastCode = code;
    // sftp has no logins to count and no data connections: every connection made counts.
    long connects = 0;
    if (m_target.protocol == FtpTarget::Protocol::Sftp && curl_easy_getinfo(m_curl.get(), CURLINFO_NUM_CONNECTS, &connects) == CURLE_OK)
        m_connections += int(connects);
    if (code == CURLE_OK)
        return true;
    m_timedOut = code == CURLE_OPERATION_TIMEDOUT && m_elapsed.elapsed() >= qint64(m_settings.totalTimeoutSeconds) * 1000;
    *why = m_timedOut ? QStringLiteral("the check took longer than %1 s").arg(m_settings.totalTimeoutSeconds) : failure(code);
    return false;
}

bool FleetSession::open(const QString &folder, QString *why)
{
    if (!m_optionsSet) {
        *why = m_optionProblem;
        return false;
    }
    if (m_target.protocol == FtpTarget::Protocol::Sftp)
        return true; // the first listing logs in
    resetRequest();
    CURL *c = m_curl.get();
    // Nothing fetched: log in, enter the folder, and ask for the features. A server without
    // FEAT ("*": no failure) simply has none of them.
    CurlList quote(curl_slist_append(nullptr, "*FEAT"));
    setCurlOption<CURLOPT_URL>(c, folderUrl(folder).constData());
    setCurlOption<CURLOPT_NOBODY>(c, 1L);
    setCurlOption<CURLOPT_QUOTE>(c, quote.get());
    const bool opened = perform(why);
    setCurlOption<CURLOPT_QUOTE>(c, nullptr);
    if (const Exchange *feat = lastExchange("FEAT"); feat && feat->code == 211) {
        m_sizeUnknown = true;
        for (const QByteArray &line : feat->lines) {
            // Feature lines start with a blank: " MLST type*;size*;modify*;".
            const QByteArray feature = line.trimmed().toUpper();
            if (line.startsWith(' ') && (feature.startsWith("MLST") || feature.startsWith("MLSD")))
                m_mlsd = true;
            if (line.startsWith(' ') && (feature == "SIZE" || feature.startsWith("SIZE ")))
                m_sizeUnknown = false;
        }
    }
    return opened;
}

bool FleetSession::list(const QString &folder, Method method, const LineSink &line, QString *why)
{
    if (method != Method::List || m_target.protocol == FtpTarget::Protocol::Sftp)
        return listWith(folder, method, {}, line, why);
    // The stations' temporary files start with a dot, and vsftpd, ProFTPD and others leave such
    // names out of LIST unless asked with -a. A server that takes "-a" for a name refuses it or
    // lists nothing; plain LIST is asked then (a records folder is never empty).
    qint64 lines = 0;
    const auto counted = [&](QByteArrayView text, bool whole) {
        ++lines;
        line(text, whole);
    };
    QString refused;
    const bool listed = listWith(folder, method, "LIST -a", counted, &refused);
    if (listed && lines > 0)
        return true;
    // A listing too large, or out of time: the same again would be no better.
    if (lines > 0 || m_listingTooLarge || m_timedOut) {
        *why = refused;
        return false;
    }
    if (listWith(folder, method, {}, line, why))
        return true;
    // Both refused: the first answer may be the one that says why (vsftpd's "500 OOPS: malloc"
    // for a folder too large for it ends the session, and the second only finds it gone).
    if (!listed && refused != *why)
        *why = refused + QStringLiteral(" (LIST -a), then ") + *why + QStringLiteral(" (LIST)");
    return false;
}

bool FleetSession::listWith(const QString &folder, Method method, const char *command, const LineSink &line, QString *why)
{
    resetRequest();
    CURL *c = m_curl.get();
    setCurlOption<CURLOPT_URL>(c, folderUrl(folder).constData());
    if (method == Method::Mlsd)
        setCurlOption<CURLOPT_CUSTOMREQUEST>(c, "MLSD");
    else if (command)
        setCurlOption<CURLOPT_CUSTOMREQUEST>(c, command);
    setCurlOption<CURLOPT_DIRLISTONLY>(c, method == Method::Nlst ? 1L : 0L);
    // Lines are handed on as they end, so a listing of any length is never held whole, nor a
    // line longer than any listing line.
    const bool sftp = m_target.protocol == FtpTarget::Protocol::Sftp;
    LineSplitter splitter(sftp ? LineSplitter::Framing::Lf : LineSplitter::Framing::Detect, line);
    qint64 received = 0;
    bool tooLarge = false;
    m_sink = [&](QByteArrayView data) {
        received += data.size();
        if (received > MostListingBytes) {
            tooLarge = true;
            return false;
        }
        splitter.feed(data);
        return true;
    };
    bool listed = perform(why);
    m_sink = nullptr;
    m_listingTooLarge = tooLarge;
    if (tooLarge) {
        *why = QStringLiteral("the listing is larger than %1 MiB").arg(MostListingBytes / (1024 * 1024));
        listed = false;
    }
    if (listed)
        splitter.finish();
    if (!listed)
        return false;
    if (m_target.protocol == FtpTarget::Protocol::Sftp)
        return true;
    // vsftpd answers a folder it may not read with an empty listing and "226 Transfer done (but
    // failed to open directory).": a success by its code, which would make every file missing.
    const QByteArray verb = methodName(method).toLatin1();
    const Exchange *answer = lastExchange(verb);
    if (answer && !answer->lines.isEmpty() && answer->lines.back().toLower().contains("fail")) {
        *why = shownText(QString::fromUtf8(answer->lines.back().trimmed()));
        return false;
    }
    return true;
}

bool FleetSession::fetch(const QString &path, qsizetype mostBytes, QByteArray *bytes, QString *why, bool *notFound,
                         bool *tooLargeFile)
{
    resetRequest();
    CURL *c = m_curl.get();
    bytes->clear();
    bool tooLarge = false;
    setCurlOption<CURLOPT_URL>(c, m_target.url(path).constData());
    setCurlOption<CURLOPT_MAXFILESIZE_LARGE>(c, curl_off_t(mostBytes));
    // No SIZE before each RETR: a round trip per heartbeat, and the cap is kept as bytes come.
    setCurlOption<CURLOPT_IGNORE_CONTENT_LENGTH>(c, 1L);
    m_sink = [&](QByteArrayView data) {
        if (bytes->size() + data.size() > mostBytes) {
            tooLarge = true;
            return false;
        }
        bytes->append(data);
        return true;
    };
    const bool fetched = perform(why);
    m_sink = nullptr;
    tooLarge = !fetched && (tooLarge || m_lastCode == CURLE_FILESIZE_EXCEEDED);
    if (tooLarge)
        *why = QStringLiteral("larger than %1 KiB").arg(mostBytes / 1024);
    if (tooLargeFile)
        *tooLargeFile = tooLarge;
    if (notFound)
        *notFound = !fetched && m_lastCode == CURLE_REMOTE_FILE_NOT_FOUND;
    return fetched;
}

} // namespace korva5::fleet
