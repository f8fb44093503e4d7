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

HeartbeatReading broken(const QString &why)
{
    HeartbeatReading heartbeat;
    heartbeat.reading = HeartbeatReading::Reading::Broken;
    heartbeat.problem = why;
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

HeartbeatReading HeartbeatReading::parse(const QByteArray &json)
{
    if (json.size() > MostBytes)
        return broken(QStringLiteral("larger than %1 KiB").arg(MostBytes / 1024));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return broken(json.trimmed().isEmpty() ? QStringLiteral("empty")
                                               : QStringLiteral("not JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset));
    if (!document.isObject())
        return broken(QStringLiteral("not a JSON object"));
    const QJsonObject object = document.object();
    const QJsonValue format = object.value(u"format");
    if (!isCount(format) || format.toInt() < 1)
        return broken(QStringLiteral("no format number"));
    HeartbeatReading heartbeat;
    heartbeat.format = format.toInt();
    if (heartbeat.format > Format) {
        // Its other keys may mean something else now: nothing is read from it.
        heartbeat.reading = Reading::Newer;
        heartbeat.problem = QStringLiteral("heartbeat from a newer version (format %1; this program reads format %2)")
                                .arg(heartbeat.format)
                                .arg(Format);
        return heartbeat;
    }
    const IsoTime::Reading writtenAt = IsoTime::read(object.value(u"writtenAt").toString());
    if (!writtenAt.at.isValid())
        return broken(QStringLiteral("no time it was written (writtenAt)"));
    heartbeat.writtenAt = writtenAt.at;
    heartbeat.writtenAtHasOffset = writtenAt.hasOffset;
    // The zone is told by newer programs only, and is of use only when it can be read.
    heartbeat.timeZone = object.value(u"timeZone").toString().left(80);
    const QJsonValue offset = object.value(u"utcOffsetSeconds");
    if (offset.isDouble() && std::abs(offset.toDouble()) <= 18 * 3600 && std::floor(offset.toDouble()) == offset.toDouble())
        heartbeat.utcOffsetSeconds = offset.toInt();
    for (const char *key : {"version", "station", "state"}) {
        if (!object.value(QLatin1StringView(key)).isString())
            return broken(QStringLiteral("no \"%1\"").arg(QLatin1StringView(key)));
    }
    heartbeat.version = object.value(u"version").toString();
    heartbeat.station = object.value(u"station").toString();
    heartbeat.state = object.value(u"state").toString();
    if (!QStringList{QStringLiteral("OK"), QStringLiteral("WARNING"), QStringLiteral("CRITICAL"), QStringLiteral("UNKNOWN")}
             .contains(heartbeat.state))
        return broken(QStringLiteral("a state that is none of OK, WARNING, CRITICAL, UNKNOWN (\"%1\")").arg(shownText(heartbeat.state.left(40))));
    heartbeat.summary = object.value(u"summary").toString();
    // An UNKNOWN report (no settings file at the station) has no counts; the others must.
    for (const auto &[key, field] :
         {std::pair{"owed", &HeartbeatReading::owed}, std::pair{"givenUp", &HeartbeatReading::givenUp},
          std::pair{"underWay", &HeartbeatReading::underWay}}) {
        const QJsonValue value = object.value(QLatin1StringView(key));
        if (value.isUndefined() && heartbeat.state == u"UNKNOWN")
            continue;
        if (!isCount(value))
            return broken(QStringLiteral("no count \"%1\"").arg(QLatin1StringView(key)));
        heartbeat.*field = value.toInt();
    }
    const QJsonValue times = object.value(u"times");
    if (!times.isUndefined() && !times.isArray())
        return broken(QStringLiteral("\"times\" is not a list"));
    for (const QJsonValue &entry : times.toArray()) {
        if (!entry.isObject())
            return broken(QStringLiteral("an entry of \"times\" is not an object"));
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
