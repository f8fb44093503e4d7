// SPDX-License-Identifier: MIT
#pragma once

#include <QLoggingCategory>

namespace korva5 {

// Diagnostics of the tray icon and its menu. Info and above are shown. Its lines keep the name
// "korva5.shell" they have always had, so filters and readers of old logs still find them.
Q_DECLARE_LOGGING_CATEGORY(lcTray)

} // namespace korva5
