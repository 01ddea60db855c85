#include "ui/grid/style_displays.h"

#include "ui/grid/columns.h"
#include "ui/grid/number_format.h"
#include "ui/grid/providers.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kCaptionMargin = 4;
constexpr int kSortMarkWidth = 8;
constexpr int kSortMarkHeight = 4;
constexpr int kIndicatorMarkWidth = 6;
constexpr int kIndicatorMarkHeight = 11;
constexpr int kOutlookInset = 2;
constexpr int kOutlookBottomInset = 4;
constexpr int kOutlookCaptionLift = 3;
constexpr int kOutlookAlphas[3] = {50, 100, 150};

// A screen size in canvas pixels, never below its screen size.
int scaled(int screenPixels, double pixelScale)
{
    return std::max(screenPixels, int(std::lround(screenPixels * pixelScale)));
}

void drawGlyphAndCaption(QPainter &painter, const QRect &rect, const QPixmap &glyph,
                         const QString &caption, TDisplayMode mode, TAlignment alignment,
                         THeaderOrientation orientation, double pixelScale = 1.0)
{
    const int margin = scaled(kCaptionMargin, pixelScale);
    QRect textRect = rect.adjusted(margin, 0, -margin, 0);
    if (mode != dmTextOnly && !glyph.isNull()) {
        const int y = rect.top() + (rect.height() - glyph.height()) / 2;
        painter.drawPixmap(textRect.left(), y, glyph);
        textRect.setLeft(textRect.left() + glyph.width() + margin);
    }
    if (mode == dmImageOnly)
        return;
    if (orientation == hoVertical)
        DrawRotatedText(painter, textRect, caption, alignment);
    else
        TGraphicsProvider::DrawSingleLineText(painter, textRect, caption, alignment);
}

} // namespace

int HeaderCaptionWidth(const TLgCustomColumn &column, const QFont &font)
{
    const TColumnHeader &header = column.Header();
    int width = 2 * kCaptionMargin;
    if (header.DisplayMode() != dmTextOnly && !header.Glyph().isNull())
        width += header.Glyph().width() + kCaptionMargin;
    if (header.DisplayMode() != dmImageOnly && !header.Caption().isEmpty())
        width += int(std::ceil(
            QFontMetricsF(font).horizontalAdvance(TextShownIn(header.Caption(), kMaxColumnWidth))));
    if (column.Options().contains(coCanSort))
        width += kCaptionMargin + kSortMarkWidth + 1;
    return width;
}

std::unique_ptr<TStyleDisplay> TStyleDisplay::Create(THeaderStyle style)
{
    switch (style) {
    case hsFlatBorders: return std::make_unique<TFlatStyleDisplay>();
    case hsOldStyle: return std::make_unique<TOldStyleDisplay>();
    case hsOutlook: return std::make_unique<TOutlookStyleDisplay>();
    case hsAuto:
    default: return std::make_unique<TDefaultStyleDisplay>();
    }
}

void TStyleDisplay::paintFrame(QPainter &painter, const QRect &rect, const QColor &color)
{
    if (Themed) {
        Themes::DrawHeaderPart(painter, Widget, rect);
        return;
    }
    painter.fillRect(rect, color);
    painter.setPen(SysColor::buttonHighlight());
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(SysColor::buttonShadow());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

void TStyleDisplay::PaintHeader(QPainter &painter, const QRect &rect, TLgCustomColumn &column,
                                const THeaderInfo &info)
{
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    QRect content = PaintHeaderBackground(painter, rect, column.Header().Color(), info);
    painter.setPen(SysColor::windowText());
    if (column.Sorted()) {
        // A small triangle at the right: pointing up ascending, down descending.
        const int markWidth = scaled(kSortMarkWidth, PixelScale);
        const int markHeight = scaled(kSortMarkHeight, PixelScale);
        const int x = content.right() - scaled(kCaptionMargin, PixelScale) - markWidth;
        const int y = content.top() + (content.height() - markHeight) / 2;
        QPolygon mark;
        if (column.SortKind() == skAscending)
            mark << QPoint(x, y + markHeight) << QPoint(x + markWidth, y + markHeight)
                 << QPoint(x + markWidth / 2, y);
        else
            mark << QPoint(x, y) << QPoint(x + markWidth, y) << QPoint(x + markWidth / 2, y + markHeight);
        painter.setBrush(SysColor::buttonShadow());
        painter.setPen(SysColor::buttonShadow());
        painter.drawPolygon(mark);
        painter.setPen(SysColor::windowText());
        content.setRight(x - 1);
    }
    const TColumnHeader &header = column.Header();
    drawGlyphAndCaption(painter, content, header.Glyph(), header.Caption(), header.DisplayMode(),
                        header.Alignment(), header.Orientation(), PixelScale);
    painter.restore();
}

void TStyleDisplay::PaintFooter(QPainter &painter, const QRect &rect, TLgCustomColumn &column)
{
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    const TColumnFooter &footer = column.Footer();
    paintFrame(painter, rect, footer.Color());
    QString caption = footer.Caption();
    if (!footer.FormatMask().isEmpty() && footer.FormulaKind() != fkNone)
        caption = FormatFloatMask(footer.FormatMask(), footer.Value);
    painter.setPen(SysColor::windowText());
    drawGlyphAndCaption(painter, rect, footer.Glyph(), caption,
                        footer.Glyph().isNull() ? dmTextOnly : dmTextAndImage, column.Alignment(),
                        hoHorizontal);
    painter.restore();
}

void TStyleDisplay::PaintInputCell(QPainter &painter, const QRect &rect, TLgCustomColumn &column)
{
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.fillRect(rect, column.Color());
    painter.setPen(SysColor::grayText());
    const QString text = column.InputValue.isEmpty() ? column.InputCaption() : column.InputValue;
    TGraphicsProvider::DrawSingleLineText(painter, rect.adjusted(kCaptionMargin, 0, 0, 0), text,
                                          column.Alignment());
    painter.restore();
}

void TStyleDisplay::PaintIndicator(QPainter &painter, const QRect &rect, bool marked)
{
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    paintFrame(painter, rect, SysColor::buttonFace());
    if (marked) {
        // A right-pointing marker, 6 pixels wide and 11 high.
        const int x = rect.left() + (rect.width() - kIndicatorMarkWidth) / 2;
        const int y = rect.top() + (rect.height() - kIndicatorMarkHeight) / 2;
        const QPoint points[3] = {{x, y},
                                  {x + kIndicatorMarkWidth - 1, y + kIndicatorMarkHeight / 2},
                                  {x, y + kIndicatorMarkHeight - 1}};
        painter.setPen(SysColor::windowText());
        painter.setBrush(SysColor::windowText());
        painter.drawPolygon(points, 3);
    }
    painter.restore();
}

void TStyleDisplay::PaintRemainder(QPainter &painter, const QRect &rect, const QColor &color)
{
    painter.fillRect(rect, color);
}

void TDefaultStyleDisplay::PaintRemainder(QPainter &painter, const QRect &rect, const QColor &color)
{
    if (Themed)
        Themes::DrawHeaderPart(painter, Widget, rect);
    else
        painter.fillRect(rect, color);
}

QRect TDefaultStyleDisplay::PaintHeaderBackground(QPainter &painter, const QRect &rect,
                                                  const QColor &color, const THeaderInfo &info)
{
    if (Themed) {
        Themes::DrawHeaderPart(painter, Widget, rect, info.state);
        return rect;
    }
    painter.fillRect(rect, info.state == Themes::THeaderState::Pressed ? color.darker(110) : color);
    painter.setPen(SysColor::buttonHighlight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(SysColor::buttonShadow());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    return rect;
}

QRect TFlatStyleDisplay::PaintHeaderBackground(QPainter &painter, const QRect &rect,
                                               const QColor &color, const THeaderInfo &)
{
    painter.fillRect(rect, color);
    painter.setPen(SysColor::grayText());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    return rect;
}

QRect TOldStyleDisplay::PaintHeaderBackground(QPainter &painter, const QRect &rect,
                                              const QColor &, const THeaderInfo &)
{
    painter.fillRect(rect.adjusted(1, 1, -1, -1), SysColor::buttonFace());
    painter.setPen(SysColor::buttonHighlight());
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(SysColor::windowFrame());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    return rect;
}

QRect TOutlookStyleDisplay::PaintHeaderBackground(QPainter &painter, const QRect &rect,
                                                  const QColor &color, const THeaderInfo &info)
{
    painter.fillRect(rect, color);
    painter.setPen(SysColor::buttonHighlight());
    if (info.first)
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
    else
        painter.drawLine(rect.left(), rect.top() + kOutlookInset, rect.left(),
                         rect.bottom() - kOutlookBottomInset);
    painter.setPen(SysColor::buttonShadow());
    if (info.last)
        painter.drawLine(rect.topRight(), rect.bottomRight());
    else
        painter.drawLine(rect.right(), rect.top() + kOutlookInset, rect.right(),
                         rect.bottom() - kOutlookBottomInset);
    for (int k = 0; k < 3; ++k) {
        painter.setPen(ColorBlend(SysColor::buttonShadow(), color, kOutlookAlphas[k]));
        const int y = rect.bottom() - 2 + k;
        painter.drawLine(rect.left(), y, rect.right(), y);
    }
    return rect.adjusted(0, 0, 0, -kOutlookCaptionLift);
}
