// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

class SysMain;
class TransferLog;
class QWidget;
struct MainControls;

// The language text of a key: its value in the section of the language in use, trimmed. A
// language the file has no section for falls back to English, and so does a key missing from
// its section (one line on standard error says which, once); the text is empty only when
// English lacks it too. Read from the file every time, so an edit of Language.txt shows the
// next time a caption is applied.
QString languageText(const SysMain &sys, const QString &key);

// A caption as a window title shows it: the access key marker ("&", or "(&P)" after Chinese
// text) is not shown there.
QString titleText(const QString &caption);

// The captions of the main window and its tray menu, and the three language buttons.
class Captions : public QObject
{
    Q_OBJECT

public:
    Captions(QWidget *window, const MainControls &controls, SysMain &sys, TransferLog &log,
             QObject *parent = nullptr);

    // Sets the 21 captions of the window and its tray menu from the language in use.
    void ShowLanguage();

    void cmbEnglish_Click() { switchTo(QStringLiteral("English")); }
    void cmbChina_Click() { switchTo(QStringLiteral("China")); }
    void cmbTaiwan_Click() { switchTo(QStringLiteral("Taiwan")); }

    static inline const QString VersionSuffix = QStringLiteral("  Ver 1.00");

private:
    void switchTo(const QString &language);

    QWidget *m_window;
    const MainControls &m_c;
    SysMain &m_sys;
    TransferLog &m_log;
};
