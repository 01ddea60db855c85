// CSV and HTML channel lists of a receiver-sized services list, the HTML one
// with a logo column against a mapping of thousands of lines; beside them
// the mask look-up one row at a time, which the export's index replaces.

#include "bench/model/model_lists.h"

#include "core/export/list_export.h"
#include "core/util/str_utils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kMappingLines = 5000;

ExportColumns allColumns()
{
    ExportColumns columns;
    for (const char *name : {"Logo", "Service Name", "Service Type", "SID", "TSID", "ONID",
                             "Frequency", "Polarization", "Satellite/Cable"})
        columns.append({QString::fromLatin1(name), true});
    return columns;
}

// Every other service has a line, the lines in an order of their own.
QStringList logoMapping(const TServiceList &services)
{
    QStringList lines;
    for (int s = 0; s < services.Count() && lines.size() < kMappingLines; ++s) {
        const TSatelite *sat = services.GetItem(s);
        for (int t = 0; t < sat->Count() && lines.size() < kMappingLines; ++t) {
            const TTransponder *tp = sat->GetItem(t);
            for (int v = 0; v < tp->Count() && lines.size() < kMappingLines; v += 2)
                lines.prepend(tp->GetItem(v)->Name + QStringLiteral("|%1|logo%2.gif").arg(v).arg(v % 50));
        }
    }
    return lines;
}

struct ExportWorld {
    explicit ExportWorld(int count) : services(model_bench::makeServices(count))
    {
        QDir(program.path()).mkpath(QStringLiteral("LogoTypes"));
        for (int i = 0; i < 50; ++i) {
            QFile logo(program.filePath(QStringLiteral("LogoTypes/logo%1.gif").arg(i)));
            logo.open(QIODevice::WriteOnly);
            logo.write(QByteArray(2000, 'g'));
        }
        mapping = logoMapping(*services);
    }
    std::unique_ptr<TServiceList> services;
    QTemporaryDir program;
    QTemporaryDir out;
    QStringList mapping;
};

void BM_ExportCsv(benchmark::State &state)
{
    ExportWorld world(int(state.range(0)));
    const ExportColumns columns = allColumns();
    for (auto _ : state)
        benchmark::DoNotOptimize(ExportCsv(*world.services, world.out.filePath(QStringLiteral("s.csv")), columns));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ExportCsv)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ExportHtmlWithLogos(benchmark::State &state)
{
    ExportWorld world(int(state.range(0)));
    const ExportColumns columns = allColumns();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ExportHtml(*world.services, world.out.filePath(QStringLiteral("s.html")),
                                            columns, QColor(Qt::yellow), QColor(Qt::white),
                                            world.mapping, world.program.path()));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ExportHtmlWithLogos)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The look-up as one mask match per mapping line, for a thousand services:
// what every row of a list cost before the index.
void BM_LogoMaskScanPerRow(benchmark::State &state)
{
    ExportWorld world(1000);
    QStringList names;
    for (int s = 0; s < world.services->Count(); ++s)
        for (int t = 0; t < world.services->GetItem(s)->Count(); ++t)
            for (int v = 0; v < world.services->GetItem(s)->GetItem(t)->Count(); ++v)
                names << world.services->GetItem(s)->GetItem(t)->GetItem(v)->Name;
    for (auto _ : state) {
        for (const QString &name : names)
            benchmark::DoNotOptimize(
                stringListIndexOf(world.mapping, name + QStringLiteral("|*"), false, true));
    }
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_LogoMaskScanPerRow)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
