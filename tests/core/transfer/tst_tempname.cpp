// SPDX-License-Identifier: MIT
// What stays on the server under the final name when an upload goes wrong: only ever a complete
// file, the new one once it is confirmed, else the one sent before.
#include "core/settings/SettingsStore.h"
#include "core/transfer/TransferQueue.h"
#include "CoreTestSupport.h"
#include "MessageCapture.h"
#include "StateSpy.h"
#include "Vsftpd.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <tuple>

using namespace korva5;

using namespace TestSupport;

namespace {

const QString Final = QStringLiteral("upload/20210305.12");
const QString Temporary = QStringLiteral("upload/.20210305.12.part");
const QString RemotePath = QStringLiteral("/upload/20210305.12");


// One send through a control of its own: its states, its result and what it said.
struct Send
{
    QList<Ftp::State> states;
    FtpResult result;
    bool ended = false;

    Send(const QString &address, const QString &user, const QString &password, const QString &local,
         bool temporaryName = true)
    {
        TransferQueue ftp;
        ftp.setServerAddress(address);
        ftp.setUserName(user);
        ftp.setPassword(password);
        ftp.setTemporaryName(temporaryName);
        ftp.setTimeouts({std::chrono::seconds(5), std::chrono::seconds(5), std::chrono::seconds(5)});
        QObject::connect(&ftp, &TransferQueue::stateChanged, [this](Ftp::State state) { states << state; });
        QSignalSpy finished(&ftp, &TransferQueue::transferEnded);
        ftp.enqueue(local, RemotePath);
        ended = finished.wait(60000) || finished.count() == 1;
        QCoreApplication::processEvents();
        if (ended)
            result = finished.first().first().value<FtpResult>();
    }
};

// The upload folder's files, hidden ones too, in name order, each as "name=what" with what naming
// which of the contents given it holds ("?" for none of them).
QString folderHolds(const FtpServer &server, const QList<std::pair<QString, QByteArray>> &contents)
{
    QStringList held;
    const QDir folder(server.root() + QStringLiteral("/upload"));
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        const QByteArray bytes = readFile(folder.filePath(name));
        const auto known = std::find_if(contents.begin(), contents.end(), [&](const auto &content) { return content.second == bytes; });
        held << name + u'=' + (known == contents.end() ? QStringLiteral("?") : known->first);
    }
    return held.join(u' ');
}

// The lines of a server's command log from the STOR on, without the login.
QList<QByteArray> commandsFromStore(const QByteArray &log)
{
    QList<QByteArray> lines = log.split('\n');
    const auto store = std::find_if(lines.begin(), lines.end(), [](const QByteArray &line) { return line.startsWith("STOR "); });
    return store == lines.end() ? QList<QByteArray>{} : QList<QByteArray>(store, lines.end());
}

} // namespace

class TestTempName : public QObject
{
    Q_OBJECT

private slots:
    void renamedOnlyOnceConfirmed_data();
    void renamedOnlyOnceConfirmed();
    void brokenTransferKeepsEarlierFile_data();
    void brokenTransferKeepsEarlierFile();
    void endingMidTransferKeepsEarlierFile_data();
    void endingMidTransferKeepsEarlierFile();
    void serverThatCannotRename_data();
    void serverThatCannotRename();
    void straightToFinalName_data();
    void straightToFinalName();
    void sftpPathTheRenameCannotName_data();
    void sftpPathTheRenameCannotName();
    void settingIsReadButNeverWritten_data();
    void settingIsReadButNeverWritten();
};

void TestTempName::renamedOnlyOnceConfirmed_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("earlierFile");
    QTest::addColumn<bool>("setsAside"); // the server made the old file step aside for the rename
    QTest::newRow("rename over the earlier file") << "" << true << false;
    QTest::newRow("first upload of the day") << "" << false << false;
    QTest::newRow("server refuses to rename onto a file") << "no-overwrite-rename" << true << true;
    QTest::newRow("same server, nothing in the way") << "no-overwrite-rename" << false << false;
}

void TestTempName::renamedOnlyOnceConfirmed()
{
    QFETCH(QString, fault);
    QFETCH(bool, earlierFile);
    QFETCH(bool, setsAside);
    FtpServer server({fault});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    if (earlierFile)
        writeFile(server.root() + u'/' + Final, recordsOf(QStringLiteral("morning"), 3000));
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("20210305.txt"));
    const QByteArray records = recordsOf(QStringLiteral("evening"), 200 * 1024);
    writeFile(local, records);

    const Send send(server.address(), FtpServer::User, FtpServer::Password, local);
    QVERIFY(send.ended);
    QVERIFY2(send.result.succeeded, qPrintable(send.result.reason));
    QVERIFY(server.stored(Final) == records);
    QVERIFY(!server.holds(Temporary));
    // Completed comes only once the file carries its final name, after the rename.
    QCOMPARE(send.states.mid(send.states.indexOf(Ftp::State::ResponseReceived)),
             (QList<Ftp::State>{Ftp::State::ResponseReceived, Ftp::State::ResponseCompleted, Ftp::State::Disconnecting,
                                Ftp::State::Disconnected}));

    const QList<QByteArray> commands = commandsFromStore(server.commandLog());
    QVERIFY2(!commands.isEmpty(), server.commandLog().constData());
    QCOMPARE(commands.first(), QByteArray("STOR .20210305.12.part"));
    // After the data the size check and the rename, and no command more: each is a round trip.
    if (!setsAside)
        QCOMPARE(commands.mid(1, 3), (QList<QByteArray>{"SIZE .20210305.12.part", "RNFR .20210305.12.part", "RNTO 20210305.12"}));
    const qsizetype size = commands.indexOf("SIZE .20210305.12.part");
    const qsizetype lastRenameTo = commands.lastIndexOf("RNTO 20210305.12");
    QVERIFY2(size > 0 && lastRenameTo > size, server.commandLog().constData());
    QCOMPARE(commands.at(lastRenameTo - 1), QByteArray("RNFR .20210305.12.part"));
    // The earlier file is set aside, never deleted, until the new one holds the name; then it goes.
    QVERIFY(!commands.contains("DELE 20210305.12"));
    const qsizetype aside = commands.indexOf("RNTO .20210305.12.old");
    QCOMPARE(aside >= 0, setsAside);
    if (setsAside) {
        QCOMPARE(commands.at(aside - 1), QByteArray("RNFR 20210305.12"));
        QVERIFY(aside > commands.indexOf("RNTO 20210305.12") && aside < lastRenameTo);
        QVERIFY(commands.lastIndexOf("DELE .20210305.12.old") > lastRenameTo);
    }
    QCOMPARE(QDir(server.root() + QStringLiteral("/upload")).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("20210305.12")});
}

void TestTempName::brokenTransferKeepsEarlierFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("partMayStay"); // the connection is gone: nothing can take it away
    QTest::newRow("connection dropped part-way") << "drop-stor" << true;
    QTest::newRow("server stores nothing yet says 226") << "truncate" << false;
    QTest::newRow("server refuses STOR") << "stor-5xx" << false;
    QTest::newRow("multi-line 451 after the data") << "stor-multiline-451" << false;
}

void TestTempName::brokenTransferKeepsEarlierFile()
{
    QFETCH(QString, fault);
    QFETCH(bool, partMayStay);
    FtpServer server({fault});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    const QByteArray earlier = recordsOf(QStringLiteral("morning"), 3000);
    writeFile(server.root() + u'/' + Final, earlier);
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("20210305.txt"));
    writeFile(local, recordsOf(QStringLiteral("evening"), 1024 * 1024));

    MessageCapture messages;
    const Send send(server.address(), FtpServer::User, FtpServer::Password, local);
    QVERIFY(send.ended);
    QVERIFY(!send.result.succeeded);
    QVERIFY(!send.states.contains(Ftp::State::ResponseCompleted));
    QVERIFY(server.stored(Final) == earlier);
    if (!partMayStay)
        QVERIFY2(!server.holds(Temporary), server.commandLog().constData());
    QVERIFY(!server.commandLog().contains("RNFR"));
    QVERIFY(!server.commandLog().contains("DELE 20210305.12"));
}

void TestTempName::endingMidTransferKeepsEarlierFile_data()
{
    QTest::addColumn<bool>("vsftpd");
    QTest::newRow("pyftpdlib") << false;
    QTest::newRow("vsftpd") << true;
}

void TestTempName::endingMidTransferKeepsEarlierFile()
{
    // The program ends while a large file goes out to a slow server: the file sent before stays.
    QFETCH(bool, vsftpd);
    const int rate = 512 * 1024;
    std::unique_ptr<FtpServer> pyftpdlib;
    std::unique_ptr<Vsftpd> vs;
    QString address, user, password, root;
    if (vsftpd) {
        if (const QString why = Vsftpd::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        vs = std::make_unique<Vsftpd>(Vsftpd::Options{Vsftpd::Tls::None, rate});
        QVERIFY2(vs->isRunning(), qPrintable(vs->error()));
        address = vs->address(), user = Vsftpd::User, password = Vsftpd::Password, root = vs->root();
    } else {
        pyftpdlib = std::make_unique<FtpServer>(FtpServer::Options{QString(), false, rate});
        QVERIFY2(pyftpdlib->isRunning(), qPrintable(pyftpdlib->error()));
        address = pyftpdlib->address(), user = FtpServer::User, password = FtpServer::Password,
        root = pyftpdlib->root();
    }
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("20210305.txt"));
    // The earlier file goes through the program too, so the rename is known to work here.
    const QByteArray earlier = recordsOf(QStringLiteral("morning"), 100 * 1024);
    writeFile(local, earlier);
    {
        const Send first(address, user, password, local);
        QVERIFY2(first.result.succeeded, qPrintable(first.result.reason));
    }
    QVERIFY(readFile(root + u'/' + Final) == earlier);

    writeFile(local, recordsOf(QStringLiteral("evening"), 16 * 1024 * 1024));
    MessageCapture messages;
    {
        TransferQueue ftp;
        ftp.setServerAddress(address);
        ftp.setUserName(user);
        ftp.setPassword(password);
        QSignalSpy states(&ftp, &TransferQueue::stateChanged);
        ftp.enqueue(local, RemotePath);
        QTRY_VERIFY_WITH_TIMEOUT(sawState(states, Ftp::State::RequestSent), 20000);
        // Some of the new file reaches the server, under the temporary name only; the rest would
        // take half a minute at the server's rate.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(root + u'/' + Temporary).size() > 0, 30000);
    }
    QVERIFY2(messages.text().contains(QStringLiteral("aborted: the program is ending")), qPrintable(messages.text()));
    // vsftpd may still be writing what it had received when the connection closed.
    QTest::qWait(500);
    QVERIFY(readFile(root + u'/' + Final) == earlier);
}

void TestTempName::serverThatCannotRename_data()
{
    // Two sends in a row to a server that already holds an earlier file; after each, the upload
    // folder as folderHolds() gives it (earlier, first or second file sent).
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("firstSucceeds");
    QTest::addColumn<QString>("afterFirst");
    QTest::addColumn<bool>("secondSucceeds");
    QTest::addColumn<QString>("afterSecond");
    QTest::addColumn<QString>("said"); // in every failure's reason
    QTest::addColumn<QString>("earlierAs"); // where the earlier file lies at first
    QTest::newRow("no rename at all") << "no-rename" << false << ".20210305.12.part=first 20210305.12=earlier" << false
                                      << ".20210305.12.part=second 20210305.12=earlier" << "RNFR 502"
        << "20210305.12";
    QTest::newRow("RNTO refused by policy")
        << "rename-policy" << false << ".20210305.12.part=first 20210305.12=earlier" << false
        << ".20210305.12.part=second 20210305.12=earlier"
        << "RNFR 350, RNTO 553: 553 Rename refused by policy (scripted fault).; setting the earlier copy aside as "
           ".20210305.12.old: RNFR 350, RNTO 553"
        << "20210305.12";
    QTest::newRow("temporary file refused its name")
        << "part-rename-policy" << false << ".20210305.12.part=first 20210305.12=earlier" << false
        << ".20210305.12.part=second 20210305.12=earlier" << "the earlier copy was kept under the final name"
        << "20210305.12";
    QTest::newRow("no rename onto a file") << "no-overwrite-rename" << true << "20210305.12=first" << true
                                           << "20210305.12=second" << ""
        << "20210305.12";
    // The earlier file cannot be deleted once aside, so the next send cannot set its own aside.
    QTest::newRow("no rename onto a file, no delete")
        << "no-overwrite-no-delete" << true << ".20210305.12.old=earlier 20210305.12=first" << false
        << ".20210305.12.old=earlier .20210305.12.part=second 20210305.12=first"
        << "setting the earlier copy aside as .20210305.12.old: RNFR 350, RNTO 550"
        << "20210305.12";
    // A try that was cut short left the only earlier copy aside, and nothing under the final name:
    // that copy stays.
    QTest::newRow("only an earlier copy left aside")
        << "part-rename-policy" << false << ".20210305.12.old=earlier .20210305.12.part=first" << false
        << ".20210305.12.old=earlier .20210305.12.part=second"
        << "setting the earlier copy aside as .20210305.12.old: RNFR 550" << ".20210305.12.old";
}

void TestTempName::serverThatCannotRename()
{
    QFETCH(QString, fault);
    QFETCH(bool, firstSucceeds);
    QFETCH(QString, afterFirst);
    QFETCH(bool, secondSucceeds);
    QFETCH(QString, afterSecond);
    QFETCH(QString, said);
    QFETCH(QString, earlierAs);
    FtpServer server({fault});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    const QList<std::pair<QString, QByteArray>> contents{{QStringLiteral("earlier"), recordsOf(QStringLiteral("morning"), 3000)},
                                                         {QStringLiteral("first"), recordsOf(QStringLiteral("evening"), 5000)},
                                                         {QStringLiteral("second"), recordsOf(QStringLiteral("night"), 4000)}};
    writeFile(server.root() + u"/upload/" + earlierAs, contents.at(0).second);
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("20210305.txt"));

    const std::tuple<QByteArray, bool, QString> tries[] = {{contents.at(1).second, firstSucceeds, afterFirst},
                                                           {contents.at(2).second, secondSucceeds, afterSecond}};
    for (const auto &[records, succeeds, after] : tries) {
        writeFile(local, records);
        MessageCapture messages;
        const Send send(server.address(), FtpServer::User, FtpServer::Password, local);
        QVERIFY(send.ended);
        QVERIFY2(send.result.succeeded == succeeds, qPrintable(send.result.reason));
        QCOMPARE(send.states.contains(Ftp::State::ResponseCompleted), succeeds);
        QVERIFY(send.states.contains(Ftp::State::ResponseReceived));
        QCOMPARE(send.states.last(), Ftp::State::Disconnected);
        if (!succeeds) {
            QVERIFY(send.states.contains(Ftp::State::Error));
            for (const QString &text : {said, QStringLiteral("stays under its temporary name")}) {
                QVERIFY2(send.result.reason.contains(text), qPrintable(send.result.reason));
                QVERIFY2(messages.text().contains(text), qPrintable(messages.text()));
            }
        }
        // Always a complete file under the final name, and the earlier one never lost.
        QCOMPARE(folderHolds(server, contents), after);
        QVERIFY(!server.commandLog().contains("DELE 20210305.12\n"));
    }
}

void TestTempName::straightToFinalName_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("temporaryName");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QByteArray>("store");
    QTest::newRow("temporary name") << "" << true << true << QByteArray("STOR .20210305.12.part");
    QTest::newRow("straight to the final name") << "" << false << true << QByteArray("STOR 20210305.12");
    QTest::newRow("server without rename, temporary name") << "no-rename" << true << false
                                                           << QByteArray("STOR .20210305.12.part");
    QTest::newRow("server without rename, final name") << "no-rename" << false << true << QByteArray("STOR 20210305.12");
}

void TestTempName::straightToFinalName()
{
    QFETCH(QString, fault);
    QFETCH(bool, temporaryName);
    QFETCH(bool, succeeds);
    QFETCH(QByteArray, store);
    FtpServer server({fault});
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("20210305.txt"));
    const QByteArray records = recordsOf(QStringLiteral("day"), 5000);
    writeFile(local, records);

    MessageCapture messages;
    const Send send(server.address(), FtpServer::User, FtpServer::Password, local, temporaryName);
    QVERIFY(send.ended);
    QCOMPARE(send.result.succeeded, succeeds);
    QCOMPARE(send.states.contains(Ftp::State::ResponseCompleted), succeeds);
    const QList<QByteArray> commands = commandsFromStore(server.commandLog());
    QVERIFY2(!commands.isEmpty(), server.commandLog().constData());
    QCOMPARE(commands.first(), store);
    QCOMPARE(server.commandLog().contains("RNFR"), temporaryName);
    QCOMPARE(server.stored(Final) == records, succeeds);
}

void TestTempName::sftpPathTheRenameCannotName_data()
{
    QTest::addColumn<QString>("remotePath");
    QTest::addColumn<bool>("temporaryName");
    QTest::addColumn<bool>("refused"); // before connecting; otherwise the closed port ends it
    QTest::newRow("relative, with a blank") << "in box/20210305.12" << true << true;
    QTest::newRow("relative, with a blank, final name") << "in box/20210305.12" << false << false;
    QTest::newRow("absolute, with a blank") << "/in box/20210305.12" << true << false;
    QTest::newRow("relative, no blank") << "inbox/20210305.12" << true << false;
}

void TestTempName::sftpPathTheRenameCannotName()
{
    QFETCH(QString, remotePath);
    QFETCH(bool, temporaryName);
    QFETCH(bool, refused);
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("20210305.txt"));
    writeFile(local, "records");
    TransferQueue ftp;
    ftp.setServerAddress(QStringLiteral("sftp://127.0.0.1:%1").arg(closedPort()));
    ftp.setTemporaryName(temporaryName);
    QSignalSpy states(&ftp, &TransferQueue::stateChanged);
    QSignalSpy ended(&ftp, &TransferQueue::transferEnded);
    MessageCapture messages;
    ftp.enqueue(local, remotePath);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 30000);
    const auto result = ended.first().first().value<FtpResult>();
    QVERIFY(!result.succeeded);
    QCOMPARE(result.reason.contains(QStringLiteral("sftp rename cannot name")), refused);
    QCOMPARE(sawState(states, Ftp::State::Connecting), !refused);
}

void TestTempName::settingIsReadButNeverWritten_data()
{
    QTest::addColumn<QByteArray>("line"); // empty: the key is not in the file
    QTest::addColumn<QString>("read");
    QTest::newRow("absent") << QByteArray() << QString();
    QTest::newRow("off") << QByteArray("FtpTempName=0") << "0";
    QTest::newRow("off, with blanks") << QByteArray("FtpTempName= \t0 ") << "0";
    QTest::newRow("on") << QByteArray("FtpTempName=1") << "1";
}

void TestTempName::settingIsReadButNeverWritten()
{
    // A hand setting: the dialog's Ok stores its sixteen values and must neither drop the key
    // nor add it.
    QFETCH(QByteArray, line);
    QFETCH(QString, read);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("TALLYPORT.ini"));
    writeFile(file, "[TALLY]\nFtpNo=12\n" + (line.isEmpty() ? QByteArray() : line + "\n") + "FtpServer=host\n");
    SettingsStore store(file);
    Settings settings = store.load();
    QCOMPARE(settings.FtpTempName, read);
    QCOMPARE(settings.FtpNo, QStringLiteral("12"));

    settings.FtpNo = QStringLiteral("13");
    settings.FtpTempName = QStringLiteral("changed");
    QString error;
    QVERIFY2(store.save(settings, &error), qPrintable(error));
    const QByteArray saved = readFile(file);
    QVERIFY2(saved.contains("FtpNo=13"), saved.constData());
    QCOMPARE(saved.count("FtpTempName"), line.isEmpty() ? 0 : 1);
    if (!line.isEmpty())
        QVERIFY2(saved.contains(QByteArray(line + '\n')), saved.constData());
    QCOMPARE(SettingsStore(file).load().FtpTempName, read);
}

QTEST_GUILESS_MAIN(TestTempName)
#include "tst_tempname.moc"
