#include "ui/grid/column_displays.h"

#include "ui/grid/column_kinds.h"
#include "ui/grid/image_list.h"
#include "ui/grid/providers.h"
#include "ui/grid/themes.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTextMargin = 2;
constexpr int kThemedCheckBoxSize = 13;
constexpr int kPlainCheckBoxSize = 11;
constexpr int kComboImageLeft = 4;
constexpr int kComboTextGap = 11;
constexpr int kHintMarkSize = 4;
const QColor kHintMarkColor(255, 0, 0);

} // namespace

void TColumnDisplay::Paint()
{
    drawTextInCell(TextValue, CellRect);
}

void TColumnDisplay::drawTextInCell(const QString &text, const QRect &rect)
{
    if (!Canvas)
        return;
    TLgCustomColumn *c = Column();
    const int margin = std::max(kTextMargin, int(std::lround(kTextMargin * PixelScale)));
    TGraphicsProvider::DrawText(*Canvas, rect.adjusted(margin, 0, -margin, 0), text,
                                c->Alignment(), c->VerticalAlignment(), c->WrapKind, RightToLeft);
}

void TColumnDisplay::PaintHintMark()
{
    if (!Canvas)
        return;
    const QRect r = CellRect;
    const QPoint points[3] = {{r.right() - kHintMarkSize, r.top()},
                              {r.right(), r.top()},
                              {r.right(), r.top() + kHintMarkSize}};
    Canvas->save();
    Canvas->setRenderHint(QPainter::Antialiasing, false);
    Canvas->setPen(kHintMarkColor);
    Canvas->setBrush(kHintMarkColor);
    Canvas->drawPolygon(points, 3);
    Canvas->restore();
}

void TTextualColumnDisplay::Paint()
{
    drawTextInCell(Column()->DisplayText(TextValue), CellRect);
}

void TNumericColumnDisplay::Paint()
{
    auto *column = qobject_cast<TLgNumberColumn *>(Column());
    drawTextInCell(column ? column->FormatValue(FloatValue) : TextValue, CellRect);
}

void TIncrementColumnDisplay::Paint()
{
    drawTextInCell(QString::number(IntegerValue), CellRect);
}

void TImageColumnDisplay::Paint()
{
    auto *column = qobject_cast<TLgImageColumn *>(Column());
    if (!Canvas || !column || !column->Images || IntegerValue < 0
        || IntegerValue >= column->Images->Count())
        return;
    const QPixmap &image = column->Images->Image(IntegerValue);
    const QPoint at = TCalcProvider::AlignItem(CellRect, image.width(), image.height(),
                                               column->Alignment(), column->VerticalAlignment());
    Canvas->save();
    Canvas->setClipRect(CellRect, Qt::IntersectClip);
    Canvas->drawPixmap(at, image);
    Canvas->restore();
}

void TComboBoxColumnDisplay::Paint()
{
    auto *column = qobject_cast<TLgComboBoxColumn *>(Column());
    if (!Canvas || !column)
        return;
    QRect textRect = CellRect;
    if (column->DisplayMode != dmTextOnly && column->Images) {
        const int index = int(column->Items.indexOf(TextValue));
        if (index >= 0 && index < column->Images->Count()) {
            const QPixmap &image = column->Images->Image(index);
            const QPoint at(CellRect.left() + kComboImageLeft,
                            CellRect.top() + (CellRect.height() - image.height()) / 2);
            Canvas->save();
            Canvas->setClipRect(CellRect, Qt::IntersectClip);
            Canvas->drawPixmap(at, image);
            Canvas->restore();
            textRect.setLeft(CellRect.left() + kComboTextGap + image.width());
        }
    }
    if (column->DisplayMode != dmImageOnly)
        drawTextInCell(column->DisplayText(TextValue), textRect);
}

QRect TCheckBoxColumnDisplay::CheckBoxRect(const QRect &cellRect, bool themed) const
{
    const int side = themed ? kThemedCheckBoxSize : kPlainCheckBoxSize;
    const QPoint at = TCalcProvider::AlignItem(cellRect, side, side, Column()->Alignment(),
                                               Column()->VerticalAlignment());
    return QRect(at, QSize(side, side));
}

void TCheckBoxColumnDisplay::Paint()
{
    if (!Canvas)
        return;
    const QRect box = CheckBoxRect(CellRect, Themed);
    Canvas->save();
    Canvas->setClipRect(CellRect, Qt::IntersectClip);
    if (Themed) {
        Themes::DrawCheckBox(*Canvas, Widget, box, BooleanValue);
    } else {
        Canvas->fillRect(box, SysColor::window());
        Canvas->setPen(SysColor::buttonShadow());
        Canvas->drawLine(box.topLeft(), box.topRight());
        Canvas->drawLine(box.topLeft(), box.bottomLeft());
        Canvas->setPen(SysColor::buttonHighlight());
        Canvas->drawLine(box.bottomLeft(), box.bottomRight());
        Canvas->drawLine(box.topRight(), box.bottomRight());
        Canvas->setPen(SysColor::windowText());
        Canvas->drawRect(box.adjusted(1, 1, -2, -2));
        if (BooleanValue) {
            // A tick of three short strokes, the classic look.
            const int x = box.left() + 3;
            const int y = box.top() + 5;
            for (int k = 0; k < 3; ++k) {
                Canvas->drawLine(x, y + k, x + 2, y + 2 + k);
                Canvas->drawLine(x + 2, y + 2 + k, x + 6, y - 2 + k);
            }
        }
    }
    Canvas->restore();
}

void THtmlColumnDisplay::Paint()
{
    if (!Canvas)
        return;
    DrawHtmlText(*Canvas, CellRect, TextValue, Canvas->font(), Canvas->pen().color(), Selected,
                 HighlightedTextColor);
}

void TCheckBoxColumnPlay::Toggle()
{
    Value = !Value;
    InputValue = Value ? QStringLiteral("True") : QStringLiteral("False");
    if (OnChange)
        OnChange();
}
