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
    EXPECT_EQ(bitmap.format(), QImage::Format_RGB888);
    EXPECT_EQ(bitmap.pixel(0, 0), qRgb(0, 51, 102));
    EXPECT_EQ(bitmap.pixel(1, 0), qRgb(255, 204, 153));
    EXPECT_EQ(p->GetPalette(), WebPalette());
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
