// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace korva5 {

namespace ProgramFolder {

// A short name for programDir, the same for every copy started from it, however it was reached
// (through a link, a relative path): what the single-instance lock and a journal kept outside
// the folder are named by.
QString key(const QString &programDir);

} // namespace ProgramFolder

} // namespace korva5
