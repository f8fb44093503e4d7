// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <memory>

class QSystemTrayIcon;

// The desktop's notification area, as the program uses it: one icon with a tooltip, added once,
// changed, removed; mouse presses on it come back as press codes.
class NotifyArea : public QObject
{
    Q_OBJECT

public:
    // The codes of mouse activity over the icon, named after the window messages they stand for.
    enum PressCode : int {
        LeftButtonDown = 0x201,   // 513: pops up the tray menu
        LeftDoubleClick = 0x203,  // 515
        RightButtonDown = 0x204,  // 516: toggles the run state
        MiddleButtonDown = 0x207, // 519
    };

    using QObject::QObject;

    virtual bool add(const QIcon &icon, const QString &tooltip) = 0;
    virtual bool modify(const QIcon &icon, const QString &tooltip) = 0;
    virtual bool remove() = 0;
    // True while the desktop has a notification area to show the icon in.
    virtual bool isAvailable() const = 0;

signals:
    void pressed(int code);
};

// The notification area of this desktop, through QSystemTrayIcon. Its context menu is not used:
// a right press must reach the program, and the left press pops the menu up itself.
class SystemNotifyArea final : public NotifyArea
{
    Q_OBJECT

public:
    explicit SystemNotifyArea(QObject *parent = nullptr);
    ~SystemNotifyArea() override;

    bool add(const QIcon &icon, const QString &tooltip) override;
    bool modify(const QIcon &icon, const QString &tooltip) override;
    bool remove() override;
    bool isAvailable() const override;

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

// The three operations on the program's icon in the notification area.
namespace TrayIcon {

// The tooltip as the icon shows it: blanks around it removed, at most 63 characters.
QString tooltipText(const QString &tooltip);

bool TrayAdd(NotifyArea &area, const QString &tooltip, const QIcon &icon);
bool TrayModify(NotifyArea &area, const QIcon &icon, const QString &tooltip);
bool TrayDelete(NotifyArea &area);

} // namespace TrayIcon
