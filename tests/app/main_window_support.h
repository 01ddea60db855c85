#pragma once

#include "app/main/main_window.h"
#include "ui/program/program.h"

#include "app_test_support.h"
#include "scripted_prompts.h"

#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <vector>

class TListGrid;

// A settings file that keeps every run safe: the receiver on loopback, no
// background ping, no update checks.
extern const char *const kSafeSettings;

// One whole program on a temporary program folder: every window made, the
// scripted prompts answering, optionally the demo lists as working files and
// a safe settings file.
struct TProgramWorld {
    enum Lists { NoLists, DemoLists };
    enum Settings { NoSettings, SafeSettings };

    explicit TProgramWorld(Lists lists = DemoLists, Settings settings = SafeSettings);
    ~TProgramWorld();

    // Runs the start-up routine and shows the window.
    void start();
    TFrmMain &main() const { return *program.FrmMain; }
    QString path(const QString &name) const;
    QByteArray bytes(const QString &name) const;
    bool exists(const QString &name) const;

    // From now on each start of the logo mapping adds its rebuild flag to
    // logoRuns. While holdLogoRuns is set a start gets a stand-in run that
    // goes on until it is asked to stop, so that what a test does next
    // surely meets a run under way; otherwise the starter there was before.
    void watchLogoRuns();
    QList<bool> logoRuns;
    bool holdLogoRuns = false;

    QTemporaryDir folder;
    TProgram program;
    TScriptedPrompts prompts;
};

// The captions of the History menu's items, top to bottom.
QStringList historyCaptions(const TFrmMain &main);
// Empties the first transponder and saves: the lists before become a state,
// the edit the working files. Returns how many services went.
int saveAnEdit(TProgramWorld &world);

// The texts of one column of a grid, top to bottom.
QStringList columnTexts(const TListGrid &grid, const QString &columnName);

// The dialogs the main window opens, each through its own command (the
// service properties for the selected service).
struct TDialogCommand {
    const char *name;
    std::function<void()> open;
};
inline std::vector<TDialogCommand> dialogCommands(TFrmMain &main)
{
    return {
        {"FrmSettings", [&main] { main.ToolBtnSettingsClick(); }},
        {"FrmImportExport", [&main] { main.ToolBtnImportExportClick(); }},
        {"FrmOptimize", [&main] { main.ToolBtnOptimizeClick(); }},
        {"FrmBackupManager", [&main] { main.PopupItmBackupManagerClick(); }},
        {"FrmListGenerator", [&main] { main.PopupItmPrintManagerClick(); }},
        {"FrmLogoManager", [&main] { main.PopupItmLogoManagerClick(); }},
        {"FrmSortSelection", [&main] { main.SortCurrentBouquet(); }},
        {"FrmServiceProperties", [&main] { main.EditSelectedService(); }},
        {"FrmKingOfSat", [&main] { main.ToolBtnKofDownloadClick(); }},
        {"FrmAbout",
         [&main] { QTest::mouseClick(main.findChild<QToolButton *>("ToolBtnAbout"), Qt::LeftButton); }},
    };
}
// Every column of the window's five grids (only the shown ones when
// `shownOnly`) is wide enough for its whole header caption in the grid's
// font, with the caption's margins and, where a click sorts it, room for the
// sort mark.
void expectWholeColumnCaptions(const TFrmMain &main, bool shownOnly);

// Every text the window's bars show on screen is whole: a one-line text as
// wide as its panel allows, a wrapping one no taller than its panel.
void expectWholeBarTexts(const TFrmMain &main);
