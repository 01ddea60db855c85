#include "exchange/kingofsat_transfer_dialog.h"

#include "ui_kingofsat_transfer_dialog.h"

TFrmKingOfSatTransfer::TFrmKingOfSatTransfer(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmKingOfSatTransfer>())
{
    ui->setupUi(this);
    // OK may close only after its bouquet name check, which comes with the
    // transfer itself; Cancel always closes.
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmKingOfSatTransfer::~TFrmKingOfSatTransfer() = default;
