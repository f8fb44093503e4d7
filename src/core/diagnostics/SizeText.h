// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace korva5 {

// A count of bytes as people read it, in decimal units (1 KB is 1000 bytes, as disks and lines
// are sold): "532 bytes", "12.3 KB", "1.0 MB", "250 MB". Three figures at most, so the status line
// and the progress bar keep their width; the C locale's decimal point, so the window and the log
// read alike. A rate is this with "/s" after it. bytesFormat words a count below a kilobyte
// ("%1 bytes" in English); the units above it are the same symbols in every language.
QString sizeText(double bytes, const QString &bytesFormat = QStringLiteral("%1 bytes"));

} // namespace korva5
