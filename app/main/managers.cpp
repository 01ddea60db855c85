// The main tool bar's windows of their own: the import/export dialog and the
// logo, backup and print managers of the Manage popup.

#include "app/dialogs/list_generator.h"
#include "app/main/main_window.h"
#include "app/main/settings_store.h"
#include "ui/program/program.h"

#include "core/util/exception.h"
#include "core/util/messages.h"
#include "exchange/backup_manager_dialog.h"
#include "exchange/import_export_dialog.h"
#include "logos/logo_manager_dialog.h"

#include <QAbstractButton>
#include <QToolButton>

void TFrmMain::buildManagerMenu(QToolButton *manager)
{
    buildDropDown(manager, "PopupToolbarManager",
                  {{"PopupItmLogoManager", "   Logo Manager", &TFrmMain::PopupItmLogoManagerClick},
                   {"PopupItmBackupManager", "   Backup Manager", &TFrmMain::PopupItmBackupManagerClick},
                   {"PopupItmPrintManager", "   Print Manager", &TFrmMain::PopupItmPrintManagerClick}});
}

void TFrmMain::ToolBtnImportExportClick()
{
    auto *dialog = m_program.FormAs<TFrmImportExport>(QStringLiteral("FrmImportExport"));
    if (!dialog)
        return;
    dialog->SetProgram(&m_program);
    QString errorText;
    if (dialog->Execute(errorText))
        return;
    if (!errorText.isEmpty())
        ShowError(msg(MsgOperationFailed) + QStringLiteral("\r\n\r\n") + errorText);
    else
        message(TPrompts::TMsgKind::Information, msg(MsgActionAborted), TPrompts::mbOK);
}

void TFrmMain::PopupItmLogoManagerClick()
{
    auto *dialog = m_program.FormAs<TFrmLogoManager>(QStringLiteral("FrmLogoManager"));
    if (!dialog)
        return;
    dialog->SetProgram(&m_program);
    // Cancel is the window's own business: it takes back its changes.
    if (dialog->exec() != QDialog::Accepted)
        return;
    // The chosen logo settings apply even when the file cannot keep them.
    try {
        saveConfig(m_program, QString(), true);
    } catch (const Exception &e) {
        ShowError(e.message());
    }
    StopLogoMapping();
    auto *refresh = dialog->findChild<QAbstractButton *>(QStringLiteral("CbxRefreshMapping"));
    startLogoThread(refresh && refresh->isChecked());
    if (refresh)
        refresh->setChecked(false);
}

void TFrmMain::PopupItmBackupManagerClick()
{
    if (auto *dialog = m_program.FormAs<TFrmBackupManager>(QStringLiteral("FrmBackupManager"))) {
        dialog->SetProgram(&m_program);
        dialog->exec();
    }
}

void TFrmMain::PopupItmPrintManagerClick()
{
    if (auto *dialog = m_program.FormAs<TFrmListGenerator>(QStringLiteral("FrmListGenerator"))) {
        dialog->SetProgram(&m_program);
        dialog->exec();
    }
}
