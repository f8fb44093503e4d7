// SPDX-License-Identifier: MIT
#include "gui/dialog/FrmParameter.h"

#include "core/language/LanguageText.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsCheck.h"
#include "core/app/Station.h"
#include "core/settings/SettingsStore.h"
#include "core/state/AppState.h"
#include "core/settings/SysMain.h"
#include "core/upload/FailureReason.h"
#include "core/upload/TransferQueue.h"
#include "core/upload/TransferLog.h"

#include <QCoreApplication>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QVBoxLayout>

namespace {

// The two boxes of the times that send yesterday's file.
const QColor LightYellow(255, 255, 128);

// A test waits for a person: a dead server should be told well before a scheduled upload would
// give up on it.
const FtpTimeouts TestTimeouts{std::chrono::seconds(15), std::chrono::seconds(20), std::chrono::seconds(20)};

template<typename Widget>
Widget *named(Widget *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

QLineEdit *textBox(QWidget *parent, const QString &name, int maxLength = 32767)
{
    auto *box = named(new QLineEdit(parent), name);
    box->setMaxLength(maxLength);
    return box;
}

} // namespace

FrmParameter::FrmParameter(Station &station, QWidget *parent)
    : QDialog(parent)
    , m_station(station)
    , m_state(station.state())
    , m_store(station.settingsStore())
    , m_log(station.log())
    , m_text([&station](const QString &key) { return station.text(key); })
{
    setObjectName(QStringLiteral("frmParameter"));
    setWindowTitle(QStringLiteral("Parameter"));
    QFont font(QStringLiteral("Courier New"), 9);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    // Under the main window's style sheet the controls would not inherit the dialog's font;
    // the sheet's own rule does reach them.
    setStyleSheet(QStringLiteral("QWidget { font-family: \"Courier New\"; font-size: 9pt; }"));

    lblLocalNo = named(new QLabel(QStringLiteral("Station No:"), this), QStringLiteral("lblLocalNo"));
    lblUpServer = named(new QLabel(QStringLiteral("Upload IP:"), this), QStringLiteral("lblUpServer"));
    lblLocalPath = named(new QLabel(QStringLiteral("Local Path:"), this), QStringLiteral("lblLocalPath"));
    lblUpPath = named(new QLabel(QStringLiteral("Upload Path:"), this), QStringLiteral("lblUpPath"));
    lblUserName = named(new QLabel(QStringLiteral("User Name:"), this), QStringLiteral("lblUserName"));
    lblPassword = named(new QLabel(QStringLiteral("Password:"), this), QStringLiteral("lblPassword"));
    lblUpTime = named(new QLabel(QStringLiteral("Upload Time:"), this), QStringLiteral("lblUpTime"));
    lblHHMM = named(new QLabel(QStringLiteral("HH:MM"), this), QStringLiteral("lblHHMM"));
    lblUpDate = named(new QLabel(QStringLiteral("(Yesterday)"), this), QStringLiteral("lblUpDate"));

    txtNo = textBox(this, QStringLiteral("txtNo"));
    txtNo->setMaximumWidth(txtNo->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    txtServer = textBox(this, QStringLiteral("txtServer"));
    txtLocal = textBox(this, QStringLiteral("txtLocal"));
    txtUpload = textBox(this, QStringLiteral("txtUpload"));
    txtName = textBox(this, QStringLiteral("txtName"));
    txtPassword = textBox(this, QStringLiteral("txtPassword")); // shown in clear, as users expect here
    for (int i = 0; i < TimeBoxes; ++i) {
        QLineEdit *time = txtTime[size_t(i)] = textBox(this, QStringLiteral("txtTime%1").arg(i));
        time->setMaximumWidth(time->fontMetrics().horizontalAdvance(QStringLiteral("00:000")) + 12);
        if (Settings::sendsYesterday(i)) {
            QPalette palette = time->palette();
            palette.setColor(QPalette::Base, LightYellow);
            time->setPalette(palette);
        }
    }
    cmbOk = named(new QPushButton(QStringLiteral("&Ok"), this), QStringLiteral("cmbOk"));
    cmbCancel = named(new QPushButton(QStringLiteral("&Cancel"), this), QStringLiteral("cmbCancel"));
    cmbTest = named(new QPushButton(QStringLiteral("&Test"), this), QStringLiteral("cmbTest"));
    lblTestResult = named(new QLabel(this), QStringLiteral("lblTestResult"));
    // One line however long the reason: the whole of it is in the tooltip, and the dialog keeps
    // its width.
    lblTestResult->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblTestResult->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *grid = new QGridLayout;
    grid->addWidget(lblLocalNo, 0, 0);
    grid->addWidget(txtNo, 0, 1, Qt::AlignLeft);
    grid->addWidget(lblUpServer, 0, 2);
    grid->addWidget(txtServer, 0, 3);
    grid->addWidget(lblLocalPath, 1, 0);
    grid->addWidget(txtLocal, 1, 1);
    grid->addWidget(lblUpPath, 1, 2);
    grid->addWidget(txtUpload, 1, 3);
    grid->addWidget(lblUserName, 2, 0);
    grid->addWidget(txtName, 2, 1);
    grid->addWidget(lblPassword, 2, 2);
    grid->addWidget(txtPassword, 2, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto timeRow = [this](int first, QLabel *after) {
        auto *row = new QHBoxLayout;
        for (int i = first; i < first + 5; ++i)
            row->addWidget(txtTime[size_t(i)]);
        row->addWidget(after);
        row->addStretch(1);
        return row;
    };
    auto *times = new QGridLayout;
    times->addWidget(lblUpTime, 0, 0);
    times->addLayout(timeRow(0, lblHHMM), 0, 1);
    times->addLayout(timeRow(5, lblUpDate), 1, 1);
    times->setColumnStretch(1, 1);

    auto *test = new QHBoxLayout;
    test->addWidget(cmbTest);
    test->addWidget(lblTestResult, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmbOk, 1);
    buttons->addWidget(cmbCancel, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(times);
    layout->addStretch(1);
    layout->addLayout(test);
    layout->addLayout(buttons);
    resize(569, 224);

    // Cancel first, so the dialog opens with the focus on it; then the boxes in reading order.
    QList<QWidget *> order{cmbCancel, cmbOk, txtNo, txtServer, txtLocal, txtUpload, txtName, txtPassword};
    for (QLineEdit *time : txtTime)
        order << time;
    order << cmbTest;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    cmbCancel->setFocus();
    // Enter in a box must not store a half-typed value: Cancel is the one button that answers
    // Enter; Ok is pressed only by itself or by its access key.
    cmbOk->setAutoDefault(false);
    cmbCancel->setAutoDefault(false);
    cmbTest->setAutoDefault(false);
    cmbCancel->setDefault(true);

    for (const SettingField &row : SettingsTable) {
        if (row.maxLength > 0)
            box(row)->setMaxLength(row.maxLength);
    }

    connect(cmbOk, &QPushButton::clicked, this, &FrmParameter::save);
    connect(cmbCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmbTest, &QPushButton::clicked, this, &FrmParameter::startOrCancelTest);
    for (QLineEdit *edit : txtTime)
        connect(edit, &QLineEdit::textChanged, this, &FrmParameter::checkTyped);
    connect(txtServer, &QLineEdit::textChanged, this, &FrmParameter::checkTyped);
    connect(txtLocal, &QLineEdit::textChanged, this, &FrmParameter::checkTyped);
    checkTyped();
}

FrmParameter::~FrmParameter()
{
    if (m_tester)
        letGo(m_tester);
}

QLineEdit *FrmParameter::box(const SettingField &row) const
{
    auto *edit = findChild<QLineEdit *>(QLatin1StringView(row.dialogBox));
    Q_ASSERT(edit);
    return edit;
}

void FrmParameter::load()
{
    auto text = [this](const char *key) { return caption(key); };
    setWindowTitle(titleText(text("Parameter")));
    cmbOk->setText(text("Ok"));
    cmbCancel->setText(text("Cancel"));
    showTestIdle();
    lblUpDate->setText(text("Yesterday"));
    lblHHMM->setText(text("TimeFormat"));
    lblLocalNo->setText(text("StationNo"));
    lblUpTime->setText(text("UploadTime"));
    lblUserName->setText(text("UserName"));
    lblPassword->setText(text("Password"));
    lblLocalPath->setText(text("LocalPath"));
    lblUpPath->setText(text("UploadPath"));
    lblUpServer->setText(text("UploadIP"));

    // From the settings in use: the dialog shows what the program works with.
    const Settings &settings = m_state.settings();
    for (const SettingField &row : SettingsTable)
        box(row)->setText(SysMain::Trim(settings.*row.field));
    checkTyped();
}

QString FrmParameter::caption(const char *key) const
{
    return m_station.text(QLatin1StringView(key));
}

void FrmParameter::checkTyped()
{
    bool usable = true;
    for (QLineEdit *time : txtTime) {
        const QString problem = SettingsCheck::timeProblem(time->text(), m_text);
        mark(time, problem);
        usable = usable && problem.isEmpty();
    }
    const QString serverProblem = SettingsCheck::serverProblem(txtServer->text(), m_text);
    mark(txtServer, serverProblem);
    usable = usable && serverProblem.isEmpty();
    mark(txtLocal, SettingsCheck::localFolderProblem(txtLocal->text(), m_text));
    cmbOk->setEnabled(usable);
    if (!m_tester)
        cmbTest->setEnabled(serverProblem.isEmpty() && !SysMain::Trim(txtServer->text()).isEmpty());
}

void FrmParameter::mark(QLineEdit *edit, const QString &problem)
{
    edit->setToolTip(problem);
    if (problem.isEmpty()) {
        edit->setStyleSheet(QString());
        return;
    }
    // A style sheet of its own would paint the box with the sheet's colours only: the boxes of
    // yesterday's times keep their yellow.
    const bool yesterday = edit == txtTime[8] || edit == txtTime[9];
    edit->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid rgb(220, 0, 0); %1}")
                            .arg(yesterday ? QStringLiteral("background-color: %1; ").arg(LightYellow.name()) : QString()));
}

void FrmParameter::showTestIdle()
{
    cmbTest->setText(caption("Test"));
    checkTyped();
}

void FrmParameter::startOrCancelTest()
{
    if (m_tester)
        cancelTest();
    else
        startTest();
}

void FrmParameter::startTest()
{
    const QString server = SysMain::Trim(txtServer->text());
    if (server.isEmpty() || !SettingsCheck::serverProblem(server, m_text).isEmpty())
        return;
    auto *tester = new TransferQueue(this);
    tester->setObjectName(QStringLiteral("testFtp"));
    // The temporary file goes with the control, after its worker has stopped reading it.
    auto *file = new QTemporaryFile(tester);
    if (!file->open() || file->write("KORVA5 connection test\n") < 0 || !file->flush()) {
        lblTestResult->setText(caption("TestNoFile").arg(file->errorString()));
        lblTestResult->setToolTip(lblTestResult->text());
        delete tester;
        return;
    }
    file->close();
    tester->setServerAddress(server);
    tester->setUserName(SysMain::Trim(txtName->text()));
    tester->setPassword(SysMain::Trim(txtPassword->text()));
    // The way uploads go: a server that cannot rename fails here too, unless FtpTempName=0 spares
    // it the rename.
    tester->setTemporaryName(SysMain::Trim(m_state.settings().FtpTempName) != u"0");
    tester->setDeleteAfterSend(true);
    tester->setTimeouts(TestTimeouts);
    connect(tester, &TransferQueue::transferEnded, this, &FrmParameter::testEnded);

    // Hidden and with an ending of its own: nothing that collects the day's files takes it,
    // even if it could not be deleted.
    m_testFolder = SysMain::Trim(txtUpload->text());
    const QString name = QStringLiteral(".korva5-test-%1.part").arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
    m_tester = tester;
    tester->enqueue(file->fileName(), m_testFolder + name);
    cmbTest->setText(titleText(caption("Cancel")));
    cmbTest->setEnabled(true);
    lblTestResult->setText(caption("TestRunning").arg(server));
    lblTestResult->setToolTip(QString());
}

void FrmParameter::cancelTest()
{
    letGo(m_tester);
    m_tester = nullptr;
    lblTestResult->setText(caption("TestCancelled"));
    lblTestResult->setToolTip(QString());
    showTestIdle();
}

// A control whose send was aborted may take up to a second to notice; the dialog neither waits
// for it nor takes it along when it closes. It ends itself once its send has ended, and at the
// latest with the application.
void FrmParameter::letGo(TransferQueue *tester)
{
    disconnect(tester, nullptr, this, nullptr);
    tester->abort();
    tester->setParent(QCoreApplication::instance());
    connect(tester, &TransferQueue::transferEnded, tester, &QObject::deleteLater);
}

void FrmParameter::testEnded(const FtpResult &result)
{
    auto *tester = qobject_cast<TransferQueue *>(sender());
    if (!tester || tester != m_tester)
        return;
    m_tester = nullptr;
    tester->deleteLater();
    const QString line = connectionTestLine(result.failure.kind, result.failure.detail, m_testFolder, m_text);
    lblTestResult->setText(line);
    lblTestResult->setToolTip(result.succeeded ? QString() : result.reason);
    showTestIdle();
}

void FrmParameter::save()
{
    Settings typed;
    for (const SettingField &row : SettingsTable)
        typed.*row.field = SysMain::Trim(box(row)->text());
    QString error;
    if (!m_store.save(typed, &error)) {
        m_log.insertTop(caption("SettingsNotSaved").arg(error));
        return; // stays open with what was typed
    }
    accept();
}
