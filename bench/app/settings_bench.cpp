// Settings and language files with a great many sections, as a damaged or
// hostile file could hold: pelloran.ini with 30,000 and 60,000 sections of
// its own before the program's ("[s00001]" with one key each, about 13
// bytes a section), read as the program starts (loadConfig) and written as
// it closes (saveConfig, which reads the file anew and writes every key),
// and a language file of 300,000 sections opened by the translation engine.
// The yardstick, measured in the same iterations, is reading the same file
// into text (QFile::readAll and QString::fromUtf8), which any reading pays:
// the ratio must stay the same as the file grows. The program has no windows
// here, so the figures are the settings file's own share of a start or close.
// Run with --benchmark_repetitions=5 (the default here) and read the medians.
#include "app/main/settings_store.h"
#include "bench/yardstick.h"
#include "ui/program/program.h"
#include "ui/translate/lang_core.h"
#include "bench/window_bench.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <functional>

namespace {

constexpr int kRepetitions = 5;

QByteArray manySections(int sections, const char *prefix)
{
    QByteArray data;
    data.reserve(qsizetype(sections) * 14);
    for (int i = 0; i < sections; ++i)
        data += '[' + QByteArray(prefix) + QByteArray::number(i).rightJustified(5, '0') + "]\nk=1\n";
    return data;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// `work` on a fresh copy of `data` at `path`, against reading that file into
// text, in each iteration.
void measure(benchmark::State &state, const QString &path, const QByteArray &data,
             const std::function<void()> &work)
{
    timeAgainst(
        state, "read", [&] { return writeFile(path, data); }, work,
        [&] {
            QFile file(path);
            const QString text =
                file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
            benchmark::DoNotOptimize(text.size());
        });
    state.counters["bytes"] = double(data.size());
}

void BM_StartWithManySections(benchmark::State &state)
{
    QTemporaryDir folder;
    TProgram program;
    program.ProgramFolder = folder.path();
    measure(state, program.SettingsFile(), manySections(int(state.range(0)), "s"),
            [&] { loadConfig(program, QString(), true, true); });
}

void BM_CloseWithManySections(benchmark::State &state)
{
    QTemporaryDir folder;
    TProgram program;
    program.ProgramFolder = folder.path();
    measure(state, program.SettingsFile(), manySections(int(state.range(0)), "s"),
            [&] { saveConfig(program, QString(), true); });
}

void BM_LanguageFileWithManySections(benchmark::State &state)
{
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("Language"));
    measure(state, folder.filePath(QStringLiteral("Language/English.lng")),
            manySections(int(state.range(0)), "TForm"), [&] {
                TLangCore core(folder.path());
                benchmark::DoNotOptimize(core.langCount());
            });
}

void options(benchmark::internal::Benchmark *b)
{
    b->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->UseManualTime()
        ->Unit(benchmark::kMillisecond)->MinTime(0.3);
}

BENCHMARK(BM_StartWithManySections)->Arg(30000)->Arg(60000)->Apply(options);
BENCHMARK(BM_CloseWithManySections)->Arg(30000)->Arg(60000)->Apply(options);
BENCHMARK(BM_LanguageFileWithManySections)->Arg(30000)->Arg(300000)->Apply(options);

} // namespace

int main(int argc, char **argv)
{
    const auto app = makeBenchApplication(argv);
    return runBenchmarks(argc, argv);
}
