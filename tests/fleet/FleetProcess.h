// SPDX-License-Identifier: MIT
#pragma once
// What the tests of the built korva5-fleet share: running it (on a clock of its own, its peak
// memory measured where asked), and laying out the files a server serves.

#include "FakeTime.h"

#include <QDateTime>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace korva5::fleet {

namespace FleetProcess {

inline QString fleetBinary()
{
    const QString binary = qEnvironmentVariable("KORVA5_FLEET");
    if (binary.isEmpty())
        qFatal("KORVA5_FLEET is not set; run the tests through ctest");
    return binary;
}

struct Answer
{
    int exitStatus = -1;
    QString out;
    QString err;
    qint64 peakKiB = -1; // the process's peak resident memory, where it was measured

    QString firstLine() const { return out.section(u'\n', 0, 0); }
    QString summary() const { return firstLine().section(u" | "_qs, 0, 0); }
};

// The environment that runs korva5-fleet's clock from now (local time) on.
inline QMap<QString, QString> clockAt(const QDateTime &now)
{
    // A sanitizer build wants its runtime loaded first; libfaketime before it does no harm.
    return {{u"LD_PRELOAD"_qs, TestSupport::fakeTimeLibrary()},
            {u"FAKETIME"_qs, now.toString(u"'@'yyyy-MM-dd HH:mm:ss")},
            {u"ASAN_OPTIONS"_qs, qEnvironmentVariable("ASAN_OPTIONS") + u":verify_asan_link_order=0"_qs}};
}

// Runs korva5-fleet from a working folder without a fleet.ini. With measureMemory, its peak
// resident memory is read from /proc while it runs (the last reading before it ends).
inline Answer runFleet(const QStringList &arguments, const QMap<QString, QString> &environment = {}, bool measureMemory = false)
{
    QTemporaryDir working;
    QProcess process;
    process.setWorkingDirectory(working.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    process.start(fleetBinary(), arguments);
    Answer answer;
    if (measureMemory && process.waitForStarted()) {
        const QString status = u"/proc/%1/status"_qs.arg(process.processId());
        while (!process.waitForFinished(20)) {
            QFile file(status);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &line : file.readAll().split('\n')) {
                if (line.startsWith("VmHWM:"))
                    answer.peakKiB = std::max(answer.peakKiB, line.mid(6).trimmed().split(' ').value(0).toLongLong());
            }
        }
    }
    if (!process.waitForFinished(240'000))
        process.kill();
    answer.exitStatus = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    answer.out = QString::fromUtf8(process.readAllStandardOutput());
    answer.err = QString::fromUtf8(process.readAllStandardError());
    return answer;
}

// A file of the server's, with the time it was last modified.
inline void write(const QString &path, const QByteArray &bytes, const QDateTime &modified)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write(bytes);
    file.flush(); // before the time is set: writing the rest later would set it to now
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

} // namespace FleetProcess

} // namespace korva5::fleet
