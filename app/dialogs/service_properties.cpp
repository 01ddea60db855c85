#include "app/dialogs/service_properties.h"

#include "ui_service_properties.h"

namespace {

constexpr QSize kClientSize{618, 386};

} // namespace

TFrmServiceProperties::TFrmServiceProperties(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmServiceProperties>())
{
    ui->setupUi(this);
    setFixedSize(kClientSize);
    connect(ui->BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmServiceProperties::~TFrmServiceProperties() = default;
