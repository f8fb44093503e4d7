// SPDX-License-Identifier: MIT
#include "gui/tray/WarningIcon.h"

#include <QPainter>
#include <QPixmap>

namespace korva5 {

QIcon withWarningMark(const QIcon &icon)
{
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        sizes = {QSize(16, 16), QSize(32, 32)};
    QIcon marked;
    for (const QSize &size : std::as_const(sizes)) {
        QPixmap pixmap = icon.pixmap(size);
        if (pixmap.isNull()) {
            pixmap = QPixmap(size);
            pixmap.fill(Qt::transparent);
        }
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        // Seven tenths of the side: a disc of more than a third of the image, seen from across
        // the room, that leaves the image's upper left free, where running and stopped differ.
        const int side = std::max(6, (pixmap.width() * 7 + 5) / 10);
        const QRect mark(pixmap.width() - side, pixmap.height() - side, side, side);
        painter.setPen(QPen(Qt::white, std::max(1, side / 12)));
        painter.setBrush(QColor(0xd0, 0x10, 0x10));
        painter.drawEllipse(mark.adjusted(0, 0, -1, -1));
        // An exclamation mark: a bar and a dot.
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        const int barWidth = std::max(1, side / 6);
        const int x = mark.center().x() - barWidth / 2;
        painter.drawRect(x, mark.top() + side / 5, barWidth, side * 2 / 5);
        painter.drawRect(x, mark.top() + side * 7 / 10, barWidth, std::max(1, side / 8));
        painter.end();
        marked.addPixmap(pixmap);
    }
    return marked;
}

} // namespace korva5
