#include "ui/editors/edit_artwork.h"

#include <QPainter>
#include <QPolygon>

namespace {

constexpr int kGlyphSize = 16;
constexpr int kCursorSize = 32;

} // namespace

QCursor reversedArrowCursor()
{
    QPixmap pixmap(kCursorSize, kCursorSize);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing, false);
        // The standard arrow, mirrored: its tip at the top right.
        const QPolygon arrow({{11, 0}, {11, 16}, {7, 12}, {4, 18}, {2, 17}, {5, 11}, {0, 11}});
        painter.setPen(Qt::white);
        painter.setBrush(Qt::black);
        painter.drawPolygon(arrow);
    }
    return QCursor(pixmap, 11, 0);
}

QPixmap moreColorsGlyph()
{
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QColor colors[] = {Qt::red, Qt::yellow, Qt::green, Qt::blue};
    for (int i = 0; i < 4; ++i) {
        const QRect cell((i % 2) * 7 + 1, (i / 2) * 7 + 1, 6, 6);
        painter.fillRect(cell, colors[i]);
        painter.setPen(Qt::black);
        painter.drawRect(cell.adjusted(0, 0, -1, -1));
    }
    return pixmap;
}

void drawNoneColor(QPainter &painter, const QRect &rect)
{
    painter.save();
    painter.fillRect(rect, Qt::white);
    painter.setPen(Qt::red);
    painter.drawLine(rect.topLeft(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.topRight());
    painter.restore();
}

QPixmap noneColorGlyph()
{
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QRect box(2, 2, 12, 12);
    drawNoneColor(painter, box);
    painter.setPen(Qt::black);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    return pixmap;
}
