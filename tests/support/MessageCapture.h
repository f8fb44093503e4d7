// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <QtGlobal>

namespace korva5 {

namespace TestSupport {

// Collects every diagnostic line ("category message") written while it lives, instead of
// printing it. One at a time.
class MessageCapture
{
public:
    MessageCapture() : m_previous(qInstallMessageHandler(&MessageCapture::collect)) { lines().clear(); }
    ~MessageCapture() { qInstallMessageHandler(m_previous); }
    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    static QStringList &lines()
    {
        static QStringList collected;
        return collected;
    }
    QString text() const { return lines().join(u'\n'); }

private:
    static void collect(QtMsgType, const QMessageLogContext &context, const QString &message)
    {
        lines() << QString::fromLatin1(context.category) + u' ' + message;
    }

    QtMessageHandler m_previous;
};

} // namespace TestSupport

} // namespace korva5
