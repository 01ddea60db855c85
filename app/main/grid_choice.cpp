// The rows the user chose in each grid. The grids' selections are the only
// record of that choice: a refill takes the objects of the selected rows
// before it rewrites them and selects the same objects afterwards, whatever
// the new order, filter or sort. Only a command whose result is a set of rows
// selects something else, and says so by selecting the rows its model marks.

#include "app/main/main_window.h"
#include "ui/program/program.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "ui/grid/list_grid.h"

#include <utility>

const void *TFrmMain::rowObject(const TListGrid *grid, int row) const
{
    if (grid == BouquetGrid)
        return entryOfRow(row);
    if (grid == BouquetListGrid)
        return grid->Cell(0, row)->ObjectReference();
    for (const ServicesGridState *state : {&m_ser, &m_mySer, &m_kof}) {
        if (state->grid == grid)
            return serviceOfRow(*state, row);
    }
    return nullptr;
}

bool TFrmMain::rowMarked(const TListGrid *grid, int row) const
{
    const void *object = rowObject(grid, row);
    if (!object)
        return false;
    if (grid == BouquetGrid)
        return static_cast<const TBouquetService *>(object)->Marked;
    if (grid == BouquetListGrid)
        return static_cast<const TBouquet *>(object)->Marked;
    return static_cast<const TService *>(object)->Marked;
}

TFrmMain::TGridChoice TFrmMain::chosenRows(const TListGrid *grid)
{
    // Only addresses are taken: the objects of a command's deleted rows are
    // gone by the time the grid is filled again, and are simply not found.
    TGridChoice choice;
    const int rows = grid->RowCount();
    if (auto result = m_resultRows.find(grid); result != m_resultRows.end()) {
        // A command said what its result is: those rows, not the ones before.
        choice.rows = std::move(result->second);
        choice.result = true;
        m_resultRows.erase(result);
    } else {
        for (int row = 0; row < rows; ++row) {
            if (grid->Selected(row))
                choice.rows.insert(rowObject(grid, row));
        }
    }
    const int current = grid->SelectedRow();
    if (current >= 0 && current < rows)
        choice.current = rowObject(grid, current);
    choice.topRow = grid->FirstVisibleRow();
    if (choice.topRow >= 0 && choice.topRow < rows)
        choice.top = rowObject(grid, choice.topRow);
    for (int i = 0; i < grid->Columns()->Count(); ++i) {
        if (grid->Columns()->Items(i)->Sorted())
            choice.sortedColumn = i;
    }
    return choice;
}

void TFrmMain::chooseRows(TListGrid *grid, const TGridChoice &choice)
{
    // The rows were written in the order of the list; a header that still
    // shows a sort puts them in its order again, as the user left them.
    if (choice.sortedColumn >= 0 && choice.sortedColumn < grid->Columns()->Count()) {
        TLgCustomColumn *column = grid->Columns()->Items(choice.sortedColumn);
        if (column->Sorted())
            column->SetSortKind(column->SortKind());
    }
    int current = -1, top = -1, first = -1;
    const int rows = grid->RowCount();
    for (int row = 0; row < rows; ++row) {
        const void *object = rowObject(grid, row);
        const bool chosen = object && !choice.rows.empty() && choice.rows.count(object) > 0;
        if (grid->Selected(row) != chosen)
            grid->SetSelected(row, chosen);
        if (chosen && first < 0)
            first = row;
        if (object && object == choice.current)
            current = row;
        if (object && object == choice.top)
            top = row;
    }
    if (current >= 0)
        grid->SetCurrentRow(current);
    else if (choice.result && first >= 0)
        grid->SetCurrentRow(first);
    // The view stays where the user was looking, even when its top row went.
    // The bar learns the new row count first, or the place would be cut to
    // the old one.
    if (rows > 0) {
        grid->UpdateVertScrollBar();
        grid->VertScrollBar().SetPosition(top >= 0 ? top : std::min(choice.topRow, rows - 1));
        if (choice.result && first >= 0)
            grid->ScrollToRow(first);
    }
}

void TFrmMain::chooseAtNextFill(const TListGrid *grid, std::unordered_set<const void *> objects)
{
    m_resultRows[grid] = std::move(objects);
}

void TFrmMain::selectObjects(TListGrid *grid, const std::unordered_set<const void *> &objects)
{
    int first = -1;
    for (int row = 0; row < grid->RowCount(); ++row) {
        const void *object = rowObject(grid, row);
        const bool chosen = object && objects.count(object) > 0;
        if (grid->Selected(row) != chosen)
            grid->SetSelected(row, chosen);
        if (chosen && first < 0)
            first = row;
    }
    if (first >= 0) {
        grid->SetCurrentRow(first);
        grid->ScrollToRow(first);
    }
    grid->viewport()->update();
}

void TFrmMain::selectMarkedRows(TListGrid *grid)
{
    std::unordered_set<const void *> marked;
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (rowMarked(grid, row))
            marked.insert(rowObject(grid, row));
    }
    selectObjects(grid, marked);
}

std::unordered_set<const void *> TFrmMain::rowsFollowingSelection(const TListGrid *grid) const
{
    // After a delete the user goes on where the deleted rows stood: each run
    // of selected rows hands the selection to the row below it on screen.
    std::unordered_set<const void *> following;
    const int rows = grid->RowCount();
    for (int row = 1; row < rows; ++row) {
        if (grid->Selected(row - 1) && !grid->Selected(row))
            following.insert(rowObject(grid, row));
    }
    return following;
}

std::vector<int> TFrmMain::selectedRows(const TListGrid *grid)
{
    std::vector<int> rows;
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (grid->Selected(row))
            rows.push_back(row);
    }
    return rows;
}

void TFrmMain::listReplacing(TListGrid *grid)
{
    // The grid lets go of the rows before their objects are freed: nothing a
    // paint, a deferred column fit or a command does until the refill can
    // reach them.
    grid->ClearRows();
    m_resultRows.erase(grid);
    for (ServicesGridState *state : {&m_ser, &m_mySer, &m_kof}) {
        if (state->grid == grid)
            state->rows.clear();
    }
    if (grid == BouquetListGrid) {
        // A list read anew holds new objects only: the combo keeps its place.
        m_comboBouquet = nullptr;
    }
}

TBouquet *TFrmMain::shownBouquet() const
{
    const TBouquetList &list = *m_program.BouquetList;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.GetItem(i)->InBouquetGrid)
            return list.GetItem(i);
    }
    return nullptr;
}

void TFrmMain::keepBouquetChoice(TBouquet &bouquet, const TGridChoice &choice)
{
    using Kept = TBouquetService::TKeptChoice;
    for (int i = 0; i < bouquet.Count(); ++i) {
        TBouquetService *entry = bouquet.GetItem(i);
        entry->KeptChoice = (choice.rows.count(entry) ? Kept::kcChosen : 0)
            | (entry == choice.current ? Kept::kcCurrent : 0)
            | (entry == choice.top ? Kept::kcTop : 0);
    }
    bouquet.KeptTopRow = choice.topRow;
}

TFrmMain::TGridChoice TFrmMain::takeBouquetChoice(TBouquet *bouquet)
{
    using Kept = TBouquetService::TKeptChoice;
    TGridChoice choice;
    for (int i = 0; bouquet && i < bouquet->Count(); ++i) {
        TBouquetService *entry = bouquet->GetItem(i);
        if (entry->KeptChoice & Kept::kcChosen)
            choice.rows.insert(entry);
        if (entry->KeptChoice & Kept::kcCurrent)
            choice.current = entry;
        if (entry->KeptChoice & Kept::kcTop)
            choice.top = entry;
        entry->KeptChoice = 0;
    }
    if (bouquet)
        choice.topRow = std::exchange(bouquet->KeptTopRow, 0);
    return choice;
}

void TFrmMain::watchListReplacements(bool watch)
{
    const auto tell = [this, watch](std::initializer_list<TListGrid *> grids) {
        return !watch ? std::function<void()>()
                      : [this, grids = std::vector<TListGrid *>(grids)] {
                            DropLogoResults();
                            for (TListGrid *grid : grids)
                                listReplacing(grid);
                        };
    };
    // The bouquet entries point at the services of both services lists.
    if (m_program.ServiceList)
        m_program.ServiceList->OnReplacing = tell({ServicesGrid, BouquetGrid});
    if (m_program.MyServiceList)
        m_program.MyServiceList->OnReplacing = tell({MyServicesGrid, BouquetGrid});
    if (m_program.KingOfSatList)
        m_program.KingOfSatList->OnReplacing = tell({KingOfSatGrid});
    if (m_program.BouquetList)
        m_program.BouquetList->OnReplacing = tell({BouquetGrid, BouquetListGrid});
}

bool TFrmMain::confirmDelete(const TListGrid *grid, int count)
{
    // One row goes as it always did; more than one is asked for, naming how
    // many, since a selection the program made can hold thousands.
    if (count <= 1)
        return true;
    const MsgId question = grid == BouquetListGrid ? MsgDeleteBouquetsCount
        : grid == BouquetGrid                        ? MsgDeleteEntriesCount
        : grid == MyServicesGrid                     ? MsgDeleteMyServicesCount
                                                     : MsgDeleteServicesCount;
    return askBeforeDeleting(countText(question, count), TPrompts::mbYes | TPrompts::mbCancel);
}
