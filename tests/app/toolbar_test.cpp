#include "main_window_support.h"

#include "app/main/settings_store.h"
#include "core/model/save_handler.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QSlider>
#include <QLineEdit>
#include <QMap>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <optional>

namespace {

// What the tools would have started, instead of starting it.
struct Started {
    QString program;
    QStringList arguments;
    QString folder;
};

struct ToolWorld : TProgramWorld {
    ToolWorld()
    {
        start();
        runProgram = main().StartProgram;
        main().StartProgram = [this](const QString &program, const QStringList &arguments,
                                     const QString &folder) {
            started.append({program, arguments, folder});
            return startSucceeds;
        };
        openUrlForReal = main().OpenUrl;
        main().OpenUrl = [this](const QString &url, const TOpenFailed &failed) {
            opened.append(url);
            if (!openSucceeds)
                failed(QString());
        };
        main().SendMessage = [this](const QString &address, const QString &text, QString &) {
            sent.append({address, text});
            return true;
        };
    }
    template <typename T>
    T *setting(const char *name)
    {
        return program.Form("FrmSettings")->findChild<T *>(name);
    }

    // A program in the world's folder that writes its arguments, one a line,
    // to "args.txt" beside it, runs `then` and ends with `exitCode`.
    QString argumentRecorder(const QString &name, int exitCode = 0, const QByteArray &then = {})
    {
        const QString script = folder.filePath(name);
        QFile file(script);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n"
                   "out=\"$(dirname \"$0\")/args.txt\"\n"
                   "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.part\"\n"
                   "mv \"$out.part\" \"$out\"\n"
                   + then + "\nexit " + QByteArray::number(exitCode) + "\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        return script;
    }

    // What the tools start and open with when no test stands in.
    decltype(TFrmMain::StartProgram) runProgram;
    decltype(TFrmMain::OpenUrl) openUrlForReal;
    QList<Started> started;
    QStringList opened;
    QList<QStringList> sent;
    bool startSucceeds = true;
    bool openSucceeds = true;
};

} // namespace

// Detection finds the desktop's opener on the search path and opens the home
// folder with it; without one it says so and opens the "Tools" page.
TEST(Toolbar, FileManagerDetectionFindsTheDesktopsOpener)
{
    const QByteArray path = qgetenv("PATH");
    for (const bool installed : {true, false}) {
        SCOPED_TRACE(installed ? "installed" : "none");
        ToolWorld world;
        const QString bin = world.folder.filePath("bin");
        QDir().mkpath(bin);
        if (installed)
            QFile::rename(world.argumentRecorder("xdg-open"), bin + "/xdg-open");
        qputenv("PATH", QFile::encodeName(bin));
        world.setting<QAbstractButton>("BtnCmdAutoDetect")->setChecked(true);
        int page = -1;
        QObject guard;
        QTimer::singleShot(0, &guard, [&] {
            page = world.setting<QTabWidget>("PageControl")->currentIndex();
            QTest::mouseClick(world.setting<QAbstractButton>("BtnCancel"), Qt::LeftButton);
        });
        world.main().ActionByName("PopupItmToolTotalCmd")->trigger();
        qputenv("PATH", path);
        if (installed) {
            ASSERT_EQ(world.started.size(), 1);
            EXPECT_EQ(world.started.first().program, bin + "/xdg-open");
            EXPECT_EQ(world.started.first().arguments, QStringList({QDir::homePath()}));
            EXPECT_TRUE(world.prompts.asked.isEmpty());
            continue;
        }
        EXPECT_TRUE(world.started.isEmpty());
        ASSERT_FALSE(world.prompts.asked.isEmpty());
        EXPECT_EQ(world.prompts.asked.first().text, "Total Commander could not be detected. Not Installed?");
        EXPECT_EQ(page, 2);
    }
}

// A custom file manager is a command line; a path an older version stored
// is run as it stands, blanks and all.
TEST(Toolbar, CustomFileManagerStartsOrSaysThePathIsWrong)
{
    struct Row {
        const char *name;
        const char *command; // %1: the world's folder
        bool works;
        Started expected;
    };
    const Row rows[] = {
        {"command with arguments", "xdg-open \"/home/my lists\"", true, {"xdg-open", {"/home/my lists"}, ""}},
        {"stored path with blanks", "%1/my files fm", true, {"%1/my files fm", {}, ""}},
        {"does not start", "/opt/fm --here", false, {"/opt/fm", {"--here"}, ""}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ToolWorld world;
        world.argumentRecorder("my files fm");
        world.startSucceeds = r.works;
        world.setting<QAbstractButton>("BtnCmdCustom")->setChecked(true);
        world.setting<QLineEdit>("EdtTotalCmd")->setText(QString(r.command).replace("%1", world.folder.path()));
        int page = -1;
        QObject guard;
        if (!r.works) {
            QTimer::singleShot(0, &guard, [&] {
                page = world.setting<QTabWidget>("PageControl")->currentIndex();
                QTest::mouseClick(world.setting<QAbstractButton>("BtnCancel"), Qt::LeftButton);
            });
        }
        world.main().ActionByName("PopupItmToolTotalCmd")->trigger();
        ASSERT_EQ(world.started.size(), 1);
        EXPECT_EQ(world.started.first().program, QString(r.expected.program).replace("%1", world.folder.path()));
        EXPECT_EQ(world.started.first().arguments, r.expected.arguments);
        if (r.works) {
            EXPECT_TRUE(world.prompts.asked.isEmpty());
        } else {
            ASSERT_FALSE(world.prompts.asked.isEmpty());
            EXPECT_EQ(world.prompts.asked.first().text, "Could not run Total Commander. Path correct?");
            EXPECT_EQ(page, 2);
        }
    }
}

// A custom client is a command line (split as a shell would) with the
// address appended; a path an older version stored is run as it stands.
TEST(Toolbar, TelnetGetsThePlainAddress)
{
    struct Row {
        const char *name;
        const char *button;
        const char *command; // %1: the world's folder
        std::optional<Started> expected; // none: nothing can start
    };
    const Row rows[] = {
        {"system", "BtnSystemTelnet", "/bin/echo -n",
         Started{"x-terminal-emulator", {"-e", "telnet", "127.0.0.1"}, "."}},
        {"with an argument", "BtnCustomTelnet", "/bin/echo -n", Started{"/bin/echo", {"-n", "127.0.0.1"}, ""}},
        {"quoted", "BtnCustomTelnet", "\"/usr/bin/my telnet\" -l root",
         Started{"/usr/bin/my telnet", {"-l", "root", "127.0.0.1"}, ""}},
        {"stored path with blanks", "BtnCustomTelnet", "%1/my telnet", Started{"%1/my telnet", {"127.0.0.1"}, ""}},
        {"windows path", "BtnCustomTelnet", "c:\\putty.exe", Started{"c:\\putty.exe", {"127.0.0.1"}, ""}},
        {"empty", "BtnCustomTelnet", "  ", std::nullopt},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ToolWorld world;
        world.argumentRecorder("my telnet");
        world.setting<QAbstractButton>(r.button)->setChecked(true);
        world.setting<QLineEdit>("EdtTelnet")->setText(QString(r.command).replace("%1", world.folder.path()));
        world.main().ActionByName("PopupItmToolTelnet")->trigger();
        if (!r.expected) {
            EXPECT_TRUE(world.started.isEmpty());
            EXPECT_EQ(world.prompts.texts(), QStringList({"Could not run Telnet."}));
            continue;
        }
        ASSERT_EQ(world.started.size(), 1);
        EXPECT_EQ(world.started.first().program, QString(r.expected->program).replace("%1", world.folder.path()));
        EXPECT_EQ(world.started.first().arguments, r.expected->arguments);
        EXPECT_EQ(world.started.first().folder, r.expected->folder);
        EXPECT_TRUE(world.prompts.asked.isEmpty());
    }
    ToolWorld failing;
    failing.startSucceeds = false;
    failing.main().ActionByName("PopupItmToolTelnet")->trigger();
    ASSERT_FALSE(failing.prompts.asked.isEmpty());
    EXPECT_EQ(failing.prompts.asked.first().text, "Could not run Telnet.");
}

// The custom client really runs, with its own arguments and the address.
TEST(Toolbar, CustomTelnetRunsWithItsArguments)
{
    struct Row {
        const char *name;
        const char *command; // %1: the recorder
        const char *recorded;
    };
    const Row rows[] = {
        {"command line", "\"%1\" -x \"two words\"", "-x\ntwo words\n127.0.0.1\n"},
        {"stored path", "%1", "127.0.0.1\n"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ToolWorld world;
        world.main().StartProgram = world.runProgram;
        const QString recorder = world.argumentRecorder("record args");
        world.setting<QAbstractButton>("BtnCustomTelnet")->setChecked(true);
        world.setting<QLineEdit>("EdtTelnet")->setText(QString(r.command).replace("%1", recorder));
        world.main().ActionByName("PopupItmToolTelnet")->trigger();
        EXPECT_TRUE(world.prompts.asked.isEmpty());
        for (int i = 0; i < 100 && !world.exists("args.txt"); ++i)
            QTest::qWait(50);
        EXPECT_EQ(world.bytes("args.txt"), r.recorded);
    }
}

// The web interface opens at the plain address; when no browser opens, the
// user is told the address to open by hand. The desktop's opener is
// xdg-open: a stand-in first on the search path ends as xdg-open does with
// a browser (0), without one (3) and with one that fails (4), or runs the
// browser itself and goes on. Its verdict is heard when it comes: the open
// runs no loop of its own (one that would hold back the window's input), and
// the window answers typing while the opener still runs.
TEST(Toolbar, WebInterfaceOpensTheFormattedAddressOrSaysWhereToGo)
{
    struct Row {
        const char *name;
        std::optional<int> openerExit; // none: the launch itself stands in
        bool opens;
        bool runsOn = false; // the opener goes on until the test lets it end
    };
    const Row rows[] = {
        {"opened", std::nullopt, true},
        {"not opened", std::nullopt, false},
        {"xdg-open with a browser", 0, true},
        {"xdg-open without a browser", 3, false},
        {"xdg-open whose browser fails", 4, false},
        {"xdg-open running the browser itself", 0, true, true},
    };
    // At most 10 s, should the test fail before it lets the opener end.
    const QByteArray runOn = "i=0\n"
                             "while [ ! -e \"$(dirname \"$0\")/go\" ] && [ $i -lt 200 ]; do\n"
                             "  sleep 0.05; i=$((i+1))\n"
                             "done\n"
                             ": > \"$(dirname \"$0\")/ended\"";
    const QByteArray path = qgetenv("PATH");
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ToolWorld world;
        world.openSucceeds = r.opens;
        const QString bin = world.folder.filePath("bin");
        if (r.openerExit) {
            world.main().OpenUrl = world.openUrlForReal;
            QDir().mkpath(bin);
            QFile::rename(world.argumentRecorder("xdg-open", *r.openerExit, r.runsOn ? runOn : QByteArray()),
                          bin + "/xdg-open");
            qputenv("PATH", QFile::encodeName(bin) + ':' + path);
        }
        QObject guard;
        bool opening = true;
        bool ranInsideTheOpen = false;
        QTimer::singleShot(0, &guard, [&] { ranInsideTheOpen = opening; });
        world.main().ActionByName("PopupItmToolWebInterface")->trigger();
        opening = false;
        qputenv("PATH", path);
        EXPECT_FALSE(ranInsideTheOpen);
        if (r.openerExit) {
            for (int i = 0; i < 100 && !world.exists("bin/args.txt"); ++i)
                QTest::qWait(20);
            EXPECT_EQ(world.bytes("bin/args.txt"), "http://127.0.0.1\n");
        } else {
            EXPECT_EQ(world.opened, QStringList({"http://127.0.0.1"}));
        }
        if (r.runsOn) {
            auto *filter = world.main().findChild<QLineEdit *>("EdtFilterServices");
            ASSERT_NE(filter, nullptr);
            filter->clear();
            QTest::keyClicks(filter, "BBC");
            EXPECT_EQ(filter->text(), "BBC");
            EXPECT_FALSE(world.exists("bin/ended"));
            QFile(world.path("bin/go")).open(QIODevice::WriteOnly);
            for (int i = 0; i < 100 && !world.exists("bin/ended"); ++i)
                QTest::qWait(20);
            EXPECT_TRUE(world.exists("bin/ended"));
        }
        for (int i = 0; i < 25 && world.prompts.asked.isEmpty(); ++i)
            QTest::qWait(20);
        EXPECT_EQ(world.prompts.texts(),
                  r.opens ? QStringList()
                          : QStringList({"No browser could be opened for the web interface.\r\n"
                                         "Open http://127.0.0.1 in your browser by hand."}));
        if (!r.opens) {
            EXPECT_EQ(world.prompts.asked.value(0).kind, TPrompts::TMsgKind::Error);
        }
    }
}

TEST(Toolbar, AnEmptyMessageAsksAgainAndCancelSendsNothing)
{
    ToolWorld world;
    world.program.LastSentMessage = "Back soon";
    auto *button = world.main().findChild<QToolButton *>("ToolBtnMsg");
    world.prompts.typed = {"", "Dinner & a film"};
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(world.prompts.inputs.size(), 2);
    EXPECT_EQ(world.prompts.inputs.first().caption, "Enter A Message");
    EXPECT_EQ(world.prompts.inputs.first().initial, "Back soon");
    ASSERT_EQ(world.sent.size(), 1);
    EXPECT_EQ(world.sent.first(), QStringList({"127.000.000.001", "Dinner & a film"}));
    EXPECT_EQ(world.program.LastSentMessage, "Dinner & a film");

    world.prompts.typed.clear(); // Cancel
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(world.sent.size(), 1);
}

TEST(Toolbar, ManagePopupOpensTheThreeManagers)
{
    ToolWorld world;
    QStringList shown;
    const struct {
        const char *item;
        const char *form;
    } kManagers[] = {{"PopupItmLogoManager", "FrmLogoManager"},
                     {"PopupItmBackupManager", "FrmBackupManager"},
                     {"PopupItmPrintManager", "FrmListGenerator"}};
    for (const auto &m : kManagers) {
        QTimer::singleShot(0, [&] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                shown.append(dialog->objectName());
                dialog->reject();
            }
        });
        world.main().ActionByName(m.item)->trigger();
    }
    EXPECT_EQ(shown, QStringList({"FrmLogoManager", "FrmBackupManager", "FrmListGenerator"}));
    QStringList captions;
    for (const auto &m : kManagers)
        captions.append(world.main().ActionByName(m.item)->text());
    EXPECT_EQ(captions, QStringList({"   Logo Manager", "   Backup Manager", "   Print Manager"}));
}

TEST(Toolbar, LogoManagerOkRestartsTheMappingAsRefreshSaysAndCancelTakesBackItsChanges)
{
    ToolWorld world;
    QList<bool> rebuilds;
    world.main().LogoThreadStarter = [&](bool rebuild) -> QThread * {
        rebuilds.append(rebuild);
        world.program.LogoMappingRunning = false;
        return nullptr;
    };
    QWidget *manager = world.program.Form("FrmLogoManager");
    auto *refresh = manager->findChild<QAbstractButton *>("CbxRefreshMapping");
    auto *size = manager->findChild<QSlider *>("TrackBarSize");
    const int storedSize = size->value();

    // Showing the window clears the refresh box; the user sets it in there.
    const auto run = [&](bool ok, bool refreshOn = false) {
        QTimer::singleShot(0, [&, ok, refreshOn] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            refresh->setChecked(refreshOn);
            if (!ok)
                size->setValue(storedSize == 20 ? 21 : 20);
            ok ? dialog->accept() : dialog->reject();
        });
        world.main().ActionByName("PopupItmLogoManager")->trigger();
    };
    run(false);
    EXPECT_EQ(size->value(), storedSize);
    EXPECT_TRUE(rebuilds.isEmpty());

    for (const bool refreshOn : {true, false}) {
        run(true, refreshOn);
        EXPECT_FALSE(refresh->isChecked());
    }
    EXPECT_EQ(rebuilds, QList<bool>({true, false}));

    // A rebuild under way that OK cuts short stays a rebuild, refresh or not.
    world.watchLogoRuns();
    world.holdLogoRuns = true;
    ASSERT_TRUE(world.main().RestartLogoMapping(true));
    world.holdLogoRuns = false;
    run(true, false);
    EXPECT_EQ(world.logoRuns, QList<bool>({true, true}));

    // A settings file that cannot be written is said once; the mapping
    // still starts again as asked.
    world.logoRuns.clear();
    ASSERT_TRUE(QFile::remove(world.path("pelloran.ini")));
    ASSERT_TRUE(QDir(world.folder.path()).mkdir("pelloran.ini"));
    world.prompts.asked.clear();
    run(true, true);
    EXPECT_EQ(world.logoRuns, QList<bool>({true}));
    const QStringList said = world.prompts.texts();
    ASSERT_EQ(said.size(), 1) << said.join('|').toStdString();
    EXPECT_TRUE(said.first().startsWith("function saveConfig: The settings file")) << said.first().toStdString();
}

// Cancel in the logo manager takes back what was changed in there and
// nothing else: the session's other settings, changed since the file was last
// written, stay as the user left them, and the next save writes them.
TEST(Toolbar, LogoManagerCancelLeavesTheSessionsOtherSettings)
{
    ToolWorld world;
    world.main().LogoThreadStarter = [&](bool) -> QThread * {
        world.program.LogoMappingRunning = false;
        return nullptr;
    };
    QWidget *manager = world.program.Form("FrmLogoManager");
    QWidget *exchange = world.program.Form("FrmImportExport");
    const auto button = [](QWidget *window, const char *name) {
        return window->findChild<QAbstractButton *>(name);
    };
    struct Row {
        const char *name;
        QWidget *window;
        const char *button;
    };
    // The logo manager's own choices: each is changed in there, then cancelled.
    const Row own[] = {
        {"a satellite family", manager, "CbxAstra192"},
        {"another family", manager, "CbxOthers"},
        {"radio instead of TV", manager, "BtnRadio"},
        {"mapping switched off", manager, "BtnDisabled"},
    };
    // What the session changed before, elsewhere.
    const Row other[] = {
        {"a file box unticked", exchange, "CbxBouquets"},
        {"the local folder as source", exchange, "BtnLocal"},
        {"the news window switched off", exchange, "CbxImportNews"},
    };
    auto *size = manager->findChild<QSlider *>("TrackBarSize");
    auto *listToolbar = world.main().ActionByName("ActionBouListToolbar");
    auto *version = exchange->findChild<QLineEdit *>("EdtLastOrvikVersion");
    ASSERT_TRUE(size && listToolbar && version);

    QMap<QString, bool> before;
    for (const Row &r : own)
        before[r.name] = button(r.window, r.button)->isChecked();
    const int sizeBefore = size->value();
    QMap<QString, bool> changed;
    for (const Row &r : other) {
        button(r.window, r.button)->click();
        changed[r.name] = button(r.window, r.button)->isChecked();
    }
    listToolbar->trigger();
    ASSERT_FALSE(listToolbar->isChecked());
    world.program.LastOrvikSettingsVersion = "08.03.2024";
    version->setText("08.03.2024");

    QTimer::singleShot(0, [&] {
        auto *dialog = QApplication::activeModalWidget();
        for (const Row &r : own)
            button(r.window, r.button)->click();
        size->setValue(sizeBefore == 20 ? 21 : 20);
        QTest::mouseClick(button(dialog, "BtnCancel"), Qt::LeftButton);
    });
    world.main().ActionByName("PopupItmLogoManager")->trigger();

    for (const Row &r : own)
        EXPECT_EQ(button(r.window, r.button)->isChecked(), before[r.name]) << r.name;
    EXPECT_EQ(size->value(), sizeBefore);
    for (const Row &r : other)
        EXPECT_EQ(button(r.window, r.button)->isChecked(), changed[r.name]) << r.name;
    EXPECT_FALSE(listToolbar->isChecked());
    EXPECT_EQ(world.program.LastOrvikSettingsVersion, "08.03.2024");
    EXPECT_EQ(version->text(), "08.03.2024");

    saveConfig(world.program, QString(), true);
    const QByteArray saved = world.bytes("pelloran.ini");
    EXPECT_TRUE(saved.contains("lastOrvikSettingsVersion=08.03.2024")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("bouquetListGridToolbar=0")) << saved.toStdString();
}

// The logo manager redraws the logo columns on OK; edits not yet saved must
// stay unsaved, so closing still offers to save them.
TEST(Toolbar, LogoManagerOkKeepsUnsavedEditsUnsaved)
{
    ToolWorld world;
    world.main().LogoThreadStarter = [&](bool) -> QThread * {
        world.program.LogoMappingRunning = false;
        return nullptr;
    };
    for (const bool edited : {true, false}) {
        SCOPED_TRACE(edited ? "edited" : "saved");
        edited ? SaveHandler().SetModified() : SaveHandler().SetSaved();
        QTimer::singleShot(0, [] {
            auto *dialog = QApplication::activeModalWidget();
            QTest::mouseClick(dialog->findChild<QAbstractButton *>("BtnOk"), Qt::LeftButton);
        });
        world.main().ActionByName("PopupItmLogoManager")->trigger();
        EXPECT_EQ(SaveHandler().Saved(), !edited);
        EXPECT_EQ(world.main().PopupItmToolSave->isEnabled(), edited);
    }
}
