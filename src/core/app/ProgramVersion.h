// SPDX-License-Identifier: MIT
#pragma once

// The program's version, as the window's title, --version and the status file sent to the
// office show it.
inline constexpr char ProgramVersion[] = "1.00";
