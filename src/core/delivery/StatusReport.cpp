// SPDX-License-Identifier: MIT
#include "core/delivery/StatusReport.h"

#include "core/delivery/Ledger.h"
#include "core/diagnostics/ShownText.h"
#include "core/schedule/ScheduleCheck.h"
#include "core/settings/ProfileFile.h"
#include "core/settings/TimeOfDay.h"
#include "core/transfer/UploadNames.h"

#include <QMap>

#include <algorithm>

namespace korva5 {

namespace StatusReport {

namespace {

// A moment as short as it can be read unambiguously next to now: the date only when it differs.
QString shortTime(const QDateTime &at, const QDateTime &now, const QString &timeFormat)
{
    if (at.date() == now.date())
        return at.toString(timeFormat);
    return at.toString(QStringLiteral("yyyy-MM-dd ") + timeFormat);
}

QString bytesText(qint64 bytes)
{
    return bytes < 0 ? QStringLiteral("size not known") : QStringLiteral("%1 bytes").arg(bytes);
}

bool unended(const UploadRecord &row)
{
    return row.outcome == Outcome::Asked || row.outcome == Outcome::Running;
}

QDateTime endOf(const UploadRecord &row)
{
    return row.endedAt.isValid() ? row.endedAt : row.startedAt.isValid() ? row.startedAt : row.askedAt;
}

// The uploads of the remote file from the first one asked for at or after the minute it was due,
// in the journal's sequence: an upload before that minute says nothing about this time, every one
// after it (a retry, a later time, a manual upload) does. After that first row the sequence
// decides, not the clock: a retry asked after the clock was set back still comes later.
QList<const UploadRecord *> uploadsSince(const QList<UploadRecord> &rows, const QString &remotePath, const QDateTime &due)
{
    const UploadRecord *first = nullptr;
    for (const UploadRecord &row : rows) {
        if (row.remotePath == remotePath && row.askedAt >= due && (!first || row.id < first->id))
            first = &row;
    }
    QList<const UploadRecord *> since;
    for (const UploadRecord &row : rows) {
        if (first && row.remotePath == remotePath && row.id >= first->id)
            since << &row;
    }
    std::sort(since.begin(), since.end(), [](const UploadRecord *a, const UploadRecord *b) { return a->id < b->id; });
    return since;
}

struct Judge
{
    const QList<UploadRecord> &rows;
    const Ledger &ledger;
    const QMap<QString, Ledger::Owed> &givenUp;
    const JournalFacts &journal;
    const QDateTime &now;

    void failure(TimeLine &line, const Ledger::Owed &owed) const
    {
        line.at = owed.lastFailure;
        line.reasonKind = owed.failureKind;
        line.reason = owed.reason;
    }

    // A file reaches the server by any upload, and then every time that sends it is settled; a
    // later failure of an upload the program does not retry does not take it off the server.
    void operator()(TimeLine &line) const
    {
        const QString recordedSince = shortTime(line.due, now, QStringLiteral("HH:mm"));
        const QList<const UploadRecord *> since = uploadsSince(rows, line.remotePath, line.due);
        // A time whose uploads are recorded has come, whatever the clock says now: one set back
        // behind it must not hide what it owes.
        if (line.due > now && since.isEmpty()) {
            line.state = TimeState::NotYetDue;
            line.text = QStringLiteral("not yet due");
            return;
        }
        const auto delivered = std::find_if(since.crbegin(), since.crend(),
                                            [](const UploadRecord *row) { return row->outcome == Outcome::Succeeded; });
        if (delivered != since.crend()) {
            line.state = TimeState::Sent;
            line.at = endOf(**delivered);
            line.bytes = (*delivered)->bytes;
            line.text = QStringLiteral("sent %1, %2").arg(shortTime(line.at, now, QStringLiteral("HH:mm:ss")), bytesText(line.bytes));
            return;
        }
        const UploadRecord *latest = since.isEmpty() ? nullptr : since.last();
        if (latest && unended(*latest) && latest->askedAt.secsTo(now) < 60LL * UnderWayMinutes) {
            line.state = TimeState::UnderWay;
            line.at = latest->askedAt;
            line.text = QStringLiteral("under way: asked %1").arg(shortTime(line.at, now, QStringLiteral("HH:mm:ss")));
            return;
        }
        if (const auto owed = ledger.pending().constFind(line.remotePath); owed != ledger.pending().constEnd()) {
            line.state = TimeState::Owed;
            failure(line, *owed);
            line.nextTry = std::max(owed->nextAttempt, owed->lastFailure);
            line.text = QStringLiteral("failed: %1; next try %2")
                            .arg(shownText(line.reason), shortTime(line.nextTry, now, QStringLiteral("HH:mm")));
            // Retries are made by the running program only.
            if (line.nextTry.addSecs(DueNowSeconds) < now)
                line.text += QStringLiteral(" (overdue: is the program running?)");
            return;
        }
        if (const auto lost = givenUp.constFind(line.remotePath); lost != givenUp.constEnd()) {
            line.state = TimeState::GivenUp;
            failure(line, *lost);
            line.text = QStringLiteral("failed for good: %1; given up %2 hours after its time")
                            .arg(shownText(line.reason))
                            .arg(Ledger::GiveUpAfterHours);
            return;
        }
        if (latest) {
            // Only an upload asked for by hand (or for yesterday's file) tried it: those are not
            // retried, and a failed transfer may have left a cut-short file on the server.
            line.state = TimeState::Failed;
            line.at = endOf(*latest);
            line.reasonKind = latest->failureKind;
            line.reason = latest->reason;
            line.text = QStringLiteral("failed: %1; not retried (a %2 upload)").arg(shownText(line.reason), triggerName(latest->trigger));
            return;
        }
        if (line.due.secsTo(now) < DueNowSeconds) {
            line.state = TimeState::DueNow;
            line.text = QStringLiteral("due now");
            return;
        }
        // The running program examines every minute, and remembers the last one it examined when
        // a time matched or the times changed: a minute it examined without asking for this time
        // came before the program first ran here or before the time was set. Nothing sends those.
        // A last minute later than now was examined under a clock that was ahead: it says
        // nothing about the minutes between.
        if (journal.rows && journal.lastExamined && line.due <= *journal.lastExamined && *journal.lastExamined <= now) {
            line.state = TimeState::NotOwed;
            line.text = QStringLiteral("not owed (configured after its time)");
            return;
        }
        if (line.due.secsTo(now) > 3600LL * ScheduleCheck::CatchUpHours) {
            line.state = TimeState::Missed;
            line.text = QStringLiteral("not sent: no upload recorded since %1, more than %2 hours ago; nothing sends it now")
                            .arg(recordedSince)
                            .arg(ScheduleCheck::CatchUpHours);
            return;
        }
        line.state = TimeState::NotRecorded;
        line.text = QStringLiteral("not sent: no upload recorded since %1: is the program running?").arg(recordedSince);
        // A program without a journal here never ran to catch up from: its first start sends
        // nothing of the past.
        if (journal.rows)
            line.text += QStringLiteral(" (its catch-up sends it when it starts)");
    }
};

QString countsText(const QList<TimeLine> &times)
{
    static constexpr std::pair<TimeState, const char *> Order[] = {
        {TimeState::Sent, "sent"},           {TimeState::UnderWay, "under way"},
        {TimeState::Owed, "owed"},           {TimeState::NotRecorded, "not recorded"},
        {TimeState::Missed, "missed"},       {TimeState::GivenUp, "given up"},
        {TimeState::Failed, "failed"},       {TimeState::NotOwed, "not owed"},
        {TimeState::DueNow, "due now"},      {TimeState::NotYetDue, "not yet due"},
    };
    QStringList parts;
    for (const auto &[state, name] : Order) {
        const auto count = std::count_if(times.cbegin(), times.cend(), [&](const TimeLine &line) { return line.state == state; });
        if (count > 0)
            parts << QStringLiteral("%1 %2").arg(count).arg(QLatin1StringView(name));
    }
    return parts.join(QStringLiteral(", "));
}

QString summaryOf(const Report &report)
{
    QDateTime unrecordedSince;
    for (const TimeLine &line : report.times) {
        if ((line.state == TimeState::NotRecorded || line.state == TimeState::Missed)
            && (!unrecordedSince.isValid() || line.due < unrecordedSince))
            unrecordedSince = line.due;
    }
    QString lead;
    if (report.times.isEmpty())
        lead = QStringLiteral("no upload times are set: nothing is sent on its own");
    else if (unrecordedSince.isValid())
        lead = QStringLiteral("no upload recorded since %1: is the program running?")
                   .arg(shortTime(unrecordedSince, report.checkedAt, QStringLiteral("HH:mm")));
    else if (report.givenUp > 0)
        lead = QStringLiteral("%1 not on the server, and not sent again").arg(report.givenUp);
    else if (report.owed > 0)
        lead = QStringLiteral("%1 owed, to be sent again by the program").arg(report.owed);
    else
        lead = QStringLiteral("nothing owed");
    const QString counts = countsText(report.times);
    return counts.isEmpty() ? lead : QStringLiteral("%1 (%2)").arg(lead, counts);
}

} // namespace

QString statusName(int status)
{
    switch (status) {
    case Ok:
        return QStringLiteral("OK");
    case Warning:
        return QStringLiteral("WARNING");
    case Critical:
        return QStringLiteral("CRITICAL");
    default:
        return QStringLiteral("UNKNOWN");
    }
}

int severity(TimeState state)
{
    switch (state) {
    case TimeState::Owed:
    case TimeState::NotRecorded:
        return Warning;
    case TimeState::Missed:
    case TimeState::GivenUp:
    case TimeState::Failed:
        return Critical;
    default:
        return Ok;
    }
}

Report status(const Settings &settings, const JournalFacts &journal, const QDateTime &now)
{
    const QList<UploadRecord> known = journal.rows.value_or(QList<UploadRecord>());
    // Rebuilt exactly as the running program rebuilds it at start-up, so both agree on what is owed.
    Ledger ledger = Ledger::fromRows(known, settings);
    ledger.giveUpExpired(now);
    QMap<QString, Ledger::Owed> givenUp; // the last time each file was given up
    for (const Ledger::Owed &owed : ledger.givenUp())
        givenUp.insert(owed.remotePath, owed);
    const Judge judge{known, ledger, givenUp, journal, now};

    Report report;
    report.checkedAt = now;
    report.station = ProfileFile::trimmedBlanks(settings.FtpNo);
    for (const UploadRecord &row : known) {
        if (row.outcome == Outcome::Succeeded && (!report.lastDelivery || row.id > report.lastDelivery->id))
            report.lastDelivery = row;
    }
    // One that ended after now was recorded under a clock that was ahead: its age is not known.
    if (report.lastDelivery && endOf(*report.lastDelivery) <= now)
        report.lastDeliveryAge = endOf(*report.lastDelivery).secsTo(now);

    // Without a station number no file can be named, without a server none can go out: there
    // is nothing to judge, and nothing is sent on its own.
    if (!settings.isConfigured()) {
        report.status = Warning;
        report.summary = QStringLiteral("not configured: no server or no station number is set, nothing is sent");
        return report;
    }
    const QString folder = ProfileFile::trimmedBlanks(settings.FtpPath);
    for (const bool today : {true, false}) {
        const QDate calendarDay = today ? now.date() : now.date().addDays(-1);
        for (int slot = 0; slot < Settings::TimeSlots; ++slot) {
            const QDate fileDay = Settings::sendsYesterday(slot) ? calendarDay.addDays(-1) : calendarDay;
            TimeLine line;
            line.today = today;
            line.slot = slot;
            line.due = Ledger::dueMinute(fileDay, slot, settings.time(slot));
            if (!line.due.isValid())
                continue;
            line.remotePath = folder + UploadNames::remoteFileName(fileDay, settings.FtpNo);
            judge(line);
            report.status = std::max(report.status, severity(line.state));
            report.owed += line.state == TimeState::Owed || line.state == TimeState::NotRecorded;
            report.givenUp += severity(line.state) == Critical;
            report.underWay += line.state == TimeState::UnderWay;
            report.times << line;
        }
    }
    if (report.times.isEmpty())
        report.status = Warning;
    report.summary = summaryOf(report);
    return report;
}

QList<UploadRecord> stillOwedFailures(const QList<UploadRecord> &rows, const Settings &settings, const QDateTime &now)
{
    Ledger ledger = Ledger::fromRows(rows, settings);
    ledger.giveUpExpired(now);
    QList<UploadRecord> owed;
    for (const UploadRecord &row : rows) {
        const bool lost = std::any_of(ledger.givenUp().cbegin(), ledger.givenUp().cend(),
                                      [&](const Ledger::Owed &given) { return given.remotePath == row.remotePath; });
        if (row.outcome == Outcome::Failed && (ledger.isOwed(row.remotePath) || lost))
            owed << row;
    }
    return owed;
}

QStringList history(QList<UploadRecord> rows)
{
    // For people, by the time asked (the ledger goes by the journal's sequence).
    std::sort(rows.begin(), rows.end(), [](const UploadRecord &a, const UploadRecord &b) {
        return a.askedAt != b.askedAt ? a.askedAt > b.askedAt : a.id > b.id;
    });
    QStringList lines;
    for (const UploadRecord &row : std::as_const(rows)) {
        QString what = triggerName(row.trigger);
        if (row.slot >= 0)
            what += u' ' + Settings::timeKey(row.slot);
        QString outcome;
        const QDateTime end = row.endedAt.isValid() ? row.endedAt : row.startedAt;
        switch (row.outcome) {
        case Outcome::Succeeded:
            outcome = QStringLiteral("succeeded %1, %2")
                          .arg(shortTime(end, row.askedAt, QStringLiteral("HH:mm:ss")), bytesText(row.bytes));
            break;
        case Outcome::Failed:
            outcome = QStringLiteral("failed %1: %2")
                          .arg(end.isValid() ? shortTime(end, row.askedAt, QStringLiteral("HH:mm:ss")) : QStringLiteral("-"),
                               shownText(row.reason));
            break;
        case Outcome::Asked:
        case Outcome::Running:
            outcome = outcomeName(row.outcome) + QStringLiteral(", not ended");
            break;
        }
        lines << QStringLiteral("%1  %2  %3 -> %4  %5  %6")
                     .arg(row.askedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), what.leftJustified(19),
                          shownText(row.localPath), shownText(row.remotePath), shownText(row.server), outcome);
    }
    return lines;
}

} // namespace StatusReport

} // namespace korva5
