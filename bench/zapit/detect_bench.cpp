// Refusing a services file whose elements carry many distinct attribute
// names (no receiver writes one; a damaged or hostile file may): the cost of
// collecting the names for detection must grow with their number, not with
// its square. At 20,000 and 200,000 distinct names, ten to an element: the
// whole load the program runs (TFrmXMLHandler::LoadServices, which parses,
// collects, detects and refuses with "XML format unknown!"), the name
// collection alone on the parsed document, and `xmllint --noout` of the same
// file: libxml2's own cost for so many names, which the load cannot go below.
// Then one element carrying 100,000 and 200,000 distinct attribute names
// (1.0 and 2.1 MB), refused by the same load, against reading the file into
// text (QFile::readAll and QString::fromUtf8) in the same iterations: the
// parser's checks of an element's attributes grow with their square, so the
// refusal must come while the tag is read and cost no more at the larger
// size, however the ratio to the read then falls.
// Every benchmark runs 5
// repetitions; the figures printed at the end are their medians, all from
// this one run.

#include "core/model/service_list.h"
#include "core/zapit/detect.h"
#include "core/zapit/xml_file_handler.h"
#include "platform/xml_document.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int kSmall = 20000;
constexpr int kLarge = 200000;
constexpr int kRepetitions = 5;
constexpr int kNamesPerElement = 10;

struct File {
    QTemporaryDir dir;
    QString path;
    qint64 size = 0;
};

QByteArray manyNamesFile(int names, int namesPerElement)
{
    QByteArray data = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<zapit>\n"
                      "<sat name=\"S\" diseqc=\"0\"><transponder id=\"1\" onid=\"1\" "
                      "frequency=\"1\" inversion=\"0\" symbol_rate=\"1\" fec_inner=\"1\" "
                      "polarization=\"0\">\n";
    for (int n = 0; n < names; ++n) {
        if (n % namesPerElement == 0)
            data += "<channel service_id=\"1\" name=\"A\" service_type=\"01\"";
        data += " a" + QByteArray::number(n) + "=\"\"";
        if (n % namesPerElement == namesPerElement - 1 || n == names - 1)
            data += "/>\n";
    }
    return data + "</transponder></sat>\n</zapit>\n";
}

File &file(int names, int namesPerElement = kNamesPerElement)
{
    static std::map<std::pair<int, int>, std::unique_ptr<File>> files;
    auto &slot = files[{names, namesPerElement}];
    if (!slot) {
        slot = std::make_unique<File>();
        slot->path = slot->dir.filePath(QStringLiteral("services.xml"));
        QFile out(slot->path);
        const QByteArray data = manyNamesFile(names, namesPerElement);
        if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size())
            std::fprintf(stderr, "cannot write %s\n", qPrintable(slot->path));
        slot->size = data.size();
    }
    return *slot;
}

std::map<std::pair<std::string, int>, std::vector<double>> &samples()
{
    static std::map<std::pair<std::string, int>, std::vector<double>> all;
    return all;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One sample per repetition: the mean of its iterations.
class Sampler
{
public:
    Sampler(const char *name, int names) : m_key(name, names) {}
    void add(double seconds)
    {
        m_total += seconds;
        ++m_count;
    }
    ~Sampler()
    {
        if (m_count > 0)
            samples()[m_key].push_back(m_total / m_count);
    }

private:
    std::pair<std::string, int> m_key;
    double m_total = 0;
    int m_count = 0;
};

// The seconds LoadServices takes to refuse the file; none when it loads it.
std::optional<double> refusalSeconds(TFrmXMLHandler &handler, const QString &path)
{
    TServiceList services;
    QString error;
    QElapsedTimer timer;
    timer.start();
    const bool loaded = handler.LoadServices(path, error, false, services);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    return loaded ? std::nullopt : std::optional<double>(seconds);
}

void BM_RefuseManyNames(benchmark::State &state)
{
    const int names = int(state.range(0));
    const File &f = file(names);
    TFrmXMLHandler handler{TFrmXMLHandler::Environment{}};
    Sampler sampler("refuse", names);
    for (auto _ : state) {
        const std::optional<double> seconds = refusalSeconds(handler, f.path);
        if (!seconds) {
            state.SkipWithError("the file was not refused");
            return;
        }
        state.SetIterationTime(*seconds);
        sampler.add(*seconds);
    }
}

void BM_CollectNames(benchmark::State &state)
{
    const int names = int(state.range(0));
    XmlDocument document;
    if (!document.loadFile(file(names).path)) {
        state.SkipWithError("the file does not parse");
        return;
    }
    Sampler sampler("collect", names);
    for (auto _ : state) {
        QStringList elementNames;
        QStringList attributeNames;
        QElapsedTimer timer;
        timer.start();
        CollectNames(elementNames, attributeNames, document.documentElement().firstChild());
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        benchmark::DoNotOptimize(attributeNames.size());
        state.SetIterationTime(seconds);
        sampler.add(seconds);
    }
}

// The child's start-up is measured on an empty file and taken off.
void BM_XmllintNoout(benchmark::State &state)
{
    const int names = int(state.range(0));
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty()) {
        state.SkipWithError("xmllint not found (package libxml2-utils)");
        return;
    }
    const auto run = [&](const QString &path) {
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(xmllint, {QStringLiteral("--noout"), path});
        process.waitForFinished(-1);
        return double(timer.nsecsElapsed()) / 1e9;
    };
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("empty.xml"));
    QFile emptyFile(empty);
    if (!emptyFile.open(QIODevice::WriteOnly) || emptyFile.write("<zapit/>\n") < 0) {
        state.SkipWithError("cannot write a file");
        return;
    }
    emptyFile.close();
    Sampler sampler("xmllint", names);
    for (auto _ : state) {
        const double seconds = std::max(0.0, run(file(names).path) - run(empty));
        state.SetIterationTime(seconds);
        sampler.add(seconds);
    }
}

// One element with all the names: the load, then reading the same file
// into text, in each iteration.
void BM_RefuseOneElement(benchmark::State &state)
{
    const int names = int(state.range(0));
    const File &f = file(names, names);
    TFrmXMLHandler handler{TFrmXMLHandler::Environment{}};
    Sampler refuse("one element", names);
    Sampler read("one element read", names);
    double refuseTotal = 0;
    double readTotal = 0;
    for (auto _ : state) {
        const std::optional<double> seconds = refusalSeconds(handler, f.path);
        QElapsedTimer timer;
        timer.start();
        QFile in(f.path);
        const QString text = in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
        benchmark::DoNotOptimize(text.size());
        const double readSeconds = double(timer.nsecsElapsed()) / 1e9;
        if (!seconds) {
            state.SkipWithError("the file was not refused");
            return;
        }
        state.SetIterationTime(*seconds);
        refuse.add(*seconds);
        read.add(readSeconds);
        refuseTotal += *seconds;
        readTotal += readSeconds;
    }
    state.counters["read_ms"] = readTotal * 1e3 / double(state.iterations());
    state.counters["ratio"] = refuseTotal / std::max(readTotal, 1e-9);
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(kSmall)->Arg(kLarge)->Repetitions(kRepetitions)->DisplayAggregatesOnly(true);
}

BENCHMARK(BM_RefuseManyNames)->Apply(sizes)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_CollectNames)->Apply(sizes)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_RefuseOneElement)->Arg(100000)->Arg(200000)->Repetitions(kRepetitions)
    ->DisplayAggregatesOnly(true)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_XmllintNoout)->Apply(sizes)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);

void printFigures()
{
    const auto figure = [](const char *name, int names) {
        const auto it = samples().find({name, names});
        return it == samples().end() ? 0.0 : median(it->second);
    };
    std::printf("\nMedians of %d repetitions:\n", kRepetitions);
    for (const int n : {kSmall, kLarge}) {
        std::printf("%d distinct attribute names, %.2f MB:\n", n, double(file(n).size) / 1e6);
        std::printf("  refused by LoadServices  %8.1f ms\n", figure("refuse", n) * 1e3);
        std::printf("  CollectNames alone       %8.1f ms\n", figure("collect", n) * 1e3);
        std::printf("  xmllint --noout          %8.1f ms\n", figure("xmllint", n) * 1e3);
    }
    for (const int n : {100000, 200000}) {
        const double refused = figure("one element", n);
        const double read = figure("one element read", n);
        std::printf("One element of %d distinct attribute names, %.2f MB:\n", n,
                    double(file(n, n).size) / 1e6);
        std::printf("  refused by LoadServices  %8.1f ms\n", refused * 1e3);
        std::printf("  read into text           %8.1f ms\n", read * 1e3);
        if (read > 0)
            std::printf("  ratio                    %8.1f\n", refused / read);
    }
    const double growth = double(kLarge) / kSmall;
    for (const char *name : {"refuse", "collect", "xmllint"}) {
        if (figure(name, kSmall) > 0)
            std::printf("  %-8s %dx the names: %.1fx the time (linear: %.0fx)\n", name,
                        int(growth), figure(name, kLarge) / figure(name, kSmall), growth);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printFigures();
    return 0;
}
