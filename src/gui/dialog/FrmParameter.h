// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class AppState;
class Station;
class TransferQueue;
struct FtpResult;
class SettingsStore;
class TransferLog;
struct SettingField;

// The settings dialog: every setting of TALLYPORT.ini but the language, shown from the settings
// in use and saved with Ok. It is made afresh for every opening and keeps nothing between them.
//
// Ok stores the sixteen values, trimmed, in one step: all of them reach the file or none does.
// When the file cannot be written the dialog stays open with what was typed, nothing in memory
// changes, and the transfer log says why, so the user can mend the cause and press Ok again.
class FrmParameter : public QDialog
{
    Q_OBJECT

public:
    explicit FrmParameter(Station &station, QWidget *parent = nullptr);
    ~FrmParameter() override;

    // Applies the captions of the language in use and fills the boxes from the settings in use.
    void load();
    // Stores what the boxes hold and closes; when the file cannot be written, stays open.
    void save();

    static constexpr int TimeBoxes = 10;

private:
    QLineEdit *box(const SettingField &row) const;
    void checkTyped();
    void mark(QLineEdit *edit, const QString &problem);
    void startOrCancelTest();
    void startTest();
    void cancelTest();
    void testEnded(const FtpResult &result);
    void showTestIdle();
    void letGo(TransferQueue *tester);
    QString caption(const char *key) const;

    const Station &m_station;
    const AppState &m_state;
    SettingsStore &m_store;
    TransferLog &m_log;
    std::function<QString(const QString &key)> m_text; // the station's, for the checks and the test line

    QLabel *lblLocalNo;
    QLabel *lblUpServer;
    QLabel *lblLocalPath;
    QLabel *lblUpPath;
    QLabel *lblUserName;
    QLabel *lblPassword;
    QLabel *lblUpTime;
    QLabel *lblHHMM;
    QLabel *lblUpDate;
    QLineEdit *txtNo;
    QLineEdit *txtServer;
    QLineEdit *txtLocal;
    QLineEdit *txtUpload;
    QLineEdit *txtName;
    QLineEdit *txtPassword;
    std::array<QLineEdit *, TimeBoxes> txtTime{};
    QPushButton *cmbOk;
    QPushButton *cmbCancel;
    QPushButton *cmbTest;
    QLabel *lblTestResult;

    QPointer<TransferQueue> m_tester; // the test running now, if any
    QString m_testFolder;       // the remote folder it tries, as the result line names it
};
