#include "app/main/working_files.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/satelite.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/model/transponder.h"
#include "exchange/kingofsat_dialog.h"
#include "exchange/kingofsat_mapping.h"
#include "exchange/kingofsat_mapping_dialog.h"
#include "exchange/kingofsat_transfer_dialog.h"
#include "platform/system_paths.h"
#include "ui/editors/lg_combo_box.h"
#include "ui/grid/list_grid.h"

#include "main_window_support.h"
#include "qt_print.h"
#include "script_server.h"
#include "wait_box_watch.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

const QString kFixtureRoot = QStringLiteral(PELLORAN_FIXTURES_DIR "/kingofsat");

// Runs `act` on the next modal window as soon as it is up (the dialogs under
// test are shown with exec()).
void whenModal(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

void click(QWidget *window, const char *name)
{
    auto *button = window->findChild<QAbstractButton *>(QLatin1String(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

QStringList satelliteNames(const TServiceList &list)
{
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names.append(list.GetItem(i)->Name);
    return names;
}

int serviceCount(const TServiceList &list)
{
    int count = 0;
    list.forEachService([&](TService *, TTransponder *, TSatelite *) { ++count; });
    return count;
}

QStringList itemTexts(const QComboBox &combo)
{
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i)
        texts.append(combo.itemText(i));
    return texts;
}

QStringList leftoverTempFiles()
{
    return QDir(privateTempFolder()).entryList({QStringLiteral("KingOfSat*")}, QDir::Files);
}

// A KingOfSat satellite with one transponder holding services of the given
// names and providers.
void addKingOfSatSatellite(TServiceList &list, const QString &name,
                           const QList<std::pair<QString, QString>> &services, int firstSid)
{
    auto satelite = std::make_unique<TSatelite>();
    satelite->Name = name;
    auto transponder = std::make_unique<TTransponder>();
    transponder->Frequency = QStringLiteral("11000000");
    transponder->Tsid = QStringLiteral("0F%1").arg(firstSid % 100, 2, 10, QLatin1Char('0'));
    int sid = firstSid;
    for (const auto &[serviceName, provider] : services) {
        auto service = std::make_unique<TService>();
        service->Name = serviceName;
        service->Sid = QStringLiteral("%1").arg(sid++, 4, 16, QLatin1Char('0')).toUpper();
        service->SetServiceType(QStringLiteral("01"));
        service->SetProvider(provider);
        transponder->AddService(std::move(service));
    }
    satelite->AddTransponder(std::move(transponder));
    list.AddSatelite(std::move(satelite));
}

class KingOfSat : public ::testing::Test
{
protected:
    void SetUp() override
    {
        world.start();
        server = std::make_unique<ScriptServer>(QStringLiteral("http_server.py"),
                                                QStringList{"--root", kFixtureRoot});
        ASSERT_NE(server->port(), 0) << server->errors().toStdString();
        program().KingOfSatUrl = QStringLiteral("http://127.0.0.1:%1").arg(server->port());
        dialog = program().FormAs<TFrmKingOfSat>(QStringLiteral("FrmKingOfSat"));
        ASSERT_NE(dialog, nullptr);
        dialog->SetProgram(&program());
        dialog->setResult(QDialog::Rejected);
        grid = dialog->findChild<TListGrid *>(QStringLiteral("SatGrid"));
        ASSERT_NE(grid, nullptr);
    }

    TProgram &program() { return world.program; }

    void refresh() { click(dialog, "BtnRefreshList"); }

    // Checks the rows whose satellite is named, then downloads.
    void download(const QStringList &satellites, bool delta = false)
    {
        dialog->findChild<QCheckBox *>(QStringLiteral("CbxDeltaUpdate"))->setChecked(delta);
        click(dialog, "BtnSelectNone");
        for (int row = 0; row < grid->RowCount(); ++row)
            grid->Cell(0, row)->SetAsBoolean(satellites.contains(grid->Cells(1, row)));
        dialog->setResult(QDialog::Rejected);
        click(dialog, "BtnDownload");
    }

    TProgramWorld world;
    std::unique_ptr<ScriptServer> server;
    TFrmKingOfSat *dialog = nullptr;
    TListGrid *grid = nullptr;
};

} // namespace

TEST_F(KingOfSat, IndexPageFillsTheSortedSatelliteList)
{
    refresh();
    EXPECT_TRUE(world.prompts.asked.isEmpty()) << world.prompts.texts().join(u'\n').toStdString();
    EXPECT_EQ(columnTexts(*grid, QStringLiteral("ColSat")),
              (QStringList{"Borealis 5 & 6", "Ghost 1", QString::fromUtf8("Hal\xc3\xb6sat &OUML; & Co"),
                           "Kestrel 1N (Backup)", "Nordstar 2B", "Sirio &lt;4A&gt;"}));
    const QString base = program().KingOfSatUrl + QStringLiteral("/en/");
    EXPECT_EQ(columnTexts(*grid, QStringLiteral("ColLink")).at(4), base + "pos-19.2E.php");
    EXPECT_EQ(columnTexts(*grid, QStringLiteral("ColPos")).at(3), "Backup");
    EXPECT_TRUE(dialog->findChild<QPushButton *>(QStringLiteral("BtnDownload"))->isEnabled());
    EXPECT_TRUE(leftoverTempFiles().isEmpty());

    dialog->show();
    EXPECT_TRUE(saveShot(*dialog, QStringLiteral("kingofsat_import.png")));
    dialog->hide();
}

TEST_F(KingOfSat, TheWaitBoxIsUpWhileThePagesCome)
{
    auto *wait = program().FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait"));
    ASSERT_NE(wait, nullptr);
    TWaitBoxWatch watch(*wait);
    const std::function<void()> steps[] = {[&] { refresh(); },
                                           [&] { download({"Nordstar 2B"}); }};
    for (const auto &step : steps) {
        watch.shows = 0;
        step();
        EXPECT_EQ(watch.shows, 1);
        EXPECT_FALSE(wait->Waiting());
        EXPECT_TRUE(world.main().isEnabled());
    }
}

TEST_F(KingOfSat, IndexPageFailuresLeaveAnEmptyListAndSayWhy)
{
    QTemporaryDir noMap;
    QDir(noMap.path()).mkpath(QStringLiteral("en"));
    QFile page(noMap.filePath(QStringLiteral("en/lists.php")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html><body><p>No map today.</p></body></html>\n");
    page.close();
    ScriptServer other(QStringLiteral("http_server.py"), {"--root", noMap.path()});
    ASSERT_NE(other.port(), 0);

    struct Case {
        const char *name;
        QString url;
        const char *error;
    };
    const Case cases[] = {
        {"no server", QStringLiteral("http://127.0.0.1:9"), "Download failed!"},
        {"no image map", QStringLiteral("http://127.0.0.1:%1").arg(other.port()), "Decoding failed!"},
    };
    for (const Case &c : cases) {
        refresh(); // a full list first: the failure must clear it
        ASSERT_GT(grid->RowCount(), 0);
        world.prompts.asked.clear();
        program().KingOfSatUrl = c.url;
        refresh();
        EXPECT_EQ(grid->RowCount(), 0) << c.name;
        ASSERT_EQ(world.prompts.asked.size(), 1) << c.name;
        EXPECT_TRUE(world.prompts.asked[0].text.startsWith(QLatin1String(c.error))) << c.name;
        EXPECT_TRUE(dialog->findChild<QPushButton *>(QStringLiteral("BtnClose"))->isEnabled());
        program().KingOfSatUrl = QStringLiteral("http://127.0.0.1:%1").arg(server->port());
    }
    EXPECT_TRUE(leftoverTempFiles().isEmpty());
}

TEST_F(KingOfSat, DownloadReplacesTheListWithTheCheckedSatellites)
{
    refresh();
    download({"Nordstar 2B", "Borealis 5 & 6", QString::fromUtf8("Hal\xc3\xb6sat &OUML; & Co")});
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(world.prompts.asked.isEmpty()) << world.prompts.texts().join(u'\n').toStdString();
    const TServiceList &list = *program().KingOfSatList;
    EXPECT_EQ(satelliteNames(list),
              (QStringList{QString::fromUtf8("Borealis 5 & 6 (13.0\xc2\xb0" "E)"),
                           QString::fromUtf8("Hal\xc3\xb6sat &OUML; & Co (9.0\xc2\xb0" "E)"),
                           QString::fromUtf8("Nordstar 2B (19.2\xc2\xb0" "E)")}));
    EXPECT_EQ(list.Format, 3);
    EXPECT_EQ(list.Encoding, "UTF-8");
    EXPECT_EQ(serviceCount(list), 8);
    // The grid shows the new list at once: its rows no longer point at the
    // services that were replaced.
    EXPECT_EQ(world.main().KingOfSatGrid->RowCount(), 8);
    EXPECT_TRUE(leftoverTempFiles().isEmpty());
}

TEST_F(KingOfSat, OutageKeepsTheListAndReportsNoSuccess)
{
    const QStringList before = satelliteNames(*program().KingOfSatList);
    ASSERT_FALSE(before.isEmpty());
    const int servicesBefore = serviceCount(*program().KingOfSatList);
    refresh();
    delete server.release(); // the site goes down after its index was read
    download({"Nordstar 2B", "Ghost 1"});
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(satelliteNames(*program().KingOfSatList), before);
    EXPECT_EQ(serviceCount(*program().KingOfSatList), servicesBefore);
    EXPECT_EQ(world.prompts.texts(),
              (QStringList{"Download of service information for Ghost 1 failed (satellite will be skipped)!",
                           "Download of service information for Nordstar 2B failed (satellite will be skipped)!",
                           "No satellite could be downloaded. The KingOfSat list was left as it was."}));
    EXPECT_TRUE(dialog->findChild<QPushButton *>(QStringLiteral("BtnDownload"))->isEnabled());
    EXPECT_TRUE(leftoverTempFiles().isEmpty());
}

// Pages served as a success that give no service: the site's check page,
// and pages without the "Last updated" marker or without the date cell that
// closes the services.
TEST_F(KingOfSat, PagesWithoutServicesFailLikeAnOutage)
{
    QTemporaryDir index;
    QDir(index.path()).mkpath(QStringLiteral("en"));
    QFile page(index.filePath(QStringLiteral("en/lists.php")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    const QString site = QStringLiteral("http://127.0.0.1:%1/en/").arg(server->port());
    QString areas;
    for (const auto &[file, satellite] :
         {std::pair{"kos-page-without-last-updated.html", "Check"},
          std::pair{"kos-page-without-date-cell.html", "Undated"},
          std::pair{"pos-28.2E.php", "Unmarked"}, std::pair{"pos-4.8E.php", "Open"},
          std::pair{"pos-19.2E.php", "Nordstar 2B"}})
        areas += QStringLiteral("<area shape=\"rect\" href=\"%1%2\" alt=\"%3 (1.0&deg;E)\">")
                     .arg(site, QLatin1String(file), QLatin1String(satellite));
    page.write("<map name=\"orbit\">\n" + areas.toUtf8() + "\n</map>\n");
    page.close();
    ScriptServer other(QStringLiteral("http_server.py"), {"--root", index.path()});
    ASSERT_NE(other.port(), 0);
    program().KingOfSatUrl = QStringLiteral("http://127.0.0.1:%1").arg(other.port());

    const QString skipped =
        QStringLiteral("Download of service information for %1 failed (satellite will be skipped)!");
    const QString nothing =
        QStringLiteral("No satellite could be downloaded. The KingOfSat list was left as it was.");
    const QStringList before = satelliteNames(*program().KingOfSatList);
    ASSERT_FALSE(before.isEmpty());
    const QString nordstar = QString::fromUtf8("Nordstar 2B (1.0\xc2\xb0" "E)");
    struct Case {
        const char *name;
        QStringList checked;
        bool delta;
        QStringList prompts;
        QStringList list; // empty: the list as it was
    };
    const Case cases[] = {
        {"the check page", {"Check"}, false, {skipped.arg("Check"), nothing}, {}},
        {"the page without a date cell", {"Undated"}, false, {skipped.arg("Undated"), nothing}, {}},
        {"every such page, delta update", {"Check", "Undated", "Unmarked", "Open"}, true,
         {skipped.arg("Check"), skipped.arg("Open"), skipped.arg("Undated"), skipped.arg("Unmarked"),
          nothing},
         {}},
        {"beside a good page", {"Check", "Nordstar 2B", "Undated"}, false,
         {skipped.arg("Check"), skipped.arg("Undated")}, {nordstar}},
    };
    refresh();
    ASSERT_EQ(grid->RowCount(), 5);
    for (const Case &c : cases) {
        world.prompts.asked.clear();
        download(c.checked, c.delta);
        const bool arrived = !c.list.isEmpty();
        EXPECT_EQ(dialog->result() == QDialog::Accepted, arrived) << c.name;
        EXPECT_EQ(world.prompts.texts(), c.prompts) << c.name;
        EXPECT_EQ(satelliteNames(*program().KingOfSatList), arrived ? c.list : before) << c.name;
        EXPECT_TRUE(dialog->findChild<QPushButton *>(QStringLiteral("BtnDownload"))->isEnabled()) << c.name;
    }
    EXPECT_TRUE(leftoverTempFiles().isEmpty());

    // What was kept is saved and comes back at the next start.
    ASSERT_TRUE(world.main().SaveFiles());
    EXPECT_EQ(world.main().WorkingFiles().LoadFiles(), QStringList());
    EXPECT_EQ(satelliteNames(*program().KingOfSatList), QStringList{nordstar});
    EXPECT_GT(serviceCount(*program().KingOfSatList), 0);
}

TEST_F(KingOfSat, OneMissingPageIsSkippedAndTheRestArrives)
{
    refresh();
    download({"Nordstar 2B", "Ghost 1"});
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(world.prompts.texts(),
              QStringList{"Download of service information for Ghost 1 failed (satellite will be skipped)!"});
    EXPECT_EQ(satelliteNames(*program().KingOfSatList),
              QStringList{QString::fromUtf8("Nordstar 2B (19.2\xc2\xb0" "E)")});
}

TEST_F(KingOfSat, NothingCheckedDownloadsNothing)
{
    refresh();
    const QStringList before = satelliteNames(*program().KingOfSatList);
    download({});
    EXPECT_EQ(world.prompts.texts(), QStringList{"No satellites selected!"});
    EXPECT_EQ(world.prompts.asked[0].kind, TPrompts::TMsgKind::Information);
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(satelliteNames(*program().KingOfSatList), before);
}

TEST_F(KingOfSat, DeltaUpdateMergesByName)
{
    refresh();
    download({"Nordstar 2B"});
    download({"Borealis 5 & 6"}, true);
    download({"Nordstar 2B"}, true);
    const TServiceList &list = *program().KingOfSatList;
    EXPECT_EQ(satelliteNames(list),
              (QStringList{QString::fromUtf8("Nordstar 2B (19.2\xc2\xb0" "E)"),
                           QString::fromUtf8("Borealis 5 & 6 (13.0\xc2\xb0" "E)")}));
    EXPECT_EQ(list.GetItem(0)->Count(), 3);
    EXPECT_EQ(serviceCount(list), 7);
}

// The receiver's list keeps a transponder the page lists at 11494.25 MHz at
// 11494250 kHz: the services transferred from there are found on it or join
// it, and no second transponder of that frequency appears beside it.
TEST_F(KingOfSat, TransferredServicesFindTheirTransponderInTheOwnList)
{
    refresh();
    download({"Nordstar 2B"});
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    TSatelite *kingOfSat = program().KingOfSatList->GetItem(0);
    auto own = std::make_unique<TSatelite>();
    own->Name = kingOfSat->Name;
    auto transponder = std::make_unique<TTransponder>();
    transponder->Tsid = QStringLiteral("0441");
    transponder->Onid = QStringLiteral("0001");
    transponder->Frequency = QStringLiteral("11494250");
    transponder->Inversion = QStringLiteral("2");
    transponder->SymbolRate = QStringLiteral("22000000");
    transponder->Fec = QStringLiteral("2");
    transponder->Polarization = QStringLiteral("0");
    auto service = std::make_unique<TService>();
    service->Name = QStringLiteral("Alpen & Tal HD");
    service->Sid = QStringLiteral("6D66");
    service->SetServiceType(QStringLiteral("01"));
    transponder->AddService(std::move(service));
    own->AddTransponder(std::move(transponder));
    TSatelite *ownSat = nullptr;
    program().ServiceList->AddSatelite(std::move(own), &ownSat);
    ASSERT_NE(ownSat, nullptr);
    const int servicesBefore = serviceCount(*program().ServiceList);

    program().KingOfSatList->UnmarkAll();
    kingOfSat->GetItem(0)->MarkAll();
    world.main().AddKingOfSatToServices(false);
    ASSERT_EQ(ownSat->Count(), 1);
    QStringList names;
    ownSat->GetItem(0)->forEachService([&](const TService *s) { names.append(s->Name); });
    EXPECT_EQ(names, (QStringList{"Alpen & Tal HD", "Bergblick"}));
    EXPECT_EQ(serviceCount(*program().ServiceList), servicesBefore + 1);
}

TEST_F(KingOfSat, MainWindowDownloadRunsTheMappingAndShowsTheList)
{
    QFile mapping(satelliteMappingFileName(program().ProgramFolder));
    ASSERT_TRUE(mapping.open(QIODevice::WriteOnly));
    mapping.write("Starlight (1.0\xc2\xb0W)|<unchanged>|4\r\n");
    mapping.close();
    const QString target = program().ServiceList->GetItem(1)->Name;
    const QString targetDiseqc = program().ServiceList->GetItem(1)->Diseqc;

    whenModal([&](QWidget *import) {
        ASSERT_EQ(import, dialog);
        refresh();
        download({"Nordstar 2B", "Borealis 5 & 6"});
        whenModal([&](QWidget *window) {
            auto *mappingDialog = qobject_cast<TFrmKingOfSatMapping *>(window);
            ASSERT_NE(mappingDialog, nullptr);
            TListGrid *rows = mappingDialog->MappingGrid();
            EXPECT_EQ(columnTexts(*rows, QStringLiteral("ColSatMapping")),
                      (QStringList{"<unchanged>", "<unchanged>"}));
            EXPECT_EQ(columnTexts(*rows, QStringLiteral("ColDiSEqCMapping")), (QStringList{"0", "0"}));
            // Nordstar (the rows follow the list) takes the services list's
            // second satellite from the drop-down.
            rows->SelectCell(1, 1);
            rows->EditCell(1, 1);
            auto *combo = dynamic_cast<TLgComboBox *>(rows->CurrentEditor());
            ASSERT_NE(combo, nullptr);
            combo->SetDroppedDown(true);
            for (int i = 0; i < 5; ++i)
                QTest::keyClick(combo->List(), Qt::Key_Up);
            QTest::keyClick(combo->List(), Qt::Key_Down);
            QTest::keyClick(combo->List(), Qt::Key_Down);
            QTest::keyClick(combo->List(), Qt::Key_Return);
            EXPECT_EQ(columnTexts(*rows, QStringLiteral("ColDiSEqCMapping")),
                      (QStringList{"0", targetDiseqc}));
            EXPECT_TRUE(saveShot(*mappingDialog, QStringLiteral("kingofsat_mapping.png")));
            click(mappingDialog, "BtnOk");
        });
    });
    world.main().ToolBtnKofDownloadClick();

    EXPECT_EQ(world.main().PageControlServices->currentIndex(), 2);
    const TServiceList &list = *program().KingOfSatList;
    EXPECT_EQ(satelliteNames(list),
              (QStringList{QString::fromUtf8("Borealis 5 & 6 (13.0\xc2\xb0" "E)"), target}));
    EXPECT_EQ(list.GetItem(1)->Diseqc, targetDiseqc);
    EXPECT_EQ(world.main().KingOfSatGrid->RowCount(), serviceCount(list));
    const QByteArray expected = "Starlight (1.0\xc2\xb0W)|<unchanged>|4\r\n"
                                "Borealis 5 & 6 (13.0\xc2\xb0" "E)|<unchanged>|0\r\n"
                                "Nordstar 2B (19.2\xc2\xb0" "E)|"
        + target.toUtf8() + "|" + targetDiseqc.toUtf8() + "\r\n";
    EXPECT_EQ(world.bytes(QStringLiteral("SatelliteMapping.dat")), expected);

    // Confirming again changes nothing in the file.
    auto *mappingDialog = program().FormAs<TFrmKingOfSatMapping>(QStringLiteral("FrmKingOfSatMapping"));
    program().KingOfSatList->GetItem(1)->Name = QString::fromUtf8("Nordstar 2B (19.2\xc2\xb0" "E)");
    whenModal([](QWidget *window) { click(window, "BtnOk"); });
    EXPECT_TRUE(mappingDialog->Execute());
    EXPECT_EQ(world.bytes(QStringLiteral("SatelliteMapping.dat")), expected);
    EXPECT_TRUE(mappingDialog->ApplyMapping());
    EXPECT_EQ(program().KingOfSatList->GetItem(1)->Name, target);
}

// A page downloaded, mapped onto one of the user's satellites with its
// DiSEqC value, then downloaded again with delta update: its services join
// the satellite it became, which keeps its name and DiSEqC value; the mapping
// dialog lists the page, with its mapping, and never the user's satellite as
// a source of its own; the files hold one block and one line.
TEST_F(KingOfSat, DeltaUpdateAfterAMappingJoinsWhatThePageBecame)
{
    TSatelite *own = program().ServiceList->GetItem(0);
    own->Diseqc = QStringLiteral("2");
    const QString page = QString::fromUtf8("Nordstar 2B (19.2\xc2\xb0" "E)");
    QList<QStringList> rowsShown;
    const auto downloadAndMap = [&](bool delta, bool chooseOwn) {
        whenModal([&, delta, chooseOwn](QWidget *) {
            refresh();
            download({"Nordstar 2B"}, delta);
            whenModal([&, chooseOwn](QWidget *window) {
                auto *mappingDialog = qobject_cast<TFrmKingOfSatMapping *>(window);
                ASSERT_NE(mappingDialog, nullptr);
                TListGrid *rows = mappingDialog->MappingGrid();
                if (chooseOwn) {
                    rows->SelectCell(1, 0);
                    mappingDialog->ColSatMappingSelect(1);
                }
                rowsShown.append(columnTexts(*rows, QStringLiteral("ColSat"))
                                 + columnTexts(*rows, QStringLiteral("ColSatMapping"))
                                 + columnTexts(*rows, QStringLiteral("ColDiSEqCMapping")));
                click(mappingDialog, "BtnOk");
            });
        });
        world.main().ToolBtnKofDownloadClick();
    };
    // A line of the user's satellite's own, as an earlier delta update left
    // it, does not make that satellite a page.
    const QByteArray ownLine = own->Name.toUtf8() + "|<unchanged>|0\r\n";
    for (const bool leftOver : {false, true}) {
        SCOPED_TRACE(leftOver ? "a line of its own left over" : "a clean mapping file");
        QFile::remove(satelliteMappingFileName(program().ProgramFolder));
        rowsShown.clear();
        downloadAndMap(false, true);
        const TServiceList &list = *program().KingOfSatList;
        ASSERT_EQ(satelliteNames(list), QStringList({own->Name}));
        const int services = serviceCount(list);
        QByteArray mapping = page.toUtf8() + "|" + own->Name.toUtf8() + "|2\r\n";
        EXPECT_EQ(world.bytes(QStringLiteral("SatelliteMapping.dat")), mapping);
        if (leftOver) {
            mapping += ownLine;
            QFile file(satelliteMappingFileName(program().ProgramFolder));
            ASSERT_TRUE(file.open(QIODevice::Append));
            file.write(ownLine);
        }

        downloadAndMap(true, false);
        EXPECT_EQ(rowsShown.value(0), QStringList({page, own->Name, "2"}));
        EXPECT_EQ(rowsShown.value(1), QStringList({page, own->Name, "2"}));
        EXPECT_EQ(satelliteNames(list), QStringList({own->Name}));
        EXPECT_EQ(list.GetItem(0)->Diseqc, "2");
        EXPECT_EQ(serviceCount(list), services);
        EXPECT_EQ(world.main().KingOfSatGrid->RowCount(), services);
        EXPECT_EQ(world.bytes(QStringLiteral("SatelliteMapping.dat")), mapping);
    }
    ASSERT_TRUE(world.main().SaveFiles());
    // One block, under the user's satellite with its DiSEqC value, each
    // channel once.
    QFile expected(QStringLiteral(PELLORAN_FIXTURES_DIR "/kingofsat-saved/delta-after-mapping.xml"));
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
    EXPECT_EQ(world.bytes(QStringLiteral("KingOfSat.xml")), expected.readAll());
}

// A satellite left unmapped keeps the page's orbital position, in the form
// the receiver reads (tenths of a degree): the services list's new satellite
// and the bouquet entries made of its services name it by that position,
// also once the program starts again on the saved KingOfSat list.
TEST_F(KingOfSat, AnUnmappedSatelliteTakesThePagesPositionIntoTheListsAndBouquets)
{
    const QString nordstar = QString::fromUtf8("Nordstar 2B (19.2\xc2\xb0" "E)");
    whenModal([&](QWidget *) {
        refresh();
        download({"Nordstar 2B"});
        whenModal([](QWidget *mapping) { click(mapping, "BtnCancel"); });
    });
    world.main().ToolBtnKofDownloadClick();
    ASSERT_EQ(satelliteNames(*program().KingOfSatList), QStringList{nordstar});
    whenModal([&](QWidget *window) {
        auto *satellites = window->findChild<QComboBox *>(QStringLiteral("ComboSatellite"));
        window->findChild<QRadioButton *>(QStringLiteral("BtnSatellite"))->click();
        satellites->setCurrentIndex(satellites->findText(nordstar));
        window->findChild<QCheckBox *>(QStringLiteral("CbxBouquet"))->setChecked(true);
        window->findChild<QComboBox *>(QStringLiteral("ComboBouquet"))->setEditText(QStringLiteral("Nordstar"));
        click(window, "BtnOk");
    });
    world.main().ToolBtnKofServiceAddClick();
    world.main().PopupItmToolSave->trigger();

    const QString services = QString::fromUtf8(world.bytes(QStringLiteral("Services.xml")));
    EXPECT_TRUE(services.contains("<sat name=\"" + nordstar + "\" diseqc=\"0\" position=\"192\">"))
        << services.toStdString();
    const QByteArray bouquets = world.bytes(QStringLiteral("Bouquets.xml"));
    const qsizetype from = bouquets.indexOf("<Bouquet name=\"Nordstar\"");
    ASSERT_GE(from, 0) << bouquets.toStdString();
    const QByteArray entries = bouquets.mid(from, bouquets.indexOf("</Bouquet>", from) - from);
    EXPECT_GT(entries.count("sat_position=\"192\""), 0) << entries.toStdString();
    EXPECT_EQ(entries.count("sat_position=\"192\""), entries.count("<channel "))
        << entries.toStdString();

    TProgramWorld again(TProgramWorld::NoLists);
    ASSERT_TRUE(QFile::copy(world.path(QStringLiteral("KingOfSat.xml")),
                            again.path(QStringLiteral("KingOfSat.xml"))));
    again.start();
    ASSERT_EQ(satelliteNames(*again.program.KingOfSatList), QStringList{nordstar});
    EXPECT_EQ(again.program.KingOfSatList->GetItem(0)->Position, "192");
}

TEST_F(KingOfSat, WildcardCharactersInNamesMatchOnlyThemselves)
{
    QFile mapping(satelliteMappingFileName(program().ProgramFolder));
    ASSERT_TRUE(mapping.open(QIODevice::WriteOnly));
    mapping.write("Starlight (1.0W)|Astra 19.2E|4\r\nS?ar (2.0W)|Astra 28.2E|2\r\n");
    mapping.close();
    program().KingOfSatList->Clear();
    addKingOfSatSatellite(*program().KingOfSatList, QStringLiteral("Star* (1.0W)"), {{"A", "P"}}, 1);
    addKingOfSatSatellite(*program().KingOfSatList, QStringLiteral("S?ar (2.0W)"), {{"B", "P"}}, 10);
    auto *mappingDialog = program().FormAs<TFrmKingOfSatMapping>(QStringLiteral("FrmKingOfSatMapping"));
    mappingDialog->SetProgram(&program());
    whenModal([](QWidget *window) { click(window, "BtnOk"); });
    ASSERT_TRUE(mappingDialog->Execute());
    EXPECT_EQ(columnTexts(*mappingDialog->MappingGrid(), QStringLiteral("ColSatMapping")),
              (QStringList{"<unchanged>", "Astra 28.2E"}));
    EXPECT_EQ(world.bytes(QStringLiteral("SatelliteMapping.dat")),
              "Starlight (1.0W)|Astra 19.2E|4\r\nS?ar (2.0W)|Astra 28.2E|2\r\n"
              "Star* (1.0W)|<unchanged>|0\r\n");
}

// The target column's drop-down as the user works it: a click on the cell
// selects the row, a second one edits it, a click on the arrow drops the
// list down, and it stays down until an item is clicked, Escape is pressed
// or the user clicks elsewhere.
TEST_F(KingOfSat, MappingDropDownStaysOpenAfterAClickUntilAChoice)
{
    program().KingOfSatList->Clear();
    addKingOfSatSatellite(*program().KingOfSatList, QStringLiteral("Star (1.0W)"), {{"A", "P"}}, 1);
    const TSatelite &target = *program().ServiceList->GetItem(0);
    auto *mappingDialog = program().FormAs<TFrmKingOfSatMapping>(QStringLiteral("FrmKingOfSatMapping"));
    mappingDialog->SetProgram(&program());
    QStringList seen;
    whenModal([&](QWidget *window) {
        TListGrid *rows = mappingDialog->MappingGrid();
        QWidget *cells = rows->viewport();
        const QPoint cell = rows->CellRect(1, 0).center();
        const QPoint other = rows->CellRect(0, 0).center();
        userMouse(QTest::MouseClick, *cells, cell);
        userMouse(QTest::MouseClick, *cells, cell);
        auto *combo = dynamic_cast<TLgComboBox *>(rows->CurrentEditor());
        ASSERT_NE(combo, nullptr);
        QWidget *arrow = combo->Button();
        const auto state = [&] {
            const bool open = combo->DroppedDown() && combo->List()->isVisible();
            return (open ? QStringLiteral("open ") : QStringLiteral("closed ")) + rows->Cells(1, 0) + u'|'
                + rows->Cells(2, 0);
        };
        userMouse(QTest::MouseClick, *arrow, arrow->rect().center());
        seen << state();
        EXPECT_TRUE(saveShotWithPopup(*window, QStringLiteral("kingofsat_mapping_dropdown.png")));
        QTest::keyClick(combo->List(), Qt::Key_Escape);
        seen << state();
        userMouse(QTest::MouseClick, *arrow, arrow->rect().center());
        userMouse(QTest::MouseClick, *cells, other);
        seen << state();
        // The editor closed with the click elsewhere; the cell is edited again.
        userMouse(QTest::MouseClick, *cells, cell);
        userMouse(QTest::MouseClick, *cells, cell);
        combo = dynamic_cast<TLgComboBox *>(rows->CurrentEditor());
        ASSERT_NE(combo, nullptr);
        arrow = combo->Button();
        userMouse(QTest::MouseClick, *arrow, arrow->rect().center());
        seen << state();
        // The second item: the services list's first satellite.
        const int item = combo->List()->ItemHeight();
        userMouse(QTest::MouseClick, *combo->List(),
                  QPoint(10, TLgPopupControl::kBorderWidth + item + item / 2));
        seen << state();
        click(window, "BtnOk");
    });
    ASSERT_TRUE(mappingDialog->Execute());
    EXPECT_EQ(seen, (QStringList{"open <unchanged>|0", "closed <unchanged>|0", "closed <unchanged>|0",
                                 "open <unchanged>|0",
                                 "closed " + target.Name + "|" + target.Diseqc}));
    EXPECT_EQ(world.bytes(QStringLiteral("SatelliteMapping.dat")),
              ("Star (1.0W)|" + target.Name + "|" + target.Diseqc + "\r\n").toUtf8());
}

namespace {

class KingOfSatTransfer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        world.start();
        TServiceList &list = *program().KingOfSatList;
        list.Clear();
        addKingOfSatSatellite(list, QStringLiteral("Zeta (5.0E)"),
                              {{"Zeta One", "Zetacast"}, {"Nameless A", ""}, {"Nameless B", " \t"}}, 0x7A00);
        addKingOfSatSatellite(list, QStringLiteral("Alpha (1.0E)"), {{"Alpha One", "Alphanet"}}, 0x7B00);
        world.main().FillKingOfSatGrid(0);
        servicesBefore = serviceCount(*program().ServiceList);
    }

    TProgram &program() { return world.program; }
    template <typename T>
    static T *child(QWidget *window, const char *name)
    {
        return window->findChild<T *>(QLatin1String(name));
    }

    TProgramWorld world;
    int servicesBefore = 0;
};

} // namespace

TEST_F(KingOfSatTransfer, UnknownProviderReachesBlankProvidersIntoANewBouquet)
{
    QStringList providers;
    whenModal([&](QWidget *window) {
        auto *combo = child<QComboBox>(window, "ComboProvider");
        providers = itemTexts(*combo);
        child<QRadioButton>(window, "BtnProvider")->click();
        combo->setCurrentIndex(combo->findText(QStringLiteral("[Provider unknown]")));
        EXPECT_EQ(child<QComboBox>(window, "ComboSatellite")->itemText(0), "Alpha (1.0E)");
        auto *bouquet = child<QComboBox>(window, "ComboBouquet");
        bouquet->lineEdit()->clear();
        QTest::keyClicks(bouquet->lineEdit(), QStringLiteral("KingOfSat New"));
        EXPECT_TRUE(child<QCheckBox>(window, "CbxBouquet")->isChecked());
        child<QCheckBox>(window, "CbxAssumeNames")->setChecked(true);
        EXPECT_TRUE(saveShot(*window, QStringLiteral("kingofsat_transfer.png")));
        click(window, "BtnOk");
    });
    world.main().ToolBtnKofServiceAddClick();

    EXPECT_EQ(providers, (QStringList{"[Provider unknown]", "Alphanet", "Zetacast"}));
    EXPECT_EQ(serviceCount(*program().ServiceList), servicesBefore + 2);
    const int index = program().BouquetList->IndexOf(QStringLiteral("KingOfSat New"));
    ASSERT_GE(index, 0);
    const TBouquet &bouquet = *program().BouquetList->GetItem(index);
    ASSERT_EQ(bouquet.Count(), 2);
    EXPECT_EQ(bouquet.GetItem(0)->Name, "Nameless A");
    EXPECT_EQ(bouquet.GetItem(1)->Name, "Nameless B");
    EXPECT_EQ(world.main().ComboBouquets->currentText(), "KingOfSat New");
    EXPECT_TRUE(world.prompts.asked.isEmpty()) << world.prompts.texts().join(u'\n').toStdString();
}

TEST_F(KingOfSatTransfer, EmptyBouquetNameIsRefusedAndTheDialogStays)
{
    bool stayedOpen = false;
    whenModal([&](QWidget *window) {
        child<QCheckBox>(window, "CbxBouquet")->setChecked(true);
        child<QComboBox>(window, "ComboBouquet")->setEditText(QStringLiteral("  "));
        click(window, "BtnOk");
        stayedOpen = window->isVisible();
        click(window, "BtnCancel");
    });
    world.main().ToolBtnKofServiceAddClick();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(world.prompts.texts(), QStringList{"No bouquet name specified!"});
    EXPECT_EQ(serviceCount(*program().ServiceList), servicesBefore);
}

TEST_F(KingOfSatTransfer, SelectedRowsPresetTheChoicesAndAreTransferred)
{
    TListGrid *grid = world.main().KingOfSatGrid;
    const int alphaRow = columnTexts(*grid, QStringLiteral("ColKofSerName")).indexOf("Alpha One");
    ASSERT_GE(alphaRow, 0);
    grid->ClearSelection();
    grid->SetSelected(alphaRow, true);
    whenModal([&](QWidget *window) {
        EXPECT_EQ(child<QComboBox>(window, "ComboProvider")->currentText(), "Alphanet");
        EXPECT_EQ(child<QComboBox>(window, "ComboSatellite")->currentText(), "Alpha (1.0E)");
        EXPECT_TRUE(child<QRadioButton>(window, "BtnSelected")->isChecked());
        click(window, "BtnOk");
    });
    world.main().ToolBtnKofServiceAddClick();
    EXPECT_EQ(serviceCount(*program().ServiceList), servicesBefore + 1);
}

// Two KingOfSat satellites mapped to one of the list's keep entries of their
// own under its name: the choice lists that name once and takes both.
TEST_F(KingOfSatTransfer, ASatelliteTakesEveryKingOfSatSatelliteMappedThere)
{
    const QString target = program().ServiceList->GetItem(0)->Name;
    QFile file(satelliteMappingFileName(program().ProgramFolder));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("Zeta (5.0E)|" + target + "|1\r\nAlpha (1.0E)|" + target + "|1\r\n").toUtf8());
    file.close();
    auto *mapping = program().FormAs<TFrmKingOfSatMapping>(QStringLiteral("FrmKingOfSatMapping"));
    mapping->SetProgram(&program());
    whenModal([](QWidget *window) { click(window, "BtnOk"); });
    ASSERT_TRUE(mapping->Execute());
    ASSERT_TRUE(mapping->ApplyMapping());
    ASSERT_EQ(satelliteNames(*program().KingOfSatList), (QStringList{target, target}));
    world.main().FillKingOfSatGrid(0);

    QStringList satellites;
    whenModal([&](QWidget *window) {
        satellites = itemTexts(*child<QComboBox>(window, "ComboSatellite"));
        child<QRadioButton>(window, "BtnSatellite")->click();
        child<QCheckBox>(window, "CbxBouquet")->setChecked(true);
        click(window, "BtnOk");
    });
    world.main().ToolBtnKofServiceAddClick();

    EXPECT_EQ(satellites, QStringList{target});
    EXPECT_EQ(serviceCount(*program().ServiceList), servicesBefore + 4);
    const int index = program().BouquetList->IndexOf(target);
    ASSERT_GE(index, 0);
    EXPECT_EQ(program().BouquetList->GetItem(index)->Count(), 4);
}

TEST_F(KingOfSatTransfer, AHundredThousandServicesStayWorkable)
{
    TServiceList &list = *program().KingOfSatList;
    list.Clear();
    constexpr int kTransponders = 200;
    constexpr int kServicesEach = 500;
    for (int s = 0; s < 2; ++s) {
        auto satelite = std::make_unique<TSatelite>();
        satelite->Name = QStringLiteral("Big %1 (%1.0E)").arg(s);
        for (int t = 0; t < kTransponders / 2; ++t) {
            auto transponder = std::make_unique<TTransponder>();
            transponder->Frequency = QString::number(10700000 + t * 1000);
            transponder->Tsid = QStringLiteral("%1").arg(s * 1000 + t, 4, 16, QLatin1Char('0')).toUpper();
            for (int n = 0; n < kServicesEach; ++n) {
                auto service = std::make_unique<TService>();
                service->Name = QStringLiteral("Service %1-%2-%3").arg(s).arg(t).arg(n);
                service->Sid = QStringLiteral("%1").arg(n + 1, 4, 16, QLatin1Char('0')).toUpper();
                service->SetServiceType(QStringLiteral("01"));
                service->SetProvider(QStringLiteral("Provider %1").arg((t * kServicesEach + n) % 300));
                transponder->AddService(std::move(service));
            }
            satelite->AddTransponder(std::move(transponder));
        }
        list.AddSatelite(std::move(satelite));
    }
    ASSERT_EQ(serviceCount(list), kTransponders * kServicesEach);
    world.main().FillKingOfSatGrid(0);
    EXPECT_EQ(world.main().KingOfSatGrid->RowCount(), kTransponders * kServicesEach);

    int providers = 0;
    whenModal([&](QWidget *window) {
        auto *combo = child<QComboBox>(window, "ComboProvider");
        providers = combo->count();
        combo->setCurrentIndex(combo->findText(QStringLiteral("Provider 7")));
        child<QRadioButton>(window, "BtnProvider")->click();
        click(window, "BtnOk");
    });
    world.main().ToolBtnKofServiceAddClick();
    EXPECT_EQ(providers, 300);
    const int afterProvider = servicesBefore + kTransponders * kServicesEach / 300 + 1;
    EXPECT_EQ(serviceCount(*program().ServiceList), afterProvider);

    // A whole satellite, into a bouquet: half the list at once.
    whenModal([&](QWidget *window) {
        auto *combo = child<QComboBox>(window, "ComboSatellite");
        combo->setCurrentIndex(combo->findText(QStringLiteral("Big 1 (1.0E)")));
        child<QRadioButton>(window, "BtnSatellite")->click();
        child<QCheckBox>(window, "CbxBouquet")->setChecked(true);
        click(window, "BtnOk");
    });
    world.main().ToolBtnKofServiceAddClick();
    // Its "Provider 7" services came across before and are not doubled.
    int alreadyThere = 0;
    program().KingOfSatList->forEachService([&](TService *service, TTransponder *, TSatelite *sat) {
        alreadyThere += sat->Name.startsWith(QLatin1String("Big 1")) && service->Provider() == "Provider 7";
    });
    EXPECT_EQ(serviceCount(*program().ServiceList),
              afterProvider + kTransponders * kServicesEach / 2 - alreadyThere);
    const int index = program().BouquetList->IndexOf(QStringLiteral("Big 1 (1.0E)"));
    ASSERT_GE(index, 0);
    EXPECT_EQ(program().BouquetList->GetItem(index)->Count(), kTransponders * kServicesEach / 2);
}
