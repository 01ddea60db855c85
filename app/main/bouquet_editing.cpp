// The commands of the bouquet and bouquet list grids: adding services,
// moving, new, rename, clear, delete, sort and the obsolete entries.

#include "app/dialogs/please_wait.h"
#include "app/dialogs/service_properties.h"
#include "app/dialogs/sort_selection.h"
#include "app/main/main_window.h"
#include "ui/program/program.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "ui/grid/list_grid.h"

#include <QComboBox>

namespace {

// Sets the combo-box guard for a scope: bouquet commands refill the bouquet
// grid themselves.
class ComboUpdating
{
public:
    explicit ComboUpdating(TProgram &program) : m_program(program)
    {
        m_was = std::exchange(m_program.ComboBouquetsUpdating, true);
    }
    ~ComboUpdating() { m_program.ComboBouquetsUpdating = m_was; }

private:
    TProgram &m_program;
    bool m_was;
};

} // namespace

int TFrmMain::message(TPrompts::TMsgKind kind, const QString &text, int buttons)
{
    return m_program.Prompts ? m_program.Prompts->messageBox(kind, text, buttons)
                             : int(TPrompts::mbCancel);
}

bool TFrmMain::askSure()
{
    return message(TPrompts::TMsgKind::Confirmation, msg(MsgAreYouSure),
                   TPrompts::mbYes | TPrompts::mbCancel)
        == TPrompts::mbYes;
}

void TFrmMain::MarkSelectedBouquets()
{
    TBouquetList &list = *m_program.BouquetList;
    for (int row = 0; row < BouquetListGrid->RowCount() && row < list.Count(); ++row) {
        if (BouquetListGrid->Selected(row))
            list.GetItem(row)->Marked = true;
    }
}

void TFrmMain::keepBouquetSelections()
{
    m_program.BouquetList->UnmarkAll();
    MarkSelectedBouquets();
    m_program.BouquetList->UnmarkAllServices();
    MarkSelectedBouquetServices();
}

void TFrmMain::refreshBouquetColumns()
{
    // The services grids' Bouquet column names the bouquets holding each
    // service, which only the linking works out.
    LinkLists();
    FillServicesGrid(2);
    FillMyServicesGrid(2);
}

void TFrmMain::SelectMarkedBouquets()
{
    const TBouquetList &list = *m_program.BouquetList;
    BouquetListGrid->ClearSelection();
    for (int row = 0; row < BouquetListGrid->RowCount() && row < list.Count(); ++row) {
        if (list.GetItem(row)->Marked)
            BouquetListGrid->SetSelected(row, true);
    }
}

TBouquetService *TFrmMain::entryOfRow(int row) const
{
    if (const void *source = BouquetGrid->RowSource(row))
        return static_cast<TBouquetService *>(const_cast<void *>(source));
    return static_cast<TBouquetService *>(BouquetGrid->Cell(m_bouTypeIcon, row)->ObjectReference());
}

void TFrmMain::MarkSelectedBouquetServices()
{
    if (!CurrentBouquet())
        return;
    for (int row = 0; row < BouquetGrid->RowCount(); ++row) {
        if (!BouquetGrid->Selected(row))
            continue;
        if (TBouquetService *entry = entryOfRow(row))
            entry->Marked = true;
    }
}

void TFrmMain::SelectMarkedBouquetServices()
{
    BouquetGrid->ClearSelection();
    int first = -1;
    for (int row = 0; row < BouquetGrid->RowCount(); ++row) {
        const TBouquetService *entry = entryOfRow(row);
        if (entry && entry->Marked) {
            BouquetGrid->SetSelected(row, true);
            if (first < 0)
                first = row;
        }
    }
    if (first >= 0) {
        BouquetGrid->SetCurrentRow(first);
        BouquetGrid->ScrollToRow(first);
    }
}

void TFrmMain::addSelectedToBouquet(const ServicesGridState &state, TServiceList &list,
                                    TBouquet *bouquet, int insertIndex, bool fromGrid)
{
    if (fromGrid && FirstSelectedRow(state.grid) < 0)
        return;
    if (!bouquet) {
        message(TPrompts::TMsgKind::Information, msg(MsgNoBouquet), TPrompts::mbOK);
        return;
    }
    if (fromGrid)
        markSelected(state, &list);
    const bool added = bouquet->AddMarkedServices(list);
    if (added && insertIndex != -1)
        bouquet->MoveMarkedTo(insertIndex);
    LinkLists();
    if (added) {
        if (state.grid == ServicesGrid)
            FillServicesGrid(2);
        else
            FillMyServicesGrid(2);
        FillBouquetGrid(0);
        FillBouquetListGrid(0);
    } else {
        message(TPrompts::TMsgKind::Information,
                FormatMsg1(msg(MsgAlreadyInBouquet), bouquet->Name), TPrompts::mbOK);
    }
}

void TFrmMain::AddSelectedToBouquet(TBouquet *bouquet, int insertIndex, bool fromGrid)
{
    addSelectedToBouquet(m_ser, *m_program.ServiceList, bouquet, insertIndex, fromGrid);
}

void TFrmMain::AddSelectedMyServicesToBouquet(TBouquet *bouquet, int insertIndex, bool fromGrid)
{
    addSelectedToBouquet(m_mySer, *m_program.MyServiceList, bouquet, insertIndex, fromGrid);
}

void TFrmMain::showBouquet(int index)
{
    FillBouquetListGrid(0);
    {
        ComboUpdating guard(m_program);
        FillBouquetCombo(0);
        ComboBouquets->setCurrentIndex(index);
        m_lastComboText = ComboBouquets->currentText();
    }
    FillBouquetGrid(0);
}

void TFrmMain::AskNewBouquet()
{
    QString name = msg(MsgNewBouquetCaption);
    while (m_program.Prompts
           && m_program.Prompts->inputQuery(msg(MsgNewBouquetCaption), msg(MsgEnterName), name)) {
        TBouquet *bouquet = nullptr;
        const int index = m_program.BouquetList->AddNewBouquet(name, bouquet);
        if (index < 0) {
            message(TPrompts::TMsgKind::Error, FormatMsg1(msg(MsgBouquetExists), name),
                    TPrompts::mbOK);
            continue;
        }
        showBouquet(index);
        return;
    }
}

void TFrmMain::AskRenameBouquet(TBouquet *bouquet)
{
    if (!bouquet)
        return;
    QString name = bouquet->Name;
    while (m_program.Prompts
           && m_program.Prompts->inputQuery(msg(MsgRenameBouquetCaption), msg(MsgEnterNewName),
                                            name)) {
        if (name == bouquet->Name)
            return;
        if (m_program.BouquetList->RenameBouquet(bouquet, name)) {
            keepBouquetSelections();
            FillBouquetListGrid(1);
            {
                ComboUpdating guard(m_program);
                FillBouquetCombo(1);
                m_lastComboText = ComboBouquets->currentText();
            }
            refreshBouquetColumns();
            return;
        }
        message(TPrompts::TMsgKind::Error, FormatMsg1(msg(MsgBouquetExists), name), TPrompts::mbOK);
    }
}

void TFrmMain::AskDeleteBouquet(TBouquet *bouquet)
{
    if (!bouquet)
        return;
    if (message(TPrompts::TMsgKind::Confirmation, FormatMsg1(msg(MsgDeleteBouquet), bouquet->Name),
                TPrompts::mbYes | TPrompts::mbNo)
        != TPrompts::mbYes)
        return;
    m_program.BouquetList->Delete(m_program.BouquetList->IndexOf(bouquet->Name));
    FillBouquetListGrid(0);
    {
        ComboUpdating guard(m_program);
        FillBouquetCombo(0);
        m_lastComboText = ComboBouquets->currentText();
    }
    FillBouquetGrid(0);
    refreshBouquetColumns();
}

void TFrmMain::SortBouquetList()
{
    if (m_program.BouquetList->Count() == 0 || !askSure())
        return;
    m_program.BouquetList->Sort();
    FillBouquetListGrid(1);
    FillBouquetCombo(0);
}

void TFrmMain::DeleteSelectedBouquets()
{
    if (FirstSelectedRow(BouquetListGrid) < 0 || !askSure())
        return;
    m_program.BouquetList->UnmarkAll();
    MarkSelectedBouquets();
    m_program.BouquetList->DeleteMarked();
    {
        ComboUpdating guard(m_program);
        FillBouquetCombo(0);
        m_lastComboText = ComboBouquets->currentText();
    }
    FillBouquetListGrid(0);
    FillBouquetGrid(0);
    refreshBouquetColumns();
}

void TFrmMain::ClearSelectedBouquets()
{
    if (FirstSelectedRow(BouquetListGrid) < 0 || !askSure())
        return;
    // Before the entries go: the bouquet grid's rows point at them.
    keepBouquetSelections();
    for (int row = BouquetListGrid->RowCount() - 1; row >= 0; --row) {
        if (BouquetListGrid->Selected(row))
            m_program.BouquetList->ClearBouquet(row);
    }
    FillBouquetListGrid(1);
    FillBouquetGrid(0);
    refreshBouquetColumns();
}

void TFrmMain::moveBouquets(bool up)
{
    m_program.BouquetList->UnmarkAll();
    MarkSelectedBouquets();
    if (up)
        m_program.BouquetList->MoveMarkedUp(1);
    else
        m_program.BouquetList->MoveMarkedDown(1);
    FillBouquetListGrid(1);
    SelectMarkedBouquets();
    if (const int first = FirstSelectedRow(BouquetListGrid); first >= 0)
        BouquetListGrid->ScrollToRow(first);
    ComboUpdating guard(m_program);
    FillBouquetCombo(0);
    m_lastComboText = ComboBouquets->currentText();
}

void TFrmMain::MoveBouquetsUp()
{
    moveBouquets(true);
}

void TFrmMain::MoveBouquetsDown()
{
    moveBouquets(false);
}

void TFrmMain::moveBouquetServices(bool up)
{
    TBouquet *bouquet = CurrentBouquet();
    if (!bouquet)
        return;
    m_program.BouquetList->UnmarkAllServices();
    MarkSelectedBouquetServices();
    if (up)
        bouquet->MoveMarkedUp(1);
    else
        bouquet->MoveMarkedDown(1);
    FillBouquetGrid(1);
    SelectMarkedBouquetServices();
}

void TFrmMain::MoveBouquetServicesUp()
{
    moveBouquetServices(true);
}

void TFrmMain::MoveBouquetServicesDown()
{
    moveBouquetServices(false);
}

void TFrmMain::ClearCurrentBouquet()
{
    TBouquet *bouquet = CurrentBouquet();
    if (!bouquet || BouquetGrid->RowCount() == 0)
        return;
    if (message(TPrompts::TMsgKind::Confirmation, FormatMsg1(msg(MsgClearBouquet), bouquet->Name),
                TPrompts::mbYes | TPrompts::mbNo)
        != TPrompts::mbYes)
        return;
    // Before the entries go: the bouquet grid's rows point at them.
    keepBouquetSelections();
    bouquet->Clear();
    FillBouquetListGrid(1);
    FillBouquetGrid(0);
    refreshBouquetColumns();
}

void TFrmMain::DeleteSelectedBouquetServices()
{
    if (FirstSelectedRow(BouquetGrid) < 0)
        return;
    m_program.BouquetList->UnmarkAllServices();
    MarkSelectedBouquetServices();
    m_program.BouquetList->DeleteMarkedServices();
    LinkLists();
    FillServicesGrid(2);
    FillMyServicesGrid(2);
    FillBouquetGrid(0);
    FillBouquetListGrid(1);
    SelectMarkedBouquetServices();
}

void TFrmMain::removeObsolete(bool all)
{
    TBouquet *bouquet = CurrentBouquet();
    if ((!all && !bouquet) || !askSure())
        return;
    if (all)
        m_program.BouquetList->RemoveObsolete();
    else
        bouquet->RemoveObsolete();
    FillBouquetGrid(0);
    // The counts of the bouquet list change with the entries.
    FillBouquetListGrid(1);
}

void TFrmMain::bouquetListCellClicked(int col, int row)
{
    TBouquetList &list = *m_program.BouquetList;
    if (row < 0 || row >= list.Count())
        return;
    const int locked = ColumnByName(BouquetListGrid, QStringLiteral("ColLocked"));
    const int hidden = ColumnByName(BouquetListGrid, QStringLiteral("ColHidden"));
    if (col != locked && col != hidden)
        return;
    TBouquet *bouquet = list.GetItem(row);
    const bool value = BouquetListGrid->Cell(col, row)->AsBoolean();
    if (col == locked)
        bouquet->Locked = !value;
    else
        bouquet->Hidden = !value;
    // The flag lives in the file: without this the change is lost at exit.
    SaveHandler().SetModified();
    FillBouquetListGrid(1);
}

void TFrmMain::mergeBouquets()
{
    message(TPrompts::TMsgKind::Information, msg(MsgMergeNotImplemented), TPrompts::mbOK);
}

void TFrmMain::SortCurrentBouquet()
{
    TBouquet *bouquet = CurrentBouquet();
    auto *dialog = m_program.FormAs<TFrmSortSelection>(QStringLiteral("FrmSortSelection"));
    if (!bouquet || !dialog || dialog->exec() != QDialog::Accepted)
        return;
    if (dialog->Alphabetically())
        bouquet->SortByName();
    else
        bouquet->SortByFrequency();
    RewriteSortedBouquet();
}

void TFrmMain::NewBouquetService()
{
    const auto resume = resumeLogoMappingOnReturn();
    const TServiceRowRef ref = firstSelectedRef(m_ser);
    TFrmServiceProperties *dialog = serviceProperties();
    if (!dialog
        || !dialog->ShowServiceProperties(*m_program.ServiceList, ref.service, ref.transponder,
                                          ref.satelite, true, false))
        return;
    FillServicesGrid(0);
    // The new service is the one marked: it goes into the bouquet.
    AddSelectedToBouquet(CurrentBouquet(), -1, false);
    LinkLists();
    FillBouquetGrid(0);
    FillBouquetListGrid(0);
}

void TFrmMain::EditSelectedBouquetService()
{
    const auto resume = resumeLogoMappingOnReturn();
    const int row = FirstSelectedRow(BouquetGrid);
    TFrmServiceProperties *dialog = serviceProperties();
    if (row < 0 || !dialog)
        return;
    TBouquetService *entry = entryOfRow(row);
    if (!entry)
        return;
    bool changed = false;
    if (entry->Service() && entry->Transponder() && entry->Satelite()) {
        // A linked entry's service is edited where it lives, as that list's
        // own grid edits it.
        changed = editService(entry->LinkState == lsMyServices,
                              {entry->Service(), entry->Transponder(), entry->Satelite()});
    } else {
        m_program.BouquetList->UnmarkAllServices();
        MarkSelectedBouquetServices();
        changed = dialog->ShowBouquetServiceProperties(*entry);
    }
    if (!changed)
        return;
    auto *wait = m_program.FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait"));
    if (wait)
        wait->ShowWait();
    LinkLists();
    FillServicesGrid(0);
    FillMyServicesGrid(0);
    FillBouquetGrid(2);
    if (wait)
        wait->HideWait();
}
