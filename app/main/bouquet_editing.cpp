// The commands of the bouquet and bouquet list grids: adding services,
// moving, new, rename, clear, delete, sort and the obsolete entries.

#include "app/dialogs/please_wait.h"
#include "app/dialogs/service_properties.h"
#include "app/dialogs/sort_selection.h"
#include "app/main/combo_updating.h"
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
#include <QLocale>

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

bool TFrmMain::askBeforeDeleting(const QString &question, int buttons)
{
    // What goes cannot come back: a key pressed by habit must not confirm it.
    return message(TPrompts::TMsgKind::Confirmation, question, buttons | TPrompts::mbCancelDefault)
        == TPrompts::mbYes;
}

QString TFrmMain::countText(MsgId text, qsizetype count)
{
    return FormatMsg1(msg(text), QLocale(QLocale::English).toString(count));
}

TBouquet *TFrmMain::bouquetOfRow(int row) const
{
    return static_cast<TBouquet *>(BouquetListGrid->Cell(0, row)->ObjectReference());
}

void TFrmMain::MarkSelectedBouquets()
{
    m_program.BouquetList->UnmarkAll();
    for (int row : selectedRows(BouquetListGrid)) {
        if (TBouquet *bouquet = bouquetOfRow(row))
            bouquet->Marked = true;
    }
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
    selectMarkedRows(BouquetListGrid);
}

TBouquetService *TFrmMain::entryOfRow(int row) const
{
    if (const void *source = BouquetGrid->RowSource(row))
        return static_cast<TBouquetService *>(const_cast<void *>(source));
    return static_cast<TBouquetService *>(BouquetGrid->Cell(m_bouTypeIcon, row)->ObjectReference());
}

void TFrmMain::MarkSelectedBouquetServices()
{
    m_program.BouquetList->UnmarkAllServices();
    if (!CurrentBouquet())
        return;
    for (int row : selectedRows(BouquetGrid)) {
        if (TBouquetService *entry = entryOfRow(row))
            entry->Marked = true;
    }
}

void TFrmMain::SelectMarkedBouquetServices()
{
    selectMarkedRows(BouquetGrid);
}

int TFrmMain::shownIndexOfEntry(const TBouquet &bouquet, const TBouquetService *entry)
{
    // The bouquet's moves count the shown entries in the bouquet's order; a
    // header sort shows them in another, so the row is found by its entry.
    for (int i = 0, shown = 0; entry && i < bouquet.Count(); ++i) {
        const TBouquetService *at = bouquet.GetItem(i);
        if (at == entry)
            return shown;
        shown += at->Shown ? 1 : 0;
    }
    return -1;
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
    bool added = false;
    if (fromGrid) {
        // In the order the user sees the rows, whatever the header sorts by.
        std::vector<TBouquet::TPlace> places;
        for (int row : selectedRows(state.grid)) {
            const TServiceRowRef ref = refOfRow(state, row);
            if (ref.service && ref.transponder && ref.satelite)
                places.push_back({ref.service, ref.transponder, ref.satelite});
        }
        added = bouquet->AddServices(places);
    } else {
        added = bouquet->AddMarkedServices(list);
    }
    if (added && insertIndex != -1)
        bouquet->MoveMarkedTo(insertIndex);
    // Only the new entries need their services, and those services the
    // bouquet's name: no other link changed.
    if (added)
        m_program.BouquetList->LinkNewEntries(*bouquet, *m_program.ServiceList,
                                              *m_program.MyServiceList);
    if (added) {
        // An entry links to a my-service before a service of the same ids:
        // either grid's Bouquet column may name the bouquet now.
        FillServicesGrid(2);
        FillMyServicesGrid(2);
        if (insertIndex != -1)
            dropSortIndicators(BouquetGrid);
        FillBouquetGrid(0);
        // The new entries are the command's result.
        if (bouquet == CurrentBouquet())
            selectMarkedRows(BouquetGrid);
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
        m_comboBouquet = CurrentBouquet();
    }
    FillBouquetGrid(0);
    selectObjects(BouquetListGrid, {CurrentBouquet()});
}

bool TFrmMain::askBouquetName(const QString &caption, const QString &prompt, QString &name)
{
    // A nameless bouquet would be written out as one: the box stays until a
    // name is given or the user cancels.
    while (m_program.Prompts && m_program.Prompts->inputQuery(caption, prompt, name)) {
        if (!name.trimmed().isEmpty())
            return true;
        message(TPrompts::TMsgKind::Error, msg(MsgBouquetNameEmpty), TPrompts::mbOK);
    }
    return false;
}

void TFrmMain::AskNewBouquet()
{
    QString name = msg(MsgNewBouquetCaption);
    while (askBouquetName(msg(MsgNewBouquetCaption), msg(MsgEnterName), name)) {
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
    while (askBouquetName(msg(MsgRenameBouquetCaption), msg(MsgEnterNewName), name)) {
        if (name == bouquet->Name)
            return;
        if (m_program.BouquetList->RenameBouquet(bouquet, name)) {
            FillBouquetListGrid(1);
            {
                ComboUpdating guard(m_program);
                FillBouquetCombo(1);
                m_comboBouquet = CurrentBouquet();
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
    if (!askBeforeDeleting(FormatMsg1(msg(MsgDeleteBouquet), bouquet->Name) + u' '
                               + countText(MsgBouquetServicesGo, bouquet->Count()),
                           TPrompts::mbYes | TPrompts::mbNo))
        return;
    m_program.BouquetList->Delete(indexOfBouquet(bouquet));
    {
        ComboUpdating guard(m_program);
        FillBouquetCombo(0);
    }
    FillBouquetListGrid(0);
    FillBouquetGrid(0);
    // The bouquet list's commands must act on the bouquet shown now.
    selectObjects(BouquetListGrid, {CurrentBouquet()});
    refreshBouquetColumns();
}

void TFrmMain::SortBouquetList()
{
    if (m_program.BouquetList->Count() == 0 || !askSure())
        return;
    m_program.BouquetList->Sort();
    dropSortIndicators(BouquetListGrid);
    FillBouquetListGrid(1);
    FillBouquetCombo(0);
}

void TFrmMain::DeleteSelectedBouquets()
{
    const int count = int(selectedRows(BouquetListGrid).size());
    if (count == 0 || !(count == 1 ? askBeforeDeletingEntries() : confirmDelete(BouquetListGrid, count)))
        return;
    chooseAtNextFill(BouquetListGrid, rowsFollowingSelection(BouquetListGrid));
    MarkSelectedBouquets();
    m_program.BouquetList->DeleteMarked();
    {
        ComboUpdating guard(m_program);
        FillBouquetCombo(0);
    }
    FillBouquetListGrid(0);
    // The bouquet grid shows the bouquet that took the deleted ones' place.
    if (const int row = FirstSelectedRow(BouquetListGrid); row >= 0) {
        ComboUpdating guard(m_program);
        ComboBouquets->setCurrentIndex(indexOfBouquet(bouquetOfRow(row)));
        m_comboBouquet = CurrentBouquet();
    }
    FillBouquetGrid(0);
    refreshBouquetColumns();
}

bool TFrmMain::askBeforeDeletingEntries()
{
    qsizetype entries = 0;
    for (int row : selectedRows(BouquetListGrid)) {
        if (const TBouquet *bouquet = bouquetOfRow(row))
            entries += bouquet->Count();
    }
    return askBeforeDeleting(msg(MsgAreYouSure) + u' ' + countText(MsgBouquetServicesGo, entries),
                             TPrompts::mbYes | TPrompts::mbCancel);
}

void TFrmMain::ClearSelectedBouquets()
{
    if (FirstSelectedRow(BouquetListGrid) < 0 || !askBeforeDeletingEntries())
        return;
    for (int row : selectedRows(BouquetListGrid))
        m_program.BouquetList->ClearBouquet(indexOfBouquet(bouquetOfRow(row)));
    FillBouquetListGrid(1);
    FillBouquetGrid(0);
    refreshBouquetColumns();
}

void TFrmMain::moveBouquets(bool up)
{
    MarkSelectedBouquets();
    if (up)
        m_program.BouquetList->MoveMarkedUp(1);
    else
        m_program.BouquetList->MoveMarkedDown(1);
    // The order is the command's point: the rows show the list's.
    dropSortIndicators(BouquetListGrid);
    FillBouquetListGrid(1);
    selectMarkedRows(BouquetListGrid);
    ComboUpdating guard(m_program);
    FillBouquetCombo(0);
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
    MarkSelectedBouquetServices();
    if (up)
        bouquet->MoveMarkedUp(1);
    else
        bouquet->MoveMarkedDown(1);
    dropSortIndicators(BouquetGrid);
    FillBouquetGrid(1);
    selectMarkedRows(BouquetGrid);
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
    if (!askBeforeDeleting(FormatMsg1(msg(MsgClearBouquet), bouquet->Name) + u' '
                               + countText(MsgBouquetServicesGo, bouquet->Count()),
                           TPrompts::mbYes | TPrompts::mbNo))
        return;
    bouquet->Clear();
    FillBouquetListGrid(1);
    FillBouquetGrid(0);
    refreshBouquetColumns();
}

void TFrmMain::DeleteSelectedBouquetServices()
{
    const int count = int(selectedRows(BouquetGrid).size());
    if (count == 0 || !confirmDelete(BouquetGrid, count))
        return;
    chooseAtNextFill(BouquetGrid, rowsFollowingSelection(BouquetGrid));
    MarkSelectedBouquetServices();
    // The services the deleted entries stood for are the only ones whose
    // bouquets change; every other link stays as it is.
    std::vector<TService *> linked;
    for (int row : selectedRows(BouquetGrid)) {
        if (TBouquetService *entry = entryOfRow(row); entry && entry->Service())
            linked.push_back(entry->Service());
    }
    m_program.BouquetList->DeleteMarkedServices();
    m_program.BouquetList->RelistBouquetNames(linked);
    FillServicesGrid(2);
    FillMyServicesGrid(2);
    FillBouquetGrid(0);
    FillBouquetListGrid(1);
}

void TFrmMain::removeObsolete(bool all)
{
    TBouquet *bouquet = CurrentBouquet();
    if (!all && !bouquet)
        return;
    const int obsolete = all ? m_program.BouquetList->ObsoleteCount() : bouquet->ObsoleteCount();
    if (!askBeforeDeleting(msg(MsgAreYouSure) + u' ' + countText(MsgObsoleteServicesGo, obsolete),
                           TPrompts::mbYes | TPrompts::mbCancel))
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
    if (row < 0 || row >= BouquetListGrid->RowCount())
        return;
    const int locked = ColumnByName(BouquetListGrid, QStringLiteral("ColLocked"));
    const int hidden = ColumnByName(BouquetListGrid, QStringLiteral("ColHidden"));
    if (col != locked && col != hidden)
        return;
    TBouquet *bouquet = bouquetOfRow(row);
    if (!bouquet)
        return;
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
    // The sort is the order the user asked for: a header sort would hide it.
    dropSortIndicators(BouquetGrid);
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
    selectMarkedRows(ServicesGrid);
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
