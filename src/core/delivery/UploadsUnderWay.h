// SPDX-License-Identifier: MIT
#pragma once
// The table of the uploads under way, and what it holds of each.

#include "core/journal/Journal.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace korva5 {

// One upload asked for whose end has not come in yet.
struct UnderWay
{
    // What the delivery keeps of an upload it asked for: its journal row as written so far, the
    // minute its time was due, and for a retry the remote file it settles (the settings may have
    // changed since that file was owed).
    struct Record
    {
        qint64 journalId = 0;
        UploadRecord row;
        QDateTime due;
        QString owedKey;
    };

    QString remotePath;
    // The opening lines of an upload that waits for its turn: the log gets them when it comes.
    QStringList opening;
    std::optional<Record> record;
};

// The uploads asked for and not ended yet, by the transfer control's number for each: the one
// table of what is under way. The uploader keeps it, since it hands each upload to the control
// and hears first of its turn and its end; the delivery keeps its record of each upload in it
// and asks it what is under way.
class UploadsUnderWay
{
public:
    UnderWay &add(quint64 tag, const QString &remotePath);
    // Null when tag is not under way.
    UnderWay *find(quint64 tag);
    std::optional<UnderWay> take(quint64 tag);

    bool isEmpty() const { return m_uploads.isEmpty(); }
    // An upload of remotePath is waiting its turn or running.
    bool sends(const QString &remotePath) const;
    // The files under way or waiting their turn, each once: a retry counts as the file it settles.
    int fileCount() const;

private:
    QMap<quint64, UnderWay> m_uploads;
};

} // namespace korva5
