#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class FrmKingOfSatTransfer;
}

class TSatelite;
class TService;
struct TProgram;

// Which KingOfSat services go into the services list (the selected ones,
// one provider's or one satellite's), under whose names, and into which
// bouquet.
class TFrmKingOfSatTransfer : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmKingOfSatTransfer(QWidget *parent = nullptr);
    ~TFrmKingOfSatTransfer() override;

    void SetProgram(TProgram *program) { m_program = program; }

    // What the main window's KingOfSat grid and bouquet combo show.
    struct TGridSelection {
        TService *service = nullptr;   // of the first selected row
        TSatelite *satelite = nullptr; // that row's satellite
        int bouquetIndex = -1;         // the bouquet combo's selection
        // Marks the services of the selected rows.
        std::function<void()> markSelected;
    };

    // Shows the dialog; on OK marks the chosen KingOfSat services (and only
    // them) and returns true.
    bool Execute(const TGridSelection &selection);

    bool AssumeNames() const;
    bool BouquetChecked() const;
    QString BouquetName() const;

    void BtnProviderClick();
    void ComboProviderSelect();
    void BtnSatelliteClick();
    void ComboSatelliteSelect();
    void ComboBouquetKeyDown();
    void ComboBouquetSelect();
    void BtnOkClick();

private:
    void fillCombos(const TGridSelection &selection);
    void markChosen(const TGridSelection &selection);

    std::unique_ptr<Ui::FrmKingOfSatTransfer> ui;
    TProgram *m_program = nullptr;
};
