#include "import_export_world.h"

#include "app/main/status_panels.h"
#include "exchange/backup_manager_dialog.h"
#include "exchange/backup_transfer.h"
#include "form_test_support.h"
#include "qt_print.h"

#include <QLabel>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct BackupWorld : TExchangeWorld {
    BackupWorld()
    {
        manager = form<TFrmBackupManager>("FrmBackupManager");
        manager->SetProgram(&program);
        setting("EdtBackupRootDir", backups.path());
        setting("EdtBackupSubDir", "Backup_fixed");
        files()->clear();
    }
    QListWidget *list(const char *name) { return control<QListWidget>("FrmBackupManager", name); }
    QListWidget *files() { return list("BoxFiles"); }
    QStringList texts(const char *name)
    {
        QStringList all;
        for (int i = 0; i < list(name)->count(); ++i)
            all.append(list(name)->item(i)->text());
        return all;
    }
    void add(const QString &file)
    {
        control<QLineEdit>("FrmBackupManager", "EdtFile")->setText(file);
        manager->BtnAddClick();
    }

    TFrmBackupManager *manager = nullptr;
    QTemporaryDir backups;
};

TEST(BackupManager, TheFileListTakesOnlyPlainReceiverPaths)
{
    BackupWorld world;
    world.add("/var/tuxbox/config/zapit/services.xml");
    world.add("/var/tuxbox/config/zapit/services.xml");
    world.add("");
    world.add("/var/tuxbox/../../etc/shadow");
    // Enter in the edit adds too.
    auto *edit = world.control<QLineEdit>("FrmBackupManager", "EdtFile");
    edit->setText("/etc/hostname");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(world.texts("BoxFiles"),
              QStringList({"/var/tuxbox/config/zapit/services.xml", "/etc/hostname"}));
    EXPECT_EQ(world.prompts.texts(),
              QStringList({"The receiver path \"/var/tuxbox/../../etc/shadow\" is not allowed: it "
                           "must start with \"/\" and may not contain \"..\"."}));

    world.files()->item(0)->setSelected(true);
    EXPECT_EQ(edit->text(), "/var/tuxbox/config/zapit/services.xml");
    world.manager->BtnRemoveClick();
    EXPECT_EQ(world.texts("BoxFiles"), QStringList({"/etc/hostname"}));
}

TEST(BackupManager, NothingToDo)
{
    BackupWorld world;
    world.manager->FillBackups();
    EXPECT_EQ(world.list("BoxBackups")->count(), 0);
    world.manager->BtnRestoreBackupClick();
    world.manager->BtnMakeBackupClick();
    EXPECT_EQ(world.prompts.texts(),
              QStringList({"No backup found!", "No files selected - nothing to do!"}));
}

TEST(BackupManager, BackupAndRestoreThroughTheWindow)
{
    BackupWorld world;
    world.startReceiver({"--refuse-chmod"});
    world.add("/var/tuxbox/config/zapit/services.xml");
    world.add("/var/tuxbox/config/zapit/bouquets.xml");
    const QByteArray services = fileBytesOf(world.receiverPath("services.xml"));

    QDir(world.backups.path()).mkdir("Backup_2000-01-01_00.00.00");
    world.manager->BtnMakeBackupClick();
    EXPECT_EQ(world.prompts.texts(), QStringList({"Backup successfully finished!"}));
    EXPECT_EQ(world.main().StatusBar->PanelText(0), "Done.");

    world.manager->FillBackups();
    EXPECT_EQ(world.texts("BoxBackups"), QStringList({"Backup_2000-01-01_00.00.00", "Backup_fixed"}));
    EXPECT_EQ(world.list("BoxBackups")->currentItem()->text(), "Backup_fixed");
    EXPECT_EQ(world.control<QLabel>("FrmBackupManager", "LblContent")->text(), "Backup_fixed:");
    EXPECT_EQ(world.texts("BoxContent"),
              QStringList({"/var/tuxbox/config/zapit/bouquets.xml",
                           "/var/tuxbox/config/zapit/services.xml"}));
    world.manager->show();
    saveShot(*world.manager, QStringLiteral("backup_manager.png"));
    world.manager->hide();

    QFile::remove(world.receiverPath("services.xml"));
    world.prompts.asked.clear();
    world.manager->BtnRestoreBackupClick();
    EXPECT_EQ(world.prompts.texts(), QStringList({"Restore successfully finished!"}));
    EXPECT_EQ(fileBytesOf(world.receiverPath("services.xml")), services);
}

TEST(BackupManager, ABackupAKillLeftAsideIsShownAgainWhenTheWindowOpens)
{
    BackupWorld world;
    // Killed between moving the earlier backup aside and the new one in.
    const QDir root(world.backups.path());
    for (const char *folder : {".Backup_fixed.previous/var/tuxbox/config/zapit", ".Backup_fixed.partial/etc"})
        root.mkpath(QLatin1String(folder));
    QFile services(root.filePath(".Backup_fixed.previous/var/tuxbox/config/zapit/services.xml"));
    ASSERT_TRUE(services.open(QIODevice::WriteOnly));
    services.write("<zapit/>");
    services.close();

    world.manager->show();
    EXPECT_EQ(world.texts("BoxBackups"), QStringList({"Backup_fixed"}));
    EXPECT_EQ(world.texts("BoxContent"), QStringList({"/var/tuxbox/config/zapit/services.xml"}));
    EXPECT_EQ(fileBytesOf(root.filePath("Backup_fixed/var/tuxbox/config/zapit/services.xml")), "<zapit/>");
    EXPECT_EQ(root.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList({"Backup_fixed"}));
    world.manager->hide();
}

TEST(BackupManager, FailuresAreReportedWithTheirReason)
{
    BackupWorld world;
    world.startReceiver();
    world.add("/var/tuxbox/config/zapit/services.xml");
    const struct {
        const char *name;
        const char *password;
        bool stopServer;
        const char *extraFile; // one the receiver lacks, or none
        const char *reason;
        const char *ending; // how the message ends, or anything
    } rows[] = {
        // What arrived is kept, and the message says which files are not.
        {"missing_file", "dbox2", false, "/var/tuxbox/config/zapit/lost.xml",
         "FTP: At least one file could not be retrieved!",
         "The files that arrived are kept in \"Backup_fixed\".\r\nMissing files:\r\n"
         "/var/tuxbox/config/zapit/lost.xml"},
        {"wrong_password", "wrong", false, nullptr, "FTP: Login failed.", nullptr},
        {"closed_port", "dbox2", true, nullptr, "FTP: Connection to 127.000.000.001 failed.", nullptr},
    };
    for (const auto &r : rows) {
        world.prompts.asked.clear();
        world.setting("EdtPass", QLatin1String(r.password));
        if (r.stopServer)
            world.ftp.reset();
        if (r.extraFile)
            world.add(QLatin1String(r.extraFile));
        world.manager->BtnMakeBackupClick();
        ASSERT_EQ(world.prompts.asked.size(), 1) << r.name;
        EXPECT_EQ(world.prompts.asked[0].kind, TPrompts::TMsgKind::Error) << r.name;
        const QString expected = QStringLiteral("The operation failed with the following error message:\r\n\r\n")
            + QLatin1String(r.reason);
        EXPECT_TRUE(world.prompts.asked[0].text.startsWith(expected)) << r.name << ": " << world.prompts.asked[0].text.toStdString();
        if (r.ending) {
            EXPECT_TRUE(world.prompts.asked[0].text.endsWith(QLatin1String(r.ending)))
                << r.name << ": " << world.prompts.asked[0].text.toStdString();
        }
        EXPECT_EQ(world.main().StatusBar->PanelText(0), "Error!") << r.name;
    }
    // Only the backup with the file that came; the failed logins made none.
    EXPECT_EQ(QDir(world.backups.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"Backup_fixed"}));
    QStringList kept;
    ASSERT_TRUE(backupContent(QDir(world.backups.path()).filePath("Backup_fixed"), kept));
    EXPECT_EQ(kept, QStringList({"/var/tuxbox/config/zapit/services.xml"}));
}

} // namespace
