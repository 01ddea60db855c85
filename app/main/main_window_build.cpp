// The main window's controls: tool bars, the five grids with their columns,
// the filter and information bars, the status bar, the image lists and the
// view actions, built from tables.

#include "app/main/column_tables.h"
#include "app/main/main_window.h"
#include "ui/program/program.h"
#include "app/main/status_panels.h"

#include "resources/icons.h"
#include "ui/grid/column_kinds.h"
#include "ui/grid/image_list.h"
#include "ui/grid/list_grid.h"
#include "ui/grid/style_displays.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kIconSize = 16;
constexpr int kStatusTextWidth = 300;

// The grid pages' column of tool bar, grid and bars, close to the edges.
QVBoxLayout *pageLayout(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    return layout;
}

// A grid's information bar: the counts, then the encoding and the dialect.
TPanelBar *makeInfoBar(const QString &name, QWidget *page)
{
    auto *bar = new TPanelBar({0, TPanelBar::FitText, TPanelBar::FitText}, page);
    bar->setObjectName(name);
    // "100000 Service(s) displayed / 100000 Service(s) total" is wider than
    // half a small window: it takes a second line rather than losing its end.
    bar->WrapPanelText(0);
    return bar;
}

QPixmap iconPixmap(const QString &name, int width, int height, qreal dpr)
{
    return pelloranPixmap(name, QSize(width, height), dpr);
}

// A row without logos: an icon, or a line of the grid's text where the
// desktop's font is taller, so that neither is cut.
int plainRowHeight(const TListGrid *grid)
{
    return std::max(kIconSize, grid->fontMetrics().height() + 2);
}

TListGrid *makeGrid(const QString &name, QWidget *parent)
{
    auto *grid = new TListGrid(parent);
    grid->setObjectName(name);
    grid->SetOptions({goHeader, goGrid, goMultiSelect, goSelectFullRow});
    // The selection stays in sight when another grid has the focus: it is
    // what the next Delete or drag takes.
    grid->SetAppearanceOptions(grid->AppearanceOptions() - aoHideSelection);
    grid->ReadOnly = true;
    grid->SetRowSize(plainRowHeight(grid));
    return grid;
}

// The glyph of a command's button; no icon for a command without one.
QIcon toolIcon(const QString &component)
{
    const QString glyph = pelloranToolGlyph(component);
    return glyph.isEmpty() ? QIcon() : pelloranIcon(glyph);
}

QToolBar *makeToolBar(const QString &name, QWidget *parent)
{
    auto *bar = new QToolBar(parent);
    bar->setObjectName(name);
    bar->setIconSize(QSize(kIconSize, kIconSize));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return bar;
}

} // namespace

void TFrmMain::buildControls()
{
    buildImageLists();
    buildToolBar();

    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setChildrenCollapsible(false);

    PageControlServices = new QTabWidget(Splitter);
    PageControlServices->setObjectName(QStringLiteral("PageControlServices"));
    PageControlServices->addTab(buildServicesPage(QStringLiteral("Services"), ServicesGrid,
                                                  ToolBarServices, FilterBarServices,
                                                  BtnFilterServices, EdtFilterServices,
                                                  InfoBarServices, QStringLiteral("ServicesGrid"),
                                                  QStringLiteral("EdtFilterServices")),
                                QStringLiteral("Services"));
    PageControlServices->addTab(buildServicesPage(QStringLiteral("MyServices"), MyServicesGrid,
                                                  ToolBarMyServices, FilterBarMyServices,
                                                  BtnFilterMyServices, EdtFilterMyservices,
                                                  InfoBarMyServices,
                                                  QStringLiteral("MyServicesGrid"),
                                                  QStringLiteral("EdtFilterMyservices")),
                                QStringLiteral("My Services"));
    PageControlServices->addTab(buildServicesPage(QStringLiteral("KingOfSat"), KingOfSatGrid,
                                                  ToolBarKingOfSat, FilterBarKingOfSat,
                                                  BtnFilterKingOfSat, EdtFilterKingOfSat,
                                                  InfoBarKingOfSat,
                                                  QStringLiteral("KingOfSatGrid"),
                                                  QStringLiteral("EdtFilterKingOfSat")),
                                QStringLiteral("KingOfSat"));

    PnlBouquets = new QWidget(Splitter);
    PnlBouquets->setObjectName(QStringLiteral("PnlBouquets"));
    auto *bouquetLayout = new QVBoxLayout(PnlBouquets);
    bouquetLayout->setContentsMargins(0, 0, 0, 0);
    PageControlBouquets = new QTabWidget(PnlBouquets);
    PageControlBouquets->setObjectName(QStringLiteral("PageControlBouquets"));
    PageControlBouquets->addTab(buildBouquetPage(), QStringLiteral("Bouquet"));
    PageControlBouquets->addTab(buildBouquetListPage(), QStringLiteral("Bouquet List"));
    bouquetLayout->addWidget(PageControlBouquets);

    Splitter->addWidget(PageControlServices);
    Splitter->addWidget(PnlBouquets);
    // Both sides give up width as the window narrows, each in proportion
    // to its width, so neither is squeezed down to a sliver.
    Splitter->setStretchFactor(0, 1);
    Splitter->setStretchFactor(1, 1);

    auto *central = new QWidget(this);
    auto *centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(2, 2, 2, 0);
    centralLayout->setSpacing(2);
    centralLayout->addWidget(Splitter, 1);
    buildStatusBar();
    centralLayout->addWidget(StatusBar);
    setCentralWidget(central);

    buildGridColumns();
    buildViewActions();
    buildGridCommands();
    initDragDrop();
    connectColumnActions();
    connectFilters();

    PingTimer = new QTimer(this);
    PingTimer->setObjectName(QStringLiteral("PingTimer"));
    PingTimer->setInterval(8000);
    connect(PingTimer, &QTimer::timeout, this, &TFrmMain::pingTimerTimer);
}

void TFrmMain::buildImageLists()
{
    const qreal dpr = devicePixelRatioF();
    ImageListTypes = new TImageList(this);
    ImageListTypes->setObjectName(QStringLiteral("ImageListTypes"));
    for (int i = 0; !pelloranTypeIconName(i).isEmpty(); ++i)
        ImageListTypes->Add(iconPixmap(pelloranTypeIconName(i), kIconSize, kIconSize, dpr));
    ImageListActions = new TImageList(this);
    ImageListActions->setObjectName(QStringLiteral("ImageListActions"));
    for (int i = 0; !pelloranActionIconName(i).isEmpty(); ++i)
        ImageListActions->Add(iconPixmap(pelloranActionIconName(i), kIconSize, kIconSize, dpr));
    ImageListDefaultLogos = new TImageList(this);
    ImageListDefaultLogos->setObjectName(QStringLiteral("ImageListDefaultLogos"));
    for (int i = 0; !pelloranDefaultLogoName(i).isEmpty(); ++i)
        ImageListDefaultLogos->Add(iconPixmap(pelloranDefaultLogoName(i), 52, 39, dpr));
    ImageListLogos = new TImageList(this);
    ImageListLogos->setObjectName(QStringLiteral("ImageListLogos"));
}

void TFrmMain::buildToolBar()
{
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setIconSize(QSize(24, 24));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    addToolBar(Qt::TopToolBarArea, ToolBar);

    const auto addButton = [&](const char *name, const char *caption) {
        auto *button = new QToolButton(ToolBar);
        button->setObjectName(QLatin1String(name));
        button->setText(QLatin1String(caption));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setIcon(toolIcon(QLatin1String(name)));
        ToolBar->addWidget(button);
        return button;
    };

    ToolBtnSaveState = addButton("ToolBtnSaveState", "Save State");
    PopupToolbarSaveState = new QMenu(this);
    PopupToolbarSaveState->setObjectName(QStringLiteral("PopupToolbarSaveState"));
    PopupItmToolSave = PopupToolbarSaveState->addAction(QStringLiteral("   Save (To Cache)"));
    PopupItmToolSave->setObjectName(QStringLiteral("PopupItmToolSave"));
    PopupItmToolGoBack =
        PopupToolbarSaveState->addAction(QStringLiteral("   &Go Back (Last Save State)"));
    PopupItmToolGoBack->setObjectName(QStringLiteral("PopupItmToolGoBack"));
    PopupItemToolHistory = PopupToolbarSaveState->addMenu(QStringLiteral("   History"));
    PopupItemToolHistory->setObjectName(QStringLiteral("PopupItemToolHistory"));
    PopupItmToolClearHistory = PopupToolbarSaveState->addAction(QStringLiteral("   Clear History"));
    PopupItmToolClearHistory->setObjectName(QStringLiteral("PopupItmToolClearHistory"));
    PopupToolbarSaveState->addSeparator();
    PopupItmToolReset = PopupToolbarSaveState->addAction(QStringLiteral("   Clear Cache (Reset)"));
    PopupItmToolReset->setObjectName(QStringLiteral("PopupItmToolReset"));
    connect(ToolBtnSaveState, &QToolButton::clicked, this, &TFrmMain::showSaveStateMenu);
    connect(PopupItmToolSave, &QAction::triggered, this, &TFrmMain::saveToCache);
    connect(PopupItmToolGoBack, &QAction::triggered, this, &TFrmMain::goBack);
    connect(PopupItmToolClearHistory, &QAction::triggered, this, &TFrmMain::askClearHistory);
    connect(PopupItmToolReset, &QAction::triggered, this, &TFrmMain::askReset);

    ToolBar->addSeparator();
    connect(addButton("ToolBtnSettings", "Settings"), &QToolButton::clicked, this,
            &TFrmMain::ToolBtnSettingsClick);
    connect(addButton("ToolBtnImportExport", "Import/Export"), &QToolButton::clicked, this,
            &TFrmMain::ToolBtnImportExportClick);
    buildManagerMenu(addButton("ToolBtnManager", "Manage..."));
    connect(addButton("ToolBtnOptimize", "Optimize..."), &QToolButton::clicked, this,
            &TFrmMain::ToolBtnOptimizeClick);
    QToolButton *run = addButton("ToolBtnRun", "Run...");
    QToolButton *sendMessage = addButton("ToolBtnMsg", "Send Message...");
    buildToolsMenu(run, sendMessage);
    ToolBar->addSeparator();
    QToolButton *about = addButton("ToolBtnAbout", "About");
    connect(about, &QToolButton::clicked, this, [this] {
        if (QWidget *box = m_program.Form(QStringLiteral("FrmAbout"))) {
            if (auto *dialog = qobject_cast<QDialog *>(box))
                dialog->exec();
        }
    });
    QToolButton *exitButton = addButton("ToolBtnExit", "Exit");
    connect(exitButton, &QToolButton::clicked, this, &QWidget::close);
}

QWidget *TFrmMain::buildServicesPage(const QString &prefix, TListGrid *&grid, QToolBar *&toolBar,
                                     TPanelBar *&filterBar, QToolButton *&filterButton,
                                     QLineEdit *&filterEdit, TPanelBar *&infoBar,
                                     const QString &gridName, const QString &filterEditName)
{
    auto *page = new QWidget;
    QVBoxLayout *layout = pageLayout(page);
    toolBar = makeToolBar(QStringLiteral("ToolBar") + prefix, page);
    layout->addWidget(toolBar);
    grid = makeGrid(gridName, page);
    layout->addWidget(grid, 1);

    filterBar = makeFilterBar(prefix, filterEditName, filterButton, filterEdit, page);
    layout->addWidget(filterBar);

    infoBar = makeInfoBar(QStringLiteral("InfoBar") + prefix, page);
    layout->addWidget(infoBar);
    return page;
}

QWidget *TFrmMain::buildBouquetPage()
{
    auto *page = new QWidget;
    QVBoxLayout *layout = pageLayout(page);
    ComboBouquets = new QComboBox(page);
    ComboBouquets->setObjectName(QStringLiteral("ComboBouquets"));
    ComboBouquets->setMaxVisibleItems(24);
    layout->addWidget(ComboBouquets);
    ToolBarBouquet = makeToolBar(QStringLiteral("ToolBarBouquet"), page);
    layout->addWidget(ToolBarBouquet);
    BouquetGrid = makeGrid(QStringLiteral("BouquetGrid"), page);
    layout->addWidget(BouquetGrid, 1);

    FilterBarBouquet = makeFilterBar(QStringLiteral("Bouquet"), QStringLiteral("EdtFilterBouquet"),
                                     BtnFilterBouquet, EdtFilterBouquet, page);
    layout->addWidget(FilterBarBouquet);

    InfoBarBouquet = makeInfoBar(QStringLiteral("InfoBarBouquet"), page);
    layout->addWidget(InfoBarBouquet);
    connect(ComboBouquets, &QComboBox::currentIndexChanged, this, &TFrmMain::bouquetComboChanged);
    return page;
}

// A filter bar: the button that shows everything again, and the pattern edit.
TPanelBar *TFrmMain::makeFilterBar(const QString &prefix, const QString &editName,
                                   QToolButton *&button, QLineEdit *&edit, QWidget *parent)
{
    auto *bar = new TPanelBar({24, 0}, parent);
    bar->setObjectName(QStringLiteral("FilterBar") + prefix);
    button = new QToolButton;
    button->setObjectName(QStringLiteral("BtnFilter") + prefix);
    button->setIcon(toolIcon(button->objectName()));
    button->setToolTip(QStringLiteral("Show all"));
    button->setAutoRaise(true);
    edit = new QLineEdit;
    edit->setObjectName(editName);
    edit->setText(QStringLiteral("*"));
    edit->setFrame(false);
    bar->PlaceInPanel(0, button);
    bar->PlaceInPanel(1, edit);
    return bar;
}

QWidget *TFrmMain::buildBouquetListPage()
{
    auto *page = new QWidget;
    QVBoxLayout *layout = pageLayout(page);
    ToolBarBouquetList = makeToolBar(QStringLiteral("ToolBarBouquetList"), page);
    layout->addWidget(ToolBarBouquetList);
    BouquetListGrid = makeGrid(QStringLiteral("BouquetListGrid"), page);
    layout->addWidget(BouquetListGrid, 1);
    InfoBarBouquetList = makeInfoBar(QStringLiteral("InfoBarBouquetList"), page);
    layout->addWidget(InfoBarBouquetList);
    return page;
}

void TFrmMain::buildStatusBar()
{
    StatusBar = new TPanelBar({0, 25, 25, 110, 50}, this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    // Room for the status texts, yet not so much that the status bar alone
    // keeps the window wider than a small screen offers.
    StatusBar->findChildren<QFrame *>().first()->setMinimumWidth(kStatusTextWidth);
    const qreal dpr = devicePixelRatioF();
    const auto indicator = [&](const char *name, const char *picture, int panel) {
        auto *image = new QLabel;
        image->setObjectName(QLatin1String(name));
        image->setPixmap(iconPixmap(QLatin1String(picture), kIconSize, kIconSize, dpr));
        image->setAlignment(Qt::AlignCenter);
        image->hide();
        StatusBar->PlaceInPanel(panel, image);
        return image;
    };
    ImgLogoMappingActive = indicator("ImgLogoMappingActive", "logo-mapping-active", 1);
    ImgLogoMappingInactive = indicator("ImgLogoMappingInactive", "logo-mapping-inactive", 1);
    ImgLogoMappingInactive->show();
    ImgConnected = indicator("ImgConnected", "ping-online", 2);
    ImgDisconnected = indicator("ImgDisconnected", "ping-offline", 2);
    ProgressBar = new QProgressBar;
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    StatusBar->PlaceInPanel(4, ProgressBar);
}

void TFrmMain::buildGridColumns()
{
    const auto build = [&](TListGrid *grid, std::span<const TColumnSpec> specs) {
        for (const TColumnSpec &spec : specs) {
            TLgCustomColumn *column = nullptr;
            switch (spec.kind) {
            case TColumnSpec::Logo:
            case TColumnSpec::TypeIcon:
            case TColumnSpec::ActionIcon: {
                auto *image = grid->Columns()->Add<TLgImageColumn>(QLatin1String(spec.name));
                image->Images = spec.kind == TColumnSpec::Logo       ? ImageListLogos
                    : spec.kind == TColumnSpec::TypeIcon             ? ImageListTypes
                                                                     : ImageListActions;
                image->SetOptions(image->Options() + coFixedSize);
                image->SetWidth(spec.kind == TColumnSpec::Logo ? m_program.LogoWidth + 3 : 22);
                image->SetSortType(stNumeric);
                column = image;
                break;
            }
            case TColumnSpec::Increment:
                column = grid->Columns()->Add<TLgIncrementColumn>(QLatin1String(spec.name));
                column->SetOptions(column->Options() + coFixedSize);
                column->SetWidth(36);
                break;
            case TColumnSpec::Check:
                column = grid->Columns()->Add<TLgCheckBoxColumn>(QLatin1String(spec.name));
                column->SetWidth(56);
                break;
            case TColumnSpec::Number:
                column = grid->Columns()->Add<TLgTextColumn>(QLatin1String(spec.name));
                column->SetSortType(stNumeric);
                column->SetAlignment(taRightJustify);
                column->SetWidth(60);
                break;
            case TColumnSpec::Text:
                column = grid->Columns()->Add<TLgTextColumn>(QLatin1String(spec.name));
                column->SetSortType(stCaseInsensitive);
                column->SetWidth(spec.width);
                break;
            }
            column->Header().SetCaption(QLatin1String(spec.caption));
        }
    };
    build(ServicesGrid, servicesColumns());
    build(MyServicesGrid, myServicesColumns());
    build(KingOfSatGrid, kingOfSatColumns());
    build(BouquetGrid, bouquetColumns());
    build(BouquetListGrid, bouquetListColumns());
    BouquetListGrid->ReadOnly = false;
    // The rows of these two grids stand in the order of the bouquets and
    // their entries, and the commands go from row numbers to positions in
    // that order: a header click that reordered the rows would have them
    // move, clear or delete other bouquets than the ones selected. Their
    // sort commands sort the bouquets themselves.
    for (TListGrid *grid : {BouquetGrid, BouquetListGrid}) {
        for (int i = 0; i < grid->Columns()->Count(); ++i) {
            TLgCustomColumn *column = grid->Columns()->Items(i);
            column->SetOptions(column->Options() - coCanSort);
        }
    }
    // The widths above suit the design's small font; a larger desktop font
    // would cut the captions short ("Chann...") or leave only "..." over the
    // icons.
    for (TListGrid *grid : {ServicesGrid, MyServicesGrid, KingOfSatGrid, BouquetGrid,
                            BouquetListGrid}) {
        for (int i = 0; i < grid->Columns()->Count(); ++i) {
            TLgCustomColumn *column = grid->Columns()->Items(i);
            column->SetWidth(std::max(column->Width(), HeaderCaptionWidth(*column, grid->font())));
        }
    }

    initGridFilling();
    m_bouIdx = ColumnByName(BouquetGrid, QStringLiteral("ColBouIdx"));
    m_bouLogo = ColumnByName(BouquetGrid, QStringLiteral("ColBouLogo"));
    m_bouTypeIcon = ColumnByName(BouquetGrid, QStringLiteral("ColBouSTypeIcon"));
    m_bouName = ColumnByName(BouquetGrid, QStringLiteral("ColBouName"));
    m_bouFrequency = ColumnByName(BouquetGrid, QStringLiteral("ColBouFrequency"));
    m_bouActionIcon = ColumnByName(BouquetGrid, QStringLiteral("ColBouActionIcon"));

    for (TListGrid *grid : {ServicesGrid, MyServicesGrid, KingOfSatGrid, BouquetGrid,
                            BouquetListGrid}) {
        grid->OnCellColoring = [this, grid](QObject *, int, int ARow, QColor &CellColor, QColor &,
                                            TCellState) { cellColoring(grid, ARow, CellColor); };
    }
}

QAction *TFrmMain::addAction(const QString &name, const QString &caption, bool checkable,
                             bool checked)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    action->setCheckable(checkable);
    if (checkable)
        action->setChecked(checked);
    m_actions.insert(name, action);
    return action;
}

QAction *TFrmMain::ActionByName(const QString &name) const
{
    return m_actions.value(name);
}

void TFrmMain::buildViewActions()
{
    for (const TGridViewSpec &view : gridViews()) {
        TListGrid *grid = findChild<TListGrid *>(QLatin1String(view.gridName));
        for (const TColumnSpec &spec : view.columns) {
            if (!spec.actionWord)
                continue;
            addAction(QLatin1String("Action") + QLatin1String(view.prefix) + QStringLiteral("Col")
                          + QLatin1String(spec.actionWord),
                      QLatin1String(spec.longCaption), true);
        }
        const QString prefix = QLatin1String(view.prefix);
        if (view.hasSizing) {
            QAction *bestFit = addAction(QStringLiteral("Action") + prefix + QStringLiteral("ColBestFit"),
                                         QStringLiteral("Columns: Best Fit"), true, true);
            QAction *custom = addAction(QStringLiteral("Action") + prefix + QStringLiteral("ColCustom"),
                                        QStringLiteral("Columns: Custom"), true, false);
            connect(bestFit, &QAction::triggered, this, [this, bestFit, custom, grid] {
                bestFit->setChecked(true);
                custom->setChecked(false);
                ApplyColumnSizing(grid);
            });
            // Hidden columns keep the widths the last fit owed them.
            connect(custom, &QAction::triggered, this, [bestFit, custom, grid] {
                custom->setChecked(true);
                bestFit->setChecked(false);
                grid->FitPendingColumns();
            });
        }
        QAction *toolbar = addAction(QStringLiteral("Action") + prefix + QStringLiteral("Toolbar"),
                                     QStringLiteral("Toolbar"), true, true);
        QToolBar *bar = findChild<QToolBar *>(QLatin1String(view.toolBarName));
        connect(toolbar, &QAction::toggled, bar, &QWidget::setVisible);
        for (const TFilterSpec &filter : view.filters)
            addAction(QLatin1String(filter.actionName), QLatin1String(filter.caption), true, true);
        addGridContextMenu(grid, prefix);
    }
    // The bouquet list has no columns to choose, only its tool bar.
    QAction *listToolbar = addAction(QStringLiteral("ActionBouListToolbar"),
                                     QStringLiteral("Toolbar"), true, true);
    connect(listToolbar, &QAction::toggled, ToolBarBouquetList, &QWidget::setVisible);
    addGridContextMenu(BouquetListGrid, QStringLiteral("BouList"));
}

// The view menu of a grid (columns, sizing, filters, tool bar), on its
// tool bar and on a right click.
void TFrmMain::addGridContextMenu(TListGrid *grid, const QString &prefix)
{
    auto *view = new QMenu(QStringLiteral("View"), this);
    view->setObjectName(QStringLiteral("PopupView") + prefix);
    QMenu *columns = nullptr;
    QMenu *filters = nullptr;
    const QString columnPrefix = QStringLiteral("Action") + prefix + QStringLiteral("Col");
    for (QAction *action : findChildren<QAction *>(QString(), Qt::FindDirectChildrenOnly)) {
        const QString name = action->objectName();
        if (name == columnPrefix + QStringLiteral("BestFit")
            || name == columnPrefix + QStringLiteral("Custom"))
            continue;
        if (name.startsWith(columnPrefix)) {
            if (!columns)
                columns = view->addMenu(QStringLiteral("Columns"));
            columns->addAction(action);
        } else if (name.startsWith(QStringLiteral("Action") + prefix + QStringLiteral("Filter"))) {
            if (!filters)
                filters = view->addMenu(QStringLiteral("Show"));
            filters->addAction(action);
        }
    }
    if (QAction *bestFit = ActionByName(columnPrefix + QStringLiteral("BestFit"))) {
        view->addSeparator();
        view->addAction(bestFit);
        view->addAction(ActionByName(columnPrefix + QStringLiteral("Custom")));
    }
    view->addSeparator();
    view->addAction(ActionByName(QStringLiteral("Action") + prefix + QStringLiteral("Toolbar")));

    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [grid, view](const QPoint &at) { view->popup(grid->mapToGlobal(at)); });
    if (auto *bar = grid->parentWidget()->findChild<QToolBar *>()) {
        auto *button = new QToolButton(bar);
        button->setText(QStringLiteral("View"));
                button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setMenu(view);
        button->setAutoRaise(true);
        bar->addWidget(button);
    }
}

void TFrmMain::connectColumnActions()
{
    for (const TGridViewSpec &view : gridViews()) {
        TListGrid *grid = findChild<TListGrid *>(QLatin1String(view.gridName));
        for (const TColumnSpec &spec : view.columns) {
            if (!spec.actionWord)
                continue;
            QAction *action = ActionByName(QLatin1String("Action") + QLatin1String(view.prefix)
                                           + QStringLiteral("Col")
                                           + QLatin1String(spec.actionWord));
            const QString columnName = QLatin1String(spec.name);
            if (spec.kind == TColumnSpec::Logo) {
                connect(action, &QAction::toggled, this, [this, grid, columnName](bool shown) {
                    setLogoColumnShown(grid, columnName, shown);
                });
            } else {
                connect(action, &QAction::toggled, this, [grid, columnName](bool shown) {
                    if (TLgCustomColumn *column = grid->Columns()->ColumnByName(columnName))
                        column->SetVisible(shown);
                });
            }
        }
    }
}

void TFrmMain::setLogoColumnShown(TListGrid *grid, const QString &columnName, bool shown)
{
    TLgCustomColumn *column = grid->Columns()->ColumnByName(columnName);
    if (!column)
        return;
    column->SetVisible(shown);
    column->SetWidth(std::max(m_program.LogoWidth + 3, HeaderCaptionWidth(*column, grid->font())));
    const int height = shown ? std::max(m_program.LogoHeight, plainRowHeight(grid))
                             : plainRowHeight(grid);
    grid->BeginUpdate();
    grid->SetRowSize(height);
    for (int row = 0; row < grid->RowCount(); ++row)
        grid->SetRowHeight(row, height);
    grid->EndUpdate();
}
