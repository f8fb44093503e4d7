// SPDX-License-Identifier: MIT
#pragma once

namespace korva5 {

// Every diagnostic line of the program, whatever its category (the transfer log's mirror,
// failure reasons, start-up lines), goes to standard error in one shape:
// "yyyy-MM-dd HH:mm:ss category: message", local time, control characters escaped. A standard
// error that is closed or full drops the line; it never ends the program.
void installDiagnostics();

} // namespace korva5
