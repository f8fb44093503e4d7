// SPDX-License-Identifier: MIT
#include "gui/shell/SecondTimer.h"

#include "core/clock/Clock.h"
#include "core/schedule/ScheduleCheck.h"
#include "core/settings/SysMain.h"
#include "gui/upload/UploadHandlers.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>

namespace {

constexpr qint16 HideOnTick = 5;
constexpr qint16 StartUpDone = 10;
constexpr int MaxMinuteCount = 10000;

} // namespace

SecondTimer::SecondTimer(Controls controls, SysMain &sys, ScheduleCheck &schedule, UploadHandlers &uploads,
                         const Clock &clock, std::function<void()> cmbMin_Click, QObject *parent)
    : QObject(parent)
    , m_c(controls)
    , m_sys(sys)
    , m_schedule(schedule)
    , m_uploads(uploads)
    , m_clock(clock)
    , m_hide(std::move(cmbMin_Click))
{
}

QString SecondTimer::countText(int count)
{
    return u' ' + QString::number(count);
}

int SecondTimer::countOf(const QString &caption)
{
    return caption.trimmed().toInt();
}

void SecondTimer::tmrSec_Timer()
{
    if (m_sys.StartCount < HideOnTick) {
        ++m_sys.StartCount;
        if (m_sys.StartCount == HideOnTick) {
            m_hide();
            m_sys.StartCount = StartUpDone;
        }
    }

    m_c.lblSec->setText(countText(countOf(m_c.lblSec->text()) + 1));
    if (countOf(m_c.lblSec->text()) > 59) {
        m_c.lblSec->setText(QStringLiteral("0"));
        CheckUploadTime();
    }
}

void SecondTimer::CheckUploadTime()
{
    m_c.lblCount->setText(countText(countOf(m_c.lblCount->text()) + 1));
    if (countOf(m_c.lblCount->text()) > MaxMinuteCount)
        m_c.lblCount->setText(QStringLiteral("0"));

    const std::optional<ScheduleCheck::Match> match = m_schedule.examine(m_clock.now(), m_sys.settings.FtpTime);
    if (!match)
        return;
    m_c.dtUp->setDate(match->day());
    QCoreApplication::processEvents(); // what waited (clicks, transfer states) runs before the upload
    m_c.lblCount->setText(QStringLiteral("0"));
    m_uploads.cmdUpLoad_Click();
}
