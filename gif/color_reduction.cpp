#include "gif/color_reduction.h"

#include <algorithm>
#include <limits>

int TNetscapeColorLookup::Lookup(int red, int green, int blue, int &r, int &g, int &b) const
{
    const int lr = (red + 3) / kLevelStep;
    const int lg = (green + 3) / kLevelStep;
    const int lb = (blue + 3) / kLevelStep;
    r = lr * kLevelStep;
    g = lg * kLevelStep;
    b = lb * kLevelStep;
    return lr * kLevels * kLevels + lg * kLevels + lb;
}

const QList<QRgb> &WebPalette()
{
    static const QList<QRgb> palette = [] {
        QList<QRgb> p;
        constexpr int n = TNetscapeColorLookup::kLevels;
        constexpr int step = TNetscapeColorLookup::kLevelStep;
        for (int r = 0; r < n; ++r)
            for (int g = 0; g < n; ++g)
                for (int b = 0; b < n; ++b)
                    p.append(qRgb(r * step, g * step, b * step));
        return p;
    }();
    return palette;
}


TSlowColorLookup::TSlowColorLookup(const QList<QRgb> &palette)
    : TColorLookup(int(palette.size())), m_palette(palette), m_cache(size_t(1) << kCacheBits)
{
}

int TSlowColorLookup::Lookup(int red, int green, int blue, int &r, int &g, int &b) const
{
    const quint32 key = (quint32(red) << 16) | (quint32(green) << 8) | quint32(blue);
    CacheEntry &entry = m_cache[((key >> kCacheBits) ^ key) & ((1u << kCacheBits) - 1)];
    int index = entry.index;
    if (entry.key != key) {
        index = 0;
        int best = std::numeric_limits<int>::max();
        for (int i = 0; i < int(m_palette.size()); ++i) {
            const QRgb c = m_palette[i];
            const int dr = qRed(c) - red, dg = qGreen(c) - green, db = qBlue(c) - blue;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < best) {
                best = distance;
                index = i;
                if (distance == 0)
                    break;
            }
        }
        entry = {key, index};
    }
    const QRgb c = m_palette.value(index);
    r = qRed(c);
    g = qGreen(c);
    b = qBlue(c);
    return index;
}

namespace {
// Luminance weights in 256ths.
constexpr int kRedWeight = 77;
constexpr int kGreenWeight = 150;
constexpr int kBlueWeight = 29;
constexpr int kMonochromeThreshold = 32512; // 127 * 256: grey 127 is black, 128 white

int luminance256(int red, int green, int blue)
{
    return kRedWeight * red + kGreenWeight * green + kBlueWeight * blue;
}
} // namespace

int TGrayScaleLookup::Lookup(int red, int green, int blue, int &r, int &g, int &b) const
{
    const int grey = luminance256(red, green, blue) >> 8;
    r = g = b = grey;
    return grey;
}

int TMonochromeLookup::Lookup(int red, int green, int blue, int &r, int &g, int &b) const
{
    if (luminance256(red, green, blue) > kMonochromeThreshold) {
        r = g = b = 255;
        return 1;
    }
    r = g = b = 0;
    return 0;
}

// --- octree ------------------------------------------------------------------

TColorQuantizer::TColorQuantizer(int maxColors) : m_maxColors(std::max(maxColors, 1))
{
    m_nodes.reserve(1024);
    CreateNode(0);
}

int TColorQuantizer::CreateNode(int level)
{
    // Folded leaves are recycled, so the tree stays small however many
    // colours pass through it.
    int index;
    if (!m_free.empty()) {
        index = m_free.back();
        m_free.pop_back();
        m_nodes[size_t(index)] = TOctreeNode();
    } else {
        index = int(m_nodes.size());
        m_nodes.emplace_back();
    }
    TOctreeNode &node = m_nodes[size_t(index)];
    if (level == kColorBits) {
        node.leaf = true;
        ++m_leafCount;
    } else {
        node.nextReducible = m_reducible[size_t(level)];
        m_reducible[size_t(level)] = index;
    }
    return index;
}

void TColorQuantizer::AddColor(int red, int green, int blue)
{
    int node = 0;
    for (int level = 0; !m_nodes[size_t(node)].leaf; ++level) {
        const int shift = 7 - level;
        const int child = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1)
            | ((blue >> shift) & 1);
        int next = m_nodes[size_t(node)].children[size_t(child)];
        if (next < 0) {
            next = CreateNode(level + 1); // may move m_nodes: index again below
            m_nodes[size_t(node)].children[size_t(child)] = next;
        }
        node = next;
    }
    TOctreeNode &leaf = m_nodes[size_t(node)];
    ++leaf.pixelCount;
    leaf.red += quint64(red);
    leaf.green += quint64(green);
    leaf.blue += quint64(blue);
    while (m_leafCount > m_maxColors)
        ReduceTree();
}

void TColorQuantizer::ReduceTree()
{
    int level = kColorBits - 1;
    while (level > 0 && m_reducible[size_t(level)] < 0)
        --level;
    const int index = m_reducible[size_t(level)];
    if (index < 0)
        return;
    TOctreeNode &node = m_nodes[size_t(index)];
    m_reducible[size_t(level)] = node.nextReducible;
    int children = 0;
    for (int &child : node.children) {
        if (child < 0)
            continue;
        // Children of a reducible node at the deepest populated level are leaves.
        const TOctreeNode &c = m_nodes[size_t(child)];
        node.red += c.red;
        node.green += c.green;
        node.blue += c.blue;
        node.pixelCount += c.pixelCount;
        m_free.push_back(child);
        child = -1;
        ++children;
    }
    node.leaf = true;
    m_leafCount -= children - 1;
}

void TColorQuantizer::AddImage(const QImage &rgb888)
{
    for (int y = 0; y < rgb888.height(); ++y) {
        const uchar *p = rgb888.constScanLine(y);
        for (int x = 0; x < rgb888.width(); ++x, p += 3)
            AddColor(p[0], p[1], p[2]);
    }
}

void TColorQuantizer::CollectPalette(int index, QList<QRgb> &palette) const
{
    const TOctreeNode &node = m_nodes[size_t(index)];
    if (node.leaf) {
        if (node.pixelCount > 0)
            palette.append(qRgb(int(node.red / node.pixelCount), int(node.green / node.pixelCount),
                                int(node.blue / node.pixelCount)));
        return;
    }
    for (int child : node.children)
        if (child >= 0)
            CollectPalette(child, palette);
}

QList<QRgb> TColorQuantizer::Palette() const
{
    QList<QRgb> palette;
    CollectPalette(0, palette);
    return palette;
}

// --- palettes ----------------------------------------------------------------

namespace {

constexpr int kSystemHalf = 10; // the display's fixed colours: 10 at each end
constexpr int kQuantizeWindowsColors = 236;
constexpr int kPaletteSize = 256;
constexpr quint32 kMaxReductionBits = 8;

QList<QRgb> greys(std::initializer_list<int> levels)
{
    QList<QRgb> p;
    for (int v : levels)
        p.append(qRgb(v, v, v));
    return p;
}

} // namespace

const QList<QRgb> &Windows20Palette()
{
    static const QList<QRgb> palette = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),     qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128),   qRgb(0, 128, 128),   qRgb(192, 192, 192),
        qRgb(192, 220, 192), qRgb(166, 202, 240), qRgb(255, 251, 240), qRgb(160, 160, 164),
        qRgb(128, 128, 128), qRgb(255, 0, 0),     qRgb(0, 255, 0),     qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255),   qRgb(255, 255, 255),
    };
    return palette;
}

// The display's fixed colours around the colour cube, with the grey steps
// the cube lacks.
const QList<QRgb> &HalftonePalette()
{
    static const QList<QRgb> palette = [] {
        const QList<QRgb> &system = Windows20Palette();
        QList<QRgb> p = system.mid(0, kSystemHalf);
        p += WebPalette();
        constexpr int kGreySteps = kPaletteSize - 2 * kSystemHalf - 216;
        for (int i = 1; i <= kGreySteps; ++i) {
            const int v = i * 255 / (kGreySteps + 1);
            p.append(qRgb(v, v, v));
        }
        p += system.mid(kSystemHalf);
        return p;
    }();
    return palette;
}

const QList<QRgb> &Grayscale4Palette()
{
    static const QList<QRgb> palette = greys({0, 128, 192, 255});
    return palette;
}

const QList<QRgb> &MonochromePalette()
{
    static const QList<QRgb> palette = greys({0, 255});
    return palette;
}

const QList<QRgb> &GrayscalePalette()
{
    static const QList<QRgb> palette = [] {
        QList<QRgb> p;
        for (int v = 0; v < TGrayScaleLookup::kGreys; ++v)
            p.append(qRgb(v, v, v));
        return p;
    }();
    return palette;
}

namespace {

QList<QRgb> reductionPalette(const QImage &rgb, int reduction, quint32 reductionBits,
                             const QList<QRgb> &customPalette)
{
    switch (reduction) {
    case rmWindows20:
        return Windows20Palette();
    case rmHalftone:
        return HalftonePalette();
    case rmGrayscale4:
        return Grayscale4Palette();
    case rmMonochrome:
        return MonochromePalette();
    case rmGrayscale:
        return GrayscalePalette();
    case rmNetscape:
        return WebPalette();
    case rmQuantize: {
        TColorQuantizer quantizer(1 << std::min(reductionBits, kMaxReductionBits));
        quantizer.AddImage(rgb);
        return quantizer.Palette();
    }
    case rmQuantizeWindows: {
        TColorQuantizer quantizer(kQuantizeWindowsColors);
        quantizer.AddImage(rgb);
        QList<QRgb> p = Windows20Palette().mid(0, kSystemHalf);
        p += quantizer.Palette();
        while (p.size() < kPaletteSize - kSystemHalf)
            p.append(qRgb(0, 0, 0));
        p += Windows20Palette().mid(kSystemHalf);
        return p;
    }
    case rmPalette:
        return customPalette.mid(0, kPaletteSize);
    default:
        return {};
    }
}

std::unique_ptr<TColorLookup> reductionLookup(int reduction, const QList<QRgb> &palette)
{
    switch (reduction) {
    case rmMonochrome:
        return std::make_unique<TMonochromeLookup>();
    case rmGrayscale:
        return std::make_unique<TGrayScaleLookup>();
    case rmNetscape:
        return std::make_unique<TNetscapeColorLookup>();
    default:
        return std::make_unique<TSlowColorLookup>(palette);
    }
}

} // namespace

QImage ReduceColors(const QImage &source, int reduction, int ditherMode, quint32 reductionBits,
                    const QList<QRgb> &customPalette)
{
    if (source.isNull() || reduction <= rmNone || reduction > rmPalette)
        return QImage();
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    const QList<QRgb> palette = reductionPalette(rgb, reduction, reductionBits, customPalette);
    const auto lookup = reductionLookup(reduction, palette);
    if (lookup->Colors() <= 0 || palette.isEmpty())
        return QImage();

    const int width = rgb.width();
    QImage result(rgb.size(), QImage::Format_Indexed8);
    if (result.isNull())
        return QImage();
    result.setColorTable(palette);
    const auto ditherer = CreateDitherer(ditherMode, width, *lookup);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar *src = rgb.constScanLine(y);
        uchar *dst = result.scanLine(y);
        for (int n = 0; n < width; ++n) {
            const int x = ditherer->Column();
            const uchar *p = src + 3 * x;
            int r, g, b;
            dst[x] = uchar(ditherer->Dither(p[0], p[1], p[2], r, g, b));
        }
        ditherer->NextLine();
    }
    return result;
}
