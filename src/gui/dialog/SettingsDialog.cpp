// SPDX-License-Identifier: MIT
#include "gui/dialog/SettingsDialog.h"

#include "core/app/Station.h"
#include "core/language/LanguageText.h"
#include "core/settings/Settings.h"
#include "core/settings/ProfileFile.h"
#include "core/settings/TimeOfDay.h"
#include "core/state/AppState.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace korva5 {

namespace {

const QColor ErrorRed(200, 0, 0);
const QColor NoticeAmber(160, 90, 0);

} // namespace

SettingsDialog::SettingsDialog(Station &station, QWidget *parent)
    : QDialog(parent)
    , m_station(station)
    , m_state(station.state())
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

    createControls();

    // Tab goes from Cancel to Ok and on through the boxes in the order stations have always
    // filled them in; what the dialog gained since comes after the last time, so the old order
    // is kept where people know it. The dialog opens on Cancel: an accidental key stores nothing.
    QList<QWidget *> order{cmbCancel, cmbOk, txtNo, txtServer, txtLocal, txtUpload, txtName, txtPassword};
    for (QLineEdit *time : txtTime)
        order << time;
    order << cmbShowPassword << txtStatusPath << cmbTest;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    cmbCancel->setFocus();
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

    connect(cmbOk, &QPushButton::clicked, this, &SettingsDialog::save);
    connect(cmbCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmbTest, &QPushButton::clicked, this, &SettingsDialog::startOrCancelTest);
    for (QLineEdit *edit : m_boxes) {
        connect(edit, &QLineEdit::textChanged, this, &SettingsDialog::checkTyped);
        // A result of other values would stand for these.
        connect(edit, &QLineEdit::textEdited, this, &SettingsDialog::clearTest);
    }
    for (QLineEdit *edit : txtTime)
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { storeTimeAsRead(edit); });
    checkTyped();
}

SettingsDialog::~SettingsDialog()
{
    // The box that has the focus says "editing finished" as the children go, after this
    // dialog's own part is gone: nothing of it may be called then.
    for (QLineEdit *edit : m_boxes)
        edit->disconnect(this);
    if (m_tester)
        letGo(m_tester);
}

QLineEdit *SettingsDialog::box(const SettingField &row) const
{
    auto *edit = findChild<QLineEdit *>(QLatin1StringView(row.dialogBox));
    Q_ASSERT(edit);
    return edit;
}

QLabel *SettingsDialog::labelOf(QLineEdit *edit) const
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

void SettingsDialog::load()
{
    auto text = [this](const char *key) { return caption(key); };
    setWindowTitle(titleText(text("Parameter")));
    cmbOk->setText(text("Ok"));
    cmbCancel->setText(text("Cancel"));
    cmbTest->setText(text("Test"));
    lblUpDate->setText(text("Yesterday"));
    lblLocalNo->setText(text("StationNo"));
    lblUpTime->setText(text("UploadTime"));
    lblUserName->setText(text("UserName"));
    lblPassword->setText(text("Password"));
    lblLocalPath->setText(text("LocalPath"));
    lblUpPath->setText(text("UploadPath"));
    lblUpServer->setText(text("UploadIP"));
    lblStatusPath->setText(text("StatusPath"));
    cmbShowPassword->setText(text("ShowPassword"));
    cmbShowPassword->setToolTip(titleText(text("ShowPasswordName")));
    cmbShowPassword->setAccessibleName(titleText(text("ShowPasswordName")));

    // From the settings in use: the dialog shows what the program works with.
    const Settings &settings = m_state.settings();
    for (const SettingField &row : SettingsTable) {
        QLineEdit *edit = box(row);
        edit->setText(ProfileFile::trimmedBlanks(settings.*row.field));
        // A box shows the start of what it holds: a long path is told by where it begins.
        edit->setCursorPosition(0);
    }
    checkTyped();
}

QString SettingsDialog::caption(const char *key) const
{
    return m_station.text(QLatin1StringView(key));
}

QList<SettingsDialog::BoxFinding> SettingsDialog::findings() const
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
Settings SettingsDialog::typedSettings() const
{
    Settings typed;
    for (const SettingField &row : SettingsTable)
        typed.*row.field = ProfileFile::trimmedBlanks(box(row)->text());
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

void SettingsDialog::checkTyped()
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
        cmbTest->setEnabled(serverUsable && !ProfileFile::trimmedBlanks(txtServer->text()).isEmpty());
}

void SettingsDialog::mark(QLineEdit *edit, const SettingsCheck::Finding &finding)
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
void SettingsDialog::showProblem(const QList<BoxFinding> &found)
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
    growToFit();
}

// The lines under the boxes wrap, and the height they need at the dialog's width is not part of
// the layout's minimum: without this the rows of boxes would be squeezed to make room. The dialog
// only grows, so it does not jump as a line comes and goes.
void SettingsDialog::growToFit()
{
    // A label's text has just changed: no height counted for it before holds, in whichever
    // layout it sits.
    layout()->invalidate();
    layout()->activate();
    const int needed = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width()) : layout()->totalSizeHint().height();
    if (height() < needed)
        resize(width(), needed);
}

// "8:30" is shown as the 08:30 that Ok stores, once the box is left.
void SettingsDialog::storeTimeAsRead(QLineEdit *edit)
{
    const QString typed = ProfileFile::trimmedBlanks(edit->text());
    if (const std::optional<QString> stored = TimeOfDay::normalised(typed); stored && *stored != typed)
        edit->setText(*stored);
}

void SettingsDialog::keyPressEvent(QKeyEvent *event)
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

bool SettingsDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblProblem && event->type() == QEvent::MouseButtonRelease && m_problemBox) {
        m_problemBox->setFocus(Qt::MouseFocusReason);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void SettingsDialog::save()
{
    if (!m_station.applySettings(typedSettings()))
        return; // stays open with what was typed
    accept();
}

} // namespace korva5
