// SPDX-License-Identifier: MIT
#include "fleet/check/Verdicts.h"

#include "core/clock/IsoTime.h"
#include "core/diagnostics/ShownText.h"
#include "core/schedule/DueTime.h"
#include "fleet/check/VerdictWords.h"

#include <algorithm>

namespace korva5::fleet {

namespace {

constexpr int Ok = 0;
constexpr int Warning = 1;
constexpr int Critical = 2;

// A station's words longer than this are cut in a line or the page: a heartbeat of a few hundred
// KiB must not make a line of as many.
constexpr qsizetype LongestText = 300;

} // namespace

std::optional<DeliveryWindow> deliveryWindow(QDate day, const std::array<std::optional<QTime>, 10> &times, int graceMinutes,
                                             const QTimeZone &zone)
{
    std::optional<DeliveryWindow> window;
    for (size_t slot = 0; slot < times.size(); ++slot) {
        if (!times[slot])
            continue;
        // Times 9 and 10 send the day before's file.
        const QDateTime at = DueTime::on(slot >= 8 ? day.addDays(1) : day, *times[slot], zone);
        if (!window) {
            window = DeliveryWindow{{}, {}, at, at, zone};
            continue;
        }
        window->first = std::min(window->first, at);
        window->last = std::max(window->last, at);
    }
    if (window) {
        window->dueBy = window->first.addSecs(qint64(graceMinutes) * 60);
        window->lateAfter = window->last.addSecs(qint64(graceMinutes) * 60);
    }
    return window;
}

QString fileStateName(FileState state)
{
    switch (state) {
    case FileState::Arrived:
        return QStringLiteral("arrived");
    case FileState::Late:
        return QStringLiteral("late");
    case FileState::Empty:
        return QStringLiteral("empty");
    case FileState::Missing:
        return QStringLiteral("missing");
    case FileState::NotYetDue:
        return QStringLiteral("not-yet-due");
    }
    return {};
}

QString heartbeatStateName(HeartbeatState state)
{
    switch (state) {
    case HeartbeatState::NotChecked:
        return QStringLiteral("not-checked");
    case HeartbeatState::None:
        return QStringLiteral("none");
    case HeartbeatState::Fresh:
        return QStringLiteral("fresh");
    case HeartbeatState::Stale:
        return QStringLiteral("stale");
    case HeartbeatState::Unreadable:
        return QStringLiteral("unreadable");
    case HeartbeatState::Newer:
        return QStringLiteral("newer");
    case HeartbeatState::ClockAhead:
        return QStringLiteral("clock-ahead");
    case HeartbeatState::NoZone:
        return QStringLiteral("no-zone");
    }
    return {};
}

QString ageText(qint64 seconds)
{
    return VerdictWords::english().age(seconds);
}

QString timeText(const QDateTime &at, QDate day, const QTimeZone &zone)
{
    const QDateTime local = at.toTimeZone(zone);
    return local.date() == day ? local.toString(u"HH:mm") : local.toString(u"yyyy-MM-dd HH:mm");
}

QString shortText(const QString &text)
{
    const QString shown = shownText(text);
    if (shown.size() <= LongestText)
        return shown;
    return shown.left(LongestText) + QStringLiteral("... (%1 characters more)").arg(shown.size() - LongestText);
}

DayVerdict judgeDay(const QString &station, QDate day, const StationDayFiles &files, const DeliveryWindow &window,
                    int graceMinutes, const QDateTime &now)
{
    DayVerdict verdict;
    verdict.day = day;
    verdict.name = day.toString(u"yyyyMMdd") + u'.' + station;
    verdict.files = files;
    verdict.window = window;
    verdict.graceMinutes = graceMinutes;
    // A temporary file written to within the grace period is an upload under way, not one left
    // behind by a transfer that broke off.
    const ListedFile &temporary = files.temporary;
    verdict.underWay = temporary.present && temporary.modified.isValid()
        && temporary.modified.secsTo(now) < qint64(graceMinutes) * 60;
    const ListedFile &records = files.records;
    if (records.present) {
        if (records.size == 0) {
            verdict.state = FileState::Empty;
            verdict.severity = Warning;
        } else if (records.modified.isValid() && records.modified > window.lateAfter) {
            verdict.state = FileState::Late;
            verdict.severity = Warning;
        } else {
            verdict.state = FileState::Arrived;
        }
        if (!verdict.underWay && temporary.present) {
            // The copy on the server is whole, but the station's last try of it broke off.
            verdict.leftover = true;
            verdict.severity = std::max(verdict.severity, Warning);
        }
    } else if (now < window.dueBy) {
        verdict.state = FileState::NotYetDue;
    } else {
        verdict.state = FileState::Missing;
        // Late, but coming: a warning until the upload has had its grace period.
        verdict.severity = verdict.underWay ? Warning : Critical;
        verdict.partial = temporary.present || files.aside.present;
    }
    verdict.text = VerdictWords::english().day(verdict);
    return verdict;
}

HeartbeatVerdict judgeHeartbeat(const QString &station, const HeartbeatFile &file, int staleMinutes, const QDateTime &now,
                                const QTimeZone &stationZone)
{
    HeartbeatVerdict verdict;
    // Its English words, once the facts are in.
    const auto worded = [&verdict] {
        verdict.text = VerdictWords::english().heartbeat(verdict);
        return verdict;
    };
    if (!file.listed) {
        verdict.state = HeartbeatState::None;
        return worded();
    }
    if (!file.fetchError.isEmpty()) {
        verdict.state = HeartbeatState::Unreadable;
        verdict.severity = Warning;
        verdict.fetchError = file.fetchError;
        return worded();
    }
    verdict.heartbeat = HeartbeatReading::parse(file.bytes);
    const HeartbeatReading &heartbeat = verdict.heartbeat;
    switch (heartbeat.reading) {
    case HeartbeatReading::Reading::Broken:
        verdict.state = HeartbeatState::Unreadable;
        verdict.severity = Warning;
        return worded();
    case HeartbeatReading::Reading::Newer:
        verdict.state = HeartbeatState::Newer;
        verdict.severity = Warning;
        return worded();
    case HeartbeatReading::Reading::Read:
        break;
    }
    if (heartbeat.station != station) {
        // Two stations sharing one number, or a file copied by hand: nothing in it can be trusted
        // to be this station's.
        verdict.state = HeartbeatState::Unreadable;
        verdict.severity = Warning;
        return worded();
    }
    // A time written without an offset is of the station's clock: read in its zone where the
    // settings or the heartbeat name it; otherwise nobody knows which moment it means.
    QDateTime writtenAt = heartbeat.writtenAt;
    if (!heartbeat.writtenAtHasOffset) {
        const QTimeZone zone = stationZone.isValid() ? stationZone : heartbeat.zone();
        writtenAt = zone.isValid() ? IsoTime::inZone(heartbeat.writtenAt, zone) : QDateTime();
    }
    verdict.writtenAt = writtenAt;
    const qint64 age = writtenAt.isValid() ? writtenAt.secsTo(now) : 0;
    if (!writtenAt.isValid()) {
        verdict.state = HeartbeatState::NoZone;
        verdict.severity = Warning;
    } else if (age < -ClockSlackSeconds) {
        // Never taken for fresh: a station whose clock runs ahead and then stops would stay
        // fresh until its clock's time came. Once that time has passed it is judged by its age.
        verdict.state = HeartbeatState::ClockAhead;
        verdict.severity = Warning;
        verdict.aheadSeconds = -age;
    } else {
        verdict.ageSeconds = std::max<qint64>(0, age);
        const bool stale = age > qint64(staleMinutes) * 60;
        verdict.state = stale ? HeartbeatState::Stale : HeartbeatState::Fresh;
        verdict.severity = stale ? Warning : Ok;
    }
    verdict.owing = heartbeat.state != u"OK" || heartbeat.owed > 0 || heartbeat.givenUp > 0;
    if (verdict.owing)
        verdict.severity = std::max(verdict.severity, Warning);
    return worded();
}

} // namespace korva5::fleet
