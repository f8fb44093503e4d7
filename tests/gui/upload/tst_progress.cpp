// SPDX-License-Identifier: MIT
// A long upload's progress in the main window, and the log of uploads asked for while another
// runs, through the real transfer control against a real FTP server.
#include "gui/shell/Application.h"
#include "core/transfer/TransferQueue.h"
#include "core/delivery/Uploader.h"
#include "MessageCapture.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace korva5;

using namespace TestSupport;

namespace {

constexpr qint64 MiB = 1024 * 1024;

// A program folder whose settings point at server, with its records folder and the loaded window.
class Desk : public LoadedWindow
{
public:
    explicit Desk(const FtpServer &server)
        : LoadedWindow(iniText({{QStringLiteral("FtpNo"), QStringLiteral("12")},
                                {QStringLiteral("FtpServer"), server.address()},
                                {QStringLiteral("FtpPath"), QStringLiteral("/upload/")},
                                {QStringLiteral("FtpUserName"), FtpServer::User},
                                {QStringLiteral("FtpPassword"), FtpServer::Password},
                                {QStringLiteral("LocalPath"), QStringLiteral("{dir}/records/")}}))
        , records(dir.file(QStringLiteral("records")) + u'/')
    {
        QDir().mkpath(records);
        ftp()->setTimeouts({std::chrono::seconds(5), std::chrono::seconds(5), std::chrono::seconds(5)});
    }

    TransferQueue *ftp() const { return &transfers(); }
    QString recordsFile(const QString &day) const { return records + day + QStringLiteral(".txt"); }
    void putRecords(const QString &day, qint64 size) const
    {
        QByteArray bytes(size, '\0');
        for (qint64 i = 0; i < size; ++i)
            bytes[i] = char(i * 7 + i / 4093);
        writeFile(recordsFile(day), bytes);
    }
    QProgressBar *bar() const { return window->findChild<QProgressBar *>(QStringLiteral("prgUpload")); }
    static bool waitFor(QSignalSpy &finished, int transfers, int timeoutMs = 30000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (finished.count() < transfers && !deadline.hasExpired())
            finished.wait(200);
        return finished.count() == transfers;
    }

    QString records;
};

QStringList succeededLines(const QString &server)
{
    return {QStringLiteral("Disconnected ") + server, QStringLiteral("Disconnecting ") + server,
            QStringLiteral("ResponseCompleted."), QStringLiteral("Connected ") + server,
            QStringLiteral("Connecting ") + server};
}

} // namespace

class TestProgress : public QObject
{
    Q_OBJECT

private slots:
    void slowUploadShowsItsProgress();
    void quickUploadShowsNoBar();
    void queuedSendIsLoggedInItsTurn_data();
    void queuedSendIsLoggedInItsTurn();
    void sendTurnedAwayIsLoggedAtOnce();
    void uploadJustOverStillComesFirst();
};

void TestProgress::slowUploadShowsItsProgress()
{
    // What curl counts as sent is what the system took from it; on the loopback the socket
    // buffers take several MiB at once. 24 MiB at 4 MiB/s still leaves seconds of steady data.
    FtpServer slow({QString(), false, int(4 * MiB)});
    QVERIFY2(slow.isRunning(), qPrintable(slow.error()));
    constexpr qint64 Size = 24 * MiB;
    Desk station(slow);
    // curl hands the server more than it has read: the confirmation comes seconds after the
    // last byte left here.
    station.ftp()->setTimeouts({std::chrono::seconds(30), std::chrono::seconds(30), std::chrono::seconds(30)});
    station.window->show();
    station.putRecords(QStringLiteral("20210305"), Size);
    QProgressBar *bar = station.bar();
    QVERIFY(bar);
    QVERIFY(bar->isHidden());

    QSignalSpy started(station.ftp(), &TransferQueue::transferStarted);
    QSignalSpy progress(station.ftp(), &TransferQueue::progress);
    QSignalSpy finished(station.ftp(), &TransferQueue::transferEnded);
    QElapsedTimer sinceStart;
    QList<QPair<qint64, bool>> shown; // (ms since the turn came, bar shown)
    QList<qint64> progressAt;
    QString textSeen;
    QString screenshotError = QStringLiteral("no screenshot taken");
    connect(station.ftp(), &TransferQueue::transferStarted, this, [&] { sinceStart.start(); });
    connect(station.ftp(), &TransferQueue::progress, this, [&] { progressAt << sinceStart.elapsed(); });
    QTimer watch;
    watch.setInterval(50);
    connect(&watch, &QTimer::timeout, this, [&] {
        if (!sinceStart.isValid())
            return;
        shown.append({sinceStart.elapsed(), !bar->isHidden()});
        if (!bar->isHidden() && textSeen.isEmpty() && bar->value() >= 30) {
            textSeen = bar->text();
            // Saved for a person to look at: the bar under the log, its words legible.
            const QString folder = qEnvironmentVariable("KORVA5_SCREENSHOT_DIR", QDir::tempPath());
            QDir().mkpath(folder);
            screenshotError = station.window->grab().save(folder + QStringLiteral("/main-window-progress.png"))
                ? QString()
                : QStringLiteral("the screenshot could not be saved in ") + folder;
        }
    });
    watch.start();
    station.station().sendManual(QDate(2021, 3, 5));
    QVERIFY(Desk::waitFor(finished, 1, 60000));
    watch.stop();
    QVERIFY(finished.first().at(0).value<FtpResult>().succeeded);
    QCOMPARE(slow.stored(QStringLiteral("upload/20210305.12")).size(), Size);

    // Several reports, each of this upload, never going back, the last one the whole file. (The
    // server reads a second's worth at a time, so curl sees the line move about once a second.)
    QVERIFY2(progress.count() >= 4, qPrintable(QString::number(progress.count())));
    qint64 before = 0;
    for (const QList<QVariant> &report : std::as_const(progress)) {
        QCOMPARE(report.at(0).value<quint64>(), started.first().at(0).value<quint64>());
        QCOMPARE(report.at(2).toLongLong(), Size);
        QVERIFY(report.at(1).toLongLong() >= before);
        before = report.at(1).toLongLong();
    }
    QCOMPARE(progress.last().at(1).toLongLong(), Size);
    QVERIFY(progress.at(progress.count() / 2).at(1).toLongLong() < Size);
    // A few a second at most: the window's thread is never flooded.
    const qint64 lasted = progressAt.last() - progressAt.first();
    QVERIFY2(progress.count() <= lasted / 200 + 2,
             qPrintable(QStringLiteral("%1 reports in %2 ms").arg(progress.count()).arg(lasted)));
    QCOMPARE(started.count(), 1);

    // Hidden for the first two seconds, shown while the data goes out, hidden once it is over.
    QVERIFY(!shown.isEmpty());
    for (const auto &[at, on] : std::as_const(shown)) {
        if (at < 1900)
            QVERIFY2(!on, qPrintable(QStringLiteral("shown at %1 ms").arg(at)));
    }
    const auto firstShown = std::find_if(shown.cbegin(), shown.cend(), [](const auto &sample) { return sample.second; });
    QVERIFY(firstShown != shown.cend());
    // The next report after two seconds brings it up; curl reports at least once a second.
    QVERIFY2(firstShown->first < 3500, qPrintable(QStringLiteral("first shown at %1 ms").arg(firstShown->first)));
    QVERIFY(bar->isHidden());
    QVERIFY2(screenshotError.isEmpty(), qPrintable(screenshotError));
    // Decimal units, three figures: "4.2 MB/s", "42.0 MB/s", "420 KB/s".
    static const QRegularExpression form(
        QStringLiteral("^\\d{2}% · (\\d{1,2}\\.\\d|[1-9]\\d{2}) (KB|MB)/s · \\d+:\\d\\d left$"));
    QVERIFY2(form.match(textSeen).hasMatch(), qPrintable(textSeen));
}

void TestProgress::quickUploadShowsNoBar()
{
    FtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    Desk station(server);
    station.putRecords(QStringLiteral("20210305"), 64 * 1024);
    QSignalSpy finished(station.ftp(), &TransferQueue::transferEnded);
    bool everShown = false;
    connect(station.ftp(), &TransferQueue::progress, this, [&] { everShown = everShown || !station.bar()->isHidden(); });
    station.station().sendManual(QDate(2021, 3, 5));
    QVERIFY(Desk::waitFor(finished, 1));
    QVERIFY(finished.first().at(0).value<FtpResult>().succeeded);
    QVERIFY(!everShown);
    QVERIFY(station.bar()->isHidden());
}

void TestProgress::queuedSendIsLoggedInItsTurn_data()
{
    QTest::addColumn<bool>("secondHasTimeStamp");
    QTest::newRow("yesterday's file after a manual upload") << false;
    QTest::newRow("a scheduled upload after a manual one") << true;
}

void TestProgress::queuedSendIsLoggedInItsTurn()
{
    QFETCH(bool, secondHasTimeStamp);
    FtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    Desk station(server);
    station.putRecords(QStringLiteral("20210305"), 2 * MiB);
    station.putRecords(QStringLiteral("20210304"), 1024);
    QSignalSpy finished(station.ftp(), &TransferQueue::transferEnded);
    Station &program = station.station();
    program.sendManual(QDate(2021, 3, 5));
    if (secondHasTimeStamp)
        program.sendManual(QDate(2021, 3, 4));
    else
        program.sendYesterday();

    const QString firstSend = QStringLiteral("SEND %1 /upload/20210305.12").arg(station.recordsFile(QStringLiteral("20210305")));
    const QString secondSend = QStringLiteral("SEND %1 /upload/20210304.12").arg(station.recordsFile(QStringLiteral("20210304")));
    const QString stamp = QStringLiteral("2021/03/05-08:00");
    const QString waiting = QStringLiteral("waiting: /upload/20210304.12 after the upload under way");
    // Asked for: the first opens the log, the second only says it waits.
    QCOMPARE(station.log(), (QStringList{waiting, firstSend, stamp}));

    QVERIFY(Desk::waitFor(finished, 2));
    QVERIFY(finished.at(0).at(0).value<FtpResult>().succeeded && finished.at(1).at(0).value<FtpResult>().succeeded);
    QStringList second{secondSend};
    if (secondHasTimeStamp)
        second << stamp;
    const QStringList expected = succeededLines(server.address()) + second + succeededLines(server.address())
        + QStringList{waiting, firstSend, stamp};
    QCOMPARE(station.log(), expected);
}

void TestProgress::sendTurnedAwayIsLoggedAtOnce()
{
    // A server that never answers holds the first upload; a hundred more wait, one more is
    // turned away. Its lines come at once and its error right under them, not among another's.
    FtpServer silent({QStringLiteral("silent")});
    QVERIFY2(silent.isRunning(), qPrintable(silent.error()));
    Desk station(silent);
    for (const char *day : {"20210305", "20210304", "20210303"})
        station.putRecords(QLatin1StringView(day), 100);
    station.ftp()->setTimeouts({std::chrono::seconds(30), std::chrono::seconds(30), std::chrono::seconds(30)});
    MessageCapture quiet; // a hundred refusals and aborts on standard error
    Station &program = station.station();
    program.sendManual(QDate(2021, 3, 5));
    QTRY_COMPARE(station.log().first(), QStringLiteral("Connecting ") + silent.address());
    for (int i = 0; i < TransferQueue::MaxWaiting; ++i)
        program.sendYesterday();
    QCOMPARE(station.log().size(), 3 + TransferQueue::MaxWaiting);
    QCOMPARE(station.log().first(), QStringLiteral("waiting: /upload/20210304.12 after the upload under way"));

    QSignalSpy finished(station.ftp(), &TransferQueue::transferEnded);
    program.sendManual(QDate(2021, 3, 3));
    QVERIFY(Desk::waitFor(finished, 1, 5000));
    QCOMPARE(finished.first().at(0).value<FtpResult>().remotePath, QStringLiteral("/upload/20210303.12"));
    const QStringList lines = station.log();
    QCOMPARE(lines.mid(0, 5),
             (QStringList{QStringLiteral("Error!"), QStringLiteral("100 uploads are already waiting"),
                          QStringLiteral("SEND %1 /upload/20210303.12").arg(station.recordsFile(QStringLiteral("20210303"))),
                          QStringLiteral("2021/03/05-08:00"),
                          QStringLiteral("waiting: /upload/20210304.12 after the upload under way")}));
}

void TestProgress::uploadJustOverStillComesFirst()
{
    // The control is idle, but the end of the upload before has not reached the window yet: the
    // next upload's lines must still come after it.
    FtpServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    Desk station(server);
    station.putRecords(QStringLiteral("20210304"), 1024); // today's file is missing: that upload fails at once
    MessageCapture quiet;
    QSignalSpy finished(station.ftp(), &TransferQueue::transferEnded);
    Station &program = station.station();
    program.sendManual(QDate(2021, 3, 5));
    QDeadlineTimer deadline(10000);
    while (station.ftp()->isBusy() && !deadline.hasExpired())
        QThread::msleep(10); // no events run meanwhile: the outcome waits in the queue
    QVERIFY(!station.ftp()->isBusy());
    QVERIFY(!station.log().contains(QStringLiteral("Error!")));
    program.sendYesterday();
    QVERIFY(Desk::waitFor(finished, 2));

    const QStringList expected = succeededLines(server.address())
        + QStringList{QStringLiteral("SEND %1 /upload/20210304.12").arg(station.recordsFile(QStringLiteral("20210304"))),
                      QStringLiteral("Error!"),
                      QStringLiteral("no such file %1").arg(station.recordsFile(QStringLiteral("20210305"))),
                      QStringLiteral("waiting: /upload/20210304.12 after the upload under way"),
                      QStringLiteral("SEND %1 /upload/20210305.12").arg(station.recordsFile(QStringLiteral("20210305"))),
                      QStringLiteral("2021/03/05-08:00")};
    QCOMPARE(station.log(), expected);
}

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
