#include "ui/grid/custom_grid.h"

#include "ui/editors/lg_combo_box.h"
#include "ui/editors/lg_number_edit.h"
#include "ui/grid/column_displays.h"
#include "ui/grid/flyouts.h"
#include "ui/grid/inplace_editor.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <utility>

TLgCustomGrid::TLgCustomGrid(QWidget *parent)
    : TLgCustomGridControl(parent), m_dragBox(std::make_unique<TColumnDragBox>()),
      m_arrowDown(std::make_unique<TDragArrow>(TDragArrow::Down)),
      m_arrowUp(std::make_unique<TDragArrow>(TDragArrow::Up)),
      m_hint(std::make_unique<TLgGridHintWindow>())
{
    m_searchTimer.setSingleShot(true);
    m_searchTimer.setInterval(kSearchInterval);
    connect(&m_searchTimer, &QTimer::timeout, this, [this] { SearchTimeout(); });
    viewport()->setMouseTracking(true);
}

TLgCustomGrid::~TLgCustomGrid()
{
    // The default editors go before the viewport that parents them. The
    // concrete grid is gone already, so nothing here may reach a cell.
    for (auto &entry : m_defaultEditors)
        if (auto *editor = dynamic_cast<ILgInplaceEditor *>(entry.second.get())) {
            editor->OnTextChanged = nullptr;
            editor->OnFocusChanged = nullptr;
            editor->OnKeyDown = nullptr;
        }
    m_defaultEditors.clear();
}

// --- hit testing

TGridHitArea TLgCustomGrid::HitTest(const QPoint &point) const
{
    auto inside = [&point](const QRect &r) { return r.adjusted(0, 0, -1, -1).contains(point); };
    if (Options().contains(goHeader) && inside(HeaderRect()))
        return haHeader;
    if (Options().contains(goInput) && GridStyle() == gsReport && inside(InputLineRect()))
        return haInput;
    // The cell area is already an inclusive rectangle.
    if (inside(QRect(CellArea().topLeft(), CellArea().size() + QSize(1, 1))))
        return haCells;
    if (Options().contains(goFooter) && inside(FooterRect()))
        return haFooter;
    if (Options().contains(goIndicator) && inside(IndicatorRect()))
        return haIndicator;
    return haNone;
}

QPoint TLgCustomGrid::GetCellAtPos(const QPoint &point) const
{
    const QRect area = CellArea();
    if (point.y() < area.top())
        return {-1, -1};
    const int line = GridLineWidth();
    int row = -1;
    int col = -1;
    if (GridStyle() == gsSlides) {
        row = (point.y() - area.top()) / (SlideSize() + line) + FirstVisibleRow();
        for (int k = 0; k < Columns()->Count(); ++k)
            if (Columns()->Items(k)->Visible() && CellRect(k, row).contains(point)) {
                col = k;
                break;
            }
    } else {
        col = ColumnAtX(point.x());
        int bottom = area.top();
        for (int r = FirstVisibleRow(); r < RowCount() && bottom <= area.bottom() + 1; ++r) {
            if (!RowVisible(r))
                continue;
            bottom += RowHeight(r) + line;
            if (point.y() < bottom) {
                row = r;
                break;
            }
        }
    }
    if (row >= RowCount())
        row = -1;
    return {col, row};
}

int TLgCustomGrid::ColumnBorderAt(int x) const
{
    for (int pos = 0; pos < Columns()->Count(); ++pos) {
        TLgCustomColumn *c = Columns()->ByDisplayIndex(pos);
        if (!c || !c->Visible() || c->Options().contains(coFixedSize))
            continue;
        const int right = c->Left() - HorizontalPosition() + c->Width();
        if (x >= right - kResizeZoneLeft && x <= right + kResizeZoneRight)
            return Columns()->IndexOf(c);
    }
    return -1;
}

int TLgCustomGrid::RowBorderAt(const QPoint &point) const
{
    if (!Options().contains(goRowResizing) || point.x() > IndicatorWidth() || GridStyle() != gsReport)
        return -1;
    const QRect area = CellArea();
    int bottom = area.top();
    for (int r = FirstVisibleRow(); r < RowCount() && bottom <= area.bottom() + 1; ++r) {
        if (!RowVisible(r))
            continue;
        bottom += RowHeight(r);
        if (point.y() > bottom - kRowResizeZoneAbove && point.y() < bottom + kRowResizeZoneBelow)
            return r;
        bottom += GridLineWidth();
    }
    return -1;
}

std::vector<TDragColumnSpan> TLgCustomGrid::columnSpans() const
{
    std::vector<TDragColumnSpan> spans;
    for (int pos = 0; pos < Columns()->Count(); ++pos) {
        TLgCustomColumn *c = Columns()->ByDisplayIndex(pos);
        if (c && c->Visible())
            spans.push_back({Columns()->IndexOf(c), c->Position(), c->Left() - HorizontalPosition(), c->Width()});
    }
    return spans;
}

// --- editors

ILgInplaceEditor *TLgCustomGrid::DefaultEditor(TLgCustomColumn *column)
{
    const TInplaceEditorKind kind = column ? column->DefaultEditorKind() : ieNone;
    if (kind == ieNone)
        return nullptr;
    std::unique_ptr<QWidget> &slot = m_defaultEditors[kind];
    if (!slot) {
        TLgCustomEdit *edit = nullptr;
        switch (kind) {
        case ieSpinEdit: edit = new TLgSpinEdit(viewport()); break;
        case ieComboBox: edit = new TLgComboBox(viewport()); break;
        default: edit = new TLgEdit(viewport()); break;
        }
        edit->hide();
        edit->SetInPlace(true);
        slot.reset(edit);
    }
    return dynamic_cast<ILgInplaceEditor *>(slot.get());
}

ILgInplaceEditor *TLgCustomGrid::EditorFor(TLgCustomColumn *column)
{
    if (!column)
        return nullptr;
    return column->InplaceEdit ? column->InplaceEdit : DefaultEditor(column);
}

void TLgCustomGrid::ColumnNotification(int Operation, int Index, int Index2)
{
    cancelDrag();
    TLgCustomGridControl::ColumnNotification(Operation, Index, Index2);
}

// --- mouse

void TLgCustomGrid::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton) {
        TLgCustomGridControl::mousePressEvent(event);
        return;
    }
    pressAt(event->position().toPoint(), event->button(), event->modifiers());
}

void TLgCustomGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton)
        return;
    m_doubleClick = true;
    pressAt(event->position().toPoint(), event->button(), event->modifiers());
}

void TLgCustomGrid::mouseMoveEvent(QMouseEvent *event)
{
    if (Rolling()) {
        TLgCustomGridControl::mouseMoveEvent(event);
        return;
    }
    moveAt(event->position().toPoint(), event->buttons());
}

void TLgCustomGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (Rolling() || event->button() == Qt::MiddleButton) {
        TLgCustomGridControl::mouseReleaseEvent(event);
        return;
    }
    releaseAt(event->position().toPoint(), event->button());
}

void TLgCustomGrid::pressAt(const QPoint &point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return;
    if (focusPolicy() != Qt::NoFocus && !hasFocus() && !(CurrentEditor() && Editing()))
        setFocus(Qt::MouseFocusReason);
    m_downCell = QPoint(-1, -1);
    m_pressOnSelected = false;
    m_pendingSelect = QPoint(-1, -1);
    m_lastPoint = point;
    m_pressPoint = point;
    if (Columns()->Count() == 0)
        return;
    if (button == Qt::RightButton && MultiSelected()) {
        // Into the selection it stays, for the context menu. Outside it the
        // menu is for the row under the pointer, or its commands would act
        // on rows the user did not point at.
        const int row = GetCellAtPos(point).y();
        if (HitTest(point) != haCells || row < 0 || Selected(row))
            return;
    }
    const TGridHitArea area = HitTest(point);
    if (area == haHeader && button == Qt::LeftButton) {
        const int border = ColumnBorderAt(point.x());
        if (border >= 0) {
            TLgCustomColumn *column = Columns()->Items(border);
            if (m_doubleClick) {
                AutoSizeColumn(column);
                return;
            }
            m_drag.BeginColumnResize(border, column->Left() - HorizontalPosition(), column->Width());
            startDragVisuals();
            return;
        }
    }
    switch (area) {
    case haCells: cellPress(point, button, modifiers); break;
    case haHeader: {
        const int col = ColumnAtX(point.x());
        TLgCustomColumn *column = Columns()->Items(col);
        if (button == Qt::LeftButton && column && column->Options().contains(coCanClick)) {
            m_drag.PressHeader(col, point, !Options().contains(goDisableColumnMoving), columnSpans());
            startDragVisuals();
            viewport()->update(HeaderRect());
        }
        break;
    }
    case haIndicator: {
        const int row = button == Qt::LeftButton ? RowBorderAt(point) : -1;
        if (row >= 0) {
            m_drag.BeginRowResize(row, RowTop(row), RowTop(row) + RowHeight(row));
            startDragVisuals();
        } else {
            cellPress(point, button, modifiers);
        }
        break;
    }
    case haNone: FinishEditing(); break;
    case haFooter:
    case haInput: break;
    }
}

void TLgCustomGrid::cellPress(const QPoint &point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    const bool wasEditing = Editing();
    if (!FinishEditing())
        return;
    if (wasEditing && focusPolicy() != Qt::NoFocus)
        setFocus(Qt::MouseFocusReason);
    setInputLineSelected(false);
    m_downCell = GetCellAtPos(point);
    if (RowCount() == 0)
        return;
    const int row = m_downCell.y() >= 0 ? m_downCell.y() : SelectedRow();
    const int col = m_downCell.x() >= 0 ? m_downCell.x() : SelectedColumn();
    if (DragRows && button == Qt::LeftButton && m_downCell.y() >= 0 && MultiSelected() && Selected(row)
        && !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier))) {
        m_pendingSelect = QPoint(col, row);
        return;
    }
    m_pressOnSelected = m_downCell == QPoint(SelectedColumn(), SelectedRow());
    SelectCell(col, row, modifiers);
}

void TLgCustomGrid::moveAt(const QPoint &point, Qt::MouseButtons buttons)
{
    m_lastPoint = point;
    if (m_drag.Active()) {
        dragMoved(point);
        return;
    }
    if (buttons & Qt::LeftButton)
        return;
    const TGridHitArea area = HitTest(point);
    if (area != haHeader)
        setHovered(-1);
    switch (area) {
    case haHeader: {
        const bool border = ColumnBorderAt(point.x()) >= 0;
        viewport()->setCursor(border ? GridCursor(crHorzSplit) : QCursor(Qt::ArrowCursor));
        setHovered(ColumnAtX(point.x()));
        break;
    }
    case haCells: {
        const QPoint cell = GetCellAtPos(point);
        TLgCustomColumn *column = Columns()->Items(cell.x());
        viewport()->setCursor(column ? QCursor(column->Cursor()) : QCursor(Qt::ArrowCursor));
        break;
    }
    case haIndicator: {
        QCursor cursor(Qt::ArrowCursor);
        if (RowBorderAt(point) >= 0)
            cursor = GridCursor(crVertSplit);
        else if (GetCellAtPos(QPoint(IndicatorWidth(), point.y())).y() >= 0)
            cursor = GridCursor(crIndicatorSelect);
        viewport()->setCursor(cursor);
        break;
    }
    default: viewport()->setCursor(Qt::ArrowCursor); break;
    }
    updateHints(point, area);
    m_lastArea = area;
}

void TLgCustomGrid::setHovered(int headerColumn)
{
    if (headerColumn == m_hoverHeader)
        return;
    m_hoverHeader = headerColumn;
    viewport()->update(HeaderRect());
}

void TLgCustomGrid::dragMoved(const QPoint &point)
{
    const bool wasDragging = m_drag.Phase() == TGridDragController::ColumnDrag;
    const bool insideHeader = HeaderRect().contains(point);
    if (!m_drag.Move(point, insideHeader))
        return;
    switch (m_drag.Phase()) {
    case TGridDragController::ColumnResize:
    case TGridDragController::RowResize: viewport()->update(); break;
    case TGridDragController::ColumnDrag: {
        if (!wasDragging) {
            TLgCustomColumn *column = Columns()->Items(m_drag.Column());
            const QRect header(column->Left() - HorizontalPosition(), 0, column->Width(), HeaderSize());
            hideHint();
            m_dragBox->Start(viewport()->grab(header), viewport()->mapToGlobal(point));
        } else {
            m_dragBox->MoveTo(viewport()->mapToGlobal(point));
        }
        const bool arrows = m_drag.InsideHeader() && m_drag.DropX() >= 0;
        if (arrows) {
            const QPoint top = viewport()->mapToGlobal(QPoint(m_drag.DropX(), 0));
            const QPoint bottom = viewport()->mapToGlobal(QPoint(m_drag.DropX(), HeaderSize()));
            m_arrowDown->move(top.x() - m_arrowDown->width() / 2, top.y() - m_arrowDown->height());
            m_arrowUp->move(bottom.x() - m_arrowUp->width() / 2, bottom.y());
            m_arrowDown->show();
            m_arrowUp->show();
            viewport()->setCursor(Qt::ArrowCursor);
        } else {
            m_arrowDown->hide();
            m_arrowUp->hide();
            viewport()->setCursor(GridCursor(crColumnNoDrag));
        }
        break;
    }
    default: break;
    }
}

void TLgCustomGrid::releaseAt(const QPoint &point, Qt::MouseButton button)
{
    const bool doubleClick = m_doubleClick;
    m_doubleClick = false;
    if (m_drag.Active()) {
        const TDragOutcome outcome = m_drag.Release(point, HeaderRect().contains(point));
        endDrag();
        applyDragOutcome(outcome);
        if (outcome.Kind == TDragOutcome::HeaderClicked && !doubleClick) {
            TLgCustomColumn *column = Columns()->Items(ColumnAtX(point.x()));
            if (column && column->Options().contains(coCanSort)) {
                if (!column->Sorted()) {
                    column->SetSortKind(skAscending);
                    column->SetSorted(true);
                } else {
                    column->SetSortKind(column->SortKind() == skAscending ? skDescending : skAscending);
                }
            }
        }
        return;
    }
    const QPoint pending = std::exchange(m_pendingSelect, QPoint(-1, -1));
    if (pending.y() >= 0 && button == Qt::LeftButton
        && (point - m_pressPoint).manhattanLength() < QApplication::startDragDistance())
        SelectCell(pending.x(), pending.y());
    const QPoint cell = GetCellAtPos(point);
    const bool sameCell = m_downCell.y() >= 0 && cell == m_downCell && cell.y() < RowCount();
    if (sameCell && OnCellClick)
        OnCellClick(this, cell.x(), cell.y());
    if (button != Qt::LeftButton)
        return;
    switch (HitTest(point)) {
    case haCells:
        if (sameCell && m_pressOnSelected && !MultiSelected() && !doubleClick) {
            TLgCustomColumn *column = Columns()->Items(SelectedColumn());
            if (column && column->Play() && column->Options().contains(coEditing))
                playClick(SelectedColumn(), SelectedRow(), point);
            else
                EditCell(SelectedColumn(), SelectedRow());
        }
        break;
    case haFooter: {
        const int col = ColumnAtX(point.x());
        if (col >= 0 && OnFooterClick)
            OnFooterClick(this, col);
        break;
    }
    case haInput: {
        const int col = ColumnAtX(point.x());
        if (col >= 0)
            StartInputEditing(col);
        break;
    }
    default: break;
    }
}

void TLgCustomGrid::applyDragOutcome(const TDragOutcome &outcome)
{
    switch (outcome.Kind) {
    case TDragOutcome::ColumnResized:
        if (TLgCustomColumn *column = Columns()->Items(outcome.Column))
            column->SetWidth(outcome.Value);
        break;
    case TDragOutcome::RowResized: SetRowHeight(outcome.Row, outcome.Value); break;
    case TDragOutcome::ColumnMoved:
        if (TLgCustomColumn *column = Columns()->Items(outcome.Column))
            column->SetPosition(outcome.Value);
        break;
    case TDragOutcome::ColumnDroppedOutside:
        if (Options().contains(goCanHideColumn))
            if (TLgCustomColumn *column = Columns()->Items(outcome.Column))
                column->SetVisible(false);
        break;
    case TDragOutcome::HeaderClicked:
        if (OnHeaderClick)
            OnHeaderClick(this, outcome.Column);
        break;
    case TDragOutcome::None: break;
    }
    viewport()->update();
}

void TLgCustomGrid::startDragVisuals()
{
    // Moves and the release come here even when the pointer leaves the grid.
    if (viewport()->isVisible() && !m_grabbed) {
        viewport()->grabMouse();
        m_grabbed = true;
    }
    viewport()->update();
}

void TLgCustomGrid::endDrag()
{
    if (m_grabbed) {
        viewport()->releaseMouse();
        m_grabbed = false;
    }
    if (m_dragBox->isVisible())
        m_dragBox->hide();
    m_arrowDown->hide();
    m_arrowUp->hide();
    viewport()->setCursor(Qt::ArrowCursor);
    viewport()->update();
}

void TLgCustomGrid::cancelDrag()
{
    if (!m_drag.Active() && !m_grabbed)
        return;
    m_drag.Cancel();
    endDrag();
}

bool TLgCustomGrid::playClick(int col, int row, const QPoint &point)
{
    TLgCustomColumn *column = Columns()->Items(col);
    auto *display = dynamic_cast<TCheckBoxColumnDisplay *>(column ? column->Display() : nullptr);
    if (!display || ReadOnly || !column->Enabled)
        return false;
    bool accept = true;
    if (OnBeforeEdit)
        OnBeforeEdit(this, col, row, accept);
    if (!accept)
        return false;
    if (!display->CheckBoxRect(CellRect(col, row), Themed()).contains(point))
        return false;
    bindPlay(column, col, row);
    static_cast<TCheckBoxColumnPlay *>(column->Play())->Toggle();
    return true;
}

void TLgCustomGrid::bindPlay(TLgCustomColumn *column, int col, int row)
{
    auto *play = static_cast<TCheckBoxColumnPlay *>(column->Play());
    play->Value = InplaceCheckBoxValue(col, row);
    play->OnChange = [this, play, col, row] {
        ApplyPlayInput(col, row, play->InputValue, play->Value);
        RefreshCell(col, row);
    };
}

bool TLgCustomGrid::PlayKey(QChar c)
{
    TLgCustomColumn *column = Columns()->Items(SelectedColumn());
    if (!column || !column->Options().contains(coEditing) || ReadOnly || !column->Enabled
        || InputLineSelected() || SelectedRow() >= RowCount())
        return false;
    auto *play = dynamic_cast<TCheckBoxColumnPlay *>(column->Play());
    if (!play)
        return false;
    if (c != u' ')
        return true;
    bool accept = true;
    if (OnBeforeEdit)
        OnBeforeEdit(this, SelectedColumn(), SelectedRow(), accept);
    if (accept) {
        bindPlay(column, SelectedColumn(), SelectedRow());
        play->Toggle();
    }
    return true;
}

bool TLgCustomGrid::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Leave:
        hideHint();
        setHovered(-1);
        break;
    case QEvent::Paint: {
        const bool handled = TLgCustomGridControl::viewportEvent(event);
        const TGridDragController::TPhase phase = m_drag.Phase();
        if (phase == TGridDragController::ColumnResize || phase == TGridDragController::RowResize) {
            QPainter painter(viewport());
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.setPen(Qt::white);
            if (phase == TGridDragController::ColumnResize) {
                const int x = m_drag.GuideX();
                painter.drawLine(x, 0, x, ClientHeight());
            } else {
                painter.drawLine(0, m_drag.GuideY(), ClientWidth(), m_drag.GuideY());
            }
        }
        return handled;
    }
    default: break;
    }
    return TLgCustomGridControl::viewportEvent(event);
}

bool TLgCustomGrid::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ApplicationDeactivate:
    case QEvent::WindowDeactivate: cancelDrag(); break;
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        // Tab belongs to the grid when it wants it, not to the focus chain.
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && WantTabs) {
            keyPressEvent(key);
            return true;
        }
        break;
    }
    default: break;
    }
    return TLgCustomGridControl::event(event);
}

bool TLgCustomGrid::focusNextPrevChild(bool next)
{
    if (WantTabs)
        return false;
    return TLgCustomGridControl::focusNextPrevChild(next);
}
