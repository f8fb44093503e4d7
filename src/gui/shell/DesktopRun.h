// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace korva5 {

class Clock;

// The desktop program in the station folder stationDir, from start-up to its end: the program is
// made and prepared, a start that cannot go on says why (and asks a running copy to show its
// window), the window shows and the program runs until it is ended. Its exit status.
int runApplication(const QString &stationDir, const Clock &clock);

} // namespace korva5
