#include "ui/grid/grid_print.h"

#include "ui/grid/column_displays.h"
#include "ui/grid/column_kinds.h"
#include "ui/grid/image_list.h"
#include "ui/grid/list_grid.h"
#include "ui/grid/style_displays.h"

#include <QList>
#include <QPen>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kScreenDpi = 96.0;
// The plain check box, in screen pixels.
constexpr int kCheckBoxHeight = 11;

// Canvas pixels per screen pixel, for the paddings of cells and captions.
double screenPixelScale(int dpi)
{
    return std::max(dpi / kScreenDpi, 1.0);
}

QFont printerFont(QFont font)
{
    // A font sized in screen pixels keeps its physical size on paper.
    if (font.pixelSize() > 0)
        font.setPointSizeF(font.pixelSize() * kPointsPerInch / kScreenDpi);
    return font;
}

void fillDisplayValue(TListGrid &grid, TColumnDisplay &display, int ACol, int ARow)
{
    TCell *cell = grid.Cell(ACol, ARow);
    switch (grid.Columns()->Items(ACol)->Kind()) {
    case kKindIncrement: display.IntegerValue = ARow; break;
    case kKindBoolean: display.BooleanValue = cell->AsBoolean(); break;
    case kKindDateTime:
        display.DateTimeValue = cell->AsDateTime();
        display.TextValue = cell->AsString();
        break;
    case kKindFloat: display.FloatValue = cell->AsFloat(); break;
    case kKindInteger: display.IntegerValue = cell->AsInteger(); break;
    default: display.TextValue = cell->AsString(); break;
    }
}

// Pictures and check boxes are made for the screen: on a printer they are
// drawn as large as on screen, but no taller than the row, instead of one
// dot per pixel.
double pictureScale(const TLgCustomColumn &column, const QRect &cell, int dpi)
{
    int height = 0;
    if (const auto *images = qobject_cast<const TLgImageColumn *>(&column)) {
        if (!images->Images || images->Images->Count() == 0)
            return 1.0;
        height = images->Images->Image(0).height();
    } else if (qobject_cast<const TLgCheckBoxColumn *>(&column)) {
        height = kCheckBoxHeight;
    } else {
        return 1.0;
    }
    double scale = dpi / kScreenDpi;
    if (height > 0)
        scale = std::min(scale, double(cell.height()) / height);
    return std::max(scale, 1.0);
}

} // namespace

bool TPrinterTarget::BeginDoc()
{
    if (!m_printer.isValid())
        return false;
    return m_painter.begin(&m_printer);
}

void TPrinterTarget::NewPage()
{
    m_printer.newPage();
}

bool TPrinterTarget::EndDoc()
{
    const bool ended = m_painter.end();
    const QPrinter::PrinterState state = m_printer.printerState();
    return ended && state != QPrinter::Error && state != QPrinter::Aborted;
}

int TPrinterTarget::PageWidth() const
{
    return m_printer.width();
}

int TPrinterTarget::PageHeight() const
{
    return m_printer.height();
}

int TPrinterTarget::Resolution() const
{
    return m_printer.resolution();
}

TLgGridPrint::TLgGridPrint(QObject *parent) : QObject(parent) {}

bool TLgGridPrint::Print()
{
    if (!Associate)
        return false;
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return false;
    QPrinter printer(info, QPrinter::HighResolution);
    TPrinterTarget target(printer);
    return Print(target);
}

bool TLgGridPrint::Print(TPrintTarget &target)
{
    if (!Associate || !target.BeginDoc())
        return false;
    layOut(target, true);
    return target.EndDoc();
}

namespace {

// The layout is worked out in pixels of a 600 dpi page and drawn in the
// canvas's pixels: a 1200 dpi printer (or a PDF) gets every size doubled, so
// rows keep their height on paper and pages break after the same rows.
class DesignScale
{
public:
    explicit DesignScale(int dpi) : m_dpi(dpi > 0 ? dpi : TLgGridPrint::DesignResolution) {}

    int toCanvas(int design) const
    {
        return int(std::lround(double(design) * m_dpi / TLgGridPrint::DesignResolution));
    }
    // Rounded down: what fits on the canvas also fits in design pixels.
    int toDesign(int canvas) const
    {
        return int(std::floor(double(canvas) * TLgGridPrint::DesignResolution / m_dpi));
    }
    // Edges are scaled, not sizes, so neighbouring cells keep their gaps.
    QRect rect(int x, int y, int w, int h) const
    {
        const int left = toCanvas(x);
        const int top = toCanvas(y);
        return QRect(left, top, toCanvas(x + w) - left, toCanvas(y + h) - top);
    }

private:
    int m_dpi;
};

} // namespace

void TLgGridPrint::layOut(TPrintTarget &target, bool pageBreaks)
{
    TListGrid &grid = *Associate;
    QPainter &canvas = target.Canvas();
    TLgColumns &columns = *grid.Columns();
    const DesignScale scale(target.Resolution());
    const int canvasWidth = target.PageWidth();
    const int canvasHeight = target.PageHeight();
    const int pageWidth = scale.toDesign(canvasWidth);
    const int pageHeight = scale.toDesign(canvasHeight);
    const int rowCount = grid.RowCount();
    const int lastRow = ToRow == 0 ? rowCount : std::min(ToRow, rowCount);

    // Only the visible columns share the page.
    long long totalWidth = 0;
    for (int c = 0; c < columns.Count(); ++c)
        if (columns.Items(c)->Visible())
            totalWidth += columns.Items(c)->Width();
    const int printable = pageWidth - Margins.Left - Margins.Right;
    auto shareOf = [&](const TLgCustomColumn *column) {
        return int(std::lround(printable * (double(column->Width()) / double(totalWidth) * 100.0) / 100.0));
    };

    const QRect wholePage(0, 0, canvasWidth, canvasHeight);
    canvas.fillRect(wholePage, grid.Color());
    const QFont font = printerFont(grid.font());
    canvas.setFont(font);
    const double pixelScale = screenPixelScale(target.Resolution());
    // A grid line is one pixel of the 600 dpi page high, between two rows
    // and over neither. The lines of a page are drawn after its cells: a
    // renderer that rounds the cells' fills to its own coarser pixels (a
    // viewer showing the page small) would otherwise paint over some lines
    // and leave bits of others in the gaps between the columns. Drawn as
    // strokes of a fixed width in the canvas's pixels, they keep their
    // height on paper and stay whole on a page shown small.
    QList<QRect> pageLines;
    auto drawLine = [&](int left, int y, int width, int row) {
        QRect line = scale.rect(left, y, width, 1);
        if (line.height() < 1)
            line.setHeight(1);
        pageLines.append(line);
        target.Placed(TPrintedItem::Line, -1, row, line);
    };
    auto finishPage = [&] {
        canvas.save();
        for (const QRect &line : std::as_const(pageLines)) {
            QPen pen(SysColor::windowText(), line.height());
            pen.setCapStyle(Qt::FlatCap);
            pen.setCosmetic(true);
            canvas.setPen(pen);
            const qreal middle = line.top() + line.height() / 2.0;
            canvas.drawLine(QLineF(line.left(), middle, line.right() + 1, middle));
        }
        canvas.restore();
        pageLines.clear();
    };

    int y = Margins.Top;
    TFlatStyleDisplay header;
    header.PixelScale = pixelScale;
    if (totalWidth > 0) {
        int x = Margins.Left;
        for (int c = 0; c < columns.Count(); ++c) {
            TLgCustomColumn *column = columns.Items(c);
            if (!column->Visible())
                continue;
            const int w = shareOf(column);
            const QRect rect = scale.rect(x, y, std::max(w - 2, 0), RowSize);
            header.PaintHeader(canvas, rect, *column, {});
            target.Placed(TPrintedItem::HeaderCell, c, -1, rect);
            x += w;
        }
    }
    y += HeaderSize;
    for (int k = 0; k < 2; ++k)
        drawLine(Margins.Left, y + k, pageWidth - Margins.Right - Margins.Left, -1);
    y += 2;
    if (totalWidth == 0) {
        finishPage();
        return;
    }

    for (int r = std::max(FromRow, 0); r < lastRow; ++r) {
        if (Options.contains(gpoOnlySelectedRows) && !grid.Selected(r))
            continue;
        // One page break per row at most, even for a row taller than a page.
        if (pageHeight - Margins.Bottom < y + RowSize && y > Margins.Top) {
            finishPage();
            if (!pageBreaks)
                return;
            if (OnProgress)
                OnProgress(r, lastRow);
            target.NewPage();
            canvas.fillRect(wholePage, grid.Color());
            y = Margins.Top;
        }
        int x = Margins.Left;
        for (int c = 0; c < columns.Count(); ++c) {
            TLgCustomColumn *column = columns.Items(c);
            if (!column->Visible())
                continue;
            const int w = shareOf(column);
            const QRect rect = scale.rect(x, y, std::max(w - 2, 0), RowSize);
            const QColor color = Options.contains(gpoIgnoreColumnColor) ? grid.Color() : column->Color();
            canvas.fillRect(rect, color);
            TColumnDisplay *display = column->Display();
            canvas.save();
            canvas.setFont(printerFont(column->Font()));
            canvas.setPen(SysColor::windowText());
            display->Canvas = &canvas;
            display->CellRect = rect;
            display->PixelScale = pixelScale;
            if (const double scale = pictureScale(*column, rect, target.Resolution()); scale > 1.0) {
                canvas.translate(rect.topLeft());
                canvas.scale(scale, scale);
                display->CellRect = QRect(0, 0, int(rect.width() / scale), int(rect.height() / scale));
                display->PixelScale = std::max(pixelScale / scale, 1.0);
            }
            display->Widget = nullptr;
            display->Themed = false;
            display->Selected = false;
            display->SelectedCell = false;
            try {
                fillDisplayValue(grid, *display, c, r);
                display->Paint();
            } catch (const Exception &) {
                // A cell that cannot be read is printed empty.
            }
            display->Canvas = nullptr;
            display->PixelScale = 1.0;
            canvas.restore();
            target.Placed(TPrintedItem::Cell, c, r, rect);
            x += w;
        }
        y += RowSize;
        if (Options.contains(gpoHorzGridLines)) {
            drawLine(Margins.Left, y, printable, r);
            y += 1;
        }
    }
    finishPage();
}
