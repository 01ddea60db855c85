// Save, restore and Go Back when a file step of their own fails: the user
// is told what failed and why, and no list is lost or passed off as saved.

#include "import_export_world.h"
#include "main_window_support.h"

#include "app/main/working_files.h"
#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "ui/grid/list_grid.h"

#include "file_faults.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMenu>

#include <cerrno>
#include <functional>

#include <gtest/gtest.h>

namespace {

const QStringList kLists = {"Services.xml", "MyServices.xml", "Bouquets.xml"};

// A failing file step: where in the program folder, which kinds of step,
// and the error they get.
struct TStepFault {
    const char *under;
    unsigned steps;
    int error;
    int skip = 0; // steps under the rule let through first
};

QHash<QString, QByteArray> workingBytes(const TProgramWorld &world)
{
    QHash<QString, QByteArray> bytes;
    for (const QString &name : kLists)
        bytes[name] = world.bytes(name);
    return bytes;
}

QString stateFile(const QString &list, const QString &stamp)
{
    return "History/" + list.section(u'.', 0, 0) + u'.' + stamp + ".xml";
}

// An edit the window has not saved yet, made in the model so that no row
// loses its object.
void renameAService(TProgramWorld &world, const QString &name)
{
    bool renamed = false;
    world.program.ServiceList->forEachService([&](TService *service, TTransponder *, TSatelite *) {
        if (!renamed)
            service->Name = name;
        renamed = true;
    });
    SaveHandler().SetModified();
}

// Each row of a table with each way back to the newest state (its History
// item, and Go Back) on a program of its own, started on the demo lists.
template <typename Row, std::size_t N, typename Check>
void forEachWayBack(const Row (&rows)[N], const Check &check)
{
    for (const Row &row : rows) {
        for (const bool goBack : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (goBack ? ", Go Back" : ", history item"));
            TProgramWorld world;
            world.start();
            check(row, world, goBack);
        }
    }
}

// Takes that way back through the menu, Yes to the question, while the
// fault's steps fail.
void restoreWhileFailing(TProgramWorld &world, bool goBack, const TStepFault &fault)
{
    TFrmMain &main = world.main();
    world.prompts.asked.clear();
    world.prompts.answers = {TPrompts::mbYes};
    const TFileFault failing(world.path(QLatin1String(fault.under)), fault.steps, fault.error);
    EXPECT_TRUE(clickMenuItems(main.ToolBtnSaveState,
                               goBack ? QList<QAction *>{main.PopupItmToolGoBack}
                                      : QList<QAction *>{main.PopupItemToolHistory->menuAction(),
                                                         main.PopupItemToolHistory->actions().first()}));
    EXPECT_GT(FileFaults::failed(), 0);
}

const TScriptedPrompts::Question *lastError(const TProgramWorld &world)
{
    for (auto it = world.prompts.asked.rbegin(); it != world.prompts.asked.rend(); ++it) {
        if (it->kind == TPrompts::TMsgKind::Error)
            return &*it;
    }
    return nullptr;
}

} // namespace

// The copy of the lists saved last into History fails: Save says so with
// the reason and replaces no working file; the edit stays unsaved in the
// window. What a copy cut short left is offered as incomplete, and a later
// Save that goes through keeps the lists saved last whole.
TEST(MainWindowHistoryFaults, ASaveWhoseCopyIntoHistoryFailsReplacesNoList)
{
    const struct {
        const char *name;
        TStepFault fault;
        bool historyFirst; // History made before, by a save that went through
        const char *said;  // the failure under the message
        // What the failed save leaves in History: nothing (null), a state
        // shown " (incomplete)", or a whole one ("").
        const char *leaves;
    } rows[] = {
        {"a History the user may not write", {"History/", FileFaults::Create, EACCES}, true,
         "History: Permission denied", nullptr},
        {"a History that cannot be made", {"History", FileFaults::MakeFolder, EACCES}, false,
         "History: Permission denied", nullptr},
        {"a full disk", {"History/", FileFaults::Write, ENOSPC}, true, "History: No space left on device", nullptr},
        {"a full disk at the second copy", {"History/.MyServices.", FileFaults::Write, ENOSPC}, true,
         "MyServices.xml: No space left on device", " (incomplete)"},
        {"an I/O error renaming a copy", {"History/Bouquets.", FileFaults::Rename, EIO}, true,
         "Bouquets.xml: Input/output error", " (incomplete)"},
        {"an I/O error syncing a copy", {"History/.Services.", FileFaults::Sync, EIO}, true,
         "Services.xml: Input/output error", " (incomplete)"},
        // Every copy came (the record's own write let through): the state
        // is whole, but its record kept the name it had while the copies
        // were made.
        {"an I/O error naming a whole state's set", {"History/.2", FileFaults::Rename, EIO, 1}, true,
         "History: Input/output error", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        if (row.historyFirst)
            saveAnEdit(world);
        const QStringList captions = historyCaptions(main);
        const QHash<QString, QByteArray> before = workingBytes(world);
        renameAService(world, "Renamed, not saved");
        const int rows = main.ServicesGrid->RowCount();

        world.prompts.asked.clear();
        {
            const TFileFault fault(world.path(QLatin1String(row.fault.under)), row.fault.steps, row.fault.error,
                                   row.fault.skip);
            ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState, {main.PopupItmToolSave}));
            EXPECT_GT(FileFaults::failed(), 0);
        }
        const TScriptedPrompts::Question *error = lastError(world);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->text, "The channel lists could not be saved; your changes are kept in the program:\r\n\r\n"
                               "The lists saved last could not be kept in History, so no file was replaced:\n"
                                   + QLatin1String(row.said));
        EXPECT_EQ(workingBytes(world), before);
        EXPECT_FALSE(SaveHandler().Saved());
        EXPECT_TRUE(main.PopupItmToolSave->isEnabled());
        EXPECT_EQ(main.ServicesGrid->RowCount(), rows);

        // What the cut short copy left is a state of its own, shown as
        // incomplete; the states before stay as they were.
        QStringList expected = captions.first() == "<Empty>" ? QStringList() : captions;
        const QStringList after = historyCaptions(main);
        if (row.leaves) {
            ASSERT_EQ(after.size(), expected.size() + 1) << after.join(" | ").toStdString();
            EXPECT_EQ(after.first().endsWith(" (incomplete)"), *row.leaves != '\0') << qPrintable(after.first());
            expected.prepend(after.first());
        }
        EXPECT_EQ(after, expected.isEmpty() ? QStringList{"<Empty>"} : expected);

        // An import keeps the lists as they are first: when it cannot, the
        // failure is said once, as the import's, and never as the user's
        // own abort; nothing is fetched or replaced. A whole state the
        // failed save left already keeps them, so there the import would go on.
        world.prompts.asked.clear();
        if (!row.leaves || *row.leaves) {
            const TFileFault fault(world.path(QLatin1String(row.fault.under)), row.fault.steps, row.fault.error,
                                   row.fault.skip);
            clickWhenModal("FrmImportExport", "BtnImport");
            main.ToolBtnImportExportClick();
            ASSERT_EQ(world.prompts.asked.size(), 1) << world.prompts.texts().join(" | ").toStdString();
            EXPECT_EQ(world.prompts.asked.first().kind, TPrompts::TMsgKind::Error);
            EXPECT_TRUE(world.prompts.asked.first().text.startsWith(
                "The operation failed with the following error message:\r\n\r\n"
                "The channel lists could not be saved; your changes are kept in the program:"))
                << qPrintable(world.prompts.asked.first().text);
        }
        EXPECT_EQ(workingBytes(world), before);
        EXPECT_FALSE(SaveHandler().Saved());
        EXPECT_EQ(main.ServicesGrid->RowCount(), rows);

        // Once the step goes through, Save does, and the lists it replaces
        // are a whole state.
        world.prompts.asked.clear();
        ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState, {main.PopupItmToolSave}));
        EXPECT_EQ(lastError(world), nullptr);
        EXPECT_TRUE(SaveHandler().Saved());
        EXPECT_NE(world.bytes("Services.xml"), before["Services.xml"]);
        const QString kept = main.WorkingFiles().HistoryStamps().first();
        EXPECT_EQ(main.WorkingFiles().MissingFiles(kept), QStringList());
        for (const QString &name : kLists)
            EXPECT_EQ(world.bytes(stateFile(name, kept)), before[name]) << qPrintable(name);
    }
}

// Putting a state's list back fails: the user is told which lists could not
// be put back and why, and where each list now comes from; the lists are not
// counted as saved, and the state stays in History.
TEST(MainWindowHistoryFaults, ARestoreThatCannotPutAListBackSaysSoAndLeavesTheListsUnsaved)
{
    const struct {
        const char *name;
        TStepFault fault;
        const char *list; // the one not put back
        const char *why;
        const char *back;
    } rows[] = {
        {"an I/O error renaming over the bouquets file", {"Bouquets.xml", FileFaults::Rename, EIO}, "Bouquets.xml",
         "Input/output error", "Services.xml, MyServices.xml"},
        {"a full disk writing the services file", {".Services.xml", FileFaults::Write, ENOSPC}, "Services.xml",
         "No space left on device", "MyServices.xml, Bouquets.xml"},
    };
    forEachWayBack(rows, [](const auto &row, TProgramWorld &world, bool goBack) {
        TFrmMain &main = world.main();
        const QByteArray original = world.bytes("Services.xml");
        saveAnEdit(world);
        const QString stamp = main.WorkingFiles().HistoryStamps().first();
        const QHash<QString, QByteArray> edited = workingBytes(world);

        restoreWhileFailing(world, goBack, row.fault);
        EXPECT_FALSE(world.prompts.texts().contains("Save state " + stamp + " restored!"));
        const TScriptedPrompts::Question *error = lastError(world);
        ASSERT_NE(error, nullptr);
        // The lists from before the restore were kept as a state of their own.
        QStringList stamps = main.WorkingFiles().HistoryStamps();
        stamps.removeAll(stamp);
        ASSERT_EQ(stamps.size(), 1);
        EXPECT_EQ(error->text, "Save state " + stamp + " could not be restored in full. These lists could not be "
                                   "put back:\r\n" + row.list + ": " + row.why + "\r\n\r\nFrom save state " + stamp
                                   + ": " + row.back + "\r\nAs before: " + row.list
                                   + "\r\nThe lists from before are in History as save state " + stamps.first()
                                   + ". The lists shown now are not saved.");
        EXPECT_EQ(world.bytes(row.list), edited[row.list]);
        if (QLatin1String(row.list) != QLatin1String("Services.xml")) {
            EXPECT_EQ(world.bytes("Services.xml"), original);
        }
        EXPECT_FALSE(SaveHandler().Saved());
        EXPECT_TRUE(main.PopupItmToolSave->isEnabled());
        EXPECT_TRUE(main.WorkingFiles().HasState(stamp));
        EXPECT_TRUE(main.WorkingFiles().InterruptedSave().has_value());
    });
}

// A state lacking a list it was saved with, whether the file was taken by
// hand or its removal after a restore was cut short, is offered as
// incomplete, asks first, and its restore keeps the working list it lacks.
TEST(MainWindowHistoryFaults, AStateLackingAListItWasSavedWithKeepsThatWorkingList)
{
    const struct {
        const char *name;
        std::function<void(TProgramWorld &, const QString &stamp)> takeAList;
        const char *lacks;
    } rows[] = {
        {"a file removed by hand",
         [](TProgramWorld &world, const QString &stamp) {
             ASSERT_TRUE(QFile::remove(world.path(stateFile("MyServices.xml", stamp))));
             // The menu as the next start builds it.
             world.main().BuildHistoryMenu();
         },
         "MyServices.xml"},
        {"the removal after its restore cut short",
         [](TProgramWorld &world, const QString &stamp) {
             // Restored, and the removal of its files fails at the second:
             // the first is gone, the rest stay.
             world.prompts.answers = {TPrompts::mbYes};
             const TFileFault fault(world.path(stateFile("MyServices.xml", stamp)), FileFaults::Remove, EIO);
             world.main().PopupItemToolHistory->actions().last()->trigger();
             ASSERT_EQ(FileFaults::failed(), 1);
             ASSERT_TRUE(world.main().WorkingFiles().HasState(stamp));
             // Then an edit saved, so that the lists differ from the state.
             renameAService(world, "Renamed and saved");
             world.main().PopupItmToolSave->trigger();
         },
         "Services.xml"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        saveAnEdit(world);
        const QString stamp = main.WorkingFiles().HistoryStamps().first();
        row.takeAList(world, stamp);
        if (::testing::Test::HasFatalFailure())
            return;
        const QString caption = "Save state " + stamp + " (incomplete)";
        ASSERT_TRUE(historyCaptions(main).contains(caption)) << historyCaptions(main).join(" | ").toStdString();
        const QString lacks = QLatin1String(row.lacks);
        const QByteArray kept = world.bytes(lacks);
        ASSERT_FALSE(kept.isEmpty());
        const int myServicesRows = main.MyServicesGrid->RowCount();
        const int servicesRows = main.ServicesGrid->RowCount();

        world.prompts.asked.clear();
        world.prompts.answers = {TPrompts::mbYes};
        for (QAction *item : main.PopupItemToolHistory->actions()) {
            if (item->text() == caption)
                item->trigger();
        }
        ASSERT_FALSE(world.prompts.asked.isEmpty());
        EXPECT_TRUE(world.prompts.asked.first().text.startsWith("The save state \"" + stamp + "\" is incomplete"))
            << qPrintable(world.prompts.asked.first().text);
        EXPECT_TRUE(world.prompts.asked.first().text.contains("Missing files:\r\n" + lacks + "\r\n"));
        EXPECT_EQ(world.bytes(lacks), kept);
        if (lacks == "MyServices.xml") {
            EXPECT_EQ(main.MyServicesGrid->RowCount(), myServicesRows);
        } else {
            EXPECT_EQ(main.ServicesGrid->RowCount(), servicesRows);
        }
        EXPECT_EQ(world.prompts.texts().last(), "Save state " + stamp + " restored!");
    }
}

// A History folder that cannot be read, or that takes no copy of the
// current lists: a restore and Go Back say so, with the reason, and change
// nothing.
TEST(MainWindowHistoryFaults, ARestoreThatCannotUseHistoryIsToldAndChangesNothing)
{
    const struct {
        const char *name;
        TStepFault fault;
        const char *said;
    } rows[] = {
        {"a History that cannot be read", {"History", FileFaults::ReadFolder, EIO},
         "The History folder could not be read, so nothing was restored: Input/output error"},
        {"a History the user may not write", {"History/", FileFaults::Create, EACCES},
         "The current lists could not be kept in History, so nothing was restored.\r\nHistory: Permission denied"},
    };
    forEachWayBack(rows, [](const auto &row, TProgramWorld &world, bool goBack) {
        TFrmMain &main = world.main();
        saveAnEdit(world);
        const QHash<QString, QByteArray> before = workingBytes(world);
        const QStringList captions = historyCaptions(main);

        restoreWhileFailing(world, goBack, row.fault);
        const TScriptedPrompts::Question *error = lastError(world);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->text, QLatin1String(row.said));
        EXPECT_EQ(workingBytes(world), before);
        EXPECT_TRUE(SaveHandler().Saved());
        EXPECT_EQ(main.WorkingFiles().HistoryStamps().size(), captions.size());
    });
}
