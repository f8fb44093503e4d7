// SPDX-License-Identifier: MIT
// What the server says of names asked for one by one: the listing of a server that gives names
// alone, and the confirmation of names from a listing whose lines a name could forge.
#include "fleet/remote/FleetSession.h"

#include "core/transfer/CurlLibrary.h"

#include <QTimeZone>

#include <algorithm>

namespace korva5::fleet {

namespace {

struct CurlListFree
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

// "YYYYMMDDHHMMSS[.sss]" of an MDTM reply, always UTC.
QDateTime mdtmTime(QByteArrayView text)
{
    if (text.size() < 14)
        return {};
    const QDateTime at = QDateTime::fromString(QString::fromLatin1(text.first(14)), u"yyyyMMddHHmmss");
    return at.isValid() ? QDateTime(at.date(), at.time(), QTimeZone::utc()) : QDateTime();
}

} // namespace

bool FleetSession::facts(const QString &folder, const QList<QByteArray> &names, const TimeWanted &timeWanted,
                         QHash<QByteArray, Facts> *facts, QString *why)
{
    resetRequest();
    if (names.isEmpty())
        return true;
    return m_target.protocol == FtpTarget::Protocol::Sftp ? sftpFacts(folder, names, facts, why)
                                                          : ftpFacts(folder, names, timeWanted, facts, why);
}

bool FleetSession::ftpFacts(const QString &folder, const QList<QByteArray> &names, const TimeWanted &timeWanted,
                            QHash<QByteArray, Facts> *facts, QString *why)
{
    // A name reaches a command line: one with a control character would add a command of its own.
    QList<QByteArray> asked;
    for (const QByteArray &name : names) {
        if (std::none_of(name.cbegin(), name.cend(), [](char b) { return uchar(b) < 0x20 || uchar(b) == 0x7f; }))
            asked << name;
    }
    QList<QByteArray> timed;
    for (const QByteArray &name : asked) {
        if (m_sizeUnknown || timeWanted(name))
            timed << name;
    }
    if (!askFacts(folder, asked, timed, facts, why))
        return false;
    // A server that says it has SIZE and then answers it with neither the size nor "no such
    // file" (502, 451) still has MDTM to tell: a name it would not confirm is never taken on
    // the listing's word alone.
    QList<QByteArray> unsaid;
    for (const QByteArray &name : asked) {
        if (facts->value(name).found == Facts::Found::Unknown && !timed.contains(name))
            unsaid << name;
    }
    return unsaid.isEmpty() || askFacts(folder, {}, unsaid, facts, why);
}

bool FleetSession::askFacts(const QString &folder, const QList<QByteArray> &sized, const QList<QByteArray> &timed,
                            QHash<QByteArray, Facts> *facts, QString *why)
{
    resetRequest();
    CURL *c = m_curl.get();
    // Sizes in binary mode: a server may refuse SIZE in ASCII mode, or count line ends its way.
    CurlList quote(curl_slist_append(nullptr, "*TYPE I"));
    for (const QByteArray &name : sized)
        curl_slist_append(quote.get(), QByteArray("*SIZE " + name).constData());
    for (const QByteArray &name : timed)
        curl_slist_append(quote.get(), QByteArray("*MDTM " + name).constData());
    setCurlOption<CURLOPT_URL>(c, folderUrl(folder).constData());
    setCurlOption<CURLOPT_NOBODY>(c, 1L);
    setCurlOption<CURLOPT_QUOTE>(c, quote.get());
    const bool performed = perform(why);
    setCurlOption<CURLOPT_QUOTE>(c, nullptr);
    if (!performed)
        return false;
    // 213 to either says the file is there; 550 says it is not (a folder, or nothing of that
    // name), unless the other says it is. A server without either says nothing.
    for (const Exchange &exchange : std::as_const(m_exchanges)) {
        const bool size = exchange.command.startsWith("SIZE ");
        if ((!size && !exchange.command.startsWith("MDTM ")) || exchange.lines.isEmpty())
            continue;
        Facts &known = (*facts)[exchange.command.mid(5)];
        if (exchange.code == 213) {
            known.found = Facts::Found::Yes;
            const QByteArray value = exchange.lines.back().mid(4).trimmed();
            if (size) {
                bool ok = false;
                const qint64 bytes = value.toLongLong(&ok);
                if (ok)
                    known.size = bytes;
            } else {
                known.modified = mdtmTime(value);
            }
        } else if (exchange.code == 550 && known.found == Facts::Found::Unknown) {
            known.found = Facts::Found::No;
        }
    }
    return true;
}

bool FleetSession::sftpFacts(const QString &folder, const QList<QByteArray> &names, QHash<QByteArray, Facts> *facts, QString *why)
{
    // sftp has no command that asks for a name without a request of its own: one each, for the
    // file's attributes alone (the size and time; nothing is read).
    CURL *c = m_curl.get();
    for (const QByteArray &name : names) {
        resetRequest();
        setCurlOption<CURLOPT_URL>(c, m_target.url(asFolderPath(folder) + QString::fromUtf8(name)).constData());
        setCurlOption<CURLOPT_NOBODY>(c, 1L);
        setCurlOption<CURLOPT_FILETIME>(c, 1L);
        const bool asked = perform(why);
        setCurlOption<CURLOPT_FILETIME>(c, 0L);
        Facts &known = (*facts)[name];
        if (asked) {
            known.found = Facts::Found::Yes;
            curl_off_t bytes = -1;
            if (curl_easy_getinfo(c, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &bytes) == CURLE_OK && bytes >= 0)
                known.size = qint64(bytes);
            long seconds = -1;
            if (curl_easy_getinfo(c, CURLINFO_FILETIME, &seconds) == CURLE_OK && seconds >= 0)
                known.modified = QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc());
        } else if (m_lastCode == CURLE_REMOTE_FILE_NOT_FOUND) {
            known.found = Facts::Found::No;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace korva5::fleet
