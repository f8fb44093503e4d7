// SPDX-License-Identifier: MIT
#include "gui/upload/TransferLog.h"

#include "core/diagnostics/ShownText.h"
#include "core/upload/UploadLogging.h"

#include <QListWidget>

TransferLog::TransferLog(QListWidget *list, Mirror mirror)
    : m_list(list)
    , m_mirror(mirror)
{
}

void TransferLog::insertTop(const QString &line)
{
    const QString shown = shownText(line);
    m_list->insertItem(0, shown);
    while (m_list->count() > MaxLines)
        delete m_list->takeItem(m_list->count() - 1);
    if (m_mirror == Mirror::StandardError)
        qCInfo(lcLog).noquote() << shown;
}

void TransferLog::clear()
{
    m_list->clear();
}
