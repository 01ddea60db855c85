#pragma once

#include <QDialog>

#include <memory>

struct TProgram;

namespace Ui {
class FrmListGenerator;
}

// The print manager: which list (source), which columns in which order, and
// where it goes (CSV, HTML file, HTML print or a print of the grid itself).
class TFrmListGenerator : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmListGenerator(QWidget *parent = nullptr);
    ~TFrmListGenerator() override;

    // The program whose lists, settings and main window the window works on.
    void SetProgram(TProgram *program) { m_program = program; }

private:
    TProgram *m_program = nullptr;
    std::unique_ptr<Ui::FrmListGenerator> ui;
};
