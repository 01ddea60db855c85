#include "ui_test_support.h"

#include "ui/editors/lg_combo_box.h"
#include "ui/grid/image_list.h"
#include "ui/grid/providers.h"
#include "ui/grid/style_displays.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

const QColor kEvenRowColor(0xE8, 0xF0, 0xFF);

QPixmap drawnLogo(const QColor &color)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(color);
    p.setPen(color.darker());
    p.drawEllipse(1, 1, 10, 10);
    return pixmap;
}

void focus(TListGrid &grid)
{
    grid.show();
    grid.activateWindow();
    grid.setFocus();
    QApplication::processEvents();
}

// Every column kind, a footer, a sorted column, a multi-row selection and
// even rows coloured through OnCellColoring.
struct ShowcaseGrid : GridFixture {
    TImageList images;
    TLgTextColumn *name = nullptr;
    TLgNumberColumn *number = nullptr;

    ShowcaseGrid() : GridFixture(640, 240)
    {
        images.Add(drawnLogo(QColor(0x20, 0x90, 0x40)));
        images.Add(drawnLogo(QColor(0xD0, 0x40, 0x30)));
        TLgColumns &columns = *grid.Columns();
        auto *increment = columns.Add<TLgIncrementColumn>(QStringLiteral("ColNo"));
        increment->SetWidth(28);
        increment->Header().SetCaption(QStringLiteral("#"));
        name = columns.Add<TLgTextColumn>(QStringLiteral("ColName"));
        name->Header().SetCaption(QStringLiteral("Name"));
        name->SetWidth(110);
        auto *html = columns.Add<TLgHtmlColumn>(QStringLiteral("ColHtml"));
        html->Header().SetCaption(QStringLiteral("Provider"));
        html->SetWidth(110);
        auto *check = columns.Add<TLgCheckBoxColumn>(QStringLiteral("ColCheck"));
        check->Header().SetCaption(QStringLiteral("Lock"));
        check->SetWidth(40);
        check->SetAlignment(taCenter);
        auto *image = columns.Add<TLgImageColumn>(QStringLiteral("ColLogo"));
        image->Header().SetCaption(QStringLiteral("Logo"));
        image->SetWidth(40);
        image->SetAlignment(taCenter);
        image->Images = &images;
        number = columns.Add<TLgNumberColumn>(QStringLiteral("ColFreq"));
        number->Header().SetCaption(QStringLiteral("MHz"));
        number->SetWidth(70);
        number->FormatMask = QStringLiteral("0.0");
        number->Footer().SetFormulaKind(fkSum);
        auto *popup = columns.Add<TLgPopupColumn>(QStringLiteral("ColPopup"));
        popup->Header().SetCaption(QStringLiteral("Bouquet"));
        popup->SetWidth(80);
        auto *combo = columns.Add<TLgComboBoxColumn>(QStringLiteral("ColCombo"));
        combo->Header().SetCaption(QStringLiteral("State"));
        combo->SetWidth(90);
        combo->Items = QStringList{QStringLiteral("on"), QStringLiteral("off")};
        combo->Images = &images;
        combo->DisplayMode = dmTextAndImage;

        grid.SetOptions({goGrid, goHeader, goFooter, goIndicator, goSelectFullRow, goMultiSelect});
        grid.SetAppearanceOptions({aoAlphaBlendedSelection, aoBoldTextSelection, aoHintMarks,
                                   aoIndicateSortedColumn});
        grid.OnCellColoring = [](QObject *, int, int row, QColor &cell, QColor &, TCellState state) {
            if (row % 2 == 0 && !state.contains(csSelected))
                cell = kEvenRowColor;
        };

        const QStringList names{"Das Erste", "ZDF", "arte", "3sat", "KiKA", "phoenix", "ONE"};
        const QStringList providers{"<b>ARD</b> main", "ZDF<br>vision",
                                    "<font color=\"red\">ARTE</font>", "<i>3sat</i>",
                                    "<u>ZDF</u>", "ARD <a>link</a>", "<font color=zzz size=900>ARD</font>"};
        grid.BeginUpdate();
        for (int r = 0; r < names.size(); ++r) {
            grid.AddRow();
            grid.SetCells(1, r, names[r]);
            grid.SetCells(2, r, providers[r]);
            grid.Cell(3, r)->SetAsBoolean(r % 3 == 0);
            grid.Cell(4, r)->SetAsInteger(r % 3 - 1);
            grid.Cell(5, r)->SetAsFloat(11000 + r * 250.5);
            grid.SetCells(6, r, QStringLiteral("Favourites"));
            grid.SetCells(7, r, r % 2 ? QStringLiteral("off") : QStringLiteral("on"));
        }
        grid.Cell(1, 1)->SetHint(QStringLiteral("renamed by the provider"));
        grid.EndUpdate();
        name->SetSorted(true);
        focus(grid);
        grid.SelectCell(1, 2);
        grid.SelectCell(1, 3, Qt::ShiftModifier);
        QApplication::processEvents();
    }

    int rowOf(const QString &text)
    {
        for (int r = 0; r < grid.RowCount(); ++r)
            if (grid.Cells(1, r) == text)
                return r;
        return -1;
    }
};

TEST(GridPainting, ShowcaseScreenshotAndFixedColours)
{
    ShowcaseGrid f;
    ASSERT_TRUE(f.grid.Focused()) << "the offscreen window must take the focus";
    const QImage shot = f.grid.grab().toImage();
    ASSERT_TRUE(shot.save(shotsDir() + QStringLiteral("/grid_showcase.png")));
    const QImage view = f.grid.viewport()->grab().toImage();

    // Sorted by name: "3sat" comes first.
    EXPECT_EQ(f.grid.Cells(1, 0), QStringLiteral("3sat"));
    EXPECT_EQ(f.number->Footer().Caption(), QStringLiteral("82260.5"));

    // Even unselected rows take the colour the event gave them.
    const QRect even = f.grid.CellRect(6, 4);
    EXPECT_EQ(view.pixelColor(even.right() - 2, even.bottom() - 1), kEvenRowColor);
    // Odd unselected rows keep the column colour.
    const QRect odd = f.grid.CellRect(6, 5);
    EXPECT_EQ(view.pixelColor(odd.right() - 2, odd.bottom() - 1), SysColor::window());

    // Selected rows are the window colour blended with a quarter of the highlight.
    ASSERT_TRUE(f.grid.Selected(2) && f.grid.Selected(3));
    const QColor blend = TGraphicsProvider::Blend(f.grid.Color(), SysColor::highlight(), 0.25);
    const QRect selected = f.grid.CellRect(6, 2);
    EXPECT_EQ(view.pixelColor(selected.right() - 2, selected.bottom() - 2), blend);

    // The hint mark: red in the top-right corner of the cell with a hint.
    const int hinted = f.rowOf(QStringLiteral("ZDF"));
    ASSERT_GE(hinted, 0);
    const QRect hint = f.grid.CellRect(1, hinted);
    EXPECT_EQ(view.pixelColor(hint.right(), hint.top()), QColor(255, 0, 0));
    EXPECT_EQ(view.pixelColor(hint.right(), hint.top() + 3), QColor(255, 0, 0));
    EXPECT_EQ(view.pixelColor(hint.right() - 4, hint.top()), QColor(255, 0, 0));
    EXPECT_NE(view.pixelColor(hint.right() - 4, hint.top() + 4), QColor(255, 0, 0));
    // No mark where there is no hint.
    const QRect plain = f.grid.CellRect(1, f.rowOf(QStringLiteral("arte")));
    EXPECT_NE(view.pixelColor(plain.right(), plain.top()), QColor(255, 0, 0));

    // The grid line below a row is in the grid-line colour.
    EXPECT_EQ(view.pixelColor(odd.left() + 2, odd.bottom() + 1), f.grid.GridLinesColor());
}

// Without the focus the selection is still plain to see: its rows are what
// a Delete removes once the grid has the focus again.
TEST(GridPainting, ASelectionWithoutTheFocusStaysVisible)
{
    ShowcaseGrid f;
    QWidget elsewhere;
    elsewhere.setFocusPolicy(Qt::StrongFocus);
    elsewhere.show();
    elsewhere.activateWindow();
    elsewhere.setFocus();
    QApplication::processEvents();
    ASSERT_FALSE(f.grid.Focused());
    ASSERT_TRUE(f.grid.grab().toImage().save(shotsDir() + QStringLiteral("/grid_unfocused_selection.png")));
    const QImage view = f.grid.viewport()->grab().toImage();
    const QRect selected = f.grid.CellRect(6, 3);
    const QRect plain = f.grid.CellRect(6, 5);
    const QColor a = view.pixelColor(selected.right() - 2, selected.bottom() - 2);
    const QColor b = view.pixelColor(plain.right() - 2, plain.bottom() - 2);
    const int distance = std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                   std::abs(a.blue() - b.blue())});
    EXPECT_GE(distance, 40) << a.name().toStdString() << " against " << b.name().toStdString();
    EXPECT_EQ(a, TGraphicsProvider::Blend(f.grid.Color(), SysColor::inactiveHighlight(), 0.25));
}

TEST(GridPainting, PlainFallbackWithoutVisualStyles)
{
    ShowcaseGrid f;
    f.grid.SetEnableVisualStyles(false);
    f.grid.SetHeaderStyle(hsOutlook);
    QApplication::processEvents();
    ASSERT_TRUE(f.grid.grab().toImage().save(shotsDir() + QStringLiteral("/grid_plain_outlook.png")));
    const QImage view = f.grid.viewport()->grab().toImage();
    // The plain check box: an 11 pixel box in the window colour.
    EXPECT_FALSE(f.grid.Themed());
    const QRect even = f.grid.CellRect(6, 4);
    EXPECT_EQ(view.pixelColor(even.right() - 2, even.bottom() - 1), kEvenRowColor);
}

TEST(GridPainting, EmptyGridShowsItsCaptionOverRuledRows)
{
    GridFixture f(300, 160);
    f.grid.Columns()->Add<TLgTextColumn>()->Header().SetCaption(QStringLiteral("Service"));
    f.grid.Columns()->Add<TLgTextColumn>()->Header().SetCaption(QStringLiteral("Satellite"));
    f.grid.SetOptions({goGrid, goHeader});
    f.grid.SetCaption(QStringLiteral("No services loaded"));
    f.grid.show();
    QApplication::processEvents();
    ASSERT_TRUE(f.grid.grab().toImage().save(shotsDir() + QStringLiteral("/grid_empty.png")));
    const QImage view = f.grid.viewport()->grab().toImage();
    const QRect cells = f.grid.CellArea();
    // Caption text, 4 pixels below the top of the cell area.
    int dark = 0;
    for (int y = cells.top() + 4; y < cells.top() + 18; ++y)
        for (int x = cells.left() + 4; x < cells.left() + 100; ++x)
            if (qGray(view.pixel(x, y)) < 128)
                ++dark;
    EXPECT_GT(dark, 20);
    // Empty rows of RowSize are ruled in the grid-line colour.
    const int firstLine = cells.top() + f.grid.RowSize();
    EXPECT_EQ(view.pixelColor(cells.left() + 150, firstLine), f.grid.GridLinesColor());
    EXPECT_EQ(view.pixelColor(cells.left() + 150, firstLine + f.grid.RowSize() + 1),
              f.grid.GridLinesColor());
}

// A name of megabytes in any painted place - a cell of each text kind, a
// header caption, the input line, the drop-down list of a combo editor -
// sized by best fit, is painted in memory that does not follow its length:
// column and header no wider than the cap, the texts cut to what their
// boxes show.
TEST(GridPainting, AMegabyteNameIsPaintedInBoundedMemory)
{
    const QString huge = megabyteName();
    const struct {
        const char *name;
        int col;
        bool header;
        bool dropDown;
    } rows[] = {
        {"name cell", 1, false, false},      {"html cell", 2, false, false},
        {"popup cell", 6, false, false},     {"combo cell", 7, false, false},
        {"header caption", 1, true, false},  {"combo drop-down", 7, false, true},
    };
    for (const auto &r : rows) {
        ShowcaseGrid f;
        f.grid.SetOptions(f.grid.Options() + goInput);
        TLgCustomColumn *column = f.grid.Columns()->Items(r.col);
        if (r.header)
            column->Header().SetCaption(huge);
        else
            f.grid.SetCells(r.col, 0, huge);
        column->InputValue = huge;
        const long before = peakMemoryKb();
        f.grid.BestFitColumn(column);
        column->SetWidth(std::max(column->Width(), HeaderCaptionWidth(*column, f.grid.font())));
        EXPECT_EQ(column->Width(), kMaxColumnWidth) << r.name;
        QImage image(f.grid.viewport()->size(), QImage::Format_RGB32);
        QPainter painter(&image);
        f.grid.PaintTo(painter, image.rect());
        painter.end();
        if (r.dropDown) {
            auto *combo = qobject_cast<TLgComboBoxColumn *>(column);
            ASSERT_NE(combo, nullptr);
            combo->Items.prepend(huge);
            column->SetOptions(column->Options() + coEditing);
            f.grid.SetCells(r.col, 0, QStringLiteral("on"));
            f.grid.EditCell(r.col, 0);
            auto *editor = dynamic_cast<TLgComboBox *>(f.grid.CurrentEditor());
            ASSERT_NE(editor, nullptr) << r.name;
            editor->SetDroppedDown(true);
            EXPECT_FALSE(editor->List()->grab().isNull()) << r.name;
            editor->SetDroppedDown(false);
        }
        EXPECT_LT(peakMemoryKb() - before, 64 * 1024) << r.name;
        // The text is there: the start of the name, dark on the cell.
        const QRect cell = f.grid.CellRect(r.col, 0).intersected(image.rect());
        int dark = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        EXPECT_GT(dark, r.header ? 0 : 20) << r.name;
    }
}

TEST(GridPainting, PaintsOnlyTheRowsOfTheClip)
{
    ShowcaseGrid f;
    int prepared = 0;
    f.grid.OnCellColoring = [&](QObject *, int, int, QColor &, QColor &, TCellState) { ++prepared; };
    QImage image(f.grid.viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    const QRect oneRow = f.grid.RowRect(1);
    f.grid.PaintTo(painter, oneRow);
    EXPECT_EQ(prepared, f.grid.Columns()->VisibleCount());
}

} // namespace
