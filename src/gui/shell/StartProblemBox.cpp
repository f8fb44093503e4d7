// SPDX-License-Identifier: MIT
#include "gui/shell/StartProblemBox.h"

#include "core/app/StartProblem.h"
#include "gui/shell/TerminationSignals.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

namespace korva5 {

ProgramFiles::Problem fileProblem(Application::LoadResult result)
{
    switch (result) {
    case Application::LoadResult::SettingsMissing:
        return ProgramFiles::Problem::SettingsMissing;
    case Application::LoadResult::LanguageMissing:
        return ProgramFiles::Problem::LanguageMissing;
    case Application::LoadResult::SettingsUnreadable:
        return ProgramFiles::Problem::SettingsUnreadable;
    case Application::LoadResult::LanguageUnreadable:
        return ProgramFiles::Problem::LanguageUnreadable;
    case Application::LoadResult::Loaded:
    case Application::LoadResult::AlreadyRunning:
    case Application::LoadResult::LockUnavailable:
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

} // namespace korva5
