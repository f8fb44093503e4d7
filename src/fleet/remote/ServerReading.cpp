// SPDX-License-Identifier: MIT
#include "fleet/remote/ServerReading.h"

#include "core/diagnostics/ShownText.h"
#include "fleet/remote/FleetSession.h"

#include <QElapsedTimer>

namespace {

using Method = FleetSession::Method;
using Found = FleetSession::Facts::Found;

// Names of a names-only listing asked for one by one to tell a folder's names from garbage.
constexpr int NamesTried = 5;

QString asFolder(const QString &folder)
{
    return folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
}

QString shownFolder(const QString &folder)
{
    return folder.isEmpty() ? QStringLiteral("the login folder") : shownText(folder);
}

void noteUnreadable(FleetReport::Listing *listing, QByteArrayView text)
{
    if (listing->unreadableLines++ == 0)
        listing->unreadableExample = shownText(QString::fromUtf8(text.first(std::min<qsizetype>(text.size(), 120))));
}

// Lists folder into files with method; counts the lines in no known form.
bool listInto(FleetSession &session, const QString &folder, Method method, ServerFiles::Folder which, ServerFiles &files,
              const FleetSettings &settings, const QDateTime &now, qint64 *readable, FleetReport::Listing *listing,
              QString *why)
{
    *readable = 0;
    return session.list(folder, method, [&](QByteArrayView text, bool whole) {
        const ListingLines::Line line = !whole ? ListingLines::Line()
            : method == Method::Mlsd        ? ListingLines::parseMlsd(text)
                                            : ListingLines::parseList(text);
        if (line.type == ListingLines::Type::Unreadable) {
            noteUnreadable(listing, text);
            return;
        }
        ++*readable;
        files.add(which, line, settings.listTimeZone, now);
    }, why);
}

// What the server says of each of names in folder, asked for by itself, replaces what a listing
// said of it. withTimes: the time of each is asked too; otherwise only where the listing's is in
// doubt (ServerFiles::timeInDoubt).
bool confirmKept(FleetSession &session, const QString &folder, const QList<QByteArray> &names, bool withTimes,
                 ServerFiles &files, FleetReport::Listing *listing, QString *why)
{
    QHash<QByteArray, FleetSession::Facts> facts;
    if (!session.facts(folder, names, [&](const QByteArray &name) { return withTimes || files.timeInDoubt(name); }, &facts, why))
        return false;
    for (auto it = facts.cbegin(); it != facts.cend(); ++it) {
        const std::optional<bool> found = it->found == Found::Unknown ? std::nullopt : std::optional<bool>(it->found == Found::Yes);
        files.confirm(it.key(), found, it->size, it->modified);
    }
    listing->confirmed += names.size();
    return true;
}

// For a server whose LIST answer cannot be read: the names alone, then the size and time of each
// name the check keeps. A server that answers NLST with the same garbage is found out by asking
// for a few of its names: not one of them is there.
bool listNames(FleetSession &session, const QString &folder, ServerFiles::Folder which, ServerFiles &files,
               FleetReport::Listing *listing, QString *why)
{
    QList<QByteArray> kept, others;
    if (!session.list(folder, Method::Nlst, [&](QByteArrayView name, bool whole) {
            if (!whole) {
                noteUnreadable(listing, name);
                return;
            }
            const QByteArray last = name.toByteArray().mid(name.lastIndexOf('/') + 1);
            if (files.addName(which, name))
                kept << last;
            else if (others.size() < NamesTried && last != "." && last != "..")
                others << last;
        }, why))
        return false;
    const qint64 refuted = files.notConfirmed();
    if (!confirmKept(session, folder, kept, true, files, listing, why))
        return false;
    if (files.notConfirmed() - refuted < kept.size())
        return true;
    QHash<QByteArray, FleetSession::Facts> facts;
    if (!session.facts(folder, others, [](const QByteArray &) { return false; }, &facts, why))
        return false;
    if (std::any_of(facts.cbegin(), facts.cend(), [](const FleetSession::Facts &fact) { return fact.found == Found::Yes; }))
        return true;
    const QList<QByteArray> &asked = kept.isEmpty() ? others : kept;
    *why = asked.isEmpty() ? QStringLiteral("NLST gives no name a file could have")
                           : QStringLiteral("none of the names NLST gives is there when asked for (such as \"%1\")")
                                 .arg(shownText(QString::fromUtf8(asked.first().left(120))));
    return false;
}

// Lists folder the best way the server allows. False, with why, when no way works.
//
// A name holding a line end passes for lines of its own in any listing: libcurl hands an FTP
// listing over with every CR LF, and every lone CR, made a LF, and an sftp listing ends each entry
// with a LF alone. So the files of the day asked, which decide the verdict, are believed only as
// the server confirms them name by name; the days before are shown as listed.
bool readFolder(FleetSession &session, const QString &folder, ServerFiles::Folder which, ServerFiles &files,
                const FleetSettings &settings, const QDateTime &now, FleetReport::Listing *listing, QString *why)
{
    qint64 readable = 0;
    const qint64 unreadableBefore = listing->unreadableLines;
    auto done = [&](Method method) {
        listing->method = FleetSession::methodName(method);
        return which == ServerFiles::Folder::Status
            || confirmKept(session, folder, files.keptNames(files.days() - 1), false, files, listing, why);
    };
    if (session.hasMlsd()) {
        if (listInto(session, folder, Method::Mlsd, which, files, settings, now, &readable, listing, why)
            && (readable > 0 || listing->unreadableLines == unreadableBefore))
            return done(Method::Mlsd);
        // A server that offers MLSD and then refuses it, or answers it with garbage, still has
        // LIST.
        if (session.timedOut())
            return false;
    }
    const qint64 unreadableMlsd = listing->unreadableLines;
    if (!listInto(session, folder, Method::List, which, files, settings, now, &readable, listing, why))
        return false;
    if (readable > 0 || listing->unreadableLines == unreadableMlsd)
        return done(Method::List);
    // Not one line in a form known: the names alone, and the facts of those of interest.
    const QString garbage = QStringLiteral("cannot read the listing: the answer to LIST could not be read (first line: \"%1\")")
                                .arg(listing->unreadableExample);
    QString nlstWhy;
    if (!listNames(session, folder, which, files, listing, &nlstWhy)) {
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
        return reading;
    };
    if (!session.open(records, &why)) {
        reading.error = QStringLiteral("cannot open the records folder %1 on %2: %3").arg(shownFolder(records), server, why);
        return finish();
    }
    if (!readFolder(session, records, sameFolder ? ServerFiles::Folder::Both : ServerFiles::Folder::Records, files, settings,
                    now, &listing, &why)) {
        reading.error = QStringLiteral("cannot list the records folder %1 on %2: %3").arg(shownFolder(records), server, why);
        return finish();
    }
    if (settings.statusFolder.isEmpty())
        return finish();
    if (!sameFolder) {
        FleetReport::Listing statusListing;
        if (!readFolder(session, status, ServerFiles::Folder::Status, files, settings, now, &statusListing, &why)) {
            // Out of time, nothing is known of the heartbeats: the check was not made.
            if (session.timedOut())
                reading.error = QStringLiteral("cannot list the status folder %1 on %2: %3").arg(shownFolder(status), server, why);
            else
                reading.statusProblem = QStringLiteral("cannot list the status folder %1: %2").arg(shownFolder(status), why);
            return finish();
        }
    }
    reading.heartbeats.resize(files.stationCount());
    for (int s = 0; s < files.stationCount(); ++s) {
        HeartbeatFile &heartbeat = reading.heartbeats[s];
        heartbeat.listed = files.heartbeat(s).present;
        if (!heartbeat.listed)
            continue;
        const QByteArray name = "korva5-status." + files.station(s).toUtf8() + ".json";
        bool notFound = false;
        if (session.fetch(status + QString::fromUtf8(name), Heartbeat::MostBytes, &heartbeat.bytes, &why, &notFound))
            continue;
        heartbeat.fetchError = why;
        // A heartbeat the server does not have when asked for by its name was never there: a
        // line of the listing only seemed to name it. (A 550 may also be a refusal: the name is
        // asked for once more to tell.)
        QHash<QByteArray, FleetSession::Facts> facts;
        if (notFound && session.facts(status, {name}, [](const QByteArray &) { return false; }, &facts, &why)
            && facts.value(name).found == Found::No)
            heartbeat.listed = false;
        if (session.timedOut()) {
            reading.error = QStringLiteral("cannot fetch the heartbeats from %1 on %2: %3").arg(shownFolder(status), server, why);
            return finish();
        }
    }
    return finish();
}
