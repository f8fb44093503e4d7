// SPDX-License-Identifier: MIT
#include "gui/shell/MainControls.h"

#include "core/settings/Settings.h"
#include "gui/shell/AccessKeyClick.h"

#include <QAction>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace korva5 {

namespace {

template<typename Widget>
Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1StringView(name));
    return widget;
}

QLabel *captionLabel(const char *name, const QString &text)
{
    return named(new QLabel(text), name);
}

// A value: yellow on blue, the two times that send yesterday's file on green, in a dark grey
// frame. Coloured through the palette and framed by hand: a style sheet would put every control
// of the window under Qt's style-sheet machinery, close to a megabyte of memory for a few colours.
class ValueLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QLabel::paintEvent(event);
        QPainter painter(this);
        painter.setPen(QColor(0x40, 0x40, 0x40));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// metrics: of the form's font, which the label takes once it is placed on the form.
QLabel *valueLabel(const QFontMetrics &metrics, const char *name, const QString &text = {}, bool yesterday = false)
{
    QLabel *label = named(new ValueLabel(text), name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0xff, 0xff, 0x00));
    palette.setColor(QPalette::Window, yesterday ? QColor(0x00, 0x80, 0x00) : QColor(0x00, 0x00, 0xc0));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->setContentsMargins(7, 2, 4, 2); // the frame, the padding inside it, and an indent
    const QMargins margins = label->contentsMargins();
    label->setMinimumWidth(metrics.horizontalAdvance(QLatin1Char('0')) * 6 + margins.left() + margins.right());
    return label;
}

QPushButton *button(const char *name, const QString &text, const QString &icon = {})
{
    QPushButton *result = named(new QPushButton(text), name);
    if (!icon.isEmpty()) {
        result->setIcon(QIcon(icon));
        result->setIconSize(icon.contains(u"china") || icon.contains(u"taiwan") ? QSize(34, 16) : QSize(16, 16));
    }
    return result;
}

QGroupBox *buildSettingsFrame(MainControls &c, const QFontMetrics &metrics)
{
    auto *frame = c.frmUp = named(new QGroupBox(QStringLiteral("Auto Upload Information")), "frmUp");
    auto *grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);

    c.lblUpServer = captionLabel("lblUpServer", QStringLiteral("Upload IP:"));
    c.lblServer = valueLabel(metrics, "lblServer");
    c.lblUpPath = captionLabel("lblUpPath", QStringLiteral("Upload Path:"));
    c.lblPath = valueLabel(metrics, "lblPath");
    c.lblLocalPath = captionLabel("lblLocalPath", QStringLiteral("Local Path:"));
    c.lblLocal = valueLabel(metrics, "lblLocal");
    c.lblLocalNo = captionLabel("lblLocalNo", QStringLiteral("Station No:"));
    c.lblNo = valueLabel(metrics, "lblNo");
    c.lblUpTime = captionLabel("lblUpTime", QStringLiteral("Upload Time:"));
    for (int slot = 0; slot < int(c.lblTime.size()); ++slot) {
        const QByteArray name = "lblTime" + QByteArray::number(slot + 1);
        // Times 9 and 10 send yesterday's file: another colour marks them.
        c.lblTime[size_t(slot)] = valueLabel(metrics, name.constData(), {}, Settings::sendsYesterday(slot));
    }
    c.lblUpDate = captionLabel("lblUpDate", QStringLiteral("(Yesterday)"));
    c.lblLocalFileName = captionLabel("lblLocalFileName", QStringLiteral("Local File:"));
    c.lblLocalFile = valueLabel(metrics, "lblLocalFile");
    c.lblUpFileName = captionLabel("lblUpFileName", QStringLiteral("Upload File:"));
    c.lblUpFile = valueLabel(metrics, "lblUpFile");
    c.lblCountSec = captionLabel("lblCountSec", QStringLiteral("Count:"));
    c.lblSec = valueLabel(metrics, "lblSec", QStringLiteral("0"));
    c.lblCount = valueLabel(metrics, "lblCount", QStringLiteral("0"));

    const int valueSpan = 6;
    int row = 0;
    auto addRow = [&](QLabel *caption, QLabel *value, int span = -1) {
        grid->addWidget(caption, row, 0);
        grid->addWidget(value, row, 1, 1, span < 0 ? valueSpan : span);
        ++row;
    };
    addRow(c.lblUpServer, c.lblServer);
    addRow(c.lblUpPath, c.lblPath);
    addRow(c.lblLocalPath, c.lblLocal);
    addRow(c.lblLocalNo, c.lblNo, 1);
    grid->addWidget(c.lblUpTime, row, 0);
    for (int slot = 0; slot < 10; ++slot)
        grid->addWidget(c.lblTime[size_t(slot)], row + slot / 5, 1 + slot % 5);
    grid->addWidget(c.lblUpDate, row + 1, 6);
    row += 2;
    addRow(c.lblLocalFileName, c.lblLocalFile, 2);
    addRow(c.lblUpFileName, c.lblUpFile, 2);
    grid->addWidget(c.lblCountSec, row, 0);
    grid->addWidget(c.lblSec, row, 1);
    grid->addWidget(c.lblCount, row, 2);
    grid->setColumnStretch(6, 1);
    return frame;
}

QGroupBox *buildManualFrame(MainControls &c)
{
    auto *frame = c.frmUpLoad = named(new QGroupBox(QStringLiteral("Manual Upload Set")), "frmUpLoad");
    auto *column = new QVBoxLayout(frame);

    c.frmDate = named(new QGroupBox(QStringLiteral("Upload Date")), "frmDate");
    auto *dateRow = new QHBoxLayout(c.frmDate);
    c.dtUp = named(new QDateEdit, "dtUp");
    c.dtUp->setCalendarPopup(true);
    c.dtUp->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    dateRow->addWidget(c.dtUp);

    c.cmdUpLoad = button("cmdUpLoad", QStringLiteral("&Manual Upload"), QStringLiteral(":/images/upload.png"));
    c.cmdUpLoad2 = button("cmdUpLoad2", QStringLiteral("&Yesterday Upload"), QStringLiteral(":/images/yesterday.png"));
    // An upload asked for from the keyboard goes out as soon as one asked for with the mouse.
    AccessKeyClick::install(c.cmdUpLoad);
    AccessKeyClick::install(c.cmdUpLoad2);
    column->addWidget(c.frmDate);
    column->addWidget(c.cmdUpLoad);
    column->addWidget(c.cmdUpLoad2);
    column->addStretch(1);
    return frame;
}

void buildMenu(QWidget *form, MainControls &c)
{
    c.mnuMain = named(new QMenu(QStringLiteral("&Menu"), form), "mnuMain");
    c.mnuMain->setFont(form->font());
    c.mnuState = named(c.mnuMain->addAction(QStringLiteral("&Run")), "mnuState");
    c.mnuLine = named(c.mnuMain->addSeparator(), "mnuLine");
    c.mnuShow = named(c.mnuMain->addAction(QStringLiteral("&Setting...")), "mnuShow");
    c.mnuExit = named(c.mnuMain->addAction(QStringLiteral("&Exit")), "mnuExit");
}

} // namespace

MainControls buildMainControls(QWidget *form)
{
    MainControls c;
    QFont font(QStringLiteral("Courier New"), 9);
    font.setStyleHint(QFont::TypeWriter);
    form->setFont(font);

    c.minimizeButton = button("cmbMin", QStringLiteral("Mi&nimized"));
    c.exitButton = button("cmbExit", QStringLiteral("E&xit"));
    c.settingsButton = button("cmbParameter", QStringLiteral("&Parameter"));
    c.historyButton = button("cmbHistory", QStringLiteral("&History"));
    c.englishButton = button("cmbEnglish", QStringLiteral("&English"));
    c.chinaButton = button("cmbChina", QString(), QStringLiteral(":/images/china.png"));
    c.taiwanButton = button("cmbTaiwan", QString(), QStringLiteral(":/images/taiwan.png"));

    c.picDisable = named(new QLabel(form), "picDisable");
    c.picDisable->setPixmap(QPixmap(QStringLiteral(":/images/disabled.png")));
    c.picDisable->hide(); // a holder of the stopped state's tray image, never shown itself

    c.lstList = named(new QListWidget, "lstList");
    c.lstList->setUniformItemSizes(true);
    c.prgUpload = named(new QProgressBar, "prgUpload");
    c.prgUpload->hide();

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {c.minimizeButton, c.exitButton, c.settingsButton, c.historyButton})
        buttons->addWidget(b);
    buttons->addStretch(1);
    for (QPushButton *b : {c.englishButton, c.chinaButton, c.taiwanButton})
        buttons->addWidget(b);

    auto *frames = new QHBoxLayout;
    frames->addWidget(buildSettingsFrame(c, form->fontMetrics()), 3);
    frames->addWidget(buildManualFrame(c), 1);

    auto *layout = new QVBoxLayout(form);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(buttons);
    layout->addLayout(frames);
    layout->addWidget(c.lstList, 1);
    layout->addWidget(c.prgUpload);
    c.lblStatus = named(new QLabel, "lblStatus");
    c.lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long line (a failure's reason with a path in it) is cut at the window's edge rather than
    // widening the window; its tooltip holds all of it.
    c.lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    c.lblStatus->setMinimumWidth(1);
    layout->addWidget(c.lblStatus);

    buildMenu(form, c);

    // The history button, added later, comes after the controls users know the order of.
    QWidget *order[] = {c.minimizeButton, c.exitButton, c.settingsButton, c.englishButton, c.chinaButton, c.taiwanButton,
                        c.dtUp, c.cmdUpLoad, c.cmdUpLoad2, c.historyButton, c.lstList};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    return c;
}

} // namespace korva5
