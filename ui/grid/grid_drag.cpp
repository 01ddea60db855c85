#include "ui/grid/grid_drag.h"

#include <algorithm>
#include <cstdlib>

void TGridDragController::BeginColumnResize(int column, int columnLeft, int width)
{
    Cancel();
    m_phase = ColumnResize;
    m_column = column;
    m_columnLeft = columnLeft;
    m_size = std::max(width, kMinimumSize);
}

void TGridDragController::BeginRowResize(int row, int rowTop, int rowBottom)
{
    Cancel();
    m_phase = RowResize;
    m_row = row;
    m_rowTop = rowTop;
    m_size = std::max(rowBottom - rowTop, kMinimumSize);
}

void TGridDragController::PressHeader(int column, const QPoint &point, bool canMove,
                                      std::vector<TDragColumnSpan> spans)
{
    Cancel();
    m_phase = HeaderPressed;
    m_column = column;
    m_pressPoint = point;
    m_canMove = canMove;
    m_spans = std::move(spans);
    const auto it = std::find_if(m_spans.begin(), m_spans.end(),
                                 [column](const TDragColumnSpan &s) { return s.Index == column; });
    m_fromPosition = it == m_spans.end() ? -1 : it->Position;
}

bool TGridDragController::Move(const QPoint &point, bool insideHeader)
{
    switch (m_phase) {
    case ColumnResize: {
        const int size = std::max(point.x() - m_columnLeft, kMinimumSize);
        const bool changed = size != m_size;
        m_size = size;
        return changed;
    }
    case RowResize: {
        const int size = std::max(point.y() - m_rowTop, kMinimumSize);
        const bool changed = size != m_size;
        m_size = size;
        return changed;
    }
    case HeaderPressed:
        if (!m_canMove || m_fromPosition < 0)
            return false;
        if (std::abs(point.x() - m_pressPoint.x()) <= kDragThreshold
            && std::abs(point.y() - m_pressPoint.y()) <= kDragThreshold)
            return false;
        m_phase = ColumnDrag;
        updateDrop(point, insideHeader);
        return true;
    case ColumnDrag: updateDrop(point, insideHeader); return true;
    case Idle: break;
    }
    return false;
}

void TGridDragController::updateDrop(const QPoint &point, bool insideHeader)
{
    m_insideHeader = insideHeader;
    m_dropX = -1;
    m_dropPosition = insideHeader ? DropPositionAt(m_spans, m_fromPosition, point.x(), &m_dropX) : -1;
}

TDragOutcome TGridDragController::Release(const QPoint &point, bool insideHeader)
{
    TDragOutcome outcome;
    switch (m_phase) {
    case ColumnResize:
        Move(point, insideHeader);
        outcome = {TDragOutcome::ColumnResized, m_column, -1, m_size};
        break;
    case RowResize:
        Move(point, insideHeader);
        outcome = {TDragOutcome::RowResized, -1, m_row, m_size};
        break;
    case HeaderPressed: outcome = {TDragOutcome::HeaderClicked, m_column, -1, 0}; break;
    case ColumnDrag:
        updateDrop(point, insideHeader);
        if (!insideHeader)
            outcome = {TDragOutcome::ColumnDroppedOutside, m_column, -1, 0};
        else if (m_dropPosition >= 0 && m_dropPosition != m_fromPosition)
            outcome = {TDragOutcome::ColumnMoved, m_column, -1, m_dropPosition};
        break;
    case Idle: break;
    }
    Cancel();
    return outcome;
}

void TGridDragController::Cancel()
{
    *this = TGridDragController();
}

int TGridDragController::DropPositionAt(const std::vector<TDragColumnSpan> &spans, int fromPosition,
                                        int x, int *boundaryX)
{
    const auto it = std::find_if(spans.begin(), spans.end(), [x](const TDragColumnSpan &s) {
        return x >= s.Left && x < s.Left + s.Width;
    });
    if (it == spans.end())
        return -1;
    const bool leftHalf = x < it->Left + it->Width / 2;
    if (boundaryX)
        *boundaryX = leftHalf ? it->Left : it->Left + it->Width;
    const int target = it->Position;
    if (target == fromPosition)
        return fromPosition;
    // The list removes the column before inserting it again, so a column
    // coming from the left lands one place earlier than one from the right.
    if (fromPosition < target)
        return leftHalf ? target - 1 : target;
    return leftHalf ? target : target + 1;
}
