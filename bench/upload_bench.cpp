// SPDX-License-Identifier: MIT
// Sends one file through the transfer control, as the main window does, and reports how long
// it took and how long the event loop of the sending thread was ever held up meanwhile.
//
//   upload_bench SERVER LOCAL_FILE REMOTE_PATH
// prints: seconds=<s> bytes=<n> longest_stall_ms=<ms> result=<ok|failed>
#include "core/transfer/TransferQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

using namespace korva5;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: upload_bench SERVER LOCAL_FILE REMOTE_PATH\n");
        return 2;
    }
    TransferQueue ftp;
    ftp.setServerAddress(args.at(1));

    QElapsedTimer sinceBeat;
    qint64 longestStall = 0;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        if (sinceBeat.isValid())
            longestStall = std::max(longestStall, sinceBeat.elapsed() - 10);
        sinceBeat.start();
    });

    QElapsedTimer clock;
    bool succeeded = false;
    QObject::connect(&ftp, &TransferQueue::transferEnded, [&](const FtpResult &result) {
        succeeded = result.succeeded;
        app.quit();
    });
    heartbeat.start();
    clock.start();
    ftp.enqueue(args.at(2), args.at(3));
    app.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("seconds=%.3f bytes=%lld longest_stall_ms=%lld result=%s\n", seconds,
                static_cast<long long>(QFileInfo(args.at(2)).size()), static_cast<long long>(std::max<qint64>(0, longestStall)),
                succeeded ? "ok" : "failed");
    return succeeded ? 0 : 1;
}
