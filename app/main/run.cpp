// The program's main sequence: the splash window fades in, the windows are
// made, the main window starts up, and the event loop runs until the main
// window agrees to close.

#include "app/main/run.h"

#include "app/dialogs/splash_window.h"
#include "app/main/application.h"
#include "app/main/dialog_prompts.h"
#include "app/main/logo_mapping.h"
#include "app/main/main_window.h"
#include "app/main/windows.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "platform/folder_lock.h"
#include "resources/resources.h"
#include "ui/program/program.h"

#include <QDir>
#include <QTimer>

#include <memory>

namespace {

QString entryText(OwnFileEntry entry)
{
    switch (entry) {
    case OwnFileEntry::Folder:
        return msg(MsgEntryFolder);
    case OwnFileEntry::Link:
        return msg(MsgEntryLink);
    default:
        return msg(MsgEntrySpecial);
    }
}

} // namespace

int runPelloran(TApplication &app, const TRunOptions &options)
{
    pelloranInitResources();

    TProgram program;
    program.ProgramFolder = options.ProgramFolder.isEmpty() ? programFolder() : options.ProgramFolder;
    TDialogPrompts dialogPrompts;
    TPrompts *prompts = options.Prompts ? options.Prompts : &dialogPrompts;
    program.Prompts = prompts;
    app.SetPrompts(prompts);

    // One program per folder: two would each save over the other's lists.
    // A folder where no lock can be made (one that cannot be written) is
    // still worked in: its saves fail, and say so.
    FolderLock folderLock(QDir(program.ProgramFolder).filePath(QLatin1String(kFolderLockName)));
    const FolderLock::Status locked = folderLock.tryLock();
    if (locked == FolderLock::Status::Taken || locked == FolderLock::Status::InTheWay) {
        const bool taken = locked == FolderLock::Status::Taken;
        const QString text = taken
            ? FormatMsg1(msg(MsgAlreadyRunning), QDir::toNativeSeparators(program.ProgramFolder))
            : FormatMsg2(msg(MsgLockInTheWay), QDir::toNativeSeparators(folderLock.fileName()),
                         entryText(folderLock.entry()));
        prompts->messageBox(TPrompts::TMsgKind::Warning, text, TPrompts::mbOK);
        app.SetPrompts(nullptr);
        return taken ? kAlreadyRunningExitCode : kLockInTheWayExitCode;
    }

    auto splash = std::make_unique<TFrmSplash>();
    splash->setObjectName(QStringLiteral("FrmSplash"));
    splash->FadeIn();
    // The program's title goes to its message boxes only (applicationTitle):
    // as the application's display name the window system would append it
    // to every caption ("Settings — Pelloran").
    splash->repaint();

    createWindows(program);
    installLogoMapping(program);
    dialogPrompts.SetParent(program.FrmMain);
    // The splash is registered only while it exists, so start-up can write
    // its progress texts on it.
    program.AddForm(QStringLiteral("FrmSplash"), std::move(splash));
    program.FrmMain->InitializeMain();
    program.RemoveForm(QStringLiteral("FrmSplash"));

    program.FrmMain->show();
    if (options.Started)
        QTimer::singleShot(0, program.FrmMain, [&program, &options] { options.Started(program); });
    const int result = app.exec();
    program.FreeForms();
    app.SetPrompts(nullptr);
    return result;
}
