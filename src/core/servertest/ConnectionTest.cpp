// SPDX-License-Identifier: MIT
#include "core/servertest/ConnectionTest.h"

#include "core/diagnostics/ShownText.h"
#include "core/settings/ProfileFile.h"
#include "core/settings/TimeOfDay.h"
#include "core/transfer/FtpTarget.h"
#include "core/transfer/UploadNames.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>

namespace korva5 {

namespace {

bool endsWithSeparator(const QString &folder)
{
#ifdef Q_OS_WIN
    return folder.endsWith(u'/') || folder.endsWith(u'\\');
#else
    return folder.endsWith(u'/');
#endif
}

// The latest time of today's uploads (FtpTime1 to FtpTime8) that is not after now; empty when
// none is.
QString lastTimePassed(const std::array<QString, Settings::TimeSlots> &times, QTime now)
{
    std::optional<QTime> latest;
    for (int slot = 0; slot < Settings::TimeSlots; ++slot) {
        if (Settings::sendsYesterday(slot))
            continue;
        const std::optional<QString> stored = TimeOfDay::normalised(times[size_t(slot)]);
        const std::optional<QTime> time = stored ? TimeOfDay::parse(*stored) : std::nullopt;
        if (time && *time <= now && (!latest || *time > *latest))
            latest = time;
    }
    return latest ? TimeOfDay::format(*latest) : QString();
}

} // namespace

ConnectionTest::ConnectionTest(QObject *parent)
    : QObject(parent)
{
}

ConnectionTest::~ConnectionTest()
{
    m_abort = true;
    if (m_worker.joinable())
        m_worker.join();
}

void ConnectionTest::start(const ConnectionTestRequest &request)
{
    start(request, Limits());
}

void ConnectionTest::start(const ConnectionTestRequest &request, const Limits &limits)
{
    Q_ASSERT(!m_worker.joinable());
    m_worker = std::thread([this, request, limits] { run(request, limits); });
}

void ConnectionTest::abort()
{
    m_abort = true;
}

void ConnectionTest::report(TestStep step, StepState state, const QString &key, const QStringList &args, qint64 size)
{
    m_states[size_t(step)] = state;
    if (m_abort.load())
        return;
    const StepReport report{step, state, key, args, size, FailureKind::None, {}};
    QMetaObject::invokeMethod(this, [this, report] { emit stepReported(report); }, Qt::QueuedConnection);
}

// The failure takes its own step, or the first one not yet confirmed if that comes later; the
// steps between were passed, the ones after it are not tried.
void ConnectionTest::fail(TestStep step, const StepReport &failure)
{
    TestStep at = TestStep::RecordsFolder;
    while (at < TestStep::StatusFolder && (m_states[size_t(at)] == StepState::Passed || m_states[size_t(at)] == StepState::Warning
                                     || m_states[size_t(at)] == StepState::Skipped))
        at = nextStep(at);
    step = std::max(step, at);
    for (TestStep passed = at; passed < step; passed = nextStep(passed))
        report(passed, StepState::Passed);
    if (!m_abort.load()) {
        StepReport failed = failure;
        failed.step = step;
        failed.state = StepState::Failed;
        m_states[size_t(step)] = StepState::Failed;
        QMetaObject::invokeMethod(this, [this, failed] { emit stepReported(failed); }, Qt::QueuedConnection);
    }
    for (int later = int(step) + 1; later < TestStepCount; ++later) {
        if (m_states[size_t(later)] != StepState::Skipped)
            report(TestStep(later), StepState::NotTried);
    }
}

void ConnectionTest::end(bool passed, const QString &reason)
{
    QMetaObject::invokeMethod(this, [this, passed, reason] { emit finished(passed, reason); }, Qt::QueuedConnection);
}

void ConnectionTest::run(const ConnectionTestRequest &request, const Limits &limits)
{
    QString reason;
    // No status folder: the station writes no status file, and the test has no step for it.
    if (ProfileFile::trimmedBlanks(request.statusFolder).isEmpty())
        report(TestStep::StatusFolder, StepState::Skipped);
    const std::optional<FtpTarget> target = FtpTarget::parse(request.server, &reason);
    bool passed = checkRecordsFolder(request) && checkTodaysFile(request);
    if (passed && !target) {
        fail(TestStep::ServerName, {TestStep::ServerName, StepState::Failed, {}, {}, -1, FailureKind::ServerUnusable, {}});
        passed = false;
    }
    passed = passed && probe(*target, limits.probe) && transfer(request, limits.transfer, &reason)
        && tryStatusFolder(request, limits.transfer, &reason);
    end(passed && !m_abort.load(), passed ? QString() : reason);
}

bool ConnectionTest::checkRecordsFolder(const ConnectionTestRequest &request)
{
    const TestStep step = TestStep::RecordsFolder;
    report(step, StepState::Running);
    const QString folder = ProfileFile::trimmedBlanks(request.localFolder);
    // Uploads would look in the program's working folder; it may be the test of a server
    // before the rest is filled in.
    if (folder.isEmpty()) {
        report(step, StepState::Warning, QStringLiteral("TestFolderNotSet"));
        return true;
    }
    const QString shown = shownText(folder);
    const QFileInfo info(folder);
    auto failed = [&](const QString &key, const QStringList &args) {
        fail(step, {step, StepState::Failed, key, args, -1, FailureKind::None, {}});
        return false;
    };
    if (!endsWithSeparator(folder)) {
        const QString separator = QDir::separator();
        return failed(QStringLiteral("CheckFolderEnd"), {separator, shown, separator});
    }
    if (!info.exists())
        return failed(QStringLiteral("TestFolderMissing"), {shown});
    if (!info.isDir())
        return failed(QStringLiteral("CheckNotAFolder"), {shown});
    if (!info.isReadable() || !info.isExecutable())
        return failed(QStringLiteral("TestFolderUnreadable"), {shown});
    report(step, StepState::Passed, QStringLiteral("TestFolderReadable"), {shown});
    return true;
}

bool ConnectionTest::checkTodaysFile(const ConnectionTestRequest &request)
{
    const TestStep step = TestStep::TodaysFile;
    report(step, StepState::Running);
    // The path an upload reads.
    const QString name = UploadNames::localFileName(request.now.date());
    const QString path = ProfileFile::trimmedBlanks(request.localFolder) + name;
    const QFileInfo info(path);
    if (!info.exists()) {
        // Early in the day the station has not written it yet: nothing wrong with the settings.
        const QString passed = lastTimePassed(request.times, request.now.time());
        if (passed.isEmpty())
            report(step, StepState::Warning, QStringLiteral("TestFileNotYet"), {name});
        else
            report(step, StepState::Warning, QStringLiteral("TestFileLate"), {name, passed});
        return true;
    }
    if (!info.isFile()) {
        fail(step, {step, StepState::Failed, QStringLiteral("TestFileNotAFile"), {shownText(path)}, -1, FailureKind::None, {}});
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(step, {step, StepState::Failed, QStringLiteral("TestFileUnreadable"), {name}, -1, FailureKind::None, {}});
        return false;
    }
    report(step, StepState::Passed, QStringLiteral("TestFileFound"), {name}, file.size());
    return true;
}

} // namespace korva5
