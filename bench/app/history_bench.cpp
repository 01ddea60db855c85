// The History menu's listing of a history of many saved states: 100, 300
// and 1,000 states of three files each, one in fifty cut short by a kill
// (its record beside the files that came). HistoryStates, which the menu is
// built from, is timed against listing the same folder's names alone, which
// any listing pays: the ratio must stay the same as the history grows.
// Run with --benchmark_repetitions=5 (the default here) and read the medians.
#include "app/main/working_files.h"
#include "bench/yardstick.h"
#include "bench/window_bench.h"
#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/zapit/xml_file_handler.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRepetitions = 5;

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void BM_HistoryStates(benchmark::State &state)
{
    QTemporaryDir folder;
    const QDir history(QDir(folder.path()).filePath(QStringLiteral("History")));
    QDir().mkpath(history.path());
    const QDateTime first(QDate(2020, 1, 1), QTime(0, 0, 0));
    const int states = int(state.range(0));
    for (int i = 0; i < states; ++i) {
        const QString stamp = TWorkingFiles::stampFor(first.addSecs(qint64(i) * 3600));
        const bool cutShort = i % 50 == 49;
        for (const char *name : {"Services", "MyServices", "Bouquets"}) {
            if (!cutShort || qstrcmp(name, "Services") == 0)
                write(history.filePath(QLatin1String(name) + u'.' + stamp + QStringLiteral(".xml")), "<zapit/>\n");
        }
        if (cutShort)
            write(history.filePath(u'.' + stamp + QStringLiteral(".pelloran-writing")),
                  "Services.xml\nMyServices.xml\nBouquets.xml\n");
    }
    TFrmXMLHandler handler{TFrmXMLHandler::Environment{}};
    TServiceList kingOfSat, services, myServices;
    TBouquetList bouquets;
    const TWorkingFiles files(folder.path(), handler, {kingOfSat, services, myServices, bouquets});
    qsizetype listed = 0;
    timeAgainst(
        state, "names",
        [&] {
            listed = files.HistoryStates().size();
            benchmark::DoNotOptimize(listed);
        },
        [&] { benchmark::DoNotOptimize(history.entryList(QDir::Files | QDir::Hidden).size()); });
    if (listed != states)
        state.SkipWithError("the listing does not hold every state");
}

BENCHMARK(BM_HistoryStates)
    ->Arg(100)
    ->Arg(300)
    ->Arg(1000)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3);

} // namespace

int main(int argc, char **argv)
{
    const auto app = makeBenchApplication(argv);
    return runBenchmarks(argc, argv);
}
