// The logo mapping on the whole program with a receiver-sized list (100,000
// services, 20,000 my-services entries) and 5,000 logos named after its
// channels: the longest time the window's event loop is held up while the
// mapping runs (a 1 ms timer notes every gap), how long starting a mapping
// again holds it (stopping the running one and copying the names), and how
// long the whole build takes on the window.

#include "bench/app/list_generator.h"

#include "app/main/logo_mapping.h"
#include "app/main/main_window.h"
#include "app/main/windows.h"
#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/util/prompts.h"
#include "gif/gif_picture.h"
#include "logos/logo_pages.h"
#include "resources/resources.h"
#include "ui/program/program.h"
#include "bench/window_bench.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int kLogoFiles = 5000;

const char *const kSafeSettings = "[General]\nnotFirstStartUp=1\n"
                                  "[GUISettings]\nip=127.000.000.001\nport=00021\n"
                                  "[Misc]\nnoBackgroundPing=1\nnoOrvikCheck=1\nnoUpdateCheck=1\n"
                                  "[WebSources]\nreadyMadeListUrl=http://127.0.0.1:9\n"
                                  "kingOfSatUrl=http://127.0.0.1:9\nlogoSiteUrl=http://127.0.0.1:9\n";

class BenchPrompts : public TPrompts
{
public:
    int messageBox(TMsgKind, const QString &, int buttons) override
    {
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
};

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

struct Program {
    TProgram program;
    BenchPrompts prompts;

    explicit Program(bool mapping)
    {
        program.ProgramFolder = folder().path();
        program.Prompts = &prompts;
        program.KingOfSatUrl = program.LogoSiteUrl = QStringLiteral("http://127.0.0.1:9");
        program.PingProgram.clear();
        SaveHandler().SetSaved();
        createWindows(program);
        if (mapping)
            installLogoMapping(program);
        program.FrmMain->InitializeMain();
    }
    ~Program()
    {
        program.LogoMappingRunning = false;
        if (QThread *thread = program.FrmMain->findChild<QThread *>(QStringLiteral("LogoThread")))
            thread->wait();
        SaveHandler().SetSaved();
        program.FreeForms();
    }
};

// Logos for the first 5,000 TV names of the list, as the logo manager names
// its files.
bool writeLogos()
{
    Program started(false);
    QDir().mkpath(folder().filePath(QStringLiteral("LogoTypes")));
    QSet<QString> names;
    started.program.ServiceList->forEachService([&](TService *service, TTransponder *, TSatelite *) {
        if (names.size() < kLogoFiles && service->IsTv())
            names.insert(logoFileBaseName(service->Name));
    });
    QImage picture(52, 39, QImage::Format_RGB888);
    int i = 0;
    for (const QString &name : names) {
        if (name.isEmpty())
            continue;
        picture.fill(QColor::fromHsv((i++ * 7) % 360, 200, 220));
        TGifPicture gif;
        gif.Add(picture.convertToFormat(QImage::Format_Indexed8));
        QString error;
        if (!gif.SaveToFile(folder().filePath(QStringLiteral("LogoTypes/") + name + ".tv.gif"), error))
            return false;
    }
    std::printf("%d logo files\n", int(names.size()));
    return true;
}

void BM_MappingOnTheWindow(benchmark::State &state)
{
    double longestGapMs = 0, restartMs = 0, startIdleMs = 0;
    for (auto _ : state) {
        QFile::remove(folder().filePath(QStringLiteral("LogoMapping.dat")));
        Program started(true);
        TFrmMain &main = *started.program.FrmMain;
        QElapsedTimer clock;
        clock.start();
        // Starting again stops the running build and copies the names anew.
        main.StartLogoMapping();
        restartMs = double(clock.nsecsElapsed()) / 1e6;
        auto *thread = main.findChild<QThread *>(QStringLiteral("LogoThread"));
        QElapsedTimer gap;
        gap.start();
        qint64 longest = 0;
        QTimer tick;
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, gap.nsecsElapsed());
            gap.restart();
        });
        tick.start();
        while (thread && !thread->isFinished())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();
        tick.stop();
        longestGapMs = double(longest) / 1e6;
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        // With nothing running, a start is only the copy of the names.
        QElapsedTimer idle;
        idle.start();
        main.StartLogoMapping();
        startIdleMs = double(idle.nsecsElapsed()) / 1e6;
    }
    state.counters["longest_gap_ms"] = longestGapMs;
    state.counters["restart_ms"] = restartMs;
    state.counters["start_idle_ms"] = startIdleMs;
}
BENCHMARK(BM_MappingOnTheWindow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    const auto app = makeBenchApplication(argv);
    pelloranInitResources();
    TGeneratedListSizes sizes;
    if (!folder().isValid() || !writeGeneratedLists(folder().path(), sizes)) {
        std::fprintf(stderr, "could not write the generated lists\n");
        return 1;
    }
    QFile ini(folder().filePath(QStringLiteral("pelloran.ini")));
    if (!ini.open(QIODevice::WriteOnly) || ini.write(kSafeSettings) < 0)
        return 1;
    ini.close();
    if (!writeLogos()) {
        std::fprintf(stderr, "could not write the logos\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
