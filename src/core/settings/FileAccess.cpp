// SPDX-License-Identifier: MIT
#include "core/settings/FileAccess.h"

#include <QFileInfo>

namespace korva5 {

namespace FileAccess {

bool isMarkedReadOnly(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    return !info.isWritable() || !info.permission(QFileDevice::WriteOwner);
}

} // namespace FileAccess

} // namespace korva5
