#include "ui/grid/providers.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

constexpr int kMaxAlpha = 255;

int blendChannel(int c1, int c2, double factor)
{
    return int(std::lround(c2 * factor + c1 * (1.0 - factor)));
}

Qt::Alignment horizontalFlag(TAlignment alignment)
{
    switch (alignment) {
    case taRightJustify: return Qt::AlignRight;
    case taCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

// The side of a line that a text too long for it shows, for left-to-right
// text: a right-to-left layout shows the other side.
Qt::Alignment visualSide(TAlignment alignment, bool rightToLeft)
{
    const Qt::Alignment side = horizontalFlag(alignment);
    if (!rightToLeft || side == Qt::AlignHCenter)
        return side;
    return side == Qt::AlignLeft ? Qt::AlignRight : Qt::AlignLeft;
}

Qt::Alignment verticalFlag(TVerticalAlignment alignment)
{
    switch (alignment) {
    case vaTop: return Qt::AlignTop;
    case vaBottom: return Qt::AlignBottom;
    default: return Qt::AlignVCenter;
    }
}

// Characters a pixel of line can show, with room to spare.
constexpr int kShownCharsPerPixel = 2;

// Moves a cut off the middle of a surrogate pair.
qsizetype wholeCharacterAt(const QString &text, qsizetype at)
{
    return at > 0 && at < text.size() && text.at(at).isLowSurrogate() ? at + 1 : at;
}

} // namespace

QString TextShownIn(const QString &text, int width, Qt::Alignment alignment)
{
    const qsizetype keep = qsizetype(std::max(width, 0)) * kShownCharsPerPixel + 2;
    if (text.size() <= keep)
        return text;
    qsizetype from = 0;
    if (alignment & Qt::AlignRight)
        from = text.size() - keep;
    else if (alignment & Qt::AlignHCenter)
        from = (text.size() - keep) / 2;
    from = wholeCharacterAt(text, from);
    return text.mid(from, wholeCharacterAt(text, from + keep) - from);
}

bool TCalcProvider::PointInRect(const QPoint &point, const QRect &rect)
{
    return rect.contains(point);
}

bool TCalcProvider::RectsOverlap(const QRect &a, const QRect &b)
{
    return !(a.right() < b.left() || a.left() > b.right() || a.bottom() < b.top()
             || a.top() > b.bottom());
}

QRect TCalcProvider::MoveRect(const QRect &rect, int left, int top, int right, int bottom)
{
    return rect.adjusted(left, top, right, bottom);
}

QPoint TCalcProvider::AlignItem(const QRect &rect, int width, int height, TAlignment alignment,
                                TVerticalAlignment verticalAlignment, int margin)
{
    int x = rect.left() + margin;
    if (alignment == taRightJustify)
        x = rect.right() + 1 - margin - width;
    else if (alignment == taCenter)
        x = rect.left() + (rect.width() - width) / 2;
    int y = rect.top() + margin;
    if (verticalAlignment == vaBottom)
        y = rect.bottom() + 1 - margin - height;
    else if (verticalAlignment == vaMiddle)
        y = rect.top() + (rect.height() - height) / 2;
    return {x, y};
}

QColor TGraphicsProvider::Blend(const QColor &color1, const QColor &color2, double factor)
{
    return QColor(blendChannel(color1.red(), color2.red(), factor),
                  blendChannel(color1.green(), color2.green(), factor),
                  blendChannel(color1.blue(), color2.blue(), factor));
}

QColor TGraphicsProvider::FastBlend(const QColor &color1, const QColor &color2, int alpha)
{
    return QColor::fromRgb(TMaskProvider::FastBlend(color1.rgb(), color2.rgb(), alpha));
}

void TGraphicsProvider::SetClipRect(QPainter &painter, const QRect &rect)
{
    painter.setClipRect(rect);
}

void TGraphicsProvider::DrawButtonFrame(QPainter &painter, const QRect &rect, bool windowFrame)
{
    painter.fillRect(rect.adjusted(1, 1, -1, -1), SysColor::buttonFace());
    painter.setPen(SysColor::buttonHighlight());
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(windowFrame ? SysColor::windowFrame() : SysColor::buttonShadow());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

void TGraphicsProvider::DrawFocusFrame(QPainter &painter, const QRect &rect, bool blendedSelection)
{
    painter.save();
    painter.setBrush(Qt::NoBrush);
    if (blendedSelection) {
        painter.setPen(SysColor::highlight());
    } else {
        QPen pen(Qt::black);
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
    }
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

void TGraphicsProvider::DrawSingleLineText(QPainter &painter, const QRect &rect,
                                           const QString &text, TAlignment alignment,
                                           bool rightToLeft)
{
    DrawText(painter, rect, text, alignment, vaMiddle, wkEllipsis, rightToLeft);
}

void TGraphicsProvider::DrawText(QPainter &painter, const QRect &rect, const QString &text,
                                 TAlignment alignment, TVerticalAlignment verticalAlignment,
                                 TWrapKind wrapKind, bool rightToLeft)
{
    if (text.isEmpty() || rect.isEmpty())
        return;
    painter.save();
    if (rightToLeft)
        painter.setLayoutDirection(Qt::RightToLeft);
    int flags = int(horizontalFlag(alignment) | verticalFlag(verticalAlignment));
    QString shown;
    switch (wrapKind) {
    case wkWordWrap: {
        flags |= Qt::TextWordWrap;
        const QFontMetrics metrics(painter.font());
        const int lines = rect.height() / std::max(metrics.lineSpacing(), 1) + 1;
        shown = TextShownIn(text, rect.width() * lines);
        break;
    }
    case wkEllipsis:
        flags |= Qt::TextSingleLine;
        shown = QFontMetrics(painter.font())
                    .elidedText(TextShownIn(text, rect.width()), Qt::ElideRight, rect.width());
        break;
    case wkNone:
        flags |= Qt::TextSingleLine;
        shown = TextShownIn(text, rect.width(), visualSide(alignment, rightToLeft));
        break;
    }
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawText(rect, flags, shown);
    painter.restore();
}

QRgb TMaskProvider::FastBlend(QRgb color1, QRgb color2, int alpha)
{
    assert(alpha >= 0 && alpha <= kMaxAlpha);
    const int b = kMaxAlpha - alpha;
    auto channel = [&](int c1, int c2) { return (c1 * alpha + c2 * b) / 256; };
    return qRgb(channel(qRed(color1), qRed(color2)), channel(qGreen(color1), qGreen(color2)),
                channel(qBlue(color1), qBlue(color2)));
}

void TDrawProvider::DrawBitmap(QPainter &painter, const QPoint &point, const QImage &image)
{
    if (!image.hasAlphaChannel() || image.depth() != 32) {
        painter.drawImage(point, image);
        return;
    }
    // Compose by hand over what the canvas holds, so the result does not
    // depend on the paint device's own blending.
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage background(source.size(), QImage::Format_RGB32);
    background.fill(Qt::white);
    if (QPaintDevice *device = painter.device()) {
        if (auto *target = dynamic_cast<QImage *>(device)) {
            const QPoint origin = painter.transform().map(point);
            background = target->copy(QRect(origin, source.size())).convertToFormat(QImage::Format_RGB32);
        }
    }
    for (int y = 0; y < source.height(); ++y) {
        const QRgb *src = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        QRgb *dst = reinterpret_cast<QRgb *>(background.scanLine(y));
        for (int x = 0; x < source.width(); ++x)
            dst[x] = TMaskProvider::FastBlend(src[x], dst[x], qAlpha(src[x]));
    }
    painter.drawImage(point, background);
}

QColor ColorBlend(const QColor &color1, const QColor &color2, int alpha)
{
    assert(alpha >= 0 && alpha <= kMaxAlpha);
    const quint32 c1 = color1.rgb() & 0xFFFFFF;
    const quint32 c2 = color2.rgb() & 0xFFFFFF;
    const quint32 b = quint32(kMaxAlpha - alpha);
    const quint32 a = quint32(alpha);
    const quint32 redBlue = ((c1 & 0xFF00FF) * a + (c2 & 0xFF00FF) * b) & 0xFF00FF00u;
    const quint32 green = ((c1 & 0xFF00) * a + (c2 & 0xFF00) * b) & 0xFF0000u;
    return QColor::fromRgb(QRgb((redBlue + green) >> 8));
}

void DrawRotatedText(QPainter &painter, const QRect &rect, const QString &text,
                     TAlignment alignment)
{
    painter.save();
    painter.translate(rect.left(), rect.bottom() + 1);
    painter.rotate(-90);
    const QRect turned(0, 0, rect.height(), rect.width());
    painter.drawText(turned, int(horizontalFlag(alignment) | Qt::AlignVCenter | Qt::TextSingleLine),
                     TextShownIn(text, turned.width(), horizontalFlag(alignment)));
    painter.restore();
}
