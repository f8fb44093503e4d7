// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>

namespace korva5 {

// Times as every JSON the station and the office write gives them: ISO 8601 with the offset from
// UTC ("2026-12-07T09:13:00+01:00", or "...Z" for a time kept in UTC), so that whoever reads one
// in another zone takes it for the same moment.
namespace IsoTime {

// Empty for an invalid time.
QString text(const QDateTime &at);

struct Reading
{
    QDateTime at;           // invalid: the text is no ISO 8601 date and time
    bool hasOffset = false; // false: written without one, so whose clock it is must be known
};
// Reads a time with its offset or "Z", or one written without either.
Reading read(const QString &text);
// The figures of a time read without an offset, taken as a time of zone.
QDateTime inZone(const QDateTime &figures, const QTimeZone &zone);

// The IANA name of the zone this computer's clock runs in ("Europe/Helsinki"); empty where the
// system names none that other computers would know (a POSIX rule in TZ, say).
QString systemZoneName();

} // namespace IsoTime

} // namespace korva5
