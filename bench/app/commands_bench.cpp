// The editing commands on a receiver-sized list (100,000 services, one
// bouquet of 100,000 entries), each against one mode-0 refill of the grids
// it refills, measured in the same run: what the user waits for is the
// redraw, and the model's share of a command should stay small beside it.

#include "app/main/main_window.h"
#include "ui/program/program.h"
#include "app/main/windows.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/save_handler.h"
#include "core/util/prompts.h"
#include "list_generator.h"
#include "resources/resources.h"
#include "ui/grid/list_grid.h"

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

// Runs a command on a fresh program, then the refill it is compared with on
// the state the command left.
void measure(benchmark::State &state, const std::string &name,
             const std::function<void(Program &)> &prepare,
             const std::function<void(Program &)> &command,
             const std::function<void(Program &)> &refill)
{
    for (auto _ : state) {
        Program p;
        prepare(p);
        const double commandMs = timed([&] { command(p); });
        const double refillMs = timed([&] { refill(p); });
        samples()[name].push_back(commandMs);
        samples()[name + " refill"].push_back(refillMs);
        state.SetIterationTime(commandMs / 1000.0);
    }
    state.counters["refill_ms"] = median(name + " refill");
    state.counters["ratio"] = median(name) / std::max(median(name + " refill"), 0.001);
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
        });
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
        });
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
            p.main().CurrentBouquet()->SortByName();
            p.main().FillBouquetGrid(1);
        },
        [](Program &p) { p.main().FillBouquetGrid(0); });
}
BENCHMARK(BM_SortTheBouquet)->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(1)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

void BM_Summary(benchmark::State &state)
{
    for (auto _ : state) {
    }
    std::printf("\nMedians of this run (command / one mode-0 refill of the grids it refills)\n");
    for (const char *name : {"drop 10,000 services", "delete 50,000 entries",
                             "move 50,000 entries to the top", "sort the bouquet"}) {
        const std::string n = name;
        std::printf("  %-32s %8.1f ms / %8.1f ms = %.2f\n", name, median(n), median(n + " refill"),
                    median(n) / std::max(median(n + " refill"), 0.001));
    }
}
BENCHMARK(BM_Summary)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    pelloranInitResources();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
