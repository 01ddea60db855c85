// Decoding and rendering large GIFs from memory: our codec against giflib's
// DGifSlurp followed by a plain conversion of the indices to RGB.
#include "gif/gif_picture.h"

#include <QFile>

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

namespace {

QByteArray loadBenchFile(const char *name)
{
    QFile f(QStringLiteral(GIF_BENCH_DATA "/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

const QByteArray &benchFile(int index)
{
    static const QByteArray files[] = {loadBenchFile("large.gif"),
                                       loadBenchFile("large_interlaced.gif")};
    return files[index];
}

struct MemoryReader {
    const QByteArray *data;
    qsizetype pos = 0;
};

int readMemory(GifFileType *gif, GifByteType *buffer, int length)
{
    auto *reader = static_cast<MemoryReader *>(gif->UserData);
    const qsizetype n = qMin<qsizetype>(length, reader->data->size() - reader->pos);
    std::memcpy(buffer, reader->data->constData() + reader->pos, size_t(n));
    reader->pos += n;
    return int(n);
}

struct GifCloser {
    void operator()(GifFileType *gif) const noexcept { DGifCloseFile(gif, nullptr); }
};

// giflib: slurp, then every frame's indices to RGB through its colour map.
size_t decodeWithGiflib(const QByteArray &data, std::vector<quint8> &rgb)
{
    MemoryReader reader{&data};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&reader, readMemory, &error));
    if (!gif || DGifSlurp(gif.get()) != GIF_OK)
        return 0;
    size_t pixels = 0;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage &image = gif->SavedImages[i];
        const ColorMapObject *map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap
                                                             : gif->SColorMap;
        const size_t n = size_t(image.ImageDesc.Width) * size_t(image.ImageDesc.Height);
        rgb.resize(n * 3);
        for (size_t p = 0; p < n; ++p) {
            const GifColorType &c = map->Colors[image.RasterBits[p] % map->ColorCount];
            rgb[3 * p] = c.Red;
            rgb[3 * p + 1] = c.Green;
            rgb[3 * p + 2] = c.Blue;
        }
        pixels += n;
    }
    return pixels;
}

// Ours: load (decode) and render every frame.
size_t decodeWithPelloran(const QByteArray &data)
{
    TGifPicture picture;
    QString error;
    if (!picture.LoadFromData(data, error))
        return 0;
    size_t pixels = 0;
    for (const auto &frame : picture.Images()) {
        const QImage bitmap = frame->Bitmap();
        pixels += size_t(bitmap.width()) * size_t(bitmap.height());
    }
    return pixels;
}

void BM_Pelloran(benchmark::State &state)
{
    const QByteArray &data = benchFile(int(state.range(0)));
    size_t pixels = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(pixels = decodeWithPelloran(data));
    if (pixels == 0)
        state.SkipWithError("no pixels decoded");
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
}

void BM_Giflib(benchmark::State &state)
{
    const QByteArray &data = benchFile(int(state.range(0)));
    std::vector<quint8> rgb;
    size_t pixels = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(pixels = decodeWithGiflib(data, rgb));
    if (pixels == 0)
        state.SkipWithError("no pixels decoded");
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
}

// Both on the same bytes, alternating, so the ratio comes from one run.
void BM_Ratio(benchmark::State &state)
{
    using Clock = std::chrono::steady_clock;
    const QByteArray &data = benchFile(int(state.range(0)));
    std::vector<quint8> rgb;
    Clock::duration ours{}, theirs{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(decodeWithPelloran(data));
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(decodeWithGiflib(data, rgb));
        const auto t2 = Clock::now();
        ours += t1 - t0;
        theirs += t2 - t1;
    }
    const double n = double(state.iterations());
    state.counters["pelloran_ms"] = std::chrono::duration<double, std::milli>(ours).count() / n;
    state.counters["giflib_ms"] = std::chrono::duration<double, std::milli>(theirs).count() / n;
    state.counters["ratio"] = double(ours.count()) / double(theirs.count());
}

} // namespace

// Argument 0: large.gif (2400x1600); 1: the same picture interlaced.
BENCHMARK(BM_Pelloran)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Giflib)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ratio)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
