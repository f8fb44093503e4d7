// SPDX-License-Identifier: MIT
#pragma once

#include "core/app/Station.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/InstanceChannel.h"
#include "gui/shell/SingleInstance.h"

#include <QObject>

#include <chrono>
#include <memory>

namespace korva5 {

class Clock;
class NotifyArea;
class SecondTicker;

// The program as it runs on a desktop: the single-instance lock, the station, the channel a
// second start asks through and the main window, made in this order and ended in the reverse.
// A copy started the moment the lock is free meets nothing of this one: by then the window is
// gone, the request folder removed, the transfer under way ended and the journal closed.
class Application : public QObject
{
    Q_OBJECT

public:
    // What the program needs from its surroundings.
    struct Environment
    {
        QString programDir; // the station folder: beside the executable, or the one an installed program has
        const Clock *clock = nullptr;
        NotifyArea *tray = nullptr; // the desktop's notification area; made by the window when not given
        // Ticks that drive the schedule in place of the station's own one-second timer.
        SecondTicker *ticks = nullptr;
        // How long the window stays in sight after start-up; zero or less: it stays.
        std::chrono::milliseconds hideAfter = MainWindow::HideAfter;
    };

    // How start-up ended. A result other than Loaded ends the program. A file that is missing or
    // cannot be read is named on standard error (with the reason), and so is why the
    // single-instance lock cannot be taken; for AlreadyRunning the caller asks the running copy
    // to show its window and says so.
    enum class LoadResult { Loaded, AlreadyRunning, SettingsMissing, LanguageMissing, SettingsUnreadable,
                            LanguageUnreadable, LockUnavailable };
    Q_ENUM(LoadResult)

    explicit Application(Environment environment);
    ~Application() override;

    // prepare() and then, when it gives Loaded, startServices().
    LoadResult load();
    // What the window shows first: the single-instance lock, the settings, the names, the
    // captions. A result other than Loaded ends the program.
    LoadResult prepare();
    // What the window need not wait for: the tray icon, the channel a second start asks through,
    // the journal, and the uploads owed from an earlier run (with catch-up of the times missed
    // meanwhile). Once, after prepare().
    void startServices();

    // After AlreadyRunning: whether the running copy is this user's from the same folder, and
    // so can be asked to show its window.
    bool runningCopyCanBeAsked() const { return m_instance.heldByThisUser(); }
    const ProgramPaths &paths() const { return m_station.paths(); }
    Station &station() { return m_station; }
    MainWindow &window() { return m_window; }

private:
    // The start-up check of the two files, as a start-up result; Loaded when both can be read.
    LoadResult checkFiles() const;

    const Environment m_env;
    SingleInstance m_instance;
    Station m_station;
    std::unique_ptr<InstanceChannel> m_channel; // from startServices() on
    MainWindow m_window;
    bool m_servicesStarted = false;
};

} // namespace korva5
