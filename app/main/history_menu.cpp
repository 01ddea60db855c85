// The working files in the window: loading and saving them, the save-state
// menu with its history of saved states, going back, clearing and resetting.

#include "app/main/main_window.h"
#include "ui/program/program.h"
#include "app/main/working_files.h"

#include "core/model/bouquet_list.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "ui/grid/list_grid.h"

#include <QDir>
#include <QMenu>
#include <QToolButton>

QStringList TFrmMain::LoadFiles()
{
    return m_workingFiles->LoadFiles();
}

void TFrmMain::LinkLists()
{
    m_workingFiles->LinkLists();
    // The links give rows values of their own: bouquet names, action icons,
    // obsolete marks, a bouquet entry's name and transponder. Services rows
    // written before are written again when next shown (their services may
    // be gone by now, so they are not read here); the my-services and
    // bouquet grids, whose filters look at the links, are filled again.
    for (int row = 0; row < ServicesGrid->RowCount(); ++row) {
        if (const void *source = ServicesGrid->RowSource(row); source && ServicesGrid->RowFilled(row))
            ServicesGrid->ResetRow(row, source);
    }
    FillMyServicesGrid(0);
    FillBouquetGrid(0);
}

bool TFrmMain::SaveFiles()
{
    QString errorText;
    if (SaveFiles(errorText))
        return true;
    ShowError(errorText);
    return false;
}

bool TFrmMain::SaveFiles(QString &errorText)
{
    QString error;
    const bool saved = m_workingFiles->SaveFiles(error);
    BuildHistoryMenu();
    errorText = saved ? QString() : msg(MsgWorkingFilesNotSaved) + QStringLiteral("\r\n\r\n") + error;
    return saved;
}

void TFrmMain::reportLoadFailures(const QStringList &failures)
{
    if (!failures.isEmpty())
        ShowError(msg(MsgWorkingFilesNotLoaded) + QStringLiteral("\r\n\r\n")
                  + failures.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n")
                  + msg(MsgUnreadFilesKept));
}

void TFrmMain::BuildHistoryMenu()
{
    // The item being clicked may be the one that rebuilds the menu: old
    // items go once its click is over.
    for (QAction *item : PopupItemToolHistory->actions()) {
        PopupItemToolHistory->removeAction(item);
        item->deleteLater();
    }
    const QList<TWorkingFiles::TState> states =
        m_workingFiles ? m_workingFiles->HistoryStates() : QList<TWorkingFiles::TState>();
    for (const TWorkingFiles::TState &state : states) {
        const QString caption = msg(MsgSaveStateCaption) + state.stamp;
        QAction *item = PopupItemToolHistory->addAction(
            state.missing.isEmpty() ? caption : FormatMsg1(msg(MsgStateIncompleteCaption), caption));
        const QString stamp = state.stamp;
        connect(item, &QAction::triggered, this, [this, stamp] { historyItemClick(stamp); });
    }
    const bool any = !states.isEmpty();
    updateGoBack();
    PopupItmToolClearHistory->setEnabled(any);
    if (!any)
        PopupItemToolHistory->addAction(msg(MsgHistoryEmpty))->setEnabled(false);
}

void TFrmMain::updateGoBack()
{
    // Going back past the oldest state is no step at all; with unsaved
    // changes there are the lists saved last to go back to.
    PopupItmToolGoBack->setEnabled(m_workingFiles && m_workingFiles->CanGoBack());
}

bool TFrmMain::askRestore(const QString &stamp)
{
    // A restore replaces the lists; what it keeps, the question says.
    const QString kept = msg(SaveHandler().Saved() ? MsgCurrentListsKept : MsgCurrentListsKeptUnsaved);
    const QStringList missing = stamp.isEmpty() ? QStringList() : m_workingFiles->MissingFiles(stamp);
    const QString question = missing.isEmpty()
        ? msg(MsgAreYouSure) + u' ' + kept
        : FormatMsg1(msg(MsgStateIncomplete), stamp) + QStringLiteral("\r\n\r\n") + msg(MsgBackupMissingFiles)
            + QStringLiteral("\r\n") + missing.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n")
            + msg(MsgRestoreAnyway) + u' ' + kept;
    return message(TPrompts::TMsgKind::Confirmation, question, TPrompts::mbYes | TPrompts::mbCancel)
        == TPrompts::mbYes;
}

void TFrmMain::historyItemClick(const QString &stamp)
{
    if (askRestore(stamp))
        RestoreState(stamp);
}

void TFrmMain::RestoreState(const QString &stamp)
{
    // A stamp of no state restores nothing; a history that cannot be read
    // is told.
    replaceLists([this, stamp] { return m_workingFiles->RestoreState(stamp); });
}

void TFrmMain::replaceLists(const std::function<TRestoredState()> &restore)
{
    // The lists are about to be freed; the logo thread reads them. Each list
    // tells the grids showing it before its objects go.
    StopLogoMapping();
    const TRestoredState restored = restore();
    BuildHistoryMenu();
    if (restored.stamp.isEmpty()) {
        // Nothing was replaced: the lists and grids are as they were.
        ResumeLogoMapping();
        if (!restored.failures.isEmpty())
            ShowError(restored.failures.join(QStringLiteral("\r\n")));
        return;
    }
    FillBouquetListGrid(0);
    m_program.ComboBouquetsUpdating = true;
    FillBouquetCombo(0);
    m_program.ComboBouquetsUpdating = false;
    FillBouquetGrid(0);
    FillServicesGrid(0);
    FillMyServicesGrid(0);
    FillKingOfSatGrid(0);
    // The restored services have no logos yet, as after loading at the start.
    StartLogoMapping();
    reportLoadFailures(restored.failures);
    if (!restored.notWhole.isEmpty())
        ShowError(restored.notWhole);
    else if (m_program.Prompts)
        m_program.Prompts->messageBox(TPrompts::TMsgKind::Information,
                                      FormatMsg1(msg(MsgSaveStateRestored), restored.stamp), TPrompts::mbOK);
}

void TFrmMain::ClearHistory()
{
    m_workingFiles->ClearHistory();
    BuildHistoryMenu();
}

void TFrmMain::saveToCache()
{
    if (SaveFiles())
        ShowStatus(msg(MsgSavingDone));
}

void TFrmMain::goBack()
{
    // With unsaved changes the lists saved last are the way back, and the
    // state holding them is made on the way: whole.
    // A history that cannot be read offers no way back: Go Back says why.
    const bool canGoBack = m_workingFiles->CanGoBack();
    if (canGoBack ? askRestore(m_workingFiles->GoBackStamp()) : !m_workingFiles->HistoryReadError().isEmpty())
        replaceLists([this] { return m_workingFiles->GoBack(); });
}

void TFrmMain::reportInterruptedSave()
{
    const std::optional<TWorkingFiles::TInterruptedSave> interrupted = m_workingFiles->InterruptedSave();
    if (!interrupted)
        return;
    const QString text = FormatMsg1(msg(MsgSaveCutShort), interrupted->files.join(QStringLiteral(", ")))
        + QStringLiteral("\r\n\r\n");
    if (interrupted->stamp.isEmpty()) {
        // Dropped first, so that the message can say where a folder that
        // stood in the note's way went.
        const QString movedTo = m_workingFiles->ForgetInterruptedSave();
        QString said = text + msg(MsgNoCompleteState);
        if (!movedTo.isEmpty())
            said += QStringLiteral("\r\n\r\n")
                + FormatMsg1(msg(MsgNoteFolderMoved), QDir::toNativeSeparators(movedTo));
        message(TPrompts::TMsgKind::Warning, said, TPrompts::mbOK);
        return;
    }
    // The user decides: the restore keeps these files as a state too.
    const QString question = FormatMsg1(msg(MsgRestoreLastComplete), msg(MsgSaveStateCaption) + interrupted->stamp)
        + u' ' + msg(SaveHandler().Saved() ? MsgCurrentListsKept : MsgCurrentListsKeptUnsaved);
    if (message(TPrompts::TMsgKind::Warning, text + question, TPrompts::mbYes | TPrompts::mbNo) == TPrompts::mbYes)
        RestoreState(interrupted->stamp);
    else
        m_workingFiles->ForgetInterruptedSave();
}

void TFrmMain::askClearHistory()
{
    if (askBeforeDeleting(msg(MsgAreYouSure) + u' '
                              + countText(MsgStatesGo, m_workingFiles->HistoryStamps().size()),
                          TPrompts::mbYes | TPrompts::mbCancel))
        ClearHistory();
}

void TFrmMain::askReset()
{
    const QString question = msg(MsgAreYouSure) + u' ' + msg(MsgResetWhatGoes) + u' '
        + msg(SaveHandler().Saved() ? MsgCurrentListsKept : MsgCurrentListsKeptUnsaved);
    if (!askBeforeDeleting(question, TPrompts::mbYes | TPrompts::mbCancel))
        return;
    StopLogoMapping();
    QStringList failures;
    const bool reset = m_workingFiles->Reset(failures);
    BuildHistoryMenu();
    if (!reset) {
        // Nothing was replaced: the lists and grids are as they were.
        ResumeLogoMapping();
        ShowError(failures.join(QStringLiteral("\r\n")));
        return;
    }
    FillBouquetListGrid(0);
    FillMyServicesGrid(0);
    FillServicesGrid(0);
    FillKingOfSatGrid(0);
    m_program.ComboBouquetsUpdating = true;
    FillBouquetCombo(0);
    m_program.ComboBouquetsUpdating = false;
    FillBouquetGrid(0);
    if (failures.isEmpty()) {
        ResumeLogoMapping();
    } else {
        // Lists read back from files that stayed have no logos yet.
        StartLogoMapping();
        ShowError(failures.join(QStringLiteral("\r\n")));
    }
}

void TFrmMain::showSaveStateMenu()
{
    PopupToolbarSaveState->popup(ToolBtnSaveState->mapToGlobal(
        QPoint(0, ToolBtnSaveState->height() + 2)));
}
