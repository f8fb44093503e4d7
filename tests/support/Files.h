// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

namespace korva5 {

namespace TestSupport {

// The source tree (for data/Language.txt) and the built program, as CTest passes them.
QString sourceDir();
QString appBinary();

QByteArray readFile(const QString &path);
// size bytes of binary records, the same for the same day: a text-mode transfer would change them.
QByteArray recordsOf(const QString &day, int size = 4096);
void writeFile(const QString &path, const QByteArray &bytes);
// The value of key in section of the profile file at path, untrimmed; the empty text when the
// file, section or key is missing.
QString storedValue(const QString &path, const QString &section, const QString &key);

} // namespace TestSupport

} // namespace korva5
