// SPDX-License-Identifier: MIT
#include "core/clock/Clock.h"
#include "core/diagnostics/Diagnostics.h"
#include "gui/shell/ExitStatus.h"
#include "gui/shell/FrmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    installDiagnostics();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korva5-upload"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    // The window hides itself into the notification area; that must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    SystemClock clock;
    FrmMain frmMain({QCoreApplication::applicationDirPath(), &clock});
    const FrmMain::LoadResult result = frmMain.Form_Load();
    if (result != FrmMain::LoadResult::Loaded)
        return exitStatus(result);
    frmMain.show();
    return QApplication::exec();
}
