// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QListWidget;

// The transfer log: the list of the main window, newest line first. Every line also goes to
// standard error (category korva5.log), so that the log reaches the journal when the program
// runs as a user service. Control characters in a line (from a hand-edited setting) are shown
// escaped, in the list and on standard error alike. The list keeps the newest MaxLines lines,
// so months of running cost a fixed amount of memory.
class TransferLog
{
public:
    static constexpr int MaxLines = 10000;

    enum class Mirror { StandardError, None };

    explicit TransferLog(QListWidget *list, Mirror mirror = Mirror::StandardError);

    void insertTop(const QString &line);
    void clear();

private:
    QListWidget *m_list;
    Mirror m_mirror;
};
