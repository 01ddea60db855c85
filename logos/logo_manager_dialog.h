#pragma once

#include <QDialog>

#include <memory>

struct TProgram;

namespace Ui {
class FrmLogoManager;
}

// Fills the logo folder from the logo web site's satellite pages and holds
// the logo settings: display size, whether logos are mapped at all and
// whether the next mapping run starts afresh.
class TFrmLogoManager : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmLogoManager(QWidget *parent = nullptr);
    ~TFrmLogoManager() override;

    // The program whose lists, settings and main window the window works on.
    void SetProgram(TProgram *program) { m_program = program; }

private:
    TProgram *m_program = nullptr;
    std::unique_ptr<Ui::FrmLogoManager> ui;
};
