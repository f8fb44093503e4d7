// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QTimeZone>

namespace korva5 {

// When a set time of day comes on a given day by the workstation's clock. Everything that turns
// an upload time into a moment (the schedule check, the catch-up, the retries' 24 hours,
// --status, the status line's "Next", the office's check) asks here, so all of them agree on the
// days the clocks change:
// - a time the clocks skip (03:30 on a day they go from 03:00 to 04:00) comes at the first minute
//   after the skip (04:00): later than set, never earlier, and on that day still;
// - a time the clocks show twice (03:30 on a day they go back from 04:00 to 03:00) comes the
//   first time it is shown: it is sent once, and the hour repeated sends it no second time.
namespace DueTime {

// The moment time (its minute) comes on day; null when either is null.
QDateTime on(QDate day, QTime time);
// The same by the clock of another zone: the office's check of a station in its own zone.
QDateTime on(QDate day, QTime time, const QTimeZone &zone);

// The start of the minute at is in: the same pass of the clock, its seconds taken off.
QDateTime minuteOf(const QDateTime &at);

} // namespace DueTime

} // namespace korva5
