#include "app/main/logo_mapping.h"

#include "app/main/main_window.h"
#include "logos/logo_thread.h"
#include "ui/program/program.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QPointer>

namespace {

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
        hooks.refreshLogos = [main] { main->RefreshGridLogos(); };
        auto *thread = new TLogoThread(program, main->ImageListLogos, main->ImageListDefaultLogos,
                                       std::move(job), std::move(hooks), main);
        thread->setObjectName(QStringLiteral("LogoThread"));
        last = thread;
        thread->start(QThread::LowPriority);
        return thread;
    };
}
