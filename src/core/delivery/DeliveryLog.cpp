// SPDX-License-Identifier: MIT
#include "core/delivery/DeliveryLog.h"

#include "core/delivery/Delivery.h"
#include "core/delivery/TransferLog.h"
#include "core/transfer/FailureReason.h"
#include "core/transfer/UploadLogging.h"

namespace korva5 {

DeliveryLog::DeliveryLog(TransferLog &log, Text text, QObject *parent)
    : QObject(parent)
    , m_log(log)
    , m_text(std::move(text))
{
}

void DeliveryLog::follow(const Delivery &delivery)
{
    connect(&delivery, &Delivery::gaveUp, this, &DeliveryLog::gaveUp);
    connect(&delivery, &Delivery::owedFromBefore, this, [](int count) {
        qCInfo(lcUpload).noquote() << count << "upload(s) owed from before this start will be retried";
    });
    connect(&delivery, &Delivery::sendingAgainInDoubt, this, [](const QString &why) {
        qCWarning(lcUpload).noquote() << QStringLiteral("the journal cannot tell what was delivered (%1): the files of "
                                                        "the times of today and yesterday that have passed are sent "
                                                        "again unless known to be on the server")
                                             .arg(why);
    });
}

void DeliveryLog::gaveUp(const Ledger::Owed &owed)
{
    // The short reason, as the alarm says it; the whole one went to standard error when it failed.
    const QString why = owed.failureKind != FailureKind::None ? shortReason(owed.failureKind, owed.failureDetail, m_text)
                                                               : owed.reason;
    // One call for all three: a "%2" in a folder's name or in what the server said stays as it is.
    m_log.insertTop(m_text(QStringLiteral("LogGivenUp")).arg(owed.remotePath, QString::number(Ledger::GiveUpAfterHours), why));
}

} // namespace korva5
