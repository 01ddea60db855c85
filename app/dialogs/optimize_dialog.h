#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmOptimize;
}

// Which clean-up steps the optimise command runs. The check boxes keep their
// state for the whole run and in the ini file, so the window is made once.
class TFrmOptimize : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmOptimize(QWidget *parent = nullptr);
    ~TFrmOptimize() override;

private:
    std::unique_ptr<Ui::FrmOptimize> ui;
};
