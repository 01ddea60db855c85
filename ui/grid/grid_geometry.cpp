#include "ui/grid/grid_control.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kInputLinePadding = 6;
constexpr int kFooterExtra = 4;
constexpr double kHorizontalPageShare = 0.05;
} // namespace

int TLgCustomGridControl::ClientWidth() const
{
    return viewport()->width();
}

int TLgCustomGridControl::ClientHeight() const
{
    return viewport()->height();
}

int TLgCustomGridControl::GridLineWidth() const
{
    return m_options.contains(goGrid) ? 1 : 0;
}

int TLgCustomGridControl::IndicatorWidth() const
{
    return m_options.contains(goIndicator) ? kIndicatorWidth : 0;
}

QRect TLgCustomGridControl::HeaderRect() const
{
    const int h = m_options.contains(goHeader) ? m_headerSize : 0;
    return QRect(0, 0, ClientWidth(), h);
}

QRect TLgCustomGridControl::InputLineRect() const
{
    const bool shown = m_options.contains(goInput) && m_gridStyle == gsReport;
    const int h = shown ? m_inputSize + kInputLinePadding + GridLineWidth() : 0;
    return QRect(0, HeaderRect().height(), ClientWidth(), h);
}

QRect TLgCustomGridControl::FooterRect() const
{
    const int h = m_options.contains(goFooter) ? m_headerSize + kFooterExtra + GridLineWidth() : 0;
    return QRect(0, ClientHeight() - h, ClientWidth(), h);
}

QRect TLgCustomGridControl::IndicatorRect() const
{
    return QRect(0, 0, IndicatorWidth(), ClientHeight());
}

QRect TLgCustomGridControl::CellArea() const
{
    const int left = IndicatorWidth();
    const int top = HeaderRect().height() + InputLineRect().height();
    const int right = std::min(m_columns->VisibleWidth() - HorizontalPosition() + left, ClientWidth());
    const int bottom = ClientHeight() - FooterRect().height();
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

int TLgCustomGridControl::HorizontalPosition() const
{
    return HorzScrollBar().Position();
}

int TLgCustomGridControl::RowTop(int ARow) const
{
    const int line = GridLineWidth();
    const int first = FirstVisibleRow();
    const int count = RowCount();
    int y = CellArea().top();
    if (m_gridStyle == gsSlides)
        return y + (ARow - first) * (m_slideSize + line);
    auto pitch = [&](int r) {
        if (r >= count)
            return m_rowSize + line;
        return RowVisible(r) ? RowHeight(r) + line : 0;
    };
    // Rows far below the window only need to be known to lie below it.
    const int limit = ClientHeight() + m_rowSize;
    if (ARow >= first) {
        for (int r = first; r < ARow && y <= limit; ++r)
            y += pitch(r);
    } else {
        for (int r = first - 1; r >= ARow && y >= -limit; --r)
            y -= pitch(r);
    }
    return y;
}

QRect TLgCustomGridControl::CellRect(int ACol, int ARow) const
{
    const TLgCustomColumn *column = m_columns->Items(ACol);
    if (!column)
        return {};
    const int line = GridLineWidth();
    if (m_gridStyle == gsSlides) {
        const int top = RowTop(ARow);
        const TSlideBounds &b = const_cast<TLgCustomColumn *>(column)->SlideBounds();
        return QRect(IndicatorWidth() + b.Left - HorizontalPosition(), top + b.Top, b.Width, b.Height);
    }
    const int left = column->Left() - HorizontalPosition();
    const bool verticalLine = line > 0 && m_gridLinesStyle != lsHorizontalOnly;
    const int width = column->Width() - (verticalLine ? 1 : 0);
    const int height = ARow < RowCount() ? RowHeight(ARow) : m_rowSize;
    return QRect(left, RowTop(ARow), width, height);
}

QRect TLgCustomGridControl::RowRect(int ARow) const
{
    const int top = RowTop(ARow);
    const int height = m_gridStyle == gsSlides ? m_slideSize
                                                : (ARow < RowCount() ? RowHeight(ARow) : m_rowSize);
    return QRect(0, top, ClientWidth(), height + GridLineWidth());
}

int TLgCustomGridControl::FullyVisibleRows() const
{
    const int line = GridLineWidth();
    const int space = CellArea().height();
    if (m_gridStyle == gsSlides)
        return std::max(space / (m_slideSize + line), 0);
    int used = 0;
    int rows = 0;
    const int count = RowCount();
    for (int r = FirstVisibleRow(); r < count; ++r) {
        if (!RowVisible(r))
            continue;
        const int pitch = RowHeight(r) + line;
        if (used + pitch > space)
            break;
        used += pitch;
        ++rows;
    }
    if (used < space && rows >= 0) {
        // Below the last row the window would show empty rows of RowSize.
        rows += (space - used) / (m_rowSize + line);
    }
    return rows;
}

int TLgCustomGridControl::ColumnAtX(int x) const
{
    for (int k = 0; k < m_columns->Count(); ++k) {
        const TLgCustomColumn *c = m_columns->Items(k);
        if (!c->Visible())
            continue;
        const int left = c->Left() - HorizontalPosition();
        if (x >= left && x < left + c->Width())
            return k;
    }
    return -1;
}

void TLgCustomGridControl::UpdateHorzScrollBar()
{
    TLgScrollBar &bar = HorzScrollBar();
    if (m_gridStyle == gsSlides) {
        bar.SetMax(0);
        return;
    }
    bar.PageStep = std::max(1, int(std::lround(ClientWidth() * kHorizontalPageShare)));
    const int range = m_columns->VisibleWidth() - (ClientWidth() - IndicatorWidth());
    const int old = bar.Position();
    bar.Lock();
    bar.SetPage(0);
    bar.SetMax(std::max(range, 0));
    bar.Unlock();
    if (bar.Position() != old)
        viewport()->update();
}

void TLgCustomGridControl::UpdateVertScrollBar()
{
    TLgScrollBar &bar = VertScrollBar();
    const int old = bar.Position();
    int range = 0;
    if (m_columns->Count() > 0) {
        // Rows that fit when the last row sits at the bottom.
        const int line = GridLineWidth();
        const int space = CellArea().height();
        int used = 0;
        int fit = 0;
        for (int r = RowCount() - 1; r >= 0; --r) {
            if (!RowVisible(r)) {
                ++fit;
                continue;
            }
            const int pitch = (m_gridStyle == gsSlides ? m_slideSize : RowHeight(r)) + line;
            if (used + pitch > space)
                break;
            used += pitch;
            ++fit;
        }
        range = std::max(RowCount() - fit, 0);
    }
    const bool wasShown = bar.IsShown();
    bar.Lock();
    bar.SetAutoHide(m_hideScrollBar);
    bar.SetMax(range);
    bar.Unlock();
    // A scroll bar that comes or goes changes the room the auto-size columns
    // share: without sharing it again they would leave a gap (or overhang)
    // until the next resize.
    if (bar.IsShown() != wasShown)
        m_columns->AutoSize();
    if (bar.Position() != old)
        viewport()->update();
}

int TLgCustomGridControl::HorizontalScrollDistance(int oldPosition, int newPosition)
{
    return oldPosition - newPosition;
}

int TLgCustomGridControl::VerticalScrollDistance(int oldPosition, int newPosition)
{
    const int line = GridLineWidth();
    int distance = 0;
    const int lo = std::min(oldPosition, newPosition);
    const int hi = std::max(oldPosition, newPosition);
    const int limit = ClientHeight() * 2 + 1;
    for (int r = lo; r < hi && distance <= limit; ++r) {
        if (r < RowCount() && !RowVisible(r))
            continue;
        distance += (m_gridStyle == gsSlides ? m_slideSize : (r < RowCount() ? RowHeight(r) : m_rowSize)) + line;
    }
    return newPosition > oldPosition ? -distance : distance;
}

QRect TLgCustomGridControl::ScrollArea(Qt::Orientation kind) const
{
    if (kind == Qt::Horizontal)
        return QRect(IndicatorWidth(), 0, ClientWidth() - IndicatorWidth(), ClientHeight());
    const QRect cells = CellArea();
    return QRect(0, cells.top(), ClientWidth(), cells.height());
}

void TLgCustomGridControl::ScrollNotification()
{
    if (Editing())
        EndEditing();
}
