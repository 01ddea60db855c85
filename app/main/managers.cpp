// The main tool bar's windows of their own: the import/export dialog and the
// logo, backup and print managers of the Manage popup.

#include "app/dialogs/list_generator.h"
#include "app/main/main_window.h"
#include "app/main/settings_store.h"
#include "ui/program/program.h"

#include "core/util/messages.h"
#include "exchange/backup_manager_dialog.h"
#include "exchange/import_export_dialog.h"
#include "logos/logo_manager_dialog.h"

#include <QAbstractButton>
#include <QMenu>
#include <QToolButton>

void TFrmMain::buildManagerMenu(QToolButton *manager)
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PopupToolbarManager"));
    const auto item = [&](const char *name, const char *caption, void (TFrmMain::*handler)()) {
        QAction *action = menu->addAction(QLatin1String(caption));
        action->setObjectName(QLatin1String(name));
        m_actions.insert(action->objectName(), action);
        connect(action, &QAction::triggered, this, handler);
    };
    item("PopupItmLogoManager", "   Logo Manager", &TFrmMain::PopupItmLogoManagerClick);
    item("PopupItmBackupManager", "   Backup Manager", &TFrmMain::PopupItmBackupManagerClick);
    item("PopupItmPrintManager", "   Print Manager", &TFrmMain::PopupItmPrintManagerClick);
    connect(manager, &QToolButton::clicked, this, [manager, menu] {
        menu->popup(manager->mapToGlobal(QPoint(0, manager->height() + 2)));
    });
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
    if (dialog->exec() != QDialog::Accepted) {
        loadConfig(m_program, QString(), true, false);
        return;
    }
    saveConfig(m_program, QString(), true);
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
