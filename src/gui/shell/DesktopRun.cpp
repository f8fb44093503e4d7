// SPDX-License-Identifier: MIT
#include "gui/shell/DesktopRun.h"

#include "gui/shell/Application.h"
#include "gui/shell/ExitStatus.h"
#include "gui/shell/Logging.h"
#include "gui/shell/StartProblemBox.h"
#include "gui/shell/TerminationSignals.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <memory>

namespace korva5 {

namespace {

// A second start from the menu means "where is the program?": the running copy's window comes
// forward, and this copy ends as it always has.
void showRunningCopy(const QString &programDir)
{
    const QString folder = QDir::toNativeSeparators(programDir);
    if (InstanceChannel::askToShow(programDir, std::chrono::seconds(2)))
        qCInfo(lcShell).noquote() << "another copy runs from" << folder + u';' << "it was asked to show its window";
    else
        qCWarning(lcShell).noquote() << "another copy runs from" << folder + u';'
                                     << "it did not answer the request to show its window";
}

} // namespace

int runApplication(const QString &stationDir, const Clock &clock)
{
    auto application = std::make_unique<Application>(Application::Environment{stationDir, &clock});
    const Application::LoadResult result = application->prepare();
    // Another user's copy watches for requests of its user's alone; standard error has named it.
    if (result == Application::LoadResult::AlreadyRunning && application->runningCopyCanBeAsked())
        showRunningCopy(stationDir);
    if (result != Application::LoadResult::Loaded) {
        // Standard error has said why; on a desktop nobody reads it. The program and its lock go
        // first, so that a copy started once the file is put right runs while this box is open.
        const ProgramPaths paths = application->paths();
        application.reset();
        showStartProblem(paths, fileProblem(result));
        return exitStatus(result);
    }
    TerminationSignals terminationSignals;
    MainWindow &window = application->window();
    QObject::connect(&terminationSignals, &TerminationSignals::received, &window, &MainWindow::exitProgram);
    window.show();
    // The tray icon, the journal and the uploads owed follow as soon as the window is on its
    // way: a moment later, and the window does not wait for them to appear.
    QTimer::singleShot(0, application.get(), &Application::startServices);
    return QApplication::exec();
}

} // namespace korva5
