#include "main_window_support.h"

#include "app/main/status_panels.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "ui/grid/list_grid.h"

#include <QFile>
#include <QLineEdit>
#include <QSplitter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A receiver's list of `count` services with names that repeat no pattern
// the filters could lean on: umlauts, "&", Cyrillic.
void writeLargeServices(const QString &fileName, int count)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n";
    const char *stems[] = {"Service ", "Sender S\xC3\xBC" "d ", "\xD0\x9A\xD0\xB0\xD0\xBD\xD0\xB0\xD0\xBB ",
                           "Klassik &amp; Jazz "};
    int n = 0;
    for (int sat = 0; n < count; ++sat) {
        xml += "\t<sat name=\"Satellite " + QByteArray::number(sat) + "\" diseqc=\"0\">\n";
        for (int tp = 0; tp < 50 && n < count; ++tp) {
            xml += "\t\t<transponder id=\"" + QByteArray::number(tp + 1, 16).rightJustified(4, '0')
                + "\" onid=\"0001\" frequency=\"" + QByteArray::number(10700000 + tp * 1000)
                + "\" inversion=\"2\" symbol_rate=\"27500000\" fec_inner=\"3\" polarization=\"0\">\n";
            for (int s = 0; s < 40 && n < count; ++s, ++n) {
                xml += "\t\t\t<channel service_id=\"" + QByteArray::number(n % 0xFFFF + 1, 16).rightJustified(4, '0')
                    + "\" name=\"" + stems[n % 4] + QByteArray::number(n) + "\" service_type=\""
                    + (n % 7 == 0 ? "02" : "01") + "\" />\n";
            }
            xml += "\t\t</transponder>\n";
        }
        xml += "\t</sat>\n";
    }
    xml += "</zapit>\n";
    QFile file(fileName);
    file.open(QIODevice::WriteOnly);
    file.write(xml);
}

// One bouquet holding `count` entries of that list.
void writeLargeBouquet(const QString &fileName, int count)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n"
                     "\t<Bouquet name=\"Alle\" hidden=\"0\" locked=\"0\">\n";
    for (int n = 0; n < count; ++n) {
        xml += "\t\t<channel serviceID=\"" + QByteArray::number(n % 0xFFFF + 1, 16).rightJustified(4, '0')
            + "\" name=\"Service " + QByteArray::number(n) + "\" tsid=\""
            + QByteArray::number((n / 40) % 50 + 1, 16).rightJustified(4, '0')
            + "\" onid=\"0001\" sat_position=\"192\" />\n";
    }
    xml += "\t</Bouquet>\n</zapit>\n";
    QFile file(fileName);
    file.open(QIODevice::WriteOnly);
    file.write(xml);
}

} // namespace

// A list as large as a receiver's: the window shows every row but makes the
// cells of only the rows it draws or reads.
TEST(MainWindowLargeLists, AHundredThousandServicesStayCheapToShowAndFilter)
{
    TProgramWorld world(TProgramWorld::NoLists);
    writeLargeServices(world.path("Services.xml"), 100000);
    world.start();
    TFrmMain &main = world.main();
    TListGrid *grid = main.ServicesGrid;
    ASSERT_EQ(grid->RowCount(), 100000);
    (void)grid->viewport()->grab();
    EXPECT_LT(grid->Store().Pool().LiveCount(), std::size_t(21 * 200));
    EXPECT_EQ(main.InfoBarServices->PanelText(0),
              "100000 Service(s) displayed / 100000 Service(s) total");

    main.EdtFilterServices->setText("*7777*");
    QTest::keyClick(main.EdtFilterServices, Qt::Key_Return);
    QStringList expected;
    world.program.ServiceList->forEachService([&](TService *s, TTransponder *, TSatelite *) {
        if (s->Name.contains("7777"))
            expected.append(s->Name);
    });
    EXPECT_EQ(columnTexts(*grid, "ColSerName"), expected);

    // The last row, far below the view, reads like any other.
    main.EdtFilterServices->setText("*");
    QTest::keyClick(main.EdtFilterServices, Qt::Key_Return);
    const int sid = TFrmMain::ColumnByName(grid, "ColSerSIDHEX");
    EXPECT_EQ(grid->Cells(TFrmMain::ColumnByName(grid, "ColSerName"), 99999), "Klassik & Jazz 99999");
    EXPECT_EQ(grid->Cells(sid, 99999), QString::number(99999 % 0xFFFF + 1, 16).rightJustified(4, '0'));
}

// The logo thread hands each service's new logo to the grids.
TEST(MainWindowLogoCells, EachGridShowsTheNewLogoWhereTheDesignSaysSo)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();

    // Services grid: the service's row takes the new index.
    TListGrid *services = main.ServicesGrid;
    const int serLogo = TFrmMain::ColumnByName(services, "ColSerLogo");
    auto *service = static_cast<TService *>(
        services->Cell(TFrmMain::ColumnByName(services, "ColSerSTypeIcon"), 3)->ObjectReference());
    ASSERT_NE(service, nullptr);
    service->LogoIndex = 2;
    main.LogoCellCallback(service, services, false);
    EXPECT_EQ(services->Cell(serLogo, 3)->AsInteger(), 2);

    // My services: an entry that lost its service shows no logo.
    TListGrid *my = main.MyServicesGrid;
    const int myLogo = TFrmMain::ColumnByName(my, "ColMySerLogo");
    const int myType = TFrmMain::ColumnByName(my, "ColMySerSTypeIcon");
    bool sawObsolete = false;
    for (int row = 0; row < my->RowCount(); ++row) {
        auto *entry = static_cast<TService *>(my->Cell(myType, row)->ObjectReference());
        entry->LogoIndex = 3;
        main.LogoCellCallback(entry, my, false);
        EXPECT_EQ(my->Cell(myLogo, row)->AsInteger(), entry->Obsolete ? 0 : 3);
        sawObsolete = sawObsolete || entry->Obsolete;
    }
    EXPECT_TRUE(sawObsolete);

    // Bouquet grid: the first row of the service takes it; entries without a
    // service on the way show none.
    TListGrid *bouquet = main.BouquetGrid;
    const int bouLogo = TFrmMain::ColumnByName(bouquet, "ColBouLogo");
    const int bouType = TFrmMain::ColumnByName(bouquet, "ColBouSTypeIcon");
    int lastRow = -1;
    TService *lastService = nullptr;
    for (int row = 0; row < bouquet->RowCount(); ++row) {
        auto *entry = static_cast<TBouquetService *>(bouquet->Cell(bouType, row)->ObjectReference());
        bouquet->Cell(bouLogo, row)->SetAsInteger(1);
        if (entry->Service()) {
            lastRow = row;
            lastService = entry->Service();
        }
    }
    ASSERT_NE(lastService, nullptr);
    lastService->LogoIndex = 2;
    main.LogoCellCallback(lastService, bouquet, true);
    EXPECT_EQ(bouquet->Cell(bouLogo, lastRow)->AsInteger(), lastService->Obsolete ? 0 : 2);
    for (int row = 0; row < lastRow; ++row) {
        auto *entry = static_cast<TBouquetService *>(bouquet->Cell(bouType, row)->ObjectReference());
        EXPECT_EQ(bouquet->Cell(bouLogo, row)->AsInteger(), entry->Service() ? 1 : 0) << row;
    }
}

// A window made small gives both sides a share of the loss, and what they
// show stays whole: the column captions, and the counts of a list of
// 100,000, which take a second line rather than losing their end.
TEST(MainWindowLargeLists, ASmallWindowSharesItsWidthAndKeepsEveryTextWhole)
{
    TProgramWorld world(TProgramWorld::NoLists);
    writeLargeServices(world.path("Services.xml"), 100000);
    writeLargeBouquet(world.path("Bouquets.xml"), 100000);
    world.start();
    TFrmMain &main = world.main();
    ASSERT_EQ(main.BouquetGrid->RowCount(), 100000);
    // The window and the bouquet side as they start on a screen larger than
    // the offscreen one.
    main.resize(1000, 670);
    QCoreApplication::processEvents();
    main.Splitter->setSizes({main.Splitter->width() - 500, 500});
    QCoreApplication::processEvents();
    const QList<int> wide = main.Splitter->sizes();

    main.resize(760, 520);
    QCoreApplication::processEvents();
    EXPECT_EQ(main.size(), QSize(760, 520));
    const QList<int> narrow = main.Splitter->sizes();
    ASSERT_EQ(narrow.size(), 2);
    for (int side : {0, 1}) {
        SCOPED_TRACE(side == 0 ? "services side" : "bouquet side");
        EXPECT_LT(narrow[side], wide[side]);
        EXPECT_GE(narrow[side] * 4, (narrow[0] + narrow[1]) * 3 * wide[side] / (wide[0] + wide[1]));
    }
    EXPECT_EQ(main.InfoBarBouquet->PanelText(0),
              "100000 Service(s) displayed / 100000 Service(s) total");
    expectWholeColumnCaptions(main, true);
    expectWholeBarTexts(main);
    EXPECT_TRUE(saveShot(main, "main_window_760x520_100000.png"));
}
