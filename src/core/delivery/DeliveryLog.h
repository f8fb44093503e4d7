// SPDX-License-Identifier: MIT
#pragma once

#include "core/delivery/Ledger.h"

#include <QObject>
#include <QString>

#include <functional>

namespace korva5 {

class Delivery;
class TransferLog;

// Words what the delivery decides, in the transfer log and on standard error: a file given up,
// the uploads owed from before a start, the files sent again because the journal cannot tell
// what was delivered. The delivery only says what happened (its signals).
class DeliveryLog : public QObject
{
    Q_OBJECT

public:
    // The text of a key of Language.txt in the language in use.
    using Text = std::function<QString(const QString &key)>;

    DeliveryLog(TransferLog &log, Text text, QObject *parent = nullptr);

    // From now on, words what delivery says. Whoever listens to the delivery too and should be
    // heard first (the notification of a file given up comes before its log line) connects first.
    void follow(const Delivery &delivery);

private:
    void gaveUp(const Ledger::Owed &owed);

    TransferLog &m_log;
    Text m_text;
};

} // namespace korva5
