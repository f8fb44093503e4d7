// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace korva5 {

// The full-width forms a Chinese input method types in place of ASCII ("：" for ":", "１" for
// "1", "。" for "."): they look alike on screen, yet no server name, port, time or station number
// is read with them. The settings dialog names them and stores their ASCII forms instead.
namespace FullWidth {

// Whether c is one of those forms (U+FF01 to U+FF5E, the ideographic space and full stop).
bool isFullWidth(QChar c);
// text with each of them replaced by its ASCII form, everything else as it is.
QString toAscii(const QString &text);
// Where the first of them is in text; -1 when there is none.
qsizetype firstIn(const QString &text);
// How many of them text holds.
qsizetype countIn(const QString &text);

} // namespace FullWidth

} // namespace korva5
