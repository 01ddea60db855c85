// The commands of the services, my-services and KingOfSat grids: selection
// to marks and back, adding to my-services, deleting.

#include "app/main/main_window.h"
#include "app/main/program.h"

#include "core/model/bouquet_list.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "ui/grid/list_grid.h"

TService *TFrmMain::serviceOfRow(const ServicesGridState &state, int row) const
{
    // A row made from the model says what it shows without writing its cells.
    if (const auto *ref = static_cast<const TServiceRowRef *>(state.grid->RowSource(row)))
        return ref->service;
    if (state.columns.typeIcon < 0)
        return nullptr;
    return static_cast<TService *>(state.grid->Cell(state.columns.typeIcon, row)->ObjectReference());
}

void TFrmMain::markSelected(const ServicesGridState &state, TServiceList *list)
{
    // Marks left over from an earlier command would be carried along.
    if (list)
        list->UnmarkAll();
    for (int row = 0; row < state.grid->RowCount(); ++row) {
        if (!state.grid->Selected(row))
            continue;
        if (TService *service = serviceOfRow(state, row))
            service->Marked = true;
    }
}

void TFrmMain::MarkSelectedServices()
{
    markSelected(m_ser, m_program.ServiceList.get());
}

void TFrmMain::MarkSelectedMyServices()
{
    markSelected(m_mySer, m_program.MyServiceList.get());
}

void TFrmMain::MarkSelectedKingOfSatServices()
{
    markSelected(m_kof, m_program.KingOfSatList.get());
}

void TFrmMain::SelectMarkedServices()
{
    TListGrid *grid = ServicesGrid;
    grid->BeginUpdate();
    grid->ClearSelection();
    int first = -1;
    for (int row = 0; row < grid->RowCount(); ++row) {
        const TService *service = serviceOfRow(m_ser, row);
        if (service && service->Marked) {
            grid->SetSelected(row, true);
            if (first < 0)
                first = row;
        }
    }
    if (first >= 0) {
        grid->SetSelectedRow(first);
        grid->ScrollToRow(first);
    }
    grid->EndUpdate();
}

void TFrmMain::AddSelectedToMyServices(TServiceList &target, int action)
{
    if (FirstSelectedRow(ServicesGrid) < 0)
        return;
    MarkSelectedServices();
    m_program.ServiceList->AddMarkedFrom(target, action, true, false);
    LinkLists();
    FillMyServicesGrid(0);
    FillServicesGrid(2);
}

void TFrmMain::DeleteSelectedServices()
{
    if (FirstSelectedRow(ServicesGrid) < 0)
        return;
    // The logo thread reads the services about to be freed.
    StopLogoMapping();
    MarkSelectedServices();
    m_program.ServiceList->DeleteMarked();
    LinkLists();
    FillServicesGrid(0);
    FillMyServicesGrid(2);
    FillBouquetGrid(2);
}

void TFrmMain::DeleteSelectedMyServices()
{
    if (FirstSelectedRow(MyServicesGrid) < 0)
        return;
    StopLogoMapping();
    MarkSelectedMyServices();
    m_program.MyServiceList->DeleteMarked();
    LinkLists();
    FillMyServicesGrid(0);
    // The services' action icons name the entries that referred to them.
    FillServicesGrid(2);
    FillBouquetGrid(0);
    FillBouquetListGrid(1);
}

void TFrmMain::DeleteSelectedKingOfSatServices()
{
    if (FirstSelectedRow(KingOfSatGrid) < 0)
        return;
    MarkSelectedKingOfSatServices();
    m_program.KingOfSatList->DeleteMarked();
    FillKingOfSatGrid(0);
}

void TFrmMain::selectAllRows(TListGrid *grid)
{
    grid->SelectAll();
}
