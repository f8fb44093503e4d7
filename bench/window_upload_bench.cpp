// SPDX-License-Identifier: MIT
// One Manual Upload through the main window, as a person asks for it: the window runs from a
// program folder as the program does (its settings, its journal, its log), the access key Alt+M
// (or with "click" a mouse click) comes once the window and its services are up, and the time
// of each step the window hears of is printed from the key on, then the time until the
// upload's end is recorded in the journal.
//
//   window_upload_bench PROGRAM_FOLDER DAY [key|click]      (DAY: yyyy-MM-dd, the records file's day)
// prints "step=<state> ms=<since the key>" lines, then
//   seconds=<key to the end the window shows> journal_ms=<since the key> result=<ok|failed>
#include "core/clock/Clock.h"
#include "core/journal/Journal.h"
#include "core/transfer/TransferQueue.h"
#include "gui/shell/Application.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QMetaEnum>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace korva5;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = app.arguments();
    const QDate day = args.size() >= 3 ? QDate::fromString(args.at(2), Qt::ISODate) : QDate();
    const bool byKey = args.value(3, QStringLiteral("key")) == u"key";
    if (!day.isValid() || args.size() > 4) {
        std::fprintf(stderr, "usage: window_upload_bench PROGRAM_FOLDER DAY [key|click]\n");
        return 2;
    }
    SystemClock clock;
    Application program({args.at(1), &clock});
    MainWindow *window = &program.window();
    if (const Application::LoadResult loaded = program.prepare(); loaded != Application::LoadResult::Loaded) {
        std::fprintf(stderr, "the program folder %s does not load: %s\n", qPrintable(args.at(1)),
                     QMetaEnum::fromType<Application::LoadResult>().valueToKey(int(loaded)));
        return 2;
    }
    window->show();
    QTimer::singleShot(0, &program, &Application::startServices);

    QElapsedTimer sinceAsked;
    const QMetaEnum states = QMetaEnum::fromType<Ftp::State>();
    TransferQueue &ftp = *program.station().findChild<TransferQueue *>(QStringLiteral("inetFtp"));
    QObject::connect(&ftp, &TransferQueue::transferStarted, [&] {
        std::printf("step=Started ms=%.1f\n", double(sinceAsked.nsecsElapsed()) / 1e6);
    });
    QObject::connect(&ftp, &TransferQueue::stateChanged, [&](Ftp::State state) {
        std::printf("step=%s ms=%.1f\n", states.valueToKey(int(state)), double(sinceAsked.nsecsElapsed()) / 1e6);
    });
    bool succeeded = false;
    QObject::connect(&ftp, &TransferQueue::transferEnded, [&](const FtpResult &result) {
        const double seconds = double(sinceAsked.nsecsElapsed()) / 1e9;
        succeeded = result.succeeded;
        program.station().flushJournal();
        std::printf("seconds=%.3f journal_ms=%.1f result=%s\n", seconds, double(sinceAsked.nsecsElapsed()) / 1e6,
                    succeeded ? "ok" : "failed");
        std::fflush(stdout);
        // exit, not quit: quit asks the window to close, and its close box keeps it open.
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    });
    // A person asks a while after the window came up: by then its services have started.
    QTimer::singleShot(500, window, [&] {
        window->findChild<QDateEdit *>(QStringLiteral("dtUp"))->setDate(day);
        QApplication::setActiveWindow(window);
        sinceAsked.start();
        if (byKey)
            QTest::keyClick(window, Qt::Key_M, Qt::AltModifier);
        else
            QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmdUpLoad")), Qt::LeftButton);
        std::printf("step=KeyHandled ms=%.1f\n", double(sinceAsked.nsecsElapsed()) / 1e6);
    });
    QApplication::exec();
    return succeeded ? 0 : 1;
}
