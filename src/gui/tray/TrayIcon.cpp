// SPDX-License-Identifier: MIT
#include "gui/tray/TrayIcon.h"

#include "gui/shell/Logging.h"
#include "core/settings/SysMain.h"

#include <QSystemTrayIcon>

namespace {

constexpr int TooltipCharacters = 63;

int pressCode(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return NotifyArea::LeftButtonDown;
    case QSystemTrayIcon::Context:
        return NotifyArea::RightButtonDown;
    case QSystemTrayIcon::DoubleClick:
        return NotifyArea::LeftDoubleClick;
    case QSystemTrayIcon::MiddleClick:
        return NotifyArea::MiddleButtonDown;
    case QSystemTrayIcon::Unknown:
        break;
    }
    return 0;
}

} // namespace

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
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        emit pressed(pressCode(reason));
    });
    // Shown even when no notification area exists yet: the icon docks when one appears.
    m_icon->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        qCInfo(lcShell) << "no notification area on this desktop yet";
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool SystemNotifyArea::modify(const QIcon &icon, const QString &tooltip)
{
    if (!m_icon)
        return false;
    m_icon->setIcon(icon);
    m_icon->setToolTip(tooltip);
    return true;
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

namespace TrayIcon {

QString tooltipText(const QString &tooltip)
{
    return SysMain::Trim(tooltip).left(TooltipCharacters);
}

bool TrayAdd(NotifyArea &area, const QString &tooltip, const QIcon &icon)
{
    return area.add(icon, tooltipText(tooltip));
}

bool TrayModify(NotifyArea &area, const QIcon &icon, const QString &tooltip)
{
    return area.modify(icon, tooltipText(tooltip));
}

bool TrayDelete(NotifyArea &area)
{
    return area.remove();
}

} // namespace TrayIcon
