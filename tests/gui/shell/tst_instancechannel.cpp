// SPDX-License-Identifier: MIT
// The local socket through which a second start asks the running copy to show its window, as
// a peer sees it: what it answers, and what it drops without showing anything.
#include "gui/shell/InstanceChannel.h"
#include "gui/shell/SingleInstance.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <cstring>
#include <future>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using TestSupport::ProgramDir;

namespace {

// Sends text on a connection of its own and waits until the channel answers or drops it.
struct Peer
{
    explicit Peer(const QString &name)
    {
        socket.connectToServer(name);
    }
    bool connected() { return socket.waitForConnected(2000); }
    // Everything received until the channel closed the connection, or nullopt when it was still
    // open after timeoutMs.
    std::optional<QByteArray> receivedUntilClosed(int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            received += socket.readAll();
            if (socket.state() == QLocalSocket::UnconnectedState)
                return received + socket.readAll();
            QTest::qWait(20);
        }
        return std::nullopt;
    }

    QLocalSocket socket;
    QByteArray received;
};

} // namespace

class TestInstanceChannel : public QObject
{
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void silentPeerIsDropped();
    void floodIsCutAtTheLimit();
    void staleSocketFileIsReplaced();
    void askToShowGetsTheAnswer();
    void askToShowGivesUpWithoutListener();
    void foldersHaveChannelsOfTheirOwn();
    void deepRuntimeFolderStillWorks();
};

void TestInstanceChannel::requests_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("shown");
    QTest::newRow("show") << QByteArray("show\n") << true;
    QTest::newRow("show, CR LF") << QByteArray("show\r\n") << true;
    QTest::newRow("show, more lines after it") << QByteArray("show\nshow\nshow\n") << true;
    QTest::newRow("another word") << QByteArray("exit\n") << false;
    QTest::newRow("show as a prefix") << QByteArray("showall\n") << false;
    QTest::newRow("upper case") << QByteArray("SHOW\n") << false;
    QTest::newRow("empty line") << QByteArray("\n") << false;
    QTest::newRow("binary") << QByteArray("\x00\xff\x01show\n", 8) << false;
}

void TestInstanceChannel::requests()
{
    QFETCH(QByteArray, sent);
    QFETCH(bool, shown);
    ProgramDir dir;
    InstanceChannel channel;
    QVERIFY(channel.listen(dir.path()));
    QSignalSpy spy(&channel, &InstanceChannel::showRequested);

    Peer peer(InstanceChannel::serverName(dir.path()));
    QVERIFY(peer.connected());
    peer.socket.write(sent);
    const std::optional<QByteArray> answer = peer.receivedUntilClosed(3000);
    QVERIFY2(answer.has_value(), "the channel kept the connection open");
    QCOMPARE(*answer, shown ? QByteArray("shown\n") : QByteArray());
    QCOMPARE(spy.count(), shown ? 1 : 0);

    // Whatever came before, the next request is served.
    Peer next(InstanceChannel::serverName(dir.path()));
    QVERIFY(next.connected());
    next.socket.write("show\n");
    QCOMPARE(next.receivedUntilClosed(3000), std::optional<QByteArray>("shown\n"));
    QCOMPARE(spy.count(), shown ? 2 : 1);
}

void TestInstanceChannel::silentPeerIsDropped()
{
    ProgramDir dir;
    InstanceChannel channel;
    QVERIFY(channel.listen(dir.path()));
    QSignalSpy spy(&channel, &InstanceChannel::showRequested);
    Peer silent(InstanceChannel::serverName(dir.path()));
    QVERIFY(silent.connected());
    silent.socket.write("sho"); // a request never finished
    const int limit = int(InstanceChannel::PeerTimeLimit.count());
    QCOMPARE(silent.receivedUntilClosed(limit + 3000), std::optional<QByteArray>(QByteArray()));
    QCOMPARE(spy.count(), 0);
}

void TestInstanceChannel::floodIsCutAtTheLimit()
{
    ProgramDir dir;
    InstanceChannel channel;
    QVERIFY(channel.listen(dir.path()));
    QSignalSpy spy(&channel, &InstanceChannel::showRequested);
    Peer flood(InstanceChannel::serverName(dir.path()));
    QVERIFY(flood.connected());
    // No line end, far more than a request: dropped long before the peer time limit.
    flood.socket.write(QByteArray(1 << 20, 's'));
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(flood.receivedUntilClosed(3000), std::optional<QByteArray>(QByteArray()));
    QVERIFY(elapsed.elapsed() < InstanceChannel::PeerTimeLimit.count());
    QCOMPARE(spy.count(), 0);
}

void TestInstanceChannel::staleSocketFileIsReplaced()
{
#ifdef Q_OS_UNIX
    // What a copy killed with SIGKILL leaves behind: a socket file nobody listens on.
    ProgramDir dir;
    const QString name = InstanceChannel::serverName(dir.path());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(name);
    QVERIFY(size_t(path.size()) < sizeof(address.sun_path));
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    QVERIFY(bound);
    QVERIFY(QFileInfo(name).exists());
    InstanceChannel channel;
    QVERIFY(channel.listen(dir.path()));
    QSignalSpy spy(&channel, &InstanceChannel::showRequested);
    Peer peer(name);
    QVERIFY(peer.connected());
    peer.socket.write("show\n");
    QCOMPARE(peer.receivedUntilClosed(3000), std::optional<QByteArray>("shown\n"));
    QCOMPARE(spy.count(), 1);
#else
    QSKIP("local sockets are files on POSIX only");
#endif
}

void TestInstanceChannel::askToShowGetsTheAnswer()
{
    ProgramDir dir;
    InstanceChannel channel;
    QVERIFY(channel.listen(dir.path()));
    QSignalSpy spy(&channel, &InstanceChannel::showRequested);
    // The asking side blocks, as a second copy does; the channel answers from this thread.
    std::future<bool> asked = std::async(std::launch::async, [path = dir.path()] {
        return InstanceChannel::askToShow(path, std::chrono::seconds(5));
    });
    QTRY_VERIFY_WITH_TIMEOUT(asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 7000);
    QVERIFY(asked.get());
    QCOMPARE(spy.count(), 1);
}

void TestInstanceChannel::askToShowGivesUpWithoutListener()
{
    ProgramDir dir;
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!InstanceChannel::askToShow(dir.path(), std::chrono::milliseconds(500)));
    QVERIFY2(elapsed.elapsed() < 2000, QByteArray::number(elapsed.elapsed()).constData());
}

void TestInstanceChannel::foldersHaveChannelsOfTheirOwn()
{
    ProgramDir one;
    ProgramDir other;
    QVERIFY(InstanceChannel::serverName(one.path()) != InstanceChannel::serverName(other.path()));
    // The same folder reached through a link is the same program.
    QTemporaryDir links;
    const QString link = links.filePath(QStringLiteral("korva5"));
    QVERIFY(QFile::link(one.path(), link));
    QCOMPARE(InstanceChannel::serverName(link), InstanceChannel::serverName(one.path()));

    InstanceChannel channel;
    QVERIFY(channel.listen(one.path()));
    QSignalSpy spy(&channel, &InstanceChannel::showRequested);
    std::future<bool> asked = std::async(std::launch::async, [path = other.path()] {
        return InstanceChannel::askToShow(path, std::chrono::milliseconds(500));
    });
    QTRY_VERIFY_WITH_TIMEOUT(asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 3000);
    QVERIFY(!asked.get());
    QCOMPARE(spy.count(), 0);
}

void TestInstanceChannel::deepRuntimeFolderStillWorks()
{
#ifdef Q_OS_UNIX
    // A socket's path has room for about a hundred bytes; a runtime folder deeper than that must
    // not leave the running copy deaf.
    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString runtime = base.path() + u'/' + QString(120, u'r');
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    const auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", previous); });

    ProgramDir dir;
    QVERIFY(SingleInstance::lockFilePath(dir.path()).startsWith(runtime));
    InstanceChannel channel;
    QVERIFY(channel.listen(dir.path()));
    QSignalSpy spy(&channel, &InstanceChannel::showRequested);
    std::future<bool> asked = std::async(std::launch::async, [path = dir.path()] {
        return InstanceChannel::askToShow(path, std::chrono::seconds(5));
    });
    QTRY_VERIFY_WITH_TIMEOUT(asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 7000);
    QVERIFY(asked.get());
    QCOMPARE(spy.count(), 1);
#else
    QSKIP("the length limit is that of POSIX local sockets");
#endif
}

QTEST_GUILESS_MAIN(TestInstanceChannel)
#include "tst_instancechannel.moc"
