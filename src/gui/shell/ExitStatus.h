// SPDX-License-Identifier: MIT
#pragma once

#include "gui/shell/Application.h"

namespace korva5 {

// The exit statuses of the program, as the README lists them.
enum ExitStatus : int {
    ExitNormal = 0,             // ended through the Exit command, SIGTERM/SIGINT or the session ending
    ExitAlreadyRunning = 3,     // another copy runs from the same program folder
    ExitSettingsMissing = 4,    // TALLYPORT.ini is not in the program folder
    ExitLanguageMissing = 5,    // Language.txt is not in the program folder
    ExitSettingsUnreadable = 6, // TALLYPORT.ini is there but cannot be read
    ExitLanguageUnreadable = 7, // Language.txt is there but cannot be read
    ExitLockUnavailable = 8,    // the single-instance lock cannot be taken
};

inline int exitStatus(Application::LoadResult result)
{
    switch (result) {
    case Application::LoadResult::Loaded:
        return ExitNormal;
    case Application::LoadResult::AlreadyRunning:
        return ExitAlreadyRunning;
    case Application::LoadResult::SettingsMissing:
        return ExitSettingsMissing;
    case Application::LoadResult::LanguageMissing:
        return ExitLanguageMissing;
    case Application::LoadResult::SettingsUnreadable:
        return ExitSettingsUnreadable;
    case Application::LoadResult::LanguageUnreadable:
        return ExitLanguageUnreadable;
    case Application::LoadResult::LockUnavailable:
        return ExitLockUnavailable;
    }
    return ExitNormal;
}

} // namespace korva5
