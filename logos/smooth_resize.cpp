#include "logos/smooth_resize.h"

#include "core/util/mul_div.h"

#include <QImage>

#include <algorithm>

namespace {

constexpr int kOne = 1 << 16; // 1.0 in 16.16 fixed point
constexpr int kChannels = 3;

} // namespace

void smoothResize(const QImage &source, QImage &destination)
{
    if (source.isNull() || destination.isNull())
        return;
    const QImage src = source.convertToFormat(QImage::Format_RGB888);
    if (destination.format() != QImage::Format_RGB888)
        destination = destination.convertToFormat(QImage::Format_RGB888);
    const int sw = src.width();
    const int sh = src.height();
    const int dw = destination.width();
    const int dh = destination.height();
    if (sw == dw && sh == dh) {
        destination = src;
        return;
    }

    const int xStep = MulDiv(sw - 1, kOne, dw);
    const int yStep = MulDiv(sh - 1, kOne, dh);
    int y = 0;
    for (int row = 0; row < dh; ++row, y += yStep) {
        const int sy = y >> 16;
        const qint64 fy = y & 0xFFFF;
        const uchar *upper = src.constScanLine(sy);
        const uchar *lower = src.constScanLine(sy < sh - 1 ? sy + 1 : sy);
        const qint64 wu = kOne - fy;
        const qint64 wl = fy + 1; // the two weights add up to 65537
        uchar *out = destination.scanLine(row);
        int x = 0;
        for (int c = 0; c < dw; ++c, x += xStep) {
            const int sx = x >> 16;
            // A source one pixel wide has no right-hand neighbour to blend in.
            const int right = sx < sw - 1 ? sx + 1 : sx;
            const qint64 fx = x & 0xFFFF;
            const qint64 a = MulDiv(fx, wu, kOne);
            const qint64 b = MulDiv(fx, wl, kOne);
            const uchar *ul = upper + sx * kChannels;
            const uchar *ur = upper + right * kChannels;
            const uchar *ll = lower + sx * kChannels;
            const uchar *lr = lower + right * kChannels;
            for (int ch = 0; ch < kChannels; ++ch) {
                const qint64 value =
                    (ul[ch] * (wu - a) + ur[ch] * a + ll[ch] * (wl - b) + lr[ch] * b) >> 16;
                out[c * kChannels + ch] = uchar(std::min<qint64>(value, 255));
            }
        }
    }
}
