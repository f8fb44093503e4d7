// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/Settings.h"

#include <QByteArray>
#include <QString>

namespace korva5 {

// The settings file, TALLYPORT.ini: the one place that reads and writes it. The dialog and the
// language buttons save through it; the program loads through it.
class SettingsStore
{
public:
    explicit SettingsStore(QString file = {}) : m_file(std::move(file)) {}

    const QString &file() const { return m_file; }
    void setFile(const QString &file) { m_file = file; }

    // The settings, read in one go; a file that is missing or cannot be read gives empty
    // settings. Remembers what the file held, for changedSinceLoad().
    Settings load();
    // The language chosen ("English", "China", "Taiwan"), spaces and tabs around it removed.
    QString language() const;
    // True when the file can be read and holds something else than at the last load(): it was
    // edited by hand since.
    bool changedSinceLoad() const;

    // Stores the settings of SettingsTable (spaces and tabs around each removed) in one step:
    // all of them reach the file, or none does and error says why. The hand settings outside
    // the table (FtpTempName) stay in the file as they are.
    bool save(const Settings &settings, QString *error = nullptr);
    bool saveLanguage(const QString &language, QString *error = nullptr);

private:
    QString m_file;
    QByteArray m_loaded;
};

} // namespace korva5
