#pragma once

#include "core/transfer/download_progress.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "core/util/sys_utils.h"
#include "ui/program/main_window_link.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QScopeGuard>

#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QSplitter;
class QTabWidget;
class QThread;
class QTimer;
class QToolBar;
class QToolButton;
class QMouseEvent;
class TBouquet;
class TFrmDragDrop;
class TFrmServiceProperties;
class TBouquetService;
class TImageList;
class TListGrid;
class TPanelBar;
class TSatelite;
class TService;
class TServiceList;
class TTransponder;
class TWorkingFiles;
struct TRestoredState;
struct TProgram;

// The column indexes of one services grid (services, my-services or
// KingOfSat); -1 where the grid has no such column.
struct TServiceColumns {
    int logo = -1, typeIcon = -1, actionIcon = -1, name = -1;
    int sidHex = -1, sidDec = -1, typeHex = -1, typeDec = -1;
    int tsidHex = -1, tsidDec = -1, onidHex = -1, onidDec = -1;
    int symbolRate = -1, fec = -1, inversion = -1, polarization = -1, modulation = -1;
    int frequency = -1, satelite = -1, diseqc = -1, bouquet = -1;
    int provider = -1, category = -1, country = -1, encryption = -1;
};

// What a row of a services grid shows: a service and where it lives.
struct TServiceRowRef {
    TService *service = nullptr;
    TTransponder *transponder = nullptr;
    TSatelite *satelite = nullptr;
};

// The main window: the services, my-services and KingOfSat grids on the
// left, the bouquet and bouquet list grids on the right, the tool bar above
// and the status bar below. Its behaviour is spread over several files by
// concern: start-up and shut-down here, grid filling, the working files and
// their history, and the building of its controls each in their own file.
class TFrmMain : public QMainWindow,
                 public TStatusSink,
                 public TProgressDisplay,
                 public TMainWindowLink
{
    Q_OBJECT

public:
    explicit TFrmMain(TProgram &program, QWidget *parent = nullptr);
    ~TFrmMain() override;

    TProgram &Program() const { return m_program; }

    // --- start-up and shut-down
    void InitializeMain();
    // True when the program may end: the user did not cancel, the working
    // files and the settings are saved as asked, the logo mapping is over.
    bool CloseMain();
    void ShowStatus(const QString &text) override;
    void ShowError(const QString &text) override;
    void ShowWait(const QString &text) override;
    void HideWait() override;
    // The progress bar, as the transfers see it.
    void setProgressPosition(int position) override;
    int progressPosition() const override;
    void letEventsRun() override;

    // --- logo mapping (the mapper thread plugs in through LogoThreadStarter)
    bool StartLogoMapping() override;
    bool WaitForLogoMapping() override;
    bool StopLogoMapping() override;
    // After a change of the lists that stopped the mapping: a run it cut
    // short starts again over the lists as they are now, a rebuild still a
    // rebuild. Called once the grids show the change, as the run's results
    // rewrite their logo cells.
    bool ResumeLogoMapping();
    bool RestartLogoMapping(bool rebuild) override { return startLogoThread(rebuild); }
    // Starts the logo thread for a run (rebuild: the mapping file is made
    // anew) and returns it, or null when no logo mapping is available.
    std::function<QThread *(bool rebuild)> LogoThreadStarter;
    void LogoCellCallback(TService *service, TListGrid *grid, bool isBouquetGrid);
    void UpdateServiceLogoCells(TService *service, TListGrid *grid);
    void UpdateBouquetLogoCells(TService *service, TListGrid *grid);

    // --- grid filling (grid_filling.cpp); mode 0 rebuild, 1 rewrite,
    // 2 refresh, 3 logos only
    void FillServicesGrid(int mode) override;
    void FillMyServicesGrid(int mode) override;
    void FillKingOfSatGrid(int mode) override;
    void FillBouquetGrid(int mode) override;
    // The bouquet grid after the current bouquet was sorted: its rows are
    // rewritten in the new order; with every entry shown they are the same
    // entries with the same numbers, so the columns keep their widths.
    void RewriteSortedBouquet();
    void FillBouquetListGrid(int mode) override;
    void FillBouquetCombo(int mode) override;
    void RefreshGridLogos();
    void ApplyColumnVisibility() override;
    void ApplyColumnSizing(TListGrid *grid);
    static int ColumnByName(const TListGrid *grid, const QString &name);
    static int FirstSelectedRow(const TListGrid *grid);
    static void dropSortIndicators(TListGrid *grid);
    void SelectSingleRow(TListGrid *grid, int row);
    TBouquet *CurrentBouquet() const;
    int CurrentBouquetIndex() const;
    // The position of a bouquet in the list and its row in the bouquet list
    // grid (which a header sort may order otherwise), or -1.
    int indexOfBouquet(const TBouquet *bouquet) const;
    int rowOfBouquet(const TBouquet *bouquet) const;

    // --- service grid commands (service_commands.cpp)
    void MarkSelectedServices();
    void MarkSelectedMyServices();
    void MarkSelectedKingOfSatServices();
    void SelectMarkedServices() override;
    void AddSelectedToMyServices(TServiceList &target, int action);
    void DeleteSelectedServices();
    void DeleteSelectedMyServices();
    void DeleteSelectedKingOfSatServices();
    // --- the KingOfSat grid's download and transfer (kingofsat_commands.cpp)
    void ToolBtnKofDownloadClick();
    void ToolBtnKofServiceAddClick();
    void AddKingOfSatToServices(bool takeKingOfSatNames);
    void EditSelectedService();
    void EditSelectedMyService();
    void NewService();
    void NewMyService();
    void NewBouquetService();
    void EditSelectedBouquetService();
    void ToggleMyServiceAction();
    void ToolBtnOptimizeClick();
    void ToolBtnSettingsClick() override;

    // --- outside tools (toolbar.cpp); the three hooks start programs, open
    // addresses and send receiver messages (tests put stand-ins here)
    void LaunchFileManager();
    void LaunchTelnet();
    void OpenWebInterface();
    void ToolBtnMsgClick();
    void ToolBtnImportExportClick();
    void PopupItmLogoManagerClick();
    void PopupItmBackupManagerClick();
    void PopupItmPrintManagerClick();
    std::function<bool(const QString &program, const QStringList &arguments, const QString &folder)>
        StartProgram;
    // Opens a URL in the browser; `failed` hears, now or later, that none opened it.
    std::function<void(const QString &url, TOpenFailed failed)> OpenUrl;
    // False when the message did not get through, with the reason in `reason`.
    std::function<bool(const QString &address, const QString &text, QString &reason)> SendMessage;
    void SortCurrentBouquet();

    // --- bouquet editing (bouquet_editing.cpp)
    void MarkSelectedBouquets();
    void SelectMarkedBouquets();
    // Links again and refreshes the services grids, whose Bouquet column follows
    // renamed, deleted and cleared bouquets.
    void refreshBouquetColumns();
    void MarkSelectedBouquetServices();
    void SelectMarkedBouquetServices();
    void AddSelectedToBouquet(TBouquet *bouquet, int insertIndex, bool fromGrid) override;
    void AddSelectedMyServicesToBouquet(TBouquet *bouquet, int insertIndex, bool fromGrid);
    void AskNewBouquet();
    void AskRenameBouquet(TBouquet *bouquet);
    void AskDeleteBouquet(TBouquet *bouquet);
    void SortBouquetList();
    void DeleteSelectedBouquets();
    void ClearSelectedBouquets();
    void MoveBouquetsUp();
    void MoveBouquetsDown();
    void MoveBouquetServicesUp();
    void MoveBouquetServicesDown();
    void ClearCurrentBouquet();
    void DeleteSelectedBouquetServices();

    // --- drag and drop (drag_drop.cpp): the grids' mouse handlers feed these
    // three steps; `over` is the grid under the pointer (null: none), `at` in
    // its viewport's coordinates.
    void DragPress(TListGrid *grid, const QPoint &at);
    bool DragMove(TListGrid *over, const QPoint &at);
    void DragRelease(TListGrid *over, const QPoint &at);

    // --- working files and history (history_menu.cpp)
    QStringList LoadFiles();
    void LinkLists() override;
    // False (after telling the user) when a file could not be written; the
    // changes then stay unsaved.
    // Writes the working files; false after telling the user.
    bool SaveFiles();
    bool SaveFiles(QString &errorText) override;
    void BuildHistoryMenu();
    void RestoreState(const QString &stamp);
    void ClearHistory();
    TWorkingFiles &WorkingFiles() const { return *m_workingFiles; }

    // --- components, by their design names
    QToolBar *ToolBar = nullptr;
    QToolButton *ToolBtnSaveState = nullptr;
    QMenu *PopupToolbarSaveState = nullptr;
    QAction *PopupItmToolSave = nullptr;
    QAction *PopupItmToolGoBack = nullptr;
    QMenu *PopupItemToolHistory = nullptr;
    QAction *PopupItmToolClearHistory = nullptr;
    QAction *PopupItmToolReset = nullptr;

    QSplitter *Splitter = nullptr;
    QTabWidget *PageControlServices = nullptr;
    QWidget *PnlBouquets = nullptr;
    QTabWidget *PageControlBouquets = nullptr;
    QComboBox *ComboBouquets = nullptr;

    TListGrid *ServicesGrid = nullptr;
    TListGrid *MyServicesGrid = nullptr;
    TListGrid *KingOfSatGrid = nullptr;
    TListGrid *BouquetGrid = nullptr;
    TListGrid *BouquetListGrid = nullptr;

    QToolBar *ToolBarServices = nullptr;
    QToolBar *ToolBarMyServices = nullptr;
    QToolBar *ToolBarKingOfSat = nullptr;
    QToolBar *ToolBarBouquet = nullptr;
    QToolBar *ToolBarBouquetList = nullptr;

    TPanelBar *InfoBarServices = nullptr;
    TPanelBar *InfoBarMyServices = nullptr;
    TPanelBar *InfoBarKingOfSat = nullptr;
    TPanelBar *InfoBarBouquet = nullptr;
    TPanelBar *InfoBarBouquetList = nullptr;
    TPanelBar *FilterBarServices = nullptr;
    TPanelBar *FilterBarMyServices = nullptr;
    TPanelBar *FilterBarKingOfSat = nullptr;
    TPanelBar *FilterBarBouquet = nullptr;
    QToolButton *BtnFilterServices = nullptr;
    QToolButton *BtnFilterMyServices = nullptr;
    QToolButton *BtnFilterKingOfSat = nullptr;
    QToolButton *BtnFilterBouquet = nullptr;
    QLineEdit *EdtFilterServices = nullptr;
    QLineEdit *EdtFilterMyservices = nullptr;
    QLineEdit *EdtFilterKingOfSat = nullptr;
    QLineEdit *EdtFilterBouquet = nullptr;

    TPanelBar *StatusBar = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QLabel *ImgLogoMappingActive = nullptr;
    QLabel *ImgLogoMappingInactive = nullptr;
    QLabel *ImgConnected = nullptr;
    QLabel *ImgDisconnected = nullptr;
    QTimer *PingTimer = nullptr;
    QTimer *BouquetTimerScroll = nullptr;
    QTimer *BouquetListTimerScroll = nullptr;

    TImageList *ImageListTypes = nullptr;
    TImageList *ImageListActions = nullptr;
    TImageList *ImageListLogos = nullptr;
    TImageList *ImageListDefaultLogos = nullptr;

    // An action of the window by its design name ("ActionSerColLogo"), or null.
    QAction *ActionByName(const QString &name) const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // main_window_build.cpp
    void buildControls();
    void buildToolBar();
    QWidget *buildServicesPage(const QString &prefix, TListGrid *&grid, QToolBar *&toolBar,
                               TPanelBar *&filterBar, QToolButton *&filterButton,
                               QLineEdit *&filterEdit, TPanelBar *&infoBar,
                               const QString &gridName, const QString &filterEditName);
    QWidget *buildBouquetPage();
    TPanelBar *makeFilterBar(const QString &prefix, const QString &editName,
                             QToolButton *&button, QLineEdit *&edit, QWidget *parent);
    QWidget *buildBouquetListPage();
    void buildStatusBar();
    void buildImageLists();
    void buildGridColumns();
    void buildViewActions();
    QAction *addAction(const QString &name, const QString &caption, bool checkable,
                       bool checked = true);
    void addGridContextMenu(TListGrid *grid, const QString &prefix);
    void connectFilters();
    void connectColumnActions();
    void setLogoColumnShown(TListGrid *grid, const QString &columnName, bool shown);

    // grid_choice.cpp
    // What the user chose in a grid, by the objects of its rows.
    struct TGridChoice {
        std::unordered_set<const void *> rows;
        const void *current = nullptr;
        const void *top = nullptr;
        int topRow = 0;
        int sortedColumn = -1;
        // The rows are a command's result (chosen at the next fill).
        bool result = false;
    };
    const void *rowObject(const TListGrid *grid, int row) const;
    bool rowMarked(const TListGrid *grid, int row) const;
    // The rows chosen now, or the result a command named for this fill.
    TGridChoice chosenRows(const TListGrid *grid);
    // A command whose result is these rows says so before it fills the grid:
    // the fill selects them instead of the rows chosen before.
    void chooseAtNextFill(const TListGrid *grid, std::unordered_set<const void *> objects);
    // After a refill: the same objects selected, the same one current, the
    // view where it was and the header's sort applied again.
    void chooseRows(TListGrid *grid, const TGridChoice &choice);
    // A command's result: exactly these rows selected, the first in view.
    void selectObjects(TListGrid *grid, const std::unordered_set<const void *> &objects);
    void selectMarkedRows(TListGrid *grid);
    std::unordered_set<const void *> rowsFollowingSelection(const TListGrid *grid) const;
    // The bouquet whose entries the bouquet grid shows (none after it was
    // freed). The rows chosen in a bouquet the user leaves are kept on the
    // bouquet and its entries, so they go with them and no later bouquet or
    // entry at a reused address comes up chosen.
    TBouquet *shownBouquet() const;
    static void keepBouquetChoice(TBouquet &bouquet, const TGridChoice &choice);
    static TGridChoice takeBouquetChoice(TBouquet *bouquet);
    static std::vector<int> selectedRows(const TListGrid *grid);
    void listReplacing(TListGrid *grid);
    // Each list tells the grids showing it before it frees their objects.
    void watchListReplacements(bool watch = true);
    // True when `count` rows of `grid` may go: more than one is asked for.
    bool confirmDelete(const TListGrid *grid, int count);

    // grid_filling.cpp
    // A services grid: where its values stand, which of the three it is, and
    // the rows it was last filled with (the rows' sources point into them).
    struct ServicesGridState {
        enum Kind { Services, MyServices, KingOfSat };
        TListGrid *grid = nullptr;
        TServiceColumns columns;
        Kind kind = Services;
        std::vector<TServiceRowRef> rows;
        std::vector<int> textColumns; // every column but the pictures
    };
    void initGridFilling();
    void fillServicesGrid(ServicesGridState &state, const TServiceList *list, TPanelBar *infoBar,
                          const QAction *bestFit,
                          const std::function<bool(const TService &)> &filteredOut, int mode);
    void writeServicesRow(const ServicesGridState &state, int row, const TServiceRowRef &ref);
    static QString servicesCellText(const ServicesGridState &state, int col,
                                    const TServiceRowRef &ref);
    // The same text as a string the row's objects hold, or `made` written
    // with it: best fit reads every row's texts without copying them.
    static const QString *servicesCellString(const ServicesGridState &state, int col,
                                             const TServiceRowRef &ref, QString &made);
    const QString *bouquetCellString(int col, const TBouquetService &entry) const;
    void writeServicesLogo(const ServicesGridState &state, int row, const TService &service);
    void writeBouquetRow(int row, TBouquetService *entry);
    void fillBouquetGrid(int mode, bool reordered);
    // An empty list shows only its zero total.
    void writeInfoBar(TPanelBar *bar, bool empty, int shown, int total, const QString &encoding,
                      int format);
    // Fills a grid again under its changed filter, keeping the selection made.
    void refilter(TListGrid *grid);
    void cellColoring(TListGrid *grid, int row, QColor &cellColor);
    bool filterChecked(const char *actionName) const;
    void bouquetComboChanged();

    // service_commands.cpp, bouquet_editing.cpp
    TService *serviceOfRow(const ServicesGridState &state, int row) const;
    TServiceRowRef firstSelectedRef(const ServicesGridState &state) const;
    TFrmServiceProperties *serviceProperties();
    // The edit dialog on a service of the my-services list (mine) or of the
    // services list; true when the model changed.
    bool editService(bool mine, const TServiceRowRef &ref);
    void editSelected(bool mine);
    void newService(bool mine);
    void markSelected(const ServicesGridState &state, TServiceList *list);
    // Deletes the selected rows' services once the user agrees; false when
    // nothing went.
    bool deleteSelectedServices(ServicesGridState &state, TServiceList &list);
    void selectAllRows(TListGrid *grid);
    TBouquetService *entryOfRow(int row) const;
    TBouquet *bouquetOfRow(int row) const;
    static int shownIndexOfEntry(const TBouquet &bouquet, const TBouquetService *entry);
    TServiceRowRef refOfRow(const ServicesGridState &state, int row) const;
    // An input box for a bouquet name that takes no blank one.
    bool askBouquetName(const QString &caption, const QString &prompt, QString &name);
    void addSelectedToBouquet(const ServicesGridState &state, TServiceList &list, TBouquet *bouquet,
                              int insertIndex, bool fromGrid);
    void showBouquet(int index);
    void moveBouquets(bool up);
    void moveBouquetServices(bool up);
    void removeObsolete(bool all);
    void bouquetListCellClicked(int col, int row);
    void mergeBouquets();
    int message(TPrompts::TMsgKind kind, const QString &text, int buttons);
    bool askSure();
    // Before what cannot be undone: the question names what goes, and
    // Cancel (or No) is its default. True on Yes.
    bool askBeforeDeleting(const QString &question, int buttons);
    // Before the chosen bouquets' entries go: how many, summed.
    bool askBeforeDeletingEntries();
    // A text whose "%1" is a count, written as the user's counts are.
    static QString countText(MsgId text, qsizetype count);

    // toolbar.cpp
    void buildToolsMenu(QToolButton *run, QToolButton *message);
    void openSettingsOnToolsPage();
    void buildManagerMenu(QToolButton *manager);
    struct TDropDownItem {
        const char *name;
        const char *caption;
        void (TFrmMain::*handler)();
    };
    void buildDropDown(QToolButton *button, const char *menuName,
                       std::initializer_list<TDropDownItem> items);
    bool startLogoThread(bool rebuild);
    // Calls ResumeLogoMapping as the caller returns, by whichever path: for
    // commands whose dialog stops the mapping only when it changes the lists.
    [[nodiscard]] auto resumeLogoMappingOnReturn()
    {
        return qScopeGuard([this] { ResumeLogoMapping(); });
    }

    // grid_commands.cpp
    void buildGridCommands();
    QString viewPrefixOf(const TListGrid *grid) const;
    TListGrid *gridOf(QObject *watched) const;

    // drag_drop.cpp
    struct Drag {
        TListGrid *source = nullptr;
        bool header = false;
        bool dragging = false;
        bool accepted = false;
        bool scrollDown = false;
    };
    void initDragDrop();
    TFrmDragDrop *dragHint() const;
    bool gridMouseEvent(TListGrid *grid, QMouseEvent *event);
    TListGrid *gridAt(const QPoint &global) const;
    void autoScrollTick(TListGrid *grid, QTimer *timer);
    void gridDoubleClicked(TListGrid *grid);
    void goToService(const TBouquetService *entry);

    // history_menu.cpp
    // A history item's click: restores its state once the user is sure.
    void historyItemClick(const QString &stamp);
    // Asks before a restore of the state (empty: one made on the way).
    bool askRestore(const QString &stamp);
    // Runs a restore with the logo mapping stopped, then shows its lists.
    void replaceLists(const std::function<TRestoredState()> &restore);
    void updateGoBack();
    // At start: a save cut short is told, and its last whole set offered.
    void reportInterruptedSave();
    void DropLogoResults();
    void saveToCache();
    void goBack();
    void askClearHistory();
    void askReset();
    void showSaveStateMenu();
    void reportLoadFailures(const QStringList &failures);

    void setSplashText(const QString &text);
    void pingTimerTimer();
    // Ends a running ping and waits for its thread.
    void stopPing();

    TProgram &m_program;
    std::unique_ptr<TWorkingFiles> m_workingFiles;
    std::unique_ptr<TStatusCallback> m_statusCallback;
    QHash<QString, QAction *> m_actions;
    ServicesGridState m_ser, m_mySer, m_kof;
    std::unordered_map<const TListGrid *, std::unordered_set<const void *>> m_resultRows;
    int m_bouIdx = -1, m_bouLogo = -1, m_bouTypeIcon = -1, m_bouName = -1, m_bouFrequency = -1,
        m_bouActionIcon = -1;
    QPointer<QThread> m_logoThread;
    QPointer<QThread> m_pingThread;
    bool m_logoRebuild = false;
    // A run StopLogoMapping cut short and none started since; whether a
    // rebuild was among them.
    bool m_logoCutShort = false;
    bool m_logoRebuildOwed = false;
    bool m_initialized = false;
    bool m_closing = false;
    // The bouquet the combo shows; compared, never read (it may be gone).
    const TBouquet *m_comboBouquet = nullptr;
    // "Error!" tells the outcome of the last command; the user's next press
    // in the window starts another one, and the status goes.
    QPointer<QObject> m_errorStatusWatch;
    Drag m_drag;
};
