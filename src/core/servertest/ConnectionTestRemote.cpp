// SPDX-License-Identifier: MIT
// The test's steps on the server's side: what answers at its port (ServerProbe), then the login,
// the folder, and the test file written, renamed and removed the way uploads go.
#include "core/diagnostics/ShownText.h"
#include "core/settings/ProfileFile.h"
#include "core/servertest/ConnectionTest.h"
#include "core/transfer/FtpTarget.h"
#include "core/transfer/FtpTransfer.h"

#include <QTemporaryFile>

namespace korva5 {

namespace {

using Verdict = ServerProbe::Verdict;

// The step a failure the transfer reported belongs to; the first step not yet confirmed takes
// the ones no step names (a connection cut, a silent server).
std::optional<TestStep> stepOf(FailureKind kind)
{
    switch (kind) {
    case FailureKind::CannotResolve:
        return TestStep::ServerName;
    case FailureKind::ConnectionRefused:
    case FailureKind::ConnectTimedOut:
    case FailureKind::TlsRefused:
    case FailureKind::CertificateUntrusted:
    case FailureKind::HostKeyUnknown:
    case FailureKind::CurlMissing:
    case FailureKind::CurlTooOld:
    case FailureKind::CurlOptionRefused:
        return TestStep::Connection;
    case FailureKind::LoginRefused:
        return TestStep::Login;
    case FailureKind::RemoteFolderMissing:
    case FailureKind::NameRefused:
        return TestStep::RemoteFolder;
    case FailureKind::RemoteWriteRefused:
    case FailureKind::ServerDiskFull:
    case FailureKind::NotConfirmed:
    case FailureKind::SizeDiffers:
    case FailureKind::Stalled:
    case FailureKind::LocalMissing:
    case FailureKind::LocalUnreadable:
    case FailureKind::LocalNotAllowed:
    case FailureKind::LocalChanged:
        return TestStep::Write;
    case FailureKind::RenameRefused:
        return TestStep::Rename;
    case FailureKind::DeleteRefused:
        return TestStep::Remove;
    default:
        break;
    }
    return std::nullopt;
}

// The few bytes every test upload sends, in a file of the system's temporary folder.
bool writeTestFile(QTemporaryFile &file)
{
    if (!file.open() || file.write("KORVA5 connection test\n") < 0 || !file.flush())
        return false;
    file.close();
    return true;
}

// An upload of the test file as the settings being tested would make it.
FtpRequest testUpload(const ConnectionTestRequest &request, const FtpTimeouts &timeouts, const QString &localPath,
                      const QString &remotePath)
{
    FtpRequest send;
    send.server = request.server;
    send.userName = request.userName;
    send.password = request.password;
    send.localPath = localPath;
    send.remotePath = remotePath;
    send.timeouts = timeouts;
    send.caBundle = request.caBundle;
    send.temporaryName = request.temporaryName;
    return send;
}

} // namespace

bool ConnectionTest::probe(const ServerAddress &server, const ServerProbe::Limits &limits)
{
    report(TestStep::ServerName, StepState::Running);
    const ServerProbe::Result found = ServerProbe::probe(server, m_abort, limits);
    if (found.verdict == Verdict::Aborted || m_abort.load())
        return false;
    const QString port = QString::number(server.port);
    const QString seconds = [&] {
        switch (found.verdict) {
        case Verdict::NameTimedOut:
            return QString::number(std::chrono::ceil<std::chrono::seconds>(limits.resolve).count());
        case Verdict::ConnectTimedOut:
            return QString::number(std::chrono::ceil<std::chrono::seconds>(limits.connect).count());
        default:
            return QString::number(std::chrono::ceil<std::chrono::seconds>(limits.greeting).count());
        }
    }();
    auto failed = [&](TestStep step, const QString &key, const QStringList &args) {
        fail(step, {step, StepState::Failed, key, args, -1, FailureKind::None, {}});
        return false;
    };
    switch (found.verdict) {
    case Verdict::NameUnknown:
        return failed(TestStep::ServerName, QStringLiteral("TestNameUnknown"), {server.host});
    case Verdict::NameTimedOut:
        return failed(TestStep::ServerName, QStringLiteral("TestNameTimedOut"), {server.host, seconds});
    case Verdict::CurlUnusable:
        return failed(TestStep::ServerName, QStringLiteral("TestCannotTry"), {found.detail});
    default:
        break;
    }
    if (found.address.isEmpty() || found.address == server.host || u'[' + found.address + u']' == server.host)
        report(TestStep::ServerName, StepState::Passed, QStringLiteral("TestResolvedPort"), {server.host, port});
    else
        report(TestStep::ServerName, StepState::Passed, QStringLiteral("TestResolved"), {server.host, found.address, port});

    const TestStep step = TestStep::Connection;
    report(step, StepState::Running);
    const QString target = found.address.isEmpty() ? server.host : found.address;
    switch (found.verdict) {
    case Verdict::Answers:
        break;
    case Verdict::Refused:
        return failed(step, QStringLiteral("TestRefused"), {target, port});
    case Verdict::ConnectTimedOut:
        return failed(step, QStringLiteral("TestNoConnection"), {target, port, seconds});
    case Verdict::Closed:
        return failed(step, QStringLiteral("TestClosed"), {});
    case Verdict::NoGreeting:
        return failed(step, QStringLiteral("TestNoGreeting"), {seconds});
    case Verdict::AnswersSsh:
        return failed(step, QStringLiteral("TestAnswersSsh"), {});
    case Verdict::AnswersFtp:
        return failed(step, QStringLiteral("TestAnswersFtp"), {});
    case Verdict::TurnedAway:
        return failed(step, QStringLiteral("TestTurnedAway"), {found.said});
    case Verdict::NotFtp:
        return failed(step, QStringLiteral("TestNotServer"), {port, QStringLiteral("FTP")});
    case Verdict::NotSsh:
        return failed(step, QStringLiteral("TestNotServer"), {port, QStringLiteral("SSH")});
    case Verdict::NoTls:
        return failed(step, QStringLiteral("TestNoTls"), {});
    case Verdict::ExplicitTlsOnly:
        return failed(step, QStringLiteral("TestExplicitTlsOnly"), {port});
    case Verdict::NoReply:
        return failed(step, QStringLiteral("TestNoTlsReply"), {QString::number(std::chrono::ceil<std::chrono::seconds>(limits.reply).count())});
    default:
        return failed(step, QStringLiteral("TestCannotTry"), {found.detail});
    }
    // With TLS or SSH the connection is whole once its handshake is done (the certificate or the
    // host key accepted), which the transfer does: the step stays open until then.
    if (server.protocol == ServerAddress::Protocol::Ftp)
        report(step, StepState::Passed, QStringLiteral("TestConnected"), {port});
    return true;
}

bool ConnectionTest::transfer(const ConnectionTestRequest &request, const FtpTimeouts &timeouts, QString *reason)
{
    const FtpTarget target = FtpTarget::parse(request.server).value_or(FtpTarget());
    const bool handshake = m_states[size_t(TestStep::Connection)] != StepState::Passed;
    const QString port = QString::number(target.port);
    const QString folder = ProfileFile::trimmedBlanks(request.remoteFolder);
    const QString sentName = u'.' + request.testName + QStringLiteral(".part");
    report(TestStep::Login, StepState::Running);
    QTemporaryFile file;
    if (!writeTestFile(file)) {
        fail(TestStep::Login, {TestStep::Login, StepState::Failed, QStringLiteral("TestNoFile"), {file.errorString()}, -1,
                               FailureKind::None, {}});
        return false;
    }

    // Without the rename it goes straight to the hidden name with an ending of its own, which
    // nothing that collects the records takes, even if it could not be removed.
    FtpRequest send =
        testUpload(request, timeouts, file.fileName(), folder + (request.temporaryName ? request.testName : sentName));
    send.deleteAfter = true;

    auto confirm = [this](TestStep step, const QString &key, const QStringList &args) {
        if (m_states[size_t(step)] != StepState::Passed)
            report(step, StepState::Passed, key, args);
    };
    // What each step says once it is known to have worked.
    auto passed = [&](TestStep step) {
        switch (step) {
        case TestStep::Connection:
            if (handshake)
                confirm(step, target.protocol == ServerAddress::Protocol::Sftp ? QStringLiteral("TestConnected")
                                                                              : QStringLiteral("TestConnectedTls"),
                        {port});
            break;
        case TestStep::Login:
            confirm(step, QStringLiteral("TestLoggedIn"), {request.userName});
            break;
        case TestStep::RemoteFolder:
            confirm(step, folder.isEmpty() ? QStringLiteral("TestLoginFolderUsed") : QStringLiteral("TestFolderFound"), {shownText(folder)});
            break;
        case TestStep::Write:
            confirm(step, QStringLiteral("TestWritten"), {shownText(sentName)});
            break;
        case TestStep::Rename:
            if (request.temporaryName)
                confirm(step, QStringLiteral("TestRenamed"), {shownText(request.testName)});
            else if (m_states[size_t(step)] != StepState::Skipped)
                report(step, StepState::Skipped, QStringLiteral("TestRenameSkipped"));
            break;
        case TestStep::Remove:
            confirm(step, QStringLiteral("TestRemoved"), {shownText(request.temporaryName ? request.testName : sentName)});
            break;
        default:
            break;
        }
    };
    auto passedBefore = [&](TestStep step) {
        for (TestStep at = TestStep::Connection; at < step; at = nextStep(at))
            passed(at);
    };
    auto running = [&](TestStep step) {
        passedBefore(step);
        report(step, StepState::Running);
    };
    const bool ftps = target.protocol == ServerAddress::Protocol::Ftps;
    const FtpReport onState = [&](Ftp::State state, const QString &) {
        switch (state) {
        case Ftp::State::Connected:
            // ftps greets once TLS stands; ftpes greets before its AUTH TLS.
            if (ftps)
                passed(TestStep::Connection);
            break;
        case Ftp::State::Requesting: // logged in: the request for the file comes next
            running(TestStep::RemoteFolder);
            break;
        case Ftp::State::RequestSent: // in the folder: the file goes out
            running(TestStep::Write);
            break;
        case Ftp::State::ResponseReceived: // the server has it whole
            running(request.temporaryName ? TestStep::Rename : TestStep::Remove);
            break;
        default:
            break;
        }
    };
    FtpFailure failure;
    const FtpResult result = runFtpTransfer(send, onState, m_abort, {}, [&failure](const FtpFailure &failed) { failure = failed; });
    if (m_abort.load())
        return false;
    if (!result.succeeded) {
        *reason = result.reason;
        TestStep firstOpen = TestStep::Connection;
        while (firstOpen < TestStep::Remove
               && (m_states[size_t(firstOpen)] == StepState::Passed || m_states[size_t(firstOpen)] == StepState::Skipped))
            firstOpen = nextStep(firstOpen);
        const TestStep step = std::max(stepOf(failure.kind).value_or(firstOpen), firstOpen);
        passedBefore(step);
        fail(step, {step, StepState::Failed, {}, {shownText(folder)}, -1, failure.kind, failure.detail});
        return false;
    }
    passedBefore(TestStep::Remove);
    passed(TestStep::Remove);
    return true;
}

bool ConnectionTest::tryStatusFolder(const ConnectionTestRequest &request, const FtpTimeouts &timeouts, QString *reason)
{
    const TestStep step = TestStep::StatusFolder;
    QString folder = ProfileFile::trimmedBlanks(request.statusFolder);
    if (folder.isEmpty())
        return true;
    if (!folder.endsWith(u'/'))
        folder += u'/'; // as the status file's path is made
    report(step, StepState::Running);
    QTemporaryFile file;
    if (!writeTestFile(file)) {
        fail(step, {step, StepState::Failed, QStringLiteral("TestNoFile"), {file.errorString()}, -1, FailureKind::None, {}});
        return false;
    }

    // The way the status file goes: the same login, the same temporary name and rename, and
    // never into the records folder, however the two are spelt.
    FtpRequest send = testUpload(request, timeouts, file.fileName(), folder + request.testName);
    send.deleteAfter = true;
    send.distinctFolder = ProfileFile::trimmedBlanks(request.remoteFolder);
    FtpFailure failure;
    const FtpReport quiet = [](Ftp::State, const QString &) {}; // one step: nothing to tell on the way
    const FtpResult result = runFtpTransfer(send, quiet, m_abort, {}, [&failure](const FtpFailure &failed) { failure = failed; });
    if (m_abort.load())
        return false;
    if (!result.succeeded) {
        *reason = result.reason;
        fail(step, {step, StepState::Failed, {}, {shownText(folder)}, -1, failure.kind, failure.detail});
        return false;
    }
    report(step, StepState::Passed, QStringLiteral("TestStatusWritten"), {shownText(request.testName), shownText(folder)});
    return true;
}

} // namespace korva5
