// SPDX-License-Identifier: MIT
#include "core/settings/Settings.h"

#include "core/settings/ProfileFile.h"
#include "core/settings/SysMain.h"

namespace {

QString timeKey(int slot) { return QStringLiteral("FtpTime%1").arg(slot + 1); }

QStringList timeKeys()
{
    QStringList keys;
    for (int slot = 0; slot < Settings::TimeSlots; ++slot)
        keys << timeKey(slot);
    return keys;
}

} // namespace

QStringList Settings::keys()
{
    return QStringList{QStringLiteral("FtpNo"), QStringLiteral("FtpServer"), QStringLiteral("FtpPath"),
                       QStringLiteral("FtpUserName"), QStringLiteral("FtpPassword")}
           + timeKeys() + QStringList{QStringLiteral("LocalPath")};
}

QStringList Settings::saveOrder()
{
    return QStringList{QStringLiteral("FtpNo"), QStringLiteral("FtpServer"), QStringLiteral("FtpPath"),
                       QStringLiteral("FtpUserName"), QStringLiteral("FtpPassword"), QStringLiteral("LocalPath")}
           + timeKeys();
}

const QString &Settings::operator[](const QString &key) const
{
    return const_cast<Settings &>(*this)[key];
}

QString &Settings::operator[](const QString &key)
{
    const std::pair<const char *, QString Settings::*> fields[] = {
        {"FtpNo", &Settings::FtpNo},           {"FtpServer", &Settings::FtpServer},
        {"FtpPath", &Settings::FtpPath},       {"FtpUserName", &Settings::FtpUserName},
        {"FtpPassword", &Settings::FtpPassword}, {"LocalPath", &Settings::LocalPath}};
    for (const auto &[name, field] : fields) {
        if (key == QLatin1StringView(name))
            return this->*field;
    }
    for (int slot = 0; slot < TimeSlots; ++slot) {
        if (key == timeKey(slot))
            return FtpTime[size_t(slot)];
    }
    qFatal("no setting is called %s", qPrintable(key)); // a misspelt key in the program itself
}

Settings Settings::load(const QString &iniFile)
{
    return fromDocument(ProfileFile::load(iniFile).value_or(ProfileDocument()));
}

Settings Settings::fromDocument(const ProfileDocument &document)
{
    Settings settings;
    for (const QString &key : keys())
        settings[key] = SysMain::TrimBlanks(document.value(Section, key).value_or(QString()));
    return settings;
}
