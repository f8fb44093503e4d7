// SPDX-License-Identifier: MIT
#include "Settings.h"

#include "SysMain.h"

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
    if (key == u"FtpNo")
        return FtpNo;
    if (key == u"FtpServer")
        return FtpServer;
    if (key == u"FtpPath")
        return FtpPath;
    if (key == u"FtpUserName")
        return FtpUserName;
    if (key == u"FtpPassword")
        return FtpPassword;
    if (key == u"LocalPath")
        return LocalPath;
    for (int slot = 0; slot < TimeSlots; ++slot) {
        if (key == timeKey(slot))
            return FtpTime[static_cast<size_t>(slot)];
    }
    Q_ASSERT_X(false, "Settings", "unknown settings key");
    static QString none;
    none.clear();
    return none;
}

Settings Settings::load(const QString &iniFile)
{
    Settings settings;
    for (const QString &key : keys())
        settings[key] = SysMain::Trim(SysMain::GetIniString(iniFile, Section, key));
    return settings;
}
