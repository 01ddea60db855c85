// A painter that runs in the calling thread lets the application's events
// run while it waits, and can be stopped or quit from them.
#include "gif_test_support.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTimer>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

QGuiApplication &application()
{
    static int argc = 1;
    static char name[] = "gif_tests";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = QGuiApplication::instance()
        ? static_cast<QGuiApplication *>(QGuiApplication::instance())
        : new QGuiApplication(argc, argv);
    return *app;
}

std::unique_ptr<TGifPicture> animation(int frames, int delay, int loops = -1)
{
    GifBuilder b;
    b.header(4, 2);
    for (int i = 0; i < frames; ++i) {
        if (i == 0 && loops >= 0)
            b.loop(loops);
        b.gce(0x04, delay).image(0, 0, 4, 2, std::vector<int>(8, i % 4));
    }
    auto p = std::make_unique<TGifPicture>();
    QString error;
    EXPECT_TRUE(p->LoadFromData(b.trailer().bytes(), error)) << error.toStdString();
    return p;
}

TEST(GifPainterEvents, TimersFireWhileANonThreadedAnimationWaits)
{
    application();
    auto p = animation(3, 1);
    p->DrawOptions = doAnimate | doTransparent;
    p->AnimationSpeed = 1000;
    bool fired = false;
    std::vector<bool> firedBeforeFrame;
    QTimer::singleShot(0, [&fired] { fired = true; });
    p->OnPaint = [&](TGIFPainter *) { firedBeforeFrame.push_back(fired); };
    QImage target(4, 2, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&target);
    p->Draw(painter, QRect(0, 0, 4, 2));
    EXPECT_EQ(firedBeforeFrame, (std::vector<bool>{false, true, true}));
}

TEST(GifPainterEvents, AnEndlessNonThreadedAnimationStopsFromAnEvent)
{
    application();
    auto p = animation(2, 1, 0);
    p->DrawOptions = doAnimate | doLoop | doLoopForever | doTransparent;
    p->AnimationSpeed = 1000;
    int shown = 0;
    bool ended = false;
    p->OnAfterPaint = [&](TGIFPainter *) {
        if (++shown == 5)
            QTimer::singleShot(0, [&p] { p->StopDraw(); });
    };
    p->OnEndPaint = [&](TGIFPainter *) { ended = true; };
    QImage target(4, 2, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&target);
    p->Draw(painter, QRect(0, 0, 4, 2)); // returns: the stop came through
    EXPECT_TRUE(ended);
    EXPECT_GE(shown, 5);
    EXPECT_EQ(p->Painter(), nullptr);
}

TEST(GifPainterEvents, QuittingTheApplicationEndsThePainter)
{
    QGuiApplication &app = application();
    auto p = animation(2, 1, 0);
    p->DrawOptions = doAnimate | doLoop | doLoopForever | doTransparent;
    p->AnimationSpeed = 1000;
    int shown = 0;
    bool drawReturned = false;
    p->OnAfterPaint = [&](TGIFPainter *) {
        if (++shown == 3)
            QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    };
    QImage target(4, 2, QImage::Format_ARGB32_Premultiplied);
    QTimer::singleShot(0, [&] {
        QPainter painter(&target);
        p->Draw(painter, QRect(0, 0, 4, 2));
        drawReturned = true;
    });
    app.exec(); // ends through the quit, once Draw has returned
    EXPECT_TRUE(drawReturned);
    EXPECT_GE(shown, 3);
}

// A closing comment after the last image neither shows as a frame nor
// keeps the animation from looping.
TEST(GifPainterEvents, ClosingExtensionsDoNotStopTheLoop)
{
    GifBuilder b;
    b.header(4, 2).loop(0);
    for (int i = 0; i < 2; ++i)
        b.gce(0x04, 5).image(0, 0, 4, 2, std::vector<int>(8, i + 1));
    b.comment({"made here"});
    TGifPicture picture;
    QString error;
    ASSERT_TRUE(picture.LoadFromData(b.trailer().bytes(), error));
    ASSERT_EQ(picture.Images().Count(), 3);
    FakeClock clock;
    TGIFPainter painter(&picture, QRect(0, 0, 4, 2), doAnimate | doLoop | doThreaded, clock);
    std::vector<int> shown;
    painter.OnPaint = [&shown](TGIFPainter *t) { shown.push_back(t->ActiveImage); };
    painter.Start();
    for (int i = 0; i < 5 && painter.Running(); ++i)
        painter.Step();
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 0, 1, 0, 1}));
}

// With the background saved, a transparent animation painted again and
// again onto the same picture shows what lay beneath it where a frame has
// been cleared away, not the frame before.
TEST(GifPainterEvents, SavedBackgroundShowsThroughClearedAreas)
{
    application();
    GifBuilder b;
    b.header(2, 1);
    b.gce(0x09, 1, 3).image(0, 0, 2, 1, {1, 1});  // restore to background afterwards
    b.gce(0x05, 1, 3).image(0, 0, 2, 1, {3, 2});  // left pixel transparent
    auto p = std::make_unique<TGifPicture>();
    QString error;
    ASSERT_TRUE(p->LoadFromData(b.trailer().bytes(), error));
    const QRgb paper = qRgb(10, 200, 30);
    const QRect rect(0, 0, 2, 1);
    for (bool save : {false, true}) {
        SCOPED_TRACE(save);
        QImage target(2, 1, QImage::Format_ARGB32_Premultiplied);
        target.fill(paper);
        p->DrawOptions = doAnimate | doTransparent | doThreaded | (save ? doSaveBackground : 0);
        p->AnimationSpeed = 1000;
        bool repainted = false;
        // A repaint while the second frame is up, as a window would do.
        p->OnAfterPaint = [&](TGIFPainter *t) {
            if (t->ActiveImage != 1)
                return;
            QPainter painter(&target);
            p->Draw(painter, rect);
            repainted = true;
        };
        {
            QPainter painter(&target);
            p->Draw(painter, rect); // the first frame
        }
        const TGIFColor one = p->Header().ColorMap().Colors(1);
        EXPECT_EQ(target.pixel(0, 0), qRgb(one.Red, one.Green, one.Blue));
        for (int i = 0; i < 10000 && !repainted; ++i)
            application().processEvents(QEventLoop::AllEvents, 5);
        ASSERT_TRUE(repainted);
        if (save)
            EXPECT_EQ(target.pixel(0, 0), paper);
        else
            EXPECT_NE(target.pixel(0, 0), paper); // the first frame stays in the way
        p->StopDraw();
    }
}

} // namespace
