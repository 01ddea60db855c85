// Rendering of one frame into QImage bitmaps and drawing them.
#include "gif/color_reduction.h"
#include "gif/gif_model.h"
#include "gif/gif_picture.h"

#include <QPainter>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr int kProgressRowInterval = 32;
constexpr int kTableEntries = 256;

// Per-pixel loops give a coverage-guided fuzzer nothing to steer by, and
// tracing their comparisons made a frame of the largest size take half a
// minute in its build: they go uninstrumented (the sanitizers still check them).
#if defined(__clang__)
#define GIF_PIXEL_LOOP __attribute__((no_sanitize("coverage")))
#else
#define GIF_PIXEL_LOOP
#endif

// Used when a file has neither a global nor a local table: the indices
// still carry a picture, shown as black and white rather than lost.
const QList<QRgb> &defaultPalette()
{
    static const QList<QRgb> palette{qRgb(0, 0, 0), qRgb(255, 255, 255)};
    return palette;
}

// Floyd-Steinberg onto the web cube: the arithmetic of TFloydSteinbergDitherer
// over TNetscapeColorLookup (error in sixteenths, 7 ahead and 3 5 1 below,
// serpentine), without two virtual calls per pixel, for frames of up to the
// pixel limit. Writes web palette indices.
class WebCubeDitherer
{
public:
    struct Rgb {
        int r, g, b;
    };

    explicit WebCubeDitherer(int width)
        : m_width(width), m_current(size_t(width + 2) * 3, 0), m_next(size_t(width + 2) * 3, 0)
    {
        for (int v = -kQuantizedOffset; v < kQuantizedOffset * 3; ++v) {
            const int adjusted = std::clamp(v, 0, 255);
            const int lv = level(adjusted);
            m_quantized[size_t(v + kQuantizedOffset)] = {lv, adjusted - lv * kStep};
        }
    }

    static int Nearest(const Rgb &c)
    {
        constexpr int n = TNetscapeColorLookup::kLevels;
        return (level(c.r) * n + level(c.g)) * n + level(c.b);
    }

    // One row of colour indices to web indices in the current direction,
    // then turns round. Pixels of index `transparent` (-1: none) get `fill`
    // and their mask bit, and neither take nor spread error. Returns
    // whether any did.
    GIF_PIXEL_LOOP bool Row(const quint8 *src, uchar *dst, const Rgb *table, int transparent,
                            uchar fill, uchar *maskBits)
    {
        constexpr int n = TNetscapeColorLookup::kLevels;
        bool anyTransparent = false;
        const int d = m_direction;
        // The error pushed ahead along the row stays in registers: it is
        // what the next pixel waits for.
        int ahead[3] = {0, 0, 0};
        for (int i = 0, x = d > 0 ? 0 : m_width - 1; i < m_width; ++i, x += d) {
            const int index = src[x];
            if (index == transparent) {
                maskBits[x >> 3] |= uchar(0x80 >> (x & 7));
                anyTransparent = true;
                dst[x] = fill;
                ahead[0] = ahead[1] = ahead[2] = 0;
                continue;
            }
            const Rgb &c = table[index];
            const int in[3] = {c.r, c.g, c.b};
            int *next = m_next.data() + size_t(x + 1) * 3;
            const int *current = m_current.data() + size_t(x + 1) * 3;
            int levels[3];
            for (int k = 0; k < 3; ++k) {
                // C++ division truncates toward zero, as the generic ditherer's does.
                const int wanted = in[k] + (current[k] + ahead[k] + 8) / 16;
                const Quantized &q = m_quantized[size_t(wanted + kQuantizedOffset)];
                levels[k] = q.level;
                const int e = q.error;
                ahead[k] = 7 * e;
                next[k - 3 * d] += 3 * e;
                next[k] += 5 * e;
                next[k + 3 * d] += e;
            }
            dst[x] = uchar((levels[0] * n + levels[1]) * n + levels[2]);
        }
        std::swap(m_current, m_next);
        std::fill(m_next.begin(), m_next.end(), 0);
        m_direction = -m_direction;
        return anyTransparent;
    }

private:
    static constexpr int kStep = TNetscapeColorLookup::kLevelStep;
    static int level(int component) { return (component + 3) / kStep; }

    // The clamp and the nearest level of every value a pixel can ask for:
    // an error is at most 47 (the levels round (c + 3) / 51 down) and the
    // four shares of the errors reaching a pixel add up to one error, so
    // wanted values lie in -3..302, well inside the table.
    struct Quantized {
        int level;
        int error;
    };
    static constexpr int kQuantizedOffset = 128;
    std::array<Quantized, kQuantizedOffset * 4> m_quantized{};

    int m_width;
    std::vector<int> m_current;
    std::vector<int> m_next;
    int m_direction = 1;
};

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

GIF_PIXEL_LOOP QImage TGIFSubImage::RenderPlain()
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

GIF_PIXEL_LOOP QImage TGIFSubImage::RgbBitmap(QImage::Format format) const
{
    if (format != QImage::Format_RGB888 && format != QImage::Format_RGB32)
        throw GIFException(MsgGifUnsupportedPixelFormat);
    if (Empty())
        return QImage();
    const int w = Width, h = Height;
    QImage image = allocateImage(w, h, format);

    const TGIFColorMap &map = ActiveColorMap();
    const int count = map.Count() > 0 ? map.Count() : int(defaultPalette().size());
    // One 32-bit word per index: 0xffRRGGBB for RGB32; for RGB888 the bytes
    // R, G, B in memory order, so each pixel is one (overlapping) store.
    std::array<quint32, kTableEntries> table;
    for (int i = 0; i < kTableEntries; ++i) {
        const int k = i < count ? i : 0;
        quint32 r, g, b;
        if (map.Count() > 0) {
            const TGIFColor c = map.Data()[k];
            r = c.Red, g = c.Green, b = c.Blue;
        } else {
            const QRgb c = defaultPalette()[k];
            r = quint32(qRed(c)), g = quint32(qGreen(c)), b = quint32(qBlue(c));
        }
        table[size_t(i)] = format == QImage::Format_RGB32
            ? (0xFF000000u | (r << 16) | (g << 8) | b)
            : qFromLittleEndian<quint32>(r | (g << 8) | (b << 16));
    }

    quint8 maxIndex = 0;
    for (qint64 i = 0, n = DataSize(); i < n; ++i)
        maxIndex = std::max(maxIndex, m_data[size_t(i)]);
    if (maxIndex >= count)
        Warning(TGIFSeverity::gsWarning, msg(MsgGifInvalidColorIndex));

    for (int y = 0; y < h; ++y) {
        const quint8 *src = m_data.data() + size_t(y) * w;
        uchar *dst = image.scanLine(y);
        if (format == QImage::Format_RGB32) {
            auto *px = reinterpret_cast<quint32 *>(dst);
            for (int x = 0; x < w; ++x)
                px[x] = table[src[x]];
        } else {
            // Four bytes a pixel, the fourth overwritten by the next one;
            // the last pixel of a row takes its three bytes only.
            for (int x = 0; x < w - 1; ++x)
                std::memcpy(dst + 3 * x, &table[src[x]], 4);
            std::memcpy(dst + 3 * (w - 1), &table[src[w - 1]], 3);
        }
    }
    return image;
}

GIF_PIXEL_LOOP QImage TGIFSubImage::RenderDithered()
{
    const int w = Width, h = Height;
    QImage image = allocateImage(w, h, QImage::Format_Indexed8);
    image.setColorTable(WebPalette());

    const TGIFColorMap &map = ActiveColorMap();
    const QList<QRgb> colors = map.Count() > 0 ? map.ColorTable() : defaultPalette();
    const int count = int(colors.size());
    // Indices beyond the table dither its first colour (and warn).
    std::array<WebCubeDitherer::Rgb, kTableEntries> table;
    for (int i = 0; i < kTableEntries; ++i) {
        const QRgb c = colors[i < count ? i : 0];
        table[size_t(i)] = {qRed(c), qGreen(c), qBlue(c)};
    }
    bool invalidIndex = false;

    WebCubeDitherer ditherer(w);

    const bool makeMask = m_needMask && Transparent();
    m_needMask = false;
    const int transparentIndex = TransparentColorIndex();
    QImage mask;
    uchar fill = 0;
    if (makeMask) {
        mask = allocateImage(w, h, QImage::Format_Mono);
        mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        mask.fill(0);
        fill = uchar(WebCubeDitherer::Nearest(table[size_t(transparentIndex)]));
    }
    bool anyTransparent = false;

    for (int y = 0; y < h; ++y) {
        if ((y % kProgressRowInterval) == 0 && Image())
            Image()->Progress(TProgressStage::psRunning, MulDiv(y, 100, h), false, QRect(),
                              msg(MsgGifRendering));
        const quint8 *src = m_data.data() + size_t(y) * w;
        uchar *bits = makeMask ? mask.scanLine(y) : nullptr;
        if (!invalidIndex) {
            for (int x = 0; x < w; ++x)
                invalidIndex |= src[x] >= count && !(makeMask && src[x] == transparentIndex);
        }
        anyTransparent |= ditherer.Row(src, image.scanLine(y), table.data(),
                                       makeMask ? transparentIndex : -1, fill, bits);
    }
    if (invalidIndex)
        Warning(TGIFSeverity::gsWarning, msg(MsgGifInvalidColorIndex));
    if (anyTransparent)
        m_mask = mask;
    return image;
}

GIF_PIXEL_LOOP QImage TGIFSubImage::TransparentImage()
{
    if (!m_transparentImage.isNull())
        return m_transparentImage;
    const QImage bitmap = Bitmap();
    if (bitmap.isNull() || m_mask.isNull())
        return bitmap;
    // A clear colour-table entry draws the transparent pixels through; the
    // pixels stay one byte each.
    QImage image = bitmap;
    QList<QRgb> table = image.colorTable();
    if (table.size() >= kTableEntries) {
        // Plain: the mask marks exactly the pixels of the transparent index.
        const int index = TransparentColorIndex();
        if (index >= 0 && index < table.size())
            table[index] = 0;
        image.setColorTable(table);
    } else {
        // Dithered: transparent pixels share their web index with visible
        // ones, so the mask moves them to an extra, clear entry.
        const uchar clear = uchar(table.size());
        table.append(0);
        image.setColorTable(table);
        const int w = image.width();
        for (int y = 0; y < image.height(); ++y) {
            const uchar *bits = m_mask.constScanLine(y);
            uchar *px = image.scanLine(y);
            for (int x = 0; x < w; ++x)
                if (bits[x >> 3] & (0x80 >> (x & 7)))
                    px[x] = clear;
        }
    }
    m_transparentImage = image;
    return image;
}

QRect TGIFSubImage::DrawRect(const QRect &rect) const
{
    // A logical screen of 0 x 0 would divide by zero: the frame's own extent
    // stands in for it.
    qint64 screenWidth = Image() ? Image()->Width() : 0;
    qint64 screenHeight = Image() ? Image()->Height() : 0;
    if (screenWidth == 0)
        screenWidth = qint64(Left) + Width;
    if (screenHeight == 0)
        screenHeight = qint64(Top) + Height;
    if (screenWidth == 0 || screenHeight == 0)
        return QRect();
    const int left = MulDiv(Left, rect.width(), screenWidth) + rect.left();
    const int top = MulDiv(Top, rect.height(), screenHeight) + rect.top();
    const int right = MulDiv(qint64(Left) + Width, rect.width(), screenWidth) + rect.left();
    const int bottom = MulDiv(qint64(Top) + Height, rect.height(), screenHeight) + rect.top();
    return QRect(left, top, right - left, bottom - top);
}

void TGIFSubImage::Draw(QPainter &painter, const QRect &rect, bool transparent, bool tile)
{
    if (tile) {
        StretchDraw(painter, rect, transparent, tile);
        return;
    }
    StretchDraw(painter, DrawRect(rect), transparent, tile);
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
