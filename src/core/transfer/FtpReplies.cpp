// SPDX-License-Identifier: MIT
#include "core/transfer/FtpReplies.h"

#include <algorithm>

namespace korva5 {

FtpReplies::Line FtpReplies::Line::parse(QByteArrayView line)
{
    Line reply;
    if (line.size() < 3 || !std::all_of(line.begin(), line.begin() + 3, [](char c) { return c >= '0' && c <= '9'; }))
        return reply;
    reply.code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
    const char after = line.size() > 3 ? line[3] : ' ';
    reply.final = after == ' ' || after == '\r' || after == '\n';
    return reply;
}

void FtpReplies::commandSent(QByteArrayView line)
{
    if (line.startsWith("STOR ") || line.startsWith("APPE ")) {
        m_awaiting = Command::StoreStart;
    } else if (line.startsWith("SIZE ")) {
        // Only the SIZE that follows the upload counts; curl asks again before the rename.
        m_awaiting = m_sizeReply == 0 ? Command::Size : Command::Other;
    } else if (line.startsWith("RNFR ")) {
        m_awaiting = Command::RenameFrom;
    } else if (line.startsWith("RNTO ")) {
        m_awaiting = Command::RenameTo;
    } else if (line.startsWith("DELE ")) {
        m_awaiting = Command::Delete;
    } else if (line.startsWith("USER ") || line.startsWith("PASS ")) {
        m_awaiting = Command::Login;
    } else if (line.startsWith("CWD ")) {
        m_awaiting = Command::Folder;
    } else if (line.startsWith("QUIT")) {
        m_awaiting = Command::Quit;
    } else {
        m_awaiting = Command::Other;
    }
}

FtpReplies::Seen FtpReplies::replyReceived(QByteArrayView line)
{
    m_lastReply = line.trimmed().toByteArray();
    const Line reply = Line::parse(line);
    Seen seen;
    if (!reply.final)
        return seen; // continuation lines carry no verdict, whatever code they start with
    seen.code = reply.code;
    seen.answered = m_awaiting;
    switch (m_awaiting) {
    case Command::StoreStart:
        // 125/150: the data connection opens and the file goes out; any other reply refuses it.
        m_storeStarted = reply.code >= 100 && reply.code < 200;
        m_awaiting = m_storeStarted ? Command::StoreEnd : Command::Other;
        if (!m_storeStarted)
            m_storeReply = reply.code;
        break;
    case Command::StoreEnd:
        m_awaiting = Command::Other;
        m_storeReply = reply.code;
        seen.storeConfirmed = reply.code == 226 || reply.code == 250;
        break;
    case Command::Size:
        m_awaiting = Command::Other;
        m_sizeReply = reply.code;
        if (reply.code == 213) {
            bool ok = false;
            const qint64 size = line.sliced(4).trimmed().toLongLong(&ok);
            if (ok)
                m_serverSize = size;
        }
        break;
    case Command::RenameFrom:
    case Command::RenameTo:
    case Command::Delete:
        (m_awaiting == Command::RenameFrom ? m_renameFromReply
         : m_awaiting == Command::RenameTo ? m_renameToReply
                                           : m_deleteReply) = reply.code;
        m_awaiting = Command::Other;
        if (reply.code >= 400)
            m_renameRefusal = m_lastReply;
        break;
    case Command::Login:
    case Command::Folder:
    case Command::Quit:
    case Command::Other:
        m_awaiting = Command::Other;
        break;
    }
    if (reply.code >= 400 && seen.answered != Command::Quit) {
        m_refusedCommand = seen.answered;
        m_refusedCode = reply.code;
        m_refusal = m_lastReply;
    }
    return seen;
}

void FtpReplies::clearAfterUpload()
{
    m_renameFromReply = m_renameToReply = m_deleteReply = 0;
    m_refusedCommand = Command::Other;
    m_refusedCode = 0;
    m_refusal.clear();
    m_renameRefusal.clear();
}

} // namespace korva5
