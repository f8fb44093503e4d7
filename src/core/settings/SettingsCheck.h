// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

// What is wrong with a value typed into the settings dialog, said so that the person typing it
// knows what is expected, in the words text gives (the text of a key of Language.txt in the
// dialog's language); the empty text when nothing is. The value is taken as it will be stored:
// with the spaces and tabs around it removed.
namespace SettingsCheck {

using Text = std::function<QString(const QString &key)>;

// An upload time fires only when TimeOfDay reads it; an empty one is an unused slot.
QString timeProblem(const QString &time, const Text &text);

// The records file's path is this folder and the file name put together, so the folder must end
// with the separator, and it should exist. Empty or missing is not fatal to storing the settings
// (a share may be unmounted while they are edited): the dialog shows it as a warning.
QString localFolderProblem(const QString &folder, const Text &text);

// The server must be one of the forms the transfer accepts. An empty one is not set yet and
// passes, so a fresh install can be filled in a little at a time.
QString serverProblem(const QString &server, const Text &text);

} // namespace SettingsCheck
