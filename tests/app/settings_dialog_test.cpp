#include "main_window_support.h"

#include "app/dialogs/settings_dialog.h"
#include "app/main/status_panels.h"
#include "core/util/messages.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

template <typename T>
T *control(TProgramWorld &world, const char *name)
{
    return world.program.Form("FrmSettings")->findChild<T *>(name);
}

// Opens the settings from the tool bar, lets `edit` work on the shown
// dialog, then presses the named button, and then runs `after` (which must
// close a dialog the press left open). Whatever runs before the dialog
// shows (an error box) is waited out; a dialog that never opens leaves
// nothing pending.
void withSettings(TProgramWorld &world, const std::function<void()> &edit, const char *button,
                  const std::function<void()> &after = {})
{
    QTimer waitForDialog;
    waitForDialog.setInterval(10);
    QObject::connect(&waitForDialog, &QTimer::timeout, [&world, &waitForDialog, edit, button, after] {
        if (!world.program.Form("FrmSettings")->isVisible())
            return;
        waitForDialog.stop();
        edit();
        QTest::mouseClick(control<QAbstractButton>(world, button), Qt::LeftButton);
        if (after)
            after();
    });
    waitForDialog.start();
    QTest::mouseClick(world.main().findChild<QToolButton *>("ToolBtnSettings"), Qt::LeftButton);
}

} // namespace

// OK keeps the address in three digits a group and the port in five.
TEST(SettingsDialog, OkNormalisesAddressAndPort)
{
    struct Row {
        const char *ip;
        const char *port;
        const char *ipAfter;
        const char *portAfter;
    };
    const Row rows[] = {
        {"127.1.2.3", "21", "127.001.002.003", "00021"},
        {"127.0.0.1", "  21 ", "127.000.000.001", "00021"},
        {"127.20.30.40", "2121", "127.020.030.040", "02121"},
        {"127.255.0.10", "21", "127.255.000.010", "00021"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.ip);
        TProgramWorld world;
        world.start();
        withSettings(world, [&] {
            control<QLineEdit>(world, "EdtIp")->setText(r.ip);
            control<QLineEdit>(world, "EdtPort")->setText(r.port);
        }, "BtnOk");
        EXPECT_EQ(control<QLineEdit>(world, "EdtIp")->text(), r.ipAfter);
        EXPECT_EQ(control<QLineEdit>(world, "EdtPort")->text(), r.portAfter);
        EXPECT_TRUE(world.bytes("pelloran.ini").contains(QByteArray("ip=") + r.ipAfter));
    }
}

// An address no receiver can have is refused with a message: the dialog
// stays open on the address field with what was typed, and neither the
// field nor the file takes it.
TEST(SettingsDialog, OkRefusesAnAddressWhosePartsAreNotNumbersUpTo255)
{
    struct Row {
        const char *name;
        const char *typed;
    };
    const Row rows[] = {
        {"a part above 255", "999.1.1.1"},
        {"256", "127.0.0.256"},
        {"emptied", ""},
        {"a part left empty", "127.0.1"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        TProgramWorld world;
        world.start();
        world.prompts.asked.clear();
        auto *ip = control<QLineEdit>(world, "EdtIp");
        auto *pages = control<QTabWidget>(world, "PageControl");
        QString typed;
        bool stayedOpen = false;
        QString shown;
        QWidget *focused = nullptr;
        int page = -1;
        withSettings(world, [&] {
            ip->setFocus();
            ip->selectAll();
            QTest::keyClick(ip, Qt::Key_Delete);
            QTest::keyClicks(ip, QString::fromLatin1(r.typed));
            typed = ip->text();
            // OK is pressed from another page.
            pages->setCurrentIndex(3);
        }, "BtnOk", [&] {
            stayedOpen = world.program.Form("FrmSettings")->isVisible();
            shown = ip->text();
            focused = world.program.Form("FrmSettings")->focusWidget();
            page = pages->currentIndex();
            QTest::mouseClick(control<QAbstractButton>(world, "BtnCancel"), Qt::LeftButton);
        });
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(shown, typed);
        EXPECT_EQ(focused, ip);
        EXPECT_EQ(page, 0);
        EXPECT_EQ(world.prompts.texts(), QStringList({msg(MsgReceiverAddressInvalid)}));
        EXPECT_EQ(ip->text(), "127.000.000.001");
        EXPECT_TRUE(world.bytes("pelloran.ini").contains("ip=127.000.000.001"));
    }
}

TEST(SettingsDialog, CancelPutsTheStoredValuesBack)
{
    TProgramWorld world;
    world.start();
    const QString account = control<QLineEdit>(world, "EdtAccount")->text();
    withSettings(world, [&] { control<QLineEdit>(world, "EdtAccount")->setText("somebody"); },
                 "BtnCancel");
    EXPECT_EQ(control<QLineEdit>(world, "EdtAccount")->text(), account);
}

// A settings file that cannot be written keeps nobody from the dialog: the
// failure is said once, OK leaves the new values live, Cancel puts back
// those from before the dialog.
TEST(SettingsDialog, OpensWhenTheFileCannotBeWritten)
{
    for (const char *button : {"BtnOk", "BtnCancel"}) {
        SCOPED_TRACE(button);
        TProgramWorld world;
        world.start();
        control<QLineEdit>(world, "EdtAccount")->setText("before");
        ASSERT_TRUE(QFile::remove(world.path("pelloran.ini")));
        ASSERT_TRUE(QDir(world.folder.path()).mkdir("pelloran.ini"));
        world.prompts.asked.clear();
        bool shown = false;
        withSettings(world, [&] {
            shown = true;
            control<QLineEdit>(world, "EdtIp")->setText("127.0.0.2");
            control<QLineEdit>(world, "EdtAccount")->setText("somebody");
        }, button);
        EXPECT_TRUE(shown);
        const QStringList said = world.prompts.texts();
        ASSERT_EQ(said.size(), 1) << said.join('|').toStdString();
        EXPECT_TRUE(said.first().startsWith("function saveConfig: The settings file")) << said.first().toStdString();
        const bool ok = QByteArray(button) == "BtnOk";
        EXPECT_EQ(control<QLineEdit>(world, "EdtIp")->text(), ok ? "127.000.000.002" : "127.000.000.001");
        EXPECT_EQ(control<QLineEdit>(world, "EdtAccount")->text(), ok ? "somebody" : "before");
    }
}

TEST(SettingsDialog, ToolChoicesEnableTheirPaths)
{
    TProgramWorld world;
    struct Row {
        const char *button;
        const char *edit;
        bool enabled;
    };
    for (const Row &r : {Row{"BtnCustomTelnet", "EdtTelnet", true}, Row{"BtnSystemTelnet", "EdtTelnet", false},
                         Row{"BtnCmdCustom", "EdtTotalCmd", true}, Row{"BtnCmdAutoDetect", "EdtTotalCmd", false}}) {
        SCOPED_TRACE(r.button);
        control<QAbstractButton>(world, r.button)->setChecked(true);
        EXPECT_EQ(control<QLineEdit>(world, r.edit)->isEnabled(), r.enabled);
    }
}

TEST(SettingsDialog, BrowseTakesTheChosenFolderOnly)
{
    TProgramWorld world;
    auto *dialog = world.program.FormAs<TFrmSettings>("FrmSettings");
    dialog->SetPrompts(&world.prompts);
    QLineEdit *root = control<QLineEdit>(world, "EdtBackupRootDir");
    root->setText("/home/user/DBox/Backup");
    world.prompts.folders = {QString()}; // cancelled
    QTest::mouseClick(control<QAbstractButton>(world, "BtnBrowse"), Qt::LeftButton);
    EXPECT_EQ(root->text(), "/home/user/DBox/Backup");
    world.prompts.folders = {"/srv/backups"};
    QTest::mouseClick(control<QAbstractButton>(world, "BtnBrowse"), Qt::LeftButton);
    EXPECT_EQ(root->text(), "/srv/backups");
    EXPECT_EQ(world.prompts.folderStarts.first(), "/home/user/DBox/Backup");
}

// Closing runs one ping tick: with background ping off it clears the
// status bar's ping display at once.
TEST(SettingsDialog, ClosingWithPingOffClearsThePingDisplay)
{
    TProgramWorld world;
    world.start();
    world.main().StatusBar->SetPanelText(3, "Box is online.");
    world.main().ImgConnected->show();
    withSettings(world, [] {}, "BtnCancel");
    EXPECT_EQ(world.main().StatusBar->PanelText(3), "");
    EXPECT_TRUE(world.main().ImgConnected->isHidden());
}
