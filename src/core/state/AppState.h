// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/Settings.h"

#include <QDate>
#include <QObject>
#include <QString>

// The program's state, in one plain object: where its files are, the settings in force, the
// language, the run state, the two counters, the day picked for a manual upload and the names
// of the last day handed to an upload. The windows only display it and pass the user's changes
// in; a signal tells them what changed.
class AppState : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Set once by start-up.
    QString programDir;   // the program's folder, ending in the directory separator
    QString iniFile;      // programDir + "TALLYPORT.ini"
    QString languageFile; // programDir + "Language.txt"

    const Settings &settings() const { return m_settings; }
    void setSettings(const Settings &settings);

    // The section of the language file in use: "English", "China" or "Taiwan".
    const QString &language() const { return m_language; }
    void setLanguage(const QString &language);

    // Running or stopped: an indication only, every start is stopped.
    bool isRunning() const { return m_running; }
    void setRunning(bool running);

    // Seconds of the current minute, and minutes since start-up or the last scheduled upload.
    int seconds() const { return m_seconds; }
    int minutes() const { return m_minutes; }
    void setCounters(int seconds, int minutes);

    QDate pickedDay() const { return m_pickedDay; }
    void setPickedDay(QDate day);

    // The records file and its name on the server of the last day handed to an upload (at
    // start-up: today's).
    const QString &localFileName() const { return m_localFileName; }
    const QString &remoteFileName() const { return m_remoteFileName; }
    void setFileNames(const QString &local, const QString &remote);

signals:
    void settingsChanged();
    void runningChanged(bool running);
    void countersChanged();
    void pickedDayChanged(QDate day);
    void fileNamesChanged();

private:
    Settings m_settings;
    QString m_language;
    bool m_running = false;
    int m_seconds = 0;
    int m_minutes = 0;
    QDate m_pickedDay;
    QString m_localFileName;
    QString m_remoteFileName;
};
