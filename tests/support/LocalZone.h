// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <ctime>

namespace korva5 {

namespace TestSupport {

// Runs the test's local clock in another time zone (TZ) while it lives, as a station there
// would; the zone before it comes back after.
class LocalZone
{
public:
    explicit LocalZone(const QByteArray &zone)
        : m_had(qEnvironmentVariableIsSet("TZ"))
        , m_before(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~LocalZone()
    {
        if (m_had)
            qputenv("TZ", m_before);
        else
            qunsetenv("TZ");
        tzset();
    }
    LocalZone(const LocalZone &) = delete;
    LocalZone &operator=(const LocalZone &) = delete;

private:
    bool m_had;
    QByteArray m_before;
};

// A moment as the tests write it: "yyyy-MM-dd HH:mm" with its offset from UTC, "+03:00", so the
// two passes of an hour the clocks show twice read apart.
inline QString minuteText(const QDateTime &at)
{
    if (!at.isValid())
        return QStringLiteral("none");
    const int offset = at.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return at.toString(u"yyyy-MM-dd HH:mm") + (offset < 0 ? u'-' : u'+')
        + QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace TestSupport

} // namespace korva5
