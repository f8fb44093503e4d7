// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

namespace TestSupport {

// The source tree (for data/Language.txt) and the built program, as CTest passes them.
QString sourceDir();
QString appBinary();

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

} // namespace TestSupport
