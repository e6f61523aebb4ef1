#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace Icons {
namespace {

QPixmap canvas(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A head and shoulders in the given colour.
QPixmap person(int size, const QColor& colour)
{
    QPixmap pixmap = canvas(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour.darker(160), size / 16.0));
    painter.setBrush(colour);
    const qreal s = size;
    painter.drawEllipse(QRectF(s * 0.30, s * 0.06, s * 0.40, s * 0.40));
    QPainterPath shoulders;
    shoulders.moveTo(s * 0.08, s * 0.96);
    shoulders.cubicTo(s * 0.08, s * 0.52, s * 0.92, s * 0.52, s * 0.92, s * 0.96);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);
    return pixmap;
}

// Two speech bubbles: the program's own picture, also in the tray.
QPixmap bubbles(int size)
{
    QPixmap pixmap = canvas(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const auto bubble = [&](QRectF box, QColor fill, bool tailLeft) {
        painter.setPen(QPen(fill.darker(170), s / 24.0));
        painter.setBrush(fill);
        QPainterPath path;
        path.addRoundedRect(box, s * 0.12, s * 0.12);
        QPolygonF tail;
        const qreal x =
            tailLeft ? box.left() + box.width() * 0.25 : box.right() - box.width() * 0.25;
        const qreal dx = tailLeft ? -s * 0.10 : s * 0.10;
        tail << QPointF(x - s * 0.08, box.bottom() - 1) << QPointF(x + s * 0.08, box.bottom() - 1)
             << QPointF(x + dx, box.bottom() + s * 0.14);
        path.addPolygon(tail);
        painter.drawPath(path.simplified());
    };
    bubble(QRectF(s * 0.04, s * 0.06, s * 0.66, s * 0.46), QColor(40, 110, 210), true);
    bubble(QRectF(s * 0.30, s * 0.36, s * 0.64, s * 0.42), QColor(250, 190, 40), false);
    return pixmap;
}

QIcon iconFrom(QPixmap (*draw)(int))
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64})
        icon.addPixmap(draw(size));
    return icon;
}

} // namespace

QIcon application()
{
    static const QIcon icon = iconFrom(&bubbles);
    return icon;
}

QIcon user(const QString& key)
{
    static const QIcon other =
        iconFrom([](int size) { return person(size, QColor(70, 130, 220)); });
    static const QIcon own = iconFrom([](int size) { return person(size, QColor(60, 170, 80)); });
    return key == QLatin1String("u1") ? own : other;
}

} // namespace Icons
