#pragma once

#include "ui/grid/grid_control.h"
#include "ui/grid/grid_drag.h"

#include <QElapsedTimer>
#include <QTimer>

#include <map>
#include <memory>

class TColumnDragBox;
class TDragArrow;
class TLgGridHintWindow;
class TCheckBoxColumnPlay;

// Client areas of the grid, as the hit test reports them.
enum TGridHitArea { haNone = 0, haCells = 1, haFooter = 2, haHeader = 3, haIndicator = 4, haInput = 5 };

// The grid with the user's hands on it: mouse and keyboard selection, header
// clicks, column and row resizing and moving, second-click editing,
// incremental search, wheel and hints. Mouse gestures on the header and the
// indicator run through a TGridDragController; the keys, the search and the
// hints live in their own files.
class TLgCustomGrid : public TLgCustomGridControl
{
    Q_OBJECT

public:
    static constexpr int kSearchInterval = 500;      // ms between keys that extend a search
    static constexpr int kResizeZoneLeft = 3;        // pixels left of a column's right edge
    static constexpr int kResizeZoneRight = 2;       // pixels right of it
    static constexpr int kRowResizeZoneAbove = 3;    // a row border is grabbed from bottom - 2 ...
    static constexpr int kRowResizeZoneBelow = 1;    // ... to bottom
    static constexpr int kHeaderHintGap = 2;

    explicit TLgCustomGrid(QWidget *parent = nullptr);
    ~TLgCustomGrid() override;

    TGridHitArea HitTest(const QPoint &point) const;
    // (column, row) under a client point; -1 where there is none.
    QPoint GetCellAtPos(const QPoint &point) const;
    // The column whose right border is under x in the header (resizable only), else -1.
    int ColumnBorderAt(int x) const;
    // The row whose bottom border is under y in the indicator, else -1.
    int RowBorderAt(const QPoint &point) const;

    const TGridDragController &DragController() const { return m_drag; }
    TLgGridHintWindow &HintWindow() const { return *m_hint; }
    TColumnDragBox &DragBox() const { return *m_dragBox; }
    TDragArrow &ArrowDown() const { return *m_arrowDown; }
    TDragArrow &ArrowUp() const { return *m_arrowUp; }

    // Incremental search: the text typed so far; the timer that ends it.
    QString SearchText() const { return m_searchText; }
    QTimer &SearchTimer() { return m_searchTimer; }
    void SearchTimeout();
    // Appends a character to the search and selects the next matching row.
    void IncrementalSearch(QChar c);

    // Runs the key table for a key; True when the key belonged to it.
    bool HandleNavigationKey(int key, Qt::KeyboardModifiers modifiers);
    // Hands a key to the selected column's play object (a check box
    // toggles); True when it went there.
    bool PlayKey(QChar c);

    // Rows are dragged out of this grid with the mouse (the window that owns
    // it does the dragging). A plain press on a row of a multi-selection then
    // keeps the selection, which the drag takes along; a release without a
    // drag leaves only that row selected.
    bool DragRows = false;

    // The in-place editor a column gets when none has been assigned to it.
    ILgInplaceEditor *DefaultEditor(TLgCustomColumn *column);

protected:
    ILgInplaceEditor *EditorFor(TLgCustomColumn *column) override;
    void ColumnNotification(int Operation, int Index, int Index2) override;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void pressAt(const QPoint &point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void moveAt(const QPoint &point, Qt::MouseButtons buttons);
    void releaseAt(const QPoint &point, Qt::MouseButton button);
    void cellPress(const QPoint &point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void headerRelease(const QPoint &point);
    void cellRelease(const QPoint &point);
    void dragMoved(const QPoint &point);
    void applyDragOutcome(const TDragOutcome &outcome);
    void startDragVisuals();
    void endDrag();
    void cancelDrag();
    std::vector<TDragColumnSpan> columnSpans() const;
    bool playClick(int col, int row, const QPoint &point);
    void bindPlay(TLgCustomColumn *column, int col, int row);
    void setHovered(int headerColumn);

    // Keys
    bool keyTab(Qt::KeyboardModifiers shift);
    void keyPageUp(Qt::KeyboardModifiers shift);
    void keyPageDown(Qt::KeyboardModifiers shift);
    void keyColumn(int delta, Qt::KeyboardModifiers shift);
    void keyRow(int delta, Qt::KeyboardModifiers shift);
    int nextVisibleColumn(int col, int delta) const;
    int nextVisibleRow(int row, int delta) const;
    void scrollColumnIntoView(int col);
    void characterTyped(QChar c);

    // Hints
    void updateHints(const QPoint &point, TGridHitArea area);
    void hideHint();

    TGridDragController m_drag;
    std::unique_ptr<TColumnDragBox> m_dragBox;
    std::unique_ptr<TDragArrow> m_arrowDown;
    std::unique_ptr<TDragArrow> m_arrowUp;
    std::unique_ptr<TLgGridHintWindow> m_hint;
    std::map<int, std::unique_ptr<QWidget>> m_defaultEditors;

    QString m_searchText;
    QTimer m_searchTimer;

    QPoint m_downCell{-1, -1};
    QPoint m_lastPoint;
    bool m_doubleClick = false;
    bool m_pressOnSelected = false;
    // The cell a plain press on a multi-selection will select at the release,
    // unless the mouse was dragged; (-1, -1) when none.
    QPoint m_pendingSelect{-1, -1};
    QPoint m_pressPoint;
    bool m_grabbed = false;
    int m_hoverHeader = -1;
    int m_hoverFooter = -1;
    QPoint m_hintCell{-1, -1};
    TGridHitArea m_lastArea = haNone;
};
