// SPDX-License-Identifier: MIT
#include "gui/tray/TrayLogging.h"

namespace korva5 {

Q_LOGGING_CATEGORY(lcTray, "korva5.shell", QtInfoMsg)

} // namespace korva5
