// SPDX-License-Identifier: MIT
#pragma once

#include "core/journal/Journal.h"
#include "core/settings/Settings.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

#include <optional>

// What --status and --history print: plain text built from the settings and the journal's rows
// alone, so it can be asked from outside while the program runs and agrees with what the
// running program will do (the same ledger decides what is owed).
namespace StatusReport {

// The exit statuses a monitor reads, in the usual order of severity.
enum Status : int {
    NothingOwed = 0,   // every upload that was due went out (or nothing was due)
    Owed = 1,          // a retry is pending, or an upload the program still catches up on
    FailedForGood = 2, // an upload failed and nothing will send it again on its own
    Unknown = 3,       // the journal is there but cannot be read
};

struct Report
{
    QStringList lines;
    int status = NothingOwed;
};

// Hours after its time within which an upload that never went out is still sent by the
// program's catch-up at its next start (when it has a journal to catch up from).
constexpr int CatchUpHours = 24;

// The last outcome of every configured time for today and yesterday, as of now (local time).
// rows: the journal's rows of at least the last 48 hours; nothing when there is no journal.
Report status(const Settings &settings, const std::optional<QList<UploadRecord>> &rows, const QDateTime &now);

// One line per row, newest first.
QStringList history(QList<UploadRecord> rows);

} // namespace StatusReport
