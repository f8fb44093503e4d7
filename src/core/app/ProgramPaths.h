// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/SysMain.h"

#include <QString>

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
        paths.programDir = SysMain::AddBackslash(folder);
        paths.iniFile = SysMain::Trim(paths.programDir) + u"TALLYPORT.ini";
        paths.languageFile = SysMain::Trim(paths.programDir) + u"Language.txt";
        return paths;
    }
};
