// SPDX-License-Identifier: MIT
#include "gui/shell/Logging.h"

namespace korva5 {

Q_LOGGING_CATEGORY(lcShell, "korva5.shell", QtInfoMsg)

} // namespace korva5
