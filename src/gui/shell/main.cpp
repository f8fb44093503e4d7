// SPDX-License-Identifier: MIT
#include "core/clock/Clock.h"
#include "core/diagnostics/Diagnostics.h"
#include "core/platform/Posix.h"
#include "core/state/StationFolder.h"
#include "gui/shell/CommandLine.h"
#include "gui/shell/DesktopRun.h"

#include <QApplication>
#include <QFontDatabase>

#include <thread>

using namespace korva5;

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
    return runApplication(StationFolder::of(QCoreApplication::applicationDirPath()), clock);
}
