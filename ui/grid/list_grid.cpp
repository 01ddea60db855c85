#include "ui/grid/list_grid.h"

#include "core/util/messages.h"
#include "ui/grid/column_displays.h"
#include "ui/grid/column_kinds.h"

#include <QLocale>
#include <QSet>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace {

// Text cells hold what the user typed; a footer formula takes only the
// ones that are numbers.
bool cellNumber(TCell *cell, double &value)
{
    if (dynamic_cast<TStringCell *>(cell) || dynamic_cast<TVirtualCell *>(cell))
        return CellText::tryToFloat(cell->AsString(), value);
    value = cell->AsFloat();
    return true;
}

} // namespace

TListGrid::TListGrid(QWidget *parent)
    : TLgCustomGrid(parent), m_cells(std::make_unique<TCells>(Columns()))
{
    m_cells->OnChange = [this](int ACol, int ARow) { cellChanged(ACol, ARow); };
    m_cells->OnCompare = [this](TCell *cell1, TCell *cell2, int &compare) {
        if (OnCompare)
            OnCompare(this, cell1, cell2, compare);
    };
    m_cells->OnFillRow = [this](int ARow, const void *source) {
        if (OnFillRow)
            OnFillRow(ARow, source);
    };
    m_cells->OnColorQuery = [this](int ACol, int ARow, bool text) {
        return text ? TextColorForDrawing(ACol, ARow) : CellColorForDrawing(ACol, ARow);
    };
}

TListGrid::~TListGrid()
{
    // An edit ends while the cells it shows still exist.
    EndEditing();
    // The columns outlive this part of the grid; stop them reporting here.
    Columns()->OnListChanged = nullptr;
    Columns()->OnColumnChanged = nullptr;
}

void TListGrid::checkCell(int ACol, int ARow) const
{
    if (ARow < 0 || ARow >= RowCount() || ACol < 0 || ACol >= Columns()->Count())
        throw Exception(FormatMsg2(msg(MsgCellOutOfBounds), QString::number(ACol),
                                   QString::number(ARow)));
}

TCell *TListGrid::Cell(int ACol, int ARow) const
{
    return m_cells->Cell(ACol, ARow);
}

QString TListGrid::Cells(int ACol, int ARow) const
{
    checkCell(ACol, ARow);
    return m_cells->Cell(ACol, ARow)->AsString();
}

void TListGrid::SetCells(int ACol, int ARow, const QString &Value)
{
    checkCell(ACol, ARow);
    m_cells->Cell(ACol, ARow)->SetAsString(Value);
}

int TListGrid::RowCount() const
{
    return m_cells->RowCount();
}

int TListGrid::RowHeight(int Index) const
{
    int height = Index >= 0 && Index < m_rows.Count() ? m_rows.Item(Index).Height : this->RowSize();
    if (OnMeasuringRowHeight)
        OnMeasuringRowHeight(const_cast<TListGrid *>(this), Index, height);
    return height;
}

void TListGrid::SetRowHeight(int Index, int Value)
{
    if (Index < 0 || Index >= m_rows.Count() || Value == RowHeight(Index))
        return;
    m_rows.Item(Index).Height = Value;
    viewport()->update(QRect(0, RowTop(Index), ClientWidth(), ClientHeight()));
    UpdateVertScrollBar();
}

bool TListGrid::RowVisible(int Index) const
{
    return Index < 0 || Index >= m_rows.Count() || m_rows.Item(Index).Visible;
}

bool TListGrid::Selected(int Index) const
{
    return m_rows.Item(Index).Selected;
}

void TListGrid::SetSelected(int Index, bool Value)
{
    if (Index < 0 || Index >= m_rows.Count() || m_rows.Item(Index).Selected == Value)
        return;
    m_rows.Item(Index).Selected = Value;
    if (Value)
        noteRowSelected(Index);
    RepaintRow(Index);
}

void TListGrid::cellChanged(int ACol, int ARow)
{
    if (UpdateCount() > 0)
        return;
    RefreshCell(ACol, ARow);
    if (hasFormulas())
        RecalcFooters();
    if (OnChange)
        OnChange(this, ACol, ARow);
}

void TListGrid::AddRow(int Count)
{
    if (Count <= 0)
        return;
    const int first = RowCount();
    m_cells->AddRows(Count);
    m_rows.Add(RowSize(), Count);
    if (Options().contains(goUseDefaultValues)) {
        for (int r = first; r < first + Count; ++r)
            for (int c = 0; c < Columns()->Count(); ++c) {
                const QString value = Columns()->Items(c)->DefaultValue;
                if (!value.isEmpty())
                    SetCells(c, r, value);
            }
    }
    rowsAdded(first);
}

void TListGrid::AddSourcedRows(std::span<const void *const> sources)
{
    if (sources.empty())
        return;
    const int first = RowCount();
    m_cells->AddSourcedRows(sources);
    m_rows.Add(RowSize(), int(sources.size()));
    rowsAdded(first);
}

void TListGrid::ResetRow(int Index, const void *source)
{
    m_cells->ResetRow(Index, source);
    RepaintRow(Index);
}

QString TListGrid::MeasureText(int ACol, int ARow) const
{
    if (OnPeekText && !m_cells->RowFilled(ARow)) {
        if (const void *source = m_cells->RowSource(ARow))
            return OnPeekText(ACol, ARow, source);
    }
    return Cells(ACol, ARow);
}

void TListGrid::MeasureTexts(int ARow, std::span<const int> cols, const QString **texts,
                             QString *made) const
{
    const void *source = (OnPeekTexts || OnPeekText) && !m_cells->RowFilled(ARow)
        ? m_cells->RowSource(ARow)
        : nullptr;
    if (source && OnPeekTexts) {
        OnPeekTexts(source, cols, texts, made);
        return;
    }
    for (const int col : cols) {
        *made = source ? OnPeekText(col, ARow, source) : Cells(col, ARow);
        *texts++ = made++;
    }
}

void TListGrid::rowsAdded(int first)
{
    if (UpdateCount() > 0)
        return;
    const int top = RowTop(first > 0 && Options().contains(goGrid) ? first - 1 : first);
    if (top < ClientHeight())
        viewport()->update(QRect(0, top, ClientWidth(), ClientHeight() - top));
    if (hasFormulas())
        RecalcFooters();
    UpdateVertScrollBar();
}

void TListGrid::ClearRows()
{
    coreClearRows();
    m_cells->Clear();
    m_rows.Clear();
    if (hasFormulas())
        RecalcFooters();
    viewport()->update();
    UpdateVertScrollBar();
    UpdateHorzScrollBar();
}

void TListGrid::DeleteRow(int Index)
{
    coreDeleteRow(Index);
    m_cells->DeleteRow(Index);
    m_rows.Delete(Index);
    keepSelectionInRows();
    if (hasFormulas())
        RecalcFooters();
    const int top = std::max(RowTop(Index), CellArea().top());
    viewport()->update(QRect(0, top, ClientWidth(), ClientHeight() - top));
    UpdateVertScrollBar();
}

void TListGrid::InsertRow(int Pos)
{
    coreInsertRow(Pos);
    m_cells->InsertRow(Pos);
    m_rows.Insert(Pos, RowSize());
    // The selection moves down one whatever the position, as the windows
    // expect, but never past the last row.
    SetSelectedRowIndex(SelectedRow() + 1);
    if (hasFormulas())
        RecalcFooters();
    const int top = std::max(RowTop(Pos), CellArea().top());
    viewport()->update(QRect(0, top, ClientWidth(), ClientHeight() - top));
    UpdateVertScrollBar();
}

void TListGrid::MoveRow(int FromPos, int ToPos)
{
    coreMoveRow(FromPos, ToPos);
    m_cells->MoveRow(FromPos, ToPos);
    m_rows.Move(FromPos, ToPos);
    InvalidateCellArea();
}

void TListGrid::SwapRows(int A, int B)
{
    m_cells->SwapRows(A, B);
}

bool TListGrid::hasFormulas() const
{
    if (!Options().contains(goFooter))
        return false;
    for (int c = 0; c < Columns()->Count(); ++c)
        if (Columns()->Items(c)->Footer().FormulaKind() != fkNone)
            return true;
    return false;
}

void TListGrid::RecalcFooters()
{
    const int rows = RowCount();
    for (int c = 0; c < Columns()->Count(); ++c) {
        TLgCustomColumn *column = Columns()->Items(c);
        TColumnFooter &footer = column->Footer();
        const TFormulaKind kind = footer.FormulaKind();
        if (kind == fkNone)
            continue;
        if (rows == 0) {
            footer.Value = 0;
            if (!footer.Caption().isEmpty())
                footer.SetCaption(QString());
            continue;
        }
        double sum = 0;
        double maximum = std::numeric_limits<double>::lowest();
        double minimum = std::numeric_limits<double>::max();
        bool any = false;
        QSet<QString> distinct;
        for (int r = 0; r < rows; ++r) {
            TCell *cell = m_cells->Cell(c, r);
            if (kind == fkDistinct) {
                distinct.insert(cell->AsString().toCaseFolded());
                continue;
            }
            if (kind == fkCount)
                continue;
            double v = 0;
            if (!cellNumber(cell, v))
                continue;
            any = true;
            sum += v;
            maximum = std::max(maximum, v);
            minimum = std::min(minimum, v);
        }
        double value = 0;
        switch (kind) {
        case fkSum: value = sum; break;
        case fkAverage: value = sum / rows; break;
        case fkCount: value = rows; break;
        case fkDistinct: value = double(distinct.size()); break;
        case fkMaximum: value = any ? maximum : 0; break;
        case fkMinimum: value = any ? minimum : 0; break;
        default: break;
        }
        footer.Value = value;
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        const QString caption =
            column->DisplayText(locale.toString(value, 'g', QLocale::FloatingPointShortest));
        if (caption != footer.Caption())
            footer.SetCaption(caption);
    }
}

bool TListGrid::InplaceCheckBoxValue(int ACol, int ARow) const
{
    return Cell(ACol, ARow)->AsBoolean();
}

void TListGrid::ApplyPlayInput(int ACol, int ARow, const QString &Text, bool Value)
{
    bool accept = true;
    if (OnEditAccept)
        OnEditAccept(this, ACol, ARow, Text, accept);
    if (accept && qobject_cast<TLgCheckBoxColumn *>(Columns()->Items(ACol)))
        Cell(ACol, ARow)->SetAsBoolean(Value);
    if (OnAfterEdit)
        OnAfterEdit(this, ACol, ARow, Text);
}

bool TListGrid::PrepareCellDrawing(int ACol, int ARow, TColumnDisplay &Display)
{
    // Painting never lets a conversion error escape: such a cell stays empty.
    try {
        TCell *cell = m_cells->Cell(ACol, ARow);
        switch (Columns()->Items(ACol)->Kind()) {
        case kKindIncrement: Display.IntegerValue = ARow; break;
        case kKindInteger: Display.IntegerValue = cell->AsInteger(); break;
        case kKindBoolean: Display.BooleanValue = cell->AsBoolean(); break;
        case kKindDateTime:
            Display.DateTimeValue = cell->AsDateTime();
            Display.TextValue = cell->AsString();
            break;
        case kKindFloat: Display.FloatValue = cell->AsFloat(); break;
        default: Display.TextValue = cell->AsString(); break;
        }
        Display.ShowHintMark = !cell->Hint().isEmpty() && AppearanceOptions().contains(aoHintMarks);
        return true;
    } catch (const Exception &) {
        return false;
    }
}

QColor TListGrid::CellColor(int ACol, int ARow) const
{
    if (ARow < 0 || ARow >= RowCount() || ACol < 0 || ACol >= m_cells->ColCount())
        return Color();
    return m_cells->Cell(ACol, ARow)->Color();
}

QString TListGrid::CellHint(int ACol, int ARow) const
{
    if (ARow < 0 || ARow >= RowCount() || ACol < 0 || ACol >= m_cells->ColCount())
        return {};
    return m_cells->Cell(ACol, ARow)->Hint();
}

void TListGrid::CellFormating(int ACol, int ARow, QColor &TextColor, TFontStyles &FontStyle,
                              TCellState CellState)
{
    FontStyle = m_cells->Cell(ACol, ARow)->FontStyle();
    if (CellState.contains(csBoldTextSelection))
        FontStyle.include(fsBold);
    if (OnCellFormating)
        OnCellFormating(this, ACol, ARow, TextColor, FontStyle, CellState);
}

void TListGrid::ColumnNotification(int Operation, int Index, int Index2)
{
    m_cells->ColumnNotification(Operation, Index, Index2);
    // Without columns the store holds no rows; the row list follows it.
    if (m_cells->RowCount() == 0 && m_rows.Count() > 0) {
        m_rows.Clear();
        keepSelectionInRows();
        UpdateVertScrollBar();
    }
    TLgCustomGrid::ColumnNotification(Operation, Index, Index2);
}

void TListGrid::ColumnSorted(TLgCustomColumn *Column, bool Ascending)
{
    TLgCustomGrid::ColumnSorted(Column, Ascending);
    if (!Column || !Column->Options().contains(coCanSort))
        return;
    const int index = Columns()->IndexOf(Column);
    if (index < 0 || index >= m_cells->ColCount())
        return;
    const std::vector<int> order = m_cells->Sort(index, Column->SortType(), Ascending ? 0 : 1);
    // The selection belongs to the rows, not to the places they stood in:
    // left behind, it would have Delete or a drag take other entries than
    // the ones the user chose.
    if (int(order.size()) == m_rows.Count()) {
        m_rows.Permute(order);
        rowsReordered(order);
    }
    InvalidateCellArea();
}
