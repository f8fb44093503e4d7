// SPDX-License-Identifier: MIT
#pragma once

class QAbstractButton;

namespace korva5 {

// An access key (Alt + the underlined letter) that clicks its button the moment it is pressed.
// Qt's own shows the button pressed for a tenth of a second first and clicks after (an animated
// click): for an upload button that is a tenth of a second more before the upload is on its
// way. Here the button still looks pressed for that moment, after the click.
namespace AccessKeyClick {

void install(QAbstractButton *button);

} // namespace AccessKeyClick

} // namespace korva5
