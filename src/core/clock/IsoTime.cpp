// SPDX-License-Identifier: MIT
#include "core/clock/IsoTime.h"

#include <algorithm>

namespace korva5 {

namespace IsoTime {

QString text(const QDateTime &at)
{
    if (!at.isValid())
        return {};
    // Qt writes a time of the local clock without its offset: it is given the one it has then.
    if (at.timeSpec() == Qt::UTC)
        return at.toString(Qt::ISODate);
    return at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODate);
}

Reading read(const QString &text)
{
    Reading reading;
    reading.at = QDateTime::fromString(text, Qt::ISODate);
    reading.hasOffset = reading.at.isValid() && reading.at.timeSpec() != Qt::LocalTime;
    return reading;
}

QDateTime inZone(const QDateTime &figures, const QTimeZone &zone)
{
    const QDateTime at(figures.date(), figures.time(), zone);
    if (at.isValid() || !figures.isValid())
        return at;
    // Figures inside the hour a change to summer time skips name no moment: they were written by
    // a clock that had not moved on yet, and stand for the figures an hour later on one that has.
    const QDateTime later = QDateTime(figures.date(), figures.time(), QTimeZone::utc()).addSecs(3600);
    return QDateTime(later.date(), later.time(), zone);
}

QString systemZoneName()
{
    const QByteArray id = QTimeZone::systemTimeZoneId();
    if (QTimeZone::isTimeZoneIdAvailable(id))
        return QString::fromLatin1(id);
    // Qt's list leaves out some names every zone database has (Etc/UTC). A POSIX rule in TZ
    // ("<+03>-3", "CET-1CEST") is valid here but names nothing another computer would know: the
    // first part of a zone name is letters alone.
    const qsizetype slash = id.indexOf('/');
    const QByteArrayView area = slash < 0 ? QByteArrayView(id) : QByteArrayView(id).first(slash);
    const bool letters = !area.isEmpty() && std::all_of(area.begin(), area.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    });
    return letters && QTimeZone(id).isValid() ? QString::fromLatin1(id) : QString();
}

} // namespace IsoTime

} // namespace korva5
