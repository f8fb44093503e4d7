// SPDX-License-Identifier: MIT
#include "core/servertest/ServerProbe.h"

#include "core/diagnostics/ShownText.h"
#include "core/transfer/CurlLibrary.h"

#include <curl/curl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <thread>

namespace korva5 {

namespace ServerProbe {

namespace {

using Clock = std::chrono::steady_clock;
using Protocol = ServerAddress::Protocol;

// How often a silent connection is looked at again, and so how soon an abort is heard.
constexpr std::chrono::milliseconds Pause{20};
// More than any greeting or reply needs: a peer that sends more without a line end is no FTP or
// SSH server.
constexpr qsizetype MaxLine = 4096;

bool isFtpReplyLine(QByteArrayView line)
{
    return line.size() >= 4 && std::all_of(line.begin(), line.begin() + 3, [](char c) { return c >= '0' && c <= '9'; })
        && (line[3] == ' ' || line[3] == '-');
}

bool isText(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) >= 0x20 || c == '\t'; });
}

// The reply that starts at lines[from]: its code and final line, and the index after it; nothing
// while its final line has not come. A reply of several lines starts "123-" and ends "123 ".
struct Reply
{
    int code = 0;
    QByteArray line;
    qsizetype next = 0;
};

std::optional<Reply> ftpReply(const QList<QByteArray> &lines, qsizetype from)
{
    if (from >= lines.size() || !isFtpReplyLine(lines.at(from)))
        return std::nullopt;
    const QByteArray &first = lines.at(from);
    const int code = first.left(3).toInt();
    if (first[3] == ' ')
        return Reply{code, first, from + 1};
    const QByteArray end = first.left(3) + ' ';
    for (qsizetype i = from + 1; i < lines.size(); ++i) {
        if (lines.at(i).startsWith(end))
            return Reply{code, lines.at(i), i + 1};
    }
    return std::nullopt;
}

// A connection made with libcurl and read and written by hand.
class Connection
{
public:
    Connection(const ServerAddress &server, const std::atomic<bool> &abort, const Limits &limits)
        : m_server(server), m_abort(abort), m_limits(limits)
    {
    }

    Result run();

private:
    static int onProgress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    Result connect();
    // Reads complete lines until decided says enough or the time is up; false when it is up,
    // the connection closed or the probe was aborted (m_closed, m_aborted say which).
    bool readLines(std::chrono::milliseconds limit, const std::function<bool()> &decided);
    bool send(QByteArrayView command);
    Result fromGreeting();
    Result askForTls();
    Result result(Verdict verdict, const QString &said = {}) const;

    const ServerAddress &m_server;
    const std::atomic<bool> &m_abort;
    const Limits &m_limits;
    std::unique_ptr<CURL, void (*)(CURL *)> m_curl{nullptr, curl_easy_cleanup};
    char m_errorBuffer[CURL_ERROR_SIZE] = {}; // libcurl writes here for as long as the handle lives
    Clock::time_point m_start;
    bool m_literal = false; // the host is an address: there is no name to look up
    bool m_resolveTimedOut = false;
    bool m_connectTimedOut = false;
    bool m_aborted = false;
    bool m_closed = false;
    QString m_address;
    QByteArray m_pending; // what came after the last line end
    QList<QByteArray> m_lines;
};

int Connection::onProgress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto *c = static_cast<Connection *>(self);
    if (c->m_abort.load()) {
        c->m_aborted = true;
        return 1;
    }
    curl_off_t resolvedAfter = 0; // microseconds; 0 while the name is looked up
    curl_easy_getinfo(c->m_curl.get(), CURLINFO_NAMELOOKUP_TIME_T, &resolvedAfter);
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - c->m_start);
    if (resolvedAfter == 0 && !c->m_literal) {
        if (elapsed > c->m_limits.resolve) {
            c->m_resolveTimedOut = true;
            return 1;
        }
    } else if (elapsed - std::chrono::microseconds(resolvedAfter) > c->m_limits.connect) {
        c->m_connectTimedOut = true;
        return 1;
    }
    return 0;
}

Result Connection::result(Verdict verdict, const QString &said) const
{
    Result r;
    r.verdict = verdict;
    r.resolved = verdict != Verdict::NameUnknown && verdict != Verdict::NameTimedOut && verdict != Verdict::CurlUnusable
        && !(verdict == Verdict::Aborted && m_address.isEmpty());
    r.address = m_address;
    r.said = said;
    return r;
}

Result Connection::connect()
{
    if (const CurlProblem problem = curlProblem(); !problem.ok()) {
        Result r = result(Verdict::CurlUnusable);
        r.detail = problem.why;
        return r;
    }
    m_curl.reset(curl_easy_init());
    if (!m_curl) {
        Result r = result(Verdict::CurlUnusable);
        r.detail = QStringLiteral("out of memory");
        return r;
    }
    CURL *c = m_curl.get();
    // A URL of a protocol that sends nothing before the application does: with CONNECT_ONLY
    // libcurl resolves and connects, and the first words on the line are the server's.
    const QByteArray url = "http://" + m_server.host.toLatin1() + ':' + QByteArray::number(m_server.port) + '/';
    m_literal = m_server.host.startsWith(u'[')
        || std::all_of(m_server.host.cbegin(), m_server.host.cend(), [](QChar ch) { return ch == u'.' || ch.isDigit(); });
    setCurlOption<CURLOPT_ERRORBUFFER>(c, static_cast<char *>(m_errorBuffer));
    setCurlOption<CURLOPT_URL>(c, url.constData());
    setCurlOption<CURLOPT_CONNECT_ONLY>(c, 1L);
    // The proxies of the environment are for web traffic; the server is asked directly.
    setCurlOption<CURLOPT_PROXY>(c, "");
    setCurlOption<CURLOPT_NOSIGNAL>(c, 1L);
    // A backstop: the progress callback holds each phase to its own limit.
    setCurlOption<CURLOPT_CONNECTTIMEOUT_MS>(c, long((m_limits.resolve + m_limits.connect).count()));
    setCurlOption<CURLOPT_NOPROGRESS>(c, 0L);
    setCurlOption<CURLOPT_XFERINFOFUNCTION>(c, &Connection::onProgress);
    setCurlOption<CURLOPT_XFERINFODATA>(c, static_cast<void *>(this));
    m_start = Clock::now();
    const CURLcode code = curl_easy_perform(c);
    char *ip = nullptr;
    if (curl_easy_getinfo(c, CURLINFO_PRIMARY_IP, &ip) == CURLE_OK && ip && *ip)
        m_address = QString::fromLatin1(ip);
    curl_off_t resolvedAfter = 0;
    curl_easy_getinfo(c, CURLINFO_NAMELOOKUP_TIME_T, &resolvedAfter);
    switch (code) {
    case CURLE_OK:
        return result(Verdict::Answers);
    case CURLE_COULDNT_RESOLVE_HOST:
        return result(Verdict::NameUnknown);
    case CURLE_COULDNT_CONNECT:
        return result(Verdict::Refused);
    case CURLE_ABORTED_BY_CALLBACK:
        if (m_aborted)
            return result(Verdict::Aborted);
        return result(m_resolveTimedOut ? Verdict::NameTimedOut : Verdict::ConnectTimedOut);
    case CURLE_OPERATION_TIMEDOUT:
        return result(resolvedAfter == 0 && !m_literal ? Verdict::NameTimedOut : Verdict::ConnectTimedOut);
    default:
        break;
    }
    Result r = result(Verdict::CurlUnusable);
    r.detail = QString::fromUtf8(m_errorBuffer[0] ? m_errorBuffer : curl_easy_strerror(code));
    return r;
}

bool Connection::readLines(std::chrono::milliseconds limit, const std::function<bool()> &decided)
{
    const auto deadline = Clock::now() + limit;
    char buffer[1024];
    for (;;) {
        if (m_abort.load()) {
            m_aborted = true;
            return false;
        }
        size_t got = 0;
        const CURLcode code = curl_easy_recv(m_curl.get(), buffer, sizeof buffer, &got);
        if (code == CURLE_OK && got == 0) {
            m_closed = true;
            break;
        }
        if (code == CURLE_OK) {
            m_pending.append(buffer, qsizetype(got));
            qsizetype end;
            while ((end = m_pending.indexOf('\n')) >= 0) {
                QByteArray line = m_pending.left(end);
                if (line.endsWith('\r'))
                    line.chop(1);
                m_lines << line;
                m_pending.remove(0, end + 1);
                if (decided())
                    return true;
            }
            if (m_pending.size() > MaxLine)
                break;
            continue;
        }
        if (code != CURLE_AGAIN) {
            m_closed = true;
            break;
        }
        if (Clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(Pause);
    }
    // What came without a line end counts as a line of its own: a peer of another protocol may
    // send no line ends at all.
    if (!m_pending.isEmpty())
        m_lines << std::exchange(m_pending, {});
    return decided();
}

bool Connection::send(QByteArrayView command)
{
    qsizetype done = 0;
    const auto deadline = Clock::now() + m_limits.reply;
    while (done < command.size()) {
        size_t sent = 0;
        const CURLcode code = curl_easy_send(m_curl.get(), command.data() + done, size_t(command.size() - done), &sent);
        if (code == CURLE_OK) {
            done += qsizetype(sent);
            continue;
        }
        if (code != CURLE_AGAIN || Clock::now() >= deadline || m_abort.load())
            return false;
        std::this_thread::sleep_for(Pause);
    }
    return true;
}

Result Connection::fromGreeting()
{
    const Protocol protocol = m_server.protocol;
    std::optional<Verdict> verdict;
    const auto limit = protocol == Protocol::Ftps ? m_limits.plainGreeting : m_limits.greeting;
    readLines(limit, [&] { return (verdict = greetingVerdict(protocol, m_lines, false)).has_value(); });
    if (m_aborted)
        return result(Verdict::Aborted);
    const QString said = m_lines.isEmpty() ? QString() : shownText(QString::fromUtf8(m_lines.last()));
    if (!verdict)
        verdict = greetingVerdict(protocol, m_lines, true);
    if (!verdict || m_lines.isEmpty()) {
        // Silence is what a TLS server answers a client that has not begun its handshake.
        if (protocol == Protocol::Ftps && !m_closed)
            return result(Verdict::Answers);
        return result(m_closed ? Verdict::Closed : Verdict::NoGreeting);
    }
    if (*verdict != Verdict::Answers)
        return result(*verdict, said);
    if (protocol == Protocol::Ftp) {
        send("QUIT\r\n"); // a polite end; its answer does not matter
        return result(Verdict::Answers, said);
    }
    if (protocol == Protocol::Sftp)
        return result(Verdict::Answers, said);
    // ftpes, or ftps at a port that greets in plain text: does it take AUTH TLS?
    const Result tls = askForTls();
    if (protocol == Protocol::Ftps && tls.verdict == Verdict::Answers)
        return result(Verdict::ExplicitTlsOnly, tls.said);
    return tls.verdict == Verdict::Answers ? result(Verdict::Answers, said) : tls;
}

Result Connection::askForTls()
{
    if (!send("AUTH TLS\r\n"))
        return result(m_abort.load() ? Verdict::Aborted : Verdict::Closed);
    const qsizetype from = m_lines.size();
    std::optional<Reply> reply;
    readLines(m_limits.reply, [&] {
        return (reply = ftpReply(m_lines, from)).has_value() || (m_lines.size() > from && !isFtpReplyLine(m_lines.at(from)));
    });
    if (m_aborted)
        return result(Verdict::Aborted);
    if (!reply) {
        if (m_lines.size() > from)
            return result(Verdict::NotFtp, shownText(QString::fromUtf8(m_lines.at(from))));
        return result(m_closed ? Verdict::NoTls : Verdict::NoReply);
    }
    const QString said = shownText(QString::fromUtf8(reply->line));
    // 234: the server waits for the handshake now. The connection is closed instead; the
    // transfer that follows makes its own.
    return result(reply->code == 234 ? Verdict::Answers : Verdict::NoTls, said);
}

Result Connection::run()
{
    const Result connected = connect();
    if (connected.verdict != Verdict::Answers)
        return connected;
    return fromGreeting();
}

} // namespace

std::optional<Verdict> greetingVerdict(Protocol protocol, const QList<QByteArray> &lines, bool ended)
{
    if (lines.isEmpty())
        return std::nullopt;
    if (protocol == Protocol::Sftp) {
        // An SSH server may send lines of its own before its banner (RFC 4253, 4.2).
        for (const QByteArray &line : lines) {
            if (line.startsWith("SSH-"))
                return Verdict::Answers;
            if (!isText(line))
                return Verdict::NotSsh;
        }
        if (isFtpReplyLine(lines.first()))
            return Verdict::AnswersFtp;
        return ended ? std::optional(Verdict::NotSsh) : std::nullopt;
    }
    if (lines.first().startsWith("SSH-"))
        return Verdict::AnswersSsh;
    // 120 "ready in a few minutes" is followed by the greeting itself.
    for (qsizetype at = 0; at < lines.size();) {
        if (!isFtpReplyLine(lines.at(at)))
            return Verdict::NotFtp;
        const std::optional<Reply> reply = ftpReply(lines, at);
        if (!reply)
            return ended ? std::optional(Verdict::NotFtp) : std::nullopt;
        if (reply->code >= 200 && reply->code < 300)
            return Verdict::Answers;
        if (reply->code >= 400)
            return Verdict::TurnedAway;
        if (reply->code >= 300)
            return Verdict::NotFtp;
        at = reply->next;
    }
    return ended ? std::optional(Verdict::NoGreeting) : std::nullopt;
}

Result probe(const ServerAddress &server, const std::atomic<bool> &abort, const Limits &limits)
{
    Connection connection(server, abort, limits);
    return connection.run();
}

} // namespace ServerProbe

} // namespace korva5
