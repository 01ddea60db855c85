// The user's commands as the driver gives them: mouse and key events on the
// window's own widgets, each step drawing what it acts on.

#include "driver_commands.h"
#include "driver_file_faults.h"
#include "driver_world.h"

#include "app/main/main_window.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "ui/grid/columns.h"
#include "ui/grid/list_grid.h"
#include "ui/program/program.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace {

using World = TDriverWorld;
using Result = TStepResult;

QTabWidget *tabsOf(World &w, const TGridInfo &info)
{
    return info.leftSide ? w.main().PageControlServices : w.main().PageControlBouquets;
}

// Brings the grid's page to the front with a click on its tab.
void showGrid(World &w, const TGridInfo &info)
{
    QTabWidget *tabs = tabsOf(w, info);
    if (tabs->currentIndex() == info.tabPage)
        return;
    QTabBar *bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(info.tabPage).center());
    QCoreApplication::processEvents();
}

const TGridInfo &drawGrid(World &w)
{
    static std::vector<TGridInfo> all;
    all = w.grids();
    return all.at(std::size_t(w.draw.below(int(all.size()))));
}

QString gridName(World &w, const TListGrid *grid)
{
    return QLatin1String(w.gridInfo(grid).name);
}

// A point of a row's name cell in the viewport, the row scrolled into view
// as the scroll bar would.
QPoint rowPoint(World &w, TListGrid *grid, int row)
{
    grid->ScrollToRow(row);
    return grid->CellRect(w.nameColumn(grid), row).center();
}

int drawRow(World &w, TListGrid *grid)
{
    return grid->RowCount() == 0 ? -1 : w.draw.below(grid->RowCount());
}

QString modifierText(Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::ControlModifier)
        return QStringLiteral("Ctrl+");
    if (modifiers & Qt::ShiftModifier)
        return QStringLiteral("Shift+");
    return QString();
}

// What a click with the mouse selects: the row alone, or with Ctrl the
// selection with the row toggled (Shift: a range, left to the grid).
void expectClickSelection(World &w, TListGrid *grid, int row, Qt::KeyboardModifiers modifiers,
                          const QList<const void *> &before, Result &r)
{
    if (modifiers & Qt::ShiftModifier || row >= grid->RowCount())
        return;
    const void *clicked = w.rowObject(grid, row);
    QList<const void *> expected;
    if (modifiers & Qt::ControlModifier) {
        expected = before;
        if (expected.contains(clicked))
            expected.removeAll(clicked);
        else
            expected.append(clicked);
    } else {
        expected = {clicked};
    }
    if (!sameObjects(expected, selectedObjects(w, grid)))
        r.findings.append(QStringLiteral("CLICK %1 grid: %2click on row %3 left %4 selected (%5 rows expected)")
                              .arg(gridName(w, grid), modifierText(modifiers))
                              .arg(row)
                              .arg(w.selectionText(grid))
                              .arg(expected.size()));
}

void chooseAlsoBouquetFor(World &w, const TListGrid *grid, Result &r)
{
    r.chosen.append(grid);
    // The bouquet list's row is the bouquet the bouquet grid shows.
    if (grid == w.main().BouquetListGrid)
        r.chosen.append(w.main().BouquetGrid);
    // With the grids connected (a setting) a press on a bouquet entry goes
    // to its service.
    if (grid == w.main().BouquetGrid)
        r.chosen << w.main().ServicesGrid << w.main().MyServicesGrid;
}

// A grid drawn and brought to the front, with a row of it drawn; null
// (and said) when the grid has no rows.
TListGrid *drawShownRow(World &w, Result &r, const char *what, int &row)
{
    const TGridInfo &info = drawGrid(w);
    showGrid(w, info);
    row = drawRow(w, info.grid);
    if (row >= 0)
        return info.grid;
    r.text = QStringLiteral("%1 in the empty %2 grid: nothing").arg(QLatin1String(what), QLatin1String(info.name));
    return nullptr;
}

void clickRow(World &w, Result &r)
{
    int row = -1;
    TListGrid *grid = drawShownRow(w, r, "click", row);
    if (!grid)
        return;
    const int kind = w.draw.below(100);
    const Qt::KeyboardModifiers modifiers = kind < 60 ? Qt::KeyboardModifiers()
        : kind < 85                                   ? Qt::KeyboardModifiers(Qt::ControlModifier)
                                                      : Qt::KeyboardModifiers(Qt::ShiftModifier);
    r.text = QStringLiteral("%1click %2 grid row %3").arg(modifierText(modifiers), gridName(w, grid), w.rowText(grid, row));
    const QList<const void *> before = selectedObjects(w, grid);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, rowPoint(w, grid, row));
    QCoreApplication::processEvents();
    chooseAlsoBouquetFor(w, grid, r);
    expectClickSelection(w, grid, row, modifiers, before, r);
}

void doubleClickRow(World &w, Result &r)
{
    int row = -1;
    TListGrid *grid = drawShownRow(w, r, "double click", row);
    if (!grid)
        return;
    r.text = QStringLiteral("double click %1 grid row %2").arg(gridName(w, grid), w.rowText(grid, row));
    const QPoint at = rowPoint(w, grid, row);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
    chooseAlsoBouquetFor(w, grid, r);
    // A bouquet entry's double click goes to its service.
    if (grid == w.main().BouquetGrid)
        r.chosen.append(w.main().ServicesGrid);
}

void keys(World &w, Result &r)
{
    const TGridInfo &info = drawGrid(w);
    showGrid(w, info);
    static const std::vector<std::pair<Qt::Key, const char *>> keyList = {
        {Qt::Key_Down, "Down"}, {Qt::Key_Up, "Up"}, {Qt::Key_Home, "Home"},
        {Qt::Key_End, "End"},   {Qt::Key_PageDown, "PageDown"}};
    const auto &[key, name] = w.draw.pick(keyList);
    const bool shift = w.draw.chance(40);
    r.text = QStringLiteral("key %1%2 in the %3 grid").arg(shift ? QStringLiteral("Shift+") : QString(), QLatin1String(name), QLatin1String(info.name));
    info.grid->setFocus();
    QTest::keyClick(info.grid, key, shift ? Qt::ShiftModifier : Qt::NoModifier);
    QCoreApplication::processEvents();
    chooseAlsoBouquetFor(w, info.grid, r);
}

void selectAllKeys(World &w, Result &r)
{
    const TGridInfo &info = drawGrid(w);
    showGrid(w, info);
    r.text = QStringLiteral("Ctrl+A in the %1 grid").arg(QLatin1String(info.name));
    info.grid->setFocus();
    QTest::keyClick(info.grid, Qt::Key_A, Qt::ControlModifier);
    QCoreApplication::processEvents();
    chooseAlsoBouquetFor(w, info.grid, r);
    int selected = 0;
    for (int row = 0; row < info.grid->RowCount(); ++row)
        selected += info.grid->Selected(row) ? 1 : 0;
    if (selected != info.grid->RowCount())
        r.findings.append(QStringLiteral("KEYS %1 grid: Ctrl+A selected %2 of %3 rows")
                              .arg(QLatin1String(info.name))
                              .arg(selected)
                              .arg(info.grid->RowCount()));
}

// A delete as the driver watches it: the objects of every list before, the
// ones the command is to take, and the rows that follow each run of them on
// screen, where the user goes on.
struct TDeleteWatch {
    TListGrid *grid = nullptr;
    TModelObjects before;
    QList<const void *> taken;
    QList<const void *> following;
    QList<const void *> selection;
    // Entries that go with the deleted bouquets.
    QSet<const void *> entriesOfTaken;
};

TDeleteWatch watchDelete(World &w, TListGrid *grid)
{
    TDeleteWatch watch;
    watch.grid = grid;
    watch.before = w.modelObjects();
    watch.selection = selectedObjects(w, grid);
    watch.taken = watch.selection;
    for (int row = 1; row < grid->RowCount(); ++row) {
        if (grid->Selected(row - 1) && !grid->Selected(row))
            watch.following.append(w.rowObject(grid, row));
    }
    if (grid == w.main().BouquetListGrid) {
        for (const void *object : watch.taken) {
            const auto *bouquet = static_cast<const TBouquet *>(object);
            for (int e = 0; e < bouquet->Count(); ++e)
                watch.entriesOfTaken.insert(bouquet->GetItem(e));
        }
    }
    return watch;
}

// The objects of `before` that `after` no longer holds.
QList<const void *> lostObjects(const QHash<const void *, QString> &before, const QHash<const void *, QString> &after)
{
    QList<const void *> lost;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!after.contains(it.key()))
            lost.append(it.key());
    }
    return lost;
}

QString namesOf(const QHash<const void *, QString> &names, const QList<const void *> &objects)
{
    QStringList list;
    for (const void *object : objects) {
        if (list.size() == 6) {
            list.append(QStringLiteral("... (%1 in all)").arg(objects.size()));
            break;
        }
        list.append(QStringLiteral("\"%1\"").arg(names.value(object)));
    }
    return QStringLiteral("[") + list.join(QStringLiteral(", ")) + QStringLiteral("]");
}

// A delete takes exactly the objects that were selected, from the grid's own
// list and from no other, or nothing when the user said no; deleting more
// than one row asks first. The grid then selects the rows that followed the
// deleted ones, or keeps its selection when nothing went.
void checkDelete(World &w, const TDeleteWatch &watch, Result &r)
{
    TFrmMain &m = w.main();
    const TModelObjects after = w.modelObjects();
    struct Kind {
        const TListGrid *grid;
        const char *list;
        const QHash<const void *, QString> TModelObjects::*objects;
    };
    const Kind kinds[] = {
        {m.ServicesGrid, "services", &TModelObjects::services},
        {m.MyServicesGrid, "my-services", &TModelObjects::myServices},
        {m.KingOfSatGrid, "KingOfSat", &TModelObjects::kingOfSat},
        {m.BouquetListGrid, "bouquet", &TModelObjects::bouquets},
        {m.BouquetGrid, "bouquet entry", &TModelObjects::entries},
    };
    const QString grid = gridName(w, watch.grid);
    bool tookAll = false;
    for (const Kind &kind : kinds) {
        const QHash<const void *, QString> &before = watch.before.*kind.objects;
        const QList<const void *> lost = lostObjects(before, after.*kind.objects);
        if (kind.grid == watch.grid) {
            // Nothing taken is the answer No; anything else is the selection.
            tookAll = !lost.isEmpty() && sameObjects(lost, watch.taken);
            if (!lost.isEmpty() && !tookAll)
                r.findings.append(QStringLiteral("DELETE %1 grid: took %2 of the %3 list, %4 were selected")
                                      .arg(grid, namesOf(before, lost), QLatin1String(kind.list),
                                           namesOf(before, watch.taken)));
            if (watch.taken.size() > 1 && lost.size() > 1 && w.prompts.askedThisStep == 0)
                r.findings.append(
                    QStringLiteral("ASK %1 grid: %2 deleted without a question").arg(grid).arg(lost.size()));
            continue;
        }
        QList<const void *> other = lost;
        if (kind.grid == m.BouquetGrid)
            other.removeIf([&watch](const void *entry) { return watch.entriesOfTaken.contains(entry); });
        if (!other.isEmpty())
            r.findings.append(QStringLiteral("DELETE %1 grid: took %2 of the %3 list as well")
                                  .arg(grid, namesOf(before, other), QLatin1String(kind.list)));
    }
    r.results.insert(watch.grid, tookAll ? watch.following : watch.selection);
}

void deleteKey(World &w, Result &r)
{
    const TGridInfo &info = drawGrid(w);
    showGrid(w, info);
    r.text = QStringLiteral("Delete key in the %1 grid on %2").arg(QLatin1String(info.name), w.selectionText(info.grid));
    const TDeleteWatch watch = watchDelete(w, info.grid);
    info.grid->setFocus();
    QTest::keyClick(info.grid, Qt::Key_Delete);
    QCoreApplication::processEvents();
    chooseAlsoBouquetFor(w, info.grid, r);
    checkDelete(w, watch, r);
}

void sortByHeader(World &w, Result &r)
{
    const TGridInfo &info = drawGrid(w);
    showGrid(w, info);
    TListGrid *grid = info.grid;
    if (grid->RowCount() == 0) {
        r.text = QStringLiteral("header click in the empty %1 grid: nothing").arg(QLatin1String(info.name));
        return;
    }
    // Sortable columns shown within the viewport.
    std::vector<int> columns;
    const int top = grid->FirstVisibleRow();
    for (int i = 0; i < grid->Columns()->Count(); ++i) {
        const TLgCustomColumn *column = grid->Columns()->Items(i);
        if (!column->Visible() || !column->Options().contains(coCanSort))
            continue;
        const QRect cell = grid->CellRect(i, top);
        if (cell.width() > 4 && cell.center().x() < grid->viewport()->width())
            columns.push_back(i);
    }
    if (columns.empty()) {
        r.text = QStringLiteral("header click in the %1 grid: no sortable column in view").arg(QLatin1String(info.name));
        return;
    }
    const int col = w.draw.pick(columns);
    r.text = QStringLiteral("header click on %1 of the %2 grid")
                 .arg(grid->Columns()->Items(col)->objectName(), QLatin1String(info.name));
    const QPoint at(grid->CellRect(col, top).center().x(), grid->HeaderRect().center().y());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
}

void filter(World &w, Result &r)
{
    TFrmMain &m = w.main();
    const std::vector<std::pair<QLineEdit *, TListGrid *>> edits = {
        {m.EdtFilterServices, m.ServicesGrid},
        {m.EdtFilterMyservices, m.MyServicesGrid},
        {m.EdtFilterKingOfSat, m.KingOfSatGrid},
        {m.EdtFilterBouquet, m.BouquetGrid},
    };
    const auto &[edit, grid] = w.draw.pick(edits);
    showGrid(w, w.gridInfo(grid));
    QString pattern;
    switch (w.draw.below(6)) {
    case 0:
        break;
    case 1:
        pattern = QStringLiteral("*");
        break;
    case 2:
        pattern = QStringLiteral("*e*");
        break;
    case 3:
        pattern = QStringLiteral("?a*");
        break;
    case 4:
        pattern = QStringLiteral("*1*");
        break;
    default: {
        const int row = drawRow(w, grid);
        // Typed keys are ASCII: any other letter is matched by "?".
        if (row >= 0) {
            for (QChar c : grid->Cells(w.nameColumn(grid), row).left(3))
                pattern += c.unicode() < 0x7F && c.unicode() >= 0x20 ? c : QChar(u'?');
            pattern += u'*';
        }
        break;
    }
    }
    r.text = QStringLiteral("filter \"%1\" on the %2 grid").arg(pattern, gridName(w, grid));
    if (!edit->isVisible()) {
        // The filter bar is shown with its button first.
        const TGridInfo &info = w.gridInfo(grid);
        QToolButton *button = info.grid == m.ServicesGrid ? m.BtnFilterServices
            : info.grid == m.MyServicesGrid               ? m.BtnFilterMyServices
            : info.grid == m.KingOfSatGrid                ? m.BtnFilterKingOfSat
                                                          : m.BtnFilterBouquet;
        if (button && button->isVisible())
            QTest::mouseClick(button, Qt::LeftButton);
    }
    edit->setFocus();
    edit->selectAll();
    if (pattern.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, pattern);
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
}

void filterAction(World &w, Result &r)
{
    static const std::vector<const char *> actions = {
        "ActionSerFilterTv",       "ActionSerFilterRadio",   "ActionSerFilterData",
        "ActionMySerFilterTv",     "ActionMySerFilterRadio", "ActionMySerFilterMy",
        "ActionMySerFilterAnti",   "ActionMySerFilterReplace", "ActionMySerFilterObsolete",
        "ActionBouFilterTv",       "ActionBouFilterRadio",   "ActionBouFilterObsolete",
    };
    const char *name = w.draw.pick(actions);
    QAction *action = w.main().ActionByName(QLatin1String(name));
    r.text = QStringLiteral("view menu %1").arg(QLatin1String(name));
    if (action && action->isEnabled())
        action->trigger();
    QCoreApplication::processEvents();
}

void clickTab(World &w, Result &r)
{
    const TGridInfo &info = drawGrid(w);
    r.text = QStringLiteral("tab of the %1 grid").arg(QLatin1String(info.name));
    showGrid(w, info);
}

void comboKey(World &w, Result &r)
{
    const bool down = w.draw.chance(60);
    r.text = QStringLiteral("bouquet combo key %1").arg(down ? QStringLiteral("Down") : QStringLiteral("Up"));
    showGrid(w, w.gridInfo(w.main().BouquetGrid));
    w.main().ComboBouquets->setFocus();
    QTest::keyClick(w.main().ComboBouquets, down ? Qt::Key_Down : Qt::Key_Up);
    QCoreApplication::processEvents();
    r.chosen = {w.main().BouquetGrid, w.main().BouquetListGrid};
}

void toggleBouquetFlag(World &w, Result &r)
{
    TListGrid *grid = w.main().BouquetListGrid;
    showGrid(w, w.gridInfo(grid));
    const int row = drawRow(w, grid);
    const char *column = w.draw.chance(50) ? "ColLocked" : "ColHidden";
    r.text = QStringLiteral("click %1 of bouquet list row %2").arg(QLatin1String(column)).arg(row);
    if (row < 0)
        return;
    grid->ScrollToRow(row);
    const QRect cell = grid->CellRect(TFrmMain::ColumnByName(grid, QLatin1String(column)), row);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCoreApplication::processEvents();
    r.chosen = {grid, w.main().BouquetGrid};
}

// Objects of `after` that `before` did not hold.
QList<const void *> gainedObjects(const QHash<const void *, QString> &before, const QHash<const void *, QString> &after)
{
    return lostObjects(after, before);
}

QList<const void *> markedServices(const TServiceList &list)
{
    QList<const void *> marked;
    list.forEachService([&marked](TService *s, TTransponder *, TSatelite *) {
        if (s->Marked)
            marked.append(s);
    });
    return marked;
}

QList<const void *> newEntries(const TBouquet *bouquet, const TModelObjects &before)
{
    QList<const void *> entries;
    for (int e = 0; bouquet && e < bouquet->Count(); ++e) {
        if (!before.entries.contains(bouquet->GetItem(e)))
            entries.append(bouquet->GetItem(e));
    }
    return entries;
}

// A drag with the mouse: press on a row of `from`, a move past the drag
// distance, over to `to` and a release there. The press grabs the mouse, so
// every event goes to `from`'s viewport at the pointer's place.
void drag(World &w, Result &r)
{
    TFrmMain &m = w.main();
    struct Way {
        TListGrid *from, *to;
    };
    const std::vector<Way> ways = {
        {m.ServicesGrid, m.BouquetGrid},     {m.MyServicesGrid, m.BouquetGrid},
        {m.KingOfSatGrid, m.BouquetGrid},    {m.BouquetGrid, m.BouquetGrid},
        {m.BouquetListGrid, m.BouquetListGrid}, {m.ServicesGrid, m.BouquetListGrid},
        {m.MyServicesGrid, m.BouquetListGrid},
    };
    const Way way = w.draw.pick(ways);
    showGrid(w, w.gridInfo(way.from));
    showGrid(w, w.gridInfo(way.to));
    // Half the time the selection goes (a press on a selected row), else one row.
    int row = -1;
    if (w.draw.chance(50)) {
        std::vector<int> selected;
        for (int i = 0; i < way.from->RowCount(); ++i) {
            if (way.from->Selected(i))
                selected.push_back(i);
        }
        if (!selected.empty())
            row = w.draw.pick(selected);
    }
    if (row < 0)
        row = drawRow(w, way.from);
    if (row < 0) {
        r.text = QStringLiteral("drag from the empty %1 grid: nothing").arg(gridName(w, way.from));
        return;
    }
    const int target = way.to->RowCount() == 0 || w.draw.chance(25) ? -1 : w.draw.below(way.to->RowCount());
    r.text = QStringLiteral("drag %1 grid row %2 (selection %3) to the %4 grid %5")
                 .arg(gridName(w, way.from), w.rowText(way.from, row), w.selectionText(way.from), gridName(w, way.to),
                      target < 0 ? QStringLiteral("below the last row") : QStringLiteral("row ") + w.rowText(way.to, target));
    const QPoint dropInTarget = target < 0 ? QPoint(40, way.to->viewport()->height() - 4) : rowPoint(w, way.to, target);
    const TModelObjects before = w.modelObjects();
    const TBouquet *shown = m.CurrentBouquet();
    QWidget *source = way.from->viewport();
    const QPoint start = rowPoint(w, way.from, row);
    const QPoint end = source->mapFromGlobal(way.to->viewport()->mapToGlobal(dropInTarget));
    QTest::mousePress(source, Qt::LeftButton, {}, start);
    // What goes is what the press left selected.
    const QList<const void *> dragged = selectedObjects(w, way.from);
    QTest::mouseMove(source, start + QPoint(0, QApplication::startDragDistance() + 2));
    QTest::mouseMove(source, end);
    QTest::mouseRelease(source, Qt::LeftButton, {}, end);
    QCoreApplication::processEvents();
    r.chosen = {way.from, way.to, m.BouquetGrid, m.BouquetListGrid};
    if (way.from == m.BouquetGrid)
        r.chosen << m.ServicesGrid << m.MyServicesGrid;
    // Rows moved within their grid stay selected; services dropped on a
    // bouquet leave their new entries selected, and the bouquet they went
    // into shown and chosen.
    if (way.from == way.to) {
        r.results.insert(way.to, dragged);
    } else if (way.from != m.KingOfSatGrid) {
        const QList<const void *> added = way.to == m.BouquetGrid && m.CurrentBouquet() != shown
            ? QList<const void *>()
            : newEntries(m.CurrentBouquet(), before);
        if (!added.isEmpty()) {
            r.results.insert(m.BouquetGrid, added);
            if (way.to == m.BouquetListGrid)
                r.results.insert(m.BouquetListGrid, {m.CurrentBouquet()});
        } else if (way.to == m.BouquetGrid) {
            r.chosen.removeAll(m.BouquetGrid);
        }
    }
}

// The tool buttons of each grid with the grids whose selection the command
// may choose (its result, or the bouquet it shows).
struct TButton {
    const char *name;
    std::vector<int> chooses; // indexes into TDriverWorld::grids()
};
enum : int { Ser, MySer, Kof, Bou, BouList };

void typeIntoServiceDialog(World &w)
{
    const int kind = w.draw.below(3);
    w.nextModal = [&w, kind](QWidget *dialog) {
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("EdtServiceName"))) {
            if (kind == 1) {
                name->setFocus();
                name->selectAll();
                QTest::keyClicks(name, QStringLiteral("Driver %1").arg(w.draw.below(100)));
            }
        }
        const char *button = kind == 2 ? "BtnCancel" : "BtnOk";
        w.modalLog.append(QStringLiteral("service dialog: %1 typed, %2").arg(kind == 1 ? QStringLiteral("name") : QStringLiteral("nothing"), QLatin1String(button)));
        if (auto *b = dialog->findChild<QAbstractButton *>(QLatin1String(button)))
            QTest::mouseClick(b, Qt::LeftButton);
    };
}

// What a tool button's grid selects afterwards: the entries it made, the
// rows it moved, the service it edited. A command that changed nothing
// leaves its grids as the user left them.
void expectToolResult(World &w, const QString &name, TListGrid *grid, const TModelObjects &before,
                      const QList<const void *> &selection, const TBouquet *bouquet, Result &r)
{
    TFrmMain &m = w.main();
    const TModelObjects after = w.modelObjects();
    const auto keep = [&r](const TListGrid *unchanged) { r.chosen.removeAll(unchanged); };
    const auto expect = [&r](const TListGrid *g, const QList<const void *> &objects) {
        r.results.insert(g, objects);
    };
    if (name == QLatin1String("ToolBtnSerBouquetAdd") || name == QLatin1String("ToolBtnMySerBouquetAdd")) {
        const QList<const void *> added = m.CurrentBouquet() == bouquet ? newEntries(bouquet, before) : QList<const void *>();
        if (added.isEmpty())
            keep(m.BouquetGrid);
        else
            expect(m.BouquetGrid, added);
    } else if (name.startsWith(QLatin1String("ToolBtnSerAdd"))) {
        if (selection.isEmpty())
            keep(m.MyServicesGrid);
        else
            expect(m.MyServicesGrid, markedServices(*w.program().MyServiceList));
    } else if (name == QLatin1String("ToolBtnSerServiceNew") || name == QLatin1String("ToolBtnMySerServiceNew")
               || name.endsWith(QLatin1String("SerServiceProperties"))) {
        const bool mine = grid == m.MyServicesGrid;
        const QList<const void *> made = gainedObjects(mine ? before.myServices : before.services,
                                                      mine ? after.myServices : after.services);
        const QHash<const void *, QString> &names = mine ? after.myServices : after.services;
        const void *edited = selection.isEmpty() ? nullptr : selection.front();
        if (!made.isEmpty())
            expect(grid, made);
        else if (name.endsWith(QLatin1String("Properties")) && names.contains(edited)
                 && names.value(edited) != (mine ? before.myServices : before.services).value(edited))
            expect(grid, {edited});
        else if (name.endsWith(QLatin1String("ServiceNew")))
            keep(grid);
    } else if (name == QLatin1String("ToolBtnBouServiceNew")) {
        const QList<const void *> made = gainedObjects(before.services, after.services);
        if (!made.isEmpty())
            expect(m.ServicesGrid, made);
        if (const QList<const void *> added = newEntries(m.CurrentBouquet(), before); !added.isEmpty())
            expect(m.BouquetGrid, added);
    } else if (name == QLatin1String("ToolBtnBouUp") || name == QLatin1String("ToolBtnBouDown")
               || name == QLatin1String("ToolBtnBouListUp") || name == QLatin1String("ToolBtnBouListDown")) {
        expect(grid, selection);
    } else if (name.endsWith(QLatin1String("BouquetNew"))) {
        if (const QList<const void *> made = gainedObjects(before.bouquets, after.bouquets); !made.isEmpty())
            expect(m.BouquetListGrid, made);
    } else if (name == QLatin1String("ToolBtnKofServiceAdd")) {
        if (!gainedObjects(before.services, after.services).isEmpty())
            expect(m.ServicesGrid, markedServices(*w.program().ServiceList));
    }
}

void toolButton(World &w, Result &r)
{
    static const std::vector<std::vector<TButton>> buttons = {
        {{"ToolBtnSerSelectAll", {Ser}},
         {"ToolBtnSerBouquetAdd", {Bou}},
         {"ToolBtnSerAddMyService", {MySer}},
         {"ToolBtnSerAddAntiService", {MySer}},
         {"ToolBtnSerAddReplaceService", {MySer}},
         {"ToolBtnSerServiceNew", {Ser}},
         {"ToolBtnSerServiceDelete", {Ser}},
         {"ToolBtnSerServiceProperties", {Ser}}},
        {{"ToolBtnMySerSelectAll", {MySer}},
         {"ToolBtnMySerToggle", {MySer}},
         {"ToolBtnMySerServiceNew", {MySer}},
         {"ToolBtnMySerDeleteSelected", {MySer}},
         {"ToolBtnMySerServiceProperties", {MySer}},
         {"ToolBtnMySerBouquetAdd", {Bou}}},
        {{"ToolBtnKofServiceAdd", {Ser, Kof}},
         {"ToolBtnKofSelectAll", {Kof}},
         {"ToolBtnKofDeleteSelected", {Kof}},
         {"ToolBtnKofDownload", {Kof}}},
        {{"ToolBtnBouSelectAll", {Bou}},
         {"ToolBtnBouUp", {Bou}},
         {"ToolBtnBouDown", {Bou}},
         {"ToolBtnBouBouquetNew", {Bou, BouList}},
         {"ToolBtnBouBouquetRename", {BouList}},
         {"ToolBtnBouBouquetClear", {Bou}},
         {"ToolBtnBouBouquetDelete", {Bou, BouList}},
         {"ToolBtnBouServiceNew", {Bou, Ser}},
         {"ToolBtnBouServiceProperties", {Bou}},
         {"ToolBtnBouServiceDelete", {Bou}},
         {"ToolBtnBouSort", {Bou}}},
        {{"ToolBtnBouListSelectAll", {BouList}},
         {"ToolBtnBouListUp", {BouList}},
         {"ToolBtnBouListDown", {BouList}},
         {"ToolBtnBouListBouquetNew", {Bou, BouList}},
         {"ToolBtnBouListBouquetRename", {BouList}},
         {"ToolBtnBouListBouquetClear", {Bou, BouList}},
         {"ToolBtnBouListBouquetDelete", {Bou, BouList}},
         {"ToolBtnBouListSort", {Bou, BouList}},
         {"ToolBtnBouListBouquetMerge", {Bou, BouList}}},
    };
    const int g = w.draw.below(int(buttons.size()));
    const TButton &b = w.draw.pick(buttons.at(std::size_t(g)));
    const std::vector<TGridInfo> grids = w.grids();
    const TGridInfo &info = grids.at(std::size_t(g));
    showGrid(w, info);
    auto *button = w.main().findChild<QToolButton *>(QLatin1String(b.name));
    r.text = QStringLiteral("%1 on the %2 grid's selection %3").arg(QLatin1String(b.name), QLatin1String(info.name), w.selectionText(info.grid));
    if (w.leftOut(QLatin1String(b.name))) {
        r.text += QStringLiteral(": left out");
        return;
    }
    if (!button || !button->isEnabled()) {
        r.text += QStringLiteral(": disabled");
        return;
    }
    const QString name = QLatin1String(b.name);
    if (name.endsWith(QLatin1String("ServiceNew")) || name.endsWith(QLatin1String("Properties")))
        typeIntoServiceDialog(w);
    TFrmMain &m = w.main();
    const bool deletes = name.endsWith(QLatin1String("Delete")) || name.endsWith(QLatin1String("DeleteSelected"));
    TDeleteWatch watch = watchDelete(w, name == QLatin1String("ToolBtnBouBouquetDelete") ? m.BouquetListGrid : info.grid);
    TBouquet *bouquet = m.CurrentBouquet();
    if (name == QLatin1String("ToolBtnBouBouquetDelete")) {
        // The shown bouquet goes, with its entries.
        watch.taken = bouquet ? QList<const void *>{bouquet} : QList<const void *>();
        watch.entriesOfTaken.clear();
        for (int e = 0; bouquet && e < bouquet->Count(); ++e)
            watch.entriesOfTaken.insert(bouquet->GetItem(e));
    }
    const QList<const void *> selection = selectedObjects(w, info.grid);
    r.keepsNames = name == QLatin1String("ToolBtnSerAddMyService")
        || name == QLatin1String("ToolBtnSerAddAntiService")
        || name == QLatin1String("ToolBtnSerAddReplaceService");
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
    w.nextModal = nullptr;
    if (r.keepsNames) {
        w.program().MyServiceList->forEachService([&](TService *s, TTransponder *, TSatelite *) {
            if (s->Marked)
                r.changedOnPurpose.insert(s);
        });
    }
    for (int chosen : b.chooses)
        r.chosen.append(grids.at(std::size_t(chosen)).grid);
    if (deletes) {
        checkDelete(w, watch, r);
        // The bouquet list then shows the bouquet the grid shows now.
        if (name == QLatin1String("ToolBtnBouBouquetDelete") && !w.modelObjects().bouquets.contains(bouquet))
            r.results.insert(m.BouquetListGrid, {m.CurrentBouquet()});
        return;
    }
    expectToolResult(w, name, info.grid, watch.before, selection, bouquet, r);
}

void obsoleteItems(World &w, Result &r)
{
    const char *name = w.draw.chance(50) ? "ActionBouRemoveObsoleteThis" : "ActionBouRemoveObsoleteAll";
    r.text = QStringLiteral("bouquet popup %1").arg(QLatin1String(name));
    if (QAction *action = w.main().ActionByName(QLatin1String(name)); action && action->isEnabled())
        action->trigger();
    QCoreApplication::processEvents();
    r.chosen = {w.main().BouquetGrid};
}

void mainToolButton(World &w, Result &r, const char *name)
{
    r.text = QLatin1String(name);
    auto *button = w.main().findChild<QToolButton *>(QLatin1String(name));
    if (button && button->isEnabled())
        QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
}

// Optimize with a drawn set of its five steps (at least one), run or
// cancelled.
void optimize(World &w, Result &r)
{
    static const char *const boxes[] = {"CbxRemoveDataServices", "CbxFixObsoleteServices",
                                        "CbxRemoveObsoleteServices", "CbxRemoveUnusedServices",
                                        "CbxRemoveObsoleteMyServices"};
    const int chosen = 1 + w.draw.below(31);
    const bool run = w.draw.chance(85);
    QStringList ticked;
    for (int i = 0; i < 5; ++i) {
        if (chosen & (1 << i))
            ticked.append(QLatin1String(boxes[i]));
    }
    w.nextModal = [=](QWidget *dialog) {
        for (const char *name : boxes) {
            if (auto *box = dialog->findChild<QAbstractButton *>(QLatin1String(name)))
                box->setChecked(ticked.contains(QLatin1String(name)));
        }
        auto *button = dialog->findChild<QAbstractButton *>(QLatin1String(run ? "BtnOptimize" : "BtnCancel"));
        if (button && button->isEnabled())
            QTest::mouseClick(button, Qt::LeftButton);
    };
    mainToolButton(w, r, "ToolBtnOptimize");
    w.nextModal = nullptr;
    r.text += QStringLiteral(" %1 with %2").arg(run ? "run" : "cancelled", ticked.join(u','));
    r.choseAll = true;
    r.keepsNames = true;
    r.dataMayGo = run && (chosen & 1);
}

void saveMenu(World &w, Result &r)
{
    TFrmMain &m = w.main();
    const int kind = w.draw.below(10);
    QAction *item = nullptr;
    if (kind < 5) {
        item = m.PopupItmToolSave;
        r.text = QStringLiteral("Save (To Cache)");
        r.saved = true;
    } else if (kind < 7) {
        item = m.PopupItmToolGoBack;
        r.text = QStringLiteral("Go Back");
        r.choseAll = true;
    } else if (kind < 9) {
        const QList<QAction *> items = m.PopupItemToolHistory->actions();
        if (!items.isEmpty())
            item = items.at(w.draw.below(int(items.size())));
        r.text = QStringLiteral("history item %1").arg(item ? item->text() : QStringLiteral("(none)"));
        r.choseAll = true;
    } else {
        item = w.draw.chance(85) ? m.PopupItmToolClearHistory : m.PopupItmToolReset;
        r.text = item ? item->objectName() : QString();
        r.choseAll = true;
    }
    std::unique_ptr<TSaveMenuFault> fault;
    if (w.options.fileFaults && kind < 9) {
        fault = std::make_unique<TSaveMenuFault>(w, kind < 5);
        r.text += u' ' + fault->text();
    }
    if (item && w.leftOut(item->objectName().isEmpty() ? QStringLiteral("history") : item->objectName()))
        r.text += QStringLiteral(": left out");
    else if (item && item->isEnabled())
        item->trigger();
    else
        r.text += QStringLiteral(": disabled");
    QCoreApplication::processEvents();
    if (fault) {
        r.findings += fault->finish(r.saved);
        r.saved = r.saved && kind < 5;
        r.text += QStringLiteral(" (%1 failed)").arg(fault->failedSteps());
    }
}

void exchange(World &w, Result &r, bool import, bool everything = false)
{
    using Fault = TDriverWorld::ReceiverFault;
    const std::vector<std::pair<Fault, const char *>> faults = {
        {Fault::None, "sound receiver"},
        {Fault::None, "sound receiver"},
        {Fault::WrongPassword, "wrong password"},
        {Fault::TruncatedServices, "truncated services file"},
        {Fault::TruncatedBouquets, "truncated bouquets file"},
    };
    const auto &[fault, faultText] = everything ? faults.front() : w.draw.pick(faults);
    const bool services = everything || w.draw.chance(70), myServices = everything || w.draw.chance(50),
               bouquets = everything || w.draw.chance(70), news = import && !everything && w.draw.chance(30);
    r.text = QStringLiteral("%1 (%2) services %3 my services %4 bouquets %5 news %6")
                 .arg(import ? QStringLiteral("import") : QStringLiteral("export"), QLatin1String(faultText))
                 .arg(services)
                 .arg(myServices)
                 .arg(bouquets)
                 .arg(news);
    if (!w.receiverUp()) {
        r.text += QStringLiteral(": no receiver");
        return;
    }
    w.setReceiverFault(fault);
    w.nextModal = [=](QWidget *dialog) {
        if (auto *box = dialog->findChild<QAbstractButton *>(QStringLiteral("BtnBox")))
            box->click();
        for (auto [name, on] : {std::pair{"CbxServices", services}, std::pair{"CbxMyServices", myServices},
                                std::pair{"CbxBouquets", bouquets}, std::pair{"CbxImportNews", news}}) {
            auto *check = dialog->findChild<QAbstractButton *>(QLatin1String(name));
            if (check && check->isEnabled() && check->isChecked() != on)
                check->click();
        }
        auto *go = dialog->findChild<QAbstractButton *>(QLatin1String(import ? "BtnImport" : "BtnExport"));
        if (go && go->isEnabled())
            QTest::mouseClick(go, Qt::LeftButton);
        if (dialog->isVisible()) {
            if (auto *close = dialog->findChild<QAbstractButton *>(QStringLiteral("BtnClose")))
                QTest::mouseClick(close, Qt::LeftButton);
        }
    };
    const QString text = r.text;
    mainToolButton(w, r, "ToolBtnImportExport");
    r.text = QStringLiteral("ToolBtnImportExport: ") + text;
    w.nextModal = nullptr;
    w.setReceiverFault(Fault::None);
    if (import)
        r.choseAll = true;
}

} // namespace

const std::vector<TDriverCommand> &driverCommands()
{
    static const std::vector<TDriverCommand> commands = {
        {"click", 22, clickRow},
        {"double-click", 3, doubleClickRow},
        {"keys", 4, keys},
        {"ctrl-a", 1, selectAllKeys},
        {"delete-key", 5, deleteKey},
        {"header-sort", 6, sortByHeader},
        {"filter", 5, filter},
        {"filter-menu", 3, filterAction},
        {"tab", 3, clickTab},
        {"combo", 4, comboKey},
        {"bouquet-flag", 2, toggleBouquetFlag},
        {"drag", 10, drag},
        {"tool-button", 26, toolButton},
        {"obsolete", 1, obsoleteItems},
        {"optimize", 2, optimize},
        {"settings", 2, [](World &w, Result &r) { mainToolButton(w, r, "ToolBtnSettings"); }},
        {"save-menu", 6, saveMenu},
        {"import", 2, [](World &w, Result &r) { exchange(w, r, true); }},
        {"export", 1, [](World &w, Result &r) { exchange(w, r, false); }},
        // Drawn by no one: the driver's way back to lists after everything went.
        {"import-all", 0, [](World &w, Result &r) { exchange(w, r, true, true); }},
    };
    return commands;
}
