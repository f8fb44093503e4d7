// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class Clock;
class InetFtp;
class QDateEdit;
class QLabel;
class TransferLog;
struct Settings;

// The two upload buttons of the main window and the transfer control's state events.
//
// An upload names the records file of the picked date and its name on the server, shows both,
// writes the upload command into the log and hands the transfer to the control; it does not
// wait. How the transfer goes shows as the status lines the control's states add to the log.
class UploadHandlers : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QDateEdit *dtUp;
        QLabel *lblLocal;     // the local folder, read back from its caption
        QLabel *lblLocalFile;
        QLabel *lblUpFile;
    };

    UploadHandlers(Controls controls, const Settings &settings, TransferLog &log, InetFtp &inetFtp,
                   const Clock &clock, QObject *parent = nullptr);

    // "Manual Upload": the file of the date in the picker. The schedule uses it too.
    void cmdUpLoad_Click();
    // "Yesterday Upload": yesterday's file; the picker shows today again afterwards.
    void cmdUpLoad2_Click();
    // One line in the log for each state that means something to the user.
    void inetFtp_StateChanged(qint16 state);

private:
    void sendPickedDay();

    Controls m_c;
    const Settings &m_settings;
    TransferLog &m_log;
    InetFtp &m_inetFtp;
    const Clock &m_clock;
};
