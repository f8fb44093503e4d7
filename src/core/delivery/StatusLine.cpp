// SPDX-License-Identifier: MIT
#include "core/delivery/StatusLine.h"

#include "core/diagnostics/SizeText.h"
#include "core/schedule/DueTime.h"
#include "core/settings/TimeOfDay.h"

namespace korva5 {

namespace StatusLine {

QDateTime nextScheduled(const QDateTime &now, const std::array<QString, Settings::TimeSlots> &times)
{
    QDateTime best;
    for (const QString &time : times) {
        const std::optional<QTime> at = TimeOfDay::parse(time);
        if (!at)
            continue;
        QDateTime candidate = DueTime::on(now.date(), *at);
        if (candidate <= now)
            candidate = DueTime::on(now.date().addDays(1), *at);
        if (!best.isValid() || candidate < best)
            best = candidate;
    }
    return best;
}

QString text(const Facts &facts, const QDateTime &now, const std::function<QString(const QString &)> &languageText)
{
    // Without a server or a station number nothing can go out: that, and nothing else, is news.
    if (facts.notConfigured)
        return languageText(QStringLiteral("StatusNotConfigured"));
    const QString none = languageText(QStringLiteral("StatusNone"));
    QString last = none;
    if (!facts.lastFile.isEmpty()) {
        const QString format = facts.lastTime.date() == now.date() ? QStringLiteral("HH:mm:ss") : QStringLiteral("yyyy-MM-dd HH:mm:ss");
        last = QStringLiteral("%1 %2").arg(facts.lastFile, facts.lastTime.toString(format));
        if (facts.lastBytes >= 0)
            last += QStringLiteral(" (%1)").arg(sizeText(facts.lastBytes, languageText(QStringLiteral("SizeBytes"))));
    }
    // A time of another day says which: "17:13" after the last time of the day means tomorrow.
    const auto when = [&](const QDateTime &at) -> QString {
        const QString time = TimeOfDay::format(at.time());
        if (at.date() == now.date())
            return time;
        if (at.date() == now.date().addDays(1))
            return languageText(QStringLiteral("StatusTomorrow")).arg(time);
        return at.toString(QStringLiteral("yyyy-MM-dd ")) + time;
    };
    QStringList parts{
        languageText(QStringLiteral("StatusLast")) + u' ' + last,
        languageText(QStringLiteral("StatusNext")) + u' ' + (facts.next.isValid() ? when(facts.next) : none),
        languageText(QStringLiteral("StatusWaiting")) + u' ' + QString::number(facts.waiting),
    };
    if (facts.owed > 0) {
        parts << languageText(QStringLiteral("StatusOwed")) + u' ' + QString::number(facts.owed) + u' '
                + (facts.nextTry.isValid() ? languageText(QStringLiteral("StatusNextTry")).arg(when(facts.nextTry))
                                           : languageText(QStringLiteral("StatusNoMoreTries")));
    }
    if (!facts.failedByHand.isEmpty())
        parts << languageText(QStringLiteral("StatusFailedByHand")).arg(facts.failedByHand, facts.failedByHandReason);
    return parts.join(QStringLiteral(" \u00b7 "));
}

QStringList keys()
{
    return {QStringLiteral("StatusLast"),    QStringLiteral("StatusNext"),        QStringLiteral("StatusWaiting"),
            QStringLiteral("StatusNone"),    QStringLiteral("StatusTomorrow"),    QStringLiteral("StatusOwed"),
            QStringLiteral("StatusNextTry"), QStringLiteral("StatusNoMoreTries"), QStringLiteral("StatusFailedByHand"),
            QStringLiteral("StatusNotConfigured"), QStringLiteral("SizeBytes")};
}

} // namespace StatusLine

} // namespace korva5
