// SPDX-License-Identifier: MIT
#include "gui/shell/Logging.h"

Q_LOGGING_CATEGORY(lcShell, "korva5.shell", QtInfoMsg)
