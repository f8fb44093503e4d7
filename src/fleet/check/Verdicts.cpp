// SPDX-License-Identifier: MIT
#include "fleet/check/Verdicts.h"

#include "core/clock/IsoTime.h"
#include "core/diagnostics/ShownText.h"
#include "core/schedule/DueTime.h"

#include <algorithm>

namespace korva5::fleet {

namespace {

constexpr int Ok = 0;
constexpr int Warning = 1;
constexpr int Critical = 2;

// A station's words longer than this are cut in a line or the page: a heartbeat of a few hundred
// KiB must not make a line of as many.
constexpr qsizetype LongestText = 300;

QString bytesText(qint64 bytes)
{
    return bytes < 0 ? QStringLiteral("size not listed") : QStringLiteral("%1 bytes").arg(bytes);
}

QString copyText(const QString &name, const ListedFile &file, QDate day, const QTimeZone &zone)
{
    QString text = name + QStringLiteral(" (") + bytesText(file.size);
    if (file.modified.isValid())
        text += u", " + timeText(file.modified, day, zone);
    return text + u')';
}

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
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(std::max<qint64>(0, seconds));
    const qint64 minutes = seconds / 60;
    if (minutes < 60)
        return QStringLiteral("%1 min").arg(minutes);
    const qint64 hours = minutes / 60;
    if (hours < 48)
        return minutes % 60 ? QStringLiteral("%1 h %2 min").arg(hours).arg(minutes % 60) : QStringLiteral("%1 h").arg(hours);
    return QStringLiteral("%1 days").arg(hours / 24);
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
    const QTimeZone &zone = window.zone;
    DayVerdict verdict;
    verdict.day = day;
    verdict.name = day.toString(u"yyyyMMdd") + u'.' + station;
    verdict.files = files;
    const QString temporaryName = u'.' + verdict.name + QStringLiteral(".part");
    const QString asideName = u'.' + verdict.name + QStringLiteral(".old");
    // A temporary file written to within the grace period is an upload under way, not one left
    // behind by a transfer that broke off.
    const ListedFile &temporary = files.temporary;
    const bool underWay = temporary.present && temporary.modified.isValid()
        && temporary.modified.secsTo(now) < qint64(graceMinutes) * 60;
    const ListedFile &records = files.records;
    if (records.present) {
        if (records.size == 0) {
            verdict.state = FileState::Empty;
            verdict.severity = Warning;
            verdict.text = QStringLiteral("empty (0 bytes)");
            if (records.modified.isValid())
                verdict.text += u", " + timeText(records.modified, day, zone);
        } else if (records.modified.isValid() && records.modified > window.lateAfter) {
            verdict.state = FileState::Late;
            verdict.severity = Warning;
            verdict.text = QStringLiteral("late: %1, after %2 (last time %3 + %4 min), %5")
                               .arg(timeText(records.modified, day, zone), timeText(window.lateAfter, day, zone),
                                    timeText(window.last, day, zone))
                               .arg(graceMinutes)
                               .arg(bytesText(records.size));
        } else {
            verdict.state = FileState::Arrived;
            verdict.text = records.modified.isValid()
                ? QStringLiteral("arrived %1, %2").arg(timeText(records.modified, day, zone), bytesText(records.size))
                : QStringLiteral("arrived, %1").arg(bytesText(records.size));
        }
        if (underWay) {
            verdict.text += QStringLiteral("; a new copy is on its way");
        } else if (temporary.present) {
            // The copy on the server is whole, but the station's last try of it broke off.
            verdict.leftover = true;
            verdict.severity = std::max(verdict.severity, Warning);
            verdict.text += QStringLiteral("; left behind: ") + copyText(temporaryName, temporary, day, zone);
        }
        if (files.aside.present)
            verdict.text += QStringLiteral("; an earlier copy set aside: ") + copyText(asideName, files.aside, day, zone);
        return verdict;
    }
    if (now < window.dueBy) {
        verdict.state = FileState::NotYetDue;
        verdict.text = QStringLiteral("not yet due (due by %1)").arg(timeText(window.dueBy, day, zone));
        if (temporary.present)
            verdict.text += QStringLiteral("; on its way: ") + copyText(temporaryName, temporary, day, zone);
        return verdict;
    }
    verdict.state = FileState::Missing;
    verdict.severity = Critical;
    verdict.partial = temporary.present || files.aside.present;
    if (underWay) {
        // Late, but coming: a warning until the upload has had its grace period.
        verdict.severity = Warning;
        verdict.text = QStringLiteral("missing, on its way: ") + copyText(temporaryName, temporary, day, zone)
            + QStringLiteral(" (due by %1)").arg(timeText(window.dueBy, day, zone));
    } else if (temporary.present) {
        verdict.text = QStringLiteral("missing: only a temporary file that is no longer written, ")
            + copyText(temporaryName, temporary, day, zone) + QStringLiteral(" (due by %1)").arg(timeText(window.dueBy, day, zone));
    } else if (files.aside.present) {
        verdict.text = QStringLiteral("missing: only a copy set aside, ") + copyText(asideName, files.aside, day, zone)
            + QStringLiteral(" (due by %1)").arg(timeText(window.dueBy, day, zone));
    } else {
        verdict.text = QStringLiteral("missing (due by %1)").arg(timeText(window.dueBy, day, zone));
    }
    return verdict;
}

HeartbeatVerdict judgeHeartbeat(const QString &station, const HeartbeatFile &file, int staleMinutes, const QDateTime &now,
                                const QTimeZone &stationZone)
{
    HeartbeatVerdict verdict;
    if (!file.listed) {
        verdict.state = HeartbeatState::None;
        verdict.text = QStringLiteral("no heartbeat");
        return verdict;
    }
    if (!file.fetchError.isEmpty()) {
        verdict.state = HeartbeatState::Unreadable;
        verdict.severity = Warning;
        verdict.text = QStringLiteral("heartbeat could not be fetched: ") + file.fetchError;
        return verdict;
    }
    verdict.heartbeat = HeartbeatReading::parse(file.bytes);
    const HeartbeatReading &heartbeat = verdict.heartbeat;
    switch (heartbeat.reading) {
    case HeartbeatReading::Reading::Broken:
        verdict.state = HeartbeatState::Unreadable;
        verdict.severity = Warning;
        verdict.text = QStringLiteral("heartbeat unreadable: ") + heartbeat.problem;
        return verdict;
    case HeartbeatReading::Reading::Newer:
        verdict.state = HeartbeatState::Newer;
        verdict.severity = Warning;
        verdict.text = heartbeat.problem;
        return verdict;
    case HeartbeatReading::Reading::Read:
        break;
    }
    if (heartbeat.station != station) {
        // Two stations sharing one number, or a file copied by hand: nothing in it can be trusted
        // to be this station's.
        verdict.state = HeartbeatState::Unreadable;
        verdict.severity = Warning;
        verdict.text = QStringLiteral("heartbeat unreadable: it names station \"%1\"").arg(shownText(heartbeat.station.left(40)));
        return verdict;
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
    QStringList parts;
    if (!writtenAt.isValid()) {
        verdict.state = HeartbeatState::NoZone;
        verdict.severity = Warning;
        parts << QStringLiteral("time without zone: written %1 by a clock whose zone is not known (Zone in fleet.ini names it)")
                     .arg(heartbeat.writtenAt.toString(Qt::ISODate));
    } else if (age < -ClockSlackSeconds) {
        // Never taken for fresh: a station whose clock runs ahead and then stops would stay
        // fresh until its clock's time came. Once that time has passed it is judged by its age.
        verdict.state = HeartbeatState::ClockAhead;
        verdict.severity = Warning;
        parts << QStringLiteral("clock ahead: written %1 ahead of this computer's clock").arg(ageText(-age));
    } else {
        verdict.ageSeconds = std::max<qint64>(0, age);
        if (age > qint64(staleMinutes) * 60) {
            verdict.state = HeartbeatState::Stale;
            verdict.severity = Warning;
            parts << QStringLiteral("stale: written %1 ago").arg(ageText(age));
        } else {
            verdict.state = HeartbeatState::Fresh;
            parts << QStringLiteral("%1 ago").arg(ageText(age));
        }
    }
    parts << QStringLiteral("version %1").arg(shownText(heartbeat.version.left(40)));
    verdict.owing = heartbeat.state != u"OK" || heartbeat.owed > 0 || heartbeat.givenUp > 0;
    if (verdict.owing) {
        verdict.severity = std::max(verdict.severity, Warning);
        QStringList owes;
        for (const HeartbeatReading::Owing &time : heartbeat.owing) {
            QString line = time.slot + u' ' + time.file.section(u'/', -1) + u' ' + time.state;
            if (!time.reasonKind.isEmpty())
                line += QStringLiteral(" (%1)").arg(time.reasonKind);
            owes << shownText(line);
        }
        QString says = QStringLiteral("the station says %1").arg(heartbeat.state);
        if (!owes.isEmpty())
            says += QStringLiteral(", owes ") + owes.join(QStringLiteral(", "));
        else if (!heartbeat.summary.isEmpty())
            says += QStringLiteral(": ") + shownText(heartbeat.summary);
        parts << says;
    }
    verdict.text = parts.join(QStringLiteral(", "));
    return verdict;
}

} // namespace korva5::fleet
