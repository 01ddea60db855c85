#include "ui/grid/cell_store.h"

#include "ui/grid/font_styles.h"
#include "core/util/messages.h"
#include "ui/grid/columns.h"

#include <algorithm>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace {

// Free slots are poisoned under AddressSanitizer, so a cell used after the
// store freed it is reported as it would be with malloc.
#if defined(__SANITIZE_ADDRESS__)
void poison(const void *p, std::size_t size)
{
    ASAN_POISON_MEMORY_REGION(p, size);
}
void unpoison(const void *p, std::size_t size)
{
    ASAN_UNPOISON_MEMORY_REGION(p, size);
}
#else
void poison(const void *, std::size_t) {}
void unpoison(const void *, std::size_t) {}
#endif

[[noreturn]] void throwListIndex(int index)
{
    throw Exception(FormatMsg1(msg(MsgListIndexOutOfBounds), QString::number(index)));
}

// Hoare partition around a pivot taken from [L + 1, R], over the rows' sort
// entries. Both scans are bounded by [L, R] so that a comparison that
// contradicts itself (a custom handler) cannot walk out of the range. The
// pivot is a copy of its entry, so it keeps its value while entries move.
template <typename Entry, typename Compare>
int partition(std::vector<Entry> &order, int L, int R, bool descending, Compare &cmp,
              std::minstd_rand &random)
{
    const Entry pivot = order[std::size_t(L + 1 + int(random() % unsigned(R - L)))];
    auto le = [&](const Entry &other) { return cmp(pivot, other) <= 0; };
    auto ge = [&](const Entry &other) { return cmp(pivot, other) >= 0; };
    int i = L - 1;
    int j = R + 1;
    do {
        do
            ++i;
        while (i < R && !(descending ? ge(order[std::size_t(i)]) : le(order[std::size_t(i)])));
        do
            --j;
        while (j > L && !(descending ? le(order[std::size_t(j)]) : ge(order[std::size_t(j)])));
        if (i != j)
            std::swap(order[std::size_t(i)], order[std::size_t(j)]);
    } while (i < j);
    if (i != j)
        std::swap(order[std::size_t(i)], order[std::size_t(j)]);
    return std::clamp(i, L + 1, R);
}

template <typename Entry, typename Compare>
void quickSort(std::vector<Entry> &order, int L, int R, bool descending, Compare &cmp,
               std::minstd_rand &random)
{
    // Recursing into the smaller part keeps the stack shallow whatever the data.
    while (R > L) {
        const int p = partition(order, L, R, descending, cmp, random);
        if (p - 1 - L < R - p) {
            quickSort(order, L, p - 1, descending, cmp, random);
            L = p;
        } else {
            quickSort(order, p, R, descending, cmp, random);
            R = p - 1;
        }
    }
}

template <typename T>
int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// A row's place in a sort: its key beside its row number, so the scans of a
// partition read one array front to back instead of jumping to each row's
// key through the row number.
template <typename Key>
struct SortEntry {
    Key key;
    int row;
};

template <typename Entry, typename Compare>
std::vector<int> sortEntries(std::vector<Entry> &entries, bool descending, Compare cmp,
                             std::minstd_rand &random)
{
    const int n = int(entries.size());
    if (n > 1)
        quickSort(entries, 0, n - 1, descending, cmp, random);
    std::vector<int> order;
    order.reserve(entries.size());
    for (const Entry &entry : entries)
        order.push_back(entry.row);
    return order;
}

// Texts sort by code unit. Each entry carries the six units that follow the
// prefix all texts share (zeros past a text's end), packed so that comparing
// the numbers compares the units, in sixteen bytes with its row: most
// comparisons then touch no text at all. Equal heads are settled by the
// texts themselves.
struct TextEntry {
    quint64 high;
    quint32 low;
    int row;
};
constexpr qsizetype kHeadUnits = 6;

std::vector<int> sortTexts(const std::vector<QString> &texts, bool descending,
                           std::minstd_rand &random)
{
    qsizetype shared = texts.empty() ? 0 : texts.front().size();
    for (const QString &text : texts) {
        qsizetype k = 0;
        const qsizetype limit = std::min(shared, text.size());
        const QChar *a = texts.front().constData();
        const QChar *b = text.constData();
        while (k < limit && a[k] == b[k])
            ++k;
        shared = k;
        if (shared == 0)
            break;
    }
    std::vector<TextEntry> entries(texts.size());
    for (std::size_t r = 0; r < texts.size(); ++r) {
        const QString &text = texts[r];
        const ushort *units = text.utf16();
        const qsizetype size = text.size();
        const auto unit = [&](qsizetype u) -> quint64 {
            return shared + u < size ? units[shared + u] : 0;
        };
        entries[r] = {unit(0) << 48 | unit(1) << 32 | unit(2) << 16 | unit(3),
                      quint32(unit(4) << 16 | unit(5)), int(r)};
    }
    const qsizetype rest = shared + kHeadUnits;
    return sortEntries(
        entries, descending,
        [&](const TextEntry &a, const TextEntry &b) {
            if (a.high != b.high)
                return a.high < b.high ? -1 : 1;
            if (a.low != b.low)
                return a.low < b.low ? -1 : 1;
            const QString &x = texts[std::size_t(a.row)];
            const QString &y = texts[std::size_t(b.row)];
            // A text that ends inside the head ties with one that has zeros
            // there; past the head both are compared as they are.
            const int tail = QStringView(x).mid(std::min(rest, x.size()))
                                 .compare(QStringView(y).mid(std::min(rest, y.size())));
            if (tail != 0)
                return tail;
            return threeWay(x.size(), y.size());
        },
        random);
}

} // namespace

std::array<quint32, 4> splitAddress(const QString &text)
{
    std::array<quint32, 4> parts{0, 0, 0, 0};
    std::size_t next = 0;
    QString digits;
    const qsizetype n = text.size();
    for (qsizetype k = 0; k < n; ++k) {
        const QChar c = text.at(k);
        if (c.isDigit() && c.unicode() < 128)
            digits.append(c);
        if (c == u'.' || k == n - 1) {
            bool ok = false;
            const quint32 v = digits.toUInt(&ok);
            if (!ok)
                throw EConvertError(FormatMsg1(msg(MsgInvalidInteger), digits));
            if (next < parts.size())
                parts[next++] = v;
            digits.clear();
        }
    }
    return parts;
}

// --- TCellPool

TCellPool::Block::~Block()
{
    if (memory)
        unpoison(memory.get(), kSlotsPerBlock * sizeof(Slot));
}

TCellPool::~TCellPool()
{
    // The store destroys its cells first; what is left here holds no value.
    Q_ASSERT(m_live == 0);
}

void *TCellPool::allocate()
{
    Slot *slot = m_free;
    if (slot) {
        unpoison(slot, sizeof(Slot));
        m_free = slot->next;
    } else {
        if (m_unusedInLastBlock == 0) {
            m_blocks.emplace_back(std::make_unique_for_overwrite<Slot[]>(kSlotsPerBlock));
            poison(m_blocks.back().memory.get(), kSlotsPerBlock * sizeof(Slot));
            m_unusedInLastBlock = kSlotsPerBlock;
        }
        slot = m_blocks.back().memory.get() + (kSlotsPerBlock - m_unusedInLastBlock);
        --m_unusedInLastBlock;
        unpoison(slot, sizeof(Slot));
    }
    ++m_live;
    return slot;
}

void TCellPool::deallocate(void *p) noexcept
{
    Slot *slot = static_cast<Slot *>(p);
    slot->next = m_free;
    m_free = slot;
    --m_live;
    poison(slot, sizeof(Slot));
}

void TCellPool::Destroy(TCell *cell) noexcept
{
    if (!cell)
        return;
    cell->~TCell();
    deallocate(cell);
}

void TCellPool::ReleaseIfUnused() noexcept
{
    if (m_live != 0)
        return;
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_free = nullptr;
    m_unusedInLastBlock = 0;
}

// --- TCells

TCells::TCells(TLgColumns *columns) : m_columns(columns) {}

TCells::~TCells()
{
    freeAll();
}

void TCells::freeCell(TCell *cell) noexcept
{
    // Only the grid's own entries go: the referenced object is the caller's.
    if (!m_hints.empty())
        m_hints.erase(cell);
    if (!m_objectReferences.empty())
        m_objectReferences.erase(cell);
    m_pool.Destroy(cell);
}

void TCells::freeList(TCellList &list) noexcept
{
    for (TCell *cell : list) {
        // Rows made from model objects hold no cell until they are needed.
        if (cell)
            freeCell(cell);
    }
    list.clear();
}

void TCells::freeAll() noexcept
{
    for (TCellList &list : m_lists)
        freeList(list);
    m_pool.ReleaseIfUnused();
}

QString TCells::HintOf(const TCell *cell) const
{
    const auto it = m_hints.find(cell);
    return it == m_hints.end() ? QString() : it->second;
}

void TCells::SetHintOf(const TCell *cell, const QString &hint)
{
    if (hint.isEmpty())
        m_hints.erase(cell);
    else
        m_hints.insert_or_assign(cell, hint);
}

void *TCells::ObjectReferenceOf(const TCell *cell) const
{
    const auto it = m_objectReferences.find(cell);
    return it == m_objectReferences.end() ? nullptr : it->second;
}

void TCells::SetObjectReferenceOf(const TCell *cell, void *object)
{
    if (!object)
        m_objectReferences.erase(cell);
    else
        m_objectReferences.insert_or_assign(cell, object);
}

void TCells::checkRow(int row) const
{
    if (row < 0 || row >= m_rowCount)
        throwListIndex(row);
}

void TCells::checkRowForInsert(int row) const
{
    if (row < 0 || row > m_rowCount)
        throwListIndex(row);
}

TCell *TCells::Cell(int ACol, int ARow)
{
    if (ACol < 0 || ACol >= ColCount())
        throw Exception(FormatMsg2(msg(MsgCellOutOfBounds), QString::number(ACol),
                                   QString::number(ARow)));
    checkRow(ARow);
    TCell *cell = m_lists[std::size_t(ACol)][std::size_t(ARow)];
    if (!cell) {
        materialize(ARow);
        cell = m_lists[std::size_t(ACol)][std::size_t(ARow)];
    }
    cell->m_col = ACol;
    cell->m_row = ARow;
    return cell;
}

TCells::ColumnTemplate TCells::templateFor(int column) const
{
    ColumnTemplate t;
    if (!m_columns || column < 0 || column >= m_columns->Count())
        return t;
    TLgCustomColumn *c = m_columns->Items(column);
    t.kind = c->Kind();
    t.fontStyle = stylesOf(c->Font());
    t.color = c->Color();
    t.column = c;
    return t;
}

TCell *TCells::makeCell(const ColumnTemplate &t, bool inserted)
{
    TCell *cell = nullptr;
    switch (t.kind) {
    case kKindIncrement:
        if (inserted)
            cell = m_pool.Create<TIntegerCell>(this);
        else
            cell = m_pool.Create<TIncrementCell>(this);
        break;
    case kKindBoolean: cell = m_pool.Create<TBooleanCell>(this); break;
    case kKindDateTime: cell = m_pool.Create<TDateTimeCell>(this); break;
    case kKindFloat: cell = m_pool.Create<TFloatCell>(this); break;
    case kKindInteger: cell = m_pool.Create<TIntegerCell>(this); break;
    case kKindVirtual:
        if (t.column) {
            cell = m_pool.Create<TVirtualCell>(this, t.column);
            break;
        }
        [[fallthrough]];
    default: cell = m_pool.Create<TStringCell>(this); break;
    }
    cell->SetFontStyle(t.fontStyle);
    cell->SetColor(t.color);
    cell->m_creating = false;
    return cell;
}

// Room is made before a cell is taken from the pool, so a failing insert
// loses no cell; growth stays geometric, as rows mostly come one at a time.
void TCells::reserveFor(TCellList &list, int count)
{
    const std::size_t needed = std::size_t(count);
    if (list.capacity() < needed)
        list.reserve(std::max(needed, list.capacity() * 2));
}

void TCells::AddRows(int count)
{
    if (count <= 0)
        return;
    for (int c = 0; c < ColCount(); ++c) {
        const ColumnTemplate t = templateFor(c);
        TCellList &list = m_lists[std::size_t(c)];
        reserveFor(list, m_rowCount + count);
        for (int k = 0; k < count; ++k)
            list.push_back(makeCell(t, false));
    }
    if (hasSources())
        m_rowSources.resize(std::size_t(m_rowCount + count), nullptr);
    m_rowCount += count;
    m_sorted = false;
}

void TCells::AddSourcedRows(std::span<const void *const> sources)
{
    if (sources.empty())
        return;
    const int count = int(sources.size());
    if (!hasSources())
        m_rowSources.assign(std::size_t(m_rowCount), nullptr);
    m_rowSources.insert(m_rowSources.end(), sources.begin(), sources.end());
    for (TCellList &list : m_lists)
        list.resize(std::size_t(m_rowCount + count), nullptr);
    m_rowCount += count;
    m_sorted = false;
}

void TCells::ResetRow(int row, const void *source)
{
    checkRow(row);
    if (!hasSources())
        m_rowSources.assign(std::size_t(m_rowCount), nullptr);
    m_rowSources[std::size_t(row)] = source;
    for (TCellList &list : m_lists) {
        if (TCell *cell = std::exchange(list[std::size_t(row)], nullptr))
            freeCell(cell);
    }
    m_sorted = false;
}

const void *TCells::RowSource(int row) const
{
    checkRow(row);
    return hasSources() ? m_rowSources[std::size_t(row)] : nullptr;
}

bool TCells::RowFilled(int row) const
{
    checkRow(row);
    for (const TCellList &list : m_lists) {
        if (!list[std::size_t(row)])
            return false;
    }
    return true;
}

void TCells::materialize(int row)
{
    for (int c = 0; c < ColCount(); ++c) {
        TCell *&cell = m_lists[std::size_t(c)][std::size_t(row)];
        if (!cell)
            cell = makeCell(templateFor(c), false);
    }
    const void *source = hasSources() ? m_rowSources[std::size_t(row)] : nullptr;
    if (!source || !OnFillRow || m_materializing)
        return;
    // Writing a row's first values is no change the grid has to report, and
    // it keeps the order a sort left.
    const bool sorted = m_sorted;
    m_materializing = true;
    try {
        OnFillRow(row, source);
    } catch (...) {
        m_materializing = false;
        m_sorted = sorted;
        throw;
    }
    m_materializing = false;
    m_sorted = sorted;
}

void TCells::InsertRow(int pos)
{
    checkRowForInsert(pos);
    if (hasSources())
        m_rowSources.insert(m_rowSources.begin() + pos, nullptr);
    for (int c = 0; c < ColCount(); ++c) {
        TCellList &list = m_lists[std::size_t(c)];
        reserveFor(list, m_rowCount + 1);
        list.insert(list.begin() + pos, makeCell(templateFor(c), true));
    }
    ++m_rowCount;
    m_sorted = false;
}

void TCells::DeleteRow(int index)
{
    checkRow(index);
    for (TCellList &list : m_lists) {
        freeCell(list[std::size_t(index)]);
        list.erase(list.begin() + index);
    }
    if (hasSources())
        m_rowSources.erase(m_rowSources.begin() + index);
    --m_rowCount;
}

void TCells::MoveRow(int fromPos, int toPos)
{
    checkRow(fromPos);
    checkRow(toPos);
    for (TCellList &list : m_lists) {
        TCell *cell = list[std::size_t(fromPos)];
        list.erase(list.begin() + fromPos);
        list.insert(list.begin() + toPos, cell);
    }
    if (hasSources()) {
        const void *source = m_rowSources[std::size_t(fromPos)];
        m_rowSources.erase(m_rowSources.begin() + fromPos);
        m_rowSources.insert(m_rowSources.begin() + toPos, source);
    }
    m_sorted = false;
}

void TCells::SwapRows(int a, int b)
{
    checkRow(a);
    checkRow(b);
    for (TCellList &list : m_lists)
        std::swap(list[std::size_t(a)], list[std::size_t(b)]);
    if (hasSources())
        std::swap(m_rowSources[std::size_t(a)], m_rowSources[std::size_t(b)]);
    // The rows may no longer follow the last sort: the next sort must really sort.
    m_sorted = false;
}

void TCells::Clear()
{
    freeAll();
    m_rowSources.clear();
    m_rowSources.shrink_to_fit();
    m_rowCount = 0;
    m_sorted = false;
}

void TCells::ColumnNotification(int operation, int index, int index2)
{
    constexpr int kOperationMask = 0x7f;
    switch (operation & kOperationMask) {
    case kColumnAppended: {
        const ColumnTemplate t = templateFor(m_columns ? m_columns->Count() - 1 : 0);
        m_lists.emplace_back();
        TCellList &list = m_lists.back();
        list.reserve(std::size_t(m_rowCount));
        for (int r = 0; r < m_rowCount; ++r)
            list.push_back(makeCell(t, false));
        break;
    }
    case kColumnDeleted:
        if (index < 0 || index >= ColCount())
            return;
        freeList(m_lists[std::size_t(index)]);
        m_lists.erase(m_lists.begin() + index);
        if (m_lists.empty()) {
            m_rowSources.clear();
            m_rowCount = 0;
            m_pool.ReleaseIfUnused();
        }
        m_sorted = false;
        m_lastSortColumn = -1;
        break;
    case kColumnsCleared:
        freeAll();
        m_lists.clear();
        m_rowSources.clear();
        m_rowCount = 0;
        m_sorted = false;
        m_lastSortColumn = -1;
        break;
    case kColumnInserted: {
        if (index < 0 || index > ColCount())
            return;
        const ColumnTemplate t = templateFor(index);
        TCellList &list = *m_lists.emplace(m_lists.begin() + index);
        list.reserve(std::size_t(m_rowCount));
        for (int r = 0; r < m_rowCount; ++r)
            list.push_back(makeCell(t, true));
        m_sorted = false;
        break;
    }
    case kColumnMoved: {
        if (index < 0 || index >= ColCount() || index2 < 0 || index2 >= ColCount())
            return;
        TCellList list = std::move(m_lists[std::size_t(index)]);
        m_lists.erase(m_lists.begin() + index);
        m_lists.insert(m_lists.begin() + index2, std::move(list));
        m_sorted = false;
        m_lastSortColumn = -1;
        break;
    }
    default: break;
    }
}

// Gathers rows through lists larger than the caches: each entry is fetched a
// little ahead of its turn, so the jumps overlap instead of waiting in line.
template <typename T>
void gatherInOrder(std::vector<T> &list, const std::vector<int> &order)
{
    constexpr std::size_t kAhead = 16;
    const std::size_t n = order.size();
    std::vector<T> sorted(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kAhead < n)
            __builtin_prefetch(&list[std::size_t(order[i + kAhead])]);
        sorted[i] = list[std::size_t(order[i])];
    }
    list = std::move(sorted);
}

void TCells::applyOrder(const std::vector<int> &order)
{
    for (TCellList &list : m_lists)
        gatherInOrder(list, order);
    if (hasSources())
        gatherInOrder(m_rowSources, order);
}

std::vector<int> TCells::Sort(int column, TSortType sortType, int direction)
{
    if (column < 0 || column >= ColCount())
        throw Exception(FormatMsg1(msg(MsgColumnIndexOutOfBounds), QString::number(column)));
    const int n = m_rowCount;
    std::vector<int> order(static_cast<std::size_t>(n));
    if (column == m_lastSortColumn && m_sorted && direction != m_lastDirection) {
        m_lastDirection = direction;
        for (TCellList &list : m_lists)
            std::reverse(list.begin(), list.end());
        std::reverse(m_rowSources.begin(), m_rowSources.end());
        for (int r = 0; r < n; ++r)
            order[std::size_t(r)] = n - 1 - r;
    } else {
        m_lastDirection = direction;
        // Every key is converted before any row moves, so a cell that does
        // not convert leaves the rows exactly as they were.
        const bool descending = direction != 0;
        const auto byKey = [](const auto &x, const auto &y) { return threeWay(x.key, y.key); };
        switch (sortType) {
        case stBoolean: {
            std::vector<SortEntry<char>> entries(static_cast<std::size_t>(n));
            for (int r = 0; r < n; ++r)
                entries[std::size_t(r)] = {Cell(column, r)->AsBoolean() ? char(1) : char(0), r};
            order = sortEntries(entries, descending, byKey, m_random);
            break;
        }
        case stNumeric:
        case stDate: {
            std::vector<SortEntry<double>> entries(static_cast<std::size_t>(n));
            for (int r = 0; r < n; ++r) {
                TCell *cell = Cell(column, r);
                entries[std::size_t(r)] = {sortType == stNumeric ? cell->AsFloat() : cell->AsDateTime(), r};
            }
            order = sortEntries(entries, descending, byKey, m_random);
            break;
        }
        case stIP: {
            std::vector<SortEntry<std::array<quint32, 4>>> entries(static_cast<std::size_t>(n));
            for (int r = 0; r < n; ++r)
                entries[std::size_t(r)] = {splitAddress(Cell(column, r)->AsString()), r};
            order = sortEntries(entries, descending, byKey, m_random);
            break;
        }
        case stCustom: {
            std::vector<SortEntry<TCell *>> entries(static_cast<std::size_t>(n));
            for (int r = 0; r < n; ++r)
                entries[std::size_t(r)] = {Cell(column, r), r};
            order = sortEntries(
                entries, descending,
                [this](const SortEntry<TCell *> &x, const SortEntry<TCell *> &y) {
                    int compare = 0;
                    CustomCompare(x.key, y.key, compare);
                    return compare;
                },
                m_random);
            break;
        }
        case stCaseInsensitive:
        case stAlphabetic:
        default: {
            std::vector<QString> keys(static_cast<std::size_t>(n));
            for (int r = 0; r < n; ++r) {
                QString text = Cell(column, r)->AsString();
                // Case folding keeps Cyrillic and Greek names apart instead of
                // flattening them to one 8-bit replacement character.
                keys[std::size_t(r)] = sortType == stCaseInsensitive ? text.toCaseFolded() : text;
            }
            order = sortTexts(keys, descending, m_random);
            break;
        }
        }
        applyOrder(order);
    }
    m_lastSortColumn = column;
    m_sorted = true;
    return order;
}

void TCells::ValueChanged(int ACol, int ARow)
{
    if (m_materializing)
        return;
    if (OnChange)
        OnChange(ACol, ARow);
    m_sorted = false;
}

void TCells::CustomCompare(TCell *cell1, TCell *cell2, int &compare)
{
    if (OnCompare)
        OnCompare(cell1, cell2, compare);
}

QColor TCells::CellColor(int ACol, int ARow, bool text) const
{
    if (OnColorQuery)
        return OnColorQuery(ACol, ARow, text);
    return text ? SysColor::windowText() : SysColor::window();
}

// --- TRows

TRow &TRows::Item(int index)
{
    if (index < 0 || index >= Count())
        throwListIndex(index);
    return m_rows[std::size_t(index)];
}

const TRow &TRows::Item(int index) const
{
    if (index < 0 || index >= Count())
        throwListIndex(index);
    return m_rows[std::size_t(index)];
}

void TRows::Add(int height, int count)
{
    TRow row;
    row.Height = height;
    m_rows.insert(m_rows.end(), std::size_t(std::max(count, 0)), row);
}

void TRows::Insert(int pos, int height)
{
    if (pos < 0 || pos > Count())
        throwListIndex(pos);
    TRow row;
    row.Height = height;
    m_rows.insert(m_rows.begin() + pos, row);
}

void TRows::Delete(int index)
{
    Item(index);
    m_rows.erase(m_rows.begin() + index);
}

void TRows::Permute(const std::vector<int> &order)
{
    std::vector<TRow> rows;
    rows.reserve(m_rows.size());
    for (int from : order)
        rows.push_back(Item(from));
    m_rows = std::move(rows);
}

void TRows::Move(int fromPos, int toPos)
{
    const TRow row = Item(fromPos);
    Item(toPos);
    m_rows.erase(m_rows.begin() + fromPos);
    m_rows.insert(m_rows.begin() + toPos, row);
}
