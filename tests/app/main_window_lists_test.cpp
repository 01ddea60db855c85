#include "grid_commands_support.h"
#include "main_window_support.h"
#include "service_dialogs_world.h"

#include "app/main/status_panels.h"
#include "exchange/import_export_dialog.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "ui/grid/list_grid.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSet>
#include <QSplitter>
#include <QTest>
#include <QTimer>

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

// A program started on the demo lists of `folder` ("" or "cable/").
std::unique_ptr<TProgramWorld> startedOnDemo(const QString &folder)
{
    auto world = std::make_unique<TProgramWorld>(TProgramWorld::NoLists);
    for (const QString name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        EXPECT_TRUE(QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/") + folder + name, world->path(name)))
            << qPrintable(name);
    world->start();
    return world;
}

QByteArray hex4(int value)
{
    return QByteArray::number(value, 16).rightJustified(4, '0');
}

// 50,000 services on 500 transponders; my-services entries of every action
// (a replace under another name and a remove for every 50th service, an add
// of a service the list lacks on every 5th transponder); bouquet entries for
// every 7th service, for every my-services entry and for ids nothing has.
std::unique_ptr<TProgramWorld> startedOnGeneratedLists()
{
    constexpr int kTransponders = 500;
    constexpr int kPerTransponder = 100;
    QByteArray services, myServices;
    QByteArray bouquet = "\t<Bouquet name=\"Alle\" hidden=\"0\" locked=\"0\">\n";
    const auto entry = [&](const QByteArray &sid, const QByteArray &tsid) {
        bouquet += "\t\t<channel serviceID=\"" + sid + "\" name=\"K\" tsid=\"" + tsid
            + "\" onid=\"0001\" sat_position=\"192\" />\n";
    };
    for (int t = 0; t < kTransponders; ++t) {
        const QByteArray tsid = hex4(t + 1);
        const QByteArray transponder = "\t\t<transponder id=\"" + tsid + "\" onid=\"0001\" frequency=\""
            + QByteArray::number(10700000 + t * 1000)
            + "\" inversion=\"2\" symbol_rate=\"27500000\" fec_inner=\"3\" polarization=\"0\">\n";
        services += transponder;
        myServices += transponder;
        for (int s = 0; s < kPerTransponder; ++s) {
            const int n = t * kPerTransponder + s;
            const QByteArray sid = hex4(n % 0xFFFF + 1);
            services += "\t\t\t<channel service_id=\"" + sid + "\" name=\"Kanal " + QByteArray::number(n)
                + "\" service_type=\"01\" />\n";
            if (n % 50 < 2) {
                myServices += "\t\t\t<channel service_id=\"" + sid + "\" action=\""
                    + (n % 50 == 0 ? "replace\" name=\"Ersatz " : "remove\" name=\"Kanal ")
                    + QByteArray::number(n) + "\" service_type=\"01\" />\n";
            }
            if (n % 7 == 0 || n % 50 < 2)
                entry(sid, tsid);
        }
        if (t % 5 == 0) {
            myServices += "\t\t\t<channel service_id=\"" + hex4(0xE000 + t)
                + "\" action=\"add\" name=\"Neu\" service_type=\"01\" />\n";
            entry(hex4(0xE000 + t), tsid);
            entry(hex4(0xF000 + t), tsid);
        }
        services += "\t\t</transponder>\n";
        myServices += "\t\t</transponder>\n";
    }
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n";
    const QByteArray sat = "\t<sat name=\"Astra 19.2E\" diseqc=\"0\">\n";
    auto world = std::make_unique<TProgramWorld>(TProgramWorld::NoLists);
    const std::pair<const char *, QByteArray> files[] = {
        {"Services.xml", head + sat + services + "\t</sat>\n</zapit>\n"},
        {"MyServices.xml", head + sat + myServices + "\t</sat>\n</zapit>\n"},
        {"Bouquets.xml", head + bouquet + "\t</Bouquet>\n</zapit>\n"},
    };
    for (const auto &[name, bytes] : files) {
        QFile file(world->path(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    world->start();
    return world;
}

void saveLists(TProgramWorld &world)
{
    SaveHandler().SetModified();
    world.main().PopupItmToolSave->trigger();
}

// The ids ("SID/TSID/ONID", upper case) of the channels of a services or
// my-services file, by line, read with patterns rather than the program's
// reader.
QMap<int, QString> channelIdsByLine(const QByteArray &xml)
{
    static const QRegularExpression transponder(QStringLiteral("<transponder id=\"(\\w+)\" onid=\"(\\w+)\""));
    static const QRegularExpression channel(QStringLiteral("<channel service_id=\"(\\w+)\""));
    QMap<int, QString> ids;
    QString tsid, onid;
    const QStringList lines = QString::fromUtf8(xml).split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        if (const auto m = transponder.match(lines[i]); m.hasMatch()) {
            tsid = m.captured(1);
            onid = m.captured(2);
        } else if (const auto c = channel.match(lines[i]); c.hasMatch()) {
            ids.insert(i, (c.captured(1) + u'/' + tsid + u'/' + onid).toUpper());
        }
    }
    return ids;
}

// The services file without the channels neither a bouquet entry nor a
// my-services entry names by its ids.
QByteArray withoutUnusedChannels(const QByteArray &services, const QByteArray &myServices,
                                 const QByteArray &bouquets, int &removed)
{
    static const QRegularExpression entry(
        QStringLiteral("serviceID=\"(\\w+)\".* tsid=\"(\\w+)\" onid=\"(\\w+)\""));
    QSet<QString> named;
    for (const QString &ids : channelIdsByLine(myServices))
        named.insert(ids);
    for (const QString &line : QString::fromUtf8(bouquets).split(u'\n')) {
        if (const auto m = entry.match(line); m.hasMatch())
            named.insert((m.captured(1) + u'/' + m.captured(2) + u'/' + m.captured(3)).toUpper());
    }
    const QMap<int, QString> channels = channelIdsByLine(services);
    QList<QByteArray> kept;
    removed = 0;
    const QList<QByteArray> lines = services.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        if (channels.contains(i) && !named.contains(channels[i]))
            ++removed;
        else
            kept.append(lines[i]);
    }
    return kept.join('\n');
}

} // namespace

// Optimize with only "Remove Unused Services" ticked takes the services
// nothing names and no other: a bouquet entry linked through a my-services
// entry still names the service of its ids, and so does every my-services
// entry. The saved bouquets and my-services are what they were, and the
// saved services lack exactly the unused channels.
TEST(MainWindowOptimize, RemovingUnusedServicesKeepsWhatBouquetsAndMyServicesName)
{
    const struct {
        const char *label;
        std::function<std::unique_ptr<TProgramWorld>()> start;
    } rows[] = {
        {"satellite demo", [] { return startedOnDemo(QString()); }},
        {"cable demo", [] { return startedOnDemo(QStringLiteral("cable/")); }},
        {"50,000 services", [] { return startedOnGeneratedLists(); }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        auto world = row.start();
        saveLists(*world);
        const QByteArray services = world->bytes("Services.xml");
        const QByteArray myServices = world->bytes("MyServices.xml");
        const QByteArray bouquets = world->bytes("Bouquets.xml");
        int removed = 0;
        const QByteArray expected = withoutUnusedChannels(services, myServices, bouquets, removed);

        QTimer::singleShot(0, [&] {
            QWidget *dialog = world->program.Form("FrmOptimize");
            ASSERT_TRUE(dialog && dialog->isVisible());
            for (QCheckBox *box : dialog->findChildren<QCheckBox *>())
                box->setChecked(box->objectName() == "CbxRemoveUnusedServices");
            QTest::mouseClick(dialog->findChild<QAbstractButton *>("BtnOptimize"), Qt::LeftButton);
        });
        world->prompts.asked.clear();
        world->main().ToolBtnOptimizeClick();
        ASSERT_EQ(world->prompts.asked.size(), 1);
        EXPECT_TRUE(world->prompts.asked[0].text.endsWith(
            QStringLiteral("Removed Unused Services: %1").arg(removed)))
            << qPrintable(world->prompts.asked[0].text);
        world->main().PopupItmToolSave->trigger();
        EXPECT_EQ(world->bytes("Services.xml"), expected);
        EXPECT_EQ(world->bytes("MyServices.xml"), myServices);
        EXPECT_EQ(world->bytes("Bouquets.xml"), bouquets);
    }
}

// Add As My, Replace or Anti Service on a service that has an entry changes
// that entry's action, whatever the entry's name: the receiver keys entries
// by the service's ids, and two entries of one service would leave it to
// chance which one it applies.
TEST(MainWindowMyServices, AddingAServiceChangesItsOneEntry)
{
    const struct {
        const char *label;
        const char *folder;
        const char *service;
        const char *command;
        const char *entryBefore;
        const char *entryAfter;
    } rows[] = {
        {"satellite replace", "", "3sat", "PopupItmSerAddReplaceService",
         "action=\"replace\" name=\"3sat Kultur\"", "action=\"replace\" name=\"3sat Kultur\""},
        {"satellite anti", "", "3sat", "PopupItmSerAddAntiService",
         "action=\"replace\" name=\"3sat Kultur\"", "action=\"remove\" name=\"3sat Kultur\""},
        {"cable replace", "cable/", "Stadtfernsehen Musterstadt", "PopupItmSerAddReplaceService",
         "action=\"replace\" name=\"Stadt-TV Musterstadt\"",
         "action=\"replace\" name=\"Stadt-TV Musterstadt\""},
        {"cable anti", "cable/", "Stadtfernsehen Musterstadt", "PopupItmSerAddAntiService",
         "action=\"replace\" name=\"Stadt-TV Musterstadt\"",
         "action=\"remove\" name=\"Stadt-TV Musterstadt\""},
        {"cable add", "cable/", "Stadtfernsehen Musterstadt", "PopupItmSerAddMyService",
         "action=\"replace\" name=\"Stadt-TV Musterstadt\"",
         "action=\"add\" name=\"Stadt-TV Musterstadt\""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        auto world = startedOnDemo(QLatin1String(row.folder));
        saveLists(*world);
        QByteArray expected = world->bytes("MyServices.xml");
        ASSERT_EQ(expected.count(row.entryBefore), 1);
        expected.replace(row.entryBefore, row.entryAfter);

        TFrmMain &main = world->main();
        const int service = rowNames(main.ServicesGrid).indexOf(QString::fromUtf8(row.service));
        ASSERT_GE(service, 0);
        QTest::mouseClick(main.ServicesGrid->viewport(), Qt::LeftButton, {},
                          nameCellCentre(main.ServicesGrid, service));
        trigger(main, row.command);
        main.PopupItmToolSave->trigger();
        EXPECT_EQ(world->bytes("MyServices.xml"), expected);
    }
}

// New Service from a chosen service with only the name changed keeps its
// ids, which the receiver would find twice on the transponder and keep once:
// the window refuses it, the user cancels, and the saved services are what
// they were.
TEST(MainWindowServices, NewServiceTakingAnotherServicesIdsIsRefused)
{
    auto world = startedOnDemo(QStringLiteral("cable/"));
    saveLists(*world);
    const QByteArray services = world->bytes("Services.xml");
    TFrmMain &main = world->main();
    const int zdf = rowNames(main.ServicesGrid).indexOf(QStringLiteral("ZDF"));
    ASSERT_GE(zdf, 0);
    QTest::mouseClick(main.ServicesGrid->viewport(), Qt::LeftButton, {}, nameCellCentre(main.ServicesGrid, zdf));
    service_dialogs::DialogPlayer player(*world->program.FormAs<QDialog>("FrmServiceProperties"));
    player.then(service_dialogs::fillAndPress({{"EdtServiceName", QStringLiteral("ZDF Kopie")}}))
        .then(service_dialogs::press("BtnCancel"));
    world->prompts.asked.clear();
    trigger(main, "PopupItmSerNew");
    EXPECT_EQ(player.shows, 2);
    EXPECT_EQ(world->prompts.texts(), QStringList{QStringLiteral("An identical service does already exist!")});
    saveLists(*world);
    EXPECT_EQ(world->bytes("Services.xml"), services);
}

// A working file the start could not read leaves its list empty, but that is
// no list the user emptied: the start says the file is kept, a save leaves
// it as it is, and an export asks before sending the empty list in its
// place (Cancel, the default, sends nothing).
TEST(MainWindowUnreadFiles, AreKeptBySavesAndNotExportedUnasked)
{
    const struct {
        const char *file;
        const char *box;
        std::function<QByteArray(QByteArray)> spoil;
    } rows[] = {
        // A my-services file whose satellites carry positions is of no
        // generation the program reads.
        {"MyServices.xml", "CbxMyServices",
         [](QByteArray xml) { return xml.replace("diseqc=\"0\">", "diseqc=\"0\" position=\"192\">"); }},
        {"Services.xml", "CbxServices", [](QByteArray xml) { return xml.left(xml.size() / 2); }},
        {"Bouquets.xml", "CbxBouquets", [](QByteArray xml) { return xml.left(xml.size() / 2); }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.file);
        TProgramWorld world(TProgramWorld::NoLists);
        for (const QString name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/") + name, world.path(name)));
        QFile file(world.path(row.file));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const QByteArray unread = row.spoil(file.readAll());
        file.resize(0);
        file.write(unread);
        file.close();
        world.start();
        const QStringList told = world.prompts.texts();
        ASSERT_EQ(told.size(), 1) << qPrintable(told.join(u'\n'));
        EXPECT_TRUE(told[0].contains(QLatin1String(row.file) + QStringLiteral(": ")));
        EXPECT_TRUE(told[0].endsWith("Their files are kept as they are until an import or a "
                                     "restore replaces these lists."))
            << qPrintable(told[0]);

        saveLists(world);
        EXPECT_EQ(world.bytes(row.file), unread);

        auto *exporter = world.program.FormAs<TFrmImportExport>("FrmImportExport");
        ASSERT_NE(exporter, nullptr);
        exporter->SetProgram(&world.program);
        for (const char *box : {"BtnLocal", "CbxServices", "CbxMyServices", "CbxBouquets", "CbxMapping"})
            exporter->findChild<QAbstractButton *>(box)->setChecked(
                QLatin1String(box) == "BtnLocal" || QLatin1String(box) == row.box);
        QDir().mkpath(world.path("out"));
        world.program.LastImportDir = world.path("out");
        const QString question = QStringLiteral(
            "%1 could not be read at the start, so its list is empty. Send the empty list in its place?")
                                     .arg(row.file);
        for (const int answer : {int(TPrompts::mbCancel), int(TPrompts::mbYes)}) {
            world.prompts.asked.clear();
            world.prompts.answers = {answer};
            world.prompts.files = {world.path(QStringLiteral("out/") + row.file)};
            QString error;
            const bool exported = exporter->Export(error);
            EXPECT_EQ(exported, answer == TPrompts::mbYes) << qPrintable(error);
            ASSERT_FALSE(world.prompts.asked.isEmpty());
            EXPECT_EQ(world.prompts.asked[0].text, question);
            EXPECT_EQ(world.prompts.asked[0].buttons,
                      TPrompts::mbYes | TPrompts::mbCancel | TPrompts::mbCancelDefault);
            EXPECT_EQ(QFile::exists(world.path(QStringLiteral("out/") + row.file)),
                      answer == TPrompts::mbYes);
        }
        saveLists(world);
        EXPECT_EQ(world.bytes(row.file), unread);
    }
}

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
