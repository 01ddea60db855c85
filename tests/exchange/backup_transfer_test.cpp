#include "exchange/backup_transfer.h"

#include "core/util/file_utils.h"
#include "core/util/prompts.h"

#include "form_test_support.h"
#include "qt_print.h"
#include "script_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(BackupPaths, OnlyPlainAbsoluteReceiverPaths)
{
    const struct {
        const char *path;
        bool safe;
    } rows[] = {
        {"/var/tuxbox/config/zapit/services.xml", true},
        {"/etc/hostname", true},
        {"/var/../etc/passwd", false},
        {"/..", false},
        {"/var/./x", false},
        {"var/tuxbox/config", false},
        {"/var/tuxbox/", false},
        {"/var//x", false},
        {"/var\\..\\x", false},
        {"", false},
        // The record of what a backup was asked for is never a receiver file.
        {"/.pelloran-backup-files", false},
        {"/etc/.pelloran-backup-files", true},
    };
    for (const auto &r : rows)
        EXPECT_EQ(isSafeReceiverPath(QString::fromLatin1(r.path)), r.safe) << r.path;
}

TEST(BackupPaths, BackupsAreListedByName)
{
    QTemporaryDir root;
    // Made newest first, so that the file system's own order is no help.
    for (const char *name : {"Backup_2024-03-09_08.00.00", "Backup_2024-03-07_10.00.00",
                             "Backup_2024-03-08_23.59.59"})
        QDir(root.path()).mkdir(QLatin1String(name));
    QDir(root.path()).mkdir(".Backup_2024-03-10_01.00.00.partial");
    writeBytes(root.filePath("notes.txt"), "not a backup");
    EXPECT_EQ(listBackups(root.path()),
              QStringList({"Backup_2024-03-07_10.00.00", "Backup_2024-03-08_23.59.59",
                           "Backup_2024-03-09_08.00.00"}));
    EXPECT_TRUE(listBackups(root.filePath("missing")).isEmpty());

    writeBytes(root.filePath("Backup_2024-03-07_10.00.00/var/tuxbox/config/zapit/services.xml"), "s");
    writeBytes(root.filePath("Backup_2024-03-07_10.00.00/etc/hostname"), "h");
    QStringList content;
    ASSERT_TRUE(backupContent(root.filePath("Backup_2024-03-07_10.00.00"), content));
    EXPECT_EQ(content, QStringList({"/etc/hostname", "/var/tuxbox/config/zapit/services.xml"}));
    EXPECT_FALSE(backupContent(root.filePath("missing"), content));
}

// Lays out a folder as a kill left it: "path:text" is a file, "path/" an
// empty folder, "link@target" a link to a folder in `outside`.
void layOut(const QString &root, const QString &outside, const QStringList &entries)
{
    for (const QString &entry : entries) {
        if (entry.endsWith(u'/')) {
            QDir(root).mkpath(entry);
        } else if (entry.contains(u'@')) {
            const QString target = QDir(outside).filePath(entry.section(u'@', 1));
            writeBytes(target + "/kept", "kept");
            ASSERT_TRUE(QFile::link(target, QDir(root).filePath(entry.section(u'@', 0, 0))));
        } else {
            writeBytes(QDir(root).filePath(entry.section(u':', 0, 0)), entry.section(u':', 1).toUtf8());
        }
    }
}

// A backup builds ".Backup.partial" (first the record of the files it was
// asked for, then the files); when every file is there and one of the same
// name exists, it moves the old one to ".Backup.previous", the new one into
// place, then deletes the old one. Each row is the state a kill at one of
// those steps leaves; the listing deletes no file that was fetched.
TEST(BackupPaths, AKilledBackupIsPutRightAtTheNextListing)
{
    const QString wanted = ".pelloran-backup-files:/etc/hostname\n/etc/passwd";
    const struct {
        const char *name;
        QStringList before;
        QStringList listed;
        QStringList after; // every entry of the root, hidden ones too
        const char *hostname; // Backup/etc/hostname afterwards
        QStringList incomplete; // "backup:missing file, ..." for each incomplete backup
    } rows[] = {
        {"before_anything_was_fetched", {".Backup.partial/" + wanted, ".Backup.partial/etc/"}, {}, {},
         nullptr, {}},
        {"while_fetching_a_first_backup",
         {".Backup.partial/" + wanted, ".Backup.partial/etc/hostname:new"}, {"Backup (incomplete)"},
         {"Backup (incomplete)"}, nullptr, {"Backup (incomplete):/etc/passwd"}},
        {"while_fetching_a_repeat",
         {"Backup/etc/hostname:old", ".Backup.partial/" + wanted, ".Backup.partial/etc/hostname:new"},
         {"Backup", "Backup (incomplete)"}, {"Backup", "Backup (incomplete)"}, "old",
         {"Backup (incomplete):/etc/passwd"}},
        // From a version that kept no record: what it lacks is not known.
        {"without_a_record", {".Backup.partial/etc/hostname:new"}, {"Backup (incomplete)"},
         {"Backup (incomplete)"}, nullptr, {"Backup (incomplete):"}},
        {"every_file_there_first_backup",
         {".Backup.partial/" + wanted, ".Backup.partial/etc/hostname:new", ".Backup.partial/etc/passwd:p"},
         {"Backup"}, {"Backup"}, "new", {}},
        {"every_file_there_beside_an_earlier_one",
         {"Backup/etc/hostname:old", ".Backup.partial/" + wanted, ".Backup.partial/etc/hostname:new",
          ".Backup.partial/etc/passwd:p"},
         {"Backup", "Backup (2)"}, {"Backup", "Backup (2)"}, "old", {}},
        // The move aside comes only once every file is there.
        {"between_the_renames",
         {".Backup.previous/etc/hostname:old", ".Backup.partial/" + wanted,
          ".Backup.partial/etc/hostname:new", ".Backup.partial/etc/passwd:p"},
         {"Backup"}, {".Backup.previous", "Backup"}, "new", {}},
        {"between_the_renames_without_a_record",
         {".Backup.previous/etc/hostname:old", ".Backup.partial/etc/hostname:new"}, {"Backup"},
         {".Backup.previous", "Backup"}, "new", {}},
        {"after_the_second_rename",
         {"Backup/etc/hostname:new", "Backup/" + wanted, "Backup/etc/passwd:p",
          ".Backup.previous/etc/hostname:old"},
         {"Backup"}, {".Backup.previous", "Backup"}, "new", {}},
        {"while_deleting_the_earlier_one", {"Backup/etc/hostname:new", ".Backup.previous/"},
         {"Backup"}, {".Backup.previous", "Backup"}, "new", {}},
        {"other_backups_untouched",
         {"Backup/etc/hostname:new", ".Other.previous/etc/hostname:other", "Keep/x:y"},
         {"Backup", "Keep", "Other"}, {"Backup", "Keep", "Other"}, "new", {}},
        // Names a backup never works under, and anything but a folder.
        {"look_alikes_left_alone",
         {".partial/x:y", "..previous/x:y", ".Backup.partial.old/x:y", ".Backup.previous:file",
          "Backup.partial/x:y", ".Backup.Previous/x:y"},
         {"Backup.partial"},
         {"..previous", ".Backup.Previous", ".Backup.partial.old", ".Backup.previous", ".partial",
          "Backup.partial"},
         nullptr, {}},
        // Deleting through a link would empty the folder it points at.
        {"links_left_alone", {".Away.partial@away", ".Gone.previous@gone"}, {},
         {".Away.partial", ".Gone.previous"}, nullptr, {}},
        {"previous_beside_a_file_of_its_name", {"Backup:file", ".Backup.previous/etc/hostname:old"}, {},
         {".Backup.previous", "Backup"}, nullptr, {}},
    };
    for (const auto &r : rows) {
        QTemporaryDir root;
        QTemporaryDir outside;
        layOut(root.path(), outside.path(), r.before);
        const auto contents = [](const QString &folder) {
            QStringList files;
            listFilesRecursive(folder, files);
            QStringList texts;
            for (const QString &file : files) {
                if (!file.endsWith(".pelloran-backup-files"))
                    texts.append(QString::fromUtf8(readBytes(file)));
            }
            texts.sort();
            return texts;
        };
        const QStringList fetchedBefore = contents(root.path());
        EXPECT_EQ(listBackups(root.path()), r.listed) << r.name;
        QStringList after =
            QDir(root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        after.sort();
        EXPECT_EQ(after, r.after) << r.name;
        if (r.hostname) {
            EXPECT_EQ(readBytes(root.filePath("Backup/etc/hostname")), r.hostname) << r.name;
        }
        QStringList incomplete;
        for (const QString &backup : r.listed) {
            QStringList missing;
            if (isIncompleteBackup(root.filePath(backup), &missing))
                incomplete.append(backup + u':' + missing.join(", "));
        }
        EXPECT_EQ(incomplete, r.incomplete) << r.name;
        // Not one fetched file went: every one is still somewhere below the root.
        EXPECT_EQ(contents(root.path()), fetchedBefore) << r.name;
        QStringList outsideFiles;
        listFilesRecursive(outside.path(), outsideFiles);
        EXPECT_EQ(outsideFiles.size(), r.before.filter(QStringLiteral("@")).size()) << r.name;
    }
}

class BackupTransfer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        writeBytes(receiver.filePath("var/tuxbox/config/zapit/services.xml"), "<zapit>services</zapit>\n");
        writeBytes(receiver.filePath("var/tuxbox/config/zapit/bouquets.xml"), "<zapit>bouquets</zapit>\n");
        writeBytes(receiver.filePath("etc/hostname"), "dbox\n");
    }

    void startServer(QStringList extra = {})
    {
        server = std::make_unique<ScriptServer>(
            QStringLiteral("ftp_server.py"),
            QStringList{"--root", receiver.path(), "--user", "root", "--password", "dbox2"} + extra);
        ASSERT_NE(server->port(), 0);
        access.host = QStringLiteral("127.000.000.001");
        access.user = QStringLiteral("root");
        access.password = QStringLiteral("dbox2");
        access.port = server->port();
    }

    bool backup(const QStringList &files, const QString &folder, QString &error)
    {
        return makeBackup(access, files, backups.path(), folder,
                          [this](const QString &text) { statuses.append(text); }, error, timeouts);
    }

    FormTestApp app;
    QTemporaryDir receiver;
    QTemporaryDir backups;
    std::unique_ptr<ScriptServer> server;
    TReceiverAccess access;
    // A short window for the rate floor: the transfers that are not slow go
    // through under it all the same.
    TBackupTimeouts timeouts{5, 5, {kRateFloorBytesPerSecond, 2}};
    QStringList statuses;
    const QStringList files = {"/var/tuxbox/config/zapit/services.xml",
                               "/var/tuxbox/config/zapit/bouquets.xml", "/etc/hostname"};
};

// Every file of a backup below the root, as "folder/path:text", sorted.
QStringList rootFiles(const QString &root)
{
    QStringList files;
    listFilesRecursive(root, files);
    QStringList entries;
    for (const QString &file : files) {
        if (!file.endsWith("/.pelloran-backup-files"))
            entries.append(QDir(root).relativeFilePath(file) + u':' + QString::fromUtf8(readBytes(file)));
    }
    entries.sort();
    return entries;
}

// What arrived whole is kept; an earlier backup of the name is never
// replaced by, nor mixed with, one that lacks files.
TEST_F(BackupTransfer, WhatArrivedIsKeptAndAnEarlierBackupStaysAsItWas)
{
    const QStringList withMissing = files + QStringList{"/etc/missing", "/srv/missing/deep/file"};
    const QString earlier = "Backup/etc/hostname:old";
    const QStringList fetched = {"var/tuxbox/config/zapit/bouquets.xml:<zapit>bouquets</zapit>\n",
                                 "etc/hostname:dbox\n",
                                 "var/tuxbox/config/zapit/services.xml:<zapit>services</zapit>\n"};
    const auto in = [&](const QString &folder) {
        QStringList entries;
        for (const QString &file : fetched)
            entries.append(folder + u'/' + file);
        return entries;
    };
    const QString missingText = "\r\nMissing files:\r\n/etc/missing\r\n/srv/missing/deep/file";
    const QStringList missingFiles = {"/etc/missing", "/srv/missing/deep/file"};
    const struct {
        const char *name;
        QStringList before; // as layOut takes them
        QStringList fetch;
        bool done;
        const char *kept; // where the error text says the files are, or none
        QStringList after; // every file below the root
        QStringList folders; // every entry of the root, hidden ones too
    } rows[] = {
        {"first_backup_with_missing_files", {}, withMissing, false, "Backup (incomplete)",
         in("Backup (incomplete)"), {"Backup (incomplete)"}},
        {"repeat_with_missing_files", {earlier}, withMissing, false, "Backup (incomplete)",
         QStringList{earlier} + in("Backup (incomplete)"), {"Backup", "Backup (incomplete)"}},
        {"repeat_with_missing_files_again", {earlier, "Backup (incomplete)/etc/hostname:older"},
         withMissing, false, "Backup (incomplete 2)",
         QStringList{earlier, "Backup (incomplete)/etc/hostname:older"} + in("Backup (incomplete 2)"),
         {"Backup", "Backup (incomplete 2)", "Backup (incomplete)"}},
        // Even an empty folder of the name is an earlier backup.
        {"empty_folder_of_the_name", {"Backup/"}, withMissing, false, "Backup (incomplete)",
         in("Backup (incomplete)"), {"Backup", "Backup (incomplete)"}},
        {"nothing_arrives", {earlier}, {"/etc/missing"}, false, nullptr, {earlier}, {"Backup"}},
        {"complete_repeat_replaces", {earlier, "Backup/etc/gone:old"}, files, true, nullptr, in("Backup"),
         {"Backup"}},
    };
    startServer();
    for (const auto &r : rows) {
        QTemporaryDir root;
        QTemporaryDir outside;
        layOut(root.path(), outside.path(), r.before);
        QString error;
        EXPECT_EQ(makeBackup(access, r.fetch, root.path(), "Backup", {}, error, timeouts), r.done) << r.name;
        QStringList after = rootFiles(root.path());
        QStringList expected = r.after;
        expected.sort();
        EXPECT_EQ(after, expected) << r.name;
        // Nothing half-made stays behind, nor the folders of missing files.
        QStringList folders = QDir(root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        folders.sort();
        EXPECT_EQ(folders, r.folders) << r.name;
        for (const QString &folder : r.folders)
            EXPECT_FALSE(QFileInfo::exists(root.filePath(folder + "/srv"))) << r.name;
        if (r.done) {
            EXPECT_TRUE(error.isEmpty()) << r.name << ": " << error.toStdString();
            continue;
        }
        EXPECT_TRUE(error.startsWith("FTP: At least one file could not be retrieved!\r\n\r\n"
                                     "FTP: Getting /etc/missing failed."))
            << r.name << ": " << error.toStdString();
        if (r.kept) {
            // The backup knows what it lacks, to name it before a restore.
            QStringList missing;
            EXPECT_TRUE(isIncompleteBackup(root.filePath(QLatin1String(r.kept)), &missing)) << r.name;
            EXPECT_EQ(missing, missingFiles) << r.name;
            EXPECT_TRUE(error.endsWith(QStringLiteral("\r\n\r\nThe files that arrived are kept in \"%1\".")
                                           .arg(QLatin1String(r.kept))
                                       + missingText))
                << r.name << ": " << error.toStdString();
        } else {
            EXPECT_FALSE(error.contains("kept")) << r.name << ": " << error.toStdString();
        }
    }
}

// A receiver file that trickles in, or a receiver that answers an upload
// a line at a time, ends the backup or restore with the reason, not hanging.
TEST_F(BackupTransfer, ATrickleEndsBackupAndRestoreWithTheReason)
{
    const QString tooSlow = "Too slow: less than 1 KB a second on average over 2 seconds.";
    const QByteArray services = "<zapit>" + QByteArray(200, 's') + "</zapit>\n";
    writeBytes(receiver.filePath("var/tuxbox/config/zapit/services.xml"), services);
    startServer({"--act", "services.xml=trickle"});
    QString error;
    EXPECT_FALSE(backup(files, "Backup", error));
    EXPECT_TRUE(error.startsWith("FTP: At least one file could not be retrieved!")) << error.toStdString();
    EXPECT_TRUE(error.contains("FTP: Getting /var/tuxbox/config/zapit/services.xml failed.\r\n" + tooSlow
                               + "\r\n\r\nThe files that arrived are kept in \"Backup (incomplete)\".\r\n"))
        << error.toStdString();
    // The others are kept; of the file that broke off, not a byte.
    EXPECT_EQ(listBackups(backups.path()), QStringList({"Backup (incomplete)"}));
    QStringList kept;
    ASSERT_TRUE(backupContent(backups.filePath("Backup (incomplete)"), kept));
    EXPECT_EQ(kept, QStringList({"/etc/hostname", "/var/tuxbox/config/zapit/bouquets.xml"}));

    startServer({"--act", "services.xml=slow-reply"});
    writeBytes(backups.filePath("Saved/var/tuxbox/config/zapit/services.xml"), "<zapit>saved</zapit>\n");
    EXPECT_FALSE(restoreBackup(access, backups.filePath("Saved"), {}, error, timeouts));
    EXPECT_TRUE(error.endsWith("FTP: Putting services.xml to /var/tuxbox/config/zapit/services.xml "
                               "failed.\r\n" + tooSlow
                               + "\r\nThe new copy may be left on the receiver as "
                                 "/var/tuxbox/config/zapit/.services.xml.pelloran-upload."
                               + "\r\n\r\nLeft as they were on the receiver:\r\n"
                                 "/var/tuxbox/config/zapit/services.xml"))
        << error.toStdString();
    EXPECT_EQ(readBytes(receiver.filePath("var/tuxbox/config/zapit/services.xml")), services);
}

// Wherever the link breaks while a backup goes back onto the receiver, and
// whether its FTP server goes on or is killed, every receiver file is whole:
// the backup's copy, or the one there before, byte for byte. The message
// names which were replaced and which were left as they were. A receiver
// that refuses to rename is written straight into only when the user says so.
TEST_F(BackupTransfer, ACutShortRestoreLeavesEveryFileWholeOrAsItWas)
{
    const QStringList paths = {"/etc/hostname", "/var/tuxbox/config/zapit/bouquets.xml",
                               "/var/tuxbox/config/zapit/services.xml"};
    const auto saved = [](const QString &path) {
        return (path.toUtf8() + '\n').repeated(20000); // about 0.7 MB each
    };
    for (const QString &path : paths)
        writeBytes(backups.filePath("Saved" + path), saved(path));
    const struct {
        const char *name;
        QStringList server;
        int answer; // to the question whether to write in place; 0: no question
        // Each receiver file afterwards, in the order of `paths`: 'n' the
        // backup's, 'o' the one before, '?' either of the two.
        const char *files;
        const char *report; // the end of the error text, files as 'n', 'o', '?'
    } rows[] = {
        {"whole", {}, 0, "nnn", nullptr},
        {"before the first byte", {"--cut", "STOR:bouquets.xml:0"}, 0, "non", "non"},
        {"halfway", {"--cut", "STOR:bouquets.xml:300000"}, 0, "non", "non"},
        {"after the last byte", {"--cut", "STOR:bouquets.xml:all"}, 0, "non", "non"},
        {"at the size check", {"--cut", "SIZE:bouquets.xml"}, 0, "non", "non"},
        {"at the rename", {"--cut", "RNFR:bouquets.xml"}, 0, "non", "non"},
        {"server killed halfway", {"--cut", "STOR:bouquets.xml:300000", "--die"}, 0, "noo", "noo"},
        {"server killed at the new name", {"--cut", "RNTO:bouquets.xml", "--die"}, 0, "n?o", "n?o"},
        {"rename refused", {"--refuse-rename"}, TPrompts::mbCancel, "ooo", "ooo"},
        {"rename refused, written in place", {"--refuse-rename"}, TPrompts::mbYes, "nnn", nullptr},
        {"no room for a second copy", {"--no-room", "452"}, TPrompts::mbCancel, "ooo", "ooo"},
        {"no room for a second copy, written in place", {"--no-room", "552"}, TPrompts::mbYes, "nnn",
         nullptr},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        for (const QString &folder : QDir(receiver.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            QDir(receiver.filePath(folder)).removeRecursively();
        SetUp();
        const auto before = [&](const QString &path) { return readBytes(receiver.filePath(path.mid(1))); };
        QList<QByteArray> old;
        for (const QString &path : paths)
            old.append(before(path));
        startServer(r.server);
        QStringList asked;
        const TWriteInPlaceQuestion question = [&](const QString &path, bool noRoom) {
            asked.append(path);
            EXPECT_EQ(noRoom, r.server.contains("--no-room"));
            return r.answer == TPrompts::mbYes;
        };
        QString error;
        const bool done = restoreBackup(access, backups.filePath("Saved"), {}, error, timeouts, question);
        EXPECT_EQ(done, r.report == nullptr) << error.toStdString();
        EXPECT_EQ(asked, r.answer ? QStringList{paths[0]} : QStringList());
        QString replaced, kept, unknown;
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const QByteArray now = before(paths[i]);
            const char state = r.files[i];
            EXPECT_TRUE(state == '?' ? now == saved(paths[i]) || now == old[i]
                                     : now == (state == 'n' ? saved(paths[i]) : old[i]))
                << paths[i].toStdString();
            if (r.report) {
                QString &list = r.report[i] == 'n' ? replaced : r.report[i] == 'o' ? kept : unknown;
                list += "\r\n" + paths[i];
            }
            // Nothing but the receiver's own files stays in its folders,
            // unless the server died before it could delete the copy.
            QStringList left = QDir(QFileInfo(receiver.filePath(paths[i].mid(1))).path())
                                   .entryList(QDir::Files | QDir::Hidden);
            for (const QString &file : left) {
                EXPECT_TRUE(!file.startsWith('.')
                            || (r.server.contains("--die") && file.endsWith(".pelloran-upload")))
                    << file.toStdString();
                if (file.startsWith('.')) {
                    const QString copy = QFileInfo(paths[i]).path() + u'/' + file;
                    EXPECT_TRUE(error.contains("The new copy may be left on the receiver as " + copy + u'.'))
                        << error.toStdString();
                }
            }
        }
        if (r.report) {
            QStringList parts;
            if (!replaced.isEmpty())
                parts.append("Replaced on the receiver:" + replaced);
            if (!kept.isEmpty())
                parts.append("Left as they were on the receiver:" + kept);
            if (!unknown.isEmpty())
                parts.append("Perhaps changed or cut short on the receiver (check them):" + unknown);
            EXPECT_TRUE(error.startsWith("FTP: At least one file could not be put!")) << error.toStdString();
            EXPECT_TRUE(error.endsWith("\r\n\r\n" + parts.join("\r\n\r\n"))) << error.toStdString();
        }
    }
}

TEST_F(BackupTransfer, RefusedBeforeAnythingIsFetched)
{
    startServer();
    const struct {
        const char *name;
        QStringList files;
        QString folder;
        const char *error;
    } rows[] = {
        {"climbing_path", {"/var/../../etc/passwd"}, "Backup", "The receiver path \"/var/../../etc/passwd\" is not allowed"},
        {"relative_path", {"etc/hostname"}, "Backup", "The receiver path \"etc/hostname\" is not allowed"},
        {"folder_with_slash", {"/etc/hostname"}, "a/b", "Failed to create backup directory"},
        {"folder_dot_dot", {"/etc/hostname"}, "..", "Failed to create backup directory"},
    };
    for (const auto &r : rows) {
        QString error;
        EXPECT_FALSE(backup(r.files, r.folder, error)) << r.name;
        EXPECT_TRUE(error.startsWith(QLatin1String(r.error))) << r.name << ": " << error.toStdString();
        EXPECT_TRUE(statuses.isEmpty()) << r.name;
    }
    EXPECT_TRUE(QDir(backups.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(BackupTransfer, ARestoreNeedsABackupFolder)
{
    QString error;
    EXPECT_FALSE(restoreBackup(access, backups.filePath("missing"), {}, error, timeouts));
    EXPECT_EQ(error, "No backup found!");
}

} // namespace
