#pragma once

#include "ui/grid/cells.h"
#include "ui/grid/grid_types.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <new>
#include <random>
#include <span>
#include <unordered_map>
#include <utility>
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

// Fixed-size slots for the cells of one store, taken from blocks and given
// back to a free list. A grid holds a cell for every row of every column, so
// each cell saving malloc's own bookkeeping counts; a slot never moves, so a
// cell pointer stays valid until the store frees that cell.
class TCellPool
{
public:
    static constexpr std::size_t kSlotSize =
        std::max({sizeof(TBooleanCell), sizeof(TDateTimeCell), sizeof(TFloatCell),
                  sizeof(TIntegerCell), sizeof(TStringCell), sizeof(TIncrementCell),
                  sizeof(TVirtualCell)});
    static constexpr std::size_t kSlotAlign =
        std::max({alignof(TBooleanCell), alignof(TDateTimeCell), alignof(TFloatCell),
                  alignof(TIntegerCell), alignof(TStringCell), alignof(TIncrementCell),
                  alignof(TVirtualCell)});
    static constexpr std::size_t kSlotsPerBlock = 4096;

    TCellPool() = default;
    ~TCellPool();
    TCellPool(const TCellPool &) = delete;
    TCellPool &operator=(const TCellPool &) = delete;

    template <typename T, typename... Args>
    T *Create(Args &&...args)
    {
        static_assert(sizeof(T) <= kSlotSize && alignof(T) <= kSlotAlign);
        void *slot = allocate();
        try {
            return ::new (slot) T(std::forward<Args>(args)...);
        } catch (...) {
            deallocate(slot);
            throw;
        }
    }
    void Destroy(TCell *cell) noexcept;
    // Gives the blocks back to the heap once no cell lives in them.
    void ReleaseIfUnused() noexcept;

    std::size_t LiveCount() const { return m_live; }
    std::size_t BlockCount() const { return m_blocks.size(); }

private:
    union Slot {
        Slot *next;
        alignas(kSlotAlign) std::byte storage[kSlotSize];
    };
    static_assert(sizeof(Slot) == kSlotSize);
    struct Block {
        explicit Block(std::unique_ptr<Slot[]> s) : memory(std::move(s)) {}
        Block(Block &&) = default;
        Block &operator=(Block &&) = default;
        ~Block();
        std::unique_ptr<Slot[]> memory;
    };
    void *allocate();
    void deallocate(void *slot) noexcept;

    std::vector<Block> m_blocks;
    Slot *m_free = nullptr;
    std::size_t m_unusedInLastBlock = 0;
    std::size_t m_live = 0;
};

// The grid's cells: one list per column, one cell per row in each list. Row
// operations touch one entry per column; sorting moves entries, never values.
class TCells
{
public:
    // The lists point into the pool; the store frees every cell it drops.
    using TCellList = std::vector<TCell *>;

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
    // Rows whose cells are made only when one of them is first asked for:
    // `OnFillRow` then writes the row from its source. A grid of 100,000
    // rows thus holds cells for the rows that were shown or read.
    void AddSourcedRows(std::span<const void *const> sources);
    // The row forgets its cells and refills from `source` when next asked.
    void ResetRow(int row, const void *source);
    const void *RowSource(int row) const;
    // False while the row waits for its first fill.
    bool RowFilled(int row) const;
    void InsertRow(int pos);
    void DeleteRow(int index);
    void MoveRow(int fromPos, int toPos);
    void SwapRows(int a, int b);
    void Clear();

    void ColumnNotification(int operation, int index, int index2);

    // direction: 0 ascending, 1 descending. The rows are left as they were
    // when a cell cannot be converted to the sort type. The result says where
    // each row came from: row i now holds what row result[i] held.
    std::vector<int> Sort(int column, TSortType sortType, int direction);

    void ValueChanged(int ACol, int ARow);
    void CustomCompare(TCell *cell1, TCell *cell2, int &compare);
    QColor CellColor(int ACol, int ARow, bool text) const;

    // The sparse per-cell data behind TCell's accessors; an empty hint or a
    // null reference removes the entry.
    QString HintOf(const TCell *cell) const;
    void SetHintOf(const TCell *cell, const QString &hint);
    void *ObjectReferenceOf(const TCell *cell) const;
    void SetObjectReferenceOf(const TCell *cell, void *object);
    std::size_t HintCount() const { return m_hints.size(); }
    std::size_t ObjectReferenceCount() const { return m_objectReferences.size(); }
    const TCellPool &Pool() const { return m_pool; }

    std::function<void(int ACol, int ARow)> OnChange;
    std::function<void(TCell *Cell1, TCell *Cell2, int &Compare)> OnCompare;
    std::function<QColor(int ACol, int ARow, bool text)> OnColorQuery;
    std::function<void(int row, const void *source)> OnFillRow;

private:
    struct ColumnTemplate {
        int kind = kKindText;
        TFontStyles fontStyle;
        QColor color;
        TLgCustomColumn *column = nullptr;
    };
    ColumnTemplate templateFor(int column) const;
    TCell *makeCell(const ColumnTemplate &t, bool inserted);
    void freeCell(TCell *cell) noexcept;
    void freeList(TCellList &list) noexcept;
    void freeAll() noexcept;
    static void reserveFor(TCellList &list, int count);
    void checkRow(int row) const;
    void checkRowForInsert(int row) const;
    void applyOrder(const std::vector<int> &order);
    // Makes the missing cells of a row and fills it from its source.
    void materialize(int row);
    bool hasSources() const { return !m_rowSources.empty(); }

    TLgColumns *m_columns;
    // Declared before the lists: the cells are gone before their slots.
    TCellPool m_pool;
    std::unordered_map<const TCell *, QString> m_hints;
    std::unordered_map<const TCell *, void *> m_objectReferences;
    std::vector<TCellList> m_lists;
    // One source per row once any row has one (null: an ordinary row).
    std::vector<const void *> m_rowSources;
    bool m_materializing = false;
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

// Per-row state: selection, height, visibility. Inserts, deletes, moves and
// sorts of the rows take it along.
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
    // Row i takes the state row order[i] had.
    void Permute(const std::vector<int> &order);
    void Clear() { m_rows.clear(); }

private:
    std::vector<TRow> m_rows;
};

// Four numbers of a dotted address, as the IP sort compares them; excess
// parts are ignored. EConvertError for a part without digits.
std::array<quint32, 4> splitAddress(const QString &text);
