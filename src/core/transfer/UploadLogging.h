// SPDX-License-Identifier: MIT
#pragma once

#include <QLoggingCategory>

namespace korva5 {

// Diagnostics of transfers: what failed and why, what was sent. Info and above are shown.
Q_DECLARE_LOGGING_CATEGORY(lcUpload)

// The transfer log's lines, mirrored to standard error as the window shows them.
Q_DECLARE_LOGGING_CATEGORY(lcLog)

} // namespace korva5
