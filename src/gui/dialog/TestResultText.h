// SPDX-License-Identifier: MIT
#pragma once

#include "core/servertest/ConnectionTest.h"

#include <QString>

#include <array>
#include <functional>

namespace korva5 {

// The settings dialog's test as a label shows it: the heading (which settings were tried), then
// a line a step, each with its mark (a tick, a cross, "!" for a warning, a dash for a step not
// tried) in its colour. What the server or a path holds goes in escaped: a reply with "<" in it
// is shown as it came.
QString testResultHtml(const QString &heading, const std::array<StepReport, TestStepCount> &steps,
                       const std::function<QString(const QString &key)> &text);

} // namespace korva5
