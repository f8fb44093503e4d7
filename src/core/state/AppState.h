// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/Settings.h"

#include <QObject>
#include <QString>

namespace korva5 {

// The program's state, in one plain object: the settings in force, the language and the run
// state. The windows only display it and pass the user's changes in; a signal tells them what
// changed.
class AppState : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    const Settings &settings() const { return m_settings; }
    void setSettings(const Settings &settings);

    // The section of the language file in use: "English", "China" or "Taiwan".
    const QString &language() const { return m_language; }
    void setLanguage(const QString &language);

    // Running or stopped: an indication only, every start is stopped.
    bool isRunning() const { return m_running; }
    void setRunning(bool running);

signals:
    void settingsChanged();
    void runningChanged(bool running);

private:
    Settings m_settings;
    QString m_language;
    bool m_running = false;
};

} // namespace korva5
