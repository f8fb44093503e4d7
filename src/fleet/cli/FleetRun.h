// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/cli/FleetCommand.h"

#include <QDateTime>

namespace korva5::fleet {

// Makes the check the command asks for at now (reading the server unless the command could not
// be read as far as that: error then holds why, and the answer is UNKNOWN), prints the answer in
// the command's form on standard output, writes the page when asked, and returns the exit status.
int runFleetCheck(const FleetCommand &command, const QDateTime &now, const QString &error = {});

} // namespace korva5::fleet
