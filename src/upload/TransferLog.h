// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class Clock;
class QListWidget;

// The transfer log: the list of the main window, newest line first. Every line also goes to
// standard error with the local date and time, one line each, so that the log reaches the
// journal when the program runs as a user service. The list keeps the newest MaxLines lines, so
// months of running cost a fixed amount of memory.
class TransferLog
{
public:
    static constexpr int MaxLines = 10000;

    enum class Mirror { StandardError, None };

    TransferLog(QListWidget *list, const Clock &clock, Mirror mirror = Mirror::StandardError);

    void insertTop(const QString &line);
    void clear();

private:
    QListWidget *m_list;
    const Clock &m_clock;
    Mirror m_mirror;
};
