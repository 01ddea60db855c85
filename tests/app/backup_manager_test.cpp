#include "import_export_world.h"

#include "app/main/dialog_prompts.h"
#include "app/main/status_panels.h"
#include "exchange/backup_manager_dialog.h"
#include "exchange/backup_transfer.h"
#include "form_test_support.h"
#include "qt_print.h"

#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
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
    // Restore Backup Now with the first question in the real box, answered
    // with Return; what it asked. Any question after it goes to the script.
    QString restoreAnsweringReturn()
    {
        TDialogPrompts real(manager);
        program.Prompts = &real;
        QString asked;
        whenModal("", [&](QWidget *box) {
            asked = static_cast<QMessageBox *>(box)->text();
            program.Prompts = &prompts;
            QTest::keyClick(box, Qt::Key_Return);
        });
        manager->BtnRestoreBackupClick();
        program.Prompts = &prompts;
        return asked;
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
    world.startWebInterface();
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
    world.prompts.answers = {TPrompts::mbYes};
    world.manager->BtnRestoreBackupClick();
    ASSERT_EQ(world.prompts.texts().size(), 2);
    EXPECT_EQ(world.prompts.texts()[1], "Restore successfully finished!");
    EXPECT_EQ(fileBytesOf(world.receiverPath("services.xml")), services);
}

// One click on Restore Backup Now replaces the receiver's files with the
// preselected backup's: it asks first, naming the backup and the files it
// replaces, with Cancel the default (Return keeps every file). Once the
// files are back, the receiver is asked to reload them, or the user is told
// that it still runs its earlier lists.
TEST(BackupManager, RestoringAsksFirstAndHasTheReceiverReload)
{
    const QString question =
        "Restoring \"Backup_2024-03-03\" replaces these files on the receiver:\r\n"
        "/var/tuxbox/config/zapit/bouquets.xml\r\n/var/tuxbox/config/zapit/services.xml\r\n\r\n"
        "Restore them now?";
    const struct {
        const char *name;
        int answer; // 0: the real question box, answered with Return
        bool webInterface;
        bool restored;
        QStringList after; // the messages after the question
    } rows[] = {
        {"return_key", 0, true, false, {}},
        {"cancel", TPrompts::mbCancel, true, false, {}},
        {"yes", TPrompts::mbYes, true, true, {"Restore successfully finished!"}},
        {"yes_without_web_interface", TPrompts::mbYes, false, true,
         {"The backup was restored, but the receiver could not be asked to reload its lists, so "
          "it still uses its earlier lists. Connection refused."}},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        BackupWorld world;
        world.startReceiver();
        if (r.webInterface)
            world.startWebInterface();
        const QDir root(world.backups.path());
        const QStringList names = {"bouquets.xml", "services.xml"};
        for (const QString &name : names) {
            const QString path = "Backup_2024-03-03/var/tuxbox/config/zapit/" + name;
            root.mkpath(QFileInfo(root.filePath(path)).path());
            QFile file(root.filePath(path));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("<zapit>saved " + name.toUtf8() + "</zapit>");
        }
        QList<QByteArray> before;
        for (const char *name : {"services.xml", "myservices.xml", "bouquets.xml"})
            before.append(fileBytesOf(world.receiverPath(QLatin1String(name))));
        world.manager->FillBackups();
        ASSERT_EQ(world.list("BoxBackups")->currentItem()->text(), "Backup_2024-03-03");

        QString asked;
        if (r.answer == 0) {
            asked = world.restoreAnsweringReturn();
            EXPECT_TRUE(world.prompts.texts().isEmpty()) << world.prompts.texts().join('|').toStdString();
        } else {
            world.prompts.answers = {r.answer};
            world.manager->BtnRestoreBackupClick();
            ASSERT_EQ(world.prompts.asked.size(), 1 + r.after.size())
                << world.prompts.texts().join('|').toStdString();
            EXPECT_EQ(world.prompts.asked[0].kind, TPrompts::TMsgKind::Confirmation);
            EXPECT_TRUE(world.prompts.asked[0].buttons & TPrompts::mbCancelDefault);
            asked = world.prompts.asked[0].text;
            EXPECT_EQ(world.prompts.texts().mid(1), r.after);
        }
        EXPECT_EQ(asked, question);
        EXPECT_EQ(fileBytesOf(world.receiverPath("services.xml")),
                  r.restored ? QByteArray("<zapit>saved services.xml</zapit>") : before[0]);
        EXPECT_EQ(fileBytesOf(world.receiverPath("myservices.xml")), before[1]);
        EXPECT_EQ(fileBytesOf(world.receiverPath("bouquets.xml")),
                  r.restored ? QByteArray("<zapit>saved bouquets.xml</zapit>") : before[2]);
        const QStringList reloads =
            r.webInterface ? TExchangeWorld::logLines(world.webLog) : QStringList();
        EXPECT_EQ(reloads.size(), r.restored && r.webInterface ? 1 : 0) << reloads.join('|').toStdString();
        for (const QString &line : reloads)
            EXPECT_TRUE(line.contains("Reload")) << line.toStdString();
    }
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

// A backup that lacks files is never offered first, and restoring one asks,
// naming what it lacks; only Yes puts its files on the receiver.
TEST(BackupManager, AnIncompleteBackupIsOfferedLastAndRestoredOnlyWhenConfirmed)
{
    BackupWorld world;
    world.startReceiver();
    world.startWebInterface();
    const QDir root(world.backups.path());
    const auto put = [&](const QString &path, const QByteArray &bytes) {
        root.mkpath(QFileInfo(root.filePath(path)).path());
        QFile file(root.filePath(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    const QString zapit = "var/tuxbox/config/zapit/";
    put("Backup_2024-01-01/" + zapit + "services.xml", "<zapit>older</zapit>");
    put("Backup_2024-01-01/" + zapit + "bouquets.xml", "<zapit>older</zapit>");
    // Killed while fetching: the bouquets never came.
    put(".Backup_2024-02-02.partial/.pelloran-backup-files",
        "/var/tuxbox/config/zapit/services.xml\n/var/tuxbox/config/zapit/bouquets.xml");
    put(".Backup_2024-02-02.partial/" + zapit + "services.xml", "<zapit>newer</zapit>");
    const QByteArray receiverServices = fileBytesOf(world.receiverPath("services.xml"));

    world.manager->show();
    EXPECT_EQ(world.texts("BoxBackups"),
              QStringList({"Backup_2024-01-01", "Backup_2024-02-02 (incomplete)"}));
    EXPECT_EQ(world.list("BoxBackups")->currentItem()->text(), "Backup_2024-01-01");
    world.manager->hide();

    const QString question =
        "The backup \"Backup_2024-02-02 (incomplete)\" is incomplete: restoring it may leave the "
        "receiver with files that do not belong together.\r\n\r\nMissing files:\r\n"
        "/var/tuxbox/config/zapit/bouquets.xml\r\n\r\nRestoring \"Backup_2024-02-02 (incomplete)\" "
        "replaces these files on the receiver:\r\n/var/tuxbox/config/zapit/services.xml\r\n\r\n"
        "Restore the files it holds all the same?";
    const struct {
        const char *name;
        int answer; // 0: the real question box, answered with Return
        const char *services; // on the receiver afterwards, or null: as it was
    } rows[] = {
        {"no", TPrompts::mbNo, nullptr},
        // A key pressed by habit must not restore a set that may not belong
        // together.
        {"return_key", 0, nullptr},
        {"yes", TPrompts::mbYes, "<zapit>newer</zapit>"},
    };
    for (const auto &r : rows) {
        world.manager->FillBackups();
        world.list("BoxBackups")->setCurrentRow(1);
        world.prompts.asked.clear();
        world.prompts.answers = {r.answer};
        QString asked;
        if (r.answer == 0) {
            asked = world.restoreAnsweringReturn();
        } else {
            world.manager->BtnRestoreBackupClick();
            ASSERT_GE(world.prompts.asked.size(), 1) << r.name;
            EXPECT_EQ(world.prompts.asked[0].kind, TPrompts::TMsgKind::Confirmation) << r.name;
            asked = world.prompts.asked[0].text;
        }
        EXPECT_EQ(asked, question) << r.name;
        EXPECT_EQ(fileBytesOf(world.receiverPath("services.xml")),
                  r.services ? QByteArray(r.services) : receiverServices)
            << r.name;
        // The record of what it lacks never reaches the receiver.
        EXPECT_FALSE(QFileInfo::exists(world.receiver.filePath(".pelloran-backup-files"))) << r.name;
    }
    EXPECT_EQ(world.prompts.texts().last(), "Restore successfully finished!");
}

// A receiver that will not rename a new copy into place is written straight
// into only when the user says so: Return in the real question box keeps
// every receiver file as it was, and the report names them.
TEST(BackupManager, AReceiverThatRefusesToRenameIsNotWrittenIntoOnReturn)
{
    BackupWorld world;
    world.startReceiver({"--refuse-rename"});
    const QDir root(world.backups.path());
    root.mkpath("Saved/var/tuxbox/config/zapit");
    QFile saved(root.filePath("Saved/var/tuxbox/config/zapit/services.xml"));
    ASSERT_TRUE(saved.open(QIODevice::WriteOnly));
    saved.write("<zapit>saved</zapit>");
    saved.close();
    const QByteArray before = fileBytesOf(world.receiverPath("services.xml"));
    world.manager->FillBackups();
    ASSERT_EQ(world.list("BoxBackups")->currentItem()->text(), "Saved");

    TDialogPrompts real(world.manager);
    world.program.Prompts = &real;
    QString asked;
    // The restore itself is confirmed first; the question after it is the one
    // answered with Return.
    whenModal("", [&](QWidget *confirm) {
        whenModal("", [&](QWidget *box) {
            asked = static_cast<QMessageBox *>(box)->text();
            EXPECT_TRUE(saveShotWithTitleBar(*box, QStringLiteral("write_in_place_question.png")));
            world.program.Prompts = &world.prompts;
            QTest::keyClick(box, Qt::Key_Return);
        });
        static_cast<QMessageBox *>(confirm)->button(QMessageBox::Yes)->click();
    });
    world.manager->BtnRestoreBackupClick();
    world.program.Prompts = &world.prompts;

    EXPECT_EQ(asked, "The receiver does not let /var/tuxbox/config/zapit/services.xml be replaced by "
                     "a copy that has arrived whole. Write straight into "
                     "/var/tuxbox/config/zapit/services.xml instead? Should the transfer break off, "
                     "the receiver is left with a cut-short file.");
    EXPECT_EQ(fileBytesOf(world.receiverPath("services.xml")), before);
    ASSERT_EQ(world.prompts.asked.size(), 1) << world.prompts.texts().join('|').toStdString();
    EXPECT_EQ(world.prompts.asked[0].kind, TPrompts::TMsgKind::Error);
    EXPECT_TRUE(world.prompts.asked[0].text.endsWith(
        "The receiver refused to put the new copy in the place of the file.\r\n\r\n"
        "Left as they were on the receiver:\r\n/var/tuxbox/config/zapit/services.xml"))
        << world.prompts.asked[0].text.toStdString();
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
         "The files that arrived are kept in \"Backup_fixed (incomplete)\".\r\nMissing files:\r\n"
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
              QStringList({"Backup_fixed (incomplete)"}));
    QStringList kept;
    ASSERT_TRUE(backupContent(QDir(world.backups.path()).filePath("Backup_fixed (incomplete)"), kept));
    EXPECT_EQ(kept, QStringList({"/var/tuxbox/config/zapit/services.xml"}));
}

} // namespace
