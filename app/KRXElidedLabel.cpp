#include "KRXElidedLabel.h"

#include <QPainter>

QSize CKRXElidedLabel::minimumSizeHint() const
{
    return { 0, QLabel::minimumSizeHint().height() };
}

QSize CKRXElidedLabel::sizeHint() const
{
    return { 0, QLabel::sizeHint().height() };
}

void CKRXElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    painter.drawText(area, int(alignment()) | Qt::TextSingleLine, shown);
}
