#include "ui/grid/custom_grid.h"

#include "ui/grid/flyouts.h"
#include "ui/grid/providers.h"

#include <QFontMetrics>

void TLgCustomGrid::hideHint()
{
    if (m_hint->Mode() != TLgGridHintWindow::Hidden)
        m_hint->HideHint();
    m_hintCell = QPoint(-1, -1);
    m_hoverFooter = -1;
}

void TLgCustomGrid::updateHints(const QPoint &point, TGridHitArea area)
{
    // Leaving an area hides the hint of its kind.
    if (area != m_lastArea)
        hideHint();
    switch (area) {
    case haHeader: {
        const int col = ColumnAtX(point.x());
        TLgCustomColumn *column = Columns()->Items(col);
        if (!column || column->Header().Hint.isEmpty()) {
            if (m_hint->Mode() == TLgGridHintWindow::HeaderHint)
                m_hint->HideHint();
            m_hintCell = QPoint(-1, -1);
            return;
        }
        if (m_hintCell == QPoint(col, -2))
            return;
        m_hintCell = QPoint(col, -2);
        const QPoint at(column->Left() - HorizontalPosition(), HeaderRect().bottom() + 1 + kHeaderHintGap);
        m_hint->ShowHint(TLgGridHintWindow::HeaderHint, column->Header().Hint, viewport()->mapToGlobal(at));
        return;
    }
    case haFooter: {
        const int col = ColumnAtX(point.x());
        if (col == m_hoverFooter)
            return;
        m_hoverFooter = col;
        TLgCustomColumn *column = Columns()->Items(col);
        if (!column || column->Footer().Hint.isEmpty()) {
            m_hint->HideHint();
            return;
        }
        const QPoint at(column->Left() - HorizontalPosition(), ClientHeight() + kHeaderHintGap);
        m_hint->ShowHint(TLgGridHintWindow::FooterHint, column->Footer().Hint, viewport()->mapToGlobal(at));
        return;
    }
    case haCells: {
        const QPoint cell = GetCellAtPos(point);
        if (cell == m_hintCell)
            return;
        m_hintCell = cell;
        TLgCustomColumn *column = Columns()->Items(cell.x());
        if (!column || cell.y() < 0 || Editing()) {
            m_hint->HideHint();
            return;
        }
        const QRect rect = CellRect(cell.x(), cell.y());
        if (column->Options().contains(coShowTextFitHint)) {
            const QString text = column->DisplayText(Cells(cell.x(), cell.y()));
            if (QFontMetrics(column->Font()).horizontalAdvance(TextShownIn(text, rect.width()))
                > rect.width()) {
                m_hint->ShowHint(TLgGridHintWindow::TextFitHint, text, viewport()->mapToGlobal(rect.topLeft()));
                return;
            }
        }
        const QString hint = CellHint(cell.x(), cell.y());
        if (!hint.isEmpty()) {
            m_hint->ShowHint(TLgGridHintWindow::CellHint, hint,
                             viewport()->mapToGlobal(rect.bottomLeft() + QPoint(0, kHeaderHintGap)));
            return;
        }
        m_hint->HideHint();
        return;
    }
    default: hideHint(); return;
    }
}
