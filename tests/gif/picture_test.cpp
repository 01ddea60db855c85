// The picture component: model operations, saving, clipboard, registry,
// and the animation painter.
#include "gif/picture_registry.h"
#include "gif_test_support.h"

#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>

#include <thread>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

std::unique_ptr<TGifPicture> loaded(const QByteArray &data)
{
    auto picture = std::make_unique<TGifPicture>();
    QString error;
    EXPECT_TRUE(picture->LoadFromData(data, error)) << error.toStdString();
    return picture;
}

void expectSameModel(TGifPicture &a, TGifPicture &b)
{
    EXPECT_EQ(a.Width(), b.Width());
    EXPECT_EQ(a.Height(), b.Height());
    EXPECT_EQ(a.Header().ColorMap().ColorTable(), b.Header().ColorMap().ColorTable());
    ASSERT_EQ(a.Images().Count(), b.Images().Count());
    for (int i = 0; i < a.Images().Count(); ++i) {
        const TGIFSubImage &x = *a.Images()[i];
        const TGIFSubImage &y = *b.Images()[i];
        EXPECT_EQ(x.BoundsRect(), y.BoundsRect()) << i;
        EXPECT_EQ(x.Interlaced(), y.Interlaced()) << i;
        EXPECT_EQ(x.ColorMap().ColorTable(), y.ColorMap().ColorTable()) << i;
        EXPECT_EQ(frameData(x), frameData(y)) << i;
        EXPECT_EQ(x.Extensions().size(), y.Extensions().size()) << i;
        EXPECT_EQ(x.Transparent(), y.Transparent()) << i;
    }
}

TEST(GifPicture, SavedFilesReloadToTheSameModel)
{
    const QStringList files = QDir(corpusPath(QString())).entryList({"*.gif"}, QDir::Files);
    ASSERT_GE(files.size(), 30);
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        TGifPicture original;
        QString error;
        ASSERT_TRUE(original.LoadFromFile(corpusPath(name), error)) << error.toStdString();
        const QByteArray saved = original.SaveToData();
        TGifPicture reloaded;
        ASSERT_TRUE(reloaded.LoadFromData(saved, error)) << error.toStdString();
        expectSameModel(original, reloaded);
    }
}

TEST(GifPicture, VersionFollowsTheContent)
{
    auto plain = loaded(GifBuilder().header(2, 1).image(0, 0, 2, 1, {1, 2}).trailer().bytes());
    EXPECT_TRUE(plain->SaveToData().startsWith("GIF87a"));
    auto animated = loaded(GifBuilder().header(2, 1).gce(0, 5).image(0, 0, 2, 1, {1, 2}).trailer().bytes());
    EXPECT_TRUE(animated->SaveToData().startsWith("GIF89a"));
}

TEST(GifPicture, SizeMustHoldEveryFrame)
{
    auto p = loaded(GifBuilder().header(10, 8).image(3, 2, 4, 5, ramp(20, 4)).trailer().bytes());
    EXPECT_THROW(p->SetWidth(6), GIFException);
    EXPECT_NO_THROW(p->SetWidth(7));
    EXPECT_EQ(p->Width(), 7);
    try {
        p->SetHeight(6);
        FAIL();
    } catch (const GIFException &e) {
        EXPECT_EQ(e.message(), msg(MsgGifHeightTooSmall));
    }
    EXPECT_NO_THROW(p->SetHeight(7));
}

TEST(GifPicture, AssignCopiesTheWholeModel)
{
    TGifPicture source;
    QString error;
    ASSERT_TRUE(source.LoadFromFile(corpusPath("a_dispose_previous.gif"), error));
    TGifPicture copy;
    copy.Assign(&source);
    expectSameModel(source, copy);
    copy.Assign(&copy);
    EXPECT_EQ(copy.Images().Count(), source.Images().Count());
    copy.Assign(static_cast<const TGifPicture *>(nullptr));
    EXPECT_TRUE(copy.Empty());
}

TEST(GifPicture, ImportsBitmaps)
{
    QImage indexed(3, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 0)});
    indexed.fill(1);
    TGifPicture p;
    p.Assign(indexed);
    ASSERT_EQ(p.Images().Count(), 1);
    EXPECT_EQ(p.Width(), 3);
    EXPECT_EQ(p.Bitmap().pixel(2, 1), qRgb(200, 100, 0));

    QImage rgb(2, 2, QImage::Format_RGB32);
    rgb.fill(qRgb(255, 0, 51));
    p.Assign(rgb);
    EXPECT_EQ(p.Bitmap().pixel(1, 1), qRgb(255, 0, 51));
}

TEST(GifPicture, PaletteComesFromTheGlobalTableOrFrameZero)
{
    auto global = loaded(GifBuilder().header(2, 1).image(0, 0, 2, 1, {1, 2}).trailer().bytes());
    EXPECT_EQ(global->GetPalette(), global->Header().ColorMap().ColorTable());
    auto none = loaded(GifBuilder().header(2, 1, 0).image(0, 0, 2, 1, {1, 0}).trailer().bytes());
    EXPECT_EQ(none->GetPalette(), (QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
}

TEST(GifPicture, ClipboardCarriesBitmapAndGifData)
{
    auto p = loaded(GifBuilder().header(3, 1).image(0, 0, 3, 1, {1, 2, 3}).trailer().bytes());
    const std::unique_ptr<QMimeData> data = p->SaveToClipboardFormat();
    ASSERT_TRUE(data->hasImage());
    ASSERT_TRUE(data->hasFormat("image/gif"));
    TGifPicture back;
    back.LoadFromClipboardFormat(*data);
    expectSameModel(*p, back);

    QMimeData imageOnly;
    imageOnly.setImageData(p->Bitmap());
    TGifPicture imported;
    imported.LoadFromClipboardFormat(imageOnly);
    EXPECT_EQ(imported.Bitmap().pixel(2, 0), p->Bitmap().pixel(2, 0));

    QMimeData text;
    text.setText("not a picture");
    EXPECT_THROW(imported.LoadFromClipboardFormat(text), GIFException);
}

TEST(GifPicture, RegistryFindsTheGifClassFromAnyThread)
{
    std::vector<std::thread> threads;
    std::atomic<int> found{0};
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&found] {
            const auto format = PictureRegistry().FindByExtension(QStringLiteral(".gif"));
            if (format && format->Description == QLatin1String("GIF Image") && format->Create())
                ++found;
        });
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(found, 8);
    EXPECT_TRUE(PictureRegistry().FindByClassName(QStringLiteral("TGifPicture")).has_value());
    EXPECT_EQ(PictureRegistry().FileFilters(), QStringList{"GIF Image (*.gif)"});

    TPictureRegistry own;
    RegisterGifPicture(own);
    own.Unregister(QStringLiteral("TGifPicture"));
    EXPECT_FALSE(own.FindByExtension(QStringLiteral("GIF")).has_value());
}

TEST(GifPicture, WarningsReachOnWarningOnly)
{
    const QByteArray data = GifBuilder().header(2, 1).image(0, 0, 2, 1, {1, 2}).byte(0x99).bytes();
    TGifPicture silent;
    QString error;
    EXPECT_TRUE(silent.LoadFromData(data, error)); // no handler: dropped
    TGifPicture heard;
    WarningLog log;
    log.attach(heard);
    EXPECT_TRUE(heard.LoadFromData(data, error));
    EXPECT_EQ(log.count(MsgGifUnknownBlockType), 1);
}

// --- painter -----------------------------------------------------------------

QByteArray animation(int frames, int delay, int loops = -1)
{
    GifBuilder b;
    b.header(4, 2);
    for (int i = 0; i < frames; ++i) {
        if (i == 0 && loops >= 0)
            b.loop(loops);
        b.gce(0x04, delay).image(0, 0, 4, 2, std::vector<int>(8, i % 4));
    }
    return b.trailer().bytes();
}

struct PainterRun {
    std::vector<int> shown;
    std::vector<qint64> waits;
    int loops = 0;
};

PainterRun play(TGifPicture &p, TGIFDrawOptions options, int speed = 100, int maxSteps = 50)
{
    FakeClock clock;
    TGIFPainter painter(&p, QRect(0, 0, 4, 2), options, clock);
    painter.Speed = speed;
    PainterRun run;
    painter.OnPaint = [&run](TGIFPainter *t) { run.shown.push_back(t->ActiveImage); };
    painter.OnLoop = [&run](TGIFPainter *) { ++run.loops; };
    painter.Start();
    for (int i = 0; i < maxSteps && painter.Running(); ++i) {
        run.waits.push_back(painter.NextWait());
        clock.now += qMax<qint64>(painter.NextWait(), 0);
        painter.Step();
    }
    return run;
}

TEST(GifPainter, DelaysInSteps)
{
    struct Case {
        int delay, speed;
        qint64 wait;
    } cases[] = {{0, 100, 120}, {1, 100, 36}, {5, 100, 60}, {5, 200, 30}, {2000, 100, 24000}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.delay);
        auto p = loaded(animation(2, c.delay));
        const PainterRun run = play(*p, doAnimate | doThreaded, c.speed);
        ASSERT_FALSE(run.waits.empty());
        EXPECT_EQ(run.waits[0], c.wait);
    }
    // Not threaded, the longest delay is 1000 steps.
    auto p = loaded(animation(2, 2000));
    EXPECT_EQ(play(*p, doAnimate).waits[0], 12000);
}

TEST(GifPainter, LoopCounts)
{
    auto twice = loaded(animation(3, 1, 2));
    PainterRun run = play(*twice, doAnimate | doLoop | doThreaded);
    EXPECT_EQ(run.shown, (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(run.loops, 1);

    auto once = loaded(animation(3, 1));
    EXPECT_EQ(play(*once, doAnimate | doLoop | doThreaded).shown, (std::vector<int>{0, 1, 2}));

    auto endless = loaded(animation(2, 1, 0));
    run = play(*endless, doAnimate | doLoop | doThreaded, 100, 40);
    EXPECT_EQ(run.shown.size(), 41u); // still going when the test stopped it
    // Not threaded, a count of 0 does not loop.
    EXPECT_EQ(play(*endless, doAnimate | doLoop).shown.size(), 2u);
}

TEST(GifPainter, OneFrameImagesDrawSynchronously)
{
    auto p = loaded(animation(1, 10));
    p->DrawOptions = kDefaultDrawOptions; // threaded and animated
    TGIFPainter *painter = p->Paint(QRect(0, 0, 4, 2), p->DrawOptions);
    ASSERT_NE(painter, nullptr);
    EXPECT_FALSE(painter->Running());
    EXPECT_FALSE(painter->Options() & (doThreaded | doAnimate));
}

TEST(GifPainter, DrawingWhileDrawingDoesNothing)
{
    auto p = loaded(animation(3, 1));
    p->DrawOptions = doAnimate; // not threaded: runs through inside Draw
    int nested = 0;
    QImage target(4, 2, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&target);
    p->OnPaint = [&](TGIFPainter *) {
        QImage other(4, 2, QImage::Format_ARGB32_Premultiplied);
        QPainter inner(&other);
        p->Draw(inner, QRect(0, 0, 4, 2)); // ignored
        ++nested;
    };
    p->AnimationSpeed = 10000; // keep the real-clock waits short
    p->Draw(painter, QRect(0, 0, 4, 2));
    EXPECT_EQ(nested, 3);
}

TEST(GifPainter, TimerDrivesThreadedPainters)
{
    int argc = 0;
    static QGuiApplication *app = QGuiApplication::instance()
        ? static_cast<QGuiApplication *>(QGuiApplication::instance())
        : new QGuiApplication(argc, nullptr);
    auto p = loaded(animation(3, 1));
    p->AnimationSpeed = 1000;
    std::vector<int> shown;
    bool ended = false;
    p->OnPaint = [&](TGIFPainter *t) { shown.push_back(t->ActiveImage); };
    p->OnEndPaint = [&](TGIFPainter *) { ended = true; };
    TGIFPainter *painter = p->Paint(QRect(0, 0, 4, 2), doAnimate | doThreaded);
    ASSERT_NE(painter, nullptr);
    for (int i = 0; i < 200 && !ended; ++i) {
        app->processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2}));
}

} // namespace
