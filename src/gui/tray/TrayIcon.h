// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

#include <memory>

namespace korva5 {

// The desktop's notification area, as the program uses it: one icon with a tooltip, added once,
// changed, removed. What the user does with the icon comes back as intents: a left click asks for
// the menu, a right click for the other run state.
class NotifyArea : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The most a tooltip holds: older notification areas cut it there.
    static constexpr qsizetype TooltipCharacters = 63;
    // The tooltip as the icon shows it: blanks around it removed, at most 63 characters.
    static QString tooltipText(const QString &tooltip);

    virtual bool add(const QIcon &icon, const QString &tooltip) = 0;
    virtual bool modify(const QIcon &icon, const QString &tooltip) = 0;
    virtual bool remove() = 0;
    // What a notification tells: something is wrong, or something came right.
    enum class Tone { Problem, Good };
    // A notification beside the icon that goes by itself (not a message box: it takes no focus).
    virtual void showMessage(const QString &title, const QString &text, Tone tone) = 0;
    // True while the desktop has a notification area to show the icon in.
    virtual bool isAvailable() const = 0;

signals:
    void menuRequested();
    void runToggleRequested();
    // The user clicked the last notification.
    void messageClicked();
};

// The notification area of this desktop, through QSystemTrayIcon. Its context menu is not used:
// a right click must reach the program, and the left click pops the menu up itself.
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
    void showMessage(const QString &title, const QString &text, Tone tone) override;

    // What the desktop reports of the mouse on the icon, as the program's intents: a left click
    // asks for the menu, a right click for the other run state; anything else means nothing.
    void activate(QSystemTrayIcon::ActivationReason reason);

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

} // namespace korva5
