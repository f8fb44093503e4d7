// SPDX-License-Identifier: MIT
// The options one upload runs with.
#include "core/transfer/ConnectionOptions.h"
#include "core/transfer/Transfer.h"

namespace korva5 {

namespace FtpDetail {

void Transfer::setOptions(CURL *c)
{
    m_url = m_target.url(m_sentPath);
    m_user = m_request.userName.toUtf8();
    m_password = m_request.password.toUtf8();

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
    }
    // TLS or the host key, and the timeouts: as every connection of the program has them.
    if (const std::optional<RefusedOption> refused = setConnectionOptions(c, m_target, m_request.caBundle, m_request.timeouts))
        noteRefusedOption(refused->option, refused->code);
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

} // namespace FtpDetail

} // namespace korva5
