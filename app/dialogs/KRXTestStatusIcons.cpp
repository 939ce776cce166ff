#include "KRXTestStatusIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace {
// A blue disc with three white waves rising from a point: a signal arriving.
void DrawReceiving(QPainter& painter)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1E, 0x5A, 0xC8));
    painter.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(4, 10, 3, 3));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap));
    for (int ring = 1; ring <= 2; ++ring) {
        const qreal radius = 3.5 * ring;
        painter.drawArc(QRectF(5.5 - radius, 11.5 - radius, 2 * radius, 2 * radius), 0, 90 * 16);
    }
}

// A yellow warning triangle with a black rim and exclamation mark.
void DrawNoData(QPainter& painter)
{
    QPainterPath triangle;
    triangle.moveTo(8, 1);
    triangle.lineTo(15, 14.5);
    triangle.lineTo(1, 14.5);
    triangle.closeSubpath();
    painter.setPen(QPen(Qt::black, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0xFF, 0xD2, 0x00));
    painter.drawPath(triangle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawRect(QRectF(7.2, 5, 1.6, 5.5));
    painter.drawRect(QRectF(7.2, 11.5, 1.6, 1.6));
}
} // namespace

QPixmap TestStatusPixmap(EKRXTestIcon icon, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(16, 16) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (icon == EKRXTestIcon::NoData)
        DrawNoData(painter);
    else
        DrawReceiving(painter);
    return pixmap;
}
