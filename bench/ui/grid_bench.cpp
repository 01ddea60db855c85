// The grid against Qt's own model and view on the same work: filling and
// sorting 20,000 and 100,000 rows of 10 text columns, the grid's sort alone
// at 100,000 and 400,000 rows, and painting one viewport of 40 rows. Both
// sides make their texts alike and run in turn, repetition by repetition;
// each run checks that both put the rows in the same order and prints the
// medians of time and heap growth (mallinfo2), their ratios and the goals.
//
// Taking a table apart is not part of the work compared, and Qt's model makes
// it slow: once sorted, each of its items looks for its place among its
// siblings from where it was before the sort, so freeing the model grows with
// the square of the rows (6 s at 20,000 rows, over two minutes at 100,000,
// against 0.5 s for its sort). Each fill and sort therefore runs in a child
// process that ends without freeing anything, for both sides alike.

#include "bench/yardstick.h"
#include "ui/grid/cell_store.h"
#include "ui/grid/column_kinds.h"
#include "ui/grid/list_grid.h"
#include "bench/window_bench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kRatioRows = 20000;
constexpr int kScaledRows = 4 * kRows;
constexpr int kRepetitions = 5;
constexpr int kColumns = 10;
constexpr int kSortColumn = 3;
constexpr int kViewRows = 40;
constexpr int kRowHeight = 16;
// Sorting four times the rows may take this many times as long: n log n
// alone makes it 4.5.
constexpr double kSortScalingGoal = 5.0;

QString textFor(int row, int col)
{
    // Pseudo-random names so the sort has real work.
    const quint32 v = quint32(row) * 2654435761u + quint32(col) * 40503u;
    return QStringLiteral("Service %1 %2").arg(v % 99991).arg(col);
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

// What a sorted table shows, in two numbers: the sorted column's texts in
// their order, and every row's texts as one, summed over the rows so that a
// sort that tore rows apart shows as well. Equal keys may land in either
// order on either side (neither sort is stable); these sums do not mind.
struct Digest {
    quint64 sortedColumn = 14695981039346656037ull;
    quint64 rows = 0;
    bool operator==(const Digest &) const = default;
};

Digest digestOf(int rows, const std::function<QString(int, int)> &text)
{
    Digest d;
    for (int r = 0; r < rows; ++r) {
        d.sortedColumn = (d.sortedColumn ^ qHash(text(kSortColumn, r), 0)) * 1099511628211ull;
        quint64 row = 0;
        for (int c = 0; c < kColumns; ++c)
            row = (row ^ qHash(text(c, r), 0)) * 1099511628211ull;
        d.rows += row;
    }
    return d;
}

struct ChildResult {
    double seconds = 0;
    double bytes = 0;
    Digest digest;
};

// Runs one piece of work in a child process, which reports its time, heap
// growth and what it sorted, and ends without taking anything apart. The
// work returns the digest of its table; `timed` is started by the work when
// what it times begins.
ChildResult inChild(const std::function<Digest(QElapsedTimer &, double &)> &work)
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
        double seconds = 0;
        ChildResult result;
        result.digest = work(clock, seconds);
        result.seconds = seconds;
        result.bytes = double(heapInUse() - before);
        const bool written = write(pipeEnds[1], &result, sizeof result) == ssize_t(sizeof result);
        _exit(written ? 0 : 1);
    }
    close(pipeEnds[1]);
    ChildResult result;
    if (pid < 0 || read(pipeEnds[0], &result, sizeof result) != ssize_t(sizeof result))
        result = {};
    close(pipeEnds[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    return result;
}

// Every repetition's result, by what was measured and its rows.
std::map<std::pair<std::string, int>, std::vector<ChildResult>> &samples()
{
    static std::map<std::pair<std::string, int>, std::vector<ChildResult>> values;
    return values;
}

// Sides whose sorted tables differed, so the summary can say so.
std::vector<std::string> &mismatches()
{
    static std::vector<std::string> found;
    return found;
}

double elapsed(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e9;
}

// The tables are left for the child's end to free.
ChildResult gridFillAndSort(int rows)
{
    return inChild([rows](QElapsedTimer &clock, double &seconds) {
        auto *grid = new TListGrid;
        fillGrid(*grid, rows);
        grid->Store().Sort(kSortColumn, stAlphabetic, 0);
        seconds = elapsed(clock);
        return digestOf(rows, [grid](int c, int r) { return grid->Cells(c, r); });
    });
}

ChildResult modelFillAndSort(int rows)
{
    return inChild([rows](QElapsedTimer &clock, double &seconds) {
        auto *model = new QStandardItemModel;
        fillModel(*model, rows);
        model->sort(kSortColumn);
        seconds = elapsed(clock);
        return digestOf(rows, [model](int c, int r) { return model->item(r, c)->text(); });
    });
}

ChildResult gridSortOnly(int rows)
{
    return inChild([rows](QElapsedTimer &clock, double &seconds) {
        auto *grid = new TListGrid;
        fillGrid(*grid, rows);
        clock.restart();
        grid->Store().Sort(kSortColumn, stAlphabetic, 0);
        seconds = elapsed(clock);
        return digestOf(rows, [grid](int c, int r) { return grid->Cells(c, r); });
    });
}

// One repetition per iteration, both sides of it in turn and which goes
// first alternating, so a machine that gets busier meets both alike. The
// iteration's time is the first side's.
void runInTurn(benchmark::State &state, const std::string &first, const std::string &second,
               int firstRows, int secondRows, const std::function<ChildResult(int)> &runFirst,
               const std::function<ChildResult(int)> &runSecond)
{
    int repetition = 0;
    for (auto _ : state) {
        ChildResult a, b;
        if (repetition++ % 2 == 0) {
            a = runFirst(firstRows);
            b = runSecond(secondRows);
        } else {
            b = runSecond(secondRows);
            a = runFirst(firstRows);
        }
        if (a.seconds <= 0 || b.seconds <= 0) {
            state.SkipWithError("a child process failed");
            return;
        }
        state.SetIterationTime(a.seconds);
        samples()[{first, firstRows}].push_back(a);
        samples()[{second, secondRows}].push_back(b);
    }
}

void BM_FillAndSort(benchmark::State &state)
{
    const int rows = int(state.range(0));
    runInTurn(state, "grid", "model", rows, rows, gridFillAndSort, modelFillAndSort);
    const auto &grid = samples()[{"grid", rows}];
    const auto &model = samples()[{"model", rows}];
    for (std::size_t k = 0; k < std::min(grid.size(), model.size()); ++k) {
        if (!(grid[k].digest == model[k].digest)) {
            mismatches().push_back(std::to_string(rows) + " rows");
            state.SkipWithError("the grid and the model sorted the rows differently");
            return;
        }
    }
}
BENCHMARK(BM_FillAndSort)->Arg(kRatioRows)->Arg(kRows)->Iterations(kRepetitions)
    ->UseManualTime()->Unit(benchmark::kMillisecond);

// The grid's sort alone, at two sizes in turn: the sort must not grow faster
// than its comparisons do.
void BM_ListGridSortScaling(benchmark::State &state)
{
    runInTurn(state, "sort", "sort", kRows, kScaledRows, gridSortOnly, gridSortOnly);
}
BENCHMARK(BM_ListGridSortScaling)->Iterations(kRepetitions)->UseManualTime()
    ->Unit(benchmark::kMillisecond);

ChildResult median(std::vector<ChildResult> values)
{
    if (values.empty())
        return {};
    const auto mid = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), mid, values.end(),
                     [](const ChildResult &a, const ChildResult &b) { return a.seconds < b.seconds; });
    const double seconds = mid->seconds;
    std::nth_element(values.begin(), mid, values.end(),
                     [](const ChildResult &a, const ChildResult &b) { return a.bytes < b.bytes; });
    return {seconds, mid->bytes, {}};
}

const std::vector<ChildResult> *found(const std::string &side, int rows)
{
    const auto it = samples().find({side, rows});
    return it == samples().end() || it->second.empty() ? nullptr : &it->second;
}

void printRatios()
{
    std::printf("\nFill and sort, medians of %d repetitions, sides in turn:\n", kRepetitions);
    for (const int rows : {kRatioRows, kRows}) {
        const auto *grid = found("grid", rows);
        const auto *model = found("model", rows);
        if (!grid || !model)
            continue;
        const ChildResult g = median(*grid);
        const ChildResult m = median(*model);
        std::printf("%6d rows: grid %7.1f ms %6.1f MB, QStandardItemModel %7.1f ms %6.1f MB;"
                    " grid / model: time %.2f, heap %.2f\n",
                    rows, g.seconds * 1e3, g.bytes / (1 << 20), m.seconds * 1e3,
                    m.bytes / (1 << 20), g.seconds / m.seconds, g.bytes / m.bytes);
    }
    std::printf("Sorted rows alike on both sides: %s\n",
                mismatches().empty() ? "yes, at every size" : "NO");
    const auto *small = found("sort", kRows);
    const auto *large = found("sort", kScaledRows);
    if (small && large) {
        const double s = median(*small).seconds;
        const double l = median(*large).seconds;
        std::printf("Grid sort alone: %d rows %.1f ms, %d rows %.1f ms; ratio %.2f"
                    " (goal <= %.1f, n log n alone %.2f): %s\n",
                    kRows, s * 1e3, kScaledRows, l * 1e3, l / s, kSortScalingGoal,
                    4.0 * std::log(double(kScaledRows)) / std::log(double(kRows)),
                    l / s <= kSortScalingGoal ? "met" : "NOT met");
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
    const auto app = makeBenchApplication(argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    runBenchmarks(argc, argv);
    printRatios();
    return 0;
}
