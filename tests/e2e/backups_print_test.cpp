// Backups of receiver files made and restored over two runs, with the
// backup folder chosen in the settings dialog; lists written and printed by
// the print manager.

#include "e2e_ui.h"

#include "app/dialogs/list_generator.h"

#include <QDirIterator>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

const QStringList kBackedUp = {"/var/tuxbox/config/zapit/services.xml", "/var/tuxbox/config/zapit/bouquets.xml"};

QStringList itemTexts(QListWidget *list)
{
    QStringList texts;
    for (int i = 0; list && i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

// Every file below a folder, by name.
QHash<QString, QByteArray> filesBelow(const QString &folder)
{
    QHash<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        files.insert(QFileInfo(file).fileName(), readBytes(file));
    }
    return files;
}

} // namespace

E2E_STEP(backup_make)
{
    const QString root = step.arg("backups");
    whenModal("FrmSettings", [root](QWidget *settings) {
        child<QLineEdit>(settings, "EdtBackupRootDir")->setText(root);
        child<QLineEdit>(settings, "EdtBackupSubDir")->setText(QStringLiteral("Backup_e2e"));
        child(settings, "BtnOk")->click();
    });
    clickToolButton(step, "ToolBtnSettings");

    whenModal("FrmBackupManager", [&step](QWidget *manager) {
        auto *edit = child<QLineEdit>(manager, "EdtFile");
        for (const QString &file : kBackedUp) {
            edit->setText(file);
            QTest::keyClick(edit, Qt::Key_Return);
        }
        child(manager, "BtnMakeBackup")->click();
        child(manager, "BtnClose")->click();
    });
    step.main().PopupItmBackupManagerClick();
    step.check(step.prompts.texts() == QStringList({"Backup successfully finished!"}),
               "the backup succeeds: " + step.prompts.texts().join(" | "));
}

E2E_STEP(backup_restore)
{
    // The restore is confirmed; the receiver is then asked to reload.
    step.program.ReceiverWebPort = step.arg("httpPort").toInt();
    step.prompts.answers = {TPrompts::mbYes};
    whenModal("FrmBackupManager", [&step](QWidget *manager) {
        step.check(itemTexts(child<QListWidget>(manager, "BoxFiles")) == kBackedUp,
                   "the files to back up are kept: " + itemTexts(child<QListWidget>(manager, "BoxFiles")).join(", "));
        auto *backups = child<QListWidget>(manager, "BoxBackups");
        const QList<QListWidgetItem *> found = backups->findItems("Backup_e2e", Qt::MatchExactly);
        if (step.check(found.size() == 1, "the backup of the last run is listed"))
            backups->setCurrentItem(found.first());
        child(manager, "BtnRestoreBackup")->click();
        child(manager, "BtnClose")->click();
    });
    step.main().PopupItmBackupManagerClick();
    step.check(step.prompts.texts().size() == 2
                   && step.prompts.texts().first().startsWith("Restoring \"Backup_e2e\" replaces")
                   && step.prompts.texts().last() == "Restore successfully finished!",
               "the restore is confirmed and succeeds: " + step.prompts.texts().join(" | "));
}

TEST(BackupsAndPrinting, BackupMadeAndRestoredInTheNextRun)
{
    TE2EWorld world;
    world.startReceiver();
    ASSERT_NE(world.ftp->port(), 0);
    world.writeSettings();
    const QByteArray services = readBytes(world.receiverPath("services.xml"));
    const QByteArray bouquets = readBytes(world.receiverPath("bouquets.xml"));
    QTemporaryDir backups;

    const TRunResult made = world.run("backup_make", {"password=dbox2", "backups=" + backups.path()});
    ASSERT_TRUE(made.ok()) << made.output.toStdString();
    const auto stored = filesBelow(backups.filePath("Backup_e2e"));
    EXPECT_EQ(stored.value("services.xml"), services);
    EXPECT_EQ(stored.value("bouquets.xml"), bouquets);
    EXPECT_TRUE(world.bytes("pelloran.ini").contains(("backupRootDir=" + backups.path()).toUtf8()));

    // The receiver loses one file and gets another wrong.
    QFile::remove(world.receiverPath("services.xml"));
    writeBytes(world.receiverPath("bouquets.xml"), "<zapit/>\n");
    world.startWeb();
    ASSERT_NE(world.http->port(), 0);
    const TRunResult restored = world.run("backup_restore", {"password=dbox2"});
    ASSERT_TRUE(restored.ok()) << restored.output.toStdString();
    EXPECT_EQ(readBytes(world.receiverPath("services.xml")), services);
    EXPECT_EQ(readBytes(world.receiverPath("bouquets.xml")), bouquets);
    EXPECT_EQ(world.webLog().size(), 1) << world.webLog().join('|').toStdString();
    // The backup itself is untouched.
    EXPECT_EQ(filesBelow(backups.filePath("Backup_e2e")), stored);
}

E2E_STEP(print_lists)
{
    const QString csv = step.arg("logs") + "/services.csv";
    const QString pdf = step.arg("logs") + "/services.pdf";
    whenModal("FrmListGenerator", [&](QWidget *window) {
        auto *dialog = static_cast<TFrmListGenerator *>(window);
        // The print dialog is the desktop's; a PDF file stands in for the printer.
        dialog->ChoosePrinter = [pdf](bool &cancelled) {
            cancelled = false;
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return printer;
        };
        child(window, "BtnServiceList")->click();
        child(window, "BtnCsvFile")->click();
        step.prompts.files = {csv};
        step.prompts.answers = {TPrompts::mbNo};
        child(window, "BtnGenerate")->click();
        child(window, "BtnSeePrint")->click();
        child(window, "BtnGenerate")->click();
        child(window, "BtnClose")->click();
    });
    step.main().PopupItmPrintManagerClick();
    step.check(step.prompts.texts().contains("List generation successful.\nDo you want to open the list now?"),
               "the list was written: " + step.prompts.texts().join(" | "));
}

TEST(BackupsAndPrinting, PrintManagerWritesAndPrintsTheServices)
{
    TE2EWorld world;
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/cable/") + QLatin1String(name), world.path(QLatin1String(name)));
    const TRunResult run = world.run("print_lists");
    ASSERT_TRUE(run.ok()) << run.output.toStdString();

    const QString csv = QString::fromUtf8(readBytes(world.logs.filePath("services.csv")));
    for (const char *name : {"Das Erste", "Kino Premium 1", "Radio Rheinwelle"})
        EXPECT_TRUE(csv.contains(QLatin1String(name))) << name;

    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed: the printed page is not read back";
    QProcess reader;
    reader.start(pdftotext, {world.logs.filePath("services.pdf"), "-"});
    ASSERT_TRUE(reader.waitForFinished(30000));
    const QString printed = QString::fromUtf8(reader.readAllStandardOutput());
    for (const char *name : {"Das Erste", "Kino Premium 1", "Radio Rheinwelle"})
        EXPECT_TRUE(printed.contains(QLatin1String(name))) << name << "\n" << printed.toStdString();
}
