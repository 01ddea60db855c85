#include "app/main/logo_mapping.h"

#include "app/main/main_window.h"
#include "core/model/bouquet_service.h"
#include "core/model/service.h"
#include "logos/logo_thread.h"
#include "ui/grid/list_grid.h"
#include "ui/program/program.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QPointer>

namespace {

// Rewrites the logo cells of the rows a grid has written so far; rows
// written later take the services' logos then. Scrolling and column widths
// stay as the user left them.
void refreshLogoCells(TListGrid *grid, const char *typeIconColumn, const char *logoColumn,
                      bool bouquet, bool hideObsolete)
{
    const int typeIcon = TFrmMain::ColumnByName(grid, QLatin1String(typeIconColumn));
    const int logo = TFrmMain::ColumnByName(grid, QLatin1String(logoColumn));
    if (typeIcon < 0 || logo < 0)
        return;
    grid->BeginUpdate();
    for (int row = 0; row < grid->RowCount(); ++row) {
        if (!grid->RowFilled(row))
            continue;
        void *object = grid->Cell(typeIcon, row)->ObjectReference();
        if (!object)
            continue;
        const TService *service = bouquet ? static_cast<TBouquetService *>(object)->Service()
                                          : static_cast<TService *>(object);
        const bool hide = !service || ((bouquet || hideObsolete) && service->Obsolete);
        const int index = hide ? 0 : service->LogoIndex;
        TCell *cell = grid->Cell(logo, row);
        if (cell->AsInteger() != index)
            cell->SetAsInteger(index);
    }
    grid->EndUpdate();
}

void refreshLogoCells(TFrmMain &main)
{
    refreshLogoCells(main.ServicesGrid, "ColSerSTypeIcon", "ColSerLogo", false, false);
    refreshLogoCells(main.MyServicesGrid, "ColMySerSTypeIcon", "ColMySerLogo", false, true);
    refreshLogoCells(main.BouquetGrid, "ColBouSTypeIcon", "ColBouLogo", true, false);
}

bool logoManagerChecked(const TProgram &program, const char *name, bool absent)
{
    const QWidget *manager = program.Form(QStringLiteral("FrmLogoManager"));
    const auto *button = manager ? manager->findChild<QAbstractButton *>(QLatin1String(name)) : nullptr;
    return button ? button->isChecked() : absent;
}

} // namespace

void installLogoMapping(TProgram &program)
{
    TFrmMain *main = program.FrmMain;
    if (!main)
        return;
    main->LogoThreadStarter = [&program, main, last = QPointer<TLogoThread>()](bool rebuild) mutable
        -> QThread * {
        // The main window has stopped and joined the previous run; dropping
        // it also drops any of its results still on their way.
        delete last.data();

        TLogoJob job;
        job.rebuild = rebuild;
        job.mappingEnabled = logoManagerChecked(program, "BtnEnabled", true);
        job.mappingDisabled = logoManagerChecked(program, "BtnDisabled", false);
        job.logoWidth = program.LogoWidth;
        job.logoHeight = program.LogoHeight;
        const QDir folder(program.ProgramFolder);
        job.logoFolder = folder.filePath(QLatin1String(kLogoFolderName));
        job.mappingFile = folder.filePath(QLatin1String(kLogoMappingFileName));

        TLogoHooks hooks;
        hooks.showIndicator = [main](bool active) {
            main->ImgLogoMappingActive->setVisible(active);
            main->ImgLogoMappingInactive->setVisible(!active);
        };
        hooks.refreshLogos = [main] { refreshLogoCells(*main); };
        auto *thread = new TLogoThread(program, main->ImageListLogos, main->ImageListDefaultLogos,
                                       std::move(job), std::move(hooks), main);
        thread->setObjectName(QStringLiteral("LogoThread"));
        last = thread;
        thread->start(QThread::LowPriority);
        return thread;
    };
}
