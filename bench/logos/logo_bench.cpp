// Building the logo mapping for 100,000 services against 5,000 logo files,
// and, as the yardstick, decoding those 5,000 GIFs with the program's codec.
// The build decodes each matched file once and must spend no more again on
// matching the names: run with --benchmark_repetitions=5 and compare the
// medians. Half the services have a logo under some spelling of their name,
// every logo file being named by at least one service, so both sides handle
// the same 5,000 files; the other half have none, so every spelling is tried
// for them. Names carry umlauts, Cyrillic letters and "&" as receivers' do.
#include "bench/app/list_generator.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/zapit/xml_file_handler.h"
#include "gif/gif_picture.h"
#include "logos/logo_pages.h"
#include "logos/logo_mapper.h"
#include "logos/logo_matcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kLogoFiles = 5000;
constexpr int kServices = 100000;

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

// The three measurements, for either list: decoding every logo file alone,
// matching the names alone, and the whole build.
void decodeLogoFiles(benchmark::State &state, const QString &folder)
{
    const QStringList files = collectLogoFiles(folder);
    for (auto _ : state) {
        for (const QString &file : files) {
            TGifPicture picture;
            picture.Transparent = false;
            QString error;
            picture.LoadFromFile(folder + "/" + file, error);
            benchmark::DoNotOptimize(picture.Bitmap());
        }
    }
    state.counters["files"] = double(files.size());
}

template <typename Entries>
void matchNames(benchmark::State &state, const QString &folder, const Entries &entries)
{
    const TLogoFileIndex index(collectLogoFiles(folder));
    int matched = 0;
    for (auto _ : state) {
        TLogoMatcher matcher(index);
        matched = 0;
        for (const TLogoEntry &entry : entries)
            matched += matcher.MatchLogoFile(entry.name, entry.kind).isEmpty() ? 0 : 1;
    }
    state.counters["matched"] = matched;
}

template <typename Entries>
void buildMapping(benchmark::State &state, const QTemporaryDir &folder, const Entries &entries)
{
    TLogoJob job;
    job.rebuild = true;
    job.logoFolder = folder.filePath("LogoTypes");
    job.mappingFile = folder.filePath("LogoMapping.dat");
    job.entries = entries;
    int images = 0;
    for (auto _ : state) {
        CountingSink sink;
        runLogoMapping(job, sink);
        images = sink.images;
    }
    state.counters["logos"] = images;
    state.counters["services"] = double(job.entries.size());
}

void BM_DecodeLogoFiles(benchmark::State &state)
{
    decodeLogoFiles(state, world().folder.filePath("LogoTypes"));
}
BENCHMARK(BM_DecodeLogoFiles)->Unit(benchmark::kMillisecond);

// The matching alone, without loading a picture.
void BM_MatchServiceNames(benchmark::State &state)
{
    matchNames(state, world().folder.filePath("LogoTypes"), world().entries);
}
BENCHMARK(BM_MatchServiceNames)->Unit(benchmark::kMillisecond);

void BM_BuildLogoMapping(benchmark::State &state)
{
    buildMapping(state, world().folder, world().entries);
}
BENCHMARK(BM_BuildLogoMapping)->Unit(benchmark::kMillisecond);

void BM_DecodeReceiverLogoFiles(benchmark::State &state)
{
    decodeLogoFiles(state, receiverWorld().folder.filePath("LogoTypes"));
}
BENCHMARK(BM_DecodeReceiverLogoFiles)->Unit(benchmark::kMillisecond);

void BM_MatchReceiverNames(benchmark::State &state)
{
    matchNames(state, receiverWorld().folder.filePath("LogoTypes"), receiverWorld().entries);
}
BENCHMARK(BM_MatchReceiverNames)->Unit(benchmark::kMillisecond);

void BM_BuildReceiverLogoMapping(benchmark::State &state)
{
    buildMapping(state, receiverWorld().folder, receiverWorld().entries);
}
BENCHMARK(BM_BuildReceiverLogoMapping)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    world();
    receiverWorld();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
