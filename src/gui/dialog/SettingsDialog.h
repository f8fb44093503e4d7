// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/SettingsCheck.h"
#include "core/servertest/ConnectionTest.h"

#include <QColor>
#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace korva5 {

class AppState;
class Station;
struct Settings;
struct SettingField;

// The settings dialog: every setting of TALLYPORT.ini but the language, shown from the settings
// in use and saved with Ok. It is made afresh for every opening and keeps nothing between them.
//
// Ok stores the values of SettingsTable, trimmed and with the fixes the line under the boxes
// announces, in one step: all of them reach the file or none does. When the file cannot be
// written the dialog stays open with what was typed, nothing in memory changes, and the transfer
// log says why, so the user can mend the cause and press Ok again.
//
// Enter moves between the boxes and never presses a button: Ok only answers a click, Space while
// it has the focus, or its access key; Esc and Cancel close without storing anything.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsDialog(Station &station, QWidget *parent = nullptr);
    ~SettingsDialog() override;

    // Applies the captions of the language in use and fills the boxes from the settings in use.
    void load();
    // Stores what the boxes hold and closes; when the file cannot be written, stays open.
    void save();

    static constexpr int TimeBoxes = 10;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct BoxFinding
    {
        QLineEdit *box = nullptr;
        SettingsCheck::Finding finding;
    };

    // The boxes of the times that send yesterday's file.
    static inline const QColor LightYellow{255, 255, 128};

    void createControls();
    QLineEdit *box(const SettingField &row) const;
    QLabel *labelOf(QLineEdit *box) const;
    QList<BoxFinding> findings() const;
    Settings typedSettings() const;
    void checkTyped();
    void mark(QLineEdit *edit, const SettingsCheck::Finding &finding);
    void showProblem(const QList<BoxFinding> &found);
    void storeTimeAsRead(QLineEdit *edit);
    void startOrCancelTest();
    void startTest();
    void cancelTest();
    void clearTest();
    void stepReported(const StepReport &report);
    void testFinished(bool passed, const QString &reason);
    void showTest();
    void growToFit();
    void letGo(ConnectionTest *tester);
    QString caption(const char *key) const;

    Station &m_station;
    const AppState &m_state;
    std::function<QString(const QString &key)> m_text; // the station's, for the checks and the test

    QLabel *lblLocalNo;
    QLabel *lblUpServer;
    QLabel *lblLocalPath;
    QLabel *lblUpPath;
    QLabel *lblUserName;
    QLabel *lblPassword;
    QLabel *lblStatusPath;
    QLabel *lblUpTime;
    QLabel *lblHHMM;
    QLabel *lblUpDate;
    QLineEdit *txtNo;
    QLineEdit *txtServer;
    QLineEdit *txtLocal;
    QLineEdit *txtUpload;
    QLineEdit *txtName;
    QLineEdit *txtPassword;
    QToolButton *cmbShowPassword; // shows the password while it is down
    QLineEdit *txtStatusPath;
    std::array<QLineEdit *, TimeBoxes> txtTime{};
    QList<QLineEdit *> m_boxes; // in reading order: the order Enter goes through them
    QLabel *lblProblem;         // the first thing wrong, so a disabled Ok is never unexplained
    QPointer<QLineEdit> m_problemBox; // the box it is about; a click on the line goes there
    QPushButton *cmbOk;
    QPushButton *cmbCancel;
    QPushButton *cmbTest;
    QLabel *lblTestResult;

    QPointer<ConnectionTest> m_tester; // the test running now, if any
    QString m_testHeading;             // which settings the steps below were tried with
    std::array<StepReport, TestStepCount> m_steps;
};

} // namespace korva5
