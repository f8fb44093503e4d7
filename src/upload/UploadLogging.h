// SPDX-License-Identifier: MIT
#pragma once

#include <QLoggingCategory>

// Diagnostics of transfers: what failed and why, what was sent. Info and above are shown.
Q_DECLARE_LOGGING_CATEGORY(lcUpload)
