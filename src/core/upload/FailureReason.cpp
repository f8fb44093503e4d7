// SPDX-License-Identifier: MIT
#include "core/upload/FailureReason.h"

#include <QRegularExpression>

QString shortReason(const QString &reason)
{
    // The local file first: its own words name it best.
    static const QRegularExpression missingFile(QStringLiteral("^(.+) does not exist; nothing was sent$"));
    if (const auto m = missingFile.match(reason); m.hasMatch())
        return QStringLiteral("no such file %1").arg(m.captured(1));
    if (reason.contains(QStringLiteral("onnection refused")) || reason.contains(QStringLiteral("Failed to connect")))
        return QStringLiteral("connection refused");
    static const QRegularExpression stalled(QStringLiteral("too slow.*the last (\\d+) seconds"));
    if (const auto m = stalled.match(reason); m.hasMatch())
        return QStringLiteral("stalled: no data moved for %1 s").arg(m.captured(1));
    static const QRegularExpression timedOut(QStringLiteral("(timed out|timeout)"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression seconds(QStringLiteral("after (\\d+) (milli)?seconds"));
    if (timedOut.match(reason).hasMatch()) {
        if (const auto m = seconds.match(reason); m.hasMatch()) {
            const qint64 value = m.captured(1).toLongLong();
            return QStringLiteral("timed out after %1 s").arg(m.captured(2).isEmpty() ? value : (value + 999) / 1000);
        }
        return QStringLiteral("timed out");
    }
    // What the server said when it refused, if it said anything.
    static const QRegularExpression lastReply(QStringLiteral("last reply: (\\d{3}[ -].*)$"));
    if (const auto m = lastReply.match(reason); m.hasMatch() && !m.captured(1).startsWith(u'1') && !m.captured(1).startsWith(u'2'))
        return m.captured(1).trimmed();
    // Otherwise the reason without the details in brackets at its end (where it went): a
    // bracket inside the sentence ("the station number (FtpNo) ...") is part of it.
    const QString whole = reason.trimmed();
    if (whole.endsWith(u')')) {
        int depth = 0;
        for (qsizetype i = whole.size() - 1; i > 0; --i) {
            depth += whole[i] == u')' ? 1 : whole[i] == u'(' ? -1 : 0;
            if (depth == 0) {
                if (whole[i - 1] == u' ')
                    return whole.left(i - 1).trimmed();
                break;
            }
        }
    }
    return whole;
}
