// SPDX-License-Identifier: MIT
#include "core/delivery/TransferLog.h"

#include "core/diagnostics/ShownText.h"
#include "core/transfer/UploadLogging.h"

namespace korva5 {

TransferLog::TransferLog(Mirror mirror, QObject *parent)
    : QObject(parent)
    , m_mirror(mirror)
{
}

void TransferLog::insertTop(const QString &line)
{
    insertAt(line, 0);
}

void TransferLog::insertBelowTop(const QString &line)
{
    insertAt(line, 1);
}

void TransferLog::insertAt(const QString &line, int row)
{
    const QString shown = shownText(line);
    if (m_mirror == Mirror::StandardError)
        qCInfo(lcLog).noquote() << shown;
    emit inserted(shown, row);
}

void TransferLog::clear()
{
    emit cleared();
}

} // namespace korva5
