#include "gif_test_support.h"

#include "gif/color_reduction.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

constexpr int kAllDitherModes[] = {dmNearest, dmFloydSteinberg, dmStucki, dmSierra,
                                   dmJaJuNi,  dmSteveArche,     dmBurkes};

// Smooth gradients with a little noise: many colours, no two rows alike.
QImage photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            const int noise = int((state >> 16) % 17) - 8;
            image.setPixel(x, y, qRgb(qBound(0, x * 255 / qMax(1, width - 1) + noise, 255),
                                      qBound(0, y * 255 / qMax(1, height - 1) - noise, 255),
                                      qBound(0, (x + y) * 7 % 256 + noise, 255)));
        }
    return image;
}

// Blocks of 3 x 2 pixels cycling through colours; a 61 x 29 image shows 315 blocks.
QImage fewColours(int width, int height, const QList<QRgb> &colours)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colours[(x / 3 + y / 2 * ((width + 2) / 3)) % colours.size()]);
    return image;
}

QList<QRgb> spreadColours(int count)
{
    QList<QRgb> colours;
    for (int i = 0; i < count; ++i)
        colours.append(qRgb((i * 53 + 7) % 256, (i * 101 + 31) % 256, (i * 197 + 90) % 256));
    return colours;
}

int distinctIndices(const QImage &indexed)
{
    QSet<int> seen;
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x)
            seen.insert(indexed.pixelIndex(x, y));
    return int(seen.size());
}

bool indicesInTable(const QImage &indexed)
{
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x)
            if (indexed.pixelIndex(x, y) >= indexed.colorCount())
                return false;
    return true;
}

} // namespace

TEST(ColorLookups, EdgeValues)
{
    const TNetscapeColorLookup web;
    const TMonochromeLookup mono;
    const TGrayScaleLookup grey;
    const TSlowColorLookup slow(Grayscale4Palette());
    const struct {
        const char *name;
        const TColorLookup &lookup;
        QRgb in;
        int index;
        QRgb chosen;
    } rows[] = {
        {"web black", web, qRgb(0, 0, 0), 0, qRgb(0, 0, 0)},
        {"web white", web, qRgb(255, 255, 255), 215, qRgb(255, 255, 255)},
        {"web 26 rounds down", web, qRgb(26, 26, 26), 0, qRgb(0, 0, 0)},
        {"web 27 still level 0", web, qRgb(27, 27, 27), 0, qRgb(0, 0, 0)},
        {"web 48 is level 1", web, qRgb(48, 48, 48), 43, qRgb(51, 51, 51)},
        {"mono grey 127 is black", mono, qRgb(127, 127, 127), 0, qRgb(0, 0, 0)},
        {"mono grey 128 is white", mono, qRgb(128, 128, 128), 1, qRgb(255, 255, 255)},
        {"grey luminance", grey, qRgb(255, 0, 0), 76, qRgb(76, 76, 76)},
        {"grey white stays white", grey, qRgb(255, 255, 255), 255, qRgb(255, 255, 255)},
        {"nearest of 4 greys", slow, qRgb(150, 150, 150), 1, qRgb(128, 128, 128)},
        {"nearest tie takes the lower index", slow, qRgb(160, 160, 160), 1, qRgb(128, 128, 128)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        int r = -1, g = -1, b = -1;
        EXPECT_EQ(row.lookup.Lookup(qRed(row.in), qGreen(row.in), qBlue(row.in), r, g, b),
                  row.index);
        EXPECT_EQ(qRgb(r, g, b), row.chosen);
    }
}

TEST(ColorReduction, EveryReductionAndDitherGivesValidDeterministicIndices)
{
    const QImage source = photo(37, 23);
    const QList<QRgb> custom = spreadColours(11);
    const struct {
        int reduction;
        int expectedColours; // palette size; 0: at most 1 << bits
    } reductions[] = {{rmWindows20, 20}, {rmHalftone, 256},  {rmGrayscale4, 4},
                      {rmMonochrome, 2}, {rmGrayscale, 256}, {rmNetscape, 216},
                      {rmQuantize, 0},   {rmQuantizeWindows, 256}, {rmPalette, 11}};
    for (const auto &row : reductions)
        for (int mode : kAllDitherModes) {
            SCOPED_TRACE(testing::Message() << "reduction " << row.reduction << " dither " << mode);
            const QImage a = ReduceColors(source, row.reduction, mode, 5, custom);
            ASSERT_EQ(a.format(), QImage::Format_Indexed8);
            ASSERT_EQ(a.size(), source.size());
            if (row.expectedColours) {
                EXPECT_EQ(a.colorCount(), row.expectedColours);
            } else {
                EXPECT_LE(a.colorCount(), 32);
            }
            EXPECT_TRUE(indicesInTable(a));
            EXPECT_EQ(a, ReduceColors(source, row.reduction, mode, 5, custom));
        }
}

TEST(ColorReduction, UnknownReductionOrMissingPaletteGivesNullImage)
{
    const QImage source = photo(5, 5);
    EXPECT_TRUE(ReduceColors(source, rmNone, 0, 8).isNull());
    EXPECT_TRUE(ReduceColors(source, 10, 0, 8).isNull());
    EXPECT_TRUE(ReduceColors(source, rmPalette, 0, 8, {}).isNull());
}

TEST(ColorReduction, QuantiserKeepsFewColoursExactly)
{
    // With no more colours than the palette holds no leaf is merged: every
    // colour survives exactly, and no ditherer has any error to spread.
    const struct {
        int colours;
        int reduction;
        quint32 bits;
    } rows[] = {{1, rmQuantize, 8}, {2, rmQuantize, 1}, {5, rmQuantize, 3},
                {16, rmQuantize, 4}, {200, rmQuantize, 8}, {236, rmQuantizeWindows, 8}};
    for (const auto &row : rows)
        for (int mode : kAllDitherModes) {
            SCOPED_TRACE(testing::Message() << row.colours << " colours, dither " << mode);
            const QList<QRgb> colours = spreadColours(row.colours);
            const QImage source = fewColours(61, 29, colours);
            const QImage reduced = ReduceColors(source, row.reduction, mode, row.bits);
            ASSERT_FALSE(reduced.isNull());
            if (row.reduction == rmQuantize) {
                EXPECT_EQ(reduced.colorCount(), row.colours);
            }
            EXPECT_EQ(reduced.convertToFormat(QImage::Format_RGB32), source);
        }
}

TEST(ColorReduction, QuantiserHonoursReductionBits)
{
    const QImage source = photo(64, 48);
    for (quint32 bits = 0; bits <= 9; ++bits) {
        SCOPED_TRACE(bits);
        const QImage reduced = ReduceColors(source, rmQuantize, dmNearest, bits);
        const int limit = 1 << qMin(bits, 8u);
        EXPECT_GE(reduced.colorCount(), 1);
        EXPECT_LE(reduced.colorCount(), limit);
        EXPECT_LE(distinctIndices(reduced), limit);
    }
    TColorQuantizer quantizer(16);
    for (int i = 0; i < 100000; ++i)
        quantizer.AddColor(i & 0xFF, (i >> 8) & 0xFF, (i * 7) & 0xFF);
    EXPECT_LE(quantizer.LeafCount(), 16);
    EXPECT_EQ(quantizer.Palette().size(), quantizer.LeafCount());
}

TEST(ColorReduction, UniformPaletteColourStaysUniformUnderEveryDitherer)
{
    const struct {
        int reduction;
        QRgb colour;
    } rows[] = {{rmNetscape, qRgb(51, 102, 153)}, {rmGrayscale4, qRgb(128, 128, 128)},
                {rmMonochrome, qRgb(255, 255, 255)}, {rmWindows20, qRgb(166, 202, 240)}};
    for (const auto &row : rows)
        for (int mode : kAllDitherModes) {
            SCOPED_TRACE(testing::Message() << "reduction " << row.reduction << " dither " << mode);
            QImage source(19, 7, QImage::Format_RGB32);
            source.fill(row.colour);
            const QImage reduced = ReduceColors(source, row.reduction, mode, 8);
            EXPECT_EQ(distinctIndices(reduced), 1);
            EXPECT_EQ(reduced.color(reduced.pixelIndex(0, 0)), row.colour);
        }
}

namespace {
// Checks every colour the ditherer asks about and answers black or white.
class CheckingLookup : public TColorLookup
{
public:
    CheckingLookup() : TColorLookup(2) {}
    mutable bool outOfRange = false;
    int Lookup(int red, int green, int blue, int &r, int &g, int &b) const override
    {
        for (int c : {red, green, blue})
            outOfRange |= c < 0 || c > 255;
        const int index = (red + green + blue) >= 384 ? 1 : 0;
        r = g = b = index ? 255 : 0;
        return index;
    }
};
} // namespace

TEST(ColorReduction, DitherersStayInsideRowsAndRangeAtEdges)
{
    // Narrow widths put every pixel next to an edge: the kernels reach up to
    // three columns beyond it. Large errors of both signs push the clamp.
    for (int width : {1, 2, 3, 4, 7}) {
        for (int mode : kAllDitherModes) {
            SCOPED_TRACE(testing::Message() << "width " << width << " dither " << mode);
            CheckingLookup lookup;
            auto ditherer = CreateDitherer(mode, width, lookup);
            std::vector<int> columns;
            for (int y = 0; y < 9; ++y) {
                for (int n = 0; n < width; ++n) {
                    const int x = ditherer->Column();
                    ASSERT_GE(x, 0);
                    ASSERT_LT(x, width);
                    columns.push_back(x);
                    const int v = ((x + y) % 3) ? 127 : 255;
                    int r, g, b;
                    const int index = ditherer->Dither(v, 255 - v, v, r, g, b);
                    EXPECT_TRUE(index == 0 || index == 1);
                }
                ditherer->NextLine();
            }
            EXPECT_FALSE(lookup.outOfRange);
            // Serpentine: the second row runs right to left.
            EXPECT_EQ(columns[size_t(width)], width - 1);
        }
    }
}

TEST(ColorReduction, ImportUsesTheImageSettings)
{
    const QImage source = photo(40, 30);
    const struct {
        int reduction;
        int dither;
        quint32 bits;
        int maxColours;
    } rows[] = {{rmNetscape, dmNearest, 8, 216}, {rmQuantize, dmFloydSteinberg, 4, 16},
                {rmMonochrome, dmStucki, 8, 2}, {rmGrayscale4, dmBurkes, 8, 4},
                {rmQuantizeWindows, dmSierra, 8, 256}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.reduction);
        TGifPicture picture;
        picture.ColorReduction = quint8(row.reduction);
        picture.DitherMode = quint8(row.dither);
        picture.ReductionBits = row.bits;
        picture.Assign(source);
        ASSERT_EQ(picture.Images().Count(), 1);
        const TGIFSubImage &frame = *picture.Images()[0];
        EXPECT_LE(frame.ColorMap().Count(), row.maxColours);
        const QImage expected =
            ReduceColors(source, row.reduction, row.dither, row.bits);
        for (int i = 0; i < frame.DataSize(); ++i)
            ASSERT_EQ(frame.Data()[i], expected.pixelIndex(i % 40, i / 40)) << i;
    }
    TGifPicture none;
    none.ColorReduction = rmNone;
    EXPECT_THROW(none.Assign(source), GIFException);
}

namespace {

struct FrameSpec {
    int width;
    int height;
    std::vector<quint8> pixels;
    int transparent = -1; // -1: no graphic control extension
    bool localTable = false;
};

TGIFSubImage *addFrame(TGifPicture &picture, const FrameSpec &spec, const QList<QRgb> &local = {})
{
    auto frame = std::make_unique<TGIFSubImage>(&picture);
    frame->Width = quint16(spec.width);
    frame->Height = quint16(spec.height);
    if (spec.localTable)
        frame->ColorMap().AssignColorTable(local);
    frame->SetData(spec.pixels);
    TGIFSubImage *raw = frame.get();
    picture.Add(std::move(frame));
    if (spec.transparent >= 0) {
        auto *gce = static_cast<TGIFGraphicControlExtension *>(
            raw->AddExtension(std::make_unique<TGIFGraphicControlExtension>(raw)));
        gce->SetTransparent(true);
        gce->SetTransparentColorIndex(spec.transparent);
    }
    picture.Header().Width = qMax(picture.Header().Width, quint16(spec.width));
    picture.Header().Height = qMax(picture.Header().Height, quint16(spec.height));
    return raw;
}

// What a frame shows: each pixel's colour, and where it is transparent.
std::vector<qint64> appearance(const TGIFSubImage &frame)
{
    std::vector<qint64> out;
    const TGIFColorMap &map = frame.ActiveColorMap();
    for (qint64 i = 0; i < frame.DataSize(); ++i) {
        const int index = frame.Data()[i];
        const bool clear = frame.Transparent() && index == frame.TransparentColorIndex();
        const TGIFColor c = map.Colors(index);
        out.push_back(clear ? -1 : qint64(qRgb(c.Red, c.Green, c.Blue)));
    }
    return out;
}

} // namespace

TEST(ColorTableOptimize, SortsByUseAndKeepsEveryPixelsColour)
{
    const struct {
        const char *name;
        std::vector<quint8> pixels;
        int transparent;
        bool expectChanged;
        int expectedLocal;
        int expectedGlobal; // the background colour (2) stays as well
    } rows[] = {
        {"already in order of use", {0, 0, 0, 1, 1, 2}, -1, false, 4, 4},
        {"reversed use, unused colour cut", {3, 3, 3, 2, 2, 1}, -1, true, 3, 3},
        {"ties keep their order", {2, 1, 2, 1, 0, 3}, -1, true, 4, 4},
        {"unused transparent colour stays", {2, 2, 2, 1, 1, 2}, 3, true, 4, 4},
        {"used transparent colour", {1, 1, 1, 3, 3, 0}, 3, true, 3, 4},
        {"indices past the table show the first colour", {9, 2, 2, 2, 1, 1}, -1, true, 3, 3},
    };
    const QList<QRgb> colours = spreadColours(4);
    for (const auto &row : rows)
        for (bool local : {false, true}) {
            SCOPED_TRACE(testing::Message() << row.name << (local ? " (local)" : " (global)"));
            TGifPicture picture;
            if (!local)
                picture.Header().ColorMap().AssignColorTable(colours);
            picture.Header().BackgroundColorIndex = 2;
            TGIFSubImage *frame =
                addFrame(picture, {3, 2, row.pixels, row.transparent, local}, colours);
            const std::vector<qint64> before = appearance(*frame);
            const QRgb background = colours[2];

            const bool changed = local ? picture.OptimizeLocalColorMap(*frame)
                                       : picture.OptimizeGlobalColorMap();
            EXPECT_EQ(changed, row.expectChanged);
            const TGIFColorMap &map = frame->ActiveColorMap();
            EXPECT_TRUE(map.Optimized);
            EXPECT_EQ(map.Count(), local ? row.expectedLocal : row.expectedGlobal);
            EXPECT_EQ(appearance(*frame), before);
            std::vector<int> uses(size_t(map.Count()), 0);
            for (qint64 i = 0; i < frame->DataSize(); ++i) {
                if (frame->Data()[i] == row.transparent)
                    continue;
                ASSERT_LT(frame->Data()[i], map.Count());
                ++uses[frame->Data()[i]];
            }
            EXPECT_TRUE(std::is_sorted(uses.rbegin(), uses.rend()));
            if (!local) {
                const TGIFColor bg = map.Colors(picture.Header().BackgroundColorIndex);
                EXPECT_EQ(qRgb(bg.Red, bg.Green, bg.Blue), background);
            }
            // A second pass finds nothing to do.
            EXPECT_FALSE(local ? picture.OptimizeLocalColorMap(*frame)
                               : picture.OptimizeGlobalColorMap());
        }
}

TEST(ColorTableOptimize, SortedTablesSurviveSaving)
{
    TGifPicture picture;
    picture.Header().ColorMap().AssignColorTable(spreadColours(8));
    addFrame(picture, {4, 3, {7, 7, 7, 7, 6, 6, 6, 5, 5, 0, 1, 2}});
    picture.Optimize(ooColorMap, rmNone, dmNearest, 8);
    const std::vector<qint64> expected = appearance(*picture.Images()[0]);
    const QByteArray saved = picture.SaveToData();
    EXPECT_TRUE(quint8(saved[10]) & TGIFHeader::kSortedFlag);
    TGifPicture reloaded;
    QString error;
    ASSERT_TRUE(reloaded.LoadFromData(saved, error)) << error.toStdString();
    EXPECT_EQ(appearance(*reloaded.Images()[0]), expected);
}

TEST(GifOptimize, CropsTransparentBordersAndDropsClutter)
{
    TGifPicture picture;
    picture.Header().ColorMap().AssignColorTable(spreadColours(4));
    std::vector<quint8> pixels(size_t(10) * 8, 3);
    for (int y = 2; y <= 4; ++y)
        for (int x = 3; x <= 5; ++x)
            pixels[size_t(y * 10 + x)] = quint8((x + y) % 3);
    TGIFSubImage *frame = addFrame(picture, {10, 8, pixels, 3});
    auto *comment = static_cast<TGIFCommentExtension *>(
        frame->AddExtension(std::make_unique<TGIFCommentExtension>(frame)));
    comment->Text = QStringList{QStringLiteral("made by hand")};

    picture.Optimize(ooCrop | ooCleanup, rmNone, dmNearest, 8);
    ASSERT_EQ(picture.Images().Count(), 1);
    frame = picture.Images()[0];
    EXPECT_EQ(frame->BoundsRect(), QRect(3, 2, 3, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(frame->Data()[y * 3 + x], pixels[size_t((y + 2) * 10 + x + 3)]);
    ASSERT_EQ(frame->Extensions().size(), 1u); // the comment went, the transparency stays
    // The transparent colour no longer occurs: the next cleanup drops it and
    // then the whole graphic control extension.
    picture.Optimize(ooCleanup, rmNone, dmNearest, 8);
    EXPECT_FALSE(frame->Transparent());
    EXPECT_TRUE(frame->Extensions().empty());
    EXPECT_EQ(picture.SaveToData(), picture.SaveToData());
}

TEST(GifOptimize, GivenPaletteReductionIsRefused)
{
    TGifPicture picture;
    picture.Header().ColorMap().AssignColorTable(spreadColours(2));
    addFrame(picture, {1, 1, {0}});
    try {
        picture.Optimize(ooReduceColors, rmPalette, dmNearest, 8);
        FAIL() << "no exception";
    } catch (const GIFException &e) {
        EXPECT_EQ(e.message(), msg(MsgGifInvalidReduction));
    }
    EXPECT_NO_THROW(picture.Optimize(ooReduceColors, rmQuantize, dmNearest, 8));
}

TEST(ColorReduction, HalftonePaletteIsTheDisplaysOwn)
{
    const QList<QRgb> &halftone = HalftonePalette();
    ASSERT_EQ(halftone.size(), 256);
    const QList<QRgb> &fixed = Windows20Palette();
    EXPECT_EQ(halftone.mid(0, 10), fixed.mid(0, 10));
    EXPECT_EQ(halftone.mid(246), fixed.mid(10));
    EXPECT_EQ(QSet<QRgb>(halftone.begin(), halftone.end()).size(), 256);
    const struct {
        int index;
        QRgb colour;
    } anchors[] = {{10, qRgb(4, 4, 4)},        {18, qRgb(85, 85, 85)},   {22, qRgb(255, 124, 128)},
                   {28, qRgb(173, 169, 144)},  {29, qRgb(51, 0, 0)},     {109, qRgb(102, 102, 102)},
                   {127, qRgb(255, 0, 204)},   {151, qRgb(102, 204, 102)}, {233, qRgb(165, 0, 33)},
                   {245, qRgb(248, 248, 248)}};
    for (const auto &a : anchors)
        EXPECT_EQ(halftone[a.index], a.colour) << a.index;
    // Every colour of the palette maps to itself through the nearest-colour lookup.
    const QImage source = fewColours(48, 32, halftone);
    const QImage reduced = ReduceColors(source, rmHalftone, dmNearest, 8, {});
    for (int y = 0; y < reduced.height(); ++y)
        for (int x = 0; x < reduced.width(); ++x)
            ASSERT_EQ(reduced.color(reduced.pixelIndex(x, y)), source.pixel(x, y));
}
