#include "exchange/backup_manager_dialog.h"

#include "ui_backup_manager_dialog.h"

TFrmBackupManager::TFrmBackupManager(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmBackupManager>())
{
    ui->setupUi(this);
    connect(ui->BtnClose, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmBackupManager::~TFrmBackupManager() = default;
