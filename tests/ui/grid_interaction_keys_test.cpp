#include "grid_interaction_support.h"

#include "ui/grid/custom_grid.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList numbered(int count)
{
    QStringList rows;
    for (int k = 0; k < count; ++k)
        rows << QString::number(k);
    return rows;
}

struct KeyCase {
    const char *name;
    int startCol, startRow;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int col, row;
};

TEST(GridKeys, KeyTable)
{
    const KeyCase cases[] = {
        {"Down", 0, 0, Qt::Key_Down, {}, 0, 1},
        {"Up", 1, 5, Qt::Key_Up, {}, 1, 4},
        {"Up at the top stays", 0, 0, Qt::Key_Up, {}, 0, 0},
        {"Down at the bottom stays", 0, 39, Qt::Key_Down, {}, 0, 39},
        {"Right", 0, 3, Qt::Key_Right, {}, 1, 3},
        {"Right at the last column stays", 2, 3, Qt::Key_Right, {}, 2, 3},
        {"Left", 2, 3, Qt::Key_Left, {}, 1, 3},
        {"Home", 1, 20, Qt::Key_Home, {}, 1, 0},
        {"End", 1, 2, Qt::Key_End, {}, 1, 39},
        {"Ctrl+End", 1, 2, Qt::Key_End, Qt::ControlModifier, 1, 39},
        {"Ctrl+Home", 1, 20, Qt::Key_Home, Qt::ControlModifier, 1, 0},
        {"Tab without WantTabs does nothing", 0, 0, Qt::Key_Tab, {}, 0, 0},
    };
    for (const KeyCase &c : cases) {
        SCOPED_TRACE(c.name);
        TextGrid g(numbered(40));
        g.grid.SelectCell(c.startCol, c.startRow);
        QTest::keyClick(&g.grid, c.key, c.modifiers);
        EXPECT_EQ(g.grid.SelectedColumn(), c.col);
        EXPECT_EQ(g.grid.SelectedRow(), c.row);
    }
}

TEST(GridKeys, PagesAndScrolling)
{
    TextGrid g(numbered(40));
    const int page = g.grid.FullyVisibleRows();
    ASSERT_GT(page, 3);
    ASSERT_LT(page, 40);
    QTest::keyClick(&g.grid, Qt::Key_PageDown);
    EXPECT_EQ(g.grid.SelectedRow(), page - 1) << "first to the last fully visible row";
    QTest::keyClick(&g.grid, Qt::Key_PageDown);
    EXPECT_EQ(g.grid.SelectedRow(), 2 * page - 1);
    EXPECT_EQ(g.grid.FirstVisibleRow(), page);
    QTest::keyClick(&g.grid, Qt::Key_PageUp);
    EXPECT_EQ(g.grid.SelectedRow(), page) << "first to the first visible row";
    QTest::keyClick(&g.grid, Qt::Key_PageUp);
    EXPECT_EQ(g.grid.SelectedRow(), 0);
    EXPECT_EQ(g.grid.FirstVisibleRow(), 0);
    QTest::keyClick(&g.grid, Qt::Key_End);
    EXPECT_EQ(g.grid.FirstVisibleRow(), g.grid.VertScrollBar().Max());
    for (int k = 0; k < 40; ++k)
        QTest::keyClick(&g.grid, Qt::Key_PageDown);
    EXPECT_EQ(g.grid.SelectedRow(), 39);

    // Down past the window scrolls by one line.
    QTest::keyClick(&g.grid, Qt::Key_Home);
    for (int k = 0; k < page; ++k)
        QTest::keyClick(&g.grid, Qt::Key_Down);
    EXPECT_EQ(g.grid.SelectedRow(), page);
    EXPECT_EQ(g.grid.FirstVisibleRow(), 1);

    TextGrid few(numbered(3));
    QTest::keyClick(&few.grid, Qt::Key_PageDown);
    EXPECT_EQ(few.grid.SelectedRow(), 2);
}

TEST(GridKeys, ShiftAndCtrlExtendTheSelection)
{
    TextGrid g(numbered(10));
    g.grid.SetOptions({goHeader, goMultiSelect, goSelectFullRow});
    g.grid.SelectCell(0, 2);
    QTest::keyClick(&g.grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&g.grid, Qt::Key_Down, Qt::ShiftModifier);
    for (int r = 0; r < 10; ++r)
        EXPECT_EQ(g.grid.Selected(r), r >= 2 && r <= 4) << r;
    QTest::keyClick(&g.grid, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_TRUE(g.grid.Selected(9));
    EXPECT_TRUE(g.grid.Selected(2));
}

TEST(GridKeys, TabWithWantTabsWrapsToTheNextRow)
{
    TextGrid g(numbered(3));
    g.grid.WantTabs = true;
    g.grid.SelectCell(1, 0);
    QTest::keyClick(&g.grid, Qt::Key_Tab);
    EXPECT_EQ(g.grid.SelectedColumn(), 2);
    QTest::keyClick(&g.grid, Qt::Key_Tab);
    EXPECT_EQ(g.grid.SelectedColumn(), 0);
    EXPECT_EQ(g.grid.SelectedRow(), 1);
    QTest::keyClick(&g.grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(g.grid.SelectedColumn(), 2);
    EXPECT_EQ(g.grid.SelectedRow(), 0);
    // A hidden column is skipped.
    g.grid.Columns()->Items(1)->SetVisible(false);
    g.grid.SelectCell(0, 2);
    QTest::keyClick(&g.grid, Qt::Key_Tab);
    EXPECT_EQ(g.grid.SelectedColumn(), 2);
}

TEST(GridKeys, EnterMovesOnlyWithWantReturns)
{
    struct Case {
        bool want;
        TSelectionMoveDirection direction;
        int col, row;
    };
    const Case cases[] = {{false, mdDown, 1, 1}, {true, mdDown, 1, 2}, {true, mdUp, 1, 0},
                          {true, mdRight, 2, 1}, {true, mdLeft, 0, 1}, {true, mdNone, 1, 1}};
    for (const Case &c : cases) {
        TextGrid g(numbered(4));
        g.grid.WantReturns = c.want;
        g.grid.SelectionMoveDirection = c.direction;
        g.grid.SelectCell(1, 1);
        QTest::keyClick(&g.grid, Qt::Key_Return);
        EXPECT_EQ(g.grid.SelectedColumn(), c.col) << c.want << " " << c.direction;
        EXPECT_EQ(g.grid.SelectedRow(), c.row) << c.want << " " << c.direction;
    }
}

TEST(GridKeys, UpFromTheFirstRowSelectsTheInputLine)
{
    TextGrid g(numbered(3));
    g.grid.SetOptions({goHeader, goInput});
    QTest::keyClick(&g.grid, Qt::Key_Up);
    EXPECT_TRUE(g.grid.InputLineSelected());
    QTest::keyClick(&g.grid, Qt::Key_Down);
    EXPECT_FALSE(g.grid.InputLineSelected());
    EXPECT_EQ(g.grid.SelectedRow(), 0);
}

struct SearchGrid : TextGrid {
    SearchGrid() : TextGrid({"Zulu", "alpha", "Bravo", "abacus", "Alto", "beta"})
    {
        TLgCustomColumn *c = grid.Columns()->Items(0);
        c->SetOptions(c->Options() + coSearchColumn);
    }
    void type(const char *text)
    {
        for (const char *p = text; *p; ++p)
            QTest::keyClick(&grid, *p);
    }
};

TEST(GridSearch, IncrementalSearchWithTheTimerDrivenByHand)
{
    SearchGrid g;
    g.type("a");
    EXPECT_EQ(g.grid.SelectedRow(), 1);
    EXPECT_TRUE(g.grid.SearchTimer().isActive());
    EXPECT_EQ(g.grid.SearchTimer().interval(), 500);
    // Within the interval the text grows; upper and lower case are one.
    g.type("L");
    EXPECT_EQ(g.grid.SearchText(), QStringLiteral("aL"));
    EXPECT_EQ(g.grid.SelectedRow(), 1) << "alpha still matches";
    g.type("t");
    EXPECT_EQ(g.grid.SelectedRow(), 4);
    // The pause ends the search: "b" starts afresh after the selected row.
    g.grid.SearchTimer().stop();
    g.grid.SearchTimeout();
    EXPECT_TRUE(g.grid.SearchText().isEmpty());
    g.type("b");
    EXPECT_EQ(g.grid.SelectedRow(), 5);
    g.grid.SearchTimeout();
    g.type("b");
    EXPECT_EQ(g.grid.SelectedRow(), 2) << "wraps to the top";
    g.grid.SearchTimeout();
    g.type("ab");
    EXPECT_EQ(g.grid.SelectedRow(), 3);
    g.grid.SearchTimeout();
    g.type("q");
    EXPECT_EQ(g.grid.SelectedRow(), 3) << "no match keeps the row";
}

TEST(GridSearch, TheTimerFiresAfterAPause)
{
    SearchGrid g;
    g.grid.SearchTimer().setInterval(1);
    g.type("a");
    QTRY_VERIFY_WITH_TIMEOUT(g.grid.SearchText().isEmpty(), 1000);
}

TEST(GridSearch, NoSearchWithoutSearchColumnOrInEditingColumn)
{
    TextGrid plain({"a", "b"});
    QTest::keyClick(&plain.grid, 'b');
    EXPECT_EQ(plain.grid.SelectedRow(), 0);
    EXPECT_TRUE(plain.grid.SearchText().isEmpty());

    SearchGrid g;
    TLgCustomColumn *c = g.grid.Columns()->Items(0);
    c->SetOptions(c->Options() + coEditing);
    g.type("b");
    EXPECT_TRUE(g.grid.SearchText().isEmpty());
    EXPECT_TRUE(g.grid.Editing()) << "typing starts editing instead";
}

} // namespace
