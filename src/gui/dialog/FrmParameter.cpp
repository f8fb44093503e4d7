// SPDX-License-Identifier: MIT
#include "gui/dialog/FrmParameter.h"

#include "core/app/Station.h"
#include "core/clock/Clock.h"
#include "core/diagnostics/ShownText.h"
#include "core/language/LanguageText.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsStore.h"
#include "core/settings/SysMain.h"
#include "core/settings/TimeOfDay.h"
#include "core/state/AppState.h"
#include "core/upload/FailureReason.h"
#include "core/upload/TransferLog.h"
#include "gui/dialog/TestResultText.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>

namespace {

// The two boxes of the times that send yesterday's file.
const QColor LightYellow(255, 255, 128);
const QColor ErrorRed(200, 0, 0);
const QColor NoticeAmber(160, 90, 0);

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
    lblStatusPath = named(new QLabel(QStringLiteral("Status Path:"), this), QStringLiteral("lblStatusPath"));
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
    txtStatusPath = textBox(this, QStringLiteral("txtStatusPath"));
    for (int i = 0; i < TimeBoxes; ++i) {
        QLineEdit *time = txtTime[size_t(i)] = textBox(this, QStringLiteral("txtTime%1").arg(i));
        time->setMaximumWidth(time->fontMetrics().horizontalAdvance(QStringLiteral("00:000")) + 12);
        if (Settings::sendsYesterday(i)) {
            QPalette palette = time->palette();
            palette.setColor(QPalette::Base, LightYellow);
            time->setPalette(palette);
        }
    }
    m_boxes = {txtNo, txtServer, txtLocal, txtUpload, txtName, txtPassword, txtStatusPath};
    for (QLineEdit *time : txtTime)
        m_boxes << time;

    lblProblem = named(new QLabel(this), QStringLiteral("lblProblem"));
    lblProblem->setWordWrap(true);
    lblProblem->setTextFormat(Qt::PlainText);
    lblProblem->setCursor(Qt::PointingHandCursor);
    lblProblem->installEventFilter(this);
    // A line kept free for it, so the buttons do not jump as a mistake comes and goes.
    lblProblem->setMinimumHeight(lblProblem->fontMetrics().height());

    cmbOk = named(new QPushButton(QStringLiteral("&Ok"), this), QStringLiteral("cmbOk"));
    cmbCancel = named(new QPushButton(QStringLiteral("&Cancel"), this), QStringLiteral("cmbCancel"));
    cmbTest = named(new QPushButton(QStringLiteral("&Test"), this), QStringLiteral("cmbTest"));
    lblTestResult = named(new QLabel(this), QStringLiteral("lblTestResult"));
    // One line a step; a long reason wraps rather than being cut, and can be copied.
    lblTestResult->setWordWrap(true);
    lblTestResult->setTextFormat(Qt::RichText);
    lblTestResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblTestResult->setAlignment(Qt::AlignLeft | Qt::AlignTop);

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
    // A server folder, beside the other one.
    grid->addWidget(lblStatusPath, 3, 2);
    grid->addWidget(txtStatusPath, 3, 3);
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
    test->addWidget(cmbTest, 0, Qt::AlignTop);
    test->addWidget(lblTestResult, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmbOk, 1);
    buttons->addWidget(cmbCancel, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(times);
    layout->addWidget(lblProblem);
    layout->addStretch(1);
    layout->addLayout(test);
    layout->addLayout(buttons);
    resize(569, 224);

    // The boxes in reading order, then the buttons; the dialog opens in the first box.
    QList<QWidget *> order(m_boxes.cbegin(), m_boxes.cend());
    order << cmbTest << cmbOk << cmbCancel;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    txtNo->setFocus();
    // Enter in a box must not store a half-typed value, nor throw away what was typed: no button
    // answers Enter (keyPressEvent moves to the next box). Ok is pressed only by itself or by
    // its access key.
    for (QPushButton *button : {cmbOk, cmbCancel, cmbTest}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    for (const SettingField &row : SettingsTable) {
        if (row.maxLength > 0)
            box(row)->setMaxLength(row.maxLength);
    }

    connect(cmbOk, &QPushButton::clicked, this, &FrmParameter::save);
    connect(cmbCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmbTest, &QPushButton::clicked, this, &FrmParameter::startOrCancelTest);
    for (QLineEdit *edit : m_boxes) {
        connect(edit, &QLineEdit::textChanged, this, &FrmParameter::checkTyped);
        // A result of other values would stand for these.
        connect(edit, &QLineEdit::textEdited, this, &FrmParameter::clearTest);
    }
    for (QLineEdit *edit : txtTime)
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { storeTimeAsRead(edit); });
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

QLabel *FrmParameter::labelOf(QLineEdit *edit) const
{
    if (edit == txtNo)
        return lblLocalNo;
    if (edit == txtServer)
        return lblUpServer;
    if (edit == txtLocal)
        return lblLocalPath;
    if (edit == txtUpload)
        return lblUpPath;
    if (edit == txtName)
        return lblUserName;
    if (edit == txtPassword)
        return lblPassword;
    if (edit == txtStatusPath)
        return lblStatusPath;
    return lblUpTime;
}

void FrmParameter::load()
{
    auto text = [this](const char *key) { return caption(key); };
    setWindowTitle(titleText(text("Parameter")));
    cmbOk->setText(text("Ok"));
    cmbCancel->setText(text("Cancel"));
    cmbTest->setText(text("Test"));
    lblUpDate->setText(text("Yesterday"));
    lblHHMM->setText(text("TimeFormat"));
    lblLocalNo->setText(text("StationNo"));
    lblUpTime->setText(text("UploadTime"));
    lblUserName->setText(text("UserName"));
    lblPassword->setText(text("Password"));
    lblLocalPath->setText(text("LocalPath"));
    lblUpPath->setText(text("UploadPath"));
    lblUpServer->setText(text("UploadIP"));
    lblStatusPath->setText(text("StatusPath"));

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

QList<FrmParameter::BoxFinding> FrmParameter::findings() const
{
    QList<BoxFinding> found;
    auto add = [&found](QLineEdit *edit, const SettingsCheck::Finding &finding) { found.append({edit, finding}); };
    add(txtNo, SettingsCheck::checkStationNo(txtNo->text(), m_text));
    add(txtServer, SettingsCheck::checkServer(txtServer->text(), m_text));
    add(txtLocal, SettingsCheck::checkLocalFolder(txtLocal->text(), m_text));
    add(txtStatusPath, SettingsCheck::checkStatusFolder(txtStatusPath->text(), txtUpload->text(), m_text));
    for (QLineEdit *time : txtTime)
        add(time, SettingsCheck::checkTime(time->text(), m_text));
    return found;
}

// What Ok stores: every box trimmed, with the fixes the line under the boxes announced.
Settings FrmParameter::typedSettings() const
{
    Settings typed;
    for (const SettingField &row : SettingsTable)
        typed.*row.field = SysMain::Trim(box(row)->text());
    for (const BoxFinding &found : findings()) {
        if (found.finding.severity != SettingsCheck::Finding::Severity::Fix)
            continue;
        for (const SettingField &row : SettingsTable) {
            if (box(row) == found.box)
                typed.*row.field = found.finding.fixed;
        }
    }
    return typed;
}

void FrmParameter::checkTyped()
{
    const QList<BoxFinding> found = findings();
    bool usable = true;
    bool serverUsable = true;
    for (const BoxFinding &each : found) {
        mark(each.box, each.finding);
        usable = usable && !each.finding.blocksOk();
        if (each.box == txtServer)
            serverUsable = !each.finding.blocksOk();
    }
    showProblem(found);
    cmbOk->setEnabled(usable);
    if (!m_tester)
        cmbTest->setEnabled(serverUsable && !SysMain::Trim(txtServer->text()).isEmpty());
}

void FrmParameter::mark(QLineEdit *edit, const SettingsCheck::Finding &finding)
{
    using Severity = SettingsCheck::Finding::Severity;
    edit->setToolTip(finding.text);
    if (finding.severity == Severity::None) {
        edit->setStyleSheet(QString());
        return;
    }
    // A style sheet of its own would paint the box with the sheet's colours only: the boxes of
    // yesterday's times keep their yellow.
    const bool yesterday = edit == txtTime[8] || edit == txtTime[9];
    const QColor frame = finding.severity == Severity::Fix ? NoticeAmber : ErrorRed;
    edit->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid %1; %2}")
                            .arg(frame.name(), yesterday ? QStringLiteral("background-color: %1; ").arg(LightYellow.name()) : QString()));
}

// The first value that keeps Ok disabled; failing that, the first fix Ok will make or the first
// warning. Said under the boxes with the box's own caption, since a tooltip is never seen on a
// touch screen.
void FrmParameter::showProblem(const QList<BoxFinding> &found)
{
    using Severity = SettingsCheck::Finding::Severity;
    const BoxFinding *first = nullptr;
    for (const Severity severity : {Severity::Error, Severity::Fix, Severity::Warning}) {
        for (const BoxFinding &each : found) {
            if (!first && each.finding.severity == severity)
                first = &each;
        }
    }
    m_problemBox = first ? first->box : nullptr;
    if (!first) {
        lblProblem->clear();
        return;
    }
    const QString label = titleText(labelOf(first->box)->text());
    // "Upload IP: ..." in English; the Chinese captions end in a full-width colon and need no blank.
    const QString separator = label.endsWith(u'\uFF1A') ? QString() : QStringLiteral(" ");
    lblProblem->setText(label + separator + first->finding.text);
    QPalette palette = lblProblem->palette();
    palette.setColor(QPalette::WindowText, first->finding.blocksOk() ? ErrorRed : NoticeAmber);
    lblProblem->setPalette(palette);
}

// "8:30" is shown as the 08:30 that Ok stores, once the box is left.
void FrmParameter::storeTimeAsRead(QLineEdit *edit)
{
    const QString typed = SysMain::Trim(edit->text());
    if (const std::optional<QString> stored = TimeOfDay::normalised(typed); stored && *stored != typed)
        edit->setText(*stored);
}

void FrmParameter::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter) {
        QDialog::keyPressEvent(event);
        return;
    }
    // Enter goes through the boxes (Shift+Enter back), round from the last to the first, as
    // forms on paper are filled; it never presses a button, not even the one that has the focus.
    event->accept();
    const qsizetype at = m_boxes.indexOf(qobject_cast<QLineEdit *>(focusWidget()));
    if (at < 0)
        return;
    const bool back = event->modifiers() & Qt::ShiftModifier;
    const qsizetype count = m_boxes.size();
    QLineEdit *next = m_boxes.at((at + (back ? count - 1 : 1)) % count);
    next->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
    next->selectAll();
}

bool FrmParameter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblProblem && event->type() == QEvent::MouseButtonRelease && m_problemBox) {
        m_problemBox->setFocus(Qt::MouseFocusReason);
        return true;
    }
    return QDialog::eventFilter(watched, event);
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
    // What Ok would store is what is tried.
    const Settings typed = typedSettings();
    if (typed.FtpServer.isEmpty() || SettingsCheck::checkServer(typed.FtpServer, m_text).blocksOk())
        return;
    ConnectionTestRequest request;
    request.server = typed.FtpServer;
    request.userName = typed.FtpUserName;
    request.password = typed.FtpPassword;
    request.remoteFolder = typed.FtpPath;
    request.localFolder = typed.LocalPath;
    request.times = typed.times();
    request.now = m_station.clock().now();
    // The way uploads go: a server that cannot rename fails here too, unless FtpTempName=0 spares
    // it the rename.
    request.temporaryName = SysMain::Trim(m_state.settings().FtpTempName) != u"0";
    request.testName = QStringLiteral("korva5-test-%1").arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));

    const QString server = shownServer(typed.FtpServer);
    const QString folder = typed.FtpPath.isEmpty() ? m_text(QStringLiteral("TestLoginFolder")) : shownText(typed.FtpPath);
    m_testHeading = typed.FtpUserName.isEmpty() ? m_text(QStringLiteral("TestOfAnonymous")).arg(server, folder)
                                                : m_text(QStringLiteral("TestOf")).arg(server, shownText(typed.FtpUserName), folder);
    if (typed.FtpPath.isEmpty())
        m_testHeading = withoutBlanksBetweenIdeographs(m_testHeading);
    for (int i = 0; i < TestStepCount; ++i)
        m_steps[size_t(i)] = StepReport{TestStep(i), StepState::Waiting, {}, {}, -1, FailureKind::None, {}};

    auto *tester = new ConnectionTest(this);
    tester->setObjectName(QStringLiteral("testFtp"));
    connect(tester, &ConnectionTest::stepReported, this, &FrmParameter::stepReported);
    connect(tester, &ConnectionTest::finished, this, &FrmParameter::testFinished);
    m_tester = tester;
    tester->start(request);
    cmbTest->setText(titleText(caption("Cancel")));
    cmbTest->setEnabled(true);
    lblTestResult->setToolTip(QString());
    showTest();
}

void FrmParameter::stepReported(const StepReport &report)
{
    if (sender() != m_tester)
        return;
    m_steps[size_t(report.step)] = report;
    showTest();
}

void FrmParameter::testFinished(bool passed, const QString &reason)
{
    auto *tester = qobject_cast<ConnectionTest *>(sender());
    if (!tester || tester != m_tester)
        return;
    m_tester = nullptr;
    tester->deleteLater();
    // The whole reason, in the program's English, for whoever is asked to help.
    lblTestResult->setToolTip(passed ? QString() : reason);
    cmbTest->setText(caption("Test"));
    checkTyped();
}

void FrmParameter::showTest()
{
    lblTestResult->setText(testResultHtml(m_testHeading, m_steps, m_text));
}

void FrmParameter::cancelTest()
{
    letGo(m_tester);
    m_tester = nullptr;
    lblTestResult->setText(caption("TestCancelled").toHtmlEscaped());
    lblTestResult->setToolTip(QString());
    cmbTest->setText(caption("Test"));
    checkTyped();
}

// Every edit: the result on screen would stand for values no longer in the boxes, and a test
// still running tries those.
void FrmParameter::clearTest()
{
    if (m_tester) {
        letGo(m_tester);
        m_tester = nullptr;
        cmbTest->setText(caption("Test"));
    }
    lblTestResult->clear();
    lblTestResult->setToolTip(QString());
}

// A test whose transfer was aborted may take up to a second to notice; the dialog neither waits
// for it nor takes it along when it closes. It ends itself once its worker is done, and at the
// latest with the application.
void FrmParameter::letGo(ConnectionTest *tester)
{
    disconnect(tester, nullptr, this, nullptr);
    tester->abort();
    tester->setParent(QCoreApplication::instance());
    connect(tester, &ConnectionTest::finished, tester, &QObject::deleteLater);
}

void FrmParameter::save()
{
    QString error;
    if (!m_store.save(typedSettings(), &error)) {
        m_log.insertTop(caption("SettingsNotSaved").arg(error));
        return; // stays open with what was typed
    }
    accept();
}
