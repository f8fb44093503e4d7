// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/Settings.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace korva5 {

// The one line under the transfer log that tells at a glance how delivery stands:
// "Last: 20261207.12 08:30:04 (1.2 MB) · Next: 12:00 · Waiting: 0", in the language in use, and
// what is wrong after it: the files owed with their next try, a manual upload that failed.
namespace StatusLine {

struct Facts
{
    QString lastFile;    // the name on the server of the last file delivered; empty: none yet
    QDateTime lastTime;  // when it went out
    qint64 lastBytes = -1;
    QDateTime next;      // the next scheduled upload or retry, whichever comes first; null: none
    int waiting = 0;     // files under way or waiting their turn
    int owed = 0;        // files that failed and have not reached the server since
    QDateTime nextTry;   // the first retry of those; null: none is tried again
    QString failedByHand;       // the name of a file a manual upload failed to send ...
    QString failedByHandReason; // ... and why, in a few words
    bool notConfigured = false; // no server or no station number is set
};

// text gives the language text of a key.
QString text(const Facts &facts, const QDateTime &now, const std::function<QString(const QString &)> &languageText);

// The next minute after now at which a configured time comes; null when none is set.
QDateTime nextScheduled(const QDateTime &now, const std::array<QString, Settings::TimeSlots> &times);

// The keys text() uses, for the checks that every one has a text.
QStringList keys();

} // namespace StatusLine

} // namespace korva5
