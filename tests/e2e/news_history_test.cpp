// A second import brings changed, new and deleted services; the user reads
// the news, goes back to the saved state and then optimises the lists.

#include "e2e_ui.h"

#include "exchange/import_news_dialog.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The cable demo as the receiver holds it later: ZDF moved to another
// transponder, a new service, Sport Arena gone.
QByteArray laterServices()
{
    QByteArray xml = readBytes(QStringLiteral(PELLORAN_DEMO_DIR "/cable/Services.xml"));
    const QByteArray zdf = "\t\t\t<channel service_id=\"0065\" name=\"ZDF\" service_type=\"01\" />\n";
    xml.replace(zdf, "\t\t\t<channel service_id=\"0099\" name=\"Neu TV\" service_type=\"01\" />\n");
    xml.replace("\t\t\t<channel service_id=\"00c8\"", zdf + "\t\t\t<channel service_id=\"00c8\"");
    xml.replace("\t\t\t<channel service_id=\"012e\" name=\"Sport Arena\" service_type=\"01\" />\n", "");
    return xml;
}

} // namespace

E2E_STEP(news_restore_optimise)
{
    TProgram &program = step.program;
    const QString before = describeLists(program);
    const QStringList historyBefore = historyCaptions(step);

    QList<int> newsRows;
    whenModal("FrmImportNews", [&newsRows](QWidget *window) {
        auto *news = static_cast<TFrmImportNews *>(window);
        newsRows = {news->NewGrid()->RowCount(), news->ChangedGrid()->RowCount(),
                    news->DeletedGrid()->RowCount()};
        child(window, "BtnClose")->click();
    });
    importFromReceiver(step, true);
    step.check(step.prompts.texts().contains("Import successful."), "the import succeeds");
    step.check(newsRows == QList<int>({1, 1, 1}), "the news window shows one new, one changed and one deleted service");
    step.check(describeLists(program) != before, "the import changed the lists");
    step.report("state-imported.txt", describeLists(program));

    // The import saved the session first: going back brings it again.
    const QStringList history = historyCaptions(step);
    step.check(history.size() == historyBefore.size() + 1 || historyBefore.contains("<Empty>"),
               "the import saved the earlier state: " + history.join(", "));
    step.prompts.asked.clear();
    // The logo mapping the import started ends, and its last results wait
    // in the event queue: going back now must not let them reach the
    // services the restore frees.
    while (program.LogoMappingRunning)
        QThread::msleep(5);
    step.check(step.main().PopupItmToolGoBack->isEnabled(), "Go Back is offered");
    step.prompts.answers = {TPrompts::mbYes};
    step.main().PopupItmToolGoBack->trigger();
    // The imported lists are not saved yet: Go Back returns to the lists
    // the import saved first, and keeps the imported ones.
    const QStringList texts = step.prompts.texts();
    step.check(texts.size() == 2
                   && texts[0] == "Are you sure? The current lists stay in History, unsaved changes included."
                   && texts[1].startsWith("Save state ") && texts[1].endsWith(" restored!"),
               "the restore asks first and then says so: " + texts.join(" | "));
    step.check(describeLists(program) == before, "the restored lists are those before the import");
    step.check(!historyCaptions(step).contains(texts.value(1).chopped(QStringLiteral(" restored!").size())),
               "the restored state left the history");
    bool importKept = false;
    for (const QString &file : QDir(step.path("History")).entryList({"Services.*.xml"}, QDir::Files))
        importKept = importKept || readBytes(step.path("History/" + file)).contains("Neu TV");
    step.check(importKept, "the imported lists are a state in History");

    // Optimising with every step.
    step.prompts.asked.clear();
    whenModal("FrmOptimize", [](QWidget *dialog) {
        for (QAbstractButton *box : dialog->findChildren<QAbstractButton *>()) {
            if (box->objectName().startsWith("Cbx") && !box->isChecked())
                box->click();
        }
        child(dialog, "BtnOptimize")->click();
    });
    clickToolButton(step, "ToolBtnOptimize");
    step.check(step.prompts.texts().size() == 1 && step.prompts.texts().first().startsWith("Optimization"),
               "the results are reported: " + step.prompts.texts().join(" | "));
    for (int s = 0; s < program.ServiceList->Count(); ++s) {
        const TSatelite *sat = program.ServiceList->GetItem(s);
        for (int t = 0; t < sat->Count(); ++t)
            for (int v = 0; v < sat->GetItem(t)->Count(); ++v)
                step.check(!sat->GetItem(t)->GetItem(v)->IsData(),
                           "no data service is left: " + sat->GetItem(t)->GetItem(v)->Name);
    }
    for (int b = 0; b < program.BouquetList->Count(); ++b) {
        const TBouquet *bouquet = program.BouquetList->GetItem(b);
        for (int e = 0; e < bouquet->Count(); ++e)
            step.check(bouquet->GetItem(e)->Service() != nullptr, "no obsolete entry is left: " + bouquet->GetItem(e)->Name);
    }
    step.report("state-optimised.txt", describeLists(program));
    step.prompts.asked.clear();
    step.prompts.answers = {TPrompts::mbYes};
}

// Whether each set of services saved so far is in the working file or in a
// state of the history, and in one place only.
static void checkNothingMissing(TStep &step, const QList<QByteArray> &saved, const QString &when)
{
    QList<QByteArray> present = {readBytes(step.path("Services.xml"))};
    for (const QString &file : QDir(step.path("History")).entryList({"Services.*.xml"}, QDir::Files))
        present.append(readBytes(step.path("History/" + file)));
    for (int i = 0; i < saved.size(); ++i)
        step.check(present.count(saved[i]) == 1,
                   QStringLiteral("%1: saved set %2 is there once (%3 times)").arg(when).arg(i).arg(present.count(saved[i])));
}

// The History menu's item of the state whose services file holds these bytes.
static QAction *historyItemHolding(TStep &step, const QByteArray &services)
{
    for (QAction *item : step.main().PopupItemToolHistory->actions()) {
        if (readBytes(step.path("History/Services." + item->text().mid(11) + ".xml")) == services)
            return item;
    }
    return nullptr;
}

// Two saves with edits between, Go Back twice, then forward again through
// the History menu to the lists saved last.
E2E_STEP(history_back_and_forth)
{
    TFrmMain &main = step.main();
    QList<QByteArray> saved = {readBytes(step.path("Services.xml"))};
    for (int edit = 0; edit < 2; ++edit) {
        TListGrid *grid = main.ServicesGrid;
        const int rows = grid->RowCount();
        clickCell(grid, "ColSerName", 0);
        QTest::keyClick(grid, Qt::Key_Delete);
        step.check(grid->RowCount() == rows - 1, "the edit removed a service");
        if (!step.check(main.PopupItmToolSave->isEnabled(), "Save is offered after the edit"))
            return;
        main.PopupItmToolSave->trigger();
        saved.append(readBytes(step.path("Services.xml")));
        step.check(saved.last() != saved[saved.size() - 2], "the save wrote the edit");
        checkNothingMissing(step, saved, QStringLiteral("after save %1").arg(edit + 1));
    }
    const QString lastSave = describeLists(step.program);

    for (int back = 1; back <= 2; ++back) {
        if (!step.check(main.PopupItmToolGoBack->isEnabled(), QStringLiteral("Go Back %1 is offered").arg(back)))
            return;
        step.prompts.answers = {TPrompts::mbYes};
        main.PopupItmToolGoBack->trigger();
        step.check(readBytes(step.path("Services.xml")) == saved[2 - back],
                   QStringLiteral("Go Back %1 brings the lists of the save before").arg(back));
        checkNothingMissing(step, saved, QStringLiteral("after Go Back %1").arg(back));
    }
    step.check(!main.PopupItmToolGoBack->isEnabled(), "there is nothing further back");

    // Forward: the newest state in the menu holds the lists saved last.
    for (int forward = 1; forward <= 2; ++forward) {
        QAction *target = historyItemHolding(step, saved[forward]);
        if (!step.check(target != nullptr, QStringLiteral("the menu offers saved set %1").arg(forward)))
            return;
        step.prompts.answers = {TPrompts::mbYes};
        target->trigger();
        step.check(readBytes(step.path("Services.xml")) == saved[forward],
                   QStringLiteral("the menu brought saved set %1 back").arg(forward));
        checkNothingMissing(step, saved, QStringLiteral("after going forward %1").arg(forward));
    }
    step.check(describeLists(step.program) == lastSave, "the lists saved last are back in the window");
    step.report("state-last-save.txt", lastSave);
}

// Save A, edit, save B, edit C and leave it unsaved, then Go Back: the lists
// saved last (B) come back, and A, B and C can each be brought back from the
// History menu exactly as they were. Run again after a restart ("again"),
// only the menu part: the same sets come back the same way.
E2E_STEP(history_unsaved_go_back)
{
    TFrmMain &main = step.main();
    const QStringList sets = {"A", "B", "C"};
    const auto setFile = [](const QString &set) { return "set-" + set + ".xml"; };
    const auto listsFile = [](const QString &set) { return "lists-" + set + ".txt"; };
    if (step.arg("run") != "again") {
        QList<QByteArray> known = {readBytes(step.path("Services.xml"))};
        for (const QString &set : sets) {
            const int rows = main.ServicesGrid->RowCount();
            clickCell(main.ServicesGrid, "ColSerName", 0);
            QTest::keyClick(main.ServicesGrid, Qt::Key_Delete);
            step.check(main.ServicesGrid->RowCount() == rows - 1, "edit " + set + " removed a service");
            step.report(listsFile(set), describeLists(step.program));
            if (set == "C")
                break;
            step.check(clickMenuItems(main.ToolBtnSaveState, {main.PopupItmToolSave}), "save " + set);
            known.append(readBytes(step.path("Services.xml")));
            writeBytes(step.path(setFile(set)), known.last());
        }
        step.prompts.asked.clear();
        step.prompts.answers = {TPrompts::mbYes};
        if (!step.check(clickMenuItems(main.ToolBtnSaveState, {main.PopupItmToolGoBack}),
                        "Go Back is offered with C not saved"))
            return;
        step.check(step.prompts.texts().value(0)
                       == "Are you sure? The current lists stay in History, unsaved changes included.",
                   "the question says what is kept: " + step.prompts.texts().join(" | "));
        step.check(describeLists(step.program) == QString::fromUtf8(readBytes(step.path(listsFile("B")))),
                   "Go Back brings the lists saved last, B");
        // C is the state whose services are none of those saved before.
        for (QAction *item : main.PopupItemToolHistory->actions()) {
            const QByteArray services = readBytes(step.path("History/Services." + item->text().mid(11) + ".xml"));
            if (!known.contains(services))
                writeBytes(step.path(setFile("C")), services);
        }
        step.check(QFile::exists(step.path(setFile("C"))), "C is a state of its own");
    }
    const bool again = step.arg("run") == "again";
    if (again)
        step.report("go-back-at-start.txt", main.PopupItmToolGoBack->isEnabled() ? "enabled" : "disabled");
    for (const QString &set : {QStringLiteral("C"), QStringLiteral("A"), QStringLiteral("B")}) {
        QAction *item = historyItemHolding(step, readBytes(step.path(setFile(set))));
        if (!step.check(item != nullptr, "the menu offers " + set))
            continue;
        step.prompts.answers = {TPrompts::mbYes};
        step.check(clickMenuItems(main.ToolBtnSaveState, {main.PopupItemToolHistory->menuAction(), item}),
                   "the menu item of " + set + " is clicked");
        step.check(describeLists(step.program) == QString::fromUtf8(readBytes(step.path(listsFile(set)))),
                   set + " is back as it was");
    }
    if (again)
        return;
    // Back as far as Go Back goes: the next start offers it the same way.
    for (int back = 0; back < 5 && main.PopupItmToolGoBack->isEnabled(); ++back) {
        step.prompts.answers = {TPrompts::mbYes};
        clickMenuItems(main.ToolBtnSaveState, {main.PopupItmToolGoBack});
    }
    step.report("go-back-at-end.txt", main.PopupItmToolGoBack->isEnabled() ? "enabled" : "disabled");
    step.report("lists-at-end.txt", describeLists(step.program));
}

TEST(NewsAndHistory, AnEditNotSavedIsKeptByGoBackAndEverySetComesBackAfterARestart)
{
    TE2EWorld world;
    world.writeSettings();
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/cable/") + QLatin1String(name), world.path(QLatin1String(name)));
    const TRunResult run = world.run("history_unsaved_go_back", {"run=first"});
    ASSERT_TRUE(run.ok()) << run.output.toStdString();
    const TRunResult restart = world.run("restart");
    ASSERT_TRUE(restart.ok()) << restart.output.toStdString();
    EXPECT_EQ(world.bytes("state-restart.txt"), world.bytes("lists-at-end.txt"));
    const TRunResult again = world.run("history_unsaved_go_back", {"run=again"});
    ASSERT_TRUE(again.ok()) << again.output.toStdString();
    // Go Back is offered the same way before and after the restart.
    EXPECT_EQ(world.bytes("go-back-at-end.txt"), "disabled");
    EXPECT_EQ(world.bytes("go-back-at-start.txt"), world.bytes("go-back-at-end.txt"));
}

TEST(NewsAndHistory, SavesGoBackTwiceAndForwardAgainLoseNothing)
{
    TE2EWorld world;
    world.writeSettings();
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/cable/") + QLatin1String(name), world.path(QLatin1String(name)));
    const TRunResult run = world.run("history_back_and_forth");
    ASSERT_TRUE(run.ok()) << run.output.toStdString();

    // The next run finds the lists saved last, and the two before in History.
    const TRunResult restart = world.run("restart");
    ASSERT_TRUE(restart.ok()) << restart.output.toStdString();
    EXPECT_EQ(world.bytes("state-restart.txt"), world.bytes("state-last-save.txt"));
    const QStringList history = world.historyFiles();
    EXPECT_EQ(std::count_if(history.begin(), history.end(), [](const QString &f) { return f.startsWith("Services."); }), 2)
        << history.join(' ').toStdString();
}

TEST(NewsAndHistory, ImportNewsRestoreAndOptimise)
{
    TE2EWorld world;
    world.startReceiver();
    ASSERT_NE(world.ftp->port(), 0);
    writeBytes(world.receiverPath("services.xml"), laterServices());
    world.writeSettings();
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/cable/") + QLatin1String(name), world.path(QLatin1String(name)));

    const TRunResult run = world.run("news_restore_optimise", {"password=dbox2"});
    ASSERT_TRUE(run.ok()) << run.output.toStdString();

    // The news files name what the import brought.
    const struct {
        const char *file;
        QByteArray line;
    } news[] = {
        {"NewServices.dat", "Neu TV;Kabelnetz Musterstadt\r\n"},
        {"ChangedServices.dat", "ZDF;Kabelnetz Musterstadt\r\n"},
        {"DeletedServices.dat", "Sport Arena;Kabelnetz Musterstadt\r\n"},
    };
    for (const auto &n : news)
        EXPECT_EQ(world.bytes(QLatin1String(n.file)), n.line) << n.file;

    // The optimised lists were saved, and they are what the next run finds.
    EXPECT_FALSE(world.bytes("Services.xml").contains("Guide-Daten"));
    const TRunResult restart = world.run("restart");
    ASSERT_TRUE(restart.ok()) << restart.output.toStdString();
    EXPECT_EQ(world.bytes("state-restart.txt"), world.bytes("state-optimised.txt"));
    // The state before the optimisation is in the history.
    bool kept = false;
    for (const QString &file : world.historyFiles())
        kept = kept || (file.startsWith("Services.") && world.bytes("History/" + file).contains("Guide-Daten"));
    EXPECT_TRUE(kept) << world.historyFiles().join(' ').toStdString();
}
