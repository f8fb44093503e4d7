// SPDX-License-Identifier: MIT
// What the journal's worker does when its file cannot be used as it is: a file locked at start is
// opened later, a damaged one is set aside and what can be read of it carried into a fresh one,
// one removed or replaced is made again from memory, and where nothing works the program goes on
// with what it holds.
#include "core/journal/JournalWorker.h"

#include "core/platform/Posix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korva5 {

namespace JournalDetail {

// A journal that was locked at start is opened once it is free.
bool Worker::reopen()
{
    switch (m_store.open(m_path, Store::Mode::Write, m_now)) {
    case Store::OpenResult::Opened:
        m_identity = Posix::fileIdentity(m_path);
        if (!m_lastMinute.isValid()) {
            if (const auto minute = m_store.lastExaminedMinute())
                m_lastMinute = minute->value_or(QDateTime());
        }
        return true;
    case Store::OpenResult::Busy:
        updateUnsaved();
        return false;
    case Store::OpenResult::Newer:
        switchOff(QStringLiteral("%1 was written by a newer version of the program").arg(QDir::toNativeSeparators(m_path)));
        return false;
    case Store::OpenResult::Failed:
    case Store::OpenResult::NotJournal:
        break;
    }
    if (!QFileInfo::exists(m_path)) {
        updateUnsaved(); // still cannot be made: tried again later
        return false;
    }
    startAfresh(m_store.error());
    return false;
}

// The file in the way is renamed, never deleted: what it holds may still be read by hand. What
// can be read of it comes along into the fresh one, with everything the program holds.
bool Worker::startAfresh(const QString &reason)
{
    m_store.close();
    QList<UploadRecord> saved;
    readCopy(m_path, {}, nullptr, &saved);
    QSet<qint64> known;
    for (const Entry &entry : std::as_const(m_rows))
        if (entry.rowId > 0)
            known.insert(entry.rowId);
    QList<UploadRecord> recent;
    int kept = 0;
    for (auto it = saved.crbegin(); it != saved.crend(); ++it) { // oldest first
        if (known.contains(it->id))
            continue;
        ++kept;
        if (it->askedAt >= m_horizon)
            recent << *it;
        else
            m_carried << *it;
    }
    // Rows of the file not yet in memory come before what this run asked for.
    const qint64 first = m_rows.isEmpty() ? 0 : std::min<qint64>(m_rows.firstKey(), 0);
    load(recent, first - recent.size());

    const QString aside = setAside(QStringLiteral("broken"));
    if (aside.isEmpty()) {
        switchOff(QStringLiteral("%1 could not be used (%2) nor set aside").arg(QDir::toNativeSeparators(m_path), reason));
        return false;
    }
    return startFile(QStringLiteral("Journal %1 could not be used (%2); it is set aside as %3 and a fresh one is "
                                    "started with the %4 upload(s) that could be read from it.")
                         .arg(QDir::toNativeSeparators(m_path), reason, QFileInfo(aside).fileName())
                         .arg(kept + int(known.size())));
}

// Makes a fresh file at the journal's place and writes everything held into it.
bool Worker::startFile(const QString &line)
{
    report(line, true);
    if (m_store.open(m_path, Store::Mode::Write, m_now) != Store::OpenResult::Opened) {
        switchOff(m_store.error());
        return false;
    }
    m_identity = Posix::fileIdentity(m_path);
    for (auto it = m_rows.begin(); it != m_rows.end(); ++it) {
        it->rowId = 0;
        m_dirty.insert(it.key());
    }
    m_minuteDirty = m_lastMinute.isValid();
    m_waiting = false;
    if (writeOut())
        return true;
    switchOff(m_store.error());
    return false;
}

// The file went away, or another took its name, while the program ran.
void Worker::recreate(bool replaced)
{
    m_store.close();
    QString aside;
    if (replaced) {
        aside = setAside(QStringLiteral("replaced"));
        if (aside.isEmpty()) {
            switchOff(QStringLiteral("%1 was replaced by another file that cannot be moved aside").arg(QDir::toNativeSeparators(m_path)));
            return;
        }
    } else {
        // What is left of the old file's -wal and -shm would be taken for the new file's.
        QFile::remove(m_path + QStringLiteral("-wal"));
        QFile::remove(m_path + QStringLiteral("-shm"));
    }
    const QString what = replaced ? QStringLiteral("was replaced by another file (set aside as %1)")
                                        .arg(QFileInfo(aside).fileName())
                                  : QStringLiteral("was removed");
    startFile(QStringLiteral("Journal %1 %2 while the program ran; a new one is made with the %3 upload(s) the "
                             "program holds.")
                  .arg(QDir::toNativeSeparators(m_path), what)
                  .arg(m_rows.size()));
}

// The new name of the file, or empty when it could not be moved out of the way. Its -wal goes
// with it: left behind, SQLite would replay it into the fresh file.
QString Worker::setAside(const QString &kind)
{
    const QString stamp = m_now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString suffix = u'.' + kind;
    QString aside = m_path + u'.' + stamp + suffix;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-wal")); ++n)
        aside = m_path + u'.' + stamp + u'-' + QString::number(n) + suffix;
    if (QFileInfo::exists(m_path) && !QFile::rename(m_path, aside))
        return {};
    for (const QString &walSuffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (!QFileInfo::exists(m_path + walSuffix))
            continue;
        if (!QFile::rename(m_path + walSuffix, aside + walSuffix) && walSuffix == QLatin1String("-wal")
            && !QFile::remove(m_path + walSuffix))
            return {};
    }
    return aside;
}

// From here on the program records in memory alone.
void Worker::switchOff(const QString &reason)
{
    m_store.close();
    m_on = false;
    m_waiting = false;
    updateUnsaved();
    report(QStringLiteral("Journal switched off (%1); uploads go on without it.").arg(reason), true);
}

} // namespace JournalDetail

} // namespace korva5
