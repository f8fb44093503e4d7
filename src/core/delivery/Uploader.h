// SPDX-License-Identifier: MIT
#pragma once

#include "core/transfer/TransferState.h"

#include "core/transfer/FtpRequest.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>

class AppState;
class Clock;
class TransferQueue;
class TransferLog;

// One day's upload, asked for with the day: the records file of that day in the local folder and
// its name on the server, both built from the settings in force; the time-stamp and command lines
// in the log; the transfer handed to the control, without waiting. How it goes shows as the
// status lines the control's states add to the log.
//
// The status lines under a command line always belong to it: while another upload is still
// under way, the request only logs that it waits, and its time-stamp and command lines follow
// when its turn comes, after the last line of the one before.
class Uploader : public QObject
{
    Q_OBJECT

public:
    // The text of a key of Language.txt in the language in use.
    using Text = std::function<QString(const QString &key)>;

    // text words the lines that are the program's own (the wait, the reason under "Error!"); the
    // transfer's lines read the same in every language.
    Uploader(AppState &state, TransferLog &log, TransferQueue &ftp, const Clock &clock, Text text,
             QObject *parent = nullptr);

    // What was handed to the control: the send's number and both paths.
    struct Sent
    {
        quint64 tag = 0;
        QString localPath;
        QString remotePath;
    };

    // How an upload opens in the log: with the time-stamp line (manual and scheduled uploads), or
    // with the command line alone (the yesterday button).
    enum class Opening { TimeStamp, CommandOnly };

    // Sends the file of day.
    Sent send(QDate day, Opening opening);

    // One line in the log for each state that means something to the user; under "Error!" the
    // failure in a few words.
    void logState(Ftp::State state, const FtpFailure &failure = {});

    // The line that tells an upload asked for while another runs to wait for it.
    QString waitingLine(const QString &remotePath) const;

signals:
    // The names of the day just handed over: the records file and its name on the server.
    void fileNamesChosen(const QString &localName, const QString &remoteName);

private:
    void onStarted(quint64 tag);
    void onEnded(const FtpResult &result);

    AppState &m_state;
    TransferLog &m_log;
    TransferQueue &m_ftp;
    const Clock &m_clock;
    Text m_text;
    // Uploads asked for here whose end has not come in yet: the log still owes their lines.
    QSet<quint64> m_unfinished;
    // The opening lines of waiting uploads, oldest first, written when their turn comes.
    QHash<quint64, QStringList> m_opening;
};
