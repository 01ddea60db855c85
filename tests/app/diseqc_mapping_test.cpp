#include "import_export_world.h"

#include "core/model/satelite.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "exchange/diseqc_mapping_dialog.h"
#include "exchange/import_export_dialog.h"
#include "form_test_support.h"
#include "qt_print.h"
#include "ui/grid/list_grid.h"

#include <gtest/gtest.h>

namespace {

struct MappingWorld : TExchangeWorld {
    MappingWorld()
    {
        mapping = form<TFrmDiSEqCMapping>("FrmDiSEqCMapping");
        mapping->SetProgram(&program);
        exporter = form<TFrmImportExport>("FrmImportExport");
        exporter->SetProgram(&program);
        for (const char *name : {"BtnLocal", "CbxServices", "CbxMapping"})
            control("FrmImportExport", name)->setChecked(true);
        control("FrmImportExport", "CbxMyServices")->setChecked(false);
        control("FrmImportExport", "CbxBouquets")->setChecked(false);
    }

    void writeMapping(const QByteArray &bytes)
    {
        QFile file(path("DiSEqCMapping.dat"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    TFrmDiSEqCMapping *mapping = nullptr;
    TFrmImportExport *exporter = nullptr;
};

TEST(DiSEqCMapping, CancelLeavesTheFileAndStopsTheExport)
{
    MappingWorld world;
    const QByteArray before = "Astra 19.2E|7\r\nGone Sat|4\r\n";
    world.writeMapping(before);
    world.program.LastImportDir = world.path("out");
    QDir().mkpath(world.path("out"));
    world.prompts.files = {world.path("out/Services.xml")};
    const QString astraBefore = world.program.ServiceList->GetItem(0)->Diseqc;

    clickWhenModal("FrmDiSEqCMapping", "BtnCancel");
    QString error;
    EXPECT_FALSE(world.exporter->Export(error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(world.bytes("DiSEqCMapping.dat"), before);
    EXPECT_EQ(world.program.ServiceList->GetItem(0)->Diseqc, astraBefore);
    EXPECT_FALSE(QFile::exists(world.path("out/Services.xml")));
    EXPECT_TRUE(world.prompts.asked.isEmpty());
}

TEST(DiSEqCMapping, OkStoresTheRowsAndTheExportUsesThem)
{
    MappingWorld world;
    // A satellite named "*" must neither take nor overwrite Astra's line.
    TServiceList &services = *world.program.ServiceList;
    services.GetItem(3)->Name = QStringLiteral("*");
    world.writeMapping("Astra 19.2E|7\r\nGone Sat|4\r\n");

    QStringList shown;
    whenModal("FrmDiSEqCMapping", [&shown](QWidget *modal) {
        auto *dialog = static_cast<TFrmDiSEqCMapping *>(modal);
        TListGrid *grid = dialog->MappingGrid();
        shown = columnTexts(*grid, "ColDiSEqC");
        saveShot(*modal, QStringLiteral("diseqc_mapping.png"));
        grid->SetCells(1, 1, QStringLiteral("5")); // Hot Bird
        modal->findChild<QAbstractButton *>("BtnOk")->click();
    });
    world.program.LastImportDir = world.path("out");
    QDir().mkpath(world.path("out"));
    world.prompts.files = {world.path("out/Services.xml")};
    QString error;
    ASSERT_TRUE(world.exporter->Export(error)) << error.toStdString();

    // Astra from the file, the others their own values, "*" its own too.
    EXPECT_EQ(shown, QStringList({"7", "1", "2", "3"}));
    EXPECT_EQ(world.bytes("DiSEqCMapping.dat"),
              "Astra 19.2E|7\r\nGone Sat|4\r\nHot Bird 13.0E|5\r\nAstra 28.2E|2\r\n*|3\r\n");
    EXPECT_EQ(services.GetItem(0)->Diseqc, "7");
    EXPECT_EQ(services.GetItem(1)->Diseqc, "5");
    EXPECT_EQ(services.GetItem(3)->Diseqc, "3");
    EXPECT_TRUE(world.bytes("out/Services.xml").contains("diseqc=\"5\""));
}

// The mapping goes into the lists only with an export that goes ahead:
// "Are you sure?" answered with Cancel, or a local export whose file dialog
// is cancelled, leaves every satellite's value and the saved state as they
// were, so a save afterwards writes the lists as they were.
TEST(DiSEqCMapping, AnExportGivenUpLeavesTheListsAsTheyWere)
{
    for (const char *target : {"BtnBox", "BtnLocal"}) {
        SCOPED_TRACE(target);
        MappingWorld world;
        world.control("FrmImportExport", target)->setChecked(true);
        world.control("FrmImportExport", "CbxMyServices")->setChecked(true);
        SaveHandler().SetModified();
        world.main().PopupItmToolSave->trigger();
        const QByteArray services = world.bytes("Services.xml");
        const QByteArray myServices = world.bytes("MyServices.xml");
        ASSERT_TRUE(services.contains("<sat name=\"Hot Bird 13.0E\" diseqc=\"1\""));
        ASSERT_TRUE(SaveHandler().Saved());

        whenModal("FrmDiSEqCMapping", [](QWidget *modal) {
            static_cast<TFrmDiSEqCMapping *>(modal)->MappingGrid()->SetCells(1, 1, QStringLiteral("9"));
            modal->findChild<QAbstractButton *>("BtnOk")->click();
        });
        world.prompts.answers = {TPrompts::mbCancel};
        QString error;
        EXPECT_FALSE(world.exporter->Export(error));
        EXPECT_TRUE(error.isEmpty()) << qPrintable(error);
        EXPECT_EQ(world.program.ServiceList->GetItem(1)->Diseqc, "1");
        EXPECT_TRUE(SaveHandler().Saved());
        SaveHandler().SetModified();
        world.main().PopupItmToolSave->trigger();
        EXPECT_EQ(world.bytes("Services.xml"), services);
        EXPECT_EQ(world.bytes("MyServices.xml"), myServices);
    }

    // An export given up after the services file was written keeps the
    // mapping that file holds.
    MappingWorld world;
    world.control("FrmImportExport", "BtnLocal")->setChecked(true);
    world.control("FrmImportExport", "CbxMyServices")->setChecked(true);
    world.program.LastImportDir = world.path("out");
    QDir().mkpath(world.path("out"));
    world.prompts.files = {world.path("out/Services.xml")};
    whenModal("FrmDiSEqCMapping", [](QWidget *modal) {
        static_cast<TFrmDiSEqCMapping *>(modal)->MappingGrid()->SetCells(1, 1, QStringLiteral("9"));
        modal->findChild<QAbstractButton *>("BtnOk")->click();
    });
    QString error;
    EXPECT_FALSE(world.exporter->Export(error));
    EXPECT_TRUE(world.bytes("out/Services.xml").contains("<sat name=\"Hot Bird 13.0E\" diseqc=\"9\""));
    EXPECT_EQ(world.program.ServiceList->GetItem(1)->Diseqc, "9");
}

// A value the receiver cannot read (it keeps a table of 64 LNBs, and reads
// whole numbers only) keeps the window open with its row chosen, and says
// why; corrected, OK goes on with the export.
TEST(DiSEqCMapping, ValuesTheReceiverCannotReadAreRefusedWithTheWindowKept)
{
    for (const char *value : {"64", "-1", "255", "1.5"}) {
        SCOPED_TRACE(value);
        MappingWorld world;
        bool keptOpen = false;
        int chosenRow = -1;
        whenModal("FrmDiSEqCMapping", [&](QWidget *modal) {
            TListGrid *grid = static_cast<TFrmDiSEqCMapping *>(modal)->MappingGrid();
            grid->SetCells(1, 1, QLatin1String(value));
            modal->findChild<QAbstractButton *>("BtnOk")->click();
            keptOpen = modal->isVisible();
            chosenRow = grid->SelectedRow();
            grid->SetCells(1, 1, QStringLiteral("63"));
            modal->findChild<QAbstractButton *>("BtnOk")->click();
        });
        world.program.LastImportDir = world.path("out");
        QDir().mkpath(world.path("out"));
        world.prompts.files = {world.path("out/Services.xml")};
        QString error;
        EXPECT_TRUE(world.exporter->Export(error)) << qPrintable(error);
        EXPECT_TRUE(keptOpen);
        EXPECT_EQ(chosenRow, 1);
        ASSERT_FALSE(world.prompts.asked.isEmpty());
        EXPECT_EQ(world.prompts.asked[0].kind, TPrompts::TMsgKind::Warning);
        EXPECT_EQ(world.prompts.asked[0].text,
                  "Hot Bird 13.0E: the receiver reads DiSEqC values from 0 to 63 only, written "
                  "without leading zeros.");
        EXPECT_EQ(world.program.ServiceList->GetItem(1)->Diseqc, "63");
        EXPECT_TRUE(world.bytes("out/Services.xml").contains("<sat name=\"Hot Bird 13.0E\" diseqc=\"63\""));
    }
}

TEST(DiSEqCMapping, ApplyKeepsSatellitesWithoutARow)
{
    MappingWorld world;
    clickWhenModal("FrmDiSEqCMapping", "BtnOk");
    ASSERT_TRUE(world.mapping->Execute());
    TServiceList other;
    TSatelite known;
    known.Name = QStringLiteral("Astra 19.2E");
    known.Diseqc = QStringLiteral("9");
    TSatelite unknown;
    unknown.Name = QStringLiteral("Astra 19.2*");
    unknown.Diseqc = QStringLiteral("6");
    other.AddSatelite(known);
    other.AddSatelite(unknown);
    EXPECT_FALSE(world.mapping->ApplyMapping(other));
    EXPECT_EQ(other.GetItem(0)->Diseqc, world.program.ServiceList->GetItem(0)->Diseqc);
    EXPECT_EQ(other.GetItem(1)->Diseqc, "6");
}

} // namespace
