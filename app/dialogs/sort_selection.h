#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FrmSortSelection;
}

// Asks how the current bouquet is sorted; the main window reads the radio
// buttons after the window closed with OK.
class TFrmSortSelection : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmSortSelection(QWidget *parent = nullptr);
    ~TFrmSortSelection() override;

    // The choice after OK: by name when true, else by transponder frequency.
    bool Alphabetically() const;

private:
    std::unique_ptr<Ui::FrmSortSelection> ui;
};
