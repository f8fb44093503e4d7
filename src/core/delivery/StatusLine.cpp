// SPDX-License-Identifier: MIT
#include "core/delivery/StatusLine.h"

#include "core/schedule/ScheduleCheck.h"

namespace StatusLine {

QString sizeText(qint64 bytes)
{
    if (bytes < 1000)
        return QStringLiteral("%1 bytes").arg(std::max<qint64>(bytes, 0));
    const char *units[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes) / 1000.0;
    int unit = 0;
    while (value >= 1000.0 && unit < 3) {
        value /= 1000.0;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', value < 10.0 ? 1 : 0).arg(QLatin1StringView(units[unit]));
}

QDateTime nextScheduled(const QDateTime &now, const std::array<QString, Settings::TimeSlots> &times)
{
    QDateTime best;
    for (const QString &time : times) {
        const QTime at = QTime::fromString(time.trimmed(), QStringLiteral("HH:mm"));
        if (!at.isValid() || time.trimmed().size() != 5)
            continue;
        QDateTime candidate(now.date(), at);
        if (candidate <= now)
            candidate = QDateTime(now.date().addDays(1), at);
        if (!best.isValid() || candidate < best)
            best = candidate;
    }
    return best;
}

QString text(const Facts &facts, const QDateTime &now, const std::function<QString(const QString &)> &languageText)
{
    const QString none = languageText(QStringLiteral("StatusNone"));
    QString last = none;
    if (!facts.lastFile.isEmpty()) {
        const QString format = facts.lastTime.date() == now.date() ? QStringLiteral("HH:mm:ss") : QStringLiteral("yyyy-MM-dd HH:mm:ss");
        last = QStringLiteral("%1 %2").arg(facts.lastFile, facts.lastTime.toString(format));
        if (facts.lastBytes >= 0)
            last += QStringLiteral(" (%1)").arg(sizeText(facts.lastBytes));
    }
    const QString next = facts.next.isValid() ? facts.next.toString(QStringLiteral("HH:mm")) : none;
    return QStringLiteral("%1 %2 \u00b7 %3 %4 \u00b7 %5 %6")
        .arg(languageText(QStringLiteral("StatusLast")), last, languageText(QStringLiteral("StatusNext")), next,
             languageText(QStringLiteral("StatusWaiting")))
        .arg(facts.waiting);
}

} // namespace StatusLine
