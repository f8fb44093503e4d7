// SPDX-License-Identifier: MIT
#pragma once

#include "core/app/ProgramPaths.h"

namespace korva5 {

// The start-up check of the program's two files, for the window's start and the command-line
// looks alike. A file that is missing or cannot be read is named on standard error with the
// reason: the program then ends at once, and this line is all a user or a service manager gets.
namespace ProgramFiles {

enum class Problem { None, SettingsMissing, LanguageMissing, SettingsUnreadable, LanguageUnreadable };

// Checks the settings file, and the language file when withLanguage (the command-line looks
// need no captions).
Problem check(const ProgramPaths &paths, bool withLanguage = true);

} // namespace ProgramFiles

} // namespace korva5
