#include "app/main/windows.h"

#include "app/dialogs/about_box.h"
#include "app/dialogs/drag_hint.h"
#include "app/dialogs/list_generator.h"
#include "app/dialogs/optimize_dialog.h"
#include "app/dialogs/please_wait.h"
#include "app/dialogs/service_properties.h"
#include "app/dialogs/service_selection_list.h"
#include "app/dialogs/settings_dialog.h"
#include "app/dialogs/sort_selection.h"
#include "app/dialogs/toggle_actions.h"
#include "app/main/main_window.h"
#include "app/main/window_placement.h"
#include "ui/program/program.h"
#include "exchange/backup_manager_dialog.h"
#include "exchange/diseqc_mapping_dialog.h"
#include "exchange/import_export_dialog.h"
#include "exchange/import_news_dialog.h"
#include "exchange/kingofsat_dialog.h"
#include "exchange/kingofsat_mapping_dialog.h"
#include "exchange/kingofsat_transfer_dialog.h"
#include "exchange/web_message_dialog.h"
#include "logos/logo_manager_dialog.h"

#include <memory>

void createWindows(TProgram &program)
{
    auto main = std::make_unique<TFrmMain>(program);
    TFrmMain *frmMain = main.get();
    program.FrmMain = frmMain;
    program.MainWindow = frmMain;
    program.AddForm(QStringLiteral("FrmMain"), std::move(main));

    // Dialogs belong to the main window, so they open over it and centred on
    // it; the program still frees them, before the main window.
    centreDialogsOn(frmMain);
    const auto dialog = [&](const char *name, auto made) {
        program.AddForm(QLatin1String(name), std::move(made));
    };
    dialog("FrmImportExport", std::make_unique<TFrmImportExport>(frmMain));
    dialog("FrmSettings", std::make_unique<TFrmSettings>(frmMain));
    dialog("FrmDragDrop", std::make_unique<TFrmDragDrop>());
    dialog("FrmBackupManager", std::make_unique<TFrmBackupManager>(frmMain));
    dialog("FrmServiceProperties", std::make_unique<TFrmServiceProperties>(frmMain));
    auto about = std::make_unique<TFrmAbout>(frmMain);
    about->SetMainWindow(frmMain);
    dialog("FrmAbout", std::move(about));
    dialog("FrmImportNews", std::make_unique<TFrmImportNews>(frmMain));
    dialog("FrmWebBrowser", std::make_unique<TFrmWebBrowser>(frmMain));
    dialog("FrmServiceSelectionList", std::make_unique<TFrmServiceSelectionList>(frmMain));
    dialog("FrmOptimize", std::make_unique<TFrmOptimize>(frmMain));
    dialog("FrmToggleActions", std::make_unique<TFrmToggleActions>(frmMain));
    dialog("FrmKingOfSat", std::make_unique<TFrmKingOfSat>(frmMain));
    dialog("FrmPleaseWait", std::make_unique<TFrmPleaseWait>());
    dialog("FrmKingOfSatMapping", std::make_unique<TFrmKingOfSatMapping>(frmMain));
    dialog("FrmKingOfSatTransfer", std::make_unique<TFrmKingOfSatTransfer>(frmMain));
    dialog("FrmDiSEqCMapping", std::make_unique<TFrmDiSEqCMapping>(frmMain));
    dialog("FrmLogoManager", std::make_unique<TFrmLogoManager>(frmMain));
    dialog("FrmSortSelection", std::make_unique<TFrmSortSelection>(frmMain));
    dialog("FrmListGenerator", std::make_unique<TFrmListGenerator>(frmMain));
}
