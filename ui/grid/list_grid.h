#pragma once

#include "ui/grid/cell_store.h"
#include "ui/grid/custom_grid.h"

#include <memory>

using TCompareEvent = std::function<void(QObject *Sender, TCell *Cell1, TCell *Cell2, int &Compare)>;

// The grid of every list window: its cells live in a TCells store and its
// per-row state in a TRows list, both owned here. Rows point at model
// objects through ObjectReference but never own them.
class TListGrid : public TLgCustomGrid
{
    Q_OBJECT

public:
    explicit TListGrid(QWidget *parent = nullptr);
    ~TListGrid() override;

    // The cell object; its row is checked by the store ("List index out of
    // bounds"), its column too ("Cell out of bounds").
    TCell *Cell(int ACol, int ARow) const;
    QString Cells(int ACol, int ARow) const override;
    void SetCells(int ACol, int ARow, const QString &Value) override;
    int RowCount() const override;
    int RowHeight(int Index) const override;
    void SetRowHeight(int Index, int Value) override;
    bool RowVisible(int Index) const override;
    bool Selected(int Index) const override;
    void SetSelected(int Index, bool Value) override;

    void AddRow(int Count = 1) override;
    // Rows made from model objects: their cells exist only once a cell of
    // the row is read, drawn or written, and OnFillRow then writes the row
    // from its source. Everything else treats them as ordinary rows.
    void AddSourcedRows(std::span<const void *const> sources);
    // The row drops its cells and is written from `source` when next needed.
    void ResetRow(int Index, const void *source);
    const void *RowSource(int Index) const { return m_cells->RowSource(Index); }
    bool RowFilled(int Index) const { return m_cells->RowFilled(Index); }
    std::function<void(int ARow, const void *source)> OnFillRow;
    // The text a cell of a row not yet written would hold, without writing
    // the row (best fit reads whole columns).
    std::function<QString(int ACol, int ARow, const void *source)> OnPeekText;
    // The same for several columns at once, as MeasureTexts hands them out:
    // texts[k] at a string the source holds, or at made[k] holding the text.
    std::function<void(const void *source, std::span<const int> cols, const QString **texts,
                       QString *made)>
        OnPeekTexts;
    QString MeasureText(int ACol, int ARow) const override;
    void MeasureTexts(int ARow, std::span<const int> cols, const QString **texts,
                      QString *made) const override;
    void ClearRows() override;
    void DeleteRow(int Index) override;
    void InsertRow(int Pos) override;
    void MoveRow(int FromPos, int ToPos) override;
    void SwapRows(int A, int B) override;
    void RecalcFooters() override;

    // The value a check box play starts from, and the play's input applied
    // to the cell (after OnEditAccept allows it).
    bool InplaceCheckBoxValue(int ACol, int ARow) const override;
    void ApplyPlayInput(int ACol, int ARow, const QString &Text, bool Value) override;

    TCells &Store() { return *m_cells; }
    TRows &Rows() { return m_rows; }

    TCompareEvent OnCompare;
    TCellFormatingEvent OnCellFormating;

protected:
    bool PrepareCellDrawing(int ACol, int ARow, TColumnDisplay &Display) override;
    QColor CellColor(int ACol, int ARow) const override;
    QString CellHint(int ACol, int ARow) const override;
    void CellFormating(int ACol, int ARow, QColor &TextColor, TFontStyles &FontStyle,
                       TCellState CellState) override;
    void ColumnNotification(int Operation, int Index, int Index2) override;
    void ColumnSorted(TLgCustomColumn *Column, bool Ascending) override;

private:
    void checkCell(int ACol, int ARow) const;
    void cellChanged(int ACol, int ARow);
    bool hasFormulas() const;
    void rowsAdded(int first);

    std::unique_ptr<TCells> m_cells;
    TRows m_rows;
};
