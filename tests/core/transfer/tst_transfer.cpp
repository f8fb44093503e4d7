// SPDX-License-Identifier: MIT
// The transfer control on its own, against real FTP servers: what it refuses before connecting,
// how it reports, how it ends.
#include "core/transfer/FtpTransfer.h"
#include "core/transfer/TransferQueue.h"
#include "CoreTestSupport.h"
#include "MessageCapture.h"
#include "StateSpy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace korva5;

using namespace TestSupport;

namespace {

bool waitFor(QSignalSpy &finished, int transfers, int timeoutMs = 30000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (finished.count() < transfers && !deadline.hasExpired())
        finished.wait(200);
    QCoreApplication::processEvents(); // the stateChanged events queued before the end
    return finished.count() == transfers;
}

} // namespace

namespace {

// Runs one send through a control of its own and returns its states and verdict.
struct DirectSend
{
    QList<Ftp::State> states;
    bool succeeded = false;

    // whileRunning is given the control once the send is asked for.
    DirectSend(const FtpServer &server, const QString &local, const QString &remote,
               const std::function<void(TransferQueue &)> &whileRunning = {})
    {
        TransferQueue ftp;
        ftp.setServerAddress(server.address());
        ftp.setUserName(FtpServer::User);
        ftp.setPassword(FtpServer::Password);
        // Far beyond what any step takes here, even on a loaded machine: the sends end by what
        // the tests do to them, not by a time limit.
        ftp.setTimeouts({std::chrono::seconds(60), std::chrono::seconds(60), std::chrono::seconds(60)});
        QObject::connect(&ftp, &TransferQueue::stateChanged, [this](Ftp::State state) { states << state; });
        QSignalSpy finished(&ftp, &TransferQueue::transferEnded);
        ftp.enqueue(local, remote);
        if (whileRunning)
            whileRunning(ftp);
        if (waitFor(finished, 1, 120000))
            succeeded = finished.first().at(0).value<FtpResult>().succeeded;
    }
};

} // namespace

class TestTransfer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void unusableRequestsNeverConnect_data();
    void unusableRequestsNeverConnect();
    void waitingUploadsAreBounded();
    void statesArriveAsTheyHappen();
    void localFileShrinksDuringUpload();
    void localFileKinds_data();
    void localFileKinds();
    void resultCarriesReasonAndSize();
    void abortEndsOnlyTheSendsThen_data();
    void abortEndsOnlyTheSendsThen();
    void deleteAfterSendLeavesNothing_data();
    void deleteAfterSendLeavesNothing();

private:
    std::unique_ptr<FtpServer> m_server;
};

void TestTransfer::initTestCase()
{
    m_server = std::make_unique<FtpServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
}

void TestTransfer::unusableRequestsNeverConnect_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("remotePath");
    QTest::newRow("unknown scheme") << "http://127.0.0.1" << "/upload/f.1";
    QTest::newRow("login in the server setting") << "ftp://user:pw@127.0.0.1" << "/upload/f.1";
    QTest::newRow("remote path names no file") << QString() << "/upload/";
    QTest::newRow("local file is a folder") << QString() << "/upload/folder.1";
}

void TestTransfer::unusableRequestsNeverConnect()
{
    QFETCH(QString, server);
    QFETCH(QString, remotePath);
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("f.txt")), "records");
    const QString local = remotePath.contains(u"folder") ? dir.path() : dir.filePath(QStringLiteral("f.txt"));
    TransferQueue ftp;
    ftp.setServerAddress(server.isEmpty() ? m_server->address() : server);
    QSignalSpy states(&ftp, &TransferQueue::stateChanged);
    QSignalSpy finished(&ftp, &TransferQueue::transferEnded);
    const qsizetype before = m_server->commandLog().size();
    ftp.enqueue(local, remotePath);
    QVERIFY(waitFor(finished, 1));
    QCOMPARE(finished.first().at(0).value<FtpResult>().succeeded, false);
    QList<Ftp::State> seen;
    for (const QVariantList &args : states)
        seen << args.first().value<Ftp::State>();
    QCOMPARE(seen, (QList<Ftp::State>{Ftp::State::ResolvingHost, Ftp::State::Error}));
    QCOMPARE(m_server->commandLog().size(), before);
}

void TestTransfer::waitingUploadsAreBounded()
{
    FtpServer silent({QStringLiteral("silent")});
    QVERIFY2(silent.isRunning(), qPrintable(silent.error()));
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("f.txt")), "x");
    QElapsedTimer timer;
    {
        TransferQueue ftp;
        ftp.setServerAddress(silent.address());
        ftp.setTimeouts({std::chrono::seconds(30), std::chrono::seconds(30), std::chrono::seconds(30)});
        QSignalSpy states(&ftp, &TransferQueue::stateChanged);
        QSignalSpy finished(&ftp, &TransferQueue::transferEnded);
        ftp.enqueue(dir.filePath(QStringLiteral("f.txt")), QStringLiteral("first"));
        QTRY_VERIFY(sawState(states, Ftp::State::Connecting));
        for (int i = 0; i < TransferQueue::MaxWaiting; ++i)
            ftp.enqueue(dir.filePath(QStringLiteral("f.txt")), QStringLiteral("waiting"));
        QCOMPARE(finished.count(), 0);
        ftp.enqueue(dir.filePath(QStringLiteral("f.txt")), QStringLiteral("one too many"));
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.first().at(0).value<FtpResult>().remotePath, QStringLiteral("one too many"));
        QCOMPARE(finished.first().at(0).value<FtpResult>().succeeded, false);
        // Its Error state says what kind of failure it was, as its end does.
        QVERIFY(sawState(states, Ftp::State::Error));
        QCOMPARE(states.last().at(1).value<FtpFailure>().kind, FailureKind::TooManyWaiting);
        QCOMPARE(finished.first().at(0).value<FtpResult>().failure.kind, FailureKind::TooManyWaiting);
        QVERIFY(ftp.isBusy());
        timer.start();
    } // ending the control ends the transfer stuck on the silent server
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QStringLiteral("ending took %1 ms").arg(timer.elapsed())));
}

void TestTransfer::statesArriveAsTheyHappen()
{
    // The server stops reading part-way: every state up to the sending of the file must be in
    // before the stall ends the transfer, not delivered in one batch at the end.
    FtpServer server({QStringLiteral("stall")});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    QTemporaryDir dir;
    QFile big(dir.filePath(QStringLiteral("f.txt")));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(64LL * 1024 * 1024));
    big.close();
    TransferQueue ftp;
    ftp.setServerAddress(server.address());
    ftp.setUserName(FtpServer::User);
    ftp.setPassword(FtpServer::Password);
    ftp.setTimeouts({std::chrono::seconds(5), std::chrono::seconds(2), std::chrono::seconds(2)});
    QElapsedTimer clock;
    QList<QPair<qint16, qint64>> seen;
    connect(&ftp, &TransferQueue::stateChanged, this, [&](Ftp::State state) { seen.append({qint16(state), clock.elapsed()}); });
    QSignalSpy finished(&ftp, &TransferQueue::transferEnded);
    clock.start();
    ftp.enqueue(big.fileName(), QStringLiteral("/upload/f.1"));
    QVERIFY(waitFor(finished, 1));

    QList<qint16> states;
    for (const auto &[state, at] : seen)
        states << state;
    QCOMPARE(states, (QList<qint16>{1, 2, 3, 4, 5, 6, 7, 11, 9, 10}));
    const qint64 errorAt = seen.at(states.indexOf(11)).second;
    QVERIFY2(errorAt - seen.at(states.indexOf(6)).second >= 1500,
             qPrintable(QStringLiteral("request sent at %1 ms, error at %2 ms").arg(seen.at(5).second).arg(errorAt)));
}

void TestTransfer::localFileShrinksDuringUpload()
{
    // The station rewrites the file in place while a slow server reads it: the piece that
    // reached the server must not pass for the file.
    // The file is cut as soon as its first bytes are on their way. The server reads 1 MB a
    // second, and the file is far larger than what the connection's buffers hold, so the upload
    // is still reading it then, however slowly the machine runs the test.
    FtpServer slow({QString(), false, 1024 * 1024});
    QVERIFY2(slow.isRunning(), qPrintable(slow.error()));
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("20210305.txt"));
    writeFile(local, recordsOf(QStringLiteral("big"), 32 * 1024 * 1024));
    MessageCapture messages;
    const DirectSend send(slow, local, QStringLiteral("/upload/20210305.12"), [&](TransferQueue &ftp) {
        QSignalSpy moving(&ftp, &TransferQueue::progress);
        QVERIFY(moving.wait(60000));
        QVERIFY(QFile::resize(local, 2 * 1024 * 1024));
    });
    QVERIFY(!send.succeeded);
    QVERIFY(send.states.contains(Ftp::State::Error));
    QVERIFY(!send.states.contains(Ftp::State::ResponseCompleted));
    QVERIFY2(messages.text().contains(QStringLiteral("shrank")), qPrintable(messages.text()));
}

void TestTransfer::localFileKinds_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("says"); // empty: sent
    QTest::newRow("folder") << "folder" << "is a folder";
    QTest::newRow("missing") << "missing" << "does not exist";
    QTest::newRow("link inside the records folder") << "link inside" << "";
#ifdef Q_OS_UNIX
    QTest::newRow("FIFO") << "fifo" << "is not a regular file";
    QTest::newRow("dangling link") << "dangling link" << "does not exist";
    QTest::newRow("link out of the records folder") << "link outside" << "outside the records folder";
    QTest::newRow("link to the folder above") << "link up" << "outside the records folder";
#endif
}

void TestTransfer::localFileKinds()
{
    QFETCH(QString, kind);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QTemporaryDir elsewhere;
    const QString records = dir.filePath(QStringLiteral("records"));
    QVERIFY(QDir().mkpath(records));
    const QString local = records + QStringLiteral("/20210305.txt");
    writeFile(records + QStringLiteral("/kept.bin"), "inside");
    writeFile(elsewhere.filePath(QStringLiteral("secret")), "outside");
    writeFile(dir.filePath(QStringLiteral("above")), "above");
    if (kind == u"folder")
        QVERIFY(QDir().mkpath(local));
    else if (kind == u"link inside")
        QVERIFY(QFile::link(records + QStringLiteral("/kept.bin"), local));
    else if (kind == u"dangling link")
        QVERIFY(QFile::link(records + QStringLiteral("/gone.bin"), local));
    else if (kind == u"link outside")
        QVERIFY(QFile::link(elsewhere.filePath(QStringLiteral("secret")), local));
    else if (kind == u"link up")
        QVERIFY(QFile::link(QStringLiteral("../above"), local));
#ifdef Q_OS_UNIX
    else if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(local).constData(), 0600), 0);
#endif

    QFile::remove(m_server->root() + QStringLiteral("/upload/20210305.12"));
    const qsizetype before = m_server->commandLog().size();
    MessageCapture messages;
    const DirectSend send(*m_server, local, QStringLiteral("/upload/20210305.12"));
    QCOMPARE(send.succeeded, says.isEmpty());
    if (says.isEmpty()) {
        QCOMPARE(m_server->stored(QStringLiteral("upload/20210305.12")), QByteArray("inside"));
        return;
    }
    QCOMPARE(send.states, (QList<Ftp::State>{Ftp::State::ResolvingHost, Ftp::State::Error}));
    QCOMPARE(m_server->commandLog().size(), before);
    QVERIFY2(messages.text().contains(says), qPrintable(messages.text()));
    QVERIFY(!messages.text().contains(QStringLiteral("Unknown error")));
}

void TestTransfer::resultCarriesReasonAndSize()
{
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("20210305.txt"));
    writeFile(local, recordsOf(QStringLiteral("r"), 5000));
    TransferQueue ftp;
    ftp.setServerAddress(m_server->address());
    ftp.setUserName(FtpServer::User);
    ftp.setPassword(FtpServer::Password);
    QSignalSpy started(&ftp, &TransferQueue::transferStarted);
    QSignalSpy ended(&ftp, &TransferQueue::transferEnded);
    const quint64 sent = ftp.enqueue(local, QStringLiteral("/upload/20210305.12"));
    const quint64 missing = ftp.enqueue(dir.filePath(QStringLiteral("gone.txt")), QStringLiteral("/upload/gone.12"));
    QVERIFY(sent != missing);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 30000);
    QCOMPARE(started.count(), 2);
    QCOMPARE(started.at(0).at(0).value<quint64>(), sent);
    const auto first = ended.at(0).at(0).value<FtpResult>();
    QCOMPARE(first.tag, sent);
    QVERIFY(first.succeeded);
    QCOMPARE(first.bytes, qint64(5000));
    QVERIFY(first.reason.isEmpty());
    const auto second = ended.at(1).at(0).value<FtpResult>();
    QCOMPARE(second.tag, missing);
    QVERIFY(!second.succeeded);
    QVERIFY2(second.reason.contains(QStringLiteral("does not exist")), qPrintable(second.reason));
}

void TestTransfer::abortEndsOnlyTheSendsThen_data()
{
    QTest::addColumn<bool>("busy"); // a send runs (against a server that never answers) and one waits
    QTest::newRow("busy") << true;
    QTest::newRow("idle") << false;
}

void TestTransfer::abortEndsOnlyTheSendsThen()
{
    QFETCH(bool, busy);
    FtpServer silent({QStringLiteral("silent")});
    QVERIFY2(silent.isRunning(), qPrintable(silent.error()));
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("20210305.txt"));
    writeFile(local, recordsOf(QStringLiteral("a"), 3000));
    TransferQueue ftp;
    ftp.setServerAddress(silent.address());
    ftp.setUserName(FtpServer::User);
    ftp.setPassword(FtpServer::Password);
    QSignalSpy started(&ftp, &TransferQueue::transferStarted);
    QSignalSpy ended(&ftp, &TransferQueue::transferEnded);
    int expected = 0;
    if (busy) {
        ftp.enqueue(local, QStringLiteral("/upload/20210305.12"));
        ftp.enqueue(local, QStringLiteral("/upload/20210305.13"));
        QTRY_COMPARE(started.count(), 1);
        QTest::qWait(300); // connected and waiting for a greeting that never comes
        expected = 2;
    }
    QElapsedTimer clock;
    clock.start();
    ftp.abort();
    QVERIFY2(clock.elapsed() < 100, "abort waited for the send");
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), expected, 5000);
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    for (const QList<QVariant> &arguments : ended)
        QVERIFY(!arguments.at(0).value<FtpResult>().succeeded);
    QCOMPARE(started.count(), expected / 2); // the waiting one never started

    // The abort was for those sends only: the next one goes through.
    ftp.setServerAddress(m_server->address());
    ftp.enqueue(local, QStringLiteral("/upload/aborted-before.12"));
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), expected + 1, 30000);
    const auto last = ended.last().at(0).value<FtpResult>();
    QVERIFY2(last.succeeded, qPrintable(last.reason));
    QCOMPARE(m_server->stored(QStringLiteral("upload/aborted-before.12")), recordsOf(QStringLiteral("a"), 3000));
}

void TestTransfer::deleteAfterSendLeavesNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("temporaryName");
    QTest::addColumn<bool>("succeeded");
    QTest::addColumn<QString>("left"); // the file left in the folder, if any
    QTest::newRow("renamed, then deleted") << "" << true << true << "";
    QTest::newRow("straight, then deleted") << "" << false << true << "";
    QTest::newRow("cannot rename") << "no-rename" << true << false << "";
    QTest::newRow("cannot delete") << "no-overwrite-no-delete" << true << false << "try.12";
    QTest::newRow("cannot delete, straight") << "no-overwrite-no-delete" << false << false << "try.12";
    QTest::newRow("cannot store") << "read-only" << true << false << "";
}

void TestTransfer::deleteAfterSendLeavesNothing()
{
    QFETCH(QString, fault);
    QFETCH(bool, temporaryName);
    QFETCH(bool, succeeded);
    QFETCH(QString, left);
    FtpServer server({fault});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("try.txt"));
    writeFile(local, "a try\n");
    // As the server test sends its try: one transfer on this thread, deleted once confirmed.
    FtpRequest request;
    request.server = server.address();
    request.userName = FtpServer::User;
    request.password = FtpServer::Password;
    request.localPath = local;
    request.remotePath = QStringLiteral("/upload/try.12");
    request.temporaryName = temporaryName;
    request.deleteAfter = true;
    const std::atomic<bool> abort{false};
    const FtpResult result = runFtpTransfer(request, [](Ftp::State, const QString &) {}, abort);
    QVERIFY2(result.succeeded == succeeded, qPrintable(result.reason));
    const QStringList files = QDir(server.root() + QStringLiteral("/upload")).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files, left.isEmpty() ? QStringList() : QStringList{left});
    if (!left.isEmpty())
        QVERIFY2(result.reason.contains(u"did not delete"), qPrintable(result.reason));
    // What the reason says of the file is what the folder shows.
    QVERIFY2(!result.reason.contains(u"stays under its temporary name"), qPrintable(result.reason));
}

QTEST_GUILESS_MAIN(TestTransfer)
#include "tst_transfer.moc"
