// SPDX-License-Identifier: MIT
#include "LoadedWindow.h"

#include "Files.h"

#include "gui/shell/FrmMain.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QTimer>

namespace TestSupport {

LoadedWindow::LoadedWindow(const QByteArray &settingsFile, const QDateTime &now)
    : clock(now)
{
    writeFile(dir.iniFile(), QByteArray(settingsFile).replace("{dir}", dir.path().toUtf8()));
    load();
}

LoadedWindow::~LoadedWindow() = default;

void LoadedWindow::load()
{
    window.reset(); // the running copy ends first: one copy at a time
    window = std::make_unique<FrmMain>(FrmMain::Environment{dir.path(), &clock, &tray});
    if (window->load() != FrmMain::LoadResult::Loaded)
        qFatal("the main window did not load from %s", qPrintable(dir.path()));
    window->controls().tmrSec->stop();
}

QStringList LoadedWindow::log() const
{
    QStringList lines;
    for (int row = 0; row < window->controls().lstList->count(); ++row)
        lines << window->controls().lstList->item(row)->text();
    return lines;
}

QString LoadedWindow::caption(const QString &name) const
{
    if (auto *label = window->findChild<QLabel *>(name))
        return label->text();
    if (auto *button = window->findChild<QAbstractButton *>(name))
        return button->text();
    qFatal("no label or button %s", qPrintable(name));
}

} // namespace TestSupport
