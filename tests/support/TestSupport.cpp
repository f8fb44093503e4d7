// SPDX-License-Identifier: MIT
#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace TestSupport {

QString sourceDir()
{
    const QString dir = qEnvironmentVariable("KORVA5_SOURCE_DIR");
    if (dir.isEmpty())
        qFatal("KORVA5_SOURCE_DIR is not set; run the tests through ctest");
    return dir;
}

QString appBinary()
{
    const QString binary = qEnvironmentVariable("KORVA5_APP");
    if (binary.isEmpty())
        qFatal("KORVA5_APP is not set; run the tests through ctest");
    return binary;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

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
