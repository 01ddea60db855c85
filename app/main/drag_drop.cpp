// Drag and drop between the grids, done by hand inside the program: the
// source grid keeps the mouse while the button is held, so its moves and
// its release say where the pointer is; no nested event loop runs, and tests
// drive the same three steps directly.

#include "app/dialogs/drag_hint.h"
#include "app/main/combo_updating.h"
#include "app/main/main_window.h"
#include "ui/program/program.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "ui/grid/list_grid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTimer>

namespace {

constexpr int kAutoScrollRows = 3;
constexpr int kAutoScrollIntervalMs = 200;

// The hint names what is dragged on one line a person can read: dragging
// 50,000 entries must not lay out a label half a megabyte wide.
constexpr int kHintTextLength = 200;

QString hintText(const QStringList &names)
{
    QString text;
    for (const QString &name : names) {
        if (!text.isEmpty())
            text += QStringLiteral(", ");
        if (text.size() + name.size() > kHintTextLength) {
            text += QStringLiteral("...");
            break;
        }
        text += name;
    }
    return text;
}

} // namespace

void TFrmMain::initDragDrop()
{
    for (TListGrid *grid : {ServicesGrid, MyServicesGrid, BouquetGrid, BouquetListGrid})
        grid->DragRows = true;
    for (auto [timer, name, grid] : {std::tuple{&BouquetTimerScroll, "BouquetTimerScroll", BouquetGrid},
                                     std::tuple{&BouquetListTimerScroll, "BouquetListTimerScroll",
                                                BouquetListGrid}}) {
        *timer = new QTimer(this);
        (*timer)->setObjectName(QLatin1String(name));
        (*timer)->setInterval(kAutoScrollIntervalMs);
        connect(*timer, &QTimer::timeout, this, [this, timer = *timer, grid = grid] {
            autoScrollTick(grid, timer);
        });
    }
}

TFrmDragDrop *TFrmMain::dragHint() const
{
    return m_program.FormAs<TFrmDragDrop>(QStringLiteral("FrmDragDrop"));
}

bool TFrmMain::gridMouseEvent(TListGrid *grid, QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (event->button() == Qt::LeftButton)
            DragPress(grid, at);
        return false;
    case QEvent::MouseButtonDblClick:
        if (event->button() == Qt::LeftButton && at.y() >= grid->HeaderRect().bottom())
            gridDoubleClicked(grid);
        return false;
    case QEvent::MouseMove: {
        if (!(event->buttons() & Qt::LeftButton))
            return false;
        const QPoint global = grid->viewport()->mapToGlobal(at);
        TListGrid *over = gridAt(global);
        return DragMove(over, over ? over->viewport()->mapFromGlobal(global) : QPoint());
    }
    case QEvent::MouseButtonRelease: {
        if (event->button() != Qt::LeftButton || !m_drag.dragging)
            return false;
        const QPoint global = grid->viewport()->mapToGlobal(at);
        TListGrid *over = gridAt(global);
        DragRelease(over, over ? over->viewport()->mapFromGlobal(global) : QPoint());
        // The drop is the release: the grid must not take it for a click,
        // which on the row the drag began would leave that row alone chosen.
        return true;
    }
    default:
        return false;
    }
}

TListGrid *TFrmMain::gridAt(const QPoint &global) const
{
    for (TListGrid *grid : {ServicesGrid, MyServicesGrid, BouquetGrid, BouquetListGrid}) {
        if (!grid->isVisible())
            continue;
        const QPoint local = grid->viewport()->mapFromGlobal(global);
        if (grid->viewport()->rect().contains(local))
            return grid;
    }
    return nullptr;
}

void TFrmMain::DragPress(TListGrid *grid, const QPoint &at)
{
    m_drag = {};
    m_drag.source = grid;
    m_drag.header = at.y() < grid->HeaderRect().bottom();
    if (grid == BouquetGrid && !m_drag.header && m_program.SettingChecked("CbxGridConnect")) {
        const int row = grid->GetCellAtPos(at).y();
        if (row >= 0 && row < grid->RowCount())
            goToService(entryOfRow(row));
    }
}

bool TFrmMain::DragMove(TListGrid *over, const QPoint &at)
{
    TListGrid *source = m_drag.source;
    if (!source || source == KingOfSatGrid)
        return false;
    if (!m_drag.dragging) {
        // A drag starts below the header, on a row.
        if (m_drag.header || over != source)
            return false;
        const int row = source->GetCellAtPos(at).y();
        if (row < 0 || row >= source->RowCount())
            return false;
        // What goes is what the user sees chosen, in the order seen.
        QStringList names;
        for (int chosen : selectedRows(source)) {
            if (source == BouquetGrid) {
                if (const TBouquetService *entry = entryOfRow(chosen))
                    names.append(entry->Name);
            } else if (source == BouquetListGrid) {
                if (const TBouquet *bouquet = bouquetOfRow(chosen))
                    names.append(bouquet->Name);
            } else if (const TService *service = static_cast<const TService *>(
                           rowObject(source, chosen))) {
                names.append(service->Name);
            }
            if (names.size() > kHintTextLength)
                break;
        }
        m_drag.dragging = true;
        if (TFrmDragDrop *hint = dragHint())
            hint->ShowDragText(hintText(names));
    }
    if (TFrmDragDrop *hint = dragHint())
        hint->StartDrag();
    const bool accepted = (over == BouquetGrid && ComboBouquets->count() > 0)
        || (over == BouquetListGrid && BouquetListGrid->RowCount() > 0);
    m_drag.accepted = accepted;
    BouquetTimerScroll->stop();
    BouquetListTimerScroll->stop();
    if (accepted) {
        QTimer *timer = over == BouquetGrid ? BouquetTimerScroll : BouquetListTimerScroll;
        const int band = kAutoScrollRows * over->RowSize();
        if (at.y() < band) {
            m_drag.scrollDown = false;
            timer->start();
        } else if (at.y() > over->viewport()->height() - band) {
            m_drag.scrollDown = true;
            timer->start();
        } else {
            over->viewport()->update();
        }
    }
    return true;
}

void TFrmMain::autoScrollTick(TListGrid *grid, QTimer *timer)
{
    const QPoint local = grid->viewport()->mapFromGlobal(QCursor::pos());
    if (!grid->viewport()->rect().contains(local)) {
        timer->stop();
        return;
    }
    const int first = grid->FirstVisibleRow();
    grid->ScrollToRow(std::max(0, m_drag.scrollDown
                                      ? std::min(grid->RowCount() - 1, first + grid->FullyVisibleRows())
                                      : first - 1));
}

void TFrmMain::DragRelease(TListGrid *over, const QPoint &at)
{
    const Drag drag = std::exchange(m_drag, {});
    BouquetTimerScroll->stop();
    BouquetListTimerScroll->stop();
    if (TFrmDragDrop *hint = dragHint())
        hint->HideDragText();
    if (!drag.dragging || !over)
        return;
    // One rule in both grids and both directions: a drop on a row puts what
    // is dragged just above that row; below the last row, at the end.
    const int row = over->GetCellAtPos(at).y();
    const bool onRow = row >= 0 && row < over->RowCount();
    if (over == BouquetGrid) {
        TBouquet *bouquet = CurrentBouquet();
        if (!bouquet)
            return;
        const int position = onRow ? shownIndexOfEntry(*bouquet, entryOfRow(row)) : -1;
        if (drag.source == ServicesGrid) {
            AddSelectedToBouquet(bouquet, position, true);
        } else if (drag.source == MyServicesGrid) {
            AddSelectedMyServicesToBouquet(bouquet, position, true);
        } else if (drag.source == BouquetGrid) {
            MarkSelectedBouquetServices();
            std::vector<TBouquetService *> order;
            for (int chosen : selectedRows(BouquetGrid))
                order.push_back(entryOfRow(chosen));
            bouquet->MoveMarkedTo(onRow ? position : bouquet->Count(), order);
            dropSortIndicators(BouquetGrid);
            FillBouquetGrid(1);
            selectMarkedRows(BouquetGrid);
        }
    } else if (over == BouquetListGrid) {
        TBouquetList &list = *m_program.BouquetList;
        if (list.Count() == 0 || over->RowCount() == 0)
            return;
        if (drag.source == ServicesGrid || drag.source == MyServicesGrid) {
            // Services go into the bouquet under the pointer, or the last.
            TBouquet *bouquet = bouquetOfRow(onRow ? row : over->RowCount() - 1);
            if (!bouquet)
                return;
            if (drag.source == ServicesGrid)
                AddSelectedToBouquet(bouquet, -1, true);
            else
                AddSelectedMyServicesToBouquet(bouquet, -1, true);
            {
                ComboUpdating guard(m_program);
                ComboBouquets->setCurrentIndex(indexOfBouquet(bouquet));
                m_comboBouquet = CurrentBouquet();
            }
            FillBouquetGrid(0);
            selectMarkedRows(BouquetGrid);
            selectObjects(BouquetListGrid, {bouquet});
        } else if (drag.source == BouquetListGrid) {
            MarkSelectedBouquets();
            std::vector<TBouquet *> order;
            for (int chosen : selectedRows(BouquetListGrid))
                order.push_back(bouquetOfRow(chosen));
            list.MoveMarkedTo(onRow ? indexOfBouquet(bouquetOfRow(row)) : list.Count(), order);
            dropSortIndicators(BouquetListGrid);
            FillBouquetListGrid(1);
            selectMarkedRows(BouquetListGrid);
            FillBouquetCombo(0);
        }
    }
}

void TFrmMain::gridDoubleClicked(TListGrid *grid)
{
    if (m_drag.header)
        return;
    if (grid == BouquetListGrid)
        AskRenameBouquet(CurrentBouquet());
    else if (grid == ServicesGrid)
        EditSelectedService();
    else if (grid == MyServicesGrid)
        EditSelectedMyService();
    else if (grid == BouquetGrid)
        EditSelectedBouquetService();
}

void TFrmMain::goToService(const TBouquetService *entry)
{
    if (!entry || entry->LinkState == lsUnresolved || !entry->Service())
        return;
    const bool mine = entry->LinkState == lsMyServices;
    ServicesGridState &state = mine ? m_mySer : m_ser;
    PageControlServices->setCurrentIndex(mine ? 1 : 0);
    state.grid->ClearSelection();
    for (int row = 0; row < state.grid->RowCount(); ++row) {
        if (serviceOfRow(state, row) == entry->Service()) {
            state.grid->SetSelected(row, true);
            state.grid->SetCurrentRow(row);
            state.grid->ScrollToRow(row);
            return;
        }
    }
}
