// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace korva5 {

// The tray icon's tooltip: the run state's text and, while something is owed, a second line that
// names the files (owedText, "Owed: %1", with the list for %1). As many names as fit in the
// notification area's 63 characters, then how many more ("+2"); at least one name, for which the
// run state's text gives way when both cannot fit.
QString trayTooltip(const QString &runStatus, const QStringList &owedFiles, const QString &owedText);

} // namespace korva5
