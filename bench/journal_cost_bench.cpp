// SPDX-License-Identifier: MIT
// What the journal costs an upload: small manual uploads through the delivery layer, the upload
// sender and the transfer control to a local FTP server, once by a station whose journal is open
// and once by one whose journal was never opened (every call on it does nothing), in rounds that
// take turns so that whatever else the machine does weighs on both alike. Prints both times,
// their ratio (target: at most 1.05) and the longest time a delivery call that writes to the
// journal held the calling thread (target: under 50 ms).
//
//   journal_cost_bench SERVER SERVER_ROOT WORK_DIR [UPLOADS]
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
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace korva5;

namespace {

constexpr int RoundSize = 50;
constexpr int Days = 20; // the uploads go through the files of these days in turn

class BenchClock final : public Clock
{
public:
    explicit BenchClock(QDateTime now) : m_now(std::move(now)) {}
    QDateTime now() const override { return m_now; }
    void advanceSecs(qint64 seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};

// The longest of some calls, in nanoseconds.
struct Longest
{
    qint64 ns = 0;
    void add(qint64 elapsed) { ns = std::max(ns, elapsed); }
    double ms() const { return double(ns) / 1e6; }
};

// A program folder with its records and the parts that deliver, without a window.
class Station
{
public:
    Station(const QString &folder, const QString &server, const QString &stationNo, bool withJournal)
        : clock(QDateTime(QDate(2026, 3, 2), QTime(6, 0, 30)))
        , log(TransferLog::Mirror::None)
        , uploader(state, log, ftp, clock, BuiltInTexts::english)
        , deliveryLog(log, BuiltInTexts::english)
    {
        Settings settings;
        settings.FtpNo = stationNo;
        settings.FtpPath = QStringLiteral("/upload/");
        settings.LocalPath = folder + QStringLiteral("/records/");
        settings.FtpServer = server;
        state.setSettings(settings);
        ftp.setServerAddress(server);
        ftp.setUserName(QStringLiteral("station"));
        ftp.setPassword(QStringLiteral("secret"));
        if (withJournal && !journal.open(folder, clock.now()))
            std::fprintf(stderr, "the journal could not be opened in %s\n", qPrintable(folder));

        // The delivery layer handles a transfer's start and end in slots of its own, as the
        // uploader passes them on: these lambdas are connected one before it and one after it, so
        // that together they time it.
        QObject::connect(&uploader, &Uploader::uploadStarted, [this] { m_handler.start(); });
        QObject::connect(&uploader, &Uploader::uploadEnded, [this] { m_handler.start(); });
        delivery = std::make_unique<Delivery>(state, uploader, journal, clock);
        deliveryLog.follow(*delivery);
        QObject::connect(&uploader, &Uploader::uploadStarted, [this] { started.add(m_handler.nsecsElapsed()); });
        QObject::connect(&uploader, &Uploader::uploadEnded, [this] { ended.add(m_handler.nsecsElapsed()); });
        QObject::connect(&ftp, &TransferQueue::transferEnded, [this](const FtpResult &result) {
            failed += result.succeeded ? 0 : 1;
            if (m_waiting)
                m_waiting->quit();
        });
        delivery->start();
    }

    // One upload as the window asks for it, the minute's check before it; returns when it ended.
    void uploadOnce(QDate day)
    {
        QElapsedTimer held;
        clock.advanceSecs(60);
        held.start();
        delivery->checkMinute();
        minute.add(held.nsecsElapsed());
        held.start();
        delivery->sendManual(day);
        asked.add(held.nsecsElapsed());
        QEventLoop wait;
        m_waiting = &wait;
        wait.exec();
        m_waiting = nullptr;
    }

    double longestMs() const { return std::max({minute.ms(), asked.ms(), started.ms(), ended.ms()}); }

    BenchClock clock;
    AppState state;
    TransferLog log;
    TransferQueue ftp;
    Uploader uploader;
    Journal journal;
    std::unique_ptr<Delivery> delivery;
    DeliveryLog deliveryLog;
    Longest minute, asked, started, ended;
    int failed = 0;

private:
    QElapsedTimer m_handler;
    QEventLoop *m_waiting = nullptr;
};

bool writeRecords(const QString &folder, QRandomGenerator &random)
{
    if (!QDir().mkpath(folder + QStringLiteral("/records")))
        return false;
    for (int i = 0; i < Days; ++i) {
        const QDate day = QDate(2026, 3, 1).addDays(-i);
        QByteArray content(int(random.bounded(2 * 1024, 6 * 1024)), Qt::Uninitialized);
        for (char &c : content)
            c = char(random.generate());
        QFile file(folder + QStringLiteral("/records/") + day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".txt"));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return false;
    }
    return true;
}

// The days whose file on the server is not the local one byte for byte.
int notArrived(const QString &folder, const QString &serverRoot, const QString &stationNo)
{
    const auto readAll = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    int missing = 0;
    for (int i = 0; i < Days; ++i) {
        const QString name = QDate(2026, 3, 1).addDays(-i).toString(QStringLiteral("yyyyMMdd"));
        const QByteArray local = readAll(folder + QStringLiteral("/records/") + name + QStringLiteral(".txt"));
        if (local.isEmpty() || readAll(serverRoot + QStringLiteral("/upload/") + name + u'.' + stationNo) != local)
            ++missing;
    }
    return missing;
}

// The journal's own pace, without uploads: the writes of uploads uploads (asked, started, ended
// and a minute examined each) handed over at once, in nanoseconds until all are written.
qint64 journalAlone(const QString &folder, int uploads)
{
    const QDateTime at(QDate(2026, 3, 2), QTime(6, 0, 30));
    Journal journal;
    if (!QDir().mkpath(folder) || !journal.open(folder, at))
        return -1;
    UploadRecord record;
    record.askedAt = at;
    record.day = QDate(2026, 3, 1);
    record.localPath = folder + QStringLiteral("/records/20260301.txt");
    record.remotePath = QStringLiteral("/upload/20260301.23");
    record.server = QStringLiteral("127.0.0.1");
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < uploads; ++i) {
        const qint64 id = journal.recordAsked(record);
        journal.recordStarted(id, at);
        journal.recordEnded(id, at, true, 4096, {});
        journal.setLastExaminedMinute(at.addSecs(60LL * i));
    }
    journal.flush();
    return timer.nsecsElapsed();
}

// The time of one round of uploads by station, in nanoseconds. With a journal, the round ends
// once the journal has written out what it was given: that writing is part of the cost.
qint64 runRound(Station &station, int first, int count)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = first; i < first + count; ++i)
        station.uploadOnce(QDate(2026, 3, 1).addDays(-(i % Days)));
    station.journal.flush();
    return timer.nsecsElapsed();
}

void printHolds(const char *name, const Station &station)
{
    std::printf("  %s: %.2f ms (minute check %.2f, upload asked %.2f, started %.2f, ended %.2f)\n", name,
                station.longestMs(), station.minute.ms(), station.asked.ms(), station.started.ms(), station.ended.ms());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: journal_cost_bench SERVER SERVER_ROOT WORK_DIR [UPLOADS]\n");
        return 2;
    }
    const QString server = args.at(1);
    const QString serverRoot = args.at(2);
    const QString work = args.at(3);
    const int uploads = std::max(RoundSize, args.size() > 4 ? args.at(4).toInt() / RoundSize * RoundSize : 1000);

    QRandomGenerator random(20261207);
    const QString journalFolder = work + QStringLiteral("/with");
    const QString plainFolder = work + QStringLiteral("/without");
    if (!writeRecords(journalFolder, random) || !writeRecords(plainFolder, random))
        return 3;
    Station withJournal(journalFolder, server, QStringLiteral("21"), true);
    Station without(plainFolder, server, QStringLiteral("22"), false);
    if (!withJournal.journal.isOpen())
        return 3;

    qint64 withNs = 0, withoutNs = 0;
    QList<double> roundRatios;
    const int rounds = uploads / RoundSize;
    for (int round = 0; round < rounds; ++round) {
        const int first = round * RoundSize;
        qint64 a = 0, b = 0;
        // Turn about, so neither always goes first.
        if (round % 2 == 0) {
            a = runRound(withJournal, first, RoundSize);
            b = runRound(without, first, RoundSize);
        } else {
            b = runRound(without, first, RoundSize);
            a = runRound(withJournal, first, RoundSize);
        }
        withNs += a;
        withoutNs += b;
        roundRatios << double(a) / double(b);
        std::fprintf(stderr, "round %d of %d: %.3f\n", round + 1, rounds, roundRatios.last());
    }
    std::sort(roundRatios.begin(), roundRatios.end());

    const QList<UploadRecord> rows = withJournal.journal.rowsSince(QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    const auto succeededRows = std::count_if(rows.cbegin(), rows.cend(),
                                             [](const UploadRecord &row) { return row.outcome == Outcome::Succeeded; });
    const qint64 aloneNs = journalAlone(work + QStringLiteral("/alone"), uploads);
    const int missing = notArrived(journalFolder, serverRoot, QStringLiteral("21"))
        + notArrived(plainFolder, serverRoot, QStringLiteral("22"));
    const double ratio = double(withNs) / double(withoutNs);
    const double longest = withJournal.longestMs();

    std::printf("uploads: %d with the journal, %d without, in %d rounds of %d taking turns\n", uploads, uploads, rounds,
                RoundSize);
    std::printf("with the journal:    %.3f s (%.2f ms an upload)\n", double(withNs) / 1e9, double(withNs) / 1e6 / uploads);
    std::printf("without the journal: %.3f s (%.2f ms an upload)\n", double(withoutNs) / 1e9,
                double(withoutNs) / 1e6 / uploads);
    std::printf("ratio: %.3f (target <= 1.05); rounds: lowest %.3f, median %.3f, highest %.3f\n", ratio,
                roundRatios.first(), roundRatios.at(roundRatios.size() / 2), roundRatios.last());
    std::printf("longest time the calling thread was held by a delivery call (journal call included):\n");
    printHolds("with the journal", withJournal);
    printHolds("without (reference)", without);
    std::printf("the journal alone (for comparison): %d writes written out in %.1f ms, %.1f us a write\n", 4 * uploads,
                double(aloneNs) / 1e6, double(aloneNs) / 1e3 / (4.0 * uploads));
    std::printf("journal rows: %d for %d uploads, %d succeeded; failed uploads: %d with, %d without the journal; "
                "files not on the server as sent: %d of %d\n",
                int(rows.size()), uploads, int(succeededRows), withJournal.failed, without.failed, missing, 2 * Days);

    const bool passed = ratio <= 1.05 && longest < 50.0 && int(rows.size()) == uploads && succeededRows == uploads
        && withJournal.failed == 0 && without.failed == 0 && missing == 0;
    std::printf("%s: ratio %.3f (target <= 1.05), longest hold %.2f ms (target < 50 ms)\n", passed ? "PASSED" : "FAILED",
                ratio, longest);
    return passed ? 0 : 1;
}
