#include "app/dialogs/service_selection_list.h"

#include "core/model/satelite.h"
#include "core/model/service.h"
#include "core/model/transponder.h"
#include "core/util/messages.h"
#include "ui/grid/column_kinds.h"
#include "ui_service_selection_list.h"

namespace {

struct ColumnSpec {
    const char *name;
    const char *caption;
    int width;
};

// The name takes what room the other three leave.
constexpr ColumnSpec kColumns[] = {
    {"ColName", "Service", 160},
    {"ColSID", "SID", 60},
    {"ColTSID", "TSID", 60},
    {"ColSat", "Satelite/Cable", 130},
};

enum : int { kColName = 0, kColSid = 1, kColTsid = 2, kColSat = 3 };

// The light stripe of the even rows, as in the main window's grids.
const QColor kEvenRowColor(0xFE, 0xFC, 0xF5);

} // namespace

TFrmServiceSelectionList::TFrmServiceSelectionList(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmServiceSelectionList>())
{
    ui->setupUi(this);
    TListGrid *grid = ui->SelectionGrid;
    grid->SetOptions(TGridOptions{goHeader, goGrid, goSelectFullRow, goDisableColumnMoving});
    for (const ColumnSpec &spec : kColumns) {
        auto *column = grid->Columns()->Add<TLgTextColumn>(QString::fromLatin1(spec.name));
        column->Header().SetCaption(QString::fromLatin1(spec.caption));
        column->SetWidth(spec.width);
    }
    auto *name = grid->Columns()->ColumnByName(QStringLiteral("ColName"));
    name->SetOptions(name->Options() + coAutoSize);
    grid->ReadOnly = true;
    grid->OnCellColoring = [grid](QObject *, int, int ARow, QColor &CellColor, QColor &,
                                  TCellState) {
        if (ARow % 2 == 0 && !grid->Selected(ARow))
            CellColor = kEvenRowColor;
    };
    connect(ui->BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmServiceSelectionList::~TFrmServiceSelectionList() = default;

void TFrmServiceSelectionList::AddCandidate(TService *service, TTransponder *transponder,
                                            TSatelite *satelite)
{
    TListGrid *grid = ui->SelectionGrid;
    grid->AddRow();
    const int row = grid->RowCount() - 1;
    grid->SetCells(kColName, row, service->Name);
    grid->SetCells(kColSid, row, service->Sid);
    grid->SetCells(kColTsid, row, transponder->Tsid);
    grid->SetCells(kColSat, row, satelite->Name);
    grid->Cell(kColName, row)->SetObjectReference(service);
    grid->Cell(kColSid, row)->SetObjectReference(transponder);
    grid->Cell(kColTsid, row)->SetObjectReference(satelite);
}

void TFrmServiceSelectionList::ClearCandidates()
{
    ui->SelectionGrid->ClearRows();
}

int TFrmServiceSelectionList::CandidateCount() const
{
    return ui->SelectionGrid->RowCount();
}

int TFrmServiceSelectionList::Execute(TService *&service, TTransponder *&transponder,
                                      TSatelite *&satelite)
{
    service = nullptr;
    transponder = nullptr;
    satelite = nullptr;
    TListGrid *grid = ui->SelectionGrid;
    if (grid->RowCount() == 0)
        return QDialog::Rejected;
    setWindowTitle(grid->RowCount() == 1 ? msg(MsgServiceSelectionOneFound)
                                         : msg(MsgServiceSelectionCaption));
    grid->ClearSelection();
    grid->SetSelectedRow(0);
    grid->ScrollToRow(0);
    grid->InvalidateCellArea();
    if (exec() != QDialog::Accepted)
        return QDialog::Rejected;
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (!grid->Selected(row))
            continue;
        service = static_cast<TService *>(grid->Cell(kColName, row)->ObjectReference());
        transponder = static_cast<TTransponder *>(grid->Cell(kColSid, row)->ObjectReference());
        satelite = static_cast<TSatelite *>(grid->Cell(kColTsid, row)->ObjectReference());
        return QDialog::Accepted;
    }
    return QDialog::Rejected;
}

void TFrmServiceSelectionList::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ui->SelectionGrid->setFocus();
}
