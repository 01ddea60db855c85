#pragma once

#include <QDialog>

#include <memory>

struct TProgram;

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

    // The program whose lists, settings and main window the window works on.
    void SetProgram(TProgram *program) { m_program = program; }

private:
    TProgram *m_program = nullptr;
    std::unique_ptr<Ui::FrmBackupManager> ui;
};
