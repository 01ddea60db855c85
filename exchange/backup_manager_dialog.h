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

    void BtnAddClick();
    void BtnRemoveClick();
    void BtnMakeBackupClick();
    void BtnRestoreBackupClick();
    void BoxBackupsClick();
    // Lists the backups and shows the newest one's files.
    void FillBackups();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString backupRoot() const;
    void showStatus(const QString &text) const;
    void reportFailure(const QString &errorText) const;
    int message(int kind, const QString &text) const;

    TProgram *m_program = nullptr;
    std::unique_ptr<Ui::FrmBackupManager> ui;
};
