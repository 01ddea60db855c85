#include "ui/grid/grid_control.h"

#include "ui/grid/cell_store.h"
#include "ui/grid/inplace_editor.h"

#include <QEvent>
#include <QResizeEvent>
#include <QWidget>

#include <algorithm>

namespace {
constexpr int kDefaultWidth = 250;
constexpr int kDefaultHeight = 150;
constexpr int kVerticalPageRows = 10;
constexpr int kHorizontalLineStep = 5;
} // namespace

TLgCustomGridControl::TLgCustomGridControl(QWidget *parent)
    : TLgScrollControl(parent), m_columns(std::make_unique<TLgColumns>(this)),
      m_color(SysColor::window()), m_gridLinesColor(SysColor::buttonFace()),
      m_highlightedTextColor(SysColor::highlightText()), m_selectionColor(SysColor::highlight())
{
    m_styleDisplays[hsAuto] = TStyleDisplay::Create(hsAuto);
    m_styleDisplays[hsFlatBorders] = TStyleDisplay::Create(hsFlatBorders);
    m_styleDisplays[hsOldStyle] = TStyleDisplay::Create(hsOldStyle);
    m_styleDisplays[hsOutlook] = TStyleDisplay::Create(hsOutlook);

    m_columns->OnColumnChanged = [this](TLgCustomColumn *column, int change, int value) {
        ColumnChanged(column, change, value);
    };
    m_columns->OnListChanged = [this](int operation, int index, int index2) {
        ColumnNotification(operation, index, index2);
    };
    m_columns->OnAfterChange = [this] { viewport()->update(); };

    VertScrollBar().PageStep = kVerticalPageRows;
    HorzScrollBar().PageStep = kVerticalPageRows;
    HorzScrollBar().LineStep = kHorizontalLineStep;
    VertScrollBar().SetMax(0);
    HorzScrollBar().SetMax(0);
    setFrameShape(QFrame::StyledPanel);
    resize(kDefaultWidth, kDefaultHeight);
}

TLgCustomGridControl::~TLgCustomGridControl()
{
    // The columns go first, while the core still exists; their list no
    // longer reports to the (already destroyed) concrete grid.
    m_columns.reset();
}

// --- properties

void TLgCustomGridControl::SetAppearanceOptions(TAppearanceOptions value)
{
    m_appearance = value;
    viewport()->update();
}

void TLgCustomGridControl::SetCaption(const QString &value)
{
    m_caption = value;
    InvalidateCellArea();
}

void TLgCustomGridControl::SetColor(const QColor &value)
{
    m_color = value;
    viewport()->update();
}

void TLgCustomGridControl::SetEnableVisualStyles(bool value)
{
    m_enableVisualStyles = value;
    viewport()->update();
}

void TLgCustomGridControl::SetGridLinesColor(const QColor &value)
{
    m_gridLinesColor = value;
    viewport()->update();
}

void TLgCustomGridControl::SetGridLinesStyle(TGridLinesStyle value)
{
    m_gridLinesStyle = value;
    viewport()->update();
}

void TLgCustomGridControl::SetGridStyle(TGridStyle value)
{
    m_gridStyle = value;
    if (value == gsSlides) {
        EndEditing();
        m_inputSelected = false;
    }
    UpdateHorzScrollBar();
    UpdateVertScrollBar();
    viewport()->update();
}

void TLgCustomGridControl::SetHeaderSize(int value)
{
    m_headerSize = std::max(value, 0);
    UpdateVertScrollBar();
    viewport()->update();
}

void TLgCustomGridControl::SetHeaderStyle(THeaderStyle value)
{
    m_headerStyle = value;
    viewport()->update();
}

void TLgCustomGridControl::SetHideScrollBar(bool value)
{
    m_hideScrollBar = value;
    VertScrollBar().SetAutoHide(value);
}

void TLgCustomGridControl::SetHighlightedTextColor(const QColor &value)
{
    m_highlightedTextColor = value;
    viewport()->update();
}

void TLgCustomGridControl::SetInputSize(int value)
{
    m_inputSize = std::max(value, 0);
    UpdateVertScrollBar();
    viewport()->update();
}

void TLgCustomGridControl::SetOptions(TGridOptions value)
{
    m_options = value;
    // The indicator column moves every column's left edge.
    m_columns->Layout(false);
    m_columns->AutoSize();
    placeEditor();
    UpdateHorzScrollBar();
    UpdateVertScrollBar();
    viewport()->update();
}

void TLgCustomGridControl::SetRowSize(int value)
{
    if (value < 1)
        return;
    m_rowSize = value;
    UpdateVertScrollBar();
    viewport()->update();
}

void TLgCustomGridControl::SetSelectionColor(const QColor &value)
{
    m_selectionColor = value;
    viewport()->update();
}

void TLgCustomGridControl::SetSlideSize(int value)
{
    m_slideSize = std::max(value, 1);
    viewport()->update();
}

// --- rows, the core's part

int TLgCustomGridControl::RowHeight(int) const
{
    return m_rowSize;
}

void TLgCustomGridControl::SetRowHeight(int, int) {}

bool TLgCustomGridControl::RowVisible(int) const
{
    return true;
}

void TLgCustomGridControl::AddRow(int) {}

void TLgCustomGridControl::ClearRows()
{
    coreClearRows();
}

void TLgCustomGridControl::DeleteRow(int Index)
{
    coreDeleteRow(Index);
}

void TLgCustomGridControl::InsertRow(int Pos)
{
    coreInsertRow(Pos);
}

void TLgCustomGridControl::MoveRow(int FromPos, int ToPos)
{
    coreMoveRow(FromPos, ToPos);
}

void TLgCustomGridControl::coreClearRows()
{
    VertScrollBar().Lock();
    VertScrollBar().SetPosition(0);
    VertScrollBar().Unlock();
    EndEditing();
    ClearSelection();
    m_selectedRow = 0;
    m_anchorRow = 0;
}

void TLgCustomGridControl::coreDeleteRow(int Index)
{
    if (m_editing && m_editedCell.y() == Index)
        EndEditing();
}

void TLgCustomGridControl::coreInsertRow(int)
{
    if (m_editing)
        EndEditing();
}

void TLgCustomGridControl::coreMoveRow(int, int)
{
    if (m_editing)
        EndEditing();
}

void TLgCustomGridControl::keepSelectionInRows()
{
    const int last = std::max(RowCount() - 1, 0);
    m_selectedRow = std::clamp(m_selectedRow, 0, last);
    m_anchorRow = std::clamp(m_anchorRow, 0, last);
}

void TLgCustomGridControl::SetSelectedRowIndex(int row)
{
    m_selectedRow = row;
    keepSelectionInRows();
}

void TLgCustomGridControl::noteRowSelected(int ARow)
{
    if (ARow != m_selectedRow)
        m_multiSelected = true;
}

void TLgCustomGridControl::rowsReordered(const std::vector<int> &order)
{
    int selected = m_selectedRow;
    int anchor = m_anchorRow;
    for (int i = 0; i < int(order.size()); ++i) {
        if (order[std::size_t(i)] == m_selectedRow)
            selected = i;
        if (order[std::size_t(i)] == m_anchorRow)
            anchor = i;
    }
    m_selectedRow = selected;
    m_anchorRow = anchor;
}

// --- selection

void TLgCustomGridControl::SetSelectedRow(int value)
{
    if (value < 0 || value >= RowCount())
        return;
    if (m_inputSelected) {
        m_inputSelected = false;
        viewport()->update(InputLineRect());
    }
    SelectCell(m_selectedCol, value);
}

void TLgCustomGridControl::SetCurrentRow(int ARow)
{
    if (ARow < 0 || ARow >= RowCount())
        return;
    setInputLineSelected(false);
    const int oldRow = m_selectedRow;
    if (oldRow != ARow && oldRow < RowCount() && Selected(oldRow))
        m_multiSelected = true;
    m_selectedRow = ARow;
    m_anchorRow = ARow;
    RepaintRow(oldRow);
    RepaintRow(ARow);
}

void TLgCustomGridControl::SelectCell(int ACol, int ARow, Qt::KeyboardModifiers Shift)
{
    // A row that does not exist cannot be selected.
    if (ARow < 0 || ARow >= RowCount())
        return;
    const bool shift = Shift.testFlag(Qt::ShiftModifier);
    const bool ctrl = Shift.testFlag(Qt::ControlModifier);
    if (m_multiSelected && !shift && !ctrl)
        ClearSelection();
    TLgCustomColumn *column = m_columns->Items(ACol);
    if (!column || !column->Visible())
        return;

    const int oldCol = m_selectedCol;
    const int oldRow = m_selectedRow;
    m_selectedCol = ACol;
    m_selectedRow = ARow;
    if ((oldCol != ACol || oldRow != ARow) && OnDeselectCell)
        OnDeselectCell(this, oldCol, oldRow);
    if (AutoScroll)
        ScrollToRow(ARow);
    if (m_inputSelected) {
        if (oldCol != ACol)
            viewport()->update(InputLineRect());
        return;
    }
    const bool oldRowExists = oldRow >= 0 && oldRow < RowCount();
    if (m_options.contains(goSelectFullRow)) {
        const bool multi = m_options.contains(goMultiSelect);
        if (multi && ctrl) {
            m_anchorRow = ARow;
            m_multiSelected = true;
            SetSelected(ARow, !Selected(ARow));
            RepaintRow(oldRow);
            RepaintRow(ARow);
            if (OnSelectCell)
                OnSelectCell(this, ACol, ARow);
            return;
        }
        if (multi && shift) {
            m_multiSelected = true;
            const int lo = std::min(m_anchorRow, ARow);
            const int hi = std::max(m_anchorRow, ARow);
            for (int r = 0; r < RowCount(); ++r)
                SetSelected(r, r >= lo && r <= hi);
            RepaintRow(oldRow);
            RepaintRow(ARow);
            if (OnSelectCell)
                OnSelectCell(this, ACol, ARow);
            return;
        }
        if (oldRow != ARow) {
            if (!m_multiSelected && oldRowExists)
                SetSelected(oldRow, false);
        } else if (oldCol != ACol && m_appearance.contains(aoIndicateSelectedCell)) {
            RefreshCell(ACol, ARow);
            RefreshCell(oldCol, oldRow);
        }
        SetSelected(ARow, true);
        m_anchorRow = ARow;
        RepaintRow(oldRow);
        RepaintRow(ARow);
    } else {
        if (oldCol == ACol && oldRow == ARow) {
            if (OnSelectCell)
                OnSelectCell(this, ACol, ARow);
            return;
        }
        if (oldRow != ARow) {
            viewport()->update(QRect(0, RowTop(oldRow), IndicatorWidth(), RowHeight(std::max(oldRow, 0))));
            viewport()->update(QRect(0, RowTop(ARow), IndicatorWidth(), RowHeight(ARow)));
        }
        RefreshCell(ACol, ARow);
        RefreshCell(oldCol, oldRow);
    }
    if (OnSelectCell)
        OnSelectCell(this, ACol, ARow);
}

void TLgCustomGridControl::SelectAll()
{
    if (!m_options.contains(goMultiSelect) || !m_options.contains(goSelectFullRow))
        return;
    for (int r = 0; r < RowCount(); ++r)
        SetSelected(r, true);
    m_multiSelected = true;
    InvalidateCellArea();
}

void TLgCustomGridControl::ClearSelection()
{
    for (int r = 0; r < RowCount(); ++r)
        SetSelected(r, false);
    m_multiSelected = false;
    InvalidateCellArea();
}

void TLgCustomGridControl::ScrollToRow(int ARow)
{
    if (ARow < 0 || ARow >= RowCount())
        return;
    const int first = FirstVisibleRow();
    if (ARow < first || ARow >= first + FullyVisibleRows())
        setFirstVisibleRow(ARow);
}

void TLgCustomGridControl::setInputLineSelected(bool selected)
{
    if (selected && (!m_options.contains(goInput) || m_gridStyle != gsReport))
        return;
    if (m_inputSelected == selected)
        return;
    m_inputSelected = selected;
    viewport()->update();
}

void TLgCustomGridControl::setFirstVisibleRow(int row)
{
    VertScrollBar().SetPosition(row);
}

// --- updates

void TLgCustomGridControl::BeginUpdate()
{
    ++m_updateCount;
}

void TLgCustomGridControl::EndUpdate()
{
    if (m_updateCount == 0)
        return;
    if (--m_updateCount == 0) {
        RecalcFooters();
        InvalidateCellArea();
        UpdateVertScrollBar();
        UpdateHorzScrollBar();
    }
}

void TLgCustomGridControl::InvalidateCellArea()
{
    viewport()->update(QRect(0, CellArea().top(), ClientWidth(), CellArea().height()));
}

void TLgCustomGridControl::RefreshCell(int ACol, int ARow)
{
    if (ACol < 0 || ACol >= m_columns->Count() || ARow < 0)
        return;
    const QRect r = CellRect(ACol, ARow);
    if (r.isValid())
        viewport()->update(r.adjusted(0, 0, GridLineWidth(), GridLineWidth()));
}

void TLgCustomGridControl::RepaintRow(int ARow)
{
    // Inside an update the whole cell area is repainted at its end.
    if (m_updateCount > 0 || ARow < 0 || ARow >= RowCount())
        return;
    const QRect r = RowRect(ARow);
    if (r.isValid())
        viewport()->update(r);
}

// --- columns

void TLgCustomGridControl::ColumnNotification(int Operation, int, int)
{
    const int operation = Operation & 0x7f;
    if (operation == kColumnDeleted || operation == kColumnsCleared)
        EndEditing();
    UpdateHorzScrollBar();
}

void TLgCustomGridControl::ColumnSorted(TLgCustomColumn *Column, bool)
{
    if (Column && Column->Options().contains(coCanSort))
        EndEditing();
}

void TLgCustomGridControl::redrawColumnPart(TLgCustomColumn *)
{
    viewport()->update(HeaderRect());
    viewport()->update(InputLineRect());
    viewport()->update(FooterRect());
}

void TLgCustomGridControl::ColumnChanged(TLgCustomColumn *Column, int Change, int Value)
{
    if (Editing() && (Change == kChangeMoved || Change == kChangeSorted
                      || Change == kChangeVisibility || Change == kChangeWidth))
        placeEditor();
    const int index = m_columns->IndexOf(Column);
    switch (Change) {
    case kChangeCaption: redrawColumnPart(Column); break;
    case kChangeMoved:
        if (OnColumnMove)
            OnColumnMove(this, index, Value, Column->Position());
        viewport()->update();
        break;
    case kChangeSorted:
    case kChangeSortKind:
        if (Column->Sorted()) {
            redrawColumnPart(Column);
            const bool ascending = Column->SortKind() == skAscending;
            ColumnSorted(Column, ascending);
            if (OnSortColumn)
                OnSortColumn(this, index, ascending);
        }
        break;
    case kChangeAppearance: viewport()->update(); break;
    case kChangeVisibility:
        if (Column->Visible() && Column->FitPending())
            fitNow({&Column, 1});
        UpdateHorzScrollBar();
        viewport()->update();
        break;
    case kChangeUnsorted: redrawColumnPart(Column); break;
    case kChangeWidth:
        viewport()->update();
        if (OnColumnResize)
            OnColumnResize(this, index);
        UpdateHorzScrollBar();
        break;
    default: break;
    }
}

void TLgCustomGridControl::CellFormating(int, int, QColor &, TFontStyles &, TCellState) {}

// --- window events

void TLgCustomGridControl::resizeEvent(QResizeEvent *event)
{
    TLgScrollControl::resizeEvent(event);
    m_columns->Layout(false);
    m_columns->AutoSize();
    if (Editing())
        EndEditing();
    UpdateHorzScrollBar();
    UpdateVertScrollBar();
}

void TLgCustomGridControl::focusInEvent(QFocusEvent *event)
{
    TLgScrollControl::focusInEvent(event);
    viewport()->update();
}

void TLgCustomGridControl::focusOutEvent(QFocusEvent *event)
{
    TLgScrollControl::focusOutEvent(event);
    viewport()->update();
}

void TLgCustomGridControl::fontChange()
{
    for (int k = 0; k < m_columns->Count(); ++k) {
        TLgCustomColumn *column = m_columns->Items(k);
        if (column->ParentFont())
            column->SetParentFont(true);
    }
}

bool TLgCustomGridControl::event(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        fontChange();
    return TLgScrollControl::event(event);
}

bool TLgCustomGridControl::Focused() const
{
    return hasFocus() || viewport()->hasFocus();
}

bool TLgCustomGridControl::Themed() const
{
    return m_enableVisualStyles && Themes::ThemesAvailable();
}

TStyleDisplay &TLgCustomGridControl::CurrentStyleDisplay() const
{
    TStyleDisplay &display = *m_styleDisplays[std::size_t(m_headerStyle)];
    display.Widget = this;
    display.Themed = Themed();
    return display;
}
