// A second import brings changed, new and deleted services; the user reads
// the news, goes back to the saved state and then optimises the lists.

#include "e2e_ui.h"

#include "exchange/import_news_dialog.h"

#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

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
                   == QStringList({"Are you sure?", "Save state " + history.first().mid(11) + " restored!"}),
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
