#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmToggleActions;
}

// The choice of a my-services action: add, remove or replace, each shown
// with the icon the grids use for it.
class TFrmToggleActions : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmToggleActions(QWidget *parent = nullptr);
    ~TFrmToggleActions() override;

private:
    std::unique_ptr<Ui::FrmToggleActions> ui;
};
