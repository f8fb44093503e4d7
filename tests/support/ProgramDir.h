// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

namespace korva5 {

namespace TestSupport {

// A program folder in a temporary directory: TALLYPORT.ini with the given keys of section
// TALLY, the shipped Language.txt, and optionally a copy of the program itself.
class ProgramDir
{
public:
    explicit ProgramDir(const QMap<QString, QString> &settings = {}, bool withLanguage = true);
    QString path() const { return m_dir.path(); }
    QString iniFile() const { return m_dir.filePath(QStringLiteral("TALLYPORT.ini")); }
    QString languageFile() const { return m_dir.filePath(QStringLiteral("Language.txt")); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    // Copies the built program into the folder (the program looks for its files beside itself).
    QString installBinary() const;

private:
    QTemporaryDir m_dir;
};

QByteArray iniText(const QMap<QString, QString> &settings);

} // namespace TestSupport

} // namespace korva5
