// Lists from the web: the ready-made list with its update check, and
// services from KingOfSat pages, mapped and transferred into a bouquet.

#include "e2e_ui.h"

#include "exchange/kingofsat_mapping_dialog.h"

#include <QCheckBox>
#include <QFile>

#include <gtest/gtest.h>

namespace {

void publishReadyMadeList(TE2EWorld &world, const QByteArray &update)
{
    writeBytes(world.webPath("db/pelloran/update.txt"), update);
    for (const char *name : {"Services.xml", "Bouquets.xml"})
        writeBytes(world.webPath(QStringLiteral("db/pelloran/") + QString::fromLatin1(name).toLower()),
                   readBytes(QStringLiteral(PELLORAN_DEMO_DIR "/cable/") + QLatin1String(name)));
}

void importReadyMade(TStep &step)
{
    whenModal("FrmImportExport", [](QWidget *dialog) {
        child(dialog, "BtnOrvik")->click();
        for (const char *name : {"CbxServices", "CbxBouquets"}) {
            if (!child(dialog, name)->isChecked())
                child(dialog, name)->click();
        }
        if (child(dialog, "CbxImportNews")->isChecked())
            child(dialog, "CbxImportNews")->click();
        child(dialog, "BtnImport")->click();
    });
    clickToolButton(step, "ToolBtnImportExport");
}

// Downloads Nordstar 2B; `choice` > 0 maps it onto that satellite of the
// services list (its place in the mapping's drop-down).
void downloadNordstar(TStep &step, bool delta, int choice)
{
    whenModal("FrmKingOfSat", [&step, delta, choice](QWidget *dialog) {
        child(dialog, "BtnRefreshList")->click();
        auto *grid = dialog->findChild<TListGrid *>(QStringLiteral("SatGrid"));
        step.check(grid && grid->RowCount() > 0, "the satellites of the index page are listed");
        child(dialog, "BtnSelectNone")->click();
        for (int row = 0; grid && row < grid->RowCount(); ++row)
            grid->Cell(0, row)->SetAsBoolean(grid->Cells(1, row) == "Nordstar 2B");
        if (child(dialog, "CbxDeltaUpdate")->isChecked() != delta)
            child(dialog, "CbxDeltaUpdate")->click();
        whenModal("FrmKingOfSatMapping", [choice](QWidget *window) {
            auto *mapping = qobject_cast<TFrmKingOfSatMapping *>(window);
            if (mapping && choice > 0) {
                mapping->MappingGrid()->SelectCell(1, 0);
                mapping->ColSatMappingSelect(choice);
            }
            // Each new satellite is mapped before the list is shown.
            child(window, "BtnOk")->click();
        });
        child(dialog, "BtnDownload")->click();
    });
    step.main().ToolBtnKofDownloadClick();
}

} // namespace

E2E_STEP(ready_made)
{
    TProgram &program = step.program;
    step.check(program.OnlineSettingsListVersion == "07.03.2024",
               "start-up found the list's version: " + program.OnlineSettingsListVersion);
    importReadyMade(step);
    step.check(step.prompts.texts() == QStringList({"Import successful."}),
               "the import succeeds: " + step.prompts.texts().join(" | "));
    step.check(program.ServiceList->Count() == 1 && program.ServiceList->GetItem(0)->Name == "Kabelnetz Musterstadt",
               "the list's services came");
    step.check(program.LastOrvikSettingsVersion == "07.03.2024", "the version is remembered");
    step.report("state-first.txt", describeLists(program));
    step.prompts.asked.clear();
    step.prompts.answers = {TPrompts::mbYes};
}

// The same version again: the user is asked and declines.
E2E_STEP(ready_made_again)
{
    const QString before = describeLists(step.program);
    step.prompts.answers = {TPrompts::mbAbort};
    importReadyMade(step);
    step.check(!step.prompts.texts().isEmpty() && step.prompts.texts().first().startsWith("Your Orvik Settings are up-to-date!"),
               "the user is asked: " + step.prompts.texts().join(" | "));
    step.check(describeLists(step.program) == before, "the lists stay");
    step.prompts.asked.clear();
}

TEST(WebSources, ReadyMadeListWithItsUpdateCheck)
{
    TE2EWorld world;
    publishReadyMadeList(world, "07032024\r\nNew channels\r\n");
    world.startWeb();
    ASSERT_NE(world.http->port(), 0);
    const QString url = QStringLiteral("readyMadeListUrl=http://127.0.0.1:%1").arg(world.http->port());
    world.writeSettings({{"Misc", {"noOrvikCheck=0"}}, {"WebSources", {url}}});

    const TRunResult first = world.run("ready_made");
    ASSERT_TRUE(first.ok()) << first.output.toStdString();
    EXPECT_EQ(world.webLog(), QStringList({"/db/pelloran/update.txt", "/db/pelloran/update.txt",
                                           "/db/pelloran/services.xml", "/db/pelloran/bouquets.xml"}));
    EXPECT_TRUE(world.bytes("Services.xml").contains("Kabelnetz Musterstadt"));
    EXPECT_TRUE(world.bytes("pelloran.ini").contains("lastOrvikSettingsVersion=07.03.2024"));

    const TRunResult again = world.run("ready_made_again");
    ASSERT_TRUE(again.ok()) << again.output.toStdString();
    EXPECT_EQ(world.webLog().size(), 6) << world.webLog().join('\n').toStdString();
    EXPECT_FALSE(world.webLog().mid(4).contains("/db/pelloran/services.xml"));
}

E2E_STEP(kingofsat)
{
    TProgram &program = step.program;
    TFrmMain &main = step.main();
    downloadNordstar(step, false, 0);
    step.check(program.KingOfSatList->Count() == 1, "one satellite came from KingOfSat");
    step.check(main.KingOfSatGrid->RowCount() > 0, "the KingOfSat grid shows its services");

    // Every KingOfSat service into the services and a new bouquet.
    const int bouquets = program.BouquetList->Count();
    trigger(step, "PopupItmSelectAll");
    whenModal("FrmKingOfSatTransfer", [](QWidget *dialog) {
        auto *bouquet = child<QComboBox>(dialog, "ComboBouquet");
        bouquet->lineEdit()->clear();
        QTest::keyClicks(bouquet->lineEdit(), QStringLiteral("From KingOfSat"));
        if (!child(dialog, "CbxBouquet")->isChecked())
            child(dialog, "CbxBouquet")->click();
        child(dialog, "BtnOk")->click();
    });
    main.ToolBtnKofServiceAddClick();
    const int index = program.BouquetList->IndexOf(QStringLiteral("From KingOfSat"));
    step.check(program.BouquetList->Count() == bouquets + 1 && index >= 0, "the new bouquet is there");
    if (index >= 0) {
        const TBouquet *bouquet = program.BouquetList->GetItem(index);
        step.check(bouquet->Count() > 0, "the bouquet holds the transferred services");
        for (int e = 0; e < bouquet->Count(); ++e)
            step.check(bouquet->GetItem(e)->Service() != nullptr, "each entry is linked: " + bouquet->GetItem(e)->Name);
    }
    step.report("state-first.txt", describeLists(program));
    step.prompts.answers = {TPrompts::mbYes};
}

namespace {

// The KingOfSat pages on loopback and the demo lists in the program folder.
void serveKingOfSat(TE2EWorld &world)
{
    world.http = std::make_unique<ScriptServer>(
        QStringLiteral("http_server.py"),
        QStringList{"--root", QStringLiteral(PELLORAN_FIXTURES_DIR "/kingofsat"), "--log", world.logs.filePath("web.log")});
    ASSERT_NE(world.http->port(), 0);
    world.writeSettings({{"WebSources", {QStringLiteral("kingOfSatUrl=http://127.0.0.1:%1").arg(world.http->port())}}});
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/") + QLatin1String(name), world.path(QLatin1String(name)));
}

} // namespace

TEST(WebSources, KingOfSatImportMappingAndTransfer)
{
    TE2EWorld world;
    serveKingOfSat(world);
    if (HasFatalFailure())
        return;

    const TRunResult run = world.run("kingofsat");
    ASSERT_TRUE(run.ok()) << run.output.toStdString();
    EXPECT_TRUE(world.webLog().contains("/en/lists.php")) << world.webLog().join('\n').toStdString();
    EXPECT_TRUE(world.bytes("KingOfSat.xml").contains("Nordstar 2B"));
    EXPECT_TRUE(world.bytes("SatelliteMapping.dat").startsWith("Nordstar 2B"));
    EXPECT_TRUE(world.bytes("Bouquets.xml").contains("From KingOfSat"));

    const TRunResult restart = world.run("restart");
    ASSERT_TRUE(restart.ok()) << restart.output.toStdString();
    EXPECT_EQ(world.bytes("state-restart.txt"), world.bytes("state-first.txt"));
}

// A satellite mapped onto one of the user's own with its DiSEqC value, then
// downloaded again with delta update: one satellite, mapped as before.
E2E_STEP(kingofsat_delta)
{
    TProgram &program = step.program;
    int choice = 0;
    for (int i = 0; i < program.ServiceList->Count(); ++i) {
        if (program.ServiceList->GetItem(i)->Name == "Astra 28.2E")
            choice = i + 1;
    }
    step.check(choice > 0, "the services list has Astra 28.2E");
    downloadNordstar(step, false, choice);
    downloadNordstar(step, true, 0);
    const TServiceList &kingOfSat = *program.KingOfSatList;
    step.check(kingOfSat.Count() == 1 && kingOfSat.GetItem(0)->Name == "Astra 28.2E"
                   && kingOfSat.GetItem(0)->Diseqc == "2",
               "one satellite, mapped as before: " + describeLists(program).section("kingofsat", 1));
    step.report("state-first.txt", describeLists(program));
    step.prompts.answers = {TPrompts::mbYes};
}

TEST(WebSources, KingOfSatDeltaUpdateAfterAMappingKeepsOneSatelliteOverARestart)
{
    TE2EWorld world;
    serveKingOfSat(world);
    if (HasFatalFailure())
        return;

    const TRunResult run = world.run("kingofsat_delta");
    ASSERT_TRUE(run.ok()) << run.output.toStdString();
    const QByteArray saved = world.bytes("KingOfSat.xml");
    EXPECT_EQ(saved.count("<sat "), 1) << saved.toStdString();
    EXPECT_TRUE(saved.contains("<sat name=\"Astra 28.2E\" diseqc=\"2\">")) << saved.toStdString();
    EXPECT_EQ(world.bytes("SatelliteMapping.dat"), "Nordstar 2B (19.2\xc2\xb0" "E)|Astra 28.2E|2\r\n");

    const TRunResult restart = world.run("restart");
    ASSERT_TRUE(restart.ok()) << restart.output.toStdString();
    EXPECT_EQ(world.bytes("state-restart.txt"), world.bytes("state-first.txt"));
}
