#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmKingOfSatMapping;
}

// One row per KingOfSat satellite: the satellite of the services list it
// stands for (or none) and its input switch position (DiSEqC value).
class TFrmKingOfSatMapping : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmKingOfSatMapping(QWidget *parent = nullptr);
    ~TFrmKingOfSatMapping() override;

private:
    std::unique_ptr<Ui::FrmKingOfSatMapping> ui;
};
