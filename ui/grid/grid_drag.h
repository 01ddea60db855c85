#pragma once

#include <QPoint>

#include <vector>

// One visible column as the header shows it while a drag runs: its index
// (creation order), display position and client extent.
struct TDragColumnSpan {
    int Index = -1;
    int Position = -1;
    int Left = 0;
    int Width = 0;
};

// What a finished mouse gesture asks the grid to do.
struct TDragOutcome {
    enum TKind { None, ColumnResized, RowResized, ColumnMoved, ColumnDroppedOutside, HeaderClicked };
    TKind Kind = None;
    int Column = -1;   // index of the column (resized, moved, dropped, clicked)
    int Row = -1;      // resized row
    int Value = 0;     // new width, new row height, or the target position of a move
};

// The mouse gestures of the grid's header and indicator as a plain state
// machine: the grid feeds it press, move and release in client coordinates
// and acts on what it reports, so every gesture can be driven in a test
// without a window, a mouse grab or an event loop.
class TGridDragController
{
public:
    // Moves of this many pixels or fewer after a header press are still a click.
    static constexpr int kDragThreshold = 3;
    // Neither a column nor a row is dragged smaller than this.
    static constexpr int kMinimumSize = 8;

    enum TPhase { Idle, ColumnResize, HeaderPressed, ColumnDrag, RowResize };

    TPhase Phase() const { return m_phase; }
    bool Active() const { return m_phase != Idle; }

    void BeginColumnResize(int column, int columnLeft, int width);
    void BeginRowResize(int row, int rowTop, int rowBottom);
    // A press on a clickable header; canMove tells whether the press may turn
    // into a column drag. The spans are the visible columns in display order.
    void PressHeader(int column, const QPoint &point, bool canMove, std::vector<TDragColumnSpan> spans);

    // Returns True when the move changed what is drawn (guide or drag state).
    bool Move(const QPoint &point, bool insideHeader);
    TDragOutcome Release(const QPoint &point, bool insideHeader);
    void Cancel();

    int Column() const { return m_column; }
    int Row() const { return m_row; }
    // Right edge of the resized column's guide line (client x).
    int GuideX() const { return m_columnLeft + m_size; }
    // The resized row's guide line (client y).
    int GuideY() const { return m_rowTop + m_size; }
    int PendingSize() const { return m_size; }
    bool InsideHeader() const { return m_insideHeader; }
    // While a column is dragged inside the header: where it would land, and
    // the client x of the boundary the arrows point at; -1 outside.
    int DropPosition() const { return m_dropPosition; }
    int DropX() const { return m_dropX; }

    // Where a column dragged from fromPosition lands when released at x
    // over the given columns: between the column under x and its neighbour
    // on the side of the pointer; over the dragged column itself, nowhere new.
    static int DropPositionAt(const std::vector<TDragColumnSpan> &spans, int fromPosition, int x,
                              int *boundaryX = nullptr);

private:
    void updateDrop(const QPoint &point, bool insideHeader);

    TPhase m_phase = Idle;
    int m_column = -1;
    int m_row = -1;
    int m_columnLeft = 0;
    int m_rowTop = 0;
    int m_size = 0;
    int m_fromPosition = -1;
    bool m_canMove = false;
    bool m_insideHeader = true;
    int m_dropPosition = -1;
    int m_dropX = -1;
    QPoint m_pressPoint;
    std::vector<TDragColumnSpan> m_spans;
};
