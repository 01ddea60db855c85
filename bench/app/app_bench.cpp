// The main window on a receiver-sized list (100,000 services, 20,000
// my-services entries, 200 bouquets of 500): how long start-up takes against
// its steps (loading and filling), how refiltering the services grid compares
// pattern by pattern with Qt's own proxy model and view on the same cells
// (both in turn, showing the same names), and how much memory the grid with
// every row written takes against a QStandardItemModel of those cells.
// Ratios only mean something within one run, so every figure is taken in the
// same process and the medians are printed at the end.

#include "bench/app/list_generator.h"
#include "bench/yardstick.h"

#include "app/main/main_window.h"
#include "ui/program/program.h"
#include "app/main/windows.h"
#include "core/model/bouquet_list.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "core/util/prompts.h"
#include "core/zapit/xml_file_handler.h"
#include "resources/resources.h"
#include "ui/grid/list_grid.h"
#include "bench/window_bench.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleFactory>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <malloc.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRepetitions = 5;
// A started window must paint within this time, or the run is broken.
constexpr int kPaintTimeoutMs = 30000;
constexpr double kMiB = 1024.0 * 1024.0;

// The patterns a user types into the services filter, in turn: a narrow
// search, everything, a prefix with a good share of hits, everything again.
const char *const kPatterns[] = {"*1234*", "*", "Service 9*", "*"};
constexpr int kPatternCount = int(std::size(kPatterns));
// Each pattern's refill may take at most the proxy model's time.
constexpr double kRefilterGoal = 1.0;

// Receiver on loopback, no background ping, no update check: nothing a run
// does may leave this machine.
const char *const kSafeSettings = "[General]\nnotFirstStartUp=1\n"
                                  "[GUISettings]\nip=127.000.000.001\nport=00021\n"
                                  "[Misc]\nnoBackgroundPing=1\nnoOrvikCheck=1\nnoUpdateCheck=1\n";

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Every timed sample by name, so the ratios can be taken from the medians
// of this very run.
std::map<std::string, std::vector<double>> &samples()
{
    static std::map<std::string, std::vector<double>> all;
    return all;
}

void record(const std::string &name, double value)
{
    samples()[name].push_back(value);
}

double median(const std::string &name)
{
    auto it = samples().find(name);
    if (it == samples().end() || it->second.empty())
        return std::nan("");
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::size_t heapInUse()
{
    return mallinfo2().uordblks;
}

std::size_t residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? std::size_t(fields[1].toULongLong()) * std::size_t(sysconf(_SC_PAGESIZE))
                             : 0;
}

// A baseline after handing freed memory back, so the resident figure of the
// next measurement starts from what is really in use.
struct MemoryMark {
    std::size_t heap;
    std::size_t resident;
    static MemoryMark take(bool trim)
    {
        if (trim)
            malloc_trim(0);
        return {heapInUse(), residentBytes()};
    }
};

// The generated lists and a safe settings file, in one folder every program
// of the run starts from (none of them saves anything there).
struct ListFolder {
    QTemporaryDir dir;
    TGeneratedListSizes sizes;
    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }
};

ListFolder &lists()
{
    static ListFolder folder;
    return folder;
}

// Answers every question with OK (or Cancel) and remembers the texts, so a
// failed load shows up in the run instead of silently measuring nothing.
class BenchPrompts : public TPrompts
{
public:
    int messageBox(TMsgKind, const QString &text, int buttons) override
    {
        asked.append(text);
        return (buttons & mbOK) ? int(mbOK) : (buttons & mbCancel) ? int(mbCancel) : int(mbNo);
    }
    QString openFileName(const QString &, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString saveFileName(const QString &, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QStringList asked;
};

// Notes the first paint of a widget (the services grid's viewport).
class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// One whole program on the list folder: every window made, not yet started.
struct BenchProgram {
    TProgram program;
    BenchPrompts prompts;
    PaintWatch watch;

    explicit BenchProgram(const QString &folder)
    {
        SaveHandler().SetSaved();
        program.ProgramFolder = folder;
        program.Prompts = &prompts;
        // Nothing is pinged, whatever address the settings hold.
        program.PingProgram.clear();
        program.ReadyMadeListUrl.clear();
        createWindows(program);
        main().ServicesGrid->viewport()->installEventFilter(&watch);
    }
    ~BenchProgram()
    {
        SaveHandler().SetSaved();
        program.FreeForms();
    }
    TFrmMain &main() const { return *program.FrmMain; }

    // Start-up as the program does it, up to the first paint of the grid.
    bool start()
    {
        main().InitializeMain();
        main().show();
        return waitForPaint(watch);
    }

    static bool waitForPaint(PaintWatch &watch)
    {
        QElapsedTimer timer;
        timer.start();
        while (!watch.painted && timer.elapsed() < kPaintTimeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return watch.painted;
    }
};

// The window the grid benchmarks work on, started once.
std::unique_ptr<BenchProgram> &sharedProgramSlot()
{
    static std::unique_ptr<BenchProgram> program;
    return program;
}

BenchProgram *sharedProgram()
{
    auto &slot = sharedProgramSlot();
    if (!slot) {
        slot = std::make_unique<BenchProgram>(lists().dir.path());
        if (!slot->start())
            slot.reset();
    }
    return slot.get();
}

// The services grid's cells as it shows them, row by row.
struct GridCells {
    int rows = 0;
    int columns = 0;
    std::vector<QString> texts;
    const QString &at(int row, int col) const { return texts[std::size_t(row) * std::size_t(columns) + std::size_t(col)]; }
};

GridCells readCells(const TListGrid &grid)
{
    GridCells cells;
    cells.rows = grid.RowCount();
    cells.columns = grid.Columns()->Count();
    cells.texts.reserve(std::size_t(cells.rows) * std::size_t(cells.columns));
    for (int r = 0; r < cells.rows; ++r)
        for (int c = 0; c < cells.columns; ++c)
            cells.texts.push_back(grid.Cells(c, r));
    return cells;
}

// Every cell gets a text of its own: the grid's texts would otherwise be
// shared with the model, and the model's memory would leave them out.
void fillModel(QStandardItemModel &model, const GridCells &cells)
{
    model.setColumnCount(cells.columns);
    model.setRowCount(cells.rows);
    for (int r = 0; r < cells.rows; ++r)
        for (int c = 0; c < cells.columns; ++c) {
            const QString &text = cells.at(r, c);
            model.setItem(r, c, new QStandardItem(QString(text.constData(), text.size())));
        }
}

// The grid's cells as they are, texts shared with the grid's.
void fillModel(QStandardItemModel &model, const TListGrid &grid)
{
    const int rows = grid.RowCount();
    const int columns = grid.Columns()->Count();
    model.setColumnCount(columns);
    model.setRowCount(rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            model.setItem(r, c, new QStandardItem(grid.Cells(c, r)));
}

int nameColumn(const TListGrid &grid)
{
    return TFrmMain::ColumnByName(&grid, QStringLiteral("ColSerName"));
}

// The grid's whole-name, case-insensitive wildcard match as a regular
// expression (anchored at both ends).
QRegularExpression filterExpression(const char *pattern)
{
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(QLatin1String(pattern)),
                              QRegularExpression::CaseInsensitiveOption);
}

// Rows shown per pattern by the grid, so the proxy side can be checked
// against the same result.
std::map<int, int> &gridRowsPerPattern()
{
    static std::map<int, int> rows;
    return rows;
}

// --- start-up and its steps

void BM_LoadFiles(benchmark::State &state)
{
    for (auto _ : state) {
        TServiceList services, myServices;
        TBouquetList bouquets;
        TFrmXMLHandler handler(TFrmXMLHandler::Environment{});
        QString error;
        // Each step timed on its own as well, to show where loading goes.
        const auto start = Clock::now();
        auto step = start;
        const auto lap = [&step](const char *name) {
            const auto now = Clock::now();
            record(name, std::chrono::duration<double>(now - step).count());
            step = now;
        };
        bool ok = handler.LoadServices(lists().path(QStringLiteral("Services.xml")), error, false, services);
        lap("load_services");
        ok = ok && handler.LoadMyServices(lists().path(QStringLiteral("MyServices.xml")), error, myServices);
        lap("load_myservices");
        ok = ok && handler.LoadBouquets(lists().path(QStringLiteral("Bouquets.xml")), error, bouquets);
        lap("load_bouquets");
        // Linked as the working files link them after loading.
        services.LinkMyServices(myServices);
        lap("link_myservices");
        bouquets.Link(services, myServices);
        lap("link_bouquets");
        const double seconds = secondsSince(start);
        if (!ok) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        state.SetIterationTime(seconds);
        record("load", seconds);
        SaveHandler().SetSaved();
    }
    for (const char *name : {"load_services", "load_myservices", "load_bouquets", "link_myservices", "link_bouquets"})
        state.counters[std::string(name) + "_ms"] = median(name) * 1e3;
}
BENCHMARK(BM_LoadFiles)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)
    ->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

void BM_StartUp(benchmark::State &state)
{
    for (auto _ : state) {
        auto program = std::make_unique<BenchProgram>(lists().dir.path());
        const auto start = Clock::now();
        const bool painted = program->start();
        const double seconds = secondsSince(start);
        if (!painted) {
            state.SkipWithError("the main window did not paint");
            break;
        }
        if (!program->prompts.asked.isEmpty()) {
            state.SkipWithError(qPrintable(QStringLiteral("start-up asked: ") + program->prompts.asked.join(u'|')));
            break;
        }
        if (program->main().ServicesGrid->RowCount() != lists().sizes.services) {
            state.SkipWithError("the services grid does not show the whole list");
            break;
        }
        state.SetIterationTime(seconds);
        record("startup", seconds);
        program.reset();
    }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)
    ->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

void BM_FillMode0(benchmark::State &state)
{
    BenchProgram *program = sharedProgram();
    if (!program) {
        state.SkipWithError("the main window did not start");
        return;
    }
    TFrmMain &main = program->main();
    for (auto _ : state) {
        const auto start = Clock::now();
        main.FillServicesGrid(0);
        const double services = secondsSince(start);
        main.FillMyServicesGrid(0);
        main.FillBouquetListGrid(0);
        main.FillBouquetCombo(0);
        main.FillBouquetGrid(0);
        main.FillKingOfSatGrid(0);
        const double seconds = secondsSince(start);
        state.SetIterationTime(seconds);
        record("fill", seconds);
        record("fill_services", services);
    }
    state.counters["services_grid_ms"] = median("fill_services") * 1e3;
}
BENCHMARK(BM_FillMode0)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)
    ->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

// The services grid filled with its column sizing switched off ("Columns:
// Custom"), so the share the best fit takes of a fill can be read off
// against services_grid_ms above.
void BM_FillServicesGrid_NoBestFit(benchmark::State &state)
{
    BenchProgram *program = sharedProgram();
    if (!program) {
        state.SkipWithError("the main window did not start");
        return;
    }
    TFrmMain &main = program->main();
    QAction *bestFit = main.ActionByName(QStringLiteral("ActionSerColBestFit"));
    if (!bestFit) {
        state.SkipWithError("no best-fit action");
        return;
    }
    main.EdtFilterServices->setText(QStringLiteral("*"));
    bestFit->setChecked(false);
    for (auto _ : state) {
        const auto start = Clock::now();
        main.FillServicesGrid(0);
        const double seconds = secondsSince(start);
        state.SetIterationTime(seconds);
        record("fill_services_nofit", seconds);
    }
    bestFit->setChecked(true);
}
BENCHMARK(BM_FillServicesGrid_NoBestFit)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)
    ->Repetitions(3)->ReportAggregatesOnly(true);

// --- refiltering the services grid against a proxy model

// Qt's model, proxy and view holding the cells the services grid shows,
// sized and laid out like the grid.
struct ProxySide {
    QStandardItemModel model;
    QSortFilterProxyModel proxy;
    QTableView view;
    PaintWatch watch;
    bool ready = false;

    explicit ProxySide(TFrmMain &main)
    {
        TListGrid *grid = main.ServicesGrid;
        main.EdtFilterServices->setText(QStringLiteral("*"));
        main.FillServicesGrid(0);
        fillModel(model, readCells(*grid));
        proxy.setSourceModel(&model);
        proxy.setFilterKeyColumn(nameColumn(*grid));
        view.setModel(&proxy);
        view.verticalHeader()->hide();
        if (grid->RowCount() > 0)
            view.verticalHeader()->setDefaultSectionSize(grid->RowHeight(0));
        for (int c = 0; c < grid->Columns()->Count(); ++c) {
            const TLgCustomColumn *column = grid->Columns()->Items(c);
            view.setColumnWidth(c, column->Width());
            view.setColumnHidden(c, !column->Visible());
        }
        view.resize(grid->size());
        view.viewport()->installEventFilter(&watch);
        view.show();
        ready = BenchProgram::waitForPaint(watch);
    }
};

std::unique_ptr<ProxySide> &proxySideSlot()
{
    static std::unique_ptr<ProxySide> side;
    return side;
}

double refilterGrid(TFrmMain &main, const char *pattern)
{
    const auto start = Clock::now();
    main.EdtFilterServices->setText(QLatin1String(pattern));
    main.FillServicesGrid(0);
    main.ServicesGrid->viewport()->repaint();
    // Work the fill left for later (scroll bars, layout) is the grid's too.
    QCoreApplication::processEvents();
    return secondsSince(start);
}

double refilterProxy(ProxySide &side, const char *pattern)
{
    const auto start = Clock::now();
    side.proxy.setFilterRegularExpression(filterExpression(pattern));
    side.view.viewport()->repaint();
    QCoreApplication::processEvents();
    return secondsSince(start);
}

// The names both sides show, row by row, read without writing the grid's
// rows (that would leave the next refill more to free than a user's has).
QString differenceInNames(const TListGrid &grid, const QSortFilterProxyModel &proxy)
{
    const int col = nameColumn(grid);
    if (grid.RowCount() != proxy.rowCount())
        return QStringLiteral("grid %1 rows, proxy %2").arg(grid.RowCount()).arg(proxy.rowCount());
    for (int r = 0; r < grid.RowCount(); ++r) {
        const void *source = grid.RowSource(r);
        const QString name = source && grid.OnPeekText && !grid.RowFilled(r)
            ? grid.OnPeekText(col, r, source)
            : grid.Cells(col, r);
        const QString shown = proxy.index(r, col).data().toString();
        if (name != shown)
            return QStringLiteral("row %1: grid %2, proxy %3").arg(r).arg(name, shown);
    }
    return {};
}

// Each pattern in turn on both sides, which side goes first alternating by
// repetition; every pattern's rows are checked to be the same names on both.
void BM_Refilter(benchmark::State &state)
{
    BenchProgram *program = sharedProgram();
    if (!program) {
        state.SkipWithError("the main window did not start");
        return;
    }
    std::unique_ptr<ProxySide> &side = proxySideSlot();
    if (!side)
        side = std::make_unique<ProxySide>(program->main());
    if (!side->ready) {
        state.SkipWithError("the table view did not paint");
        return;
    }
    TFrmMain &main = program->main();
    int repetition = 0;
    for (auto _ : state) {
        const bool gridFirst = repetition++ % 2 == 0;
        double total = 0;
        for (int p = 0; p < kPatternCount; ++p) {
            const std::string key = std::string(kPatterns[p]) + " #" + std::to_string(p);
            double grid = 0;
            double proxy = 0;
            if (gridFirst) {
                grid = refilterGrid(main, kPatterns[p]);
                proxy = refilterProxy(*side, kPatterns[p]);
            } else {
                proxy = refilterProxy(*side, kPatterns[p]);
                grid = refilterGrid(main, kPatterns[p]);
            }
            record("grid " + key, grid);
            record("proxy " + key, proxy);
            total += grid;
            gridRowsPerPattern()[p] = main.ServicesGrid->RowCount();
            if (repetition == 1) {
                const QString difference = differenceInNames(*main.ServicesGrid, side->proxy);
                if (!difference.isEmpty()) {
                    state.SkipWithError(qPrintable(QStringLiteral("pattern %1: %2")
                                                       .arg(QLatin1String(kPatterns[p]), difference)));
                    return;
                }
            }
        }
        state.SetIterationTime(total);
    }
    for (int p = 0; p < kPatternCount; ++p) {
        const std::string key = std::string(kPatterns[p]) + " #" + std::to_string(p);
        state.counters["ratio_" + std::to_string(p)] = median("grid " + key) / median("proxy " + key);
    }
}
BENCHMARK(BM_Refilter)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kRepetitions);

// --- memory

void BM_Memory(benchmark::State &state)
{
    // Nothing of the earlier benchmarks may sit in either measurement.
    proxySideSlot().reset();
    sharedProgramSlot().reset();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        // The whole program on the list: windows, lists, grids, shown.
        const MemoryMark beforeProgram = MemoryMark::take(true);
        auto program = std::make_unique<BenchProgram>(lists().dir.path());
        if (!program->start()) {
            state.SkipWithError("the main window did not start");
            return;
        }
        const MemoryMark afterProgram = MemoryMark::take(false);

        // The services grid alone: the same rows filled again into an empty
        // grid (its texts are partly shared with the lists, as in the program).
        TListGrid *grid = program->main().ServicesGrid;
        grid->ClearRows();
        const MemoryMark beforeGrid = MemoryMark::take(false);
        program->main().FillServicesGrid(0);
        const MemoryMark afterGrid = MemoryMark::take(false);
        // Rows may be written only when first read or drawn; reading one cell
        // of every row makes them all, the most the grid can come to hold.
        for (int row = 0; row < grid->RowCount(); ++row)
            benchmark::DoNotOptimize(grid->Cells(0, row));
        const MemoryMark afterGridFull = MemoryMark::take(false);

        // The same cells in Qt's model, each text taken as the grid holds it:
        // shared with the lists where the grid shares it, the grid's own
        // where the grid made it. Once the grid lets go of its rows, the
        // model is what holds the texts the grid made, and the lists the
        // rest, as when the grid was measured.
        auto model = std::make_unique<QStandardItemModel>();
        fillModel(*model, *grid);
        grid->ClearRows();
        const MemoryMark afterModel = MemoryMark::take(false);
        const double cellCount = double(model->rowCount()) * double(model->columnCount());
        model.reset();
        program.reset();
        QCoreApplication::processEvents();

        const double programMb = double(afterProgram.heap - beforeProgram.heap) / kMiB;
        const double gridMb = double(afterGrid.heap - beforeGrid.heap) / kMiB;
        const double gridFullMb = double(afterGridFull.heap - beforeGrid.heap) / kMiB;
        const double modelMb = (double(afterModel.heap) - double(beforeGrid.heap)) / kMiB;
        record("program_MB", programMb);
        record("grid_MB", gridMb);
        record("grid_full_MB", gridFullMb);
        record("model_MB", modelMb);
        record("program_rss_MB", (double(afterProgram.resident) - double(beforeProgram.resident)) / kMiB);
        state.counters["program_MB"] = programMb;
        state.counters["grid_MB"] = gridMb;
        state.counters["grid_full_MB"] = gridFullMb;
        state.counters["model_MB"] = modelMb;
        state.counters["program/model"] = programMb / modelMb;
        state.counters["grid/model"] = gridMb / modelMb;
        state.counters["grid_full/model"] = gridFullMb / modelMb;
        state.counters["program_rss_MB"] = median("program_rss_MB");
        state.counters["cells"] = cellCount;
    }
}
BENCHMARK(BM_Memory)->Unit(benchmark::kMillisecond)->Iterations(1);

// --- the ratios of this run, from the medians above

double ratio(double a, double b)
{
    return b > 0 ? a / b : std::nan("");
}

void BM_Summary(benchmark::State &state)
{
    for (auto _ : state) {
    }
    const double startup = median("startup");
    const double steps = median("load") + median("fill");
    state.counters["startup_ms"] = startup * 1e3;
    state.counters["load_ms"] = median("load") * 1e3;
    state.counters["fill_ms"] = median("fill") * 1e3;
    state.counters["startup/(load+fill)"] = ratio(startup, steps);
    state.counters["grid_full/model_mem"] = ratio(median("grid_full_MB"), median("model_MB"));
}
BENCHMARK(BM_Summary)->Iterations(1);

void printMedians()
{
    std::printf("\nMedians of this run\n");
    std::printf("  LoadFiles             %9.1f ms (services %.1f, my-services %.1f, bouquets %.1f, "
                "linking my-services %.1f, linking bouquets %.1f)\n",
                median("load") * 1e3, median("load_services") * 1e3, median("load_myservices") * 1e3,
                median("load_bouquets") * 1e3, median("link_myservices") * 1e3, median("link_bouquets") * 1e3);
    std::printf("  FillMode0             %9.1f ms (services grid %.1f ms)\n", median("fill") * 1e3,
                median("fill_services") * 1e3);
    std::printf("  services grid only, no best fit %.1f ms\n", median("fill_services_nofit") * 1e3);
    std::printf("  StartUp               %9.1f ms\n", median("startup") * 1e3);
    std::printf("  StartUp/(Load+Fill)   %9.2f\n", ratio(median("startup"), median("load") + median("fill")));
    std::printf("  Refilter, each pattern against QSortFilterProxyModel, sides in turn"
                " (goal: grid/proxy <= %.1f for every pattern):\n", kRefilterGoal);
    for (int p = 0; p < kPatternCount; ++p) {
        const std::string key = std::string(kPatterns[p]) + " #" + std::to_string(p);
        const double r = ratio(median("grid " + key), median("proxy " + key));
        std::printf("    %-12s rows %6d  grid %8.1f ms  proxy %8.1f ms  grid/proxy %5.2f  %s\n",
                    kPatterns[p], gridRowsPerPattern().count(p) ? gridRowsPerPattern()[p] : -1,
                    median("grid " + key) * 1e3, median("proxy " + key) * 1e3, r,
                    std::isnan(r) ? "" : r <= kRefilterGoal ? "met" : "NOT met");
    }
    std::printf("  Memory program        %9.1f MB heap (%.1f MB resident)\n", median("program_MB"),
                median("program_rss_MB"));
    std::printf("  Memory services grid  %9.1f MB heap as filled, %.1f MB with every row written\n",
                median("grid_MB"), median("grid_full_MB"));
    std::printf("  Memory model          %9.1f MB heap, texts taken as the grid holds them\n",
                median("model_MB"));
    std::printf("  program/model         %9.2f\n", ratio(median("program_MB"), median("model_MB")));
    std::printf("  grid/model            %9.2f with every row written (as filled: %.2f)\n",
                ratio(median("grid_full_MB"), median("model_MB")), ratio(median("grid_MB"), median("model_MB")));
}

} // namespace

int main(int argc, char **argv)
{
    const auto app = makeBenchApplication(argv);
    // Fixed style, palette and font, so painting does not depend on the
    // desktop the run happens on.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(QApplication::style()->standardPalette());
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    pelloranInitResources();

    ListFolder &folder = lists();
    if (!folder.dir.isValid() || !writeGeneratedLists(folder.dir.path(), folder.sizes)) {
        std::fprintf(stderr, "could not write the generated lists\n");
        return 1;
    }
    QString report;
    if (!checkGeneratedLists(folder.dir.path(), folder.sizes, report)) {
        std::fprintf(stderr, "generated lists do not load: %s\n", qPrintable(report));
        return 1;
    }
    std::printf("Generated lists: %s\n", qPrintable(report));
    QFile ini(folder.path(QStringLiteral("pelloran.ini")));
    if (!ini.open(QIODevice::WriteOnly) || ini.write(kSafeSettings) < 0) {
        std::fprintf(stderr, "could not write the settings file\n");
        return 1;
    }
    ini.close();
    SaveHandler().SetSaved();

    runBenchmarks(argc, argv);
    // Windows go while the application still exists.
    proxySideSlot().reset();
    sharedProgramSlot().reset();
    printMedians();
    return 0;
}
