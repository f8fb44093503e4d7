// SPDX-License-Identifier: MIT
#include "core/settings/SysMain.h"

#include "core/settings/ProfileFile.h"

#include <QDir>

QString SysMain::Trim(const QString &text)
{
    return ProfileFile::trimmedBlanks(text);
}

QString SysMain::GetIniString(const QString &file, const QString &section, const QString &key)
{
    const std::optional<ProfileDocument> document = ProfileFile::load(file);
    if (!document)
        return {};
    return document->value(section, key).value_or(QString());
}

bool SysMain::WriteIniString(const QString &file, const QString &section, const QString &key, const QString &value,
                             QString *error)
{
    return ProfileFile::writeValues(file, section, {{key, value}}, error);
}

QString SysMain::AddBackslash(const QString &path)
{
    return AddBackslash(path, QDir::separator());
}

QString SysMain::AddBackslash(const QString &path, QChar separator)
{
    const QString trimmed = Trim(path);
    if (!trimmed.endsWith(separator))
        return trimmed + separator;
    return path;
}
