// Logo files in the program's logo folder reach the grids through the logo
// mapping, and the mapping file is written for the next run.

#include "e2e_ui.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

E2E_STEP(logos)
{
    TFrmMain &main = step.main();
    if (!main.LogoThreadStarter) {
        step.report("logos.txt", QStringLiteral("no logo mapping"));
        return;
    }
    // The mapping runs beside the window; the window answers meanwhile.
    while (step.program.LogoMappingRunning)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
    const int row = rowOf(main.ServicesGrid, "ColSerName", QStringLiteral("Das Erste"));
    const int logo = TFrmMain::ColumnByName(main.ServicesGrid, QStringLiteral("ColSerLogo"));
    step.check(row >= 0 && main.ServicesGrid->Cell(logo, row)->AsInteger() > 3,
               "Das Erste shows a logo of its own");
    const int other = rowOf(main.ServicesGrid, "ColSerName", QStringLiteral("ZDF"));
    step.check(other >= 0 && main.ServicesGrid->Cell(logo, other)->AsInteger() == 1,
               "ZDF, without a logo file, shows the TV picture");
    step.report("logos.txt", QStringLiteral("mapped"));
}

TEST(Logos, LogoFilesReachTheGridsAndTheMappingFile)
{
    const QString convert = QStandardPaths::findExecutable("convert");
    if (convert.isEmpty())
        GTEST_SKIP() << "ImageMagick is not installed: no logo file can be made";
    TE2EWorld world;
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/cable/") + QLatin1String(name), world.path(QLatin1String(name)));
    QDir().mkpath(world.path("LogoTypes"));
    ASSERT_EQ(QProcess::execute(convert, {"-size", "52x39", "xc:#c03020", world.path("LogoTypes/daserste.tv.gif")}), 0);

    const TRunResult run = world.run("logos");
    ASSERT_TRUE(run.ok()) << run.output.toStdString();
    if (world.bytes("logos.txt") == "no logo mapping")
        GTEST_SKIP() << "the logo mapping is not part of the program yet";
    EXPECT_TRUE(world.bytes("LogoMapping.dat").contains("Das Erste|4|daserste.tv.gif"))
        << world.bytes("LogoMapping.dat").toStdString();
}
