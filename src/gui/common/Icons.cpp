#include "Icons.h"

#include "core/app/Version.h"

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
    static const QIcon icon = [] {
        QIcon builtIn;
        for (const int size : {16, 32, 48, 64, 128, 256})
            builtIn.addFile(QStringLiteral(":/icons/%1x%1/apps/kestrowind2.png").arg(size));
        // An icon theme may bring its own version of the installed icon; the desktop's menu
        // then shows the same picture as the window and the tray.
        return QIcon::fromTheme(QLatin1String(Version::IconName), builtIn);
    }();
    return icon;
}

QIcon withUnreadMark(const QIcon& base)
{
    QIcon marked;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = canvas(size);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        base.paint(&painter, pixmap.rect());
        // Large enough to tell apart at 16 pixels, with a light rim against any picture.
        const qreal s = size;
        painter.setPen(QPen(Qt::white, qMax(1.0, s / 16.0)));
        painter.setBrush(QColor(230, 60, 30));
        painter.drawEllipse(QRectF(s * 0.48, s * 0.48, s * 0.50, s * 0.50));
        painter.end();
        marked.addPixmap(pixmap);
    }
    return marked;
}

QIcon user(const QString& key)
{
    static const QIcon other =
        iconFrom([](int size) { return person(size, QColor(70, 130, 220)); });
    static const QIcon own = iconFrom([](int size) { return person(size, QColor(60, 170, 80)); });
    return key == QLatin1String("u1") ? own : other;
}

} // namespace Icons
