#include "exchange/kingofsat_mapping_dialog.h"

#include "ui/grid/column_kinds.h"
#include "ui_kingofsat_mapping_dialog.h"

namespace {

constexpr int kToSatelliteColumnWidth = 250;
constexpr int kToDiSEqCColumnWidth = 85;

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
    auto *toDiseqc = grid->Columns()->Add<TLgNumberColumn>(QStringLiteral("ColDiSEqCMapping"));
    toDiseqc->Header().SetCaption(QStringLiteral("To (DiSEqC)"));
    toDiseqc->SetWidth(kToDiSEqCColumnWidth);
    toDiseqc->DefaultValue = QStringLiteral("0");
    toDiseqc->SetOptions(toDiseqc->Options() + coEditing);
    // The KingOfSat names are the long ones; they take what the targets leave.
    from->SetOptions(from->Options() + coAutoSize);

    connect(ui->BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmKingOfSatMapping::~TFrmKingOfSatMapping() = default;
