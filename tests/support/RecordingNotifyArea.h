// SPDX-License-Identifier: MIT
#pragma once

#include "gui/tray/TrayIcon.h"

#include <QList>

namespace korva5 {

namespace TestSupport {

// A notification area that records what the program does with its icon, for tests without a
// desktop; clickLeft() and clickRight() stand for the user's mouse on the icon.
class RecordingNotifyArea final : public NotifyArea
{
    Q_OBJECT

public:
    struct Call
    {
        QString operation; // "add", "modify", "remove" or "message" (tooltip: "title|text")
        QIcon icon;
        QString tooltip;
        Tone tone = Tone::Problem; // of a message
    };

    using NotifyArea::NotifyArea;

    bool add(const QIcon &icon, const QString &tooltip) override { return record({QStringLiteral("add"), icon, tooltip}); }
    bool modify(const QIcon &icon, const QString &tooltip) override { return record({QStringLiteral("modify"), icon, tooltip}); }
    bool remove() override { return record({QStringLiteral("remove"), {}, {}}); }
    void showMessage(const QString &title, const QString &text, Tone tone) override
    {
        record({QStringLiteral("message"), {}, title + u'|' + text, tone});
    }
    bool isAvailable() const override { return available; }
    void clickLeft() { emit menuRequested(); }
    void clickRight() { emit runToggleRequested(); }
    void clickMessage() { emit messageClicked(); }

    QList<Call> calls;
    bool available = true;

private:
    bool record(const Call &call)
    {
        calls << call;
        return available;
    }
};

} // namespace TestSupport

} // namespace korva5
