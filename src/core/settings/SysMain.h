// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/Settings.h"

#include <QChar>
#include <QString>

// The program's shared state and the small functions through which it touches its two profile
// files (the settings file and the language file). No other code opens either file.
class SysMain
{
public:
    // Removes leading and trailing space characters (not tabs or other blanks).
    static QString Trim(const QString &text);
    // Removes leading and trailing spaces and tabs: how every value read from the settings file
    // is taken, so a tab left behind by an editor cannot make a time or a login useless.
    static QString TrimBlanks(const QString &text);

    // The value of key in section of file; the empty text when the file, section or key is
    // missing or the file cannot be read. The value is not trimmed.
    static QString GetIniString(const QString &file, const QString &section, const QString &key);

    // Stores value under section and key, creating what is missing. Nonzero on success; 0 when
    // the file cannot be written, and then the file is left as it was (error says why).
    static qint32 WriteIniString(const QString &file, const QString &section, const QString &key,
                                 const QString &value, QString *error = nullptr);

    // The path, trimmed, with the platform's directory separator appended unless it already ends
    // in one; a path that ends in the separator once trimmed comes back exactly as given.
    static QString AddBackslash(const QString &path);
    static QString AddBackslash(const QString &path, QChar separator);

    // Set by start-up.
    QString AppPath;      // the program's folder, ending in the directory separator
    QString IniFile;      // AppPath + "TALLYPORT.ini"
    QString LanguageFile; // AppPath + "Language.txt"
    QString CurrentLanguage; // the section of the language file in use: English, China or Taiwan
    qint16 StartCount = 0;   // the first timer ticks after start-up

    // The settings in use, loaded from IniFile, and the bytes of the file they were loaded from
    // (to tell whether the file was edited by hand since).
    Settings settings;
    QByteArray settingsLoadedFrom;
};
