#include "KRXGuideGridView.h"

#include "KRXQtText.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {
constexpr int Padding = 4;

QString FormatHourMinute(int64_t utcSeconds)
{
    return QDateTime::fromSecsSinceEpoch(utcSeconds).toString("HH:mm");
}
} // namespace

CKRXGuideGridView::CKRXGuideGridView(CKRXGuideGrid& grid, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_grid(grid)
{
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setSingleStep(CKRXGuideGrid::PixelsPerHour / 4);
    verticalScrollBar()->setSingleStep(CKRXGuideGrid::RowHeight);
    setMinimumSize(ServiceColumnWidth + 240, ScaleHeight + 3 * CKRXGuideGrid::RowHeight);
}

void CKRXGuideGridView::Reload()
{
    m_selected.reset();
    UpdateScrollBars();
    viewport()->update();
}

void CKRXGuideGridView::Select(const std::optional<CKRXGuideGrid::Cell>& cell)
{
    m_selected = cell;
    viewport()->update();
}

void CKRXGuideGridView::ScrollTo(const CKRXGuideGrid::Cell& cell)
{
    const CKRXGuideGrid::Rect rect = m_grid.GetRect(cell);
    horizontalScrollBar()->setValue(std::max(0, rect.x - CKRXGuideGrid::PixelsPerHour / 4));
    const int visibleHeight = viewport()->height() - ScaleHeight;
    if (rect.y < verticalScrollBar()->value() || rect.y + rect.height > verticalScrollBar()->value() + visibleHeight)
        verticalScrollBar()->setValue(rect.y - (visibleHeight - rect.height) / 2);
}

void CKRXGuideGridView::ScrollToNow()
{
    horizontalScrollBar()->setValue(std::max(0, m_grid.GetNowX() - CKRXGuideGrid::PixelsPerHour / 2));
}

QPoint CKRXGuideGridView::GetScroll() const
{
    return { horizontalScrollBar()->value(), verticalScrollBar()->value() };
}

QRect CKRXGuideGridView::GetCellRect(const CKRXGuideGrid::Cell& cell) const
{
    const CKRXGuideGrid::Rect rect = m_grid.GetRect(cell);
    const QPoint scroll = GetScroll();
    return QRect(ServiceColumnWidth + rect.x - scroll.x(), ScaleHeight + rect.y - scroll.y(), rect.width, rect.height);
}

void CKRXGuideGridView::UpdateScrollBars()
{
    const QSize visible = viewport()->size() - QSize(ServiceColumnWidth, ScaleHeight);
    horizontalScrollBar()->setPageStep(visible.width());
    horizontalScrollBar()->setRange(0, std::max(0, m_grid.GetWidth() - visible.width()));
    verticalScrollBar()->setPageStep(visible.height());
    verticalScrollBar()->setRange(0, std::max(0, m_grid.GetHeight() - visible.height()));
}

void CKRXGuideGridView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CKRXGuideGridView::mousePressEvent(QMouseEvent* event)
{
    const QPoint scroll = GetScroll();
    const QPoint point = event->position().toPoint();
    if (point.x() < ServiceColumnWidth || point.y() < ScaleHeight)
        return;
    const auto cell = m_grid.FindAt(point.x() - ServiceColumnWidth + scroll.x(), point.y() - ScaleHeight + scroll.y());
    if (!cell)
        return;
    Select(cell);
    emit cellClicked(cell->row, cell->index);
}

void CKRXGuideGridView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (point.x() >= ServiceColumnWidth || point.y() < ScaleHeight)
        return;
    const int row = (point.y() - ScaleHeight + GetScroll().y()) / CKRXGuideGrid::RowHeight;
    if (row < m_grid.GetRowCount())
        emit serviceDoubleClicked(row);
}

void CKRXGuideGridView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    PaintCells(painter);
    PaintNow(painter);
    PaintScale(painter);
    PaintServices(painter);
}

void CKRXGuideGridView::PaintCells(QPainter& painter)
{
    const QPoint scroll = GetScroll();
    const int visibleWidth = viewport()->width() - ServiceColumnWidth;
    const int firstRow = scroll.y() / CKRXGuideGrid::RowHeight;
    const int lastRow = (scroll.y() + viewport()->height() - ScaleHeight) / CKRXGuideGrid::RowHeight;
    for (int row = firstRow; row <= lastRow && row < m_grid.GetRowCount(); ++row) {
        if (row == m_grid.GetCurrentRow()) {
            const int y = ScaleHeight + row * CKRXGuideGrid::RowHeight - scroll.y();
            painter.fillRect(ServiceColumnWidth, y, visibleWidth, CKRXGuideGrid::RowHeight,
                palette().color(QPalette::Highlight).lighter(185));
        }
        for (const CKRXGuideGrid::Cell& cell : m_grid.GetCellsBetween(row, scroll.x(), scroll.x() + visibleWidth))
            PaintCell(painter, cell);
    }
}

void CKRXGuideGridView::PaintCell(QPainter& painter, const CKRXGuideGrid::Cell& cell)
{
    const QRect box = GetCellRect(cell).adjusted(1, 1, -1, -1);
    const bool selected = m_selected == cell;
    QColor fill = palette().color(QPalette::Button);
    if (selected)
        fill = palette().color(QPalette::Highlight);
    else if (m_grid.HasEnded(cell))
        fill = palette().color(QPalette::Window);
    painter.fillRect(box, fill);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(box.adjusted(0, 0, -1, -1));

    // The text stays in view while the box runs off the left edge.
    QRect text = box.adjusted(Padding, 2, -Padding, -2);
    text.setLeft(std::max(text.left(), ServiceColumnWidth + Padding));
    if (text.width() < 8)
        return;
    const CDVBEvent& event = m_grid.GetEvent(cell);
    const QColor ink = palette().color(selected ? QPalette::HighlightedText : QPalette::ButtonText);
    painter.setPen(m_grid.HasEnded(cell) && !selected ? palette().color(QPalette::PlaceholderText) : ink);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    const QFontMetrics metrics(bold);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop,
        metrics.elidedText(ToQString(event.title.empty() ? "(untitled)" : event.title), Qt::ElideRight, text.width()));
    painter.setFont(font());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignBottom,
        fontMetrics().elidedText(
            FormatHourMinute(event.start) + "\u2013" + FormatHourMinute(event.GetEnd()), Qt::ElideRight, text.width()));
}

void CKRXGuideGridView::PaintNow(QPainter& painter)
{
    const int x = ServiceColumnWidth + m_grid.GetNowX() - GetScroll().x();
    if (x < ServiceColumnWidth)
        return;
    painter.setPen(QPen(QColor(220, 30, 30), 2));
    painter.drawLine(x, ScaleHeight, x, std::min(viewport()->height(), ScaleHeight + m_grid.GetHeight()));
}

void CKRXGuideGridView::PaintScale(QPainter& painter)
{
    const int scroll = GetScroll().x();
    painter.fillRect(0, 0, viewport()->width(), ScaleHeight, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    for (const CKRXGuideGrid::Mark& mark : m_grid.GetMarks(scroll, scroll + viewport()->width() - ServiceColumnWidth)) {
        const int x = ServiceColumnWidth + mark.x - scroll;
        QFont markFont = font();
        markFont.setBold(mark.day);
        painter.setFont(markFont);
        painter.drawLine(x, ScaleHeight - (mark.day ? ScaleHeight : 6), x, ScaleHeight);
        painter.drawText(
            QRect(x + 3, 0, 200, ScaleHeight - 2), Qt::AlignLeft | Qt::AlignVCenter, ToQString(mark.label));
    }
    painter.setFont(font());
}

void CKRXGuideGridView::PaintServices(QPainter& painter)
{
    const int scroll = GetScroll().y();
    painter.fillRect(0, 0, ServiceColumnWidth, viewport()->height(), palette().color(QPalette::Window));
    const int firstRow = scroll / CKRXGuideGrid::RowHeight;
    for (int row = firstRow; row < m_grid.GetRowCount(); ++row) {
        const int y = ScaleHeight + row * CKRXGuideGrid::RowHeight - scroll;
        if (y > viewport()->height())
            break;
        const QRect box(0, y, ServiceColumnWidth, CKRXGuideGrid::RowHeight);
        const bool current = row == m_grid.GetCurrentRow();
        if (current)
            painter.fillRect(box, palette().color(QPalette::Highlight));
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(box.bottomLeft(), box.bottomRight());
        QFont nameFont = font();
        nameFont.setBold(current);
        painter.setFont(nameFont);
        painter.setPen(palette().color(current ? QPalette::HighlightedText : QPalette::WindowText));
        const QRect text = box.adjusted(6, 0, -6, 0);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetrics(nameFont).elidedText(ToQString(m_grid.GetServiceName(row)), Qt::ElideRight, text.width()));
    }
    // The corner above the names says which day the left edge is in.
    painter.fillRect(0, 0, ServiceColumnWidth, ScaleHeight, palette().color(QPalette::Window));
    QFont dayFont = font();
    dayFont.setBold(true);
    painter.setFont(dayFont);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(6, 0, ServiceColumnWidth - 12, ScaleHeight), Qt::AlignLeft | Qt::AlignVCenter,
        ToQString(m_grid.GetDayAt(GetScroll().x())));
}
