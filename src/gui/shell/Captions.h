// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include "core/language/LanguageText.h"
#include "core/state/ProgramBuild.h"

class QWidget;

namespace korva5 {

class RunState;
class Station;
struct MainControls;

// The captions of the main window and its tray menu, and the three language buttons.
class Captions : public QObject
{
    Q_OBJECT

public:
    Captions(QWidget *window, const MainControls &controls, Station &station, const RunState &runState,
             QObject *parent = nullptr);

    // Sets the 21 captions of the window and its tray menu from the language in use.
    void showLanguage();
    // Switches every caption to language at once and stores the choice for the next start.
    void switchTo(const QString &language);

    static inline const QString VersionSuffix = QStringLiteral("  Ver ") + QLatin1StringView(ProgramVersion);

signals:
    // Every caption was just set again.
    void shown();

private:
    QWidget *m_window;
    const MainControls &m_c;
    Station &m_station;
    const RunState &m_runState;
};

} // namespace korva5
