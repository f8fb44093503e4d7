// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QtGlobal>

#include <chrono>
#include <deque>
#include <optional>

namespace korva5 {

// What the window says about one upload under way: how far it is, how fast it goes and how long
// it still needs, worked out from the control's progress reports and the times they came in.
// Times are those of a monotonic clock the caller keeps; nothing here reads a clock.
class ProgressMeter
{
public:
    using Time = std::chrono::milliseconds;

    // A transfer shorter than this is over before a bar could tell anything: it shows no bar.
    static constexpr Time ShowAfter{2000};
    // The rate is that of the last few seconds, so one slow moment does not swing the time left
    // while a line that really slows down shows in it soon.
    static constexpr Time RateWindow{5000};

    struct Reading
    {
        qint64 sent = 0;
        qint64 total = 0;
        int percent = 0;                             // 100 only once everything went out
        std::optional<double> bytesPerSecond;         // unknown until two reports apart in time
        std::optional<std::chrono::seconds> timeLeft; // unknown while nothing moves
    };

    // The upload's turn came at this time (its connection and login are still to come).
    void start(Time at);
    // The upload had sent this much of total at this time.
    void add(Time at, qint64 sent, qint64 total);

    bool started() const { return m_started.has_value(); }
    // Whether the upload has run long enough, at now, for its progress to be shown.
    bool worthShowing(Time now) const;
    Reading reading() const;

    // A reading as one line of text: "37% · 1.2 MB/s · 0:25 left". leftFormat words the time
    // left, "%1" standing for it; the parts not known yet are left out.
    static QString text(const Reading &reading, const QString &leftFormat = QStringLiteral("%1 left"),
                        const QString &bytesFormat = QStringLiteral("%1 bytes"));
    static QString rateText(double bytesPerSecond, const QString &bytesFormat = QStringLiteral("%1 bytes"));
    static QString durationText(std::chrono::seconds duration);

private:
    struct Sample
    {
        Time at;
        qint64 sent;
    };

    std::optional<Time> m_started;
    std::deque<Sample> m_samples; // the oldest one is the last report before the window began
    qint64 m_total = 0;
};

} // namespace korva5
