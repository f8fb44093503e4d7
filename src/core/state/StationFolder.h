// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace korva5 {

// The station folder: where the station's own files are (TALLYPORT.ini, Language.txt, the
// journal and the marks a run leaves). A program folder copied by hand holds them beside the
// executable, as stations have always had them. An installed program keeps them in the folder
// its package made, which the build names: the folder of the executable is root's, so that no
// file a station user may write lies beside what root, other users and monitors run.
namespace StationFolder {

// The folder the build fixed; empty for a program that keeps its files beside itself.
QString installed();

// The station folder of a program whose executable lies in executableDir.
QString of(const QString &executableDir);

// Whether folder is the one the build fixed. Its journal is one for every user who runs the
// program there: it never moves to a user's own state folder, where the others cannot see it.
bool isInstalled(const QString &folder);

} // namespace StationFolder

} // namespace korva5
