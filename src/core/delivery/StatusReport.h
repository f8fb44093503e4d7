// SPDX-License-Identifier: MIT
#pragma once

#include "core/journal/Journal.h"
#include "core/settings/Settings.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QStringList>

#include <optional>

namespace korva5 {

// What --status and --history say: built from the settings and the journal alone, so it can be
// asked from outside while the program runs, and judged by the same ledger the running program
// keeps, so the two never disagree. The form is the one monitoring plugins use: a first line
// with the state, the station and a summary whose counts match the lines below it, performance
// data after "|", and an exit status a monitor reads.
namespace StatusReport {

// The exit statuses of a monitoring plugin.
enum Status : int {
    Ok = 0,
    Warning = 1,  // owed and still sent by the program, or the program seems not to run
    Critical = 2, // not on the server, and nothing will send it on its own
    Unknown = 3,  // it cannot tell (no settings, a journal that cannot be read)
};

QString statusName(int status);

// What a configured time of today or yesterday owes, as of now.
enum class TimeState {
    NotYetDue,   // its minute has not come
    DueNow,      // its minute has just come: the program asks for it within the minute
    Sent,        // its file reached the server at or after its minute, by whatever upload
    UnderWay,    // asked for, and not ended yet
    Owed,        // failed, and the program tries again (retry, or the upload cut off)
    NotRecorded, // nothing asked for it: the program did not run at its minute; its catch-up sends it
    Missed,      // nothing asked for it, and too late for any catch-up
    GivenUp,     // retried for 24 hours in vain
    Failed,      // only an upload the program does not retry (manual, yesterday) tried it
    NotOwed,     // the time passed before the program first ran, or before it was set
};

QString stateName(TimeState state); // "not-yet-due", "sent", ... as the JSON form names them
int severity(TimeState state);      // the Status a time in that state gives the station

struct TimeLine
{
    bool today = true;
    int slot = -1;
    QDateTime due;
    QString remotePath;
    TimeState state = TimeState::NotYetDue;
    QDateTime at;        // sent: when it ended; under way: when asked; owed, failed: the last failure
    qint64 bytes = -1;   // sent
    QDateTime nextTry;   // owed
    FailureKind reasonKind = FailureKind::None;
    QString reason;      // the whole reason of the last failure
    QString text;        // the line's words after the file
};

// What the journal says: its rows of the last two days at least (nothing: there is no journal)
// and the last minute the program examined.
struct JournalFacts
{
    std::optional<QList<UploadRecord>> rows;
    std::optional<QDateTime> lastExamined;
};

struct Report
{
    int status = Ok;
    QString station;
    QString summary;    // the first line's words after the state and the station
    QList<TimeLine> times;
    std::optional<UploadRecord> lastDelivery; // the newest upload that went through
    qint64 lastDeliveryAge = -1;              // its age in seconds at now; -1: none known
    int owed = 0;
    int givenUp = 0; // given up, missed, or failed without a retry
    int underWay = 0;
    QDateTime checkedAt;

    // The plugin form: the first line with performance data, then one line per time.
    QStringList lines() const;
    // The same facts as one object.
    QJsonObject json() const;
};

// Minutes an upload that has not ended counts as under way; after that it is taken for one the
// program's end cut off (transfers give up long before).
constexpr int UnderWayMinutes = 30;
// A time's minute is examined by the running program within this many seconds of its coming.
constexpr int DueNowSeconds = 120;

Report status(const Settings &settings, const JournalFacts &journal, const QDateTime &now);

// One line per row, newest first.
QStringList history(QList<UploadRecord> rows);
// The failed rows among rows whose file is still owed (retried, or given up and not delivered
// since), as the ledger sees it at now.
QList<UploadRecord> stillOwedFailures(const QList<UploadRecord> &rows, const Settings &settings, const QDateTime &now);

} // namespace StatusReport

} // namespace korva5
