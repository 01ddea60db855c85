#include "exchange/kingofsat_dialog.h"

#include "ui/grid/column_kinds.h"
#include "ui_kingofsat_dialog.h"

namespace {

constexpr int kCheckColumnWidth = 20;
constexpr int kPositionColumnWidth = 60;

} // namespace

TFrmKingOfSat::TFrmKingOfSat(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmKingOfSat>())
{
    ui->setupUi(this);

    TListGrid *grid = ui->SatGrid;
    grid->SetOptions({goSelectFullRow, goHeader, goDisableColumnMoving});
    auto *check = grid->Columns()->Add<TLgCheckBoxColumn>(QStringLiteral("ColCheck"));
    check->SetWidth(kCheckColumnWidth);
    check->SetOptions(check->Options() + coEditing + coFixedSize);
    // Satellite names may carry markup from the index page.
    auto *satellite = grid->Columns()->Add<TLgHtmlColumn>(QStringLiteral("ColSat"));
    satellite->Header().SetCaption(QStringLiteral("Satellite"));
    satellite->SetSortType(stAlphabetic);
    satellite->SetSorted(true);
    auto *position = grid->Columns()->Add<TLgTextColumn>(QStringLiteral("ColPos"));
    position->Header().SetCaption(QStringLiteral("Position"));
    position->SetWidth(kPositionColumnWidth);
    position->SetOptions(position->Options() + coFixedSize);
    // The page address is needed for the download, not by the reader.
    auto *link = grid->Columns()->Add<TLgTextColumn>(QStringLiteral("ColLink"));
    link->Header().SetCaption(QStringLiteral("Link"));
    link->SetVisible(false);
    satellite->SetOptions(satellite->Options() + coAutoSize);

    connect(ui->BtnClose, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmKingOfSat::~TFrmKingOfSat() = default;
