// SPDX-License-Identifier: MIT
#include "gui/tray/TrayIcon.h"

#include "gui/tray/TrayLogging.h"
#include "core/settings/ProfileFile.h"

namespace korva5 {

SystemNotifyArea::SystemNotifyArea(QObject *parent)
    : NotifyArea(parent)
{
}

SystemNotifyArea::~SystemNotifyArea() = default;

bool SystemNotifyArea::add(const QIcon &icon, const QString &tooltip)
{
    if (m_icon)
        return false; // added once, for the whole run
    m_icon = std::make_unique<QSystemTrayIcon>(icon);
    m_icon->setToolTip(tooltip);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, &SystemNotifyArea::activate);
    connect(m_icon.get(), &QSystemTrayIcon::messageClicked, this, &NotifyArea::messageClicked);
    // Shown even when no notification area exists yet: the icon docks when one appears.
    m_icon->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        qCInfo(lcTray) << "no notification area on this desktop yet";
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemNotifyArea::activate(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger)
        emit menuRequested();
    else if (reason == QSystemTrayIcon::Context)
        emit runToggleRequested();
}

bool SystemNotifyArea::modify(const QIcon &icon, const QString &tooltip)
{
    if (!m_icon)
        return false;
    m_icon->setIcon(icon);
    m_icon->setToolTip(tooltip);
    return true;
}

void SystemNotifyArea::showMessage(const QString &title, const QString &text, Tone tone)
{
    if (m_icon)
        m_icon->showMessage(title, text, tone == Tone::Good ? QSystemTrayIcon::Information : QSystemTrayIcon::Warning,
                            15000);
}

bool SystemNotifyArea::remove()
{
    if (!m_icon)
        return false;
    m_icon->hide();
    m_icon.reset();
    return true;
}

bool SystemNotifyArea::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QString NotifyArea::tooltipText(const QString &tooltip)
{
    return ProfileFile::trimmedBlanks(tooltip).left(TooltipCharacters);
}

} // namespace korva5
