#include "main_window_support.h"

#include "app/dialogs/settings_dialog.h"
#include "app/main/status_panels.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
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
// dialog, then presses the named button.
void withSettings(TProgramWorld &world, const std::function<void()> &edit, const char *button)
{
    QTimer::singleShot(0, [&world, edit, button] {
        ASSERT_TRUE(world.program.Form("FrmSettings")->isVisible());
        edit();
        QTest::mouseClick(control<QAbstractButton>(world, button), Qt::LeftButton);
    });
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

TEST(SettingsDialog, CancelPutsTheStoredValuesBack)
{
    TProgramWorld world;
    world.start();
    const QString account = control<QLineEdit>(world, "EdtAccount")->text();
    withSettings(world, [&] { control<QLineEdit>(world, "EdtAccount")->setText("somebody"); },
                 "BtnCancel");
    EXPECT_EQ(control<QLineEdit>(world, "EdtAccount")->text(), account);
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
