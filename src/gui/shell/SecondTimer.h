// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <functional>

class Clock;
class QDateEdit;
class QLabel;
class ScheduleCheck;
class SysMain;
class UploadHandlers;

// What the main window's one-second timer does: hide the window once, a few seconds after
// start-up; count the seconds of the minute in lblSec; and every sixtieth tick, counted from
// start-up, run the schedule check, which counts the minutes in lblCount and starts the upload
// of a configured time that has come.
//
// The counts are kept where the user sees them, in the captions: " 1" ... " 59" (a number
// written back carries one leading blank), and "0" after each roll-over.
class SecondTimer : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QLabel *lblSec;
        QLabel *lblCount;
        QDateEdit *dtUp;
    };

    SecondTimer(Controls controls, SysMain &sys, ScheduleCheck &schedule, UploadHandlers &uploads,
                const Clock &clock, std::function<void()> cmbMin_Click, QObject *parent = nullptr);

    void tmrSec_Timer();
    void CheckUploadTime();

    // A count as the captions show it: " 1", " 2", ...; numbers read back the same way.
    static QString countText(int count);
    static int countOf(const QString &caption);

private:
    Controls m_c;
    SysMain &m_sys;
    ScheduleCheck &m_schedule;
    UploadHandlers &m_uploads;
    const Clock &m_clock;
    std::function<void()> m_hide;
};
