// SPDX-License-Identifier: MIT
#include "fleet/remote/ServerReading.h"

#include "core/diagnostics/ShownText.h"
#include "fleet/remote/FleetSession.h"

#include <QElapsedTimer>

namespace {

using Method = FleetSession::Method;

QString asFolder(const QString &folder)
{
    return folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
}

QString shownFolder(const QString &folder)
{
    return folder.isEmpty() ? QStringLiteral("the login folder") : shownText(folder);
}

// Lists folder into files with method; counts the lines in no known form.
bool listInto(FleetSession &session, const QString &folder, Method method, ServerFiles::Folder which, ServerFiles &files,
              const FleetSettings &settings, const QDateTime &now, qint64 *readable, FleetReport::Listing *listing,
              QString *why)
{
    *readable = 0;
    return session.list(folder, method, [&](QByteArrayView text) {
        const ListingLines::Line line = method == Method::Mlsd ? ListingLines::parseMlsd(text) : ListingLines::parseList(text);
        if (line.type == ListingLines::Type::Unreadable) {
            if (listing->unreadableLines++ == 0)
                listing->unreadableExample = shownText(QString::fromUtf8(text.first(std::min<qsizetype>(text.size(), 120))));
            return;
        }
        ++*readable;
        files.add(which, line, settings.listTimeZone, now);
    }, why);
}

// For a server whose LIST answer cannot be read: the names alone, then the size and time of each
// name the check keeps.
bool listNames(FleetSession &session, const QString &folder, ServerFiles::Folder which, ServerFiles &files, QString *why)
{
    QList<QByteArray> wanted;
    if (!session.list(folder, Method::Nlst, [&](QByteArrayView name) {
            if (files.addName(which, name))
                wanted.append(name.toByteArray().mid(name.lastIndexOf('/') + 1));
        }, why))
        return false;
    QHash<QByteArray, FleetSession::Facts> facts;
    if (!session.facts(folder, wanted, &facts, why))
        return false;
    for (auto it = facts.cbegin(); it != facts.cend(); ++it)
        files.setFacts(it.key(), it->size, it->modified);
    return true;
}

// Lists folder the best way the server allows. False, with why, when no way works.
bool readFolder(FleetSession &session, const QString &folder, ServerFiles::Folder which, ServerFiles &files,
                const FleetSettings &settings, const QDateTime &now, FleetReport::Listing *listing, QString *why)
{
    qint64 readable = 0;
    if (session.hasMlsd()) {
        if (listInto(session, folder, Method::Mlsd, which, files, settings, now, &readable, listing, why)) {
            listing->method = FleetSession::methodName(Method::Mlsd);
            return true;
        }
        // A server that offers MLSD and then refuses it still has LIST.
    }
    const qint64 unreadableBefore = listing->unreadableLines;
    if (!listInto(session, folder, Method::List, which, files, settings, now, &readable, listing, why))
        return false;
    listing->method = FleetSession::methodName(Method::List);
    if (readable > 0 || listing->unreadableLines == unreadableBefore)
        return true;
    // Not one line in a form known: the names alone, and the facts of those of interest.
    const QString garbage = QStringLiteral("the answer to LIST could not be read (first line: \"%1\")").arg(listing->unreadableExample);
    QString nlstWhy;
    if (!listNames(session, folder, which, files, &nlstWhy)) {
        *why = garbage + QStringLiteral(", and NLST failed: ") + nlstWhy;
        return false;
    }
    listing->method = FleetSession::methodName(Method::Nlst);
    return true;
}

} // namespace

ServerReading readServer(const FleetSettings &settings, ServerFiles &files, const QDateTime &now)
{
    ServerReading reading;
    FleetReport::Listing &listing = reading.listing;
    QElapsedTimer elapsed;
    elapsed.start();
    QString why;
    const std::optional<FtpTarget> target = FtpTarget::parse(settings.server, &why);
    if (!target) {
        reading.error = QStringLiteral("the server setting \"%1\" cannot be used: %2").arg(shownServer(settings.server), why);
        return reading;
    }
    const QString server = shownServer(settings.server);
    const QString records = asFolder(settings.recordsFolder);
    const QString status = asFolder(settings.statusFolder);
    const bool sameFolder = !settings.statusFolder.isEmpty() && status == records;
    FleetSession session(*target, settings);
    auto finish = [&] {
        listing.bytes = session.bytesRead();
        listing.connections = session.connections();
        listing.seconds = double(elapsed.elapsed()) / 1000.0;
    };
    if (!session.open(records, &why)) {
        reading.error = QStringLiteral("cannot open the records folder %1 on %2: %3").arg(shownFolder(records), server, why);
        finish();
        return reading;
    }
    if (!readFolder(session, records, sameFolder ? ServerFiles::Folder::Both : ServerFiles::Folder::Records, files, settings,
                    now, &listing, &why)) {
        reading.error = QStringLiteral("cannot list the records folder %1 on %2: %3").arg(shownFolder(records), server, why);
        finish();
        return reading;
    }
    if (settings.statusFolder.isEmpty()) {
        finish();
        return reading;
    }
    if (!sameFolder) {
        FleetReport::Listing statusListing;
        statusListing.unreadableLines = 0;
        if (!readFolder(session, status, ServerFiles::Folder::Status, files, settings, now, &statusListing, &why)) {
            reading.statusProblem = QStringLiteral("cannot list the status folder %1: %2").arg(shownFolder(status), why);
            finish();
            return reading;
        }
    }
    reading.heartbeats.resize(files.stationCount());
    for (int s = 0; s < files.stationCount(); ++s) {
        HeartbeatFile &heartbeat = reading.heartbeats[s];
        heartbeat.listed = files.heartbeat(s).present;
        if (!heartbeat.listed)
            continue;
        const QString path = status + QStringLiteral("korva5-status.") + files.station(s) + QStringLiteral(".json");
        if (!session.fetch(path, Heartbeat::MostBytes, &heartbeat.bytes, &why))
            heartbeat.fetchError = why;
    }
    finish();
    return reading;
}
