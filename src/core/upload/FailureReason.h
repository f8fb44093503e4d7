// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// A failure's reason in a few words, for the line under "Error!" and the tray's notification:
// the server's refusal ("530 Login incorrect."), "no such file /srv/records/20261207.txt",
// "connection refused", "timed out after 30 s". The whole reason still goes to standard error
// and the journal.
QString shortReason(const QString &reason);
