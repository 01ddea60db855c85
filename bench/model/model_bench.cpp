// The channel model's bulk edits and look-ups at two sizes 4x apart: deleting
// and moving the marked half of a bouquet or of the bouquet list, adding
// marked services to a bouquet (also at 100,000 and 400,000, the sizes where
// a table of every entry's ids outgrows the caches), adding every service to
// a my-services list, collecting every hit of a search, linking
// the my-services list, reading services with 50 and with 1,000 services
// per transponder, and reading files whose satellites or transponders
// repeat. Each must cost about 4x at 4x the size.
//
// Every benchmark runs 5 repetitions; the figures and ratios printed at the
// end are the medians of those repetitions, all from this one run. Only the
// operation is timed (UseManualTime); building its input is not.

#include "model_lists.h"

#include "core/zapit/zapit_load.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace model_bench;

namespace {

constexpr int kRepetitions = 5;
constexpr int kIterations = 5;

std::map<std::pair<std::string, int>, std::vector<double>> &samples()
{
    static std::map<std::pair<std::string, int>, std::vector<double>> values;
    return values;
}

int size(const benchmark::State &state)
{
    return int(state.range(0));
}

template <typename Fn>
double timed(Fn fn)
{
    QElapsedTimer clock;
    clock.start();
    fn();
    return double(clock.nsecsElapsed()) / 1e9;
}

// With --cold, the caches are emptied of the input before each timed run, as
// they are when the user's edit follows other work: then both sizes start
// from memory. Without it the input has just been built, and the smaller
// one may still sit in the caches while the larger one cannot.
bool g_cold = false;

void evictCaches()
{
    static std::vector<char> sweep(std::size_t(512) << 20);
    static char round = 0;
    ++round;
    for (std::size_t i = 0; i < sweep.size(); i += 64)
        sweep[i] = round;
    benchmark::DoNotOptimize(sweep.data());
}

// Runs `prepare` untimed and `run` timed once per iteration, records the
// repetition's mean under `name`.
template <typename Prepare, typename Run>
void measure(benchmark::State &state, const char *name, Prepare prepare, Run run)
{
    double total = 0;
    for (auto _ : state) {
        auto input = prepare();
        if (g_cold)
            evictCaches();
        const double seconds = timed([&] { run(input); });
        state.SetIterationTime(seconds);
        total += seconds;
    }
    samples()[{name, size(state)}].push_back(total / double(state.iterations()));
}

const TServiceList &services(int count)
{
    static std::map<int, std::unique_ptr<TServiceList>> lists;
    auto &list = lists[count];
    if (!list)
        list = makeServices(count);
    return *list;
}

void BM_BouquetDeleteMarked(benchmark::State &state)
{
    const TServiceList &list = services(size(state));
    measure(
        state, "bouquet delete marked", [&] { return makeBouquet(list, size(state)); },
        [](auto &bouquet) { bouquet->DeleteMarked(); });
}

void BM_BouquetMoveMarkedToTop(benchmark::State &state)
{
    const TServiceList &list = services(size(state));
    measure(
        state, "bouquet move marked to row 0", [&] { return makeBouquet(list, size(state)); },
        [](auto &bouquet) { bouquet->MoveMarkedTo(0); });
}

void BM_BouquetMoveMarkedToMiddle(benchmark::State &state)
{
    const TServiceList &list = services(size(state));
    measure(
        state, "bouquet move marked to mid row", [&] { return makeBouquet(list, size(state)); },
        [&](auto &bouquet) { bouquet->MoveMarkedTo(size(state) / 3); });
}

void BM_BouquetListMoveMarkedTo(benchmark::State &state)
{
    const TServiceList &list = services(size(state));
    measure(
        state, "bouquet list move marked", [&] { return makeBouquetList(list, size(state)); },
        [&](auto &bouquets) { bouquets->MoveMarkedTo(size(state) / 3); });
}

void BM_BouquetListMoveMarkedToTop(benchmark::State &state)
{
    const TServiceList &list = services(size(state));
    measure(
        state, "bouquet list move marked to 0",
        [&] { return makeBouquetList(list, size(state)); },
        [](auto &bouquets) { bouquets->MoveMarkedTo(0); });
}

void BM_BouquetListDeleteMarked(benchmark::State &state)
{
    const TServiceList &list = services(size(state));
    measure(
        state, "bouquet list delete marked", [&] { return makeBouquetList(list, size(state)); },
        [](auto &bouquets) { bouquets->DeleteMarked(); });
}

// The floor under any edit of marked bouquets: reading each one's mark once.
// Where the caches hold the smaller list but not the larger, this alone
// grows by more than the list does; the edits above cannot do better.
void BM_BouquetListReadMarks(benchmark::State &state)
{
    const TServiceList &list = services(size(state));
    measure(
        state, "bouquet list: read every mark",
        [&] { return makeBouquetList(list, size(state)); },
        [](auto &bouquets) {
            int marked = 0;
            for (int i = 0; i < bouquets->Count(); ++i)
                marked += bouquets->GetItem(i)->Marked ? 1 : 0;
            benchmark::DoNotOptimize(marked);
        });
}

void BM_AddMarkedServices(benchmark::State &state)
{
    auto list = makeServices(size(state));
    list->forEachService([](TService *s, TTransponder *, TSatelite *) { s->Marked = true; });
    measure(
        state, "add all marked services", [] { return std::make_unique<TBouquet>(); },
        [&](auto &bouquet) { benchmark::DoNotOptimize(bouquet->AddMarkedServices(*list)); });
}

// The services window's "add to my services" with every service selected,
// into a list that already holds entries for every fifth of them: most
// become copies filed under transponders made on the way.
void BM_AddMarkedToMyServices(benchmark::State &state)
{
    auto list = makeServices(size(state));
    list->forEachService([](TService *s, TTransponder *, TSatelite *) { s->Marked = true; });
    measure(
        state, "add all marked to my-services",
        [&] { return makeMyServices(*list, size(state) / 5); },
        [&](auto &my) { list->AddMarkedFrom(*my, saAdd, true, false); });
}

void BM_FindEveryHit(benchmark::State &state)
{
    auto list = makeServices(size(state));
    struct Templates {
        TService service;
        TTransponder transponder;
        TSatelite satelite;
    };
    measure(
        state, "find every hit",
        [&] {
            list->ResetMatched();
            auto t = std::make_unique<Templates>();
            t->service.SetWildcards();
            t->transponder.SetWildcards();
            t->satelite.SetWildcards();
            t->service.Name = QStringLiteral("A*");
            return t;
        },
        [&](auto &t) {
            TService *s = nullptr;
            TTransponder *tp = nullptr;
            TSatelite *sat = nullptr;
            int hits = 0;
            while (list->Find(t->service, t->transponder, t->satelite, true, s, tp, sat) >= 0)
                ++hits;
            benchmark::DoNotOptimize(hits);
        });
}

void BM_LinkMyServices(benchmark::State &state)
{
    const int entries = size(state);
    auto list = makeServices(entries * 5);
    auto my = makeMyServices(*list, entries);
    measure(
        state, "link my-services", [] { return 0; },
        [&](int) { list->LinkMyServices(*my); });
}

// The readers' adding: each service handed to its transponder with merge.
void addAsReader(benchmark::State &state, int perTransponder, const char *name)
{
    measure(
        state, name, [] { return 0; },
        [&](int) { benchmark::DoNotOptimize(makeServices(size(state), perTransponder)); });
}

void BM_AddServices50(benchmark::State &state)
{
    addAsReader(state, 50, "add services, 50 per tp");
}

void BM_AddServices1000(benchmark::State &state)
{
    addAsReader(state, 1000, "add services, 1000 per tp");
}

// The whole load of a services file through the program's loading.
void loadContent(benchmark::State &state, const QByteArray &content, const char *name)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("services.xml"));
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        state.SkipWithError("cannot write the services file");
        return;
    }
    file.close();
    measure(
        state, name, [] { return std::make_unique<TServiceList>(); },
        [&](auto &list) {
            QString error;
            if (!loadZapitFile(ZapitKind::Services, fileName, *list, error))
                std::fprintf(stderr, "load failed: %s\n", qPrintable(error));
        });
}

void BM_LoadFile50(benchmark::State &state)
{
    loadContent(state, servicesFile(size(state), 50), "load file, 50 per tp");
}

void BM_LoadFile1000(benchmark::State &state)
{
    loadContent(state, servicesFile(size(state), 1000), "load file, 1000 per tp");
}

// Elements that merge as they are read: each must find the one it merges
// into without looking at all read before it.
void BM_LoadRepeatedSatelite(benchmark::State &state)
{
    loadContent(state, repeatedElementsFile(Repeated::Satelite, size(state)),
                "load, one satellite repeated");
}

void BM_LoadRepeatedTransponder(benchmark::State &state)
{
    loadContent(state, repeatedElementsFile(Repeated::Transponder, size(state)),
                "load, one transponder repeated");
}

void BM_LoadDistinctSatelites(benchmark::State &state)
{
    loadContent(state, repeatedElementsFile(Repeated::DistinctSatelites, size(state)),
                "load, distinct satellites");
}

constexpr int kEntries[] = {25000, 100000};
constexpr int kSearched[] = {5000, 20000};

void entrySizes(benchmark::internal::Benchmark *b)
{
    for (int n : kEntries)
        b->Arg(n);
    b->Repetitions(kRepetitions)->Iterations(kIterations)->DisplayAggregatesOnly(true);
    b->UseManualTime()->Unit(benchmark::kMillisecond);
}

void searchSizes(benchmark::internal::Benchmark *b)
{
    for (int n : kSearched)
        b->Arg(n);
    b->Arg(100000); // for the 50 ms bound
    b->Repetitions(kRepetitions)->Iterations(kIterations)->DisplayAggregatesOnly(true);
    b->UseManualTime()->Unit(benchmark::kMillisecond);
}

// My-services entries, against five times as many services.
void linkSizes(benchmark::internal::Benchmark *b)
{
    for (int n : kSearched)
        b->Arg(n);
    b->Repetitions(kRepetitions)->Iterations(kIterations)->DisplayAggregatesOnly(true);
    b->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_BouquetDeleteMarked)->Apply(entrySizes);
BENCHMARK(BM_BouquetMoveMarkedToTop)->Apply(entrySizes);
BENCHMARK(BM_BouquetMoveMarkedToMiddle)->Apply(entrySizes);
BENCHMARK(BM_BouquetListMoveMarkedToTop)->Apply(entrySizes);
BENCHMARK(BM_BouquetListMoveMarkedTo)->Apply(entrySizes);
BENCHMARK(BM_BouquetListDeleteMarked)->Apply(entrySizes);
BENCHMARK(BM_BouquetListReadMarks)->Apply(entrySizes);
BENCHMARK(BM_AddMarkedServices)->Apply(searchSizes)->Arg(400000);
BENCHMARK(BM_AddMarkedToMyServices)->Apply(entrySizes);
BENCHMARK(BM_FindEveryHit)->Apply(searchSizes);
BENCHMARK(BM_LinkMyServices)->Apply(linkSizes);
BENCHMARK(BM_AddServices50)->Apply(entrySizes);
BENCHMARK(BM_AddServices1000)->Apply(entrySizes);
BENCHMARK(BM_LoadFile50)->Apply(entrySizes);
BENCHMARK(BM_LoadFile1000)->Apply(entrySizes);
BENCHMARK(BM_LoadRepeatedSatelite)->Apply(entrySizes);
BENCHMARK(BM_LoadRepeatedTransponder)->Apply(entrySizes);
BENCHMARK(BM_LoadDistinctSatelites)->Apply(entrySizes);

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

void printFigures()
{
    std::printf("\nMedians of %d repetitions (ms, %s caches), growth for 4x the size "
                "(limit 5.0):\n",
                kRepetitions, g_cold ? "cold" : "warm");
    std::map<std::string, std::map<int, double>> byName;
    for (const auto &[key, values] : samples())
        byName[key.first][key.second] = median(values);
    for (const auto &[name, bySize] : byName) {
        std::printf("  %-32s", name.c_str());
        for (const auto &[n, seconds] : bySize)
            std::printf("  %6d: %8.2f", n, seconds * 1e3);
        for (const auto &pair :
             {std::pair{25000, 100000}, std::pair{5000, 20000}, std::pair{100000, 400000}}) {
            const auto small = bySize.find(pair.first);
            const auto large = bySize.find(pair.second);
            if (small != bySize.end() && large != bySize.end() && small->second > 0)
                std::printf("   x%.2f", large->second / small->second);
        }
        std::printf("\n");
    }
    const auto ratio = [&](const char *a, const char *b, int n) {
        const double x = byName[a][n];
        const double y = byName[b][n];
        return y > 0 ? x / y : 0.0;
    };
    for (int n : kEntries) {
        std::printf("  %d services: 1000 per tp / 50 per tp: add %.2f, load %.2f\n", n,
                    ratio("add services, 1000 per tp", "add services, 50 per tp", n),
                    ratio("load file, 1000 per tp", "load file, 50 per tp", n));
    }
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cold") == 0) {
            g_cold = true;
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            break;
        }
    }
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printFigures();
    return 0;
}
