// The zapit files' speed and memory, each ratio from pairs measured in the
// same repetition so that a load on the machine hits both sides alike:
//
// - Loading a services.xml the way the program does (TFrmXMLHandler::
//   OpenServices on a local file, import news against the empty list
//   included) against `xmllint --noout` of the same file. xmllint runs as a
//   process; its start-up is not parsing, so each repetition also runs it on
//   a file of one element and takes that off. Running the load as a process
//   instead would charge it Qt's far larger start-up. The two sides swap
//   order every repetition. Writing the list just read comes in the same
//   repetition, its ratio against that load beside it.
// - Import news of a list four times larger against the smaller, both lists
//   with every 20th service renamed, timed in alternation.
// - The load's peak heap against the file's size, in a child process.
//
// Two kinds of file: the own generator's, and one with the traits that make
// real lists heavier (long escaped names, random ids); see
// services_generator.h. Beside them one satellite of 30,000 and of 60,000
// transponders: a look-up over the transponders read so far would make its
// ratio grow with the file. Outputs are checked where there are some: the
// list read has the same services every time, xmllint accepts the file, the
// written file reads back to the same text, the news report every renamed
// service once as new and once as deleted. Figures printed at the end are
// medians of the repetitions of this one run; a ratio is the median of the
// repetitions' own ratios.
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
#include <string>
#include <tuple>
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
constexpr int kHuge = 400000;
constexpr int kGrowth = 4; // the import news of a list this many times larger
constexpr int kRepetitions = 7;
constexpr int kMemoryRepetitions = 3; // the counts vary little
constexpr int kStartupRuns = 3;       // xmllint on the one-element file, per repetition
constexpr int kChangedShare = 20;     // every 20th service renamed: 5 %
constexpr int kOneSateliteSmall = 30000; // transponders
constexpr int kOneSateliteLarge = 60000;

constexpr double kLoadGoal = 1.8;   // load / xmllint --noout
constexpr double kPeakGoal = 3.0;   // peak heap / file size
constexpr double kGrowthGoal = 5.0; // import news of the 4x list / of the list
constexpr double kWriteGoal = 1.0;  // write / load

// The own generator's list, one with the traits of real lists (each also
// with a share renamed), or one satellite of `count` transponders.
enum class Shape : int { Generated, RealTraits, OneSatelite };

const char *shapeName(Shape shape)
{
    switch (shape) {
    case Shape::Generated: return "generated";
    case Shape::RealTraits: return "real traits";
    case Shape::OneSatelite: return "one satellite";
    }
    return "";
}

struct Files {
    QTemporaryDir dir;
    QString services;
    QString changed;
    qint64 size = 0;

    Files(int count, Shape shape)
    {
        services = dir.filePath(QStringLiteral("services.xml"));
        changed = dir.filePath(QStringLiteral("services-changed.xml"));
        bool written = false;
        switch (shape) {
        case Shape::Generated:
            written = writeGeneratedServices(services, count)
                && writeGeneratedServices(changed, count, kChangedShare);
            break;
        case Shape::RealTraits:
            written = writeRealTraitsServices(services, count)
                && writeRealTraitsServices(changed, count, kChangedShare);
            break;
        case Shape::OneSatelite: written = writeOneSateliteServices(services, count); break;
        }
        if (!written)
            std::fprintf(stderr, "could not generate the test files\n");
        size = QFileInfo(services).size();
    }
};

Files &files(int count, Shape shape)
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

int serviceCount(const TServiceList &list)
{
    int services = 0;
    list.forEachService([&](TService *, TTransponder *, TSatelite *) { ++services; });
    return services;
}

QByteArray contentOf(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One value per repetition, by figure, shape and size.
using SampleKey = std::tuple<std::string, Shape, int>;

std::map<SampleKey, std::vector<double>> &samples()
{
    static std::map<SampleKey, std::vector<double>> values;
    return values;
}

void add(const char *name, Shape shape, int n, double value)
{
    samples()[{name, shape, n}].push_back(value);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double figure(const char *name, Shape shape, int n)
{
    const auto it = samples().find({name, shape, n});
    return it == samples().end() ? 0.0 : median(it->second);
}

template <typename Fn>
double timed(Fn fn)
{
    QElapsedTimer clock;
    clock.start();
    fn();
    return double(clock.nsecsElapsed()) / 1e9;
}

Shape shapeOf(const benchmark::State &state)
{
    return Shape(state.range(0));
}

int countOf(const benchmark::State &state)
{
    return int(state.range(1));
}

// `xmllint --noout` as a process, and the same on a file of one element: the
// time of starting it, which the load does not pay.
class Xmllint
{
public:
    Xmllint() : m_program(QStandardPaths::findExecutable(QStringLiteral("xmllint")))
    {
        m_tiny = m_dir.filePath(QStringLiteral("tiny.xml"));
        QFile file(m_tiny);
        if (!file.open(QIODevice::WriteOnly) || file.write("<zapit/>\n") != 9)
            m_program.clear();
    }
    bool found() const { return !m_program.isEmpty(); }

    // Seconds; negative when xmllint did not accept the file.
    double run(const QString &file) const
    {
        QProcess process;
        const double seconds = timed([&] {
            process.start(m_program, {QStringLiteral("--noout"), file});
            process.waitForFinished(-1);
        });
        const bool accepted = process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
        return accepted ? seconds : -1;
    }
    double startup() const
    {
        std::vector<double> runs;
        for (int i = 0; i < kStartupRuns; ++i)
            runs.push_back(run(m_tiny));
        return median(runs);
    }

private:
    QTemporaryDir m_dir;
    QString m_program;
    QString m_tiny;
};

const Xmllint &xmllint()
{
    static const Xmllint tool;
    return tool;
}

// Per repetition: xmllint (with its start-up measured), the load and the
// write of the list read, xmllint and the load in turn first.
void BM_Load(benchmark::State &state)
{
    const Shape shape = shapeOf(state);
    const int n = countOf(state);
    Files &f = files(n, shape);
    if (!xmllint().found()) {
        state.SkipWithError("xmllint not found (package libxml2-utils)");
        return;
    }
    const QString target = f.dir.filePath(QStringLiteral("written.xml"));
    static std::map<std::pair<Shape, int>, int> repetition;
    static std::map<std::pair<Shape, int>, int> servicesRead;
    for (auto _ : state) {
        const bool loadFirst = repetition[{shape, n}]++ % 2 == 1;
        double startup = 0;
        double lint = 0;
        double loadSeconds = 0;
        std::unique_ptr<TServiceList> list;
        const auto runXmllint = [&] {
            startup = xmllint().startup();
            lint = xmllint().run(f.services);
        };
        const auto runLoad = [&] {
            loadSeconds = timed([&] { list = open(f.services, f.dir.path()); });
        };
        if (loadFirst) {
            runLoad();
            runXmllint();
        } else {
            runXmllint();
            runLoad();
        }
        if (lint < 0 || startup < 0) {
            state.SkipWithError("xmllint refused the file");
            return;
        }
        const int services = serviceCount(*list);
        int &expected = servicesRead[{shape, n}];
        if (expected == 0)
            expected = services;
        if (services == 0 || services != expected) {
            state.SkipWithError("the load read another list");
            return;
        }
        const double writeSeconds = timed([&] {
            QString error;
            WriteServicesType06(target, list->Encoding, error, *list);
        });
        // The written file reads back to the same list: written again, it is
        // the same text.
        if (repetition[{shape, n}] == 1) {
            const QByteArray written = contentOf(target);
            const auto again = load(target);
            QString error;
            WriteServicesType06(target, again->Encoding, error, *again);
            if (written.isEmpty() || contentOf(target) != written) {
                state.SkipWithError("the written file does not read back the same");
                return;
            }
        }
        const double net = lint - startup;
        state.SetIterationTime(loadSeconds);
        add("load", shape, n, loadSeconds);
        add("xmllint", shape, n, lint);
        add("xmllint start", shape, n, startup);
        add("load / xmllint", shape, n, loadSeconds / std::max(net, 1e-9));
        add("write", shape, n, writeSeconds);
        add("write / load", shape, n, writeSeconds / loadSeconds);
        list.reset(); // freeing the list is not part of the load
    }
    state.counters["MB"] = double(f.size) / 1e6;
    state.counters["ratio"] = figure("load / xmllint", shape, n);
}

struct NewsLists {
    std::unique_ptr<TServiceList> previous;
    std::unique_ptr<TServiceList> next;
};

NewsLists newsLists(Shape shape, int n)
{
    const Files &f = files(n, shape);
    return {load(f.services), load(f.changed)};
}

// Every renamed service is news twice, as new and as deleted; nothing moved.
bool newsAsExpected(const NewsLists &lists)
{
    const ServiceDiff diff = compareServiceLists(*lists.previous, *lists.next);
    return !diff.newServices.isEmpty() && diff.newServices.size() == diff.deletedServices.size()
        && diff.changedServices.isEmpty();
}

// Per repetition: the import news of `n` services and of four times as many,
// in turn first.
void BM_ImportNewsGrowth(benchmark::State &state)
{
    const Shape shape = shapeOf(state);
    const int n = countOf(state);
    const NewsLists small = newsLists(shape, n);
    const NewsLists large = newsLists(shape, n * kGrowth);
    if (!newsAsExpected(small) || !newsAsExpected(large)) {
        state.SkipWithError("the import news do not report the renamed services");
        return;
    }
    const QString folder = files(n, shape).dir.path();
    const auto news = [&](const NewsLists &lists) {
        return timed([&] {
            QString error;
            WriteServiceDiff(*lists.previous, *lists.next, error, folder);
        });
    };
    int repetition = 0;
    for (auto _ : state) {
        double smallSeconds = 0;
        double largeSeconds = 0;
        if (repetition++ % 2 == 0) {
            smallSeconds = news(small);
            largeSeconds = news(large);
        } else {
            largeSeconds = news(large);
            smallSeconds = news(small);
        }
        state.SetIterationTime(largeSeconds);
        add("news", shape, n, smallSeconds);
        add("news 4x", shape, n, largeSeconds);
        add("news growth", shape, n, largeSeconds / smallSeconds);
    }
    state.counters["growth"] = figure("news growth", shape, n);
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
    const Shape shape = shapeOf(state);
    const int n = countOf(state);
    Files &f = files(n, shape);
    for (auto _ : state) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--measure-memory"), f.services, f.dir.path()});
        child.waitForFinished(-1);
        const QList<QByteArray> numbers = child.readAllStandardOutput().trimmed().split(' ');
        if (numbers.size() != 4) {
            state.SkipWithError("the measuring child failed");
            return;
        }
        const double size = double(f.size);
        const double peak = numbers.value(0).toDouble() / size;
        state.counters["peak_x_file"] = peak;
        add("peak", shape, n, peak);
        add("held", shape, n, numbers.value(1).toDouble() / size);
        add("rss", shape, n, numbers.value(2).toDouble() / size);
        add("read peak", shape, n, numbers.value(3).toDouble() / size);
    }
}

void loadSizes(benchmark::internal::Benchmark *b)
{
    b->Args({int(Shape::Generated), kSmall})->Args({int(Shape::Generated), kLarge});
    b->Args({int(Shape::RealTraits), kSmall})->Args({int(Shape::RealTraits), kLarge});
    b->Args({int(Shape::RealTraits), kHuge});
}

// One iteration a repetition: each times its pair of sides itself.
void pairedRepetitions(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"shape", "n"})
        ->Iterations(1)
        ->Repetitions(kRepetitions)
        ->DisplayAggregatesOnly(true)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Load)
    ->Apply(loadSizes)
    ->Args({int(Shape::OneSatelite), kOneSateliteSmall})
    ->Args({int(Shape::OneSatelite), kOneSateliteLarge})
    ->Apply(pairedRepetitions);
BENCHMARK(BM_ImportNewsGrowth)
    ->Args({int(Shape::Generated), kSmall})
    ->Args({int(Shape::Generated), kLarge})
    ->Args({int(Shape::RealTraits), kSmall})
    ->Args({int(Shape::RealTraits), kLarge})
    ->Apply(pairedRepetitions);
// The open of the largest generated file is where the import news, which
// list every service of it, come nearest the peak of the read.
BENCHMARK(BM_LoadMemory)
    ->Apply(loadSizes)
    ->Args({int(Shape::Generated), kHuge})
    ->ArgNames({"shape", "n"})
    ->Iterations(1)
    ->Repetitions(kMemoryRepetitions)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

const char *verdict(double value, double goal)
{
    return value <= goal ? "met" : "MISSED";
}

void printFigures()
{
    std::printf("\nMedians of %d repetitions (memory: %d), ratios the median of each "
                "repetition's own:\n",
                kRepetitions, kMemoryRepetitions);
    for (const Shape shape : {Shape::Generated, Shape::RealTraits, Shape::OneSatelite}) {
        for (const int n : {kSmall, kLarge, kHuge, kOneSateliteSmall, kOneSateliteLarge}) {
            const auto value = [&](const char *name) { return figure(name, shape, n); };
            const double load = value("load");
            const double peak = value("peak");
            const double growth = value("news growth");
            if (load == 0 && peak == 0 && growth == 0)
                continue;
            std::printf("%s, %d %s, %.2f MB:\n", shapeName(shape), n,
                        shape == Shape::OneSatelite ? "transponders" : "services",
                        double(files(n, shape).size) / 1e6);
            if (load > 0) {
                const double lint = value("xmllint");
                const double startup = value("xmllint start");
                std::printf("  load (OpenServices)           %8.1f ms\n", load * 1e3);
                std::printf("  xmllint --noout               %8.1f ms (start-up %.1f ms "
                            "taken off: %.1f ms)\n",
                            lint * 1e3, startup * 1e3, (lint - startup) * 1e3);
                const double ratio = value("load / xmllint");
                std::printf("  load / xmllint --noout        %8.2f (goal <= %.1f: %s)\n", ratio,
                            kLoadGoal, verdict(ratio, kLoadGoal));
                std::printf("  write                         %8.1f ms\n", value("write") * 1e3);
                const double write = value("write / load");
                std::printf("  write / load                  %8.2f (goal <= %.1f: %s)\n", write,
                            kWriteGoal, verdict(write, kWriteGoal));
            }
            if (growth > 0) {
                std::printf("  import news                   %8.1f ms\n", value("news") * 1e3);
                std::printf("  import news, %d services  %8.1f ms\n", n * kGrowth,
                            value("news 4x") * 1e3);
                std::printf("  import news %dx / 1x           %8.2f (goal <= %.1f: %s)\n",
                            kGrowth, growth, kGrowthGoal, verdict(growth, kGrowthGoal));
            }
            if (peak > 0) {
                std::printf("  load: peak heap / file        %8.2f (goal <= %.1f: %s)\n", peak,
                            kPeakGoal, verdict(peak, kPeakGoal));
                std::printf("  load: heap held / file        %8.2f\n", value("held"));
                std::printf("  load: peak RSS / file         %8.2f\n", value("rss"));
                std::printf("  read alone: peak heap / file  %8.2f\n", value("read peak"));
            }
        }
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
