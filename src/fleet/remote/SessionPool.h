// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/remote/FleetSession.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace korva5::fleet {

// A few connections beside the check's first one, for the work that is many small requests:
// every heartbeat is a file of its own (EPSV, the data connection's handshake, RETR and the
// transfer's end: about four round trips), and every name confirmed by itself costs one. Over a
// link of 20 ms, 500 stations pay some 47 s for them one after another; spread over 16
// connections, under 5 s. No fewer round trips are to be had: FTP opens a data connection for
// every file, and libcurl asks one command at a time.
//
// More connections are opened only for work enough to pay for their logins (one for every
// ItemsPerConnection items), never more than the settings' connections in all, the first one included. A
// server that refuses one more (a limit of connections per address) leaves its share to the
// connections it took: the work is the same, only slower.
class SessionPool
{
public:
    static constexpr int ItemsPerConnection = 32;
    // How long the added connections may go on with their last items once the first has done
    // its share (longer where the first's slowest item took a third of it), within the check's time.
    static constexpr qint64 GraceMilliseconds = 5000;

    // first stays the caller's; it must be open.
    SessionPool(FleetSession &first, const FtpTarget &target, const FleetSettings &settings);
    ~SessionPool();
    SessionPool(const SessionPool &) = delete;
    SessionPool &operator=(const SessionPool &) = delete;

    // The check's own connection, over which the listings are read.
    FleetSession &first() { return m_first; }

    // The connections work of items requests is worth.
    int connectionsFor(qsizetype items) const;

    // Runs job once for each item from 0 to count - 1, over the first session and up to
    // connections - 1 more (opened in folder where not open yet), and returns once every item
    // begun is done. Each item runs on one session, on a thread of that session's; job must
    // write only what belongs to its item. An item that fails on an added connection, or that
    // connection still holds after the grace, is run again on the first (job must then write
    // over what it wrote of it) and the connection is not asked again. A job that returns
    // false on the first (the check ran out of time) stops the others from beginning more
    // items; run then returns false.
    using Job = std::function<bool(FleetSession &session, int item)>;
    bool run(int count, int connections, const QString &folder, const Job &job);

    // Closes the added connections, all at once (a later run opens them again). Before the
    // first asks again what they could not read: a server that limits the connections of one
    // address would otherwise refuse the first a data connection, or a new login, while they idle.
    void closeAdded();

    qint64 bytesRead() const;
    int connections() const; // logins made by every session of the pool, the first one's too

private:
    struct Helper;

    FleetSession &m_first;
    FtpTarget m_target;
    FleetSettings m_settings;
    std::vector<std::unique_ptr<Helper>> m_helpers;
};

} // namespace korva5::fleet
