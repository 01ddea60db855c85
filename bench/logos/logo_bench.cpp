// Building the logo mapping for 100,000 services against 5,000 logo files,
// on one core, timed against decoding those 5,000 GIFs with the program's
// codec on the same core in the same iterations: the build decodes each
// matched file once and should spend at most twice as much again on
// matching the names and writing the file, so the goal is a ratio of at
// most 3. Five repetitions; the run ends with the medians and the goal.
// Half the services have a logo under some spelling of their name, every
// logo file being named by at least one service, so both sides handle the
// same 5,000 files; the other half have none, so every spelling is tried
// for them. Names carry umlauts, Cyrillic letters and "&" as receivers' do.
#include "bench/app/list_generator.h"
#include "bench/yardstick.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/zapit/xml_file_handler.h"
#include "gif/gif_picture.h"
#include "logos/logo_pages.h"
#include "logos/logo_mapper.h"
#include "logos/logo_matcher.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kLogoFiles = 5000;
constexpr int kServices = 100000;
constexpr int kRepetitions = 5;
// Building on one core against decoding the same logos on it.
constexpr double kGoalRatio = 3.0;

const char *const kSyllables[] = {"Ka",   "ne",    "lo",   "Sat",   "tv",   "ri",    "Mu",
                                  "sik",  "Sport", "Info", "do",    "ku",   "Film",  "ber",
                                  "lin",  "Nord",  "Süd",  "ra",    "Kino", "Welt",  "ta",
                                  "mo",   "Plus",  "Max",  "vi",    "Star", "Канал", "Радио",
                                  "Мир",  " & ",   "Spaß", "Öko",   "& Co", "Jünior"};

QString syllableName(QRandomGenerator &random, int parts)
{
    QString name;
    for (int i = 0; i < parts; ++i)
        name += QString::fromUtf8(kSyllables[random.bounded(int(std::size(kSyllables)))]);
    return name;
}

// The logo folder and the list, made once per run of the program.
struct World {
    QTemporaryDir folder;
    QStringList logoNames; // channel names with a logo
    std::vector<TLogoEntry> entries;

    World()
    {
        QDir().mkpath(folder.filePath("LogoTypes"));
        QRandomGenerator random(2026);
        QImage picture(52, 39, QImage::Format_RGB888);
        for (int i = 0; i < kLogoFiles; ++i) {
            const QString name = syllableName(random, 2 + int(random.bounded(2))) + u' '
                + QString::number(i);
            logoNames.append(name);
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    picture.setPixel(x, y, qRgb((x * 5 + i) & 255, (y * 6 + i * 3) & 255, (x ^ y) * 4 & 255));
            TGifPicture gif;
            gif.Add(picture.convertToFormat(QImage::Format_Indexed8));
            QString error;
            // Named the way the logo manager names downloaded logos.
            const QString file = logoFileBaseName(name);
            gif.SaveToFile(folder.filePath("LogoTypes/" + file + ".tv.gif"), error);
        }
        for (int i = 0; i < kServices; ++i) {
            QString name;
            if (i % 2 == 0) {
                // The first services name every logo once, the rest at random.
                const int logo = i < 2 * kLogoFiles ? i / 2 : int(random.bounded(kLogoFiles));
                name = logoNames.at(logo);
                if (i % 6 == 0)
                    name += QStringLiteral(" [HD]");
                else if (i % 6 == 2)
                    name = name.toUpper();
            } else {
                name = syllableName(random, 2 + int(random.bounded(3))) + u' '
                    + QString::number(kLogoFiles + i);
            }
            entries.push_back({name, i % 10 == 9 ? TLogoKind::Radio : TLogoKind::Tv, 1, i > 90000});
        }
    }
};

World &world()
{
    static World instance;
    return instance;
}

// The receiver-shaped list the other benchmarks use (100,000 services,
// 20,000 my-services entries), with logos named after 5,000 of its TV
// channels the way the logo manager names them.
struct ReceiverWorld {
    QTemporaryDir folder;
    std::vector<TLogoEntry> entries;

    ReceiverWorld()
    {
        writeGeneratedLists(folder.path());
        TFrmXMLHandler handler(TFrmXMLHandler::Environment{});
        TServiceList services, myServices;
        QString error;
        handler.LoadServices(folder.filePath("Services.xml"), error, false, services);
        handler.LoadMyServices(folder.filePath("MyServices.xml"), error, myServices);
        QDir().mkpath(folder.filePath("LogoTypes"));
        QSet<QString> names;
        QImage picture(52, 39, QImage::Format_RGB888);
        for (TServiceList *list : {&services, &myServices}) {
            list->forEachService([&](TService *service, TTransponder *, TSatelite *) {
                const TLogoKind kind = service->IsTv() ? TLogoKind::Tv
                    : service->IsRadio()               ? TLogoKind::Radio
                                                       : TLogoKind::Other;
                entries.push_back({service->Name, kind, 1, list == &myServices});
                const QString file = logoFileBaseName(service->Name);
                if (kind != TLogoKind::Tv || names.size() >= kLogoFiles || file.isEmpty()
                    || names.contains(file))
                    return;
                names.insert(file);
                picture.fill(QColor::fromHsv(int(names.size() * 7 % 360), 200, 220));
                TGifPicture gif;
                gif.Add(picture.convertToFormat(QImage::Format_Indexed8));
                gif.SaveToFile(folder.filePath("LogoTypes/" + file + ".tv.gif"), error);
            });
        }
    }
};

ReceiverWorld &receiverWorld()
{
    static ReceiverWorld instance;
    return instance;
}

class CountingSink : public TLogoSink
{
public:
    int images = 0;
    void imagesRecreated(const QList<QImage> &) override {}
    void logoLoaded(int, const QImage &) override { ++images; }
    void logoAssigned(int, int) override {}
    bool stopRequested() override { return false; }
};

// Each repetition's ratio and mapping file, by benchmark, for the summary.
struct Outcome {
    std::vector<double> ratios;
    QByteArray mapping;
};
std::map<std::string, Outcome> &outcomes()
{
    static std::map<std::string, Outcome> all;
    return all;
}

// The yardstick of every measurement: decoding each logo file of the folder
// once, as the build does for the files it matched.
void decodeLogoFiles(const QString &folder, const QStringList &files)
{
    for (const QString &file : files) {
        TGifPicture picture;
        picture.Transparent = false;
        QString error;
        picture.LoadFromFile(folder + "/" + file, error);
        benchmark::DoNotOptimize(picture.Bitmap());
    }
}

// The matching alone, without loading a picture, against decoding.
template <typename Entries>
void matchNames(benchmark::State &state, const QString &folder, const Entries &entries)
{
    const QStringList files = collectLogoFiles(folder);
    const TLogoFileIndex index(files);
    int matched = 0;
    timeAgainst(
        state, "decode",
        [&] {
            TLogoMatcher matcher(index);
            matched = 0;
            for (const TLogoEntry &entry : entries)
                matched += matcher.MatchLogoFile(entry.name, entry.kind).isEmpty() ? 0 : 1;
        },
        [&] { decodeLogoFiles(folder, files); });
    state.counters["matched"] = matched;
}

// The whole build on one core against decoding on the same core.
template <typename Entries>
void buildMapping(benchmark::State &state, const std::string &name, const QTemporaryDir &folder,
                  const Entries &entries)
{
    TLogoJob job;
    job.rebuild = true;
    job.cores = 1;
    job.logoFolder = folder.filePath("LogoTypes");
    job.mappingFile = folder.filePath("LogoMapping.dat");
    job.entries = entries;
    const QStringList files = collectLogoFiles(job.logoFolder);
    int images = 0;
    timeAgainst(
        state, "decode",
        [&] {
            CountingSink sink;
            runLogoMapping(job, sink);
            images = sink.images;
        },
        [&] { decodeLogoFiles(job.logoFolder, files); });
    state.counters["logos"] = images;
    state.counters["services"] = double(job.entries.size());
    state.counters["goal"] = kGoalRatio;
    Outcome &outcome = outcomes()[name];
    outcome.ratios.push_back(state.counters["ratio"]);
    QFile file(job.mappingFile);
    if (file.open(QIODevice::ReadOnly))
        outcome.mapping = file.readAll();
}

void oneCore(benchmark::internal::Benchmark *b)
{
    // A fixed number of passes, so that each repetition runs the routine
    // once and gives one ratio.
    b->Iterations(2)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

void BM_MatchServiceNames(benchmark::State &state)
{
    matchNames(state, world().folder.filePath("LogoTypes"), world().entries);
}
BENCHMARK(BM_MatchServiceNames)->Apply(oneCore);

void BM_BuildLogoMapping(benchmark::State &state)
{
    buildMapping(state, "BM_BuildLogoMapping", world().folder, world().entries);
}
BENCHMARK(BM_BuildLogoMapping)->Apply(oneCore);

void BM_MatchReceiverNames(benchmark::State &state)
{
    matchNames(state, receiverWorld().folder.filePath("LogoTypes"), receiverWorld().entries);
}
BENCHMARK(BM_MatchReceiverNames)->Apply(oneCore);

void BM_BuildReceiverLogoMapping(benchmark::State &state)
{
    buildMapping(state, "BM_BuildReceiverLogoMapping", receiverWorld().folder, receiverWorld().entries);
}
BENCHMARK(BM_BuildReceiverLogoMapping)->Apply(oneCore);

// The builds' median ratios against the goal, and a digest of the mapping
// files, which must not change when the build gets faster.
void printSummary()
{
    for (auto &[name, outcome] : outcomes()) {
        std::vector<double> &ratios = outcome.ratios;
        if (ratios.empty())
            continue;
        std::sort(ratios.begin(), ratios.end());
        const double median = ratios[ratios.size() / 2];
        const QByteArray digest =
            QCryptographicHash::hash(outcome.mapping, QCryptographicHash::Sha1).toHex().left(12);
        std::printf("%s: one core, build / decode median %.2f over %d repetitions (goal <= %.1f): %s;"
                    " LogoMapping.dat %lld bytes, sha1 %s\n",
                    name.c_str(), median, int(ratios.size()), kGoalRatio,
                    median <= kGoalRatio ? "met" : "NOT met", qlonglong(outcome.mapping.size()),
                    digest.constData());
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    world();
    receiverWorld();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
