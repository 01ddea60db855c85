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
    step.check(step.prompts.texts()
                   == QStringList({"Are you sure? The current lists stay in History.",
                                   "Save state " + history.first().mid(11) + " restored!"}),
               "the restore asks first and then says so: " + step.prompts.texts().join(" | "));
    step.check(describeLists(program) == before, "the restored lists are those before the import");
    step.check(!historyCaptions(step).contains(history.first()), "the restored state left the history");

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
        QAction *target = nullptr;
        for (QAction *item : main.PopupItemToolHistory->actions()) {
            const QString file = "History/Services." + item->text().mid(11) + ".xml";
            if (readBytes(step.path(file)) == saved[forward])
                target = item;
        }
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
