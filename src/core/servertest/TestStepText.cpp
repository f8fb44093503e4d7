// SPDX-License-Identifier: MIT
// The words of the settings dialog's test steps, made from what each step found.
#include "core/diagnostics/SizeText.h"
#include "core/servertest/ConnectionTest.h"
#include "core/transfer/FailureReason.h"

namespace korva5 {

namespace {

using Text = std::function<QString(const QString &key)>;

// In one call, so that a "%1" in what a server said stays as it came.
QString filled(const QString &words, const QStringList &args)
{
    switch (args.size()) {
    case 0:
        return words;
    case 1:
        return words.arg(args[0]);
    case 2:
        return words.arg(args[0], args[1]);
    case 3:
        return words.arg(args[0], args[1], args[2]);
    default:
        return words.arg(args[0], args[1], args[2], args[3]);
    }
}

} // namespace

QString testStepName(TestStep step, const Text &text)
{
    static const char *const Keys[TestStepCount] = {"StepRecordsFolder", "StepTodaysFile", "StepServerName",
                                                    "StepConnection",    "StepLogin",      "StepRemoteFolder",
                                                    "StepWrite",         "StepRename",     "StepRemove",
                                                    "StepStatusFolder"};
    return text(QLatin1StringView(Keys[int(step)]));
}

QString testStepText(const StepReport &report, const Text &text)
{
    switch (report.state) {
    case StepState::Waiting:
    case StepState::Running:
        return testStepName(report.step, text);
    case StepState::NotTried:
        return text(QStringLiteral("TestNotTried")).arg(testStepName(report.step, text));
    default:
        break;
    }
    if (report.key.isEmpty()) {
        if (report.kind == FailureKind::None)
            return testStepName(report.step, text);
        // Each step has a time limit of its own: the seconds are the news.
        if (report.kind == FailureKind::ServerSilent || report.kind == FailureKind::ConnectTimedOut)
            return text(QStringLiteral("TestNoAnswer")).arg(report.detail);
        return connectionTestLine(report.kind, report.detail, report.args.value(0), text);
    }
    QString key = report.key;
    QStringList args = report.args;
    if (key == u"TestLoggedIn" && args.value(0).isEmpty()) {
        key = QStringLiteral("TestLoggedInAnonymous");
        args.clear();
    }
    if (report.size >= 0)
        args << sizeText(double(report.size), text(QStringLiteral("SizeBytes")));
    return filled(text(key), args);
}

} // namespace korva5
