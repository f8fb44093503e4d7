// SPDX-License-Identifier: MIT
// The request folder through which a second start asks the running copy to show its window:
// what the running copy answers, what it refuses to trust, and how the asking side gives up; and
// which folder the lock and the request folder are kept in.
#include "core/platform/Posix.h"
#include "gui/shell/InstanceChannel.h"
#include "gui/shell/SingleInstance.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <future>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace korva5;

using TestSupport::ProgramDir;

namespace {

bool makeFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
}

std::future<bool> askInBackground(const QString &programDir, std::chrono::milliseconds timeout)
{
    // The asking side blocks, as a second copy does; the channel answers from this thread.
    return std::async(std::launch::async, [programDir, timeout] { return InstanceChannel::askToShow(programDir, timeout); });
}

bool finished(std::future<bool> &asked)
{
    return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

} // namespace

class TestInstanceChannel : public QObject
{
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void requestsWaitingBeforeListenAreAnswered();
    void askToShowGetsTheAnswer();
    void askToShowGivesUpWithoutListener_data();
    void askToShowGivesUpWithoutListener();
    void untrustedFolderIsRefused_data();
    void untrustedFolderIsRefused();
    void folderGoesWithTheChannel();
    void foldersHaveChannelsOfTheirOwn();
    void deepLockFolderStillWorks();
    void lockFolderIsTheFirstPlaceOfTheUsersAlone_data();
    void lockFolderIsTheFirstPlaceOfTheUsersAlone();
};

void TestInstanceChannel::requests_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("shown");
    QTest::newRow("one request") << QStringList{QStringLiteral("show-100")} << true;
    QTest::newRow("three at once: one show") << QStringList{QStringLiteral("show-1"), QStringLiteral("show-2"), QStringLiteral("show-3")}
                                             << true;
    QTest::newRow("another name") << QStringList{QStringLiteral("exit-100")} << false;
    QTest::newRow("upper case") << QStringList{QStringLiteral("SHOW-100")} << false;
    QTest::newRow("hidden file") << QStringList{QStringLiteral(".show-100")} << false;
    QTest::newRow("junk beside a request") << QStringList{QStringLiteral("junk"), QStringLiteral("show-7")} << true;
}

void TestInstanceChannel::requests()
{
    QFETCH(QStringList, files);
    QFETCH(bool, shown);
    ProgramDir dir;
    InstanceChannel channel;
    QVERIFY(channel.listen(dir.path()));
    QSignalSpy spy(&channel, &InstanceChannel::showRequested);
    const QString folder = InstanceChannel::requestFolder(dir.path());
    for (const QString &name : files)
        QVERIFY(makeFile(folder + u'/' + name));

    // Every file is taken away, answered or not; a request is answered with one show.
    QTRY_VERIFY_WITH_TIMEOUT(entries(folder).isEmpty(), 3000);
    QTest::qWait(100);
    QCOMPARE(spy.count(), shown ? 1 : 0);

    // Whatever came before, the next request is served.
    std::future<bool> asked = askInBackground(dir.path(), std::chrono::seconds(3));
    QTRY_VERIFY_WITH_TIMEOUT(finished(asked), 5000);
    QVERIFY(asked.get());
    QCOMPARE(spy.count(), shown ? 2 : 1);
}

void TestInstanceChannel::requestsWaitingBeforeListenAreAnswered()
{
    // A copy asked while this one was still starting, or was killed while it waited.
    ProgramDir dir;
    const QString folder = InstanceChannel::requestFolder(dir.path());
    QVERIFY(QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(makeFile(folder + QStringLiteral("/show-4242")));
    InstanceChannel channel;
    QSignalSpy spy(&channel, &InstanceChannel::showRequested);
    QVERIFY(channel.listen(dir.path()));
    QCOMPARE(spy.count(), 1);
    QVERIFY(entries(folder).isEmpty());
}

void TestInstanceChannel::askToShowGetsTheAnswer()
{
    ProgramDir dir;
    InstanceChannel channel;
    QVERIFY(channel.listen(dir.path()));
    QSignalSpy spy(&channel, &InstanceChannel::showRequested);
    QElapsedTimer elapsed;
    elapsed.start();
    std::future<bool> asked = askInBackground(dir.path(), std::chrono::seconds(5));
    QTRY_VERIFY_WITH_TIMEOUT(finished(asked), 7000);
    QVERIFY(asked.get());
    QCOMPARE(spy.count(), 1);
    // Watched, not polled: the answer comes at once.
    QVERIFY2(elapsed.elapsed() < 1000, QByteArray::number(elapsed.elapsed()).constData());
}

void TestInstanceChannel::askToShowGivesUpWithoutListener_data()
{
    QTest::addColumn<bool>("folderMade");
    QTest::newRow("nothing there") << false;
    QTest::newRow("a copy that hangs: the folder, nobody answering") << true;
}

void TestInstanceChannel::askToShowGivesUpWithoutListener()
{
    QFETCH(bool, folderMade);
    ProgramDir dir;
    const QString folder = InstanceChannel::requestFolder(dir.path());
    const auto cleanup = qScopeGuard([&] { QDir(folder).removeRecursively(); });
    if (folderMade)
        QVERIFY(QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!InstanceChannel::askToShow(dir.path(), std::chrono::milliseconds(500)));
    QVERIFY2(elapsed.elapsed() < 2000, QByteArray::number(elapsed.elapsed()).constData());
    // The request it gave up on is taken back.
    if (folderMade)
        QCOMPARE(entries(folder), QStringList());
}

void TestInstanceChannel::untrustedFolderIsRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("open to everyone") << QStringLiteral("open");
    QTest::newRow("a link to a folder elsewhere") << QStringLiteral("link");
    QTest::newRow("a file in its place") << QStringLiteral("file");
}

void TestInstanceChannel::untrustedFolderIsRefused()
{
#ifdef Q_OS_UNIX
    // What someone else could leave in a shared temporary folder before the program starts.
    QFETCH(QString, kind);
    ProgramDir dir;
    QTemporaryDir elsewhere;
    const QString folder = InstanceChannel::requestFolder(dir.path());
    const auto cleanup = qScopeGuard([&] {
        QFile::remove(folder);
        QDir(folder).removeRecursively();
    });
    if (kind == u"open") {
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7777)));
    } else if (kind == u"link") {
        QVERIFY(QFile::setPermissions(elsewhere.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QFile::link(elsewhere.path(), folder));
    } else {
        QVERIFY(makeFile(folder));
    }
    InstanceChannel channel;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot wait for a second start in .*")));
    QVERIFY(!channel.listen(dir.path()));
    // Nor does a second start leave its request there.
    QVERIFY(!InstanceChannel::askToShow(dir.path(), std::chrono::milliseconds(300)));
    QCOMPARE(entries(elsewhere.path()), QStringList());
    if (kind == u"open")
        QCOMPARE(entries(folder), QStringList());
#else
    QSKIP("ownership and modes of POSIX folders");
#endif
}

void TestInstanceChannel::folderGoesWithTheChannel()
{
    ProgramDir dir;
    const QString folder = InstanceChannel::requestFolder(dir.path());
    {
        InstanceChannel channel;
        QVERIFY(channel.listen(dir.path()));
        QVERIFY(QFileInfo(folder).isDir());
    }
    QVERIFY(!QFileInfo::exists(folder));
}

void TestInstanceChannel::foldersHaveChannelsOfTheirOwn()
{
    ProgramDir one;
    ProgramDir other;
    QVERIFY(InstanceChannel::requestFolder(one.path()) != InstanceChannel::requestFolder(other.path()));
    // The same folder reached through a link is the same program.
    QTemporaryDir links;
    const QString link = links.filePath(QStringLiteral("korva5"));
    QVERIFY(QFile::link(one.path(), link));
    QCOMPARE(InstanceChannel::requestFolder(link), InstanceChannel::requestFolder(one.path()));

    InstanceChannel channel;
    QVERIFY(channel.listen(one.path()));
    QSignalSpy spy(&channel, &InstanceChannel::showRequested);
    std::future<bool> asked = askInBackground(other.path(), std::chrono::milliseconds(500));
    QTRY_VERIFY_WITH_TIMEOUT(finished(asked), 3000);
    QVERIFY(!asked.get());
    QCOMPARE(spy.count(), 0);
}

void TestInstanceChannel::deepLockFolderStillWorks()
{
#ifdef Q_OS_UNIX
    // A lock folder deeper than a local socket's address could hold (about a hundred bytes), as
    // a deep home folder gives, must not leave the running copy deaf.
    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString deep = base.path() + u'/' + QString(120, u'r');
    QVERIFY(QDir().mkpath(deep));
    QVERIFY(QFile::setPermissions(deep, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));

    ProgramDir dir;
    SingleInstance lock;
    QCOMPARE(lock.acquire(dir.path(), {{deep, true}}), SingleInstance::Result::Locked);
    QCOMPARE(lock.folder(), deep);
    InstanceChannel channel;
    QVERIFY(channel.listen(dir.path(), deep));
    QVERIFY(InstanceChannel::requestFolder(dir.path(), deep).startsWith(deep));
    QSignalSpy spy(&channel, &InstanceChannel::showRequested);
    std::future<bool> asked = std::async(std::launch::async, [&] {
        return InstanceChannel::askToShow(dir.path(), deep, std::chrono::seconds(5));
    });
    QTRY_VERIFY_WITH_TIMEOUT(finished(asked), 7000);
    QVERIFY(asked.get());
    QCOMPARE(spy.count(), 1);
#else
    QSKIP("the length limit is that of POSIX local sockets");
#endif
}

void TestInstanceChannel::lockFolderIsTheFirstPlaceOfTheUsersAlone_data()
{
    // What three places hold, as the runtime folder (never made), the temporary and the home
    // one (made when missing) do for a user, one word each: "-" nothing, "private", "open"
    // (mode 0777), "other" (another user's), "link" (to a private folder), "dangling" (a link to
    // nowhere), "file", "unmakable" (its parent missing).
    QTest::addColumn<QString>("found");
    QTest::addColumn<int>("chosen"); // -1: none
    QTest::addColumn<QList<int>>("passedOver");
    QTest::newRow("runtime folder: nothing else made") << "private - -" << 0 << QList<int>();
    QTest::newRow("no runtime folder: not made, the next one is") << "- - -" << 1 << QList<int>();
    QTest::newRow("runtime folder open to everyone") << "open - -" << 1 << QList<int>{0};
    QTest::newRow("temporary folder another user's: the home one") << "- other -" << 2 << QList<int>{1};
    QTest::newRow("temporary folder a link") << "- link -" << 2 << QList<int>{1};
    QTest::newRow("temporary folder a dangling link") << "- dangling -" << 2 << QList<int>{1};
    QTest::newRow("temporary folder a file") << "- file -" << 2 << QList<int>{1};
    QTest::newRow("none of the user's alone") << "open other unmakable" << -1 << QList<int>{0, 1, 2};
}

void TestInstanceChannel::lockFolderIsTheFirstPlaceOfTheUsersAlone()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, found);
    QFETCH(int, chosen);
    QFETCH(QList<int>, passedOver);
    const QStringList kinds = found.split(u' ');
    if (kinds.contains(QStringLiteral("other")) && ::geteuid() != 0)
        QSKIP("only root makes a folder of another user's");
    QTemporaryDir base;
    QTemporaryDir elsewhere;
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QVERIFY(QFile::setPermissions(elsewhere.path(), ownerOnly));
    QList<SingleInstance::Place> places;
    for (int i = 0; i < kinds.size(); ++i) {
        const QString &kind = kinds[i];
        const QString folder = base.filePath(kind == u"unmakable" ? QStringLiteral("gone/place") : QString::number(i));
        places.append({folder, i > 0});
        if (kind == u"private" || kind == u"open" || kind == u"other")
            QVERIFY(QDir().mkdir(folder, kind == u"open" ? QFile::Permissions(0x7777) : ownerOnly));
        if (kind == u"other")
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
        else if (kind == u"link" || kind == u"dangling")
            QVERIFY(QFile::link(kind == u"link" ? elsewhere.path() : base.filePath(QStringLiteral("nowhere")), folder));
        else if (kind == u"file")
            QVERIFY(makeFile(folder));
    }

    QList<SingleInstance::PassedOver> passed;
    const QString folder = SingleInstance::lockFolder(places, &passed);
    QCOMPARE(folder, chosen < 0 ? QString() : places[chosen].folder);
    QList<int> passedIndexes;
    for (const SingleInstance::PassedOver &place : passed)
        passedIndexes << int(std::find_if(places.cbegin(), places.cend(), [&](const auto &p) { return p.folder == place.folder; })
                             - places.cbegin());
    QCOMPARE(passedIndexes, passedOver);
    if (chosen >= 0)
        QVERIFY(Posix::isPrivateFolder(folder)); // made for the user alone
    // Nothing is made past the one chosen, nor where nothing is to be made; nothing through a link.
    for (int i = 0; i < kinds.size(); ++i) {
        if (kinds[i] == u'-' && i != chosen)
            QVERIFY2(!QFileInfo::exists(places[i].folder), qPrintable(places[i].folder));
    }
    QCOMPARE(entries(elsewhere.path()), QStringList());
#else
    QSKIP("ownership and modes of POSIX folders");
#endif
}

QTEST_GUILESS_MAIN(TestInstanceChannel)
#include "tst_instancechannel.moc"
