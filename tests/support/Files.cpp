// SPDX-License-Identifier: MIT
#include "Files.h"

#include "core/settings/ProfileFile.h"

#include <QFile>
#include <QHash>

namespace korva5 {

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

QByteArray recordsOf(const QString &day, int size)
{
    QByteArray bytes;
    bytes.reserve(size);
    quint32 seed = qHash(day);
    while (bytes.size() < size) {
        seed = seed * 1664525u + 1013904223u;
        bytes += char(seed >> 24);
    }
    return bytes;
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

QString storedValue(const QString &path, const QString &section, const QString &key)
{
    const std::optional<ProfileDocument> document = ProfileFile::load(path);
    return document ? document->value(section, key).value_or(QString()) : QString();
}

} // namespace TestSupport

} // namespace korva5
