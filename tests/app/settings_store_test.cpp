#include "settings_stand_ins.h"

#include "core/util/exception.h"
#include "core/util/prompts.h"
#include "exchange/import_news_dialog.h"
#include "exchange/mapping_file.h"
#include "logos/logo_mapper.h"
#include "scripted_prompts.h"
#include "ui/translate/lang_ini_file.h"
#include "ui/editors/lg_color_picker.h"
#include "ui/grid/columns.h"
#include "ui/grid/list_grid.h"

#include <QAction>
#include <QDir>
#include <QFileDevice>
#include <QMainWindow>
#include <QRadioButton>
#include <QSlider>
#include <QSplitter>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QToolBar>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <future>

namespace {

using namespace settings_test;

TEST(SettingsStore, WithoutAFileEveryControlShowsItsDefault)
{
    struct Expect {
        const char *form;
        const char *control;
        QVariant value; // bool: a button's state; string: an edit's text
    };
    const QString home = QDir::homePath();
    const std::vector<Expect> expected = {
        {"FrmSettings", "EdtIp", "192.168.015.024"},
        {"FrmSettings", "EdtPort", "00021"},
        {"FrmSettings", "EdtRemoteDir", "/var/tuxbox/config/zapit"},
        {"FrmSettings", "EdtAccount", "root"},
        {"FrmSettings", "CbxSavePass", false},
        {"FrmSettings", "EdtPass", ""},
        {"FrmSettings", "EdtBackupRootDir", home + "/DBox/Backup"},
        {"FrmSettings", "EdtBackupSubDir", "Backup_%DATE%_%TIME%"},
        {"FrmSettings", "BtnSystemTelnet", true},
        {"FrmSettings", "BtnCustomTelnet", false},
        {"FrmSettings", "EdtTelnet", "x-terminal-emulator -e telnet"},
        {"FrmSettings", "BtnCmdAutoDetect", true},
        {"FrmSettings", "BtnCmdCustom", false},
        {"FrmSettings", "EdtTotalCmd", "xdg-open \"" + home + "\""},
        {"FrmSettings", "CbxNoBackgroundPing", false},
        {"FrmSettings", "CbxNoOrvikCheck", false},
        {"FrmSettings", "CbxNoUpdateCheck", false},
        {"FrmSettings", "CbxGridConnect", true},
        {"FrmImportExport", "CbxBouquets", true},
        {"FrmImportExport", "CbxServices", true},
        {"FrmImportExport", "CbxMyServices", false},
        {"FrmImportExport", "BtnBox", true},
        {"FrmImportExport", "BtnLocal", false},
        {"FrmImportExport", "BtnOrvik", false},
        {"FrmImportExport", "CbxImportNews", true},
        {"FrmImportExport", "CbxMapping", false},
        {"FrmImportExport", "EdtLastOrvikVersion", "<None downloaded>"},
        // Both "complete list" and "current bouquet" default to 1: the last one set wins.
        {"FrmListGenerator", "BtnServiceList", false},
        {"FrmListGenerator", "BtnBouquetList", false},
        {"FrmListGenerator", "BtnCurrentBouquet", true},
        {"FrmListGenerator", "BtnCsvFile", true},
        {"FrmListGenerator", "BtnHtmlFile", false},
        {"FrmListGenerator", "BtnHtmlPrint", false},
        {"FrmListGenerator", "BtnSeePrint", false},
        {"FrmListGenerator", "CbxTv", true},
        {"FrmListGenerator", "CbxRadio", true},
        {"FrmListGenerator", "CbxData", false},
        {"FrmOptimize", "CbxRemoveDataServices", true},
        {"FrmOptimize", "CbxFixObsoleteServices", true},
        {"FrmOptimize", "CbxRemoveObsoleteServices", true},
        {"FrmOptimize", "CbxRemoveObsoleteMyServices", true},
        {"FrmOptimize", "CbxRemoveUnusedServices", false},
        {"FrmImportNews", "CbxAutoBouquet", false},
        {"FrmImportNews", "EdtBouquet", "NewServices_%DATE%_%TIME%"},
        {"FrmLogoManager", "CbxAstra192", true},
        {"FrmLogoManager", "CbxAstra282", false},
        {"FrmLogoManager", "CbxHotbird130", true},
        {"FrmLogoManager", "CbxEutelsat", false},
        {"FrmLogoManager", "CbxSirius", false},
        {"FrmLogoManager", "CbxHispasat", false},
        {"FrmLogoManager", "CbxOthers", false},
        {"FrmLogoManager", "BtnTv", true},
        {"FrmLogoManager", "BtnRadio", false},
        {"FrmLogoManager", "BtnEnabled", true},
        {"FrmLogoManager", "BtnDisabled", false},
        {"FrmMain", "ActionSerColLogo", true},
        {"FrmMain", "ActionSerColSTypeIcon", false},
        {"FrmMain", "ActionKofColSTypeIcon", true},
        {"FrmMain", "ActionMySerColSIDHEX", true},
        {"FrmMain", "ActionKofColSIDHEX", false},
        {"FrmMain", "ActionSerColSatelite", true},
        {"FrmMain", "ActionKofColSatellite", true},
        {"FrmMain", "ActionKofColEncryption", true},
        {"FrmMain", "ActionBouColFrequency", false},
        {"FrmMain", "ActionBouColName", true},
        {"FrmMain", "ActionSerColBestFit", true},
        {"FrmMain", "ActionKofColCustom", false},
        {"FrmMain", "ActionMySerToolbar", true},
        {"FrmMain", "ActionBouToolbar", true},
        {"FrmMain", "ActionBouListToolbar", true},
    };

    for (const bool startChecked : {false, true}) {
        SCOPED_TRACE(startChecked ? "stand-ins start ticked" : "stand-ins start clear");
        QTemporaryDir folder;
        World w(folder.path(), startChecked);
        EXPECT_FALSE(w.load());
        for (const Expect &e : expected) {
            if (e.value.typeId() == QMetaType::Bool) {
                const bool state = QLatin1String(e.form) == QLatin1String("FrmMain")
                                       ? w.get<QAction>(e.form, e.control)->isChecked()
                                       : w.checked(e.form, e.control);
                EXPECT_EQ(state, e.value.toBool()) << e.form << "." << e.control;
            } else {
                EXPECT_EQ(w.edit(e.form, e.control)->text(), e.value.toString())
                    << e.form << "." << e.control;
            }
        }
        EXPECT_EQ(w.program.LastImportDir, home);
        EXPECT_EQ(w.program.LastSentMessage, "Honey, I'm back in 2 minutes!");
        EXPECT_EQ(w.program.LastOrvikSettingsVersion, "<None downloaded>");
        EXPECT_EQ(w.backupFiles(), QStringList({kReceiverServices, kReceiverBouquets}));
        EXPECT_EQ(w.printColumns(), kPrintColumns);
        EXPECT_EQ(w.printColumns(true),
                  QStringList({"Logo", "Service Name", "Service Type", "SID", "Frequency",
                               "Polarization", "Satellite/Cable"}));
        EXPECT_EQ(w.get<TLgColorPicker>("FrmListGenerator", "ColorPickerHeader")->SelectedColor(),
                  QColor(0xFB, 0xCC, 0x86));
        EXPECT_EQ(w.get<TLgColorPicker>("FrmListGenerator", "ColorPickerBody")->SelectedColor(),
                  QColor(0xFD, 0xFC, 0xE8));
        EXPECT_EQ(w.get<QSlider>("FrmLogoManager", "TrackBarSize")->value(), 31);
        EXPECT_EQ(w.program.LogoHeight, 31);
        EXPECT_EQ(w.program.LogoWidth, 41);
        const TLgColumns *services = w.columns("ServicesGrid");
        for (int i = 0; i < services->Count(); ++i) {
            EXPECT_EQ(services->Items(i)->Position(), i);
            EXPECT_EQ(services->Items(i)->Width(), i == 2 ? kFixedWidth : 30) << i;
        }
        // Without a stored size the window takes most of the tests' 1600 x 1000 screen.
        ASSERT_EQ(screenRoom(), QSize(1600, 1000));
        EXPECT_EQ(w.main()->size(), QSize(1440, 900));
        EXPECT_EQ(w.panel()->width(), 500);
    }
}

TEST(SettingsStore, FirstSaveWritesTheSectionsInOrder)
{
    QTemporaryDir folder;
    World w(folder.path());
    w.load();
    w.save();
    const IniFile ini = w.ini();
    EXPECT_EQ(ini.sectionNames(),
              QStringList({"General", "LastVars", "GUIServices", "GUIMyServices", "GUIKingOfSat",
                           "GUIBouquet", "GUIBouquetList", "GUIPrintManager", "GUISizes", "Optimize",
                           "GUIBackupManager", "GUIImportExport", "GUIImportNews", "GUILogoImport",
                           "Misc", "GUISettings", "Tools", "WebSources"}));
    EXPECT_EQ(ini.readString("General", "notFirstStartUp"), "1");
    EXPECT_EQ(ini.sectionKeys("GUIServices").mid(0, 7),
              QStringList({"column0Pos", "column1Pos", "column2Pos", "column3Pos", "column4Pos",
                           "column0Width", "column1Width"}));
    EXPECT_EQ(ini.sectionKeys("GUIServices").last(), "serviceGridToolbar");
    EXPECT_EQ(ini.sectionKeys("GUIKingOfSat").size(), 3 * 2 + kKingOfSatWords.size() + 1);
    EXPECT_EQ(ini.sectionKeys("GUIBouquet").size(), 4 * 2 + kBouquetWords.size() + 1);
    EXPECT_EQ(ini.sectionKeys("GUIPrintManager").mid(0, 12), kPrintColumns);
    EXPECT_EQ(ini.readString("GUIPrintManager", "colorHeader"), "8834299");
    EXPECT_EQ(ini.sectionKeys("GUIBackupManager"),
              QStringList({"fileCount", "file#0", "file#1", "backupRootDir", "backupSubDir"}));
    EXPECT_EQ(ini.sectionKeys("GUILogoImport").last(), "logoSize");
    EXPECT_EQ(ini.sectionKeys("Misc"),
              QStringList({"logoMappingEnabled", "logoMappingDisabled", "noBackgroundPing",
                           "noOrvikCheck", "noUpdateCheck", "gridConnect"}));
    EXPECT_EQ(ini.sectionKeys("GUISettings"),
              QStringList({"ip", "port", "remoteDir", "account", "savePassword"}));
    EXPECT_EQ(ini.sectionKeys("Tools"),
              QStringList({"useSystemTelnet", "useCustomTelnet", "customTelnet", "useCmdAutoDetect",
                           "useCmdCustom", "customTotalCmd"}));

    // The next start is no first start: the file list comes from the file.
    World again(folder.path());
    EXPECT_TRUE(again.load());
    EXPECT_EQ(again.backupFiles(), QStringList({kReceiverServices, kReceiverBouquets}));
}

TEST(SettingsStore, EveryKeyRoundTrips)
{
    QTemporaryDir folder;
    std::map<QString, QString> before;
    QString firstText;
    {
        World w(folder.path());
        w.load();
        // Flip every button and tick a button of each radio group that is not
        // its default; leave the import source group with nothing ticked.
        for (const StandInForm &f : kForms) {
            for (const char *name : f.checks)
                w.get<QAbstractButton>(f.name, name)->toggle();
            for (const auto &group : f.radioGroups)
                w.get<QAbstractButton>(f.name, group[1])->setChecked(true);
            for (const char *name : f.edits)
                w.edit(f.name, name)->setText(QString("v %1 ä €").arg(name));
        }
        auto *local = w.get<QRadioButton>("FrmImportExport", "BtnLocal");
        local->setAutoExclusive(false);
        local->setChecked(false);
        local->setAutoExclusive(true);
        w.get<QAbstractButton>("FrmSettings", "CbxSavePass")->setChecked(true);
        w.edit("FrmSettings", "EdtPass")->setText("s3cret pass");
        for (auto *a : w.main()->findChildren<QAction *>())
            a->toggle();
        auto *list = w.get<QListWidget>("FrmListGenerator", "Columns");
        for (int i = 0; i < list->count(); i += 2)
            list->item(i)->setCheckState(list->item(i)->checkState() == Qt::Checked ? Qt::Unchecked
                                                                                      : Qt::Checked);
        w.get<TLgColorPicker>("FrmListGenerator", "ColorPickerHeader")->SetSelectedColor(QColor(1, 2, 3));
        w.get<TLgColorPicker>("FrmListGenerator", "ColorPickerBody")->SetSelectedColor(QColor(250, 128, 7));
        w.get<QSlider>("FrmLogoManager", "TrackBarSize")->setValue(20);
        auto *files = w.get<QListWidget>("FrmBackupManager", "BoxFiles");
        files->clear();
        files->addItems({"/a/one.xml", "/b/two.xml", "/c/three.conf"});
        for (const StandInGrid &g : kGrids) {
            TLgColumns *columns = w.columns(g.name);
            columns->Move(0, columns->Count() - 1);
            columns->Move(1, 0);
            for (int i = 0; i < columns->Count(); ++i)
                if (i != g.fixedColumn)
                    columns->Items(i)->SetWidth(40 + 7 * i);
        }
        w.main()->resize(720, 520);
        auto *splitter = w.get<QSplitter>("FrmMain", "Splitter");
        splitter->resize(720, 400);
        splitter->setSizes({465, 250});
        w.program.LastImportDir = "/home/someone/lists";
        w.program.LastSentMessage = "Bin gleich zurück";
        w.program.LastOrvikSettingsVersion = "07.03.2024";
        w.edit("FrmImportExport", "EdtLastOrvikVersion")->setText("07.03.2024");
        w.program.ReadyMadeListUrl = "http://127.0.0.1:8001/lists";
        w.program.KingOfSatUrl = "http://127.0.0.1:8002";
        w.program.LogoSiteUrl = "http://localhost:8003/logos";
        w.save();
        // What the controls show only after a load (the slider sets the logo size).
        updateLogoSize(w.program);
        before = snapshot(w);
        firstText = w.ini().toText();
        EXPECT_EQ(w.ini().readString("GUISettings", "password"),
                  scramblePassword("s3cret pass", "quistrand"));
    }
    World w(folder.path(), true);
    w.get<QSplitter>("FrmMain", "Splitter")->resize(720, 400);
    EXPECT_TRUE(w.load());
    const std::map<QString, QString> after = snapshot(w);
    for (const auto &[key, value] : before) {
        const auto it = after.find(key);
        ASSERT_NE(it, after.end()) << key.toStdString();
        EXPECT_EQ(it->second, value) << key.toStdString();
    }
    EXPECT_EQ(w.get<QRadioButton>("FrmImportExport", "BtnBox")->isChecked(), false);
    EXPECT_EQ(w.program.ReadyMadeListUrl, "http://127.0.0.1:8001/lists");
    EXPECT_EQ(w.program.KingOfSatUrl, "http://127.0.0.1:8002");
    EXPECT_EQ(w.program.LogoSiteUrl, "http://localhost:8003/logos");
    w.save();
    EXPECT_EQ(w.ini().toText(), firstText);
}

TEST(SettingsStore, SavingKeepsWhatItDoesNotKnowAndHonoursAGivenFileName)
{
    QTemporaryDir folder;
    World w(folder.path());
    w.writeIni("; written by hand\n[Custom]\nfoo=bar\n[Tools]\nextra=1\nCUSTOMTELNET=/usr/bin/telnet\n");
    w.load();
    EXPECT_EQ(w.edit("FrmSettings", "EdtTelnet")->text(), "/usr/bin/telnet");
    w.save();
    const IniFile ini = w.ini();
    EXPECT_EQ(ini.readString("Custom", "foo"), "bar");
    EXPECT_EQ(ini.readString("Tools", "extra"), "1");
    EXPECT_TRUE(ini.toText().startsWith("; written by hand\n[Custom]\n"));

    const QString other = QDir(folder.path()).filePath("other.ini");
    saveConfig(w.program, other, false);
    IniFile otherIni;
    ASSERT_TRUE(otherIni.load(other));
    EXPECT_FALSE(otherIni.sectionExists("Custom"));
    w.edit("FrmSettings", "EdtTelnet")->clear();
    EXPECT_TRUE(loadConfig(w.program, other, false, false));
    EXPECT_EQ(w.edit("FrmSettings", "EdtTelnet")->text(), "/usr/bin/telnet");
}

TEST(SettingsStore, ALineBreakInATextDoesNotBreakTheFile)
{
    QTemporaryDir folder;
    World w(folder.path());
    w.load();
    w.program.LastSentMessage = "two\r\nlines";
    w.edit("FrmSettings", "EdtTelnet")->setText("/usr/bin/telnet\n[Tools]");
    w.save();
    const IniFile ini = w.ini();
    EXPECT_EQ(ini.sectionKeys("LastVars"),
              QStringList({"lastImportDir", "lastSentMessage", "lastOrvikSettingsVersion"}));
    EXPECT_EQ(ini.readString("LastVars", "lastSentMessage"), "two  lines");
    EXPECT_EQ(ini.readString("Tools", "customTelnet"), "/usr/bin/telnet [Tools]");
    EXPECT_EQ(ini.sectionNames().count("Tools"), 1);
}

TEST(SettingsStore, GridColumnsFollowTheFile)
{
    QTemporaryDir folder;
    World w(folder.path());
    // Two position keys for five columns; a width for the fixed-size column.
    w.writeIni("[GUIServices]\ncolumn0Pos=1\ncolumn1Pos=0\ncolumn0Width=50\ncolumn2Width=200\n"
               "[GUIBouquet]\ncolumn0Pos=3\ncolumn1Pos=2\ncolumn2Pos=1\ncolumn3Pos=0\n");
    TLgColumns *services = w.columns("ServicesGrid");
    services->Move(4, 0); // whatever order the grid had before
    w.load();
    std::vector<int> positions, widths;
    for (int i = 0; i < services->Count(); ++i) {
        positions.push_back(services->Items(i)->Position());
        widths.push_back(services->Items(i)->Width());
    }
    EXPECT_EQ(positions, std::vector<int>({1, 0, 2, 3, 4}));
    EXPECT_EQ(widths, std::vector<int>({50, 30, kFixedWidth, 30, 30}));
    const TLgColumns *bouquet = w.columns("BouquetGrid");
    for (int i = 0; i < bouquet->Count(); ++i)
        EXPECT_EQ(bouquet->Items(i)->Position(), 3 - i);
    EXPECT_EQ(bouquet->Items(0)->Width(), kFixedWidth);
}

TEST(SettingsStore, BouquetPanelGetsItsWidthBeforeTheWindowIsShown)
{
    // Start-up loads the sizes before the main window is first shown, when
    // its layouts have not yet given the splitter its width.
    struct Row {
        const char *name;
        bool mainWindow;
    };
    for (const Row r : {Row{"widget with a layout", false}, Row{"main window with a tool bar", true}}) {
        SCOPED_TRACE(r.name);
        appTestApp();
        QTemporaryDir folder;
        TProgram program;
        program.ProgramFolder = folder.path();
        // Children made inside their parents, as Designer does: such a
        // child starts 100 pixels wide until a layout places it.
        std::unique_ptr<QWidget> main;
        QWidget *host = nullptr;
        if (r.mainWindow) {
            auto window = std::make_unique<QMainWindow>();
            window->addToolBar("tools")->addAction("one");
            host = new QWidget(window.get());
            window->setCentralWidget(host);
            main = std::move(window);
        } else {
            main = std::make_unique<QWidget>();
            host = main.get();
        }
        auto *splitter = new QSplitter(Qt::Horizontal, host);
        (new QVBoxLayout(host))->addWidget(splitter);
        new QWidget(splitter);
        auto *panel = new QWidget(splitter);
        panel->setObjectName("PnlBouquets");
        splitter->setStretchFactor(0, 1);
        splitter->setStretchFactor(1, 0);
        QWidget *mainWidget = main.get();
        program.AddForm("FrmMain", std::move(main));
        {
            QFile file(program.SettingsFile());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("[GUISizes]\nmainFormHeight=500\nmainFormWidth=700\nbouquetPanelWidth=300\n");
        }
        loadConfig(program, QString(), true, true);
        EXPECT_EQ(mainWidget->size(), QSize(700, 500));
        EXPECT_EQ(panel->width(), 300);
        mainWidget->show();
        QCoreApplication::processEvents();
        EXPECT_EQ(panel->width(), 300);
        saveConfig(program, QString(), true);
        IniFile ini;
        ini.load(program.SettingsFile());
        EXPECT_EQ(ini.readString("GUISizes", "bouquetPanelWidth"), "300");
    }
}

TEST(SettingsStore, RadioGroupsEndAsTheFileSays)
{
    struct Row {
        const char *name;
        const char *ini;
        const char *form;
        std::vector<const char *> group;
        std::vector<bool> expected;
    };
    const Row rows[] = {
        {"nothing ticked", "[GUIImportExport]\nbox=0\nlocal=0\norvik=0\n", "FrmImportExport",
         {"BtnBox", "BtnLocal", "BtnOrvik"}, {false, false, false}},
        {"several ticked: the last one wins", "[GUIImportExport]\nbox=1\nlocal=0\norvik=1\n",
         "FrmImportExport", {"BtnBox", "BtnLocal", "BtnOrvik"}, {false, false, true}},
        {"nothing ticked in a button group",
         "[GUIPrintManager]\ncsvFile=0\nhtmlFile=0\nhtmlPrint=0\nseePrint=0\n", "FrmListGenerator",
         {"BtnCsvFile", "BtnHtmlFile", "BtnHtmlPrint", "BtnSeePrint"}, {false, false, false, false}},
        {"one ticked in a button group", "[GUIPrintManager]\ncsvFile=0\nhtmlPrint=1\n",
         "FrmListGenerator", {"BtnCsvFile", "BtnHtmlFile", "BtnHtmlPrint", "BtnSeePrint"},
         {false, false, true, false}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir folder;
        World w(folder.path(), true);
        w.writeIni(r.ini);
        int toggles = 0;
        for (const char *name : r.group)
            QObject::connect(w.get<QAbstractButton>(r.form, name), &QAbstractButton::toggled,
                             [&toggles] { ++toggles; });
        w.load();
        std::vector<bool> states;
        for (const char *name : r.group)
            states.push_back(w.checked(r.form, name));
        EXPECT_EQ(states, r.expected);
        // The group's handlers saw the change, as for a click.
        EXPECT_GT(toggles, 0);
    }
}

TEST(SettingsStore, PasswordIsStoredOnlyWhileSaveIsTicked)
{
    QTemporaryDir folder;
    World w(folder.path());
    w.load();
    auto *saveBox = w.get<QAbstractButton>("FrmSettings", "CbxSavePass");
    auto *pass = w.edit("FrmSettings", "EdtPass");
    pass->setText("root");
    saveBox->setChecked(true);
    w.save();
    EXPECT_EQ(hex(w.ini().readString("GUISettings", "password")), "83 9A 86 87");
    EXPECT_EQ(w.ini().readString("GUISettings", "savePassword"), "1");

    saveBox->setChecked(false);
    w.save();
    EXPECT_FALSE(w.ini().value("GUISettings", "password").has_value());
    EXPECT_EQ(w.ini().readString("GUISettings", "savePassword"), "0");

    saveBox->setChecked(true);
    w.save();
    EXPECT_EQ(hex(w.ini().readString("GUISettings", "password")), "83 9A 86 87");

    World next(folder.path());
    next.load();
    EXPECT_EQ(next.edit("FrmSettings", "EdtPass")->text(), "root");
}

TEST(SettingsStore, WithoutSavePasswordTheEditKeepsItsText)
{
    QTemporaryDir folder;
    World w(folder.path());
    w.writeIni("[GUISettings]\nsavePassword=0\npassword=" + scramblePassword("other", "quistrand").toUtf8()
               + "\n");
    w.edit("FrmSettings", "EdtPass")->setText("typed this session");
    w.load();
    EXPECT_EQ(w.edit("FrmSettings", "EdtPass")->text(), "typed this session");
}

TEST(SettingsStore, PrintColumnsComeBackInTheirFixedOrder)
{
    QTemporaryDir folder;
    World w(folder.path());
    w.load();
    auto *list = w.get<QListWidget>("FrmListGenerator", "Columns");
    QListWidgetItem *sid = list->takeItem(3);
    sid->setCheckState(Qt::Unchecked);
    list->insertItem(0, sid);
    list->insertItem(5, list->takeItem(list->count() - 1));
    w.save();
    EXPECT_EQ(w.ini().readString("GUIPrintManager", "SID"), "0");
    EXPECT_EQ(w.ini().readString("GUIPrintManager", "Satellite/Cable"), "1");
    w.load();
    EXPECT_EQ(w.printColumns(), kPrintColumns);
    EXPECT_FALSE(w.printColumns(true).contains("SID"));
    EXPECT_TRUE(w.printColumns(true).contains("Satellite/Cable"));
}

TEST(SettingsStore, ReloadWithoutSizesUndoesAllButTheSizes)
{
    QTemporaryDir folder;
    World w(folder.path());
    w.load();
    TLgCustomColumn *column = w.columns("MyServicesGrid")->Items(1);
    column->SetWidth(77);
    w.get<QAbstractButton>("FrmSettings", "CbxNoUpdateCheck")->setChecked(true);
    w.save(); // as before the settings dialog opens
    column->SetWidth(120);
    w.get<QAbstractButton>("FrmSettings", "CbxNoUpdateCheck")->setChecked(false);
    w.main()->resize(640, 480);
    w.load(false); // cancelled
    EXPECT_EQ(column->Width(), 77);
    EXPECT_TRUE(w.checked("FrmSettings", "CbxNoUpdateCheck"));
    EXPECT_EQ(w.main()->size(), QSize(640, 480));
}

TEST(SettingsStore, ScramblePassword)
{
    const QString key = "quistrand";
    struct Row {
        QString text;
        QString scrambled;
    };
    const Row rows[] = {
        {"root", QString::fromUtf16(u"\u0083\u009A\u0086\u0087")},
        {"", ""},
        // The key against itself masks to 0x80 everywhere, the tenth
        // character meets the key's first letter again.
        {"quistrandq", QString(10, QChar(0x80))},
        {"A", QString(QChar(0x41 ^ 0xF1))},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(hex(scramblePassword(r.text, key)), hex(r.scrambled)) << r.text.toStdString();
        EXPECT_EQ(scramblePassword(r.scrambled, key), r.text);
    }
    for (const QString text : {"pass word", "Grüße", "пароль", "x!\"§$%&/()=?"})
        EXPECT_EQ(scramblePassword(scramblePassword(text, key), key), text);
}

TEST(SettingsStore, DamagedValuesAreClampedOrIgnored)
{
    const QSize room = screenRoom();
    struct Row {
        const char *name;
        QByteArray ini;
        std::function<void(const World &)> check;
    };
    const std::vector<Row> rows = {
        {"positions beyond the grid", "[GUIServices]\ncolumn0Pos=99\ncolumn1Pos=-4\ncolumn2Pos=x\n",
         [](const World &w) {
             for (int i = 0; i < 5; ++i)
                 EXPECT_EQ(w.columns("ServicesGrid")->Items(i)->Position(), i);
         }},
        {"widths negative, absurd, not a number",
         "[GUIMyServices]\ncolumn0Width=-50\ncolumn1Width=100000000\ncolumn2Width=wide\n",
         [](const World &w) {
             const TLgColumns *c = w.columns("MyServicesGrid");
             EXPECT_EQ(c->Items(0)->Width(), kMinColumnWidth);
             EXPECT_EQ(c->Items(1)->Width(), 4000);
             EXPECT_EQ(c->Items(2)->Width(), 30);
         }},
        {"huge file count", "[General]\nnotFirstStartUp=1\n[GUIBackupManager]\nfileCount=2000000000\nfile#0=/a\n",
         [](const World &w) {
             const QStringList files = w.backupFiles();
             EXPECT_EQ(files.size(), 1000);
             EXPECT_EQ(files.value(0), "/a");
             EXPECT_EQ(files.value(1), "?");
         }},
        {"negative file count", "[General]\nnotFirstStartUp=1\n[GUIBackupManager]\nfileCount=-3\n",
         [](const World &w) { EXPECT_TRUE(w.backupFiles().isEmpty()); }},
        {"window larger than the screen",
         "[GUISizes]\nmainFormHeight=100000\nmainFormWidth=100000\nbouquetPanelWidth=100000\n",
         [room](const World &w) {
             EXPECT_EQ(w.main()->size(), room);
             EXPECT_EQ(w.panel()->width(), room.width() - 100);
         }},
        {"window too small", "[GUISizes]\nmainFormHeight=1\nmainFormWidth=-5\nbouquetPanelWidth=-10\n",
         [](const World &w) {
             EXPECT_EQ(w.main()->size(), QSize(400, 300));
             EXPECT_EQ(w.panel()->width(), 100);
         }},
        {"colours out of range", "[GUIPrintManager]\ncolorHeader=-1\ncolorBody=99999999\n",
         [](const World &w) {
             EXPECT_EQ(w.get<TLgColorPicker>("FrmListGenerator", "ColorPickerHeader")->SelectedColor(),
                       QColor(0xFB, 0xCC, 0x86));
             EXPECT_EQ(w.get<TLgColorPicker>("FrmListGenerator", "ColorPickerBody")->SelectedColor(),
                       QColor(0xFD, 0xFC, 0xE8));
         }},
        {"tools of the Windows program", "[Tools]\ncustomTelnet=c:\\putty.exe\n"
         "customTotalCmd=c:\\Programme\\totalcmd\\totalcmd.exe\n",
         [](const World &w) {
             EXPECT_EQ(w.edit("FrmSettings", "EdtTelnet")->text(), "x-terminal-emulator -e telnet");
             EXPECT_EQ(w.edit("FrmSettings", "EdtTotalCmd")->text(), "xdg-open \"" + QDir::homePath() + "\"");
         }},
        {"booleans that are no numbers", "[Misc]\ngridConnect=yes\nnoUpdateCheck=$1\nnoOrvikCheck=7\n",
         [](const World &w) {
             EXPECT_TRUE(w.checked("FrmSettings", "CbxGridConnect"));
             EXPECT_TRUE(w.checked("FrmSettings", "CbxNoUpdateCheck"));
             EXPECT_TRUE(w.checked("FrmSettings", "CbxNoOrvikCheck"));
             EXPECT_FALSE(w.checked("FrmSettings", "CbxNoBackgroundPing"));
         }},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir folder;
        World w(folder.path());
        w.writeIni(r.ini);
        EXPECT_NO_THROW(w.load());
        r.check(w);
    }
}

TEST(SettingsStore, LogoSizeFollowsTheSlider)
{
    struct Row {
        const char *logoSize;
        int height;
        int width;
    };
    const Row rows[] = {
        {"16", 16, 21}, {"17", 17, 23}, {"24", 24, 32}, {"31", 31, 41},
        {"38", 38, 51}, {"39", 39, 52}, {"5", 16, 21},  {"200", 39, 52},
        {"-1", 16, 21}, {"big", 31, 41},
    };
    for (const Row &r : rows) {
        QTemporaryDir folder;
        World w(folder.path());
        // A slider wider than the logo sizes must not let a bad value through.
        w.get<QSlider>("FrmLogoManager", "TrackBarSize")->setRange(0, 1000);
        w.writeIni(QByteArray("[GUILogoImport]\nlogoSize=") + r.logoSize + "\n");
        w.load();
        EXPECT_EQ(w.get<QSlider>("FrmLogoManager", "TrackBarSize")->value(), r.height) << r.logoSize;
        EXPECT_EQ(w.program.LogoHeight, r.height) << r.logoSize;
        EXPECT_EQ(w.program.LogoWidth, r.width) << r.logoSize;
    }
}

TEST(SettingsStore, PasswordsThatCannotBeKeptAreNotStored)
{
    struct Row {
        const char *name;
        QString password;
        bool stored;
    };
    const Row rows[] = {
        {"plain", "root", true},
        {"with a blank inside", "pass word", true},
        {"empty", "", true},
        {"cyrillic", QString::fromUtf8("пароль"), true},
        {"scrambles to a line break", QString::fromUtf8("über"), false},
        {"scrambles to NUL", QString::fromUtf8("ñame"), false},
        {"scrambles to a control character", QString::fromUtf8("être"), false},
        {"scrambles to a leading blank", QString::fromUtf8("Ñame"), false},
        {"scrambles to a leading tab", QString::fromUtf8("ølle"), false},
        // Only blanks and tabs are trimmed: other white space is kept.
        {"scrambles to a leading next-line character", "test", true},
        {"scrambles to a leading no-break space", "Qwerty", true},
        {"scrambles to a trailing next-line character", "all", true},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir folder;
        World w(folder.path());
        w.load();
        w.get<QAbstractButton>("FrmSettings", "CbxSavePass")->setChecked(true);
        w.edit("FrmSettings", "EdtPass")->setText("root");
        w.save(); // an older password in the file must not survive either
        w.edit("FrmSettings", "EdtPass")->setText(r.password);
        w.prompts.asked.clear();
        w.save();
        const std::optional<QString> stored = w.ini().value("GUISettings", "password");
        EXPECT_EQ(stored.has_value(), r.stored);
        EXPECT_EQ(w.edit("FrmSettings", "EdtPass")->text(), r.password);
        if (r.stored) {
            EXPECT_TRUE(w.prompts.asked.empty());
            World next(folder.path());
            next.load();
            EXPECT_EQ(next.edit("FrmSettings", "EdtPass")->text(), r.password);
        } else {
            ASSERT_EQ(w.prompts.asked.size(), 1u);
            EXPECT_EQ(w.prompts.asked[0].kind, TPrompts::TMsgKind::Warning);
            EXPECT_EQ(w.prompts.asked[0].buttons, TPrompts::mbOK);
            EXPECT_TRUE(w.prompts.asked[0].text.startsWith("The password contains characters"));
            // Said once; the next save of the same password stays quiet.
            w.save();
            EXPECT_EQ(w.prompts.asked.size(), 1u);
            EXPECT_FALSE(w.ini().value("GUISettings", "password").has_value());
        }
    }
}

// Files written on Windows, by this program, or by this program and then
// edited by hand: each line reads as it was written, so the password and
// every other value survive loading and saving again.
TEST(SettingsStore, EveryLineOfTheFileReadsAsItWasWritten)
{
    struct Row {
        const char *name;
        QByteArray file;
        const char *password;
        const char *message; // UTF-8
        const char *ip;
    };
    // "root" scrambled, as this program writes it and as the Windows program did.
    const QByteArray rootUtf8 = "\xC2\x83\xC2\x9A\xC2\x86\xC2\x87";
    const QByteArray rootWindows = "\x83\x9A\x86\x87";
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringEncoder::Flag::WriteBom);
    const Row rows[] = {
        {"from windows", "[General]\r\nnotFirstStartUp=1\r\n[LastVars]\r\nlastSentMessage=Gr\xFC\xDF"
         "e\r\n[GUISettings]\r\nsavePassword=1\r\npassword=" + rootWindows + "\r\n",
         "root", "Grüße", "192.168.015.024"},
        // 0x81 is one of the bytes Windows-1252 leaves undefined.
        {"from windows, undefined byte", "[GUISettings]\r\nsavePassword=1\r\npassword=\x81\x94\x9A\x80\r\n",
         "pass", "Honey, I'm back in 2 minutes!", "192.168.015.024"},
        {"ours with a latin-1 comment", "; caf\xE9\n[LastVars]\nlastSentMessage=Gr\xC3\xBC\xC3\x9F"
         "e\n[GUISettings]\nip=127.000.000.001\nsavePassword=1\npassword=" + rootUtf8 + "\n",
         "root", "Grüße", "127.000.000.001"},
        {"ours with a latin-1 value", "[LastVars]\nlastSentMessage=Gr\xFC\xDF"
         "e\n[GUISettings]\nsavePassword=1\npassword=" + rootUtf8 + "\n",
         "root", "Grüße", "192.168.015.024"},
        {"a windows password in our file", "[LastVars]\nlastSentMessage=Gr\xC3\xBC\xC3\x9F"
         "e\n[GUISettings]\nsavePassword=1\npassword=" + rootWindows + "\n",
         "root", "Grüße", "192.168.015.024"},
        {"header with a comment", "[LastVars]\nlastSentMessage=x\n[GUISettings] ; receiver\n"
         "ip=127.000.000.001\nsavePassword=1\npassword=" + rootUtf8 + "\n",
         "root", "x", "127.000.000.001"},
        {"utf-16", utf16(QString::fromUtf8("[LastVars]\r\nlastSentMessage=Grüße\r\n[GUISettings]\r\n"
                             "ip=127.000.000.001\r\nsavePassword=1\r\npassword=\u0083\u009A\u0086\u0087\r\n")),
         "root", "Grüße", "127.000.000.001"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir folder;
        World w(folder.path());
        w.writeIni(r.file);
        w.load();
        EXPECT_EQ(w.edit("FrmSettings", "EdtPass")->text(), r.password);
        EXPECT_EQ(w.program.LastSentMessage, QString::fromUtf8(r.message));
        EXPECT_EQ(w.edit("FrmSettings", "EdtIp")->text(), r.ip);
        // Saved again, the file is UTF-8 and still gives the same values.
        w.save();
        World next(folder.path());
        next.load();
        EXPECT_EQ(next.edit("FrmSettings", "EdtPass")->text(), r.password);
        EXPECT_EQ(next.program.LastSentMessage, QString::fromUtf8(r.message));
        EXPECT_EQ(next.edit("FrmSettings", "EdtIp")->text(), r.ip);
        EXPECT_EQ(next.ini().sectionNames().count("GUISettings"), 1);
    }
}

TEST(SettingsStore, AFailureInsideNamesTheRoutine)
{
    QTemporaryDir folder;
    World w(folder.path());
    w.writeIni("[LastVars]\nlastSentMessage=loaded first\n");
    // A grid column that refuses its new width.
    TLgColumns *columns = w.columns("MyServicesGrid");
    const auto gridListener = columns->OnColumnChanged;
    columns->OnColumnChanged = [gridListener](TLgCustomColumn *column, int change, int value) {
        if (change == kChangeWidth)
            throw Exception("the column refused");
        if (gridListener)
            gridListener(column, change, value);
    };
    try {
        w.load();
        ADD_FAILURE() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "function loadConfig: the column refused");
    }
    columns->OnColumnChanged = gridListener;
    // What came before the failure is loaded, what comes after is not.
    EXPECT_EQ(w.program.LastSentMessage, "loaded first");
    EXPECT_EQ(w.edit("FrmSettings", "EdtTotalCmd")->text(), "");

    // A failure while saving leaves the file as it was.
    w.writeIni("[Custom]\nfoo=bar\n");
    w.get<QAbstractButton>("FrmSettings", "CbxSavePass")->setChecked(true);
    w.edit("FrmSettings", "EdtPass")->setText(QString::fromUtf8("Ñame"));
    w.prompts.onMessage = [] { throw Exception("no answer"); };
    try {
        w.save();
        ADD_FAILURE() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "function saveConfig: no answer");
    }
    EXPECT_EQ(w.ini().toText(), "[Custom]\nfoo=bar\n");
}

TEST(SettingsStore, AFileThatCannotBeWrittenIsAnError)
{
    struct Row {
        const char *name;
        std::function<bool(const QString &folder)> prepare; // false: cannot set up here
    };
    const Row rows[] = {
        {"read-only folder",
         [](const QString &folder) {
             QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
             // The super-user writes anyway; the row says nothing then.
             QFile probe(QDir(folder).filePath("probe"));
             if (probe.open(QIODevice::WriteOnly)) {
                 probe.remove();
                 return false;
             }
             return true;
         }},
        {"folder gone", [](const QString &folder) { return QDir(folder).removeRecursively(); }},
        {"a folder in the file's place",
         [](const QString &folder) { return QDir(folder).mkdir("pelloran.ini"); }},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir folder;
        const QString programFolder = QDir(folder.path()).filePath("program");
        ASSERT_TRUE(QDir().mkpath(programFolder));
        World w(programFolder);
        w.load();
        if (!r.prepare(programFolder)) {
            QFile::setPermissions(programFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                     | QFileDevice::ExeOwner);
            continue;
        }
        try {
            w.save();
            ADD_FAILURE() << "no exception";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().startsWith("function saveConfig: The settings file"))
                << e.message().toStdString();
        }
        QFile::setPermissions(programFolder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

TEST(SettingsStore, MissingWindowsAreSkippedAndSavedAsDefaults)
{
    QTemporaryDir folder;
    appTestApp();
    TProgram program;
    program.ProgramFolder = folder.path();
    {
        QFile file(program.SettingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[GUILogoImport]\nlogoSize=20\n");
    }
    EXPECT_NO_THROW(loadConfig(program, QString(), true, true));
    EXPECT_EQ(program.LogoHeight, 20);
    EXPECT_EQ(program.LogoWidth, 27);
    EXPECT_NO_THROW(saveConfig(program, QString(), true));
    IniFile ini;
    ASSERT_TRUE(ini.load(program.SettingsFile()));
    EXPECT_EQ(ini.readString("GUISettings", "ip"), "192.168.015.024");
    EXPECT_EQ(ini.readString("GUIServices", "columnLogo"), "1");
    EXPECT_EQ(ini.readString("GUIBackupManager", "fileCount"), "0");
    // Without the logo manager the key falls back to its default.
    EXPECT_EQ(ini.readString("GUILogoImport", "logoSize"), "31");
    EXPECT_FALSE(ini.value("GUIServices", "column0Pos").has_value());
}

// A FIFO or a device where a small file belongs: every reader returns at
// once as if the file were missing (a FIFO used to hold the start, or the
// logo thread and with it the program's end, forever; a link to /dev/zero
// ate memory until the program died) and says why where it can; no writer
// replaces it or writes into it. Links only ever lead to /dev/zero for
// reading: a save that followed one would replace the device.
TEST(SmallFiles, AFifoOrADeviceIsNeverReadNorReplaced)
{
    appTestApp();
    class NoLogos : public TLogoSink
    {
    public:
        void imagesRecreated(const QList<QImage> &) override {}
        void logoLoaded(int, const QImage &) override {}
        void logoAssigned(int, int) override {}
        bool stopRequested() override { return false; }
    };
    const struct {
        const char *name;
        const char *file;
        // Reads and, when `write` is set, saves as the program does; returns
        // what the user was told ("-" where the reader has no way to say),
        // with "(...)" added for anything that went wrong besides.
        std::function<QString(TProgram &, TScriptedPrompts &, const QString &path, bool write)> use;
    } readers[] = {
        {"settings", "pelloran.ini",
         [](TProgram &program, TScriptedPrompts &prompts, const QString &, bool write) {
             loadConfig(program, QString(), true, true);
             QString said = prompts.texts().join('|');
             // The defaults stand in for the file.
             if (program.LastSentMessage != "Honey, I'm back in 2 minutes!")
                 said += " (not the defaults)";
             if (write) {
                 try {
                     saveConfig(program, QString(), true);
                     said += " (saved)";
                 } catch (const Exception &) {
                 }
             }
             return said;
         }},
        {"mapping", "DiSEqCMapping.dat",
         [](TProgram &, TScriptedPrompts &, const QString &path, bool write) {
             TMappingFile mapping;
             QString said;
             if (mapping.Load(path, &said))
                 said += " (read)";
             mapping.Set("Astra", "1");
             QString error;
             if (write && mapping.Save(path, error))
                 said += " (saved)";
             return said;
         }},
        {"news", "NewServices.dat",
         [](TProgram &, TScriptedPrompts &, const QString &path, bool) {
             QString said;
             if (!readNewsFile(path, &said).isEmpty())
                 said += " (lines)";
             return said;
         }},
        {"logo mapping", "LogoMapping.dat",
         [](TProgram &, TScriptedPrompts &, const QString &path, bool write) {
             TLogoJob job;
             job.mappingFile = path;
             job.logoFolder = QFileInfo(path).dir().filePath("LogoTypes");
             // Only a build writes the file.
             job.mappingDisabled = !write;
             NoLogos sink;
             runLogoMapping(job, sink);
             return QStringLiteral("-");
         }},
        {"language", "Deutsch.lng",
         [](TProgram &, TScriptedPrompts &, const QString &path, bool) {
             const TLangIniFile file(path);
             return QStringLiteral("-");
         }},
    };
    const struct {
        const char *name;
        bool fifo; // else a link to /dev/zero
    } kinds[] = {{"fifo", true}, {"device", false}};
    for (const auto &reader : readers) {
        for (const auto &kind : kinds) {
            SCOPED_TRACE(std::string(reader.name) + " " + kind.name);
            QTemporaryDir folder;
            TScriptedPrompts prompts;
            TProgram program;
            program.ProgramFolder = folder.path();
            program.Prompts = &prompts;
            const QString path = QDir(folder.path()).filePath(QLatin1String(reader.file));
            if (kind.fifo)
                ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            else
                ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path));
            // Run aside, so that a reader that blocks fails the row instead
            // of holding the test.
            auto done = std::async(std::launch::async,
                                   [&] { return reader.use(program, prompts, path, kind.fifo); });
            ASSERT_EQ(done.wait_for(std::chrono::seconds(20)), std::future_status::ready);
            const QString said = done.get();
            if (said != "-") {
                EXPECT_TRUE(said.startsWith(QStringLiteral("The file \"%1\" was not read: It is not a plain file").arg(path)))
                    << said.toStdString();
                EXPECT_FALSE(said.contains('(')) << said.toStdString();
            }
            // Still what it was: nothing was saved over it.
            const QFileInfo after(path);
            if (kind.fifo) {
                struct stat info {};
                ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0);
                EXPECT_TRUE(S_ISFIFO(info.st_mode));
            } else {
                EXPECT_EQ(after.symLinkTarget(), "/dev/zero");
            }
            EXPECT_TRUE(QFileInfo(QStringLiteral("/dev/zero")).exists());
        }
    }
}

} // namespace
