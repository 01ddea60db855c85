#include "app/dialogs/optimize_dialog.h"

#include "ui_optimize_dialog.h"

TFrmOptimize::TFrmOptimize(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::FrmOptimize>())
{
    ui->setupUi(this);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmOptimize::~TFrmOptimize() = default;
