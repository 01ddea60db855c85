#include "ui_test_support.h"

#include "ui/grid/column_displays.h"

#include <gtest/gtest.h>

namespace {

struct Grid : GridFixture {
    Grid()
    {
        grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColName"));
        grid.Columns()->Add<TLgNumberColumn>(QStringLiteral("ColNumber"));
        grid.Columns()->Add<TLgCheckBoxColumn>(QStringLiteral("ColCheck"));
    }
};

TEST(ListGrid, CellsOutOfBoundsMessages)
{
    Grid g;
    g.grid.AddRow(2);
    struct Case {
        int col, row;
        const char *message;
    };
    const Case cases[] = {
        {0, 2, "Cell out of bounds (0, 2)"},
        {-1, 0, "Cell out of bounds (-1, 0)"},
        {3, 1, "Cell out of bounds (3, 1)"},
        {0, -1, "Cell out of bounds (0, -1)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        try {
            (void)g.grid.Cells(c.col, c.row);
            FAIL();
        } catch (const Exception &e) {
            EXPECT_EQ(e.message(), QString::fromLatin1(c.message));
        }
        EXPECT_THROW(g.grid.SetCells(c.col, c.row, QStringLiteral("x")), Exception);
    }
    try {
        g.grid.Cell(0, 5);
        FAIL();
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("List index out of bounds (5)"));
    }
}

TEST(ListGrid, AddRowDefaults)
{
    Grid g;
    g.grid.Columns()->Items(0)->DefaultValue = QStringLiteral("new");
    g.grid.SetOptions(g.grid.Options() + goUseDefaultValues);
    g.grid.AddRow(3);
    ASSERT_EQ(g.grid.RowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(g.grid.Cells(0, r), QStringLiteral("new"));
        EXPECT_EQ(g.grid.Cells(1, r), QStringLiteral("0"));  // number column default "0"
        EXPECT_EQ(g.grid.Cells(2, r), QStringLiteral("False")); // empty default: kind's empty value
        EXPECT_FALSE(g.grid.Selected(r));
        EXPECT_EQ(g.grid.RowHeight(r), 16);
        EXPECT_TRUE(g.grid.RowVisible(r));
    }
}

TEST(ListGrid, NoOnChangeInsideOrAfterUpdate)
{
    Grid g;
    int changes = 0;
    g.grid.OnChange = [&](QObject *, int, int) { ++changes; };
    g.grid.BeginUpdate();
    g.grid.AddRow(2);
    g.grid.SetCells(0, 0, QStringLiteral("a"));
    g.grid.Cell(1, 1)->SetAsFloat(2);
    g.grid.EndUpdate();
    QApplication::processEvents();
    EXPECT_EQ(changes, 0);
    g.grid.SetCells(0, 1, QStringLiteral("b"));
    EXPECT_EQ(changes, 1);
}

TEST(ListGrid, ClearRowsLeavesReferencedObjectsAlive)
{
    Grid g;
    auto owned = std::make_unique<QObject>();
    QPointer<QObject> watch(owned.get());
    g.grid.AddRow(1);
    g.grid.Cell(0, 0)->SetObjectReference(owned.get());
    g.grid.ClearRows();
    EXPECT_EQ(g.grid.RowCount(), 0);
    EXPECT_FALSE(watch.isNull());
}

TEST(ListGrid, SwapRowsKeepsSelectionWithThePosition)
{
    Grid g;
    g.grid.AddRow(2);
    g.grid.SetCells(0, 0, QStringLiteral("first"));
    g.grid.SetCells(0, 1, QStringLiteral("second"));
    g.grid.SetSelected(0, true);
    g.grid.SwapRows(0, 1);
    EXPECT_TRUE(g.grid.Selected(0));
    EXPECT_EQ(g.grid.Cells(0, 0), QStringLiteral("second"));
}

TEST(ListGrid, InsertAndDeleteKeepTheSelectionInsideTheRows)
{
    Grid g;
    g.grid.AddRow(6);
    g.grid.SetSelectedRow(2);
    g.grid.InsertRow(5);
    EXPECT_EQ(g.grid.SelectedRow(), 3);
    g.grid.SetSelectedRow(6);
    g.grid.DeleteRow(6);
    EXPECT_EQ(g.grid.SelectedRow(), 5);
    g.grid.ClearRows();
    g.grid.InsertRow(0);
    EXPECT_EQ(g.grid.SelectedRow(), 0);
}

TEST(ListGrid, RowsOutsideTheGridAreIgnored)
{
    Grid g;
    g.grid.AddRow(3);
    g.grid.SetSelectedRow(1);
    int selects = 0;
    g.grid.OnSelectCell = [&](QObject *, int, int) { ++selects; };
    g.grid.SetSelectedRow(3);
    g.grid.SelectCell(0, -1);
    g.grid.ScrollToRow(99);
    g.grid.SetSelected(7, true);
    EXPECT_EQ(g.grid.SelectedRow(), 1);
    EXPECT_EQ(selects, 0);
}

TEST(ListGrid, ShiftAndCtrlSelection)
{
    Grid g;
    g.grid.SetOptions({goHeader, goSelectFullRow, goMultiSelect});
    g.grid.AddRow(8);
    g.grid.SelectCell(0, 5);
    g.grid.SelectCell(0, 2, Qt::ShiftModifier);
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(g.grid.Selected(r), r >= 2 && r <= 5) << r;
    g.grid.SelectCell(0, 3, Qt::ControlModifier);
    EXPECT_FALSE(g.grid.Selected(3));
    EXPECT_EQ(g.grid.AnchorRow(), 3);
    g.grid.SelectCell(0, 7);
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(g.grid.Selected(r), r == 7) << r;
    g.grid.SelectAll();
    EXPECT_TRUE(g.grid.MultiSelected());
    g.grid.ClearSelection();
    EXPECT_FALSE(g.grid.Selected(7));
}

TEST(ListGrid, DeselectFiresBeforeSelect)
{
    Grid g;
    g.grid.AddRow(3);
    QStringList events;
    g.grid.OnDeselectCell = [&](QObject *, int c, int r) { events << QStringLiteral("de %1,%2").arg(c).arg(r); };
    g.grid.OnSelectCell = [&](QObject *, int c, int r) { events << QStringLiteral("se %1,%2").arg(c).arg(r); };
    g.grid.SelectCell(1, 2);
    EXPECT_EQ(events, QStringList({"de 0,0", "se 1,2"}));
}

TEST(ListGrid, SortingThroughTheColumn)
{
    Grid g;
    g.grid.AddRow(3);
    const QStringList names{"b", "c", "a"};
    for (int r = 0; r < 3; ++r) {
        g.grid.SetCells(0, r, names[r]);
        g.grid.SetCells(1, r, QString::number(3 - r));
    }
    QList<std::pair<int, bool>> sorts;
    g.grid.OnSortColumn = [&](QObject *, int c, bool asc) { sorts.append({c, asc}); };
    TLgCustomColumn *name = g.grid.Columns()->ColumnByName(QStringLiteral("colname"));
    ASSERT_NE(name, nullptr);
    name->SetSorted(true);
    EXPECT_EQ(g.grid.Cells(0, 0), QStringLiteral("a"));
    TLgCustomColumn *number = g.grid.Columns()->ColumnByName(QStringLiteral("COLNUMBER"));
    number->SetSortKind(skDescending);
    number->SetSorted(true);
    EXPECT_FALSE(name->Sorted());
    EXPECT_EQ(g.grid.Cells(1, 0), QStringLiteral("3"));
    EXPECT_EQ(g.grid.Cells(0, 0), QStringLiteral("b"));
    ASSERT_EQ(sorts.size(), 2);
    EXPECT_EQ(sorts[1], std::make_pair(1, false));
    EXPECT_EQ(g.grid.Columns()->ColumnByName(QStringLiteral("nothing")), nullptr);
}

TEST(ListGrid, DeletingTheLastColumnEmptiesTheRowList)
{
    Grid g;
    g.grid.AddRow(4);
    g.grid.SetSelectedRow(3);
    g.grid.Columns()->Clear();
    EXPECT_EQ(g.grid.RowCount(), 0);
    EXPECT_EQ(g.grid.Rows().Count(), 0);
    EXPECT_EQ(g.grid.SelectedRow(), 0);
}

TEST(ListGrid, FooterFormulasSkipTextThatIsNoNumber)
{
    GridFixture f;
    auto *text = f.grid.Columns()->Add<TLgTextColumn>();
    auto *number = f.grid.Columns()->Add<TLgNumberColumn>();
    f.grid.SetOptions({goHeader, goFooter});
    text->Footer().SetFormulaKind(fkSum);
    number->Footer().SetFormulaKind(fkAverage);
    number->TextAfter = QStringLiteral(" dB");
    f.grid.BeginUpdate();
    f.grid.AddRow(3);
    const QStringList texts{"2", "n/a", "3.5"};
    for (int r = 0; r < 3; ++r) {
        f.grid.SetCells(0, r, texts[r]);
        f.grid.SetCells(1, r, QString::number(r * 3));
    }
    f.grid.EndUpdate();
    EXPECT_EQ(text->Footer().Caption(), QStringLiteral("5.5"));
    EXPECT_EQ(number->Footer().Caption(), QStringLiteral("3 dB"));

    struct Case {
        TFormulaKind kind;
        const char *caption;
    };
    const Case cases[] = {{fkCount, "3"}, {fkMaximum, "3.5"}, {fkMinimum, "2"}, {fkDistinct, "3"}};
    for (const Case &c : cases) {
        text->Footer().SetFormulaKind(c.kind);
        f.grid.RecalcFooters();
        EXPECT_EQ(text->Footer().Caption(), QString::fromLatin1(c.caption)) << c.kind;
    }
    f.grid.ClearRows();
    EXPECT_TRUE(text->Footer().Caption().isEmpty());
}

TEST(ListGrid, PlayInputNeedsAcceptance)
{
    Grid g;
    g.grid.AddRow(1);
    bool accept = false;
    QStringList after;
    g.grid.OnEditAccept = [&](QObject *, int, int, const QString &, bool &a) { a = accept; };
    g.grid.OnAfterEdit = [&](QObject *, int, int, const QString &v) { after << v; };
    g.grid.ApplyPlayInput(2, 0, QStringLiteral("True"), true);
    EXPECT_FALSE(g.grid.InplaceCheckBoxValue(2, 0));
    accept = true;
    g.grid.ApplyPlayInput(2, 0, QStringLiteral("True"), true);
    EXPECT_TRUE(g.grid.InplaceCheckBoxValue(2, 0));
    EXPECT_EQ(after, QStringList({"True", "True"}));
}

TEST(ListGrid, RowHeightGoesThroughTheEvent)
{
    Grid g;
    g.grid.AddRow(2);
    g.grid.OnMeasuringRowHeight = [](QObject *, int index, int &height) {
        if (index == 1)
            height = 30;
    };
    EXPECT_EQ(g.grid.RowHeight(0), 16);
    EXPECT_EQ(g.grid.RowHeight(1), 30);
    g.grid.SetRowSize(0);
    EXPECT_EQ(g.grid.RowSize(), 16);
}

TEST(ListGrid, MoveRowMovesCellsAndRowState)
{
    Grid g;
    g.grid.AddRow(3);
    for (int r = 0; r < 3; ++r)
        g.grid.SetCells(0, r, QString::number(r));
    g.grid.SetSelected(0, true);
    g.grid.MoveRow(0, 2);
    EXPECT_EQ(g.grid.Cells(0, 2), QStringLiteral("0"));
    EXPECT_TRUE(g.grid.Selected(2));
    EXPECT_FALSE(g.grid.Store().Sorted());
}

} // namespace

namespace {

// An auto-size column fills the room left whether or not the rows need a
// scroll bar, and follows when the bar comes or goes.
TEST(ListGrid, AutoSizeColumnFollowsTheScrollBar)
{
    GridFixture g(300, 200);
    auto *fixed = g.grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColFixed"));
    fixed->SetWidth(80);
    auto *rest = g.grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColRest"));
    rest->SetOptions(rest->Options() + coAutoSize);
    const auto filled = [&] { return rest->Left() + rest->Width() - g.grid.ClientWidth(); };
    EXPECT_EQ(filled(), 0);
    g.grid.AddRow(100);
    EXPECT_TRUE(g.grid.VertScrollBar().IsShown());
    EXPECT_EQ(filled(), 0);
    g.grid.ClearRows();
    EXPECT_FALSE(g.grid.VertScrollBar().IsShown());
    EXPECT_EQ(filled(), 0);
}

TEST(ListGrid, AutoSizeColumnFillsTheGridWhenFirstShown)
{
    uiApp();
    QWidget window;
    auto *grid = new TListGrid(&window);
    grid->setGeometry(0, 0, 300, 200);
    auto *rest = grid->Columns()->Add<TLgTextColumn>(QStringLiteral("ColRest"));
    rest->SetOptions(rest->Options() + coAutoSize);
    grid->AddRow(3);
    window.resize(320, 220);
    window.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(grid->VertScrollBar().IsShown());
    EXPECT_EQ(rest->Left() + rest->Width(), grid->ClientWidth());
}

} // namespace
