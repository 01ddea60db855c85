#include "app/dialogs/sort_selection.h"

#include "ui_sort_selection.h"

TFrmSortSelection::TFrmSortSelection(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmSortSelection>())
{
    ui->setupUi(this);
    connect(ui->BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmSortSelection::~TFrmSortSelection() = default;

bool TFrmSortSelection::Alphabetically() const
{
    return ui->BtnAlpha->isChecked();
}
