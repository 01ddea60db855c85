// The commands of the services, my-services and KingOfSat grids: selection
// to marks and back, adding to my-services, deleting.

#include "app/dialogs/optimize_dialog.h"
#include "app/dialogs/please_wait.h"
#include "app/dialogs/service_properties.h"
#include "app/dialogs/toggle_actions.h"
#include "app/main/main_window.h"
#include "ui/program/program.h"

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
    selectMarkedRows(ServicesGrid);
}

void TFrmMain::AddSelectedToMyServices(TServiceList &target, int action)
{
    if (FirstSelectedRow(ServicesGrid) < 0)
        return;
    MarkSelectedServices();
    m_program.ServiceList->AddMarkedFrom(target, action, true, false);
    LinkLists();
    FillMyServicesGrid(0);
    // The entries made or changed are the command's result.
    selectMarkedRows(MyServicesGrid);
    FillServicesGrid(2);
}

bool TFrmMain::deleteSelectedServices(ServicesGridState &state, TServiceList &list)
{
    TListGrid *grid = state.grid;
    const int count = int(selectedRows(grid).size());
    if (count == 0 || !confirmDelete(grid, count))
        return false;
    chooseAtNextFill(grid, rowsFollowingSelection(grid));
    // The logo thread reads the services about to be freed.
    StopLogoMapping();
    markSelected(state, &list);
    list.DeleteMarked();
    if (&list != m_program.KingOfSatList.get())
        LinkLists();
    if (grid == ServicesGrid)
        FillServicesGrid(0);
    else if (grid == MyServicesGrid)
        FillMyServicesGrid(0);
    else
        FillKingOfSatGrid(0);
    return true;
}

void TFrmMain::DeleteSelectedServices()
{
    if (!deleteSelectedServices(m_ser, *m_program.ServiceList))
        return;
    // Entries that lost their service turn obsolete, which the filters of
    // both grids may hide: they are filled again, keeping what was chosen.
    FillMyServicesGrid(0);
    FillBouquetGrid(0);
    ResumeLogoMapping();
}

void TFrmMain::DeleteSelectedMyServices()
{
    if (!deleteSelectedServices(m_mySer, *m_program.MyServiceList))
        return;
    // The services' action icons name the entries that referred to them;
    // entries may turn obsolete, which the bouquet filter may hide.
    FillServicesGrid(2);
    FillBouquetGrid(0);
    FillBouquetListGrid(1);
    ResumeLogoMapping();
}

void TFrmMain::DeleteSelectedKingOfSatServices()
{
    if (deleteSelectedServices(m_kof, *m_program.KingOfSatList))
        ResumeLogoMapping();
}

void TFrmMain::selectAllRows(TListGrid *grid)
{
    grid->SelectAll();
}

TFrmServiceProperties *TFrmMain::serviceProperties()
{
    auto *dialog = m_program.FormAs<TFrmServiceProperties>(QStringLiteral("FrmServiceProperties"));
    if (dialog) {
        dialog->SetProgram(&m_program);
        dialog->SetLogoImages(ImageListLogos);
        if (auto *toggle = m_program.FormAs<TFrmToggleActions>(QStringLiteral("FrmToggleActions")))
            dialog->ChooseAction = [toggle](int &action) {
                return toggle->Execute(action) == QDialog::Accepted;
            };
        // An accepted edit may free the service the logo thread reads; the
        // caller resumes the mapping once its grids show the edit.
        dialog->BeforeModelChange = [this] { StopLogoMapping(); };
    }
    return dialog;
}

TServiceRowRef TFrmMain::refOfRow(const ServicesGridState &state, int row) const
{
    if (row < 0 || row >= state.grid->RowCount())
        return {};
    if (const auto *ref = static_cast<const TServiceRowRef *>(state.grid->RowSource(row)))
        return *ref;
    const TServiceColumns &c = state.columns;
    return {serviceOfRow(state, row),
            static_cast<TTransponder *>(state.grid->Cell(c.name, row)->ObjectReference()),
            static_cast<TSatelite *>(state.grid->Cell(c.sidHex, row)->ObjectReference())};
}

TServiceRowRef TFrmMain::firstSelectedRef(const ServicesGridState &state) const
{
    return refOfRow(state, FirstSelectedRow(state.grid));
}

bool TFrmMain::editService(bool mine, const TServiceRowRef &ref)
{
    TFrmServiceProperties *dialog = serviceProperties();
    if (!ref.service || !ref.transponder || !ref.satelite || !dialog)
        return false;
    // The dialog files the edited service under the satellite and transponder
    // of the list it is given: any list but its own would move it there.
    TServiceList &list = mine ? *m_program.MyServiceList : *m_program.ServiceList;
    return dialog->ShowServiceProperties(list, ref.service, ref.transponder, ref.satelite, false,
                                         mine);
}

void TFrmMain::editSelected(bool mine)
{
    const auto resume = resumeLogoMappingOnReturn();
    if (!editService(mine, firstSelectedRef(mine ? m_mySer : m_ser)))
        return;
    auto *wait = m_program.FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait"));
    if (wait)
        wait->ShowWait();
    if (mine)
        FillMyServicesGrid(0);
    else
        FillServicesGrid(0);
    // The edited service may be a new object (moved to another transponder):
    // the dialog marks it as its result.
    selectMarkedRows(mine ? MyServicesGrid : ServicesGrid);
    LinkLists();
    // The other list's icons follow: actions and obsolete entries change.
    if (mine)
        FillServicesGrid(2);
    else
        FillMyServicesGrid(2);
    FillBouquetGrid(2);
    if (wait)
        wait->HideWait();
}

void TFrmMain::EditSelectedService()
{
    editSelected(false);
}

void TFrmMain::EditSelectedMyService()
{
    editSelected(true);
}

void TFrmMain::newService(bool mine)
{
    const auto resume = resumeLogoMappingOnReturn();
    const ServicesGridState &state = mine ? m_mySer : m_ser;
    const TServiceRowRef ref = firstSelectedRef(state);
    TFrmServiceProperties *dialog = serviceProperties();
    if (!dialog)
        return;
    TServiceList &list = mine ? *m_program.MyServiceList : *m_program.ServiceList;
    if (!dialog->ShowServiceProperties(list, ref.service, ref.transponder, ref.satelite, true, mine))
        return;
    LinkLists();
    if (mine) {
        FillMyServicesGrid(0);
        FillServicesGrid(2);
    } else {
        FillServicesGrid(0);
        FillMyServicesGrid(2);
    }
    selectMarkedRows(mine ? MyServicesGrid : ServicesGrid);
}

void TFrmMain::NewService()
{
    newService(false);
}

void TFrmMain::NewMyService()
{
    newService(true);
}

void TFrmMain::ToggleMyServiceAction()
{
    auto *toggle = m_program.FormAs<TFrmToggleActions>(QStringLiteral("FrmToggleActions"));
    if (!toggle)
        return;
    // The bottom-most selected entry presets the choice.
    TService *last = nullptr;
    for (int row = MyServicesGrid->RowCount() - 1; row >= 0 && !last; --row) {
        if (MyServicesGrid->Selected(row))
            last = serviceOfRow(m_mySer, row);
    }
    if (!last)
        return;
    int action = last->GetAction();
    if (toggle->Execute(action) != QDialog::Accepted)
        return;
    for (int row = 0; row < MyServicesGrid->RowCount(); ++row) {
        if (!MyServicesGrid->Selected(row))
            continue;
        if (TService *service = serviceOfRow(m_mySer, row))
            service->SetAction(action);
    }
    LinkLists();
    FillMyServicesGrid(2);
    // The services show the action of the entry that refers to them.
    FillServicesGrid(2);
    FillBouquetGrid(0);
    FillBouquetListGrid(1);
}

void TFrmMain::ToolBtnOptimizeClick()
{
    auto *dialog = m_program.FormAs<TFrmOptimize>(QStringLiteral("FrmOptimize"));
    if (!dialog)
        return;
    dialog->SetProgram(&m_program);
    const auto resume = resumeLogoMappingOnReturn();
    dialog->StopLogoMapping = [this] { StopLogoMapping(); };
    dialog->LinkLists = [this] { LinkLists(); };
    // Rows are written when drawn: no row may show a freed service while the
    // report is up.
    const auto refill = [this] {
        FillBouquetListGrid(0);
        FillMyServicesGrid(0);
        FillServicesGrid(0);
        FillBouquetGrid(0);
    };
    dialog->RefillGrids = refill;
    const int answer = dialog->exec();
    if (answer != QDialog::Accepted)
        return;
    m_program.BouquetList->Link(*m_program.ServiceList, *m_program.MyServiceList);
    refill();
}
