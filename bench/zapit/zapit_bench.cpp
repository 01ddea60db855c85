// Loading a services.xml the way the program does (TFrmXMLHandler::OpenServices
// on a local file) against `xmllint --noout` of the same file, writing it and
// comparing two such lists against that load, and the load's peak memory
// against the file's size; at 25,000 and 100,000 services. Beside them the
// load of one satellite of 30,000 and of 60,000 transponders with a few
// services each against `xmllint --noout` of that file: a look-up over the
// transponders read so far would make its ratio grow with the file. Every
// benchmark runs 5 repetitions; the figures and ratios printed at the end are the
// medians of those repetitions, all from this one run.
//
// Memory is counted by the allocator in this program, which sees every
// malloc of Qt, libxml2 and our own code: the peak of the bytes handed out
// (usable size plus the allocator's 8-byte chunk header) while the load runs,
// over what was in use before it. Peak RSS growth is printed beside it, and
// the peak of the read alone (file to list, without the import news).
// `zapit_bench --measure-memory <file> <folder>` is the child that measures.

#include "services_generator.h"

#include "core/model/service_list.h"
#include "core/util/prompts.h"
#include "core/zapit/import_news.h"
#include "core/zapit/writer.h"
#include "core/zapit/xml_file_handler.h"
#include "core/zapit/zapit_load.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <map>
#include <memory>
#include <unistd.h>
#include <vector>

// The counting allocator: glibc's own, with the bytes in use tallied while
// `counting` is on. Off, it costs one branch per call.
extern "C" {
void *__libc_malloc(size_t);
void __libc_free(void *);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void *__libc_memalign(size_t, size_t);
}

namespace {

std::atomic<bool> counting{false};
std::atomic<long long> inUse{0};
std::atomic<long long> peakInUse{0};

long long chunkBytes(void *p)
{
    return p ? (long long)(malloc_usable_size(p) + sizeof(size_t)) : 0;
}

void *counted(void *p)
{
    if (p && counting.load(std::memory_order_relaxed)) {
        const long long now = inUse.fetch_add(chunkBytes(p), std::memory_order_relaxed)
            + chunkBytes(p);
        long long peak = peakInUse.load(std::memory_order_relaxed);
        while (now > peak && !peakInUse.compare_exchange_weak(peak, now)) {
        }
    }
    return p;
}

void uncount(void *p)
{
    if (p && counting.load(std::memory_order_relaxed))
        inUse.fetch_sub(chunkBytes(p), std::memory_order_relaxed);
}

} // namespace

extern "C" {
void *malloc(size_t size) { return counted(__libc_malloc(size)); }
void free(void *p)
{
    uncount(p);
    __libc_free(p);
}
void *calloc(size_t n, size_t size) { return counted(__libc_calloc(n, size)); }
void *realloc(void *p, size_t size)
{
    uncount(p);
    void *moved = __libc_realloc(p, size);
    // A failed realloc leaves the old block in place.
    return counted(moved || size == 0 ? moved : p);
}
void *memalign(size_t alignment, size_t size)
{
    return counted(__libc_memalign(alignment, size));
}
void *aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void **out, size_t alignment, size_t size)
{
    void *p = memalign(alignment, size);
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}
void *valloc(size_t size) { return memalign(size_t(getpagesize()), size); }
void *pvalloc(size_t size)
{
    const size_t page = size_t(getpagesize());
    return memalign(page, (size + page - 1) / page * page);
}
}

namespace {

constexpr int kSmall = 25000;
constexpr int kLarge = 100000;
constexpr int kRepetitions = 5;
constexpr int kChangedShare = 20; // every 20th service renamed: 5 %
constexpr int kOneSateliteSmall = 30000; // transponders
constexpr int kOneSateliteLarge = 60000;

// A list as receivers carry it (`count` services, and the same with a share
// renamed), or one satellite of `count` transponders.
enum class Shape { Receiver, OneSatelite };

struct Files {
    QTemporaryDir dir;
    QString services;
    QString changed;
    qint64 size = 0;

    Files(int count, Shape shape)
    {
        services = dir.filePath(QStringLiteral("services.xml"));
        changed = dir.filePath(QStringLiteral("services-changed.xml"));
        const bool written = shape == Shape::OneSatelite
            ? writeOneSateliteServices(services, count)
            : writeGeneratedServices(services, count)
                && writeGeneratedServices(changed, count, kChangedShare);
        if (!written)
            std::fprintf(stderr, "could not generate the test files\n");
        size = QFileInfo(services).size();
    }
};

Files &files(int count, Shape shape = Shape::Receiver)
{
    static std::map<std::pair<int, Shape>, std::unique_ptr<Files>> made;
    auto &f = made[{count, shape}];
    if (!f)
        f = std::make_unique<Files>(count, shape);
    return *f;
}

// The answer to the open dialog is the file given.
class OpenThisFile : public TPrompts
{
public:
    explicit OpenThisFile(QString fileName) : m_fileName(std::move(fileName)) {}
    int messageBox(TMsgKind, const QString &, int) override { return mbOK; }
    QString openFileName(const QString &, const QString &, const QString &,
                         const QString &) override
    {
        return m_fileName;
    }
    QString saveFileName(const QString &, const QString &, const QString &,
                         const QString &) override
    {
        return QString();
    }

private:
    QString m_fileName;
};

// The program's own entry point: the list starts empty, the news are
// written into `newsFolder`.
std::unique_ptr<TServiceList> open(const QString &fileName, const QString &newsFolder)
{
    OpenThisFile prompts(fileName);
    TFrmXMLHandler::Environment environment;
    environment.prompts = &prompts;
    environment.newsFolder = newsFolder;
    TFrmXMLHandler handler(environment);
    auto list = std::make_unique<TServiceList>();
    QString error;
    if (!handler.OpenServices(fileName, QStringLiteral("Open"), *list, error))
        std::fprintf(stderr, "load failed: %s\n", qPrintable(error));
    return list;
}

std::unique_ptr<TServiceList> load(const QString &fileName)
{
    auto list = std::make_unique<TServiceList>();
    QString error;
    if (!loadZapitFile(ZapitKind::Services, fileName, *list, error))
        std::fprintf(stderr, "load failed: %s\n", qPrintable(error));
    return list;
}

// One value per repetition, by figure and size.
std::map<std::pair<std::string, int>, std::vector<double>> &samples()
{
    static std::map<std::pair<std::string, int>, std::vector<double>> values;
    return values;
}

int count(const benchmark::State &state)
{
    return int(state.range(0));
}

void record(benchmark::State &state, const char *name, double seconds, qint64 fileSize)
{
    samples()[{name, count(state)}].push_back(seconds / double(state.iterations()));
    state.counters["MB"] = double(fileSize) / 1e6;
}

void record(benchmark::State &state, const char *name, double seconds)
{
    record(state, name, seconds, files(count(state)).size);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

template <typename Fn>
double timed(Fn fn)
{
    QElapsedTimer clock;
    clock.start();
    fn();
    return double(clock.nsecsElapsed()) / 1e9;
}

void xmllintNoout(benchmark::State &state, const char *name, const QString &file, qint64 size)
{
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty()) {
        state.SkipWithError("xmllint not found (package libxml2-utils)");
        return;
    }
    double total = 0;
    for (auto _ : state) {
        const double seconds = timed([&] {
            QProcess process;
            process.start(xmllint, {QStringLiteral("--noout"), file});
            process.waitForFinished(-1);
        });
        state.SetIterationTime(seconds);
        total += seconds;
    }
    record(state, name, total, size);
}

void openServices(benchmark::State &state, const char *name, const QString &file,
                  const QString &newsFolder, qint64 size)
{
    double total = 0;
    for (auto _ : state) {
        std::unique_ptr<TServiceList> list;
        const double seconds = timed([&] { list = open(file, newsFolder); });
        state.SetIterationTime(seconds);
        total += seconds;
        benchmark::DoNotOptimize(list.get());
        // Freeing the list is not part of the load.
    }
    record(state, name, total, size);
}

void BM_XmllintNoout(benchmark::State &state)
{
    const Files &f = files(count(state));
    xmllintNoout(state, "xmllint", f.services, f.size);
}

void BM_OpenServices(benchmark::State &state)
{
    const Files &f = files(count(state));
    openServices(state, "load", f.services, f.dir.path(), f.size);
}

void BM_XmllintOneSatelite(benchmark::State &state)
{
    const Files &f = files(count(state), Shape::OneSatelite);
    xmllintNoout(state, "xmllint one satellite", f.services, f.size);
}

void BM_OpenOneSatelite(benchmark::State &state)
{
    const Files &f = files(count(state), Shape::OneSatelite);
    openServices(state, "load one satellite", f.services, f.dir.path(), f.size);
}

void BM_Write(benchmark::State &state)
{
    Files &f = files(count(state));
    const auto list = load(f.services);
    const QString target = f.dir.filePath(QStringLiteral("written.xml"));
    double total = 0;
    for (auto _ : state) {
        const double seconds = timed([&] {
            QString error;
            WriteServicesType06(target, list->Encoding, error, *list);
        });
        state.SetIterationTime(seconds);
        total += seconds;
    }
    record(state, "write", total);
}

void BM_ServiceDiff(benchmark::State &state)
{
    Files &f = files(count(state));
    double total = 0;
    for (auto _ : state) {
        auto previous = load(f.services);
        auto next = load(f.changed);
        const double seconds = timed([&] {
            QString error;
            WriteServiceDiff(*previous, *next, error, f.dir.path());
        });
        state.SetIterationTime(seconds);
        total += seconds;
    }
    record(state, "diff", total);
}

qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

void startCounting()
{
    inUse = 0;
    peakInUse = 0;
    counting = true;
}

// The child: prints "<peak heap growth> <heap the list holds> <peak RSS
// growth> <peak heap growth of the read alone>" in bytes, for one load
// through the program's entry point and then one through the reader alone
// (file to list, without the import news).
int measureMemory(const char *fileName, const char *newsFolder)
{
    const QString file = QString::fromLocal8Bit(fileName);
    const qint64 rssBefore = statusKb("VmRSS:");
    startCounting();
    auto list = open(file, QString::fromLocal8Bit(newsFolder));
    counting = false;
    const qint64 peakRss = (statusKb("VmHWM:") - rssBefore) * 1024;
    const long long peak = peakInUse;
    const long long held = inUse;
    list.reset();
    startCounting();
    list = load(file);
    counting = false;
    std::printf("%lld %lld %lld %lld\n", peak, held, peakRss, peakInUse.load());
    return 0;
}

void BM_LoadMemory(benchmark::State &state)
{
    Files &f = files(count(state));
    for (auto _ : state) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--measure-memory"), f.services, f.dir.path()});
        child.waitForFinished(-1);
        const QList<QByteArray> numbers = child.readAllStandardOutput().trimmed().split(' ');
        const double size = double(f.size);
        const double peak = numbers.value(0).toDouble() / size;
        const double held = numbers.value(1).toDouble() / size;
        const double rss = numbers.value(2).toDouble() / size;
        const double readPeak = numbers.value(3).toDouble() / size;
        state.counters["peak_x_file"] = peak;
        state.counters["held_x_file"] = held;
        state.counters["rss_x_file"] = rss;
        state.counters["read_peak_x_file"] = readPeak;
        samples()[{"peak", count(state)}].push_back(peak);
        samples()[{"held", count(state)}].push_back(held);
        samples()[{"rss", count(state)}].push_back(rss);
        samples()[{"read peak", count(state)}].push_back(readPeak);
    }
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(kSmall)->Arg(kLarge)->Repetitions(kRepetitions)->DisplayAggregatesOnly(true);
}

BENCHMARK(BM_XmllintNoout)->Apply(sizes)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OpenServices)->Apply(sizes)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Write)->Apply(sizes)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ServiceDiff)->Apply(sizes)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LoadMemory)->Apply(sizes)->Iterations(1)->Unit(benchmark::kMillisecond);

void transponderCounts(benchmark::internal::Benchmark *b)
{
    b->Arg(kOneSateliteSmall)->Arg(kOneSateliteLarge)->Repetitions(kRepetitions)
        ->DisplayAggregatesOnly(true)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
}

BENCHMARK(BM_XmllintOneSatelite)->Apply(transponderCounts);
BENCHMARK(BM_OpenOneSatelite)->Apply(transponderCounts);

void printFigures()
{
    std::printf("\nMedians of %d repetitions:\n", kRepetitions);
    for (const int n : {kSmall, kLarge}) {
        const auto figure = [n](const char *name) {
            const auto it = samples().find({name, n});
            return it == samples().end() ? 0.0 : median(it->second);
        };
        if (std::none_of(samples().begin(), samples().end(),
                         [n](const auto &entry) { return entry.first.second == n; }))
            continue;
        const double load = figure("load");
        std::printf("%d services, %.2f MB:\n", n, double(files(n).size) / 1e6);
        std::printf("  load (OpenServices)         %8.1f ms\n", load * 1e3);
        std::printf("  xmllint --noout             %8.1f ms\n", figure("xmllint") * 1e3);
        std::printf("  write                       %8.1f ms\n", figure("write") * 1e3);
        std::printf("  import news                 %8.1f ms\n", figure("diff") * 1e3);
        if (load > 0 && figure("xmllint") > 0)
            std::printf("  load / xmllint --noout      %8.2f (limit 2.0)\n", load / figure("xmllint"));
        if (load > 0) {
            std::printf("  write / load                %8.2f (limit 1.0)\n", figure("write") / load);
            std::printf("  import news / load          %8.2f (limit 1.0)\n", figure("diff") / load);
        }
        std::printf("  load: peak heap / file      %8.2f (limit 3.0)\n", figure("peak"));
        std::printf("  load: heap held / file      %8.2f\n", figure("held"));
        std::printf("  load: peak RSS / file       %8.2f\n", figure("rss"));
        std::printf("  read alone: peak heap / file%8.2f\n", figure("read peak"));
    }
    for (const int n : {kOneSateliteSmall, kOneSateliteLarge}) {
        const auto figure = [n](const char *name) {
            const auto it = samples().find({name, n});
            return it == samples().end() ? 0.0 : median(it->second);
        };
        const double load = figure("load one satellite");
        const double xmllint = figure("xmllint one satellite");
        if (load == 0 && xmllint == 0)
            continue;
        std::printf("one satellite of %d transponders, %.2f MB:\n", n,
                    double(files(n, Shape::OneSatelite).size) / 1e6);
        std::printf("  load (OpenServices)         %8.1f ms\n", load * 1e3);
        std::printf("  xmllint --noout             %8.1f ms\n", xmllint * 1e3);
        if (load > 0 && xmllint > 0)
            std::printf("  load / xmllint --noout      %8.2f (limit 2.0)\n", load / xmllint);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--measure-memory") == 0)
        return measureMemory(argv[2], argv[3]);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printFigures();
    return 0;
}
