#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmServiceSelectionList;
}

// The services a bouquet entry's search found, one per row, for the user to
// pick the one the entry is linked to.
class TFrmServiceSelectionList : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmServiceSelectionList(QWidget *parent = nullptr);
    ~TFrmServiceSelectionList() override;

private:
    std::unique_ptr<Ui::FrmServiceSelectionList> ui;
};
