// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/check/FleetSettings.h"
#include "fleet/check/HeartbeatReading.h"
#include "fleet/check/ServerFiles.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <optional>

namespace korva5::fleet {

// What a station's file of one day and its heartbeat say, judged at one moment. Severities are
// those of a monitoring plugin (0 OK, 1 WARNING, 2 CRITICAL).

// When the file of a day is owed. A station sends a day's file first at the earliest of its
// times (times 9 and 10 send it on the day after) and last at the latest: the file must be on
// the server by the first plus the grace period, and a file modified after the last plus the
// grace period came late (a retry, a catch-up, a file sent by hand). The times are those of the
// station's own clock, in its zone.
struct DeliveryWindow
{
    QDateTime dueBy;
    QDateTime lateAfter;
    QDateTime first; // the earliest time itself
    QDateTime last;  // the latest
    QTimeZone zone;  // the station's, in which its times are shown
};
// Nothing when no time is set.
std::optional<DeliveryWindow> deliveryWindow(QDate day, const std::array<std::optional<QTime>, 10> &times, int graceMinutes,
                                             const QTimeZone &zone = QTimeZone::systemTimeZone());

enum class FileState {
    Arrived,   // on the server, not empty, by its last time (plus grace)
    Late,      // on the server, modified after its last time plus grace
    Empty,     // on the server with 0 bytes
    Missing,   // not on the server under its name after its first time plus grace
    NotYetDue, // not there, and its first time plus grace has not come
};
QString fileStateName(FileState state); // "arrived", "late", "empty", "missing", "not-yet-due"

struct DayVerdict
{
    QDate day;
    QString name; // the file's name on the server
    FileState state = FileState::Missing;
    int severity = 0;
    bool partial = false;  // missing, but a temporary or set-aside copy of it is there
    bool leftover = false; // there, with a temporary copy beside it that is no longer written
    bool underWay = false; // a temporary copy of it is being written to
    StationDayFiles files;
    DeliveryWindow window; // the day's, by the station's clock
    int graceMinutes = 0;
    QString text; // in English (VerdictWords): "arrived 08:31, 48211 bytes", "missing (due by 08:45)"
};

DayVerdict judgeDay(const QString &station, QDate day, const StationDayFiles &files, const DeliveryWindow &window,
                    int graceMinutes, const QDateTime &now);

enum class HeartbeatState {
    NotChecked, // no status folder is set, or the day asked is not today
    None,       // the station leaves none (a program too old to write one, or not set up to)
    Fresh,
    Stale,      // older than the stale limit: the station's program may have stopped
    Unreadable, // there, but it could not be fetched, or is not a heartbeat (broken JSON ...)
    Newer,      // written by a newer program, in a layout this check does not know
    ClockAhead, // written ahead of this computer's clock: its age cannot be told until that time
    NoZone,     // written without an offset by a station whose zone is not known: nor is its age
};
QString heartbeatStateName(HeartbeatState state); // "not-checked", "none", "fresh", ...

struct HeartbeatVerdict
{
    HeartbeatState state = HeartbeatState::NotChecked;
    int severity = 0;
    qint64 ageSeconds = -1;     // -1: not known (or not to be trusted)
    qint64 aheadSeconds = 0;    // ClockAhead: how far ahead of our clock it was written
    QDateTime writtenAt;        // when it was written; invalid when that is not known
    HeartbeatReading heartbeat; // what it said, when read
    bool owing = false;         // it reports something owed or a state other than OK
    QString fetchError;         // the server's words on why it could not be fetched
    QString text;               // in English (VerdictWords)
};

// What fetching a station's heartbeat gave.
struct HeartbeatFile
{
    bool listed = false; // the status folder holds it
    QByteArray bytes;
    QString fetchError;  // why its bytes could not be fetched; empty when they were
};

// stationZone: the zone the settings name for the station (invalid when they name none), which
// a time the heartbeat gives without an offset is read in; else in the zone the heartbeat names.
HeartbeatVerdict judgeHeartbeat(const QString &station, const HeartbeatFile &file, int staleMinutes, const QDateTime &now,
                                const QTimeZone &stationZone = {});

// A heartbeat written more than this far ahead of our clock says more about the clocks than the
// station: a clock a little ahead is usual, and a heartbeat of it is read as just written.
constexpr qint64 ClockSlackSeconds = 300;

// "3 h 5 min", "12 min", "40 s": an age as people say it.
QString ageText(qint64 seconds);
// "08:31", or "2026-12-08 00:31" when not on day: a time as the clock of zone shows it.
QString timeText(const QDateTime &at, QDate day, const QTimeZone &zone = QTimeZone::systemTimeZone());

// A station's words as a line of text or the page shows them: control characters escaped, and
// cut to a few hundred characters, saying how many more there are (JSON has them whole).
QString shortText(const QString &text);

} // namespace korva5::fleet
