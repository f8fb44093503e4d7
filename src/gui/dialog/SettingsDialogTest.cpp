// SPDX-License-Identifier: MIT
// The settings dialog's Test: tried with the values as Ok would store them, shown step by step,
// and let go of when it is cancelled, an edit makes it stale, or the dialog closes.
#include "gui/dialog/SettingsDialog.h"

#include "core/app/Station.h"
#include "core/clock/Clock.h"
#include "core/diagnostics/ShownText.h"
#include "core/language/LanguageText.h"
#include "core/settings/ProfileFile.h"
#include "core/state/AppState.h"
#include "core/transfer/FailureReason.h"
#include "gui/dialog/TestResultText.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>

namespace korva5 {

void SettingsDialog::startOrCancelTest()
{
    if (m_tester)
        cancelTest();
    else
        startTest();
}

void SettingsDialog::startTest()
{
    // What Ok would store is what is tried.
    const Settings typed = typedSettings();
    if (typed.FtpServer.isEmpty() || SettingsCheck::checkServer(typed.FtpServer, m_text).blocksOk())
        return;
    ConnectionTestRequest request;
    request.server = typed.FtpServer;
    request.userName = typed.FtpUserName;
    request.password = typed.FtpPassword;
    request.remoteFolder = typed.FtpPath;
    request.localFolder = typed.LocalPath;
    request.times = typed.times();
    request.now = m_station.clock().now();
    // The way uploads go: a server that cannot rename fails here too, unless FtpTempName=0 spares
    // it the rename.
    request.temporaryName = ProfileFile::trimmedBlanks(m_state.settings().FtpTempName) != u"0";
    request.testName = QStringLiteral("korva5-test-%1").arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));

    const QString server = shownServer(typed.FtpServer);
    const QString folder = typed.FtpPath.isEmpty() ? m_text(QStringLiteral("TestLoginFolder")) : shownText(typed.FtpPath);
    m_testHeading = typed.FtpUserName.isEmpty() ? m_text(QStringLiteral("TestOfAnonymous")).arg(server, folder)
                                                : m_text(QStringLiteral("TestOf")).arg(server, shownText(typed.FtpUserName), folder);
    if (typed.FtpPath.isEmpty())
        m_testHeading = withoutBlanksBetweenIdeographs(m_testHeading);
    request.statusFolder = typed.FtpStatusPath;
    for (int i = 0; i < TestStepCount; ++i)
        m_steps[size_t(i)] = StepReport{TestStep(i), StepState::Waiting, {}, {}, -1, FailureKind::None, {}};
    if (ProfileFile::trimmedBlanks(typed.FtpStatusPath).isEmpty())
        m_steps[size_t(TestStep::StatusFolder)].state = StepState::Skipped; // no line for it

    auto *tester = new ConnectionTest(this);
    tester->setObjectName(QStringLiteral("testFtp"));
    connect(tester, &ConnectionTest::stepReported, this, &SettingsDialog::stepReported);
    connect(tester, &ConnectionTest::finished, this, &SettingsDialog::testFinished);
    m_tester = tester;
    tester->start(request);
    cmbTest->setText(titleText(caption("Cancel")));
    cmbTest->setEnabled(true);
    lblTestResult->setToolTip(QString());
    showTest();
}

void SettingsDialog::stepReported(const StepReport &report)
{
    if (sender() != m_tester)
        return;
    m_steps[size_t(report.step)] = report;
    showTest();
}

void SettingsDialog::testFinished(bool passed, const QString &reason)
{
    auto *tester = qobject_cast<ConnectionTest *>(sender());
    if (!tester || tester != m_tester)
        return;
    m_tester = nullptr;
    tester->deleteLater();
    // The whole reason, in the program's English, for whoever is asked to help.
    lblTestResult->setToolTip(passed ? QString() : reason);
    cmbTest->setText(caption("Test"));
    checkTyped();
}

void SettingsDialog::showTest()
{
    lblTestResult->setText(testResultHtml(m_testHeading, m_steps, m_text));
    growToFit();
}

void SettingsDialog::cancelTest()
{
    letGo(m_tester);
    m_tester = nullptr;
    lblTestResult->setText(caption("TestCancelled").toHtmlEscaped());
    lblTestResult->setToolTip(QString());
    cmbTest->setText(caption("Test"));
    checkTyped();
}

// Every edit: the result on screen would stand for values no longer in the boxes, and a test
// still running tries those.
void SettingsDialog::clearTest()
{
    if (m_tester) {
        letGo(m_tester);
        m_tester = nullptr;
        cmbTest->setText(caption("Test"));
    }
    lblTestResult->clear();
    lblTestResult->setToolTip(QString());
}

// A test whose transfer was aborted may take up to a second to notice; the dialog neither waits
// for it nor takes it along when it closes. It ends itself once its worker is done, and at the
// latest with the application.
void SettingsDialog::letGo(ConnectionTest *tester)
{
    disconnect(tester, nullptr, this, nullptr);
    tester->abort();
    tester->setParent(QCoreApplication::instance());
    connect(tester, &ConnectionTest::finished, tester, &QObject::deleteLater);
}

} // namespace korva5
