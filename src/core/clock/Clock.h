// SPDX-License-Identifier: MIT
#pragma once

#include <QDate>
#include <QDateTime>

namespace korva5 {

// The one place the program asks for the local date and time of day, so tests can set and
// advance it.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace korva5
