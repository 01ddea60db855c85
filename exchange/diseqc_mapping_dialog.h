#pragma once

#include <QDialog>

#include <memory>

struct TProgram;
class TListGrid;
class TServiceList;

namespace Ui {
class FrmDiSEqCMapping;
}

// One row per satellite of the services list with the input switch position
// (DiSEqC value) it is to be exported with. The values confirmed here are
// remembered in "DiSEqCMapping.dat" in the program folder.
class TFrmDiSEqCMapping : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmDiSEqCMapping(QWidget *parent = nullptr);
    ~TFrmDiSEqCMapping() override;

    // The program whose services list and folder the window works on.
    void SetProgram(TProgram *program) { m_program = program; }

    // Shows the satellites with their remembered (or own) values; OK stores
    // the grid in the mapping file and returns true, Cancel leaves the file
    // as it was and returns false.
    bool Execute();
    // Gives every satellite of `list` the value of the row of the same name
    // (compared exactly); true when every satellite found a row.
    bool ApplyMapping(TServiceList &list);

    TListGrid *MappingGrid() const;
    static QString MappingFileName(const QString &programFolder);

private:
    void fillGrid();
    // Whether the receiver can read every row's value; the first it cannot
    // is chosen and named.
    bool valuesReadable();
    void storeMapping();

    TProgram *m_program = nullptr;
    std::unique_ptr<Ui::FrmDiSEqCMapping> ui;
    int m_colSat = -1;
    int m_colDiSEqC = -1;
};
