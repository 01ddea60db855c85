// How a printed grid looks: whole grid lines, no stray dots, text padded
// inside its cells, check boxes at screen size.

#include "recording_print_target.h"
#include "ui_test_support.h"

#include "ui/grid/grid_print.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

bool dark(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 160;
}

// A pixel row that is dark over nearly all of [left, right): a grid line.
bool lineRow(const QImage &image, int y, int left, int right)
{
    if (y < 0 || y >= image.height())
        return false;
    int count = 0;
    for (int x = left; x < right; ++x)
        count += dark(image, x, y);
    return count >= (right - left) * 9 / 10;
}

struct LookFixture : GridFixture {
    TLgGridPrint print;
    explicit LookFixture(int rows = 30)
    {
        // Widths that put the gaps between the columns at odd places.
        const int widths[] = {37, 151, 53, 71, 113};
        for (int c = 0; c < 5; ++c) {
            auto *column = grid.Columns()->Add<TLgTextColumn>(QStringLiteral("Col%1").arg(c));
            column->SetWidth(widths[c]);
            column->Header().SetCaption(QStringLiteral("Head %1").arg(c));
        }
        grid.AddRow(rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < 5; ++c)
                grid.SetCells(c, r, QStringLiteral("v%1").arg(r * 5 + c));
        print.Associate = &grid;
    }
};

TEST(GridPrintLook, RowsAreAllSeparatedOrNoneAreWithoutStrayDots)
{
    struct Case {
        int dpi;
        double preview; // how a viewer shrinks the page
        bool lines;
    };
    const Case cases[] = {
        {1200, 110.0 / 1200, true}, {1200, 150.0 / 1200, true}, {1200, 72.0 / 1200, true},
        {600, 0.25, true},          {600, 1.0, true},           {1200, 1.0, true},
        {1200, 110.0 / 1200, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " dpi at " << c.preview << (c.lines ? " lines" : " none"));
        LookFixture f;
        if (!c.lines)
            f.print.Options = TGridPrintOptions{};
        RecordingPrintTarget target(4960 * c.dpi / 600, 7000 * c.dpi / 600, true, c.dpi);
        target.previewScale = c.preview;
        ASSERT_TRUE(f.print.Print(target));
        const QImage &page = target.pages.first();
        const auto at = [&](int canvas) { return int(std::floor(canvas * c.preview)); };
        QList<QRect> cells;
        for (const auto &item : target.of(TPrintedItem::Cell))
            if (item.page == 0)
                cells << item.rect;
        ASSERT_GE(cells.size(), 5 * 20);
        const int left = at(cells.first().left()) + 1;
        const int right = at(cells[4].right()) - 1;
        int separated = 0;
        for (int k = 5; k < cells.size(); k += 5) {
            // Between a row and the next one: a whole line, or nothing.
            const int from = at(cells[k - 5].bottom()) - 1;
            const int to = at(cells[k].top()) + 1;
            bool found = false;
            for (int y = from; y <= to; ++y)
                found = found || lineRow(page, y, left, right);
            separated += found;
        }
        EXPECT_EQ(separated, c.lines ? cells.size() / 5 - 1 : 0);
        if (c.preview == 1.0) {
            // At full size a line covers its own pixels and no cell's.
            for (const auto &line : target.of(TPrintedItem::Line)) {
                if (line.row < 0 || line.page != 0)
                    continue;
                for (int y = line.rect.top(); y <= line.rect.bottom(); ++y)
                    EXPECT_TRUE(lineRow(page, y, left, right)) << y;
                EXPECT_FALSE(lineRow(page, line.rect.top() - 1, left, right));
                EXPECT_FALSE(lineRow(page, line.rect.bottom() + 1, left, right));
            }
        }
        // Near the top of a cell, a dark pixel belongs to a whole line.
        int stray = 0;
        for (const QRect &cell : cells) {
            for (int y = at(cell.top()) - 1; y <= at(cell.top()) + 1; ++y) {
                if (lineRow(page, y, left, right))
                    continue;
                for (int x = at(cell.left()) - 1; x <= at(cell.right()) + 1; ++x)
                    stray += dark(page, x, y);
            }
        }
        EXPECT_EQ(stray, 0);
    }
}

// The dark pixels of `image` inside `rect` but its top and bottom pixel
// rows, where a grid line of a coarse printer may lie: their bounds.
QRect inkIn(const QImage &image, const QRect &rect)
{
    QRect ink;
    for (int y = rect.top() + 1; y < rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (dark(image, x, y))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

TEST(GridPrintLook, TextKeepsItsScreenPaddingOnPaper)
{
    struct Case {
        int dpi;
        TAlignment alignment;
    };
    const Case cases[] = {{300, taRightJustify}, {600, taRightJustify}, {1200, taRightJustify},
                          {1200, taLeftJustify}, {300, taLeftJustify}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " dpi, alignment " << int(c.alignment));
        GridFixture f;
        auto *number = f.grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColFrequency"));
        auto *name = f.grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColSat"));
        number->SetWidth(100);
        name->SetWidth(100);
        number->SetAlignment(c.alignment);
        number->Header().SetCaption(QStringLiteral("Frequency"));
        name->Header().SetCaption(QStringLiteral("Satellite"));
        f.grid.AddRow(1);
        f.grid.SetCells(0, 0, QStringLiteral("11836000"));
        f.grid.SetCells(1, 0, QStringLiteral("Astra"));
        TLgGridPrint print;
        print.Associate = &f.grid;
        // A page as narrow as the text needs, so the text fills most of the cell.
        RecordingPrintTarget target(900 * c.dpi / 600, 600 * c.dpi / 600, true, c.dpi);
        ASSERT_TRUE(print.Print(target));
        const QImage &page = target.pages.first();
        // Two screen pixels of padding in cells, four beside captions;
        // glyphs' own bearings may take a quarter of it.
        const int cellPadding = 2 * c.dpi / 96 * 3 / 4;
        const int captionPadding = 4 * c.dpi / 96 * 3 / 4;

        const auto cells = target.of(TPrintedItem::Cell);
        ASSERT_EQ(cells.size(), 2);
        const QRect cell = cells[0].rect;
        const QRect ink = inkIn(page, cell);
        ASSERT_FALSE(ink.isNull());
        if (c.alignment == taRightJustify)
            EXPECT_LE(ink.right(), cell.right() - cellPadding);
        else
            EXPECT_GE(ink.left(), cell.left() + cellPadding);
        // The next column's text keeps its distance too.
        const QRect next = inkIn(page, cells[1].rect);
        ASSERT_FALSE(next.isNull());
        EXPECT_GE(next.left(), cells[1].rect.left() + cellPadding);

        const auto headers = target.of(TPrintedItem::HeaderCell);
        ASSERT_EQ(headers.size(), 2);
        // The caption, not the header's border lines at its right and bottom.
        const QRect caption = inkIn(page, headers[0].rect.adjusted(0, 0, -3, -3));
        ASSERT_FALSE(caption.isNull());
        EXPECT_GE(caption.left(), headers[0].rect.left() + captionPadding);
    }
}

TEST(GridPrintLook, CheckBoxesKeepTheirScreenSizeUpToTheRowHeight)
{
    struct Case {
        int dpi;
        int side; // of the printed 11 pixel box, in page pixels
    };
    // 11 screen pixels are 11 * dpi / 96 printer pixels; a 600 dpi row is
    // 86 pixels high.
    const Case cases[] = {{96, 11}, {300, 34}, {600, 69}, {1200, 138}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dpi);
        GridFixture f;
        auto *locked = f.grid.Columns()->Add<TLgCheckBoxColumn>(QStringLiteral("ColLocked"));
        locked->SetWidth(100);
        f.grid.AddRow(1);
        f.grid.SetCells(0, 0, QStringLiteral("True"));
        TLgGridPrint print;
        print.Associate = &f.grid;
        RecordingPrintTarget target(600 * c.dpi / 600, 400 * c.dpi / 600, true, c.dpi);
        ASSERT_TRUE(print.Print(target));
        const auto cells = target.of(TPrintedItem::Cell);
        ASSERT_EQ(cells.size(), 1);
        const QImage &page = target.pages.first();
        const QRect cell = cells[0].rect.adjusted(0, 1, 0, -1);
        const QRgb background = page.pixel(cell.right(), cell.center().y());
        QRect box;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (page.pixel(x, y) != background)
                    box |= QRect(x, y, 1, 1);
        // The box's light lower and right edges blend with the cell.
        EXPECT_NEAR(box.height(), c.side, 1 + 2 * c.side / 11);
        EXPECT_NEAR(box.width(), c.side, 1 + 2 * c.side / 11);
    }
}

} // namespace
