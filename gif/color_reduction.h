#pragma once

#include <QImage>
#include <QList>
#include <QRgb>

#include <array>
#include <memory>
#include <span>
#include <vector>

// Maps a true colour to a palette index and reports the colour chosen.
class TColorLookup
{
public:
    explicit TColorLookup(int colors) : m_colors(colors) {}
    virtual ~TColorLookup() = default;
    int Colors() const { return m_colors; }
    virtual int Lookup(int red, int green, int blue, int &r, int &g, int &b) const = 0;

private:
    int m_colors;
};

// The 216-colour web cube: each component in six levels of 51.
class TNetscapeColorLookup : public TColorLookup
{
public:
    static constexpr int kLevels = 6;
    static constexpr int kLevelStep = 51;
    TNetscapeColorLookup() : TColorLookup(kLevels * kLevels * kLevels) {}
    int Lookup(int red, int green, int blue, int &r, int &g, int &b) const override;
};

// The web palette as a colour table: index 36 r + 6 g + b.
const QList<QRgb> &WebPalette();

// Nearest palette entry by squared RGB distance, the lowest index on a tie.
// Remembers recent answers: photographs repeat colours a lot.
class TSlowColorLookup : public TColorLookup
{
public:
    explicit TSlowColorLookup(const QList<QRgb> &palette);
    int Lookup(int red, int green, int blue, int &r, int &g, int &b) const override;

private:
    static constexpr int kCacheBits = 12;
    struct CacheEntry {
        quint32 key = 0xFFFFFFFF;
        int index = 0;
    };
    QList<QRgb> m_palette;
    mutable std::vector<CacheEntry> m_cache;
};

// 256 greys by luminance (77 R + 150 G + 29 B) / 256.
class TGrayScaleLookup : public TColorLookup
{
public:
    static constexpr int kGreys = 256;
    TGrayScaleLookup() : TColorLookup(kGreys) {}
    int Lookup(int red, int green, int blue, int &r, int &g, int &b) const override;
};

// Black (0) below the middle luminance, white (1) above it.
class TMonochromeLookup : public TColorLookup
{
public:
    TMonochromeLookup() : TColorLookup(2) {}
    int Lookup(int red, int green, int blue, int &r, int &g, int &b) const override;
};

// Nearest colour without error diffusion; walks rows alternately left to
// right and right to left like every ditherer.
class TDitherEngine
{
public:
    TDitherEngine(int width, const TColorLookup &lookup) : m_lookup(lookup), m_width(width) {}
    virtual ~TDitherEngine() = default;

    int Direction() const { return m_direction; }
    int Column() const { return m_column; }
    int Width() const { return m_width; }

    // Maps the colour at the current column and moves on.
    virtual int Dither(int red, int green, int blue, int &r, int &g, int &b);
    // Moves on without taking or spreading any error (transparent pixels).
    virtual void Skip() { m_column += m_direction; }
    virtual void NextLine();

protected:
    const TColorLookup &m_lookup;
    int m_width;
    int m_direction = 1;
    int m_column = 0;
};

// Floyd-Steinberg error diffusion (7 ahead; 3 5 1 below), error kept in
// sixteenths on two rows per channel, serpentine.
class TFloydSteinbergDitherer : public TDitherEngine
{
public:
    TFloydSteinbergDitherer(int width, const TColorLookup &lookup);
    int Dither(int red, int green, int blue, int &r, int &g, int &b) override;
    void NextLine() override;

private:
    static constexpr int kDivisor = 16;
    static constexpr int kMargin = 1;
    std::array<std::vector<int>, 3> m_current;
    std::array<std::vector<int>, 3> m_next;
};

// One weight of an error-diffusion kernel: row 0 is the current row, dx
// counts ahead in the walking direction (mirrored when walking left).
struct TDitherWeight {
    int dy;
    int dx;
    int weight;
};

// Error diffusion with any kernel of up to four rows. Each channel keeps one
// row of accumulated (undivided) error per kernel row; the rows rotate at
// each next line. The margins are wide enough for the kernel's reach, so
// error spread past the image edges lands there and is never read.
class TErrorDiffusionDitherer : public TDitherEngine
{
public:
    TErrorDiffusionDitherer(int width, const TColorLookup &lookup,
                            std::span<const TDitherWeight> kernel, int divisor);
    int Dither(int red, int green, int blue, int &r, int &g, int &b) override;
    void NextLine() override;

private:
    std::vector<TDitherWeight> m_kernel;
    int m_divisor;
    int m_margin = 0;
    // m_error[channel][row], row 0 the current one.
    std::array<std::vector<std::vector<int>>, 3> m_error;
};

// The shared 5 x 3 engine of Stucki, Sierra and Jarvis-Judice-Ninke.
class T5by3Ditherer : public TErrorDiffusionDitherer
{
public:
    using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};

class TStuckiDitherer : public T5by3Ditherer
{
public:
    TStuckiDitherer(int width, const TColorLookup &lookup);
};

class TSierraDitherer : public T5by3Ditherer
{
public:
    TSierraDitherer(int width, const TColorLookup &lookup);
};

class TJaJuNiDitherer : public T5by3Ditherer
{
public:
    TJaJuNiDitherer(int width, const TColorLookup &lookup);
};

class TSteveArcheDitherer : public TErrorDiffusionDitherer
{
public:
    TSteveArcheDitherer(int width, const TColorLookup &lookup);
};

class TBurkesDitherer : public TErrorDiffusionDitherer
{
public:
    TBurkesDitherer(int width, const TColorLookup &lookup);
};

// The image's DitherMode values.
enum TDitherMode : quint8 {
    dmNearest = 0,
    dmFloydSteinberg = 1,
    dmStucki = 2,
    dmSierra = 3,
    dmJaJuNi = 4,
    dmSteveArche = 5,
    dmBurkes = 6,
};

// Unknown modes give the plain nearest-colour engine.
std::unique_ptr<TDitherEngine> CreateDitherer(int ditherMode, int width,
                                              const TColorLookup &lookup);

// Octree colour quantiser: colours are added one by one; whenever there are
// more leaves than MaxColors, the deepest reducible node is folded into one
// leaf. The palette holds each leaf's average colour, in tree order.
class TColorQuantizer
{
public:
    static constexpr int kColorBits = 8;

    explicit TColorQuantizer(int maxColors);
    void AddColor(int red, int green, int blue);
    void AddImage(const QImage &rgb888);
    int LeafCount() const { return m_leafCount; }
    QList<QRgb> Palette() const;

private:
    struct TOctreeNode {
        bool leaf = false;
        quint32 pixelCount = 0;
        quint64 red = 0, green = 0, blue = 0;
        int nextReducible = -1;
        std::array<int, 8> children{-1, -1, -1, -1, -1, -1, -1, -1};
    };
    int CreateNode(int level);
    void ReduceTree();
    void CollectPalette(int node, QList<QRgb> &palette) const;

    int m_maxColors;
    int m_leafCount = 0;
    std::array<int, kColorBits> m_reducible{-1, -1, -1, -1, -1, -1, -1, -1};
    std::vector<TOctreeNode> m_nodes; // node 0 is the root
    std::vector<int> m_free;
};

// The image's ColorReduction values.
enum TColorReduction : quint8 {
    rmNone = 0,
    rmWindows20 = 1,
    rmHalftone = 2,
    rmGrayscale4 = 3,
    rmMonochrome = 4,
    rmGrayscale = 5,
    rmNetscape = 6,
    rmQuantize = 7,
    rmQuantizeWindows = 8,
    rmPalette = 9,
};

// The fixed palettes: the 20 colours a display always has, the halftone
// palette, 4 greys (0, 128, 192, 255), black and white, 256 greys.
const QList<QRgb> &Windows20Palette();
const QList<QRgb> &HalftonePalette();
const QList<QRgb> &Grayscale4Palette();
const QList<QRgb> &MonochromePalette();
const QList<QRgb> &GrayscalePalette();

// Maps any bitmap to an Indexed8 bitmap of at most 256 colours. Reduction
// rmNone or unknown, and a reduction whose palette comes out empty (rmPalette
// with no palette), give a null image. reductionBits steers rmQuantize
// (1 << bits colours, bits limited to 0..8).
QImage ReduceColors(const QImage &source, int reduction, int ditherMode, quint32 reductionBits,
                    const QList<QRgb> &customPalette = {});
