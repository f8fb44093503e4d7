// SPDX-License-Identifier: MIT
#include "ProgramDir.h"

#include "Files.h"

#include <QFile>
#include <QFileInfo>

namespace korva5 {

namespace TestSupport {

QByteArray iniText(const QMap<QString, QString> &settings)
{
    QByteArray text = "[TALLY]\n";
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        text += it.key().toUtf8() + '=' + it.value().toUtf8() + '\n';
    return text;
}

ProgramDir::ProgramDir(const QMap<QString, QString> &settings, bool withLanguage)
{
    if (!m_dir.isValid())
        qFatal("cannot create a temporary directory");
    writeFile(iniFile(), iniText(settings));
    if (withLanguage)
        writeFile(languageFile(), readFile(sourceDir() + QStringLiteral("/data/Language.txt")));
}

QString ProgramDir::installBinary() const
{
    const QString target = m_dir.filePath(QFileInfo(appBinary()).fileName());
    QFile::remove(target);
    if (!QFile::copy(appBinary(), target))
        qFatal("cannot copy the program into %s", qPrintable(m_dir.path()));
    return target;
}

} // namespace TestSupport

} // namespace korva5
