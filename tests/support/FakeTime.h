// SPDX-License-Identifier: MIT
#pragma once

#include <QDir>
#include <QFile>
#include <QString>

namespace korva5 {

namespace TestSupport {

// libfaketime, which runs a started program's clock (and with it its one-second timer) faster, so
// that a scheduled time comes within seconds; empty when it is not installed.
inline QString fakeTimeLibrary()
{
    const QStringList found = QDir(QStringLiteral("/usr/lib")).entryList({QStringLiteral("*-linux-gnu")}, QDir::Dirs);
    for (const QString &multiarch : found) {
        const QString library = QStringLiteral("/usr/lib/%1/faketime/libfaketime.so.1").arg(multiarch);
        if (QFile::exists(library))
            return library;
    }
    return {};
}

} // namespace TestSupport

} // namespace korva5
