// SPDX-License-Identifier: MIT
#pragma once

#include "ProgramDir.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QProcess>

namespace korva5 {

namespace TestSupport {

// Reads the standard error of a running process into err until it holds text.
bool waitForText(QProcess &process, QByteArray &err, const char *text, int timeoutMs);

// Starts the program copied into dir and waits until it reports that it has loaded; what it
// wrote on standard error so far goes to err.
bool startAndWaitLoaded(QProcess &process, const ProgramDir &dir, const QString &binary, QByteArray &err);
bool startAndWaitLoaded(QProcess &process, const ProgramDir &dir, const QString &binary);

// Starts the program copied into dir and waits until it ends; its status, or -1 when it did
// not end by itself.
int runToEnd(QProcess &process, const QString &binary, QByteArray &err);

// Ends a running copy as a session's end does (SIGTERM), killing it when it does not end.
void stop(QProcess &process);

// The program's own diagnostic lines (Qt's may come and go with the platform plugin).
QByteArrayList programLines(const QByteArray &err);

} // namespace TestSupport

} // namespace korva5
