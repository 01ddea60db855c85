// What the user chose stays chosen: commands act on the rows the user sees
// selected, in the bouquet the user sees, and no grid keeps a row whose
// object is gone.

#include "grid_commands_support.h"
#include "import_export_world.h"
#include "main_window_support.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/model/transponder.h"
#include "ui/grid/list_grid.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QMenu>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <set>

namespace {

// Every object a list holds, for telling a row's object from a freed one.
std::set<const void *> objectsOf(const TServiceList &list)
{
    std::set<const void *> objects;
    list.forEachService([&](TService *s, TTransponder *, TSatelite *) { objects.insert(s); });
    return objects;
}

void expectEveryRowInTheModel(TFrmMain &main, TProgram &program)
{
    const auto services = [&](TListGrid *grid, const TServiceList &list) {
        const std::set<const void *> objects = objectsOf(list);
        for (int row = 0; row < grid->RowCount(); ++row) {
            const auto *ref = static_cast<const TServiceRowRef *>(grid->RowSource(row));
            ASSERT_NE(ref, nullptr) << qPrintable(grid->objectName()) << " row " << row;
            EXPECT_TRUE(objects.count(ref->service)) << qPrintable(grid->objectName()) << " row " << row;
        }
    };
    services(main.ServicesGrid, *program.ServiceList);
    services(main.MyServicesGrid, *program.MyServiceList);
    services(main.KingOfSatGrid, *program.KingOfSatList);
    std::set<const void *> bouquets, entries;
    for (int i = 0; i < program.BouquetList->Count(); ++i) {
        const TBouquet *bouquet = program.BouquetList->GetItem(i);
        bouquets.insert(bouquet);
        for (int k = 0; k < bouquet->Count(); ++k)
            entries.insert(bouquet->GetItem(k));
    }
    for (int row = 0; row < main.BouquetGrid->RowCount(); ++row)
        EXPECT_TRUE(entries.count(main.BouquetGrid->RowSource(row))) << "bouquet row " << row;
    for (int row = 0; row < main.BouquetListGrid->RowCount(); ++row)
        EXPECT_TRUE(bouquets.count(main.BouquetListGrid->Cell(0, row)->ObjectReference()))
            << "bouquet list row " << row;
}

// The names of a grid's selected rows, top to bottom.
QStringList selectedNames(TListGrid *grid)
{
    QStringList names;
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (grid->Selected(row))
            names.append(grid->Cells(nameColumn(grid), row));
    }
    return names;
}

void click(TListGrid *grid, int row, Qt::KeyboardModifiers modifiers = {})
{
    grid->ScrollToRow(row);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, nameCellCentre(grid, row));
}

void clickHeader(TListGrid *grid)
{
    const TLgCustomColumn *column = grid->Columns()->Items(nameColumn(grid));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      QPoint(column->Left() - grid->HorizontalPosition() + column->Width() / 2, 4));
}

int rowNamed(TListGrid *grid, const QString &name)
{
    return int(rowNames(grid).indexOf(name));
}

} // namespace

// Every command of the five grids: the grids it does not change keep the one
// row the user clicked in each, whatever marks an earlier add left behind.
TEST(GridChoice, EveryCommandKeepsTheSelectionsOfTheGridsItDoesNotChange)
{
    enum G { Ser, MySer, Kof, Bou, BouList };
    struct Case {
        const char *name;
        G grid;                         // where the command runs
        std::set<G> changes;            // grids whose rows or selection it sets
        std::function<void(TFrmMain &, TScriptedPrompts &)> run;
    };
    const Case cases[] = {
        {"services: add to bouquet", Ser, {Bou},
         [](TFrmMain &m, TScriptedPrompts &) { trigger(m, "PopupItmSerBouquetAdd"); }},
        {"services: add as my service", Ser, {MySer},
         [](TFrmMain &m, TScriptedPrompts &) { trigger(m, "PopupItmSerAddMyService"); }},
        {"services: delete", Ser, {Ser},
         [](TFrmMain &m, TScriptedPrompts &) { QTest::keyClick(m.ServicesGrid, Qt::Key_Delete); }},
        {"services: filter", Ser, {},
         [](TFrmMain &m, TScriptedPrompts &) { typeFilterText(m.EdtFilterServices, "*"); }},
        {"services: header sort", Ser, {}, [](TFrmMain &m, TScriptedPrompts &) { clickHeader(m.ServicesGrid); }},
        {"my services: delete", MySer, {MySer},
         [](TFrmMain &m, TScriptedPrompts &) { QTest::keyClick(m.MyServicesGrid, Qt::Key_Delete); }},
        {"my services: add to bouquet", MySer, {Bou},
         [](TFrmMain &m, TScriptedPrompts &) { trigger(m, "PopupItmMySerBouquetAdd"); }},
        {"my services: toggle action", MySer, {},
         [](TFrmMain &m, TScriptedPrompts &) {
             whenModal("FrmToggleActions", [](QWidget *dialog) {
                 dialog->findChild<QAbstractButton *>("BtnReplace")->click();
                 dialog->findChild<QAbstractButton *>("BtnOk")->click();
             });
             trigger(m, "PopupItmMySerToggle");
         }},
        {"KingOfSat: delete", Kof, {Kof},
         [](TFrmMain &m, TScriptedPrompts &) { QTest::keyClick(m.KingOfSatGrid, Qt::Key_Delete); }},
        {"bouquet: delete entry", Bou, {Bou},
         [](TFrmMain &m, TScriptedPrompts &) { QTest::keyClick(m.BouquetGrid, Qt::Key_Delete); }},
        {"bouquet: move down", Bou, {Bou}, [](TFrmMain &m, TScriptedPrompts &) { trigger(m, "PopupItmBouMoveDown"); }},
        {"bouquet: filter", Bou, {}, [](TFrmMain &m, TScriptedPrompts &) { typeFilterText(m.EdtFilterBouquet, "*"); }},
        {"bouquet: sort by name", Bou, {Bou},
         [](TFrmMain &m, TScriptedPrompts &) {
             whenModal("FrmSortSelection", [](QWidget *dialog) {
                 dialog->findChild<QAbstractButton *>("BtnOk")->click();
             });
             trigger(m, "PopupItmBouSort");
         }},
        {"bouquet: rename", Bou, {BouList},
         [](TFrmMain &m, TScriptedPrompts &p) {
             p.typed = {"Umbenannt"};
             trigger(m, "PopupItmBouBouquetRename");
         }},
        {"bouquet list: move down", BouList, {BouList, Bou},
         [](TFrmMain &m, TScriptedPrompts &) { trigger(m, "PopupItmBouListMoveDown"); }},
        {"bouquet list: locked", BouList, {},
         [](TFrmMain &m, TScriptedPrompts &) {
             const int locked = TFrmMain::ColumnByName(m.BouquetListGrid, "ColLocked");
             const int row = TFrmMain::FirstSelectedRow(m.BouquetListGrid);
             QTest::mouseClick(m.BouquetListGrid->viewport(), Qt::LeftButton, {},
                               m.BouquetListGrid->CellRect(locked, row).center());
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        TListGrid *grids[] = {main.ServicesGrid, main.MyServicesGrid, main.KingOfSatGrid, main.BouquetGrid,
                              main.BouquetListGrid};
        // An add leaves its new entry selected and marked.
        selectRows(main.ServicesGrid, {});
        for (int row : servicesNotIn(main, *main.CurrentBouquet(), 1))
            main.ServicesGrid->SetSelected(row, true);
        trigger(main, "PopupItmSerBouquetAdd");
        ASSERT_EQ(selectedCount(main.BouquetGrid), 1);

        // The user's own choice, one row in each grid.
        main.PageControlBouquets->setCurrentIndex(1);
        click(main.BouquetListGrid, 0);
        main.PageControlBouquets->setCurrentIndex(0);
        click(main.BouquetGrid, 1);
        main.PageControlServices->setCurrentIndex(2);
        click(main.KingOfSatGrid, 1);
        main.PageControlServices->setCurrentIndex(1);
        click(main.MyServicesGrid, 1);
        main.PageControlServices->setCurrentIndex(0);
        click(main.ServicesGrid, 2);
        QStringList chosen[5];
        for (int g = 0; g < 5; ++g) {
            chosen[g] = selectedNames(grids[g]);
            ASSERT_EQ(chosen[g].size(), 1) << g;
        }
        if (c.grid == MySer || c.grid == Kof)
            main.PageControlServices->setCurrentIndex(c.grid == MySer ? 1 : 2);
        if (c.grid == BouList)
            main.PageControlBouquets->setCurrentIndex(1);
        c.run(main, world.prompts);
        QApplication::processEvents();
        for (int g = 0; g < 5; ++g) {
            if (c.changes.count(G(g)))
                continue;
            EXPECT_EQ(selectedNames(grids[g]), chosen[g]) << qPrintable(grids[g]->objectName());
        }
        expectEveryRowInTheModel(main, world.program);
    }
}

// The my-services delete used to select again the entry an earlier add had
// marked in the bouquet grid, and the next Delete there took that entry.
TEST(GridChoice, DeleteInTheBouquetGridTakesTheEntryTheUserClicked)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    selectRows(main.ServicesGrid, {});
    const QList<int> rows = servicesNotIn(main, *main.CurrentBouquet(), 1);
    ASSERT_EQ(rows.size(), 1);
    click(main.ServicesGrid, rows[0]);
    const QString added = nameAt(main.ServicesGrid, "ColSerName", rows[0]);
    trigger(main, "PopupItmSerBouquetAdd");
    EXPECT_EQ(selectedNames(main.BouquetGrid), QStringList({added}));

    const int das = rowNamed(main.BouquetGrid, "Das Erste");
    ASSERT_GE(das, 0);
    click(main.BouquetGrid, das);
    main.PageControlServices->setCurrentIndex(1);
    click(main.MyServicesGrid, 0);
    QTest::keyClick(main.MyServicesGrid, Qt::Key_Delete);
    EXPECT_EQ(selectedNames(main.BouquetGrid), QStringList({"Das Erste"}));

    QTest::keyClick(main.BouquetGrid, Qt::Key_Delete);
    const QStringList left = entryNames(*main.CurrentBouquet());
    EXPECT_FALSE(left.contains("Das Erste"));
    EXPECT_TRUE(left.contains(added));
}

// More than one row goes only when the user says so, naming how many; one
// row goes at once. Cancel keeps every row.
TEST(GridChoice, DeletingSeveralRowsAsksFirstNamingTheCount)
{
    struct Case {
        const char *name;
        int page;            // services page, or -1 for the bouquet side
        int bouquetPage;     // bouquet side page
        std::function<TListGrid *(TFrmMain &)> grid;
        const char *question;
    };
    const Case cases[] = {
        {"services", 0, 0, [](TFrmMain &m) { return m.ServicesGrid; }, "Delete 3 services?"},
        {"my services", 1, 0, [](TFrmMain &m) { return m.MyServicesGrid; }, "Delete 3 my services?"},
        {"KingOfSat", 2, 0, [](TFrmMain &m) { return m.KingOfSatGrid; }, "Delete 3 services?"},
        {"bouquet entries", 0, 0, [](TFrmMain &m) { return m.BouquetGrid; }, "Delete 3 bouquet entries?"},
        {"bouquets", 0, 1, [](TFrmMain &m) { return m.BouquetListGrid; }, "Delete 3 bouquets?"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        main.PageControlServices->setCurrentIndex(c.page);
        main.PageControlBouquets->setCurrentIndex(c.bouquetPage);
        TListGrid *grid = c.grid(main);
        const int rows = grid->RowCount();
        ASSERT_GE(rows, 4);
        click(grid, 0);
        click(grid, 2, Qt::ShiftModifier);
        world.prompts.answers = {TPrompts::mbCancel};
        QTest::keyClick(grid, Qt::Key_Delete);
        ASSERT_FALSE(world.prompts.asked.isEmpty());
        EXPECT_EQ(world.prompts.asked.last().text, c.question);
        EXPECT_TRUE(world.prompts.asked.last().buttons & TPrompts::mbCancelDefault);
        EXPECT_EQ(grid->RowCount(), rows);
        EXPECT_EQ(selectedCount(grid), 3);

        world.prompts.answers = {TPrompts::mbYes};
        QTest::keyClick(grid, Qt::Key_Delete);
        EXPECT_EQ(grid->RowCount(), rows - 3);
        // The row below the deleted ones takes the selection.
        EXPECT_EQ(selectedCount(grid), 1);

        // One row: as before (the bouquet list asks whether the user is sure).
        const int asked = world.prompts.asked.size();
        click(grid, 0);
        world.prompts.answers = {TPrompts::mbYes};
        QTest::keyClick(grid, Qt::Key_Delete);
        EXPECT_EQ(grid->RowCount(), rows - 4);
        EXPECT_EQ(world.prompts.asked.size(), asked + (grid == main.BouquetListGrid ? 1 : 0));
        expectEveryRowInTheModel(main, world.program);
    }
}

// Receivers allow bouquets of one name: each of three is shown, dropped into,
// cleared and renamed on its own, by the combo and by the bouquet list.
TEST(GridChoice, BouquetsOfOneNameAreEachTheirOwn)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    TBouquetList &list = *world.program.BouquetList;
    const int first = list.Count();
    for (int k = 0; k < 3; ++k) {
        auto bouquet = std::make_unique<TBouquet>();
        bouquet->Name = QStringLiteral("Favourites");
        list.Add(std::move(bouquet));
    }
    main.FillBouquetListGrid(0);
    main.FillBouquetCombo(0);
    const QList<int> services = servicesNotIn(main, *list.GetItem(0), 3);
    ASSERT_EQ(services.size(), 3);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        TBouquet *bouquet = list.GetItem(first + k);
        // Chosen in the combo: the grid shows it and the list selects its row.
        main.ComboBouquets->setCurrentIndex(first + k);
        EXPECT_EQ(main.CurrentBouquet(), bouquet);
        EXPECT_EQ(TFrmMain::FirstSelectedRow(main.BouquetListGrid), first + k);
        // A drop goes into it.
        click(main.ServicesGrid, services[k]);
        dragWithTheMouse(main.ServicesGrid, services[k], main.BouquetGrid,
                         QPoint(40, main.BouquetGrid->viewport()->height() - 4));
        ASSERT_EQ(bouquet->Count(), 1);
        EXPECT_EQ(bouquet->GetItem(0)->Name, nameAt(main.ServicesGrid, "ColSerName", services[k]));
        EXPECT_EQ(main.BouquetGrid->RowCount(), 1);
    }
    // Clicking a row of the list shows that one.
    main.PageControlBouquets->setCurrentIndex(1);
    for (int k : {2, 0, 1}) {
        click(main.BouquetListGrid, first + k);
        EXPECT_EQ(main.CurrentBouquet(), list.GetItem(first + k));
        main.PageControlBouquets->setCurrentIndex(0);
        EXPECT_EQ(rowNames(main.BouquetGrid), entryNames(*list.GetItem(first + k)));
        main.PageControlBouquets->setCurrentIndex(1);
    }
    // Clear in the list empties the one the user looks at, and only that.
    world.prompts.answers = {TPrompts::mbYes};
    trigger(main, "PopupItmBouListBouquetClear");
    EXPECT_EQ(list.GetItem(first + 1)->Count(), 0);
    EXPECT_EQ(list.GetItem(first)->Count(), 1);
    EXPECT_EQ(list.GetItem(first + 2)->Count(), 1);
    // Renaming the third renames the third.
    click(main.BouquetListGrid, first + 2);
    world.prompts.typed = {"Favourites 3"};
    trigger(main, "PopupItmBouListBouquetRename");
    EXPECT_EQ(list.GetItem(first + 2)->Name, "Favourites 3");
    EXPECT_EQ(list.GetItem(first + 1)->Name, "Favourites");
    EXPECT_EQ(main.CurrentBouquet(), list.GetItem(first + 2));
    // Deleting the second from the bouquet grid's tool bar leaves the others.
    main.ComboBouquets->setCurrentIndex(first + 1);
    TBouquet *third = list.GetItem(first + 2);
    world.prompts.answers = {TPrompts::mbYes};
    trigger(main, "PopupItmBouBouquetDelete");
    EXPECT_EQ(list.Count(), first + 2);
    EXPECT_EQ(list.GetItem(first + 1), third);
    expectEveryRowInTheModel(main, world.program);
}

// Rows dragged from a grid sorted by its header arrive in the order the user
// sees them.
TEST(GridChoice, DraggedRowsKeepTheOrderOnScreen)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    TBouquet &bouquet = *main.CurrentBouquet();
    clickHeader(main.ServicesGrid);
    clickHeader(main.ServicesGrid); // descending: far from the list's order
    QList<int> rows = servicesNotIn(main, bouquet, 3);
    ASSERT_EQ(rows.size(), 3);
    QStringList seen;
    for (int row : rows) {
        click(main.ServicesGrid, row, row == rows[0] ? Qt::NoModifier : Qt::ControlModifier);
        seen.append(nameAt(main.ServicesGrid, "ColSerName", row));
    }
    const int count = bouquet.Count();
    dragWithTheMouse(main.ServicesGrid, rows[0], main.BouquetGrid,
                     QPoint(40, main.BouquetGrid->viewport()->height() - 4));
    EXPECT_EQ(entryNames(bouquet).mid(count), seen);
}

// A restore replaces lists the grids show: afterwards every grid shows only
// objects of the lists, so commands and the settings that fit the columns
// meet no freed service.
TEST(GridChoice, AfterARestoreEveryRowIsAnObjectOfTheLists)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    ASSERT_GT(main.KingOfSatGrid->RowCount(), 2);
    click(main.ServicesGrid, 0);
    QTest::keyClick(main.ServicesGrid, Qt::Key_Delete);
    main.PopupItmToolSave->trigger();
    QAction *state = main.PopupItemToolHistory->actions().first();
    ASSERT_TRUE(state->isEnabled());
    world.prompts.answers = {TPrompts::mbYes, TPrompts::mbOK};
    state->trigger();
    expectEveryRowInTheModel(main, world.program);
    main.PageControlServices->setCurrentIndex(2);
    click(main.KingOfSatGrid, 1);
    const int rows = main.KingOfSatGrid->RowCount();
    QTest::keyClick(main.KingOfSatGrid, Qt::Key_Delete);
    EXPECT_EQ(main.KingOfSatGrid->RowCount(), rows - 1);
    for (TListGrid *grid : {main.ServicesGrid, main.MyServicesGrid, main.KingOfSatGrid, main.BouquetGrid})
        grid->FitPendingColumns();
    expectEveryRowInTheModel(main, world.program);
}

// Entries whose service was deleted turn obsolete: grids whose filter hides
// obsolete entries stop showing them at once, not at some later refill.
TEST(GridChoice, EntriesADeleteMadeObsoleteLeaveGridsThatHideThem)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    // A replace or remove entry of my services and a bouquet entry, both for
    // one service of the services list.
    TService *mine = nullptr;
    QString tsid;
    world.program.MyServiceList->forEachService([&](TService *s, TTransponder *tp, TSatelite *) {
        if (!mine && !s->Obsolete && (s->IsActionRemove() || s->IsActionReplace())) {
            mine = s;
            tsid = tp->Tsid;
        }
    });
    ASSERT_NE(mine, nullptr);
    int row = -1;
    for (int r = 0; r < main.ServicesGrid->RowCount() && row < 0; ++r) {
        if (nameAt(main.ServicesGrid, "ColSerSIDHEX", r).compare(mine->Sid, Qt::CaseInsensitive) == 0
            && nameAt(main.ServicesGrid, "ColSerTSIDHEX", r).compare(tsid, Qt::CaseInsensitive) == 0)
            row = r;
    }
    ASSERT_GE(row, 0);
    const QString name = mine->Name;
    for (const char *filter : {"ActionMySerFilterObsolete", "ActionBouFilterObsolete"}) {
        QAction *action = main.ActionByName(filter);
        ASSERT_TRUE(action && action->isChecked()) << filter;
        action->trigger();
    }
    click(main.ServicesGrid, row);
    QTest::keyClick(main.ServicesGrid, Qt::Key_Delete);
    EXPECT_TRUE(mine->Obsolete);
    EXPECT_FALSE(rowNames(main.MyServicesGrid).contains(name));
    for (int r = 0; r < main.BouquetGrid->RowCount(); ++r) {
        const auto *entry = static_cast<const TBouquetService *>(main.BouquetGrid->RowSource(r));
        EXPECT_NE(entry->Service(), nullptr) << qPrintable(main.BouquetGrid->Cells(nameColumn(main.BouquetGrid), r));
    }
    expectEveryRowInTheModel(main, world.program);
}

// A restore replaces the lists History holds; the KingOfSat list stays as
// the user left it, and an edit of it not yet saved is not lost with the
// "saved" the restore leaves behind.
TEST(GridChoice, AKingOfSatEditBeforeARestoreIsKept)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    click(main.ServicesGrid, 0);
    QTest::keyClick(main.ServicesGrid, Qt::Key_Delete);
    main.PopupItmToolSave->trigger();
    main.PageControlServices->setCurrentIndex(2);
    click(main.KingOfSatGrid, 1);
    const QString gone = main.KingOfSatGrid->Cells(nameColumn(main.KingOfSatGrid), 1);
    QTest::keyClick(main.KingOfSatGrid, Qt::Key_Delete);
    ASSERT_FALSE(columnTexts(*main.KingOfSatGrid, "ColKofSerName").contains(gone));
    QAction *state = main.PopupItemToolHistory->actions().first();
    world.prompts.answers = {TPrompts::mbYes, TPrompts::mbOK};
    state->trigger();
    EXPECT_FALSE(columnTexts(*main.KingOfSatGrid, "ColKofSerName").contains(gone));
    EXPECT_FALSE(QString::fromUtf8(world.bytes("KingOfSat.xml")).contains(gone.toHtmlEscaped()));
    expectEveryRowInTheModel(main, world.program);
}

// The rows chosen in a bouquet go with the bouquet: after the shown bouquet
// is deleted, a bouquet made later (whatever memory it lands in) comes up
// with nothing chosen, however often that is done. A choice kept by address
// shows only when a new bouquet and its entries land where freed ones were,
// which the test watches for: an allocator that holds freed memory back (as
// the sanitizers' does) never gives the fault a chance, and the test says so
// instead of passing.
TEST(GridChoice, ABouquetMadeAfterADeleteComesUpWithNothingChosen)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    TBouquetList &list = *world.program.BouquetList;
    std::vector<TBouquet::TPlace> places;
    world.program.ServiceList->forEachService([&](TService *s, TTransponder *t, TSatelite *sat) {
        if (places.size() < 12)
            places.push_back({s, t, sat});
    });
    // Addresses only, never followed.
    std::set<const void *> freedBouquets, freedEntries;
    bool landedOnFreed = false;
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        auto made = std::make_unique<TBouquet>();
        made->Name = QStringLiteral("Runde %1").arg(round);
        for (const TBouquet::TPlace &place : places)
            made->AddService(place.service, place.transponder, place.satelite);
        if (freedBouquets.count(made.get())) {
            for (int i = 0; i < made->Count(); ++i)
                landedOnFreed = landedOnFreed || freedEntries.count(made->GetItem(i));
        }
        list.Add(std::move(made));
        main.FillBouquetListGrid(0);
        main.FillBouquetCombo(0);
        main.ComboBouquets->setCurrentIndex(list.Count() - 1);
        ASSERT_EQ(main.BouquetGrid->RowCount(), int(places.size()));
        EXPECT_EQ(selectedNames(main.BouquetGrid), QStringList());
        // The user chooses every row and deletes the bouquet shown.
        click(main.BouquetGrid, 0);
        click(main.BouquetGrid, main.BouquetGrid->RowCount() - 1, Qt::ShiftModifier);
        TBouquet *shown = main.CurrentBouquet();
        freedBouquets.insert(shown);
        for (int i = 0; i < shown->Count(); ++i)
            freedEntries.insert(shown->GetItem(i));
        world.prompts.answers = {TPrompts::mbYes};
        trigger(main, "PopupItmBouBouquetDelete");
        expectEveryRowInTheModel(main, world.program);
    }
    if (!landedOnFreed)
        GTEST_SKIP() << "no new bouquet and entry landed where freed ones were";
}
