#pragma once

// Hostile inputs are timed against a yardstick measured in the same
// iterations, such as decoding the same bytes into text: the ratio says
// whether the work grows with its input, whatever the machine's speed.

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <algorithm>
#include <string>

// Per iteration: `prepare` untimed (false skips the benchmark), `work`, whose
// time is the iteration's, then `yardstick`. Counters: the yardstick's mean
// time as <yardstickName>_ms and the ratio of the totals.
template <typename Prepare, typename Work, typename Yardstick>
void timeAgainst(benchmark::State &state, const std::string &yardstickName, Prepare &&prepare,
                 Work &&work, Yardstick &&yardstick)
{
    double workTotal = 0;
    double yardstickTotal = 0;
    for (auto _ : state) {
        if (!prepare()) {
            state.SkipWithError("the input could not be prepared");
            return;
        }
        QElapsedTimer timer;
        timer.start();
        work();
        const double workSeconds = double(timer.nsecsElapsed()) / 1e9;
        timer.restart();
        yardstick();
        const double yardstickSeconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(workSeconds);
        workTotal += workSeconds;
        yardstickTotal += yardstickSeconds;
    }
    state.counters[yardstickName + "_ms"] =
        yardstickTotal * 1e3 / std::max<double>(double(state.iterations()), 1);
    state.counters["ratio"] = workTotal / std::max(yardstickTotal, 1e-9);
}

template <typename Work, typename Yardstick>
void timeAgainst(benchmark::State &state, const std::string &yardstickName, Work &&work,
                 Yardstick &&yardstick)
{
    timeAgainst(state, yardstickName, [] { return true; }, work, yardstick);
}

// The benchmarks the command line names; the caller makes the Qt application.
inline int runBenchmarks(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
