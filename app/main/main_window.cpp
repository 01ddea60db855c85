#include "app/main/main_window.h"

#include "app/dialogs/please_wait.h"
#include "app/dialogs/settings_dialog.h"
#include "ui/program/program.h"
#include "app/main/settings_store.h"
#include "app/main/status_panels.h"
#include "app/main/working_files.h"

#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/util/exception.h"
#include "core/util/messages.h"
#include "core/util/small_file_text.h"
#include "core/util/sys_utils.h"
#include "core/zapit/xml_file_handler.h"
#include "exchange/receiver_link.h"
#include "exchange/update_check.h"
#include "ui/grid/image_list.h"
#include "ui/grid/list_grid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <functional>
#include <optional>
#include <utility>

namespace {

// Calls back once, at the user's next mouse or key press in a window, before
// the press reaches its widget, then goes.
class TNextPressWatch : public QObject
{
public:
    TNextPressWatch(QWidget *window, std::function<void()> pressed)
        : QObject(window), m_window(window), m_pressed(std::move(pressed))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::KeyPress)
            return false;
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || widget->window() != m_window || !m_pressed)
            return false;
        std::exchange(m_pressed, nullptr)();
        deleteLater();
        return false;
    }

private:
    QWidget *m_window;
    std::function<void()> m_pressed;
};

constexpr int kWaitSliceMs = 20;

// Lets queued events (repaints, timers, the logo thread's hand-offs) run
// while holding back the user's input, so no command starts meanwhile.
void runPendingEvents()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Waits for a thread to end, serving the events it hands to this thread.
void waitWithEvents(QThread *thread)
{
    while (thread && !thread->isFinished()) {
        runPendingEvents();
        thread->wait(kWaitSliceMs);
    }
    runPendingEvents();
}

} // namespace

TFrmMain::TFrmMain(TProgram &program, QWidget *parent)
    : QMainWindow(parent), m_program(program)
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("Pelloran " PELLORAN_VERSION));
    buildControls();
    resize(1000, 670);
    connect(&SaveHandler(), &TSaveHandler::savedChanged, this, [this](bool saved) {
        PopupItmToolSave->setEnabled(!saved);
        updateGoBack();
        // Whatever changed the lists since, they are no longer what was saved.
        if (!saved && StatusBar->PanelText(0) == msg(MsgSavingDone))
            StatusBar->SetPanelText(0, QString());
    });
    PopupItmToolSave->setEnabled(!SaveHandler().Saved());
}

TFrmMain::~TFrmMain()
{
    if (PingTimer)
        PingTimer->stop();
    stopPing();
    // A logo thread must not outlive the lists and grids it works on.
    if (m_logoThread) {
        m_program.LogoMappingRunning = false;
        m_logoThread->wait();
    }
    watchListReplacements(false);
    setProgressDisplay(nullptr);
    if (StatusCallback() == m_statusCallback.get())
        setStatusCallback(nullptr);
}

void TFrmMain::setSplashText(const QString &text)
{
    if (QWidget *splash = m_program.Form(QStringLiteral("FrmSplash"))) {
        if (auto *label = splash->findChild<QLabel *>(QStringLiteral("LblSplash")))
            label->setText(text);
        splash->repaint();
    }
    runPendingEvents();
}

void TFrmMain::InitializeMain()
{
    m_program.ComboBouquetsUpdating = false;
    m_program.LogoMappingRunning = false;
    m_statusCallback = std::make_unique<TStatusCallback>();
    setStatusCallback(m_statusCallback.get());
    setProgressDisplay(this);

    m_program.CreateLists();
    TFrmXMLHandler::Environment environment;
    environment.status = this;
    environment.prompts = m_program.Prompts;
    environment.newsFolder = m_program.ProgramFolder;
    environment.lastImportDir = &m_program.LastImportDir;
    environment.creatorCaption = [this] { return windowTitle(); };
    environment.receiver = [this] { return receiverAccessOf(m_program); };
    m_program.FrmXMLHandler = std::make_unique<TFrmXMLHandler>(environment);
    m_workingFiles = std::make_unique<TWorkingFiles>(
        m_program.ProgramFolder, *m_program.FrmXMLHandler,
        TModelLists{*m_program.KingOfSatList, *m_program.ServiceList, *m_program.MyServiceList,
                    *m_program.BouquetList});
    m_workingFiles->RemoveSaveLeftovers();
    watchListReplacements();
    BuildHistoryMenu();

    try {
        loadConfig(m_program, QString(), true, true);
    } catch (const Exception &e) {
        ShowError(e.message());
    }

    setSplashText(msg(MsgLoadingSession));
    const QStringList failures = LoadFiles();

    // Loading marked the lists modified.
    SaveHandler().SetSaved();
    ApplyColumnVisibility();
    FillKingOfSatGrid(0);
    FillBouquetListGrid(0);
    FillBouquetCombo(0);
    FillServicesGrid(0);
    FillMyServicesGrid(0);
    FillBouquetGrid(0);
    m_initialized = true;

    // Without a settings window there is no way to have asked, so no network.
    if (!m_program.SettingChecked("CbxNoOrvikCheck", true)
        && !m_program.ReadyMadeListUrl.isEmpty()) {
        setSplashText(msg(MsgLookingForUpdates));
        m_program.OnlineSettingsListVersion.clear();
        if (!m_program.Prompts
            || !getSettingsListVersion(m_program.ReadyMadeListUrl + QLatin1String(kUpdateFilePath),
                                       m_program.OnlineSettingsListVersion, *m_program.Prompts))
            m_program.OnlineSettingsListVersion = msg(MsgDisabled);
    } else {
        m_program.OnlineSettingsListVersion = msg(MsgDisabled);
    }

    setSplashText(msg(MsgStarting));
    StartLogoMapping();

    // The timer always runs: each tick looks whether background ping is on,
    // so switching it on later starts pinging.
    pingTimerTimer();
    PingTimer->start();
    reportLoadFailures(failures);
    reportInterruptedSave();
}

bool TFrmMain::CloseMain()
{
    if (m_closing)
        return true;
    if (!SaveHandler().Saved()) {
        const int answer = m_program.Prompts
            ? m_program.Prompts->messageBox(TPrompts::TMsgKind::Confirmation, msg(MsgSaveChanges),
                                            TPrompts::mbYes | TPrompts::mbNo | TPrompts::mbCancel)
            : TPrompts::mbCancel;
        if (answer == TPrompts::mbCancel)
            return false;
        // A save that failed has told the user; closing now would lose the changes.
        if (answer == TPrompts::mbYes && !SaveFiles())
            return false;
    }
    WaitForLogoMapping();
    PingTimer->stop();
    stopPing();

    // The settings go first, while every window still holds what they save;
    // a failure is reported and the program still ends.
    setWindowState(Qt::WindowNoState);
    try {
        saveConfig(m_program, QString(), true);
    } catch (const Exception &e) {
        ShowError(msg(MsgSettingsNotSaved) + QStringLiteral("\r\n\r\n") + e.message());
    }

    // The grids point at model objects: they let go before the lists are freed.
    for (TListGrid *grid : {ServicesGrid, MyServicesGrid, KingOfSatGrid, BouquetGrid, BouquetListGrid})
        listReplacing(grid);
    watchListReplacements(false);
    DropLogoResults();
    m_workingFiles.reset();
    m_program.FreeLists();
    setStatusCallback(nullptr);
    m_statusCallback.reset();
    m_closing = true;
    return true;
}

void TFrmMain::closeEvent(QCloseEvent *event)
{
    if (CloseMain())
        event->accept();
    else
        event->ignore();
}

void TFrmMain::ShowStatus(const QString &text)
{
    StatusBar->SetPanelText(0, text);
    StatusBar->repaint();
    runPendingEvents();
}

void TFrmMain::ShowError(const QString &text)
{
    ShowStatus(msg(MsgErrorStatus));
    if (!m_errorStatusWatch) {
        // The command that press starts may fail again and needs a watch
        // of its own.
        m_errorStatusWatch = new TNextPressWatch(this, [this] {
            m_errorStatusWatch = nullptr;
            if (StatusBar->PanelText(0) == msg(MsgErrorStatus))
                StatusBar->SetPanelText(0, QString());
        });
    }
    if (m_program.Prompts)
        m_program.Prompts->messageBox(TPrompts::TMsgKind::Error, text, TPrompts::mbOK);
}

void TFrmMain::ShowWait(const QString &text)
{
    if (auto *wait = m_program.FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait")))
        wait->ShowWaitMsg(text);
}

void TFrmMain::HideWait()
{
    if (auto *wait = m_program.FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait")))
        wait->HideWait();
}

void TFrmMain::setProgressPosition(int position)
{
    ProgressBar->setValue(qBound(0, position, 100));
}

int TFrmMain::progressPosition() const
{
    return ProgressBar->value();
}

void TFrmMain::letEventsRun()
{
    runPendingEvents();
}

bool TFrmMain::StartLogoMapping()
{
    if (!LogoThreadStarter)
        return false;
    const QString mappingFile = QDir(m_program.ProgramFolder).filePath(QStringLiteral("LogoMapping.dat"));
    // The mapping is then made anew, and kept only for this run.
    if (const QString problem = smallFileProblem(mappingFile); !problem.isEmpty())
        message(TPrompts::TMsgKind::Warning, problem, TPrompts::mbOK);
    return startLogoThread(!QFileInfo::exists(mappingFile));
}

bool TFrmMain::startLogoThread(bool rebuild)
{
    if (!LogoThreadStarter)
        return false;
    // One mapping at a time: two would fill the same picture list, and a
    // flag cleared for the old one would be set again for the new one.
    StopLogoMapping();
    // A rebuild cut short still owes the mapping file.
    rebuild = rebuild || m_logoRebuildOwed;
    m_logoCutShort = m_logoRebuildOwed = false;
    // Set before the thread exists, so that a stop or a shut-down in between
    // knows a mapping is on its way and waits for it.
    m_program.LogoMappingStopped = false;
    m_program.LogoMappingRunning = true;
    m_logoRebuild = rebuild;
    m_logoThread = LogoThreadStarter(rebuild);
    if (!m_logoThread) {
        m_program.LogoMappingRunning = false;
        return false;
    }
    return true;
}

void TFrmMain::DropLogoResults()
{
    // A mapping that has ended may still have results on their way to the
    // UI thread; they name services, and must not arrive once those go.
    if (m_logoThread)
        QCoreApplication::removePostedEvents(m_logoThread);
}

bool TFrmMain::WaitForLogoMapping()
{
    const bool threadAlive = m_logoThread && !m_logoThread->isFinished();
    if (!m_program.LogoMappingRunning && !threadAlive)
        return false;
    if (m_logoRebuild) {
        ShowWait(msg(MsgFinishingLogoMapping));
        waitWithEvents(m_logoThread);
        m_program.LogoMappingRunning = false;
        HideWait();
    } else {
        StopLogoMapping();
    }
    return true;
}

bool TFrmMain::StopLogoMapping()
{
    const bool threadAlive = m_logoThread && !m_logoThread->isFinished();
    if (!m_program.LogoMappingRunning && !threadAlive)
        return false;
    m_program.LogoMappingRunning = false;
    // The thread acknowledges by setting Stopped; the lists it reads may only
    // go once it has really ended.
    while (threadAlive && !m_program.LogoMappingStopped && !m_logoThread->isFinished()) {
        runPendingEvents();
        m_logoThread->wait(kWaitSliceMs);
    }
    waitWithEvents(m_logoThread);
    // Left early on request rather than at its end: the run's work is owed.
    if (m_program.LogoMappingStopped) {
        m_logoCutShort = true;
        m_logoRebuildOwed = m_logoRebuildOwed || m_logoRebuild;
    }
    return true;
}

bool TFrmMain::ResumeLogoMapping()
{
    return m_logoCutShort && StartLogoMapping();
}

void TFrmMain::LogoCellCallback(TService *service, TListGrid *grid, bool isBouquetGrid)
{
    if (isBouquetGrid)
        UpdateBouquetLogoCells(service, grid);
    else
        UpdateServiceLogoCells(service, grid);
}

void TFrmMain::UpdateServiceLogoCells(TService *service, TListGrid *grid)
{
    const bool services = grid == ServicesGrid;
    const int typeIcon = ColumnByName(grid, services ? QStringLiteral("ColSerSTypeIcon")
                                                     : QStringLiteral("ColMySerSTypeIcon"));
    const int logo = ColumnByName(grid, services ? QStringLiteral("ColSerLogo")
                                                 : QStringLiteral("ColMySerLogo"));
    if (typeIcon < 0 || logo < 0)
        return;
    for (int row = 0; row < grid->RowCount(); ++row) {
        // A row not written yet shows the service's logo once it is.
        const auto *ref = static_cast<const TServiceRowRef *>(grid->RowSource(row));
        const bool filled = grid->RowFilled(row);
        const void *shown = ref && !filled ? ref->service
                                           : grid->Cell(typeIcon, row)->ObjectReference();
        if (shown != service)
            continue;
        if (filled) {
            const bool hide = !services && service->Obsolete;
            grid->Cell(logo, row)->SetAsInteger(hide ? 0 : service->LogoIndex);
        }
        return;
    }
}

void TFrmMain::UpdateBouquetLogoCells(TService *service, TListGrid *grid)
{
    const int typeIcon = ColumnByName(grid, QStringLiteral("ColBouSTypeIcon"));
    const int logo = ColumnByName(grid, QStringLiteral("ColBouLogo"));
    if (typeIcon < 0 || logo < 0)
        return;
    for (int row = 0; row < grid->RowCount(); ++row) {
        const bool filled = grid->RowFilled(row);
        const auto *entry = static_cast<const TBouquetService *>(
            filled ? grid->Cell(typeIcon, row)->ObjectReference() : grid->RowSource(row));
        if (!entry)
            continue;
        if (!entry->Service()) {
            if (filled)
                grid->Cell(logo, row)->SetAsInteger(0);
            continue;
        }
        if (entry->Service() == service) {
            if (filled)
                grid->Cell(logo, row)->SetAsInteger(service->Obsolete ? 0 : service->LogoIndex);
            return;
        }
    }
}

void TFrmMain::pingTimerTimer()
{
    if (m_program.SettingChecked("CbxNoBackgroundPing", true)) {
        StatusBar->SetPanelText(3, QString());
        ImgConnected->hide();
        ImgDisconnected->hide();
        return;
    }
    // A ping that takes longer than a tick is still the one that counts;
    // another one meanwhile would only pile up processes.
    if (m_pingThread && !m_pingThread->isFinished())
        return;
    QWidget *settings = m_program.Form(QStringLiteral("FrmSettings"));
    const auto *ip = settings ? settings->findChild<QLineEdit *>(QStringLiteral("EdtIp")) : nullptr;
    if (!ip || m_program.PingProgram.isEmpty())
        return;
    auto *thread = new TPingThread(ip->text(), m_program.PingProgram, this);
    connect(thread, &TPingThread::pinged, this, [this](TPingResult result) {
        // Switched off while this ping ran: the display stays empty.
        if (m_program.SettingChecked("CbxNoBackgroundPing", true))
            return;
        const bool online = result == TPingResult::Online;
        ImgConnected->setVisible(online);
        ImgDisconnected->setVisible(!online);
        StatusBar->SetPanelText(3, pingStatusText(result));
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_pingThread = thread;
    thread->start();
}

void TFrmMain::stopPing()
{
    if (!m_pingThread)
        return;
    m_pingThread->requestInterruption();
    m_pingThread->wait();
}

void TFrmMain::ToolBtnSettingsClick()
{
    auto *settings = m_program.FormAs<TFrmSettings>(QStringLiteral("FrmSettings"));
    if (!settings)
        return;
    settings->SetPrompts(m_program.Prompts);
    // Saved first, so that Cancel can put every control back by reloading.
    // A file that cannot be written must not keep the user from the dialog
    // (the receiver's address may be what needs changing): it is said once,
    // and Cancel goes back to a copy kept elsewhere.
    bool saveFailed = false;
    std::optional<QTemporaryDir> undoFolder;
    QString undoFile;
    try {
        saveConfig(m_program, QString(), true);
    } catch (const Exception &e) {
        saveFailed = true;
        ShowError(e.message());
        undoFolder.emplace();
        try {
            if (undoFolder->isValid()) {
                saveConfig(m_program, undoFolder->filePath(QStringLiteral("settings.ini")), false);
                undoFile = undoFolder->filePath(QStringLiteral("settings.ini"));
            }
        } catch (const Exception &) {
            // Cancel then reloads the file as it stands.
        }
    }
    const bool accepted = settings->exec() == QDialog::Accepted;
    try {
        if (accepted)
            saveConfig(m_program, QString(), true);
        else
            loadConfig(m_program, undoFile, undoFile.isEmpty(), false);
    } catch (const Exception &e) {
        if (!accepted || !saveFailed)
            ShowError(e.message());
    }
    // After Cancel's reload, so the ping follows the settings that stand.
    pingTimerTimer();
}
