// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/ProfileFile.h"

#include <QDir>
#include <QString>

namespace korva5 {

// The path, trimmed, with separator appended unless it already ends in one; a path that ends in
// the separator once trimmed comes back exactly as given.
inline QString withTrailingSeparator(const QString &path, QChar separator = QDir::separator())
{
    const QString trimmed = ProfileFile::trimmedBlanks(path);
    if (!trimmed.endsWith(separator))
        return trimmed + separator;
    return path;
}

// Where the program's two files are: made once at start from the folder of the executable, and
// the same for the whole run.
struct ProgramPaths
{
    QString programDir;   // the program's folder, ending in the directory separator
    QString iniFile;      // programDir + "TALLYPORT.ini"
    QString languageFile; // programDir + "Language.txt"

    static ProgramPaths in(const QString &folder)
    {
        ProgramPaths paths;
        paths.programDir = withTrailingSeparator(folder);
        paths.iniFile = ProfileFile::trimmedBlanks(paths.programDir) + u"TALLYPORT.ini";
        paths.languageFile = ProfileFile::trimmedBlanks(paths.programDir) + u"Language.txt";
        return paths;
    }
};

} // namespace korva5
