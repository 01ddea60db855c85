#include "ui/grid/grid_control.h"

#include "ui/grid/font_styles.h"
#include "ui/grid/column_displays.h"
#include "ui/grid/providers.h"

#include <QPaintEvent>
#include <QPainter>

namespace {

constexpr int kCaptionOffset = 4;
constexpr int kSortedColumnTint = 12; // alpha of the shadow over a sorted column
constexpr double kSelectionBlendFactor = 0.25;
// The full selection colour without the focus, as a tint under the window text.
constexpr double kInactiveSelectionBlendFactor = 0.4;

} // namespace

void TLgCustomGridControl::paintEvent(QPaintEvent *event)
{
    if (m_resizingColumn)
        return;
    QPainter painter(viewport());
    PaintTo(painter, event->rect());
}

bool TLgCustomGridControl::CellCountsSelected(int ACol, int ARow) const
{
    if (m_inputSelected)
        return false;
    const TLgCustomColumn *column = m_columns->Items(ACol);
    if (!column || column->Options().contains(coDontHighlight))
        return false;
    if (!Focused() && !editorFocused() && m_appearance.contains(aoHideSelection))
        return false;
    if (m_editing && m_editedCell == QPoint(ACol, ARow))
        return false;
    if (m_options.contains(goSelectFullRow)) {
        if (ARow < 0 || ARow >= RowCount() || !Selected(ARow))
            return false;
        const bool isSelectedCell = ACol == m_selectedCol && ARow == m_selectedRow;
        return !(isSelectedCell && m_appearance.contains(aoIndicateSelectedCell));
    }
    return ACol == m_selectedCol && ARow == m_selectedRow;
}

QColor TLgCustomGridControl::CellColorForDrawing(int ACol, int ARow) const
{
    if (CellCountsSelected(ACol, ARow)) {
        // Without the focus the selection still has to show: the rows it
        // holds are what Delete removes. The button face is a few levels
        // from white on this desktop, so a tint of the palette's inactive
        // highlight stands in for it, light enough for the window text.
        if (!Focused())
            return TGraphicsProvider::Blend(m_color, SysColor::inactiveHighlight(),
                                            m_appearance.contains(aoAlphaBlendedSelection)
                                                ? kSelectionBlendFactor
                                                : kInactiveSelectionBlendFactor);
        if (m_appearance.contains(aoAlphaBlendedSelection))
            return TGraphicsProvider::Blend(m_color, SysColor::highlight(), kSelectionBlendFactor);
        return m_selectionColor;
    }
    QColor color = CellColor(ACol, ARow);
    const TLgCustomColumn *column = m_columns->Items(ACol);
    if (column && column->Sorted() && m_appearance.contains(aoIndicateSortedColumn))
        color = ColorBlend(SysColor::buttonShadow(), color, kSortedColumnTint);
    return color;
}

QColor TLgCustomGridControl::TextColorForDrawing(int ACol, int ARow) const
{
    // The blended selection is a light tint of the background: the text keeps
    // its own colour there, or it would vanish in white on pale blue.
    if (CellCountsSelected(ACol, ARow) && Focused() && !m_appearance.contains(aoAlphaBlendedSelection))
        return m_highlightedTextColor;
    return SysColor::windowText();
}

void TLgCustomGridControl::PaintTo(QPainter &painter, const QRect &clip)
{
    painter.save();
    painter.setClipRect(clip);
    if (m_gridStyle == gsSlides) {
        paintSlides(painter, clip);
    } else {
        paintColumnParts(painter, clip);
        paintRows(painter, clip);
        const QRect cells = CellArea();
        // Right of the last column.
        const int end = cells.right() + 1;
        if (end < ClientWidth()) {
            const QRect header = HeaderRect();
            TStyleDisplay &style = CurrentStyleDisplay();
            if (header.height() > 0) {
                const QRect rest(end, 0, ClientWidth() - end, header.height());
                if (m_headerStyle == hsAuto)
                    style.PaintRemainder(painter, rest, SysColor::buttonFace());
                else
                    painter.fillRect(rest, m_color);
            }
            const QRect input = InputLineRect();
            if (input.height() > 0)
                painter.fillRect(QRect(end, input.top(), ClientWidth() - end, input.height()), m_color);
            painter.fillRect(QRect(end, cells.top(), ClientWidth() - end, cells.height()), m_color);
        }
        if (RowCount() == 0 && !m_caption.isEmpty()) {
            painter.setPen(SysColor::windowText());
            painter.setFont(font());
            const QRect area = cells.isValid() ? cells : QRect(IndicatorWidth(), cells.top(), ClientWidth(), cells.height());
            const QRect line = area.adjusted(kCaptionOffset, kCaptionOffset, 0, 0);
            painter.drawText(line, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                             TextShownIn(m_caption, line.width()));
        }
    }
    painter.restore();
    if (OnPostDraw)
        OnPostDraw(this);
}

void TLgCustomGridControl::paintColumnParts(QPainter &painter, const QRect &clip)
{
    TStyleDisplay &style = CurrentStyleDisplay();
    const QRect header = HeaderRect();
    const QRect input = InputLineRect();
    const QRect footer = FooterRect();
    const int indicator = IndicatorWidth();
    const int hpos = HorizontalPosition();
    const int visibleCount = m_columns->VisibleCount();

    painter.save();
    painter.setClipRect(QRect(indicator, 0, ClientWidth() - indicator, ClientHeight()).intersected(clip));
    painter.setFont(font());
    for (int d = 0; d < m_columns->Count(); ++d) {
        TLgCustomColumn *column = m_columns->ByDisplayIndex(d);
        if (!column->Visible())
            continue;
        const int left = column->Left() - hpos;
        if (left >= ClientWidth() || left + column->Width() <= indicator)
            continue;
        if (header.height() > 0) {
            TStyleDisplay::THeaderInfo info;
            info.first = column->VisibleIndex() == 0;
            info.last = column->VisibleIndex() == visibleCount - 1;
            style.PaintHeader(painter, QRect(left, 0, column->Width(), header.height()), *column, info);
        }
        if (input.height() > 0)
            style.PaintInputCell(painter, QRect(left, input.top(), column->Width() - GridLineWidth(),
                                                input.height() - GridLineWidth()),
                                 *column);
        if (footer.height() > 0)
            style.PaintFooter(painter, QRect(left, footer.top(), column->Width(), footer.height()),
                              *column);
    }
    const int end = m_columns->VisibleWidth() - hpos + indicator;
    if (end < ClientWidth()) {
        if (footer.height() > 0)
            style.PaintRemainder(painter, QRect(end, footer.top(), ClientWidth() - end, footer.height()),
                                 SysColor::buttonFace());
    }
    painter.restore();
    if (indicator > 0) {
        if (header.height() > 0)
            style.PaintIndicator(painter, QRect(0, 0, indicator, header.height()), false);
        if (input.height() > 0)
            style.PaintIndicator(painter, QRect(0, input.top(), indicator, input.height()),
                                 m_inputSelected);
        if (footer.height() > 0)
            style.PaintIndicator(painter, QRect(0, footer.top(), indicator, footer.height()), false);
    }
}

void TLgCustomGridControl::paintRows(QPainter &painter, const QRect &clip)
{
    const QRect cells = CellArea();
    const int line = GridLineWidth();
    const int count = RowCount();
    const int indicator = IndicatorWidth();
    painter.save();
    painter.setClipRect(QRect(0, cells.top(), ClientWidth(), cells.height()).intersected(clip));
    int y = cells.top();
    for (int r = FirstVisibleRow(); y <= cells.bottom(); ++r) {
        const bool real = r < count;
        if (real && !RowVisible(r))
            continue;
        const int height = real ? RowHeight(r) : m_rowSize;
        const QRect band(0, y, ClientWidth(), height + line);
        if (band.intersects(clip)) {
            QRect columnsClip(indicator, cells.top(), ClientWidth() - indicator, cells.height());
            painter.save();
            painter.setClipRect(columnsClip.intersected(clip));
            for (int c = 0; c < m_columns->Count(); ++c) {
                TLgCustomColumn *column = m_columns->Items(c);
                if (!column->Visible())
                    continue;
                if (real)
                    drawCell(painter, clip, *column, c, r);
                else
                    drawEmptyCell(painter, clip, *column, r);
            }
            painter.restore();
            if (indicator > 0)
                drawIndicator(painter, clip, r, real);
        }
        y += height + line;
    }
    if (m_options.contains(goSelectFullRow) && m_selectedRow >= 0 && m_selectedRow < count
        && Focused() && !m_appearance.contains(aoHideFocus) && !m_inputSelected) {
        const QRect row = RowRect(m_selectedRow);
        const QRect frame(indicator, row.top(), std::min(cells.right() + 1, ClientWidth()) - indicator,
                          row.height() - line);
        if (frame.intersects(clip))
            TGraphicsProvider::DrawFocusFrame(painter, frame,
                                              m_appearance.contains(aoAlphaBlendedSelection));
    }
    painter.restore();
}

void TLgCustomGridControl::drawCell(QPainter &painter, const QRect &clip, TLgCustomColumn &column,
                                    int ACol, int ARow)
{
    const QRect rect = CellRect(ACol, ARow);
    const int line = GridLineWidth();
    const QRect cells = CellArea();
    QRect filled = rect.adjusted(0, 0, line, line);
    if (filled.bottom() > cells.bottom())
        filled.setBottom(cells.bottom());
    if (!filled.intersects(clip))
        return;

    QColor cellColor = CellColorForDrawing(ACol, ARow);
    QColor gridColor = m_gridLinesColor;
    TCellState state;
    if (CellCountsSelected(ACol, ARow)) {
        state.include(csSelected);
        if (m_appearance.contains(aoBoldTextSelection))
            state.include(csBoldTextSelection);
    }
    if (Focused() && !m_appearance.contains(aoHideFocus))
        state.include(csFocused);
    if (OnCellColoring)
        OnCellColoring(this, ACol, ARow, cellColor, gridColor, state);

    painter.fillRect(filled, cellColor);
    if (line > 0 && m_gridStyle == gsReport) {
        painter.setPen(gridColor);
        const bool lastRow = ARow == RowCount() - 1;
        if (m_gridLinesStyle != lsHorizontalOnly)
            painter.drawLine(rect.right() + 1, rect.top(), rect.right() + 1, rect.bottom() + 1);
        if (m_gridLinesStyle == lsFramed && lastRow)
            painter.setPen(QColor(Qt::black));
        painter.drawLine(rect.left(), rect.bottom() + 1, rect.right() + 1, rect.bottom() + 1);
    }
    bool defaultDrawing = true;
    if (OnDrawCellBackground)
        OnDrawCellBackground(this, ACol, ARow, rect, state, defaultDrawing);

    const TDrawingOptions drawing = column.DrawingOptions();
    if (defaultDrawing && (drawing == doNormal || drawing == doCustom)) {
        TColumnDisplay *display = column.Display();
        QColor textColor = TextColorForDrawing(ACol, ARow);
        TFontStyles styles = stylesOf(column.Font());
        if (state.contains(csBoldTextSelection))
            styles.include(fsBold);
        CellFormating(ACol, ARow, textColor, styles, state);
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
        painter.setFont(withStyles(column.Font(), styles));
        painter.setPen(textColor);
        display->Canvas = &painter;
        display->CellRect = rect;
        display->Widget = this;
        display->Themed = Themed();
        display->RightToLeft = layoutDirection() == Qt::RightToLeft;
        display->HighlightedTextColor = m_highlightedTextColor;
        display->Selected = state.contains(csSelected);
        display->SelectedCell = ACol == m_selectedCol && ARow == m_selectedRow;
        display->ShowHintMark = false;
        if (PrepareCellDrawing(ACol, ARow, *display)) {
            display->Paint();
            if (display->ShowHintMark)
                display->PaintHintMark();
        }
        painter.restore();
        display->Canvas = nullptr;
    }
    if (drawing != doNormal && OnCustomDrawCell)
        OnCustomDrawCell(this, ACol, ARow, rect, state);
    if (!m_options.contains(goSelectFullRow) && ACol == m_selectedCol && ARow == m_selectedRow
        && Focused() && !m_appearance.contains(aoHideFocus) && !m_inputSelected)
        TGraphicsProvider::DrawFocusFrame(painter, rect, m_appearance.contains(aoAlphaBlendedSelection));
}

void TLgCustomGridControl::drawEmptyCell(QPainter &painter, const QRect &clip,
                                         TLgCustomColumn &column, int ARow)
{
    const int c = m_columns->IndexOf(&column);
    const QRect rect = CellRect(c, ARow);
    const int line = GridLineWidth();
    QRect filled = rect.adjusted(0, 0, line, line);
    const QRect cells = CellArea();
    if (filled.bottom() > cells.bottom())
        filled.setBottom(cells.bottom());
    if (!filled.intersects(clip))
        return;
    painter.fillRect(filled, column.Color());
    if (line > 0) {
        painter.setPen(m_gridLinesColor);
        if (m_gridLinesStyle != lsHorizontalOnly)
            painter.drawLine(rect.right() + 1, rect.top(), rect.right() + 1, rect.bottom() + 1);
        painter.drawLine(rect.left(), rect.bottom() + 1, rect.right() + 1, rect.bottom() + 1);
    }
}

void TLgCustomGridControl::drawIndicator(QPainter &painter, const QRect &clip, int ARow, bool realRow)
{
    const QRect row = RowRect(ARow);
    const QRect rect(0, row.top(), IndicatorWidth(), row.height());
    if (!rect.intersects(clip))
        return;
    const bool marked = realRow && !m_inputSelected
                        && (ARow == m_selectedRow || (ARow < RowCount() && Selected(ARow)));
    CurrentStyleDisplay().PaintIndicator(painter, rect, marked);
}

void TLgCustomGridControl::paintSlides(QPainter &painter, const QRect &clip)
{
    const QRect cells = CellArea();
    const int line = GridLineWidth();
    const int count = RowCount();
    const int bandHeight = m_slideSize + line;
    int y = cells.top();
    painter.fillRect(clip, m_color);
    for (int r = FirstVisibleRow(); r < count && y <= cells.bottom(); ++r) {
        if (!RowVisible(r))
            continue;
        const QRect band(0, y, ClientWidth(), bandHeight);
        if (band.intersects(clip)) {
            painter.fillRect(band, m_color);
            for (int c = 0; c < m_columns->Count(); ++c) {
                TLgCustomColumn *column = m_columns->Items(c);
                if (column->Visible())
                    drawCell(painter, clip, *column, c, r);
            }
            if (r == m_selectedRow) {
                painter.setPen(m_selectionColor);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(band.adjusted(2, 1, -3, -2 - line));
                painter.setPen(QPen(m_selectionColor, 2));
                painter.drawRect(band.adjusted(4, 3, -4, -3 - line));
                painter.setPen(QPen(m_selectionColor, 1));
            }
            if (line > 0) {
                painter.setPen(SysColor::buttonFace());
                painter.drawLine(band.left(), band.bottom(), band.right(), band.bottom());
            }
        }
        y += bandHeight;
    }
}
