// SPDX-License-Identifier: MIT
// Uploads over sftp to a real OpenSSH server: the temporary name and its rename over an earlier
// copy, and a login, a server key or a folder that is wrong.
#include "core/transfer/FtpTransfer.h"
#include "CoreTestSupport.h"
#include "Sshd.h"

#include <QTemporaryDir>
#include <QTest>

using namespace korva5;

using namespace TestSupport;

Q_DECLARE_METATYPE(FailureKind)

namespace {

const QString FileName = QStringLiteral("20240301.1");

} // namespace

class TestSftp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void upload_data();
    void upload();

private:
    std::unique_ptr<Sshd> m_server;
};

void TestSftp::initTestCase()
{
    if (const QString why = Sshd::unavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));
    m_server = std::make_unique<Sshd>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
}

void TestSftp::upload_data()
{
    QTest::addColumn<bool>("earlier");       // an earlier copy under the final name, longer than the new one
    QTest::addColumn<QString>("left");       // what an earlier try left: ".old" (a copy set aside), ".part"
    QTest::addColumn<bool>("temporaryName");
    QTest::addColumn<QString>("folder");     // below the server's folder
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("hostKey");    // in known_hosts: own, other, none
    QTest::addColumn<FailureKind>("failure");
    QTest::addColumn<QStringList>("after");  // the upload folder's files: name=content

    const QString secret = Sshd::Password;
    const QString aside = u'.' + FileName + QStringLiteral(".old");
    const QStringList sent{FileName + QStringLiteral("=new")};
    const QStringList kept{FileName + QStringLiteral("=earlier")};
    QTest::newRow("first upload of the day") << false << "" << true << "upload" << secret << "own" << FailureKind::None << sent;
    QTest::newRow("over an earlier copy") << true << "" << true << "upload" << secret << "own" << FailureKind::None << sent;
    QTest::newRow("over an earlier copy, straight to the final name")
        << true << "" << false << "upload" << secret << "own" << FailureKind::None << sent;
    QTest::newRow("over a temporary file an earlier try left") << true << ".part" << true << "upload" << secret << "own"
                                                                << FailureKind::None << sent;
    // The program stopped between the renames of an earlier try: that copy does not block this
    // one, and goes once the new file holds the final name.
    QTest::newRow("a copy an earlier try set aside is still there")
        << true << ".old" << true << "upload" << secret << "own" << FailureKind::None << sent;
    QTest::newRow("a copy set aside, and no file under the final name")
        << false << ".old" << true << "upload" << secret << "own" << FailureKind::None
        << QStringList{aside + QStringLiteral("=aside"), FileName + QStringLiteral("=new")};
    QTest::newRow("wrong password") << true << "" << true << "upload" << "wrong" << "own" << FailureKind::LoginRefused << kept;
    QTest::newRow("unknown host key") << true << "" << true << "upload" << secret << "none" << FailureKind::HostKeyUnknown << kept;
    QTest::newRow("changed host key") << true << "" << true << "upload" << secret << "other" << FailureKind::HostKeyUnknown << kept;
    QTest::newRow("missing remote folder")
        << true << "" << true << "missing" << secret << "own" << FailureKind::RemoteFolderMissing << kept;
    QTest::newRow("missing remote folder, straight to the final name")
        << true << "" << false << "missing" << secret << "own" << FailureKind::RemoteFolderMissing << kept;
}

void TestSftp::upload()
{
    QFETCH(bool, earlier);
    QFETCH(QString, left);
    QFETCH(bool, temporaryName);
    QFETCH(QString, folder);
    QFETCH(QString, password);
    QFETCH(QString, hostKey);
    QFETCH(FailureKind, failure);
    QFETCH(QStringList, after);
    const QList<std::pair<QString, QByteArray>> contents{{QStringLiteral("new"), recordsOf(QStringLiteral("new"), 300000)},
                                                         {QStringLiteral("earlier"), recordsOf(QStringLiteral("earlier"), 700000)},
                                                         {QStringLiteral("aside"), recordsOf(QStringLiteral("aside"), 5000)}};
    for (const QString &name : m_server->uploadFolderFiles())
        QVERIFY(QFile::remove(m_server->remoteFolder() + name));
    if (earlier)
        QVERIFY(m_server->placeAsUser(QStringLiteral("upload/") + FileName, contents[1].second));
    if (!left.isEmpty())
        QVERIFY(m_server->placeAsUser(QStringLiteral("upload/.") + FileName + left, contents[2].second));
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("20240301.txt"));
    writeFile(local, contents[0].second);

    const UseHome home(m_server->homeWithKnownHosts(m_server->knownHosts(hostKey)));
    FtpRequest request;
    request.server = m_server->address();
    request.userName = Sshd::User;
    request.password = password;
    request.localPath = local;
    request.remotePath = m_server->remoteFolder().chopped(QStringLiteral("upload/").size()) + folder + u'/' + FileName;
    request.temporaryName = temporaryName;
    request.timeouts = {std::chrono::seconds(20), std::chrono::seconds(20), std::chrono::seconds(20)};
    QList<Ftp::State> states;
    const std::atomic<bool> abort{false};
    const FtpResult result = runFtpTransfer(request, [&](Ftp::State state, const QString &) { states << state; }, abort);

    QVERIFY2(result.succeeded == (failure == FailureKind::None), qPrintable(result.reason));
    QCOMPARE(failureKindName(result.failure.kind), failureKindName(failure));
    QCOMPARE(result.bytes, failure == FailureKind::None ? contents[0].second.size() : result.bytes);
    // Never connected to a server whose key is not the one known.
    if (failure == FailureKind::HostKeyUnknown || failure == FailureKind::None)
        QCOMPARE(states.contains(Ftp::State::Connected), failure == FailureKind::None);
    QStringList held;
    for (const QString &name : m_server->uploadFolderFiles()) {
        const QByteArray bytes = m_server->stored(QStringLiteral("upload/") + name);
        const auto known = std::find_if(contents.begin(), contents.end(), [&](const auto &content) { return content.second == bytes; });
        held << name + u'=' + (known == contents.end() ? QStringLiteral("?") : known->first);
    }
    QCOMPARE(held, after);
}

QTEST_GUILESS_MAIN(TestSftp)
#include "tst_sftp.moc"
