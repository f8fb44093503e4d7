// SPDX-License-Identifier: MIT
#pragma once

#include "core/delivery/UploadsUnderWay.h"
#include "core/transfer/FtpRequest.h"
#include "core/transfer/TransferState.h"

#include <QDate>
#include <QObject>
#include <QStringList>

#include <functional>

namespace korva5 {

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
//
// It keeps the one table of the uploads under way (UploadsUnderWay), since it hands each to the
// control and hears first of its turn and its end; it passes both on once its lines are written.
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

    // The file of day on the server, by the settings in force.
    QString remotePathOf(QDate day) const;
    // Whether the records file of day is in the local folder.
    bool hasRecordsOf(QDate day) const;

    // The uploads asked for here whose end has not come in yet.
    UploadsUnderWay &underWay() { return m_underWay; }
    const UploadsUnderWay &underWay() const { return m_underWay; }

    // One line in the log for each state that means something to the user; under "Error!" the
    // failure in a few words.
    void logState(Ftp::State state, const FtpFailure &failure = {});

    // The line that tells an upload asked for while another runs to wait for it.
    QString waitingLine(const QString &remotePath) const;

signals:
    // The names of the day just handed over: the records file and its name on the server.
    void fileNamesChosen(const QString &localName, const QString &remoteName);
    // An upload asked for here has its turn; its opening lines are in the log.
    void uploadStarted(quint64 tag);
    // An upload asked for here has ended and is no longer under way: upload is what the table held
    // of it.
    void uploadEnded(const FtpResult &result, const UnderWay &upload);

private:
    void onStarted(quint64 tag);
    void onEnded(const FtpResult &result);

    AppState &m_state;
    TransferLog &m_log;
    TransferQueue &m_ftp;
    const Clock &m_clock;
    Text m_text;
    // Until its end has come in, the log may still owe an upload its opening lines.
    UploadsUnderWay m_underWay;
};

} // namespace korva5
