// SPDX-License-Identifier: MIT
#include "fleet/check/VerdictWords.h"

#include "core/diagnostics/ShownText.h"
#include "core/language/BuiltInTexts.h"
#include "fleet/check/FleetReport.h"

#include <array>
#include <string_view>

namespace korva5::fleet {

namespace {

using Texts = std::map<std::string, QString, std::less<>>;

// More names than this in one part of the summary are cut short: the first line must stay a line.
constexpr int NamesShown = 10;

// The page's texts of each language, read once: a check of thousands of stations words each
// of their days with them.
const Texts &textsOf(const QString &language)
{
    static const std::array<Texts, 3> all = [] {
        std::array<Texts, 3> tables;
        const char *languages[] = {BuiltInTexts::English, BuiltInTexts::China, BuiltInTexts::Taiwan};
        for (const QString &key : BuiltInTexts::keys()) {
            if (!key.startsWith(u"Page"))
                continue;
            for (size_t i = 0; i < tables.size(); ++i)
                tables[i].emplace(key.toStdString(), BuiltInTexts::text(QLatin1StringView(languages[i]), key).value_or(QString()));
        }
        return tables;
    }();
    if (language == QLatin1StringView(BuiltInTexts::China))
        return all[1];
    if (language == QLatin1StringView(BuiltInTexts::Taiwan))
        return all[2];
    return all[0];
}

} // namespace

VerdictWords::VerdictWords(const QString &language)
    : m_texts(&textsOf(language))
{
}

const VerdictWords &VerdictWords::english()
{
    static const VerdictWords words(QString::fromLatin1(BuiltInTexts::English));
    return words;
}

QString VerdictWords::text(const char *key) const
{
    const auto found = m_texts->find(std::string_view(key));
    Q_ASSERT_X(found != m_texts->end(), "VerdictWords::text", key);
    return found != m_texts->end() ? found->second : QString();
}

QString VerdictWords::list(const QStringList &items) const
{
    QString joined = items.value(0);
    for (qsizetype i = 1; i < items.size(); ++i)
        joined = text("PageListJoin").arg(joined, items[i]);
    return joined;
}

QString VerdictWords::bytes(qint64 bytes) const
{
    return bytes < 0 ? text("PageSizeNotListed") : text("PageBytes").arg(bytes);
}

QString VerdictWords::age(qint64 seconds) const
{
    if (seconds < 60)
        return text("PageAgeSeconds").arg(std::max<qint64>(0, seconds));
    const qint64 minutes = seconds / 60;
    if (minutes < 60)
        return text("PageAgeMinutes").arg(minutes);
    const qint64 hours = minutes / 60;
    if (hours < 48) {
        return minutes % 60 ? text("PageAgeHoursMinutes").arg(QString::number(hours), QString::number(minutes % 60))
                            : text("PageAgeHours").arg(hours);
    }
    return text("PageAgeDays").arg(hours / 24);
}

QString VerdictWords::day(const DayVerdict &verdict) const
{
    const DeliveryWindow &window = verdict.window;
    const auto time = [&](const QDateTime &at) { return timeText(at, verdict.day, window.zone); };
    const auto copy = [&](const QString &name, const ListedFile &file) {
        return file.modified.isValid() ? text("PageCopyAt").arg(name, bytes(file.size), time(file.modified))
                                       : text("PageCopy").arg(name, bytes(file.size));
    };
    const QString temporaryName = u'.' + verdict.name + QStringLiteral(".part");
    const QString asideName = u'.' + verdict.name + QStringLiteral(".old");
    const ListedFile &records = verdict.files.records;
    const ListedFile &temporary = verdict.files.temporary;
    const ListedFile &aside = verdict.files.aside;
    const QString dueBy = time(window.dueBy);
    QString words;
    switch (verdict.state) {
    case FileState::NotYetDue:
        words = text("PageDayNotDue").arg(dueBy);
        return temporary.present ? text("PageDayOnItsWay").arg(words, copy(temporaryName, temporary)) : words;
    case FileState::Missing:
        if (verdict.underWay)
            return text("PageDayMissingOnItsWay").arg(copy(temporaryName, temporary), dueBy);
        if (temporary.present)
            return text("PageDayMissingTemporary").arg(copy(temporaryName, temporary), dueBy);
        if (aside.present)
            return text("PageDayMissingAside").arg(copy(asideName, aside), dueBy);
        return text("PageDayMissing").arg(dueBy);
    case FileState::Empty:
        words = records.modified.isValid() ? text("PageDayEmptyAt").arg(time(records.modified)) : text("PageDayEmpty");
        break;
    case FileState::Late:
        words = text("PageDayLate").arg(time(records.modified), time(window.lateAfter), time(window.last),
                                        QString::number(verdict.graceMinutes), bytes(records.size));
        break;
    case FileState::Arrived:
        words = records.modified.isValid() ? text("PageDayArrivedAt").arg(time(records.modified), bytes(records.size))
                                           : text("PageDayArrived").arg(bytes(records.size));
        break;
    }
    // The file is there: what else of it is beside it.
    if (verdict.underWay)
        words = text("PageDayNewCopy").arg(words);
    else if (verdict.leftover)
        words = text("PageDayLeftBehind").arg(words, copy(temporaryName, temporary));
    if (aside.present)
        words = text("PageDayAside").arg(words, copy(asideName, aside));
    return words;
}

QString VerdictWords::reading(const HeartbeatReading &heartbeat) const
{
    using Problem = HeartbeatReading::Problem;
    const QString &word = heartbeat.problemWord;
    switch (heartbeat.problem) {
    case Problem::None:
        return {};
    case Problem::TooLarge:
        return text("PageReadingTooLarge").arg(HeartbeatReading::MostBytes / 1024);
    case Problem::Empty:
        return text("PageReadingEmpty");
    case Problem::NotJson:
        return text("PageReadingNotJson").arg(word, QString::number(heartbeat.problemAt));
    case Problem::NotObject:
        return text("PageReadingNotObject");
    case Problem::NoFormat:
        return text("PageReadingNoFormat");
    case Problem::NoTime:
        return text("PageReadingNoTime").arg(word);
    case Problem::NoKey:
        return text("PageReadingNoKey").arg(word);
    case Problem::BadState:
        return text("PageReadingBadState").arg(list(HeartbeatReading::states()), shownText(word.left(40)));
    case Problem::NoCount:
        return text("PageReadingNoCount").arg(word);
    case Problem::NotList:
        return text("PageReadingNotList").arg(word);
    case Problem::EntryNotObject:
        return text("PageReadingEntryNotObject").arg(word);
    case Problem::Newer:
        return text("PageReadingNewer").arg(QString::number(heartbeat.format), QString::number(HeartbeatReading::Format));
    }
    return {};
}

QString VerdictWords::heartbeat(const HeartbeatVerdict &verdict) const
{
    const HeartbeatReading &heartbeat = verdict.heartbeat;
    QString words;
    switch (verdict.state) {
    case HeartbeatState::NotChecked:
        return {};
    case HeartbeatState::None:
        return text("PageHeartbeatNone");
    case HeartbeatState::Unreadable:
        if (!verdict.fetchError.isEmpty())
            return text("PageHeartbeatNotFetched").arg(verdict.fetchError);
        if (heartbeat.reading != HeartbeatReading::Reading::Read)
            return text("PageHeartbeatUnreadable").arg(reading(heartbeat));
        // Read whole, but of another station.
        return text("PageHeartbeatOtherStation").arg(shownText(heartbeat.station.left(40)));
    case HeartbeatState::Newer:
        return reading(heartbeat);
    case HeartbeatState::NoZone:
        words = text("PageHeartbeatNoZone")
                    .arg(heartbeat.writtenAt.toString(Qt::ISODate), QStringLiteral("Zone"), QStringLiteral("fleet.ini"));
        break;
    case HeartbeatState::ClockAhead:
        words = text("PageHeartbeatAhead").arg(age(verdict.aheadSeconds));
        break;
    case HeartbeatState::Stale:
        words = text("PageHeartbeatStale").arg(age(verdict.ageSeconds));
        break;
    case HeartbeatState::Fresh:
        words = text("PageHeartbeatAge").arg(age(verdict.ageSeconds));
        break;
    }
    words = text("PageHeartbeatThen").arg(words, text("PageHeartbeatVersion").arg(shownText(heartbeat.version.left(40))));
    if (!verdict.owing)
        return words;
    QStringList owes;
    for (const HeartbeatReading::Owing &time : heartbeat.owing) {
        QString line = time.slot + u' ' + time.file.section(u'/', -1) + u' ' + time.state;
        if (!time.reasonKind.isEmpty())
            line = text("PageOwingReason").arg(line, time.reasonKind);
        owes << shownText(line);
    }
    QString says = text("PageHeartbeatSays").arg(heartbeat.state);
    if (!owes.isEmpty())
        says = text("PageHeartbeatOwes").arg(says, list(owes));
    else if (!heartbeat.summary.isEmpty())
        says = text("PageHeartbeatSummary").arg(says, shownText(heartbeat.summary));
    return text("PageHeartbeatThen").arg(words, says);
}

QString VerdictWords::summary(const FleetReport &report) const
{
    if (report.status == FleetReport::Unknown)
        return report.error;
    QStringList missing, empty, late, leftover, unreadable, stale, ahead, noZone, owing;
    for (const FleetReport::Station &station : report.stations) {
        const DayVerdict &day = station.asked();
        switch (day.state) {
        case FileState::Missing:
            missing << station.station;
            break;
        case FileState::Empty:
            empty << station.station;
            break;
        case FileState::Late:
            late << station.station;
            break;
        default:
            break;
        }
        if (day.leftover)
            leftover << station.station;
        switch (station.heartbeat.state) {
        case HeartbeatState::Unreadable:
        case HeartbeatState::Newer:
            unreadable << station.station;
            break;
        case HeartbeatState::Stale:
            stale << station.station;
            break;
        case HeartbeatState::ClockAhead:
            ahead << station.station;
            break;
        case HeartbeatState::NoZone:
            noZone << station.station;
            break;
        default:
            break;
        }
        if (station.heartbeat.owing)
            owing << station.station;
    }
    const FleetReport::Counts &counts = report.counts;
    // Every file under its name counts as arrived, the late and the empty ones too: an office
    // that reads fewer arrived than files on the server looks for files that are there.
    QString head = text("PageSummaryArrived")
                       .arg(report.day.toString(Qt::ISODate), QString::number(counts.arrived), QString::number(counts.expected));
    if (counts.late || counts.empty) {
        QStringList how{text("PageSummaryOnTime").arg(counts.onTime)};
        if (counts.late)
            how << text("PageSummaryLate").arg(counts.late);
        if (counts.empty)
            how << text("PageSummaryEmpty").arg(counts.empty);
        head = text("PageSummaryHow").arg(head, list(how));
    }
    if (counts.notDue)
        head = text("PageSummaryNotDue").arg(head, QString::number(counts.notDue));
    // Parts are set apart by " - " in English, never ";": Nagios stores the first line in files
    // where ";" separates fields, and turns each one into ":". A station name holds no blank or "-".
    const auto names = [&](const QStringList &stations) {
        if (stations.size() <= NamesShown)
            return list(stations);
        return text("PageNamesMore").arg(list(stations.first(NamesShown)), QString::number(stations.size() - NamesShown));
    };
    QString words = head;
    for (const auto &[key, stations] :
         {std::pair{"PageSummaryMissing", &missing}, std::pair{"PageSummaryEmptyFiles", &empty}, std::pair{"PageSummaryLateFiles", &late},
          std::pair{"PageSummaryLeftBehind", &leftover}, std::pair{"PageHeartbeatUnreadable", &unreadable},
          std::pair{"PageSummaryStale", &stale}, std::pair{"PageSummaryAhead", &ahead}, std::pair{"PageSummaryNoZone", &noZone},
          std::pair{"PageSummaryOwing", &owing}}) {
        if (!stations->isEmpty())
            words = text("PageSummaryPart").arg(words, text(key).arg(names(*stations)));
    }
    if (!report.listing.statusProblem.isEmpty())
        words = text("PageSummaryPart").arg(words, text("PageSummaryNotRead").arg(report.listing.statusProblem));
    return words;
}

} // namespace korva5::fleet
