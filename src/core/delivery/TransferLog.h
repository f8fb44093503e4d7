// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

namespace korva5 {

// The transfer log: every line of every upload, newest first where it is shown. Each line also
// goes to standard error (category korva5.log), so that the log reaches the journal when the
// program runs as a user service. Control characters in a line (from a hand-edited setting) are
// shown escaped, on the screen and on standard error alike.
class TransferLog : public QObject
{
    Q_OBJECT

public:
    // The most lines a view keeps, so months of running cost a fixed amount of memory.
    static constexpr int MaxLines = 10000;

    enum class Mirror { StandardError, None };

    explicit TransferLog(Mirror mirror = Mirror::StandardError, QObject *parent = nullptr);

    void insertTop(const QString &line);
    // Right under the newest line: what explains it (the reason under "Error!").
    void insertBelowTop(const QString &line);
    void clear();

signals:
    // row 0 is the top of the log, newest first.
    void inserted(const QString &shownLine, int row);
    void cleared();

private:
    void insertAt(const QString &line, int row);

    Mirror m_mirror;
};

} // namespace korva5
