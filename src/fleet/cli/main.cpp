// SPDX-License-Identifier: MIT
#include "core/diagnostics/Diagnostics.h"
#include "core/platform/Posix.h"
#include "fleet/cli/FleetCommand.h"
#include "fleet/cli/FleetRun.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

using namespace korva5;
using namespace korva5::fleet;

int main(int argc, char *argv[])
{
    installDiagnostics();
    // A monitor may stop reading the answer early; that must not end the check with a signal.
    Posix::ignoreBrokenPipe();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korva5-fleet"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(FleetVersion));

    const FleetCommandOutcome outcome = readFleetCommand(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment(),
                                                         QCoreApplication::applicationDirPath(), QDir::currentPath());
    if (outcome.exitStatus == UsageError) {
        std::fprintf(stderr, "korva5-fleet: %s\nTry korva5-fleet --help.\n", qPrintable(outcome.message));
        return UsageError;
    }
    const FleetCommand &command = outcome.command;
    if (command.help) {
        std::fputs(qPrintable(FleetCommand::helpText()), stdout);
        return 0;
    }
    if (command.version) {
        std::printf("korva5-fleet %s\n", FleetVersion);
        return 0;
    }
    return runFleetCheck(command, QDateTime::currentDateTime(), outcome.message);
}
