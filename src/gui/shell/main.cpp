// SPDX-License-Identifier: MIT
#include "core/clock/Clock.h"
#include "core/diagnostics/Diagnostics.h"
#include "core/platform/Posix.h"
#include "core/state/StationFolder.h"
#include "gui/shell/CommandLine.h"
#include "gui/shell/ExitStatus.h"
#include "gui/shell/FrmMain.h"
#include "gui/shell/InstanceChannel.h"
#include "gui/shell/Logging.h"
#include "gui/shell/StartProblemBox.h"
#include "gui/shell/TerminationSignals.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QTimer>

#include <chrono>
#include <memory>
#include <thread>

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

int main(int argc, char *argv[])
{
    installDiagnostics();
    // Standard error may be a pipe to a reader that goes away (a "| tee" ended, a journal
    // restarted): the uploads must go on without their log lines.
    Posix::ignoreBrokenPipe();

    // Before any QApplication: a monitor runs these without a display, beside a running copy.
    if (argc > 1)
        return CommandLine::run(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korva5-upload"));
    QApplication::setApplicationVersion(QString::fromLatin1(CommandLine::Version));
    // The window hides itself into the notification area; that must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // Reading the system's font configuration takes a few milliseconds the controls of the
    // window need before it can show (their sizes depend on the font). It runs on a thread of
    // its own meanwhile; the font database serves every thread and waits where it must.
    // Joined when main ends, before the application object goes.
    const std::jthread fontDatabase([] { QFontDatabase::families(); });

    SystemClock clock;
    const QString stationDir = StationFolder::of(QCoreApplication::applicationDirPath());
    auto frmMain = std::make_unique<FrmMain>(FrmMain::Environment{stationDir, &clock});
    const FrmMain::LoadResult result = frmMain->prepare();
    // Another user's copy watches for requests of its user's alone; standard error has named it.
    if (result == FrmMain::LoadResult::AlreadyRunning && frmMain->runningCopyCanBeAsked())
        showRunningCopy(stationDir);
    if (result != FrmMain::LoadResult::Loaded) {
        // Standard error has said why; on a desktop nobody reads it. The window and its lock go
        // first, so that a copy started once the file is put right runs while this box is open.
        const ProgramPaths paths = frmMain->station().paths();
        frmMain.reset();
        showStartProblem(paths, fileProblem(result));
        return exitStatus(result);
    }
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, frmMain.get(), &FrmMain::exitProgram);
    frmMain->show();
    // The tray icon, the journal and the uploads owed follow as soon as the window is on its
    // way: a moment later, and the window does not wait for them to appear.
    QTimer::singleShot(0, frmMain.get(), &FrmMain::startServices);
    return QApplication::exec();
}
