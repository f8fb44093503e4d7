// SPDX-License-Identifier: MIT
#include "TransferLog.h"

#include "Clock.h"

#include <QListWidget>

#include <cstdio>

TransferLog::TransferLog(QListWidget *list, const Clock &clock, Mirror mirror)
    : m_list(list)
    , m_clock(clock)
    , m_mirror(mirror)
{
}

void TransferLog::insertTop(const QString &line)
{
    m_list->insertItem(0, line);
    while (m_list->count() > MaxLines)
        delete m_list->takeItem(m_list->count() - 1);

    if (m_mirror == Mirror::None)
        return;
    const QByteArray text = (m_clock.now().toString(u"yyyy-MM-dd HH:mm:ss ") + line).toUtf8();
    std::fprintf(stderr, "%s\n", text.constData());
    std::fflush(stderr);
}

void TransferLog::clear()
{
    m_list->clear();
}
