// Reading KingOfSat pages of awkward shapes, each against decoding the same
// bytes with QString::fromUtf8 (which every downloaded page goes through
// before it is read), measured in the same run:
//  - an index page whose image-map line holds one link and 10,000, 40,000
//    or 80,000 alternative texts that belong to no link (120, 480, 960 KB):
//    parseSatelliteIndex;
//  - a satellite page of 7,500, 15,000 or 30,000 transponders with a service
//    each (up to about 7 MB, below the page size limit): splitPageCells and
//    collectSatelitePage into a new satellite, as the download does.
// Reading a page should cost a multiple of decoding it (the "ratio" counter)
// that does not grow with the page: a look-up that goes over all it has read
// so far doubles it with each doubling of the page. Every benchmark runs 5
// repetitions of one iteration; the aggregates shown are over them (the
// median is the figure).

#include "core/model/satelite.h"
#include "exchange/kingofsat_page.h"
#include "kingofsat_pages.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <functional>
#include <map>
#include <memory>

namespace {

constexpr int kRepetitions = 5;
// Decoding is quick: timed over several runs so its figure is not noise.
constexpr int kPeerRuns = 10;

const QString kIndexUrl = QStringLiteral("http://127.0.0.1:8/en/lists.php");

// The page's bytes, made once per shape and size.
const QByteArray &indexBytes(int looseAlts)
{
    static std::map<int, QByteArray> pages;
    auto &bytes = pages[looseAlts];
    if (bytes.isEmpty())
        bytes = kofIndexPage(kofArea(QStringLiteral("pos-1.php"), QStringLiteral("One (1.0&deg;E)"))
                             + kofLooseAlts(looseAlts))
                    .toUtf8();
    return bytes;
}

const QByteArray &satelliteBytes(int transponders)
{
    static std::map<int, QByteArray> pages;
    auto &bytes = pages[transponders];
    if (bytes.isEmpty())
        bytes = kofSatellitePage(kofTransponders(transponders)).toUtf8();
    return bytes;
}

double secondsOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

// Times `read` on the decoded page against decoding it; `read` answers
// whether it found what the page holds.
void measure(benchmark::State &state, const QByteArray &bytes,
             const std::function<bool(const QString &)> &read)
{
    const QString page = QString::fromUtf8(bytes);
    for (auto _ : state) {
        double peer = 0;
        for (int run = 0; run < kPeerRuns; ++run)
            peer += secondsOf([&] { benchmark::DoNotOptimize(QString::fromUtf8(bytes).size()); });
        peer /= kPeerRuns;
        bool right = false;
        const double seconds = secondsOf([&] { right = read(page); });
        if (!right) {
            state.SkipWithError("the page was misread");
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["KB"] = double(bytes.size()) / 1000;
        state.counters["fromUtf8_ms"] = peer * 1000;
        state.counters["ratio"] = seconds / peer;
    }
}

void BM_IndexPageLooseAlts(benchmark::State &state)
{
    measure(state, indexBytes(int(state.range(0))), [](const QString &page) {
        QList<TKofIndexEntry> entries;
        return parseSatelliteIndex(page, kIndexUrl, entries) && entries.size() == 1;
    });
}
BENCHMARK(BM_IndexPageLooseAlts)->Arg(10000)->Arg(40000)->Arg(80000)
    ->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(1)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

void BM_SatellitePageTransponders(benchmark::State &state)
{
    const int transponders = int(state.range(0));
    measure(state, satelliteBytes(transponders), [transponders](const QString &page) {
        TSatelite satelite;
        return collectSatelitePage(splitPageCells(page), satelite) == transponders
            && satelite.Count() == transponders;
    });
}
BENCHMARK(BM_SatellitePageTransponders)->Arg(7500)->Arg(15000)->Arg(30000)
    ->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(1)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
