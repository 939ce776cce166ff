#pragma once
// The programme grid drawn: service names down the left, the time scale
// along the top, each programme a box in its service's row, a line at now.
// Only what is in view is drawn, so a week of a hundred services scrolls as
// lightly as an evening. Where things are is CKRXGuideGrid's business.
#include "viewing/KRXGuideGrid.h"

#include <QAbstractScrollArea>

#include <optional>

class CKRXGuideGridView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    static constexpr int ServiceColumnWidth = 170;
    static constexpr int ScaleHeight = 26;

    explicit CKRXGuideGridView(CKRXGuideGrid& grid, QWidget* parent = nullptr);

    // After the grid took a new guide: its size, and a fresh drawing.
    void Reload();
    void Select(const std::optional<CKRXGuideGrid::Cell>& cell);
    const std::optional<CKRXGuideGrid::Cell>& GetSelected() const { return m_selected; }
    // Scrolls so the programme's start (or now) is in view.
    void ScrollTo(const CKRXGuideGrid::Cell& cell);
    void ScrollToNow();
    // Where the programme is drawn, in the viewport.
    QRect GetCellRect(const CKRXGuideGrid::Cell& cell) const;

signals:
    void cellClicked(int row, int index);
    void serviceDoubleClicked(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPoint GetScroll() const;
    void UpdateScrollBars();
    void PaintCells(QPainter& painter);
    void PaintCell(QPainter& painter, const CKRXGuideGrid::Cell& cell);
    void PaintNow(QPainter& painter);
    void PaintScale(QPainter& painter);
    void PaintServices(QPainter& painter);

    CKRXGuideGrid& m_grid;
    std::optional<CKRXGuideGrid::Cell> m_selected;
};
