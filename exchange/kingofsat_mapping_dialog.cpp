#include "exchange/kingofsat_mapping_dialog.h"

#include "core/model/satelite.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "exchange/kingofsat_mapping.h"
#include "ui/editors/lg_combo_box.h"
#include "ui/grid/column_kinds.h"
#include "ui/program/program.h"
#include "ui_kingofsat_mapping_dialog.h"

namespace {

constexpr int kToSatelliteColumnWidth = 250;
constexpr int kToDiSEqCColumnWidth = 85;
constexpr int kColSat = 0;
constexpr int kColSatMapping = 1;
constexpr int kColDiSEqCMapping = 2;
const QColor kEvenRowColor(0xFE, 0xFC, 0xF5);

QString unchanged()
{
    return QString::fromUtf16(kUnchangedSatellite);
}

} // namespace

TFrmKingOfSatMapping::TFrmKingOfSatMapping(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmKingOfSatMapping>())
{
    ui->setupUi(this);

    TListGrid *grid = ui->MappingGrid;
    grid->SetOptions({goSelectFullRow, goHeader, goGrid});
    auto *from = grid->Columns()->Add<TLgTextColumn>(QStringLiteral("ColSat"));
    from->Header().SetCaption(QStringLiteral("From"));
    // The choices are the services list's satellites, known only when the
    // dialog is about to be shown.
    auto *toSatellite = grid->Columns()->Add<TLgComboBoxColumn>(QStringLiteral("ColSatMapping"));
    toSatellite->Header().SetCaption(QStringLiteral("To (Satellite)"));
    toSatellite->SetWidth(kToSatelliteColumnWidth);
    toSatellite->SetOptions(toSatellite->Options() + coEditing);
    toSatellite->OnSelect = [grid, toSatellite, this](QObject *) {
        auto *combo = dynamic_cast<TLgComboBox *>(grid->CurrentEditor());
        if (!combo)
            return;
        // The pop-up hands over the chosen text; two satellites of one name
        // stand for the same choice.
        int item = combo->ItemIndex();
        if (item < 0 || item >= toSatellite->Items.size() || toSatellite->Items.at(item) != combo->Text())
            item = int(toSatellite->Items.indexOf(combo->Text()));
        ColSatMappingSelect(item);
    };
    auto *toDiseqc = grid->Columns()->Add<TLgNumberColumn>(QStringLiteral("ColDiSEqCMapping"));
    toDiseqc->Header().SetCaption(QStringLiteral("To (DiSEqC)"));
    toDiseqc->SetWidth(kToDiSEqCColumnWidth);
    toDiseqc->DefaultValue = QStringLiteral("0");
    toDiseqc->SetOptions(toDiseqc->Options() + coEditing);
    // The KingOfSat names are the long ones; they take what the targets leave.
    from->SetOptions(from->Options() + coAutoSize);
    grid->OnCellColoring = [grid](QObject *, int, int row, QColor &cellColor, QColor &, TCellState) {
        if (row % 2 == 0 && !grid->Selected(row))
            cellColor = kEvenRowColor;
    };
    // A click selects only the clicked row.
    grid->OnSelectCell = [grid](QObject *, int, int row) {
        if (row < 0 || row >= grid->RowCount())
            return;
        grid->ClearSelection();
        grid->SetSelected(row, true);
    };

    connect(ui->BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmKingOfSatMapping::~TFrmKingOfSatMapping() = default;

TListGrid *TFrmKingOfSatMapping::MappingGrid() const
{
    return ui->MappingGrid;
}

void TFrmKingOfSatMapping::fillGrid()
{
    TListGrid *grid = ui->MappingGrid;
    grid->BeginUpdate();
    grid->ClearRows();
    m_choices.clear();
    QStringList items{unchanged()};
    if (const TServiceList *services = m_program->ServiceList.get()) {
        for (int i = 0; i < services->Count(); ++i) {
            m_choices.append(services->GetItem(i));
            items.append(services->GetItem(i)->Name);
        }
    }
    auto *column = qobject_cast<TLgComboBoxColumn *>(
        grid->Columns()->ColumnByName(QStringLiteral("ColSatMapping")));
    if (column)
        column->Items = items;
    const TServiceList &kingOfSat = *m_program->KingOfSatList;
    m_sources.clear();
    for (int i = 0; i < kingOfSat.Count(); ++i) {
        // A satellite mapped before is listed as the page it came from, with
        // its mapping, never as a source of its own.
        const QString name = kingOfSatSourceName(m_mapping, kingOfSat, kingOfSat.GetItem(i)->Name);
        m_sources.append(name);
        QString target;
        QString diseqc;
        satelliteMappingOf(m_mapping, name, target, diseqc);
        grid->AddRow();
        const int row = grid->RowCount() - 1;
        grid->SetCells(kColSat, row, name);
        grid->SetCells(kColSatMapping, row, target);
        grid->SetCells(kColDiSEqCMapping, row, diseqc);
    }
    grid->EndUpdate();
}

void TFrmKingOfSatMapping::saveMapping()
{
    const TListGrid *grid = ui->MappingGrid;
    for (int row = 0; row < grid->RowCount(); ++row)
        m_mapping.Set(grid->Cells(kColSat, row),
                      {grid->Cells(kColSatMapping, row), grid->Cells(kColDiSEqCMapping, row)});
    const QString fileName = satelliteMappingFileName(m_program->ProgramFolder);
    QString error;
    if (!m_mapping.Save(fileName, error) && m_program->Prompts)
        m_program->Prompts->messageBox(TPrompts::TMsgKind::Error,
                                       FormatMsg1(msg(MsgKofMappingNotSaved), fileName)
                                           + QStringLiteral("\r\n") + error,
                                       TPrompts::mbOK);
}

bool TFrmKingOfSatMapping::Execute()
{
    if (!m_program || !m_program->KingOfSatList)
        return false;
    QString error;
    // Every satellite starts unchanged when the file cannot be read.
    if (!m_mapping.Load(satelliteMappingFileName(m_program->ProgramFolder), &error)
        && m_program->Prompts)
        m_program->Prompts->messageBox(TPrompts::TMsgKind::Warning, error, TPrompts::mbOK);
    fillGrid();
    const bool ok = exec() == QDialog::Accepted;
    if (ok) {
        ui->MappingGrid->FinishEditing();
        saveMapping();
    }
    m_mapping = TMappingFile(kSatelliteMappingFields);
    return ok;
}

void TFrmKingOfSatMapping::ColSatMappingSelect(int item)
{
    TListGrid *grid = ui->MappingGrid;
    const int row = grid->Editing() ? grid->EditedCell().y() : grid->SelectedRow();
    if (row < 0 || row >= grid->RowCount() || item < 0 || item > m_choices.size())
        return;
    if (item == 0) {
        grid->SetCells(kColSatMapping, row, unchanged());
        grid->SetCells(kColDiSEqCMapping, row, QStringLiteral("0"));
        return;
    }
    const TSatelite *satelite = m_choices.at(item - 1);
    grid->SetCells(kColSatMapping, row, satelite->Name);
    grid->SetCells(kColDiSEqCMapping, row, satelite->Diseqc);
}

bool TFrmKingOfSatMapping::MapSatellite(QString &name, QString &diseqc) const
{
    const TListGrid *grid = ui->MappingGrid;
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (grid->Cells(kColSat, row) != name)
            continue;
        const QString target = grid->Cells(kColSatMapping, row);
        if (target != unchanged())
            name = target;
        diseqc = grid->Cells(kColDiSEqCMapping, row);
        return true;
    }
    return false;
}

bool TFrmKingOfSatMapping::ApplyMapping()
{
    if (!m_program || !m_program->KingOfSatList)
        return false;
    SaveHandler().SetModified();
    bool all = true;
    TServiceList &kingOfSat = *m_program->KingOfSatList;
    // The list as the grid was filled: a satellite added since has no row.
    const bool filled = m_sources.size() == kingOfSat.Count();
    for (int i = 0; i < kingOfSat.Count(); ++i) {
        TSatelite *satelite = kingOfSat.GetItem(i);
        QString name = filled ? m_sources.at(i) : satelite->Name;
        QString diseqc = satelite->Diseqc;
        if (!MapSatellite(name, diseqc)) {
            all = false;
            continue;
        }
        satelite->Name = name;
        satelite->Diseqc = diseqc;
    }
    return all;
}
