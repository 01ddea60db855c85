#include "ui_test_support.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <limits>

namespace {

struct Columns : GridFixture {
    TLgCustomColumn *a;
    TLgCustomColumn *b;
    TLgCustomColumn *c;
    Columns()
    {
        a = grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColA"));
        b = grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColB"));
        c = grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColC"));
    }
};

TEST(ColumnsTest, WidthStaysBetweenEightAndTheCap)
{
    Columns f;
    QList<int> resized;
    f.grid.OnColumnResize = [&](QObject *, int col) { resized << col; };
    const struct {
        int requested;
        int width;
    } rows[] = {{3, 8},
                {0, 8},
                {-20, 8},
                {8, 8},
                {kMaxColumnWidth, kMaxColumnWidth},
                {kMaxColumnWidth + 1, kMaxColumnWidth},
                {std::numeric_limits<int>::max(), kMaxColumnWidth}};
    for (const auto &r : rows) {
        f.a->SetWidth(r.requested);
        EXPECT_EQ(f.a->Width(), r.width) << r.requested;
    }
    EXPECT_EQ(resized, QList<int>({0, 0}));
}

// However a column is fitted to its texts, a name of megabytes makes it no
// wider than the cap, and measuring it stays cheap; short names are fitted
// as they are.
TEST(ColumnsTest, FittingToTheTextsStopsAtTheCap)
{
    const QString huge = megabyteName();
    const QString shortName = QStringLiteral("Das Erste");
    enum How { BestFit, BestFitWidths, AutoSize };
    const struct {
        const char *name;
        How how;
        QString text;
        bool capped; // else as wide as the text needs
    } rows[] = {
        {"best fit, huge name", BestFit, huge, true},
        {"best fit widths, huge name", BestFitWidths, huge, true},
        {"auto size, huge name", AutoSize, huge, true},
        {"best fit, short name", BestFit, shortName, false},
        {"auto size, short name", AutoSize, shortName, false},
    };
    for (const auto &r : rows) {
        Columns f;
        f.grid.AddRow(3);
        f.grid.SetCells(0, 0, shortName);
        f.grid.SetCells(0, 1, r.text);
        int width = 0;
        switch (r.how) {
        case BestFit:
            f.grid.BestFitColumn(f.a);
            width = f.a->Width();
            break;
        case BestFitWidths: {
            TLgCustomColumn *const columns[] = {f.a};
            width = f.grid.BestFitWidths(columns).front();
            break;
        }
        case AutoSize:
            f.grid.AutoSizeColumn(f.a);
            width = f.a->Width();
            break;
        }
        const int needed = QFontMetrics(f.a->Font()).horizontalAdvance(shortName);
        if (r.capped) {
            EXPECT_EQ(width, kMaxColumnWidth) << r.name;
        } else {
            EXPECT_GT(width, needed) << r.name;
            EXPECT_LT(width, needed + 10) << r.name;
        }
    }
}

TEST(ColumnsTest, HidingShiftsLaterLeftEdges)
{
    Columns f;
    EXPECT_EQ(f.c->Left(), 160);
    f.b->SetVisible(false);
    EXPECT_EQ(f.b->VisibleIndex(), -1);
    EXPECT_EQ(f.c->Left(), 80);
    EXPECT_EQ(f.c->VisibleIndex(), 1);
    f.grid.SetOptions(f.grid.Options() + goIndicator);
    EXPECT_EQ(f.a->Left(), 12);
    EXPECT_EQ(f.c->Left(), 92);
    EXPECT_EQ(f.grid.Columns()->VisibleCount(), 2);
    EXPECT_EQ(f.grid.Columns()->VisibleWidth(), 160);
}

TEST(ColumnsTest, OneSortedAndOneSearchColumn)
{
    Columns f;
    f.a->SetSorted(true);
    f.b->SetSorted(true);
    EXPECT_FALSE(f.a->Sorted());
    EXPECT_TRUE(f.b->Sorted());
    f.a->SetOptions(f.a->Options() + coSearchColumn);
    f.c->SetOptions(f.c->Options() + coSearchColumn);
    EXPECT_FALSE(f.a->Options().contains(coSearchColumn));
    EXPECT_TRUE(f.c->Options().contains(coSearchColumn));
}

TEST(ColumnsTest, MovingRenumbersPositionsAndFiresOnColumnMove)
{
    Columns f;
    QList<QList<int>> moves;
    f.grid.OnColumnMove = [&](QObject *, int col, int from, int to) { moves.append({col, from, to}); };
    f.c->SetPosition(0);
    EXPECT_EQ(f.grid.Columns()->ByDisplayIndex(0), f.c);
    EXPECT_EQ(f.a->Position(), 1);
    EXPECT_EQ(f.c->Left(), 0);
    EXPECT_EQ(f.a->Left(), 80);
    ASSERT_EQ(moves.size(), 1);
    EXPECT_EQ(moves[0], QList<int>({2, 2, 0}));
    // The creation order, and so every ACol, stays.
    EXPECT_EQ(f.grid.Columns()->IndexOf(f.c), 2);
}

TEST(ColumnsTest, AutoSizeColumnsShareTheRest)
{
    GridFixture f(400, 200);
    auto *fixed = f.grid.Columns()->Add<TLgTextColumn>();
    auto *wide = f.grid.Columns()->Add<TLgTextColumn>();
    auto *narrow = f.grid.Columns()->Add<TLgTextColumn>();
    fixed->SetWidth(100);
    wide->SetWidth(60);
    narrow->SetWidth(20);
    wide->SetOptions(wide->Options() + coAutoSize);
    narrow->SetOptions(narrow->Options() + coAutoSize);
    EXPECT_EQ(fixed->Width() + wide->Width() + narrow->Width(), f.grid.ClientWidth());
    EXPECT_EQ(fixed->Width(), 100);
    // A wider window is shared in the proportion the auto-size columns have.
    const double ratio = double(wide->Width()) / narrow->Width();
    f.grid.resize(800, 200);
    EXPECT_EQ(fixed->Width() + wide->Width() + narrow->Width(), f.grid.ClientWidth());
    EXPECT_EQ(fixed->Width(), 100);
    EXPECT_NEAR(double(wide->Width()) / narrow->Width(), ratio, 0.2);
}

TEST(ColumnsTest, AssignCopiesTheDesignedProperties)
{
    Columns f;
    f.a->SetAlignment(taRightJustify);
    f.a->SetColor(Qt::yellow);
    f.a->DefaultValue = QStringLiteral("x");
    f.a->Header().SetCaption(QStringLiteral("Name"));
    f.a->SetSortType(stNumeric);
    f.a->SetWidth(55);
    f.c->Assign(*f.a);
    EXPECT_EQ(f.c->Alignment(), taRightJustify);
    EXPECT_EQ(f.c->Color(), QColor(Qt::yellow));
    EXPECT_EQ(f.c->DefaultValue, QStringLiteral("x"));
    EXPECT_EQ(f.c->Header().Caption(), QStringLiteral("Name"));
    EXPECT_EQ(f.c->Width(), 55);
    EXPECT_EQ(f.c->SortType(), stAlphabetic);
}

TEST(ColumnsTest, ListenersHearTheirChanges)
{
    Columns f;
    QList<int> heard;
    const int id = f.a->AddListener([&](TLgCustomColumn *, int change) { heard << change; });
    f.a->SetAlignment(taCenter);
    f.a->SetColor(Qt::red);
    f.a->SetDrawingOptions(doCustom);
    f.a->SetVisible(false);
    f.a->SetName(QStringLiteral("ColA"));
    f.a->SetName(QStringLiteral("ColRenamed"));
    f.a->RemoveListener(id);
    f.a->SetAlignment(taLeftJustify);
    EXPECT_EQ(heard, QList<int>({kListenAlignment, kListenColorOrOptions, kListenDrawingOptions,
                                 kListenVisibility, kListenName}));
}

TEST(ColumnsTest, KindDefaults)
{
    GridFixture f;
    auto *image = f.grid.Columns()->Add<TLgImageColumn>();
    auto *number = f.grid.Columns()->Add<TLgNumberColumn>();
    auto *check = f.grid.Columns()->Add<TLgCheckBoxColumn>();
    auto *combo = f.grid.Columns()->Add<TLgComboBoxColumn>();
    auto *text = f.grid.Columns()->Add<TLgTextColumn>();
    EXPECT_EQ(image->DefaultValue, QStringLiteral("0"));
    EXPECT_EQ(image->SortType(), stNumeric);
    EXPECT_TRUE(image->Transparent);
    EXPECT_EQ(number->Increment, 1.0);
    EXPECT_EQ(check->SortType(), stBoolean);
    EXPECT_EQ(combo->DropDownCount, 8);
    EXPECT_EQ(combo->DisplayMode, dmTextOnly);
    EXPECT_TRUE(text->Options().contains(coShowTextFitHint));
    EXPECT_TRUE(text->Options().contains(coCanSort));
    EXPECT_FALSE(image->HasEditor());
    EXPECT_TRUE(check->HasEditor());
    EXPECT_FALSE(text->CanEdit());
    text->SetOptions(text->Options() + coEditing);
    EXPECT_TRUE(text->CanEdit());
    EXPECT_TRUE(number->IsValidChar(u'7'));
    EXPECT_FALSE(number->IsValidChar(u'x'));
    EXPECT_FALSE(text->IsValidChar(u' '));
    number->FormatMask = QStringLiteral("#,##0.00");
    number->TextBefore = QStringLiteral("~");
    EXPECT_EQ(number->DisplayText(QStringLiteral("1234.5")), QStringLiteral("~1,234.50"));
}

} // namespace
