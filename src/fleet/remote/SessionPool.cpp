// SPDX-License-Identifier: MIT
#include "fleet/remote/SessionPool.h"

#include <algorithm>
#include <thread>

struct SessionPool::Helper
{
    FleetSession session;
    bool opened = false;
    bool failed = false; // could not be opened, or was given up: never asked again

    Helper(const FtpTarget &target, const FleetSettings &settings)
        : session(target, settings)
    {
    }
};

SessionPool::SessionPool(FleetSession &first, const FtpTarget &target, const FleetSettings &settings)
    : m_first(first)
    , m_target(target)
    , m_settings(settings)
{
}

SessionPool::~SessionPool() = default;

int SessionPool::connectionsFor(qsizetype items) const
{
    return int(std::clamp<qsizetype>((items + ItemsPerConnection - 1) / ItemsPerConnection, 1,
                                          std::max(1, m_settings.connections)));
}

bool SessionPool::run(int count, int connections, const QString &folder, const Job &job)
{
    connections = std::clamp(connections, 1, std::max(1, m_settings.connections));
    while (int(m_helpers.size()) < connections - 1) {
        m_helpers.push_back(std::make_unique<Helper>(m_target, m_settings));
        // The whole check's time limit, not one of its own from now.
        m_helpers.back()->session.shareClock(m_first);
    }
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    // Once every item is taken, a connection still logging in has nothing left to do: it stops
    // waiting for the server rather than holding the check up.
    std::atomic<bool> allTaken{false};
    const auto work = [&](FleetSession &session) {
        while (!stop.load()) {
            const int item = next.fetch_add(1);
            if (item >= count) {
                allTaken.store(true);
                return;
            }
            if (!job(session, item))
                stop.store(true);
        }
    };
    std::vector<std::thread> threads;
    for (int h = 0; h < connections - 1; ++h) {
        Helper *helper = m_helpers[size_t(h)].get();
        if (helper->failed)
            continue;
        threads.emplace_back([&, helper] {
            if (!helper->opened) {
                QString why;
                helper->session.setCancel(&allTaken);
                helper->opened = helper->session.open(folder, &why);
                helper->session.setCancel(nullptr);
                helper->failed = !helper->opened;
                if (helper->failed)
                    return;
            }
            work(helper->session);
        });
    }
    work(m_first);
    for (std::thread &thread : threads)
        thread.join();
    return !stop.load();
}

qint64 SessionPool::bytesRead() const
{
    qint64 bytes = m_first.bytesRead();
    for (const auto &helper : m_helpers)
        bytes += helper->session.bytesRead();
    return bytes;
}

int SessionPool::connections() const
{
    int made = m_first.connections();
    for (const auto &helper : m_helpers)
        made += helper->session.connections();
    return made;
}
