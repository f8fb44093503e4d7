// SPDX-License-Identifier: MIT
#include "gui/shell/StartProblemBox.h"

#include "core/app/StartProblem.h"
#include "gui/shell/TerminationSignals.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

ProgramFiles::Problem fileProblem(FrmMain::LoadResult result)
{
    switch (result) {
    case FrmMain::LoadResult::SettingsMissing:
        return ProgramFiles::Problem::SettingsMissing;
    case FrmMain::LoadResult::LanguageMissing:
        return ProgramFiles::Problem::LanguageMissing;
    case FrmMain::LoadResult::SettingsUnreadable:
        return ProgramFiles::Problem::SettingsUnreadable;
    case FrmMain::LoadResult::LanguageUnreadable:
        return ProgramFiles::Problem::LanguageUnreadable;
    case FrmMain::LoadResult::Loaded:
    case FrmMain::LoadResult::AlreadyRunning:
    case FrmMain::LoadResult::LockUnavailable:
        break;
    }
    return ProgramFiles::Problem::None;
}

bool showsToAPerson()
{
    const QString platform = QGuiApplication::platformName();
    return platform != u"offscreen" && platform != u"minimal";
}

void showStartProblem(const ProgramPaths &paths, ProgramFiles::Problem problem)
{
    if (problem == ProgramFiles::Problem::None || !showsToAPerson())
        return;
    const StartProblem::Message message = StartProblem::message(paths, problem, StartProblem::language(paths, problem),
                                                                StartProblem::reason(paths, problem));
    QMessageBox box(QMessageBox::Critical, message.title, message.text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("msgStartProblem"));
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Ok)->setText(message.ok);
    // The folder's name can be copied into a file manager or a ticket.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A session or a service that ends meanwhile ends the program with its status, as it would
    // have ended without the box, rather than killing it.
    TerminationSignals endings;
    QObject::connect(&endings, &TerminationSignals::received, &box, &QDialog::reject);
    box.exec();
}
