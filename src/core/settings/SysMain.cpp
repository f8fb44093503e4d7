// SPDX-License-Identifier: MIT
#include "core/settings/SysMain.h"

#include "core/settings/ProfileFile.h"

#include <QDir>

QString SysMain::Trim(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString SysMain::TrimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.mid(begin, end - begin);
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
