#include "main_window_support.h"

#include "app/main/status_panels.h"
#include "app/main/working_files.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "platform/ini_file.h"
#include "ui/grid/list_grid.h"

#include "import_export_world.h"
#include "qt_print.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QGuiApplication>
#include <QHash>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <QWindow>

#include <functional>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// Every service name of a list, in tree order.
QStringList serviceNames(const TServiceList &list)
{
    QStringList names;
    list.forEachService([&](TService *s, TTransponder *, TSatelite *) { names.append(s->Name); });
    return names;
}

// The names a "*"/"?" pattern lets through, decided by Qt's own wildcard
// matcher rather than the program's.
QStringList matching(const QStringList &names, const QString &pattern)
{
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                                QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    for (const QString &name : names) {
        if (re.match(name).hasMatch())
            out.append(name);
    }
    return out;
}

void typeFilter(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

TEST(MainWindowStartUp, WithoutSettingsTheFirstSaveWritesTheDefaultsInSectionOrder)
{
    TProgramWorld world(TProgramWorld::DemoLists, TProgramWorld::NoSettings);
    world.start();
    EXPECT_GT(world.main().ServicesGrid->RowCount(), 0);
    ASSERT_TRUE(world.main().CloseMain());

    IniFile ini;
    ASSERT_TRUE(ini.load(world.path("pelloran.ini")));
    const QStringList expected = {"General", "LastVars", "GUIServices", "GUIMyServices",
                                  "GUIKingOfSat", "GUIBouquet", "GUIBouquetList",
                                  "GUIPrintManager", "GUISizes", "Optimize", "GUIBackupManager",
                                  "GUIImportExport", "GUIImportNews", "GUILogoImport", "Misc",
                                  "GUISettings", "Tools", "WebSources"};
    EXPECT_EQ(ini.sectionNames(), expected);
    EXPECT_EQ(ini.readString("General", "notFirstStartUp"), "1");
    EXPECT_EQ(ini.readString("GUIServices", "column0Pos"), "0");
}

TEST(MainWindowStartUp, WithSafeSettingsNothingGoesOnline)
{
    TProgramWorld world;
    world.start();
    EXPECT_EQ(world.program.OnlineSettingsListVersion, "<disabled>");
    // The timer runs so that switching ping on later starts it; it pings nothing.
    EXPECT_TRUE(world.main().PingTimer->isActive());
    EXPECT_EQ(world.main().StatusBar->PanelText(3), "");
    EXPECT_TRUE(SaveHandler().Saved());
    EXPECT_FALSE(world.main().PopupItmToolSave->isEnabled());
    // The writers name the window in the files they make.
    EXPECT_EQ(world.program.ServiceList->Count() > 0, true);
}

TEST(MainWindowStartUp, AnUnreadableWorkingFileIsReportedAndTheOthersLoad)
{
    TProgramWorld world;
    QFile broken(world.path("MyServices.xml"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("<zapit><sat name=");
    broken.close();
    world.start();
    ASSERT_EQ(world.prompts.asked.size(), 1);
    EXPECT_TRUE(world.prompts.asked.first().text.contains("MyServices.xml"));
    EXPECT_GT(world.main().ServicesGrid->RowCount(), 0);
}

// A save writes ".<file>.pelloran-save-<six random letters or digits>"
// beside its file and renames it over the file; a kill before the rename
// leaves the copy, as an import leaves ".pelloran-news-<six>" with the news
// it wrote. Start-up clears exactly those, in every folder the program
// writes into, and nothing a user might have made.
TEST(MainWindowStartUp, CopiesKilledSavesLeftAreRemovedAndNothingElse)
{
    const struct {
        const char *path;
        bool removed;
    } rows[] = {
        {".Services.xml.pelloran-save-qWzRtY", true},
        {".KingOfSat.xml.pelloran-save-qwerty", true},
        {".Bouquets.xml.pelloran-save-Backup", true},
        {".pelloran.ini.pelloran-save-HGNUNJ", true},
        {".SatelliteMapping.dat.pelloran-save-z0jg5O", true},
        {".DiSEqCMapping.dat.pelloran-save-aBcDeF", true},
        {".LogoMapping.dat.pelloran-save-pQrStU", true},
        {".ChangedServices.dat.pelloran-save-123456", true},
        {".folder-probe.pelloran-save-mNoPqR", true},
        {"History/.Services.2007-03-14_21.05.09.xml.pelloran-save-AbCdEf", true},
        {"LogoTypes/.DasErste.tv.gif.pelloran-save-kLmNoP", true},
        {"LogoTypes/.Bayern3.radio.gif.pelloran-save-RsTuVw", true},
        // The folder an import killed before its news took their place left.
        {".pelloran-news-Ab12Cd/NewServices.dat", true},
        {".pelloran-news-Ab12Cd/ChangedServices.dat", true},
        {".pelloran-news-Xy34Zw/DeletedServices.dat", true},
        {".pelloran-news-Qr56St/NewServices.dat", false},
        {".pelloran-news-Qr56St/mine.txt", false},
        {".pelloran-news-Ab12C/NewServices.dat", false},
        // What people call their copies, and near misses of the pattern.
        {"Services.xml.MyCopy", false},
        {"Services.xml.qWzRtY", false},
        {"Services.xml.backup", false},
        {"Services.xml.Backup", false},
        {"Services.xml.BACKUP", false},
        {"Services.xml.bak", false},
        {"services.xml.AbCdEf", false},
        {"Services.xml.pelloran-save-AbCdEf", false},
        {".Services.xml.pelloran-save-AbCdE", false},
        {".Services.xml.pelloran-save-AbCdEfG", false},
        {".Services.xml.pelloran-save-Ab-dEf", false},
        {"..pelloran-save-AbCdEf", false},
        {".Services.xml.pelloran-saved-AbCdEf", false},
        {"Language/.Services.xml.pelloran-save-AbCdEf", false},
        {"Backup/.services.xml.pelloran-save-AbCdEf/inside", false},
        {".Services.xml.pelloran-save-QwErTy/inside", false},
    };
    TProgramWorld world;
    for (const auto &r : rows) {
        const QString file = world.path(QLatin1String(r.path));
        QDir().mkpath(QFileInfo(file).path());
        QFile copy(file);
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly)) << r.path;
        copy.write("<zapit/>");
    }
    world.start();
    for (const auto &r : rows)
        EXPECT_EQ(world.exists(QLatin1String(r.path)), !r.removed) << r.path;
    EXPECT_TRUE(world.exists("Services.xml"));
    EXPECT_GT(world.main().ServicesGrid->RowCount(), 0);
}

// A save cut short between the working files (here the bouquets file could
// not be written and keeps the save before's, as a kill would leave it) is
// told at the next start, with the state of the last whole save; the user
// decides, and either way no list is lost.
TEST(MainWindowStartUp, ASaveCutShortIsToldAndItsLastWholeStateOffered)
{
    for (const int answer : {TPrompts::mbYes, TPrompts::mbNo}) {
        SCOPED_TRACE(answer == TPrompts::mbYes ? "Yes" : "No");
        QTemporaryDir kept;
        QByteArray whole, edited;
        QString stamp;
        {
            TProgramWorld world;
            world.start();
            whole = world.bytes("Services.xml");
            const QByteArray bouquets = world.bytes("Bouquets.xml");
            world.program.ServiceList->GetItem(0)->GetItem(0)->Clear();
            ASSERT_TRUE(QFile::remove(world.path("Bouquets.xml")));
            ASSERT_TRUE(QDir(world.folder.path()).mkdir("Bouquets.xml"));
            SaveHandler().SetModified();
            EXPECT_FALSE(world.main().SaveFiles());
            edited = world.bytes("Services.xml");
            ASSERT_NE(edited, whole);
            ASSERT_TRUE(QDir(world.path("Bouquets.xml")).removeRecursively());
            QFile before(world.path("Bouquets.xml"));
            ASSERT_TRUE(before.open(QIODevice::WriteOnly) && before.write(bouquets) == bouquets.size());
            before.close();
            ASSERT_EQ(world.main().WorkingFiles().HistoryStamps().size(), 1);
            stamp = world.main().WorkingFiles().HistoryStamps().first();
            SaveHandler().SetSaved();
            // Every file the program folder holds, hidden ones too.
            QDir().mkpath(kept.filePath("History"));
            for (const QString &below : {QString(), QStringLiteral("History/")}) {
                const QDir from(world.path(below));
                for (const QString &name : from.entryList(QDir::Files | QDir::Hidden))
                    ASSERT_TRUE(QFile::copy(from.filePath(name), kept.filePath(below + name))) << qPrintable(name);
            }
        }

        TProgramWorld again(TProgramWorld::NoLists);
        QDir().mkpath(again.path("History"));
        for (const QString &below : {QString(), QStringLiteral("History/")}) {
            const QDir from(kept.filePath(below));
            for (const QString &name : from.entryList(QDir::Files | QDir::Hidden)) {
                QFile::remove(again.path(below + name));
                ASSERT_TRUE(QFile::copy(from.filePath(name), again.path(below + name))) << qPrintable(name);
            }
        }
        again.prompts.answers = {answer};
        again.start();
        ASSERT_FALSE(again.prompts.asked.isEmpty());
        const TScriptedPrompts::Question &question = again.prompts.asked.first();
        EXPECT_EQ(question.kind, TPrompts::TMsgKind::Warning);
        EXPECT_EQ(question.buttons, TPrompts::mbYes | TPrompts::mbNo);
        EXPECT_EQ(question.text,
                  "The last save of the channel lists was cut short: Services.xml, MyServices.xml, "
                  "Bouquets.xml may not belong together.\r\n\r\nThe lists of the last complete save "
                  "are in History as \"Save state " + stamp + "\". Restore them now? The current lists "
                  "stay in History.");
        EXPECT_EQ(again.bytes("Services.xml"), answer == TPrompts::mbYes ? whole : edited);
        bool editedKept = again.bytes("Services.xml") == edited;
        for (const QString &state : again.main().WorkingFiles().HistoryStamps())
            editedKept = editedKept || again.bytes("History/Services." + state + ".xml") == edited;
        EXPECT_TRUE(editedKept);
        EXPECT_FALSE(again.main().WorkingFiles().InterruptedSave());
    }
}

// A folder of the user's where the note of a save under way belongs says
// that a save may have been cut short, as any such thing there does, and is
// moved out of the way whole, so the next start says nothing.
TEST(MainWindowStartUp, AFolderWhereTheNoteOfASaveBelongsIsToldOnceAndKeptWhole)
{
    TProgramWorld world;
    const QString note = world.path(".pelloran-lists-replacing");
    ASSERT_TRUE(QDir().mkpath(note + "/inside"));
    QFile kept(note + "/inside/kept.txt");
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly) && kept.write("the user's own\n") == 15);
    kept.close();
    world.start();
    ASSERT_EQ(world.prompts.asked.size(), 1);
    EXPECT_EQ(world.prompts.asked.first().buttons, TPrompts::mbOK);
    EXPECT_EQ(world.prompts.asked.first().text,
              "The last save of the channel lists was cut short: Services.xml, MyServices.xml, Bouquets.xml may not "
              "belong together.\r\n\r\nNo state in History holds the lists of the last complete save.\r\n\r\nA "
              "folder stood where Pelloran keeps its note of a save under way. It was moved, with all it holds, "
              "to\r\n" + note + ".moved");
    EXPECT_EQ(world.bytes(".pelloran-lists-replacing.moved/inside/kept.txt"), "the user's own\n");
    EXPECT_FALSE(world.main().WorkingFiles().InterruptedSave());
}

// Closing with unsaved changes: what each answer keeps and writes.
TEST(MainWindowClose, UnsavedChangesFollowTheAnswer)
{
    struct Row {
        const char *name;
        int answer;
        bool closes;
        bool filesWritten;
    };
    const Row rows[] = {
        {"Cancel keeps the window and the files", TPrompts::mbCancel, false, false},
        {"No ends without writing", TPrompts::mbNo, true, false},
        {"Yes writes the files and a history state", TPrompts::mbYes, true, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TProgramWorld world;
        world.start();
        const QByteArray before = world.bytes("Services.xml");
        world.program.ServiceList->GetItem(0)->Name = QStringLiteral("Renamed & Co");
        SaveHandler().SetModified();
        EXPECT_TRUE(world.main().PopupItmToolSave->isEnabled());
        world.prompts.answers = {row.answer};

        EXPECT_EQ(world.main().close(), row.closes);
        ASSERT_EQ(world.prompts.asked.size(), 1);
        EXPECT_EQ(world.prompts.asked.first().text, "Do you want to save your changes?");
        EXPECT_EQ(world.prompts.asked.first().buttons,
                  TPrompts::mbYes | TPrompts::mbNo | TPrompts::mbCancel);
        EXPECT_EQ(world.bytes("Services.xml") != before, row.filesWritten);
        EXPECT_EQ(QDir(world.path("History")).entryList(QDir::Files).size(),
                  row.filesWritten ? 3 : 0);
        EXPECT_EQ(world.program.ServiceList != nullptr, !row.closes);
        if (row.filesWritten) {
            EXPECT_TRUE(world.bytes("Services.xml").contains("Renamed &amp; Co"));
        }
    }
}

TEST(MainWindowClose, AFailedSaveKeepsTheProgramOpenAndTheChangesUnsaved)
{
    TProgramWorld world;
    world.start();
    ASSERT_TRUE(QFile::remove(world.path("Bouquets.xml")));
    ASSERT_TRUE(QDir(world.folder.path()).mkdir("Bouquets.xml"));
    SaveHandler().SetModified();
    world.prompts.answers = {TPrompts::mbYes};
    EXPECT_FALSE(world.main().CloseMain());
    EXPECT_FALSE(SaveHandler().Saved());
    ASSERT_EQ(world.prompts.asked.size(), 2);
    EXPECT_EQ(world.prompts.asked.at(1).kind, TPrompts::TMsgKind::Error);
    EXPECT_TRUE(world.prompts.asked.at(1).text.contains("Bouquets.xml"));
    EXPECT_NE(world.program.BouquetList, nullptr);
}

// The bouquets as "bouquet: entry" lines, in order.
QStringList bouquetLines(const TBouquetList &list)
{
    QStringList lines;
    for (int b = 0; b < list.Count(); ++b) {
        const TBouquet *bouquet = list.GetItem(b);
        lines.append(bouquet->Name + u':');
        for (int e = 0; e < bouquet->Count(); ++e)
            lines.append(bouquet->Name + QStringLiteral(": ") + bouquet->GetItem(e)->Name);
    }
    return lines;
}

// Every service deleted and the lists saved, by the menu or on closing: the
// next start reads the services file without a word, with no service in it,
// the satellites the user kept and the other lists as they were.
TEST(MainWindowRestart, AfterDeletingEveryServiceTheListsComeBack)
{
    enum Save { FromTheMenu, ClosingWithYes };
    for (Save save : {FromTheMenu, ClosingWithYes}) {
        SCOPED_TRACE(save == FromTheMenu ? "saved from the menu" : "closed with Yes");
        QTemporaryDir kept;
        QStringList myServices;
        QStringList bouquets;
        QStringList satelites;
        {
            TProgramWorld world;
            world.start();
            TFrmMain &main = world.main();
            myServices = serviceNames(*world.program.MyServiceList);
            bouquets = bouquetLines(*world.program.BouquetList);
            ASSERT_GT(main.ServicesGrid->RowCount(), 0);
            main.ServicesGrid->SelectAll();
            world.prompts.answers = {TPrompts::mbYes};
            QTest::keyClick(main.ServicesGrid, Qt::Key_Delete);
            ASSERT_EQ(main.ServicesGrid->RowCount(), 0);
            ASSERT_TRUE(serviceNames(*world.program.ServiceList).isEmpty());
            for (int i = 0; i < world.program.ServiceList->Count(); ++i)
                satelites.append(world.program.ServiceList->GetItem(i)->Name);
            if (save == FromTheMenu) {
                main.PopupItmToolSave->trigger();
                EXPECT_EQ(main.StatusBar->PanelText(0), "Saving done.");
            } else {
                world.prompts.answers = {TPrompts::mbYes};
                ASSERT_TRUE(main.close());
            }
            EXPECT_TRUE(SaveHandler().Saved());
            for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml", "KingOfSat.xml"})
                ASSERT_TRUE(QFile::copy(world.path(QLatin1String(name)), kept.filePath(QLatin1String(name))))
                    << name;
        }

        TProgramWorld again(TProgramWorld::NoLists);
        for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml", "KingOfSat.xml"})
            ASSERT_TRUE(QFile::copy(kept.filePath(QLatin1String(name)), again.path(QLatin1String(name))));
        again.start();
        EXPECT_TRUE(again.prompts.asked.isEmpty()) << qPrintable(again.prompts.asked.first().text);
        EXPECT_EQ(again.main().ServicesGrid->RowCount(), 0);
        const TServiceList &services = *again.program.ServiceList;
        EXPECT_TRUE(serviceNames(services).isEmpty());
        QStringList satelitesAgain;
        for (int i = 0; i < services.Count(); ++i)
            satelitesAgain.append(services.GetItem(i)->Name);
        EXPECT_EQ(satelitesAgain, satelites);
        EXPECT_EQ(services.Format, 4);
        EXPECT_EQ(serviceNames(*again.program.MyServiceList), myServices);
        EXPECT_EQ(bouquetLines(*again.program.BouquetList), bouquets);
        EXPECT_GT(again.main().MyServicesGrid->RowCount(), 0);
    }
}

// "Error!" tells how the last command ended: the next one the user starts
// takes it away, and a failure after that shows it again.
TEST(MainWindowStatus, ErrorLastsUntilTheNextCommand)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    ASSERT_TRUE(QFile::remove(world.path("Bouquets.xml")));
    ASSERT_TRUE(QDir(world.folder.path()).mkdir("Bouquets.xml"));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        SaveHandler().SetModified();
        main.PopupItmToolSave->trigger();
        EXPECT_EQ(main.StatusBar->PanelText(0), "Error!");
        // The user's next click in the window starts another command.
        QTest::mouseClick(main.ServicesGrid->viewport(), Qt::LeftButton, {},
                          main.ServicesGrid->CellRect(3, 1).center());
        QApplication::processEvents();
        EXPECT_EQ(main.StatusBar->PanelText(0), "");
    }
}

TEST(MainWindowClose, ASettingsFileThatCannotBeWrittenIsReportedAndTheProgramEnds)
{
    TProgramWorld world;
    world.start();
    ASSERT_TRUE(QFile::remove(world.path("pelloran.ini")));
    ASSERT_TRUE(QDir(world.folder.path()).mkdir("pelloran.ini"));
    EXPECT_TRUE(world.main().CloseMain());
    ASSERT_EQ(world.prompts.asked.size(), 1);
    EXPECT_TRUE(world.prompts.asked.first().text.startsWith("The settings could not be saved:"));
    EXPECT_EQ(world.program.ServiceList, nullptr);
    EXPECT_EQ(world.main().ServicesGrid->RowCount(), 0);
}

TEST(MainWindowHistory, SavesRestoresAndClearsFromTheMenu)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    EXPECT_EQ(historyCaptions(main), QStringList({"<Empty>"}));
    EXPECT_FALSE(main.PopupItemToolHistory->actions().first()->isEnabled());
    EXPECT_FALSE(main.PopupItmToolGoBack->isEnabled());
    EXPECT_FALSE(main.PopupItmToolClearHistory->isEnabled());

    const QByteArray original = world.bytes("Services.xml");
    const int rows = main.ServicesGrid->RowCount();
    // Two saves: the same files saved twice within one second share their
    // history names, other files take the next second (pinned with fixed
    // times in the working files' tests); the menu shows one entry per
    // distinct stamp.
    main.PopupItmToolSave->trigger();
    world.program.ServiceList->GetItem(0)->GetItem(0)->Clear();
    SaveHandler().SetModified();
    main.PopupItmToolSave->trigger();
    EXPECT_EQ(main.StatusBar->PanelText(0), "Saving done.");
    const int states = historyCaptions(main).size();
    EXPECT_EQ(states, main.WorkingFiles().HistoryStamps().size());
    EXPECT_GE(states, 1);
    EXPECT_LE(states, 2);
    EXPECT_TRUE(main.PopupItmToolGoBack->isEnabled());

    // Going back brings the newest state: the one saved before the edit is
    // the oldest, so restore that one by its caption.
    QAction *oldest = main.PopupItemToolHistory->actions().last();
    const QString oldestCaption = oldest->text();
    const QString stamp = oldestCaption.section(' ', 2);
    world.prompts.answers = {TPrompts::mbYes};
    oldest->trigger();
    EXPECT_EQ(world.prompts.texts().last(), "Save state " + stamp + " restored!");
    EXPECT_EQ(world.bytes("Services.xml"), original);
    EXPECT_EQ(main.ServicesGrid->RowCount(), rows);
    EXPECT_FALSE(historyCaptions(main).contains(oldestCaption));

    world.prompts.answers = {TPrompts::mbCancel};
    main.PopupItmToolClearHistory->trigger();
    world.prompts.answers = {TPrompts::mbYes};
    main.PopupItmToolClearHistory->trigger();
    EXPECT_EQ(historyCaptions(main), QStringList({"<Empty>"}));
    EXPECT_TRUE(QDir(world.path("History")).entryList(QDir::Files).isEmpty());
}

// A restore replaces the working files with the state's: both ways to one
// ask first, and Cancel leaves the files, the lists and the history alone.
// An edit not saved yet is never dropped: Yes keeps it as a state of its
// own, written as a save writes it, and Go Back then returns to the lists
// saved last, as its caption says.
TEST(MainWindowHistory, RestoringAsksFirstAndCancelChangesNothing)
{
    struct Way {
        const char *name;
        QList<QAction *> (*path)(TFrmMain &);
        bool goBack;
    };
    const Way kWays[] = {
        {"Go Back", [](TFrmMain &main) { return QList<QAction *>{main.PopupItmToolGoBack}; }, true},
        {"history item",
         [](TFrmMain &main) {
             return QList<QAction *>{main.PopupItemToolHistory->menuAction(),
                                     main.PopupItemToolHistory->actions().first()};
         },
         false},
    };
    const QString renamed = QStringLiteral("Renamed, not saved");
    for (const Way &way : kWays) {
        for (const bool unsaved : {false, true}) {
            for (const int answer : {TPrompts::mbCancel, TPrompts::mbYes}) {
                SCOPED_TRACE(std::string(way.name) + (unsaved ? ", unsaved edit" : "")
                             + (answer == TPrompts::mbYes ? ", Yes" : ", Cancel"));
                TProgramWorld world;
                world.start();
                TFrmMain &main = world.main();
                const QByteArray original = world.bytes("Services.xml");
                const int originalRows = main.ServicesGrid->RowCount();
                const int cleared = saveAnEdit(world);
                const QByteArray edited = world.bytes("Services.xml");
                ASSERT_NE(edited, original);
                const int editedRows = main.ServicesGrid->RowCount();
                const QByteArray bouquets = world.bytes("Bouquets.xml");
                if (unsaved) {
                    world.program.BouquetList->GetItem(0)->Name = renamed;
                    SaveHandler().SetModified();
                }
                const QStringList captions = historyCaptions(main);
                const QStringList history = QDir(world.path("History")).entryList(QDir::Files);
                ASSERT_FALSE(history.isEmpty());

                world.prompts.asked.clear();
                world.prompts.answers = {answer};
                ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState, way.path(main)));
                ASSERT_FALSE(world.prompts.asked.isEmpty());
                const TScriptedPrompts::Question &question = world.prompts.asked.first();
                EXPECT_EQ(question.kind, TPrompts::TMsgKind::Confirmation);
                EXPECT_EQ(question.text, unsaved ? "Are you sure? The current lists stay in History, unsaved changes included."
                                                 : "Are you sure? The current lists stay in History.");
                EXPECT_EQ(question.buttons, TPrompts::mbYes | TPrompts::mbCancel);
                if (answer == TPrompts::mbCancel) {
                    EXPECT_EQ(world.prompts.asked.size(), 1);
                    EXPECT_EQ(world.bytes("Services.xml"), edited);
                    EXPECT_EQ(world.bytes("Bouquets.xml"), bouquets);
                    EXPECT_EQ(main.ServicesGrid->RowCount(), editedRows);
                    EXPECT_EQ(historyCaptions(main), captions);
                    EXPECT_EQ(QDir(world.path("History")).entryList(QDir::Files), history);
                    EXPECT_EQ(world.program.BouquetList->GetItem(0)->Name == renamed, unsaved);
                    EXPECT_EQ(main.PopupItmToolSave->isEnabled(), unsaved);
                    continue;
                }
                // Go Back with an edit not saved brings the lists saved last.
                const bool toLastSave = way.goBack && unsaved;
                const QString done = world.prompts.texts().last();
                ASSERT_TRUE(done.startsWith("Save state ") && done.endsWith(" restored!")) << qPrintable(done);
                const QString restoredCaption = done.chopped(QStringLiteral(" restored!").size());
                if (!toLastSave) {
                    EXPECT_EQ(restoredCaption, captions.first());
                }
                EXPECT_EQ(world.bytes("Services.xml"), toLastSave ? edited : original);
                EXPECT_EQ(main.ServicesGrid->RowCount(), originalRows - (toLastSave ? cleared : 0));
                EXPECT_FALSE(historyCaptions(main).contains(restoredCaption));
                EXPECT_TRUE(SaveHandler().Saved());
                EXPECT_NE(world.program.BouquetList->GetItem(0)->Name, renamed);
                // Every set of lists is in the working files or in one state:
                // the lists saved last, those before, and the edit not saved.
                const QStringList stamps = main.WorkingFiles().HistoryStamps();
                const auto holding = [&](const QString &file, const std::function<bool(const QByteArray &)> &is) {
                    int count = is(world.bytes(file + ".xml")) ? 1 : 0;
                    for (const QString &stamp : stamps)
                        count += is(world.bytes("History/" + file + u'.' + stamp + ".xml")) ? 1 : 0;
                    return count;
                };
                EXPECT_EQ(holding("Services", [&](const QByteArray &b) { return b == original; }), 1);
                EXPECT_EQ(holding("Services", [&](const QByteArray &b) { return b == edited; }), 1 + (unsaved ? 1 : 0));
                EXPECT_EQ(holding("Bouquets", [&](const QByteArray &b) { return b.contains(renamed.toUtf8()); }),
                          unsaved ? 1 : 0);
                EXPECT_FALSE(world.bytes("Bouquets.xml").contains(renamed.toUtf8()));
                ASSERT_EQ(stamps.size(), unsaved ? 2 : 1);
                QStringList expected;
                for (const QString &stamp : stamps)
                    expected.append("Save state " + stamp);
                EXPECT_EQ(historyCaptions(main), expected);
                // Back from here there is the state before the lists shown.
                EXPECT_EQ(main.PopupItmToolGoBack->isEnabled(), toLastSave);
            }
        }
    }
}

// Unsaved changes that cannot be written stop a restore before anything is
// replaced: the user is told, and the changes stay in the window, unsaved.
TEST(MainWindowHistory, UnsavedChangesThatCannotBeWrittenStopTheRestore)
{
    for (const bool goBack : {true, false}) {
        SCOPED_TRACE(goBack ? "Go Back" : "history item");
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        saveAnEdit(world);
        const QStringList captions = historyCaptions(main);
        world.program.BouquetList->GetItem(0)->Name = QStringLiteral("Renamed, not saved");
        SaveHandler().SetModified();
        // A folder where the KingOfSat list is written.
        ASSERT_TRUE(QFile::remove(world.path("KingOfSat.xml")));
        ASSERT_TRUE(QDir(world.folder.path()).mkdir("KingOfSat.xml"));

        world.prompts.asked.clear();
        world.prompts.answers = {TPrompts::mbYes};
        ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState,
                                   goBack ? QList<QAction *>{main.PopupItmToolGoBack}
                                          : QList<QAction *>{main.PopupItemToolHistory->menuAction(),
                                                             main.PopupItemToolHistory->actions().first()}));
        ASSERT_EQ(world.prompts.asked.size(), 2);
        EXPECT_EQ(world.prompts.asked[1].kind, TPrompts::TMsgKind::Error);
        EXPECT_TRUE(world.prompts.asked[1].text.startsWith(
            "The unsaved changes could not be written, so nothing was restored:\r\nKingOfSat.xml: "))
            << qPrintable(world.prompts.asked[1].text);
        EXPECT_EQ(world.program.BouquetList->GetItem(0)->Name, "Renamed, not saved");
        EXPECT_FALSE(SaveHandler().Saved());
        EXPECT_TRUE(main.PopupItmToolSave->isEnabled());
        for (const QString &caption : captions)
            EXPECT_TRUE(historyCaptions(main).contains(caption)) << qPrintable(caption);
    }
}

// Two saves with edits between, then Go Back twice and forward again by the
// menu: Go Back goes one state further back than the one restored last,
// never to the lists a restore kept, and every saved set of lists is always
// in the working files or in the history, once. An edit after the oldest
// state came back offers Go Back again, to the lists saved last.
TEST(MainWindowHistory, GoingBackAndForthLosesNoSavedState)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    QList<QByteArray> saved = {world.bytes("Services.xml")};
    for (const char *name : {"First edit", "Second edit"}) {
        world.program.ServiceList->GetItem(0)->GetItem(0)->GetItem(0)->Name = QLatin1String(name);
        SaveHandler().SetModified();
        main.PopupItmToolSave->trigger();
        saved.append(world.bytes("Services.xml"));
    }
    const auto statesHolding = [&](const std::function<bool(const QByteArray &)> &is) {
        QStringList stamps;
        for (const QString &stamp : main.WorkingFiles().HistoryStamps()) {
            if (is(world.bytes("History/Services." + stamp + ".xml")))
                stamps.append(stamp);
        }
        return stamps;
    };
    struct Step {
        const char *name;
        const char *edit; // a service renamed and not saved first, or null
        int pick; // the saved set picked in the menu; -1: Go Back
        int restored;
        int backOffered; // -1: either, by the seconds the states were stamped in
        int states;
    };
    const Step steps[] = {
        {"Go Back", nullptr, -1, 1, true, 2},
        {"Go Back again", nullptr, -1, 0, false, 2},
        {"an edit, then Go Back to the lists saved last", "Not saved", -1, 0, -1, 3},
        {"forward to the first edit by the menu", nullptr, 1, 1, true, 3},
        {"forward to the second edit by the menu", nullptr, 2, 2, true, 3},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        if (step.edit) {
            world.program.ServiceList->GetItem(0)->GetItem(0)->GetItem(0)->Name = QLatin1String(step.edit);
            SaveHandler().SetModified();
        }
        world.prompts.answers = {TPrompts::mbYes};
        if (step.pick < 0) {
            ASSERT_TRUE(main.PopupItmToolGoBack->isEnabled());
            ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState, {main.PopupItmToolGoBack}));
        } else {
            const QStringList stamps = statesHolding([&](const QByteArray &b) { return b == saved[step.pick]; });
            ASSERT_EQ(stamps.size(), 1);
            QAction *item = nullptr;
            for (QAction *action : main.PopupItemToolHistory->actions()) {
                if (action->text() == "Save state " + stamps.first())
                    item = action;
            }
            ASSERT_NE(item, nullptr);
            ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState, {main.PopupItemToolHistory->menuAction(), item}));
        }
        EXPECT_EQ(world.bytes("Services.xml"), saved[step.restored]);
        for (int i = 0; i < saved.size(); ++i)
            EXPECT_EQ(statesHolding([&](const QByteArray &b) { return b == saved[i]; }).size()
                          + (world.bytes("Services.xml") == saved[i] ? 1 : 0),
                      1)
                << "saved set " << i;
        EXPECT_EQ(statesHolding([](const QByteArray &b) { return b.contains("Not saved"); }).size(),
                  step.states - 2);
        EXPECT_EQ(historyCaptions(main).size(), step.states);
        if (step.pick < 0 && step.backOffered >= 0) {
            EXPECT_EQ(main.PopupItmToolGoBack->isEnabled(), step.backOffered == 1);
        }
    }
}

// Only the files a save writes are saved states: whatever else lies in the
// history folder is not offered, not restored and not cleared away.
TEST(MainWindowHistory, OnlyTheFilesASaveWritesAreSavedStates)
{
    struct HistoryFile {
        const char *name;
        const char *copyOf; // a demo list for a saved state, null for a stray file
    };
    const HistoryFile kFiles[] = {
        {"Services.2007-03-14_21.05.09.xml", "Services.xml"},
        {"MyServices.2007-03-14_21.05.09.xml", "MyServices.xml"},
        {"Bouquets.2007-03-14_21.05.09.xml", "Bouquets.xml"},
        {"Bouquets.2006-01-02_03.04.05.xml", "Bouquets.xml"},
        {"notes.xml", nullptr},
        {"notes.on.xml", nullptr},
        {"Services.xml", nullptr},
        {"Services.2007-03-14_21.05.09.backup.xml", nullptr},
        {"services.2007-03-14_21.05.09.xml", nullptr},
        {"KingOfSat.2007-03-14_21.05.09.xml", nullptr},
        {"Services.2007-3-14_21.5.9.xml", nullptr},
        {"Services.2007-03-14 21.05.09.xml", nullptr},
        {"Services.2007-02-30_21.05.09.xml", nullptr},
        {"Services.2007-03-14_24.00.00.xml", nullptr},
        {".2008-01-01_00.00.00.xml", nullptr},
        {".Services.2008-01-01_00.00.00.xml", nullptr},
    };
    TProgramWorld world;
    ASSERT_TRUE(QDir(world.folder.path()).mkdir("History"));
    for (const HistoryFile &file : kFiles) {
        const QString path = world.path(QStringLiteral("History/") + file.name);
        if (file.copyOf) {
            ASSERT_TRUE(QFile::copy(world.path(file.copyOf), path)) << file.name;
        } else {
            QFile stray(path);
            ASSERT_TRUE(stray.open(QIODevice::WriteOnly)) << file.name;
            stray.write("<notes/>");
        }
    }
    world.start();
    TFrmMain &main = world.main();
    EXPECT_EQ(historyCaptions(main), QStringList({"Save state 2007-03-14_21.05.09",
                                                  "Save state 2006-01-02_03.04.05"}));

    const QByteArray services = world.bytes("Services.xml");
    world.prompts.answers = {TPrompts::mbYes};
    main.PopupItmToolGoBack->trigger();
    EXPECT_EQ(world.prompts.texts().last(), "Save state 2007-03-14_21.05.09 restored!");
    EXPECT_EQ(world.bytes("Services.xml"), services);
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        EXPECT_TRUE(world.exists(name)) << name;

    world.prompts.answers = {TPrompts::mbYes};
    main.PopupItmToolClearHistory->trigger();
    EXPECT_EQ(historyCaptions(main), QStringList({"<Empty>"}));
    EXPECT_FALSE(main.PopupItmToolGoBack->isEnabled());
    for (const HistoryFile &file : kFiles)
        EXPECT_EQ(world.exists(QStringLiteral("History/") + file.name), !file.copyOf) << file.name;

    // Nor is a state restored by a stamp that none of them has.
    world.prompts.asked.clear();
    for (const char *stamp : {"", "on", "Services.2008-01-01_00.00.00", "2007-03-14_21.05.09"}) {
        main.RestoreState(stamp);
        for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
            EXPECT_TRUE(world.exists(name)) << stamp << ": " << name;
    }
    EXPECT_TRUE(world.prompts.asked.isEmpty());
}

// What a kill leaves of a save's copy into History: the record of the set,
// written before any of its files, and the files copied so far. Such a
// state is offered as incomplete, restoring it asks first, naming what it
// lacks, and a working file it lacks stays. A state whose files all came,
// or one an older build wrote (no record), is whole as it is: a file it
// lacks is a list there was none of when it was saved.
TEST(MainWindowHistory, AStateASaveLeftIncompleteIsOfferedAsSuch)
{
    const QString stamp = QStringLiteral("2007-03-14_21.05.09");
    const QStringList all = {"Services.xml", "MyServices.xml", "Bouquets.xml"};
    struct Row {
        const char *name;
        const char *record; // null: none
        QStringList files;  // the state's, by working file
        QStringList missing;
    };
    const Row rows[] = {
        {"cut short after the services", "Services.xml\nMyServices.xml\nBouquets.xml\n", {"Services.xml"},
         {"MyServices.xml", "Bouquets.xml"}},
        {"cut short after the my services", "Services.xml\nMyServices.xml\nBouquets.xml\n",
         {"Services.xml", "MyServices.xml"}, {"Bouquets.xml"}},
        {"cut short before the record went", "Services.xml\nMyServices.xml\nBouquets.xml\n", all, {}},
        {"saved without bouquets, cut short before the record went", "Services.xml\nMyServices.xml\n",
         {"Services.xml", "MyServices.xml"}, {}},
        {"saved by an older build without bouquets", nullptr, {"Services.xml", "MyServices.xml"}, {}},
    };
    const QString record = "History/." + stamp + ".pelloran-writing";
    for (const Row &row : rows) {
        for (const int answer : {TPrompts::mbCancel, TPrompts::mbYes}) {
            // Each way to the state in turn: the menu item, and Go Back,
            // whose newest state it is.
            const bool goBack = answer == TPrompts::mbYes;
            SCOPED_TRACE(std::string(row.name) + (goBack ? ", Go Back, Yes" : ", history item, Cancel"));
            TProgramWorld world;
            ASSERT_TRUE(QDir(world.folder.path()).mkdir("History"));
            QHash<QString, QByteArray> working, state;
            for (const QString &file : all) {
                working[file] = world.bytes(file);
                if (!row.files.contains(file))
                    continue;
                // The state's lists differ from the working files.
                state[file] = QByteArray(working[file]).replace("Settings created by", "Settings kept by");
                ASSERT_NE(state[file], working[file]) << qPrintable(file);
                QFile saved(world.path("History/" + QFileInfo(file).completeBaseName() + u'.' + stamp + ".xml"));
                ASSERT_TRUE(saved.open(QIODevice::WriteOnly) && saved.write(state[file]) == state[file].size());
            }
            if (row.record) {
                QFile set(world.path(record));
                ASSERT_TRUE(set.open(QIODevice::WriteOnly) && set.write(row.record) > 0);
            }
            world.start();
            TFrmMain &main = world.main();
            const QString caption = "Save state " + stamp;
            EXPECT_EQ(historyCaptions(main),
                      QStringList({row.missing.isEmpty() ? caption : caption + " (incomplete)"}));

            world.prompts.asked.clear();
            world.prompts.answers = {answer};
            ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState,
                                       goBack ? QList<QAction *>{main.PopupItmToolGoBack}
                                              : QList<QAction *>{main.PopupItemToolHistory->menuAction(),
                                                                 main.PopupItemToolHistory->actions().first()}));
            ASSERT_FALSE(world.prompts.asked.isEmpty());
            EXPECT_EQ(world.prompts.asked.first().text,
                      row.missing.isEmpty()
                          ? "Are you sure? The current lists stay in History."
                          : "The save state \"" + stamp + "\" is incomplete: it lacks lists it was saved "
                                "with. The lists it lacks stay as they are and may not belong with the "
                                "others.\r\n\r\nMissing files:\r\n" + row.missing.join("\r\n")
                                + "\r\n\r\nRestore the files it holds all the same? The current lists stay in History.");
            EXPECT_EQ(world.prompts.asked.first().buttons, TPrompts::mbYes | TPrompts::mbCancel);
            for (const QString &file : all) {
                SCOPED_TRACE(qPrintable(file));
                if (answer == TPrompts::mbCancel || row.missing.contains(file))
                    EXPECT_EQ(world.bytes(file), working[file]);
                else if (row.files.contains(file))
                    EXPECT_EQ(world.bytes(file), state[file]);
                else
                    EXPECT_FALSE(world.exists(file));
            }
            if (answer == TPrompts::mbYes) {
                EXPECT_EQ(world.prompts.texts().last(), caption + " restored!");
                EXPECT_FALSE(world.exists(record));
                EXPECT_FALSE(historyCaptions(main).contains(caption));
            } else {
                // A record stays with its state: it tells the state's set.
                EXPECT_EQ(world.exists(record), row.record != nullptr);
            }
            if (&row == &rows[0] && answer == TPrompts::mbCancel) {
                // The menu as the user meets it, with the History submenu open
                // (last: the menu keeps the pointer's place).
                ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState, {main.PopupItemToolHistory->menuAction()}));
                EXPECT_TRUE(main.PopupItemToolHistory->isVisible());
                EXPECT_TRUE(saveShot(*main.PopupItemToolHistory, QStringLiteral("history_menu_incomplete.png")));
                while (QWidget *popup = QApplication::activePopupWidget())
                    QTest::keyClick(popup, Qt::Key_Escape);
            }
        }
    }
}

// Clear Cache (Reset) empties every list but KingOfSat's and deletes their
// files, after keeping the lists as they are as a History state, unsaved
// changes included, so that Go Back brings them back. The question says
// what goes, Cancel its default. When the lists cannot be kept, nothing is
// deleted and the user is told why.
TEST(MainWindowHistory, ResetKeepsTheListsInHistoryFirstAndKingOfSatStays)
{
    const QStringList lists = {"Services.xml", "MyServices.xml", "Bouquets.xml"};
    struct Row {
        const char *name;
        bool unsaved;
        std::function<void(TProgramWorld &)> spoil; // the keeping's failure
        const char *question;
        const char *error; // the start of what is told; null: reset
    };
    const char *const kSure = "Are you sure? The services, my services and bouquets will be emptied; "
                              "the KingOfSat list stays. ";
    const auto historyAFile = [](TProgramWorld &world) {
        ASSERT_TRUE(QDir(world.path("History")).removeRecursively());
        QFile file(world.path("History"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    };
    const auto kingOfSatAFolder = [](TProgramWorld &world) {
        ASSERT_TRUE(QFile::remove(world.path("KingOfSat.xml")));
        ASSERT_TRUE(QDir(world.folder.path()).mkdir("KingOfSat.xml"));
    };
    const Row rows[] = {
        {"saved", false, nullptr, "The current lists stay in History.", nullptr},
        {"unsaved", true, nullptr, "The current lists stay in History, unsaved changes included.", nullptr},
        {"History a file", false, historyAFile, "The current lists stay in History.",
         "The current lists could not be kept in History, so nothing was reset."},
        {"unsaved, not writable", true, kingOfSatAFolder,
         "The current lists stay in History, unsaved changes included.",
         "The unsaved changes could not be written, so nothing was reset:\r\nKingOfSat.xml: "},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        // The lists saved last are then in no state yet.
        saveAnEdit(world);
        const QString renamed = QStringLiteral("Renamed, not saved");
        if (row.unsaved) {
            world.program.BouquetList->GetItem(0)->Name = renamed;
            SaveHandler().SetModified();
        }
        QHash<QString, QByteArray> files;
        for (const QString &name : lists)
            files[name] = world.bytes(name);
        const int services = serviceNames(*world.program.ServiceList).size();
        const int bouquets = main.ComboBouquets->count();
        if (row.spoil)
            row.spoil(world);

        world.prompts.asked.clear();
        world.prompts.answers = {TPrompts::mbCancel};
        ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState, {main.PopupItmToolReset}));
        ASSERT_EQ(world.prompts.asked.size(), 1);
        EXPECT_EQ(world.prompts.asked[0].text, QString(kSure) + row.question);
        EXPECT_TRUE(world.prompts.asked[0].buttons & TPrompts::mbCancelDefault);
        EXPECT_EQ(serviceNames(*world.program.ServiceList).size(), services);

        world.prompts.asked.clear();
        world.prompts.answers = {TPrompts::mbYes};
        ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState, {main.PopupItmToolReset}));
        if (row.error) {
            ASSERT_EQ(world.prompts.asked.size(), 2);
            EXPECT_EQ(world.prompts.asked[1].kind, TPrompts::TMsgKind::Error);
            EXPECT_TRUE(world.prompts.asked[1].text.startsWith(row.error)) << qPrintable(world.prompts.asked[1].text);
            // Unsaved changes may have reached the files on the way: the
            // lists saved last are kept then.
            for (const QString &name : lists)
                EXPECT_TRUE(row.unsaved ? world.exists(name) : world.bytes(name) == files[name]) << qPrintable(name);
            EXPECT_EQ(serviceNames(*world.program.ServiceList).size(), services);
            EXPECT_EQ(main.ComboBouquets->count(), bouquets);
            EXPECT_EQ(world.program.BouquetList->GetItem(0)->Name == renamed, row.unsaved);
            EXPECT_EQ(SaveHandler().Saved(), !row.unsaved);
            continue;
        }
        EXPECT_EQ(world.prompts.asked.size(), 1);
        for (const QString &name : lists)
            EXPECT_FALSE(world.exists(name)) << qPrintable(name);
        EXPECT_TRUE(world.exists("KingOfSat.xml"));
        EXPECT_EQ(main.ServicesGrid->RowCount(), 0);
        EXPECT_EQ(main.BouquetGrid->RowCount(), 0);
        EXPECT_EQ(main.ComboBouquets->count(), 0);
        EXPECT_GT(main.KingOfSatGrid->RowCount(), 0);
        EXPECT_EQ(main.InfoBarServices->PanelText(0), "0 Service(s) total");
        EXPECT_TRUE(SaveHandler().Saved());

        // Go Back brings the lists the reset emptied, as they were.
        world.prompts.answers = {TPrompts::mbYes};
        ASSERT_TRUE(main.PopupItmToolGoBack->isEnabled());
        ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState, {main.PopupItmToolGoBack}));
        EXPECT_EQ(main.ServicesGrid->RowCount(), services);
        EXPECT_EQ(main.ComboBouquets->count(), bouquets);
        EXPECT_EQ(world.program.BouquetList->GetItem(0)->Name == renamed, row.unsaved);
        if (!row.unsaved) {
            for (const QString &name : lists)
                EXPECT_TRUE(world.bytes(name) == files[name]) << qPrintable(name);
        }
    }
}

// A list file the reset cannot remove (here one made immutable) stays, its
// list read back from it, and the user is told which; the state the reset
// kept still holds every list.
TEST(MainWindowHistory, ResetSaysWhichListItCouldNotRemove)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    const int services = serviceNames(*world.program.ServiceList).size();
    const QByteArray path = QFile::encodeName(world.path("Services.xml"));
    const int fd = ::open(path.constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    const bool pinned = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0
        && (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    const auto unpin = qScopeGuard([&] {
        flags &= ~FS_IMMUTABLE_FL;
        if (pinned)
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        ::close(fd);
    });
    if (!pinned)
        GTEST_SKIP() << "this file system or user cannot make a file immutable";

    world.prompts.answers = {TPrompts::mbYes};
    ASSERT_TRUE(clickMenuItems(main.ToolBtnSaveState, {main.PopupItmToolReset}));
    ASSERT_EQ(world.prompts.asked.size(), 2);
    EXPECT_EQ(world.prompts.asked[1].kind, TPrompts::TMsgKind::Error);
    EXPECT_EQ(world.prompts.asked[1].text, "The reset could not remove every list; these stay as they are:\r\n"
                                           "Services.xml: The file could not be removed.");
    EXPECT_TRUE(world.exists("Services.xml"));
    EXPECT_FALSE(world.exists("MyServices.xml"));
    EXPECT_FALSE(world.exists("Bouquets.xml"));
    EXPECT_EQ(serviceNames(*world.program.ServiceList).size(), services);
    EXPECT_EQ(main.ServicesGrid->RowCount(), services);
    EXPECT_EQ(main.ComboBouquets->count(), 0);
    ASSERT_EQ(main.WorkingFiles().HistoryStamps().size(), 1);
    const QString stamp = main.WorkingFiles().HistoryStamps().first();
    for (const char *name : {"Services", "MyServices", "Bouquets"})
        EXPECT_TRUE(world.exists(QStringLiteral("History/%1.%2.xml").arg(QLatin1String(name), stamp))) << name;
    // The files may not belong together: the next start says so.
    EXPECT_TRUE(main.WorkingFiles().InterruptedSave().has_value());
}

TEST(MainWindowFilters, EachFilterEditShowsWhatItsPatternLetsThrough)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    struct Row {
        const char *name;
        QLineEdit *edit;
        TListGrid *grid;
        QStringList names;
        const char *column;
    };
    QStringList bouquetNames;
    TBouquet *current = main.CurrentBouquet();
    ASSERT_NE(current, nullptr);
    for (int i = 0; i < current->Count(); ++i)
        bouquetNames.append(current->GetItem(i)->Name);
    const Row rows[] = {
        {"services", main.EdtFilterServices, main.ServicesGrid,
         serviceNames(*world.program.ServiceList), "ColSerName"},
        {"my services", main.EdtFilterMyservices, main.MyServicesGrid,
         serviceNames(*world.program.MyServiceList), "ColMySerName"},
        {"KingOfSat", main.EdtFilterKingOfSat, main.KingOfSatGrid,
         serviceNames(*world.program.KingOfSatList), "ColKofSerName"},
        {"bouquet", main.EdtFilterBouquet, main.BouquetGrid, bouquetNames, "ColBouName"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_FALSE(row.names.isEmpty());
        main.PageControlServices->setCurrentIndex(row.grid == main.MyServicesGrid ? 1
                                                  : row.grid == main.KingOfSatGrid ? 2 : 0);
        const QString first = row.names.first();
        const QString pattern = "*" + first.mid(1, 3) + "*";
        typeFilter(row.edit, pattern);
        // The grid's own incremental filter is not the oracle: Qt's wildcard is.
        QStringList shown = columnTexts(*row.grid, row.column);
        const QStringList all = row.grid == main.MyServicesGrid
            ? QStringList() : matching(row.names, pattern);
        if (row.grid != main.MyServicesGrid) {
            EXPECT_EQ(shown, all);
        }
        EXPECT_TRUE(shown.contains(first));

        typeFilter(row.edit, "?");
        for (const QString &name : columnTexts(*row.grid, row.column))
            EXPECT_EQ(name.size(), 1) << qPrintable(name);

        typeFilter(row.edit, QString());
        EXPECT_EQ(row.edit->text(), "*");
        EXPECT_EQ(row.grid->RowCount(), row.grid == main.MyServicesGrid
                                            ? row.grid->RowCount() : int(row.names.size()));

        typeFilter(row.edit, "no such name at all");
        EXPECT_EQ(row.grid->RowCount(), 0);
        QToolButton *reset = row.edit->parentWidget()->parentWidget()->findChild<QToolButton *>();
        ASSERT_NE(reset, nullptr);
        QTest::mouseClick(reset, Qt::LeftButton);
        EXPECT_EQ(row.edit->text(), "*");
        EXPECT_GT(row.grid->RowCount(), 0);
    }
}

TEST(MainWindowFilters, TypeSwitchesHideTheirServices)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    const int all = main.ServicesGrid->RowCount();
    const int typeIcon = TFrmMain::ColumnByName(main.ServicesGrid, "ColSerSTypeIcon");
    struct Row {
        const char *action;
        int typeIndex;
    };
    for (const Row &row : {Row{"ActionSerFilterTv", 0}, Row{"ActionSerFilterRadio", 1},
                           Row{"ActionSerFilterData", 2}}) {
        SCOPED_TRACE(row.action);
        QAction *action = main.ActionByName(row.action);
        ASSERT_NE(action, nullptr);
        action->trigger(); // unchecks
        ASSERT_FALSE(action->isChecked());
        EXPECT_LT(main.ServicesGrid->RowCount(), all);
        for (int r = 0; r < main.ServicesGrid->RowCount(); ++r)
            EXPECT_NE(main.ServicesGrid->Cell(typeIcon, r)->AsInteger(), row.typeIndex);
        action->trigger();
        EXPECT_EQ(main.ServicesGrid->RowCount(), all);
    }
}

TEST(MainWindowInfoBars, CountEncodingAndDialect)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    const int total = serviceNames(*world.program.ServiceList).size();
    EXPECT_EQ(main.InfoBarServices->PanelText(0),
              QString("%1 Service(s) displayed / %1 Service(s) total").arg(total));
    EXPECT_EQ(main.InfoBarServices->PanelText(1), "UTF-8 Encoding");
    EXPECT_EQ(main.InfoBarServices->PanelText(2),
              "Type " + QString::number(world.program.ServiceList->Format));

    typeFilter(main.EdtFilterServices, "Z*");
    const int shown = matching(serviceNames(*world.program.ServiceList), "Z*").size();
    EXPECT_EQ(main.InfoBarServices->PanelText(0),
              QString("%1 Service(s) displayed / %2 Service(s) total").arg(shown).arg(total));

    int entries = 0;
    for (int i = 0; i < world.program.BouquetList->Count(); ++i)
        entries += world.program.BouquetList->GetItem(i)->Count();
    EXPECT_EQ(main.InfoBarBouquetList->PanelText(0),
              QString("%1 Bouquet(s) containing %2 service(s)")
                  .arg(world.program.BouquetList->Count())
                  .arg(entries));
}

TEST(MainWindowInfoBars, EmptyListsShowZeroTotals)
{
    TProgramWorld world(TProgramWorld::NoLists);
    world.start();
    TFrmMain &main = world.main();
    for (TPanelBar *bar : {main.InfoBarServices, main.InfoBarMyServices, main.InfoBarKingOfSat,
                           main.InfoBarBouquet}) {
        SCOPED_TRACE(qPrintable(bar->objectName()));
        EXPECT_EQ(bar->PanelText(0), "0 Service(s) total");
        EXPECT_EQ(bar->PanelText(1), "");
        EXPECT_EQ(bar->PanelText(2), "");
    }
    EXPECT_EQ(main.InfoBarBouquetList->PanelText(0), "0 Bouquet(s) containing 0 service(s)");
    EXPECT_EQ(main.InfoBarBouquetList->PanelText(1), "");
}

TEST(MainWindowGrids, EvenRowsAreTintedUnlessSelected)
{
    TProgramWorld world;
    world.start();
    TListGrid *grid = world.main().ServicesGrid;
    ASSERT_GE(grid->RowCount(), 3);
    const int name = TFrmMain::ColumnByName(grid, "ColSerName");
    grid->ClearSelection();
    grid->SetSelected(2, true);
    const QImage painted = grid->viewport()->grab().toImage();
    // A pixel of the cell's background: its left edge inside the grid lines,
    // clear of the text.
    const auto background = [&](int row) {
        const QRect cell = grid->CellRect(name, row);
        return painted.pixelColor(cell.left() + 2, cell.bottom() - 1);
    };
    const QColor tint(0xFE, 0xFC, 0xF5);
    EXPECT_EQ(background(0), tint);
    EXPECT_NE(background(1), tint);
    EXPECT_NE(background(2), tint); // selected
    EXPECT_EQ(background(4), tint);
}

TEST(MainWindowGrids, RowsPointAtTheModelAndACommandsMarksBecomeItsResult)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    TListGrid *grid = main.ServicesGrid;
    const int typeIcon = TFrmMain::ColumnByName(grid, "ColSerSTypeIcon");
    const int name = TFrmMain::ColumnByName(grid, "ColSerName");
    const int sid = TFrmMain::ColumnByName(grid, "ColSerSIDHEX");
    for (int row = 0; row < grid->RowCount(); ++row) {
        auto *service = static_cast<TService *>(grid->Cell(typeIcon, row)->ObjectReference());
        ASSERT_NE(service, nullptr);
        EXPECT_EQ(grid->Cells(name, row), service->Name);
        EXPECT_NE(grid->Cell(name, row)->ObjectReference(), nullptr);
        EXPECT_NE(grid->Cell(sid, row)->ObjectReference(), nullptr);
    }
    world.program.ServiceList->UnmarkAll();
    auto *third = static_cast<TService *>(grid->Cell(typeIcon, 2)->ObjectReference());
    third->Marked = true;
    // A refill keeps what the user chose (nothing); a command's result is
    // what it selects.
    main.FillServicesGrid(1);
    EXPECT_EQ(TFrmMain::FirstSelectedRow(grid), -1);
    main.SelectMarkedServices();
    EXPECT_EQ(TFrmMain::FirstSelectedRow(grid), 2);
    EXPECT_EQ(grid->SelectedRow(), 2);
    third->Marked = false;
}

TEST(MainWindowGrids, ChoosingAnotherBouquetInCodeRefillsTheBouquetGrid)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    ASSERT_GE(main.ComboBouquets->count(), 2);
    main.ComboBouquets->setCurrentIndex(1);
    TBouquet *second = world.program.BouquetList->GetItem(1);
    EXPECT_EQ(main.CurrentBouquet(), second);
    QStringList names;
    for (int i = 0; i < second->Count(); ++i)
        names.append(second->GetItem(i)->Name);
    EXPECT_EQ(columnTexts(*main.BouquetGrid, "ColBouName"), names);

    // The shown bouquet goes away: the combo moves on and the grid follows.
    world.program.BouquetList->Delete(1);
    main.FillBouquetCombo(0);
    TBouquet *now = main.CurrentBouquet();
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(main.BouquetGrid->RowCount(), now->Count());
}

TEST(MainWindowGrids, ARewriteThatWouldNotFitRebuilds)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    const int before = main.ServicesGrid->RowCount();
    TTransponder *tp = world.program.ServiceList->GetItem(0)->GetItem(0);
    const int removed = tp->Count();
    tp->Clear();
    main.FillServicesGrid(1);
    EXPECT_EQ(main.ServicesGrid->RowCount(), before - removed);
    EXPECT_EQ(columnTexts(*main.ServicesGrid, "ColSerName"),
              serviceNames(*world.program.ServiceList));
}

TEST(MainWindowGrids, HiddenColumnsKeepTheirValues)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    QAction *sidDec = main.ActionByName("ActionSerColSIDDEC");
    ASSERT_NE(sidDec, nullptr);
    sidDec->setChecked(true);
    const QStringList values = columnTexts(*main.ServicesGrid, "ColSerSIDDEC");
    sidDec->setChecked(false);
    EXPECT_FALSE(main.ServicesGrid->Columns()->ColumnByName("ColSerSIDDEC")->Visible());
    sidDec->setChecked(true);
    EXPECT_TRUE(main.ServicesGrid->Columns()->ColumnByName("ColSerSIDDEC")->Visible());
    EXPECT_EQ(columnTexts(*main.ServicesGrid, "ColSerSIDDEC"), values);
    EXPECT_FALSE(values.first().isEmpty());
}

// Best fit of the hidden columns waits until they are needed; what the
// user and the settings file see must be what fitting every column on
// each refill gave: a hidden column shown from the View menu, or written
// at close, has the width of a fit over the rows of the last refill.
TEST(MainWindowGrids, HiddenColumnsGetTheWidthsOfAFitOfEveryColumn)
{
    struct Grid {
        const char *prefix;
        const char *section;
        TListGrid *TFrmMain::*grid;
        QLineEdit *TFrmMain::*filter;
        void (TFrmMain::*fill)(int);
        std::unique_ptr<TServiceList> TProgram::*list;
    };
    const Grid grids[] = {
        {"Ser", "GUIServices", &TFrmMain::ServicesGrid, &TFrmMain::EdtFilterServices,
         &TFrmMain::FillServicesGrid, &TProgram::ServiceList},
        {"MySer", "GUIMyServices", &TFrmMain::MyServicesGrid, &TFrmMain::EdtFilterMyservices,
         &TFrmMain::FillMyServicesGrid, &TProgram::MyServiceList},
    };
    enum Way { Shown, ShownAfterCustomSizing, WrittenAtClose };
    for (const Grid &g : grids) {
        // The widths of the run that shows every column, for the others.
        std::vector<int> fitted;
        for (const Way way : {Shown, ShownAfterCustomSizing, WrittenAtClose}) {
            SCOPED_TRACE(std::string(g.prefix) + " way " + std::to_string(way));
            TProgramWorld world;
            world.start();
            TFrmMain &main = world.main();
            TListGrid *grid = main.*g.grid;
            const QString actions = QStringLiteral("Action%1Col").arg(g.prefix);
            QAction *bestFit = main.ActionByName(actions + "BestFit");
            ASSERT_TRUE(bestFit->isChecked());
            ASSERT_GT(grid->RowCount(), 1);
            // A hidden column whose widest text is wider than its caption.
            TTransponder *tp = (world.program.*g.list)->GetItem(0)->GetItem(0);
            tp->SymbolRate = QStringLiteral("1234567890123");
            (main.*g.fill)(0);
            const auto widths = [grid] {
                std::vector<int> result;
                for (int i = 0; i < grid->Columns()->Count(); ++i)
                    result.push_back(grid->Columns()->Items(i)->Width());
                return result;
            };
            if (way == WrittenAtClose) {
                ASSERT_TRUE(main.CloseMain());
                IniFile ini;
                ASSERT_TRUE(ini.load(world.path("pelloran.ini")));
                std::vector<int> written;
                for (int i = 0; i < grid->Columns()->Count(); ++i) {
                    const QString key = QStringLiteral("column%1Width").arg(i);
                    written.push_back(ini.readString(g.section, key).toInt());
                }
                EXPECT_EQ(written, fitted);
                continue;
            }
            if (way == ShownAfterCustomSizing) {
                // Custom widths stay as the last fit left them, whatever
                // rows come next.
                main.ActionByName(actions + "Custom")->trigger();
                ASSERT_FALSE(bestFit->isChecked());
                (main.*g.filter)->setText(QStringLiteral("no service has this name"));
                (main.*g.fill)(0);
                ASSERT_EQ(grid->RowCount(), 0);
            }
            const std::vector<int> before = widths();
            for (QAction *action : main.findChildren<QAction *>()) {
                const QString name = action->objectName();
                if (name.startsWith(actions) && !name.endsWith("BestFit") && !name.endsWith("Custom")
                    && !action->isChecked())
                    action->trigger();
            }
            if (way == ShownAfterCustomSizing) {
                EXPECT_EQ(widths(), fitted);
                continue;
            }
            const std::vector<int> seen = widths();
            // Every column is shown now (the logo column is by default): a
            // fit of all of them.
            main.ApplyColumnSizing(grid);
            fitted = widths();
            EXPECT_EQ(seen, fitted);
            EXPECT_NE(before, fitted) << "no hidden column to fit";
        }
    }
}

// A desktop with larger text must not find "Chann..." over the bouquet
// list or "..." over the type icons.
TEST(MainWindowGrids, DefaultColumnWidthsShowWholeCaptions)
{
    appTestApp();
    for (const int pixels : {11, 15}) {
        SCOPED_TRACE(std::to_string(pixels) + " px");
        const ScopedFontSize font(pixels);
        TProgramWorld world;
        world.start();
        TFrmMain &main = world.main();
        main.resize(1000, 670);
        expectWholeColumnCaptions(main, false);
        const struct {
            int services;
            int bouquets;
            const char *shot;
        } pages[] = {{2, 1, "main_window_%1px_kingofsat_bouquet_list.png"},
                     {0, 0, "main_window_%1px.png"}};
        for (const auto &page : pages) {
            main.PageControlServices->setCurrentIndex(page.services);
            main.PageControlBouquets->setCurrentIndex(page.bouquets);
            QCoreApplication::processEvents();
            expectWholeBarTexts(main);
            EXPECT_TRUE(saveShot(main, QString::fromLatin1(page.shot).arg(pixels)));
        }
    }
}

TEST(MainWindowGrids, SixtySevenColumnActionsOneForEachDataColumn)
{
    TProgramWorld world;
    int columnActions = 0;
    for (const QAction *action : world.main().findChildren<QAction *>()) {
        const QString name = action->objectName();
        if (QRegularExpression("^Action(Ser|MySer|Kof|Bou)Col").match(name).hasMatch()
            && !name.endsWith("BestFit") && !name.endsWith("Custom")) {
            ++columnActions;
            EXPECT_TRUE(action->isCheckable()) << qPrintable(name);
        }
    }
    EXPECT_EQ(columnActions, 67);
}

// A logo thread that works until asked to stop, acknowledges, and only then
// winds down: shut-down must wait for its end, not for its acknowledgement.
class StubbornLogoThread : public QThread
{
public:
    StubbornLogoThread(TProgram &program, bool rebuild) : m_program(program), m_rebuild(rebuild) {}
    std::atomic<bool> ended{false};

protected:
    void run() override
    {
        if (m_rebuild) {
            msleep(150);
        } else {
            while (m_program.LogoMappingRunning)
                msleep(5);
            m_program.LogoMappingStopped = true;
            msleep(100);
        }
        m_program.LogoMappingRunning = false;
        ended = true;
    }

private:
    TProgram &m_program;
    bool m_rebuild;
};

TEST(MainWindowLogoMapping, ShutDownWaitsForTheThreadToEnd)
{
    for (const bool rebuild : {true, false}) {
        SCOPED_TRACE(rebuild ? "rebuilding" : "applying");
        TProgramWorld world;
        if (!rebuild) {
            QFile mapping(world.path("LogoMapping.dat"));
            ASSERT_TRUE(mapping.open(QIODevice::WriteOnly));
        }
        StubbornLogoThread *thread = nullptr;
        world.main().LogoThreadStarter = [&](bool rebuildAsked) -> QThread * {
            EXPECT_EQ(rebuildAsked, rebuild);
            // The flag is up before the thread exists.
            EXPECT_TRUE(world.program.LogoMappingRunning);
            thread = new StubbornLogoThread(world.program, rebuildAsked);
            thread->setParent(&world.main());
            thread->start();
            return thread;
        };
        world.start();
        ASSERT_NE(thread, nullptr);
        EXPECT_TRUE(world.main().CloseMain());
        EXPECT_TRUE(thread->ended);
        EXPECT_TRUE(thread->isFinished());
        EXPECT_EQ(world.program.ServiceList, nullptr);
    }
}

// The size the window starts at, where it sits, and that the grids' columns
// show whole (nothing to scroll sideways, every caption as wide as its text),
// on the 1600 x 1000 screen of the tests.
TEST(MainWindowPlaces, FirstStartFitsTheScreenAndAStoredSizeWins)
{
    appTestApp();
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(room.size(), QSize(1600, 1000)) << "the tests' screen";
    struct Row {
        const char *name;
        const char *sizes;
        QSize size;
        bool columnsWhole;
    };
    const Row rows[] = {
        {"first start", "", QSize(1440, 900), true},
        {"stored size", "[GUISizes]\nmainFormHeight=700\nmainFormWidth=1100\n", QSize(1100, 700), false},
        {"stored size larger than the screen",
         "[GUISizes]\nmainFormHeight=3000\nmainFormWidth=4000\n", room.size(), true},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        TProgramWorld world(TProgramWorld::DemoLists, TProgramWorld::NoSettings);
        QFile ini(world.path("pelloran.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QByteArray(kSafeSettings) + r.sizes);
        ini.close();
        world.start();
        QCoreApplication::processEvents();
        TFrmMain &main = world.main();
        const QSize border = main.frameGeometry().size() - main.size();
        EXPECT_EQ(main.size(), r.size.boundedTo(room.size() - border));
        const QRect frame = main.frameGeometry();
        EXPECT_TRUE(room.contains(frame))
            << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
        EXPECT_LE(std::abs(frame.center().x() - room.center().x()), 1);
        EXPECT_LE(std::abs(frame.center().y() - room.center().y()), 1);
        if (!r.columnsWhole)
            continue;
        for (TListGrid *grid : {main.ServicesGrid, main.BouquetGrid}) {
            SCOPED_TRACE(grid->objectName().toStdString());
            EXPECT_LE(grid->IndicatorWidth() + grid->Columns()->VisibleWidth(), grid->ClientWidth());
            const QFontMetrics metrics(grid->font());
            for (int i = 0; i < grid->Columns()->Count(); ++i) {
                const TLgCustomColumn *column = grid->Columns()->Items(i);
                if (column->Visible()) {
                    EXPECT_GE(column->Width(), metrics.horizontalAdvance(column->Header().Caption()))
                        << column->objectName().toStdString();
                }
            }
        }
        if (r.size == QSize(1440, 900)) {
            EXPECT_TRUE(saveShot(main, "main_window_first_start.png"));
        }
    }
}

// Every dialog the main window opens comes up over the middle of the main
// window, the first time and again after the user moved it away and moved
// the main window.
TEST(MainWindowPlaces, DialogsOpenCentredOnTheMainWindowEveryTime)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    main.resize(1100, 700);
    main.move(120, 80);
    main.ServicesGrid->ClearSelection();
    main.ServicesGrid->SetSelected(1, true);
    QCoreApplication::processEvents();
    for (const TDialogCommand &dialog : dialogCommands(main)) {
        SCOPED_TRACE(dialog.name);
        for (const QPoint mainAt : {QPoint(120, 80), QPoint(400, 250)}) {
            main.move(mainAt);
            QCoreApplication::processEvents();
            QPoint offCentre(-1000, -1000);
            bool opened = false;
            whenModal(dialog.name, [&](QWidget *modal) {
                opened = true;
                QCoreApplication::processEvents();
                offCentre = modal->geometry().center() - main.geometry().center();
                // Put aside before it closes, as a user drags it, and
                // through the widget, which marks a place of its own.
                modal->windowHandle()->setPosition(5, 5);
                QCoreApplication::processEvents();
                modal->move(30, 30);
                QCoreApplication::processEvents();
                qobject_cast<QDialog *>(modal)->reject();
            });
            dialog.open();
            EXPECT_TRUE(opened);
            EXPECT_LE(offCentre.manhattanLength(), 2) << offCentre.x() << "," << offCentre.y()
                                                      << " off with the main window at " << mainAt.x()
                                                      << "," << mainAt.y();
        }
    }
}

TEST(MainWindowShots, MainWindowWithTheDemoLists)
{
    TProgramWorld world;
    world.start();
    world.main().resize(1200, 700);
    world.main().BouquetListGrid->update();
    QCoreApplication::processEvents();
    EXPECT_TRUE(saveShot(world.main(), "main_window.png"));
    world.main().PageControlBouquets->setCurrentIndex(1);
    world.main().PageControlServices->setCurrentIndex(1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(saveShot(world.main(), "main_window_my_services.png"));
}

// Restoring and resetting free the lists the logo thread reads: it is
// stopped, and has ended, before they go; a new run follows them.
TEST(MainWindowLogoMapping, RestoreAndResetStopTheThreadFirst)
{
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "restore");
        TProgramWorld world;
        QFile mapping(world.path("LogoMapping.dat"));
        ASSERT_TRUE(mapping.open(QIODevice::WriteOnly));
        mapping.close();
        QList<StubbornLogoThread *> threads;
        world.main().LogoThreadStarter = [&](bool rebuild) -> QThread * {
            auto *thread = new StubbornLogoThread(world.program, rebuild);
            thread->setParent(&world.main());
            thread->start();
            threads.append(thread);
            return thread;
        };
        world.start();
        ASSERT_EQ(threads.size(), 1);
        if (reset) {
            world.prompts.answers = {TPrompts::mbYes};
            world.main().PopupItmToolReset->trigger();
        } else {
            world.main().WorkingFiles().SaveState(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)));
            world.main().RestoreState("2020-01-02_03.04.05");
        }
        ASSERT_EQ(threads.size(), 2);
        EXPECT_TRUE(threads.first()->ended);
        EXPECT_TRUE(threads.first()->isFinished());
    }
}

// The small controls live inside their bars' panels whatever size the
// window takes, on every page of the services side.
TEST(MainWindowLayout, BarControlsStayInTheirPanelsAsTheWindowResizes)
{
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    struct Placement {
        TPanelBar *bar;
        int panel;
        const char *control;
    };
    const Placement kPlacements[] = {
        {main.StatusBar, 1, "ImgLogoMappingActive"}, {main.StatusBar, 1, "ImgLogoMappingInactive"},
        {main.StatusBar, 2, "ImgConnected"},         {main.StatusBar, 2, "ImgDisconnected"},
        {main.StatusBar, 4, "ProgressBar"},          {main.FilterBarServices, 0, "BtnFilterServices"},
        {main.FilterBarServices, 1, "EdtFilterServices"},
        {main.FilterBarMyServices, 0, "BtnFilterMyServices"},
        {main.FilterBarMyServices, 1, "EdtFilterMyservices"},
        {main.FilterBarKingOfSat, 0, "BtnFilterKingOfSat"},
        {main.FilterBarKingOfSat, 1, "EdtFilterKingOfSat"},
        {main.FilterBarBouquet, 0, "BtnFilterBouquet"},
        {main.FilterBarBouquet, 1, "EdtFilterBouquet"}};
    auto *pages = main.findChild<QTabWidget *>("PageControlServices");
    ASSERT_NE(pages, nullptr);
    // Shown as they are while a ping or a logo mapping has something to say.
    for (const char *indicator : {"ImgLogoMappingActive", "ImgConnected"})
        main.findChild<QWidget *>(indicator)->show();
    for (const QSize size : {QSize(1000, 670), QSize(720, 520), QSize(1400, 900)}) {
        main.resize(size);
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            QCoreApplication::processEvents();
            for (const Placement &p : kPlacements) {
                if (!p.bar->isVisible())
                    continue;
                SCOPED_TRACE(std::string(p.control) + " at " + std::to_string(size.width()));
                auto *control = main.findChild<QWidget *>(p.control);
                ASSERT_NE(control, nullptr);
                if (!control->isVisible())
                    continue;
                const QRect inBar(control->mapTo(p.bar, QPoint(0, 0)), control->size());
                EXPECT_TRUE(p.bar->PanelRect(p.panel).contains(inBar));
            }
        }
    }
    pages->setCurrentIndex(0);
}
