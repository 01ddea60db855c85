#pragma once

#include "ui/grid/cells.h"
#include "ui/grid/grid_types.h"

#include <functional>
#include <memory>
#include <random>
#include <vector>

class TLgColumns;

// Operations of the column list that the store follows (low 7 bits).
enum TColumnListOperation {
    kColumnAppended = 0,
    kColumnDeleted = 1,
    kColumnsCleared = 2,
    kColumnInserted = 3,
    kColumnMoved = 4,
};

// The grid's cells: one list per column, one cell per row in each list. Row
// operations touch one entry per column; sorting moves entries, never values.
class TCells
{
public:
    using TCellList = std::vector<std::unique_ptr<TCell>>;

    explicit TCells(TLgColumns *columns);
    ~TCells();
    TCells(const TCells &) = delete;
    TCells &operator=(const TCells &) = delete;

    int ColCount() const { return int(m_lists.size()); }
    int RowCount() const { return m_rowCount; }
    bool Sorted() const { return m_sorted; }
    int LastSortColumn() const { return m_lastSortColumn; }

    // The cell at (column, row) with its position refreshed. A row outside
    // the store raises the list index error, a column outside it the cell
    // error.
    TCell *Cell(int ACol, int ARow);

    void AddRows(int count);
    void InsertRow(int pos);
    void DeleteRow(int index);
    void MoveRow(int fromPos, int toPos);
    void SwapRows(int a, int b);
    void Clear();

    void ColumnNotification(int operation, int index, int index2);

    // direction: 0 ascending, 1 descending. The rows are left as they were
    // when a cell cannot be converted to the sort type.
    void Sort(int column, TSortType sortType, int direction);

    void ValueChanged(int ACol, int ARow);
    void CustomCompare(TCell *cell1, TCell *cell2, int &compare);
    QColor CellColor(int ACol, int ARow, bool text) const;

    std::function<void(int ACol, int ARow)> OnChange;
    std::function<void(TCell *Cell1, TCell *Cell2, int &Compare)> OnCompare;
    std::function<QColor(int ACol, int ARow, bool text)> OnColorQuery;

private:
    struct ColumnTemplate {
        int kind = kKindText;
        TFontStyles fontStyle;
        QColor color;
        TLgCustomColumn *column = nullptr;
    };
    ColumnTemplate templateFor(int column) const;
    std::unique_ptr<TCell> makeCell(const ColumnTemplate &t, bool inserted);
    void checkRow(int row) const;
    void checkRowForInsert(int row) const;
    void applyOrder(const std::vector<int> &order);

    TLgColumns *m_columns;
    std::vector<TCellList> m_lists;
    int m_rowCount = 0;
    bool m_sorted = false;
    int m_lastSortColumn = -1;
    int m_lastDirection = 0;
    std::minstd_rand m_random{20240501u};
};

struct TRow {
    bool Selected = false;
    int Height = 16;
    bool Visible = true;
};

// Per-row state that stays with a position: selection, height, visibility.
class TRows
{
public:
    int Count() const { return int(m_rows.size()); }
    TRow &Item(int index);
    const TRow &Item(int index) const;
    void Add(int height, int count = 1);
    void Insert(int pos, int height);
    void Delete(int index);
    void Move(int fromPos, int toPos);
    void Clear() { m_rows.clear(); }

private:
    std::vector<TRow> m_rows;
};

// Four numbers of a dotted address, as the IP sort compares them; excess
// parts are ignored. EConvertError for a part without digits.
std::array<quint32, 4> splitAddress(const QString &text);
