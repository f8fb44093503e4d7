// SPDX-License-Identifier: MIT
#include "core/delivery/StatusReport.h"

#include "core/delivery/Ledger.h"
#include "core/diagnostics/ShownText.h"
#include "core/settings/SysMain.h"
#include "core/settings/TimeOfDay.h"
#include "core/upload/UploadNames.h"

#include <QMap>

#include <algorithm>

namespace StatusReport {

namespace {


// A moment as short as it can be read unambiguously next to now: the date only when it differs.
QString shortTime(const QDateTime &at, const QDateTime &now, const QString &timeFormat)
{
    if (at.date() == now.date())
        return at.toString(timeFormat);
    return at.toString(QStringLiteral("yyyy-MM-dd ") + timeFormat);
}

QString sizeText(qint64 bytes)
{
    return bytes < 0 ? QStringLiteral("size not known") : QStringLiteral("%1 bytes").arg(bytes);
}

QString slotName(int slot)
{
    return Settings::timeKey(slot);
}

struct Line
{
    int status = NothingOwed;
    QString text;
};

// The newest row of the remote file from the first one asked for at or after the minute it was
// due: an upload before that minute says nothing about this time, one after it (a retry, a later
// time, a manual upload) decides what the server holds now. After that first row, the journal's
// sequence decides, not the clock: a retry asked after the clock was set back still comes later.
const UploadRecord *latestSince(const QList<UploadRecord> &rows, const QString &remotePath, const QDateTime &due)
{
    const UploadRecord *first = nullptr;
    for (const UploadRecord &row : rows) {
        if (row.remotePath == remotePath && row.askedAt >= due && (!first || row.id < first->id))
            first = &row;
    }
    const UploadRecord *latest = first;
    for (const UploadRecord &row : rows) {
        if (first && row.remotePath == remotePath && row.id > latest->id)
            latest = &row;
    }
    return latest;
}

Line describe(const UploadRecord *latest, const Ledger &ledger, const QMap<QString, Ledger::Owed> &givenUp,
              const QString &remotePath, const QDateTime &due, const QDateTime &now, bool journalKept,
              const QDateTime &firstRecorded)
{
    if (latest && latest->outcome == Outcome::Succeeded) {
        const QDateTime at = latest->startedAt.isValid() ? latest->startedAt : latest->askedAt;
        return {NothingOwed, QStringLiteral("sent %1, %2")
                                 .arg(shortTime(at, now, QStringLiteral("HH:mm:ss")), sizeText(latest->bytes))};
    }
    const auto owed = ledger.pending().constFind(remotePath);
    if (latest && (latest->outcome == Outcome::Asked || latest->outcome == Outcome::Running)
        && !givenUp.contains(remotePath)) {
        // The journal cannot tell an upload still under way from one the program's end cut off;
        // either way it is not on the server yet, and a cut-off one is retried.
        return {Owed, QStringLiteral("not ended: asked %1, under way or cut off by the program ending")
                          .arg(shortTime(latest->askedAt, now, QStringLiteral("HH:mm:ss")))};
    }
    const auto lost = givenUp.constFind(remotePath);
    const QString reason = shownText(latest && !latest->reason.isEmpty()   ? latest->reason
                                     : owed != ledger.pending().constEnd() ? owed->reason
                                     : lost != givenUp.constEnd()          ? lost->reason
                                                                           : QString());
    if (owed != ledger.pending().constEnd()) {
        QString text = QStringLiteral("failed: %1; next try %2")
                           .arg(reason, shortTime(owed->nextAttempt, now, QStringLiteral("HH:mm")));
        // Retries are made by the running program only.
        if (owed->nextAttempt.addSecs(120) < now)
            text += QStringLiteral(" (overdue: is the program running?)");
        return {Owed, text};
    }
    if (lost != givenUp.constEnd()) {
        return {FailedForGood, QStringLiteral("failed for good: %1; given up %2 hours after its time")
                                   .arg(reason)
                                   .arg(Ledger::GiveUpAfterHours)};
    }
    if (latest) {
        // Asked for by hand, or for yesterday's file: such uploads are not retried, and a failed
        // transfer may have left a cut-short file on the server.
        return {FailedForGood, QStringLiteral("failed: %1; not retried (a %2 upload)")
                                   .arg(reason, triggerName(latest->trigger))};
    }
    // The catch-up starts from the last minute the journal says was examined: a program folder
    // without a journal never had a run to catch up from, and a first start owes nothing of what
    // came before it, so a time before the first upload recorded here is not owed either.
    if (!journalKept)
        return {NothingOwed, QStringLiteral("not sent; no journal yet, so nothing is owed")};
    const bool withinCatchUp = due.secsTo(now) <= 3600LL * CatchUpHours;
    if (!withinCatchUp && (!firstRecorded.isValid() || due < firstRecorded))
        return {NothingOwed, QStringLiteral("not sent; before the first upload recorded here")};
    if (withinCatchUp)
        return {Owed, QStringLiteral("not sent; the program sends it at its next start (catch-up)")};
    return {FailedForGood, QStringLiteral("not sent; more than %1 hours late, no catch-up sends it").arg(CatchUpHours)};
}

} // namespace

Report status(const Settings &settings, const std::optional<QList<UploadRecord>> &rows, const QDateTime &now)
{
    const QList<UploadRecord> known = rows.value_or(QList<UploadRecord>());
    // Rebuilt exactly as the running program rebuilds it at start-up, so both agree on what is owed.
    Ledger ledger = Ledger::fromRows(known, settings);
    ledger.giveUpExpired(now);
    QMap<QString, Ledger::Owed> givenUp; // the last time each file was given up
    for (const Ledger::Owed &owed : ledger.givenUp())
        givenUp.insert(owed.remotePath, owed);

    QDateTime firstRecorded;
    for (const UploadRecord &row : known) {
        if (!firstRecorded.isValid() || row.askedAt < firstRecorded)
            firstRecorded = row.askedAt;
    }

    Report report;
    QStringList body;
    int owedCount = 0, failedCount = 0, dueCount = 0;
    const QString folder = SysMain::Trim(settings.FtpPath);
    for (const int daysBack : {0, 1}) {
        const QDate calendarDay = now.date().addDays(-daysBack);
        for (int slot = 0; slot < Settings::TimeSlots; ++slot) {
            const QDate fileDay = Settings::sendsYesterday(slot) ? calendarDay.addDays(-1) : calendarDay;
            const QDateTime due = Ledger::dueMinute(fileDay, slot, settings.time(slot));
            if (!due.isValid())
                continue;
            const QString remotePath = folder + UploadNames::remoteFileName(fileDay, settings.FtpNo);
            Line line;
            if (due > now) {
                line.text = QStringLiteral("not yet due");
            } else {
                ++dueCount;
                line = describe(latestSince(known, remotePath, due), ledger, givenUp, remotePath, due, now, rows.has_value(),
                                firstRecorded);
            }
            owedCount += line.status == Owed;
            failedCount += line.status == FailedForGood;
            report.status = std::max(report.status, line.status);
            body << QStringLiteral("%1 %2 %3  %4  %5")
                        .arg(daysBack == 0 ? QStringLiteral("today    ") : QStringLiteral("yesterday"),
                             slotName(slot).leftJustified(9), TimeOfDay::format(due.time()),
                             shownText(remotePath), line.text);
        }
    }

    const QString when = now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (failedCount > 0)
        report.lines << QStringLiteral("CRITICAL: %1 failed for good, %2 owed (%3)").arg(failedCount).arg(owedCount).arg(when);
    else if (owedCount > 0)
        report.lines << QStringLiteral("WARNING: %1 owed, to be retried or caught up (%2)").arg(owedCount).arg(when);
    else if (body.isEmpty())
        report.lines << QStringLiteral("OK: no upload times are set (%1)").arg(when);
    else
        report.lines << QStringLiteral("OK: %1 of %2 due sent, nothing owed (%3)").arg(dueCount).arg(body.size()).arg(when);
    if (!rows)
        report.lines << QStringLiteral("no journal yet: nothing has been uploaded from this program folder");
    report.lines << body;
    return report;
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
            what += u' ' + slotName(row.slot);
        QString outcome;
        const QDateTime end = row.endedAt.isValid() ? row.endedAt : row.startedAt;
        switch (row.outcome) {
        case Outcome::Succeeded:
            outcome = QStringLiteral("succeeded %1, %2")
                          .arg(shortTime(end, row.askedAt, QStringLiteral("HH:mm:ss")), sizeText(row.bytes));
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
