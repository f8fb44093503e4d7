// SPDX-License-Identifier: MIT
// Many uploads in a row against a server that fails every fifth connection on purpose
// (scripts/ftp-server.py --fault soak).
//
// By default the uploads are the scheduled ones of forty-odd days, asked for by the delivery
// layer as a clock the bench moves on minute by minute reaches each configured time, with the
// journal open. Every scheduled upload the server fails must arrive whole on a retry, nothing may
// be lost, the journal must hold one row for every upload asked for, and open file descriptors
// and resident memory may not grow by more than 5% between the 50th upload and the end.
//
// With --plain, the transfer control alone sends one upload after another, nothing retried:
// every upload the server did not fail must arrive whole and every failed one be reported.
//
//   soak_bench [--plain] SERVER SERVER_ROOT WORK_DIR [UPLOADS]
#include "core/clock/Clock.h"
#include "core/delivery/Delivery.h"
#include "core/delivery/DeliveryLog.h"
#include "core/delivery/TransferLog.h"
#include "core/delivery/Uploader.h"
#include "core/journal/Journal.h"
#include "core/language/BuiltInTexts.h"
#include "core/state/AppState.h"
#include "core/transfer/TransferQueue.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QTimer>

#include <array>
#include <cmath>
#include <cstdio>

using namespace korva5;

namespace {

long openDescriptors()
{
    return long(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size());
}

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Resident memory and open descriptors may not grow by more than this between the 50th upload
// and the end: a leak per upload shows well within 450 more.
constexpr double GrowthLimit = 1.05;

// The end's figure over the one after 50 uploads; a figure that could not be read fails.
double growth(long after50, long atEnd)
{
    return after50 > 0 && atEnd > 0 ? double(atEnd) / double(after50) : HUGE_VAL;
}

// Prints both figures and their ratios; true when neither grew past the limit.
bool reportGrowth(long rssAfter50, long fdAfter50, int endedAfter, long rssEnd, long fdEnd)
{
    const double rss = growth(rssAfter50, rssEnd);
    const double fd = growth(fdAfter50, fdEnd);
    std::printf("after 50: %ld KiB, %ld files; after %d: %ld KiB, %ld files; ratio %.3f memory, %.3f files "
                "(limit %.2f)\n",
                rssAfter50, fdAfter50, endedAfter, rssEnd, fdEnd, rss, fd, GrowthLimit);
    return rss <= GrowthLimit && fd <= GrowthLimit;
}

// The local time as the bench wants it: days pass in seconds of real time.
class BenchClock final : public Clock
{
public:
    explicit BenchClock(QDateTime now) : m_now(std::move(now)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &now) { m_now = now; }

private:
    QDateTime m_now;
};

// Until every upload handed to the control has ended and its outcome has been delivered. The
// control posts the outcome before it counts as idle; the timer only wakes the loop to look.
void settle(const TransferQueue &ftp)
{
    if (ftp.isBusy()) {
        QTimer wake;
        wake.start(5);
        while (ftp.isBusy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents();
}


// The transfer control alone, one upload after another, nothing retried: a failed upload is
// replaced by a later one of the same name.
int plainSoak(const QString &server, const QString &serverRoot, const QString &work, int uploads)
{
    constexpr int Names = 20; // names come round again, so a later upload replaces a failed one

    TransferQueue ftp;
    ftp.setServerAddress(server);
    ftp.setUserName(QStringLiteral("station"));
    ftp.setPassword(QStringLiteral("secret"));
    ftp.setTimeouts({std::chrono::seconds(5), std::chrono::seconds(2), std::chrono::seconds(3)});

    int sent = 0, failedOnPurpose = 0, reportedErrors = 0, damaged = 0, unexpected = 0, unreported = 0;
    long fdAfter50 = 0, rssAfter50 = 0;
    QRandomGenerator random(20261207);
    QList<Ftp::State> states;
    QObject::connect(&ftp, &TransferQueue::stateChanged, [&](Ftp::State state) { states << state; });

    for (int i = 0; i < uploads; ++i) {
        // The server fails its connections 5, 10, 15, ...: this upload is connection i + 1.
        const bool failsOnPurpose = (i + 1) % 5 == 0;
        // Larger than the part the server lets through before a dropped or stalled transfer.
        QByteArray content(int(random.bounded(100 * 1024, 1024 * 1024)), Qt::Uninitialized);
        for (char &c : content)
            c = char(random.generate());
        const QString local = work + QStringLiteral("/records-%1.bin").arg(i);
        QFile file(local);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return 3;
        file.close();
        const QString remote = QStringLiteral("/upload/soak-%1.bin").arg(i % Names);

        states.clear();
        bool succeeded = false;
        QEventLoop wait;
        const auto connection = QObject::connect(&ftp, &TransferQueue::transferEnded, [&](const FtpResult &result) {
            succeeded = result.succeeded;
            wait.quit();
        });
        ftp.enqueue(local, remote);
        wait.exec();
        QObject::disconnect(connection);
        QCoreApplication::processEvents();
        QFile::remove(local);

        const bool error = states.contains(Ftp::State::Error);
        reportedErrors += error ? 1 : 0;
        if (failsOnPurpose) {
            ++failedOnPurpose;
            if (succeeded || !error)
                ++unreported;
        } else if (!succeeded) {
            ++unexpected;
            std::fprintf(stderr, "upload %d failed without a scripted fault\n", i);
        } else {
            ++sent;
            if (readAll(serverRoot + remote) != content) {
                ++damaged;
                std::fprintf(stderr, "upload %d arrived damaged\n", i);
            }
        }
        if (i == 49) {
            fdAfter50 = openDescriptors();
            rssAfter50 = residentKiB();
        }
        if ((i + 1) % 100 == 0)
            std::fprintf(stderr, "%d uploads done\n", i + 1);
    }

    const long fdEnd = openDescriptors();
    const long rssEnd = residentKiB();
    std::printf("uploads: %d\n", uploads);
    std::printf("arrived whole: %d of %d not failed on purpose (damaged: %d, failed anyway: %d)\n", sent - damaged,
                uploads - failedOnPurpose, damaged, unexpected);
    std::printf("failed on purpose: %d, reported as Error!: %d (not reported: %d)\n", failedOnPurpose, reportedErrors,
                unreported);
    const bool steady = reportGrowth(rssAfter50, fdAfter50, uploads, rssEnd, fdEnd);
    const bool passed = damaged == 0 && unexpected == 0 && unreported == 0 && steady;
    std::printf("%s\n", passed ? "PASSED" : "FAILED");
    return passed ? 0 : 1;
}

// The scheduled uploads of as many days as it takes, through the delivery layer with its retries
// and the journal.
int deliverySoak(const QString &server, const QString &serverRoot, const QString &work, int uploads)
{
    // Times 1 to 8 send the day's file as it grows, 9 and 10 the day before's once more. They are
    // far enough apart for a retry, a minute after a failure, to come before the next time.
    const std::array<QString, Settings::TimeSlots> times = {
        QStringLiteral("01:00"), QStringLiteral("03:00"), QStringLiteral("05:00"), QStringLiteral("07:00"),
        QStringLiteral("09:00"), QStringLiteral("11:00"), QStringLiteral("13:00"), QStringLiteral("15:00"),
        QStringLiteral("00:10"), QStringLiteral("00:40")};
    const QDateTime begin(QDate(2026, 1, 1), QTime(0, 0, 30));
    const QString records = work + QStringLiteral("/records/");
    if (!QDir().mkpath(records) || !QDir().mkpath(serverRoot + QStringLiteral("/upload")))
        return 3;

    BenchClock clock(begin);
    AppState state;
    TransferLog log(TransferLog::Mirror::None);
    TransferQueue ftp;
    Uploader uploader(state, log, ftp, clock, BuiltInTexts::english);
    Journal journal;
    Settings settings;
    settings.FtpNo = QStringLiteral("12");
    settings.FtpPath = QStringLiteral("/upload/");
    settings.LocalPath = records;
    settings.FtpServer = server;
    for (int slot = 0; slot < Settings::TimeSlots; ++slot)
        settings.time(slot) = times[size_t(slot)];
    state.setSettings(settings);
    ftp.setServerAddress(server);
    ftp.setUserName(QStringLiteral("station"));
    ftp.setPassword(QStringLiteral("secret"));
    // Short, so that a stalled transfer costs seconds rather than a minute.
    ftp.setTimeouts({std::chrono::seconds(5), std::chrono::seconds(2), std::chrono::seconds(3)});
    if (!journal.open(work, clock.now())) {
        std::fprintf(stderr, "the journal could not be opened in %s\n", qPrintable(work));
        return 3;
    }
    Delivery delivery(state, uploader, journal, clock);
    DeliveryLog deliveryLog(log, BuiltInTexts::english);
    deliveryLog.follow(delivery);
    delivery.start();

    enum class Phase { Scheduled, Retry } phase = Phase::Scheduled;
    int started = 0, ended = 0, scheduled = 0, retries = 0;
    int faultsScheduled = 0, faultsRetry = 0, failedAnyway = 0, faultHidden = 0, damaged = 0, succeeded = 0;
    int arrivedOnRetry = 0, settledByLaterTime = 0;
    long fdAfter50 = 0, rssAfter50 = 0;
    QHash<quint64, bool> faultExpected; // by the send's number
    QSet<QString> owed;                 // remote files whose scheduled upload failed, not yet delivered
    QSet<QDate> days;                   // the records files written

    QObject::connect(&ftp, &TransferQueue::transferStarted, [&](quint64 tag) {
        // The server numbers its connections as they come, and each upload makes one.
        faultExpected.insert(tag, ++started % 5 == 0);
    });
    // Connected after the delivery layer: its own handling of the outcome has run by then.
    QObject::connect(&ftp, &TransferQueue::transferEnded, [&](const FtpResult &result) {
        ++ended;
        (phase == Phase::Scheduled ? scheduled : retries) += 1;
        const bool fault = faultExpected.take(result.tag);
        if (result.succeeded) {
            ++succeeded;
            if (fault)
                ++faultHidden;
            if (readAll(serverRoot + result.remotePath) != readAll(result.localPath)) {
                ++damaged;
                std::fprintf(stderr, "%s arrived damaged\n", qPrintable(result.remotePath));
            }
            if (owed.remove(result.remotePath))
                (phase == Phase::Retry ? arrivedOnRetry : settledByLaterTime) += 1;
        } else {
            if (!fault) {
                ++failedAnyway;
                std::fprintf(stderr, "%s failed without a scripted fault: %s\n", qPrintable(result.remotePath),
                             qPrintable(result.reason));
            }
            (phase == Phase::Scheduled ? faultsScheduled : faultsRetry) += 1;
            if (phase == Phase::Scheduled)
                owed.insert(result.remotePath);
        }
        if (ended == 50) {
            fdAfter50 = openDescriptors();
            rssAfter50 = residentKiB();
        }
        if (ended % 100 == 0)
            std::fprintf(stderr, "%d uploads done\n", ended);
    });

    QRandomGenerator random(20261207);
    const auto grow = [&](QDate day) {
        // The first write is larger than what the server lets through before a dropped or
        // stalled transfer, or those faults would never show.
        const QString path = records + day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".txt");
        QByteArray more(int(days.contains(day) ? random.bounded(8 * 1024, 48 * 1024) : 96 * 1024), Qt::Uninitialized);
        for (char &c : more)
            c = char(random.generate());
        QFile file(path);
        days.insert(day);
        return file.open(QIODevice::Append) && file.write(more) == more.size();
    };

    // Ten times a day, about one upload in five a retry: a generous bound on the days it takes.
    const QDateTime stopAt = begin.addDays(uploads / 8 + 3);
    int minutes = 0;
    while (clock.now() < stopAt) {
        const QDateTime next = clock.now().addSecs(60);
        // No more times once enough uploads were asked for; what is owed still comes.
        if (scheduled + retries >= uploads && !state.settings().time(0).isEmpty()) {
            Settings none = state.settings();
            for (int slot = 0; slot < Settings::TimeSlots; ++slot)
                none.time(slot).clear();
            state.setSettings(none);
        }
        const QString hhmm = next.time().toString(QStringLiteral("HH:mm"));
        for (int slot = 0; slot < Settings::TimeSlots; ++slot) {
            if (state.settings().time(slot) == hhmm && !grow(slot < 8 ? next.date() : next.date().addDays(-1)))
                return 3;
        }
        clock.set(next);
        ++minutes;
        phase = Phase::Scheduled;
        delivery.checkMinute();
        settle(ftp);
        phase = Phase::Retry;
        delivery.checkRetries();
        settle(ftp);
        if (scheduled + retries >= uploads && delivery.ledger().pending().isEmpty())
            break;
    }

    // Lost: a day whose file on the server is not the file as it stands at the end.
    int lost = 0;
    for (const QDate &day : std::as_const(days)) {
        const QString name = day.toString(QStringLiteral("yyyyMMdd"));
        if (readAll(serverRoot + QStringLiteral("/upload/") + name + QStringLiteral(".12"))
            != readAll(records + name + QStringLiteral(".txt"))) {
            ++lost;
            std::fprintf(stderr, "%s.12 is not on the server as it stands\n", qPrintable(name));
        }
    }

    journal.flush();
    const QList<UploadRecord> rows = journal.rowsSince(QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    int slotRows = 0, retryRows = 0, otherRows = 0, unfinishedRows = 0, failedRows = 0;
    for (const UploadRecord &row : rows) {
        (row.trigger == Trigger::Slot ? slotRows : row.trigger == Trigger::Retry ? retryRows : otherRows) += 1;
        unfinishedRows += row.outcome == Outcome::Asked || row.outcome == Outcome::Running ? 1 : 0;
        failedRows += row.outcome == Outcome::Failed ? 1 : 0;
    }
    const int faults = faultsScheduled + faultsRetry;

    const long fdEnd = openDescriptors();
    const long rssEnd = residentKiB();
    std::printf("simulated: %d minutes (%s to %s), %d days' files\n", minutes,
                qPrintable(begin.toString(QStringLiteral("yyyy-MM-dd HH:mm"))),
                qPrintable(clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm"))), int(days.size()));
    std::printf("uploads asked: %d (scheduled %d, retries %d), ended: %d\n", scheduled + retries, scheduled, retries,
                ended);
    std::printf("failed: %d (%.1f%%; scheduled %d, retries %d); failed without a fault: %d; fault reported as "
                "success: %d\n",
                faults, ended ? 100.0 * faults / ended : 0.0, faultsScheduled, faultsRetry, failedAnyway, faultHidden);
    std::printf("failed scheduled uploads that arrived on a retry: %d of %d (settled by a later time instead: %d, "
                "still owed: %d, given up: %d)\n",
                arrivedOnRetry, faultsScheduled, settledByLaterTime, int(delivery.ledger().pending().size()),
                int(delivery.ledger().givenUp().size()));
    std::printf("arrived byte-identical: %d of %d successful uploads (damaged: %d); lost: %d of %d files\n",
                succeeded - damaged, succeeded, damaged, lost, int(days.size()));
    std::printf("journal rows: %d (slot %d, retry %d, other %d, failed %d, unfinished %d) for %d uploads asked\n",
                int(rows.size()), slotRows, retryRows, otherRows, failedRows, unfinishedRows, scheduled + retries);
    const bool steady = reportGrowth(rssAfter50, fdAfter50, ended, rssEnd, fdEnd);

    const bool passed = ended == scheduled + retries && started == ended && ended >= uploads
        && faults > 0 && failedAnyway == 0 && faultHidden == 0 && damaged == 0 && lost == 0
        && arrivedOnRetry == faultsScheduled && settledByLaterTime == 0 && owed.isEmpty()
        && delivery.ledger().pending().isEmpty() && delivery.ledger().givenUp().isEmpty()
        && int(rows.size()) == scheduled + retries && slotRows == scheduled && retryRows == retries && otherRows == 0
        && unfinishedRows == 0 && failedRows == faults && steady;
    std::printf("%s\n", passed ? "PASSED" : "FAILED");
    return passed ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool plain = args.removeAll(QStringLiteral("--plain")) > 0;
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: soak_bench [--plain] SERVER SERVER_ROOT WORK_DIR [UPLOADS]\n");
        return 2;
    }
    const int uploads = args.size() > 4 ? args.at(4).toInt() : 500;
    if (uploads < 50) {
        std::fprintf(stderr, "at least 50 uploads: the drift is measured from the 50th\n");
        return 2;
    }
    return plain ? plainSoak(args.at(1), args.at(2), args.at(3), uploads)
                 : deliverySoak(args.at(1), args.at(2), args.at(3), uploads);
}
