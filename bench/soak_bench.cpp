// SPDX-License-Identifier: MIT
// Many uploads in a row through the transfer control, against a server that fails every fifth
// connection on purpose (scripts/ftp-server.py --fault soak). Checks that every upload the server
// did not fail arrives whole, that every failed one is reported as an error, and that open file
// descriptors and resident memory do not creep up.
//
//   soak_bench SERVER SERVER_ROOT WORK_DIR [UPLOADS]
#include "core/upload/InetFtp.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>

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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: soak_bench SERVER SERVER_ROOT WORK_DIR [UPLOADS]\n");
        return 2;
    }
    const QString serverRoot = args.at(2);
    const QString work = args.at(3);
    const int uploads = args.size() > 4 ? args.at(4).toInt() : 500;
    constexpr int Names = 20; // names come round again, so a later upload replaces a failed one

    InetFtp ftp;
    ftp.setServerAddress(args.at(1));
    ftp.setUserName(QStringLiteral("station"));
    ftp.setPassword(QStringLiteral("secret"));
    ftp.setTimeouts({std::chrono::seconds(5), std::chrono::seconds(2), std::chrono::seconds(3)});

    int sent = 0, failedOnPurpose = 0, reportedErrors = 0, damaged = 0, unexpected = 0, unreported = 0;
    long fdAfter50 = 0, rssAfter50 = 0;
    QRandomGenerator random(20261207);
    QList<Ftp::State> states;
    QObject::connect(&ftp, &InetFtp::StateChanged, [&](Ftp::State state) { states << state; });

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
        const auto connection = QObject::connect(&ftp, &InetFtp::transferFinished, [&](const QString &, const QString &, bool ok) {
            succeeded = ok;
            wait.quit();
        });
        ftp.Execute(local, remote);
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
    const double fdDrift = fdAfter50 ? 100.0 * double(fdEnd - fdAfter50) / double(fdAfter50) : 0;
    const double rssDrift = rssAfter50 ? 100.0 * double(rssEnd - rssAfter50) / double(rssAfter50) : 0;
    std::printf("uploads: %d\n", uploads);
    std::printf("arrived whole: %d of %d not failed on purpose (damaged: %d, failed anyway: %d)\n", sent - damaged,
                uploads - failedOnPurpose, damaged, unexpected);
    std::printf("failed on purpose: %d, reported as Error!: %d (not reported: %d)\n", failedOnPurpose, reportedErrors,
                unreported);
    std::printf("open descriptors: %ld after 50, %ld at the end (drift %+.1f%%, limit 10%%)\n", fdAfter50, fdEnd, fdDrift);
    std::printf("resident memory: %ld KiB after 50, %ld KiB at the end (drift %+.1f%%, limit 10%%)\n", rssAfter50, rssEnd,
                rssDrift);
    const bool passed = damaged == 0 && unexpected == 0 && unreported == 0 && fdDrift <= 10.0 && rssDrift <= 10.0;
    std::printf("%s\n", passed ? "PASSED" : "FAILED");
    return passed ? 0 : 1;
}
