// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

class AppState;
class RunState;
class SettingsStore;
class TransferLog;
class QWidget;
struct MainControls;

// The language text of a key: its value in the section of language in the language file,
// trimmed. A language the file has no section for falls back to English, and so does a key
// missing from its section (one line on standard error says which, once); the text is empty only
// when English lacks it too. Read from the file every time, so an edit of Language.txt shows the
// next time a caption is applied.
QString languageText(const QString &languageFile, const QString &language, const QString &key);
// The same in the language in use.
QString languageText(const AppState &state, const QString &key);

// A caption as a window title shows it: the access key marker ("&", or "(&P)" after Chinese
// text) is not shown there.
QString titleText(const QString &caption);

// The captions of the main window and its tray menu, and the three language buttons.
class Captions : public QObject
{
    Q_OBJECT

public:
    Captions(QWidget *window, const MainControls &controls, AppState &state, SettingsStore &store, TransferLog &log,
             const RunState &runState, QObject *parent = nullptr);

    // Sets the 21 captions of the window and its tray menu from the language in use.
    void showLanguage();
    // Switches every caption to language at once and stores the choice for the next start.
    void switchTo(const QString &language);

    static inline const QString VersionSuffix = QStringLiteral("  Ver 1.00");

signals:
    // Every caption was just set again.
    void shown();

private:
    QWidget *m_window;
    const MainControls &m_c;
    AppState &m_state;
    SettingsStore &m_store;
    TransferLog &m_log;
    const RunState &m_runState;
};
