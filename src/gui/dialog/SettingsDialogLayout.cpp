// SPDX-License-Identifier: MIT
// The settings dialog's controls and where they sit.
#include "gui/dialog/SettingsDialog.h"

#include "core/settings/Settings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace korva5 {

namespace {

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

void SettingsDialog::createControls()
{
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
    // Masked: the screen is seen by whoever stands behind the chair, and by every screenshot
    // sent for help. The button beside it shows the text while the person setting up checks it.
    txtPassword = textBox(this, QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    cmbShowPassword = named(new QToolButton(this), QStringLiteral("cmbShowPassword"));
    cmbShowPassword->setText(QStringLiteral("&Show"));
    cmbShowPassword->setCheckable(true);
    cmbShowPassword->setFocusPolicy(Qt::StrongFocus);
    connect(cmbShowPassword, &QToolButton::toggled, txtPassword,
            [edit = txtPassword](bool shown) { edit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password); });
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
    auto *password = new QHBoxLayout;
    password->addWidget(txtPassword, 1);
    password->addWidget(cmbShowPassword);
    grid->addLayout(password, 2, 3);
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
    layout->addLayout(test);
    // Room left by a longer test result earlier stays above the buttons, which keep their place.
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(569, 224);
}

} // namespace korva5
