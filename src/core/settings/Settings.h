// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

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
    std::array<QString, TimeSlots> FtpTime; // FtpTime[0] holds key FtpTime1, and so on: "HH:MM"
    QString LocalPath;   // local folder, put directly in front of the local file name

    static inline const QString Section = QStringLiteral("TALLY");
    static inline const QString LanguageKey = QStringLiteral("Language");

    // The sixteen keys in the order the loader reads them.
    static QStringList keys();
    // The sixteen keys in the order the settings dialog stores them.
    static QStringList saveOrder();

    QString &operator[](const QString &key);
    const QString &operator[](const QString &key) const;

    // Reads the sixteen keys from the settings file, spaces and tabs around each removed; absent
    // keys give empty texts.
    static Settings load(const QString &iniFile);
    // The same from a settings file read once, so a hand edit during the read cannot mix old and
    // new values.
    static Settings fromDocument(const ProfileDocument &document);

    friend bool operator==(const Settings &, const Settings &) = default;
};
