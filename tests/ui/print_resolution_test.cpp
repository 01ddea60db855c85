// The grid printer at other resolutions than the 600 dpi its sizes are made
// for: rows keep their height on paper and pages break after the same rows.

#include "recording_print_target.h"
#include "ui_test_support.h"

#include "ui/grid/grid_print.h"
#include "ui/grid/image_list.h"

#include <QMap>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

struct ResolutionFixture : GridFixture {
    TLgGridPrint print;
    explicit ResolutionFixture(int rows)
    {
        auto *name = grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColName"));
        auto *sat = grid.Columns()->Add<TLgTextColumn>(QStringLiteral("ColSat"));
        name->SetWidth(100);
        sat->SetWidth(300);
        name->Header().SetCaption(QStringLiteral("Service"));
        sat->Header().SetCaption(QStringLiteral("Satellite"));
        grid.AddRow(rows);
        for (int r = 0; r < rows; ++r) {
            grid.SetCells(0, r, QStringLiteral("Row%1").arg(r, 3, 10, QLatin1Char('0')));
            grid.SetCells(1, r, QStringLiteral("Astra"));
        }
        print.Associate = &grid;
    }
};

TEST(GridPrintResolution, SizesScaleWithTheTargetsResolution)
{
    // A page of 1030 x 381 pixels at 600 dpi holds the header and two rows,
    // or four rows without the header.
    const int width600 = 1030;
    const int height600 = 10 + 100 + 2 + 2 * 87 + 20 + 75;
    for (int dpi : {300, 600, 1200, 2400}) {
        SCOPED_TRACE(dpi);
        ResolutionFixture f(6);
        RecordingPrintTarget target(width600 * dpi / 600, height600 * dpi / 600, true, dpi);
        ASSERT_TRUE(f.print.Print(target));
        const auto scaled = [dpi](int design) { return int(std::lround(design * dpi / 600.0)); };
        const auto headers = target.of(TPrintedItem::HeaderCell);
        ASSERT_EQ(headers.size(), 2);
        // 1000 design pixels printable, a quarter for the first column.
        EXPECT_EQ(headers[0].rect, QRect(scaled(10), scaled(10), scaled(248), scaled(86)));
        const auto cells = target.of(TPrintedItem::Cell);
        ASSERT_EQ(cells.size(), 12);
        EXPECT_EQ(cells[0].rect.top(), scaled(10 + 100 + 2));
        EXPECT_EQ(cells[0].rect.height(), scaled(86));
        EXPECT_EQ(cells[2].rect.top(), scaled(10 + 100 + 2 + 87));
        EXPECT_EQ(cells[1].rect.left(), scaled(10 + 250));
        // The grid line under a row lies between it and the next one.
        const auto lines = target.of(TPrintedItem::Line);
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines[2].rect.top(), scaled(10 + 100 + 2 + 86));
        // Two rows under the header, four on the next page.
        EXPECT_EQ(target.pages.size(), 2);
        QList<int> pageOfRow;
        for (const auto &item : cells)
            if (item.col == 0)
                pageOfRow << item.page;
        EXPECT_EQ(pageOfRow, (QList<int>{0, 0, 1, 1, 1, 1}));
    }
}

TEST(GridPrintResolution, ProgressIsToldAtEveryNewPage)
{
    ResolutionFixture f(10);
    QList<int> told;
    f.print.OnProgress = [&told](int row, int rowCount) {
        EXPECT_EQ(rowCount, 10);
        told << row;
    };
    // Two rows on the first page, four on each further one.
    RecordingPrintTarget target(1030, 381);
    ASSERT_TRUE(f.print.Print(target));
    EXPECT_EQ(told, (QList<int>{2, 6}));
}

TEST(GridPrintResolution, PicturesKeepTheirScreenSizeUpToTheRowHeight)
{
    struct Case {
        int dpi;
        int side; // of the printed 16 x 16 picture, in page pixels
    };
    // 96 dpi: as on screen; 150 dpi: 16 * 150 / 96 = 25; 300, 600 and 1200
    // dpi: as high as the row (86 pixels of a 600 dpi page).
    const Case cases[] = {{96, 16}, {150, 25}, {300, 43}, {600, 86}, {1200, 172}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dpi);
        ResolutionFixture f(1);
        TImageList images;
        QPixmap red(16, 16);
        red.fill(Qt::red);
        images.Add(red);
        auto *logo = f.grid.Columns()->Add<TLgImageColumn>(QStringLiteral("ColLogo"));
        logo->Images = &images;
        logo->SetWidth(400);
        f.grid.SetCells(2, 0, QStringLiteral("0"));
        RecordingPrintTarget target(2 * 1030 * c.dpi / 600 + 200, 2000, true, c.dpi);
        ASSERT_TRUE(f.print.Print(target));
        const QImage &page = target.pages.first();
        QRect painted;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (const QColor p = page.pixelColor(x, y); p.red() > 160 && p.green() < 100)
                    painted |= QRect(x, y, 1, 1);
        // The cell's own border pixels may cut an edge.
        EXPECT_NEAR(painted.height(), c.side, 4);
        EXPECT_NEAR(painted.width(), c.side, 4);
    }
}

TEST(GridPrintResolution, AJobThatFailsAtItsEndIsReported)
{
    ResolutionFixture f(3);
    RecordingPrintTarget target(1030, 4000);
    target.failAtEnd = true;
    EXPECT_FALSE(f.print.Print(target));
    EXPECT_EQ(target.ended, 1);
}

TEST(GridPrintResolution, PdfToAnUnwritablePlaceFails)
{
    ResolutionFixture f(3);
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("missing/folder/grid.pdf")));
    TPrinterTarget target(printer);
    EXPECT_FALSE(f.print.Print(target));
}

// A word of a PDF page as pdftotext places it, in points.
struct Word {
    QString text;
    double top, bottom;
};

// The words of every page of a PDF; empty when pdftotext is missing.
std::optional<QList<QList<Word>>> pdfWords(const QString &pdf)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(60000))
        return QList<QList<Word>>();
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    QList<QList<Word>> pages;
    static const QRegularExpression tag(QString::fromLatin1(
        R"re(<page |<word xMin="[^"]*" yMin="([^"]*)" xMax="[^"]*" yMax="([^"]*)">([^<]*)</word>)re"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        if (match.captured(0).startsWith(QStringLiteral("<page"))) {
            pages.append(QList<Word>());
            continue;
        }
        if (pages.isEmpty())
            continue;
        pages.last().append({match.captured(3), match.captured(1).toDouble(), match.captured(2).toDouble()});
    }
    return pages;
}

TEST(GridPrintResolution, PdfRowsKeepTheirHeightAndPagesAtEveryResolution)
{
    constexpr int kRows = 170;
    // 87 pixels of a 600 dpi page from one row to the next, in points.
    constexpr double kRowPitch = 87.0 / 600.0 * 72.0;
    QTemporaryDir dir;
    QMap<int, QList<QStringList>> rowsByPage;
    for (int dpi : {300, 600, 1200}) {
        SCOPED_TRACE(dpi);
        ResolutionFixture f(kRows);
        const QString pdf = dir.filePath(QStringLiteral("grid%1.pdf").arg(dpi));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setResolution(dpi);
        ASSERT_EQ(printer.resolution(), dpi);
        TPrinterTarget target(printer);
        ASSERT_TRUE(f.print.Print(target));
        const auto pages = pdfWords(pdf);
        if (!pages)
            GTEST_SKIP() << "pdftotext not installed";
        ASSERT_GE(pages->size(), 2);

        QList<QStringList> rows;
        int astra = 0;
        for (const QList<Word> &page : *pages) {
            QStringList pageRows;
            double previousTop = -1;
            for (const Word &word : page) {
                if (word.text == u"Astra")
                    ++astra;
                if (!word.text.startsWith(QStringLiteral("Row")))
                    continue;
                pageRows << word.text;
                // The text fits its row, and rows follow at the same pitch
                // on paper whatever the resolution.
                EXPECT_LT(word.bottom - word.top, kRowPitch) << word.text.toStdString();
                if (previousTop >= 0) {
                    EXPECT_NEAR(word.top - previousTop, kRowPitch, 0.3) << word.text.toStdString();
                }
                previousTop = word.top;
            }
            rows << pageRows;
        }
        // Every row is printed whole and once, in order.
        QStringList all;
        for (const QStringList &page : rows)
            all << page;
        ASSERT_EQ(all.size(), kRows);
        for (int r = 0; r < kRows; ++r)
            EXPECT_EQ(all[r], QStringLiteral("Row%1").arg(r, 3, 10, QLatin1Char('0')));
        EXPECT_EQ(astra, kRows);
        rowsByPage[dpi] = rows;
    }
    // The pages break after the same rows as on a 600 dpi printer.
    EXPECT_EQ(rowsByPage[300], rowsByPage[600]);
    EXPECT_EQ(rowsByPage[1200], rowsByPage[600]);
}

} // namespace
