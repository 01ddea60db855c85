#include "main_window_support.h"

#include "core/model/save_handler.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QSlider>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

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
        main().StartProgram = [this](const QString &program, const QStringList &arguments,
                                     const QString &folder) {
            started.append({program, arguments, folder});
            return startSucceeds;
        };
        main().OpenUrl = [this](const QString &url) {
            opened.append(url);
            return true;
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

    QList<Started> started;
    QStringList opened;
    QList<QStringList> sent;
    bool startSucceeds = true;
};

} // namespace

TEST(Toolbar, FileManagerDetectionFindsNoneAndOpensTheToolsPage)
{
    ToolWorld world;
    world.setting<QAbstractButton>("BtnCmdAutoDetect")->setChecked(true);
    int page = -1;
    QTimer::singleShot(0, [&] {
        page = world.setting<QTabWidget>("PageControl")->currentIndex();
        QTest::mouseClick(world.setting<QAbstractButton>("BtnCancel"), Qt::LeftButton);
    });
    world.main().ActionByName("PopupItmToolTotalCmd")->trigger();
    EXPECT_TRUE(world.started.isEmpty());
    ASSERT_FALSE(world.prompts.asked.isEmpty());
    EXPECT_EQ(world.prompts.asked.first().text, "Total Commander could not be detected. Not Installed?");
    EXPECT_EQ(page, 2);
}

TEST(Toolbar, CustomFileManagerStartsOrSaysThePathIsWrong)
{
    for (const bool works : {true, false}) {
        SCOPED_TRACE(works ? "starts" : "fails");
        ToolWorld world;
        world.startSucceeds = works;
        world.setting<QAbstractButton>("BtnCmdCustom")->setChecked(true);
        world.setting<QLineEdit>("EdtTotalCmd")->setText("/opt/my files/fm");
        int page = -1;
        if (!works) {
            QTimer::singleShot(0, [&] {
                page = world.setting<QTabWidget>("PageControl")->currentIndex();
                QTest::mouseClick(world.setting<QAbstractButton>("BtnCancel"), Qt::LeftButton);
            });
        }
        world.main().ActionByName("PopupItmToolTotalCmd")->trigger();
        ASSERT_EQ(world.started.size(), 1);
        EXPECT_EQ(world.started.first().program, "/opt/my files/fm");
        EXPECT_TRUE(world.started.first().arguments.isEmpty());
        if (works) {
            EXPECT_TRUE(world.prompts.asked.isEmpty());
        } else {
            ASSERT_FALSE(world.prompts.asked.isEmpty());
            EXPECT_EQ(world.prompts.asked.first().text, "Could not run Total Commander. Path correct?");
            EXPECT_EQ(page, 2);
        }
    }
}

TEST(Toolbar, TelnetGetsThePlainAddress)
{
    struct Row {
        const char *button;
        Started expected;
    };
    const Row rows[] = {
        {"BtnSystemTelnet", {"x-terminal-emulator", {"-e", "telnet", "127.0.0.1"}, "."}},
        {"BtnCustomTelnet", {"/usr/bin/my telnet", {"127.0.0.1"}, ""}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.button);
        ToolWorld world;
        world.setting<QAbstractButton>(r.button)->setChecked(true);
        world.setting<QLineEdit>("EdtTelnet")->setText("/usr/bin/my telnet");
        world.main().ActionByName("PopupItmToolTelnet")->trigger();
        ASSERT_EQ(world.started.size(), 1);
        EXPECT_EQ(world.started.first().program, r.expected.program);
        EXPECT_EQ(world.started.first().arguments, r.expected.arguments);
        EXPECT_EQ(world.started.first().folder, r.expected.folder);
    }
    ToolWorld failing;
    failing.startSucceeds = false;
    failing.main().ActionByName("PopupItmToolTelnet")->trigger();
    ASSERT_FALSE(failing.prompts.asked.isEmpty());
    EXPECT_EQ(failing.prompts.asked.first().text, "Could not run Telnet.");
}

TEST(Toolbar, WebInterfaceOpensTheFormattedAddress)
{
    ToolWorld world;
    world.main().ActionByName("PopupItmToolWebInterface")->trigger();
    EXPECT_EQ(world.opened, QStringList({"http://127.0.0.1"}));
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

TEST(Toolbar, LogoManagerOkRestartsTheMappingAsRefreshSaysAndCancelReloads)
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
            ok ? dialog->accept() : dialog->reject();
        });
        world.main().ActionByName("PopupItmLogoManager")->trigger();
    };
    size->setValue(storedSize == 20 ? 21 : 20);
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
