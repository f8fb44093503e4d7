// SPDX-License-Identifier: MIT
#include "core/clock/Clock.h"
#include "core/diagnostics/Diagnostics.h"
#include "core/platform/Posix.h"
#include "gui/shell/CommandLine.h"
#include "gui/shell/ExitStatus.h"
#include "gui/shell/FrmMain.h"
#include "gui/shell/TerminationSignals.h"

#include <QApplication>

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

    SystemClock clock;
    FrmMain frmMain({QCoreApplication::applicationDirPath(), &clock});
    const FrmMain::LoadResult result = frmMain.load();
    if (result != FrmMain::LoadResult::Loaded)
        return exitStatus(result);
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &frmMain, &FrmMain::exitProgram);
    frmMain.show();
    return QApplication::exec();
}
