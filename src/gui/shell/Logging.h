// SPDX-License-Identifier: MIT
#pragma once

#include <QLoggingCategory>

namespace korva5 {

// Diagnostics of the application shell (start-up, window, single instance). Info and above are shown.
Q_DECLARE_LOGGING_CATEGORY(lcShell)

} // namespace korva5
