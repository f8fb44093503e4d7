// SPDX-License-Identifier: MIT
#pragma once

#include "core/state/ProgramBuild.h"

namespace korva5 {

// The modes asked for on the command line (--status, --history, --help, --version): each
// answers on standard output and ends, without a window, a display or the single-instance lock,
// so they work beside a running copy and on a machine without a desktop.
namespace CommandLine {

inline constexpr const char *Version = ProgramVersion;

// The exit status for "a command line that makes no sense" (EX_USAGE of sysexits.h).
inline constexpr int ExitUsage = 64;

// Runs the mode argv asks for and returns the program's exit status. Only for argc > 1: without
// arguments the program is the tray utility.
int run(int argc, char *argv[]);

} // namespace CommandLine

} // namespace korva5
