// SPDX-License-Identifier: MIT
// The two forms a status report is given in: the text a monitoring plugin prints, and JSON.
#include "core/delivery/StatusReport.h"

#include "core/clock/IsoTime.h"
#include "core/diagnostics/ShownText.h"
#include "core/settings/Settings.h"
#include "core/settings/TimeOfDay.h"

#include <QJsonArray>

#include <algorithm>

namespace korva5 {

namespace StatusReport {

namespace {

QJsonValue isoTime(const QDateTime &at)
{
    return at.isValid() ? QJsonValue(IsoTime::text(at)) : QJsonValue();
}

QString plugin(const QString &text)
{
    return pluginText(text, PluginLine::Other);
}

QString firstLine(const QString &text)
{
    return pluginText(text, PluginLine::First);
}

// A station number is three characters, as the settings dialog takes it; one edited longer by
// hand is cut as the dialog shows it, with a mark that it was, so that the first line a monitor
// shows stays a line. The lines below name the files as they are sent.
QString stationText(const QString &station)
{
    if (station.isEmpty())
        return QStringLiteral("station (no number set)");
    const auto stationNo = std::find_if(SettingsTable.cbegin(), SettingsTable.cend(),
                                        [](const SettingField &row) { return qstrcmp(row.key, "FtpNo") == 0; });
    qsizetype longest = stationNo->maxLength;
    if (station.size() <= longest)
        return u"station " + firstLine(station);
    if (station.at(longest - 1).isHighSurrogate()) // not half a character
        --longest;
    return u"station " + firstLine(station.left(longest)) + QStringLiteral("...");
}

} // namespace

QString stateName(TimeState state)
{
    switch (state) {
    case TimeState::NotYetDue:
        return QStringLiteral("not-yet-due");
    case TimeState::DueNow:
        return QStringLiteral("due-now");
    case TimeState::Sent:
        return QStringLiteral("sent");
    case TimeState::UnderWay:
        return QStringLiteral("under-way");
    case TimeState::Owed:
        return QStringLiteral("owed");
    case TimeState::NotRecorded:
        return QStringLiteral("not-recorded");
    case TimeState::Missed:
        return QStringLiteral("missed");
    case TimeState::GivenUp:
        return QStringLiteral("given-up");
    case TimeState::Failed:
        return QStringLiteral("failed");
    case TimeState::NotOwed:
        return QStringLiteral("not-owed");
    }
    return {};
}

QStringList Report::lines() const
{
    // Performance data as monitoring plugins write it: 'label'=value[unit];warn;crit;min;max,
    // "U" for a value that cannot be known.
    const QString perfData = QStringLiteral("last_delivery_age=%1 owed=%2;;;0 given_up=%3;;;0 under_way=%4;;;0")
                                 .arg(lastDeliveryAge < 0 ? QStringLiteral("U") : QStringLiteral("%1s;;;0").arg(lastDeliveryAge))
                                 .arg(owed)
                                 .arg(givenUp)
                                 .arg(underWay);
    // A report that cannot tell has nothing to measure, and no station when the settings are
    // what cannot be read.
    QStringList all{status == Unknown
                        ? QStringLiteral("%1: %2").arg(statusName(status),
                                                       station.isEmpty() ? firstLine(summary) : stationText(station) + u": " + firstLine(summary))
                        : QStringLiteral("%1: %2: %3 | %4").arg(statusName(status), stationText(station), firstLine(summary), perfData)};
    for (const TimeLine &line : times) {
        all << QStringLiteral("%1 %2 %3  %4  %5")
                   .arg(line.today ? QStringLiteral("today    ") : QStringLiteral("yesterday"),
                        QString(Settings::timeKey(line.slot)).leftJustified(9), TimeOfDay::format(line.due.time()),
                        plugin(line.remotePath), plugin(line.text));
    }
    return all;
}

QJsonObject Report::json() const
{
    QJsonArray timesArray;
    for (const TimeLine &line : times) {
        QJsonObject time{
            {QStringLiteral("day"), line.today ? QStringLiteral("today") : QStringLiteral("yesterday")},
            {QStringLiteral("slot"), Settings::timeKey(line.slot)},
            {QStringLiteral("time"), TimeOfDay::format(line.due.time())},
            {QStringLiteral("due"), isoTime(line.due)},
            {QStringLiteral("file"), line.remotePath},
            {QStringLiteral("state"), stateName(line.state)},
            {QStringLiteral("severity"), statusName(severity(line.state))},
            {QStringLiteral("text"), line.text},
        };
        if (line.at.isValid())
            time.insert(QStringLiteral("at"), isoTime(line.at));
        if (line.bytes >= 0)
            time.insert(QStringLiteral("bytes"), line.bytes);
        if (line.nextTry.isValid())
            time.insert(QStringLiteral("nextTry"), isoTime(line.nextTry));
        if (line.reasonKind != FailureKind::None)
            time.insert(QStringLiteral("reasonKind"), failureKindName(line.reasonKind));
        if (!line.reason.isEmpty())
            time.insert(QStringLiteral("reason"), line.reason);
        timesArray.append(time);
    }
    QJsonValue last;
    if (lastDelivery) {
        const QDateTime at = lastDelivery->endedAt.isValid() ? lastDelivery->endedAt : lastDelivery->askedAt;
        last = QJsonObject{{QStringLiteral("file"), lastDelivery->remotePath},
                           {QStringLiteral("at"), isoTime(at)},
                           {QStringLiteral("bytes"), lastDelivery->bytes},
                           {QStringLiteral("ageSeconds"), lastDeliveryAge}};
    }
    return QJsonObject{
        {QStringLiteral("station"), station},
        {QStringLiteral("state"), statusName(status)},
        {QStringLiteral("exitStatus"), status},
        {QStringLiteral("summary"), summary},
        {QStringLiteral("checkedAt"), isoTime(checkedAt)},
        {QStringLiteral("lastDelivery"), last},
        {QStringLiteral("owed"), owed},
        {QStringLiteral("givenUp"), givenUp},
        {QStringLiteral("underWay"), underWay},
        {QStringLiteral("times"), timesArray},
    };
}

} // namespace StatusReport

} // namespace korva5
