// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>

namespace korva5 {

// The icon with a red mark in its lower right corner: the tray's sign that an upload is owed.
// The mark, a red disc with a white exclamation mark, covers more than a third of the image and
// is drawn at every size the icon has, so it stays visible in a 16-pixel notification area; the
// upper left of the image stays as it was.
QIcon withWarningMark(const QIcon &icon);

} // namespace korva5
