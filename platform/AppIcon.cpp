#include "platform/AppIcon.h"

#include <QPainter>

namespace lemnar {

QPixmap AppIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 32.0;
    // Monitor frame and screen.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 200));
    p.drawRoundedRect(QRectF(1 * s, 2 * s, 30 * s, 24 * s), 3 * s, 3 * s);
    p.setBrush(QColor(0, 0, 170));
    p.drawRect(QRectF(3 * s, 4 * s, 26 * s, 20 * s));
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(QRectF(12 * s, 26 * s, 8 * s, 3 * s));
    p.drawRect(QRectF(8 * s, 29 * s, 16 * s, 2 * s));
    // A double frame line and a prompt in the console's colours.
    p.setPen(QPen(QColor(255, 255, 0), 1.2 * s));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(5 * s, 6 * s, 22 * s, 16 * s));
    p.setPen(QPen(QColor(150, 220, 255), 2 * s));
    p.drawLine(QPointF(8 * s, 10 * s), QPointF(12 * s, 13 * s));
    p.drawLine(QPointF(12 * s, 13 * s), QPointF(8 * s, 16 * s));
    p.drawLine(QPointF(14 * s, 17 * s), QPointF(21 * s, 17 * s));
    return pixmap;
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(AppIconPixmap(size));
    return icon;
}

} // namespace lemnar
