#include "exchange/diseqc_mapping_dialog.h"

#include "ui/grid/column_kinds.h"
#include "ui_diseqc_mapping_dialog.h"

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

    connect(ui->BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmDiSEqCMapping::~TFrmDiSEqCMapping() = default;
