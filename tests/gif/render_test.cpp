// Frames rendered to QImage and drawn with QPainter.
#include "gif/color_reduction.h"
#include "gif_test_support.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

std::unique_ptr<TGifPicture> loaded(const QByteArray &data, WarningLog *log = nullptr)
{
    auto picture = std::make_unique<TGifPicture>();
    if (log)
        log->attach(*picture);
    QString error;
    EXPECT_TRUE(picture->LoadFromData(data, error)) << error.toStdString();
    return picture;
}

QImage canvas(int w, int h, QRgb fill)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

constexpr QRgb kGrey = 0xFF808080;

TEST(GifRender, PlainBitmapIsIndexed8WithAFullColourTable)
{
    auto p = loaded(GifBuilder().header(4, 2).image(0, 0, 4, 2, ramp(8, 4)).trailer().bytes());
    const QImage bitmap = p->Images()[0]->Bitmap();
    EXPECT_EQ(bitmap.format(), QImage::Format_Indexed8);
    EXPECT_EQ(bitmap.colorCount(), 256);
    EXPECT_EQ(bitmap.pixelIndex(1, 0), ramp(8, 4)[1]);
}

TEST(GifRender, InvalidIndicesWarnOncePerFrameAndShowColourZero)
{
    WarningLog log;
    std::vector<int> px(64, 3); // a 2-colour global table
    auto p = loaded(GifBuilder().header(8, 8, 1).image(0, 0, 8, 8, px).trailer().bytes(), &log);
    const QImage bitmap = p->Bitmap();
    EXPECT_EQ(log.count(MsgGifInvalidColorIndex), 1);
    EXPECT_EQ(bitmap.pixel(5, 5), bitmap.color(0));
}

TEST(GifRender, RgbBitmapGoesThroughTheActiveTable)
{
    struct Case {
        const char *name;
        QByteArray gif;
        QList<QRgb> expected; // the first row
        int warnings;
    };
    GifBuilder local;
    local.header(3, 1).descriptor(0, 0, 3, 1, 0x80).byte(9).byte(8).byte(7).byte(1).byte(2).byte(3)
        .pixels(2, {1, 0, 1}).trailer();
    GifBuilder noTable;
    noTable.header(3, 1, 0).image(0, 0, 3, 1, {1, 0, 1}).trailer();
    const Case cases[] = {
        {"global", GifBuilder().header(3, 1).image(0, 0, 3, 1, {3, 1, 2}).trailer().bytes(),
         {qRgb(120, 250, 124), qRgb(40, 90, 140), qRgb(80, 170, 4)}, 0},
        {"local", local.bytes(), {qRgb(1, 2, 3), qRgb(9, 8, 7), qRgb(1, 2, 3)}, 0},
        // Indices past a 2-colour table show its first colour, and warn.
        {"past the table",
         GifBuilder().header(3, 1, 1).image(0, 0, 3, 1, {3, 1, 2}).trailer().bytes(),
         {qRgb(0, 10, 20), qRgb(40, 90, 140), qRgb(0, 10, 20)}, 1},
        {"no table", noTable.bytes(), {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 255, 255)}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (QImage::Format format : {QImage::Format_RGB888, QImage::Format_RGB32}) {
            WarningLog log;
            auto p = loaded(c.gif, &log);
            const QImage rgb = p->Images()[0]->RgbBitmap(format);
            ASSERT_EQ(rgb.size(), QSize(3, 1));
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(rgb.pixel(x, 0), c.expected[x]) << x << " " << format;
            EXPECT_EQ(log.count(MsgGifInvalidColorIndex), c.warnings);
        }
    }
    auto p = loaded(GifBuilder().header(3, 1).image(0, 0, 3, 1, {3, 1, 2}).trailer().bytes());
    EXPECT_THROW(p->Images()[0]->RgbBitmap(QImage::Format_ARGB32), GIFException);
}

TEST(GifRender, MaskMarksTransparentPixels)
{
    const std::vector<int> px = {0, 2, 2, 1, 2, 0, 0, 2};
    auto p = loaded(GifBuilder().header(4, 2).gce(0x01, 0, 2).image(0, 0, 4, 2, px).trailer().bytes());
    TGIFSubImage &f = *p->Images()[0];
    ASSERT_TRUE(f.HasMask());
    const QImage mask = f.Mask();
    EXPECT_EQ(mask.format(), QImage::Format_Mono);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(mask.pixelIndex(i % 4, i / 4), px[size_t(i)] == 2 ? 1 : 0) << i;
}

TEST(GifRender, MaskOnlyWhenNeededAndUsed)
{
    // No pixel has the transparent index: no mask, drawing is opaque.
    auto p = loaded(GifBuilder().header(4, 2).gce(0x01, 0, 3).image(0, 0, 4, 2, {0, 1, 2, 0, 1, 2, 0, 1})
                        .trailer().bytes());
    EXPECT_FALSE(p->Images()[0]->HasMask());
    // With the mask-needed flag cleared the frame renders without one.
    auto q = loaded(GifBuilder().header(4, 2).gce(0x01, 0, 2).image(0, 0, 4, 2, ramp(8, 4))
                        .trailer().bytes());
    TGIFSubImage &f = *q->Images()[0];
    f.SetMaskNeeded(false);
    f.Bitmap();
    EXPECT_TRUE(f.Mask().isNull());
}

TEST(GifRender, InterlacedAndPlainFramesRenderAlike)
{
    const std::vector<int> px = ramp(5 * 7, 4);
    std::vector<int> sent;
    for (int start : {0, 4, 2, 1})
        for (int y = start; y < 7; y += (start == 0 ? 8 : start * 2))
            for (int x = 0; x < 5; ++x)
                sent.push_back(px[size_t(y * 5 + x)]);
    auto plain = loaded(GifBuilder().header(5, 7).image(0, 0, 5, 7, px).trailer().bytes());
    auto interlaced = loaded(GifBuilder().header(5, 7)
                                 .image(0, 0, 5, 7, sent, TGIFSubImage::kInterlacedFlag)
                                 .trailer().bytes());
    EXPECT_EQ(plain->Bitmap(), interlaced->Bitmap());
}

TEST(GifRender, DitheringKeepsWebColoursExact)
{
    GifBuilder b;
    b.raw("GIF89a").word(3).word(1).byte(0x81).byte(0).byte(0);
    b.byte(0).byte(51).byte(102).byte(255).byte(204).byte(153).byte(0).byte(0).byte(0).byte(0).byte(0).byte(0);
    auto p = loaded(b.image(0, 0, 3, 1, {0, 1, 0}).trailer().bytes());
    p->DrawOptions = doDither;
    const QImage bitmap = p->Images()[0]->Bitmap();
    EXPECT_EQ(bitmap.format(), QImage::Format_Indexed8);
    EXPECT_EQ(bitmap.colorTable(), WebPalette());
    EXPECT_EQ(bitmap.pixelIndex(0, 0), 0 * 36 + 1 * 6 + 2);
    EXPECT_EQ(bitmap.pixel(0, 0), qRgb(0, 51, 102));
    EXPECT_EQ(bitmap.pixel(1, 0), qRgb(255, 204, 153));
    EXPECT_EQ(p->GetPalette(), WebPalette());
}

TEST(GifRender, DitheredFrameLiesOnAScreenOfItsBackgroundColour)
{
    GifBuilder b;
    b.raw("GIF89a").word(4).word(1).byte(0x80).byte(1).byte(0); // background index 1
    b.byte(0).byte(51).byte(102).byte(255).byte(204).byte(153);
    auto p = loaded(b.image(1, 0, 2, 1, {0, 0}).trailer().bytes());
    p->DrawOptions = doDither;
    const QImage bitmap = p->Bitmap();
    EXPECT_EQ(bitmap.colorTable(), WebPalette());
    const QRgb background = qRgb(255, 204, 153), frame = qRgb(0, 51, 102);
    const QRgb expected[] = {background, frame, frame, background};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(bitmap.pixel(x, 0), expected[x]) << x;
}

TEST(GifRender, DitheringSpreadsTheErrorOfOffGridColours)
{
    GifBuilder b;
    b.raw("GIF89a").word(16).word(16).byte(0x80).byte(0).byte(0);
    b.byte(100).byte(100).byte(100).byte(0).byte(0).byte(0);
    auto p = loaded(b.image(0, 0, 16, 16, std::vector<int>(256, 0)).trailer().bytes());
    p->DrawOptions = doDither;
    const QImage bitmap = p->Images()[0]->Bitmap();
    // Grey 100 lies between the levels 51 and 102: both appear, averaging near 100.
    long sum = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            sum += qRed(bitmap.pixel(x, y));
    EXPECT_NEAR(double(sum) / 256.0, 100.0, 2.0);
}

// The frame renderer dithers with its own loop; it must match the shared
// Floyd-Steinberg engine over the web lookup pixel for pixel, transparent
// pixels (skipped, no error spread) and out-of-table indices included.
TEST(GifRender, DitheredFramesMatchTheFloydSteinbergEngine)
{
    constexpr int w = 37, h = 23, bits = 3, tableSize = 1 << bits;
    std::vector<int> px(size_t(w) * h);
    quint32 state = 12345;
    for (int &v : px) {
        state = state * 1103515245u + 12345u;
        v = int((state >> 16) % 11); // 8, 9 and 10 lie beyond the table
    }
    struct Case {
        const char *name;
        bool transparent;
    };
    for (const Case c : {Case{"opaque", false}, Case{"transparent", true}}) {
        SCOPED_TRACE(c.name);
        GifBuilder b;
        b.raw("GIF89a").word(w).word(h).byte(0x80 | (bits - 1)).byte(0).byte(0);
        QList<QRgb> colors;
        for (int i = 0; i < tableSize; ++i) {
            // Off the 51-step grid, so the error diffusion has work to do.
            const QRgb rgb = qRgb((i * 37 + 11) & 0xFF, (i * 91 + 7) & 0xFF, (i * 53 + 29) & 0xFF);
            colors.append(rgb);
            b.byte(qRed(rgb)).byte(qGreen(rgb)).byte(qBlue(rgb));
        }
        if (c.transparent)
            b.gce(0x01, 0, 5);
        b.image(0, 0, w, h, px, 0, bits + 1).trailer(); // codes for indices past the table
        WarningLog log;
        auto p = loaded(b.bytes(), &log);
        p->DrawOptions = doDither;
        const QImage bitmap = p->Images()[0]->Bitmap();
        ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);

        const TNetscapeColorLookup lookup;
        TFloydSteinbergDitherer ditherer(w, lookup);
        int mismatches = 0;
        for (int y = 0; y < h; ++y) {
            for (int n = 0; n < w; ++n) {
                const int x = ditherer.Column();
                int index = px[size_t(y * w + x)];
                if (c.transparent && index == 5) {
                    ditherer.Skip();
                    continue;
                }
                if (index >= tableSize)
                    index = 0;
                const QRgb col = colors[index];
                int r, g, bl;
                ditherer.Dither(qRed(col), qGreen(col), qBlue(col), r, g, bl);
                mismatches += bitmap.pixel(x, y) != qRgb(r, g, bl);
            }
            ditherer.NextLine();
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_EQ(log.count(MsgGifInvalidColorIndex), 1);
        EXPECT_EQ(p->Images()[0]->HasMask(), c.transparent);
    }
}

TEST(GifRender, WebLookupLevels)
{
    const TNetscapeColorLookup lookup;
    int r, g, b;
    EXPECT_EQ(lookup.Lookup(0, 0, 0, r, g, b), 0);
    EXPECT_EQ(lookup.Lookup(255, 255, 255, r, g, b), 215);
    EXPECT_EQ(lookup.Lookup(27, 27, 27, r, g, b), 0);
    EXPECT_EQ(lookup.Lookup(48, 48, 48, r, g, b), 36 + 6 + 1);
    EXPECT_EQ(r, 51);
}

TEST(GifRender, TransparentDrawKeepsTheBackground)
{
    auto p = loaded(GifBuilder().header(2, 1).gce(0x01, 0, 1).image(0, 0, 2, 1, {0, 1}).trailer().bytes());
    QImage target = canvas(2, 1, kGrey);
    QPainter painter(&target);
    p->Draw(painter, QRect(0, 0, 2, 1));
    painter.end();
    EXPECT_EQ(target.pixel(0, 0), p->Bitmap().color(0));
    EXPECT_EQ(target.pixel(1, 0), kGrey);
}

TEST(GifRender, FramesAreDrawnAtTheirOffsetsScaled)
{
    // Screen 20x10, frame 10x10 at (10,0): the right half of any target.
    auto p = loaded(GifBuilder().header(20, 10).image(10, 0, 10, 10, std::vector<int>(100, 3))
                        .trailer().bytes());
    QImage target = canvas(40, 20, kGrey);
    QPainter painter(&target);
    p->Draw(painter, QRect(0, 0, 40, 20));
    painter.end();
    const QRgb colour = p->Images()[0]->Bitmap().color(3);
    EXPECT_EQ(target.pixel(19, 10), kGrey);
    EXPECT_EQ(target.pixel(20, 0), colour);
    EXPECT_EQ(target.pixel(39, 19), colour);
}

TEST(GifRender, ZeroSizedScreenUsesTheFrameExtent)
{
    GifBuilder b;
    b.raw("GIF89a").word(0).word(0).byte(0x81).byte(0).byte(0).table(2);
    auto p = loaded(b.image(0, 0, 3, 2, ramp(6, 4)).trailer().bytes());
    QImage target = canvas(6, 4, kGrey);
    QPainter painter(&target);
    p->Draw(painter, QRect(0, 0, 6, 4));
    painter.end();
    EXPECT_NE(target.pixel(5, 3), kGrey);
    EXPECT_EQ(p->Bitmap().size(), QSize(3, 2));
}

TEST(GifRender, TilingWithoutASizeDrawsNothing)
{
    GifBuilder b;
    b.raw("GIF89a").word(0).word(0).byte(0x81).byte(0).byte(0).table(2);
    auto p = loaded(b.image(0, 0, 3, 2, ramp(6, 4)).trailer().bytes());
    p->DrawOptions = doTile;
    QImage target = canvas(6, 4, kGrey);
    QPainter painter(&target);
    p->Draw(painter, QRect(0, 0, 6, 4));
    painter.end();
    EXPECT_EQ(target, canvas(6, 4, kGrey));
}

TEST(GifRender, TilingRepeatsTheImage)
{
    auto p = loaded(GifBuilder().header(2, 1).image(0, 0, 2, 1, {1, 2}).trailer().bytes());
    p->DrawOptions = doTile;
    QImage target = canvas(5, 2, kGrey);
    QPainter painter(&target);
    p->Draw(painter, QRect(0, 0, 5, 2));
    painter.end();
    const QImage bitmap = p->Bitmap();
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(target.pixel(x, 1), bitmap.color(x % 2 ? 2 : 1)) << x;
}

TEST(GifRender, WholeImageBitmap)
{
    // Frame smaller than the screen: screen-sized, frame at its offset, the
    // rest in the background colour.
    auto p = loaded(GifBuilder().header(6, 4, 2, 3).image(2, 1, 2, 2, {1, 1, 1, 1}).trailer().bytes());
    QImage bitmap;
    p->AssignTo(bitmap);
    ASSERT_EQ(bitmap.size(), QSize(6, 4));
    EXPECT_EQ(bitmap.pixelIndex(0, 0), 3);
    EXPECT_EQ(bitmap.pixelIndex(2, 1), 1);
    EXPECT_EQ(bitmap.pixelIndex(3, 2), 1);
    EXPECT_EQ(bitmap.pixelIndex(4, 2), 3);

    // An empty frame 0 gives a blank canvas.
    auto e = loaded(GifBuilder().header(5, 3, 2, 2).comment({"only"}).trailer().bytes());
    ASSERT_EQ(e->Images().Count(), 1);
    const QImage blank = e->Bitmap();
    ASSERT_EQ(blank.size(), QSize(5, 3));
    EXPECT_EQ(blank.pixelIndex(4, 2), 2);
}

} // namespace
