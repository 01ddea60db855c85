#include "exchange/diseqc_mapping_dialog.h"

#include "core/model/satelite.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "core/util/str_utils.h"
#include "exchange/mapping_file.h"
#include "ui/grid/column_kinds.h"
#include "ui/program/main_window_link.h"
#include "ui/program/program.h"
#include "ui_diseqc_mapping_dialog.h"

#include <QDir>

namespace {

constexpr int kSatelliteColumnWidth = 540;
constexpr int kDiSEqCColumnWidth = 65;

} // namespace

TFrmDiSEqCMapping::TFrmDiSEqCMapping(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmDiSEqCMapping>())
{
    ui->setupUi(this);

    TListGrid *grid = ui->MappingGrid;
    grid->SetOptions({goSelectFullRow, goHeader, goGrid, goDisableColumnMoving});
    auto *satellite = grid->Columns()->Add<TLgTextColumn>(QStringLiteral("ColSat"));
    satellite->Header().SetCaption(QStringLiteral("Satellite"));
    satellite->SetWidth(kSatelliteColumnWidth);
    // Only the switch position is typed in; the satellite names come from
    // the services list.
    auto *diseqc = grid->Columns()->Add<TLgNumberColumn>(QStringLiteral("ColDiSEqC"));
    diseqc->Header().SetCaption(QStringLiteral("DiSEqC"));
    diseqc->SetWidth(kDiSEqCColumnWidth);
    diseqc->DefaultValue = QStringLiteral("0");
    diseqc->SetOptions(diseqc->Options() + coEditing);
    m_colSat = satellite->Index();
    m_colDiSEqC = diseqc->Index();

    grid->OnCellColoring = [grid](QObject *, int, int row, QColor &cellColor, QColor &,
                                  TCellState) {
        if (row % 2 == 0 && !grid->Selected(row))
            cellColor = QColor::fromRgb(kEvenRowRgb);
    };

    connect(ui->BtnOk, &QPushButton::clicked, this, [this] {
        // A value still being typed counts; one that is no number keeps the
        // window open with the editor showing it, and so does one the
        // receiver cannot read, with its row chosen.
        if (ui->MappingGrid->FinishEditing() && valuesReadable())
            accept();
    });
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmDiSEqCMapping::~TFrmDiSEqCMapping() = default;

TListGrid *TFrmDiSEqCMapping::MappingGrid() const
{
    return ui->MappingGrid;
}

QString TFrmDiSEqCMapping::MappingFileName(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("DiSEqCMapping.dat"));
}

void TFrmDiSEqCMapping::fillGrid()
{
    TMappingFile mapping;
    QString error;
    // The satellites' own values stand in for a file that cannot be read.
    if (!mapping.Load(MappingFileName(m_program->ProgramFolder), &error) && m_program->Prompts)
        m_program->Prompts->messageBox(TPrompts::TMsgKind::Warning, error, TPrompts::mbOK);
    TListGrid *grid = ui->MappingGrid;
    grid->BeginUpdate();
    grid->ClearRows();
    const TServiceList &services = *m_program->ServiceList;
    for (int i = 0; i < services.Count(); ++i) {
        const TSatelite *satelite = services.GetItem(i);
        grid->AddRow();
        const int row = grid->RowCount() - 1;
        grid->SetCells(m_colSat, row, satelite->Name);
        grid->SetCells(m_colDiSEqC, row, mapping.Value(satelite->Name, satelite->Diseqc));
    }
    grid->EndUpdate();
}

bool TFrmDiSEqCMapping::valuesReadable()
{
    TListGrid *grid = ui->MappingGrid;
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (isDiseqcPosition(grid->Cells(m_colDiSEqC, row)))
            continue;
        grid->SetSelectedRow(row);
        grid->ScrollToRow(row);
        if (m_program && m_program->Prompts)
            m_program->Prompts->messageBox(TPrompts::TMsgKind::Warning,
                                           FormatMsg1(msg(MsgDiseqcUnreadable), grid->Cells(m_colSat, row)),
                                           TPrompts::mbOK);
        return false;
    }
    return true;
}

void TFrmDiSEqCMapping::storeMapping()
{
    const QString fileName = MappingFileName(m_program->ProgramFolder);
    // Read again: lines of satellites not in this list stay where they are.
    TMappingFile mapping;
    mapping.Load(fileName);
    const TListGrid *grid = ui->MappingGrid;
    for (int row = 0; row < grid->RowCount(); ++row)
        mapping.Set(grid->Cells(m_colSat, row), grid->Cells(m_colDiSEqC, row));
    QString error;
    if (!mapping.Save(fileName, error) && m_program->MainWindow)
        m_program->MainWindow->ShowError(msg(MsgMappingNotSaved) + QStringLiteral("\r\n\r\n")
                                         + fileName + QStringLiteral("\r\n") + error);
}

bool TFrmDiSEqCMapping::Execute()
{
    if (!m_program || !m_program->ServiceList)
        return false;
    fillGrid();
    if (exec() != QDialog::Accepted)
        return false;
    storeMapping();
    return true;
}

bool TFrmDiSEqCMapping::ApplyMapping(TServiceList &list)
{
    const TListGrid *grid = ui->MappingGrid;
    QHash<QString, int> rowOfName;
    for (int row = grid->RowCount() - 1; row >= 0; --row)
        rowOfName.insert(grid->Cells(m_colSat, row), row); // the first row of a name wins
    bool allFound = true;
    bool changed = false;
    for (int i = 0; i < list.Count(); ++i) {
        TSatelite *satelite = list.GetItem(i);
        const auto found = rowOfName.constFind(satelite->Name);
        if (found == rowOfName.constEnd()) {
            allFound = false;
            continue;
        }
        const QString value = grid->Cells(m_colDiSEqC, *found);
        if (satelite->Diseqc != value) {
            satelite->Diseqc = value;
            changed = true;
        }
    }
    if (changed)
        SaveHandler().SetModified();
    return allFound;
}
