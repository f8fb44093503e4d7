// SPDX-License-Identifier: MIT
// Everything refused before a connection is made: the request's names and the local file, with
// the rule for symbolic links.
#include "core/diagnostics/ShownText.h"
#include "core/transfer/Transfer.h"

#include <QFileInfo>

namespace korva5 {

namespace FtpDetail {

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
        if (hasControlCharacter(*text)) {
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

} // namespace FtpDetail

} // namespace korva5
