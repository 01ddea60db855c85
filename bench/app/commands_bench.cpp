// The editing commands on a receiver-sized list (100,000 services, one
// bouquet of 100,000 entries), each against one mode-0 refill of the grids
// it refills and against a refill of the one grid it rebuilds, measured in
// the same run: what the user waits for is the redraw, and the model's share
// of a command should stay small beside it. Deleting is also timed step by
// step, to show where it goes.

#include "app/main/main_window.h"
#include "ui/program/program.h"
#include "app/main/windows.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/save_handler.h"
#include "core/util/prompts.h"
#include "list_generator.h"
#include "bench/yardstick.h"
#include "resources/resources.h"
#include "ui/grid/list_grid.h"
#include "bench/window_bench.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRepetitions = 5;
const TGeneratedListSizes kSizes{100000, 20000, 1, 100000};
// Sorting the bouquet may take this many times one refill of the grid.
constexpr double kSortGoal = 1.5;

class YesPrompts : public TPrompts
{
public:
    int messageBox(TMsgKind, const QString &, int buttons) override
    {
        return (buttons & mbYes) ? int(mbYes) : int(mbOK);
    }
    QString openFileName(const QString &, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString saveFileName(const QString &, const QString &, const QString &, const QString &) override
    {
        return {};
    }
};

QString &listFolder()
{
    static QTemporaryDir folder;
    static const bool written = [] {
        const bool ok = writeGeneratedLists(folder.path(), kSizes);
        if (!ok)
            std::fprintf(stderr, "could not write the generated lists\n");
        return ok;
    }();
    Q_UNUSED(written);
    static QString path = folder.path();
    return path;
}

// One started program on a copy of the generated lists, with every column's
// sizing as a user who never changed it has it.
struct Program {
    Program()
    {
        for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
            QFile::copy(QDir(listFolder()).filePath(QLatin1String(name)), folder.filePath(QLatin1String(name)));
        QFile ini(folder.filePath("pelloran.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[General]\nnotFirstStartUp=1\n[GUISettings]\nip=127.000.000.001\n"
                  "[Misc]\nnoBackgroundPing=1\nnoOrvikCheck=1\nnoUpdateCheck=1\n");
        ini.close();
        program.ProgramFolder = folder.path();
        program.Prompts = &prompts;
        program.PingProgram.clear();
        createWindows(program);
        main().resize(1200, 800);
        main().InitializeMain();
        main().show();
        QCoreApplication::processEvents();
    }
    ~Program()
    {
        SaveHandler().SetSaved();
        program.FreeForms();
    }
    TFrmMain &main() { return *program.FrmMain; }

    QTemporaryDir folder;
    YesPrompts prompts;
    TProgram program;
};

std::map<std::string, std::vector<double>> &samples()
{
    static std::map<std::string, std::vector<double>> all;
    return all;
}

double median(const std::string &name)
{
    std::vector<double> v = samples()[name];
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timed(const std::function<void()> &work)
{
    const auto start = Clock::now();
    work();
    QCoreApplication::processEvents();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs a command on a fresh program, then on the state the command left the
// refill it is compared with (one mode-0 refill of every grid the command
// refills) and, for a command that refills more than the one grid it
// rebuilds, a mode-0 refill of that grid, both in every repetition.
void measure(benchmark::State &state, const std::string &name,
             const std::function<void(Program &)> &prepare,
             const std::function<void(Program &)> &command,
             const std::function<void(Program &)> &refill,
             const std::function<void(Program &)> &rebuilt = {})
{
    for (auto _ : state) {
        Program p;
        prepare(p);
        const double commandMs = timed([&] { command(p); });
        const double refillMs = timed([&] { refill(p); });
        const double rebuiltMs = rebuilt ? timed([&] { rebuilt(p); }) : refillMs;
        samples()[name].push_back(commandMs);
        samples()[name + " refill"].push_back(refillMs);
        samples()[name + " rebuilt"].push_back(rebuiltMs);
        state.SetIterationTime(commandMs / 1000.0);
    }
    state.counters["refill_ms"] = median(name + " refill");
    state.counters["rebuilt_grid_ms"] = median(name + " rebuilt");
    state.counters["ratio"] = median(name) / std::max(median(name + " refill"), 0.001);
    state.counters["ratio_rebuilt_grid"] = median(name) / std::max(median(name + " rebuilt"), 0.001);
}

// Every other row, so the marked entries are spread through the bouquet.
void selectEveryOtherRow(TListGrid *grid)
{
    grid->ClearSelection();
    for (int row = 0; row < grid->RowCount(); row += 2)
        grid->SetSelected(row, true);
}

QPoint rowCentre(TListGrid *grid, int row)
{
    return grid->CellRect(1, row).center();
}

void BM_DropServicesIntoBouquet(benchmark::State &state)
{
    measure(
        state, "drop 10,000 services",
        [](Program &p) {
            // Services beyond the bouquet's first entries, so most are new.
            TListGrid *grid = p.main().ServicesGrid;
            grid->ClearSelection();
            for (int row = grid->RowCount() - 1, n = 0; row >= 0 && n < 10000; --row, ++n)
                grid->SetSelected(row, true);
        },
        [](Program &p) {
            // The drag carries the whole selection from any row in view.
            TFrmMain &m = p.main();
            const int row = 0;
            m.DragPress(m.ServicesGrid, rowCentre(m.ServicesGrid, row));
            m.DragMove(m.ServicesGrid, rowCentre(m.ServicesGrid, row) + QPoint(0, 2));
            const QPoint drop = rowCentre(m.BouquetGrid, 0);
            m.DragMove(m.BouquetGrid, drop);
            m.DragRelease(m.BouquetGrid, drop);
        },
        [](Program &p) {
            p.main().FillServicesGrid(0);
            p.main().FillBouquetGrid(0);
            p.main().FillBouquetListGrid(0);
        },
        [](Program &p) { p.main().FillBouquetGrid(0); });
}
BENCHMARK(BM_DropServicesIntoBouquet)->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(1)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

void BM_DeleteHalfTheBouquet(benchmark::State &state)
{
    measure(
        state, "delete 50,000 entries", [](Program &p) { selectEveryOtherRow(p.main().BouquetGrid); },
        [](Program &p) { p.main().DeleteSelectedBouquetServices(); },
        [](Program &p) {
            p.main().FillServicesGrid(0);
            p.main().FillMyServicesGrid(0);
            p.main().FillBouquetGrid(0);
            p.main().FillBouquetListGrid(0);
        },
        [](Program &p) { p.main().FillBouquetGrid(0); });
}
BENCHMARK(BM_DeleteHalfTheBouquet)->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(1)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

void BM_MoveHalfTheBouquetToTheTop(benchmark::State &state)
{
    measure(
        state, "move 50,000 entries to the top",
        [](Program &p) { selectEveryOtherRow(p.main().BouquetGrid); },
        [](Program &p) {
            TFrmMain &m = p.main();
            const int from = 2;
            m.DragPress(m.BouquetGrid, rowCentre(m.BouquetGrid, from));
            m.DragMove(m.BouquetGrid, rowCentre(m.BouquetGrid, from) + QPoint(0, 2));
            m.DragMove(m.BouquetGrid, rowCentre(m.BouquetGrid, 0));
            m.DragRelease(m.BouquetGrid, rowCentre(m.BouquetGrid, 0));
        },
        [](Program &p) { p.main().FillBouquetGrid(0); });
}
BENCHMARK(BM_MoveHalfTheBouquetToTheTop)->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(1)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

void BM_SortTheBouquet(benchmark::State &state)
{
    measure(
        state, "sort the bouquet", [](Program &) {},
        [](Program &p) {
            // Its two parts on their own as well: the entries' sort and the rewrite.
            const auto start = Clock::now();
            p.main().CurrentBouquet()->SortByName();
            const auto sorted = Clock::now();
            p.main().RewriteSortedBouquet();
            samples()["sort the bouquet: entries"].push_back(
                std::chrono::duration<double, std::milli>(sorted - start).count());
            samples()["sort the bouquet: grid, mode 1"].push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - sorted).count());
        },
        [](Program &p) { p.main().FillBouquetGrid(0); });
}
BENCHMARK(BM_SortTheBouquet)->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(1)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

// Where deleting half the bouquet goes: the command's steps, in its order,
// each timed on its own.
const char *const kDeleteSteps[] = {"mark the selected entries", "delete the marked entries",
                                    "relist their services", "services grid, mode 2",
                                    "my-services grid, mode 2", "bouquet grid, mode 0",
                                    "bouquet list grid, mode 1", "select the marked entries"};

void BM_DeleteHalfTheBouquet_Steps(benchmark::State &state)
{
    for (auto _ : state) {
        Program p;
        selectEveryOtherRow(p.main().BouquetGrid);
        TFrmMain &m = p.main();
        std::vector<TService *> linked;
        const std::function<void()> steps[] = {
            [&] {
                m.MarkSelectedBouquetServices();
                const TBouquet &bouquet = *m.CurrentBouquet();
                for (int i = 0; i < bouquet.Count(); ++i) {
                    if (bouquet.GetItem(i)->Marked && bouquet.GetItem(i)->Service())
                        linked.push_back(bouquet.GetItem(i)->Service());
                }
            },
            [&] { m.Program().BouquetList->DeleteMarkedServices(); },
            [&] { m.Program().BouquetList->RelistBouquetNames(linked); },
            [&] { m.FillServicesGrid(2); },
            [&] { m.FillMyServicesGrid(2); },
            [&] { m.FillBouquetGrid(0); },
            [&] { m.FillBouquetListGrid(1); },
            [&] { m.SelectMarkedBouquetServices(); }};
        double total = 0;
        for (std::size_t k = 0; k < std::size(steps); ++k) {
            const double ms = timed(steps[k]);
            samples()[std::string("delete step ") + kDeleteSteps[k]].push_back(ms);
            total += ms;
        }
        state.SetIterationTime(total / 1000.0);
    }
}
BENCHMARK(BM_DeleteHalfTheBouquet_Steps)->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(1)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

void BM_Summary(benchmark::State &state)
{
    for (auto _ : state) {
    }
    std::printf("\nMedians of this run: command, one mode-0 refill of the grids it refills, one"
                " mode-0 refill of the grid it rebuilds (the bouquet grid)\n");
    for (const char *name : {"drop 10,000 services", "delete 50,000 entries",
                             "move 50,000 entries to the top", "sort the bouquet"}) {
        const std::string n = name;
        const double command = median(n);
        std::printf("  %-32s %8.1f ms / %8.1f ms = %5.2f;  / %8.1f ms = %5.2f\n", name, command,
                    median(n + " refill"), command / std::max(median(n + " refill"), 0.001),
                    median(n + " rebuilt"), command / std::max(median(n + " rebuilt"), 0.001));
    }
    std::printf("  goal: sort the bouquet / refill <= %.1f (the entries' sort %.1f ms, the grid's"
                " mode-1 rewrite %.1f ms)\n",
                kSortGoal, median("sort the bouquet: entries"), median("sort the bouquet: grid, mode 1"));
    std::printf("Deleting 50,000 entries step by step (the grid it rebuilds: %.1f ms):\n",
                median("delete 50,000 entries rebuilt"));
    for (const char *step : kDeleteSteps)
        std::printf("  %-28s %8.1f ms\n", step, median(std::string("delete step ") + step));
}
BENCHMARK(BM_Summary)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    const auto app = makeBenchApplication(argv);
    pelloranInitResources();
    runBenchmarks(argc, argv);
    return 0;
}
