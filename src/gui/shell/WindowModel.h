// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QObject>
#include <QString>

namespace korva5 {

// What only the main window shows: the second and minute counters, the day picked for a manual
// upload and the file names of the last day handed to an upload. Fed by the station's ticks and
// the times it fires; the window displays it.
class WindowModel : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxMinuteCount = 10000;

    using QObject::QObject;

    // Seconds of the current minute, and minutes since start-up or the last time that fired.
    int seconds() const { return m_seconds; }
    int minutes() const { return m_minutes; }
    void secondPassed(int second);
    void minutePassed();
    // A scheduled time came for day: the picker shows it and the minutes count from 0 again.
    void timeFired(QDate day);

    QDate pickedDay() const { return m_pickedDay; }
    void setPickedDay(QDate day);

    const QString &localFileName() const { return m_localFileName; }
    const QString &remoteFileName() const { return m_remoteFileName; }
    void setFileNames(const QString &local, const QString &remote);

signals:
    void countersChanged();
    void pickedDayChanged(QDate day);
    void fileNamesChanged();

private:
    void setCounters(int seconds, int minutes);

    int m_seconds = 0;
    int m_minutes = 0;
    QDate m_pickedDay;
    QString m_localFileName;
    QString m_remoteFileName;
};

} // namespace korva5
