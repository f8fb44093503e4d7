// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

namespace korva5 {

// What is wrong with a value typed into the settings dialog, said so that the person typing it
// knows what is expected, in the words text gives (the text of a key of Language.txt in the
// dialog's language); the empty text when nothing is. The value is taken as it will be stored:
// with the spaces and tabs around it removed.
namespace SettingsCheck {

using Text = std::function<QString(const QString &key)>;

// What the dialog makes of one box.
struct Finding
{
    enum class Severity {
        None,
        Warning, // said, and stored as typed: it may come right by itself (a share not mounted)
        Fix,     // said, and Ok stores fixed instead of what was typed
        Error,   // the value cannot work: Ok waits until it is mended
    };
    Severity severity = Severity::None;
    QString text;
    QString fixed;

    bool blocksOk() const { return severity == Severity::Error; }
};

// An upload time fires only when TimeOfDay reads it; an empty one is an unused slot. One that
// TimeOfDay::normalised reads ("8:30", full-width digits) is a Fix to its stored form.
Finding checkTime(const QString &time, const Text &text);
// The error of checkTime alone, empty for a time Ok can store.
QString timeProblem(const QString &time, const Text &text);

// The records file's path is this folder and the file name put together, so the folder must end
// with the separator, and it should exist. Empty or missing is not fatal to storing the settings
// (a share may be unmounted while they are edited): the dialog shows it as a warning.
QString localFolderProblem(const QString &folder, const Text &text);
Finding checkLocalFolder(const QString &folder, const Text &text);

// The server must be one of the forms the transfer accepts. An empty one is not set yet and
// passes, so a fresh install can be filled in a little at a time. A mistake with a likely meaning
// ("ftp//host") says what was meant; full-width characters are a Fix to their ASCII forms.
Finding checkServer(const QString &server, const Text &text);
// The error of checkServer alone, empty for a server Ok can store.
QString serverProblem(const QString &server, const Text &text);

// The station number becomes the extension of every remote file name: full-width digits are a
// Fix to ASCII ones.
Finding checkStationNo(const QString &stationNo, const Text &text);

// The status file's folder must not be the records folder, where the office's collectors expect
// records files alone; empty (no status file) passes.
Finding checkStatusFolder(const QString &statusFolder, const QString &recordsFolder, const Text &text);

// Whether two remote folders may be one: the same after "." and ".." and doubled slashes are taken
// out ("/status", "/status//", "/x/../status/"; "", "." and "./" are the login folder), or the
// same last folder name where one of them is relative to the login folder.
bool sameRemoteFolder(const QString &one, const QString &other);

} // namespace SettingsCheck

} // namespace korva5
