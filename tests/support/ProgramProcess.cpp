// SPDX-License-Identifier: MIT
#include "ProgramProcess.h"

#include <QDeadlineTimer>

namespace korva5 {

namespace TestSupport {

bool waitForText(QProcess &process, QByteArray &err, const char *text, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && process.state() == QProcess::Running) {
        process.waitForReadyRead(200);
        err += process.readAllStandardError();
        if (err.contains(text))
            return true;
    }
    qWarning("program did not write \"%s\"; stderr: %s", text, err.constData());
    return false;
}

bool startAndWaitLoaded(QProcess &process, const ProgramDir &dir, const QString &binary, QByteArray &err)
{
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setWorkingDirectory(dir.path());
    process.start(binary, {});
    if (!process.waitForStarted(5000))
        return false;
    return waitForText(process, err, "started in", 15000);
}

bool startAndWaitLoaded(QProcess &process, const ProgramDir &dir, const QString &binary)
{
    QByteArray err;
    return startAndWaitLoaded(process, dir, binary, err);
}

int runToEnd(QProcess &process, const QString &binary, QByteArray &err)
{
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(binary, {});
    if (!process.waitForFinished(15000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    err = process.readAllStandardError();
    return process.exitCode();
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

QByteArrayList programLines(const QByteArray &err)
{
    QByteArrayList lines;
    for (const QByteArray &line : err.split('\n'))
        if (line.contains(" korva5."))
            lines << line;
    return lines;
}

} // namespace TestSupport

} // namespace korva5
