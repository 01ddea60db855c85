#include "app/dialogs/list_generator.h"

#include "resources/icons.h"
#include "ui_list_generator.h"

TFrmListGenerator::TFrmListGenerator(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmListGenerator>())
{
    ui->setupUi(this);
    // No title-bar buttons: the window is left through Close only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ui->BtnUp->setIcon(pelloranIcon(QStringLiteral("tool-move-up")));
    ui->BtnDown->setIcon(pelloranIcon(QStringLiteral("tool-move-down")));
    ui->ColorPickerHeader->SetSelectedColor(QColor(Qt::white));
    ui->ColorPickerBody->SetSelectedColor(QColor(Qt::white));
    connect(ui->BtnClose, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmListGenerator::~TFrmListGenerator() = default;
