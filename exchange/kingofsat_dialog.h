#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmKingOfSat;
}

// The satellites of the KingOfSat index page, to be checked for download
// into the KingOfSat list.
class TFrmKingOfSat : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmKingOfSat(QWidget *parent = nullptr);
    ~TFrmKingOfSat() override;

private:
    std::unique_ptr<Ui::FrmKingOfSat> ui;
};
