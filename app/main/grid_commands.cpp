// The grids' commands as the user reaches them: tool buttons, popup menus,
// the Delete key and double clicks, all running one handler per command.

#include "app/main/main_window.h"
#include "ui/program/program.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/service_list.h"
#include "resources/icons.h"
#include "ui/controls/popup_action_bar.h"
#include "ui/grid/list_grid.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

namespace {

// One command of a grid: its tool button, its popup item, its text and what
// it runs (null: the command's window comes later, the button waits disabled).
struct TGridCommand {
    const char *button;
    const char *item;
    const char *caption;
    void (*run)(TFrmMain &);
};

} // namespace

void TFrmMain::buildGridCommands()
{
    using M = TFrmMain;
    static const TGridCommand services[] = {
        {"ToolBtnSerSelectAll", "PopupItmSerSelectAll", "Select All",
         [](M &m) { m.selectAllRows(m.ServicesGrid); }},
        {"ToolBtnSerBouquetAdd", "PopupItmSerBouquetAdd", "Add To Bouquet",
         [](M &m) { m.AddSelectedToBouquet(m.CurrentBouquet(), -1, true); }},
        {"ToolBtnSerAddMyService", "PopupItmSerAddMyService", "Add As My Service",
         [](M &m) { m.AddSelectedToMyServices(*m.m_program.MyServiceList, 0); }},
        {"ToolBtnSerAddAntiService", "PopupItmSerAddAntiService", "Add As Anti Service",
         [](M &m) { m.AddSelectedToMyServices(*m.m_program.MyServiceList, 1); }},
        {"ToolBtnSerAddReplaceService", "PopupItmSerAddReplaceService", "Add As Replace Service",
         [](M &m) { m.AddSelectedToMyServices(*m.m_program.MyServiceList, 2); }},
        {"ToolBtnSerServiceNew", "PopupItmSerNew", "New Service...", [](M &m) { m.NewService(); }},
        {"ToolBtnSerServiceDelete", "PopupItmSerDelete", "Delete Service(s)",
         [](M &m) { m.DeleteSelectedServices(); }},
        {"ToolBtnSerServiceProperties", "PopupItmSerProperties", "Service Properties...",
         [](M &m) { m.EditSelectedService(); }},
    };
    static const TGridCommand myServices[] = {
        {"ToolBtnMySerSelectAll", "PopupItmMySerSelectAll", "Select All",
         [](M &m) { m.selectAllRows(m.MyServicesGrid); }},
        {"ToolBtnMySerToggle", "PopupItmMySerToggle", "Toggle Action...",
         [](M &m) { m.ToggleMyServiceAction(); }},
        {"ToolBtnMySerServiceNew", "PopupItmMySerServiceNew", "New My Service...",
         [](M &m) { m.NewMyService(); }},
        {"ToolBtnMySerDeleteSelected", "PopupItmMySerDeleteSelected", "Delete My Service(s)",
         [](M &m) { m.DeleteSelectedMyServices(); }},
        {"ToolBtnMySerServiceProperties", "PopupItmMySerServiceProperties", "Service Properties...",
         [](M &m) { m.EditSelectedMyService(); }},
        {"ToolBtnMySerBouquetAdd", "PopupItmMySerBouquetAdd", "Add To Bouquet",
         [](M &m) { m.AddSelectedMyServicesToBouquet(m.CurrentBouquet(), -1, true); }},
    };
    static const TGridCommand kingOfSat[] = {
        {"ToolBtnKofDownload", "PopupItmKofDownload", "Download From KingOfSat...",
         [](M &m) { m.ToolBtnKofDownloadClick(); }},
        {"ToolBtnKofServiceAdd", "PopupItmServiceAdd", "Transfer To Services...",
         [](M &m) { m.ToolBtnKofServiceAddClick(); }},
        {"ToolBtnKofSelectAll", "PopupItmSelectAll", "Select All",
         [](M &m) { m.selectAllRows(m.KingOfSatGrid); }},
        {"ToolBtnKofDeleteSelected", "PopupItmDeleteSelected", "Delete Service(s)",
         [](M &m) { m.DeleteSelectedKingOfSatServices(); }},
    };
    static const TGridCommand bouquet[] = {
        {"ToolBtnBouSelectAll", "PopupItmBouSelectAll", "Select All",
         [](M &m) { m.selectAllRows(m.BouquetGrid); }},
        {"ToolBtnBouUp", "PopupItmBouMoveUp", "Move Up", [](M &m) { m.MoveBouquetServicesUp(); }},
        {"ToolBtnBouDown", "PopupItmBouMoveDown", "Move Down",
         [](M &m) { m.MoveBouquetServicesDown(); }},
        {"ToolBtnBouBouquetNew", "PopupItmBouBouquetNew", "New Bouquet...",
         [](M &m) { m.AskNewBouquet(); }},
        {"ToolBtnBouBouquetRename", "PopupItmBouBouquetRename", "Rename Bouquet...",
         [](M &m) { m.AskRenameBouquet(m.CurrentBouquet()); }},
        {"ToolBtnBouBouquetClear", "PopupItmBouBouquetClear", "Clear Bouquet",
         [](M &m) { m.ClearCurrentBouquet(); }},
        {"ToolBtnBouBouquetDelete", "PopupItmBouBouquetDelete", "Delete Bouquet",
         [](M &m) { m.AskDeleteBouquet(m.CurrentBouquet()); }},
        {"ToolBtnBouServiceNew", "PopupItmBouNew", "New Service...",
         [](M &m) { m.NewBouquetService(); }},
        {"ToolBtnBouServiceProperties", "PopupItmBouServiceProperties", "Service Properties...",
         [](M &m) { m.EditSelectedBouquetService(); }},
        {"ToolBtnBouServiceDelete", "PopupItmBouDeleteSelected", "Delete Service(s)",
         [](M &m) { m.DeleteSelectedBouquetServices(); }},
        {"ToolBtnBouSort", "PopupItmBouSort", "Sort Bouquet...", [](M &m) { m.SortCurrentBouquet(); }},
        {nullptr, "ActionBouRemoveObsoleteThis", "Remove Obsolete Services (This Bouquet)",
         [](M &m) { m.removeObsolete(false); }},
        {nullptr, "ActionBouRemoveObsoleteAll", "Remove Obsolete Services (All Bouquets)",
         [](M &m) { m.removeObsolete(true); }},
    };
    static const TGridCommand bouquetList[] = {
        {"ToolBtnBouListSelectAll", "PopupItmBouListSelectAll", "Select All",
         [](M &m) { m.selectAllRows(m.BouquetListGrid); }},
        {"ToolBtnBouListUp", "PopupItmBouListMoveUp", "Move Up", [](M &m) { m.MoveBouquetsUp(); }},
        {"ToolBtnBouListDown", "PopupItmBouListMoveDown", "Move Down",
         [](M &m) { m.MoveBouquetsDown(); }},
        {"ToolBtnBouListBouquetNew", "PopupItmBouListBouquetNew", "New Bouquet...",
         [](M &m) { m.AskNewBouquet(); }},
        {"ToolBtnBouListBouquetRename", "PopupItmBouListBouquetRename", "Rename Bouquet...",
         [](M &m) {
             const int row = FirstSelectedRow(m.BouquetListGrid);
             if (row >= 0)
                 m.AskRenameBouquet(m.bouquetOfRow(row));
         }},
        {"ToolBtnBouListBouquetClear", "PopupItmBouListBouquetClear", "Clear Bouquet(s)",
         [](M &m) { m.ClearSelectedBouquets(); }},
        {"ToolBtnBouListBouquetDelete", "PopupItmBouListBouquetDelete", "Delete Bouquet(s)",
         [](M &m) { m.DeleteSelectedBouquets(); }},
        {"ToolBtnBouListSort", "PopupItmBouListBouquetSort", "Sort Bouquets",
         [](M &m) { m.SortBouquetList(); }},
        {"ToolBtnBouListBouquetMerge", "PopupItmBouListBouquetMerge", "Merge Bouquets",
         [](M &m) { m.mergeBouquets(); }},
    };
    struct Grid {
        TListGrid *grid;
        QToolBar *bar;
        const char *popup;
        std::span<const TGridCommand> commands;
    };
    const Grid grids[] = {
        {ServicesGrid, ToolBarServices, "PopupServices", services},
        {MyServicesGrid, ToolBarMyServices, "PopupMyServices", myServices},
        {KingOfSatGrid, ToolBarKingOfSat, "PopupKingOfSat", kingOfSat},
        {BouquetGrid, ToolBarBouquet, "PopupBouquet", bouquet},
        {BouquetListGrid, ToolBarBouquetList, "PopupBouquetList", bouquetList},
    };
    for (const Grid &g : grids) {
        auto *menu = new QMenu(this);
        menu->setObjectName(QLatin1String(g.popup));
        QAction *before = g.bar->actions().isEmpty() ? nullptr : g.bar->actions().first();
        for (const TGridCommand &command : g.commands) {
            const QString caption = QLatin1String(command.caption);
            QAction *item = nullptr;
            if (command.button && !command.item) {
                item = new QAction(caption, this);
            } else {
                item = menu->addAction(caption);
                item->setObjectName(QLatin1String(command.item));
                m_actions.insert(item->objectName(), item);
            }
            const QString glyph = pelloranToolGlyph(QLatin1String(command.button ? command.button
                                                                                 : command.item));
            if (!glyph.isEmpty())
                item->setIcon(pelloranIcon(glyph));
            item->setEnabled(command.run != nullptr);
            if (command.run) {
                const auto run = command.run;
                connect(item, &QAction::triggered, this, [this, run] { run(*this); });
            }
            if (!command.button)
                continue;
            auto *button = new QToolButton(g.bar);
            button->setObjectName(QLatin1String(command.button));
            button->setDefaultAction(item);
            button->setAutoRaise(true);
            button->setToolTip(caption);
            g.bar->insertWidget(before, button);
        }
        // The popup also offers the grid's view menu.
        if (QMenu *view = findChild<QMenu *>(QStringLiteral("PopupView") + viewPrefixOf(g.grid))) {
            menu->addSeparator();
            menu->addMenu(view);
        }
        auto *bar = new TPopupActionBarEx(this);
        bar->setObjectName(QLatin1String(g.popup) + QStringLiteral("Bar"));
        bar->SetItems(menu);
        g.grid->setContextMenuPolicy(Qt::CustomContextMenu);
        disconnect(g.grid, &QWidget::customContextMenuRequested, nullptr, nullptr);
        connect(g.grid, &QWidget::customContextMenuRequested, this, [g, bar](const QPoint &at) {
            // Only below the header: the header's own clicks sort and size.
            if (at.y() < g.grid->HeaderRect().bottom())
                return;
            const QPoint global = g.grid->mapToGlobal(at);
            bar->Popup(global.x(), global.y());
        });
        g.grid->viewport()->installEventFilter(this);
        g.grid->installEventFilter(this);
    }
    BouquetListGrid->ReadOnly = true;
    BouquetListGrid->OnCellClick = [this](QObject *, int col, int row) {
        bouquetListCellClicked(col, row);
    };
    BouquetListGrid->OnSelectCell = [this](QObject *, int, int row) {
        if (row < 0 || row >= BouquetListGrid->RowCount())
            return;
        // By the row's bouquet: a header sort orders the rows otherwise than
        // the combo, and names may repeat.
        const int index = indexOfBouquet(bouquetOfRow(row));
        if (index >= 0 && index < ComboBouquets->count())
            ComboBouquets->setCurrentIndex(index);
    };
}

QString TFrmMain::viewPrefixOf(const TListGrid *grid) const
{
    if (grid == ServicesGrid)
        return QStringLiteral("Ser");
    if (grid == MyServicesGrid)
        return QStringLiteral("MySer");
    if (grid == KingOfSatGrid)
        return QStringLiteral("Kof");
    if (grid == BouquetGrid)
        return QStringLiteral("Bou");
    return QStringLiteral("BouList");
}

TListGrid *TFrmMain::gridOf(QObject *watched) const
{
    for (TListGrid *grid : {ServicesGrid, MyServicesGrid, KingOfSatGrid, BouquetGrid, BouquetListGrid}) {
        if (watched == grid || watched == grid->viewport())
            return grid;
    }
    return nullptr;
}

bool TFrmMain::eventFilter(QObject *watched, QEvent *event)
{
    TListGrid *grid = gridOf(watched);
    if (!grid)
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Delete || grid->Editing())
            break;
        if (grid == ServicesGrid)
            DeleteSelectedServices();
        else if (grid == MyServicesGrid)
            DeleteSelectedMyServices();
        else if (grid == KingOfSatGrid)
            DeleteSelectedKingOfSatServices();
        else if (grid == BouquetGrid)
            DeleteSelectedBouquetServices();
        else
            DeleteSelectedBouquets();
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        // The grid's cells live in its viewport, and so do the mouse's events.
        if (watched == grid->viewport())
            return gridMouseEvent(grid, static_cast<QMouseEvent *>(event));
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
