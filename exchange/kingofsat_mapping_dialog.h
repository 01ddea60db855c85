#pragma once

#include "exchange/kingofsat_mapping.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <memory>

namespace Ui {
class FrmKingOfSatMapping;
}

class TListGrid;
class TSatelite;
struct TProgram;

// One row per KingOfSat satellite: the satellite of the services list it
// stands for (or none) and its input switch position (DiSEqC value).
class TFrmKingOfSatMapping : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmKingOfSatMapping(QWidget *parent = nullptr);
    ~TFrmKingOfSatMapping() override;

    void SetProgram(TProgram *program) { m_program = program; }

    // Fills the grid from the KingOfSat list and "SatelliteMapping.dat",
    // shows the dialog and, on OK, saves the choices. True on OK.
    bool Execute();
    // Renames the KingOfSat satellites as the grid says; false when one of
    // them has no row.
    bool ApplyMapping();
    // The target name and DiSEqC value of the row for `name`; false (both
    // unchanged) without such a row.
    bool MapSatellite(QString &name, QString &diseqc) const;
    // The choice `item` of the target column (0: "<unchanged>", then the
    // services list's satellites) for the selected row.
    void ColSatMappingSelect(int item);

    TListGrid *MappingGrid() const;

private:
    void fillGrid();
    void saveMapping();

    std::unique_ptr<Ui::FrmKingOfSatMapping> ui;
    TProgram *m_program = nullptr;
    TMappingFile m_mapping{kSatelliteMappingFields};
    // The satellites behind the target column's choices after "<unchanged>".
    QList<const TSatelite *> m_choices;
    // Per satellite of the KingOfSat list when the grid was filled: the name
    // of its row, the page it came from.
    QStringList m_sources;
};
