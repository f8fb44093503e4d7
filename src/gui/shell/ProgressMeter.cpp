// SPDX-License-Identifier: MIT
#include "gui/shell/ProgressMeter.h"

#include "core/diagnostics/SizeText.h"

#include <QStringList>

#include <cmath>

namespace korva5 {

void ProgressMeter::start(Time at)
{
    m_started = at;
    m_samples.clear();
    m_total = 0;
}

void ProgressMeter::add(Time at, qint64 sent, qint64 total)
{
    // A count that goes back, or a clock that does, belongs to no rate worked out so far.
    if (!m_samples.empty() && (sent < m_samples.back().sent || at < m_samples.back().at))
        m_samples.clear();
    if (!m_started)
        m_started = at;
    m_total = total;
    m_samples.push_back({at, sent});
    while (m_samples.size() > 2 && m_samples[1].at <= at - RateWindow)
        m_samples.pop_front();
}

bool ProgressMeter::worthShowing(Time now) const
{
    return m_started && now - *m_started > ShowAfter;
}

ProgressMeter::Reading ProgressMeter::reading() const
{
    Reading r;
    if (m_samples.empty())
        return r;
    r.sent = m_samples.back().sent;
    r.total = m_total;
    const qint64 left = std::max<qint64>(0, r.total - r.sent);
    // Rounded down: 100% says the last byte went out, never that one is about to.
    r.percent = left == 0 ? 100 : int(std::clamp<qint64>(qint64(double(r.sent) * 100.0 / double(r.total)), 0, 99));

    const Sample &first = m_samples.front();
    const Sample &last = m_samples.back();
    if (last.at > first.at)
        r.bytesPerSecond = double(last.sent - first.sent) * 1000.0 / double((last.at - first.at).count());
    if (left == 0)
        r.timeLeft = std::chrono::seconds(0);
    else if (r.bytesPerSecond && *r.bytesPerSecond > 0)
        r.timeLeft = std::chrono::seconds(qint64(std::ceil(double(left) / *r.bytesPerSecond)));
    return r;
}

QString ProgressMeter::rateText(double bytesPerSecond, const QString &bytesFormat)
{
    return sizeText(bytesPerSecond, bytesFormat) + QStringLiteral("/s");
}

QString ProgressMeter::durationText(std::chrono::seconds duration)
{
    const qint64 total = std::max<qint64>(0, duration.count());
    const qint64 hours = total / 3600;
    const qint64 minutes = total / 60 % 60;
    const qint64 seconds = total % 60;
    const QString tail = QStringLiteral("%1").arg(seconds, 2, 10, QLatin1Char('0'));
    if (hours == 0)
        return QString::number(minutes) + u':' + tail;
    return QString::number(hours) + u':' + QStringLiteral("%1").arg(minutes, 2, 10, QLatin1Char('0')) + u':' + tail;
}

QString ProgressMeter::text(const Reading &reading, const QString &leftFormat, const QString &bytesFormat)
{
    QStringList parts{QString::number(reading.percent) + u'%'};
    if (reading.bytesPerSecond)
        parts << rateText(*reading.bytesPerSecond, bytesFormat);
    if (reading.timeLeft)
        parts << leftFormat.arg(durationText(*reading.timeLeft));
    return parts.join(QStringLiteral(" · "));
}

} // namespace korva5
