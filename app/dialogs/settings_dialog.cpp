#include "app/dialogs/settings_dialog.h"

#include "ui_settings_dialog.h"

namespace {

constexpr QSize kClientSize{601, 413};

} // namespace

TFrmSettings::TFrmSettings(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::FrmSettings>())
{
    ui->setupUi(this);
    // A fixed border that can still be minimised: the dialog stays open while
    // the user looks something up in the main window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientSize);
    connect(ui->BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmSettings::~TFrmSettings() = default;
