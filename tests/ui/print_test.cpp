#include "recording_print_target.h"
#include "ui_test_support.h"

#include "ui/grid/grid_print.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct PrintFixture : GridFixture {
    TLgGridPrint print;
    TLgCustomColumn *quarter;
    TLgCustomColumn *hidden;
    TLgCustomColumn *rest;
    PrintFixture()
    {
        quarter = grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColName"));
        hidden = grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColHidden"));
        rest = grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColRest"));
        quarter->SetWidth(50);
        hidden->SetWidth(500);
        rest->SetWidth(150);
        hidden->SetVisible(false);
        quarter->Header().SetCaption(QStringLiteral("Service"));
        rest->Header().SetCaption(QStringLiteral("Satellite"));
        grid.AddRow(6);
        for (int r = 0; r < 6; ++r) {
            grid.SetCells(0, r, QStringLiteral("Service %1").arg(r));
            grid.SetCells(2, r, QStringLiteral("Astra"));
        }
        print.Associate = &grid;
    }
};

TEST(GridPrint, VisibleColumnsShareThePrintableWidth)
{
    PrintFixture f;
    RecordingPrintTarget target(1030, 4000);
    ASSERT_TRUE(f.print.Print(target));
    EXPECT_EQ(target.begun, 1);
    EXPECT_EQ(target.ended, 1);
    const auto headers = target.of(TPrintedItem::HeaderCell);
    ASSERT_EQ(headers.size(), 2);
    // 1030 - 10 - 20 = 1000 printable; the hidden column takes no share.
    EXPECT_EQ(headers[0].rect, QRect(10, 10, 248, 86));
    EXPECT_EQ(headers[1].col, 2);
    EXPECT_EQ(headers[1].rect.left(), 10 + 250);
    EXPECT_EQ(headers[1].rect.width(), 748);
    const auto cells = target.of(TPrintedItem::Cell);
    ASSERT_EQ(cells.size(), 12);
    // Header band, two lines, then rows of RowSize with a grid line under each.
    EXPECT_EQ(cells[0].rect.top(), 10 + 100 + 2);
    EXPECT_EQ(cells[2].rect.top(), 10 + 100 + 2 + 86 + 1);
    ASSERT_TRUE(target.pages[0].save(shotsDir() + QStringLiteral("/print_page.png")));
}

TEST(GridPrint, RowRanges)
{
    struct Case {
        const char *name;
        int from, to;
        bool onlySelected;
        QList<int> rows;
    };
    const Case cases[] = {
        {"ToRow 0 means all", 2, 0, false, {2, 3, 4, 5}},
        {"ToRow is exclusive", 1, 3, false, {1, 2}},
        {"ToRow beyond the rows stops at the last", 4, 50, false, {4, 5}},
        {"only selected rows", 0, 0, true, {1, 4}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PrintFixture f;
        f.grid.SetSelected(1, true);
        f.grid.SetSelected(4, true);
        f.print.FromRow = c.from;
        f.print.ToRow = c.to;
        if (c.onlySelected)
            f.print.Options.include(gpoOnlySelectedRows);
        RecordingPrintTarget target(1030, 4000);
        ASSERT_TRUE(f.print.Print(target));
        QList<int> rows;
        for (const auto &item : target.of(TPrintedItem::Cell))
            if (item.col == 0)
                rows << item.row;
        EXPECT_EQ(rows, c.rows);
    }
}

TEST(GridPrint, PageBreaksOncePerRow)
{
    PrintFixture f;
    // Room for the header and two rows per page.
    RecordingPrintTarget target(1030, 10 + 100 + 2 + 2 * 87 + 20 + 5);
    ASSERT_TRUE(f.print.Print(target));
    EXPECT_EQ(target.pages.size(), 3);

    // A row taller than the page starts one new page, not one per cell.
    PrintFixture tall;
    tall.print.RowSize = 5000;
    RecordingPrintTarget small(1030, 400);
    ASSERT_TRUE(tall.print.Print(small));
    EXPECT_EQ(small.pages.size(), 7); // the header page, then one per row
    for (const auto &item : small.of(TPrintedItem::Cell))
        EXPECT_EQ(item.page, item.row + 1) << item.row;
}

TEST(GridPrint, NothingToPrintOn)
{
    PrintFixture f;
    RecordingPrintTarget unavailable(1000, 1000, false);
    EXPECT_FALSE(f.print.Print(unavailable));
    TLgGridPrint alone;
    RecordingPrintTarget target(1000, 1000);
    EXPECT_FALSE(alone.Print(target));
    EXPECT_EQ(target.begun, 0);
}

TEST(GridPrint, AllColumnsHiddenPrintsOnlyTheHeaderLines)
{
    PrintFixture f;
    f.quarter->SetVisible(false);
    f.rest->SetVisible(false);
    RecordingPrintTarget target(1030, 4000);
    ASSERT_TRUE(f.print.Print(target));
    EXPECT_TRUE(target.of(TPrintedItem::Cell).isEmpty());
    EXPECT_EQ(target.of(TPrintedItem::Line).size(), 2);
}

TEST(GridPrint, PdfThroughQPrinter)
{
    PrintFixture f;
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("grid.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    TPrinterTarget target(printer);
    ASSERT_TRUE(f.print.Print(target));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5).startsWith("%PDF"));
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext not installed";
    QProcess process;
    process.start(pdftotext, {pdf, QStringLiteral("-")});
    ASSERT_TRUE(process.waitForFinished(20000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("Service 5")));
    EXPECT_TRUE(text.contains(QStringLiteral("Satellite")));
}

} // namespace
