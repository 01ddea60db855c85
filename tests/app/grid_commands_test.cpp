#include "grid_commands_support.h"
#include "main_window_support.h"
#include "import_export_world.h"

#include "app/dialogs/drag_hint.h"
#include "app/main/status_panels.h"
#include "app/main/working_files.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "app/main/dialog_prompts.h"
#include "ui/grid/list_grid.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMap>
#include <QMessageBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>


TEST(GridCommands, EveryCommandHasItsButtonAndPopupItem)
{
    TProgramWorld world;
    for (const char *button : {"ToolBtnSerSelectAll", "ToolBtnSerBouquetAdd", "ToolBtnSerAddMyService",
                               "ToolBtnSerServiceDelete", "ToolBtnMySerDeleteSelected",
                               "ToolBtnKofSelectAll", "ToolBtnBouUp", "ToolBtnBouBouquetNew",
                               "ToolBtnBouListBouquetMerge", "ToolBtnBouListSort"}) {
        auto *found = world.main().findChild<QToolButton *>(button);
        ASSERT_NE(found, nullptr) << button;
        EXPECT_FALSE(found->icon().isNull()) << button;
    }
    for (const char *item : {"PopupItmSerSelectAll", "PopupItmMySerBouquetAdd", "PopupItmSelectAll",
                             "PopupItmBouDeleteSelected", "PopupItmBouListMoveDown",
                             "ActionBouRemoveObsoleteAll"})
        EXPECT_NE(world.main().ActionByName(item), nullptr) << item;
}

TEST(GridCommands, DeletingAServiceLeavesItsBouquetEntryObsolete)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    TBouquet *bouquet = main.CurrentBouquet();
    ASSERT_NE(bouquet, nullptr);
    TBouquetService *entry = bouquet->GetItem(0);
    ASSERT_NE(entry->Service(), nullptr);
    const QString name = entry->Name;
    // Select that service's row in the services grid, with a stale mark elsewhere.
    world.program.ServiceList->GetItem(0)->GetItem(0)->GetItem(1)->Marked = true;
    int row = -1;
    for (int r = 0; r < main.ServicesGrid->RowCount(); ++r) {
        if (nameAt(main.ServicesGrid, "ColSerName", r) == entry->Service()->Name)
            row = r;
    }
    ASSERT_GE(row, 0);
    const int before = main.ServicesGrid->RowCount();
    selectRows(main.ServicesGrid, {row});
    QTest::keyClick(main.ServicesGrid, Qt::Key_Delete);
    // Only the selected service goes: the stale mark was cleared first.
    EXPECT_EQ(main.ServicesGrid->RowCount(), before - 1);
    EXPECT_EQ(entry->Service(), nullptr);
    EXPECT_EQ(entry->GetTypeIconIndex(), 3);
    const int typeIcon = TFrmMain::ColumnByName(main.BouquetGrid, "ColBouSTypeIcon");
    EXPECT_EQ(main.BouquetGrid->Cell(typeIcon, 0)->AsInteger(), 3);
    EXPECT_EQ(main.BouquetGrid->Cell(TFrmMain::ColumnByName(main.BouquetGrid, "ColBouLogo"), 0)->AsInteger(), 0);
    EXPECT_EQ(nameAt(main.BouquetGrid, "ColBouName", 0), name);
    EXPECT_FALSE(SaveHandler().Saved());
}

TEST(GridCommands, AddingToMyServicesTwiceAddsOnce)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    const int before = main.MyServicesGrid->RowCount();
    selectRows(main.ServicesGrid, {0, 1});
    trigger(main, "PopupItmSerAddMyService");
    const int once = main.MyServicesGrid->RowCount();
    EXPECT_GT(once, before);
    selectRows(main.ServicesGrid, {0, 1});
    trigger(main, "PopupItmSerAddMyService");
    EXPECT_EQ(main.MyServicesGrid->RowCount(), once);
    // The services' action icons name their new entries.
    const int action = TFrmMain::ColumnByName(main.ServicesGrid, "ColSerActionIcon");
    EXPECT_EQ(main.ServicesGrid->Cell(action, 0)->AsInteger(), 1);
}

// A program started on working files taken from elsewhere, as a user starts
// it again on the lists a save left.
std::unique_ptr<TProgramWorld> startedOn(const QMap<QString, QString> &files)
{
    auto world = std::make_unique<TProgramWorld>(TProgramWorld::NoLists);
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        EXPECT_TRUE(QFile::copy(it.value(), world->path(it.key()))) << qPrintable(it.key());
    world->start();
    return world;
}

std::unique_ptr<TProgramWorld> startedOnTheListsOf(const TProgramWorld &saved)
{
    QMap<QString, QString> files;
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        files.insert(QLatin1String(name), saved.path(QLatin1String(name)));
    return startedOn(files);
}

// Every text of the my-services tree, the action icon each services row
// shows, and what each bouquet entry links to.
QStringList myServicesAndTheirLinks(const TProgramWorld &world)
{
    QStringList lines;
    world.program.MyServiceList->forEachService([&](TService *s, TTransponder *t, TSatelite *a) {
        lines << QStringList{a->Name, a->Diseqc, a->Position, t->Tsid, t->Onid, t->Frequency,
                             t->Inversion, t->SymbolRate, t->Fec, t->Polarization,
                             t->Modulation, s->Sid, s->Name, s->GetServiceType(), s->Action(),
                             s->Obsolete ? "obsolete" : "current"}
                     .join(u'|');
    });
    TListGrid *services = world.main().ServicesGrid;
    const int icon = TFrmMain::ColumnByName(services, "ColSerActionIcon");
    for (int row = 0; row < services->RowCount(); ++row)
        lines << nameAt(services, "ColSerName", row) + u'|'
                + QString::number(services->Cell(icon, row)->AsInteger());
    for (int b = 0; b < world.program.BouquetList->Count(); ++b) {
        const TBouquet *bouquet = world.program.BouquetList->GetItem(b);
        for (int e = 0; e < bouquet->Count(); ++e) {
            const TBouquetService *entry = bouquet->GetItem(e);
            const TService *linked = entry->Service();
            lines << bouquet->Name + u'|' + entry->Name + u'|'
                    + (linked ? linked->Name + u'|' + linked->Action() + u'|'
                                    + entry->Transponder()->Frequency
                              : QStringLiteral("unlinked"));
        }
    }
    return lines;
}

void addSelectedServiceAs(TProgramWorld &world, const QString &service, const char *command)
{
    TFrmMain &main = world.main();
    const int row = rowNames(main.ServicesGrid).indexOf(service);
    ASSERT_GE(row, 0) << qPrintable(service);
    QTest::mouseClick(main.ServicesGrid->viewport(), Qt::LeftButton, {},
                      nameCellCentre(main.ServicesGrid, row));
    trigger(main, command);
}

// Services of a satellite list added to the my-services of a cable network,
// or the other way round, are filed under their transponder as the
// my-services file holds it, without the polarization or modulation it
// leaves out. The tree the commands leave, with the entries' links from the
// services and the bouquets, is what a save and a start on the saved lists
// give, also when the second command comes after such a start: one entry of
// the service, under one transponder, with the action given last.
TEST(GridCommands, AddingToMyServicesOfTheOtherKindGivesTheTreeASaveAndLoadGive)
{
    const QString demo = QStringLiteral(PELLORAN_DEMO_DIR "/");
    const struct {
        const char *label;
        const char *services, *myServices, *bouquets;
        const char *service;
    } rows[] = {
        {"cable services, satellite my services", "cable/Services.xml", "MyServices.xml",
         "cable/Bouquets.xml", "Das Erste"},
        {"satellite services, cable my services", "Services.xml", "cable/MyServices.xml",
         "Bouquets.xml", "Wetter Live"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        const QString service = QString::fromUtf8(row.service);
        auto first = startedOn({{"Services.xml", demo + QLatin1String(row.services)},
                                {"MyServices.xml", demo + QLatin1String(row.myServices)},
                                {"Bouquets.xml", demo + QLatin1String(row.bouquets)}});
        addSelectedServiceAs(*first, service, "PopupItmSerAddMyService");
        const QStringList added = myServicesAndTheirLinks(*first);
        first->main().PopupItmToolSave->trigger();

        auto second = startedOnTheListsOf(*first);
        EXPECT_EQ(myServicesAndTheirLinks(*second), added);
        addSelectedServiceAs(*second, service, "PopupItmSerAddReplaceService");
        const QStringList replaced = myServicesAndTheirLinks(*second);
        const QStringList entries = replaced.filter(u'|' + service + QStringLiteral("|01|"));
        EXPECT_EQ(entries.size(), 1) << qPrintable(entries.join(u'\n'));
        EXPECT_TRUE(!entries.isEmpty() && entries[0].endsWith(u"|replace|current"))
            << qPrintable(entries.join(u'\n'));
        EXPECT_TRUE(replaced.contains(service + QStringLiteral("|3"))) << "the service's icon";
        second->main().PopupItmToolSave->trigger();

        auto third = startedOnTheListsOf(*second);
        EXPECT_EQ(myServicesAndTheirLinks(*third), replaced);
    }
}

// The receiver takes a my-services channel that names no action for an add:
// the grids show it as one, and a save writes it as one. One whose action is
// empty it ignores: shown as an entry that does nothing, it is saved as read.
TEST(GridCommands, AChannelWithoutAnActionIsAnAddAndAnEmptyActionStaysAsRead)
{
    TProgramWorld world;
    QFile file(world.path(QStringLiteral("MyServices.xml")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n"
               "<sat name=\"Astra 19.2E\" diseqc=\"0\">\n"
               "<transponder id=\"0401\" onid=\"0001\" frequency=\"11836000\" inversion=\"2\" "
               "symbol_rate=\"27500000\" fec_inner=\"3\" polarization=\"0\">\n"
               "<channel service_id=\"6dd5\" action=\"add\" name=\"Regionalfenster S\xC3\xBC"
               "d\" service_type=\"01\"/>\n"
               "<channel service_id=\"6dd0\" name=\"S\xC3\xBC" "d &amp; West\" service_type=\"01\"/>\n"
               "<channel service_id=\"6dd2\" action=\"\" name=\"Leerlauf\" service_type=\"02\"/>\n"
               "</transponder>\n</sat>\n</zapit>\n");
    file.close();
    world.start();
    TFrmMain &main = world.main();
    main.PageControlServices->setCurrentIndex(1);
    const int row = rowNames(main.MyServicesGrid).indexOf(QString::fromUtf8("S\xC3\xBC" "d & West"));
    ASSERT_GE(row, 0);
    EXPECT_EQ(main.MyServicesGrid->Cell(TFrmMain::ColumnByName(main.MyServicesGrid, "ColMySerActionIcon"), row)
                  ->AsInteger(),
              1);
    // The service of its id shows the action of the entry that refers to it.
    const int service = rowNames(main.ServicesGrid).indexOf(QString::fromUtf8("Radio Alpengl\xC3\xBChen"));
    ASSERT_GE(service, 0);
    EXPECT_EQ(main.ServicesGrid->Cell(TFrmMain::ColumnByName(main.ServicesGrid, "ColSerActionIcon"), service)
                  ->AsInteger(),
              1);

    const int idle = rowNames(main.MyServicesGrid).indexOf(QStringLiteral("Leerlauf"));
    ASSERT_GE(idle, 0);
    EXPECT_EQ(main.MyServicesGrid->Cell(TFrmMain::ColumnByName(main.MyServicesGrid, "ColMySerActionIcon"), idle)
                  ->AsInteger(),
              0);

    addSelectedServiceAs(world, QStringLiteral("ZDF"), "PopupItmSerAddMyService");
    main.PopupItmToolSave->trigger();
    const QByteArray saved = world.bytes(QStringLiteral("MyServices.xml"));
    const auto lineOf = [&](const char *sid) {
        const qsizetype at = saved.indexOf(QByteArray("service_id=\"") + sid + '"');
        return at < 0 ? QByteArray() : saved.mid(at, saved.indexOf('\n', at) - at);
    };
    EXPECT_TRUE(lineOf("6dd0").contains("action=\"add\"")) << saved.toStdString();
    EXPECT_TRUE(lineOf("6dd2").contains("action=\"\"")) << saved.toStdString();
    EXPECT_EQ(saved.count("action=\"\""), 1) << saved.toStdString();
}

// A service is already in a bouquet when an entry stands for it: linked to
// it, or to the user's "replace" entry that renames it (the entry links by
// the ids, so a second one would only be the same channel again).
TEST(GridCommands, AddingServicesAlreadyInTheBouquetSaysSo)
{
    for (const char *service : {"Das Erste", "3sat"}) {
        SCOPED_TRACE(service);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        TBouquet *bouquet = main.CurrentBouquet();
        ASSERT_NE(bouquet, nullptr);
        const QStringList before = entryNames(*bouquet);
        world.program.ServiceList->UnmarkAll();
        const int row = rowNames(main.ServicesGrid).indexOf(QString::fromUtf8(service));
        ASSERT_GE(row, 0);
        for (int attempt = 0; attempt < 2; ++attempt) {
            selectRows(main.ServicesGrid, {row});
            trigger(main, "PopupItmSerBouquetAdd");
            EXPECT_EQ(entryNames(*bouquet), before);
            ASSERT_FALSE(world.prompts.asked.isEmpty());
            EXPECT_EQ(world.prompts.asked.last().text,
                      QString("Service(s) already in bouquet \"%1\"!").arg(bouquet->Name));
        }
    }
}

// Dropping services on the bouquet grid: on a row inserts before it, below
// the last row appends.
TEST(GridCommands, DroppingServicesInsertsOrAppends)
{
    struct Row {
        const char *name;
        bool onARow;
    };
    for (const Row &r : {Row{"on the second row", true}, Row{"below the last row", false}}) {
        SCOPED_TRACE(r.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        TBouquet *bouquet = main.CurrentBouquet();
        const QStringList before = entryNames(*bouquet);
        // A service no bouquet entry names.
        int row = -1;
        for (int s = 0; s < main.ServicesGrid->RowCount() && row < 0; ++s) {
            if (!before.contains(nameAt(main.ServicesGrid, "ColSerName", s)))
                row = s;
        }
        ASSERT_GE(row, 0);
        const QString added = nameAt(main.ServicesGrid, "ColSerName", row);
        selectRows(main.ServicesGrid, {row});
        main.DragPress(main.ServicesGrid, rowPoint(main.ServicesGrid, row));
        EXPECT_TRUE(main.DragMove(main.ServicesGrid, rowPoint(main.ServicesGrid, row) + QPoint(0, 3)));
        auto *hint = world.program.FormAs<TFrmDragDrop>("FrmDragDrop");
        EXPECT_TRUE(hint->isVisible());
        EXPECT_EQ(hint->findChild<QLabel *>("Lbl")->text(), added + "  ");
        const QPoint drop = r.onARow ? rowPoint(main.BouquetGrid, 1)
                                     : QPoint(40, main.BouquetGrid->viewport()->height() - 4);
        main.DragMove(main.BouquetGrid, drop);
        main.DragRelease(main.BouquetGrid, drop);
        EXPECT_FALSE(hint->isVisible());
        QStringList expected = before;
        expected.insert(r.onARow ? 1 : expected.size(), added);
        EXPECT_EQ(entryNames(*bouquet), expected);
        EXPECT_EQ(main.BouquetGrid->RowCount(), expected.size());
        EXPECT_TRUE(main.BouquetGrid->Selected(r.onARow ? 1 : int(expected.size()) - 1));
    }
}

TEST(GridCommands, ADragFromTheHeaderDoesNothing)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    main.DragPress(main.ServicesGrid, QPoint(40, 2));
    EXPECT_FALSE(main.DragMove(main.ServicesGrid, QPoint(40, 40)));
}

TEST(GridCommands, MovingUpUnderAFilterSkipsHiddenEntries)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    TBouquet *bouquet = main.CurrentBouquet();
    ASSERT_GE(bouquet->Count(), 3);
    bouquet->GetItem(0)->Name = "Alpha";
    bouquet->GetItem(1)->Name = "Beta";
    bouquet->GetItem(2)->Name = "Alpine";
    QStringList expected = entryNames(*bouquet);
    typeFilterText(main.EdtFilterBouquet, "Al*");
    ASSERT_EQ(nameAt(main.BouquetGrid, "ColBouName", 1), "Alpine");
    selectRows(main.BouquetGrid, {1});
    trigger(main, "PopupItmBouMoveUp");
    expected.move(2, 0); // past the hidden "Beta" to before "Alpha"
    EXPECT_EQ(entryNames(*bouquet), expected);
    EXPECT_EQ(nameAt(main.BouquetGrid, "ColBouName", 0), "Alpine");
    EXPECT_TRUE(main.BouquetGrid->Selected(0));
}

TEST(GridCommands, NewAndRenameAskAgainOnADuplicateName)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    const QString existing = world.program.BouquetList->GetItem(0)->Name;
    const int count = world.program.BouquetList->Count();

    world.prompts.typed = {existing, "Neu & Schön"};
    trigger(main, "PopupItmBouBouquetNew");
    ASSERT_EQ(world.prompts.inputs.size(), 2);
    EXPECT_EQ(world.prompts.inputs.at(0).caption, "New Bouquet");
    EXPECT_EQ(world.prompts.inputs.at(0).prompt, "Enter a name:");
    EXPECT_EQ(world.prompts.inputs.at(0).initial, "New Bouquet");
    EXPECT_EQ(world.prompts.inputs.at(1).initial, existing); // the rejected text again
    EXPECT_EQ(world.prompts.asked.last().text,
              QString("A bouquet named \"%1\" does already exist!").arg(existing));
    EXPECT_EQ(world.program.BouquetList->Count(), count + 1);
    EXPECT_EQ(main.ComboBouquets->currentText(), "Neu & Schön");
    EXPECT_EQ(main.BouquetGrid->RowCount(), 0);

    world.prompts.inputs.clear();
    world.prompts.typed = {existing, "Umbenannt"};
    trigger(main, "PopupItmBouBouquetRename");
    ASSERT_EQ(world.prompts.inputs.size(), 2);
    EXPECT_EQ(world.prompts.inputs.at(0).caption, "Rename Bouquet");
    EXPECT_EQ(world.prompts.inputs.at(0).initial, "Neu & Schön");
    EXPECT_EQ(main.ComboBouquets->currentText(), "Umbenannt");

    // The same name closes the box without a word.
    const int asked = world.prompts.asked.size();
    world.prompts.typed = {"Umbenannt"};
    trigger(main, "PopupItmBouBouquetRename");
    EXPECT_EQ(world.prompts.asked.size(), asked);

    // A blank name is refused and the box comes back with what was typed;
    // giving up leaves the bouquets as they were.
    for (const char *command : {"PopupItmBouBouquetNew", "PopupItmBouBouquetRename"}) {
        SCOPED_TRACE(command);
        const int bouquets = world.program.BouquetList->Count();
        world.prompts.inputs.clear();
        world.prompts.typed = {"", "   "};
        trigger(main, command);
        ASSERT_EQ(world.prompts.inputs.size(), 3);
        EXPECT_EQ(world.prompts.inputs.at(2).initial, "   ");
        EXPECT_EQ(world.prompts.asked.last().text, "A bouquet needs a name.");
        EXPECT_EQ(world.program.BouquetList->Count(), bouquets);
        EXPECT_EQ(main.ComboBouquets->currentText(), "Umbenannt");
    }
}

// A name longer than a line edit holds by default (a generated or hostile
// file) in the real input box: it is shown whole, OK on it untouched changes
// nothing, and a name typed on to it is kept whole too.
TEST(GridCommands, TheRenameBoxHoldsALongNameWhole)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    TBouquet *bouquet = world.program.BouquetList->GetItem(0);
    const QString longName = QString(40000, QChar(u'\u0416')) + QStringLiteral(" & Süd");
    ASSERT_TRUE(world.program.BouquetList->RenameBouquet(bouquet, longName));
    main.ComboBouquets->setCurrentIndex(0);
    main.FillBouquetCombo(0);
    SaveHandler().SetSaved();
    TDialogPrompts realBoxes(&main);
    world.program.Prompts = &realBoxes;

    struct Case {
        const char *name;
        std::function<void(QLineEdit *)> type;
        QString expected;
    };
    const Case cases[] = {
        {"OK on the untouched name", [](QLineEdit *) {}, longName},
        {"typed on at the end",
         [](QLineEdit *edit) {
             QTest::keyClick(edit, Qt::Key_End);
             QTest::keyClicks(edit, " 2");
         },
         longName + " 2"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QString shown;
        whenModal("InputQuery", [&](QWidget *box) {
            auto *edit = box->findChild<QLineEdit *>();
            ASSERT_NE(edit, nullptr);
            shown = edit->text();
            c.type(edit);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        trigger(main, "PopupItmBouBouquetRename");
        EXPECT_EQ(shown.size(), longName.size());
        EXPECT_EQ(bouquet->Name.size(), c.expected.size());
        EXPECT_TRUE(bouquet->Name == c.expected);
        EXPECT_EQ(SaveHandler().Saved(), c.expected == longName);
    }
    world.program.Prompts = &world.prompts;
}

TEST(GridCommands, LockedAndHiddenClicksAreUnsavedChanges)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    TListGrid *grid = main.BouquetListGrid;
    main.PageControlBouquets->setCurrentIndex(1);
    QCoreApplication::processEvents();
    const int locked = TFrmMain::ColumnByName(grid, "ColLocked");
    TBouquet *bouquet = world.program.BouquetList->GetItem(0);
    const bool was = bouquet->Locked;
    ASSERT_TRUE(SaveHandler().Saved());
    const QPoint at = grid->CellRect(locked, 0).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(bouquet->Locked, !was);
    EXPECT_EQ(grid->Cell(locked, 0)->AsBoolean(), !was);
    EXPECT_FALSE(SaveHandler().Saved());
}

// A sort is a change like any other: Save is offered, closing asks, and Yes
// writes the new order.
// Showing the rows again (another filter, another bouquet and back) keeps
// the selection the user made, not the marks an import or an add left.
TEST(GridCommands, RefilledRowsKeepTheSelectionTheUserMade)
{
    struct Case {
        const char *name;
        bool bouquet; // the bouquet grid after an add, else the services after an import
        std::function<void(TFrmMain &)> showAgain;
    };
    const Case cases[] = {
        {"services under a new filter", false,
         [](TFrmMain &main) { typeFilterText(main.EdtFilterServices, "*"); }},
        {"services after the filter button", false,
         [](TFrmMain &main) { QTest::mouseClick(main.BtnFilterServices, Qt::LeftButton); }},
        {"bouquet entries under a new filter", true,
         [](TFrmMain &main) { typeFilterText(main.EdtFilterBouquet, "*"); }},
        {"bouquet entries after another bouquet", true,
         [](TFrmMain &main) {
             main.ComboBouquets->setCurrentIndex(1);
             main.ComboBouquets->setCurrentIndex(0);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        TListGrid *grid = main.ServicesGrid;
        if (c.bouquet) {
            selectRows(main.ServicesGrid, {});
            for (int row : servicesNotIn(main, *main.CurrentBouquet(), 4))
                main.ServicesGrid->SetSelected(row, true);
            trigger(main, "PopupItmSerBouquetAdd");
            grid = main.BouquetGrid;
        } else {
            world.program.ServiceList->forEachService(
                [](TService *s, TTransponder *, TSatelite *) { s->Marked = true; });
            main.FillServicesGrid(0);
            main.SelectMarkedServices();
        }
        ASSERT_GE(selectedCount(grid), 4);
        const int clicked = TFrmMain::FirstSelectedRow(grid) + 1;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, nameCellCentre(grid, clicked));
        const QString name = grid->Cells(nameColumn(grid), clicked);
        c.showAgain(main);
        EXPECT_EQ(selectedCount(grid), 1);
        EXPECT_EQ(grid->Cells(nameColumn(grid), TFrmMain::FirstSelectedRow(grid)), name);
    }
}

TEST(GridCommands, SortsAreUnsavedChanges)
{
    struct Case {
        const char *name;
        const char *command;
        const char *sortButton; // in the sort selection, or null for the bouquet list
    };
    const Case cases[] = {
        {"the bouquet list", "PopupItmBouListBouquetSort", nullptr},
        {"a bouquet by name", "PopupItmBouSort", "BtnAlpha"},
        {"a bouquet by frequency", "PopupItmBouSort", "BtnTransponder"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        TBouquetList &list = *world.program.BouquetList;
        TBouquet *bouquet = main.CurrentBouquet();
        // Out of every order either sort could give.
        if (c.sortButton) {
            ASSERT_GE(bouquet->Count(), 2);
            bouquet->GetItem(0)->Name = QStringLiteral("zzz last by name");
            main.FillBouquetGrid(0);
        } else {
            list.GetItem(0)->Name = QStringLiteral("zzz last by name");
        }
        // Saved just before: the status line no longer says so once sorted.
        SaveHandler().SetModified();
        main.PopupItmToolSave->trigger();
        ASSERT_EQ(main.StatusBar->PanelText(0), "Saving done.");
        ASSERT_TRUE(SaveHandler().Saved());
        ASSERT_FALSE(main.PopupItmToolSave->isEnabled());
        world.prompts.answers = {TPrompts::mbYes};
        if (c.sortButton) {
            whenModal("FrmSortSelection", [button = c.sortButton](QWidget *dialog) {
                dialog->findChild<QAbstractButton *>(button)->click();
                dialog->findChild<QAbstractButton *>("BtnOk")->click();
            });
        }
        trigger(main, c.command);
        EXPECT_TRUE(main.PopupItmToolSave->isEnabled());
        EXPECT_NE(main.StatusBar->PanelText(0), "Saving done.");
        if (c.sortButton) {
            // The rows show the sorted entries, in columns as wide as a
            // fresh fill would make them.
            TListGrid &grid = *main.BouquetGrid;
            QStringList rows;
            for (int e = 0; e < bouquet->Count(); ++e)
                rows.append(bouquet->GetItem(e)->Name);
            EXPECT_EQ(columnTexts(grid, "ColBouName"), rows);
            QList<int> widths;
            for (int i = 0; i < grid.Columns()->Count(); ++i)
                widths.append(grid.Columns()->Items(i)->Width());
            main.FillBouquetGrid(0);
            for (int i = 0; i < grid.Columns()->Count(); ++i)
                EXPECT_EQ(widths[i], grid.Columns()->Items(i)->Width()) << i;
        }
        QStringList order;
        for (int i = 0; i < list.Count(); ++i) {
            order.append(list.GetItem(i)->Name);
            for (int e = 0; e < list.GetItem(i)->Count(); ++e)
                order.append(list.GetItem(i)->GetItem(e)->Name);
        }
        world.prompts.asked.clear();
        world.prompts.answers = {TPrompts::mbYes};
        ASSERT_TRUE(main.close());
        EXPECT_EQ(world.prompts.texts(), QStringList{"Do you want to save your changes?"});
        // The saved file holds the sorted order: each bouquet's name, then
        // its entries' names.
        const QString saved = QString::fromUtf8(world.bytes("Bouquets.xml"));
        qsizetype at = 0;
        for (const QString &name : order) {
            const qsizetype found = saved.indexOf(u'"' + name.toHtmlEscaped() + u'"', at);
            ASSERT_GE(found, 0) << name.toStdString();
            at = found;
        }
    }
}

// Choosing a bouquet in the combo selects its row of the bouquet list, so
// the list's commands act on the bouquet the window shows.
TEST(GridCommands, TheBouquetListCommandsActOnTheBouquetTheComboShows)
{
    struct Case {
        const char *name;
        const char *command;
        std::function<bool(const TBouquetList &, const QString &shown)> done;
    };
    const Case cases[] = {
        {"rename", "PopupItmBouListBouquetRename",
         [](const TBouquetList &list, const QString &shown) {
             return list.IndexOf(shown) < 0 && list.IndexOf("Renamed") >= 0;
         }},
        {"clear", "PopupItmBouListBouquetClear",
         [](const TBouquetList &list, const QString &shown) {
             return list.GetItem(list.IndexOf(shown))->Count() == 0;
         }},
        {"delete", "PopupItmBouListBouquetDelete",
         [](const TBouquetList &list, const QString &shown) { return list.IndexOf(shown) < 0; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        TBouquetList &list = *world.program.BouquetList;
        ASSERT_GE(list.Count(), 3);
        main.ComboBouquets->setFocus();
        QTest::keyClick(main.ComboBouquets, Qt::Key_Down);
        QTest::keyClick(main.ComboBouquets, Qt::Key_Down);
        const QString shown = main.ComboBouquets->currentText();
        ASSERT_EQ(shown, list.GetItem(2)->Name);
        EXPECT_EQ(selectedCount(main.BouquetListGrid), 1);
        EXPECT_TRUE(main.BouquetListGrid->Selected(2));
        QStringList others;
        for (int i = 0; i < list.Count(); ++i) {
            if (i != 2)
                others.append(list.GetItem(i)->Name + QString::number(list.GetItem(i)->Count()));
        }
        world.prompts.typed = {QStringLiteral("Renamed")};
        world.prompts.answers = {TPrompts::mbYes};
        trigger(main, c.command);
        EXPECT_TRUE(c.done(list, shown));
        for (int i = 0; i < list.Count(); ++i) {
            const TBouquet *b = list.GetItem(i);
            if (b->Name != shown && b->Name != "Renamed") {
                EXPECT_TRUE(others.contains(b->Name + QString::number(b->Count()))) << b->Name.toStdString();
            }
        }
    }
}

// The services grids' Bouquet column names the bouquets as they are now.
TEST(GridCommands, TheBouquetColumnFollowsRenamesDeletesAndClears)
{
    struct Case {
        const char *name;
        const char *command;
        bool renamed; // else the bouquet is gone or empty
    };
    const Case cases[] = {
        {"rename", "PopupItmBouBouquetRename", true},
        {"delete", "PopupItmBouBouquetDelete", false},
        {"clear", "PopupItmBouBouquetClear", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        TBouquet *bouquet = main.CurrentBouquet();
        const QString old = bouquet->Name;
        const QString service = bouquet->GetItem(0)->Name;
        int row = -1;
        for (int r = 0; r < main.ServicesGrid->RowCount() && row < 0; ++r) {
            if (nameAt(main.ServicesGrid, "ColSerName", r) == service)
                row = r;
        }
        ASSERT_GE(row, 0);
        ASSERT_TRUE(nameAt(main.ServicesGrid, "ColSerBouquet", row).contains(old));
        world.prompts.typed = {QStringLiteral("Renamed Favourites")};
        world.prompts.answers = {TPrompts::mbYes};
        trigger(main, c.command);
        const QString shown = nameAt(main.ServicesGrid, "ColSerBouquet", row);
        EXPECT_FALSE(shown.split(", ").contains(old)) << shown.toStdString();
        EXPECT_EQ(shown.contains("Renamed Favourites"), c.renamed) << shown.toStdString();
    }
}

// Rows already on screen show the links a command made: the action icon of
// a bouquet entry now standing for a my-service, the Bouquet column of a
// my-service a bouquet entry now stands for.
TEST(GridCommands, WrittenRowsShowTheLinksACommandMade)
{
    struct Case {
        const char *name;
        const char *service; // the services grid's row the command takes
        const char *command;
    };
    const Case cases[] = {
        {"add as anti service", "Das Erste", "PopupItmSerAddAntiService"},
        {"add as my service", "ZDF", "PopupItmSerAddMyService"},
        {"add to the bouquet", "Shop & Spar 24", "PopupItmSerBouquetAdd"},
    };
    const auto bouquetText = [](const TService &service) {
        QString text = service.IsInBouquet() ? service.BouquetNamesText() : QString();
        return text.remove(u'"').replace(QStringLiteral(","), QStringLiteral(", "));
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        // Every row written, as the rows on screen are.
        for (TListGrid *grid : {main.ServicesGrid, main.MyServicesGrid, main.BouquetGrid}) {
            for (int row = 0; row < grid->RowCount(); ++row)
                grid->Cells(nameColumn(grid), row);
        }
        const int row = int(rowNames(main.ServicesGrid).indexOf(QLatin1String(c.service)));
        ASSERT_GE(row, 0);
        QTest::mouseClick(main.ServicesGrid->viewport(), Qt::LeftButton, {}, nameCellCentre(main.ServicesGrid, row));
        trigger(main, c.command);
        const int action = TFrmMain::ColumnByName(main.BouquetGrid, "ColBouActionIcon");
        for (int r = 0; r < main.BouquetGrid->RowCount(); ++r) {
            const auto *entry = static_cast<const TBouquetService *>(main.BouquetGrid->RowSource(r));
            ASSERT_NE(entry, nullptr);
            EXPECT_EQ(main.BouquetGrid->Cell(action, r)->AsInteger(),
                      entry->Service() ? entry->Service()->GetActionIconIndex() : 0)
                << entry->Name.toStdString();
        }
        for (auto [grid, column] : {std::pair{main.ServicesGrid, "ColSerBouquet"},
                                    std::pair{main.MyServicesGrid, "ColMySerBouquet"}}) {
            for (int r = 0; r < grid->RowCount(); ++r) {
                const auto *ref = static_cast<const TServiceRowRef *>(grid->RowSource(r));
                ASSERT_NE(ref, nullptr);
                EXPECT_EQ(nameAt(grid, column, r), bouquetText(*ref->service)) << ref->service->Name.toStdString();
            }
        }
    }
}

// A command on the my-services grid leaves the other grids' selections as
// the user made them, whatever marks earlier commands left in the model.
TEST(GridCommands, TogglingAnActionKeepsEverySelection)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    ASSERT_GE(main.MyServicesGrid->RowCount(), 3);
    ASSERT_GE(main.BouquetGrid->RowCount(), 3);
    // Marks an earlier command left behind.
    world.program.MyServiceList->forEachService([](TService *s, TTransponder *, TSatelite *) { s->Marked = true; });
    world.program.ServiceList->forEachService([](TService *s, TTransponder *, TSatelite *) { s->Marked = true; });
    for (int i = 0; i < main.CurrentBouquet()->Count(); ++i)
        main.CurrentBouquet()->GetItem(i)->Marked = true;
    QTest::mouseClick(main.BouquetGrid->viewport(), Qt::LeftButton, {}, nameCellCentre(main.BouquetGrid, 2));
    QTest::mouseClick(main.ServicesGrid->viewport(), Qt::LeftButton, {}, nameCellCentre(main.ServicesGrid, 3));
    main.PageControlServices->setCurrentIndex(1);
    QTest::mouseClick(main.MyServicesGrid->viewport(), Qt::LeftButton, {}, nameCellCentre(main.MyServicesGrid, 1));
    whenModal("FrmToggleActions", [](QWidget *dialog) {
        dialog->findChild<QAbstractButton *>("BtnReplace")->click();
        dialog->findChild<QAbstractButton *>("BtnOk")->click();
    });
    trigger(main, "PopupItmMySerToggle");
    for (auto [grid, row] : {std::pair{main.MyServicesGrid, 1}, std::pair{main.ServicesGrid, 3},
                             std::pair{main.BouquetGrid, 2}}) {
        SCOPED_TRACE(grid->objectName().toStdString());
        EXPECT_EQ(selectedCount(grid), 1);
        EXPECT_TRUE(grid->Selected(row));
        EXPECT_EQ(grid->SelectedRow(), row);
    }
}

TEST(GridCommands, MergeOnlySaysItIsNotThere)
{
    TProgramWorld world;
    world.start();
    const int count = world.program.BouquetList->Count();
    trigger(world.main(), "PopupItmBouListBouquetMerge");
    EXPECT_EQ(world.prompts.asked.last().text, "Merge feature not yet implemented!");
    EXPECT_EQ(world.program.BouquetList->Count(), count);
}

// Optimise from the tool bar on lists whose bouquets hold data services: the
// data goes from the bouquets and the services, every grid is refilled, and
// nothing drawn afterwards reaches a freed service (the sanitizer build
// checks that). The lists saved just before are saved no more.
TEST(GridCommands, OptimiseRemovesDataServicesFromListsAndBouquets)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    SaveHandler().SetModified();
    main.PopupItmToolSave->trigger();
    ASSERT_EQ(main.StatusBar->PanelText(0), "Saving done.");
    int dataInBouquets = 0;
    for (int b = 0; b < world.program.BouquetList->Count(); ++b) {
        const TBouquet *bouquet = world.program.BouquetList->GetItem(b);
        for (int i = 0; i < bouquet->Count(); ++i)
            dataInBouquets += bouquet->GetItem(i)->IsData() ? 1 : 0;
    }
    ASSERT_GT(dataInBouquets, 0);
    QTimer::singleShot(0, [&] {
        QWidget *dialog = world.program.Form("FrmOptimize");
        ASSERT_TRUE(dialog && dialog->isVisible());
        auto *button = dialog->findChild<QAbstractButton *>("BtnOptimize");
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    });
    auto *optimize = main.findChild<QToolButton *>("ToolBtnOptimize");
    ASSERT_NE(optimize, nullptr);
    QTest::mouseClick(optimize, Qt::LeftButton);
    ASSERT_FALSE(world.prompts.asked.isEmpty());
    EXPECT_FALSE(SaveHandler().Saved());
    EXPECT_NE(main.StatusBar->PanelText(0), "Saving done.");
    world.program.ServiceList->forEachService([](TService *s, TTransponder *, TSatelite *) {
        EXPECT_FALSE(s->IsData()) << qPrintable(s->Name);
    });
    for (int b = 0; b < world.program.BouquetList->Count(); ++b) {
        const TBouquet *bouquet = world.program.BouquetList->GetItem(b);
        for (int i = 0; i < bouquet->Count(); ++i)
            EXPECT_FALSE(bouquet->GetItem(i)->IsData()) << qPrintable(bouquet->GetItem(i)->Name);
    }
    for (TListGrid *grid : {main.ServicesGrid, main.MyServicesGrid, main.BouquetGrid, main.BouquetListGrid}) {
        (void)grid->viewport()->grab();
        for (int row = 0; row < grid->RowCount(); ++row)
            (void)grid->Cells(1, row);
    }
}

// Dragging every service names the first ones and says there are more: the
// hint stays one readable line however large the selection.
TEST(GridCommands, TheDragHintOfALargeSelectionStaysShort)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    main.ServicesGrid->SelectAll();
    main.DragPress(main.ServicesGrid, rowCentre(main.ServicesGrid, 0));
    ASSERT_TRUE(main.DragMove(main.ServicesGrid, rowCentre(main.ServicesGrid, 0) + QPoint(0, 2)));
    const QString text = world.program.FormAs<TFrmDragDrop>("FrmDragDrop")->findChild<QLabel *>("Lbl")->text();
    EXPECT_TRUE(text.startsWith(nameAt(main.ServicesGrid, "ColSerName", 0) + ", "));
    EXPECT_TRUE(text.endsWith("...  "));
    EXPECT_LE(text.size(), 220);
    main.DragRelease(nullptr, QPoint());
}

// Rows the program selects (from the marks an import or an add leaves, or
// Select All while another grid has the focus) are a multi-selection like
// one made with Ctrl: a plain click leaves exactly the clicked row, and
// Delete removes that one.
TEST(GridCommands, APlainClickLeavesOnlyTheClickedRowForDelete)
{
    struct Case {
        const char *name;
        std::function<TListGrid *(TFrmMain &, TProgram &)> selectInCode;
        int clickedFromFirstSelected; // a selected row or one above the selection
    };
    const Case cases[] = {
        {"services an import marked",
         [](TFrmMain &main, TProgram &program) {
             program.ServiceList->forEachService(
                 [](TService *s, TTransponder *, TSatelite *) { s->Marked = true; });
             main.FillServicesGrid(0);
             main.SelectMarkedServices();
             return main.ServicesGrid;
         },
         1},
        {"entries Add To Bouquet added",
         [](TFrmMain &main, TProgram &) {
             selectRows(main.ServicesGrid, {});
             for (int row : servicesNotIn(main, *main.CurrentBouquet(), 6))
                 main.ServicesGrid->SetSelected(row, true);
             main.ActionByName("PopupItmSerBouquetAdd")->trigger();
             return main.BouquetGrid;
         },
         -1},
        {"Select All on a grid without the focus",
         [](TFrmMain &main, TProgram &) {
             main.PageControlServices->setCurrentIndex(1);
             main.BouquetGrid->setFocus();
             main.ActionByName("PopupItmMySerSelectAll")->trigger();
             return main.MyServicesGrid;
         },
         2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        TListGrid *grid = c.selectInCode(main, world.program);
        QApplication::processEvents();
        ASSERT_GE(selectedCount(grid), 3);
        QStringList names = rowNames(grid);
        const int clicked = TFrmMain::FirstSelectedRow(grid) + c.clickedFromFirstSelected;
        grid->ScrollToRow(clicked);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, nameCellCentre(grid, clicked));
        EXPECT_EQ(selectedCount(grid), 1);
        EXPECT_TRUE(grid->Selected(clicked));
        QTest::keyClick(grid, Qt::Key_Delete);
        names.removeAt(clicked);
        EXPECT_EQ(rowNames(grid), names);
    }
}

// Ctrl+A in a grid selects every row of it, as its Select All does, and
// leaves the selection of a grid beside it alone.
TEST(GridCommands, CtrlASelectsEveryRowOfTheFocusedGrid)
{
    using Pick = TListGrid *(*)(TFrmMain &);
    struct Case {
        const char *name;
        int servicesPage, bouquetsPage;
        Pick grid;
        Pick beside; // shown on the other half of the window
    };
    const Pick services = [](TFrmMain &main) { return main.ServicesGrid; };
    const Pick myServices = [](TFrmMain &main) { return main.MyServicesGrid; };
    const Pick bouquet = [](TFrmMain &main) { return main.BouquetGrid; };
    const Case cases[] = {
        {"services", 0, 0, services, bouquet},
        {"my services", 1, 0, myServices, bouquet},
        {"KingOfSat", 2, 0, [](TFrmMain &main) { return main.KingOfSatGrid; }, bouquet},
        // A click on an entry may go to its service: the my-services stay.
        {"bouquet entries", 1, 0, bouquet, myServices},
        {"bouquet list", 0, 1, [](TFrmMain &main) { return main.BouquetListGrid; }, services},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        main.PageControlServices->setCurrentIndex(c.servicesPage);
        main.PageControlBouquets->setCurrentIndex(c.bouquetsPage);
        TListGrid *grid = c.grid(main);
        TListGrid *beside = c.beside(main);
        QApplication::processEvents();
        ASSERT_GE(grid->RowCount(), 3);
        QTest::mouseClick(beside->viewport(), Qt::LeftButton, {}, nameCellCentre(beside, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, nameCellCentre(grid, 1));
        ASSERT_EQ(selectedCount(grid), 1);
        QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(selectedCount(grid), grid->RowCount());
        EXPECT_EQ(selectedCount(beside), 1);
        EXPECT_TRUE(beside->Selected(1));
    }
}

// A press on a row of a multi-selection keeps it: the mouse drags every
// selected service, in order, onto the bouquet grid or the bouquet list; a
// release without a drag leaves only the pressed row selected.
TEST(GridCommands, TheMouseDragsTheWholeSelection)
{
    enum Target { BouquetRow, BouquetList, NoDrag };
    for (Target target : {BouquetRow, BouquetList, NoDrag}) {
        SCOPED_TRACE(int(target));
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        TBouquet *bouquet = main.CurrentBouquet();
        ASSERT_GE(bouquet->Count(), 2);
        const QStringList before = entryNames(*bouquet);
        const QList<int> rows = servicesNotIn(main, *bouquet, 3);
        ASSERT_EQ(rows.size(), 3);
        QStringList dragged;
        for (int row : rows) {
            QTest::mouseClick(main.ServicesGrid->viewport(), Qt::LeftButton,
                              row == rows.first() ? Qt::NoModifier : Qt::ControlModifier,
                              nameCellCentre(main.ServicesGrid, row));
            dragged.append(nameAt(main.ServicesGrid, "ColSerName", row));
        }
        ASSERT_EQ(selectedCount(main.ServicesGrid), 3);

        QStringList expected = before;
        switch (target) {
        case BouquetRow:
            dragWithTheMouse(main.ServicesGrid, rows[1], main.BouquetGrid, nameCellCentre(main.BouquetGrid, 1));
            for (int i = 0; i < dragged.size(); ++i)
                expected.insert(1 + i, dragged[i]);
            break;
        case BouquetList: {
            main.PageControlBouquets->setCurrentIndex(1);
            const int last = main.BouquetListGrid->RowCount() - 1;
            bouquet = world.program.BouquetList->GetItem(last);
            expected = entryNames(*bouquet) + dragged;
            dragWithTheMouse(main.ServicesGrid, rows[2], main.BouquetListGrid,
                             nameCellCentre(main.BouquetListGrid, last));
            EXPECT_EQ(main.CurrentBouquet(), bouquet);
            break;
        }
        case NoDrag:
            QTest::mouseClick(main.ServicesGrid->viewport(), Qt::LeftButton, {},
                              nameCellCentre(main.ServicesGrid, rows[1]));
            EXPECT_EQ(selectedCount(main.ServicesGrid), 1);
            EXPECT_TRUE(main.ServicesGrid->Selected(rows[1]));
            break;
        }
        EXPECT_EQ(entryNames(*bouquet), expected);
    }
}

// Entries and bouquets dragged down keep their order, onto a later row
// (they land above it, as they do going up) or below the last row.
TEST(GridCommands, DraggedRowsKeepTheirOrder)
{
    struct Case {
        const char *name;
        bool bouquets;    // the bouquet list, else the current bouquet's entries
        int onRow;        // -1: below the last row
        QList<int> order; // the new order of the old indexes
    };
    const Case cases[] = {
        {"two entries onto a later row", false, 3, {2, 0, 1}},
        {"two entries below the last row", false, -1, {}},
        {"two bouquets onto a later row", true, 3, {2, 0, 1}},
        {"two entries back onto their own row", false, 0, {0, 1}},
        {"two bouquets back onto their own row", true, 0, {0, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        TBouquetList &list = *world.program.BouquetList;
        TBouquet &bouquet = *main.CurrentBouquet();
        if (c.bouquets)
            main.PageControlBouquets->setCurrentIndex(1);
        TListGrid *grid = c.bouquets ? main.BouquetListGrid : main.BouquetGrid;
        QStringList before;
        for (int i = 0; i < (c.bouquets ? list.Count() : bouquet.Count()); ++i)
            before.append(c.bouquets ? list.GetItem(i)->Name : bouquet.GetItem(i)->Name);
        ASSERT_GE(before.size(), 4);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, nameCellCentre(grid, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, nameCellCentre(grid, 1));
        ASSERT_EQ(selectedCount(grid), 2);
        const QPoint drop = c.onRow >= 0 ? nameCellCentre(grid, c.onRow)
                                         : QPoint(40, grid->viewport()->height() - 4);
        dragWithTheMouse(grid, 0, grid, drop);
        QStringList expected;
        for (int i : c.order)
            expected.append(before[i]);
        for (int i = 0; i < before.size(); ++i) {
            if (!c.order.contains(i) && (c.onRow >= 0 || i > 1))
                expected.append(before[i]);
        }
        if (c.onRow < 0)
            expected << before[0] << before[1];
        QStringList after;
        for (int i = 0; i < before.size(); ++i)
            after.append(c.bouquets ? list.GetItem(i)->Name : bouquet.GetItem(i)->Name);
        EXPECT_EQ(after, expected);
        EXPECT_EQ(selectedCount(grid), 2);
    }
}

// A header click sorts the services grid's rows as a view, and rows written
// again after a command keep the order the header shows.
// The bouquet grids' rows are the bouquets' order itself, which commands
// count by row: a header click leaves them as they are.
TEST(GridCommands, HeaderSortsShowOnlyTheOrderTheRowsAreIn)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    const auto clickHeader = [](TListGrid *grid) {
        const TLgCustomColumn *column = grid->Columns()->Items(nameColumn(grid));
        const QPoint at(column->Left() - grid->HorizontalPosition() + column->Width() / 2, grid->HeaderSize() / 2);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        return column;
    };
    for (auto [page, grid] : {std::pair{1, main.BouquetListGrid}, std::pair{0, main.BouquetGrid}}) {
        main.PageControlBouquets->setCurrentIndex(page);
        QApplication::processEvents();
        const QStringList before = rowNames(grid);
        EXPECT_FALSE(clickHeader(grid)->Sorted());
        EXPECT_EQ(rowNames(grid), before);
    }

    TListGrid *grid = main.ServicesGrid;
    const QStringList listOrder = rowNames(grid);
    const TLgCustomColumn *name = clickHeader(grid);
    ASSERT_TRUE(name->Sorted());
    QStringList sorted = rowNames(grid);
    ASSERT_NE(sorted, listOrder);
    const int row = 1;
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, nameCellCentre(grid, row));
    QTest::keyClick(grid, Qt::Key_Delete);
    // The rows written again keep the order the header shows, and the row
    // below the deleted one is the one selected.
    QStringList expected = sorted;
    expected.removeAt(row);
    EXPECT_EQ(rowNames(grid), expected);
    EXPECT_TRUE(name->Sorted());
    EXPECT_EQ(TFrmMain::FirstSelectedRow(grid), row);
}

// A header sort moves the selection with the rows: Delete then removes the
// services the user chose, wherever the sort put them.
TEST(GridCommands, AHeaderSortKeepsTheChosenRowsSelected)
{
    for (int page : {0, 1}) {
        SCOPED_TRACE(page);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        main.PageControlServices->setCurrentIndex(page);
        QApplication::processEvents();
        TListGrid *grid = page == 0 ? main.ServicesGrid : main.MyServicesGrid;
        ASSERT_GE(grid->RowCount(), 4);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, nameCellCentre(grid, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, nameCellCentre(grid, 1));
        const QStringList chosen = rowNames(grid).mid(0, 2);
        QStringList rest = rowNames(grid).mid(2);
        const TLgCustomColumn *name = grid->Columns()->Items(nameColumn(grid));
        for (int click = 0; click < 2; ++click) { // ascending, then descending
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              QPoint(name->Left() - grid->HorizontalPosition() + name->Width() / 2, 4));
            QStringList selected;
            for (int row = 0; row < grid->RowCount(); ++row) {
                if (grid->Selected(row))
                    selected.append(grid->Cells(nameColumn(grid), row));
            }
            selected.sort();
            QStringList expected = chosen;
            expected.sort();
            EXPECT_EQ(selected, expected);
            EXPECT_TRUE(chosen.contains(grid->Cells(nameColumn(grid), grid->SelectedRow())));
        }
        world.prompts.answers = {TPrompts::mbYes};
        QTest::keyClick(grid, Qt::Key_Delete);
        ASSERT_EQ(world.prompts.asked.size(), 1);
        EXPECT_TRUE(world.prompts.asked[0].text.startsWith(QStringLiteral("Delete 2 ")));
        QStringList left = rowNames(grid);
        left.sort();
        rest.sort();
        EXPECT_EQ(left, rest);
    }
}

// Every question before a delete that cannot be undone names how much goes
// and has Cancel (or No) as its default: Return in the real box keeps
// everything, Cancel too, and the count the question named is what Yes
// takes.
TEST(GridCommands, QuestionsBeforeADeleteNameWhatGoesAndDefaultToKeepingIt)
{
    struct Case {
        const char *name;
        std::function<void(TProgramWorld &)> prepare;
        std::function<void(TFrmMain &)> act;
        std::function<int(TProgramWorld &)> count; // of what may go
        std::function<QString(TFrmMain &)> question; // "%1": the count that goes
        int buttons;
    };
    const auto entries = [](TProgramWorld &world) {
        int count = 0;
        for (int i = 0; i < world.program.BouquetList->Count(); ++i)
            count += world.program.BouquetList->GetItem(i)->Count();
        return count;
    };
    const auto states = [](TProgramWorld &world) { return int(world.main().WorkingFiles().HistoryStamps().size()); };
    const auto click = [](const char *button) {
        return [button](TFrmMain &main) {
            QTest::mouseClick(main.findChild<QToolButton *>(QLatin1String(button)), Qt::LeftButton);
        };
    };
    const auto command = [](const char *name) { return [name](TFrmMain &main) { trigger(main, name); }; };
    const auto sure = [](const char *goes) {
        return [goes](TFrmMain &) { return QStringLiteral("Are you sure? ") + QLatin1String(goes); };
    };
    const auto chooseBouquets = [](int count) {
        return [count](TProgramWorld &world) {
            world.main().PageControlBouquets->setCurrentIndex(1);
            selectRows(world.main().BouquetListGrid, {});
            for (int row = 1; row <= count; ++row)
                world.main().BouquetListGrid->SetSelected(row, true);
        };
    };
    // Entries no service stands behind: two more in the bouquet shown, one
    // more in another.
    const auto obsoleteEntries = [](TProgramWorld &world) {
        TBouquetList &list = *world.program.BouquetList;
        TBouquet *shown = world.main().CurrentBouquet();
        for (TBouquet *bouquet : {shown, shown, list.GetItem(list.Count() - 1)}) {
            auto entry = std::make_unique<TBouquetService>();
            entry->Name = QStringLiteral("Gone");
            bouquet->Add(std::move(entry));
        }
        world.main().FillBouquetGrid(0);
    };
    const char *const kEntries = "%1 bouquet service(s) will be deleted.";
    const Case cases[] = {
        {"clear history",
         [](TProgramWorld &world) {
             world.main().WorkingFiles().SaveState(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)));
             world.main().WorkingFiles().SaveState(QDateTime(QDate(2021, 1, 2), QTime(3, 4, 5)));
             world.main().BuildHistoryMenu();
         },
         [](TFrmMain &main) { ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState, {main.PopupItmToolClearHistory})); },
         states, sure("%1 save state(s) in History will be deleted."), TPrompts::mbYes | TPrompts::mbCancel},
        {"delete the bouquet shown", nullptr, click("ToolBtnBouBouquetDelete"), entries,
         [&](TFrmMain &main) {
             return "Do you really want to delete the bouquet \"" + main.CurrentBouquet()->Name + "\"? " + kEntries;
         },
         TPrompts::mbYes | TPrompts::mbNo},
        {"clear the bouquet shown", nullptr, click("ToolBtnBouBouquetClear"), entries,
         [&](TFrmMain &main) {
             return "Do you really want to clear the bouquet \"" + main.CurrentBouquet()->Name + "\"? " + kEntries;
         },
         TPrompts::mbYes | TPrompts::mbNo},
        {"clear chosen bouquets", chooseBouquets(2), command("PopupItmBouListBouquetClear"), entries, sure(kEntries),
         TPrompts::mbYes | TPrompts::mbCancel},
        {"delete one chosen bouquet", chooseBouquets(1), command("PopupItmBouListBouquetDelete"), entries,
         sure(kEntries), TPrompts::mbYes | TPrompts::mbCancel},
        {"obsolete, this bouquet", obsoleteEntries, command("ActionBouRemoveObsoleteThis"), entries,
         sure("%1 obsolete bouquet service(s) will be deleted."), TPrompts::mbYes | TPrompts::mbCancel},
        {"obsolete, all bouquets", obsoleteEntries, command("ActionBouRemoveObsoleteAll"), entries,
         sure("%1 obsolete bouquet service(s) will be deleted."), TPrompts::mbYes | TPrompts::mbCancel},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        if (c.prepare)
            c.prepare(world);
        const int before = c.count(world);
        const QString question = c.question(main);

        world.prompts.answers = {c.buttons & TPrompts::mbCancel ? TPrompts::mbCancel : TPrompts::mbNo};
        c.act(main);
        ASSERT_EQ(world.prompts.asked.size(), 1);
        EXPECT_EQ(world.prompts.asked[0].kind, TPrompts::TMsgKind::Confirmation);
        EXPECT_EQ(world.prompts.asked[0].buttons, c.buttons | TPrompts::mbCancelDefault);
        EXPECT_EQ(c.count(world), before);

        TDialogPrompts real(&main);
        world.program.Prompts = &real;
        QString shown;
        whenModal("", [&](QWidget *box) {
            shown = static_cast<QMessageBox *>(box)->text();
            world.program.Prompts = &world.prompts;
            QTest::keyClick(box, Qt::Key_Return);
        });
        c.act(main);
        world.program.Prompts = &world.prompts;
        EXPECT_EQ(shown, world.prompts.asked[0].text);
        EXPECT_EQ(c.count(world), before);

        world.prompts.answers = {TPrompts::mbYes};
        c.act(main);
        const int gone = before - c.count(world);
        EXPECT_GT(gone, 0);
        EXPECT_EQ(world.prompts.asked[0].text, FormatMsg1(question, QString::number(gone)));
    }
}
