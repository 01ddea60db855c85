// From an empty program folder to lists edited, sent back to the receiver
// and found again after a restart.

#include "e2e_ui.h"

#include "core/zapit/xml_file_handler.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

const QString kBouquet = QStringLiteral("Evening");
const QString kRenamed = QStringLiteral("Evening TV");

// The first dialect of a combo that is not the list's own.
int otherDialect(QComboBox *combo, int own)
{
    for (int index = 1; index < combo->count(); ++index) {
        if (index != own)
            return index;
    }
    return 0;
}

} // namespace

E2E_STEP(first_run)
{
    TFrmMain &main = step.main();
    TProgram &program = step.program;
    step.check(program.ServiceList->Count() == 0 && program.BouquetList->Count() == 0,
               "an empty folder starts with empty lists");
    step.check(main.ServicesGrid->RowCount() == 0, "the services grid starts empty");

    // The password is typed into the settings dialog and kept.
    whenModal("FrmSettings", [](QWidget *settings) {
        auto *password = child<QLineEdit>(settings, "EdtPass");
        password->clear();
        QTest::keyClicks(password, QStringLiteral("dbox2"));
        if (!child(settings, "CbxSavePass")->isChecked())
            child(settings, "CbxSavePass")->click();
        child(settings, "BtnOk")->click();
    });
    clickToolButton(step, "ToolBtnSettings");

    importFromReceiver(step);
    step.check(step.prompts.texts().contains("Import successful."), "the import succeeds");
    step.check(program.ServiceList->Count() > 0 && main.ServicesGrid->RowCount() >= 3,
               "the receiver's services are shown");
    step.prompts.asked.clear();

    // A new bouquet, filled by dragging three services in.
    step.prompts.typed = {kBouquet};
    trigger(step, "PopupItmBouBouquetNew");
    TBouquet *bouquet = main.CurrentBouquet();
    if (!step.check(bouquet && bouquet->Name == kBouquet, "the new bouquet is the current one"))
        return;
    QStringList dragged;
    for (int row : {2, 0, 1}) {
        dragged.append(cellText(main.ServicesGrid, "ColSerSIDHEX", row).toUpper());
        dragServiceIntoBouquet(step, row);
    }
    // Entries may carry a my-services name: their service ids tell.
    QStringList entries;
    for (int e = 0; e < bouquet->Count(); ++e) {
        const TService *service = bouquet->GetItem(e)->Service();
        entries.append(service ? service->Sid.toUpper() : QString());
    }
    step.check(entries == dragged, "the dragged services are the bouquet's entries: " + entries.join(", ") + " / " + dragged.join(", "));

    step.prompts.typed = {kRenamed};
    trigger(step, "PopupItmBouBouquetRename");
    step.check(bouquet->Name == kRenamed, "the bouquet is renamed");

    // The bouquet list is on the second page.
    main.PageControlBouquets->setCurrentIndex(1);
    QCoreApplication::processEvents();
    const int listRow = rowOf(main.BouquetListGrid, "ColName", kRenamed);
    step.check(listRow >= 0, "the bouquet list shows the new name");
    clickCell(main.BouquetListGrid, "ColHidden", listRow);
    clickCell(main.BouquetListGrid, "ColLocked", listRow);
    step.check(bouquet->Hidden && bouquet->Locked, "the bouquet is hidden and locked");

    whenModal("FrmSortSelection", [](QWidget *sort) {
        child(sort, "BtnAlpha")->click();
        child(sort, "BtnOk")->click();
    });
    trigger(step, "PopupItmBouSort");
    entries.clear();
    for (int e = 0; e < bouquet->Count(); ++e)
        entries.append(bouquet->GetItem(e)->Name);
    QStringList sorted = entries;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    step.check(entries == sorted && entries.size() == 3, "the bouquet is sorted by name: " + entries.join(", "));

    // My services, one entry of each action.
    const int before = program.MyServiceList->Count() ? main.MyServicesGrid->RowCount() : 0;
    const struct {
        int row;
        const char *command;
    } adds[] = {{3, "PopupItmSerAddMyService"}, {4, "PopupItmSerAddAntiService"},
                {5, "PopupItmSerAddReplaceService"}};
    for (const auto &add : adds) {
        selectOnly(main.ServicesGrid, add.row);
        trigger(step, add.command);
    }
    step.check(main.MyServicesGrid->RowCount() == before + 3,
               QStringLiteral("three my-services entries were added (%1 -> %2)")
                   .arg(before)
                   .arg(main.MyServicesGrid->RowCount()));

    // Back to the receiver, services and bouquets in dialects of their own
    // choosing; the receiver's web interface is told to reload. The cable
    // services go out in a satellite dialect: the user is asked first and
    // lets their modulation go.
    program.ReceiverWebPort = step.arg("httpPort").toInt();
    int servicesDialect = 0;
    int bouquetsDialect = 0;
    step.prompts.answers = {TPrompts::mbYes, TPrompts::mbYes};
    whenModal("FrmImportExport", [&](QWidget *dialog) {
        chooseReceiverFiles(dialog, true, true, true, false);
        auto *services = child<QComboBox>(dialog, "ComboFormatServices");
        servicesDialect = otherDialect(services, program.ServiceList->Format);
        services->setCurrentIndex(servicesDialect);
        auto *bouquets = child<QComboBox>(dialog, "ComboFormatBouquets");
        bouquetsDialect = otherDialect(bouquets, program.BouquetList->Format);
        bouquets->setCurrentIndex(bouquetsDialect);
        child(dialog, "BtnExport")->click();
    });
    clickToolButton(step, "ToolBtnImportExport");
    step.check(step.prompts.texts().contains("Export successful."),
               "the export succeeds: " + step.prompts.texts().join(" | "));
    step.check(step.prompts.texts().value(0).endsWith(
                   "left out:\r\nmodulation\r\n\r\nExport it all the same?"),
               "the export first says what the format leaves out");

    // What our writers make of the lists, for the parent to compare.
    TFrmXMLHandler &handler = *program.FrmXMLHandler;
    QString error;
    const QString expected = step.arg("logs") + QStringLiteral("/expected-");
    step.check(handler.WriteServices(expected + "services.xml", servicesDialect, *program.ServiceList,
                                     error, program.ServiceList->Encoding),
               error);
    step.check(handler.WriteMyServices(expected + "myservices.xml", program.MyServiceList->Format,
                                       *program.MyServiceList, error, program.MyServiceList->Encoding),
               error);
    step.check(handler.WriteBouquets(expected + "bouquets.xml", bouquetsDialect, *program.BouquetList,
                                     error, program.BouquetList->Encoding),
               error);
    step.report("state-first.txt", describeLists(program));
    // Closing asks to save; the user says yes.
    step.prompts.asked.clear();
    step.prompts.answers = {TPrompts::mbYes};
}

E2E_STEP(restart)
{
    step.report("state-restart.txt", describeLists(step.program));
    step.report("history-menu.txt", historyCaptions(step).join(u'\n'));
    if (step.args.contains("savedPassword")) {
        auto *password = step.program.Form("FrmSettings")->findChild<QLineEdit *>("EdtPass");
        step.check(password && password->text() == step.arg("savedPassword"), "the saved password is back");
    }
}

// A change saved from the history menu.
E2E_STEP(save_again)
{
    step.prompts.typed = {QStringLiteral("Later")};
    trigger(step, "PopupItmBouBouquetNew");
    step.check(step.main().PopupItmToolSave->isEnabled(), "Save is offered after a change");
    step.main().PopupItmToolSave->trigger();
    step.report("history-menu.txt", historyCaptions(step).join(u'\n'));
}

TEST(ReceiverWorkflow, ImportEditExportAndRestart)
{
    TE2EWorld world;
    world.startReceiver();
    world.startWeb();
    ASSERT_NE(world.ftp->port(), 0);
    ASSERT_NE(world.http->port(), 0);
    world.writeSettings();

    const TRunResult first = world.run("first_run");
    ASSERT_TRUE(first.ok()) << first.output.toStdString();
    EXPECT_TRUE(first.output.contains("asked: Do you want to save your changes?"))
        << first.output.toStdString();

    // The receiver was read once and written once, file by file, each new
    // file beside the old one before it took its place.
    const QString zapit = QLatin1String(kReceiverZapitDir);
    QStringList transfers = {"RETR " + zapit + "/services.xml", "RETR " + zapit + "/myservices.xml",
                             "RETR " + zapit + "/bouquets.xml"};
    for (const char *name : {"services.xml", "myservices.xml", "bouquets.xml"})
        transfers += QStringList{"STOR " + zapit + "/." + name + ".pelloran-upload", "RNTO " + zapit + '/' + name};
    EXPECT_EQ(world.ftpLog(), transfers);
    for (const char *name : {"services.xml", "myservices.xml", "bouquets.xml"}) {
        const QByteArray sent = readBytes(world.receiverPath(QLatin1String(name)));
        EXPECT_FALSE(sent.isEmpty()) << name;
        EXPECT_EQ(sent, readBytes(world.logs.filePath(QStringLiteral("expected-") + QLatin1String(name))))
            << name;
    }
    // Another dialect than the working file's.
    EXPECT_NE(readBytes(world.receiverPath("services.xml")), world.bytes("Services.xml"));
    EXPECT_TRUE(readBytes(world.receiverPath("bouquets.xml")).contains(kRenamed.toUtf8()));
    // One reload message.
    ASSERT_EQ(world.webLog().size(), 1) << world.webLog().join('\n').toStdString();
    EXPECT_TRUE(world.webLog().first().startsWith("/control/message?")) << world.webLog().first().toStdString();

    // The working files hold the edits; the first session left no history.
    EXPECT_TRUE(world.bytes("Bouquets.xml").contains(kRenamed.toUtf8()));
    EXPECT_TRUE(world.historyFiles().isEmpty()) << world.historyFiles().join(' ').toStdString();
    const QString ini = QString::fromUtf8(world.bytes("pelloran.ini"));
    EXPECT_TRUE(ini.contains("savePassword=1")) << ini.toStdString();
    EXPECT_FALSE(ini.contains("dbox2")) << "the password is kept scrambled";

    const auto files = world.snapshot();
    const TRunResult restart = world.run("restart", {"savedPassword=dbox2"});
    ASSERT_TRUE(restart.ok()) << restart.output.toStdString();
    EXPECT_FALSE(restart.output.contains("asked:")) << restart.output.toStdString();
    EXPECT_EQ(world.bytes("state-restart.txt"), world.bytes("state-first.txt"));
    EXPECT_EQ(QString::fromUtf8(world.bytes("history-menu.txt")), "<Empty>");
    // A run without changes rewrites no list and no history.
    for (const QString &name : files.keys()) {
        if (name.endsWith(".xml")) {
            EXPECT_EQ(world.bytes(name), files.value(name)) << name.toStdString();
        }
    }
    EXPECT_TRUE(world.historyFiles().isEmpty());

    // The next save keeps the session's files in the history, as they were.
    const TRunResult again = world.run("save_again");
    ASSERT_TRUE(again.ok()) << again.output.toStdString();
    const QStringList history = world.historyFiles();
    ASSERT_EQ(history.size(), 3) << history.join(' ').toStdString();
    const QString stamp = history.first().section('.', 1, -2);
    for (const char *name : {"Bouquets", "MyServices", "Services"})
        EXPECT_EQ(world.bytes(QStringLiteral("History/%1.%2.xml").arg(QLatin1String(name), stamp)),
                  files.value(QLatin1String(name) + QStringLiteral(".xml")))
            << name;
    EXPECT_TRUE(world.bytes("Bouquets.xml").contains("Later"));
    EXPECT_EQ(QString::fromUtf8(world.bytes("history-menu.txt")), "Save state " + stamp);
}
