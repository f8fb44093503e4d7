// SPDX-License-Identifier: MIT
#include "core/state/StationFolder.h"

#include "core/state/ProgramBuild.h"

#include <QDir>

namespace korva5 {

namespace StationFolder {

QString installed()
{
    return QString::fromUtf8(InstalledStationDir);
}

QString of(const QString &executableDir)
{
    const QString fixed = installed();
    return fixed.isEmpty() ? executableDir : fixed;
}

bool isInstalled(const QString &folder)
{
    const QString fixed = installed();
    return !fixed.isEmpty() && QDir::cleanPath(folder) == fixed;
}

} // namespace StationFolder

} // namespace korva5
