// SPDX-License-Identifier: MIT
#include "core/diagnostics/Diagnostics.h"

#include "core/diagnostics/ShownText.h"

#include <QLoggingCategory>
#include <QString>

#include <cstdio>

namespace korva5 {

namespace {

void writeDiagnostic(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QByteArray line = shownText(qFormatLogMessage(type, context, message)).toUtf8() + '\n';
    // Results ignored on purpose: a reader that went away must not take the program with it.
    [[maybe_unused]] const size_t written = std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

void installDiagnostics()
{
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd HH:mm:ss} %{if-category}%{category}: %{endif}%{message}"));
    qInstallMessageHandler(writeDiagnostic);
}

} // namespace korva5
