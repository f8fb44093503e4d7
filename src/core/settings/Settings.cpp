// SPDX-License-Identifier: MIT
#include "core/settings/Settings.h"

#include "core/settings/ProfileFile.h"

namespace korva5 {

const std::array<SettingField, 17> SettingsTable{{
    {"FtpNo", &Settings::FtpNo, "txtNo", "lblNo", 3},
    {"FtpServer", &Settings::FtpServer, "txtServer", "lblServer", 0},
    {"FtpPath", &Settings::FtpPath, "txtUpload", "lblPath", 0},
    {"FtpUserName", &Settings::FtpUserName, "txtName", nullptr, 0},
    {"FtpPassword", &Settings::FtpPassword, "txtPassword", nullptr, 0},
    {"LocalPath", &Settings::LocalPath, "txtLocal", "lblLocal", 0},
    {"FtpTime1", &Settings::FtpTime1, "txtTime0", "lblTime1", 5},
    {"FtpTime2", &Settings::FtpTime2, "txtTime1", "lblTime2", 5},
    {"FtpTime3", &Settings::FtpTime3, "txtTime2", "lblTime3", 5},
    {"FtpTime4", &Settings::FtpTime4, "txtTime3", "lblTime4", 5},
    {"FtpTime5", &Settings::FtpTime5, "txtTime4", "lblTime5", 5},
    {"FtpTime6", &Settings::FtpTime6, "txtTime5", "lblTime6", 5},
    {"FtpTime7", &Settings::FtpTime7, "txtTime6", "lblTime7", 5},
    {"FtpTime8", &Settings::FtpTime8, "txtTime7", "lblTime8", 5},
    {"FtpTime9", &Settings::FtpTime9, "txtTime8", "lblTime9", 5},
    {"FtpTime10", &Settings::FtpTime10, "txtTime9", "lblTime10", 5},
    // Last: a settings file of a station without it keeps its order when Ok adds it.
    {"FtpStatusPath", &Settings::FtpStatusPath, "txtStatusPath", nullptr, 0},
}};

namespace {

// The table rows of the ten times, in slot order.
constexpr size_t FirstTimeRow = 6;

} // namespace

QString &Settings::time(int slot)
{
    Q_ASSERT(slot >= 0 && slot < TimeSlots);
    return this->*SettingsTable[FirstTimeRow + size_t(slot)].field;
}

const QString &Settings::time(int slot) const
{
    return const_cast<Settings &>(*this).time(slot);
}

std::array<QString, Settings::TimeSlots> Settings::times() const
{
    std::array<QString, TimeSlots> result;
    for (int slot = 0; slot < TimeSlots; ++slot)
        result[size_t(slot)] = time(slot);
    return result;
}

QLatin1StringView Settings::keyOf(QString Settings::*field)
{
    for (const SettingField &row : SettingsTable) {
        if (row.field == field)
            return QLatin1StringView(row.key);
    }
    qFatal("a field outside the settings table"); // a mistake in the program itself
}

QLatin1StringView Settings::timeKey(int slot)
{
    Q_ASSERT(slot >= 0 && slot < TimeSlots);
    return QLatin1StringView(SettingsTable[FirstTimeRow + size_t(slot)].key);
}

const QString &Settings::operator[](const QString &key) const
{
    return const_cast<Settings &>(*this)[key];
}

QString &Settings::operator[](const QString &key)
{
    for (const SettingField &row : SettingsTable) {
        if (key == QLatin1StringView(row.key))
            return this->*row.field;
    }
    qFatal("no setting is called %s", qPrintable(key)); // a misspelt key in the program itself
}

Settings Settings::fromDocument(const ProfileDocument &document)
{
    Settings settings;
    for (const SettingField &row : SettingsTable)
        settings.*row.field = ProfileFile::trimmedBlanks(document.value(Section, QLatin1StringView(row.key)).value_or(QString()));
    settings.FtpTempName = ProfileFile::trimmedBlanks(document.value(Section, QStringLiteral("FtpTempName")).value_or(QString()));
    return settings;
}

bool Settings::isConfigured() const
{
    return !ProfileFile::trimmedBlanks(FtpServer).isEmpty() && !ProfileFile::trimmedBlanks(FtpNo).isEmpty();
}

} // namespace korva5
