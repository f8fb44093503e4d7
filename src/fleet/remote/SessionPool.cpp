// SPDX-License-Identifier: MIT
#include "fleet/remote/SessionPool.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutex>
#include <QWaitCondition>

#include <algorithm>
#include <thread>

namespace korva5::fleet {

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

SessionPool::~SessionPool()
{
    closeAdded();
}

void SessionPool::closeAdded()
{
    std::vector<std::thread> closing;
    for (const auto &helper : m_helpers) {
        if (!helper->opened)
            continue;
        helper->opened = false;
        closing.emplace_back([session = &helper->session] { session->close(); });
    }
    for (std::thread &thread : closing)
        thread.join();
}

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
    // Once the first connection has done its share, the others are given a while to finish theirs;
    // what one of them still holds then (a server that stalls that connection) is given up.
    std::atomic<bool> givenUp{false};
    // Items an added connection could not do, done again over the first once the others are
    // done: a server that answers its other connections otherwise gives the answer of one.
    // Each entry is written by the one thread that took its item.
    std::vector<char> onFirst(static_cast<size_t>(std::max(count, 0)), 0);
    qint64 slowestOnFirst = 0;
    const auto work = [&](FleetSession &session, Helper *helper) {
        while (!stop.load()) {
            const int item = next.fetch_add(1);
            if (item >= count) {
                allTaken.store(true);
                return;
            }
            QElapsedTimer took;
            took.start();
            const bool done = job(session, item);
            if (!helper)
                slowestOnFirst = std::max(slowestOnFirst, took.elapsed());
            if (done)
                continue;
            if (helper && !session.timedOut()) {
                onFirst[size_t(item)] = 1;
                helper->failed = true;
                return;
            }
            stop.store(true);
        }
    };
    // Qt's wait rather than the standard one: a clock set by libfaketime (as the tests run the
    // check) leaves the standard library's steady wait far from its deadline.
    QMutex mutex;
    QWaitCondition finished;
    int working = 0;
    std::vector<std::thread> threads;
    for (int h = 0; h < connections - 1; ++h) {
        Helper *helper = m_helpers[size_t(h)].get();
        if (helper->failed)
            continue;
        ++working;
        threads.emplace_back([&, helper] {
            if (!helper->opened) {
                QString why;
                helper->session.setCancel(&allTaken);
                helper->opened = helper->session.open(folder, &why);
                helper->failed = !helper->opened;
            }
            if (helper->opened) {
                helper->session.setCancel(&givenUp);
                work(helper->session, helper);
            }
            helper->session.setCancel(nullptr);
            const QMutexLocker lock(&mutex);
            --working;
            finished.wakeAll();
        });
    }
    work(m_first, nullptr);
    {
        const QDeadlineTimer grace(std::min(std::max<qint64>(GraceMilliseconds, 3 * slowestOnFirst), m_first.millisecondsLeft()));
        const QMutexLocker lock(&mutex);
        while (working > 0 && finished.wait(&mutex, grace)) {
        }
        if (working > 0)
            givenUp.store(true);
    }
    for (std::thread &thread : threads)
        thread.join();
    if (std::any_of(onFirst.cbegin(), onFirst.cend(), [](char again) { return again != 0; }))
        closeAdded();
    for (int item = 0; item < count && !stop.load(); ++item) {
        if (onFirst[size_t(item)] && !job(m_first, item))
            stop.store(true);
    }
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

} // namespace korva5::fleet
