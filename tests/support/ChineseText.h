// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace korva5 {

namespace TestSupport {

// What of a Chinese text a Chinese reader would not expect there: English words (protocol and
// file names aside), and the half-width punctuation of an English sentence. quoted: what the
// text was given to show as it came (paths, the server's replies), left out of the check.
QStringList notChinese(QString text, const QStringList &quoted = {});

} // namespace TestSupport

} // namespace korva5
