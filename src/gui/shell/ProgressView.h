// SPDX-License-Identifier: MIT
#pragma once

#include "core/transfer/FtpRequest.h"
#include "gui/shell/ProgressMeter.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>

class QProgressBar;

namespace korva5 {

class Station;

// The bar under the transfer log that shows how far a long upload is. It stays hidden for an
// upload that is over within ProgressMeter::ShowAfter, so a day's usual small file makes no
// flicker, and hides again when the upload ends, however it ends.
class ProgressView : public QObject
{
    Q_OBJECT

public:
    // text gives the words for the time left (TimeLeft) and for bytes (SizeBytes) in the language
    // in use, "%1" standing for the number; asked each time the bar comes up, so a switch of
    // language shows on the next upload.
    ProgressView(Station &station, QProgressBar *bar, std::function<QString(const QString &key)> text,
                 QObject *parent = nullptr);

private:
    void onStarted(quint64 tag);
    void onProgress(quint64 tag, qint64 sent, qint64 total);
    void onEnded(const FtpResult &result);
    ProgressMeter::Time now() const;

    QProgressBar *m_bar;
    std::function<QString(const QString &key)> m_text;
    QElapsedTimer m_clock;
    ProgressMeter m_meter;
    quint64 m_tag = 0; // the upload whose turn it is; 0 while none runs
    QString m_left;    // the words for the time left while the bar is up
    QString m_bytes;   // and for a number of bytes
};

} // namespace korva5
