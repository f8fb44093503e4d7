// SPDX-License-Identifier: MIT
#include "gui/tray/TrayLogging.h"

Q_LOGGING_CATEGORY(lcTray, "korva5.shell", QtInfoMsg)
