// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/Settings.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <functional>

// The one line under the transfer log that tells at a glance how delivery stands:
// "Last: 20261207.12 08:30:04 (1.2 MB) · Next: 12:00 · Waiting: 0", in the language in use.
namespace StatusLine {

struct Facts
{
    QString lastFile;    // the name on the server of the last file delivered; empty: none yet
    QDateTime lastTime;  // when it went out
    qint64 lastBytes = -1;
    QDateTime next;      // the next scheduled upload; null: no time is set
    int waiting = 0;     // uploads under way or waiting, and files owed
};

// text gives the language text of a key (StatusLast, StatusNext, StatusWaiting, StatusNone).
QString text(const Facts &facts, const QDateTime &now, const std::function<QString(const QString &)> &languageText);

// The next minute after now at which a configured time comes; null when none is set.
QDateTime nextScheduled(const QDateTime &now, const std::array<QString, Settings::TimeSlots> &times);

} // namespace StatusLine
