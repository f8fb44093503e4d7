// SPDX-License-Identifier: MIT
// The program's command-line modes, run as a process from temporary program folders without a
// display, with journals written through the journal itself.
#include "core/journal/Journal.h"
#include "gui/shell/CommandLine.h"
#include "core/delivery/StatusReport.h"
#include "gui/shell/ExitStatus.h"
#include "TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace korva5;

using TestSupport::ProgramDir;

namespace {

struct Run
{
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QString out, err;
};

// Without any way to reach a display: a mode that made a GUI application would abort.
QProcessEnvironment withoutDisplay(const QString &stateHome)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("none"));
    // A journal left in the real state folder by something else must not be found.
    environment.insert(QStringLiteral("XDG_STATE_HOME"), stateHome);
    return environment;
}

Run runCli(const QString &binary, const QStringList &arguments, const QString &stateHome)
{
    QProcess process;
    process.setProcessEnvironment(withoutDisplay(stateHome));
    process.start(binary, arguments);
    Run run;
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    run.exitCode = process.exitCode();
    run.exitStatus = process.exitStatus();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// The program as the desktop starts it, until it reports that it has loaded.
bool startAndWaitLoaded(QProcess &process, const ProgramDir &dir, const QString &binary, const QString &stateHome)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_STATE_HOME"), stateHome);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setWorkingDirectory(dir.path());
    process.start(binary, {});
    if (!process.waitForStarted(5000))
        return false;
    QByteArray err;
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && process.state() == QProcess::Running) {
        process.waitForReadyRead(200);
        err += process.readAllStandardError();
        if (err.contains("started in"))
            return true;
    }
    qWarning("program did not report loading; stderr: %s", err.constData());
    return false;
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// The program's clock is the real one: the upload time is set two minutes before now, so its
// latest occurrence is just past (today, but in the first minutes after midnight) and the one
// before it a day earlier.
struct Scene
{
    QDateTime now = QDateTime::currentDateTime();
    QDateTime lastDue = QDateTime(now.addSecs(-120).date(), QTime(now.addSecs(-120).time().hour(),
                                                                   now.addSecs(-120).time().minute()));
    QDateTime dayBeforeDue = lastDue.addDays(-1);

    bool lastDueIsToday() const { return lastDue.date() == now.date(); }

    QMap<QString, QString> settings() const
    {
        return {{QStringLiteral("FtpNo"), QStringLiteral("12")},
                {QStringLiteral("FtpServer"), QStringLiteral("ftp.example.net")},
                {QStringLiteral("FtpPath"), QStringLiteral("/upload/")},
                {QStringLiteral("LocalPath"), QStringLiteral("/srv/records/")},
                {QStringLiteral("FtpTime1"), lastDue.toString(QStringLiteral("HH:mm"))}};
    }
};

// One scheduled upload of FtpTime1 at due, ended half a minute later as given.
void record(Journal &journal, const QDateTime &due, bool succeeded, const QString &reason = {})
{
    UploadRecord row;
    row.askedAt = due;
    row.trigger = Trigger::Slot;
    row.slot = 0;
    row.day = due.date();
    row.localPath = QStringLiteral("/srv/records/") + row.day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".txt");
    row.remotePath = QStringLiteral("/upload/") + row.day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".12");
    row.server = QStringLiteral("ftp.example.net");
    const qint64 id = journal.recordAsked(row);
    journal.recordStarted(id, due.addSecs(1));
    journal.recordEnded(id, due.addSecs(30), succeeded, succeeded ? 4321 : -1, reason);
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void statusExitTellsWhatIsOwed_data();
    void statusExitTellsWhatIsOwed();
    void statusWhileTheProgramRuns();
    void unreadableOrMissingJournal_data();
    void unreadableOrMissingJournal();
    void historyNewestFirstWithinDays_data();
    void historyNewestFirstWithinDays();
    void printsAndEndsWithoutDisplay_data();
    void printsAndEndsWithoutDisplay();
    void statusWithoutSettingsEndsAsAtStartUp();
    void statusInBothForms_data();
    void statusInBothForms();

private:
    QTemporaryDir m_stateHome;
};

void TestCommandLine::init()
{
    QVERIFY(m_stateHome.isValid());
}

void TestCommandLine::statusExitTellsWhatIsOwed_data()
{
    QTest::addColumn<bool>("lastSent");
    QTest::addColumn<bool>("dayBeforeSent");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("detail");
    QTest::newRow("both sent") << true << true << 0 << "OK:" << "sent ";
    QTest::newRow("last failed: retry pending") << false << true << 1 << "WARNING:" << "failed: 421 Too many users; next try";
    QTest::newRow("a day ago failed: given up") << true << false << 2 << "CRITICAL:" << "failed for good: 421 Too many users";
}

void TestCommandLine::statusExitTellsWhatIsOwed()
{
    QFETCH(bool, lastSent);
    QFETCH(bool, dayBeforeSent);
    QFETCH(int, status);
    QFETCH(QString, summary);
    QFETCH(QString, detail);
    const Scene scene;
    if (!scene.lastDueIsToday())
        QSKIP("just after midnight the day before's upload is not among today's and yesterday's");
    ProgramDir dir(scene.settings());
    const QString binary = dir.installBinary();
    {
        Journal journal;
        QVERIFY(journal.open(dir.path(), scene.now));
        record(journal, scene.dayBeforeDue, dayBeforeSent, QStringLiteral("421 Too many users"));
        record(journal, scene.lastDue, lastSent, QStringLiteral("421 Too many users"));
        journal.flush();
    }

    const Run run = runCli(binary, {QStringLiteral("--status")}, m_stateHome.path());
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QVERIFY2(run.exitCode == status, qPrintable(run.out + run.err));
    QVERIFY2(run.out.startsWith(summary), qPrintable(run.out));
    QVERIFY2(run.out.contains(detail), qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("/upload/%1.12").arg(scene.lastDue.toString(QStringLiteral("yyyyMMdd")))),
             qPrintable(run.out));
}

void TestCommandLine::statusWhileTheProgramRuns()
{
    const Scene scene;
    ProgramDir dir(scene.settings());
    const QString binary = dir.installBinary();
    {
        Journal journal;
        QVERIFY(journal.open(dir.path(), scene.now));
        record(journal, scene.dayBeforeDue, true);
        record(journal, scene.lastDue, true);
        journal.flush();
    }
    // The running copy holds the lock and has the journal open, in WAL mode, for writing.
    QProcess program;
    QVERIFY(startAndWaitLoaded(program, dir, binary, m_stateHome.path()));

    const Run run = runCli(binary, {QStringLiteral("--status")}, m_stateHome.path());
    const Run history = runCli(binary, {QStringLiteral("--history")}, m_stateHome.path());
    const QProcess::ProcessState stillRunning = program.state();
    stop(program);

    // Not turned away by the running copy's lock (that would be 3), and the running copy's open
    // journal is read as it is.
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    QVERIFY2(run.out.contains(QStringLiteral("sent ")), qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("4321 bytes")), qPrintable(run.out));
    QVERIFY2(history.exitCode == 0, qPrintable(history.out + history.err));
    QCOMPARE(history.out.count(QStringLiteral("succeeded")), 2);
    QCOMPARE(stillRunning, QProcess::Running);
}

void TestCommandLine::unreadableOrMissingJournal_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("corrupt");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("history, no journal") << "--history" << false << 0 << "no journal yet" << "";
    QTest::newRow("history, corrupt journal") << "--history" << true << 3 << "" << "cannot read the journal";
    QTest::newRow("status, corrupt journal") << "--status" << true << 3 << "UNKNOWN:" << "cannot read the journal";
    // A program that never ran here recorded nothing: never OK, and past the give-up time
    // (yesterday's) critical.
    QTest::newRow("status, no journal") << "--status" << false << 2 << "no upload recorded since" << "";
}

void TestCommandLine::unreadableOrMissingJournal()
{
    QFETCH(QString, mode);
    QFETCH(bool, corrupt);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Scene scene;
    ProgramDir dir(scene.settings());
    const QString binary = dir.installBinary();
    const QString journalFile = dir.file(Journal::FileName);
    QByteArray garbage(8192, '\0');
    for (char &byte : garbage)
        byte = char(QRandomGenerator::global()->bounded(256));
    if (corrupt)
        TestSupport::writeFile(journalFile, garbage);

    const Run run = runCli(binary, {mode}, m_stateHome.path());
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QVERIFY2(run.exitCode == status, qPrintable(run.out + run.err));
    QVERIFY2(run.out.contains(out), qPrintable(run.out));
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    // A look from outside never makes, repairs or sets aside a journal.
    if (corrupt)
        QCOMPARE(TestSupport::readFile(journalFile), garbage);
    else
        QVERIFY(!QFile::exists(journalFile));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), corrupt ? 4 : 3);
}

void TestCommandLine::historyNewestFirstWithinDays_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("status");
    // The failure five days ago was given up and its file never delivered: still owed.
    QTest::newRow("default 30 days") << QStringList{QStringLiteral("--history")} << 4 << 1;
    QTest::newRow("2 days") << QStringList{QStringLiteral("--history"), QStringLiteral("2")} << 2 << 0;
}

void TestCommandLine::historyNewestFirstWithinDays()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, lines);
    QFETCH(int, status);
    const Scene scene;
    ProgramDir dir(scene.settings());
    const QString binary = dir.installBinary();
    {
        Journal journal;
        QVERIFY(journal.open(dir.path(), scene.now));
        record(journal, scene.dayBeforeDue, true);
        record(journal, scene.lastDue.addDays(-5), false, QStringLiteral("Connection refused"));
        record(journal, scene.lastDue, true);
        journal.flush();
    }

    const Run run = runCli(binary, arguments, m_stateHome.path());
    QVERIFY2(run.exitCode == status, qPrintable(run.out + run.err));
    const QStringList shown = run.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(shown.size(), lines);
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    QVERIFY2(shown[0].startsWith(scene.lastDue.toString(format)), qPrintable(run.out));
    QVERIFY2(shown[1].startsWith(scene.dayBeforeDue.toString(format)), qPrintable(run.out));
    if (status == 1) {
        QVERIFY2(shown[2].contains(QStringLiteral("Connection refused")), qPrintable(run.out));
        QVERIFY2(shown[3].startsWith(QStringLiteral("still owed: /upload/")), qPrintable(run.out));
    }
}

void TestCommandLine::printsAndEndsWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << 0 << "--history" << "";
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << 0
                               << QStringLiteral("korva5-upload %1").arg(QString::fromLatin1(CommandLine::Version)) << "";
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--upload-now")} << CommandLine::ExitUsage << ""
                                    << "Unknown option";
    QTest::newRow("both modes") << QStringList{QStringLiteral("--status"), QStringLiteral("--history")}
                                << CommandLine::ExitUsage << "" << "--status";
    QTest::newRow("days not a number") << QStringList{QStringLiteral("--history"), QStringLiteral("week")}
                                       << CommandLine::ExitUsage << "" << "DAYS";
    QTest::newRow("a number without a mode") << QStringList{QStringLiteral("7")} << CommandLine::ExitUsage << ""
                                             << "--history";
    QTest::newRow("a form not known") << QStringList{QStringLiteral("--status"), QStringLiteral("--format=xml")}
                                      << CommandLine::ExitUsage << "" << "--format";
    QTest::newRow("json without --status") << QStringList{QStringLiteral("--history"), QStringLiteral("--json")}
                                           << CommandLine::ExitUsage << "" << "--json";
}

void TestCommandLine::printsAndEndsWithoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    ProgramDir dir;
    const QString binary = dir.installBinary();
    const Run run = runCli(binary, arguments, m_stateHome.path());
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QVERIFY2(run.exitCode == status, qPrintable(run.out + run.err));
    QVERIFY2(run.out.contains(out), qPrintable(run.out));
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    if (status != 0)
        QVERIFY2(run.out.isEmpty(), qPrintable(run.out)); // a monitor reads nothing from a wrong call
}

void TestCommandLine::statusWithoutSettingsEndsAsAtStartUp()
{
    // Without the times there is nothing to judge by: an empty report would read as "all sent",
    // and a status above 3 as a fault of the monitor's own check.
    ProgramDir dir;
    const QString binary = dir.installBinary();
    QVERIFY(QFile::remove(dir.iniFile()));
    const Run run = runCli(binary, {QStringLiteral("--status")}, m_stateHome.path());
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QCOMPARE(run.exitCode, int(StatusReport::Unknown));
    QVERIFY2(run.out.startsWith(QStringLiteral("UNKNOWN: no settings file")), qPrintable(run.out));
    QVERIFY2(run.err.contains(QStringLiteral("TALLYPORT.ini")), qPrintable(run.err));
    QVERIFY(!QFile::exists(dir.iniFile()));
}

void TestCommandLine::statusInBothForms_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("json");
    QTest::newRow("text") << QStringList{QStringLiteral("--status")} << false;
    QTest::newRow("--json") << QStringList{QStringLiteral("--status"), QStringLiteral("--json")} << true;
    QTest::newRow("--format=json") << QStringList{QStringLiteral("--status"), QStringLiteral("--format=json")} << true;
}

void TestCommandLine::statusInBothForms()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, json);
    const Scene scene;
    if (!scene.lastDueIsToday())
        QSKIP("two minutes ago was yesterday: the lines would come in another order");
    ProgramDir dir(scene.settings());
    const QString binary = dir.installBinary();
    {
        Journal journal;
        QVERIFY(journal.open(dir.path(), scene.now));
        record(journal, scene.dayBeforeDue, true);
        record(journal, scene.lastDue, false, QStringLiteral("Connection refused"));
        journal.flush();
    }
    const Run run = runCli(binary, arguments, m_stateHome.path());
    // Failed two minutes ago and retried after a minute: owed, and that retry is not made by
    // anything that runs now.
    QVERIFY2(run.exitCode == StatusReport::Warning, qPrintable(run.out + run.err));
    if (!json) {
        QVERIFY2(run.out.startsWith(QStringLiteral("WARNING: station 12: 1 owed")), qPrintable(run.out));
        QVERIFY2(run.out.contains(QStringLiteral(" | last_delivery_age=")), qPrintable(run.out));
        return;
    }
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + run.out));
    QCOMPARE(object[u"state"].toString(), QStringLiteral("WARNING"));
    QCOMPARE(object[u"owed"].toInt(), 1);
    const QJsonArray times = object[u"times"].toArray();
    QCOMPARE(times.size(), 2);
    QCOMPARE(times.first()[u"state"].toString(), QStringLiteral("owed"));
    QCOMPARE(times.last()[u"state"].toString(), QStringLiteral("sent"));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
