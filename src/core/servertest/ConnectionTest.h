// SPDX-License-Identifier: MIT
#pragma once

#include "core/servertest/ServerProbe.h"
#include "core/settings/Settings.h"
#include "core/transfer/FailureKind.h"
#include "core/transfer/FtpRequest.h"

#include <QDateTime>
#include <QMetaType>
#include <QObject>
#include <QStringList>

#include <array>
#include <atomic>
#include <functional>
#include <thread>

namespace korva5 {

// What the settings dialog's Test tries: the values typed, as Ok would store them.
struct ConnectionTestRequest
{
    QString server;
    QString userName;
    QString password;
    QString remoteFolder; // FtpPath: put directly in front of the file name
    QString localFolder;  // LocalPath: put directly in front of today's file name
    std::array<QString, Settings::TimeSlots> times; // whether an upload of today's file is past
    QDateTime now;        // the station's clock: which file is today's
    bool temporaryName = true; // as uploads go (FtpTempName)
    QString caBundle;
    // The test file's name on the server, without a folder; it goes out as ".<name>.part".
    QString testName;
    // FtpStatusPath: where the station's status file goes; empty: none is written, nor tried.
    QString statusFolder;
};

// The steps, in the order an upload needs them.
enum class TestStep { RecordsFolder, TodaysFile, ServerName, Connection, Login, RemoteFolder, Write, Rename, Remove, StatusFolder };
inline constexpr int TestStepCount = 10;
inline TestStep nextStep(TestStep step)
{
    return TestStep(int(step) + 1);
}

enum class StepState {
    Waiting,  // not reached yet
    Running,
    Passed,
    Warning,  // passed, with something to look at (today's file not there yet)
    Failed,
    NotTried, // a step before it failed
    Skipped,  // not part of how this station uploads (no rename with FtpTempName=0); without
              // words, not part of it at all (no status folder set): no line is shown for it
};

// What one step found: the key of its words among the built-in texts with what fills their
// places, or for a failure the transfer reported, its kind and detail.
struct StepReport
{
    TestStep step = TestStep::RecordsFolder;
    StepState state = StepState::Waiting;
    QString key;
    QStringList args;
    qint64 size = -1; // a file's size, put after args in the words of the language
    FailureKind kind = FailureKind::None;
    QString detail;
};

// The Test, step by step on a worker thread of its own: the records folder and today's file, the
// server's name, the connection and what answers there (ServerProbe), then the login, the remote
// folder, writing, renaming and removing a test file the way uploads go (runFtpTransfer), and
// where a status folder is set, a test file written and removed there the way the status file
// goes. Each
// step is reported as it starts and ends; after a failure the steps left are reported not tried.
// Each step has a time limit of its own: a server that says nothing costs seconds.
class ConnectionTest : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        ServerProbe::Limits probe;
        // The probe has found the port answering: the transfer's connect is left its TLS or SSH
        // handshake and the login, and every command has a limit of its own.
        FtpTimeouts transfer{std::chrono::seconds(10), std::chrono::seconds(10), std::chrono::seconds(10)};
    };

    explicit ConnectionTest(QObject *parent = nullptr);
    // Aborts and waits for the worker: up to a second with a transfer under way.
    ~ConnectionTest() override;

    // Starts the test; once per object.
    void start(const ConnectionTestRequest &request);
    void start(const ConnectionTestRequest &request, const Limits &limits);
    // Ends it soon; no step is reported after it, and finished comes once the worker is done.
    void abort();

signals:
    void stepReported(const StepReport &report);
    // Every step reported. reason: a failed transfer's whole reason, in English.
    void finished(bool passed, const QString &reason);

private:
    void run(const ConnectionTestRequest &request, const Limits &limits);
    bool checkRecordsFolder(const ConnectionTestRequest &request);
    bool checkTodaysFile(const ConnectionTestRequest &request);
    bool probe(const ServerAddress &server, const ServerProbe::Limits &limits);
    bool transfer(const ConnectionTestRequest &request, const FtpTimeouts &timeouts, QString *reason);
    bool tryStatusFolder(const ConnectionTestRequest &request, const FtpTimeouts &timeouts, QString *reason);
    void report(TestStep step, StepState state, const QString &key = {}, const QStringList &args = {}, qint64 size = -1);
    void fail(TestStep step, const StepReport &failure);
    void end(bool passed, const QString &reason);

    std::thread m_worker;
    std::atomic<bool> m_abort{false};
    std::array<StepState, TestStepCount> m_states{}; // the worker's own
};

// The words of a report in the language text gives (the text of a key in the dialog's language),
// without the mark before them.
QString testStepText(const StepReport &report, const std::function<QString(const QString &key)> &text);
// A step's name, as a line that is waiting, running or not tried shows it.
QString testStepName(TestStep step, const std::function<QString(const QString &key)> &text);

} // namespace korva5

Q_DECLARE_METATYPE(korva5::StepReport)
