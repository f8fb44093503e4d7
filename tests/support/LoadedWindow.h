// SPDX-License-Identifier: MIT
#pragma once

#include "FakeClock.h"
#include "ProgramDir.h"
#include "RecordingNotifyArea.h"

#include <QStringList>

#include <memory>

namespace korva5 {

class Application;
class MainWindow;
class SecondTicker;
class Station;
class TransferQueue;

namespace TestSupport {

// The program loaded from a program folder of its own, with a clock, a notification area and
// the schedule's ticks the test controls: tests that want ticks give them. Its window stays in
// sight until the test hides it.
class LoadedWindow
{
public:
    static inline const QDateTime DefaultStart = QDateTime(QDate(2021, 3, 5), QTime(8, 0));

    // settingsFile is the text of TALLYPORT.ini; "{dir}" in it stands for the program folder.
    explicit LoadedWindow(const QByteArray &settingsFile, const QDateTime &now = DefaultStart);
    virtual ~LoadedWindow();

    // Starts the program (again, after a reset of app: a restart) on the same folder.
    void load();
    // The transfer log, newest line first.
    QStringList log() const;
    // The text of a label or button of the main window.
    QString caption(const QString &name) const;
    Station &station() const;
    // The station's transfer control, found by its name.
    TransferQueue &transfers() const;
    // The station's minute at when: the ticks up to the sixtieth with the clock where it was,
    // then the clock moved and the sixtieth tick, as the program's timer gives them.
    void minuteAt(const QDateTime &when);

    ProgramDir dir;
    FakeClock clock;
    RecordingNotifyArea tray;
    std::unique_ptr<SecondTicker> ticks;
    std::unique_ptr<Application> app;
    MainWindow *window = nullptr; // app's
};

} // namespace TestSupport

} // namespace korva5
