// SPDX-License-Identifier: MIT
#pragma once

#include "core/upload/FailureKind.h"

#include <QString>

// The English words a failure is shown in, made from its kind alone. Each use has a function and
// a table of its own here, kind to words; the whole reason still goes to standard error and the
// journal.

// A failure in a few words, for the line under "Error!", the tray's alarm and History: the
// kind's words with detail, the one fact that names it ("login refused: 530 Login incorrect.",
// "no such file /srv/records/20261207.txt", "connection refused", "timed out after 30 s").
QString shortReason(FailureKind kind, const QString &detail = {});

// The settings dialog's line after trying the server: what worked, or what to look at. folder is
// where the test file went (empty: the login folder).
QString connectionTestLine(FailureKind kind, const QString &detail, const QString &folder);
