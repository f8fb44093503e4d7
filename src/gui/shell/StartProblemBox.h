// SPDX-License-Identifier: MIT
#pragma once

#include "core/app/ProgramFiles.h"
#include "gui/shell/Application.h"

namespace korva5 {

// The file problem a start-up ended with; Problem::None for any other ending.
ProgramFiles::Problem fileProblem(Application::LoadResult result);

// Whether a person may be in front of this display: not on the platforms that draw nowhere.
bool showsToAPerson();

// Says in a message box why the program cannot start, and returns once it is closed. Only where
// showsToAPerson(): a script or a test on the offscreen platform must not wait for a click.
void showStartProblem(const ProgramPaths &paths, ProgramFiles::Problem problem);

} // namespace korva5
