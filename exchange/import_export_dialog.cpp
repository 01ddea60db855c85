#include "exchange/import_export_dialog.h"

#include "ui_import_export_dialog.h"

TFrmImportExport::TFrmImportExport(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmImportExport>())
{
    ui->setupUi(this);
    connect(ui->BtnImport, &QPushButton::clicked, this, [this] { done(kResultImport); });
    connect(ui->BtnExport, &QPushButton::clicked, this, [this] { done(kResultExport); });
    connect(ui->BtnClose, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmImportExport::~TFrmImportExport() = default;

bool TFrmImportExport::Execute(QString &errorText)
{
    errorText.clear();
    exec();
    return false;
}
