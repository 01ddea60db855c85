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

// The halftone palette a 256-colour display hands out: the display's 20
// fixed colours at both ends, and between them the colour cube with the
// entries a screen of that depth shows instead of some cube colours (extra
// greys, a few tints), in the order the display lists them.
const QList<QRgb> &HalftonePalette()
{
    static constexpr quint32 kEntries[kPaletteSize] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0xC0DCC0, 0xA6CAF0, 0x040404, 0x080808, 0x0C0C0C, 0x111111, 0x161616, 0x1C1C1C,
    0x222222, 0x292929, 0x555555, 0x4D4D4D, 0x424242, 0x393939, 0xFF7C80, 0xFF5050,
    0xD60093, 0xCCECFF, 0xEFD6C6, 0xE7E7D6, 0xADA990, 0x330000, 0x660000, 0x990000,
    0xCC0000, 0x003300, 0x333300, 0x663300, 0x993300, 0xCC3300, 0xFF3300, 0x006600,
    0x336600, 0x666600, 0x996600, 0xCC6600, 0xFF6600, 0x009900, 0x339900, 0x669900,
    0x999900, 0xCC9900, 0xFF9900, 0x00CC00, 0x33CC00, 0x66CC00, 0x99CC00, 0xCCCC00,
    0xFFCC00, 0x66FF00, 0x99FF00, 0xCCFF00, 0x000033, 0x330033, 0x660033, 0x990033,
    0xCC0033, 0xFF0033, 0x003333, 0x333333, 0x663333, 0x993333, 0xCC3333, 0xFF3333,
    0x006633, 0x336633, 0x666633, 0x996633, 0xCC6633, 0xFF6633, 0x009933, 0x339933,
    0x669933, 0x999933, 0xCC9933, 0xFF9933, 0x00CC33, 0x33CC33, 0x66CC33, 0x99CC33,
    0xCCCC33, 0xFFCC33, 0x33FF33, 0x66FF33, 0x99FF33, 0xCCFF33, 0xFFFF33, 0x000066,
    0x330066, 0x660066, 0x990066, 0xCC0066, 0xFF0066, 0x003366, 0x333366, 0x663366,
    0x993366, 0xCC3366, 0xFF3366, 0x006666, 0x336666, 0x666666, 0x996666, 0xCC6666,
    0x009966, 0x339966, 0x669966, 0x999966, 0xCC9966, 0xFF9966, 0x00CC66, 0x33CC66,
    0x99CC66, 0xCCCC66, 0xFFCC66, 0x00FF66, 0x33FF66, 0x99FF66, 0xCCFF66, 0xFF00CC,
    0xCC00FF, 0x009999, 0x993399, 0x990099, 0xCC0099, 0x000099, 0x333399, 0x660099,
    0xCC3399, 0xFF0099, 0x006699, 0x336699, 0x663399, 0x996699, 0xCC6699, 0xFF3399,
    0x339999, 0x669999, 0x999999, 0xCC9999, 0xFF9999, 0x00CC99, 0x33CC99, 0x66CC66,
    0x99CC99, 0xCCCC99, 0xFFCC99, 0x00FF99, 0x33FF99, 0x66CC99, 0x99FF99, 0xCCFF99,
    0xFFFF99, 0x0000CC, 0x330099, 0x6600CC, 0x9900CC, 0xCC00CC, 0x003399, 0x3333CC,
    0x6633CC, 0x9933CC, 0xCC33CC, 0xFF33CC, 0x0066CC, 0x3366CC, 0x666699, 0x9966CC,
    0xCC66CC, 0xFF6699, 0x0099CC, 0x3399CC, 0x6699CC, 0x9999CC, 0xCC99CC, 0xFF99CC,
    0x00CCCC, 0x33CCCC, 0x66CCCC, 0x99CCCC, 0xCCCCCC, 0xFFCCCC, 0x00FFCC, 0x33FFCC,
    0x66FF99, 0x99FFCC, 0xCCFFCC, 0xFFFFCC, 0x3300CC, 0x6600FF, 0x9900FF, 0x0033CC,
    0x3333FF, 0x6633FF, 0x9933FF, 0xCC33FF, 0xFF33FF, 0x0066FF, 0x3366FF, 0x6666CC,
    0x9966FF, 0xCC66FF, 0xFF66CC, 0x0099FF, 0x3399FF, 0x6699FF, 0x9999FF, 0xCC99FF,
    0xFF99FF, 0x00CCFF, 0x33CCFF, 0x66CCFF, 0x99CCFF, 0xCCCCFF, 0xFFCCFF, 0x33FFFF,
    0x66FFCC, 0x99FFFF, 0xCCFFFF, 0xFF6666, 0x66FF66, 0xFFFF66, 0x6666FF, 0xFF66FF,
    0x66FFFF, 0xA50021, 0x5F5F5F, 0x777777, 0x868686, 0x969696, 0xCBCBCB, 0xB2B2B2,
    0xD7D7D7, 0xDDDDDD, 0xE3E3E3, 0xEAEAEA, 0xF1F1F1, 0xF8F8F8, 0xFFFBF0, 0xA0A0A4,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
    };
    static const QList<QRgb> palette = [] {
        QList<QRgb> p;
        p.reserve(kPaletteSize);
        for (quint32 rgb : kEntries)
            p.append(qRgb(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF)));
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
