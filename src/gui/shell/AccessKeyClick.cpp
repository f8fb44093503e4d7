// SPDX-License-Identifier: MIT
#include "gui/shell/AccessKeyClick.h"

#include <QAbstractButton>
#include <QPointer>
#include <QShortcutEvent>
#include <QTimer>

namespace korva5 {

namespace AccessKeyClick {

namespace {

// As long as Qt's animated click shows it.
constexpr int PressedLookMs = 100;

class Filter final : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *button = qobject_cast<QAbstractButton *>(watched);
        // An access key two controls share moves the focus between them, as Qt does it.
        if (!button || event->type() != QEvent::Shortcut || static_cast<QShortcutEvent *>(event)->isAmbiguous()
            || !button->isEnabled())
            return false;
        button->setFocus(Qt::ShortcutFocusReason);
        const QPointer<QAbstractButton> guard(button);
        button->click();
        if (guard && !guard->isDown()) {
            guard->setDown(true);
            QTimer::singleShot(PressedLookMs, guard, [guard] { guard->setDown(false); });
        }
        return true;
    }
};

} // namespace

void install(QAbstractButton *button)
{
    button->installEventFilter(new Filter(button));
}

} // namespace AccessKeyClick

} // namespace korva5
