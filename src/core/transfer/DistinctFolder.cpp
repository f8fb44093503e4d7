// SPDX-License-Identifier: MIT
// After the upload, before the rename: the file must not have landed in a folder it is kept out
// of, which the server may reach by another path than the one it was sent to.
#include "core/diagnostics/ShownText.h"
#include "core/transfer/Transfer.h"

namespace korva5 {

namespace FtpDetail {

namespace {

// What a look at the other folder brings back: at most one byte more than was sent, which is
// enough to tell it is another file.
struct Seen
{
    QByteArray bytes;
    qint64 most = 0;

    static size_t take(char *data, size_t size, size_t count, void *self)
    {
        auto *seen = static_cast<Seen *>(self);
        const qint64 bytes = qint64(size * count);
        if (seen->bytes.size() + bytes > seen->most + 1)
            return 0; // larger than the file sent: not it
        seen->bytes.append(data, bytes);
        return size * count;
    }
};

size_t discard(char *, size_t size, size_t count, void *)
{
    return size * count;
}

} // namespace

// Names and paths say nothing of what the server makes of them: "/home/station/" may be the
// login folder, and a link on the server may lead one folder into another. The server itself
// tells: the name the file was sent as is fetched from the other folder, and the very bytes sent
// come back only when it is the same folder. (A file there under that name by chance holds other
// bytes: each status file says when it was written.) No failure when it is not, else why.
TransferFailure Transfer::checkDistinctFolder(CURL *c, char *errorBuffer)
{
    if (!m_request.distinctFolder || m_size <= 0 || m_abort.load())
        return {};
    QString folder = *m_request.distinctFolder;
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    Seen seen;
    seen.most = m_size;
    const QByteArray url = m_target.url(folder + m_sentName);
    m_replies.clearAfterUpload();
    errorBuffer[0] = '\0';
    set<CURLOPT_URL>(c, url.constData());
    set<CURLOPT_UPLOAD>(c, 0L);
    set<CURLOPT_NOBODY>(c, 0L);
    set<CURLOPT_POSTQUOTE>(c, nullptr);
    set<CURLOPT_FRESH_CONNECT>(c, 0L);
    set<CURLOPT_FORBID_REUSE>(c, 0L);
    set<CURLOPT_WRITEFUNCTION>(c, &Seen::take);
    set<CURLOPT_WRITEDATA>(c, &seen);
    const CURLcode code = curl_easy_perform(c);
    set<CURLOPT_WRITEFUNCTION>(c, &discard);
    set<CURLOPT_WRITEDATA>(c, nullptr);
    // Whatever follows (the rename, a delete) goes to the file sent, in the folder it was sent to.
    set<CURLOPT_URL>(c, m_url.constData());
    // Not there, not readable, another file, or no answer: it is not the same folder, as far as
    // anyone can tell.
    if (code != CURLE_OK || seen.bytes.size() != m_size || !m_file.seek(0) || m_file.read(m_size) != seen.bytes)
        return {};
    // The file sent is where it must not be: it goes at once (with a temporary name, the run
    // removes it as it removes any that is not confirmed).
    if (!m_request.temporaryName)
        removeTemporary(c, errorBuffer);
    const QString other = folder.isEmpty() ? QStringLiteral("the login folder") : shownText(folder);
    return {QStringLiteral("%1 is %2 on the server: the file sent as %3 is there too, with the same bytes (one folder "
                           "spelt two ways, or a link on the server); it was deleted again")
                .arg(shownText(m_request.remotePath.chopped(m_fileName.size())), other, shownText(m_sentPath)),
            {FailureKind::Other, other, 0, {}, {}}};
}

} // namespace FtpDetail

} // namespace korva5
