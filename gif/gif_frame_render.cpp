// Rendering of one frame into QImage bitmaps and drawing them.
#include "gif/color_reduction.h"
#include "gif/gif_model.h"
#include "gif/gif_picture.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kProgressRowInterval = 32;
constexpr int kTableEntries = 256;

// Used when a file has neither a global nor a local table: the indices
// still carry a picture, shown as black and white rather than lost.
const QList<QRgb> &defaultPalette()
{
    static const QList<QRgb> palette{qRgb(0, 0, 0), qRgb(255, 255, 255)};
    return palette;
}

QImage allocateImage(int width, int height, QImage::Format format)
{
    if (width <= 0 || height <= 0)
        throw GIFException(MsgGifInvalidDimensions);
    QImage image(width, height, format);
    if (image.isNull())
        throw GIFException(MsgGifDibAllocation);
    return image;
}

} // namespace

QList<QRgb> TGIFSubImage::Palette()
{
    if (!m_bitmap.isNull() && !m_bitmap.colorTable().isEmpty())
        return m_bitmap.colorTable();
    if (!m_palette.isEmpty())
        return m_palette;
    if (Image() && Image()->DoDither()) {
        m_palette = WebPalette();
    } else if (m_colorMap.Count() == 0) {
        const TGIFColorMap &active = ActiveColorMap();
        return active.Count() > 0 ? active.ColorTable() : defaultPalette();
    } else {
        m_palette = m_colorMap.ColorTable();
    }
    return m_palette;
}

void TGIFSubImage::FreeBitmap()
{
    m_bitmap = QImage();
    m_mask = QImage();
    m_transparentImage = QImage();
    m_palette.clear();
    m_needMask = true;
}

void TGIFSubImage::RenderProgress(int stage, int percent)
{
    if (Image())
        Image()->Progress(TProgressStage(stage), percent, false, QRect(), msg(MsgGifRendering));
}

QImage TGIFSubImage::Bitmap()
{
    if (!m_bitmap.isNull())
        return m_bitmap;
    if (Empty())
        return QImage();
    RenderProgress(int(TProgressStage::psStarting), 0);
    try {
        m_bitmap = (Image() && Image()->DoDither()) ? RenderDithered() : RenderPlain();
    } catch (...) {
        RenderProgress(int(TProgressStage::psEnding), 0);
        throw;
    }
    RenderProgress(int(TProgressStage::psEnding), 100);
    if (Image() && Image()->PaletteModified)
        Image()->Changed();
    return m_bitmap;
}

bool TGIFSubImage::HasMask()
{
    if (m_needMask && Transparent()) {
        m_bitmap = QImage();
        m_mask = QImage();
        m_transparentImage = QImage();
        Bitmap();
    }
    return !m_mask.isNull();
}

QImage TGIFSubImage::RenderPlain()
{
    const int w = Width, h = Height;
    QImage image = allocateImage(w, h, QImage::Format_Indexed8);

    const TGIFColorMap &map = ActiveColorMap();
    QList<QRgb> colors = map.Count() > 0 ? map.ColorTable() : defaultPalette();
    const int count = int(colors.size());
    // Indices beyond the table show its first colour, as a lookup would.
    QList<QRgb> table(kTableEntries, colors.first());
    std::copy(colors.begin(), colors.end(), table.begin());
    image.setColorTable(table);

    const bool makeMask = m_needMask && Transparent();
    m_needMask = false;
    const quint8 transparentIndex = quint8(TransparentColorIndex());
    QImage mask;
    if (makeMask) {
        mask = allocateImage(w, h, QImage::Format_Mono);
        mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        mask.fill(0);
    }
    bool anyTransparent = false;
    quint8 maxIndex = 0;

    for (int y = 0; y < h; ++y) {
        if ((y % kProgressRowInterval) == 0 && Image())
            Image()->Progress(TProgressStage::psRunning, MulDiv(y, 100, h), false, QRect(),
                              msg(MsgGifRendering));
        const quint8 *src = m_data.data() + size_t(y) * w;
        std::memcpy(image.scanLine(y), src, size_t(w));
        for (int x = 0; x < w; ++x)
            maxIndex = std::max(maxIndex, src[x]);
        if (makeMask) {
            uchar *bits = mask.scanLine(y);
            for (int x = 0; x < w; ++x) {
                if (src[x] == transparentIndex) {
                    bits[x >> 3] |= uchar(0x80 >> (x & 7));
                    anyTransparent = true;
                }
            }
        }
    }
    if (maxIndex >= count)
        Warning(TGIFSeverity::gsWarning, msg(MsgGifInvalidColorIndex));
    if (anyTransparent)
        m_mask = mask;
    return image;
}

QImage TGIFSubImage::RenderDithered()
{
    const int w = Width, h = Height;
    QImage image = allocateImage(w, h, QImage::Format_RGB888);

    const TGIFColorMap &map = ActiveColorMap();
    const QList<QRgb> colors = map.Count() > 0 ? map.ColorTable() : defaultPalette();
    const int count = int(colors.size());
    bool invalidIndex = false;

    const TNetscapeColorLookup lookup;
    TFloydSteinbergDitherer ditherer(w, lookup);

    const bool makeMask = m_needMask && Transparent();
    m_needMask = false;
    const int transparentIndex = TransparentColorIndex();
    QImage mask;
    int fill[3] = {0, 0, 0};
    if (makeMask) {
        mask = allocateImage(w, h, QImage::Format_Mono);
        mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        mask.fill(0);
        const QRgb t = transparentIndex < count ? colors[transparentIndex] : colors.first();
        lookup.Lookup(qRed(t), qGreen(t), qBlue(t), fill[0], fill[1], fill[2]);
    }
    bool anyTransparent = false;

    for (int y = 0; y < h; ++y) {
        if ((y % kProgressRowInterval) == 0 && Image())
            Image()->Progress(TProgressStage::psRunning, MulDiv(y, 100, h), false, QRect(),
                              msg(MsgGifRendering));
        const quint8 *src = m_data.data() + size_t(y) * w;
        uchar *dst = image.scanLine(y);
        uchar *bits = makeMask ? mask.scanLine(y) : nullptr;
        for (int n = 0; n < w; ++n) {
            const int x = ditherer.Column();
            int index = src[x];
            uchar *px = dst + 3 * x;
            if (makeMask && index == transparentIndex) {
                bits[x >> 3] |= uchar(0x80 >> (x & 7));
                anyTransparent = true;
                px[0] = uchar(fill[0]);
                px[1] = uchar(fill[1]);
                px[2] = uchar(fill[2]);
                ditherer.Skip();
                continue;
            }
            if (index >= count) {
                invalidIndex = true;
                index = 0;
            }
            const QRgb c = colors[index];
            int r, g, b;
            ditherer.Dither(qRed(c), qGreen(c), qBlue(c), r, g, b);
            px[0] = uchar(r);
            px[1] = uchar(g);
            px[2] = uchar(b);
        }
        ditherer.NextLine();
    }
    if (invalidIndex)
        Warning(TGIFSeverity::gsWarning, msg(MsgGifInvalidColorIndex));
    if (anyTransparent)
        m_mask = mask;
    return image;
}

QImage TGIFSubImage::TransparentImage()
{
    if (!m_transparentImage.isNull())
        return m_transparentImage;
    const QImage bitmap = Bitmap();
    if (bitmap.isNull() || m_mask.isNull())
        return bitmap;
    QImage image = bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        const uchar *bits = m_mask.constScanLine(y);
        auto *px = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (bits[x >> 3] & (0x80 >> (x & 7)))
                px[x] = 0;
    }
    m_transparentImage = image;
    return image;
}

void TGIFSubImage::Draw(QPainter &painter, const QRect &rect, bool transparent, bool tile)
{
    if (tile) {
        StretchDraw(painter, rect, transparent, tile);
        return;
    }
    // A logical screen of 0 x 0 would divide by zero: the frame's own extent
    // stands in for it.
    qint64 screenWidth = Image() ? Image()->Width() : 0;
    qint64 screenHeight = Image() ? Image()->Height() : 0;
    if (screenWidth == 0)
        screenWidth = qint64(Left) + Width;
    if (screenHeight == 0)
        screenHeight = qint64(Top) + Height;
    if (screenWidth == 0 || screenHeight == 0)
        return;
    const int left = MulDiv(Left, rect.width(), screenWidth) + rect.left();
    const int top = MulDiv(Top, rect.height(), screenHeight) + rect.top();
    const int right = MulDiv(qint64(Left) + Width, rect.width(), screenWidth) + rect.left();
    const int bottom = MulDiv(qint64(Top) + Height, rect.height(), screenHeight) + rect.top();
    StretchDraw(painter, QRect(left, top, right - left, bottom - top), transparent, tile);
}

void TGIFSubImage::StretchDraw(QPainter &painter, const QRect &rect, bool transparent, bool tile)
{
    if (rect.isEmpty())
        return;
    const bool masked = transparent && Transparent() && HasMask();
    const QImage source = masked ? TransparentImage() : Bitmap();
    if (source.isNull())
        return;
    if (!tile) {
        painter.drawImage(rect, source);
        return;
    }
    const int stepX = Image() ? Image()->Width() : 0;
    const int stepY = Image() ? Image()->Height() : 0;
    if (stepX <= 0 || stepY <= 0)
        return; // nothing to step by: tiling would never advance
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    for (qint64 y = qint64(rect.top()) + Top; y <= rect.bottom(); y += stepY)
        for (qint64 x = qint64(rect.left()) + Left; x <= rect.right(); x += stepX)
            painter.drawImage(QPoint(int(x), int(y)), source);
    painter.restore();
}
