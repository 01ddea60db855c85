#include "main_window_support.h"
#include "service_dialogs_world.h"

#include "app/main/logo_mapping.h"
#include "core/model/bouquet_service.h"
#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "form_test_support.h"
#include "logos/logo_thread.h"
#include "ui/grid/image_list.h"
#include "ui/grid/list_grid.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSet>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const QString kFixtureLogos = QStringLiteral(PELLORAN_FIXTURES_DIR "/logos/LogoTypes");

void copyLogos(TProgramWorld &world, const QStringList &only = {})
{
    QDir().mkpath(world.path("LogoTypes"));
    for (const QString &name : QDir(kFixtureLogos).entryList(QDir::Files)) {
        if (only.isEmpty() || only.contains(name))
            QFile::copy(kFixtureLogos + "/" + name, world.path("LogoTypes/" + name));
    }
}

TService *serviceNamed(const TServiceList &list, const QString &name)
{
    TService *found = nullptr;
    list.forEachService([&](TService *service, TTransponder *, TSatelite *) {
        if (!found && service->Name == name)
            found = service;
    });
    return found;
}

// The logo index a grid shows in the row whose name column reads `name`.
int shownLogo(TListGrid *grid, const QString &nameColumn, const QString &logoColumn,
              const QString &name)
{
    const int nameCol = grid->Columns()->ColumnByName(nameColumn)->Index();
    const int logoCol = grid->Columns()->ColumnByName(logoColumn)->Index();
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (grid->Cells(nameCol, row) == name)
            return grid->Cell(logoCol, row)->AsInteger();
    }
    return -1;
}

// Waits for the mapping to end by itself and lets its last results arrive
// (waiting through the main window would cut an apply run short).
void finishMapping(TFrmMain &main)
{
    if (auto *thread = main.findChild<QThread *>("LogoThread"))
        thread->wait();
    QCoreApplication::processEvents();
}

TEST(LogoMapping, LogosAppearInTheGridsAndTheMappingIsKept)
{
    TProgramWorld world;
    copyLogos(world);
    installLogoMapping(world.program);
    world.start();
    TFrmMain &main = world.main();
    finishMapping(main);
    EXPECT_FALSE(world.program.LogoMappingRunning);

    const QByteArray mapping = world.bytes("LogoMapping.dat");
    EXPECT_TRUE(mapping.startsWith("Das Erste|4|DasErste.tv.gif\r\n")) << mapping.toStdString();
    EXPECT_TRUE(mapping.contains("|ZDF.tv.gif\r\n"));
    EXPECT_FALSE(mapping.contains("WetterLive")); // the broken file
    // Names without a letter a-z find no logo of another channel: they keep
    // the TV picture.
    for (const char *name : {"Звезда Плюс", "Кино Хит", "Ελληνικό Κανάλι"}) {
        EXPECT_FALSE(mapping.contains(QByteArray(name) + "|")) << name;
        const TService *service = serviceNamed(*world.program.ServiceList, QString::fromUtf8(name));
        ASSERT_NE(service, nullptr) << name;
        EXPECT_EQ(service->LogoIndex, 1) << name;
    }
    EXPECT_FALSE(mapping.contains("Кино Хит Премьера|"));

    const TService *erste = serviceNamed(*world.program.ServiceList, "Das Erste");
    ASSERT_NE(erste, nullptr);
    EXPECT_EQ(erste->LogoIndex, 4);
    EXPECT_EQ(serviceNamed(*world.program.ServiceList, "Wetter Live")->LogoIndex, 1);
    EXPECT_EQ(serviceNamed(*world.program.ServiceList, "EPG-Daten")->LogoIndex, 3);
    ASSERT_GT(main.ImageListLogos->Count(), 4);
    EXPECT_EQ(main.ImageListLogos->Image(4).size(),
              QSize(world.program.LogoWidth, world.program.LogoHeight));
    EXPECT_EQ(shownLogo(main.ServicesGrid, "ColSerName", "ColSerLogo", "Das Erste"), 4);
    EXPECT_TRUE(main.ImgLogoMappingInactive->isVisibleTo(&main));
    EXPECT_FALSE(main.ImgLogoMappingActive->isVisibleTo(&main));
    saveShot(main, "main_window_logos.png");

    // Showing or hiding columns keeps the mapped logos.
    const int loaded = main.ImageListLogos->Count();
    main.ApplyColumnVisibility();
    EXPECT_EQ(main.ImageListLogos->Count(), loaded);

    // The next run applies the kept mapping and gives the same pictures.
    const int pictures = main.ImageListLogos->Count();
    EXPECT_TRUE(main.StartLogoMapping());
    finishMapping(main);
    EXPECT_EQ(main.ImageListLogos->Count(), pictures);
    EXPECT_EQ(erste->LogoIndex, 4);
    EXPECT_EQ(world.bytes("LogoMapping.dat"), mapping);
}

TEST(LogoMapping, StartingAgainEndsTheRunningMappingFirst)
{
    TProgramWorld world;
    copyLogos(world);
    installLogoMapping(world.program);
    world.start();
    TFrmMain &main = world.main();
    QPointer<QThread> first = main.findChild<QThread *>("LogoThread");
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(main.StartLogoMapping());
    // Each start stopped and disposed of the run before it.
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(main.findChildren<QThread *>("LogoThread").size(), 1);
    finishMapping(main);
    // One picture per logo file after the defaults, not one set per start.
    QSet<QString> files;
    for (const QString &line : QString::fromUtf8(world.bytes("LogoMapping.dat")).split("\r\n"))
        if (!line.isEmpty())
            files.insert(line.section('|', 2));
    EXPECT_EQ(main.ImageListLogos->Count(), 4 + files.size());
}

// A folder of nothing but broken logo files: the stop request is answered
// and the flags are left clear, so closing never waits for ever.
TEST(LogoMapping, BrokenLogoFilesDoNotHoldUpTheStop)
{
    TProgramWorld world;
    QDir().mkpath(world.path("LogoTypes"));
    for (const char *name : {"DasErste", "ZDF", "3sat", "Wetter", "ARD", "Nachrichten"}) {
        QFile file(world.path(QStringLiteral("LogoTypes/%1.tv.gif").arg(QLatin1String(name))));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("GIF89a\x34\x00\x27\x00\xf7\x00\x00", 13) + QByteArray(4000, '\xff'));
    }
    installLogoMapping(world.program);
    world.start();
    TFrmMain &main = world.main();
    main.StopLogoMapping();
    auto *thread = main.findChild<QThread *>("LogoThread");
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(thread->isFinished());
    EXPECT_FALSE(world.program.LogoMappingRunning);
    EXPECT_TRUE(main.CloseMain());
}

// Selects the row whose name column reads `name` and gives the command
// that row's context menu offers.
void commandOnRow(TFrmMain &main, TListGrid *grid, const char *nameColumn, const QString &name,
                  const char *command)
{
    const int nameCol = TFrmMain::ColumnByName(grid, QLatin1String(nameColumn));
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (grid->Cells(nameCol, row) == name)
            main.SelectSingleRow(grid, row);
    }
    ASSERT_GE(TFrmMain::FirstSelectedRow(grid), 0) << qPrintable(name);
    main.ActionByName(QLatin1String(command))->trigger();
}

// Every change of the lists stops a mapping under way. A rebuild cut short
// must start again over the changed lists, still a rebuild, so the mapping
// file is written and the logos shown all the same.
TEST(LogoMapping, ARebuildCutShortByAChangeOfTheListsRunsAgainToItsEnd)
{
    using namespace service_dialogs;
    struct Change {
        const char *name;
        void (*make)(TProgramWorld &world);
        bool servicesLeft;
    };
    const Change kChanges[] = {
        {"deleting a service",
         [](TProgramWorld &world) {
             commandOnRow(world.main(), world.main().ServicesGrid, "ColSerName", "ZDF",
                          "PopupItmSerDelete");
         },
         true},
        {"deleting a my-service",
         [](TProgramWorld &world) {
             TListGrid *grid = world.main().MyServicesGrid;
             commandOnRow(world.main(), grid, "ColMySerName",
                          grid->Cells(TFrmMain::ColumnByName(grid, "ColMySerName"), 0),
                          "PopupItmMySerDeleteSelected");
         },
         true},
        {"editing a service",
         [](TProgramWorld &world) {
             DialogPlayer player(*world.program.FormAs<QDialog>("FrmServiceProperties"));
             player.then(fillAndPress({{"EdtServiceName", "ZDF neu"}}));
             commandOnRow(world.main(), world.main().ServicesGrid, "ColSerName", "ZDF",
                          "PopupItmSerProperties");
             EXPECT_EQ(player.shows, 1);
         },
         true},
        {"optimising",
         [](TProgramWorld &world) {
             DialogPlayer player(*world.program.FormAs<QDialog>("FrmOptimize"));
             player.then([](QDialog &dialog) {
                 for (QCheckBox *box : dialog.findChildren<QCheckBox *>())
                     box->setChecked(box->objectName() == "CbxRemoveDataServices");
                 click(dialog, "BtnOptimize");
             });
             world.main().findChild<QToolButton *>("ToolBtnOptimize")->click();
             EXPECT_EQ(player.shows, 1);
         },
         true},
        {"going back",
         [](TProgramWorld &world) {
             world.prompts.answers = {TPrompts::mbYes};
             world.main().PopupItmToolGoBack->trigger();
         },
         true},
        {"resetting",
         [](TProgramWorld &world) {
             world.prompts.answers = {TPrompts::mbYes};
             world.main().PopupItmToolReset->trigger();
         },
         false},
    };
    for (const Change &change : kChanges) {
        SCOPED_TRACE(change.name);
        TProgramWorld world;
        copyLogos(world);
        // A mapping that knows none of the services: only a rebuild maps them.
        QFile stale(world.path("LogoMapping.dat"));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("Stale|4|Gone.tv.gif\r\n");
        stale.close();
        installLogoMapping(world.program);
        world.watchLogoRuns();
        world.start();
        TFrmMain &main = world.main();
        finishMapping(main);
        SaveHandler().SetModified();
        main.PopupItmToolSave->trigger(); // a state to go back to
        world.holdLogoRuns = true;
        ASSERT_TRUE(main.RestartLogoMapping(true)); // as an import or the logo manager asks
        world.holdLogoRuns = false;

        change.make(world);
        finishMapping(main);
        EXPECT_EQ(world.logoRuns, QList<bool>({false, true, true}));
        EXPECT_FALSE(world.program.LogoMappingRunning);
        EXPECT_TRUE(main.ImgLogoMappingInactive->isVisibleTo(&main));
        const QByteArray mapping = world.bytes("LogoMapping.dat");
        EXPECT_FALSE(mapping.contains("Stale|")) << mapping.toStdString();
        if (!change.servicesLeft)
            continue;
        EXPECT_TRUE(mapping.contains("Das Erste|")) << mapping.toStdString();
        const TService *erste = serviceNamed(*world.program.ServiceList, "Das Erste");
        ASSERT_NE(erste, nullptr);
        EXPECT_GE(erste->LogoIndex, 4);
        EXPECT_EQ(shownLogo(main.ServicesGrid, "ColSerName", "ColSerLogo", "Das Erste"),
                  erste->LogoIndex);
    }
}

// Results reach only services that are still there as they were: a service
// renamed after the copy was taken keeps its default picture.
TEST(LogoMapping, ResultsSkipServicesChangedMeanwhile)
{
    TProgramWorld world;
    copyLogos(world);
    world.start();
    TFrmMain &main = world.main();
    TService *zdf = serviceNamed(*world.program.ServiceList, "ZDF");
    ASSERT_NE(zdf, nullptr);

    world.program.LogoMappingRunning = true;
    world.program.LogoMappingStopped = false;
    TLogoJob job;
    job.rebuild = true;
    job.logoFolder = world.path("LogoTypes");
    job.mappingFile = world.path("LogoMapping.dat");
    job.logoWidth = 52;
    job.logoHeight = 39;
    TLogoThread thread(world.program, main.ImageListLogos, main.ImageListDefaultLogos, job, {});
    SaveHandler().SetModified();
    zdf->Name = "ZDF neu";
    thread.start();
    thread.wait();
    QCoreApplication::processEvents();
    EXPECT_FALSE(world.program.LogoMappingRunning);
    EXPECT_EQ(zdf->LogoIndex, 1);
    EXPECT_GE(serviceNamed(*world.program.ServiceList, "Das Erste")->LogoIndex, 4);
    EXPECT_TRUE(world.bytes("LogoMapping.dat").contains("ZDF|"));
}

} // namespace
