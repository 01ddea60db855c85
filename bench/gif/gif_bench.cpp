// Large GIFs from memory to RGB pixels, our codec against giflib: both take
// the same bytes and give the same thing, one RGB888 image per frame.
//   giflib: DGifSlurp, then every frame's indices through its colour map.
//   ours:   load (decode), then every frame rendered straight to RGB888.
// The set-up checks that both give equal pixels before anything is timed.
// Figures are the median of 5 repetitions; BM_Ratio times both sides
// alternately on the same bytes, so each ratio comes from one run.
#include "gif/gif_picture.h"

#include <QFile>

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kRepetitions = 5;

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

using Frames = std::vector<QImage>;

// giflib: slurp, then each frame's indices to RGB888 through a 256-entry
// table made from its colour map (indices past the map show its first
// colour, as ours do; no per-pixel bounds check or modulo).
Frames decodeWithGiflib(const QByteArray &data)
{
    MemoryReader reader{&data};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&reader, readMemory, &error));
    Frames frames;
    if (!gif || DGifSlurp(gif.get()) != GIF_OK)
        return frames;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage &image = gif->SavedImages[i];
        const ColorMapObject *map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap
                                                             : gif->SColorMap;
        const int w = image.ImageDesc.Width, h = image.ImageDesc.Height;
        if (!map || map->ColorCount <= 0 || w <= 0 || h <= 0)
            return {};
        std::array<GifColorType, 256> table;
        for (int k = 0; k < 256; ++k)
            table[size_t(k)] = map->Colors[k < map->ColorCount ? k : 0];
        QImage rgb(w, h, QImage::Format_RGB888);
        const GifByteType *src = image.RasterBits;
        for (int y = 0; y < h; ++y, src += w) {
            uchar *dst = rgb.scanLine(y);
            for (int x = 0; x < w; ++x, dst += 3) {
                const GifColorType &c = table[src[x]];
                dst[0] = c.Red;
                dst[1] = c.Green;
                dst[2] = c.Blue;
            }
        }
        frames.push_back(std::move(rgb));
    }
    return frames;
}

// Ours: load (decode), then every frame rendered straight to RGB888.
Frames decodeWithPelloran(const QByteArray &data)
{
    TGifPicture picture;
    QString error;
    Frames frames;
    if (!picture.LoadFromData(data, error))
        return frames;
    for (const auto &frame : picture.Images())
        frames.push_back(frame->RgbBitmap(QImage::Format_RGB888));
    return frames;
}

size_t pixelCount(const Frames &frames)
{
    size_t pixels = 0;
    for (const QImage &f : frames)
        pixels += size_t(f.width()) * size_t(f.height());
    return pixels;
}

// Both sides must give the same pixels from the same bytes.
bool sameResult(int file)
{
    const Frames ours = decodeWithPelloran(benchFile(file));
    const Frames theirs = decodeWithGiflib(benchFile(file));
    if (ours.empty() || ours.size() != theirs.size())
        return false;
    for (size_t i = 0; i < ours.size(); ++i)
        if (ours[i] != theirs[i])
            return false;
    return true;
}

bool checked(benchmark::State &state, int file)
{
    static const std::array<bool, 2> same = {sameResult(0), sameResult(1)};
    if (benchFile(file).isEmpty()) {
        state.SkipWithError("benchmark data missing");
        return false;
    }
    if (!same[size_t(file)]) {
        state.SkipWithError("the two decoders give different pixels");
        return false;
    }
    return true;
}

void BM_Pelloran(benchmark::State &state)
{
    const int file = int(state.range(0));
    if (!checked(state, file))
        return;
    size_t pixels = 0;
    for (auto _ : state) {
        const Frames frames = decodeWithPelloran(benchFile(file));
        benchmark::DoNotOptimize(pixels = pixelCount(frames));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
}

void BM_Giflib(benchmark::State &state)
{
    const int file = int(state.range(0));
    if (!checked(state, file))
        return;
    size_t pixels = 0;
    for (auto _ : state) {
        const Frames frames = decodeWithGiflib(benchFile(file));
        benchmark::DoNotOptimize(pixels = pixelCount(frames));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
}

// Both on the same bytes, alternating (which goes first alternates too), so
// the ratio comes from one run under the same conditions.
void BM_Ratio(benchmark::State &state)
{
    using Clock = std::chrono::steady_clock;
    const int file = int(state.range(0));
    if (!checked(state, file))
        return;
    Clock::duration ours{}, theirs{};
    bool oursFirst = true;
    for (auto _ : state) {
        for (int side = 0; side < 2; ++side) {
            const bool runOurs = (side == 0) == oursFirst;
            const auto t0 = Clock::now();
            const Frames frames = runOurs ? decodeWithPelloran(benchFile(file))
                                          : decodeWithGiflib(benchFile(file));
            benchmark::DoNotOptimize(frames.data());
            (runOurs ? ours : theirs) += Clock::now() - t0;
        }
        oursFirst = !oursFirst;
    }
    const double n = double(state.iterations());
    state.counters["pelloran_ms"] = std::chrono::duration<double, std::milli>(ours).count() / n;
    state.counters["giflib_ms"] = std::chrono::duration<double, std::milli>(theirs).count() / n;
    state.counters["ratio"] = double(ours.count()) / double(theirs.count());
}

} // namespace

// Argument 0: large.gif (2400x1600, 256 colours); 1: the same picture interlaced.
BENCHMARK(BM_Pelloran)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Giflib)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Ratio)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
