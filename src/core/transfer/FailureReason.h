// SPDX-License-Identifier: MIT
#pragma once

#include "core/transfer/FailureKind.h"

#include <QString>

#include <functional>

namespace korva5 {

// The words a failure is shown in, made from its kind alone, in the language text gives (the text
// of a key of Language.txt). Each use has a function and a table of its own here, kind to key;
// the whole reason still goes to standard error and the journal, in English.

// A failure in a few words, for the line under "Error!", the tray's alarm and History: the
// kind's words with detail, the one fact that names it ("login refused: 530 Login incorrect.",
// "no such file /srv/records/20261207.txt", "connection refused", "timed out after 30 s").
QString shortReason(FailureKind kind, const QString &detail, const std::function<QString(const QString &key)> &text);

// The settings dialog's line after trying the server: what worked, or what to look at. folder is
// where the test file went (empty: the login folder).
QString connectionTestLine(FailureKind kind, const QString &detail, const QString &folder,
                           const std::function<QString(const QString &key)> &text);

// Chinese sets no blank between two of its characters. The blanks around a place in a Chinese
// line set a path apart; they go when words ("the login folder") stand there instead.
QString withoutBlanksBetweenIdeographs(const QString &line);

} // namespace korva5
