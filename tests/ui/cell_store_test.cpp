#include "ui_test_support.h"

#include "ui/grid/cell_store.h"
#include "ui/grid/column_kinds.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

// A column list with one text column in front of whatever a test adds.
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
    template <typename C>
    C *add() { return columns.Add<C>(); }
    void fill(int column, const QStringList &texts)
    {
        if (cells.RowCount() < texts.size())
            cells.AddRows(int(texts.size()) - cells.RowCount());
        for (int r = 0; r < texts.size(); ++r)
            cells.Cell(column, r)->SetAsString(texts[r]);
    }
    QStringList texts(int column)
    {
        QStringList out;
        for (int r = 0; r < cells.RowCount(); ++r)
            out << cells.Cell(column, r)->AsString();
        return out;
    }
};

TEST(CellStore, CellClassFollowsTheColumnKind)
{
    Store s;
    s.add<TLgIncrementColumn>();
    s.add<TLgCheckBoxColumn>();
    s.add<TLgNumberColumn>();
    s.add<TLgImageColumn>();
    s.add<TLgTextColumn>();
    s.cells.AddRows(1);
    EXPECT_NE(dynamic_cast<TIncrementCell *>(s.cells.Cell(0, 0)), nullptr);
    EXPECT_NE(dynamic_cast<TBooleanCell *>(s.cells.Cell(1, 0)), nullptr);
    EXPECT_NE(dynamic_cast<TFloatCell *>(s.cells.Cell(2, 0)), nullptr);
    EXPECT_NE(dynamic_cast<TIntegerCell *>(s.cells.Cell(3, 0)), nullptr);
    EXPECT_NE(dynamic_cast<TStringCell *>(s.cells.Cell(4, 0)), nullptr);

    // An inserted row gets a plain integer where appended rows count.
    s.cells.AddRows(4);
    s.cells.InsertRow(2);
    EXPECT_NE(dynamic_cast<TIntegerCell *>(s.cells.Cell(0, 2)), nullptr);
    EXPECT_EQ(s.cells.Cell(0, 2)->AsString(), QStringLiteral("0"));
    EXPECT_EQ(s.cells.Cell(0, 4)->AsString(), QStringLiteral("5"));
    EXPECT_EQ(s.cells.Cell(0, 4)->AsInteger(), 5);
}

TEST(CellStore, NewCellsTakeColumnColourAndFontStyle)
{
    Store s;
    auto *column = s.add<TLgTextColumn>();
    column->SetColor(QColor(10, 20, 30));
    QFont bold = column->Font();
    bold.setBold(true);
    column->SetFont(bold);
    s.cells.AddRows(1);
    EXPECT_EQ(s.cells.Cell(0, 0)->Color(), QColor(10, 20, 30));
    EXPECT_TRUE(s.cells.Cell(0, 0)->FontStyle().contains(fsBold));
}

TEST(CellStore, ColumnStoreGrowsPastAThousandColumns)
{
    Store s;
    constexpr int kColumns = 1100;
    for (int c = 0; c < kColumns; ++c)
        s.add<TLgTextColumn>();
    s.cells.AddRows(2);
    s.cells.Cell(kColumns - 1, 1)->SetAsString(QStringLiteral("last"));
    EXPECT_EQ(s.cells.ColCount(), kColumns);
    EXPECT_EQ(s.cells.Cell(kColumns - 1, 1)->AsString(), QStringLiteral("last"));
}

TEST(CellStore, CellChecksBothIndexes)
{
    Store s;
    s.add<TLgTextColumn>();
    s.cells.AddRows(2);
    try {
        s.cells.Cell(1, 0);
        FAIL() << "column 1 does not exist";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cell out of bounds (1, 0)"));
    }
    try {
        s.cells.Cell(0, 2);
        FAIL() << "row 2 does not exist";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("List index out of bounds (2)"));
    }
}

TEST(CellStore, ColumnOperationsFollowTheList)
{
    Store s;
    s.add<TLgTextColumn>();
    s.add<TLgTextColumn>();
    s.fill(0, {"a0", "a1"});
    s.fill(1, {"b0", "b1"});
    s.cells.ColumnNotification(kColumnMoved, 0, 1);
    EXPECT_EQ(s.texts(0), QStringList({"b0", "b1"}));
    s.columns.Delete(0);
    EXPECT_EQ(s.cells.ColCount(), 1);
    // Deleting the last column leaves no rows.
    s.columns.Delete(0);
    EXPECT_EQ(s.cells.ColCount(), 0);
    EXPECT_EQ(s.cells.RowCount(), 0);
}

TEST(CellStore, UnknownColumnOperationDoesNothing)
{
    Store s;
    s.add<TLgTextColumn>();
    s.cells.AddRows(3);
    s.cells.ColumnNotification(0x7f, 0, 0);
    s.cells.ColumnNotification(kColumnDeleted | 0x80, 5, 0);
    EXPECT_EQ(s.cells.ColCount(), 1);
    EXPECT_EQ(s.cells.RowCount(), 3);
}

struct SortRow {
    const char *name;
    TSortType type;
    QStringList input;
    QStringList ascending;
};

class SortTypes : public ::testing::TestWithParam<SortRow> {};

TEST_P(SortTypes, AscendingThenDescending)
{
    const SortRow &row = GetParam();
    Store s;
    s.add<TLgTextColumn>();
    s.fill(0, row.input);
    s.cells.Sort(0, row.type, 0);
    EXPECT_EQ(s.texts(0), row.ascending);
    s.cells.Sort(0, row.type, 1);
    QStringList descending = row.ascending;
    std::reverse(descending.begin(), descending.end());
    EXPECT_EQ(s.texts(0), descending);
}

INSTANTIATE_TEST_SUITE_P(
    Store, SortTypes,
    ::testing::Values(
        SortRow{"alphabetic_by_code_unit", stAlphabetic, {"b", "B", "a", "A"}, {"A", "B", "a", "b"}},
        SortRow{"alphabetic_decided_far_into_the_text", stAlphabetic,
                {"ab123456z", "ab123456y", "ab123456", "aa", "ab1234567"},
                {"aa", "ab123456", "ab1234567", "ab123456y", "ab123456z"}},
        SortRow{"alphabetic_nul_after_the_end", stAlphabetic,
                {QStringLiteral("ab") + QChar(0), "ab", QStringLiteral("ab") + QChar(0) + QChar(1)},
                {"ab", QStringLiteral("ab") + QChar(0), QStringLiteral("ab") + QChar(0) + QChar(1)}},
        SortRow{"numeric", stNumeric, {"10", "9", "-1.5", "100"}, {"-1.5", "9", "10", "100"}},
        SortRow{"boolean_false_first", stBoolean, {"true", "0", "1", "false"},
                {"0", "false", "true", "1"}},
        SortRow{"ip_numbers_not_text", stIP, {"192.168.1.1", "10.0.0.2", "10.0.0.10"},
                {"10.0.0.2", "10.0.0.10", "192.168.1.1"}},
        SortRow{"ip_short_address_pads_with_zero", stIP, {"1.2.3.1", "1.2.3"}, {"1.2.3", "1.2.3.1"}},
        SortRow{"case_insensitive_cyrillic", stCaseInsensitive,
                {QString::fromUtf8("Ярослав"), QString::fromUtf8("борис"), QString::fromUtf8("Анна")},
                {QString::fromUtf8("Анна"), QString::fromUtf8("борис"), QString::fromUtf8("Ярослав")}},
        SortRow{"case_insensitive_latin", stCaseInsensitive, {"b", "C", "a"}, {"a", "b", "C"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Sorting, ReversalCallsNoCompare)
{
    Store s;
    s.add<TLgTextColumn>();
    s.fill(0, {"c", "a", "b"});
    int calls = 0;
    s.cells.OnCompare = [&](TCell *a, TCell *b, int &cmp) {
        ++calls;
        cmp = QString::compare(a->AsString(), b->AsString());
    };
    s.cells.Sort(0, stCustom, 0);
    EXPECT_GT(calls, 0);
    EXPECT_EQ(s.texts(0), QStringList({"a", "b", "c"}));
    calls = 0;
    s.cells.Sort(0, stCustom, 1);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(s.texts(0), QStringList({"c", "b", "a"}));
}

TEST(Sorting, ChangesBetweenSortsMakeTheNextOneSortAgain)
{
    struct Case {
        const char *name;
        std::function<void(Store &)> change;
    };
    const Case cases[] = {
        {"cell value set", [](Store &s) { s.cells.Cell(0, 0)->SetAsString(QStringLiteral("z")); }},
        {"rows swapped", [](Store &s) { s.cells.SwapRows(0, 2); }},
        {"row moved", [](Store &s) { s.cells.MoveRow(0, 2); }},
        {"column moved", [](Store &s) { s.cells.ColumnNotification(kColumnMoved, 1, 0); s.cells.ColumnNotification(kColumnMoved, 0, 1); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Store s;
        s.add<TLgTextColumn>();
        s.add<TLgTextColumn>();
        s.fill(0, {"c", "a", "b"});
        s.cells.Sort(0, stAlphabetic, 0);
        c.change(s);
        s.cells.Sort(0, stAlphabetic, 1);
        QStringList expected = s.texts(0);
        std::sort(expected.begin(), expected.end(), std::greater<>());
        EXPECT_EQ(s.texts(0), expected);
    }
}

TEST(Sorting, SameDirectionTwiceSortsAgain)
{
    Store s;
    s.add<TLgTextColumn>();
    s.fill(0, {"b", "a"});
    s.cells.Sort(0, stAlphabetic, 0);
    EXPECT_TRUE(s.cells.Sorted());
    s.cells.Sort(0, stAlphabetic, 0);
    EXPECT_EQ(s.texts(0), QStringList({"a", "b"}));
}

TEST(Sorting, RowsMoveAcrossAllColumns)
{
    Store s;
    s.add<TLgTextColumn>();
    s.add<TLgTextColumn>();
    s.fill(0, {"2", "3", "1"});
    s.fill(1, {"two", "three", "one"});
    int marker = 0;
    s.cells.Cell(1, 0)->SetObjectReference(&marker);
    s.cells.Sort(0, stNumeric, 0);
    EXPECT_EQ(s.texts(1), QStringList({"one", "two", "three"}));
    EXPECT_EQ(s.cells.Cell(1, 1)->ObjectReference(), &marker);
}

TEST(Sorting, ConversionErrorLeavesRowsAsTheyWere)
{
    struct Case {
        const char *name;
        TSortType type;
        QStringList input;
    };
    const Case cases[] = {
        {"numeric over text", stNumeric, {"3", "1", "x", "2"}},
        {"address part without digits", stIP, {"10.0.0.1", "1..2", "9.9.9.9"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Store s;
        s.add<TLgTextColumn>();
        s.fill(0, c.input);
        EXPECT_THROW(s.cells.Sort(0, c.type, 0), EConvertError);
        EXPECT_EQ(s.texts(0), c.input);
    }
}

TEST(Sorting, InconsistentCompareStaysInRangeAndKeepsEveryRow)
{
    Store s;
    s.add<TLgTextColumn>();
    QStringList input;
    for (int k = 0; k < 200; ++k)
        input << QString::number(k);
    s.fill(0, input);
    QRandomGenerator random(7);
    s.cells.OnCompare = [&](TCell *, TCell *, int &cmp) { cmp = int(random.bounded(3)) - 1; };
    for (int round = 0; round < 20; ++round)
        s.cells.Sort(0, stCustom, round % 2);
    QStringList after = s.texts(0);
    std::sort(after.begin(), after.end());
    std::sort(input.begin(), input.end());
    EXPECT_EQ(after, input);
}

TEST(Sorting, LargeRandomDataSorts)
{
    Store s;
    s.add<TLgNumberColumn>();
    constexpr int kRows = 5000;
    s.cells.AddRows(kRows);
    QRandomGenerator random(11);
    for (int r = 0; r < kRows; ++r)
        s.cells.Cell(0, r)->SetAsFloat(double(random.bounded(100)));
    s.cells.Sort(0, stNumeric, 0);
    for (int r = 1; r < kRows; ++r)
        ASSERT_LE(s.cells.Cell(0, r - 1)->AsFloat(), s.cells.Cell(0, r)->AsFloat());
    s.cells.Sort(0, stNumeric, 1);
    s.cells.Cell(0, 0)->SetAsFloat(-1);
    s.cells.Sort(0, stNumeric, 0);
    for (int r = 1; r < kRows; ++r)
        ASSERT_LE(s.cells.Cell(0, r - 1)->AsFloat(), s.cells.Cell(0, r)->AsFloat());
}

TEST(AddressSplit, PartsAndErrors)
{
    EXPECT_EQ(splitAddress(QStringLiteral("1.2.3")), (std::array<quint32, 4>{1, 2, 3, 0}));
    EXPECT_EQ(splitAddress(QString()), (std::array<quint32, 4>{0, 0, 0, 0}));
    EXPECT_EQ(splitAddress(QStringLiteral(" 10.x0.0.7 ")), (std::array<quint32, 4>{10, 0, 0, 7}));
    EXPECT_EQ(splitAddress(QStringLiteral("1.2.3.4.5.6")), (std::array<quint32, 4>{1, 2, 3, 4}));
    EXPECT_THROW(splitAddress(QStringLiteral("abc")), EConvertError);
}

TEST(RowList, MoveInsertDelete)
{
    TRows rows;
    rows.Add(16, 3);
    rows.Item(0).Selected = true;
    rows.Move(0, 2);
    EXPECT_TRUE(rows.Item(2).Selected);
    rows.Insert(0, 20);
    EXPECT_EQ(rows.Item(0).Height, 20);
    rows.Delete(0);
    EXPECT_EQ(rows.Count(), 3);
    EXPECT_THROW(rows.Delete(3), Exception);
}

} // namespace
