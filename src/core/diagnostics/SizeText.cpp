// SPDX-License-Identifier: MIT
#include "core/diagnostics/SizeText.h"

#include <iterator>

namespace korva5 {

QString sizeText(double bytes, const QString &bytesFormat)
{
    if (!(bytes >= 1000.0)) // NaN too: nothing below a byte is worth a unit
        return QString(bytesFormat).arg(bytes > 0 ? qint64(bytes) : 0);
    static const char *const units[] = {"KB", "MB", "GB", "TB"};
    double value = bytes / 1000.0;
    size_t unit = 0;
    // Rounded first: 999.6 KB is shown as 1.0 MB, never as "1000 KB".
    while (qRound64(value) >= 1000 && unit + 1 < std::size(units)) {
        value /= 1000.0;
        ++unit;
    }
    return QString::number(value, 'f', value < 99.95 ? 1 : 0) + u' ' + QLatin1StringView(units[unit]);
}

} // namespace korva5
