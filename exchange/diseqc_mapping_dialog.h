#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmDiSEqCMapping;
}

// One row per satellite of the services list with the input switch position
// (DiSEqC value) it is to be exported with.
class TFrmDiSEqCMapping : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmDiSEqCMapping(QWidget *parent = nullptr);
    ~TFrmDiSEqCMapping() override;

private:
    std::unique_ptr<Ui::FrmDiSEqCMapping> ui;
};
