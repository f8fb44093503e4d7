// SPDX-License-Identifier: MIT
#include "core/delivery/UploadsUnderWay.h"

#include <QSet>

#include <algorithm>

namespace korva5 {

UnderWay &UploadsUnderWay::add(quint64 tag, const QString &remotePath)
{
    UnderWay &upload = m_uploads[tag];
    upload = {remotePath, {}, std::nullopt};
    return upload;
}

UnderWay *UploadsUnderWay::find(quint64 tag)
{
    const auto it = m_uploads.find(tag);
    return it != m_uploads.end() ? &*it : nullptr;
}

std::optional<UnderWay> UploadsUnderWay::take(quint64 tag)
{
    const auto it = m_uploads.find(tag);
    if (it == m_uploads.end())
        return std::nullopt;
    UnderWay upload = std::move(*it);
    m_uploads.erase(it);
    return upload;
}

bool UploadsUnderWay::sends(const QString &remotePath) const
{
    return std::any_of(m_uploads.cbegin(), m_uploads.cend(),
                       [&](const UnderWay &upload) { return upload.remotePath == remotePath; });
}

int UploadsUnderWay::fileCount() const
{
    QSet<QString> files;
    for (const UnderWay &upload : m_uploads)
        files.insert(upload.record && !upload.record->owedKey.isEmpty() ? upload.record->owedKey : upload.remotePath);
    return int(files.size());
}

} // namespace korva5
