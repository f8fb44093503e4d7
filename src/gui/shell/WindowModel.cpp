// SPDX-License-Identifier: MIT
#include "gui/shell/WindowModel.h"

namespace korva5 {

void WindowModel::secondPassed(int second)
{
    setCounters(second, m_minutes);
}

void WindowModel::minutePassed()
{
    setCounters(m_seconds, m_minutes + 1 > MaxMinuteCount ? 0 : m_minutes + 1);
}

void WindowModel::timeFired(QDate day)
{
    setPickedDay(day);
    setCounters(m_seconds, 0);
}

void WindowModel::setCounters(int seconds, int minutes)
{
    if (m_seconds == seconds && m_minutes == minutes)
        return;
    m_seconds = seconds;
    m_minutes = minutes;
    emit countersChanged();
}

void WindowModel::setPickedDay(QDate day)
{
    if (m_pickedDay == day)
        return;
    m_pickedDay = day;
    emit pickedDayChanged(day);
}

void WindowModel::setFileNames(const QString &local, const QString &remote)
{
    m_localFileName = local;
    m_remoteFileName = remote;
    emit fileNamesChanged();
}

} // namespace korva5
