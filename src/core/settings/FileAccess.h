// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace korva5 {

namespace FileAccess {

// True when the file or folder at path exists and is marked read-only: no write permission for
// its owner, or none for this user. Checking the owner's bit as well keeps a read-only settings
// file read-only for a user with administrator rights, who could otherwise write it anyway.
bool isMarkedReadOnly(const QString &path);

} // namespace FileAccess

} // namespace korva5
