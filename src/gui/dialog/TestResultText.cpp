// SPDX-License-Identifier: MIT
#include "gui/dialog/TestResultText.h"

#include <QStringList>

namespace korva5 {

namespace {

struct Mark
{
    QString sign;
    const char *colour;
};

Mark markOf(StepState state)
{
    switch (state) {
    case StepState::Waiting:
        return {QStringLiteral("\u00B7"), "#808080"};
    case StepState::Running:
        return {QStringLiteral("\u2026"), "#0050b0"};
    case StepState::Passed:
        return {QStringLiteral("\u2713"), "#008000"};
    case StepState::Warning:
        return {QStringLiteral("!"), "#b06000"};
    case StepState::Failed:
        return {QStringLiteral("\u2717"), "#c80000"};
    case StepState::NotTried:
    case StepState::Skipped:
        break;
    }
    return {QStringLiteral("\u2013"), "#808080"};
}

// A step skipped without words is not part of how this station works (no status folder): no line.
bool shown(const StepReport &step)
{
    return step.state != StepState::Skipped || !step.key.isEmpty();
}

} // namespace

QString testResultHtml(const QString &heading, const std::array<StepReport, TestStepCount> &steps,
                       const std::function<QString(const QString &key)> &text)
{
    QStringList lines{heading.toHtmlEscaped()};
    for (const StepReport &step : steps) {
        if (!shown(step))
            continue;
        const Mark mark = markOf(step.state);
        const bool quiet = step.state == StepState::Waiting || step.state == StepState::NotTried;
        const QString words = testStepText(step, text).toHtmlEscaped();
        lines << QStringLiteral("<span style=\"color:%1\">%2</span> %3")
                     .arg(QLatin1StringView(mark.colour), mark.sign,
                          quiet ? QStringLiteral("<span style=\"color:#808080\">%1</span>").arg(words) : words);
    }
    return lines.join(QStringLiteral("<br>"));
}

} // namespace korva5
