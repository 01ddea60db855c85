#include "grid_interaction_support.h"

#include "ui/grid/custom_grid.h"
#include "ui/grid/flyouts.h"

#include <QTest>

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

std::vector<TDragColumnSpan> fourColumns()
{
    // Display order 0..3, 80 pixels each, starting at x = 0.
    return {{0, 0, 0, 80}, {1, 1, 80, 80}, {2, 2, 160, 80}, {3, 3, 240, 80}};
}

struct DragStep {
    enum Op { Move, Release };
    Op op;
    QPoint point;
    bool insideHeader = true;
};

struct DragCase {
    const char *name;
    enum Start { Resize, RowResize, Header } start;
    std::vector<DragStep> steps;
    TDragOutcome::TKind kind;
    int value;
};

TEST(GridDragController, GestureSequences)
{
    const DragCase cases[] = {
        {"column resize follows the mouse", DragCase::Resize,
         {{DragStep::Move, {150, 5}}, {DragStep::Release, {130, 5}}}, TDragOutcome::ColumnResized, 50},
        {"column resize stops at 8", DragCase::Resize,
         {{DragStep::Move, {20, 5}}, {DragStep::Release, {-40, 5}}}, TDragOutcome::ColumnResized, 8},
        {"row resize stops at 8", DragCase::RowResize,
         {{DragStep::Move, {5, 30}}, {DragStep::Release, {5, 41}}}, TDragOutcome::RowResized, 8},
        {"row resize grows", DragCase::RowResize,
         {{DragStep::Release, {5, 100}}}, TDragOutcome::RowResized, 60},
        {"3 pixels is still a click", DragCase::Header,
         {{DragStep::Move, {93, 8}}, {DragStep::Release, {93, 8}}}, TDragOutcome::HeaderClicked, 0},
        {"3 pixels down is still a click", DragCase::Header,
         {{DragStep::Move, {90, 11}}, {DragStep::Release, {90, 11}}}, TDragOutcome::HeaderClicked, 0},
        {"drag to the right half of the last column", DragCase::Header,
         {{DragStep::Move, {200, 8}}, {DragStep::Release, {300, 8}}}, TDragOutcome::ColumnMoved, 3},
        {"drag to the left half of the last column", DragCase::Header,
         {{DragStep::Move, {200, 8}}, {DragStep::Release, {250, 8}}}, TDragOutcome::ColumnMoved, 2},
        {"drag to the left half of the first column", DragCase::Header,
         {{DragStep::Move, {60, 8}}, {DragStep::Release, {10, 8}}}, TDragOutcome::ColumnMoved, 0},
        {"drag back onto itself moves nothing", DragCase::Header,
         {{DragStep::Move, {200, 8}}, {DragStep::Release, {100, 8}}}, TDragOutcome::None, 0},
        {"next to the right neighbour's left half is where it was", DragCase::Header,
         {{DragStep::Move, {200, 8}}, {DragStep::Release, {170, 8}}}, TDragOutcome::None, 0},
        {"released outside the header", DragCase::Header,
         {{DragStep::Move, {200, 8}}, {DragStep::Release, {200, 80}, false}},
         TDragOutcome::ColumnDroppedOutside, 0},
        {"released beyond the last column", DragCase::Header,
         {{DragStep::Move, {200, 8}}, {DragStep::Release, {400, 8}}}, TDragOutcome::None, 0},
    };
    for (const DragCase &c : cases) {
        SCOPED_TRACE(c.name);
        TGridDragController drag;
        switch (c.start) {
        case DragCase::Resize: drag.BeginColumnResize(1, 80, 80); break;
        case DragCase::RowResize: drag.BeginRowResize(2, 40, 56); break;
        case DragCase::Header: drag.PressHeader(1, {90, 8}, true, fourColumns()); break;
        }
        TDragOutcome outcome;
        for (const DragStep &s : c.steps) {
            if (s.op == DragStep::Move)
                drag.Move(s.point, s.insideHeader);
            else
                outcome = drag.Release(s.point, s.insideHeader);
        }
        EXPECT_EQ(outcome.Kind, c.kind);
        if (c.kind != TDragOutcome::None && c.kind != TDragOutcome::HeaderClicked
            && c.kind != TDragOutcome::ColumnDroppedOutside) {
            EXPECT_EQ(outcome.Value, c.value);
        }
        EXPECT_FALSE(drag.Active());
    }
}

TEST(GridDragController, ColumnDragFromTheRightAndArrows)
{
    TGridDragController drag;
    drag.PressHeader(3, {280, 8}, true, fourColumns());
    drag.Move({200, 8}, true);
    ASSERT_EQ(drag.Phase(), TGridDragController::ColumnDrag);
    // Right half of column 2: between columns 2 and 3, which is where it is.
    EXPECT_EQ(drag.DropPosition(), 3);
    EXPECT_EQ(drag.DropX(), 240);
    drag.Move({100, 8}, true);
    EXPECT_EQ(drag.DropPosition(), 1);
    EXPECT_EQ(drag.DropX(), 80);
    drag.Move({100, 60}, false);
    EXPECT_EQ(drag.DropPosition(), -1);
    const TDragOutcome outcome = drag.Release({130, 8}, true);
    EXPECT_EQ(outcome.Kind, TDragOutcome::ColumnMoved);
    EXPECT_EQ(outcome.Value, 2);
}

TEST(GridDragController, NoMoveWhenMovingIsDisabled)
{
    TGridDragController drag;
    drag.PressHeader(1, {90, 8}, false, fourColumns());
    EXPECT_FALSE(drag.Move({250, 8}, true));
    EXPECT_EQ(drag.Phase(), TGridDragController::HeaderPressed);
    EXPECT_EQ(drag.Release({250, 8}, true).Kind, TDragOutcome::HeaderClicked);
}

TEST(GridHitTest, AreasPerPoint)
{
    TextGrid g({"a", "b"});
    g.grid.SetOptions({goHeader, goInput, goFooter, goIndicator});
    const QRect header = g.grid.HeaderRect();
    const QRect input = g.grid.InputLineRect();
    const QRect cells = g.grid.CellArea();
    const QRect footer = g.grid.FooterRect();
    struct Case {
        const char *name;
        QPoint point;
        TGridHitArea area;
    };
    const Case cases[] = {
        {"header", {100, header.center().y()}, haHeader},
        {"header above the indicator", {3, 3}, haHeader},
        {"last header line belongs to nothing", {100, header.bottom()}, haNone},
        {"input line", {100, input.center().y()}, haInput},
        {"cells", {100, cells.top() + 3}, haCells},
        {"right of the last column", {cells.right() + 5, cells.top() + 3}, haNone},
        {"footer", {100, footer.center().y()}, haFooter},
        {"indicator", {3, cells.top() + 3}, haIndicator},
    };
    for (const Case &c : cases)
        EXPECT_EQ(g.grid.HitTest(c.point), c.area) << c.name;
}

TEST(GridHitTest, CellAtPosition)
{
    TextGrid g({"a", "b", "c"});
    const QRect cells = g.grid.CellArea();
    struct Case {
        QPoint point;
        QPoint cell;
    };
    const int row = g.grid.RowSize();
    const Case cases[] = {
        {{5, cells.top() + 1}, {0, 0}},
        {{85, cells.top() + row}, {1, 1}},
        {{239, cells.top() + 3 * row - 1}, {2, 2}},
        {{100, cells.top() + 3 * row + 2}, {1, -1}},
        {{300, cells.top() + 2}, {-1, 0}},
        {{10, cells.top() - 1}, {-1, -1}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(g.grid.GetCellAtPos(c.point), c.cell) << c.point.x() << "," << c.point.y();
}

TEST(GridMouse, ColumnResizeByDragAndAutoSizeByDoubleClick)
{
    TextGrid g({"a rather long text in the first column"});
    TLgCustomColumn *first = g.grid.Columns()->Items(0);
    const int y = g.grid.HeaderRect().center().y();
    int resized = -1;
    g.grid.OnColumnResize = [&](QObject *, int col) { resized = col; };

    sendMouse(g.view(), QEvent::MouseButtonPress, {79, y});
    sendMouse(g.view(), QEvent::MouseMove, {150, y});
    EXPECT_EQ(first->Width(), 80) << "the width changes at the release";
    sendMouse(g.view(), QEvent::MouseButtonRelease, {150, y});
    EXPECT_EQ(first->Width(), 150);
    EXPECT_EQ(resized, 0);

    sendMouse(g.view(), QEvent::MouseButtonPress, {151, y});
    sendMouse(g.view(), QEvent::MouseMove, {2, y});
    sendMouse(g.view(), QEvent::MouseButtonRelease, {2, y});
    EXPECT_EQ(first->Width(), 8);

    // Double click on the border fits the widest text.
    const int border = first->Width() - 1;
    sendMouse(g.view(), QEvent::MouseButtonPress, {border, y});
    sendMouse(g.view(), QEvent::MouseButtonRelease, {border, y});
    sendMouse(g.view(), QEvent::MouseButtonDblClick, {border, y});
    sendMouse(g.view(), QEvent::MouseButtonRelease, {border, y});
    EXPECT_GT(first->Width(), 100);
    EXPECT_FALSE(first->Sorted()) << "a border click is no header click";
}

TEST(GridMouse, FixedSizeColumnHasNoBorder)
{
    TextGrid g;
    g.grid.Columns()->Items(0)->SetOptions(g.grid.Columns()->Items(0)->Options() + coFixedSize);
    EXPECT_EQ(g.grid.ColumnBorderAt(79), -1);
    EXPECT_EQ(g.grid.ColumnBorderAt(159), 1);
    EXPECT_EQ(g.grid.ColumnBorderAt(157), 1);
    EXPECT_EQ(g.grid.ColumnBorderAt(162), 1);
    EXPECT_EQ(g.grid.ColumnBorderAt(150), -1);
}

TEST(GridMouse, HeaderClicksSortAndReverse)
{
    TextGrid g({"b", "c", "a"});
    int headerClicks = 0;
    g.grid.OnHeaderClick = [&](QObject *, int) { ++headerClicks; };
    TLgCustomColumn *first = g.grid.Columns()->Items(0);
    const int y = g.grid.HeaderRect().center().y();

    g.click({40, y});
    EXPECT_TRUE(first->Sorted());
    EXPECT_EQ(first->SortKind(), skAscending);
    EXPECT_EQ(g.grid.Cells(0, 0), QStringLiteral("aA"));
    g.click({40, y});
    EXPECT_EQ(first->SortKind(), skDescending);
    EXPECT_EQ(g.grid.Cells(0, 0), QStringLiteral("cA"));
    EXPECT_EQ(headerClicks, 2);

    // A drag of 3 pixels is a click; a double click sorts once.
    sendMouse(g.view(), QEvent::MouseButtonPress, {40, y});
    sendMouse(g.view(), QEvent::MouseMove, {43, y});
    sendMouse(g.view(), QEvent::MouseButtonRelease, {43, y});
    EXPECT_EQ(first->SortKind(), skAscending);
    sendMouse(g.view(), QEvent::MouseButtonPress, {40, y});
    sendMouse(g.view(), QEvent::MouseButtonRelease, {40, y});
    sendMouse(g.view(), QEvent::MouseButtonDblClick, {40, y});
    sendMouse(g.view(), QEvent::MouseButtonRelease, {40, y});
    EXPECT_EQ(first->SortKind(), skDescending);

    TLgCustomColumn *second = g.grid.Columns()->Items(1);
    second->SetOptions(second->Options() - coCanSort);
    g.click({120, y});
    EXPECT_FALSE(second->Sorted());
    EXPECT_TRUE(first->Sorted());
}

TEST(GridMouse, HeaderDragMovesHidesOrKeepsColumns)
{
    TextGrid g({"a"});
    const int y = g.grid.HeaderRect().center().y();
    std::vector<std::tuple<int, int, int>> moves;
    g.grid.OnColumnMove = [&](QObject *, int col, int from, int to) { moves.emplace_back(col, from, to); };

    sendMouse(g.view(), QEvent::MouseButtonPress, {40, y});
    sendMouse(g.view(), QEvent::MouseMove, {150, y});
    EXPECT_TRUE(g.grid.DragBox().isVisible());
    EXPECT_TRUE(g.grid.ArrowDown().isVisible());
    sendMouse(g.view(), QEvent::MouseMove, {220, y});
    sendMouse(g.view(), QEvent::MouseButtonRelease, {220, y});
    EXPECT_FALSE(g.grid.DragBox().isVisible());
    EXPECT_FALSE(g.grid.ArrowDown().isVisible());
    EXPECT_EQ(g.grid.Columns()->Items(0)->Position(), 2);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], std::make_tuple(0, 0, 2));
    EXPECT_FALSE(g.grid.Columns()->Items(0)->Sorted()) << "a drag is no click";

    // Released below the header: nothing moves, and only goCanHideColumn hides.
    sendMouse(g.view(), QEvent::MouseButtonPress, {40, y});
    sendMouse(g.view(), QEvent::MouseMove, {60, 120});
    EXPECT_FALSE(g.grid.ArrowDown().isVisible());
    sendMouse(g.view(), QEvent::MouseButtonRelease, {60, 120});
    EXPECT_EQ(moves.size(), 1u);
    EXPECT_TRUE(g.grid.Columns()->Items(1)->Visible());

    g.grid.SetOptions(g.grid.Options() + goCanHideColumn);
    sendMouse(g.view(), QEvent::MouseButtonPress, {40, y});
    sendMouse(g.view(), QEvent::MouseMove, {60, 120});
    sendMouse(g.view(), QEvent::MouseButtonRelease, {60, 120});
    EXPECT_FALSE(g.grid.Columns()->Items(1)->Visible());

    g.grid.SetOptions(g.grid.Options() + goDisableColumnMoving);
    sendMouse(g.view(), QEvent::MouseButtonPress, {40, y});
    sendMouse(g.view(), QEvent::MouseMove, {150, y});
    EXPECT_FALSE(g.grid.DragBox().isVisible());
    sendMouse(g.view(), QEvent::MouseButtonRelease, {150, y});
    EXPECT_EQ(moves.size(), 1u);
}

TEST(GridMouse, RowResizeInTheIndicator)
{
    TextGrid g({"a", "b"});
    g.grid.SetOptions({goHeader, goIndicator, goRowResizing});
    const int bottom = g.grid.RowTop(0) + g.grid.RowHeight(0);
    EXPECT_EQ(g.grid.RowBorderAt({5, bottom - 1}), 0);
    EXPECT_EQ(g.grid.RowBorderAt({5, bottom - 3}), -1);
    EXPECT_EQ(g.grid.RowBorderAt({5, bottom + 1}), -1);
    sendMouse(g.view(), QEvent::MouseButtonPress, {5, bottom - 1});
    sendMouse(g.view(), QEvent::MouseMove, {5, bottom + 20});
    sendMouse(g.view(), QEvent::MouseButtonRelease, {5, bottom + 20});
    EXPECT_EQ(g.grid.RowHeight(0), 36);
    const int newBottom = g.grid.RowTop(0) + g.grid.RowHeight(0);
    sendMouse(g.view(), QEvent::MouseButtonPress, {5, newBottom - 1});
    sendMouse(g.view(), QEvent::MouseButtonRelease, {5, g.grid.RowTop(0) - 10});
    EXPECT_EQ(g.grid.RowHeight(0), 8);
}

TEST(GridMouse, CellClickNeedsPressAndReleaseOnOneCell)
{
    TextGrid g({"a", "b", "c"});
    std::vector<QPoint> clicks;
    g.grid.OnCellClick = [&](QObject *, int c, int r) { clicks.emplace_back(c, r); };
    g.click(g.cellCenter(1, 2));
    EXPECT_EQ(g.grid.SelectedRow(), 2);
    EXPECT_EQ(g.grid.SelectedColumn(), 1);
    sendMouse(g.view(), QEvent::MouseButtonPress, g.cellCenter(0, 0));
    sendMouse(g.view(), QEvent::MouseButtonRelease, g.cellCenter(0, 1));
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0], QPoint(1, 2));
}

TEST(GridMouse, RightClickKeepsMultiSelection)
{
    TextGrid g({"a", "b", "c"});
    g.grid.SetOptions({goHeader, goMultiSelect, goSelectFullRow});
    g.click(g.cellCenter(0, 0));
    g.click(g.cellCenter(0, 2), Qt::ShiftModifier);
    ASSERT_TRUE(g.grid.MultiSelected());
    sendMouse(g.view(), QEvent::MouseButtonPress, g.cellCenter(0, 1), Qt::RightButton);
    sendMouse(g.view(), QEvent::MouseButtonRelease, g.cellCenter(0, 1), Qt::RightButton);
    EXPECT_TRUE(g.grid.Selected(0));
    EXPECT_TRUE(g.grid.Selected(2));
    EXPECT_EQ(g.grid.SelectedRow(), 2);
}

// Outside the selection the context menu is for the row under the pointer.
TEST(GridMouse, RightClickOutsideAMultiSelectionSelectsThatRow)
{
    TextGrid g({"a", "b", "c", "d"});
    g.grid.SetOptions({goHeader, goMultiSelect, goSelectFullRow});
    g.click(g.cellCenter(0, 0));
    g.click(g.cellCenter(0, 2), Qt::ControlModifier);
    ASSERT_TRUE(g.grid.MultiSelected());
    sendMouse(g.view(), QEvent::MouseButtonPress, g.cellCenter(0, 3), Qt::RightButton);
    sendMouse(g.view(), QEvent::MouseButtonRelease, g.cellCenter(0, 3), Qt::RightButton);
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(g.grid.Selected(row), row == 3) << row;
    EXPECT_EQ(g.grid.SelectedRow(), 3);
}

TEST(GridMouse, WheelScrollsLinesAndPages)
{
    QStringList rows;
    for (int k = 0; k < 60; ++k)
        rows << QString::number(k);
    TextGrid g(rows);
    auto wheel = [&](int delta, Qt::KeyboardModifiers m = {}) {
        QWheelEvent e(QPointF(50, 50), g.view()->mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, m, Qt::NoScrollPhase, false);
        QApplication::sendEvent(g.view(), &e);
    };
    wheel(-120);
    EXPECT_EQ(g.grid.FirstVisibleRow(), 1);
    wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(g.grid.FirstVisibleRow(), 1 + g.grid.VertScrollBar().PageStep);
    wheel(120);
    EXPECT_EQ(g.grid.FirstVisibleRow(), g.grid.VertScrollBar().PageStep);
    // While a cell is edited the wheel belongs to the editor.
    TLgCustomColumn *c = g.grid.Columns()->Items(0);
    c->SetOptions(c->Options() + coEditing);
    g.grid.EditCell(0, g.grid.FirstVisibleRow());
    ASSERT_TRUE(g.grid.Editing());
    const int before = g.grid.FirstVisibleRow();
    wheel(-120);
    EXPECT_EQ(g.grid.FirstVisibleRow(), before);
}

TEST(GridMouse, HintsForHeaderAndTextThatDoesNotFit)
{
    TextGrid g({"short", "a text that is much wider than the eighty pixels of its column",
                megabyteName()});
    g.grid.Columns()->Items(1)->Header().Hint = QStringLiteral("Second column");
    sendMouse(g.view(), QEvent::MouseMove, {120, g.grid.HeaderRect().center().y()}, Qt::NoButton);
    EXPECT_EQ(g.grid.HintWindow().Mode(), TLgGridHintWindow::HeaderHint);
    EXPECT_EQ(g.grid.HintWindow().text(), QStringLiteral("Second column"));
    sendMouse(g.view(), QEvent::MouseMove, g.cellCenter(0, 0), Qt::NoButton);
    EXPECT_EQ(g.grid.HintWindow().Mode(), TLgGridHintWindow::Hidden);
    sendMouse(g.view(), QEvent::MouseMove, g.cellCenter(0, 1), Qt::NoButton);
    EXPECT_EQ(g.grid.HintWindow().Mode(), TLgGridHintWindow::TextFitHint);
    EXPECT_TRUE(g.grid.HintWindow().text().endsWith(u"columnA"));
    // A name of megabytes gets a hint no wider than the screen.
    sendMouse(g.view(), QEvent::MouseMove, g.cellCenter(0, 2), Qt::NoButton);
    EXPECT_EQ(g.grid.HintWindow().Mode(), TLgGridHintWindow::TextFitHint);
    EXPECT_TRUE(g.grid.HintWindow().text().startsWith(u"Nachrichten Plus"));
    const int screenWidth = QGuiApplication::primaryScreen()->size().width();
    EXPECT_LE(g.grid.HintWindow().width(), screenWidth);
    EXPECT_LE(g.grid.HintWindow().text().size(), 2 * screenWidth + 2);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(g.view(), &leave);
    EXPECT_EQ(g.grid.HintWindow().Mode(), TLgGridHintWindow::Hidden);
}

} // namespace
