// SPDX-License-Identifier: MIT
#include "LoadedWindow.h"

#include "Files.h"

#include "core/schedule/SecondTicker.h"
#include "core/transfer/TransferQueue.h"
#include "gui/shell/Application.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QTimer>

namespace korva5 {

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
    window = nullptr;
    app.reset(); // the running copy ends first: one copy at a time
    ticks = std::make_unique<SecondTicker>(); // counted from this start
    app = std::make_unique<Application>(Application::Environment{dir.path(), &clock, &tray, ticks.get(), {}});
    if (app->load() != Application::LoadResult::Loaded)
        qFatal("the program did not load from %s", qPrintable(dir.path()));
    window = &app->window();
}

QStringList LoadedWindow::log() const
{
    QStringList lines;
    const auto *list = window->findChild<QListWidget *>(QStringLiteral("lstList"));
    for (int row = 0; row < list->count(); ++row)
        lines << list->item(row)->text();
    return lines;
}

Station &LoadedWindow::station() const
{
    return app->station();
}

TransferQueue &LoadedWindow::transfers() const
{
    auto *control = app->station().findChild<TransferQueue *>(QStringLiteral("inetFtp"));
    if (!control)
        qFatal("the station has no transfer control inetFtp");
    return *control;
}

void LoadedWindow::minuteAt(const QDateTime &when)
{
    for (int second = 1; second < 60; ++second)
        ticks->tick();
    clock.set(when);
    ticks->tick();
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

} // namespace korva5
