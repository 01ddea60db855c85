#include "main_window_support.h"

#include "app/main/logo_mapping.h"
#include "core/model/bouquet_service.h"
#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "form_test_support.h"
#include "logos/logo_thread.h"
#include "ui/grid/image_list.h"
#include "ui/grid/list_grid.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSet>

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
