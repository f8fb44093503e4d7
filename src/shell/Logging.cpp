// SPDX-License-Identifier: MIT
#include "Logging.h"

Q_LOGGING_CATEGORY(lcShell, "korva5.shell", QtInfoMsg)
