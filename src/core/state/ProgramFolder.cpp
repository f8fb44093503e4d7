// SPDX-License-Identifier: MIT
#include "core/state/ProgramFolder.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace korva5 {

QString ProgramFolder::key(const QString &programDir)
{
    const QString canonical = QFileInfo(programDir).canonicalFilePath();
    const QByteArray key = QCryptographicHash::hash((canonical.isEmpty() ? programDir : canonical).toUtf8(),
                                                    QCryptographicHash::Sha1)
                               .toHex()
                               .left(16);
    return QString::fromLatin1(key);
}

} // namespace korva5
