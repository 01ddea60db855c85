// Small hostile GIFs (each under 1 KB): the time to load and draw each one
// as the fuzzer does (whole-image bitmap, then a stretched, a tiled or a
// dithered transparent draw), with the default options (an animation's
// first frame), and one pass of its animation with the waits skipped.
// Every one must stay well under a second.
#include "gif/gif_painter.h"
#include "gif/gif_picture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <iterator>

namespace {

constexpr int kTargetWidth = 61;
constexpr int kTargetHeight = 47;
const QRect kTargetRect(3, 2, kTargetWidth - 5, kTargetHeight - 4);

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Time passes without sleeping: the animation runs as fast as it can.
class InstantClock : public TGIFClock
{
public:
    qint64 NowMs() override { return m_now; }
    void SleepMs(qint64 ms) override { m_now += ms; }

private:
    qint64 m_now = 0;
};

void drawOnce(TGifPicture &picture, TGIFDrawOptions options)
{
    QImage target(kTargetWidth, kTargetHeight, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::gray);
    QPainter painter(&target);
    picture.DrawOptions = options;
    if (options & doDither) {
        // Rendered anew, dithered.
        for (int i = 0; i < picture.Images().Count(); ++i)
            picture.Images()[i]->FreeBitmap();
    }
    picture.Draw(painter, kTargetRect);
    picture.StopDraw();
}

// What the fuzzer does with an input: load, the whole-image bitmap, one draw.
int loadAndDraw(const QByteArray &data, TGIFDrawOptions options)
{
    TGifPicture picture;
    QString error;
    picture.LoadFromData(data, error);
    try {
        picture.Bitmap();
        drawOnce(picture, options);
    } catch (const Exception &) {
    }
    return picture.Images().Count();
}

struct DrawVariant {
    const char *name;
    TGIFDrawOptions options;
};
// The fuzzer's three, and the defaults (an animation shows its first frame).
const DrawVariant kVariants[] = {
    {"stretched", doTransparent},
    {"tiled", TGIFDrawOptions(doTransparent | doTile)},
    {"dithered", TGIFDrawOptions(doTransparent | doDither)},
    {"default", kDefaultDrawOptions},
};

// One pass through the frames (no looping), the waits skipped.
int animateOnce(const QByteArray &data)
{
    TGifPicture picture;
    QString error;
    picture.LoadFromData(data, error);
    if (picture.Images().Count() == 0)
        return 0;
    InstantClock clock;
    TGIFPainter painter(&picture, QRect(0, 0, kTargetWidth, kTargetHeight),
                        TGIFDrawOptions(doTransparent | doAnimate), clock);
    int frames = 0;
    painter.OnPaint = [&frames](TGIFPainter *) { ++frames; };
    try {
        painter.Run();
    } catch (const Exception &) {
    }
    return frames;
}

// A fixture folder by its name under tests/fixtures/gif, or any folder by its path.
void registerFolder(const QString &folder)
{
    const QDir dir(folder.contains(QLatin1Char('/'))
                       ? folder
                       : QStringLiteral(PELLORAN_FIXTURES_DIR "/gif/") + folder);
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
        const QByteArray data = readFile(dir.filePath(name));
        const std::string label = (folder + QLatin1Char('/') + name).toStdString();
        for (const DrawVariant &variant : kVariants) {
            const TGIFDrawOptions options = variant.options;
            benchmark::RegisterBenchmark(
                (std::string("LoadAndDraw/") + variant.name + "/" + label).c_str(),
                [data, options](benchmark::State &state) {
                    for (auto _ : state)
                        benchmark::DoNotOptimize(loadAndDraw(data, options));
                })
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("AnimateOnce/" + label).c_str(),
                                     [data](benchmark::State &state) {
                                         for (auto _ : state)
                                             benchmark::DoNotOptimize(animateOnce(data));
                                     })
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // Arguments left after the benchmark's own: more folders of inputs
    // (a fuzzer's findings, say).
    registerFolder(QStringLiteral("hostile"));
    registerFolder(QStringLiteral("fuzz"));
    for (int i = 1; i < argc; ++i)
        registerFolder(QString::fromLocal8Bit(argv[i]));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
