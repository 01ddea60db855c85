#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class FrmOptimize;
}

struct TProgram;

// Which clean-up steps the optimise command runs. The check boxes keep their
// state for the whole run and in the ini file, so the window is made once.
//
// A run frees services and bouquet entries that the main window's grids and
// the logo thread may still point at. The main window therefore plugs in
// three steps of its own; the run calls them in this order:
//   StopLogoMapping  before the first removal (the logo thread reads the lists);
//   LinkLists        whenever the links must be current again, and once after
//                    all removals; unset, the run links the program's lists
//                    itself (my-services into services, then the bouquets);
//   RefillGrids      after that last linking and before the report, so no
//                    grid row still shows a freed object while the report's
//                    box lets the window repaint.
class TFrmOptimize : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmOptimize(QWidget *parent = nullptr);
    ~TFrmOptimize() override;

    // The lists to clean and the prompts that show the report.
    void SetProgram(TProgram *program);

    std::function<void()> StopLogoMapping;
    std::function<void()> LinkLists;
    std::function<void()> RefillGrids;

    // Optimize is offered only with at least one step chosen.
    void UpdateOptimizeButton();
    // Runs the chosen steps, reports what they removed and closes with OK.
    void BtnOptimizeClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void linkLists();

    std::unique_ptr<Ui::FrmOptimize> ui;
    TProgram *m_program = nullptr;
};
