#include "ui_test_support.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Rows made from records: the grid asks for a record's values only when a
// cell of its row is needed.
struct Record {
    QString name;
    int number;
};

struct SourcedGrid : GridFixture {
    SourcedGrid(int count)
    {
        grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColName"));
        auto *number = grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColNumber"));
        number->SetSortType(stNumeric);
        for (int i = 0; i < count; ++i)
            records.push_back({QStringLiteral("Name %1").arg(count - i), i});
        grid.OnFillRow = [this](int row, const void *source) {
            ++fills;
            const auto *r = static_cast<const Record *>(source);
            grid.Cell(0, row)->SetAsString(r->name);
            grid.Cell(1, row)->SetAsString(QString::number(r->number));
            grid.Cell(0, row)->SetObjectReference(const_cast<Record *>(r));
        };
        grid.OnChange = [this](QObject *, int, int) { ++changes; };
        std::vector<const void *> sources;
        for (const Record &r : records)
            sources.push_back(&r);
        grid.AddSourcedRows(sources);
    }

    QStringList names()
    {
        QStringList out;
        for (int row = 0; row < grid.RowCount(); ++row)
            out.append(grid.Cells(0, row));
        return out;
    }

    std::vector<Record> records;
    int fills = 0;
    int changes = 0;
};

TEST(SourcedRows, CellsAreMadeOnlyForRowsThatAreRead)
{
    SourcedGrid g(10000);
    EXPECT_EQ(g.grid.RowCount(), 10000);
    EXPECT_EQ(g.grid.Store().Pool().LiveCount(), 0u);
    EXPECT_EQ(g.grid.Cells(1, 5000), "5000");
    EXPECT_EQ(g.grid.Cells(0, 5000), "Name 5000");
    EXPECT_EQ(g.fills, 1);
    EXPECT_EQ(g.grid.Store().Pool().LiveCount(), 2u);
    EXPECT_TRUE(g.grid.RowFilled(5000));
    EXPECT_FALSE(g.grid.RowFilled(4999));
    // A first fill is no edit: nothing reports a change.
    EXPECT_EQ(g.changes, 0);
}

TEST(SourcedRows, PaintingFillsOnlyTheRowsInView)
{
    SourcedGrid g(10000);
    (void)g.grid.viewport()->grab();
    EXPECT_GT(g.fills, 0);
    EXPECT_LT(g.fills, 100);
}

// Every row operation keeps each row's source with its cells.
TEST(SourcedRows, RowOperationsKeepSourcesWithTheirRows)
{
    struct Case {
        const char *name;
        std::function<void(TListGrid &)> apply;
        std::function<QStringList(QStringList)> expect;
    };
    const Case cases[] = {
        {"move down", [](TListGrid &g) { g.MoveRow(0, 3); },
         [](QStringList l) { l.move(0, 3); return l; }},
        {"move up", [](TListGrid &g) { g.MoveRow(4, 1); },
         [](QStringList l) { l.move(4, 1); return l; }},
        {"swap", [](TListGrid &g) { g.SwapRows(1, 5); },
         [](QStringList l) { l.swapItemsAt(1, 5); return l; }},
        {"delete", [](TListGrid &g) { g.DeleteRow(2); },
         [](QStringList l) { l.removeAt(2); return l; }},
        {"insert", [](TListGrid &g) { g.InsertRow(2); },
         [](QStringList l) { l.insert(2, QString()); return l; }},
        {"sort by number descending",
         [](TListGrid &g) { g.Columns()->Items(1)->SetSortKind(skDescending); g.Columns()->Items(1)->SetSorted(true); },
         [](QStringList l) { std::reverse(l.begin(), l.end()); return l; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SourcedGrid g(8);
        QStringList before;
        for (const Record &r : g.records)
            before.append(r.name);
        // Some rows filled before the operation, the others after it.
        (void)g.grid.Cells(0, 1);
        (void)g.grid.Cells(0, 4);
        c.apply(g.grid);
        EXPECT_EQ(g.names(), c.expect(before));
        for (int row = 0; row < g.grid.RowCount(); ++row) {
            const auto *r = static_cast<const Record *>(g.grid.Cell(0, row)->ObjectReference());
            if (r) {
                EXPECT_EQ(r->name, g.grid.Cells(0, row));
            }
        }
    }
}

TEST(SourcedRows, ReversingASortNeedsNoFreshKeysAndKeepsUnfilledRowsRight)
{
    SourcedGrid g(50);
    TLgCustomColumn *number = g.grid.Columns()->Items(1);
    number->SetSorted(true);
    const int fillsAfterSort = g.fills;
    EXPECT_EQ(fillsAfterSort, 50); // the keys needed every row
    EXPECT_EQ(g.grid.Cells(1, 0), "0");
    number->SetSortKind(skDescending);
    EXPECT_EQ(g.grid.Cells(1, 0), "49");
    EXPECT_TRUE(g.grid.Store().Sorted());
}

TEST(SourcedRows, AResetRowIsWrittenFromItsNewSource)
{
    SourcedGrid g(3);
    EXPECT_EQ(g.grid.Cells(0, 1), "Name 2");
    Record other{QStringLiteral("Other"), 99};
    g.grid.ResetRow(1, &other);
    EXPECT_FALSE(g.grid.RowFilled(1));
    EXPECT_EQ(g.grid.RowSource(1), &other);
    EXPECT_EQ(g.grid.Cells(1, 1), "99");
    EXPECT_EQ(g.grid.Cells(0, 1), "Other");
    g.grid.ClearRows();
    EXPECT_EQ(g.grid.RowCount(), 0);
    EXPECT_EQ(g.grid.Store().Pool().LiveCount(), 0u);
}

TEST(SourcedRows, OrdinaryRowsBesideSourcedOnes)
{
    SourcedGrid g(2);
    g.grid.AddRow();
    g.grid.SetCells(0, 2, QStringLiteral("Plain"));
    EXPECT_EQ(g.grid.RowSource(2), nullptr);
    EXPECT_EQ(g.names(), QStringList({"Name 2", "Name 1", "Plain"}));
}

} // namespace
