#include "ui_test_support.h"

#include "ui/grid/cell_store.h"
#include "ui/grid/column_kinds.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A column of any cell kind, including those no column class of the grid
// makes directly (date and time, virtual).
template <int CellKind>
class KindColumn : public TLgTextColumn
{
public:
    KindColumn() { SetKind(CellKind); }
};

struct Store {
    QApplication &app = uiApp();
    TLgColumns columns;
    TCells cells{&columns};
    Store()
    {
        columns.OnListChanged = [this](int op, int index, int index2) {
            cells.ColumnNotification(op, index, index2);
        };
    }
    void textColumns(int count)
    {
        for (int c = 0; c < count; ++c)
            columns.Add<TLgTextColumn>();
    }
};

TEST(CellPool, FreedSlotIsTakenBeforeNewOnes)
{
    Store s;
    s.textColumns(1);
    s.cells.AddRows(3);
    TCell *freed = s.cells.Cell(0, 1);
    s.cells.DeleteRow(1);
    EXPECT_EQ(s.cells.Pool().LiveCount(), 2u);
    s.cells.AddRows(1);
    EXPECT_EQ(s.cells.Cell(0, 2), freed);
    EXPECT_EQ(s.cells.Pool().LiveCount(), 3u);
    EXPECT_EQ(s.cells.Pool().BlockCount(), 1u);
}

TEST(CellPool, GrowsByBlocksAndGivesThemBackWhenEmpty)
{
    Store s;
    s.textColumns(2);
    s.cells.AddRows(int(TCellPool::kSlotsPerBlock));
    EXPECT_EQ(s.cells.Pool().BlockCount(), 2u);
    EXPECT_EQ(s.cells.Pool().LiveCount(), 2 * TCellPool::kSlotsPerBlock);
    s.cells.Clear();
    EXPECT_EQ(s.cells.Pool().LiveCount(), 0u);
    EXPECT_EQ(s.cells.Pool().BlockCount(), 0u);
    s.cells.AddRows(1);
    EXPECT_EQ(s.cells.Cell(1, 0)->AsString(), QString());
}

// Every cell class is destroyed through the store, whichever way its cell
// goes: a value it held is released (and ASan sees no leak).
TEST(CellPool, EveryCellClassIsDestroyed)
{
    struct Way {
        const char *name;
        std::function<void(Store &)> drop;
    };
    const Way ways[] = {
        {"row deleted", [](Store &s) { s.cells.DeleteRow(0); }},
        {"rows cleared", [](Store &s) { s.cells.Clear(); }},
        {"column deleted", [](Store &s) { s.columns.Delete(s.columns.Count() - 1); }},
        {"columns cleared", [](Store &s) { s.columns.Clear(); }},
        {"store destroyed", [](Store &) {}},
    };
    // Built at run time: literal text is never shared by reference count.
    const QString shared = QString::fromLatin1("held by a cell");
    ASSERT_TRUE(shared.isDetached());
    for (const Way &way : ways) {
        SCOPED_TRACE(way.name);
        {
            Store s;
            s.columns.Add<TLgIncrementColumn>();
            s.columns.Add<TLgCheckBoxColumn>();
            s.columns.Add<KindColumn<kKindDateTime>>();
            s.columns.Add<TLgNumberColumn>();
            s.columns.Add<TLgImageColumn>();
            s.columns.Add<KindColumn<kKindVirtual>>();
            s.columns.Add<TLgTextColumn>();
            s.cells.AddRows(1);
            // An inserted row of an increment column holds a plain integer.
            s.cells.InsertRow(0);
            EXPECT_NE(dynamic_cast<TIntegerCell *>(s.cells.Cell(0, 0)), nullptr);
            EXPECT_NE(dynamic_cast<TIncrementCell *>(s.cells.Cell(0, 1)), nullptr);
            EXPECT_NE(dynamic_cast<TDateTimeCell *>(s.cells.Cell(2, 0)), nullptr);
            EXPECT_NE(dynamic_cast<TVirtualCell *>(s.cells.Cell(5, 0)), nullptr);
            const int last = s.columns.Count() - 1;
            s.cells.Cell(last, 0)->SetAsString(shared);
            s.cells.Cell(last, 0)->SetHint(shared);
            EXPECT_FALSE(shared.isDetached());
            way.drop(s);
            if (std::string(way.name) != "store destroyed") {
                EXPECT_TRUE(shared.isDetached());
                EXPECT_EQ(s.cells.HintCount(), 0u);
            }
        }
        EXPECT_TRUE(shared.isDetached());
    }
}

TEST(CellPool, CellsKeepTheirIdentityWhenRowsAndColumnsMove)
{
    Store s;
    s.textColumns(2);
    s.cells.AddRows(3);
    const QStringList texts{"c", "a", "b"};
    for (int r = 0; r < 3; ++r)
        s.cells.Cell(0, r)->SetAsString(texts[r]);
    TCell *a = s.cells.Cell(0, 1);
    TCell *aNext = s.cells.Cell(1, 1);

    s.cells.Sort(0, stAlphabetic, 0);
    EXPECT_EQ(s.cells.Cell(0, 0), a);
    s.cells.InsertRow(0);
    EXPECT_EQ(s.cells.Cell(0, 1), a);
    s.cells.MoveRow(1, 3);
    EXPECT_EQ(s.cells.Cell(0, 3), a);
    s.cells.ColumnNotification(kColumnMoved, 0, 1);
    EXPECT_EQ(s.cells.Cell(1, 3), a);
    EXPECT_EQ(s.cells.Cell(0, 3), aNext);
    // The position is refreshed by every look-up.
    EXPECT_EQ(a->Col(), 1);
    EXPECT_EQ(a->Row(), 3);
}

// The hints and object references sit beside the cells: they follow a cell
// wherever it moves and go when it goes, and never reach a later cell that
// takes the same slot.
TEST(CellSideData, FollowsTheCellAndGoesWithIt)
{
    Store s;
    s.textColumns(3);
    s.cells.AddRows(3);
    int objects[3] = {};
    const QStringList texts{"c", "a", "b"};
    for (int r = 0; r < 3; ++r) {
        s.cells.Cell(0, r)->SetAsString(texts[r]);
        s.cells.Cell(1, r)->SetObjectReference(&objects[r]);
        s.cells.Cell(2, r)->SetHint(texts[r] + QStringLiteral(" hint"));
    }
    EXPECT_EQ(s.cells.ObjectReferenceCount(), 3u);
    EXPECT_EQ(s.cells.HintCount(), 3u);

    s.cells.Sort(0, stAlphabetic, 0);
    EXPECT_EQ(s.cells.Cell(1, 0)->ObjectReference(), &objects[1]);
    EXPECT_EQ(s.cells.Cell(2, 0)->Hint(), QStringLiteral("a hint"));
    s.cells.ColumnNotification(kColumnMoved, 2, 0);
    EXPECT_EQ(s.cells.Cell(0, 2)->Hint(), QStringLiteral("c hint"));
    EXPECT_EQ(s.cells.Cell(2, 2)->ObjectReference(), &objects[0]);

    // Deleting a row drops that row's entries; the slot's next cell has none.
    TCell *gone = s.cells.Cell(2, 0);
    s.cells.DeleteRow(0);
    EXPECT_EQ(s.cells.ObjectReferenceCount(), 2u);
    EXPECT_EQ(s.cells.HintCount(), 2u);
    s.cells.AddRows(1);
    bool reused = false;
    for (int c = 0; c < 3; ++c) {
        TCell *cell = s.cells.Cell(c, 2);
        reused = reused || cell == gone;
        EXPECT_EQ(cell->ObjectReference(), nullptr);
        EXPECT_EQ(cell->Hint(), QString());
    }
    EXPECT_TRUE(reused);

    // An empty hint or a null reference removes the entry.
    s.cells.Cell(0, 0)->SetHint(QString());
    s.cells.Cell(2, 0)->SetObjectReference(nullptr);
    EXPECT_EQ(s.cells.HintCount(), 1u);
    EXPECT_EQ(s.cells.ObjectReferenceCount(), 1u);

    // Deleting a column drops only that column's entries.
    s.columns.Delete(2);
    EXPECT_EQ(s.cells.ObjectReferenceCount(), 0u);
    EXPECT_EQ(s.cells.HintCount(), 1u);
    s.cells.Clear();
    EXPECT_EQ(s.cells.HintCount(), 0u);
    // The referenced objects were the caller's all along.
    EXPECT_EQ(objects[0] + objects[1] + objects[2], 0);
}

} // namespace
