#include "ui/grid/custom_grid.h"

#include "core/util/text_compare.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <algorithm>

namespace {

bool isNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: return true;
    default: return false;
    }
}

} // namespace

int TLgCustomGrid::nextVisibleColumn(int col, int delta) const
{
    const TLgCustomColumn *column = Columns()->Items(col);
    int pos = column ? column->Position() : (delta > 0 ? -1 : Columns()->Count());
    for (pos += delta; pos >= 0 && pos < Columns()->Count(); pos += delta) {
        TLgCustomColumn *c = Columns()->ByDisplayIndex(pos);
        if (c && c->Visible())
            return Columns()->IndexOf(c);
    }
    return -1;
}

int TLgCustomGrid::nextVisibleRow(int row, int delta) const
{
    for (int r = row + delta; r >= 0 && r < RowCount(); r += delta)
        if (RowVisible(r))
            return r;
    return -1;
}

void TLgCustomGrid::scrollColumnIntoView(int col)
{
    const TLgCustomColumn *column = Columns()->Items(col);
    if (!column || GridStyle() != gsReport)
        return;
    // Column lefts count from the indicator's right edge plus the scroll.
    const int left = column->Left() - IndicatorWidth();
    const int visible = ClientWidth() - IndicatorWidth();
    int position = HorizontalPosition();
    if (left < position)
        position = left;
    else if (left + column->Width() > position + visible)
        position = std::min(left, left + column->Width() - visible);
    if (position != HorizontalPosition())
        HorzScrollBar().SetPosition(position);
}

bool TLgCustomGrid::keyTab(Qt::KeyboardModifiers shift)
{
    const bool back = shift.testFlag(Qt::ShiftModifier);
    const int delta = back ? -1 : 1;
    const int next = nextVisibleColumn(SelectedColumn(), delta);
    if (next >= 0) {
        SelectCell(next, SelectedRow());
        scrollColumnIntoView(next);
        return true;
    }
    // Past the last column the next row starts at its first column.
    const int row = nextVisibleRow(SelectedRow(), delta);
    if (row < 0)
        return true;
    const int col = nextVisibleColumn(-1, delta);
    if (col < 0)
        return true;
    SelectCell(col, row);
    scrollColumnIntoView(col);
    ScrollToRow(row);
    return true;
}

void TLgCustomGrid::keyPageUp(Qt::KeyboardModifiers shift)
{
    const int first = FirstVisibleRow();
    if (SelectedRow() > first) {
        SelectCell(SelectedColumn(), first, shift);
        return;
    }
    const int page = std::max(FullyVisibleRows(), 1);
    const int row = std::max(SelectedRow() - page, 0);
    setFirstVisibleRow(row);
    SelectCell(SelectedColumn(), row, shift);
}

void TLgCustomGrid::keyPageDown(Qt::KeyboardModifiers shift)
{
    const int page = std::max(FullyVisibleRows(), 1);
    const int last = RowCount() - 1;
    if (RowCount() < page) {
        SelectCell(SelectedColumn(), last, shift);
        return;
    }
    const int lastVisible = std::min(FirstVisibleRow() + page - 1, last);
    if (SelectedRow() < lastVisible) {
        SelectCell(SelectedColumn(), lastVisible, shift);
        return;
    }
    const int row = std::min(SelectedRow() + page, last);
    setFirstVisibleRow(std::max(row - page + 1, 0));
    SelectCell(SelectedColumn(), row, shift);
}

void TLgCustomGrid::keyColumn(int delta, Qt::KeyboardModifiers shift)
{
    const int next = nextVisibleColumn(SelectedColumn(), delta);
    if (next < 0)
        return;
    SelectCell(next, SelectedRow(), shift);
    scrollColumnIntoView(next);
}

void TLgCustomGrid::keyRow(int delta, Qt::KeyboardModifiers shift)
{
    if (InputLineSelected()) {
        if (delta > 0 && RowCount() > 0) {
            setInputLineSelected(false);
            const int row = RowVisible(0) ? 0 : nextVisibleRow(0, 1);
            if (row >= 0) {
                SelectCell(SelectedColumn(), row, shift);
                ScrollToRow(row);
            }
        }
        return;
    }
    const int row = nextVisibleRow(SelectedRow(), delta);
    if (row < 0) {
        if (delta < 0 && Options().contains(goInput) && GridStyle() == gsReport)
            setInputLineSelected(true);
        return;
    }
    SelectCell(SelectedColumn(), row, shift);
    // One line at a time, so the list moves under a steady selection.
    if (row < FirstVisibleRow())
        setFirstVisibleRow(row);
    else if (row >= FirstVisibleRow() + FullyVisibleRows())
        setFirstVisibleRow(FirstVisibleRow() + 1);
    ScrollToRow(row);
}

bool TLgCustomGrid::HandleNavigationKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (!isNavigationKey(key) || Columns()->Count() == 0)
        return false;
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && !WantTabs)
        return false;
    if (RowCount() == 0 && key != Qt::Key_Up)
        return true;
    const Qt::KeyboardModifiers shift = modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
    switch (key) {
    case Qt::Key_Tab: return keyTab(modifiers & Qt::ShiftModifier);
    case Qt::Key_Backtab: return keyTab(Qt::ShiftModifier);
    case Qt::Key_PageUp: keyPageUp(shift); break;
    case Qt::Key_PageDown: keyPageDown(shift); break;
    case Qt::Key_End:
        setFirstVisibleRow(VertScrollBar().Max());
        SelectCell(SelectedColumn(), RowCount() - 1, shift);
        break;
    case Qt::Key_Home:
        setFirstVisibleRow(0);
        SelectCell(SelectedColumn(), 0, shift);
        break;
    case Qt::Key_Left: keyColumn(-1, shift); break;
    case Qt::Key_Right: keyColumn(1, shift); break;
    case Qt::Key_Up: keyRow(-1, shift); break;
    case Qt::Key_Down: keyRow(1, shift); break;
    default: return false;
    }
    return true;
}

void TLgCustomGrid::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (isNavigationKey(key)) {
        // Keys an in-place editor leaves to the grid end its edit first;
        // an edit that cannot be applied keeps the editor and the key.
        if (Editing()) {
            if (!FinishEditing())
                return;
            setFocus();
        }
        if (HandleNavigationKey(key, event->modifiers())) {
            event->accept();
            return;
        }
    }
    if (key == Qt::Key_Escape) {
        // Escape belongs to the window (a dialog closes on it); only an edit
        // under way keeps it.
        event->setAccepted(Editing());
        return;
    }
    if (event->matches(QKeySequence::SelectAll) && Options().contains(goMultiSelect)) {
        SelectAll();
        event->accept();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (WantReturns && !InputLineSelected() && RowCount() > 0)
            moveAfterEnter(SelectedRow());
        event->accept();
        return;
    }
    const QString text = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (text.size() == 1 && !command && text.at(0) >= u' ') {
        characterTyped(text.at(0));
        event->accept();
        return;
    }
    TLgCustomGridControl::keyPressEvent(event);
}

void TLgCustomGrid::characterTyped(QChar c)
{
    if (Columns()->Count() == 0)
        return;
    if (PlayKey(c))
        return;
    TLgCustomColumn *column = Columns()->Items(SelectedColumn());
    if (!column)
        return;
    if (column->IsValidChar(c)) {
        if (InputLineSelected()) {
            StartInputEditing(SelectedColumn(), QString(c));
            return;
        }
        if (column->CanEdit() && !ReadOnly && RowCount() > 0) {
            EditCell(SelectedColumn(), SelectedRow(), QString(c));
            return;
        }
    }
    if (!InputLineSelected() && !column->Options().contains(coEditing) && RowCount() > 0)
        IncrementalSearch(c);
}

void TLgCustomGrid::IncrementalSearch(QChar c)
{
    int searchColumn = -1;
    for (int k = 0; k < Columns()->Count() && searchColumn < 0; ++k)
        if (Columns()->Items(k)->Options().contains(coSearchColumn))
            searchColumn = k;
    if (searchColumn < 0 || RowCount() == 0)
        return;
    m_searchTimer.start();
    const bool extending = !m_searchText.isEmpty();
    m_searchText.append(c);
    const QString wanted = upperText(m_searchText);
    const int count = RowCount();
    const int selected = std::clamp(SelectedRow(), 0, count - 1);
    // A fresh search looks from the next row on; a longer text first asks
    // whether the row it found still matches, so "a" then "ab" stays on "Abc".
    const int start = extending ? selected : selected + 1;
    for (int k = 0; k < count; ++k) {
        const int row = (start + k) % count;
        if (!RowVisible(row))
            continue;
        if (upperText(Cells(searchColumn, row)).startsWith(wanted)) {
            SetSelectedRow(row);
            ScrollToRow(row);
            return;
        }
    }
}

void TLgCustomGrid::SearchTimeout()
{
    m_searchTimer.stop();
    m_searchText.clear();
}

void TLgCustomGrid::wheelEvent(QWheelEvent *event)
{
    if (Editing()) {
        event->ignore();
        return;
    }
    const int delta = event->angleDelta().y();
    const bool page = event->modifiers().testFlag(Qt::ControlModifier);
    TLgScrollBar &bar = VertScrollBar();
    if (delta < 0)
        page ? bar.PageDown() : bar.Next();
    else if (delta > 0)
        page ? bar.PageUp() : bar.Prior();
    event->accept();
}
