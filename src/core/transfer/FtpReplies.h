// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace korva5 {

// The server's replies, matched to the commands they answer. Fed the commands as they go out
// and the reply lines as they come in (both as libcurl hands them over); keeps what the verdict
// and the rename need to know. No connection, no I/O: it only reads lines.
class FtpReplies
{
public:
    // The commands whose answers matter. Login covers USER and PASS, Folder CWD.
    enum class Command { Other, Login, Folder, StoreStart, StoreEnd, Size, RenameFrom, RenameTo, Delete, Quit };

    // One reply line. A reply of several lines ends with the line "NNN text"; every line before
    // it ("NNN-text" or any other text) is a continuation and carries no verdict.
    struct Line
    {
        int code = 0;       // 100..599, or 0 for a continuation line without a code
        bool final = false; // the last line of its reply
        static Line parse(QByteArrayView line);
    };

    // What one reply line meant for the transfer's moments.
    struct Seen
    {
        int code = 0;              // the final reply's code; 0 for a continuation line
        Command answered = Command::Other;
        bool storeConfirmed = false; // 226/250 at the end of the data transfer
    };

    void commandSent(QByteArrayView line);
    Seen replyReceived(QByteArrayView line);
    // Forgets the answers to the commands after the upload (rename, delete), before sending new ones.
    void clearAfterUpload();

    int storeReply() const { return m_storeReply; }  // the final reply that ended STOR, or refused it
    bool awaitingStoreEnd() const { return m_awaiting == Command::StoreEnd; }
    int sizeReply() const { return m_sizeReply; }    // to the SIZE after the upload
    std::optional<qint64> serverSize() const { return m_serverSize; }
    int renameFromReply() const { return m_renameFromReply; }
    int renameToReply() const { return m_renameToReply; }
    int deleteReply() const { return m_deleteReply; }
    QByteArray lastReply() const { return m_lastReply; } // the last line, trimmed
    // The last reply of 400 or more to a command other than QUIT: the server's refusal, kept
    // because curl's QUIT follows and would take the last reply's place.
    Command refusedCommand() const { return m_refusedCommand; }
    int refusedCode() const { return m_refusedCode; }
    QByteArray refusal() const { return m_refusal; }
    // The server's words when it refused RNFR, RNTO or DELE.
    QByteArray renameRefusal() const { return m_renameRefusal; }

private:
    Command m_awaiting = Command::Other;
    bool m_storeStarted = false;
    int m_storeReply = 0;
    int m_sizeReply = 0;
    int m_renameFromReply = 0;
    int m_renameToReply = 0;
    int m_deleteReply = 0;
    std::optional<qint64> m_serverSize;
    QByteArray m_lastReply;
    Command m_refusedCommand = Command::Other;
    int m_refusedCode = 0;
    QByteArray m_refusal;
    QByteArray m_renameRefusal;
};

} // namespace korva5
