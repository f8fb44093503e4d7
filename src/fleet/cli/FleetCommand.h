// SPDX-License-Identifier: MIT
#pragma once

#include "core/language/BuiltInTexts.h"
#include "core/state/ProgramBuild.h"
#include "fleet/check/FleetSettings.h"

#include <QDate>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace korva5::fleet {

// One version for the station's program and the office's check, as they are built together.
inline constexpr const char *FleetVersion = ProgramVersion;

// The exit statuses beside the monitoring plugin's 0 to 3.
inline constexpr int UsageError = 64; // EX_USAGE: the command line cannot be understood

// What the command line asks for, and the settings it makes together with fleet.ini and the
// environment.
//
// Where each value comes from, the first that has it winning: the command line, then (for the
// password) --password-file and KORVA5_FLEET_PASSWORD, then fleet.ini: the file given with
// --config, else fleet.ini beside the executable, else fleet.ini in the working folder, else
// none (every value then comes from the command line).
struct FleetCommand
{
    enum class Form { Text, Json, Prometheus };

    bool help = false;
    bool version = false;
    Form form = Form::Text;
    QString htmlFile; // --html: write the page there too
    QString language = QLatin1StringView(BuiltInTexts::English); // the page's: English, China or Taiwan
    // --prometheus-file: write Prometheus' text there too, keeping the stations' series of the
    // text there before when the server cannot be read
    QString prometheusFile;
    QDate day;        // --day; invalid: today
    FleetSettings settings;
    QString configFile; // the fleet.ini read, or empty

    // The text of --help.
    static QString helpText();
};

// The outcome of reading the command line and the settings: a command to run, or the exit
// status and the message to end with: UsageError with the message for standard error, or
// FleetReport::Unknown with the reason, which the command still answers in the form it asks for
// (a monitor or a dashboard reads why in its own form), its page included.
struct FleetCommandOutcome
{
    FleetCommand command; // as far as it was read
    int exitStatus = 0;
    QString message;      // empty: the command is ready to run

    bool ready() const { return message.isEmpty(); }
};

// arguments as the program got them (the program's name first); programDir is the executable's
// folder, workingDir the working folder.
FleetCommandOutcome readFleetCommand(const QStringList &arguments, const QProcessEnvironment &environment,
                                     const QString &programDir, const QString &workingDir);

} // namespace korva5::fleet
