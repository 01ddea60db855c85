#pragma once

#include "ui/grid/grid_types.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

class QPainter;

// Rectangle arithmetic.
class TCalcProvider
{
public:
    static bool PointInRect(const QPoint &point, const QRect &rect);
    // They overlap unless one lies wholly left, right, above or below the other.
    static bool RectsOverlap(const QRect &a, const QRect &b);
    static QRect MoveRect(const QRect &rect, int left, int top, int right, int bottom);
    // Top-left corner of an item of the given size placed inside the rectangle.
    static QPoint AlignItem(const QRect &rect, int width, int height, TAlignment alignment,
                            TVerticalAlignment verticalAlignment, int margin = 0);
};

class TGraphicsProvider
{
public:
    // Per channel round(color2 x factor + color1 x (1 - factor)).
    static QColor Blend(const QColor &color1, const QColor &color2, double factor);
    // Per channel (color1 x alpha + color2 x (255 - alpha)) / 256; alpha in 0..255.
    static QColor FastBlend(const QColor &color1, const QColor &color2, int alpha);
    static void SetClipRect(QPainter &painter, const QRect &rect);
    static void DrawButtonFrame(QPainter &painter, const QRect &rect, bool windowFrame);
    static void DrawFocusFrame(QPainter &painter, const QRect &rect, bool blendedSelection);
    // One line, ellipsis at the end, vertically centred.
    static void DrawSingleLineText(QPainter &painter, const QRect &rect, const QString &text,
                                   TAlignment alignment, bool rightToLeft = false);
    static void DrawText(QPainter &painter, const QRect &rect, const QString &text,
                         TAlignment alignment, TVerticalAlignment verticalAlignment,
                         TWrapKind wrapKind, bool rightToLeft = false);
};

class TMaskProvider
{
public:
    static QRgb FastBlend(QRgb color1, QRgb color2, int alpha);
};

class TDrawProvider
{
public:
    // A 32-bit image with alpha is composed over the canvas pixel by pixel;
    // any other image is drawn as it is.
    static void DrawBitmap(QPainter &painter, const QPoint &point, const QImage &image);
};

// The colour blend of the cell displays: both colours weighted by alpha and
// 255 - alpha in one pass over the red/blue and the green channels.
QColor ColorBlend(const QColor &color1, const QColor &color2, int alpha);

// What of `text` a line `width` pixels wide can show, so that a name of
// megabytes is never measured, elided or laid out whole to paint a few
// hundred pixels of it. A character that draws takes half a pixel at the
// least, so what is kept is still wider than the line whenever the text
// was: an elided text still gets its ellipsis. `alignment` says which part
// a line too narrow shows: the start (left), the end (right) or the middle.
QString TextShownIn(const QString &text, int width, Qt::Alignment alignment = Qt::AlignLeft);

// Text turned by 90 degrees (vertical headers), reading bottom to top.
void DrawRotatedText(QPainter &painter, const QRect &rect, const QString &text,
                     TAlignment alignment);
