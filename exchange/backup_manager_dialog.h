#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmBackupManager;
}

// Copies a list of receiver files into a dated folder on this computer and
// puts such a folder back onto the receiver.
class TFrmBackupManager : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmBackupManager(QWidget *parent = nullptr);
    ~TFrmBackupManager() override;

private:
    std::unique_ptr<Ui::FrmBackupManager> ui;
};
