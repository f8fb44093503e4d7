// SPDX-License-Identifier: MIT
#pragma once

#include <QChar>
#include <QString>

// The small functions through which the program touches its two profile files (the settings
// file and the language file), and the path helper.
class SysMain
{
public:
    // Removes leading and trailing spaces and tabs (not other blanks): how every value read from
    // the settings file is taken, so a tab left behind by an editor cannot make a time or a login
    // useless. The profile file's own rule (ProfileFile::trimmedBlanks).
    static QString Trim(const QString &text);

    // The value of key in section of file; the empty text when the file, section or key is
    // missing or the file cannot be read. The value is not trimmed.
    static QString GetIniString(const QString &file, const QString &section, const QString &key);

    // Stores value under section and key, creating what is missing. False when the file cannot
    // be written, and then the file is left as it was (error says why).
    static bool WriteIniString(const QString &file, const QString &section, const QString &key,
                               const QString &value, QString *error = nullptr);

    // The path, trimmed, with the platform's directory separator appended unless it already ends
    // in one; a path that ends in the separator once trimmed comes back exactly as given.
    static QString AddBackslash(const QString &path);
    static QString AddBackslash(const QString &path, QChar separator);
};
