// SPDX-License-Identifier: MIT
#include "core/schedule/ScheduleCheck.h"

#include "core/settings/SysMain.h"

namespace {

constexpr int MinutesPerDay = 24 * 60;

int minuteOfDay(const QTime &time) { return time.hour() * 60 + time.minute(); }

QString timeOfDayText(int minute)
{
    return QStringLiteral("%1:%2").arg(minute / 60, 2, 10, QLatin1Char('0')).arg(minute % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

void ScheduleCheck::start(const QDateTime &startTime)
{
    m_examinedUpTo.clear();
    const QDate day = startTime.date();
    // Everything before the start minute counts as examined, back to the start of yesterday.
    m_examinedUpTo.insert(day.addDays(-1), MinutesPerDay - 1);
    m_examinedUpTo.insert(day, minuteOfDay(startTime.time()) - 1);
}

bool ScheduleCheck::isExamined(QDate day, int minute) const
{
    const auto it = m_examinedUpTo.constFind(day);
    return it != m_examinedUpTo.cend() && minute <= it.value();
}

void ScheduleCheck::markExamined(QDate day, int minute)
{
    int &upTo = m_examinedUpTo[day];
    upTo = std::max(upTo, minute);
    // Only the last few days can still come round again; forget the rest.
    while (m_examinedUpTo.size() > 4)
        m_examinedUpTo.erase(m_examinedUpTo.begin());
}

std::optional<int> ScheduleCheck::slotFor(const QString &timeOfDay, const std::array<QString, Settings::TimeSlots> &times)
{
    for (int slot = 0; slot < Settings::TimeSlots; ++slot) {
        const QString time = SysMain::Trim(times[size_t(slot)]);
        if (time.size() == 5 && time == timeOfDay)
            return slot;
    }
    return std::nullopt;
}

std::optional<ScheduleCheck::Match> ScheduleCheck::examine(const QDateTime &now,
                                                           const std::array<QString, Settings::TimeSlots> &times)
{
    // Wall-clock minutes as plain numbers: the date and the minute of the day.
    const QDate today = now.date();
    const int current = minuteOfDay(now.time());
    for (int back = LookBackMinutes - 1; back >= 0; --back) {
        QDate day = today;
        int minute = current - back;
        if (minute < 0) {
            day = today.addDays(-1);
            minute += MinutesPerDay;
        }
        if (isExamined(day, minute))
            continue;
        markExamined(day, minute);
        if (const std::optional<int> slot = slotFor(timeOfDayText(minute), times))
            return Match{*slot, QDateTime(day, QTime(minute / 60, minute % 60))};
    }
    return std::nullopt;
}
