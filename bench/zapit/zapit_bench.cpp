// Loading a large services.xml against xmllint, and writing it and comparing
// two such lists against the load. Run with --benchmark_counters_tabular=true;
// the ratios the product must keep are printed at the end. `zapit_bench
// --measure-memory <file>` is the child that measures one load's memory.

#include "services_generator.h"

#include "core/model/service_list.h"
#include "core/zapit/import_news.h"
#include "core/zapit/writer.h"
#include "core/zapit/zapit_load.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <malloc.h>
#include <cstring>
#include <map>
#include <memory>

namespace {

constexpr int kServices = 100000;
constexpr int kChangedShare = 20; // every 20th service renamed: 5 %

struct Files {
    QTemporaryDir dir;
    QString services;
    QString changed;
    qint64 size = 0;

    Files()
    {
        services = dir.filePath(QStringLiteral("services.xml"));
        changed = dir.filePath(QStringLiteral("services-changed.xml"));
        if (!writeGeneratedServices(services, kServices)
            || !writeGeneratedServices(changed, kServices, kChangedShare))
            std::fprintf(stderr, "could not generate the test files\n");
        size = QFileInfo(services).size();
    }
};

Files &files()
{
    static Files f;
    return f;
}

std::map<std::string, double> &secondsPerRun()
{
    static std::map<std::string, double> times;
    return times;
}

std::unique_ptr<TServiceList> load(const QString &fileName)
{
    auto list = std::make_unique<TServiceList>();
    QString error;
    if (!loadZapitFile(ZapitKind::Services, fileName, *list, error))
        std::fprintf(stderr, "load failed: %s\n", qPrintable(error));
    return list;
}

void record(benchmark::State &state, const char *name, double seconds)
{
    secondsPerRun()[name] = seconds / double(state.iterations());
    state.counters["MB"] = double(files().size) / 1e6;
}

void BM_XmllintNoout(benchmark::State &state)
{
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty()) {
        state.SkipWithError("xmllint not found (package libxml2-utils)");
        return;
    }
    double total = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        QProcess process;
        process.start(xmllint, {QStringLiteral("--noout"), files().services});
        process.waitForFinished(-1);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        total += seconds;
    }
    record(state, "xmllint", total);
}

void BM_Load(benchmark::State &state)
{
    double total = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto list = load(files().services);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        total += seconds;
        benchmark::DoNotOptimize(list.get());
    }
    record(state, "load", total);
}

void BM_Write(benchmark::State &state)
{
    const auto list = load(files().services);
    const QString target = files().dir.filePath(QStringLiteral("written.xml"));
    double total = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        QString error;
        WriteServicesType06(target, list->Encoding, error, *list);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        total += seconds;
    }
    record(state, "write", total);
}

void BM_ServiceDiff(benchmark::State &state)
{
    double total = 0;
    for (auto _ : state) {
        auto previous = load(files().services);
        auto next = load(files().changed);
        QElapsedTimer clock;
        clock.start();
        QString error;
        WriteServiceDiff(*previous, *next, error, files().dir.path());
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
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

// The child: prints "<heap held by the model> <peak RSS growth>" in bytes
// for one load. RSS stays up after the parser's memory is freed, so what the
// model holds is read from the allocator.
int measureMemory(const char *fileName)
{
    const qint64 baseline = statusKb("VmRSS:");
    const size_t heapBefore = mallinfo2().uordblks;
    auto list = load(QString::fromLocal8Bit(fileName));
    const qint64 held = qint64(mallinfo2().uordblks - heapBefore);
    const qint64 peak = (statusKb("VmHWM:") - baseline) * 1024;
    std::printf("%lld %lld\n", held, peak);
    return 0;
}

void BM_LoadMemory(benchmark::State &state)
{
    for (auto _ : state) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--measure-memory"), files().services});
        child.waitForFinished(-1);
        const QList<QByteArray> numbers = child.readAllStandardOutput().trimmed().split(' ');
        const double size = double(files().size);
        state.counters["held_x_file"] = numbers.value(0).toDouble() / size;
        state.counters["peak_x_file"] = numbers.value(1).toDouble() / size;
    }
}

BENCHMARK(BM_XmllintNoout)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Load)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Write)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ServiceDiff)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void printRatios()
{
    const auto &t = secondsPerRun();
    if (!t.count("load") || !t.count("xmllint"))
        return;
    const double load = t.at("load");
    std::printf("\nload / xmllint --noout: %.2f (limit 2.0)\n", load / t.at("xmllint"));
    if (t.count("write"))
        std::printf("write / load:           %.2f (limit 1.0)\n", t.at("write") / load);
    if (t.count("diff"))
        std::printf("diff / load:            %.2f (limit 1.0)\n", t.at("diff") / load);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--measure-memory") == 0)
        return measureMemory(argv[2]);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatios();
    return 0;
}
