// SPDX-License-Identifier: MIT
#include "fleet/remote/ServerReading.h"

#include "core/diagnostics/ShownText.h"
#include "fleet/remote/FleetSession.h"
#include "fleet/remote/SessionPool.h"

#include <QElapsedTimer>
#include <QSet>

#include <vector>

namespace korva5::fleet {

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
// doubt (ServerFiles::timeInDoubt). The names are shared out among the pool's connections in a
// few requests each, and their answers taken in here once all have come.
bool confirmKept(SessionPool &pool, const QString &folder, const QList<QByteArray> &names, bool withTimes, ServerFiles &files,
                 FleetReport::Listing *listing, QString *why)
{
    if (names.isEmpty())
        return true;
    QSet<QByteArray> timed;
    for (const QByteArray &name : names) {
        if (withTimes || files.timeInDoubt(name))
            timed.insert(name);
    }
    const int connections = pool.connectionsFor(names.size());
    const qsizetype perRequest = std::max<qsizetype>(16, (names.size() + 2 * connections - 1) / (2 * connections));
    const int requests = int((names.size() + perRequest - 1) / perRequest);
    std::vector<QHash<QByteArray, FleetSession::Facts>> facts(static_cast<size_t>(requests));
    std::vector<QString> whys(static_cast<size_t>(requests));
    // A request that failed says why; one never made once another failed says nothing.
    const bool asked = pool.run(requests, connections, folder, [&](FleetSession &session, int request) {
        QString failed;
        if (session.facts(folder, names.mid(request * perRequest, perRequest),
                          [&](const QByteArray &name) { return timed.contains(name); }, &facts[size_t(request)], &failed))
            return true;
        whys[size_t(request)] = failed.isEmpty() ? QStringLiteral("the server did not answer") : failed;
        return false;
    });
    if (!asked) {
        *why = *std::find_if(whys.cbegin(), whys.cend(), [](const QString &text) { return !text.isEmpty(); });
        return false;
    }
    QHash<QByteArray, FleetSession::Facts> answers;
    for (const auto &answered : facts)
        answers.insert(answered);
    // A name not found, or of which nothing was said, over a few connections at once is asked
    // again over the first alone, the others closed: a server that answers its other connections
    // otherwise (or refuses them while it is busy) must give the answer it gives over one.
    if (connections > 1) {
        QList<QByteArray> doubted;
        for (auto it = answers.cbegin(); it != answers.cend(); ++it) {
            if (it->found != Found::Yes)
                doubted << it.key();
        }
        if (!doubted.isEmpty()) {
            pool.closeAdded();
            QHash<QByteArray, FleetSession::Facts> again;
            if (!pool.first().facts(folder, doubted, [&](const QByteArray &name) { return timed.contains(name); }, &again, why))
                return false;
            answers.insert(again);
        }
    }
    for (auto it = answers.cbegin(); it != answers.cend(); ++it) {
        const std::optional<bool> found = it->found == Found::Unknown ? std::nullopt : std::optional<bool>(it->found == Found::Yes);
        files.confirm(it.key(), found, it->size, it->modified);
    }
    listing->confirmed += names.size();
    return true;
}

// For a server whose LIST answer cannot be read: the names alone, then the size and time of each
// name the check keeps. A server that answers NLST with the same garbage is found out by asking
// for a few of its names: not one of them is there.
bool listNames(SessionPool &pool, const QString &folder, ServerFiles::Folder which, ServerFiles &files,
               FleetReport::Listing *listing, QString *why)
{
    FleetSession &session = pool.first();
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
    if (!confirmKept(pool, folder, kept, true, files, listing, why))
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
bool readFolder(SessionPool &pool, const QString &folder, ServerFiles::Folder which, ServerFiles &files,
                const FleetSettings &settings, const QDateTime &now, FleetReport::Listing *listing, QString *why)
{
    FleetSession &session = pool.first();
    qint64 readable = 0;
    const qint64 unreadableBefore = listing->unreadableLines;
    auto done = [&](Method method) {
        listing->method = FleetSession::methodName(method);
        return which == ServerFiles::Folder::Status
            || confirmKept(pool, folder, files.keptNames(files.days() - 1), false, files, listing, why);
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
    if (!listNames(pool, folder, which, files, listing, &nlstWhy)) {
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
    SessionPool pool(session, *target, settings);
    auto finish = [&] {
        listing.bytes = pool.bytesRead();
        listing.connections = pool.connections();
        listing.seconds = double(elapsed.elapsed()) / 1000.0;
        return reading;
    };
    if (!session.open(records, &why)) {
        reading.error = QStringLiteral("cannot open the records folder %1 on %2: %3").arg(shownFolder(records), server, why);
        return finish();
    }
    if (!readFolder(pool, records, sameFolder ? ServerFiles::Folder::Both : ServerFiles::Folder::Records, files, settings,
                    now, &listing, &why)) {
        reading.error = QStringLiteral("cannot list the records folder %1 on %2: %3").arg(shownFolder(records), server, why);
        return finish();
    }
    if (settings.statusFolder.isEmpty())
        return finish();
    if (!sameFolder) {
        FleetReport::Listing statusListing;
        if (!readFolder(pool, status, ServerFiles::Folder::Status, files, settings, now, &statusListing, &why)) {
            // Out of time, nothing is known of the heartbeats: the check was not made.
            if (session.timedOut())
                reading.error = QStringLiteral("cannot list the status folder %1 on %2: %3").arg(shownFolder(status), server, why);
            else
                reading.statusProblem = QStringLiteral("cannot list the status folder %1: %2").arg(shownFolder(status), why);
            return finish();
        }
    }
    // Each station's heartbeat is a request of its own: they are fetched over a few connections
    // at once, each into its own entry.
    reading.heartbeats.resize(files.stationCount());
    QList<int> listed;
    QList<QByteArray> names;
    for (int s = 0; s < files.stationCount(); ++s) {
        reading.heartbeats[s].listed = files.heartbeat(s).present;
        if (reading.heartbeats[s].listed) {
            listed << s;
            names << "korva5-status." + files.station(s).toUtf8() + ".json";
        }
    }
    // Read from every connection's thread at once: never changed while they run.
    const QList<int> &stationOf = listed;
    const QList<QByteArray> &nameOf = names;
    HeartbeatFile *const beats = reading.heartbeats.data();
    std::vector<QString> timedOut(static_cast<size_t>(listed.size()));
    // A heartbeat one of the added connections could not read is asked for once more over the
    // first: a server that answers its other connections otherwise gives the same answer as over one.
    std::vector<char> again(static_cast<size_t>(listed.size()), 0);
    const int connections = pool.connectionsFor(listed.size());
    bool shared = connections > 1;
    const auto fetchOne = [&](FleetSession &session, int item) {
        HeartbeatFile &heartbeat = beats[stationOf[item]];
        const QByteArray &name = nameOf[item];
        QString fetchWhy;
        bool notFound = false;
        heartbeat.bytes.clear();
        heartbeat.fetchError.clear();
        heartbeat.listed = true;
        bool tooLarge = false;
        if (session.fetch(status + QString::fromUtf8(name), HeartbeatReading::MostBytes, &heartbeat.bytes, &fetchWhy, &notFound,
                          &tooLarge))
            return true;
        // Too large is the file's own answer, and so is "no such file" to the first (as over one
        // connection). Any other failure while several connections read is asked again over the
        // first alone once the others are closed: the server may answer another connection
        // otherwise, or refuse a connection (or its data connection) only because of the others.
        const bool firstsAnswer = &session == &pool.first() && notFound;
        if (shared && !tooLarge && !firstsAnswer && !session.timedOut()) {
            again[size_t(item)] = 1;
            return true;
        }
        heartbeat.fetchError = fetchWhy;
        // A heartbeat the server does not have when asked for by its name was never there: a
        // line of the listing only seemed to name it. (A 550 may also be a refusal: the name is
        // asked for once more to tell.)
        QHash<QByteArray, FleetSession::Facts> facts;
        if (notFound && session.facts(status, {name}, [](const QByteArray &) { return false; }, &facts, &fetchWhy)
            && facts.value(name).found == Found::No)
            heartbeat.listed = false;
        if (!session.timedOut())
            return true;
        timedOut[size_t(item)] = fetchWhy;
        return false;
    };
    bool fetched = pool.run(int(listed.size()), connections, status, fetchOne);
    shared = false;
    if (std::any_of(again.cbegin(), again.cend(), [](char item) { return item != 0; }))
        pool.closeAdded();
    for (int item = 0; fetched && item < int(listed.size()); ++item) {
        if (again[size_t(item)])
            fetched = fetchOne(pool.first(), item);
    }
    if (!fetched) {
        const auto first = std::find_if(timedOut.cbegin(), timedOut.cend(), [](const QString &text) { return !text.isEmpty(); });
        reading.error = QStringLiteral("cannot fetch the heartbeats from %1 on %2: %3")
                            .arg(shownFolder(status), server, first != timedOut.cend() ? *first : QString());
    }
    return finish();
}

} // namespace korva5::fleet
