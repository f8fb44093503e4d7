// SPDX-License-Identifier: MIT
#pragma once

#include "Clock.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace TestSupport {

// The source tree (for data/Language.txt) and the built program, as CTest passes them.
QString sourceDir();
QString appBinary();

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

// A clock the test sets and moves on.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDateTime now = QDateTime(QDate(2021, 3, 5), QTime(8, 0, 0)))
        : m_now(std::move(now)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &now) { m_now = now; }
    void advanceSecs(qint64 seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};

// A program folder in a temporary directory: TALLYPORT.ini with the given keys of section
// TALLY, the shipped Language.txt, and optionally a copy of the program itself.
class ProgramDir
{
public:
    explicit ProgramDir(const QMap<QString, QString> &settings = {}, bool withLanguage = true);
    QString path() const { return m_dir.path(); }
    QString iniFile() const { return m_dir.filePath(QStringLiteral("TALLYPORT.ini")); }
    QString languageFile() const { return m_dir.filePath(QStringLiteral("Language.txt")); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    // Copies the built program into the folder (the program looks for its files beside itself).
    QString installBinary() const;

private:
    QTemporaryDir m_dir;
};

QByteArray iniText(const QMap<QString, QString> &settings);

} // namespace TestSupport
