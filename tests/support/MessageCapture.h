// SPDX-License-Identifier: MIT
#pragma once

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

namespace korva5 {

namespace TestSupport {

// Collects every diagnostic line ("category message") written while it lives, instead of
// printing it. One at a time. A transfer's thread may still write while the next capture
// begins: the lines are kept under a lock.
class MessageCapture
{
public:
    MessageCapture() : m_previous(qInstallMessageHandler(&MessageCapture::collect))
    {
        const QMutexLocker lock(&mutex());
        collected().clear();
    }
    ~MessageCapture() { qInstallMessageHandler(m_previous); }
    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    // The lines collected so far.
    static QStringList lines()
    {
        const QMutexLocker lock(&mutex());
        return collected();
    }
    QString text() const { return lines().join(u'\n'); }

private:
    static QMutex &mutex()
    {
        static QMutex lock;
        return lock;
    }
    static QStringList &collected()
    {
        static QStringList kept;
        return kept;
    }
    static void collect(QtMsgType, const QMessageLogContext &context, const QString &message)
    {
        const QString line = QString::fromLatin1(context.category) + u' ' + message;
        const QMutexLocker lock(&mutex());
        collected() << line;
    }

    QtMessageHandler m_previous;
};

} // namespace TestSupport

} // namespace korva5
