#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmKingOfSatTransfer;
}

// Which KingOfSat services go into the services list (the selected ones,
// one provider's or one satellite's), under whose names, and into which
// bouquet.
class TFrmKingOfSatTransfer : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmKingOfSatTransfer(QWidget *parent = nullptr);
    ~TFrmKingOfSatTransfer() override;

private:
    std::unique_ptr<Ui::FrmKingOfSatTransfer> ui;
};
