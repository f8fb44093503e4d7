// SPDX-License-Identifier: MIT
// After the upload: the file takes its final name (the earlier copy stepping aside where the
// server will not rename onto it), a leftover temporary file goes, a test file is deleted.
#include "core/diagnostics/ShownText.h"
#include "core/transfer/Transfer.h"

#include <QDateTime>
#include <QStringList>

namespace korva5 {

namespace FtpDetail {

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
// a refused command closed it). The request fetches nothing; it names the file's folder (see
// aimAtFolder) or the file, so the postquote commands run in that folder, as the upload did.
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
    // The commands run in the file's folder, where the upload left the connection. A request for
    // the file itself would first ask the server about it (SIZE and REST over FTP, each a round
    // trip more), and its size is known already.
    aimAtFolder(c);
    // Over FTP the RNTO reply is what counts: a connection lost right after it does not undo it.
    auto renamed = [&](const QByteArray &source, const QByteArray &target) {
        return redo(c, ftp ? commandList({"RNFR " + source, "RNTO " + target}) : commandList({"rename " + source + ' ' + target}),
                    errorBuffer)
            || (ftp && m_replies.renameToReply() >= 200 && m_replies.renameToReply() < 300);
    };
    // Ours alone, once set aside: its failure changes nothing.
    auto removeAside = [&](const QByteArray &path) { redo(c, commandList({(ftp ? "*DELE " : "*rm ") + path}), errorBuffer); };
    // One left by an earlier try goes only while the final name holds a file: where it does not,
    // the one left aside may be the only earlier copy there is. (sftp cannot ask: see below.)
    auto removeStaleAside = [&] {
        if (ftp)
            redo(c, commandList({"SIZE " + to, "*DELE " + aside}), errorBuffer);
    };
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
    removeStaleAside();
    // Refused when there is no earlier copy (the first refusal was then about something else) or
    // by the same rule that refused the first rename: the server stays as it was.
    QString setAsideName = asideName;
    QByteArray setAside = aside;
    bool movedOnce = renamed(to, aside);
    // Over sftp also when an earlier try stopped between these renames and left its copy aside:
    // the server will not rename onto that one either, and sftp cannot ask whether the final name
    // holds a file before it goes. A name of this try's own is free; once the earlier copy has
    // moved there, the final name did hold one, and the copy left over is older still.
    const bool staleAside = !movedOnce && !ftp;
    if (staleAside) {
        setAsideName = asideName + u'.' + QString::number(QDateTime::currentMSecsSinceEpoch());
        setAside = quotedPath(m_request.remotePath.chopped(m_fileName.size()) + setAsideName);
        movedOnce = renamed(to, setAside);
    }
    if (!movedOnce) {
        m_mustFinish = false;
        return failed(why + QStringLiteral("; setting the earlier copy aside as %1: %2").arg(shownText(asideName), refusal()));
    }
    if (renamed(from, to)) {
        m_mustFinish = false;
        removeAside(setAside);
        if (staleAside)
            removeAside(aside); // the final name holds the new file now
        return {};
    }
    why += QStringLiteral("; with the earlier copy aside: ") + refusal();
    if (renamed(setAside, to))
        why += QStringLiteral("; the earlier copy was kept under the final name");
    else
        why += QStringLiteral("; putting the earlier copy back: %1; the earlier copy was kept as %2").arg(refusal(), shownText(setAsideName));
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

} // namespace FtpDetail

} // namespace korva5
