// The KingOfSat grid's download and transfer: the import dialog, then the
// satellite mapping; the transfer dialog, then the copy into the services
// list and, when asked, into a bouquet.

#include "app/main/main_window.h"
#include "ui/program/program.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "exchange/kingofsat_dialog.h"
#include "exchange/kingofsat_mapping_dialog.h"
#include "exchange/kingofsat_transfer_dialog.h"

#include <QComboBox>
#include <QTabWidget>

namespace {

constexpr int kKingOfSatPage = 2;

} // namespace

void TFrmMain::ToolBtnKofDownloadClick()
{
    auto *dialog = m_program.FormAs<TFrmKingOfSat>(QStringLiteral("FrmKingOfSat"));
    if (!dialog)
        return;
    dialog->SetProgram(&m_program);
    if (dialog->exec() != QDialog::Accepted)
        return;
    if (auto *mapping = m_program.FormAs<TFrmKingOfSatMapping>(QStringLiteral("FrmKingOfSatMapping"))) {
        mapping->SetProgram(&m_program);
        if (mapping->Execute())
            mapping->ApplyMapping();
    }
    PageControlServices->setCurrentIndex(kKingOfSatPage);
    FillKingOfSatGrid(0);
}

void TFrmMain::AddKingOfSatToServices(bool takeKingOfSatNames)
{
    m_program.KingOfSatList->AddMarkedFrom(*m_program.ServiceList, saNone, false,
                                           takeKingOfSatNames);
    // Bouquet entries that waited for these services find them now.
    LinkLists();
    FillServicesGrid(0);
    // The copies are the transfer's result.
    selectMarkedRows(ServicesGrid);
    FillBouquetGrid(2);
}

void TFrmMain::ToolBtnKofServiceAddClick()
{
    if (m_program.KingOfSatList->Count() == 0)
        return;
    auto *dialog = m_program.FormAs<TFrmKingOfSatTransfer>(QStringLiteral("FrmKingOfSatTransfer"));
    if (!dialog)
        return;
    dialog->SetProgram(&m_program);
    const TServiceRowRef ref = firstSelectedRef(m_kof);
    TFrmKingOfSatTransfer::TGridSelection selection;
    selection.service = ref.service;
    selection.satelite = ref.satelite;
    selection.bouquetIndex = ComboBouquets->currentIndex();
    selection.markSelected = [this] { MarkSelectedKingOfSatServices(); };
    if (!dialog->Execute(selection))
        return;
    AddKingOfSatToServices(dialog->AssumeNames());
    if (!dialog->BouquetChecked())
        return;
    const QString name = dialog->BouquetName().trimmed();
    TBouquetList &bouquets = *m_program.BouquetList;
    int index = bouquets.IndexOf(name);
    TBouquet *bouquet = nullptr;
    if (index < 0)
        index = bouquets.AddNewBouquet(name, bouquet);
    else
        bouquet = bouquets.GetItem(index);
    // The copies made above are the marked services of the services list.
    AddSelectedToBouquet(bouquet, -1, false);
    showBouquet(index);
}
