// The grid against Qt's own model and view on the same work: filling and
// sorting 20,000 and 100,000 rows of 10 text columns, and painting one
// viewport of 40 rows. Fill and sort run 5 times each; the medians of time
// and heap growth (mallinfo2) and their ratios, all from one run, are printed
// at the end.
//
// Taking a table apart is not part of the work compared, and Qt's model makes
// it slow: once sorted, each of its items looks for its place among its
// siblings from where it was before the sort, so freeing the model grows with
// the square of the rows (6 s at 20,000 rows, over two minutes at 100,000,
// against 0.5 s for its sort). Each fill and sort therefore runs in a child
// process that ends without freeing anything, for both sides alike.

#include "ui/grid/column_kinds.h"
#include "ui/grid/list_grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kRatioRows = 20000;
constexpr int kRepetitions = 5;
constexpr int kColumns = 10;
constexpr int kViewRows = 40;
constexpr int kRowHeight = 16;
constexpr std::size_t kTextBufferSize = 32;

QString textFor(int row, int col)
{
    // Pseudo-random names so the sort has real work.
    const quint32 v = quint32(row) * 2654435761u + quint32(col) * 40503u;
    // Formatted by hand: two QString::arg calls per cell cost more than the
    // grid's own work and would drown both sides' figures in the same
    // constant. The text (and its one allocation) is what a caller hands in.
    char buffer[kTextBufferSize];
    const int length = std::snprintf(buffer, sizeof buffer, "Service %u %d", unsigned(v % 99991), col);
    return QString::fromLatin1(buffer, length);
}

std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void fillGrid(TListGrid &grid, int rows)
{
    for (int c = 0; c < kColumns; ++c)
        grid.Columns()->Add<TLgTextColumn>();
    grid.BeginUpdate();
    for (int r = 0; r < rows; ++r) {
        grid.AddRow();
        for (int c = 0; c < kColumns; ++c)
            grid.SetCells(c, r, textFor(r, c));
    }
    grid.EndUpdate();
}

void fillModel(QStandardItemModel &model, int rows)
{
    model.setColumnCount(kColumns);
    model.setRowCount(rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kColumns; ++c)
            model.setItem(r, c, new QStandardItem(textFor(r, c)));
}

struct FillAndSort {
    double seconds = 0;
    double bytes = 0;
};

// Runs one fill and sort in a child process, which reports its time and heap
// growth and ends without taking anything apart.
template <typename Work>
FillAndSort inChild(Work work)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeEnds[0]);
        const std::size_t before = heapInUse();
        QElapsedTimer clock;
        clock.start();
        work();
        FillAndSort result{double(clock.nsecsElapsed()) / 1e9, double(heapInUse() - before)};
        const bool written = write(pipeEnds[1], &result, sizeof result) == ssize_t(sizeof result);
        _exit(written ? 0 : 1);
    }
    close(pipeEnds[1]);
    FillAndSort result;
    if (pid < 0 || read(pipeEnds[0], &result, sizeof result) != ssize_t(sizeof result))
        result = {};
    close(pipeEnds[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    return result;
}

// Time and heap of every repetition, by side and rows.
std::map<std::pair<std::string, int>, std::vector<FillAndSort>> &samples()
{
    static std::map<std::pair<std::string, int>, std::vector<FillAndSort>> values;
    return values;
}

template <typename Work>
void runFillAndSort(benchmark::State &state, const char *side, Work work)
{
    const int rows = int(state.range(0));
    FillAndSort last;
    for (auto _ : state) {
        last = inChild([&] { work(rows); });
        if (last.seconds <= 0) {
            state.SkipWithError("the child process failed");
            break;
        }
        state.SetIterationTime(last.seconds);
    }
    if (last.seconds <= 0)
        return;
    samples()[{side, rows}].push_back(last);
    state.counters["heap_MB"] = last.bytes / (1 << 20);
}

// The tables are left for the child's end to free.
void BM_ListGridFillAndSort(benchmark::State &state)
{
    runFillAndSort(state, "grid", [](int rows) {
        auto *grid = new TListGrid;
        fillGrid(*grid, rows);
        grid->Store().Sort(3, stAlphabetic, 0);
        benchmark::DoNotOptimize(grid->Cells(3, 0));
    });
}

void BM_StandardItemModelFillAndSort(benchmark::State &state)
{
    runFillAndSort(state, "model", [](int rows) {
        auto *model = new QStandardItemModel;
        fillModel(*model, rows);
        model->sort(3);
        benchmark::DoNotOptimize(model->item(0, 3));
    });
}

void fillAndSortSizes(benchmark::internal::Benchmark *b)
{
    b->Arg(kRatioRows)->Arg(kRows)->Iterations(1)->Repetitions(kRepetitions)
        ->DisplayAggregatesOnly(true)->UseManualTime()->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_ListGridFillAndSort)->Apply(fillAndSortSizes);
BENCHMARK(BM_StandardItemModelFillAndSort)->Apply(fillAndSortSizes);

FillAndSort median(std::vector<FillAndSort> values)
{
    if (values.empty())
        return {};
    const auto mid = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), mid, values.end(),
                     [](const FillAndSort &a, const FillAndSort &b) { return a.seconds < b.seconds; });
    const double seconds = mid->seconds;
    std::nth_element(values.begin(), mid, values.end(),
                     [](const FillAndSort &a, const FillAndSort &b) { return a.bytes < b.bytes; });
    return {seconds, mid->bytes};
}

void printRatios()
{
    std::printf("\nFill and sort, medians of %d repetitions:\n", kRepetitions);
    for (const int rows : {kRatioRows, kRows}) {
        const auto grid = samples().find({"grid", rows});
        const auto model = samples().find({"model", rows});
        if (grid == samples().end() || model == samples().end())
            continue;
        const FillAndSort g = median(grid->second);
        const FillAndSort m = median(model->second);
        std::printf("%6d rows: grid %7.1f ms %6.1f MB, QStandardItemModel %7.1f ms %6.1f MB;"
                    " grid / model: time %.2f, heap %.2f\n",
                    rows, g.seconds * 1e3, g.bytes / (1 << 20), m.seconds * 1e3,
                    m.bytes / (1 << 20), g.seconds / m.seconds, g.bytes / m.bytes);
    }
}

constexpr int kViewWidth = 900;
constexpr int kViewHeight = 18 + kViewRows * (kRowHeight + 1);

void BM_ListGridPaintViewport(benchmark::State &state)
{
    TListGrid grid;
    grid.SetOptions({goGrid, goHeader, goSelectFullRow});
    fillGrid(grid, kViewRows * 5);
    grid.resize(kViewWidth, kViewHeight + 4);
    grid.show();
    QImage image(grid.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        grid.PaintTo(painter, image.rect());
    }
}
BENCHMARK(BM_ListGridPaintViewport)->Unit(benchmark::kMicrosecond);

void BM_QTableViewPaintViewport(benchmark::State &state)
{
    QStandardItemModel model;
    fillModel(model, kViewRows * 5);
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->hide();
    view.verticalHeader()->setDefaultSectionSize(kRowHeight);
    view.horizontalHeader()->setFixedHeight(18);
    view.resize(kViewWidth, kViewHeight + 4);
    view.show();
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state)
        view.viewport()->render(&image);
}
BENCHMARK(BM_QTableViewPaintViewport)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatios();
    return 0;
}
