// SPDX-License-Identifier: MIT
#pragma once

#include "core/clock/Clock.h"

namespace korva5 {

namespace TestSupport {

// A clock the test sets and moves on.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDateTime now = QDateTime(QDate(2021, 3, 5), QTime(8, 0, 0)))
        : m_now(std::move(now)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &now) { m_now = now; }
    void advanceSecs(qint64 seconds) { m_now = m_now.addSecs(seconds); }
    void advanceMSecs(qint64 msecs) { m_now = m_now.addMSecs(msecs); }

private:
    QDateTime m_now;
};

} // namespace TestSupport

} // namespace korva5
