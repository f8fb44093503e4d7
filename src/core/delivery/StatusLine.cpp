// SPDX-License-Identifier: MIT
#include "core/delivery/StatusLine.h"

#include "core/diagnostics/SizeText.h"
#include "core/settings/TimeOfDay.h"

namespace StatusLine {

QDateTime nextScheduled(const QDateTime &now, const std::array<QString, Settings::TimeSlots> &times)
{
    QDateTime best;
    for (const QString &time : times) {
        const std::optional<QTime> at = TimeOfDay::parse(time);
        if (!at)
            continue;
        QDateTime candidate(now.date(), *at);
        if (candidate <= now)
            candidate = QDateTime(now.date().addDays(1), *at);
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
    const QString next = facts.next.isValid() ? TimeOfDay::format(facts.next.time()) : none;
    return QStringLiteral("%1 %2 \u00b7 %3 %4 \u00b7 %5 %6")
        .arg(languageText(QStringLiteral("StatusLast")), last, languageText(QStringLiteral("StatusNext")), next,
             languageText(QStringLiteral("StatusWaiting")))
        .arg(facts.waiting);
}

} // namespace StatusLine
