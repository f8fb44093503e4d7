// SPDX-License-Identifier: MIT
#include "fleet/check/HeartbeatReading.h"

#include "core/clock/IsoTime.h"
#include "core/diagnostics/ShownText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace korva5::fleet {

namespace {

HeartbeatReading broken(HeartbeatReading::Problem problem, const QString &word = {}, qint64 at = 0)
{
    HeartbeatReading heartbeat;
    heartbeat.reading = HeartbeatReading::Reading::Broken;
    heartbeat.problem = problem;
    heartbeat.problemWord = word;
    heartbeat.problemAt = at;
    return heartbeat;
}

// A whole number in JSON, which holds every number as a double.
bool isCount(const QJsonValue &value)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    return number >= 0 && number <= 1e9 && std::floor(number) == number;
}

} // namespace

QTimeZone HeartbeatReading::zone() const
{
    if (!timeZone.isEmpty() && !hasControlCharacter(timeZone)) {
        if (const QTimeZone named(timeZone.toUtf8()); named.isValid())
            return named;
    }
    if (utcOffsetSeconds)
        return QTimeZone(*utcOffsetSeconds);
    return {};
}

QStringList HeartbeatReading::states()
{
    return {QStringLiteral("OK"), QStringLiteral("WARNING"), QStringLiteral("CRITICAL"), QStringLiteral("UNKNOWN")};
}

HeartbeatReading HeartbeatReading::parse(const QByteArray &json)
{
    if (json.size() > MostBytes)
        return broken(Problem::TooLarge);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return json.trimmed().isEmpty() ? broken(Problem::Empty) : broken(Problem::NotJson, error.errorString(), error.offset);
    if (!document.isObject())
        return broken(Problem::NotObject);
    const QJsonObject object = document.object();
    const QJsonValue format = object.value(u"format");
    if (!isCount(format) || format.toInt() < 1)
        return broken(Problem::NoFormat);
    HeartbeatReading heartbeat;
    heartbeat.format = format.toInt();
    if (heartbeat.format > Format) {
        // Its other keys may mean something else now: nothing is read from it.
        heartbeat.reading = Reading::Newer;
        heartbeat.problem = Problem::Newer;
        return heartbeat;
    }
    const IsoTime::Reading writtenAt = IsoTime::read(object.value(u"writtenAt").toString());
    if (!writtenAt.at.isValid())
        return broken(Problem::NoTime, QStringLiteral("writtenAt"));
    heartbeat.writtenAt = writtenAt.at;
    heartbeat.writtenAtHasOffset = writtenAt.hasOffset;
    // The zone is told by newer programs only, and is of use only when it can be read.
    heartbeat.timeZone = object.value(u"timeZone").toString().left(80);
    const QJsonValue offset = object.value(u"utcOffsetSeconds");
    if (offset.isDouble() && std::abs(offset.toDouble()) <= 18 * 3600 && std::floor(offset.toDouble()) == offset.toDouble())
        heartbeat.utcOffsetSeconds = offset.toInt();
    for (const char *key : {"version", "station", "state"}) {
        if (!object.value(QLatin1StringView(key)).isString())
            return broken(Problem::NoKey, QLatin1StringView(key));
    }
    heartbeat.version = object.value(u"version").toString();
    heartbeat.station = object.value(u"station").toString();
    heartbeat.state = object.value(u"state").toString();
    if (!states().contains(heartbeat.state))
        return broken(Problem::BadState, heartbeat.state.left(40));
    heartbeat.summary = object.value(u"summary").toString();
    // An UNKNOWN report (no settings file at the station) has no counts; the others must.
    for (const auto &[key, field] :
         {std::pair{"owed", &HeartbeatReading::owed}, std::pair{"givenUp", &HeartbeatReading::givenUp},
          std::pair{"underWay", &HeartbeatReading::underWay}}) {
        const QJsonValue value = object.value(QLatin1StringView(key));
        if (value.isUndefined() && heartbeat.state == u"UNKNOWN")
            continue;
        if (!isCount(value))
            return broken(Problem::NoCount, QLatin1StringView(key));
        heartbeat.*field = value.toInt();
    }
    const QJsonValue times = object.value(u"times");
    if (!times.isUndefined() && !times.isArray())
        return broken(Problem::NotList, QStringLiteral("times"));
    for (const QJsonValue &entry : times.toArray()) {
        if (!entry.isObject())
            return broken(Problem::EntryNotObject, QStringLiteral("times"));
        const QJsonObject time = entry.toObject();
        const QString severity = time.value(u"severity").toString();
        if (severity.isEmpty() || severity == u"OK")
            continue;
        heartbeat.owing.append({time.value(u"day").toString(), time.value(u"slot").toString(), time.value(u"file").toString(),
                                time.value(u"state").toString(), severity, time.value(u"reasonKind").toString(),
                                time.value(u"text").toString()});
    }
    heartbeat.reading = Reading::Read;
    return heartbeat;
}

} // namespace korva5::fleet
