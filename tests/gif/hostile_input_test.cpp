// Small files (under 1 KB each, made by make_hostile_inputs.py) that ask for
// huge canvases, the largest frames, or many frames on a huge screen: each
// loads or is refused as expected, renders its whole-image bitmap or refuses
// it before allocating, draws, and plays its frames once through.
#include "gif_test_support.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

QString hostilePath(const QString &name)
{
    return QStringLiteral(PELLORAN_FIXTURES_DIR "/gif/hostile/") + name;
}

std::unique_ptr<TGifPicture> loadHostile(const QString &name)
{
    auto picture = std::make_unique<TGifPicture>();
    const QByteArray data = readFile(hostilePath(name));
    EXPECT_FALSE(data.isEmpty());
    EXPECT_LT(data.size(), 1024);
    QString error;
    EXPECT_TRUE(picture->LoadFromData(data, error)) << error.toStdString();
    return picture;
}

struct HostileCase {
    const char *file;
    int frames;
    QSize bitmap;  // empty: refused with "Invalid image dimensions"
    int animated;  // frames shown by one pass of the animation (none when
                   // the screen is refused)
};

const HostileCase kCases[] = {
    {"canvas_offset_4g.gif", 1, QSize(), 0},
    {"canvas_zero_height.gif", 1, QSize(), 0},
    {"canvas_wide_frame.gif", 1, QSize(), 0},
    {"canvas_corner_pixel.gif", 1, QSize(8000, 8000), 1},
    {"frame_huge_tiled.gif", 1, QSize(1, 1), 1},
    {"frame_huge_transparent.gif", 1, QSize(1, 1), 1},
    {"frame_tall_interlaced.gif", 1, QSize(1, 1), 1},
    {"screen_huge_tiny_frames.gif", 38, QSize(8000, 8000), 38},
    // One image, then graphic control blocks without images: they make one
    // closing frame of extensions, which shows nothing.
    {"screen_huge_empty_frames.gif", 2, QSize(8000, 8000), 1},
    {"long_delays_big_frames.gif", 16, QSize(2000, 2000), 16},
    {"frames_sum_at_limit.gif", 16, QSize(8000, 8000), 16},
};

TEST(GifHostileInputs, WholeImageBitmapOrRefusedBeforeAllocating)
{
    for (const HostileCase &c : kCases) {
        SCOPED_TRACE(c.file);
        auto p = loadHostile(QString::fromLatin1(c.file));
        EXPECT_EQ(p->Images().Count(), c.frames);
        if (c.bitmap.isEmpty()) {
            try {
                p->Bitmap();
                ADD_FAILURE() << "the canvas was not refused";
            } catch (const GIFException &e) {
                EXPECT_EQ(e.message(), msg(MsgGifInvalidDimensions));
            }
            continue;
        }
        const QImage bitmap = p->Bitmap();
        EXPECT_EQ(bitmap.size(), c.bitmap);
        EXPECT_EQ(p->Images()[0]->Bitmap().size(), p->Images()[0]->BoundsRect().size());
    }
}

TEST(GifHostileInputs, ModelGrownPastTheLimitRefusesItsCanvas)
{
    auto p = loadHostile(QStringLiteral("canvas_corner_pixel.gif"));
    p->SetWidth(65535);
    p->SetHeight(65535);
    EXPECT_THROW(p->Bitmap(), GIFException);
    p->SetWidth(8192);
    p->SetHeight(8192); // exactly 64 Mi pixels
    EXPECT_EQ(p->Bitmap().size(), QSize(8192, 8192));
}

TEST(GifHostileInputs, DrawStretchedTiledDitheredAndAnimated)
{
    for (const HostileCase &c : kCases) {
        SCOPED_TRACE(c.file);
        for (TGIFDrawOptions options :
             {TGIFDrawOptions(doTransparent), TGIFDrawOptions(doTransparent | doTile),
              TGIFDrawOptions(doTransparent | doDither), kDefaultDrawOptions}) {
            auto p = loadHostile(QString::fromLatin1(c.file));
            p->DrawOptions = options;
            QImage target(61, 47, QImage::Format_ARGB32_Premultiplied);
            target.fill(Qt::gray);
            QPainter painter(&target);
            EXPECT_NO_THROW(p->Draw(painter, QRect(3, 2, 56, 43))) << options;
            p->StopDraw();
        }
        auto p = loadHostile(QString::fromLatin1(c.file));
        FakeClock clock;
        TGIFPainter painter(p.get(), QRect(0, 0, 61, 47), doTransparent | doAnimate, clock);
        int shown = 0;
        painter.OnPaint = [&shown](TGIFPainter *) { ++shown; };
        painter.Run();
        EXPECT_EQ(shown, c.animated);
    }
}

// Every frame is composed into the one screen picture in place, whatever its
// disposal: a frame costs its own area, not a copy of an 8000 x 8000 screen.
TEST(GifHostileInputs, AnimationComposesInPlace)
{
    auto p = loadHostile(QStringLiteral("screen_huge_tiny_frames.gif"));
    FakeClock clock;
    TGIFPainter painter(p.get(), QRect(0, 0, 61, 47), doTransparent | doAnimate, clock);
    const uchar *bits = nullptr;
    int shown = 0, moved = 0;
    painter.OnAfterPaint = [&](TGIFPainter *t) {
        if (bits && t->Picture().constBits() != bits)
            ++moved;
        bits = t->Picture().constBits();
        ++shown;
    };
    painter.Run();
    EXPECT_EQ(shown, 38);
    EXPECT_EQ(moved, 0);
}

} // namespace
