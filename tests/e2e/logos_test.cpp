// Logos downloaded through the logo manager from the logo site, mapped onto
// the services and shown in the grids; the next run applies the mapping
// file.

#include "e2e_ui.h"

#include "form_test_support.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString kSite = QStringLiteral(PELLORAN_FIXTURES_DIR "/logos/site");

// The mapping runs beside the window, which answers meanwhile.
void waitForLogoMapping(TStep &step)
{
    while (step.program.LogoMappingRunning)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
}

int logoIndex(TListGrid *grid, const char *nameColumn, const char *logoColumn, const QString &name)
{
    const int row = rowOf(grid, nameColumn, name);
    return row < 0 ? -1 : grid->Cell(TFrmMain::ColumnByName(grid, QLatin1String(logoColumn)), row)->AsInteger();
}

void checkLogosShown(TStep &step)
{
    TFrmMain &main = step.main();
    step.check(logoIndex(main.ServicesGrid, "ColSerName", "ColSerLogo", "Das Erste") > 3,
               "Das Erste shows its logo in the services grid");
    step.check(logoIndex(main.BouquetGrid, "ColBouName", "ColBouLogo", "Das Erste") > 3,
               "Das Erste shows its logo in the bouquet grid");
    step.check(logoIndex(main.ServicesGrid, "ColSerName", "ColSerLogo", "Heimatkanal Nord") == 1,
               "a service without a logo shows the TV picture");
}

} // namespace

E2E_STEP(logo_download)
{
    waitForLogoMapping(step);
    whenModal("FrmLogoManager", [&step](QWidget *manager) {
        child(manager, "BtnDlPackageInfo")->click();
        auto *grid = manager->findChild<TListGrid *>(QStringLiteral("GridPackages"));
        bool found = false;
        for (int r = 0; grid && r < grid->RowCount(); ++r) {
            if (grid->Cells(1, r) == QString::fromUtf8("Astra 1 at 19.2\xc2\xb0" "E")) {
                grid->Cell(0, r)->SetAsBoolean(true);
                found = true;
            }
        }
        step.check(found, "the logo site lists Astra 1");
        child(manager, "BtnDlPackages")->click();
        step.check(child(manager, "CbxRefreshMapping")->isChecked(), "new logos ask for a new mapping");
        child(manager, "BtnOk")->click();
    });
    step.main().PopupItmLogoManagerClick();
    waitForLogoMapping(step);
    checkLogosShown(step);
    step.check(saveShot(step.main(), QStringLiteral("e2e_FrmMain_logos.png")), "a shot with logos");
}

E2E_STEP(logos_again)
{
    waitForLogoMapping(step);
    checkLogosShown(step);
}

TEST(Logos, DownloadedLogosAreMappedAndShown)
{
    TE2EWorld world;
    world.http = std::make_unique<ScriptServer>(
        QStringLiteral("http_server.py"), QStringList{"--root", kSite, "--log", world.logs.filePath("web.log")});
    ASSERT_NE(world.http->port(), 0);
    world.writeSettings({{"WebSources", {QStringLiteral("logoSiteUrl=http://127.0.0.1:%1").arg(world.http->port())}}});
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/") + QLatin1String(name), world.path(QLatin1String(name)));

    const TRunResult run = world.run("logo_download");
    ASSERT_TRUE(run.ok()) << run.output.toStdString();
    EXPECT_EQ(world.bytes("LogoTypes/DasErste.tv.gif"), readBytes(kSite + "/tvsat/logos/daserste.gif"));
    EXPECT_TRUE(world.bytes("LogoMapping.dat").contains("Das Erste|")) << world.bytes("LogoMapping.dat").toStdString();

    const QByteArray mapping = world.bytes("LogoMapping.dat");
    const TRunResult again = world.run("logos_again");
    ASSERT_TRUE(again.ok()) << again.output.toStdString();
    // Applying the mapping leaves its file as it was.
    EXPECT_EQ(world.bytes("LogoMapping.dat"), mapping);
}
