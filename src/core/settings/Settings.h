// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <array>

namespace korva5 {

class ProfileDocument;

// The settings the program works with, each the value of the key of the same name in section
// "TALLY" of the settings file without the spaces and tabs around it.
struct Settings
{
    static constexpr int TimeSlots = 10;

    QString FtpNo;       // station number: the extension of every remote file name
    QString FtpServer;   // server, as the transfer control accepts it
    QString FtpPath;     // remote folder, put directly in front of the remote file name
    QString FtpUserName;
    QString FtpPassword;
    QString LocalPath;   // local folder, put directly in front of the local file name
    QString FtpTime1;    // times of day "HH:MM"; 1 to 8 send today's file, 9 and 10 yesterday's
    QString FtpTime2;
    QString FtpTime3;
    QString FtpTime4;
    QString FtpTime5;
    QString FtpTime6;
    QString FtpTime7;
    QString FtpTime8;
    QString FtpTime9;
    QString FtpTime10;
    // "0" sends straight to the final name, for a server that cannot rename; anything else
    // (absent too) sends under a temporary name first. A hand setting: no dialog box edits it and
    // the program never writes it.
    QString FtpTempName;
    // The server folder the station's status file goes to after every upload and every half
    // hour, for the office to read; empty (the default): none is written.
    QString FtpStatusPath;

    static inline const QString Section = QStringLiteral("TALLY");
    static inline const QString LanguageKey = QStringLiteral("Language");

    // Times 9 and 10 (slots 8 and 9) send yesterday's file, at a time of the day after it;
    // the others send today's.
    static constexpr bool sendsYesterday(int slot) { return slot >= 8; }

    // Nothing can go out without a server, nor be named without a station number.
    bool isConfigured() const;

    // The time of slot 0 (FtpTime1) to 9 (FtpTime10).
    QString &time(int slot);
    const QString &time(int slot) const;
    std::array<QString, TimeSlots> times() const;

    // The key of a field of the table below, and of the time of slot, as the settings file
    // spells them.
    static QLatin1StringView keyOf(QString Settings::*field);
    static QLatin1StringView timeKey(int slot);

    // The setting of a key of the table below.
    QString &operator[](const QString &key);
    const QString &operator[](const QString &key) const;

    // The settings from a settings file read once, so a hand edit during the read cannot
    // mix old and new values; absent keys give empty texts.
    static Settings fromDocument(const ProfileDocument &document);

    friend bool operator==(const Settings &, const Settings &) = default;
};

// Every setting once: its key (which is also its field's name), the box of the settings dialog
// that edits it, the label of the main window that shows it, and the longest text the box takes.
// The order is the order in which the dialog stores them.
struct SettingField
{
    const char *key;
    QString Settings::*field;
    const char *dialogBox;   // objectName in the settings dialog
    const char *windowLabel; // objectName in the main window; nullptr: not shown there
    int maxLength;           // 0: no limit
};

extern const std::array<SettingField, 17> SettingsTable;

} // namespace korva5
