#include "import_export_world.h"

#include "app/main/status_panels.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/satelite.h"
#include "core/model/service_list.h"
#include "core/transfer/download_progress.h"
#include "core/transfer/qel_ftp.h"
#include "core/util/sys_utils.h"
#include "core/zapit/xml_file_handler.h"
#include "exchange/import_export_dialog.h"
#include "exchange/import_news_dialog.h"
#include "exchange/receiver_link.h"
#include "form_test_support.h"
#include "held_transfers.h"
#include "qt_print.h"
#include "wait_box_watch.h"
#include "ui/grid/list_grid.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct ImportExportWorld : TExchangeWorld {
    ImportExportWorld()
    {
        dialog = form<TFrmImportExport>("FrmImportExport");
        dialog->SetProgram(&program);
        dialog->FillFormatCombos();
        // The news window would wait for a click; tests that want it ask.
        check("CbxImportNews", false);
    }

    void check(const char *name, bool checked)
    {
        control("FrmImportExport", name)->setChecked(checked);
        dialog->UpdateControls();
    }
    bool enabled(const char *name) { return control<QWidget>("FrmImportExport", name)->isEnabled(); }
    bool checked(const char *name) { return control("FrmImportExport", name)->isChecked(); }

    void choose(const char *source, bool services, bool myServices, bool bouquets)
    {
        check(source, true);
        check("CbxServices", services);
        check("CbxMyServices", myServices);
        check("CbxBouquets", bouquets);
    }

    QStringList satelliteNames() const
    {
        QStringList names;
        for (int i = 0; i < program.ServiceList->Count(); ++i)
            names.append(program.ServiceList->GetItem(i)->Name);
        return names;
    }

    QStringList bouquetNames() const
    {
        QStringList names;
        for (int i = 0; i < program.BouquetList->Count(); ++i)
            names.append(program.BouquetList->GetItem(i)->Name);
        return names;
    }

    QStringList tempFiles() const { return QDir(getTempDir()).entryList(QDir::Files); }

    TFrmImportExport *dialog = nullptr;
};

QByteArray fileBytes(const QString &path)
{
    return fileBytesOf(path);
}

// Each text the main window's status line was drawn with, in turn.
class StatusHistory : public QObject
{
public:
    explicit StatusHistory(TPanelBar &bar)
    {
        bar.SetPanelText(0, QStringLiteral("watched"));
        for (QLabel *label : bar.findChildren<QLabel *>()) {
            if (label->text() == QStringLiteral("watched"))
                m_label = label;
        }
        if (m_label)
            m_label->installEventFilter(this);
    }
    QStringList shown;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && (shown.isEmpty() || shown.last() != m_label->text()))
            shown.append(m_label->text());
        return false;
    }

private:
    QLabel *m_label = nullptr;
};

TEST(ImportExport, TheSourceDecidesWhatCanBeUsed)
{
    ImportExportWorld world;
    world.program.ReadyMadeListUrl = QStringLiteral("http://127.0.0.1:9");
    const struct {
        const char *name;
        const char *source;
        bool services, myServices, bouquets;
        bool importOn, exportOn, myServicesOn, myServicesChecked, servicesComboOn;
    } rows[] = {
        {"box_all", "BtnBox", true, true, true, true, true, true, true, true},
        {"box_none", "BtnBox", false, false, false, false, false, true, false, false},
        {"local_my_only", "BtnLocal", false, true, false, true, true, true, true, false},
        {"ready_made", "BtnOrvik", true, true, true, true, false, false, false, false},
        {"ready_made_my_only", "BtnOrvik", false, true, false, false, false, false, false, false},
        // Back at the receiver: my-services can be chosen again, but is not.
        {"box_after_ready_made", "BtnBox", true, false, true, true, true, true, false, true},
    };
    for (const auto &r : rows) {
        world.choose(r.source, r.services, r.myServices, r.bouquets);
        EXPECT_EQ(world.enabled("BtnImport"), r.importOn) << r.name;
        EXPECT_EQ(world.enabled("BtnExport"), r.exportOn) << r.name;
        EXPECT_EQ(world.enabled("CbxMyServices"), r.myServicesOn) << r.name;
        EXPECT_EQ(world.checked("CbxMyServices"), r.myServicesChecked) << r.name;
        EXPECT_EQ(world.enabled("ComboFormatServices"), r.servicesComboOn) << r.name;
    }

    // Without an address for it the ready-made list cannot be chosen.
    world.check("BtnOrvik", true);
    world.program.ReadyMadeListUrl.clear();
    world.dialog->UpdateControls();
    EXPECT_FALSE(world.enabled("BtnOrvik"));
    EXPECT_TRUE(world.checked("BtnBox"));

    auto *combo = world.control<QComboBox>("FrmImportExport", "ComboFormatServices");
    EXPECT_EQ(combo->count(), 7);
    EXPECT_EQ(combo->itemText(0), "Auto (same as input format)");
    EXPECT_TRUE(combo->itemText(1).startsWith("Type 1:  ")) << combo->itemText(1).toStdString();
    EXPECT_EQ(world.control<QComboBox>("FrmImportExport", "ComboFormatBouquets")->count(), 5);
    EXPECT_EQ(world.control<QComboBox>("FrmImportExport", "ComboFormatMyServices")->count(), 3);
}

TEST(ImportExport, ImportFromTheReceiverAndExportBack)
{
    ImportExportWorld world;
    world.startReceiver({"--refuse-chmod"});
    world.startWebInterface();
    ASSERT_NE(world.ftp->port(), 0);
    ASSERT_NE(world.http->port(), 0);
    world.choose("BtnBox", true, true, true);
    world.check("CbxImportNews", true);
    const QStringList tempBefore = world.tempFiles();

    // Through the tool bar, the dialog and its Import button, as the user goes.
    clickWhenModal("FrmImportExport", "BtnImport");
    // The transfer is over when the news come up: the bar is empty again.
    int barUnderTheNews = -1;
    whenModal("FrmImportNews", [&](QWidget *news) {
        barUnderTheNews = world.main().ProgressBar->value();
        news->findChild<QAbstractButton *>("BtnClose")->click();
    });
    StatusHistory status(*world.main().StatusBar);
    world.main().ToolBtnImportExportClick();

    EXPECT_EQ(world.prompts.texts(), QStringList({"Import successful."}));
    EXPECT_EQ(barUnderTheNews, 0);
    // Reading the last file is not the end: "Done." comes once the lists are
    // compared and shown.
    ASSERT_GE(status.shown.size(), 2);
    EXPECT_EQ(status.shown.mid(status.shown.size() - 2), QStringList({"Importing...", "Done."}))
        << status.shown.join(" | ").toStdString();
    EXPECT_EQ(world.satelliteNames(), QStringList({"Kabelnetz Musterstadt"}));
    EXPECT_TRUE(world.bouquetNames().contains("Favoriten"));
    EXPECT_GT(world.main().ServicesGrid->RowCount(), 0);
    EXPECT_EQ(TExchangeWorld::logLines(world.ftpLog),
              QStringList({"RETR /var/tuxbox/config/zapit/services.xml",
                           "RETR /var/tuxbox/config/zapit/myservices.xml",
                           "RETR /var/tuxbox/config/zapit/bouquets.xml"}));
    // The news window showed what the import brought.
    auto *news = world.form<TFrmImportNews>("FrmImportNews");
    EXPECT_GT(news->NewGrid()->RowCount(), 0);
    EXPECT_TRUE(columnTexts(*news->NewGrid(), "ColNewServicesSat").contains("Kabelnetz Musterstadt"));
    // The fetched copies are gone from the temp folder.
    EXPECT_EQ(world.tempFiles(), tempBefore);

    // Export back: the receiver gets exactly what the writers make, though it
    // refuses chmod, and is told once to reload.
    for (const char *name : {"services.xml", "myservices.xml", "bouquets.xml"})
        QFile::remove(world.receiverPath(QLatin1String(name)));
    world.prompts.asked.clear();
    world.prompts.answers = {TPrompts::mbYes};
    QString error;
    ASSERT_TRUE(world.dialog->Export(error)) << error.toStdString();
    EXPECT_EQ(world.prompts.texts(), QStringList({"Are you sure?", "Export successful."}));
    EXPECT_EQ(world.tempFiles(), tempBefore);

    TFrmXMLHandler &handler = *world.program.FrmXMLHandler;
    const QString local = world.path("expected.xml");
    ASSERT_TRUE(handler.WriteServices(local, world.program.ServiceList->Format,
                                      *world.program.ServiceList, error,
                                      world.program.ServiceList->Encoding));
    EXPECT_EQ(fileBytes(world.receiverPath("services.xml")), fileBytes(local));
    ASSERT_TRUE(handler.WriteMyServices(local, world.program.MyServiceList->Format,
                                        *world.program.MyServiceList, error,
                                        world.program.MyServiceList->Encoding));
    EXPECT_EQ(fileBytes(world.receiverPath("myservices.xml")), fileBytes(local));
    ASSERT_TRUE(handler.WriteBouquets(local, world.program.BouquetList->Format,
                                      *world.program.BouquetList, error,
                                      world.program.BouquetList->Encoding));
    EXPECT_EQ(fileBytes(world.receiverPath("bouquets.xml")), fileBytes(local));

    EXPECT_EQ(TExchangeWorld::logLines(world.webLog),
              QStringList({"/control/message?nmsg=Pelloran%3A%20Reload%20your%20channel%20lists%20now%21"}));
}

// The receiver holds back every file until this test's timer lets it go,
// which happens only while the window keeps running its events during the
// transfer. What the timer sees then is what the user sees.
TEST(ImportExport, TheWindowKeepsRunningWhileTheReceiverIsSlow)
{
    ImportExportWorld world;
    struct Release {
        QString status;
        int progress;
    };
    std::vector<Release> releases;
    bool exporting = false;
    THeldTransfers holds([&](const QString &) {
        releases.push_back({world.main().StatusBar->PanelText(0), progressGetPosition()});
        if (releases.size() == 2 && !exporting)
            saveShot(world.main(), QStringLiteral("import_from_a_slow_receiver.png"));
    });
    world.startReceiver({"--hold-dir", holds.dir()});
    world.startWebInterface();
    world.choose("BtnBox", true, true, true);
    QString error;
    const bool imported = world.dialog->Import(error);
    holds.stop();
    ASSERT_TRUE(imported) << error.toStdString();

    const QString zapit = QLatin1String(kZapitDir);
    const QString files[] = {zapit + "/services.xml", zapit + "/myservices.xml",
                             zapit + "/bouquets.xml"};
    const int progress[] = {0, 33, 67};
    // An upload is held under the temporary name it arrives under.
    const auto expectReleases = [&](const char *status) {
        ASSERT_EQ(releases.size(), std::size(files));
        for (std::size_t i = 0; i < releases.size(); ++i) {
            EXPECT_EQ(holds.released[qsizetype(i)],
                      exporting ? TQelFTP::uploadPathFor(files[i]) : files[i])
                << status << i;
            EXPECT_EQ(releases[i].status, QLatin1String(status) + files[i] + "...") << i;
            EXPECT_EQ(releases[i].progress, progress[i]) << status << i;
        }
    };
    expectReleases("Getting ");
    // And the import is what it would have been at full speed.
    EXPECT_EQ(world.prompts.texts(), QStringList({"Import successful."}));
    EXPECT_EQ(world.satelliteNames(), QStringList({"Kabelnetz Musterstadt"}));
    EXPECT_TRUE(world.bouquetNames().contains("Favoriten"));
    EXPECT_GT(world.main().ServicesGrid->RowCount(), 0);
    EXPECT_EQ(progressGetPosition(), 0);

    // The export back goes the same way.
    exporting = true;
    releases.clear();
    holds.released.clear();
    world.prompts.asked.clear();
    world.prompts.answers = {TPrompts::mbYes};
    holds.start();
    const bool exported = world.dialog->Export(error);
    holds.stop();
    ASSERT_TRUE(exported) << error.toStdString();
    expectReleases("Putting ");
    EXPECT_EQ(world.prompts.texts(), QStringList({"Are you sure?", "Export successful."}));
    EXPECT_EQ(progressGetPosition(), 0);
}

TEST(ImportExport, TheWaitBoxIsUpWhileTheNewsAndTheAutoBouquetAreMade)
{
    ImportExportWorld world;
    auto *wait = world.form<TFrmPleaseWait>("FrmPleaseWait");
    // The exchange windows reach the box through the main window's link.
    TMainWindowLink &link = world.main();
    link.ShowWait("Reading the news...");
    EXPECT_TRUE(wait->Waiting());
    EXPECT_EQ(wait->Text(), "Reading the news...");
    EXPECT_FALSE(world.main().isEnabled());
    link.HideWait();
    EXPECT_FALSE(wait->Waiting());
    EXPECT_TRUE(world.main().isEnabled());

    world.startReceiver();
    world.control("FrmImportNews", "CbxAutoBouquet")->setChecked(true);
    world.choose("BtnBox", true, false, false);
    TWaitBoxWatch watch(*wait);
    QString error;
    ASSERT_TRUE(world.dialog->Import(error)) << error.toStdString();
    // Once while the news are read, once while their bouquet is made.
    EXPECT_EQ(watch.shows, 2);
    EXPECT_FALSE(wait->Waiting());
    EXPECT_TRUE(world.main().isEnabled());
}

TEST(ImportExport, TheReceiverAccountComesFromTheSettings)
{
    ImportExportWorld world;
    world.setting("EdtIp", "127.000.000.001");
    world.setting("EdtAccount", "root");
    world.setting("EdtPass", "dbox2");
    const struct {
        const char *port;
        int expected;
    } rows[] = {
        {"02121", 2121}, {"21", 21}, {"", 21}, {"ftp", 21}, {"0", 21}, {"65536", 21},
    };
    for (const auto &r : rows) {
        world.setting("EdtPort", QLatin1String(r.port));
        const TReceiverAccess access = receiverAccessOf(world.program);
        EXPECT_EQ(access.port, r.expected) << r.port;
        EXPECT_EQ(access.host, "127.000.000.001");
        EXPECT_EQ(access.user, "root");
        EXPECT_EQ(access.password, "dbox2");
    }
}

TEST(ImportExport, AFailingServicesDownloadChangesNothing)
{
    ImportExportWorld world;
    world.startReceiver();
    QFile::remove(world.receiverPath("services.xml"));
    world.choose("BtnBox", true, true, true);
    const QStringList satellites = world.satelliteNames();
    const QStringList bouquets = world.bouquetNames();
    const int myServices = world.program.MyServiceList->Count();
    const int rows = world.main().ServicesGrid->RowCount();
    // Nor does a logo mapping under way stop.
    world.watchLogoRuns();
    world.holdLogoRuns = true;
    ASSERT_TRUE(world.main().RestartLogoMapping(true));

    QString error;
    EXPECT_FALSE(world.dialog->Import(error));
    EXPECT_TRUE(world.program.LogoMappingRunning);
    EXPECT_EQ(world.logoRuns, QList<bool>({true}));
    EXPECT_TRUE(error.startsWith("FTP: Getting /var/tuxbox/config/zapit/services.xml failed.")) << error.toStdString();
    EXPECT_EQ(world.satelliteNames(), satellites);
    EXPECT_EQ(world.bouquetNames(), bouquets);
    EXPECT_EQ(world.program.MyServiceList->Count(), myServices);
    EXPECT_EQ(world.main().ServicesGrid->RowCount(), rows);
    // No other file was asked for, and no success reported.
    for (const QString &line : TExchangeWorld::logLines(world.ftpLog))
        EXPECT_TRUE(line.endsWith("/services.xml")) << line.toStdString();
    EXPECT_TRUE(world.prompts.asked.isEmpty());
}

// The services file came and could be read in some rows, but the set is
// only taken whole, and the news of the last import stay until an import
// goes through.
TEST(ImportExport, AFileThatCannotBeReadChangesNoList)
{
    const QByteArray lastNews = "Old TV;Astra 19.2E\r\n";
    const struct {
        const char *name;
        const char *broken; // a receiver file cut short, or none
        const char *blocked; // a news file whose place holds a folder, or none
    } rows[] = {
        {"bouquets_cut_short", "bouquets.xml", nullptr},
        {"services_cut_short", "services.xml", nullptr},
        {"news_cannot_all_be_written", nullptr, "DeletedServices.dat"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        ImportExportWorld world;
        world.startReceiver();
        if (r.broken) {
            QFile broken(world.receiverPath(QLatin1String(r.broken)));
            ASSERT_TRUE(broken.open(QIODevice::ReadWrite));
            broken.resize(broken.size() / 2);
        }
        world.choose("BtnBox", true, true, true);
        const QStringList satellites = world.satelliteNames();
        for (const char *name : {"NewServices.dat", "DeletedServices.dat", "ChangedServices.dat"}) {
            QFile::remove(world.path(QLatin1String(name)));
            QFile news(world.path(QLatin1String(name)));
            ASSERT_TRUE(news.open(QIODevice::WriteOnly));
            news.write(lastNews);
        }
        if (r.blocked) {
            QFile::remove(world.path(QLatin1String(r.blocked)));
            ASSERT_TRUE(QDir(world.folder.path()).mkdir(QLatin1String(r.blocked)));
        }
        QString error;
        EXPECT_FALSE(world.dialog->Import(error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(world.satelliteNames(), satellites);
        for (const char *name : {"NewServices.dat", "DeletedServices.dat", "ChangedServices.dat"}) {
            if (!r.blocked || QByteArray(name) != r.blocked) {
                EXPECT_EQ(fileBytes(world.path(QLatin1String(name))), lastNews) << name;
            }
        }
        // Nothing of the news written aside stays behind.
        EXPECT_TRUE(QDir(world.folder.path()).entryList({".pelloran-news-*"}, QDir::AllEntries | QDir::Hidden).isEmpty());
    }
}

TEST(ImportExport, TheReadyMadeList)
{
    ImportExportWorld world;
    QTemporaryDir site;
    QDir().mkpath(site.filePath("db/pelloran"));
    const auto put = [&](const char *name, const QByteArray &bytes) {
        QFile file(site.filePath(QLatin1String("db/pelloran/") + QLatin1String(name)));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    };
    put("update.txt", "07032024\r\nNew channels\r\n");
    QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/cable/Services.xml"), site.filePath("db/pelloran/services.xml"));
    QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/cable/Bouquets.xml"), site.filePath("db/pelloran/bouquets.xml"));
    const QString log = site.filePath("requests.log");
    ScriptServer server(QStringLiteral("http_server.py"), {"--root", site.path(), "--log", log});
    ASSERT_NE(server.port(), 0);
    world.program.ReadyMadeListUrl = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    world.program.LastOrvikSettingsVersion = QStringLiteral("<None downloaded>");

    // Only the bouquets: only that file is fetched, and the version is kept.
    world.choose("BtnOrvik", false, false, true);
    const QStringList satellites = world.satelliteNames();
    QString error;
    ASSERT_TRUE(world.dialog->Import(error)) << error.toStdString();
    EXPECT_EQ(TExchangeWorld::logLines(log),
              QStringList({"/db/pelloran/update.txt", "/db/pelloran/bouquets.xml"}));
    EXPECT_EQ(world.program.LastOrvikSettingsVersion, "07.03.2024");
    EXPECT_EQ(world.control<QLineEdit>("FrmImportExport", "EdtLastOrvikVersion")->text(), "07.03.2024");
    EXPECT_EQ(world.satelliteNames(), satellites);
    EXPECT_TRUE(world.bouquetNames().contains("Favoriten"));

    // An update file without a version: the list still comes, but no empty
    // version takes the place of the one downloaded before.
    put("update.txt", "");
    world.choose("BtnOrvik", true, false, true);
    ASSERT_TRUE(world.dialog->Import(error)) << error.toStdString();
    EXPECT_EQ(world.satelliteNames(), QStringList({"Kabelnetz Musterstadt"}));
    EXPECT_EQ(world.program.LastOrvikSettingsVersion, "07.03.2024");

    // The same version again, and the user does not want it: nothing is fetched.
    put("update.txt", "07032024\r\n");
    QFile::remove(log);
    world.prompts.answers = {TPrompts::mbAbort};
    EXPECT_FALSE(world.dialog->Import(error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(TExchangeWorld::logLines(log), QStringList({"/db/pelloran/update.txt"}));

    // Through the window: a failure is said once, as a failure, naming what
    // did not come; "aborted" follows only the user's own Abort.
    const QString folderUrl = world.program.ReadyMadeListUrl + QStringLiteral("/db/pelloran/");
    const QString failed = QStringLiteral("The operation failed with the following error message:\r\n\r\n");
    const struct {
        const char *name;
        const char *missing;
        QByteArray update;
        QStringList said;
        TPrompts::TMsgKind lastKind;
    } rows[] = {
        {"the version file missing", "update.txt", "08032024\r\n",
         {failed + "Failed to retrieve Orvik Settings update information!"}, TPrompts::TMsgKind::Error},
        {"the services file missing", "services.xml", "08032024\r\n",
         {failed + folderUrl + "services.xml could not be downloaded:\r\nDownload failed!\r\nHTTP 404"},
         TPrompts::TMsgKind::Error},
        {"the bouquets file missing", "bouquets.xml", "08032024\r\n",
         {failed + folderUrl + "bouquets.xml could not be downloaded:\r\nDownload failed!\r\nHTTP 404"},
         TPrompts::TMsgKind::Error},
        {"the same version, not wanted", nullptr, "07032024\r\n",
         {"Your Orvik Settings are up-to-date!\r\nDownload anyway?", "Action aborted by user."},
         TPrompts::TMsgKind::Information},
    };
    const QStringList bouquets = world.bouquetNames();
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        put("update.txt", r.update);
        const QString missing = r.missing ? site.filePath(QLatin1String("db/pelloran/") + QLatin1String(r.missing))
                                          : QString();
        if (r.missing) {
            ASSERT_TRUE(QFile::rename(missing, missing + ".away"));
        }
        world.choose("BtnOrvik", true, false, true);
        world.prompts.asked.clear();
        world.prompts.answers = {TPrompts::mbAbort};
        clickWhenModal("FrmImportExport", "BtnImport");
        world.main().ToolBtnImportExportClick();
        EXPECT_EQ(world.prompts.texts(), r.said);
        if (!world.prompts.asked.isEmpty()) {
            EXPECT_EQ(world.prompts.asked.last().kind, r.lastKind);
        }
        EXPECT_EQ(world.satelliteNames(), QStringList({"Kabelnetz Musterstadt"}));
        EXPECT_EQ(world.bouquetNames(), bouquets);
        EXPECT_EQ(world.program.LastOrvikSettingsVersion, "07.03.2024");
        if (r.missing) {
            ASSERT_TRUE(QFile::rename(missing + ".away", missing));
        }
    }
}

TEST(ImportExport, TheAutoBouquetComesOnlyWithAServicesImport)
{
    ImportExportWorld world;
    world.startReceiver();
    world.control("FrmImportNews", "CbxAutoBouquet")->setChecked(true);
    world.control<QLineEdit>("FrmImportNews", "EdtBouquet")->setText("New_%DATE%");
    world.choose("BtnBox", true, false, false);
    QString error;
    ASSERT_TRUE(world.dialog->Import(error)) << error.toStdString();
    const QString name = "New_" + QDate::currentDate().toString("yyyy-MM-dd");
    const int index = world.program.BouquetList->IndexOf(name);
    ASSERT_GE(index, 0) << world.bouquetNames().join(", ").toStdString();
    EXPECT_GT(world.program.BouquetList->GetItem(index)->Count(), 0);

    // The news grid still holds rows from that import; a bouquets-only
    // import must not make a bouquet of them.
    world.control<QLineEdit>("FrmImportNews", "EdtBouquet")->setText("Second");
    world.choose("BtnBox", false, false, true);
    ASSERT_TRUE(world.dialog->Import(error)) << error.toStdString();
    EXPECT_LT(world.program.BouquetList->IndexOf("Second"), 0);
}

// The files reach the receiver either way; only a reload it was asked for
// lets the export call itself a success, and the reason of a failed one is
// told in the transfers' own words.
TEST(ImportExport, AReloadTheReceiverDidNotGetIsSaid)
{
    const QString sent = "The files were sent, but the receiver could not be asked to reload them, "
                         "so it still uses its earlier lists.";
    const struct {
        const char *name;
        bool page;       // the web interface has its message page
        bool listening;  // the web interface runs
        TPrompts::TMsgKind kind;
        QString text;
    } rows[] = {
        {"reloaded", true, true, TPrompts::TMsgKind::Information, "Export successful."},
        {"not_found", false, true, TPrompts::TMsgKind::Warning, sent + " HTTP 404"},
        {"no_answer", true, false, TPrompts::TMsgKind::Warning, sent + " Connection refused."},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        ImportExportWorld world;
        world.startReceiver();
        world.startWebInterface();
        if (!r.page)
            QFile::remove(world.web.filePath("control/message"));
        if (!r.listening)
            world.http.reset();
        for (const char *name : {"services.xml", "myservices.xml", "bouquets.xml"})
            QFile::remove(world.receiverPath(QLatin1String(name)));
        world.choose("BtnBox", true, true, true);
        world.prompts.answers = {TPrompts::mbYes};
        QString error;
        EXPECT_TRUE(world.dialog->Export(error)) << error.toStdString();
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        ASSERT_EQ(world.prompts.asked.size(), 2) << world.prompts.texts().join('|').toStdString();
        EXPECT_EQ(world.prompts.asked[1].kind, r.kind);
        EXPECT_EQ(world.prompts.asked[1].text, r.text);
        for (const char *name : {"services.xml", "myservices.xml", "bouquets.xml"})
            EXPECT_TRUE(QFile::exists(world.receiverPath(QLatin1String(name)))) << name;
    }
}

TEST(ImportExport, AFailedExportLeavesNothingBehind)
{
    ImportExportWorld world;
    world.startReceiver();
    world.startWebInterface();
    world.ftp.reset();
    world.choose("BtnBox", true, true, true);
    const QStringList tempBefore = world.tempFiles();
    world.prompts.answers = {TPrompts::mbYes};
    QString error;
    EXPECT_FALSE(world.dialog->Export(error));
    EXPECT_TRUE(error.startsWith("FTP: Connection to 127.000.000.001 failed.")) << error.toStdString();
    EXPECT_EQ(world.tempFiles(), tempBefore);
    // Nothing reached the receiver, so it is not told to reload.
    EXPECT_TRUE(TExchangeWorld::logLines(world.webLog).isEmpty());
    EXPECT_EQ(world.prompts.texts(), QStringList({"Are you sure?"}));

    // Not confirmed: nothing happens at all.
    world.prompts.asked.clear();
    world.prompts.answers = {TPrompts::mbCancel};
    EXPECT_FALSE(world.dialog->Export(error));
    EXPECT_TRUE(error.isEmpty());
}

// Wherever the link breaks while the lists go to the receiver, and whether
// its FTP server goes on or is killed, every receiver file is whole: the new
// one or the one there before, byte for byte, and the message names which.
// A receiver that refuses to rename, or has no room for a second copy, is
// written straight into only when the user says so; the question has Cancel
// as its default. A copy a killed server kept is named.
TEST(ImportExport, AnExportCutShortLeavesEveryFileWholeOrAsItWas)
{
    const QString zapit = QLatin1String(kZapitDir);
    const QStringList names = {"services.xml", "myservices.xml", "bouquets.xml"};
    const QString refused =
        "The receiver does not let %1 be replaced by a copy that has arrived whole. Write straight "
        "into %1 instead? Should the transfer break off, the receiver is left with a cut-short file.";
    const QString noRoom =
        "The receiver has no room for a copy of %1 beside it. Write straight into %1 instead? "
        "Should the transfer break off, the receiver is left with a cut-short file.";
    const QString cutText = "FTP: Putting myservices.xml to " + zapit + "/myservices.xml failed.";
    const struct {
        const char *name;
        QStringList server;
        QList<int> answers; // after "Are you sure?"
        const char *files;  // each receiver file afterwards: 'n' new, 'o' as before
        QString error;      // how the error text starts; empty: none
    } rows[] = {
        {"before the first byte", {"--cut", "STOR:myservices.xml:0"}, {}, "noo", cutText},
        {"halfway", {"--cut", "STOR:myservices.xml:100"}, {}, "noo", cutText},
        {"after the last byte", {"--cut", "STOR:myservices.xml:all"}, {}, "noo", cutText},
        {"at the rename", {"--cut", "RNFR:myservices.xml"}, {}, "noo", cutText},
        {"server killed halfway", {"--cut", "STOR:myservices.xml:100", "--die"}, {}, "noo", cutText},
        {"rename refused", {"--refuse-rename"}, {TPrompts::mbCancel}, "ooo", ""},
        {"rename refused, written in place", {"--refuse-rename"},
         {TPrompts::mbYes, TPrompts::mbYes, TPrompts::mbYes}, "nnn", ""},
        {"no room for a second copy", {"--no-room", "452"}, {TPrompts::mbCancel}, "ooo", ""},
        {"no room for a second copy, written in place", {"--no-room", "552"},
         {TPrompts::mbYes, TPrompts::mbYes, TPrompts::mbYes}, "nnn", ""},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        ImportExportWorld world;
        world.startReceiver(r.server);
        world.startWebInterface();
        world.choose("BtnBox", true, true, true);
        QList<QByteArray> before;
        for (const QString &name : names)
            before.append(fileBytes(world.receiverPath(name)));
        // What the writers make of each list.
        TFrmXMLHandler &handler = *world.program.FrmXMLHandler;
        const TServiceList &services = *world.program.ServiceList;
        const TServiceList &myServices = *world.program.MyServiceList;
        const TBouquetList &bouquets = *world.program.BouquetList;
        QString error;
        ASSERT_TRUE(handler.WriteServices(world.path("new-0"), services.Format, services, error,
                                          services.Encoding));
        ASSERT_TRUE(handler.WriteMyServices(world.path("new-1"), myServices.Format, myServices,
                                            error, myServices.Encoding));
        ASSERT_TRUE(handler.WriteBouquets(world.path("new-2"), bouquets.Format, bouquets, error,
                                          bouquets.Encoding));
        world.prompts.answers = QList<int>{TPrompts::mbYes} + r.answers;
        const bool exported = world.dialog->Export(error);
        EXPECT_EQ(exported, QLatin1String(r.files) == "nnn") << error.toStdString();
        QString replaced, kept;
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QByteArray fresh = fileBytes(world.path(QStringLiteral("new-%1").arg(i)));
            ASSERT_NE(fresh, before[i]) << names[i].toStdString();
            const QByteArray now = fileBytes(world.receiverPath(names[i]));
            EXPECT_TRUE(now == (r.files[i] == 'n' ? fresh : before[i])) << names[i].toStdString();
            (r.files[i] == 'n' ? replaced : kept) += "\r\n" + zapit + u'/' + names[i];
            for (const QString &file :
                 QDir(world.receiverPath(QString())).entryList(QDir::Files | QDir::Hidden)) {
                EXPECT_TRUE(!file.startsWith('.')
                            || (r.server.contains("--die") && file.endsWith(".pelloran-upload")))
                    << file.toStdString();
                if (file.startsWith('.')) {
                    EXPECT_TRUE(error.contains("The new copy may be left on the receiver as " + zapit
                                               + u'/' + file + u'.'))
                        << error.toStdString();
                }
            }
        }
        if (!r.error.isEmpty()) {
            EXPECT_TRUE(error.startsWith(r.error)) << error.toStdString();
            EXPECT_TRUE(error.endsWith("\r\n\r\nReplaced on the receiver:" + replaced
                                       + "\r\n\r\nLeft as they were on the receiver:" + kept))
                << error.toStdString();
        } else if (!exported) {
            // Nothing was sent: the user gave up.
            EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        }
        // Only a receiver that has its new lists is asked to reload them.
        EXPECT_EQ(TExchangeWorld::logLines(world.webLog).size(), exported ? 1 : 0);
        for (qsizetype i = 1; i < world.prompts.asked.size(); ++i) {
            const TScriptedPrompts::Question &question = world.prompts.asked[i];
            if (question.text.startsWith("The receiver does not let")) {
                EXPECT_EQ(question.text, refused.arg(zapit + u'/' + names[i - 1]));
                EXPECT_TRUE(question.buttons & TPrompts::mbCancelDefault);
            } else if (question.text.startsWith("The receiver has no room")) {
                EXPECT_TRUE(r.server.contains("--no-room"));
                EXPECT_EQ(question.text, noRoom.arg(zapit + u'/' + names[i - 1]));
                EXPECT_TRUE(question.buttons & TPrompts::mbCancelDefault);
            }
        }
        EXPECT_EQ(world.prompts.asked.size(), 1 + r.answers.size() + (exported ? 1 : 0))
            << world.prompts.texts().join('|').toStdString();
    }
}

TEST(ImportExport, ALocalExportAsksNothingAndSendsNoMessage)
{
    ImportExportWorld world;
    world.startWebInterface();
    world.program.LastImportDir = world.path("out");
    QDir().mkpath(world.path("out"));
    world.choose("BtnLocal", true, false, false);
    world.prompts.files = {world.path("out/Services.xml")};
    QString error;
    ASSERT_TRUE(world.dialog->Export(error)) << error.toStdString();
    EXPECT_EQ(world.prompts.texts(), QStringList({"Export successful."}));
    EXPECT_TRUE(QFile::exists(world.path("out/Services.xml")));
    EXPECT_TRUE(TExchangeWorld::logLines(world.webLog).isEmpty());
}

// A list sent in an output format of the other kind, cable or satellite,
// loses what that format has no attribute for: the user is asked first,
// told what goes, with Cancel as the default, and Cancel sends nothing.
// "Auto" and a format of the list's own kind ask nothing.
TEST(ImportExport, AnOutputFormatOfTheOtherKindAsksFirst)
{
    const QString lost = "%1 written as \"%2\" cannot hold these values of its list, which are "
                         "left out:\r\n%3\r\n\r\nExport it all the same?";
    const QString sat = "diseqc, position, polarization";
    const QStringList names = {"services.xml", "myservices.xml", "bouquets.xml"};
    const struct {
        const char *name;
        bool cable; // the cable demo, imported from the receiver; else the satellite demo
        int file;   // into names
        int format; // the combo's index; 0 is Auto
        QString question;
    } rows[] = {
        {"cable services as Sat", true, 0, 4, lost.arg("Services.xml", "Type 4: (Sat)", "modulation")},
        {"cable my-services as Sat", true, 1, 1,
         lost.arg("MyServices.xml", "Type 1: (Sat, Sportster compatible)", "modulation")},
        {"satellite services as Cable", false, 0, 2, lost.arg("Services.xml", "Type 2: (Cable)", sat)},
        {"satellite services as short Cable", false, 0, 5,
         lost.arg("Services.xml", "Type 5: (Cable)", sat)},
        {"satellite bouquets as Cable", false, 2, 2,
         lost.arg("Bouquets.xml", "Type 2: (Cable)", "sat_position")},
        {"cable services as Cable", true, 0, 5, {}},
        {"cable services as Auto", true, 0, 0, {}},
        {"satellite services as Sat", false, 0, 6, {}},
        // A cable bouquet entry holds nothing a satellite one cannot.
        {"cable bouquets as Sat", true, 2, 4, {}},
    };
    const char *combos[] = {"ComboFormatServices", "ComboFormatMyServices", "ComboFormatBouquets"};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        ImportExportWorld world;
        world.startReceiver();
        world.startWebInterface();
        QString error;
        world.choose("BtnBox", true, true, true);
        if (r.cable) {
            ASSERT_TRUE(world.dialog->Import(error)) << error.toStdString();
        }
        world.choose("BtnBox", r.file == 0, r.file == 1, r.file == 2);
        world.control<QComboBox>("FrmImportExport", combos[r.file])->setCurrentIndex(r.format);
        QList<QByteArray> before;
        for (const QString &name : names)
            before.append(fileBytes(world.receiverPath(name)));
        // What the writer makes of the list in the format chosen.
        TFrmXMLHandler &handler = *world.program.FrmXMLHandler;
        const TServiceList &services =
            r.file == 0 ? *world.program.ServiceList : *world.program.MyServiceList;
        const TBouquetList &bouquets = *world.program.BouquetList;
        const QString expected = world.path("expected.xml");
        const bool written = r.file == 0
            ? handler.WriteServices(expected, r.format ? r.format : services.Format, services,
                                    error, services.Encoding)
            : r.file == 1
            ? handler.WriteMyServices(expected, r.format ? r.format : services.Format, services,
                                      error, services.Encoding)
            : handler.WriteBouquets(expected, r.format ? r.format : bouquets.Format, bouquets,
                                    error, bouquets.Encoding);
        ASSERT_TRUE(written) << error.toStdString();
        ASSERT_NE(fileBytes(expected), before[r.file]);

        for (const int answer : {int(TPrompts::mbCancel), int(TPrompts::mbYes)}) {
            world.prompts.asked.clear();
            // Without a question the export goes ahead at once.
            const bool asked = !r.question.isEmpty();
            world.prompts.answers = QList<int>{answer, TPrompts::mbYes}.mid(asked ? 0 : 1);
            const bool exported = world.dialog->Export(error);
            EXPECT_EQ(exported, answer == TPrompts::mbYes || !asked) << error.toStdString();
            QStringList said =
                exported ? QStringList{"Are you sure?", "Export successful."} : QStringList();
            if (asked) {
                said.prepend(r.question);
                EXPECT_EQ(world.prompts.asked.value(0).buttons,
                          TPrompts::mbYes | TPrompts::mbCancel | TPrompts::mbCancelDefault);
            }
            EXPECT_EQ(world.prompts.texts(), said);
            EXPECT_TRUE(exported || error.isEmpty()) << error.toStdString();
            EXPECT_EQ(TExchangeWorld::logLines(world.webLog).isEmpty(), !exported);
            for (qsizetype i = 0; i < names.size(); ++i)
                EXPECT_TRUE(fileBytes(world.receiverPath(names[i]))
                            == (exported && i == r.file ? fileBytes(expected) : before[i]))
                    << names[i].toStdString();
            if (exported)
                break;
        }
    }
}

TEST(ImportExport, TheStartUpLooksForANewReadyMadeList)
{
    QTemporaryDir site;
    QDir().mkpath(site.filePath("db/pelloran"));
    ScriptServer server(QStringLiteral("http_server.py"), {"--root", site.path()});
    ASSERT_NE(server.port(), 0);
    const struct {
        const char *name;
        const char *update; // null: no update file
        const char *version;
        int errors;
    } rows[] = {
        {"dated", "07032024\r\nNew channels\r\n", "07.03.2024", 0},
        {"empty", "", "", 0},
        {"missing", nullptr, "<disabled>", 1},
    };
    for (const auto &r : rows) {
        QFile::remove(site.filePath("db/pelloran/update.txt"));
        if (r.update) {
            QFile file(site.filePath("db/pelloran/update.txt"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(r.update);
        }
        TProgramWorld world(TProgramWorld::DemoLists, TProgramWorld::NoSettings);
        QFile ini(world.path("pelloran.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QByteArray(kSafeSettings)
                      .replace("noOrvikCheck=1", "noOrvikCheck=0")
                      .replace("readyMadeListUrl=http://127.0.0.1:9",
                               "readyMadeListUrl=http://127.0.0.1:" + QByteArray::number(server.port())));
        ini.close();
        world.start();
        EXPECT_EQ(world.program.OnlineSettingsListVersion, QString::fromLatin1(r.version)) << r.name;
        EXPECT_EQ(world.prompts.asked.size(), r.errors) << r.name;
    }
}

TEST(ImportExport, Screenshot)
{
    ImportExportWorld world;
    world.program.OnlineSettingsListVersion = QStringLiteral("07.03.2024");
    world.program.LastOrvikSettingsVersion = QStringLiteral("01.02.2024");
    whenModal("FrmImportExport", [](QWidget *modal) {
        saveShot(*modal, QStringLiteral("import_export_running.png"));
        modal->findChild<QAbstractButton *>("BtnClose")->click();
    });
    QString error;
    EXPECT_TRUE(world.dialog->Execute(error));
}

} // namespace
