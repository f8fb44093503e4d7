// SPDX-License-Identifier: MIT
#include "core/app/ProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

namespace korva5 {

namespace {

Q_LOGGING_CATEGORY(lcStart, "korva5.shell", QtInfoMsg)

// Whether there is a file to read at path: a directory, a hidden file or a dangling link of that
// name does not count.
bool isPresent(const QString &path)
{
    const QFileInfo info(path);
    if (info.isFile() && !info.isHidden())
        return true;
    qCCritical(lcStart).noquote() << "cannot find" << QDir::toNativeSeparators(path);
    return false;
}

// Without this check an unreadable file reads as an empty one: a program with no settings and no
// captions that never uploads and never says so.
bool isReadable(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return true;
    qCCritical(lcStart).noquote() << "cannot read" << QDir::toNativeSeparators(path) + u':' << file.errorString();
    return false;
}

} // namespace

namespace ProgramFiles {

Problem check(const ProgramPaths &paths, bool withLanguage)
{
    if (!isPresent(paths.iniFile))
        return Problem::SettingsMissing;
    if (withLanguage && !isPresent(paths.languageFile))
        return Problem::LanguageMissing;
    if (!isReadable(paths.iniFile))
        return Problem::SettingsUnreadable;
    if (withLanguage && !isReadable(paths.languageFile))
        return Problem::LanguageUnreadable;
    return Problem::None;
}

} // namespace ProgramFiles

} // namespace korva5
